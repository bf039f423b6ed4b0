// The scroll view: a reduced picture of the one-image viewer shown at its
// actual size (or 1/2, 1/4, 1/8) in a pair of "nftw" child windows over the
// browser's drawing window: a view of part of the picture 1:1 and an
// overview square with the whole picture in miniature and a frame around the
// part in view. The picture scrolls while the left button is held in an edge
// third of the view or a cursor key is held.
#pragma once
#include <windows.h>

struct _bmap;

struct nftw_view {
    int step;  // pixels per scroll step
    HWND overview_window, view_window;
    int overview_x, overview_y, overview_width, overview_height;  // the miniature in the square
    int view_x, view_y, view_width, view_height;                  // the view in the parent
    int overview_slot, view_slot;
    _bmap* picture;          // owned
    int offset_x, offset_y;  // top-left of the part in view, picture pixels
    int scrolling;           // 1 while a scroll loop runs
    int side;                // the overview square's side
};

// index: the list entry whose cached thumbnail makes the overview. The view
// owns the picture from here on, even when no window could be made.
nftw_view* create_nftw_window(HWND parent, _bmap* picture, int index);
void destroy_nftw_window(nftw_view* v);
int nftw_zone_x(const nftw_view* v, int x);
int nftw_zone_y(const nftw_view* v, int y);
void nftw_scroll_loop(nftw_view* v, int dx, int dy);
void nftw_mouse_down(nftw_view* v, LPARAM position);
void nftw_key_scroll(nftw_view* v, int key);
void nftw_update_cursor(nftw_view* v);
void nftw_paint(nftw_view* v, HWND window, HDC dc);
LRESULT CALLBACK nftw_wnd_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// The picture in view to the clipboard: 1 when put.
int nftw_copy_picture(nftw_view* v);
// The grey frame of the part in view inside the overview square.
RECT nftw_overview_frame(const nftw_view* v);
