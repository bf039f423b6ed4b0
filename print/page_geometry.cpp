// Page units, the paper table and the mapping of the selection onto pages and
// cells. Columns and rows come from a file or a spin box up to 32767 each, so
// counts are taken in 64 bits and the page count is held to a limit.
#include "print/page_geometry.h"
#include "print/print_settings.h"
#include "graphics/kavtrel.h"
#include <cmath>

static int console_dpi()
{
    int x = 96, y = 96;
    screen_dpi(&x, &y);
    return x > 0 ? x : 96;
}
int (*page_unit_dpi)() = console_dpi;

int screen_px_to_tenth_mm(double units) { return (int)(254.0 / page_unit_dpi() * units + 0.5); }

int tenth_mm_to_screen_px(double tenths) { return (int)(page_unit_dpi() * tenths / 254.0 + 0.5); }

int near_mm(double a, double b) { return std::fabs(a - b) < 1.5; }

const paper_row paper_table[PAPER_ROWS] = {
    {"A4縦", 210, 297},         {"A4横", 297, 210},         {"B5縦", 182, 257},     {"B5横", 257, 182},
    {"A6縦", 105, 148},         {"A6横", 148, 105},         {"ハガキ縦", 100, 147}, {"ハガキ横", 147, 100},
    {"往復ハガキ縦", 200, 147}, {"往復ハガキ横", 147, 200},
};

const char* paper_size_text(double width_mm, double height_mm)
{
    static char text[64];
    for (const paper_row& row : paper_table) {
        if (near_mm(width_mm, row.first) && near_mm(height_mm, row.second)) {
            text_format(text, sizeof text, "%s(%3.0lf×%3.0lfmm)", row.name, width_mm, height_mm);
            return text;
        }
    }
    text_format(text, sizeof text, "縦%3.0lf×横%3.0lfmm", width_mm, height_mm);
    return text;
}

static long long cells_per_sheet()
{
    const print_settings_record& r = print_settings.record;
    return (long long)(r.columns < 1 ? 1 : r.columns) * (r.rows < 1 ? 1 : r.rows);
}

int start_offset()
{
    int start = print_settings.record.start_cell;
    return start >= 0 && start < cells_per_sheet() ? start : 0;
}

static int selected_count() { return print_settings.job.selected > 0 ? print_settings.job.selected : 0; }

long long cells_to_print()
{
    const print_settings_record& r = print_settings.record;
    if (r.poster) return cells_per_sheet() * selected_count();
    if (r.fill_page) return cells_per_sheet() - start_offset();
    return selected_count();
}

int print_page_count()
{
    long long cells = cells_to_print();
    long long pages = print_settings.record.poster ? cells : (cells + start_offset() - 1) / cells_per_sheet() + 1;
    if (pages < 0) return 0;
    return pages > PRINT_PAGE_LIMIT ? PRINT_PAGE_LIMIT : (int)pages;
}

int first_page_offset(int page) { return !print_settings.record.poster && page <= 0 ? start_offset() : 0; }

// Cells on the pages before `page` (page within the run).
static long long cells_before(int page)
{
    if (print_settings.record.poster) return page;
    if (page <= 0) return 0;
    long long n = cells_per_sheet() * page - start_offset();
    long long cells = cells_to_print();
    return n < cells ? n : cells;
}

int cells_on_page(int page)
{
    if (page < 0 || page >= print_page_count()) return 0;
    const print_settings_record& r = print_settings.record;
    if (r.poster) return 1;
    long long n = cells_per_sheet();
    if (r.fill_page) return (int)(n - first_page_offset(page));
    long long left = cells_to_print() - cells_before(page);
    long long room = n - first_page_offset(page);
    return (int)(left < room ? left : room);
}

int item_of_cell(int page, int cell)
{
    const print_job& job = print_settings.job;
    if (!job.marks || job.count <= 0) return -1;
    int marked = 0;
    for (int i = 0; i < job.count; i++) marked += job.marks[i] != 0;
    if (!marked) return -1;
    if (print_settings.record.poster) page = (int)(page / cells_per_sheet());
    // The cursor steps once per cell from before the first item, cyclically over the marks.
    long long steps = cells_before(page) + cell + 1;
    long long k = (steps - 1) % marked;
    for (int i = 0; i < job.count; i++) {
        if (job.marks[i] && k-- == 0) return i;
    }
    return -1;
}

double progress_fraction(int page, int cell)
{
    const print_settings_record& r = print_settings.record;
    double whole = r.poster      ? (double)cells_per_sheet() * selected_count()
                   : r.fill_page ? (double)(cells_per_sheet() - start_offset())
                                 : selected_count();
    if (whole <= 0) return 1.0;
    return (cell + 1 + (double)cells_before(page)) / whole;
}
