// Reading TIFF files through libtiff: the probe hook and the load hook, which
// decodes 8-bit RGB (contiguous samples), 8- and 4-bit palette and 8-, 4- and
// 1-bit grey images a strip at a time into the 24-bit _bmap. Tiled files
// and other layouts are refused rather than read as garbage.
#include "formats/tiff_holders.h"
#include "formats/tiff.h"
#include "formats/internal.h"
#include "graphics/kavtrel.h"
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
    if (!(v > 0)) return 0;  // also NaN
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

// Largest strip held whole; a bigger one is read a scanline at a time, so a
// single-strip page does not need a second copy of itself in memory.
enum { MOST_STRIP_BYTES = 32 * 1024 * 1024 };

// How the rows of a page become blue-green-red pixels.
struct row_format {
    decoding kind = NONE;
    int spp = 1;
    bool min_is_white = false;
    BYTE red[256], green[256], blue[256];
};

// Index x of a row of 4-bit samples: high nibble first.
inline int nibble(const BYTE* row, int x) { return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F; }

void convert_row(const row_format& f, const BYTE* in, BYTE* out, uint32_t w)
{
    for (uint32_t x = 0; x < w; x++, out += 3) {
        switch (f.kind) {
        case RGB8:
            out[2] = in[f.spp * x];
            out[1] = in[f.spp * x + 1];
            out[0] = in[f.spp * x + 2];
            break;
        case PALETTE8:
        case PALETTE4:
        case GREY4: {
            int i = f.kind == PALETTE8 ? in[x] : nibble(in, (int)x);
            out[2] = f.red[i];
            out[1] = f.green[i];
            out[0] = f.blue[i];
            break;
        }
        case GREY8: {
            BYTE v = f.min_is_white ? 255 - in[x] : in[x];
            out[0] = out[1] = out[2] = v;
            break;
        }
        case GREY1: {
            bool set = (in[x / 8] & (0x80 >> (x % 8))) != 0;
            BYTE v = f.min_is_white != set ? 255 : 0;
            out[0] = out[1] = out[2] = v;
            break;
        }
        case NONE: break;
        }
    }
}

// Every row of the page into the image: one decode per strip, then its rows
// converted. False on any read that does not give all its rows: a page that
// does not decode is no image.
bool read_rows(TIFF* tif, _bmap* image, tmsize_t line, const row_format& f)
{
    uint32_t h = (uint32_t)image->height, rows = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rows);
    if (rows == 0 || rows > h) rows = h;
    bool whole_strips = (unsigned long long)line * rows <= MOST_STRIP_BYTES;
    if (!whole_strips) rows = 1;
    tiff_buffer buffer;
    buffer.reset((BYTE*)_TIFFmalloc(line * (tmsize_t)rows));
    if (!buffer.get()) return false;
    for (uint32_t y = 0; y < h; y += rows) {
        uint32_t n = h - y < rows ? h - y : rows;
        if (whole_strips) {
            tmsize_t want = line * (tmsize_t)n;
            if (TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, y, 0), buffer.get(), want) != want) return false;
        } else if (TIFFReadScanline(tif, buffer.get(), y, 0) != 1) {
            return false;
        }
        for (uint32_t r = 0; r < n; r++)
            convert_row(f, buffer.get() + (size_t)r * line, image->pixels + (size_t)(y + r) * image->stride,
                        (uint32_t)image->width);
    }
    return true;
}

// The page's decoded strips against the bytes its strips hold, at its
// compression's best ratio: a page that could not come from them has a
// damaged size. Compressions without a known floor are not judged.
bool strips_hold_page(TIFF* tif)
{
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    double most;
    switch (compression) {
    case COMPRESSION_NONE: most = 1; break;
    case COMPRESSION_PACKBITS: most = PACKBITS_MOST; break;
    case COMPRESSION_LZW: most = LZW_MOST; break;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE: most = DEFLATE_MOST; break;
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW:
    case COMPRESSION_CCITTFAX3:
    case COMPRESSION_CCITTFAX4: most = FAX_ROWS_MOST * (double)TIFFScanlineSize64(tif); break;
    default: return true;
    }
    uint64_t* counts = nullptr;
    if (TIFFIsTiled(tif) || !TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts) || !counts) return true;
    double held = 0;
    for (uint32_t s = 0, n = TIFFNumberOfStrips(tif); s < n; s++) held += (double)counts[s];
    // The counts are the file's word; the file itself is the bound.
    double size = (double)TIFFGetSizeProc(tif)(TIFFClientdata(tif));
    if (held > size) held = size;
    uint32_t h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    return (double)TIFFScanlineSize64(tif) * h <= held * most;
}

}  // namespace

