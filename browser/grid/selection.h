// Selection marks of the browser list: one mark byte per entry in
// browser_list.marks with the count in browser_list.selected_count, and the
// operations that select all, toggle, select a range and clear, each followed
// by the frames of the visible cells. The marks are made afresh by every
// folder load (sized to the entry count), so an index at or past the count is
// never a mark. The operations that change marks return 1 when the one-image
// viewer is shown: the caller draws its status line again, which tells the
// shown entry's mark.
#pragma once

// Frees the mark bytes.
void selection_free();
// An empty selection of one byte per entry of the list.
void selection_reset();
// Marks every entry, or with filter set every entry but drives, tree headings
// and entries deeper than the shown tree depth. Returns the new count.
int select_all(int filter);
// The frame rectangle of a shown cell.
void mark_cell_rect(int index, int* left, int* top, int* right, int* bottom);
// A marked cell's frame in the selection colour; an unmarked one's in the
// background colour when erase is set.
void draw_mark_frame(int index, int erase);
int redraw_selection();
// Ctrl+click: marks or unmarks one entry; -1 clears every mark.
int toggle_mark(int index);
// Ctrl+Shift+click: marks from the nearest marked entry before index (or 0) to index.
int select_range_to(int index);
int select_all_and_redraw(int filter);
int clear_selection();
// 1 when entry index is marked.
int is_marked(int index);
