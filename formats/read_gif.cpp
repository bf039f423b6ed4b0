// GIF input reader: GIF87a/GIF89a, global and local colour tables, the first
// image only, a full LZW decoder (codes up to 12 bits, least significant bit
// first across data sub-blocks) and interlaced images delivered in display
// order. Reading past the end of the file sets the bad-input flag (the read
// then yields 0) instead of ending the decode.
#include "formats/jpeg.h"
#include "formats/input_reader.h"
#include "formats/internal.h"
#include "graphics/kavtrel.h"
#include <cstring>
#include <jerror.h>

enum { LZW_TABLE = 4096, MAX_LZW_BITS = 12 };

struct gif_reader {
    input_reader pub;
    JSAMPLE colormap[256][3];  // blue green red; unused entries black
    bool eof;
    // Data sub-blocks and the bit buffer.
    BYTE block[256];
    int block_size, block_pos;
    bool out_of_blocks;
    unsigned long bits;
    int bit_count;
    // LZW state.
    int input_code_size, code_size, clear_code, end_code, next_free, limit;
    int old_code, first_char;
    bool ended;  // an end code or the data ran out: the rest is 0
    UINT16 prefix[LZW_TABLE];
    BYTE suffix[LZW_TABLE];
    BYTE stack[LZW_TABLE + 1];
    int sp;
    // Interlaced images are decoded whole first.
    bool interlaced;
    JSAMPARRAY whole;
    JDIMENSION pass_row;  // rows delivered so far
};

static int gif_byte(gif_reader* r)
{
    int c = r->eof ? EOF : getc(r->pub.input_file);
    if (c == EOF) {
        r->eof = true;
        jpeg_bad_input_flag = 1;
        return 0;
    }
    return c;
}

static void gif_bytes(gif_reader* r, BYTE* out, int count)
{
    for (int i = 0; i < count; i++) out[i] = (BYTE)gif_byte(r);
}

// Reads one data sub-block into r->block; 0 at the terminator or the end of file.
static int gif_data_block(gif_reader* r)
{
    int count = gif_byte(r);
    if (r->eof) return 0;
    gif_bytes(r, r->block, count);
    return r->eof ? 0 : count;
}

static void gif_skip_blocks(gif_reader* r)
{
    while (gif_data_block(r) > 0) {}
}

static void gif_read_colormap(gif_reader* r, int entries)
{
    for (int i = 0; i < entries; i++) {
        BYTE rgb[3];
        gif_bytes(r, rgb, 3);
        r->colormap[i][0] = rgb[2];
        r->colormap[i][1] = rgb[1];
        r->colormap[i][2] = rgb[0];
    }
}

static void lzw_reset(gif_reader* r)
{
    r->code_size = r->input_code_size + 1;
    r->limit = 1 << r->code_size;
    r->next_free = r->end_code + 1;
    r->old_code = -1;
}

static int lzw_get_code(j_compress_ptr cinfo, gif_reader* r)
{
    while (r->bit_count < r->code_size) {
        if (r->block_pos >= r->block_size) {
            int n = r->out_of_blocks ? 0 : gif_data_block(r);
            if (n == 0) {
                if (!r->out_of_blocks) WARNMS(cinfo, JWRN_GIF_NOMOREDATA);
                r->out_of_blocks = true;
                return r->end_code;
            }
            r->block_size = n;
            r->block_pos = 0;
        }
        r->bits |= (unsigned long)r->block[r->block_pos++] << r->bit_count;
        r->bit_count += 8;
    }
    int code = (int)(r->bits & ((1UL << r->code_size) - 1));
    r->bits >>= r->code_size;
    r->bit_count -= r->code_size;
    return code;
}

// The next pixel's colour-table index (may exceed 255 for large code sizes).
static int lzw_read_index(j_compress_ptr cinfo, gif_reader* r)
{
    if (r->sp > 0) return r->stack[--r->sp];
    if (r->ended) return 0;
    int code = lzw_get_code(cinfo, r);
    while (code == r->clear_code) {
        lzw_reset(r);
        code = lzw_get_code(cinfo, r);
    }
    if (code == r->end_code) {
        if (!r->out_of_blocks) {
            WARNMS(cinfo, JWRN_GIF_ENDCODE);
            gif_skip_blocks(r);
            r->out_of_blocks = true;
        }
        r->ended = true;
        return 0;
    }
    if (r->old_code < 0) {
        if (code >= r->clear_code) {
            WARNMS(cinfo, JWRN_GIF_BADDATA);
            code = 0;
        }
        r->old_code = code;
        r->first_char = code;
        return code;
    }
    int in_code = code;
    if (code >= r->next_free) {
        if (code > r->next_free) {
            WARNMS(cinfo, JWRN_GIF_BADDATA);
            code = 0;
            in_code = 0;
        } else {
            // The code being defined by this very step (KwKwK).
            r->stack[r->sp++] = (BYTE)r->first_char;
            code = r->old_code;
        }
    }
    while (code >= r->clear_code && r->sp < LZW_TABLE) {
        r->stack[r->sp++] = r->suffix[code];
        code = r->prefix[code];
    }
    if (code >= r->clear_code) code = 0;
    r->first_char = code;
    if (r->next_free < LZW_TABLE) {
        r->prefix[r->next_free] = (UINT16)r->old_code;
        r->suffix[r->next_free] = (BYTE)r->first_char;
        r->next_free++;
        if (r->next_free >= r->limit && r->code_size < MAX_LZW_BITS) {
            r->code_size++;
            r->limit <<= 1;
        }
    }
    r->old_code = in_code;
    return code;
}

