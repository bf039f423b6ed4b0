// The browser's settings record: every user setting in one fixed record of
// 188 words, snapshot from the live state, written to and read from zote.ini
// files as "key=value" lines, compared to decide whether a file must be
// written, and applied back. The options dialog edits the live state.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdio>

enum { SETTINGS_WORDS = 188, SETTINGS_PATH_BUF = 264, SETTINGS_TEXT_BUF = 256, SETTINGS_KINDS = 17 };

struct settings_record {
    int left, top, right, bottom;  // the main window's rectangle
    int w;                         // thumbnail size
    int reserved;                  // always 0, never written
    int time, timetrans, curstop;
    int use_lzh[4];  // 1 on, 0 off, -1 undecided
    int countfile, countfile_limit;
    int startfolder, picext, fldfirst, checkdisp;
    int cache_size;
    double cachemag;
    char cachepath[SETTINGS_PATH_BUF];
    int interval, nonstop, square, all, textpic, txticon, txtcont;
    char txtext[SETTINGS_TEXT_BUF];
    COLORREF tbcolor, bkcolor, selcolor, filecolor, linkcolor, syscolor, datecolor, outcolor, txtcolor;
    COLORREF sldbkcolor, sldtxtcolor;
    int hidden;
    int kinds[SETTINGS_KINDS];
};
static_assert(sizeof(settings_record) == SETTINGS_WORDS * 4, "settings record is 188 words");
static_assert(offsetof(settings_record, w) == 16, "w");
static_assert(offsetof(settings_record, use_lzh) == 36, "use_lzh");
static_assert(offsetof(settings_record, cache_size) == 76, "cache_size");
static_assert(offsetof(settings_record, cachemag) == 80, "cachemag");
static_assert(offsetof(settings_record, cachepath) == 88, "cachepath");
static_assert(offsetof(settings_record, interval) == 352, "interval");
static_assert(offsetof(settings_record, txtext) == 380, "txtext");
static_assert(offsetof(settings_record, tbcolor) == 636, "tbcolor");
static_assert(offsetof(settings_record, hidden) == 680, "hidden");
static_assert(offsetof(settings_record, kinds) == 684, "kinds");

// The live values of the options that no other part of the browser keeps
// (the cache fields of the record live in the thumbnail cache's state).
void settings_defaults(settings_record* live);

void snapshot_settings(settings_record* out);
// A window started beside others is moved down and right from the place its
// settings gave it (given). While it stays where it was moved, snapshots keep
// the given place: the offset is no setting of the user's.
void note_cascade_move(const RECT& given, const RECT& moved);
void apply_settings(const settings_record* r);
int settings_equal(const settings_record* a, const settings_record* b);
// Brings hand-edited values into the ranges the commands can give.
void clamp_settings(settings_record* r);

// Deletes the file, then writes every line. 1 when written whole.
int write_settings_file(const char* path, settings_record r);
// Reads the lines of an open file over the record and closes the file: 1.
int parse_settings_file(settings_record* r, FILE* f);

// The folder of the global zote.ini (the start folder); the current folder
// while none is set.
void set_settings_start_folder(const char* folder);
int global_settings_path(char* out);  // 260 bytes; 1 when it fits
int user_settings_path(char* out);
int handover_settings_path(char* out);

int load_settings(settings_record* r);
int load_global_and_user_settings(settings_record* r, int hidden_counts);
int load_handover_settings(settings_record* r);
void save_user_settings();
void save_global_settings();
void reset_global_settings();
int user_settings_changed();
void write_handover_settings(settings_record* r);

// The size `w` as the settings files give it now, else as they gave it at
// start (-1: none).
int saved_thumb_size();
// Start-up: the defaults snapshot, the loaded record, and the hand-over file
// or else the global and per-user files applied.
void load_start_settings();

// The options dialog (resource 199) on the owner; 1 when OK was pressed, and
// the list is then laid out and drawn again.
int run_options_dialog(HWND owner);
INT_PTR CALLBACK options_dlg_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
int choose_colour(HWND owner, COLORREF* colour, COLORREF offered, const char* label);
// The system's colour dialog as the options dialog reaches it (choose_colour),
// behind a seam like the message box's: tests answer in its place.
extern int (*colour_chooser)(HWND owner, COLORREF* colour, COLORREF offered, const char* label);
