// JPEG reading: the probe and load hooks, the header routine and the decoder
// into 24-bit blue-green-red rows that the thumbnail cache also calls.
#include "base/holders.h"
#include "formats/jpeg.h"
#include "formats/internal.h"
#include "graphics/kavtrel.h"
#include <cstring>
#include <jpeglib.h>

// Objects used under the recovery point live outside the stack frame.
static jpeg_decompress_struct reader;
static jpeg_error_mgr reader_errors;
static _bmap* volatile image_in_progress;

static int row_padding(int width) { return (4 - (3 * width) % 4) % 4; }

// CMYK samples (the library's output for CMYK and YCCK files) as blue, green,
// red. Adobe's files store them inverted (255 is no ink): red = C x K / 255.
static void cmyk_row_to_bgr(const JSAMPLE* in, BYTE* out, int width, bool inverted)
{
    for (int x = 0; x < width; x++, in += 4, out += 3) {
        int c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        out[0] = (BYTE)((y * k + 127) / 255);
        out[1] = (BYTE)((m * k + 127) / 255);
        out[2] = (BYTE)((c * k + 127) / 255);
    }
}

// A path whose extension does not begin with J goes to the input readers.
static bool has_jpeg_extension(const char* path)
{
    const char* dot = mb_strrchr(path, '.');
    return dot && (dot[1] == 'J' || dot[1] == 'j');
}

bool jpeg_file_holds_blocks(jpeg_decompress_struct* cinfo, FILE* file)
{
    // Every block of a Huffman-coded image takes at least a bit: a file too
    // short for its blocks has a damaged size. (Arithmetic coding has no such floor.)
    double blocks = 0;
    for (int c = 0; c < cinfo->num_components; c++)
        blocks += (double)cinfo->comp_info[c].width_in_blocks * cinfo->comp_info[c].height_in_blocks;
    return cinfo->arith_code || file_can_hold(file, blocks, 8);
}

// Makes the decompressor, attaches the file and reads the header. False (the
// decompressor destroyed) when there is no image. Runs after the caller has
// set the recovery point.
static bool start_reading(FILE* file)
{
    jpeg_create_decompress(&reader);
    // A progressive file's coefficients are held whole: no more than the largest image.
    reader.mem->max_memory_to_use = BMAP_MAX_BYTES;
    attach_jpeg_file_source(&reader, file);
    if (jpeg_read_header(&reader, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&reader);
        return false;
    }
    if (!jpeg_file_holds_blocks(&reader, file)) {
        jpeg_destroy_decompress(&reader);
        jpeg_bad_input_flag = 1;
        return false;
    }
    return true;
}

int read_jpeg_header_info(FILE* file, int* width, int* height, int* xdpi, int* ydpi)
{
    reader.err = setup_jpeg_error_manager(&reader_errors);
    if (setjmp(jpeg_jump_buffer)) {
        jpeg_destroy_decompress(&reader);
        return 0;
    }
    if (!start_reading(file)) return 0;
    *width = (int)reader.image_width;
    *height = (int)reader.image_height;
    if (reader.density_unit == 2) {
        *xdpi = (int)(reader.X_density * 2.54 + 0.5);
        *ydpi = (int)(reader.Y_density * 2.54 + 0.5);
    } else {
        *xdpi = reader.X_density;
        *ydpi = reader.Y_density;
    }
    jpeg_destroy_decompress(&reader);
    return 1 - jpeg_bad_input_flag;
}

