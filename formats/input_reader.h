// The reader object shared by the input readers for GIF-named files and their
// driver: each reader fills a compression object's size and colour fields in
// its start routine and then delivers rows of blue-green-red (or grey) samples.
#pragma once
#include <cstdio>
#include <cstring>
#include <jpeglib.h>

struct input_reader {
    void (*start_input)(j_compress_ptr cinfo, input_reader* reader);
    JDIMENSION (*get_pixel_rows)(j_compress_ptr cinfo, input_reader* reader);
    void (*finish_input)(j_compress_ptr cinfo, input_reader* reader);
    FILE* input_file;
    JSAMPARRAY buffer;
    JDIMENSION buffer_height;
};

// The readers' own messages, numbered 1000 to 1044.
enum input_reader_message {
    JMSG_FIRSTADDONCODE = 1000,
    JERR_BMP_BADCMAP,
    JERR_BMP_BADDEPTH,
    JERR_BMP_BADHEADER,
    JERR_BMP_BADPLANES,
    JERR_BMP_COLORSPACE,
    JERR_BMP_COMPRESSED,
    JERR_BMP_EMPTY,
    JERR_BMP_NOT,
    JTRC_BMP,
    JTRC_BMP_MAPPED,
    JTRC_BMP_OS2,
    JTRC_BMP_OS2_MAPPED,
    JERR_GIF_BUG,
    JERR_GIF_CODESIZE,
    JERR_GIF_COLORSPACE,
    JERR_GIF_IMAGENOTFOUND,
    JERR_GIF_NOT,
    JTRC_GIF,
    JTRC_GIF_BADVERSION,
    JTRC_GIF_EXTENSION,
    JTRC_GIF_NONSQUARE,
    JWRN_GIF_BADDATA,
    JWRN_GIF_CHAR,
    JWRN_GIF_ENDCODE,
    JWRN_GIF_NOMOREDATA,
    JERR_PPM_COLORSPACE,
    JERR_PPM_NONNUMERIC,
    JERR_PPM_NOT,
    JTRC_PGM,
    JTRC_PGM_TEXT,
    JTRC_PPM,
    JTRC_PPM_TEXT,
    JERR_TGA_BADCMAP,
    JERR_TGA_BADPARMS,
    JERR_TGA_COLORSPACE,
    JTRC_TGA,
    JTRC_TGA_GRAY,
    JTRC_TGA_MAPPED,
    JERR_BAD_CMAP_FILE,
    JERR_TOO_MANY_COLORS,
    JERR_UNGETC_FAILED,
    JERR_UNKNOWN_INPUT,
    JERR_UNSUPPORTED_FORMAT,
    JMSG_LASTADDONCODE
};
static_assert(JERR_BMP_NOT == 1008 && JERR_GIF_CODESIZE == 1014 && JWRN_GIF_NOMOREDATA == 1025 &&
                  JERR_PPM_NOT == 1028 && JERR_TGA_BADPARMS == 1034 && JERR_UNGETC_FAILED == 1041 &&
                  JERR_UNKNOWN_INPUT == 1042 && JMSG_LASTADDONCODE == 1044,
              "message numbers");
extern const char* const input_reader_messages[];

// A reader of kind R (its input_reader first, as pub) from the image pool,
// zeroed, with its start step and a finish step that has nothing to do.
template <class R> input_reader* new_input_reader(j_compress_ptr cinfo, void (*start)(j_compress_ptr, input_reader*))
{
    R* r = (R*)(*cinfo->mem->alloc_small)((j_common_ptr)cinfo, JPOOL_IMAGE, sizeof(R));
    memset(r, 0, sizeof *r);
    r->pub.start_input = start;
    r->pub.finish_input = [](j_compress_ptr, input_reader*) {};
    return &r->pub;
}

input_reader* bmp_init_reader(j_compress_ptr cinfo);
input_reader* ppm_init_reader(j_compress_ptr cinfo);
input_reader* gif_init_reader(j_compress_ptr cinfo);
input_reader* tga_init_reader(j_compress_ptr cinfo);

// Byte helpers for the BMP, PPM and Targa readers: end of file is the
// library's fatal end-of-input error.
int read_input_byte(j_compress_ptr cinfo, FILE* file);
void read_input_bytes(j_compress_ptr cinfo, FILE* file, void* buffer, size_t count);
