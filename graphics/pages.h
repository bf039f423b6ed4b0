// Numbered pages: framed windows, full-screen windows, memory buffers and
// image slots, with their drawing state, recording metafile and status bars.
#pragma once
#include <windows.h>

struct _bmap;

enum page_kind { PAGE_FRAMED = 0, PAGE_FULLSCREEN = 1, PAGE_BUFFER = 2, PAGE_IMAGE = 4 };
enum { PAGE_SLOTS = 4000 };

int _newpage(int page, double x, double y, double width, double height);
int _newpage_fullscreen(int page, COLORREF colour);
int _selectpage(int erase, int page);
int _hide_fullscreen_pages();
int _setbkcolor(COLORREF colour);
int _page_move(int page, double x, double y);
int _page_resize(int page, double width, double height, const char* title);
HWND _page_hwnd(int page);
int _page_number_of(HWND frame);
int _statusbar_set(int page, const char* text);
int _status_printf(int page, const char* fmt, ...);
void _status_text(int page, const char* fmt, ...);
void _progress(int page, double value, double low, double high);
[[noreturn]] void _fatal(const char* message, const char* function);
void _page_invalidate(int erase);
int _fit_client(HWND frame, double width, double height);
// Closes the current recording, deletes the drawing objects, frees every slot.
void pages_shutdown();
// The full-screen class in use ("" before the first full-screen page).
const char* fullscreen_class_name();
// Progress percentage for value in low..high, clamped to 0..100.
int progress_percent(double value, double low, double high);

// Drawing state, primitives, recording and buffers.
struct page_info {
    int kind;
    double width, height;
    HDC dc;
    HBITMAP bitmap;
    HBITMAP* bitmap_field;
    _bmap* image;
};
struct text_size {
    double width, height;
};
struct point_d {
    double x, y;
};

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
// The bitmap selected in `source` (width x height) stretched into dc at
// (x, y) with size (w, h), SRCCOPY; into an enhanced metafile (a page's
// recording, a print page) as the bitmap's pixels, which leaves nothing behind.
void stretch_bitmap_into(HDC dc, int x, int y, int w, int h, HDC source, HBITMAP bitmap, int width, int height);
int _newbuffer(int slot, int width, int height);
int _newbuffer_auto(int width, int height);
int _count_buffers();
int _page_set_bmap(int slot, _bmap* b);
int _page_free(int slot);
void _page_free_at(int* slot);
int _page_to_bmap(int slot);
int _page_from_dib(int slot, const BITMAPINFOHEADER* dib);
page_info _page_info(int slot);
INT_PTR CALLBACK _title_dlgproc(HWND, UINT, WPARAM, LPARAM);
