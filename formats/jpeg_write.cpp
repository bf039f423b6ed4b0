// JPEG writing: our file destination (which discards its bytes when no file
// is given), the encoder from 24-bit blue-green-red rows, and the save hook.
#include "base/holders.h"
#include "formats/jpeg.h"
#include "formats/internal.h"
#include "graphics/kavtrel.h"
#include <jpeglib.h>
#include <jerror.h>

enum { DESTINATION_BUF = 4096 };

struct file_destination {
    jpeg_destination_mgr pub;
    FILE* file;
    JOCTET* buffer;
};

static jpeg_compress_struct writer;
static jpeg_error_mgr writer_errors;

static void init_file_destination(j_compress_ptr cinfo)
{
    file_destination* dest = (file_destination*)cinfo->dest;
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = DESTINATION_BUF;
}

static boolean empty_file_destination(j_compress_ptr cinfo)
{
    file_destination* dest = (file_destination*)cinfo->dest;
    if (dest->file && fwrite(dest->buffer, 1, DESTINATION_BUF, dest->file) != DESTINATION_BUF)
        ERREXIT(cinfo, JERR_FILE_WRITE);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = DESTINATION_BUF;
    return TRUE;
}

static void term_file_destination(j_compress_ptr cinfo)
{
    file_destination* dest = (file_destination*)cinfo->dest;
    if (!dest->file) return;
    size_t rest = DESTINATION_BUF - dest->pub.free_in_buffer;
    if (rest > 0 && fwrite(dest->buffer, 1, rest, dest->file) != rest) ERREXIT(cinfo, JERR_FILE_WRITE);
    fflush(dest->file);
    if (ferror(dest->file)) ERREXIT(cinfo, JERR_FILE_WRITE);
}

void attach_jpeg_file_destination(jpeg_compress_struct* cinfo, FILE* file)
{
    if (cinfo->dest == nullptr) {
        file_destination* dest = (file_destination*)(*cinfo->mem->alloc_small)((j_common_ptr)cinfo, JPOOL_PERMANENT,
                                                                               sizeof(file_destination));
        dest->buffer =
            (JOCTET*)(*cinfo->mem->alloc_small)((j_common_ptr)cinfo, JPOOL_PERMANENT, DESTINATION_BUF * sizeof(JOCTET));
        cinfo->dest = &dest->pub;
    }
    file_destination* dest = (file_destination*)cinfo->dest;
    dest->pub.init_destination = init_file_destination;
    dest->pub.empty_output_buffer = empty_file_destination;
    dest->pub.term_destination = term_file_destination;
    dest->file = file;
}

// Encodes width x height pixels whose row y row_of(y) gives (null: the
// encoding fails).
template <class Rows>
static int compress_rows(FILE* file, int width, int height, int xdpi, int ydpi, int quality, Rows row_of)
{
    if (width <= 0 || height <= 0) return 0;
    writer.err = setup_jpeg_error_manager(&writer_errors);
    if (setjmp(jpeg_jump_buffer)) {
        jpeg_destroy_compress(&writer);
        return 0;
    }
    jpeg_create_compress(&writer);
    attach_jpeg_file_destination(&writer, file);
    writer.image_width = (JDIMENSION)width;
    writer.image_height = (JDIMENSION)height;
    writer.input_components = 3;
    writer.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&writer);
    writer.density_unit = 1;
    writer.X_density = (UINT16)xdpi;
    writer.Y_density = (UINT16)ydpi;
    if (quality > 0) jpeg_set_quality(&writer, quality, TRUE);
    jpeg_start_compress(&writer, TRUE);
    while (writer.next_scanline < writer.image_height) {
        JSAMPROW row = (JSAMPROW)row_of((int)writer.next_scanline);
        if (!row) {
            jpeg_destroy_compress(&writer);
            return 0;
        }
        jpeg_write_scanlines(&writer, &row, 1);
    }
    jpeg_finish_compress(&writer);
    jpeg_destroy_compress(&writer);
    return 1;
}

int compress_bitmap_to_jpeg(FILE* file, int width, int height, int xdpi, int ydpi, const BYTE* pixels, int quality)
{
    if (!pixels) return 0;
    size_t stride = (size_t)3 * width + (4 - (3 * width) % 4) % 4;
    return compress_rows(file, width, height, xdpi, ydpi, quality,
                         [pixels, stride](int y) { return pixels + stride * y; });
}

int save_jpeg_file(const char* path, _bmap* image, int quality, int rotation)
{
    reset_jpeg_error_state();
    if (!image || !image->pixels) return 0;
    c_file f(fopen(path, "wb"));
    if (!f.get()) return 0;
    turned_rows rows(image, rotation);
    int xdpi = ppm_to_jpeg_dpi(rows.xppm), ydpi = ppm_to_jpeg_dpi(rows.yppm);
    return compress_rows(f.get(), rows.width, rows.height, xdpi, ydpi, quality, [&rows](int y) { return rows.row(y); });
}
