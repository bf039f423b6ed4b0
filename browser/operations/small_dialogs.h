// The browser's small dialogs: the file search (134), the thumbnail size
// (135) and the thumbnail cache settings (145). The archive password
// dialogs belong to the archives opened as folders.
#pragma once
#include <windows.h>

// Command 301: the search text is emptied on the first search of the run;
// the dialog searches the live list from the page after the shown one.
void open_search_dialog();
// One press of 検索: moves the list to the page of the next name holding the
// search text (wrapping once round the list), or says there is none.
// 1 when the list moved.
int find_files_by_substring(HWND owner);
extern char search_text[256];

// The new thumbnail size (64 or more), or 0 when cancelled.
int open_thumb_size_dialog(int current);
// 1 when the cache settings were confirmed and applied.
int open_cache_dialog();
