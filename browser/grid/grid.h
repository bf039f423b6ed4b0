// The grid of equal cells in which the browser shows the current folder: how
// many columns and rows fit the client area at the thumbnail size, which row
// the page starts at, the rectangles inside a cell, the mouse pointer (the
// grid's keyboard cursor) and the hit tests that turn a mouse position into a
// cell, an entry, a name line, a cell centre or a gap between cells. Every
// value lives in the grid group of browser_list.
#pragma once
#include <windows.h>
#include "browser/model/browser_list.h"
#include "browser/model/settings.h"  // the sizes a thumbnail may have

// A cell: the name line along its top, the picture area below it down to the
// cell's bottom gap, so that no picture covers the name.
enum { NAME_LINE_TOP = 2, NAME_LINE_HEIGHT = 13, PICTURE_TOP = NAME_LINE_TOP + NAME_LINE_HEIGHT };

struct hit_record {
    int x, y;
    int column, row;
    int index;
    int gap_column, gap_index;
    int on_entry;
};

struct cell_rect {
    int x, y, width, height;
};

int compute_grid(int width, int height);
void layout_list();
void fit_window_to_list();
int columns_at_saved_size();
int set_columns_per_row(int wanted);
int size_for_columns(int wanted);
// A size below the floor is raised to it; 0 or less changes nothing.
void set_thumbnail_size(double size);
void fill_outside_grid();

int page_forward();
int page_back();
int page_of_next_selected();
int page_of_previous_selected();
int next_selected_index(int i);
int previous_selected_index(int i);
int count_unselected_to_first();
int first_plain_name_index();
void clamp_first_row();
void show_entry(const char* name, int i);

void pointer_to_cell_centre(HWND window, int column, int row);
void pointer_to_cell_top(HWND window, int column, int row);
void move_pointer_by_key(HWND window, int key);

cell_rect name_rect(int i);
cell_rect detail_line_rect(int i);
cell_rect text_area_rect(int i);

void hit_test_list_cell(LPARAM position, hit_record* hit);
int in_first_cell_corner(const hit_record& hit);
int on_name_line(const hit_record& hit);
int near_cell_centre(const hit_record& hit);
int near_cell_gap(hit_record* hit);
int in_upper_half(HWND window, const hit_record& hit);
int in_top_left_quarter(HWND window, const hit_record& hit);

// The client size of the browser's drawing window (0 x 0 without one).
SIZE list_client_size();
