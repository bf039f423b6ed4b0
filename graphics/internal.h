// The window library's inside: the page table and page records, the drawing
// state, the console's handles, formats and accelerators, the message
// handlers and window procedures. Included only by the library's own files
// (and by its tests); everything else goes through kavtrel.h.
#pragma once
#include "graphics/kavtrel.h"

struct page_record {
    int number;
    int kind;  // page_kind
    HDC dc;    // recording DC while current (kinds 0, 1); memory DC (kind 2)
    COLORREF background;
    HWND frame;  // kinds 0, 1
    DWORD child_style;
    HENHMETAFILE picture;  // kinds 0, 1: everything drawn so far, with recent
    HENHMETAFILE recent;   // kinds 0, 1: recordings closed since picture was joined with them; painted after it
    HWND statusbar;
    HWND progressbar;
    HWND child;  // kind 0: the drawing child
    double x_origin, y_origin;
    int buffer_height, buffer_width;
    HBITMAP bitmap, previous_bitmap;
    _bmap* image;  // kind 4, owned
    // Kinds 0, 1: the replay cost of what the open recording holds, and
    // what it may hold before it is closed into the stored picture.
    double open_cost, open_room;
};

extern page_record* page_table[PAGE_SLOTS];
extern page_record* current_page;
extern HDC current_window_dc;
extern COLORREF new_page_background;

page_record* _page_of_frame(HWND frame);
page_record* _page_of_child(HWND child);
page_record* _create_statusbar(int page);
// The longest text a status bar part holds, terminator included: longer
// texts are cut to it when set.
enum { STATUS_TEXT_BUF = 1024 };
// A status bar part's text into out (cap bytes); false, with out empty, when
// it might not fit.
bool status_part_text(HWND bar, int part, char* out, size_t cap);

// Lays out a framed page's drawing child and status bar over its client area.
void page_layout(page_record* page);
// When `page` is the current page: closes its recording, lets go of its DCs
// and leaves no current page. Every free or re-creation of a slot runs it first.
void page_release_current(page_record* page);

// The drawing state: one set for the whole library, applied to the current
// page. The pen, brush and font are made by init_CurWnd and replaced by each
// setter, which deletes the object it replaces.
struct drawing_state {
    double line_width = 0.2;  // page units
    int pen_style = PS_SOLID;
    COLORREF pen_colour = 0, text_colour = 0, back_colour = 0xffffff;
    unsigned char fill_mask[8] = {};           // one byte per pattern row; all zero fills solid
    int font_angle = 0, font_orientation = 0;  // degrees
    BYTE italic = 0, underline = 0, strikeout = 0;
    char font_face[LF_FACESIZE] = {};  // the last face _setfont was given
    HPEN pen = nullptr;
    HBRUSH brush = nullptr;
    HFONT font = nullptr;
    point_d text_at = {0, 0};  // where _puttext writes, page units
};
extern drawing_state drawing;

// The drawing state goes with the current page: whenever a page becomes
// current (created, selected or re-selected), the library's pen, brush,
// font, text colour and background colour are selected into its DC.
void drawing_state_select(HDC dc);
void drawing_state_unselect(HDC dc);
void drawing_objects_delete();

void _buffer_dc_setup(page_record* page);

int _page_release(page_record* page);

void _paint_page(HWND window, HDC dc, HENHMETAFILE picture, page_record* page);

// Recording: close the current recording into the stored picture (its
// records appended there), and open a new recording.
void record_close(page_record* page);
void record_open(page_record* page);
// Drawing went into the current page's open recording: about this many
// records and bytes. Past what the page may hold, its recording is closed
// into the stored picture (which is kept within its bound) and opened again.
void record_drew(int records, double bytes);
// A page's whole stored picture (its recent part joined to it), and the
// stored picture let go of.
HENHMETAFILE page_picture(page_record* page);
void page_forget_picture(page_record* page);
// Plays a recording with its units on the DC's logical units.
void play_recording(HDC dc, HENHMETAFILE picture);

extern HWND console_frame;
extern HWND console_statusbar;
// Null until the console's control is first needed (console_control).
extern HWND console_edit;
extern int app_started;

extern clock_t kavtrel_start_clock;
// The idle signal for tools that drive the program (pump.cpp): a probe
// message is noted (1 when message is the probe), and the next time the
// program waits for the user the signal is given.
void idle_signal_init();
int _take_idle_probe(UINT message);
void _announce_idle();
// A message box of the program (owned by window) is open, or closed again:
// its loop is the system's, which tells no owner when it goes idle.
void _message_box_shown(bool open, HWND window);
extern HACCEL console_accel;
extern HMENU edit_popup, window_popup;
extern CHARFORMATA console_format, printf_format;
extern HFONT console_font;

// Window/accelerator pairs offered every message after the console accelerator.
enum { PAGE_ACCEL_MAX = 10 };
struct page_accel_table {
    HWND window[PAGE_ACCEL_MAX];
    HACCEL accel[PAGE_ACCEL_MAX];
    int count;
};
extern page_accel_table page_accels;

// The library's message handlers: 0 = handled, anything else = not handled.
int _console_handle_message(HWND window, WPARAM wparam, UINT message, LPARAM lparam);
int _page_handle_message(HWND window, WPARAM wparam, UINT message, LPARAM lparam);

// The console's rich-edit control, made at its first use: null when the
// console frame is gone or the control cannot be made.
HWND console_control();
void console_destroy();
void console_release_library();
extern int early_drop;

void _elapsed_text();
// The elapsed-time text for s seconds (the rules of _elapsed_text).
void elapsed_format(double seconds, char* out, size_t cap);
int _register_class(UINT style, WNDPROC proc, HBRUSH background, const char* name);
const char* _register_page_class(HBRUSH brush);
int _translate_page_accels(MSG* msg);
// One message taken in Unicode dispatched (see pump.cpp).
void _dispatch_message(const MSG* msg);
// 1 when a system command is the menu call that the release of Alt sends
// after an Alt chord that an accelerator took: the frame drops it.
int _alt_chord_menu_call(WPARAM command, LPARAM key);
HMENU _console_menu();
void _update_window_menu(HMENU popup);
void _menu_separator(HMENU menu);
void _menu_enable(UINT id, HMENU menu, int on);
void _menu_check(UINT id, HMENU menu, int on);
void _check_font_item(UINT id);
LRESULT CALLBACK _main_wndproc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK _page_wndproc(HWND, UINT, WPARAM, LPARAM);
