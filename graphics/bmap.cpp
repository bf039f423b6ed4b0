// The _bmap image: allocation, header and the live-image counter.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"
#include "base/holders.h"
#include <cstdlib>
#include <cstring>
#include <new>

int bmap_live_count = 0;

static int padded_stride(long long width) { return (int)(((width * 24 + 31) / 32) * 4); }

// Pixel arrays of large images lately freed, kept for the next images of the
// same byte sizes. Fresh memory costs a page fault for every page the first
// write touches (some 15 ms for a camera photo's 36 MB, a fifth of its
// decode); kept pixels cost none. So a run of loads (the pictures of a print
// page, the thumbnails of large PNG files, the viewer's pictures) pays that
// once. An image of another large size first gives the kept pixels back, so
// that keeping never raises the peak; and they go back when the program goes
// idle, unless the viewer holds them for the picture it prepares in idle time.
enum { SPARE_MIN_BYTES = 1024 * 1024, SPARES = 2 };
static struct spare_block {
    BYTE* pixels;
    long long bytes;
} spares[SPARES];
static int spares_held;

static BYTE* take_spare(long long bytes)
{
    for (spare_block& s : spares)
        if (s.pixels && s.bytes == bytes) {
            BYTE* p = s.pixels;
            s = {};
            return p;
        }
    return nullptr;
}

static void drop_spares()
{
    for (spare_block& s : spares) {
        free(s.pixels);
        s = {};
    }
}

// Keeps freed pixels in place of the smallest kept block smaller than them.
static bool keep_spare(BYTE* pixels, long long bytes)
{
    spare_block* place = nullptr;
    for (spare_block& s : spares)
        if (!s.pixels || (s.bytes < bytes && (!place || (place->pixels && s.bytes < place->bytes)))) place = &s;
    if (!place) return false;
    free(place->pixels);
    *place = {pixels, bytes};
    return true;
}

// Large pixels for an image: kept ones of that size, else fresh ones once the
// kept ones are given back.
static BYTE* large_pixels(long long bytes)
{
    if (bytes < SPARE_MIN_BYTES) return (BYTE*)malloc((size_t)bytes);
    if (BYTE* p = take_spare(bytes)) return p;
    drop_spares();
    return (BYTE*)malloc((size_t)bytes);
}

void bmap_keep_spare(int on)
{
    spares_held = on;
    if (!on) drop_spares();
}

void bmap_idle()
{
    if (!spares_held) drop_spares();
}

bool bmap_size_ok(long long width, long long height)
{
    if (width <= 0 || height <= 0) return false;
    if (width > 65535 || height > 65535) return false;
    long long bytes = ((width * 24 + 31) / 32) * 4 * height;
    return bytes <= BMAP_MAX_BYTES;
}

_bmap::_bmap(int w, int h)
{
    memset(&header, 0, sizeof header);
    long long bytes = (long long)padded_stride(w) * h;
    pixels = bmap_size_ok(w, h) ? large_pixels(bytes) : nullptr;
    if (!pixels) _fatal("could not allocate b", "_bmap::_bmap");
    // Loaders write only the pixels of each row: the padding after them is
    // zeroed here so that no stale heap byte reaches a saved file.
    int pad = padded_stride(w) - 3 * w;
    for (int y = 0; pad && y < h; y++) memset(pixels + (size_t)y * padded_stride(w) + 3 * w, 0, (size_t)pad);
    bmap_live_count++;
    width = w;
    height = h;
    size = (int)bytes;
    bpp = 24;
    reserved = 0;
    init_header();
    not_owner = 0;
}

void screen_dpi(int* xdpi, int* ydpi)
{
    window_dc dc(console_frame);
    *xdpi = GetDeviceCaps(dc, LOGPIXELSX);
    *ydpi = GetDeviceCaps(dc, LOGPIXELSY);
}

void _bmap::init_header()
{
    stride = padded_stride(width);
    LONG xppm = header.biXPelsPerMeter, yppm = header.biYPelsPerMeter;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = -height;
    header.biPlanes = 1;
    header.biBitCount = (WORD)bpp;
    header.biCompression = BI_RGB;
    header.biSizeImage = 0;
    if (xppm == 0) {
        int xdpi, ydpi;
        screen_dpi(&xdpi, &ydpi);
        xppm = (LONG)(xdpi * 100 / 2.54 + 0.5);
        yppm = (LONG)(ydpi * 100 / 2.54 + 0.5);
    }
    header.biXPelsPerMeter = xppm;
    header.biYPelsPerMeter = yppm;
    header.biClrUsed = 0;
    header.biClrImportant = 0;
}

_bmap::~_bmap()
{
    if (not_owner == 0 && pixels) {
        width = height = 0;
        if (size < SPARE_MIN_BYTES || !keep_spare(pixels, size)) free(pixels);
        bmap_live_count--;
        pixels = nullptr;
    }
}

_bmap::_bmap(_bmap& from, take_over)
    : width(from.width), height(from.height), stride(from.stride), pixels(from.pixels), size(from.size), bpp(from.bpp),
      header(from.header), reserved(from.reserved), not_owner(from.not_owner)
{
    from.not_owner = 1;
}

_bmap* bmap_take_over(_bmap* from) { return new _bmap(*from, _bmap::take_over{}); }

bool can_allocate(size_t bytes)
{
    void* probe = malloc(bytes ? bytes : 1);
    if (!probe) return false;
    free(probe);
    return true;
}

_bmap* bmap_new(int width, int height)
{
    if (!bmap_size_ok(width, height)) return nullptr;
    long long bytes = (long long)padded_stride(width) * height;
    bool kept = false;
    for (const spare_block& s : spares) kept = kept || (s.pixels && s.bytes == bytes);
    if (!kept && bytes >= SPARE_MIN_BYTES) drop_spares();  // before the probe, which they would hinder
    if (!kept && !can_allocate((size_t)bytes)) return nullptr;
    return new (std::nothrow) _bmap(width, height);
}

void _bmap_delete(_bmap* b) { delete b; }

int _bmap_count_colors(_bmap* b)
{
    if (!b || b->bpp != 24 || !b->pixels) return 0;
    // One flag per 24-bit colour, index red * 65536 + green * 256 + blue.
    unsigned char* seen = (unsigned char*)calloc(16777216 / 8, 1);
    if (!seen) return 0;
    int count = 0;
    bool coloured = false;
    for (int y = 0; y < b->height; y++) {
        const BYTE* p = b->pixels + (size_t)y * b->stride;
        for (int x = 0; x < b->width; x++, p += 3) {
            unsigned index = (p[2] << 16) | (p[1] << 8) | p[0];
            if (!(seen[index >> 3] & (1 << (index & 7)))) {
                seen[index >> 3] |= (unsigned char)(1 << (index & 7));
                count++;
            }
            if (!coloured && (p[0] != p[1] || p[1] != p[2])) coloured = true;
        }
    }
    free(seen);
    return coloured ? count : -count;
}
