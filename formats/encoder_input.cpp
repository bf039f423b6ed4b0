// Files handed to the JPEG hooks under a name whose extension does not begin
// with J (".gif"): one of four input readers, chosen by the first byte, runs
// inside a compression object whose output is never written, only to collect
// the image's size, density and rows into a _bmap.
#include "base/holders.h"
#include "formats/jpeg.h"
#include "formats/internal.h"
#include "formats/input_reader.h"
#include "graphics/kavtrel.h"
#include <cstring>
#include <jerror.h>

int targa_input_flag = 0;

const char* const input_reader_messages[] = {
    nullptr,
    "Unsupported BMP colormap format",
    "Only 8- and 24-bit BMP files are supported",
    "Invalid BMP file: bad header length",
    "Invalid BMP file: biPlanes not equal to 1",
    "BMP output must be grayscale or RGB",
    "Sorry, compressed BMPs not yet supported",
    "Empty BMP image",
    "Not a BMP file - does not start with BM",
    "%ux%u 24-bit BMP image",
    "%ux%u 8-bit colormapped BMP image",
    "%ux%u 24-bit OS2 BMP image",
    "%ux%u 8-bit colormapped OS2 BMP image",
    "GIF output got confused",
    "Bogus GIF codesize %d",
    "GIF output must be grayscale or RGB",
    "Too few images in GIF file",
    "Not a GIF file",
    "%ux%ux%d GIF image",
    "Warning: unexpected GIF version number '%c%c%c'",
    "Ignoring GIF extension block of type 0x%02x",
    "Caution: nonsquare pixels in input",
    "Corrupt data in GIF file",
    "Bogus char 0x%02x in GIF file, ignoring",
    "Premature end of GIF image",
    "Ran out of GIF bits",
    "PPM output must be grayscale or RGB",
    "Nonnumeric data in PPM file",
    "Not a PPM/PGM file",
    "%ux%u PGM image",
    "%ux%u text PGM image",
    "%ux%u PPM image",
    "%ux%u text PPM image",
    "Unsupported Targa colormap format",
    "Invalid or unsupported Targa file",
    "Targa output must be grayscale or RGB",
    "%ux%u RGB Targa image",
    "%ux%u grayscale Targa image",
    "%ux%u colormapped Targa image",
    "Color map file is invalid or of unsupported format",
    "Output file format cannot handle %d colormap entries",
    "ungetc failed",
    "Unrecognized input file format --- perhaps you need -targa",
    "Unsupported output file format",
    nullptr,
};
static_assert(sizeof(input_reader_messages) / sizeof(input_reader_messages[0]) == 45, "messages 1000 to 1044");

int read_input_byte(j_compress_ptr cinfo, FILE* file)
{
    int c = getc(file);
    if (c == EOF) ERREXIT(cinfo, JERR_INPUT_EOF);
    return c;
}

void read_input_bytes(j_compress_ptr cinfo, FILE* file, void* buffer, size_t count)
{
    if (count && fread(buffer, 1, count, file) != count) ERREXIT(cinfo, JERR_INPUT_EOF);
}

static input_reader* select_input_reader(j_compress_ptr cinfo, FILE* file)
{
    if (targa_input_flag) return tga_init_reader(cinfo);
    int c = getc(file);
    if (c == EOF) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    if (ungetc(c, file) == EOF) ERREXIT(cinfo, JERR_UNGETC_FAILED);
    switch (c) {
    case 'B': return bmp_init_reader(cinfo);
    case 'G': return gif_init_reader(cinfo);
    case 'P': return ppm_init_reader(cinfo);
    case 0x00: return tga_init_reader(cinfo);
    default: ERREXIT(cinfo, JERR_UNKNOWN_INPUT);
    }
    return nullptr;
}

static jpeg_compress_struct driver;
static jpeg_error_mgr driver_errors;

// Error manager with the readers' messages, a new object, defaults. Runs
// after the caller has set the recovery point.
static void set_up_driver()
{
    driver.err = setup_jpeg_error_manager(&driver_errors);
    driver_errors.addon_message_table = input_reader_messages;
    driver_errors.first_addon_message = JMSG_FIRSTADDONCODE;
    driver_errors.last_addon_message = JMSG_LASTADDONCODE;
    jpeg_create_compress(&driver);
    driver.in_color_space = JCS_RGB;
    driver.input_components = 3;
    jpeg_set_defaults(&driver);
    // Only the BMP reader records a density; the others report none.
    driver.density_unit = 0;
    driver.X_density = 0;
    driver.Y_density = 0;
}

