// Reading TIFF files through libtiff: the probe hook and the load hook, which
// decodes 8-bit RGB (contiguous samples), 8- and 4-bit palette and 8-, 4- and
// 1-bit grey images scanline by scanline into the 24-bit _bmap. Tiled files
// and other layouts are refused rather than read as garbage.
#include "formats/tiff_guard.h"
#include "formats/tiff.h"
#include "graphics/bmap.h"
#include <tiffio.h>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// Dots per unit rounded to whole dots per inch; absurd or broken values are
// clamped instead of overflowing the conversion.
int resolution_dpi(float value, double per_inch)
{
    double v = (double)value * per_inch + 0.5;
    if (!(v > 0)) return 0;                 // also NaN
    if (v > 1000000.0) return 1000000;
    return (int)v;
}

void read_tiff_resolution(TIFF* tif, int* xdpi, int* ydpi)
{
    *xdpi = *ydpi = 0;
    uint16_t unit = 0;
    float x = 0, y = 0;
    if (!TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit) || !TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x) ||
        !TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y))
        return;
    double per_inch = unit == RESUNIT_INCH ? 1.0 : unit == RESUNIT_CENTIMETER ? 2.54 : 0.0;
    if (per_inch == 0.0) return;
    *xdpi = resolution_dpi(x, per_inch);
    *ydpi = resolution_dpi(y, per_inch);
}

// The colour map as 8-bit values: a map with any entry of 256 or more holds
// 16-bit values and is narrowed to the high bytes.
bool read_colour_map(TIFF* tif, int bps, BYTE* red, BYTE* green, BYTE* blue)
{
    uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b) || !r || !g || !b) return false;
    int n = 1 << bps;
    bool wide = false;
    for (int i = 0; i < n; i++)
        if (r[i] >= 256 || g[i] >= 256 || b[i] >= 256) wide = true;
    int shift = wide ? 8 : 0;
    for (int i = 0; i < n; i++) {
        red[i] = (BYTE)(r[i] >> shift);
        green[i] = (BYTE)(g[i] >> shift);
        blue[i] = (BYTE)(b[i] >> shift);
    }
    return true;
}

enum decoding { NONE, RGB8, PALETTE8, PALETTE4, GREY8, GREY4, GREY1 };

// Index x of a row of 4-bit samples: high nibble first.
inline int nibble(const BYTE* row, int x) { return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F; }

}  // namespace

int probe_tiff_file(const char* path, int* width, int* height, int* xdpi, int* ydpi)
{
    tiff_guard t(TIFFOpen(path, "r"));
    if (!t.tif) return 0;
    uint32_t w = 0, h = 0;
    if (!TIFFGetField(t.tif, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(t.tif, TIFFTAG_IMAGELENGTH, &h)) return 0;
    if (w > 0x7FFFFFFF || h > 0x7FFFFFFF) return 0;
    *width = (int)w;
    *height = (int)h;
    if (xdpi && ydpi) read_tiff_resolution(t.tif, xdpi, ydpi);
    return 1;
}

_bmap* load_tiff_file(const char* path)
{
    tiff_guard t(TIFFOpen(path, "r"));
    TIFF* tif = t.tif;
    if (!tif) return nullptr;
    uint32_t w = 0, h = 0;
    uint16_t spp = 1, bps = 1, photometric = 0xFFFF, planar = PLANARCONFIG_CONTIG;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h)) return nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    // Scanline reading does not work on tiles.
    if (TIFFIsTiled(tif)) return nullptr;
    if (!_bmap_size_ok(w, h)) return nullptr;

    decoding kind = NONE;
    size_t needed = 0;   // bytes of a scanline the conversion reads
    if (photometric == PHOTOMETRIC_RGB && bps == 8) {
        // Samples must be interleaved and at least red, green and blue.
        if (planar == PLANARCONFIG_CONTIG && spp >= 3) {
            kind = RGB8;
            needed = (size_t)w * spp;
        }
    } else if (photometric == PHOTOMETRIC_PALETTE && bps == 8) {
        kind = PALETTE8;
        needed = w;
    } else if (photometric == PHOTOMETRIC_PALETTE && bps == 4) {
        kind = PALETTE4;
        needed = ((size_t)w + 1) / 2;
    } else if (spp == 1) {
        if (bps == 8) kind = GREY8, needed = w;
        else if (bps == 4) kind = GREY4, needed = ((size_t)w + 1) / 2;
        else if (bps == 1) kind = GREY1, needed = ((size_t)w + 7) / 8;
    }
    if (kind == NONE) return nullptr;

    BYTE red[256], green[256], blue[256];
    if (kind == PALETTE8 || kind == PALETTE4) {
        if (!read_colour_map(tif, bps, red, green, blue)) return nullptr;
    } else if (kind == GREY4) {
        for (int i = 0; i < 16; i++) {
            BYTE v = (BYTE)(photometric == PHOTOMETRIC_MINISWHITE ? 255 - i * 17 : i * 17);
            red[i] = green[i] = blue[i] = v;
        }
    }

    tmsize_t line = TIFFScanlineSize(tif);
    if (line <= 0 || (size_t)line < needed) return nullptr;
    tiff_buffer buffer;
    buffer.data = (BYTE*)_TIFFmalloc(line);
    if (!buffer.data) return nullptr;
    memset(buffer.data, 0, (size_t)line);

    _bmap* image = _bmap_new((int)w, (int)h);
    if (!image) return nullptr;
    memset(image->pixels, 0, (size_t)image->size);
    const BYTE* in = buffer.data;
    for (uint32_t y = 0; y < h; y++) {
        // A failed read leaves the buffer as it was; the row is converted anyway.
        TIFFReadScanline(tif, buffer.data, y, 0);
        BYTE* out = image->pixels + (size_t)y * image->stride;
        for (uint32_t x = 0; x < w; x++, out += 3) {
            switch (kind) {
            case RGB8:
                out[2] = in[spp * x];
                out[1] = in[spp * x + 1];
                out[0] = in[spp * x + 2];
                break;
            case PALETTE8:
            case PALETTE4:
            case GREY4: {
                int i = kind == PALETTE8 ? in[x] : nibble(in, (int)x);
                out[2] = red[i];
                out[1] = green[i];
                out[0] = blue[i];
                break;
            }
            case GREY8: {
                BYTE v = photometric == PHOTOMETRIC_MINISWHITE ? 255 - in[x] : in[x];
                out[0] = out[1] = out[2] = v;
                break;
            }
            case GREY1: {
                bool set = (in[x / 8] & (0x80 >> (x % 8))) != 0;
                BYTE v = (photometric == PHOTOMETRIC_MINISWHITE) != set ? 255 : 0;
                out[0] = out[1] = out[2] = v;
                break;
            }
            case NONE: break;
            }
        }
    }

    int xdpi, ydpi;
    read_tiff_resolution(tif, &xdpi, &ydpi);
    image->header.biXPelsPerMeter = (LONG)(xdpi * 100 / 2.54 + 0.5);
    image->header.biYPelsPerMeter = (LONG)(ydpi * 100 / 2.54 + 0.5);
    return image;
}
