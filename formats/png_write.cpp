// Writing PNG files through libpng: a palette writer for images of at most
// 256 colours (palette in order of first appearance, smallest depth that
// holds it), a 24-bit colour writer and an 8-bit grey writer. All use filter
// "none", zlib level 9 and pHYs in pixels per metre, and take the picture a
// row at a time (turned when asked), holding no second copy of it. Library
// errors jump back to the recovery point in write_png, which frees what it made.
#include "formats/png.h"
#include "graphics/kavtrel.h"
#include <png.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static void png_write_error(png_structp png, png_const_charp message)
{
    fprintf(stderr, "libpng error: %s\n", message);
    png_longjmp(png, 1);
}

static void png_write_warning(png_structp, png_const_charp message)
{
    fprintf(stderr, "libpng warning: %s\n", message);
}

static bool image_usable(const _bmap* image) { return image && image->pixels && image->width > 0 && image->height > 0; }

static png_uint_32 ppm_value(LONG ppm) { return ppm > 0 ? (png_uint_32)ppm : 0; }

// What write_png puts in the file besides the rows.
struct png_layout {
    int depth;
    int colour_type;
    const png_color* palette;  // colour type 3 only
    int palette_entries;
    bool bgr;  // samples in blue, green, red order
};

// Writes the picture of `rows` (size and resolution), each row as row_of(y)
// gives it in the layout's samples (null: the write fails).
template <class Rows>
static int write_png(const char* path, const turned_rows& rows, const png_layout& layout, Rows row_of)
{
    FILE* file = fopen(path, "wb");
    if (!file) return 0;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, png_write_error, png_write_warning);
    if (!png) {
        fclose(file);
        return 0;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        fclose(file);
        return 0;
    }
    if (setjmp(png_jmpbuf(png))) {
        // The partial file stays, as a failed write leaves it.
        png_destroy_write_struct(&png, &info);
        fclose(file);
        return 0;
    }
    png_init_io(png, file);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, rows.width, rows.height, layout.depth, layout.colour_type, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (layout.palette) png_set_PLTE(png, info, layout.palette, layout.palette_entries);
    png_set_pHYs(png, info, ppm_value(rows.xppm), ppm_value(rows.yppm), PNG_RESOLUTION_METER);
    png_write_info(png, info);
    if (layout.depth < 8) png_set_packing(png);
    if (layout.bgr) png_set_bgr(png);
    for (int y = 0; y < rows.height; y++) {
        const BYTE* row = row_of(y);
        if (!row) png_error(png, "a row could not be had");
        png_write_row(png, const_cast<BYTE*>(row));
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return fclose(file) == 0 ? 1 : 0;
}

int save_png_rgb(const char* path, _bmap* image, int rotation)
{
    if (!image_usable(image)) return 0;
    turned_rows rows(image, rotation);
    png_layout layout = {8, PNG_COLOR_TYPE_RGB, nullptr, 0, true};
    return write_png(path, rows, layout, [&rows](int y) { return rows.row(y); });
}

int save_png_gray(const char* path, _bmap* image, int rotation)
{
    if (!image_usable(image)) return 0;
    turned_rows rows(image, rotation);
    heap_buffer<BYTE> grey((BYTE*)malloc((size_t)rows.width));
    if (!grey) return 0;
    png_layout layout = {8, PNG_COLOR_TYPE_GRAY, nullptr, 0, false};
    return write_png(path, rows, layout, [&rows, &grey](int y) -> const BYTE* {
        const BYTE* p = rows.row(y);
        if (!p) return nullptr;
        for (int x = 0; x < rows.width; x++, p += 3) grey.get()[x] = (BYTE)((183 * p[1] + 54 * p[2] + 19 * p[0]) >> 8);
        return grey.get();
    });
}

// The colours of a picture of at most 256, in order of first appearance from
// the top-left pixel, found through a small hash.
struct png_palette {
    enum { SLOTS = 1024 };  // power of two, well above 256
    DWORD key[SLOTS] = {};  // colour + 1; 0 = empty
    BYTE value[SLOTS];
    png_color colours[256] = {};
    int count = 0;

    // The colour's index, added when new; -1 when a 257th colour was asked for.
    int index(const BYTE* p)
    {
        DWORD colour = (DWORD)p[2] << 16 | (DWORD)p[1] << 8 | p[0];
        unsigned slot = (colour * 2654435761u) >> 22;
        while (key[slot] != 0 && key[slot] != colour + 1) slot = (slot + 1) & (SLOTS - 1);
        if (key[slot] == 0) {
            if (count == 256) return -1;
            key[slot] = colour + 1;
            value[slot] = (BYTE)count;
            colours[count] = png_color{p[2], p[1], p[0]};
            count++;
        }
        return value[slot];
    }
};

int save_png_palette(const char* path, _bmap* image, int rotation)
{
    if (!image_usable(image)) return 0;
    turned_rows rows(image, rotation);
    // The colours first; each row then becomes indices as it is written.
    png_palette palette;
    for (int y = 0; y < rows.height; y++) {
        const BYTE* p = rows.row(y);
        if (!p) return 0;
        for (int x = 0; x < rows.width; x++, p += 3)
            if (palette.index(p) < 0) return 0;
    }
    heap_buffer<BYTE> indices((BYTE*)malloc((size_t)rows.width));
    if (!indices) return 0;
    int n = palette.count, depth = n < 3 ? 1 : n < 5 ? 2 : n < 17 ? 4 : 8;
    png_layout layout = {depth, PNG_COLOR_TYPE_PALETTE, palette.colours, 1 << depth, false};
    int written = write_png(path, rows, layout, [&rows, &indices, &palette](int y) -> const BYTE* {
        const BYTE* p = rows.row(y);
        if (!p) return nullptr;
        for (int x = 0; x < rows.width; x++, p += 3) indices.get()[x] = (BYTE)palette.index(p);
        return indices.get();
    });
    return written ? depth : 0;
}
