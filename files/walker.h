// The directory walker: visits the items of one folder, of a whole tree or of
// a tree to a given depth, and hands each to the caller's callbacks in a
// walk record. Also the counting callbacks and the name collector.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>

// The record handed to every callback: ten pointer-sized fields.
struct walk_item {
    WIN32_FIND_DATAA* find_data;  // 0: the current item's find data
    char* path;                   // 1: the walker's own buffer: folder\name; folder\ at the leave step
    intptr_t count;               // 2: files counted, names collected, or the source root's length
    intptr_t failures;            // 3: items the walk or its callbacks could not handle
    intptr_t names_max;           // 4: collect_name_cb: entries the name table holds
    intptr_t flags;               // 5: WALK_* flags
    const char* second_path;      // 6: a destination folder or a file pattern
    char* names_end;              // 7: collect_name_cb: one past the end of the name buffer
    char** names;                 // 8: collect_name_cb: the table of name pointers
    FILETIME* raw_time;           // 9: newest_time_cb: the newest time so far
};
static_assert(sizeof(walk_item) == 10 * sizeof(void*), "walk_item is ten pointer-sized fields");
static_assert(offsetof(walk_item, second_path) == 6 * sizeof(void*), "field 6");
static_assert(offsetof(walk_item, raw_time) == 9 * sizeof(void*), "field 9");

enum {
    // Descend into folders that are reparse points (links, junctions). Without
    // it the walkers report such a folder but never enter it, which every
    // destructive walk relies on. Either way a folder already being walked
    // higher up (a cycle) is never entered again.
    WALK_FOLLOW_LINKS = 1,
};

typedef int (*walk_cb)(walk_item* item);

// One level: folders to folder_cb, files to file_cb; results ignored.
void walk_folder(walk_cb folder_cb, const char* folder, const char* pattern, walk_item* record, walk_cb file_cb);
// The whole tree: a file or enter callback's 0 stops the current folder's
// listing; a skip callback's nonzero keeps a folder from being entered; the
// leave callback runs after each listed folder, children before parents.
void walk_tree(const char* folder, const char* pattern, walk_item* record, walk_cb file_cb, walk_cb leave_cb,
               walk_cb enter_cb, walk_cb skip_cb);
// The tree to depth levels: at depth 0 folders go to leaf_cb. Returns the
// deepest level reached, starting from level.
int walk_tree_depth(int depth, const char* folder, const char* pattern, walk_item* record, walk_cb file_cb,
                    walk_cb leaf_cb, walk_cb skip_cb, int level);

// Adds 1 to count.
int count_cb(walk_item* item);
// Copies the item's name to names[count], packed behind the previous name in
// one buffer that the caller gives as names[0] (ending at names_end, table of
// names_max entries); count grows by one. A name that does not fit stops the
// listing and counts as a failure.
int collect_name_cb(walk_item* item);

// Files (not folders) of one level matching the pattern.
int count_files(const char* folder, const char* pattern);
// Files matching the file-name part of path in its folder and every folder
// below it whose name matches folder_pattern.
int count_files_tree(const char* path, const char* folder_pattern);
// qsort comparator of two name pointers, case-insensitive and double-byte aware.
int compare_names_ci(const void* a, const void* b);