// The decoder behind both the loader (pixels null: the image is made here at
// the decoder's output size) and the cache's call (pixels with a capacity).
static int decode_jpeg(FILE* file, int* width, int* height, int divisor, int fast, BYTE* given_pixels, size_t capacity,
                       int xppm, int yppm, _bmap** made_out)
{
    image_in_progress = nullptr;
    reader.err = setup_jpeg_error_manager(&reader_errors);
    if (setjmp(jpeg_jump_buffer)) {
        jpeg_destroy_decompress(&reader);
        if (image_in_progress) _bmap_delete(image_in_progress);
        image_in_progress = nullptr;
        return 0;
    }
    if (!start_reading(file)) return 0;
    reader.scale_num = 1;
    reader.scale_denom = (unsigned)divisor;
    if (fast) reader.do_fancy_upsampling = FALSE;
    if (reader.jpeg_color_space == JCS_YCbCr || reader.jpeg_color_space == JCS_RGB)
        reader.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&reader);

    int w = (int)reader.output_width, h = (int)reader.output_height;
    if (!bmap_size_ok(w, h)) {
        jpeg_destroy_decompress(&reader);
        return 0;
    }
    int stride = 3 * w + row_padding(w);
    BYTE* pixels = given_pixels;
    if (pixels == nullptr) {
        _bmap* made = bmap_new(w, h);
        if (!made) {
            jpeg_destroy_decompress(&reader);
            return 0;
        }
        made->header.biXPelsPerMeter = xppm;
        made->header.biYPelsPerMeter = yppm;
        made->init_header();
        image_in_progress = made;
        pixels = made->pixels;
    } else if ((unsigned long long)stride * h > capacity) {
        jpeg_destroy_decompress(&reader);
        return 0;
    }

    int components = reader.output_components;
    JSAMPARRAY row = (*reader.mem->alloc_sarray)((j_common_ptr)&reader, JPOOL_IMAGE, (JDIMENSION)w * components, 1);
    BYTE* out = pixels;
    while (reader.output_scanline < reader.output_height) {
        jpeg_read_scanlines(&reader, row, 1);
        const JSAMPLE* in = row[0];
        if (components == 3) {
            memcpy(out, in, (size_t)3 * w);
        } else if (components == 4 && reader.out_color_space == JCS_CMYK) {
            cmyk_row_to_bgr(in, out, w, reader.saw_Adobe_marker != 0);
        } else {
            for (int x = 0; x < w; x++, in += components) { out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = in[0]; }
        }
        memset(out + 3 * w, 0, row_padding(w));
        out += stride;
    }
    *width = w;
    *height = h;
    // All rows are in: nothing after them (trailing junk) may fail the image.
    jpeg_abort_decompress(&reader);
    jpeg_destroy_decompress(&reader);
    if (made_out) *made_out = image_in_progress;
    image_in_progress = nullptr;
    return 1;
}

int decompress_jpeg_to_bitmap(FILE* file, int* width, int* height, int divisor, int fast, BYTE* pixels, size_t capacity)
{
    if (!pixels) return 0;
    return decode_jpeg(file, width, height, divisor, fast, pixels, capacity, 0, 0, nullptr);
}

int probe_jpeg_file(const char* path, int* width, int* height, int* xdpi, int* ydpi)
{
    reset_jpeg_error_state();
    if (!has_jpeg_extension(path)) return probe_via_input_readers(path, width, height, xdpi, ydpi);
    c_file f(fopen(path, "rb"));
    if (!f.get()) return 0;
    read_jpeg_header_info(f.get(), width, height, xdpi, ydpi);
    return 1 - jpeg_bad_input_flag;
}

_bmap* load_jpeg_file(const char* path, int divisor, int fast)
{
    reset_jpeg_error_state();
    if (!has_jpeg_extension(path)) return load_via_input_readers(path);
    int w = 0, h = 0, xdpi = 0, ydpi = 0;
    {
        c_file f(fopen(path, "rb"));
        if (!f.get()) return nullptr;
        int ok = read_jpeg_header_info(f.get(), &w, &h, &xdpi, &ydpi);
        reset_jpeg_error_state();
        if (!ok) return nullptr;
    }
    c_file f(fopen(path, "rb"));
    if (!f.get()) return nullptr;
    int ow = 0, oh = 0;
    _bmap* image = nullptr;
    int decoded = decode_jpeg(f.get(), &ow, &oh, divisor, fast, nullptr, 0, dpi_to_ppm(xdpi), dpi_to_ppm(ydpi), &image);
    return decoded ? image : nullptr;
}

void install_jpeg_hooks()
{
    image_format_hooks.probe_jpeg = probe_jpeg_file;
    image_format_hooks.load_jpeg = load_jpeg_file;
}
