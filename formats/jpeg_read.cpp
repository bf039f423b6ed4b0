// JPEG reading: the probe and load hooks, the header routine and the decoder
// into 24-bit blue-green-red rows that the thumbnail cache also calls, and
// the same decoding a band of rows at a time.
#include "base/holders.h"
#include "formats/jpeg.h"
#include "formats/internal.h"
#include "graphics/kavtrel.h"
#include <cstring>
#include <new>
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
static bool start_reading(jpeg_decompress_struct* c, FILE* file)
{
    jpeg_create_decompress(c);
    // A progressive file's coefficients are held whole: no more than the largest image.
    c->mem->max_memory_to_use = BMAP_MAX_BYTES;
    attach_jpeg_file_source(c, file);
    if (jpeg_read_header(c, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(c);
        return false;
    }
    if (!jpeg_file_holds_blocks(c, file)) {
        jpeg_destroy_decompress(c);
        jpeg_bad_input_flag = 1;
        return false;
    }
    return true;
}

static void header_dpi(const jpeg_decompress_struct& c, int* xdpi, int* ydpi)
{
    if (c.density_unit == 2) {
        *xdpi = (int)(c.X_density * 2.54 + 0.5);
        *ydpi = (int)(c.Y_density * 2.54 + 0.5);
    } else {
        *xdpi = c.X_density;
        *ydpi = c.Y_density;
    }
}

// The output at scale 1/divisor, blue-green-red where the library converts to it.
static void set_output(jpeg_decompress_struct* c, int divisor, int fast)
{
    c->scale_num = 1;
    c->scale_denom = (unsigned)divisor;
    if (fast) c->do_fancy_upsampling = FALSE;
    if (c->jpeg_color_space == JCS_YCbCr || c->jpeg_color_space == JCS_RGB) c->out_color_space = JCS_EXT_BGR;
}

// One decoded row as a row of the image, its padding cleared.
static void store_row(const jpeg_decompress_struct& c, const JSAMPLE* in, BYTE* out, int w)
{
    int components = c.output_components;
    if (components == 3) {
        memcpy(out, in, (size_t)3 * w);
    } else if (components == 4 && c.out_color_space == JCS_CMYK) {
        cmyk_row_to_bgr(in, out, w, c.saw_Adobe_marker != 0);
    } else {
        for (int x = 0; x < w; x++, in += components) { out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = in[0]; }
    }
    memset(out + 3 * w, 0, row_padding(w));
}

int read_jpeg_header_info(FILE* file, int* width, int* height, int* xdpi, int* ydpi)
{
    reader.err = setup_jpeg_error_manager(&reader_errors);
    if (setjmp(jpeg_jump_buffer)) {
        jpeg_destroy_decompress(&reader);
        return 0;
    }
    if (!start_reading(&reader, file)) return 0;
    *width = (int)reader.image_width;
    *height = (int)reader.image_height;
    header_dpi(reader, xdpi, ydpi);
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
    if (!start_reading(&reader, file)) return 0;
    set_output(&reader, divisor, fast);
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
        store_row(reader, row[0], out, w);
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

// Reading in bands ---------------------------------------------------------------

// The file is open only while a band is read: between bands the user may
// move, rename or delete it. Its size and time tell whether it is still the
// file whose header was read.
struct jpeg_band_reader {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr errors;
    char path[PATH_BUF];
    WIN32_FILE_ATTRIBUTE_DATA seen;
    long long offset;  // where the next band goes on reading the file
    FILE* file;
    _bmap* image;
    JSAMPARRAY row;
    int state;  // 1 rows remain, 0 complete, -1 failed
};

static bool same_file(const jpeg_band_reader* r)
{
    WIN32_FILE_ATTRIBUTE_DATA now;
    return GetFileAttributesExA(r->path, GetFileExInfoStandard, &now) && now.nFileSizeLow == r->seen.nFileSizeLow &&
           now.nFileSizeHigh == r->seen.nFileSizeHigh &&
           CompareFileTime(&now.ftLastWriteTime, &r->seen.ftLastWriteTime) == 0;
}

static bool reopen(jpeg_band_reader* r)
{
    if (!same_file(r) || !(r->file = fopen(r->path, "rb"))) return false;
    if (_fseeki64(r->file, r->offset, SEEK_SET) != 0) return false;
    reattach_jpeg_file_source(&r->cinfo, r->file);
    return true;
}

static void close_between_bands(jpeg_band_reader* r)
{
    if (!r->file) return;
    r->offset = _ftelli64(r->file);
    fclose(r->file);
    r->file = nullptr;
}

static void end_decoding(jpeg_band_reader* r, int state)
{
    jpeg_destroy_decompress(&r->cinfo);
    if (r->file) fclose(r->file);
    r->file = nullptr;
    if (state < 0 && r->image) _bmap_delete(r->image);
    if (state < 0) r->image = nullptr;
    r->state = state;
}

// The header and the image to decode into.
static int start_bands(jpeg_band_reader* r, int divisor, int fast)
{
    int xdpi = 0, ydpi = 0;
    if (!start_reading(&r->cinfo, r->file)) return -1;
    header_dpi(r->cinfo, &xdpi, &ydpi);
    set_output(&r->cinfo, divisor, fast);
    jpeg_start_decompress(&r->cinfo);
    int w = (int)r->cinfo.output_width, h = (int)r->cinfo.output_height;
    if (!bmap_size_ok(w, h) || !(r->image = bmap_new(w, h))) return -1;
    r->image->header.biXPelsPerMeter = dpi_to_ppm(xdpi);
    r->image->header.biYPelsPerMeter = dpi_to_ppm(ydpi);
    r->image->init_header();
    r->row = (*r->cinfo.mem->alloc_sarray)((j_common_ptr)&r->cinfo, JPOOL_IMAGE,
                                           (JDIMENSION)w * r->cinfo.output_components, 1);
    return 1;
}

static int next_rows(jpeg_band_reader* r, int rows)
{
    for (int n = 0; n < rows && r->cinfo.output_scanline < r->cinfo.output_height; n++) {
        BYTE* out = r->image->pixels + (size_t)r->cinfo.output_scanline * r->image->stride;
        if (jpeg_read_scanlines(&r->cinfo, r->row, 1) != 1) return -1;
        store_row(r->cinfo, r->row[0], out, r->image->width);
    }
    if (r->cinfo.output_scanline < r->cinfo.output_height) return 1;
    // All rows are in: nothing after them (trailing junk) may fail the image.
    jpeg_abort_decompress(&r->cinfo);
    return 0;
}

// Every band runs under a recovery point of its own: other decoding between
// bands may have used the shared one.
static int band(jpeg_band_reader* r, int divisor, int fast, int rows)
{
    reset_jpeg_error_state();
    r->cinfo.err = setup_jpeg_error_manager(&r->errors);
    if (setjmp(jpeg_jump_buffer)) {
        end_decoding(r, -1);
        return -1;
    }
    bool first = !r->image;  // the header is read in the first band
    if (!first && !reopen(r)) {
        end_decoding(r, -1);
        return -1;
    }
    int state = first ? start_bands(r, divisor, fast) : next_rows(r, rows);
    if (state == 1)
        close_between_bands(r);
    else
        end_decoding(r, state);
    return r->state = state;
}

jpeg_band_reader* jpeg_bands_open(const char* path, int divisor, int fast)
{
    if (!path || !has_jpeg_extension(path)) return nullptr;
    auto* r = new (std::nothrow) jpeg_band_reader{};
    if (!r) return nullptr;
    if (!text_copy(r->path, path) || !GetFileAttributesExA(path, GetFileExInfoStandard, &r->seen) ||
        !(r->file = fopen(path, "rb")) || band(r, divisor, fast, 0) != 1) {
        jpeg_bands_close(r);
        return nullptr;
    }
    return r;
}

int jpeg_bands_read(jpeg_band_reader* r, int rows)
{
    if (!r) return -1;
    return r->state == 1 ? band(r, 0, 0, rows) : r->state;
}

_bmap* jpeg_bands_take(jpeg_band_reader* r)
{
    if (!r || r->state != 0) return nullptr;
    _bmap* b = r->image;
    r->image = nullptr;
    return b;
}

void jpeg_bands_close(jpeg_band_reader* r)
{
    if (!r) return;
    end_decoding(r, -1);
    delete r;
}

void install_jpeg_hooks()
{
    image_format_hooks.probe_jpeg = probe_jpeg_file;
    image_format_hooks.load_jpeg = load_jpeg_file;
}
