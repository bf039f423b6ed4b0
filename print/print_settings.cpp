// The print settings record, its defaults and its files. The record is stored
// as its 524 raw bytes; everything read back is checked for version and length
// and its two text fields are terminated, since a settings file may come from
// anywhere the user picks.
#include "print/print_settings.h"
#include "browser/model/paths.h"
#include "files/files.h"
#include "base/holders.h"
#include <climits>
#include <cstdio>
#include <cstring>

print_settings_state print_settings = {};

void print_settings_defaults(print_settings_record* r)
{
    int32_t version = r->version, dib_mode = r->dib_mode, budget = r->pixel_budget;
    memset(r, 0, sizeof *r);
    r->version = version;
    r->dib_mode = dib_mode;
    r->pixel_budget = budget;
    r->gap_x = r->gap_y = 20;
    r->columns = r->rows = 4;
    r->cell_width_mm = r->cell_height_mm = 40;
    r->turn_to_fit = 1;
    r->header_align = 2;
    r->size_mode = 1;
    r->align_x = r->align_y = 1;
    r->info_align = 2;
    text_copy(r->pixel_budget_text, "1152*864*5");
    r->page_number_base = 1;
    r->header_height = 15;
    r->header_font = 10;
    r->caption_font = 9;
    r->info_font = 8;
}

static int windows_major_version()
{
    OSVERSIONINFOA v = {};
    v.dwOSVersionInfoSize = sizeof v;
    return GetVersionExA(&v) ? (int)v.dwMajorVersion : 5;
}

void print_settings_init()
{
    static bool done;
    if (done) return;
    done = true;
    print_settings_record& r = print_settings.record;
    r.version = PRINT_SETTINGS_VERSION;
    r.dib_mode = windows_major_version() <= 4 ? -1 : 0;
    print_settings_defaults(&r);
    print_settings.page_filter = -1;
    char folder[PATH_BUF];
    if (user_temp_folder(folder, nullptr)) {
        path_join(print_settings.settings_file, folder, "print.p");
        if (path_join(print_settings.settings_folder, folder, "print setting")) md_path(print_settings.settings_folder);
    }
}

void evaluate_pixel_budget(print_settings_record* r)
{
    const char* p = r->pixel_budget_text;
    const char* end = p + strnlen(p, sizeof r->pixel_budget_text);
    long long product = 1;
    int factors = 0;
    while (factors < 6 && p < end) {
        factors++;
        long long value = 0;
        bool negative = false;
        while (p < end && *p == ' ') p++;
        if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
        while (p < end && *p >= '0' && *p <= '9') {
            if (value <= INT_MAX) value = value * 10 + (*p - '0');
            p++;
        }
        if (value > INT_MAX) value = INT_MAX;
        product *= negative ? -value : value;
        if (product > INT_MAX) product = INT_MAX;
        if (product < INT_MIN) product = INT_MIN;
        const char* star = (const char*)memchr(p, '*', end - p);
        if (!star) break;
        p = star + 1;
    }
    r->pixel_budget = factors ? (int32_t)product : 0;
}

