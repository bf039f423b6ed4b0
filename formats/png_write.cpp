// Writing PNG files through libpng: a palette writer for images of at most
// 256 colours (palette in order of first appearance, smallest depth that
// holds it), a 24-bit colour writer and an 8-bit grey writer. All use filter
// "none", zlib level 9 and pHYs in pixels per metre. Library errors jump back
// to the recovery point in write_png, which frees what it made.
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
    const BYTE* rows;  // first row, rows `row_stride` bytes apart
    size_t row_stride;
    bool bgr;  // samples in blue, green, red order
};

static int write_png(const char* path, const _bmap* image, const png_layout& layout)
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
    png_bytep* volatile rows = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        // The partial file stays, as a failed write leaves it.
        png_destroy_write_struct(&png, &info);
        fclose(file);
        free(rows);
        return 0;
    }
    png_init_io(png, file);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, image->width, image->height, layout.depth, layout.colour_type, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (layout.palette) png_set_PLTE(png, info, layout.palette, layout.palette_entries);
    png_set_pHYs(png, info, ppm_value(image->header.biXPelsPerMeter), ppm_value(image->header.biYPelsPerMeter),
                 PNG_RESOLUTION_METER);
    png_write_info(png, info);
    if (layout.depth < 8) png_set_packing(png);
    if (layout.bgr) png_set_bgr(png);

    rows = (png_bytep*)malloc(sizeof(png_bytep) * image->height);
    if (!rows) png_error(png, "out of memory");
    for (int y = 0; y < image->height; y++) rows[y] = const_cast<BYTE*>(layout.rows) + (size_t)y * layout.row_stride;
    png_write_image(png, rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    free(rows);
    return fclose(file) == 0 ? 1 : 0;
}

int save_png_rgb(const char* path, _bmap* image)
{
    if (!image_usable(image)) return 0;
    png_layout layout = {8, PNG_COLOR_TYPE_RGB, nullptr, 0, image->pixels, (size_t)image->stride, true};
    return write_png(path, image, layout);
}

int save_png_gray(const char* path, _bmap* image)
{
    if (!image_usable(image)) return 0;
    size_t w = image->width, h = image->height;
    BYTE* grey = (BYTE*)malloc(w * h);
    if (!grey) return 0;
    for (size_t y = 0; y < h; y++) {
        const BYTE* p = image->pixels + y * image->stride;
        BYTE* out = grey + y * w;
        for (size_t x = 0; x < w; x++, p += 3) out[x] = (BYTE)((183 * p[1] + 54 * p[2] + 19 * p[0]) >> 8);
    }
    png_layout layout = {8, PNG_COLOR_TYPE_GRAY, nullptr, 0, grey, w, false};
    int result = write_png(path, image, layout);
    free(grey);
    return result;
}

// The palette in order of first appearance and each pixel's index into it.
// A small hash of the colours found keeps the lookup fast; the order is the
// scan order from the top-left pixel. False when there are more than 256 colours.
static bool build_palette(const _bmap* image, BYTE* indices, png_color* palette, int* count)
{
    enum { SLOTS = 1024 };  // power of two, well above 256
    DWORD key[SLOTS];       // colour + 1; 0 = empty
    BYTE value[SLOTS];
    memset(key, 0, sizeof key);
    int n = 0;
    for (int y = 0; y < image->height; y++) {
        const BYTE* p = image->pixels + (size_t)y * image->stride;
        BYTE* out = indices + (size_t)y * image->width;
        for (int x = 0; x < image->width; x++, p += 3) {
            DWORD colour = (DWORD)p[2] << 16 | (DWORD)p[1] << 8 | p[0];
            unsigned slot = (colour * 2654435761u) >> 22;
            while (key[slot] != 0 && key[slot] != colour + 1) slot = (slot + 1) & (SLOTS - 1);
            if (key[slot] == 0) {
                if (n == 256) return false;
                key[slot] = colour + 1;
                value[slot] = (BYTE)n;
                palette[n].red = p[2];
                palette[n].green = p[1];
                palette[n].blue = p[0];
                n++;
            }
            out[x] = value[slot];
        }
    }
    *count = n;
    return true;
}

int save_png_palette(const char* path, _bmap* image)
{
    if (!image_usable(image)) return 0;
    BYTE* indices = (BYTE*)malloc((size_t)image->width * image->height);
    if (!indices) return 0;
    png_color palette[256];
    memset(palette, 0, sizeof palette);
    int n = 0;
    if (!build_palette(image, indices, palette, &n)) {
        free(indices);
        return 0;
    }
    int depth = n < 3 ? 1 : n < 5 ? 2 : n < 17 ? 4 : 8;
    png_layout layout = {depth, PNG_COLOR_TYPE_PALETTE, palette, 1 << depth, indices, (size_t)image->width, false};
    int result = write_png(path, image, layout) ? depth : 0;
    free(indices);
    return result;
}
