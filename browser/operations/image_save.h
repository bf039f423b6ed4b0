// Saving an entry's image in another format (BMP, JPEG, PNG, TIFF; turned,
// with a resolution, keeping the date, deleting the source), the JPEG turned
// into itself without loss, scanning into a new file named by the time, and
// counting an image's colours.
#pragma once
#include <windows.h>
#include <cstddef>

struct _bmap;

enum { SAVE_NONE = 0, SAVE_BMP = 1, SAVE_JPEG = 2, SAVE_PNG = 3, SAVE_TIFF = 4 };
// The choices of the save dialog (206). rotation: 0 none, 1 a quarter turn
// clockwise, 2 a half turn, 3 a quarter turn counter-clockwise.
struct save_choice {
    int format;
    int quality;  // 0 to 100; 0 the library's default
    int delete_source;
    int keep_date;
    int xdpi, ydpi;
    int rotation;
};
// The dialog's values kept for the run (format 0 until first chosen).
extern save_choice save_dialog_values;

// The source's format index: 0 to 3 for ".bmp", ".jpg", ".png", ".tif", 4 otherwise.
int source_format_index(const char* path);
// Both become 300 (600 for a 2106-2160 x 1278-1302 page either way) when x
// dpi is 1 or less. Returns 1.
int default_resolution(int* xdpi, int* ydpi, int width, int height);
// The image of a file at full size, or null when it cannot be decoded: never
// the file's icon in its place, and a JPEG with damaged data counts as failed.
// A drawing larger than a picture drawn whole may be is drawn smaller; its own
// size then goes to `asked` (left as it was for other images).
_bmap* load_image_exactly(const char* path, SIZE* asked = nullptr);

// Writes source in the chosen format beside it. A save over an existing file
// writes a temporary file first and replaces the target only when complete;
// the source is deleted only after the new file is in place. 1 when written;
// a save that fails says so (one refused by the user's answer does not).
int save_image_with_choice(const char* source, const save_choice* choice);
// A save that fails says so, naming the file it was to write; returns 0.
int save_failed(const char* name);
// Runs dialog 206 for source (with its resolution); the chosen format, or 0.
int run_save_dialog(HWND owner, const char* source, int xdpi, int ydpi, int resolution_unknown);
// Command 110 on an entry name: probe, dialog, save. 1 when a file was written.
int save_image_as_format(const char* entry);

// The scanner, an outside component: the TWAIN source (tests stand in for it).
struct scan_hook_table {
    // One image acquired from the scanner without the source choice, or null
    // when cancelled or failed.
    _bmap* (*acquire)(HWND owner);
};
extern scan_hook_table scan_hooks;
// The seven base-36 characters that name a scan taken at local time t.
void scan_name_of_time(const SYSTEMTIME* t, char out[8]);
// Command 196: acquires one image and writes it into the current folder as
// "_" and the time name, in a format chosen by its colours, made unique.
// out (260) gets the path. 1 when a file was written.
int scan_to_file(char* out);
// The format a scan is written in, by colour count: SAVE_JPEG, SAVE_PNG
// (palette), SAVE_TIFF (bilevel), -SAVE_PNG (grey), or SAVE_NONE.
int scan_format_of_count(int colours);

// Command 190: counts the colours of the file's image and shows the count.
// The count (negative: grey levels); 0 when the file cannot be decoded.
int count_image_colours(const char* path);
