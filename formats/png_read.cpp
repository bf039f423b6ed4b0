// Reading PNG files through libpng: the probe hook (size and dots per inch) and
// the load hook, which turns every PNG kind into the 24-bit blue-green-red
// _bmap, compositing transparent pixels over the file's background or white.
// libpng reports errors through our handler, which jumps back to the recovery
// point set in each entry; no object with a destructor lives across it.
#include "formats/png.h"
#include "formats/internal.h"
#include "graphics/kavtrel.h"
#include <png.h>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

static void png_read_error(png_structp png, png_const_charp message)
{
    fprintf(stderr, "libpng error: %s\n", message);
    png_longjmp(png, 1);
}

static void png_read_warning(png_structp, png_const_charp message) { fprintf(stderr, "libpng warning: %s\n", message); }

// Opens the file and checks the 8-byte signature; null on failure.
static FILE* open_png(const char* path)
{
    FILE* file = fopen(path, "rb");
    if (!file) return nullptr;
    png_byte signature[8];
    if (fread(signature, 1, 8, file) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
        fclose(file);
        return nullptr;
    }
    return file;
}

// Creates the read and information structures; false (nothing left) on failure.
static bool create_reader(png_structp* png, png_infop* info)
{
    *png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, png_read_error, png_read_warning);
    if (!*png) return false;
    *info = png_create_info_struct(*png);
    if (!*info) {
        png_destroy_read_struct(png, nullptr, nullptr);
        return false;
    }
    return true;
}

// The rows the header describes, each with its filter byte, as the
// compressed data must give them: a file that could not hold them even at
// deflate's best ratio has a damaged header.
static bool file_holds_rows(png_structp png, png_infop info, FILE* file)
{
    double bits = (double)png_get_image_width(png, info) * png_get_channels(png, info) * png_get_bit_depth(png, info);
    double rows = (double)png_get_image_height(png, info) * (1 + std::ceil(bits / 8));
    return file_can_hold(file, rows, DEFLATE_MOST);
}

static int ppm_to_dpi(png_uint_32 ppm) { return (int)(ppm * 0.0254 + 0.5); }

int probe_png_file(const char* path, int* width, int* height, int* xdpi, int* ydpi)
{
    FILE* file = open_png(path);
    if (!file) return 0;
    png_structp png;
    png_infop info;
    if (!create_reader(&png, &info)) {
        fclose(file);
        return 0;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        fclose(file);
        return 0;
    }
    png_init_io(png, file);
    png_set_sig_bytes(png, 8);
    png_read_info(png, info);
    if (!file_holds_rows(png, info, file)) png_error(png, "image data cannot fill the image");
    *width = (int)png_get_image_width(png, info);
    *height = (int)png_get_image_height(png, info);
    *xdpi = ppm_to_dpi(png_get_x_pixels_per_meter(png, info));
    *ydpi = ppm_to_dpi(png_get_y_pixels_per_meter(png, info));
    png_destroy_read_struct(&png, &info, nullptr);
    fclose(file);
    return 1;
}

static LONG ppm_field(png_uint_32 ppm) { return ppm > (png_uint_32)LONG_MAX ? LONG_MAX : (LONG)ppm; }

_bmap* load_png_file(const char* path)
{
    FILE* file = open_png(path);
    if (!file) return nullptr;
    png_structp png;
    png_infop info;
    if (!create_reader(&png, &info)) {
        fclose(file);
        return nullptr;
    }
    _bmap* volatile image = nullptr;
    png_bytep* volatile rows = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        fclose(file);
        free(rows);
        if (image) _bmap_delete(image);
        return nullptr;
    }
    png_init_io(png, file);
    png_set_sig_bytes(png, 8);
    png_read_info(png, info);
    if (!file_holds_rows(png, info, file)) png_error(png, "image data cannot fill the image");

    png_uint_32 width, height;
    int depth, colour_type;
    png_get_IHDR(png, info, &width, &height, &depth, &colour_type, nullptr, nullptr, nullptr);
    if (depth == 16) png_set_strip_16(png);
    if (colour_type == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
        png_set_bgr(png);
    }
    if (colour_type == PNG_COLOR_TYPE_GRAY || colour_type == PNG_COLOR_TYPE_GRAY_ALPHA) {
        if (depth < 8) png_set_expand_gray_1_2_4_to_8(png);
        png_set_gray_to_rgb(png);
    }
    if (colour_type == PNG_COLOR_TYPE_RGB || colour_type == PNG_COLOR_TYPE_RGB_ALPHA) png_set_bgr(png);
    if (colour_type & PNG_COLOR_MASK_ALPHA) png_set_strip_alpha(png);

    png_color_16p file_background;
    if (png_get_bKGD(png, info, &file_background)) {
        png_set_background(png, file_background, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
    } else {
        png_color_16 white = {0, 255, 255, 255, 255};
        png_set_background(png, &white, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    if (!bmap_size_ok(width, height)) png_error(png, "image too large");
    if (png_get_rowbytes(png, info) != (size_t)width * 3) png_error(png, "unexpected row size");
    image = bmap_new((int)width, (int)height);
    if (!image) png_error(png, "image could not be made");
    rows = (png_bytep*)malloc(sizeof(png_bytep) * height);
    if (!rows) png_error(png, "out of memory");
    for (png_uint_32 y = 0; y < height; y++) rows[y] = image->pixels + (size_t)y * image->stride;
    png_read_image(png, rows);
    png_read_end(png, nullptr);

    // pHYs counts pixels per metre like the image; no chunk (or an aspect-only one) gives 0.
    image->header.biXPelsPerMeter = ppm_field(png_get_x_pixels_per_meter(png, info));
    image->header.biYPelsPerMeter = ppm_field(png_get_y_pixels_per_meter(png, info));

    _bmap* result = image;
    free(rows);
    png_destroy_read_struct(&png, &info, nullptr);
    fclose(file);
    return result;
}
