// BMP input reader: OS/2 (12-byte) and Windows (40- or 64-byte) headers,
// uncompressed 8-, 24- and 32-bit images. BMP rows are stored bottom-up, so
// the whole image is read on the first row request and delivered top-down.
#include "formats/jpeg.h"
#include "formats/input_reader.h"
#include "formats/internal.h"
#include "graphics/kavtrel.h"
#include <cstring>
#include <jerror.h>

struct bmp_reader {
    input_reader pub;
    JSAMPLE palette[256][3];  // blue green red; entries past the file's table stay black
    int bits;
    JDIMENSION row_bytes;
    JSAMPARRAY whole;  // file rows, top-down after loading
    JDIMENSION next_row;
};

static unsigned get16(const BYTE* p) { return p[0] | (p[1] << 8); }
static unsigned long get32(const BYTE* p)
{
    return p[0] | (p[1] << 8) | ((unsigned long)p[2] << 16) | ((unsigned long)p[3] << 24);
}

static JDIMENSION bmp_deliver_row(j_compress_ptr cinfo, input_reader* pub)
{
    bmp_reader* r = (bmp_reader*)pub;
    const JSAMPLE* in = r->whole[r->next_row++];
    JSAMPLE* out = pub->buffer[0];
    for (JDIMENSION x = 0; x < cinfo->image_width; x++, out += 3) {
        if (r->bits == 8) {
            memcpy(out, r->palette[in[x]], 3);
        } else {
            const JSAMPLE* p = in + x * (r->bits / 8);
            out[0] = p[0];
            out[1] = p[1];
            out[2] = p[2];
        }
    }
    return 1;
}

static JDIMENSION bmp_load_image(j_compress_ptr cinfo, input_reader* pub)
{
    bmp_reader* r = (bmp_reader*)pub;
    if (!bmap_size_ok(cinfo->image_width, cinfo->image_height)) ERREXIT1(cinfo, JERR_IMAGE_TOO_BIG, 65535);
    r->whole = (*cinfo->mem->alloc_sarray)((j_common_ptr)cinfo, JPOOL_IMAGE, r->row_bytes, cinfo->image_height);
    for (JDIMENSION i = 0; i < cinfo->image_height; i++)
        read_input_bytes(cinfo, pub->input_file, r->whole[cinfo->image_height - 1 - i], r->row_bytes);
    r->next_row = 0;
    pub->get_pixel_rows = bmp_deliver_row;
    return bmp_deliver_row(cinfo, pub);
}

static void bmp_start_input(j_compress_ptr cinfo, input_reader* pub)
{
    bmp_reader* r = (bmp_reader*)pub;
    FILE* f = pub->input_file;
    BYTE file_header[14], info[64];
    read_input_bytes(cinfo, f, file_header, 14);
    if (file_header[0] != 'B' || file_header[1] != 'M') ERREXIT(cinfo, JERR_BMP_NOT);
    unsigned long data_offset = get32(file_header + 10);
    read_input_bytes(cinfo, f, info, 4);
    unsigned long header_size = get32(info);
    if (header_size != 12 && header_size != 40 && header_size != 64) ERREXIT(cinfo, JERR_BMP_BADHEADER);
    read_input_bytes(cinfo, f, info + 4, header_size - 4);
    long width, height;
    unsigned planes, entry_size, colours = 0;
    long xppm = 0, yppm = 0;
    unsigned long compression = 0;
    if (header_size == 12) {
        width = (long)get16(info + 4);
        height = (long)get16(info + 6);
        planes = get16(info + 8);
        r->bits = (int)get16(info + 10);
        entry_size = 3;
        if (r->bits != 8 && r->bits != 24) ERREXIT(cinfo, JERR_BMP_BADDEPTH);
        if (r->bits == 8) colours = 256;
    } else {
        width = (long)get32(info + 4);
        height = (long)get32(info + 8);
        planes = get16(info + 12);
        r->bits = (int)get16(info + 14);
        compression = get32(info + 16);
        xppm = (long)get32(info + 24);
        yppm = (long)get32(info + 28);
        unsigned long used = get32(info + 32);
        entry_size = 4;
        if (r->bits != 8 && r->bits != 24 && r->bits != 32) ERREXIT(cinfo, JERR_BMP_BADDEPTH);
        if (r->bits == 8) {
            if (used > 256) ERREXIT(cinfo, JERR_BMP_BADCMAP);
            colours = used ? (unsigned)used : 256;
        }
    }
    if (planes != 1) ERREXIT(cinfo, JERR_BMP_BADPLANES);
    if (compression != 0) ERREXIT(cinfo, JERR_BMP_COMPRESSED);
    if (width < 1 || height < 1) ERREXIT(cinfo, JERR_BMP_EMPTY);
    if (xppm > 0 && yppm > 0) {
        cinfo->density_unit = 2;
        cinfo->X_density = (UINT16)(xppm / 100 > 65535 ? 65535 : xppm / 100);
        cinfo->Y_density = (UINT16)(yppm / 100 > 65535 ? 65535 : yppm / 100);
    }
    memset(r->palette, 0, sizeof r->palette);
    for (unsigned i = 0; i < colours; i++) {
        BYTE entry[4];
        read_input_bytes(cinfo, f, entry, entry_size);
        memcpy(r->palette[i], entry, 3);
    }
    unsigned long consumed = 14 + header_size + colours * entry_size;
    if (data_offset != 0) {
        if (data_offset < consumed) ERREXIT(cinfo, JERR_BMP_BADHEADER);
        for (unsigned long skip = data_offset - consumed; skip > 0; skip--) read_input_byte(cinfo, f);
    }
    cinfo->image_width = (JDIMENSION)width;
    cinfo->image_height = (JDIMENSION)height;
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_EXT_BGR;
    if (width > 65535 || height > 65535) return;  // the loader refuses the size
    r->row_bytes = (JDIMENSION)(((unsigned long)width * r->bits + 31) / 32 * 4);
    // Uncompressed rows: a file shorter than they are ends before its image.
    if (!file_can_hold(f, (double)r->row_bytes * height, 1)) ERREXIT(cinfo, JERR_INPUT_EOF);
    pub->buffer = (*cinfo->mem->alloc_sarray)((j_common_ptr)cinfo, JPOOL_IMAGE, (JDIMENSION)width * 3, 1);
    pub->buffer_height = 1;
    pub->get_pixel_rows = bmp_load_image;
}

input_reader* bmp_init_reader(j_compress_ptr cinfo) { return new_input_reader<bmp_reader>(cinfo, bmp_start_input); }
