// The image viewer: one entry at a time in the browser window (one-image
// mode) or on a full-screen page, stepped by hand or as a slide show, with
// the picture of the entry to come prepared in advance in image slot 11.
// Its state is one global record (the full-screen colours are the settings'
// own, in browser_list.settings), and the mode, the full-screen flag and the
// shown entry that the rooms below read are viewer_now (model); while a slide
// show runs the application's window hook hands every message to viewer_msg_hook.
#pragma once
#include <windows.h>
#include "browser/model/viewer_now.h"

struct nftw_view;

enum {
    VIEWER_PAGE = 2,
    VIEWER_SLOT = 11,
    VIEWER_SLOT2 = 12,
};

struct viewer_state_record {
    int previous_mode;  // the mode when full screen was entered (0: from the list)
    int client_width, client_height;
    int placement[5];   // error word, picture width and height, shown width and height
    DWORD slide_start;  // clock when the current slide was shown
    int random_step;
    int shown_x;
    double zoom;      // shown width / picture width; 0 for a placeholder
    int shown_index;  // the entry whose picture slot 11 holds
    int interval;     // tenths of a second
    int nonstop;
    int random_placement;
    int selected_only;
    int square;
    nftw_view* actual_view;
    int actual_divisor;
};
extern viewer_state_record viewer_state;

// The defaults a fresh start gives the record.
void viewer_defaults(viewer_state_record& v);
// Entry i in the viewer as the start-up options ask: direction 0 without a
// slide show, full screen or in the browser window.
void open_viewer(int i, int direction, int full);

// The clock and the sleep of the slide show and of the scroll view's loop;
// tests replace them to run a show without waiting.
struct viewer_clock_table {
    DWORD (*now)();  // milliseconds
    void (*sleep)(DWORD ms);
};
extern viewer_clock_table viewer_clock;

// ---- Stepping ----
int next_slide_index(viewer_state_record& v, int direction);

// ---- Pictures and drawing ----
void load_viewer_image(viewer_state_record& v, int index, double width, double height);
void prepare_fullscreen_image(viewer_state_record& v, int index);
void draw_viewer_status(viewer_state_record& v, int index, int divisor);
// The status line again for the entry shown, after its mark changed.
void redraw_viewer_status(viewer_state_record& v);
// The zoom step (1, 2, 4 or 8) that the left strip marks as the current one:
// the actual-size divisor shown, else 1 for a picture shown at full size; 0 for none.
int viewer_zoom_step(const viewer_state_record& v);
void show_slide(viewer_state_record& v);
RECT viewer_image_box(viewer_state_record& v);
void draw_viewer_mark(viewer_state_record& v);
// The status line's text for the entry (cap bytes).
void format_viewer_status(viewer_state_record& v, int index, int divisor, char* out, size_t cap);

// ---- Modes ----
void view_one_image(viewer_state_record& v, int index);
void back_to_list(viewer_state_record& v);
// Before the list is loaded or drawn again (a folder change, a reload): the
// viewer is left, from the window or full screen, with its scroll view. The
// caller draws the list.
void leave_viewer(viewer_state_record& v);
void enter_fullscreen(viewer_state_record& v, int index);
int leave_fullscreen(viewer_state_record& v);
// Shows entry index (preparing it unless it is the prepared one); the one
// after it is prepared in idle time. The one-image commands next, previous,
// first, last.
void viewer_show_entry(viewer_state_record& v, int index);
// The viewer's idle work: the entry after the one shown is prepared in idle
// time (1 when a step was taken, 0 when nothing waits).
int viewer_idle_step();
void viewer_step(viewer_state_record& v, int direction);
// The picture shown to the clipboard (command 356 in the viewer): 1 when put.
int copy_image_shown(viewer_state_record& v);

// ---- Slide shows ----
int wait_slide_interval(viewer_state_record& v);
void run_slide_show(viewer_state_record& v, int direction);
void start_slide_show(viewer_state_record& v, int selected_only, int direction);
void fullscreen_slide_show(viewer_state_record& v, int index);
void random_slide_show(viewer_state_record& v, int index);
int viewer_msg_hook(UINT message, WPARAM wparam, viewer_state_record& v, LPARAM lparam);
int ask_slide_interval(int interval);
INT_PTR CALLBACK interval_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
// 1 while a modal loop of the viewer should go on: no quit message waits, no
// close was asked for, and the browser's page still exists.
int viewer_loop_may_go_on();

// ---- Actual size (the scroll view) ----
void view_actual_size(viewer_state_record& v, int divisor);
void close_actual_view(viewer_state_record& v);
int actual_view_allowed(viewer_state_record& v, int divisor);
int max_actual_divisor(viewer_state_record& v);