static void gif_decode_row(j_compress_ptr cinfo, gif_reader* r, JSAMPLE* out)
{
    for (JDIMENSION x = 0; x < cinfo->image_width; x++, out += 3) {
        int index = lzw_read_index(cinfo, r);
        if (index < 0 || index > 255) index = 0;
        memcpy(out, r->colormap[index], 3);
    }
}

static JDIMENSION gif_get_row(j_compress_ptr cinfo, input_reader* pub)
{
    gif_decode_row(cinfo, (gif_reader*)pub, pub->buffer[0]);
    return 1;
}

// Display row for the n-th row delivered: passes from 0 step 8, 4 step 8,
// 2 step 4, 1 step 2 were stored one after another.
static JDIMENSION interlaced_source_row(JDIMENSION display, JDIMENSION height)
{
    JDIMENSION pass1 = (height + 7) / 8, pass2 = (height + 3) / 8, pass3 = (height + 1) / 4;
    if (display % 8 == 0) return display / 8;
    if (display % 8 == 4) return pass1 + display / 8;
    if (display % 4 == 2) return pass1 + pass2 + display / 4;
    return pass1 + pass2 + pass3 + display / 2;
}

static JDIMENSION gif_deliver_interlaced(j_compress_ptr cinfo, input_reader* pub)
{
    gif_reader* r = (gif_reader*)pub;
    JDIMENSION src = interlaced_source_row(r->pass_row++, cinfo->image_height);
    memcpy(pub->buffer[0], r->whole[src], (size_t)cinfo->image_width * 3);
    return 1;
}

static JDIMENSION gif_load_interlaced(j_compress_ptr cinfo, input_reader* pub)
{
    gif_reader* r = (gif_reader*)pub;
    if (!bmap_size_ok(cinfo->image_width, cinfo->image_height)) ERREXIT1(cinfo, JERR_IMAGE_TOO_BIG, 65535);
    r->whole =
        (*cinfo->mem->alloc_sarray)((j_common_ptr)cinfo, JPOOL_IMAGE, cinfo->image_width * 3, cinfo->image_height);
    for (JDIMENSION y = 0; y < cinfo->image_height; y++) gif_decode_row(cinfo, r, r->whole[y]);
    r->pass_row = 0;
    pub->get_pixel_rows = gif_deliver_interlaced;
    return gif_deliver_interlaced(cinfo, pub);
}

static void gif_start_input(j_compress_ptr cinfo, input_reader* pub)
{
    gif_reader* r = (gif_reader*)pub;
    BYTE header[13];
    gif_bytes(r, header, 6);
    if (r->eof) return;
    if (memcmp(header, "GIF", 3) != 0) ERREXIT(cinfo, JERR_GIF_NOT);
    if (memcmp(header + 3, "87a", 3) != 0 && memcmp(header + 3, "89a", 3) != 0)
        TRACEMS3(cinfo, 1, JTRC_GIF_BADVERSION, header[3], header[4], header[5]);
    gif_bytes(r, header, 7);
    if (r->eof) return;
    if (header[6] != 0 && header[6] != 49) TRACEMS(cinfo, 1, JTRC_GIF_NONSQUARE);
    if (header[4] & 0x80) gif_read_colormap(r, 2 << (header[4] & 7));
    for (;;) {
        int c = gif_byte(r);
        if (r->eof) return;
        if (c == ';') ERREXIT(cinfo, JERR_GIF_IMAGENOTFOUND);
        if (c == ',') break;
        if (c == '!') {
            int label = gif_byte(r);
            TRACEMS1(cinfo, 1, JTRC_GIF_EXTENSION, label);
            gif_skip_blocks(r);
            if (r->eof) return;
            continue;
        }
        WARNMS1(cinfo, JWRN_GIF_CHAR, c);
    }
    BYTE desc[9];
    gif_bytes(r, desc, 9);
    if (r->eof) return;
    unsigned width = desc[4] | (desc[5] << 8), height = desc[6] | (desc[7] << 8);
    r->interlaced = (desc[8] & 0x40) != 0;
    if (desc[8] & 0x80) {
        memset(r->colormap, 0, sizeof r->colormap);
        gif_read_colormap(r, 2 << (desc[8] & 7));
    }
    r->input_code_size = gif_byte(r);
    if (r->eof || r->input_code_size < 2 || r->input_code_size >= MAX_LZW_BITS) {
        jpeg_bad_input_flag = 1;
        return;
    }
    if (width < 1 || height < 1) ERREXIT(cinfo, JERR_EMPTY_IMAGE);
    // A damaged size: more pixels than the file's codes can give.
    if (!file_can_hold(pub->input_file, (double)width * height, LZW_MOST)) {
        jpeg_bad_input_flag = 1;
        return;
    }
    r->clear_code = 1 << r->input_code_size;
    r->end_code = r->clear_code + 1;
    lzw_reset(r);
    for (int i = 0; i < r->clear_code; i++) {
        r->prefix[i] = 0;
        r->suffix[i] = (BYTE)i;
    }
    cinfo->image_width = width;
    cinfo->image_height = height;
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_EXT_BGR;
    pub->buffer = (*cinfo->mem->alloc_sarray)((j_common_ptr)cinfo, JPOOL_IMAGE, width * 3, 1);
    pub->buffer_height = 1;
    pub->get_pixel_rows = r->interlaced ? gif_load_interlaced : gif_get_row;
}

input_reader* gif_init_reader(j_compress_ptr cinfo) { return new_input_reader<gif_reader>(cinfo, gif_start_input); }
