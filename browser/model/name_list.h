// Name lists: texts (or sort records) collected into a singly linked list
// while a folder is walked, then turned once into a null-terminated array, so
// that a scan never reallocates while it walks.
#pragma once
#include <windows.h>

struct name_link {
    void* item;
    name_link* next;
};

struct name_list {
    name_link head;   // sentinel
    name_link* tail;  // the link to append after; the sentinel (or null) when empty
    void** array;     // null until built
    int count;
};

// The key data of one listed name, copied from the find data so that sorting
// touches no file.
struct sort_record {
    const char* name;
    FILETIME write_time;
    double size;
    int folder;        // 1 for a folder entry
    char* cut;         // first backslash of a folder entry, cut to NUL while sorting
    DWORD attributes;  // of the find data, for the entry's classification
};

// Copies text (exact length + 1) into a new link. 0 when memory runs out.
int strlist_add(name_list* list, const char* text);
// Copies a sort record into a new link.
int sortlist_add(name_list* list, const sort_record& record);
// Moves the items into a null-terminated array (kept when it exists); the array.
void** strlist_to_array(name_list* list);
// Replaces text index of a built array by a copy of text, freeing the old
// one as a clear does. The new text, or null (the old one kept) when memory
// runs out or there is no such item.
char* strlist_replace(name_list* list, int index, const char* text);
// Frees every item and the array; count 0. Freed texts are overwritten first,
// so that a stale reader sees no old name.
void strlist_clear(name_list* list);
void sortlist_clear(name_list* list);

// The five lists of the scanner, cleared at exit.
extern name_list listing_names, listing_records;  // the current listing
extern name_list image_names, image_records;      // the image names of a folder
extern name_list tree_names;                      // drives and subfolders of the folder tree
void clear_scan_lists();
