// The program's one image type: 24-bit, top-down, rows padded to 4 bytes,
// with an embedded bitmap header ready for the system's DIB calls.
#pragma once
#include <windows.h>
#include <cstdio>

struct _bmap {
    int width;
    int height;
    int stride;
    BYTE* pixels;           // top-down rows, blue green red
    int size;
    int bpp;                // always 24
    BITMAPINFOHEADER header;
    int reserved;
    int not_owner;          // 1 when another object took the pixels over

    _bmap(int width, int height);
    ~_bmap();
    void init_header();
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "bitmap header is 40 bytes");
static_assert(sizeof(_bmap) == 6 * 4 + 40 + 8, "_bmap layout");

// Largest image the program accepts, in bytes of pixels (a 32-bit process).
enum { BMAP_MAX_BYTES = 512 * 1024 * 1024 };

// True when a width x height 24-bit image has a sane, non-overflowing size.
// Every loader checks claimed sizes with it before constructing a _bmap.
bool _bmap_size_ok(long long width, long long height);
// A new image, or null when the size is refused (instead of the fatal report).
_bmap* _bmap_new(int width, int height);
// Live images (those whose pixel arrays are allocated).
extern int bmap_live_count;

void _bmap_delete(_bmap* b);
int _bmap_count_colors(_bmap* b);
_bmap* _bmap_from_dib(const BITMAPINFOHEADER* dib, const void* bits);
_bmap* _bmap_read_bmp(const char* path);
_bmap* _bmap_load_bmp(const char* path);
_bmap* _bmap_from_buffer(int slot);
int _page_from_bmap(int slot, _bmap* b);
int _page_from_clipboard(int slot);
int _page_load_bmp(int slot, FILE* file);
void _page_fill(int slot, COLORREF colour);
int _page_load_icon(int slot, const char* path);
int _image_info(const char* path, int* width, int* height, int* xres, int* yres);
_bmap* _bmap_load(const char* path, int flag, double scale);
int _bmp_info(const char* path, int* width, int* height, int* xres, int* yres);
int _icon_info(const char* path, int* width, int* height, int* xres, int* yres);
int _cursor_info(const char* path, int* width, int* height, int* xres, int* yres);
