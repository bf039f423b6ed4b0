// Targa input reader: colour-mapped (1), true-colour (2) and grey (3) images
// and their run-length forms (9, 10, 11); 8-, 16-, 24- and 32-bit pixels.
// Bottom-up images are read whole on the first row request and delivered
// top-down; indices past the colour map read black.
#include "formats/jpeg.h"
#include "formats/input_reader.h"
#include "formats/internal.h"
#include "graphics/kavtrel.h"
#include <cstring>
#include <jerror.h>

struct tga_reader {
    input_reader pub;
    JSAMPLE colormap[256][3];  // blue green red
    int pixel_size;            // bytes per file pixel
    int mapped;
    int rle;
    int run_left;     // pixels left in the current packet
    int run_repeats;  // the packet repeats one pixel
    BYTE run_pixel[4];
    JSAMPARRAY whole;
    JDIMENSION next_row;
};

static void tga_read_pixel(j_compress_ptr cinfo, tga_reader* r, BYTE* pixel)
{
    FILE* f = r->pub.input_file;
    if (!r->rle) {
        read_input_bytes(cinfo, f, pixel, r->pixel_size);
        return;
    }
    if (r->run_left == 0) {
        int head = read_input_byte(cinfo, f);
        r->run_left = (head & 0x7F) + 1;
        r->run_repeats = head & 0x80;
        if (r->run_repeats) read_input_bytes(cinfo, f, r->run_pixel, r->pixel_size);
    }
    r->run_left--;
    if (r->run_repeats)
        memcpy(pixel, r->run_pixel, r->pixel_size);
    else
        read_input_bytes(cinfo, f, pixel, r->pixel_size);
}

static JSAMPLE widen5(unsigned v) { return (JSAMPLE)((v * 255 + 15) / 31); }

// One file row into `out` (three samples per pixel, or one for grey).
static void tga_read_row(j_compress_ptr cinfo, tga_reader* r, JSAMPLE* out)
{
    for (JDIMENSION x = 0; x < cinfo->image_width; x++) {
        BYTE p[4];
        tga_read_pixel(cinfo, r, p);
        if (cinfo->input_components == 1) {
            *out++ = p[0];
        } else if (r->mapped) {
            memcpy(out, r->colormap[p[0]], 3);
            out += 3;
        } else if (r->pixel_size == 2) {
            unsigned v = p[0] | (p[1] << 8);
            *out++ = widen5(v & 0x1F);
            *out++ = widen5((v >> 5) & 0x1F);
            *out++ = widen5((v >> 10) & 0x1F);
        } else {
            *out++ = p[0];
            *out++ = p[1];
            *out++ = p[2];
        }
    }
}

static JDIMENSION tga_get_row(j_compress_ptr cinfo, input_reader* pub)
{
    tga_read_row(cinfo, (tga_reader*)pub, pub->buffer[0]);
    return 1;
}

static JDIMENSION tga_deliver_row(j_compress_ptr cinfo, input_reader* pub)
{
    tga_reader* r = (tga_reader*)pub;
    memcpy(pub->buffer[0], r->whole[r->next_row++], (size_t)cinfo->image_width * cinfo->input_components);
    return 1;
}

static JDIMENSION tga_load_image(j_compress_ptr cinfo, input_reader* pub)
{
    tga_reader* r = (tga_reader*)pub;
    if (!bmap_size_ok(cinfo->image_width, cinfo->image_height)) ERREXIT1(cinfo, JERR_IMAGE_TOO_BIG, 65535);
    r->whole = (*cinfo->mem->alloc_sarray)((j_common_ptr)cinfo, JPOOL_IMAGE,
                                           cinfo->image_width * cinfo->input_components, cinfo->image_height);
    for (JDIMENSION i = 0; i < cinfo->image_height; i++) tga_read_row(cinfo, r, r->whole[cinfo->image_height - 1 - i]);
    r->next_row = 0;
    pub->get_pixel_rows = tga_deliver_row;
    return tga_deliver_row(cinfo, pub);
}

static void tga_start_input(j_compress_ptr cinfo, input_reader* pub)
{
    tga_reader* r = (tga_reader*)pub;
    FILE* f = pub->input_file;
    BYTE h[18];
    read_input_bytes(cinfo, f, h, 18);
    int id_length = h[0], map_type = h[1], type = h[2];
    unsigned map_first = h[3] | (h[4] << 8), map_length = h[5] | (h[6] << 8);
    int map_entry_bits = h[7];
    unsigned width = h[12] | (h[13] << 8), height = h[14] | (h[15] << 8);
    int bits = h[16], flags = h[17];
    r->pixel_size = bits / 8;
    r->rle = type > 8;
    int base = type > 8 ? type - 8 : type;
    if (map_type > 1 || width < 1 || height < 1 || bits % 8 != 0 || bits < 8 || bits > 32 || (flags & 0xC0) != 0)
        ERREXIT(cinfo, JERR_TGA_BADPARMS);
    for (int i = 0; i < id_length; i++) read_input_byte(cinfo, f);
    if (map_type == 1) {
        if (map_length > 256 || map_first != 0 || map_entry_bits != 24) ERREXIT(cinfo, JERR_TGA_BADCMAP);
        for (unsigned i = 0; i < map_length; i++) read_input_bytes(cinfo, f, r->colormap[i], 3);
    }
    switch (base) {
    case 1:
        if (bits != 8 || map_type != 1) ERREXIT(cinfo, JERR_TGA_BADPARMS);
        r->mapped = 1;
        cinfo->input_components = 3;
        break;
    case 2:
        if (bits == 8) ERREXIT(cinfo, JERR_TGA_BADPARMS);
        cinfo->input_components = 3;
        break;
    case 3:
        if (bits != 8) ERREXIT(cinfo, JERR_TGA_BADPARMS);
        cinfo->input_components = 1;
        break;
    default: ERREXIT(cinfo, JERR_TGA_BADPARMS);
    }
    cinfo->in_color_space = cinfo->input_components == 1 ? JCS_GRAYSCALE : JCS_EXT_BGR;
    // Raw pixels take their size each; a run-length packet of a header byte
    // and one pixel gives at most 128 pixels.
    double pixels = (double)width * height;
    if (!(r->rle ? file_can_hold(f, pixels * (1 + r->pixel_size), 128) : file_can_hold(f, pixels * r->pixel_size, 1)))
        ERREXIT(cinfo, JERR_INPUT_EOF);
    cinfo->image_width = width;
    cinfo->image_height = height;
    pub->buffer = (*cinfo->mem->alloc_sarray)((j_common_ptr)cinfo, JPOOL_IMAGE, width * cinfo->input_components, 1);
    pub->buffer_height = 1;
    pub->get_pixel_rows = (flags & 0x20) ? tga_get_row : tga_load_image;
}

input_reader* tga_init_reader(j_compress_ptr cinfo) { return new_input_reader<tga_reader>(cinfo, tga_start_input); }
