// The settings record taken from the live state and applied back to it, the
// zote.ini files loaded and saved from the live state, and the options
// dialog, which edits the live state.
#pragma once
#include "browser/model/settings.h"

void snapshot_settings(settings_record* out);
// A window started beside others is moved down and right from the place its
// settings gave it (given). While it stays where it was moved, snapshots keep
// the given place: the offset is no setting of the user's.
void note_cascade_move(const RECT& given, const RECT& moved);
void apply_settings(const settings_record* r);

// The live state's record with the files read over it: 1 when one was read.
int load_settings(settings_record* r);
int load_global_and_user_settings(settings_record* r, int hidden_counts);
void save_user_settings();
void save_global_settings();
// The global file deleted, the loaded record back to the defaults.
void forget_global_settings();
int user_settings_changed();
// The live state with the global file read over it, into r and the hand-over file.
void write_handover_settings(settings_record* r);
// Start-up: the defaults snapshot, the loaded record, and the hand-over file
// or else the global and per-user files applied; the grid's saved size.
void load_start_settings();

// The options dialog (resource 199) on the owner; 1 when OK was pressed, and
// the list is then laid out and drawn again.
int run_options_dialog(HWND owner);
INT_PTR CALLBACK options_dlg_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
int choose_colour(HWND owner, COLORREF* colour, COLORREF offered, const char* label);
// The system's colour dialog as the options dialog reaches it (choose_colour),
// behind a seam like the message box's: tests answer in its place.
extern int (*colour_chooser)(HWND owner, COLORREF* colour, COLORREF offered, const char* label);
