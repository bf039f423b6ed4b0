// Renaming the list's entries: the batch rename of the marked entries, the
// number prefixes added, stripped or renumbered, and the rename dialog.
#pragma once
#include "browser/model/numbering.h"
#include <windows.h>
#include <cstddef>

// Writes entry index's name in the form mode (a path relative to the list's
// folder; only the last component changes). 1 when it fit in cap.
int build_new_name(const rename_request* r, int index, int mode, char* out, size_t cap);

// The batch rename of the marked entries (and their comment files): pattern
// and first number as typed. Returns the number of entries renamed; 0 with a
// message box, touching nothing, when a target is unsafe, repeats, already
// names another item of the folder or does not fit.
int rename_selected(const char* pattern, const char* first, int change_prefix, char* const* names, int count,
                    unsigned char* marks);
// The first final name of the last rename (for the list cursor), or "".
extern char renamed_first_name[260];

// Mode 1 adds prefixes, 0 strips them (both ask first), 2 renumbers without
// a question. 1 when the names were renamed.
int strip_number_prefix(char* const* names, int count, int mode);
// Moves the marked entries before entry position and numbers every name;
// 1 when renamed (the caller sorts by name and reloads).
int add_number_prefix(int position, char* const* names, int count, unsigned char* marks, int no_question);

// Dialog 113 on owner, then the batch rename with its fields: the entries renamed.
int batch_rename_dialog(HWND owner, char* const* names, int count, unsigned char* marks);

// The browser's entry points on the live list (browser_list): command 236
// (batch rename dialog), command 295 (add or strip prefixes), the renumber
// after deletions, and Shift+click in the number area.
int batch_rename_command();
int number_prefix_command();
int renumber_command();
int move_selection_numbered(int position);
