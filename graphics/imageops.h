// Image operations on _bmap: reduction (area weighting, bilinear, integer
// divisor) with optional quarter and half turns, rotation, the icon image of
// a file, clipboard transfer and BMP output.
#pragma once
#include <windows.h>
#include <cstdio>
#include "base/holders.h"
#include "graphics/metafile.h"

struct _bmap;

// Rotation codes of the scaling calls: 0 none, 1 a quarter turn
// counter-clockwise, -1 clockwise, 2 and -2 a half turn.
enum { ROTATE_NONE = 0, ROTATE_CCW = 1, ROTATE_CW = -1, ROTATE_HALF = 2 };

int _zoom_size(_bmap* b, double f, int* width, int* height);
_bmap* _bmap_scale(double f, double tolerance, _bmap* b);
_bmap* _bmap_zoom(_bmap* b, int rotation, double f);
_bmap* _bmap_shrink(_bmap* b, int divisor, int rotation);
_bmap* _bmap_reduce_bilinear(_bmap* b, int rotation, double f);
_bmap* _bmap_rotate(_bmap* b, int angle);

// The rows of an image turned by a rotation code, as a writer takes them:
// the image's own rows when it is not turned, else made a band at a time, so
// that a turned picture is written without a second copy of it. Size and
// resolution are the turned picture's, as _bmap_rotate would give them.
struct turned_rows {
    turned_rows(const _bmap* b, int rotation);
    // Row y (0 <= y < height): width pixels of blue, green, red, good until
    // the next call; null when no band could be had.
    const BYTE* row(int y);

    int width = 0, height = 0;
    LONG xppm = 0, yppm = 0;

private:
    void fill_band(int first, int last);
    const _bmap* b_;
    int rotation_;
    int band_rows_ = 1, first_ = -1;
    heap_buffer<BYTE> band_;
};

// The file's associated icon (an icon or cursor file's own) drawn on a new
// image of at most the icon size.
_bmap* _bmap_icon_image(const char* path);
// The shell's icon for the path (own icon for ".ICO" and ".CUR"); null when none.
HICON file_icon(const char* path);

HGLOBAL _bmap_to_packed_dib(_bmap* b, size_t* size);
int _bmap_to_clipboard(_bmap* b);
int _bmp_file_to_clipboard(const char* path);
int _file_to_clipboard(const char* path);
// Writes b, turned by the rotation code, as a bottom-up BMP a row at a time
// and closes the file; 0 when any write failed.
int _bmap_save_bmp(_bmap* b, FILE* file, int rotation = ROTATE_NONE);
// A metafile put on the clipboard as CF_METAFILEPICT with the given mapping
// and extents; the clipboard takes it over, or it is deleted here.
int metafile_pict_to_clipboard(HWND owner, HMETAFILE picture, LONG mapping, LONG x_ext, LONG y_ext);
// A page's stored picture, put on the clipboard as CF_METAFILEPICT sized by
// the window's client area.
int _page_copy(HENHMETAFILE picture, HWND window);

// The extension of a path (from its last ".", double-byte aware), or null.
const char* path_extension(const char* path);
// True when the extension equals one of the texts (case-insensitive).
bool extension_is(const char* ext, const char* a, const char* b = nullptr, const char* c = nullptr,
                  const char* d = nullptr);
