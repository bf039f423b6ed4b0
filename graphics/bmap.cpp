// The _bmap image: allocation, header and the live-image counter.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"
#include "base/holders.h"
#include <cstdlib>
#include <cstring>
#include <new>

int bmap_live_count = 0;

static int padded_stride(long long width) { return (int)(((width * 24 + 31) / 32) * 4); }

// The pixels of the last large image freed while spare pixels are kept: the
// next image of the same byte size takes them, with no fresh allocation
// (nor its probe) and no page faults on the first writes.
static BYTE* spare_pixels;
static long long spare_bytes;
static int spare_kept;
enum { SPARE_MIN_BYTES = 1024 * 1024 };

static BYTE* take_spare(long long bytes)
{
    if (!spare_pixels || spare_bytes != bytes) return nullptr;
    BYTE* p = spare_pixels;
    spare_pixels = nullptr;
    spare_bytes = 0;
    return p;
}

static void drop_spare()
{
    free(spare_pixels);
    spare_pixels = nullptr;
    spare_bytes = 0;
}

void bmap_keep_spare(int on)
{
    spare_kept = on;
    if (!on) drop_spare();
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
    pixels = nullptr;
    if (bmap_size_ok(w, h)) pixels = take_spare(bytes);
    if (!pixels && bmap_size_ok(w, h)) pixels = (BYTE*)malloc((size_t)bytes);
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
        if (spare_kept && size >= SPARE_MIN_BYTES) {
            drop_spare();
            spare_pixels = pixels;
            spare_bytes = size;
        } else {
            free(pixels);
        }
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
    if (!(spare_pixels && spare_bytes == bytes) && !can_allocate((size_t)bytes)) return nullptr;
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
