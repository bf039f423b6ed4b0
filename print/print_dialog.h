// The print dialog: the browser's print command hands its selection here.
// It edits the print settings, chooses the printer, offers layout presets,
// saves and loads named settings, and opens the preview; printing starts
// when the preview is confirmed.
#pragma once
#include <windows.h>

// The entry of the print command: stores the job, loads "print.p", runs the
// dialog, prints when it ends with 1, and always saves "print.p". The
// dialog's result (1 printed, 0 not).
int open_print_dialog(int count, const unsigned char* marks, int selected, char* const* names);

// The five layouts offered as buttons.
struct print_settings_record;
void preset_poster_2x1(print_settings_record* r);
void preset_contact_sheet(print_settings_record* r);
void preset_full_page_dated(print_settings_record* r);
void preset_full_page_cropped(print_settings_record* r);
void preset_sticker_sheet(print_settings_record* r);

// Record and controls, both ways (lengths shown in whole millimetres; a
// length whose field still shows what was filled keeps its exact value).
void fill_print_dialog(HWND dialog);
void read_print_dialog(HWND dialog, print_settings_record* r, int margins_flag);
void update_print_dialog(HWND dialog);

// What the dialog calls outside itself; tests answer here.
struct print_dialog_hook_table {
    void (*opened)(HWND dialog);  // after WM_INITDIALOG (null: nothing)
    int (*open_preview)(HWND owner);
    int (*load_dialog)(char* buffer, const char* folder, HWND owner);
    int (*save_dialog)(HWND owner, const char* folder, char* name);
};
extern print_dialog_hook_table print_dialog_hooks;
