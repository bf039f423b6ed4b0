// The program's one image type: 24-bit, top-down, rows padded to 4 bytes,
// with an embedded bitmap header ready for the system's DIB calls.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdio>
#include <vector>

struct _bmap {
    int width;
    int height;
    int stride;
    BYTE* pixels;  // top-down rows, blue green red
    int size;
    int bpp;  // always 24
    BITMAPINFOHEADER header;
    int reserved;
    int not_owner;  // 1 when another object took the pixels over

    _bmap(int width, int height);
    ~_bmap();
    // One owner per image: a copy would free the pixels twice. The pixels
    // change hands only through bmap_take_over.
    _bmap(const _bmap&) = delete;
    _bmap& operator=(const _bmap&) = delete;
    struct take_over {};
    _bmap(_bmap& from, take_over);
    void init_header();
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "bitmap header is 40 bytes");
static_assert(sizeof(_bmap) == 6 * 4 + 40 + 8, "_bmap layout");

// Largest image the program accepts, in bytes of pixels (a 32-bit process).
enum { BMAP_MAX_BYTES = 512 * 1024 * 1024 };

// True when a width x height 24-bit image has a sane, non-overflowing size.
// Every loader checks claimed sizes with it before constructing a _bmap.
bool bmap_size_ok(long long width, long long height);
// True when `bytes` can be allocated now. Large blocks sized from a file are
// probed first, so that running out of memory is a failed load rather than an
// exception or the fatal report.
bool can_allocate(size_t bytes);
// A new image, or null when the size is refused (instead of the fatal report).
_bmap* bmap_new(int width, int height);
// Live images (those whose pixel arrays are allocated).
extern int bmap_live_count;
// The pixels of large images that are freed are kept for the next images of
// the same byte sizes until the program goes idle (bmap_idle); while on, also
// across idle time (the viewer prepares its next picture then); off frees them.
void bmap_keep_spare(int on);
// The program waits for the user: kept pixels go back unless held.
void bmap_idle();

void _bmap_delete(_bmap* b);
// A new image record that owns from's pixels; from is marked as no longer their owner.
_bmap* bmap_take_over(_bmap* from);
int _bmap_count_colors(_bmap* b);
// A packed DIB (header, colour table, bits) of `length` readable bytes; when
// `bits` is given the rows are read from there instead (bits_length bytes).
// Headers of 12 (OS/2), 40, 52, 56, 64, 108 and 124 bytes are understood.
_bmap* _bmap_from_dib(const void* dib, size_t length, const void* bits = nullptr, size_t bits_length = 0);
_bmap* _bmap_read_bmp(const char* path);
_bmap* _bmap_load_bmp(const char* path);
_bmap* _bmap_from_buffer(int slot);
int _page_from_bmap(int slot, _bmap* b);
int _page_from_clipboard(int slot);
int _page_load_bmp(int slot, FILE* file);
void _page_fill(int slot, COLORREF colour);
int _page_load_icon(int slot, const char* path);
int _image_info(const char* path, int* width, int* height, int* xres, int* yres);
// The probe of the file's own format, without the icon's size in its place:
// 1 with the size; 0 when the format's reader looked at the file and could
// not read its size (a damaged or foreign file); PROBE_NO_READER when the
// kind's reader is not there to look (no PDF server, no plug-in for the
// extension, no hook installed): the file is not known to be damaged.
// A probe hook answers the same three ways.
enum { PROBE_NO_READER = -1 };
int _image_probe(const char* path, int* width, int* height, int* xres, int* yres);
_bmap* _bmap_load(const char* path, int flag, double scale);

// The largest picture a metafile is drawn at to be shown (in a cell, the
// viewer or a print cell), in pixels across and down: a request larger than
// that is drawn at this bound, its proportions kept. 0 x 0 is the screen;
// printing sets a print cell's printer pixels for the scope of a cell. A
// metafile loaded whole for saving is not held to it.
struct metafile_bound_record {
    int width, height;
};
extern metafile_bound_record metafile_bound;
int _bmp_info(const char* path, int* width, int* height, int* xres, int* yres);
int _icon_info(const char* path, int* width, int* height, int* xres, int* yres);
int _cursor_info(const char* path, int* width, int* height, int* xres, int* yres);

// The checked layout of a DIB: every pointer lies inside the block it came
// from, and the rows fit. Only uncompressed and bit-field DIBs pass.
struct dib_layout {
    DWORD header_size;  // 12 for the OS/2 header
    int width, height;  // height > 0
    bool bottom_up;
    int bpp;
    DWORD compression;  // BI_RGB or BI_BITFIELDS
    int colours;        // colour-table entries present
    int entry_size;     // 4, or 3 for the OS/2 header
    const BYTE* table;
    const BYTE* bits;
    size_t row_bytes;
    LONG xppm, yppm;
};
bool read_dib_layout(const void* dib, size_t length, const void* bits, size_t bits_length, dib_layout* out);

// Reads a BMP file's contents after its 14-byte file header (starting at the
// file's position): "BM" required, bfSize checked against the file's length.
// *bits_offset is where the rows start inside the block (0: after the table).
bool bmp_read_block(FILE* file, std::vector<BYTE>& block, size_t* bits_offset);
// The slot becomes a buffer holding the checked DIB; 1 when every row was set.
int page_from_dib_checked(int slot, const void* dib, size_t length, size_t bits_offset);
// The screen's LOGPIXELSX and LOGPIXELSY (console frame's window DC).
void screen_dpi(int* xdpi, int* ydpi);
// trunc(dpi x 100 / 2.54 + 0.5): dots per inch to pixels per metre.
LONG dpi_to_ppm(double dpi);
