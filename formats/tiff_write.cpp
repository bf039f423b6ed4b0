// Writing TIFF files through libtiff: 24-bit RGB, 8-bit grey (min-is-white)
// and bilevel (min-is-white, CCITT Group 4), one scanline at a time (turned
// when asked), with the resolution stored as whole dots per inch.
#include "formats/tiff.h"
#include "formats/tiff_holders.h"
#include "graphics/kavtrel.h"
#include <tiffio.h>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Pixels per metre to whole dots per inch.
float dpi_of(LONG ppm) { return ppm > 0 ? (float)(int)(ppm * 0.0254 + 0.5) : 0.0f; }

void write_tiff_resolution(TIFF* tif, const turned_rows& rows)
{
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, (uint16_t)RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, dpi_of(rows.xppm));
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, dpi_of(rows.yppm));
}

enum writer_kind { WRITE_RGB, WRITE_GREY, WRITE_BILEVEL };

// Luminance times 256 of one blue-green-red pixel.
inline int luminance256(const BYTE* p) { return 54 * p[2] + 183 * p[1] + 19 * p[0]; }

void convert_row(writer_kind kind, const BYTE* in, int width, BYTE* out, size_t out_size)
{
    switch (kind) {
    case WRITE_RGB:
        for (int x = 0; x < width; x++, in += 3) {
            out[3 * x] = in[2];
            out[3 * x + 1] = in[1];
            out[3 * x + 2] = in[0];
        }
        break;
    case WRITE_GREY:
        for (int x = 0; x < width; x++, in += 3) out[x] = (BYTE)(255 - (int)(luminance256(in) / 256.0 + 0.5));
        break;
    case WRITE_BILEVEL:
        memset(out, 0, out_size);
        for (int x = 0; x < width; x++, in += 3)
            if (luminance256(in) / 256 < 128) out[x / 8] |= (BYTE)(0x80 >> (x % 8));  // dark is black (1)
        break;
    }
}

int write_tiff(const char* path, _bmap* image, writer_kind kind, int rotation)
{
    if (!image || !image->pixels || image->width <= 0 || image->height <= 0) return 0;
    tiff_file out(tiff_open(path, "w"));
    if (!out.get()) return 0;
    TIFF* tif = out.get();
    turned_rows rows(image, rotation);
    uint16_t spp = kind == WRITE_RGB ? 3 : 1;
    uint16_t bps = kind == WRITE_BILEVEL ? 1 : 8;
    uint16_t photometric = kind == WRITE_RGB ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISWHITE;
    uint16_t compression = kind == WRITE_BILEVEL ? COMPRESSION_CCITTFAX4 : COMPRESSION_NONE;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, (uint32_t)rows.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, (uint32_t)rows.height);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, spp);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bps);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, (uint16_t)ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, (uint16_t)PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    write_tiff_resolution(tif, rows);

    size_t row_size = kind == WRITE_RGB    ? (size_t)rows.width * 3
                      : kind == WRITE_GREY ? (size_t)rows.width
                                           : (size_t)rows.width / 8 + 1;
    std::vector<BYTE> row(row_size);
    for (int y = 0; y < rows.height; y++) {
        const BYTE* in = rows.row(y);
        if (!in) return 0;
        convert_row(kind, in, rows.width, row.data(), row_size);
        if (TIFFWriteScanline(tif, row.data(), (uint32_t)y, 0) != 1) return 0;
    }
    // The last strip and the directory are written here, where a failure can still be told.
    return TIFFFlush(tif) == 1 ? 1 : 0;
}

}  // namespace

int save_tiff_rgb(const char* path, _bmap* image, int rotation) { return write_tiff(path, image, WRITE_RGB, rotation); }
int save_tiff_gray(const char* path, _bmap* image, int rotation)
{
    return write_tiff(path, image, WRITE_GREY, rotation);
}
int save_tiff_bilevel(const char* path, _bmap* image, int rotation)
{
    return write_tiff(path, image, WRITE_BILEVEL, rotation);
}
