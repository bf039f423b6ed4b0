// Folder loading and page drawing: the current folder becomes the grid's
// list under the busy state, the shown position and the selection are kept
// across reloads, the title tells folder, counts and page, and a page is drawn
// in passes (pictures and names, then counts, then a quiet prefetch of the
// neighbouring pages). A redraw or an activation that finds the folder
// changed behind its back reloads, once for each change.
#pragma once
#include <windows.h>

enum { LOAD_NO_REDRAW = 1, LOAD_NO_RESCAN = 2 };

// kept: selection marks of the old list (count bytes) or null.
void load_folder(const unsigned char* kept, int kept_count, int first_hint, const char* name_hint, int flags);
void on_size_relayout(int first_index);
// Redraws the shown page (force: every shown picture made again, not taken
// from the cache); nonzero when a reload happened instead.
int redraw_list(int focus, int scroll_bar, int force, int repaint);
// The whole page drawn again with its focus and scroll bar, as after the
// viewer, a dialog or a scroll changed what the list shows.
void redraw_whole_list();
int list_still_valid();
void set_browser_title(int number);
// The title text for the number shown (cap bytes); the folder part is cut to fit.
void format_browser_title(char* out, size_t cap, int number);

// A list name that is the placeholder of a new entry being named: one
// character and ".newfolder", alone or before an extension or a subpath.
int is_new_entry_name(const char* name);
// Set while a new entry is being named: a load moves its placeholder to the
// first cell of the page shown.
extern int new_entry_pending;

// The first pass of one cell (force: its picture made again).
void draw_list_cell(int i, int force);
void draw_cell_details(int i);
int prefetch_next_page();

// The scroll bar in page units, and the scroll record of a window.
struct scroll_state {
    HWND window;
    int in_use;
    int position, minimum, maximum, line_step, page_step, page_size;
    int changed;
};
void update_list_scrollbar(int page, int last_page, HWND window);
void set_scroll_info(HWND window, const scroll_state& s);
scroll_state* scroll_state_of(HWND window);
scroll_state* on_list_vscroll(WPARAM code, HWND window);
int cursor_in_window(HWND window);
int cursor_client_pos(HWND window);

void draw_number_label(int number, COLORREF colour);
void draw_colored_text(const char* text, COLORREF colour);
// Text widths in pixels, through a measure that tests may replace.
extern double (*list_text_width)(const char* text);
// Shortens name (cap bytes) from its end, with "..", until prefix + name is
// narrower than width. Ends also when the prefix alone fills the width.
void fit_name_with_prefix(const char* prefix, double width, char* name, size_t cap);
// Shortens text (cap bytes) from its front behind "..", until it is narrower
// than width; returns its width.
double draw_fitted_name(char* text, size_t cap, double width);

// What the shown entries (and the pages beside them) show changed: cut
// marks other than those drawn (the clipboard changed), or entries gone from
// the disk (the folder changed outside). An entry that its folder still holds
// under a name that cannot open it is passed over.
enum { LIST_UNCHANGED, LIST_CUT_MARKS_CHANGED, LIST_FOLDER_CHANGED };
int list_shown_entries_changed();
// Follows such a change: the folder reloaded at the first entry hinted, or
// for cut marks alone the list laid out again there with its selection.
void follow_list_change(int change, int first_hint);
// The list's new page for a scroll-bar code, or -1 when nothing moved.
int list_scroll_position(WPARAM code);