// Chooses the reader by the file's first byte and reads its header. Null (the
// driver destroyed, no size) when no reader takes the file. Runs after the
// caller has set the recovery point.
static input_reader* start_input_reader(FILE* file, int* width, int* height)
{
    set_up_driver();
    input_reader* reader = select_input_reader(&driver, file);
    if (jpeg_bad_input_flag || !reader) {
        jpeg_destroy_compress(&driver);
        *width = *height = 0;
        return nullptr;
    }
    reader->input_file = file;
    (*reader->start_input)(&driver, reader);
    return reader;
}

int read_size_with_input_reader(FILE* file, int* width, int* height, int* xdpi, int* ydpi)
{
    if (setjmp(jpeg_jump_buffer)) {
        jpeg_destroy_compress(&driver);
        return 0;
    }
    input_reader* reader = start_input_reader(file, width, height);
    if (!reader) return 0;
    if (jpeg_bad_input_flag) {
        (*reader->finish_input)(&driver, reader);
        jpeg_destroy_compress(&driver);
        return 0;
    }
    jpeg_default_colorspace(&driver);
    *width = (int)driver.image_width;
    *height = (int)driver.image_height;
    if (driver.density_unit == 2) {
        *xdpi = (int)(driver.X_density * 2.54 + 0.5);
        *ydpi = (int)(driver.Y_density * 2.54 + 0.5);
    } else {
        *xdpi = driver.X_density;
        *ydpi = driver.Y_density;
    }
    int components = driver.input_components;
    (*reader->finish_input)(&driver, reader);
    jpeg_destroy_compress(&driver);
    return components;
}

int read_image_with_input_reader(FILE* file, int* width, int* height, BYTE* pixels, size_t capacity)
{
    if (setjmp(jpeg_jump_buffer)) {
        jpeg_destroy_compress(&driver);
        return 0;
    }
    input_reader* reader = start_input_reader(file, width, height);
    if (!reader) return 0;
    jpeg_default_colorspace(&driver);
    int w = (int)driver.image_width, h = (int)driver.image_height;
    size_t padding = (4 - (3 * (size_t)w) % 4) % 4;
    size_t stride = 3 * (size_t)w + padding;
    if (jpeg_bad_input_flag || !bmap_size_ok(w, h) || stride * h > capacity) {
        (*reader->finish_input)(&driver, reader);
        jpeg_destroy_compress(&driver);
        return 0;
    }
    *width = w;
    *height = h;
    int components = driver.input_components;
    int done = 0;
    BYTE* out = pixels;
    while (done < h) {
        JDIMENSION rows = (*reader->get_pixel_rows)(&driver, reader);
        if (jpeg_bad_input_flag) {
            jpeg_destroy_compress(&driver);
            return 0;
        }
        if (rows > (JDIMENSION)(h - done)) rows = h - done;
        if (rows == 0) break;
        for (JDIMENSION r = 0; r < rows; r++) {
            const JSAMPLE* in = reader->buffer[r];
            if (components == 3) {
                memcpy(out, in, 3 * (size_t)w);
            } else {
                for (int x = 0; x < w; x++) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = in[x];
            }
            memset(out + 3 * (size_t)w, 0, padding);
            out += stride;
        }
        done += rows;
    }
    (*reader->finish_input)(&driver, reader);
    jpeg_destroy_compress(&driver);
    return done == h ? components : 0;
}

int probe_via_input_readers(const char* path, int* width, int* height, int* xdpi, int* ydpi)
{
    reset_jpeg_error_state();
    c_file f(fopen(path, "rb"));
    if (!f.get()) return 0;
    read_size_with_input_reader(f.get(), width, height, xdpi, ydpi);
    return 1 - jpeg_bad_input_flag;
}

_bmap* load_via_input_readers(const char* path)
{
    reset_jpeg_error_state();
    int w = 0, h = 0, xdpi = 0, ydpi = 0;
    {
        c_file f(fopen(path, "rb"));
        if (!f.get()) return nullptr;
        int components = read_size_with_input_reader(f.get(), &w, &h, &xdpi, &ydpi);
        if (jpeg_bad_input_flag || components == 0) return nullptr;
    }
    reset_jpeg_error_state();
    _bmap* image = bmap_new(w, h);
    if (!image) return nullptr;
    image->header.biXPelsPerMeter = dpi_to_ppm(xdpi);
    image->header.biYPelsPerMeter = dpi_to_ppm(ydpi);
    image->init_header();
    int got_w = 0, got_h = 0, ok = 0;
    {
        c_file f(fopen(path, "rb"));
        if (f.get()) ok = read_image_with_input_reader(f.get(), &got_w, &got_h, image->pixels, (size_t)image->size);
    }
    if (!ok || got_w != w || got_h != h) {
        _bmap_delete(image);
        return nullptr;
    }
    image->init_header();
    return image;
}
