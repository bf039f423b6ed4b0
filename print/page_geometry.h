// Units, the paper table and the page geometry of a print run: how many cells
// and pages the selection gives, which item fills a cell, and the progress.
// Page units are screen pixels at the console window's horizontal resolution.
#pragma once

// The resolution of a page unit (LOGPIXELSX of the console window, read on
// every call); tests put a fixed value here.
extern int (*page_unit_dpi)();

int screen_px_to_tenth_mm(double units);
int tenth_mm_to_screen_px(double tenths);
int near_mm(double a, double b);
// The paper's name in the table with its size, or the plain size; one shared buffer.
const char* paper_size_text(double width_mm, double height_mm);

enum { PAPER_ROWS = 10, PRINT_PAGE_LIMIT = 10000 };
struct paper_row {
    const char* name;
    double first, second;
};
extern const paper_row paper_table[PAPER_ROWS];

// The run over print_settings: cells of the whole run (64 bits: a poster of
// 32767 x 32767 tiles is that many cells per image), and its pages, held to
// PRINT_PAGE_LIMIT.
long long cells_to_print();
int print_page_count();
int start_offset();  // start_cell when 0 <= start_cell < columns x rows, else 0
int first_page_offset(int page);
int cells_on_page(int page);
// The list item of a cell, or -1 when no item is marked.
int item_of_cell(int page, int cell);
double progress_fraction(int page, int cell);
