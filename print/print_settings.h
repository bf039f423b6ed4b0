// The print settings: the saved layout record (524 bytes, written to disk
// byte for byte), its files, the job handed over by the browser, and the
// run-time state of the chosen printer, page and cells that printing, the
// preview and the print dialog share.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include "base/cptext.h"

enum { PRINT_SETTINGS_VERSION = 45, PIXEL_BUDGET_TEXT = 100, PRINT_TITLE_TEXT = 256 };

struct print_settings_record {
    int32_t version;
    int32_t gap_x, gap_y;
    int32_t margin_left, margin_top, margin_right, margin_bottom;
    int32_t centre_on_paper;
    int32_t columns, rows;
    int32_t poster;
    int32_t fixed_cell_size;
    int32_t cell_width_mm, cell_height_mm;
    int32_t turn_to_fit;
    int32_t square_cells;
    int32_t header_folder, header_align;
    int32_t fill_page;
    int32_t size_mode;
    int32_t align_y, align_x;
    int32_t show_date, show_size, show_time;
    int32_t info_align;
    int32_t caption_comment, caption_name;
    int32_t keep_number_prefix;
    int32_t caption_at_picture;
    int32_t printer_quirk;
    int32_t pixel_budget;
    char pixel_budget_text[PIXEL_BUDGET_TEXT];
    int32_t header_page_number, page_number_base;
    int32_t header_height;
    int32_t header_font, caption_font, info_font;
    int32_t dib_mode;
    int32_t start_cell;
    int32_t frame;
    int32_t crop;
    char title[PRINT_TITLE_TEXT];
};
static_assert(sizeof(print_settings_record) == 524, "131 words on disk");
static_assert(offsetof(print_settings_record, columns) == 32, "columns at 32");
static_assert(offsetof(print_settings_record, pixel_budget) == 124, "pixel budget at 124");
static_assert(offsetof(print_settings_record, pixel_budget_text) == 128, "budget text at 128");
static_assert(offsetof(print_settings_record, header_page_number) == 228, "page number switch at 228");
static_assert(offsetof(print_settings_record, dib_mode) == 252, "dib mode at 252");
static_assert(offsetof(print_settings_record, crop) == 264, "crop at 264");
static_assert(offsetof(print_settings_record, title) == 268, "title at 268");

// The browser's selection as printing sees it: one mark byte and one list
// name per item (both borrowed from the browser for the run).
struct print_job {
    int count;
    const unsigned char* marks;
    int selected;
    char* const* names;
};

struct print_settings_state {
    print_settings_record record;
    char settings_file[PATH_BUF];                              // the per-user "print.p"
    char settings_folder[PATH_BUF];                            // the per-user folder "print setting"
    int margin_left, margin_top, margin_right, margin_bottom;  // effective, page units
    print_job job;
    HDC printer_dc;
    int offset_x, offset_y;       // unprintable left and top, tenths of a millimetre
    int page_width, page_height;  // printable area, page units
    double cell_width, cell_height;
    int preview;
    int page_filter;  // -1 every page, else the one page to print
    char last_printer[40];
    HGLOBAL devmode, devnames;  // the kept printer choice
    int printer_chosen;
    int pages_sent;  // pages the last job sent to the printer
};
extern print_settings_state print_settings;

// Version, dib_mode from the system version, the defaults, the file paths
// (the folder is created). Runs once; later calls do nothing.
void print_settings_init();
// The defaults of every field except version, dib_mode and pixel_budget.
void print_settings_defaults(print_settings_record* r);
// pixel_budget = the product of up to six factors of pixel_budget_text,
// computed in 64 bits and held to the largest 32-bit value.
void evaluate_pixel_budget(print_settings_record* r);

// The file for a name (null: "print.p"; else its last component inside the
// folder "print setting"). out: PATH_BUF. 0 when it does not fit.
int print_settings_path(const char* name, char* out);
// Writes the 524 bytes through a temporary file that then replaces the old
// one, so a failed write leaves the old file as it was. 1 on success.
int save_print_settings(const print_settings_record* r, const char* name);
// Brings every field into the range the dialog and the layouts give, and the
// budget back in line with its text: a settings file may be hand-edited or
// come from anywhere.
void clamp_print_settings(print_settings_record* r);
// Reads a file of this version over the record (a shorter file only its
// bytes); both text fields are terminated and every field is brought into
// its range afterwards (clamp_print_settings). 1 on success; 0 when it
// could not be read, with *other_version set when the file was opened and
// its first word is another version.
int load_print_settings(print_settings_record* r, const char* name, int* other_version = nullptr);
