// The browser's settings record: every user setting in one fixed record of
// 188 words, written to and read from zote.ini files as "key=value" lines and
// compared to decide whether a file must be written. Taking it from the live
// state and applying it back is the commands' (commands/settings.h).
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdio>

// The sizes a thumbnail may have: below the least, no division by the size
// and no cell narrower than its text can happen.
enum { MIN_THUMB_SIZE = 64, MAX_THUMB_SIZE = 1024 };

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

// The files read over r, each when it exists (the per-user one while hidden
// only when hidden_counts): 1 when one was read.
int read_global_settings(settings_record* r);
int read_global_and_user_settings(settings_record* r, int hidden_counts);
// The hand-over file read over r and deleted: 1 when read.
int load_handover_settings(settings_record* r);
// now, the live state's record, to the per-user file, which is hidden instead
// while now equals what was loaded at start.
void write_user_settings(const settings_record& now);
// now to the global file, which is deleted instead while now equals the defaults.
void write_global_settings(const settings_record& now);
void reset_global_settings();
// 1 when now differs from what the files give (the loaded record while no
// per-user file exists).
int user_settings_differ(const settings_record& now);
// The global file read over now and written as the hand-over file.
void write_handover_file(settings_record* now);