namespace {

// Lengths in page units (over two metres), font heights, and cell sizes in
// millimetres: far beyond any paper, small enough for the layout's sums.
enum : int32_t { LENGTH_HIGH = 10000, FONT_HIGH = 1000, CELL_MM_HIGH = 10000, GRID_HIGH = 32767, BASE_LIMIT = 1000000 };

struct field_range {
    int32_t print_settings_record::*field;
    int32_t low, high;
};
typedef print_settings_record R;
const field_range ranges[] = {
    {&R::gap_x, 0, LENGTH_HIGH},
    {&R::gap_y, 0, LENGTH_HIGH},
    {&R::margin_left, 0, LENGTH_HIGH},
    {&R::margin_top, 0, LENGTH_HIGH},
    {&R::margin_right, 0, LENGTH_HIGH},
    {&R::margin_bottom, 0, LENGTH_HIGH},
    {&R::centre_on_paper, 0, 1},
    {&R::columns, 1, GRID_HIGH},
    {&R::rows, 1, GRID_HIGH},
    {&R::poster, -1, 1},
    {&R::fixed_cell_size, -1, 1},
    {&R::cell_width_mm, 1, CELL_MM_HIGH},
    {&R::cell_height_mm, 1, CELL_MM_HIGH},
    {&R::turn_to_fit, -1, 1},
    {&R::square_cells, 0, 1},
    {&R::header_folder, 0, 1},
    {&R::header_align, 0, 2},
    {&R::fill_page, 0, 1},
    {&R::size_mode, 0, 2},
    {&R::align_y, 0, 2},
    {&R::align_x, 0, 2},
    {&R::show_date, 0, 1},
    {&R::show_size, 0, 1},
    {&R::show_time, 0, 1},
    {&R::info_align, 0, 2},
    {&R::caption_comment, 0, 1},
    {&R::caption_name, 0, 1},
    {&R::keep_number_prefix, 0, 1},
    {&R::caption_at_picture, 0, 1},
    {&R::printer_quirk, -1, 1},
    {&R::header_page_number, 0, 1},
    {&R::page_number_base, -BASE_LIMIT, BASE_LIMIT},
    {&R::header_height, 0, LENGTH_HIGH},
    {&R::header_font, 0, FONT_HIGH},
    {&R::caption_font, 0, FONT_HIGH},
    {&R::info_font, 0, FONT_HIGH},
    {&R::dib_mode, -1, 1},
    {&R::start_cell, 0, INT32_MAX},
    {&R::frame, 0, 1},
    {&R::crop, 0, 1},
};
// Every word has its range but the version, the budget (from its text) and the two texts.
static_assert(sizeof ranges / sizeof ranges[0] + 2 + (PIXEL_BUDGET_TEXT + PRINT_TITLE_TEXT) / 4 ==
                  sizeof(print_settings_record) / 4,
              "a range for every word");

}  // namespace

void clamp_print_settings(print_settings_record* r)
{
    for (const field_range& f : ranges) {
        int32_t& v = r->*f.field;
        if (v < f.low) v = f.low;
        if (v > f.high) v = f.high;
    }
    r->pixel_budget_text[sizeof r->pixel_budget_text - 1] = 0;
    r->title[sizeof r->title - 1] = 0;
    evaluate_pixel_budget(r);
}

int print_settings_path(const char* name, char* out)
{
    if (!name || !*name) return text_copy(out, PATH_BUF, print_settings.settings_file) && out[0];
    const char* last = mb_strrchr(name, '\\');
    if (!last) last = mb_strrchr(name, ':');
    const char* component = last ? last + 1 : name;
    if (!*component || !print_settings.settings_folder[0]) return 0;
    return path_join(out, PATH_BUF, print_settings.settings_folder, component);
}

int save_print_settings(const print_settings_record* r, const char* name)
{
    char path[PATH_BUF], temp[PATH_BUF];
    if (!print_settings_path(name, path) || !text_format(temp, sizeof temp, "%s.new", path)) return 0;
    {
        c_file f(fopen(temp, "wb"));
        if (!f) return 0;
        bool written = fwrite(r, sizeof *r, 1, f.get()) == 1;
        if (fclose(f.release()) != 0 || !written) {
            DeleteFileA(temp);
            return 0;
        }
    }
    if (!MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temp);
        return 0;
    }
    return 1;
}

int load_print_settings(print_settings_record* r, const char* name, int* other_version)
{
    if (other_version) *other_version = 0;
    char path[PATH_BUF];
    if (!print_settings_path(name, path)) return 0;
    c_file f(fopen(path, "rb"));
    if (!f) return 0;
    unsigned char bytes[sizeof *r];
    size_t n = fread(bytes, 1, sizeof bytes, f.get());
    if (n < 4) return 0;
    int32_t version;
    memcpy(&version, bytes, 4);
    if (version != PRINT_SETTINGS_VERSION) {
        if (other_version) *other_version = 1;
        return 0;
    }
    memcpy(r, bytes, n);
    clamp_print_settings(r);
    return 1;
}
