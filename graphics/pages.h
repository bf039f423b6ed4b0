// Numbered pages: framed windows, full-screen windows, memory buffers and
// image slots, with their drawing state, recording metafile and status bars.
#pragma once
#include <windows.h>

struct _bmap;

enum page_kind { PAGE_FRAMED = 0, PAGE_FULLSCREEN = 1, PAGE_BUFFER = 2, PAGE_IMAGE = 4 };
enum { PAGE_SLOTS = 4000 };

struct page_record {
    int number;
    int kind;               // page_kind
    HDC dc;                 // recording DC while current (kinds 0, 1); memory DC (kind 2)
    COLORREF background;
    HWND frame;             // kinds 0, 1
    DWORD child_style;
    HENHMETAFILE picture;   // kinds 0, 1: everything drawn so far
    HWND statusbar;
    HWND progressbar;
    HWND child;             // kind 0: the drawing child
    double x_origin, y_origin;
    int buffer_height, buffer_width;
    HBITMAP bitmap, previous_bitmap;
    _bmap* image;           // kind 4, owned
};

extern page_record* page_table[PAGE_SLOTS];
extern page_record* current_page;
extern HDC current_window_dc;
extern COLORREF new_page_background;

int _newpage(int page, double x, double y, double width, double height);
int _newpage_fullscreen(int page, COLORREF colour);
int _selectpage(int erase, int page);
int _hide_fullscreen_pages();
int _setbkcolor(COLORREF colour);
int _page_move(int page, double x, double y);
int _page_resize(int page, double width, double height, const char* title);
HWND _page_hwnd(int page);
int _page_number_of(HWND frame);
page_record* _page_of_frame(HWND frame);
page_record* _page_of_child(HWND child);
page_record* _create_statusbar(int page);
int _statusbar_set(int page, const char* text);
int _status_printf(int page, const char* fmt, ...);
void _status_text(int page, const char* fmt, ...);
void _progress(int page, double value, double low, double high);
[[noreturn]] void _fatal(const char* message, const char* function);
void _page_invalidate(int erase);
int _fit_client(HWND frame, double width, double height);
// Lays out a framed page's drawing child and status bar over its client area.
void _page_layout(page_record* page);
// When `page` is the current page: closes its recording, lets go of its DCs
// and leaves no current page. Every free or re-creation of a slot runs it first.
void _page_release_current(page_record* page);
// Closes the current recording, deletes the drawing objects, frees every slot.
void _pages_shutdown();
// The full-screen class in use ("" before the first full-screen page).
const char* _fullscreen_class_name();
// Progress percentage for value in low..high, clamped to 0..100.
int _progress_percent(double value, double low, double high);

// Drawing state, primitives, recording and buffers.
struct page_info {
    int kind;
    double width, height;
    HDC dc;
    HBITMAP bitmap;
    HBITMAP* bitmap_field;
    _bmap* image;
};
struct text_size { double width, height; };
struct point_d { double x, y; };

extern double draw_line_width;
extern int draw_pen_style;
extern COLORREF draw_pen_colour, draw_text_colour, draw_back_colour;
extern unsigned char draw_fill_mask[8];
extern int draw_font_angle, draw_font_orientation;
extern BYTE draw_italic, draw_underline, draw_strikeout;
extern char draw_font_face[LF_FACESIZE];
extern HPEN draw_pen;
extern HBRUSH draw_brush;
extern HFONT draw_font;

// The drawing state goes with the current page: whenever a page becomes
// current (created, selected or re-selected), the library's pen, brush,
// font, text colour and background colour are selected into its DC.
void _drawing_state_select(HDC dc);
void _drawing_state_unselect(HDC dc);
void _drawing_objects_delete();

void init_CurWnd();
void _page_defaults();
void _clearscreen(int flags);
int _rectangle(int mode, double x1, double y1, double x2, double y2);
COLORREF _setcolor(COLORREF colour);
void _setfillmask();
COLORREF _settextcolor(COLORREF colour);
point_d _moveto(double x, double y);
text_size _text_extent(const char* text);
void _puttext(const char* text, int background_mode);
int _setfont(const char* description);
int _replay_page(int page, double x, double y);
void _drawpage(int slot, double x, double y, double scale);
void _draw_bmap(_bmap* b, double x, double y, double scale);
int _newbuffer(int slot, int width, int height);
int _newbuffer_auto(int width, int height);
void _buffer_dc_setup(page_record* page);
int _count_buffers();
int _page_set_bmap(int slot, _bmap* b);
int _page_release(page_record* page);
int _page_free(int slot);
void _page_free_at(int* slot);
int _page_to_bmap(int slot);
int _page_from_dib(int slot, const BITMAPINFOHEADER* dib);
page_info _page_info(int slot);
void _paint_page(HWND window, HDC dc, HENHMETAFILE picture, page_record* page);
INT_PTR CALLBACK _title_dlgproc(HWND, UINT, WPARAM, LPARAM);

// Recording: close the current recording into the stored picture, and open a
// new recording that starts with the stored picture replayed.
void _record_close(page_record* page);
void _record_open(page_record* page);
// Plays a recording with its units on the DC's logical units.
void _play_recording(HDC dc, HENHMETAFILE picture);
