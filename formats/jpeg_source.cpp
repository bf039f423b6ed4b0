// Our file source for the JPEG decoder: reads an open file in 4096-byte
// pieces; an empty file or one that does not start with a start-of-image
// marker suspends the decoder with both error flags set instead of failing,
// and a file that ends early gets a warning and a closing end-of-image.
#include "formats/jpeg.h"
#include "formats/internal.h"
#include <jpeglib.h>
#include <jerror.h>

enum { SOURCE_BUF = 4096 };

struct file_source {
    jpeg_source_mgr pub;
    FILE* file;
    JOCTET* buffer;
    boolean start_of_file;
};

static void init_file_source(j_decompress_ptr cinfo) { ((file_source*)cinfo->src)->start_of_file = TRUE; }

static boolean fill_file_source(j_decompress_ptr cinfo)
{
    file_source* src = (file_source*)cinfo->src;
    size_t n = fread(src->buffer, 1, SOURCE_BUF, src->file);
    if (src->start_of_file) {
        if (n < 2 || src->buffer[0] != 0xFF || src->buffer[1] != 0xD8) {
            // Empty or foreign: nothing for the decoder to read.
            jpeg_bad_input_flag = 1;
            jpeg_stop_flag = 1;
            src->pub.next_input_byte = src->buffer;
            src->pub.bytes_in_buffer = 0;
            return FALSE;
        }
    }
    if (n == 0) {
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->buffer[0] = 0xFF;
        src->buffer[1] = 0xD9;
        n = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = n;
    src->start_of_file = FALSE;
    return TRUE;
}

static void skip_file_source(j_decompress_ptr cinfo, long count)
{
    jpeg_source_mgr* src = cinfo->src;
    if (count <= 0) return;
    while (count > (long)src->bytes_in_buffer) {
        count -= (long)src->bytes_in_buffer;
        if (!(*src->fill_input_buffer)(cinfo)) return;
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= count;
}

static void term_file_source(j_decompress_ptr) {}

void attach_jpeg_file_source(jpeg_decompress_struct* cinfo, FILE* file)
{
    if (cinfo->src == nullptr) {
        file_source* src =
            (file_source*)(*cinfo->mem->alloc_small)((j_common_ptr)cinfo, JPOOL_PERMANENT, sizeof(file_source));
        src->buffer =
            (JOCTET*)(*cinfo->mem->alloc_small)((j_common_ptr)cinfo, JPOOL_PERMANENT, SOURCE_BUF * sizeof(JOCTET));
        cinfo->src = &src->pub;
    }
    file_source* src = (file_source*)cinfo->src;
    src->pub.init_source = init_file_source;
    src->pub.fill_input_buffer = fill_file_source;
    src->pub.skip_input_data = skip_file_source;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = term_file_source;
    src->file = file;
    src->start_of_file = TRUE;
    src->pub.bytes_in_buffer = 0;
    src->pub.next_input_byte = nullptr;
}

void reattach_jpeg_file_source(jpeg_decompress_struct* cinfo, FILE* file) { ((file_source*)cinfo->src)->file = file; }