int probe_tiff_file(const char* path, int* width, int* height, int* xdpi, int* ydpi)
{
    tiff_file t(tiff_open(path, "r"));
    if (!t.get()) return 0;
    uint32_t w = 0, h = 0;
    if (!TIFFGetField(t.get(), TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(t.get(), TIFFTAG_IMAGELENGTH, &h)) return 0;
    if (w > 0x7FFFFFFF || h > 0x7FFFFFFF || !strips_hold_page(t.get())) return 0;
    *width = (int)w;
    *height = (int)h;
    if (xdpi && ydpi) read_tiff_resolution(t.get(), xdpi, ydpi);
    return 1;
}

_bmap* load_tiff_file(const char* path)
{
    tiff_file t(tiff_open(path, "r"));
    TIFF* tif = t.get();
    if (!tif) return nullptr;
    uint32_t w = 0, h = 0;
    uint16_t spp = 1, bps = 1, photometric = 0xFFFF, planar = PLANARCONFIG_CONTIG, compression = COMPRESSION_NONE;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h)) return nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    // Strip reading does not work on tiles.
    if (TIFFIsTiled(tif)) return nullptr;
    if (!bmap_size_ok(w, h) || !strips_hold_page(tif)) return nullptr;
    // JPEG-compressed YCbCr: the codec converts to RGB.
    if (compression == COMPRESSION_JPEG && photometric == PHOTOMETRIC_YCBCR && spp == 3 &&
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB))
        photometric = PHOTOMETRIC_RGB;

    row_format f;
    f.spp = spp;
    f.min_is_white = photometric == PHOTOMETRIC_MINISWHITE;
    size_t needed = 0;  // bytes of a scanline the conversion reads
    if (photometric == PHOTOMETRIC_RGB && bps == 8) {
        // Samples must be interleaved: red, green and blue and a few extra
        // ones. More is no image this reader knows, only a huge scanline.
        if (planar == PLANARCONFIG_CONTIG && spp >= 3 && spp <= 8) {
            f.kind = RGB8;
            needed = (size_t)w * spp;
        }
    } else if (photometric == PHOTOMETRIC_PALETTE && spp == 1 && bps == 8) {
        f.kind = PALETTE8;
        needed = w;
    } else if (photometric == PHOTOMETRIC_PALETTE && spp == 1 && bps == 4) {
        f.kind = PALETTE4;
        needed = ((size_t)w + 1) / 2;
    } else if (spp == 1) {
        if (bps == 8)
            f.kind = GREY8, needed = w;
        else if (bps == 4)
            f.kind = GREY4, needed = ((size_t)w + 1) / 2;
        else if (bps == 1)
            f.kind = GREY1, needed = ((size_t)w + 7) / 8;
    }
    if (f.kind == NONE) return nullptr;

    if (f.kind == PALETTE8 || f.kind == PALETTE4) {
        if (!read_colour_map(tif, bps, f.red, f.green, f.blue)) return nullptr;
    } else if (f.kind == GREY4) {
        for (int i = 0; i < 16; i++) {
            BYTE v = (BYTE)(f.min_is_white ? 255 - i * 17 : i * 17);
            f.red[i] = f.green[i] = f.blue[i] = v;
        }
    }

    tmsize_t line = TIFFScanlineSize(tif);
    if (line <= 0 || (size_t)line < needed) return nullptr;
    _bmap* image = bmap_new((int)w, (int)h);
    if (!image) return nullptr;
    memset(image->pixels, 0, (size_t)image->size);
    if (!read_rows(tif, image, line, f)) {
        _bmap_delete(image);
        return nullptr;
    }

    int xdpi, ydpi;
    read_tiff_resolution(tif, &xdpi, &ydpi);
    image->header.biXPelsPerMeter = (LONG)(xdpi * 100 / 2.54 + 0.5);
    image->header.biYPelsPerMeter = (LONG)(ydpi * 100 / 2.54 + 0.5);
    return image;
}
