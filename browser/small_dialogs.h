// The browser's small dialogs: the file search (134), the thumbnail size
// (135), the archive password (215 to type one, 214 to set one) and the
// thumbnail cache settings (145).
#pragma once
#include <windows.h>

// The password the two password dialogs show and store (shared with the
// archives opened as folders).
enum { PASSWORD_BUF = 256 };
extern char dialog_password[PASSWORD_BUF];

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
// Dialog 215 (one password) and 214 (a password and its confirmation) on
// owner; 1 when OK stored the password.
int open_password_dialog(HWND owner, int set);
INT_PTR CALLBACK password_entry_dlg_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK password_set_dlg_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
// 1 when the cache settings were confirmed and applied.
int open_cache_dialog();
