// The search for top-level windows by their titles, with which instances of
// the program find each other (their titles share the ending " - ZOTE1.67").
#pragma once
#include <windows.h>

enum { TITLE_BEGINS = 1, TITLE_ENDS = 2 };  // any other mode: the title contains the text

// What the enumeration looks for and what it found. The caller points
// window_search_record at one before it enumerates the top-level windows.
struct window_search {
    const char* text;  // the text to find
    int visible_only;  // skip windows that are not visible
    int mode;          // TITLE_BEGINS, TITLE_ENDS, else anywhere
    int count;         // matches so far
    HWND* table;       // matching windows
    int capacity;      // room in table; further matches are counted but not stored
};
extern window_search* window_search_record;

// Runs the whole search: fills table with up to capacity windows and returns
// the number of matches stored.
int find_windows_by_title(const char* text, int mode, int visible_only, HWND* table, int capacity);

// The common ending of the program's window titles.
extern const char instance_title_ending[];
