// Message boxes, the print-settings file dialogs and the folder picker. Every
// message box goes through kavtrel_message_box so tests can answer it.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include <cstddef>

// The window that owns message boxes and dialogs when the caller names none
// (the console frame, then the browser's main window, set at start-up).
extern HWND message_box_owner;

// Information box with an OK button; the text is formed in 2048 bytes.
void msg_info(const char* title, const char* fmt, ...) __attribute__((format(gnu_printf, 2, 3)));
// Yes/No question: 1 Yes, 0 No, -1 anything else (closed, not shown).
int msg_yesno(const char* title, const char* fmt, ...) __attribute__((format(gnu_printf, 2, 3)));

enum { PRINT_SETTINGS_SELECTION_BUF = 25600 };
// Left by load_print_settings_dialog for printing: the selection (the first
// file's full path), or null after a cancel; and the name behind it.
extern char* print_settings_selection;
extern char* print_settings_next;

// Open dialog for print-settings files (several may be chosen) in folder (the
// current folder when empty). buffer holds PRINT_SETTINGS_SELECTION_BUF bytes.
// Returns the number of strings of the selection (1: one full path; more: the
// first file's full path, then the remaining names), or 0.
int load_print_settings_dialog(char* buffer, const char* folder, HWND owner);
// Save dialog; name (260 bytes) gives the proposed name and receives the chosen
// path. A new file may be named: only its folder must exist.
int save_print_settings_dialog(HWND owner, const char* folder, char* name);
// The common dialogs behind the two; tests put a function here that looks at
// the request before it runs the real dialog.
extern BOOL(WINAPI* open_file_dialog_call)(OPENFILENAMEA*);
extern BOOL(WINAPI* save_file_dialog_call)(OPENFILENAMEA*);
// Folder picker opening at folder (260 bytes, in and out). 1 when a folder was chosen.
int browse_for_folder(HWND owner, char* folder, const char* title);
