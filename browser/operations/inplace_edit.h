// In-list editing: an edit control opened over a list cell with its own
// message loop, for renaming an entry, editing a small text file and editing
// a file's time stamp. Each editor returns 1 when it changed something; the
// caller reloads the list.
#pragma once
#include <windows.h>
#include <cstddef>

// A child "EDIT" of the browser page's window over the cell, with its font
// (height 12, the face given); shown and focused. Null on failure.
HWND create_inplace_edit(int x, int y, int width, int height, const char* text, const char* face, DWORD style,
                         HFONT* font);
// Switches the main window's IME off, destroys the control and its font.
void destroy_inplace_edit(HWND edit, HFONT font);
// 1 while an editor runs. A close command sent by another instance closes
// the window at once (the library handles it), which takes the control and
// its focus away, so the editor ends as cancelled.
int inplace_edit_active();

// The rename editor over the entry (a list name). mode 0 keeps the number
// prefix (hidden when hide_prefix), 1 edits it too, 2 names a new entry
// (shown empty). 1 when renamed; the new full path goes to out (260).
int edit_name_in_list(const char* entry, int mode, int hide_prefix, char* out, int x, int y, int width, int height);

// The text editor for a file of at most 16,000 bytes; Ctrl+Enter writes it.
// 1 when saved. A file whose lines would not fit the editor is not opened.
enum { TEXT_EDIT_BUF = 16000, TEXT_EDIT_LINE = 1024 };
int edit_text_file_in_list(const char* path, int x, int y, int width, int height);
// The file's text as the editor shows it (each line right-trimmed, ended by
// "\r\n"); 0 when it does not fit in cap or holds a line over 1023 bytes.
int load_text_for_edit(const char* path, char* out, size_t cap);

// The time-stamp editor over the cell's date line (display mode of the list:
// 1 date only, 2 with hours and minutes, else the full form). 1 when set.
int edit_file_time_in_list(const char* path, int display_mode, int x, int y, int width, int height);
// Reads "year month day [h[:m[:s]]]" over *time (fields left out keep their
// values, milliseconds become 0). 1 when every field is in range.
int parse_time_text(const char* text, SYSTEMTIME* time);

// The browser's entry points for entry index of the live list: commands 330
// and 331 (rename mode 0 keeping the prefix, 1 editing it; 2 names a new
// entry; new_path 260 bytes), 282 (edit a small text file) and 332 (time
// stamp). Each returns 1 when something changed.
int rename_entry_command(int index, int mode, char* new_path);
int edit_text_command(int index);
int edit_time_command(int index);
