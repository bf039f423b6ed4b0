// PPM/PGM input reader: text ("P2", "P3") and raw ("P5", "P6") files, grey or
// colour, any maximum value up to 65535, rescaled to 0..255. Samples above
// the maximum are clamped to it.
#include "formats/jpeg.h"
#include "formats/input_reader.h"
#include "formats/internal.h"
#include <cstring>
#include <jerror.h>

struct ppm_reader {
    input_reader pub;
    int format;  // '2', '3', '5' or '6'
    unsigned maxval;
    JSAMPLE* rescale;  // maxval + 1 entries
    BYTE* raw_row;     // one file row of a raw file
    size_t raw_bytes;
};

// The next character with comments dropped; end of file is premature unless
// `end_allowed` (then EOF is returned).
static int ppm_getc(j_compress_ptr cinfo, FILE* f, bool end_allowed = false)
{
    int c = end_allowed ? getc(f) : read_input_byte(cinfo, f);
    if (c == '#') {
        do c = end_allowed ? getc(f) : read_input_byte(cinfo, f);
        while (c != '\n' && c != '\r' && c != EOF);
    }
    return c;
}

// A decimal number after white space; its one terminating character is
// consumed. A number may end at end of file: a complete text file need not
// end in white space.
static unsigned ppm_read_number(j_compress_ptr cinfo, FILE* f)
{
    int c;
    do c = ppm_getc(cinfo, f);
    while (c == ' ' || c == '\t' || c == '\n' || c == '\r');
    if (c < '0' || c > '9') ERREXIT(cinfo, JERR_PPM_NONNUMERIC);
    unsigned long value = 0;
    while (c >= '0' && c <= '9') {
        value = value * 10 + (c - '0');
        if (value > 0xFFFFFFFUL) value = 0xFFFFFFFUL;
        c = ppm_getc(cinfo, f, true);
    }
    return (unsigned)value;
}

static JSAMPLE ppm_scale(const ppm_reader* r, unsigned v) { return r->rescale[v > r->maxval ? r->maxval : v]; }

static JDIMENSION ppm_get_text_row(j_compress_ptr cinfo, input_reader* pub)
{
    ppm_reader* r = (ppm_reader*)pub;
    JSAMPLE* out = pub->buffer[0];
    if (r->format == '2') {
        for (JDIMENSION x = 0; x < cinfo->image_width; x++)
            out[x] = ppm_scale(r, ppm_read_number(cinfo, pub->input_file));
    } else {
        for (JDIMENSION x = 0; x < cinfo->image_width; x++, out += 3) {
            unsigned red = ppm_read_number(cinfo, pub->input_file);
            unsigned green = ppm_read_number(cinfo, pub->input_file);
            unsigned blue = ppm_read_number(cinfo, pub->input_file);
            out[0] = ppm_scale(r, blue);
            out[1] = ppm_scale(r, green);
            out[2] = ppm_scale(r, red);
        }
    }
    return 1;
}

static JDIMENSION ppm_get_raw_row(j_compress_ptr cinfo, input_reader* pub)
{
    ppm_reader* r = (ppm_reader*)pub;
    read_input_bytes(cinfo, pub->input_file, r->raw_row, r->raw_bytes);
    int per_pixel = r->format == '6' ? 3 : 1;
    int wide = r->maxval > 255 ? 2 : 1;
    JSAMPLE* out = pub->buffer[0];
    const BYTE* in = r->raw_row;
    for (JDIMENSION x = 0; x < cinfo->image_width; x++) {
        JSAMPLE s[3];
        for (int k = 0; k < per_pixel; k++, in += wide)
            s[k] = ppm_scale(r, wide == 2 ? (unsigned)(in[0] << 8 | in[1]) : in[0]);
        if (per_pixel == 1) {
            *out++ = s[0];
        } else {
            *out++ = s[2];
            *out++ = s[1];
            *out++ = s[0];
        }
    }
    return 1;
}

static void ppm_start_input(j_compress_ptr cinfo, input_reader* pub)
{
    ppm_reader* r = (ppm_reader*)pub;
    FILE* f = pub->input_file;
    if (read_input_byte(cinfo, f) != 'P') ERREXIT(cinfo, JERR_PPM_NOT);
    r->format = read_input_byte(cinfo, f);
    if (r->format != '2' && r->format != '3' && r->format != '5' && r->format != '6') ERREXIT(cinfo, JERR_PPM_NOT);
    unsigned w = ppm_read_number(cinfo, f);
    unsigned h = ppm_read_number(cinfo, f);
    unsigned maxval = ppm_read_number(cinfo, f);
    if (w < 1 || h < 1 || maxval < 1 || maxval > 65535) ERREXIT(cinfo, JERR_PPM_NOT);
    r->maxval = maxval;
    cinfo->image_width = w;
    cinfo->image_height = h;
    bool grey = r->format == '2' || r->format == '5';
    cinfo->input_components = grey ? 1 : 3;
    cinfo->in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    if (w > 65535 || h > 65535) return;  // the loader refuses the size
    // Raw samples take one or two bytes each, text samples at least a digit.
    double samples = (double)w * h * cinfo->input_components;
    bool text = r->format == '2' || r->format == '3';
    if (!file_can_hold(f, text ? samples : samples * (maxval > 255 ? 2 : 1), 1)) ERREXIT(cinfo, JERR_INPUT_EOF);
    r->rescale = (JSAMPLE*)(*cinfo->mem->alloc_small)((j_common_ptr)cinfo, JPOOL_IMAGE, maxval + 1);
    for (unsigned v = 0; v <= maxval; v++) r->rescale[v] = (JSAMPLE)((v * 255UL + maxval / 2) / maxval);
    pub->buffer = (*cinfo->mem->alloc_sarray)((j_common_ptr)cinfo, JPOOL_IMAGE, w * cinfo->input_components, 1);
    pub->buffer_height = 1;
    if (r->format == '2' || r->format == '3') {
        pub->get_pixel_rows = ppm_get_text_row;
    } else {
        r->raw_bytes = (size_t)w * cinfo->input_components * (maxval > 255 ? 2 : 1);
        r->raw_row = (BYTE*)(*cinfo->mem->alloc_large)((j_common_ptr)cinfo, JPOOL_IMAGE, r->raw_bytes);
        pub->get_pixel_rows = ppm_get_raw_row;
    }
}

input_reader* ppm_init_reader(j_compress_ptr cinfo) { return new_input_reader<ppm_reader>(cinfo, ppm_start_input); }
