// The program's own Photoshop reader: header check, probe, and the decoder of
// the flattened image data (bitmap, grey, indexed and RGB; raw or PackBits).
// Every number in the file is big-endian. Sizes claimed by the file are checked
// against the file's length and the image size limit before anything is made.
#include "base/holders.h"
#include "formats/psd.h"
#include "formats/internal.h"
#include "graphics/kavtrel.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum { MODE_BITMAP = 0, MODE_GREY = 1, MODE_INDEXED = 2, MODE_RGB = 3 };
enum { COLOUR_TABLE_BYTES = 768 };

unsigned read_be16(const unsigned char* p) { return (unsigned)p[0] << 8 | p[1]; }
unsigned long read_be32(const unsigned char* p)
{
    return (unsigned long)p[0] << 24 | (unsigned long)p[1] << 16 | (unsigned long)p[2] << 8 | p[3];
}

// The image data as a byte source: raw bytes, or PackBits packets decoded on
// the fly. Reads are buffered; a failed read sets `failed` for good.
struct psd_source {
    FILE* file;
    bool packbits;
    bool failed = false;
    unsigned char buf[16384];
    size_t pos = 0, len = 0;
    int literal_left = 0;  // bytes of a literal packet still to come
    int repeat_left = 0;   // copies of repeat_byte still to give
    unsigned char repeat_byte = 0;

    psd_source(FILE* f, bool pb) : file(f), packbits(pb) {}

    bool file_byte(unsigned char* out)
    {
        if (failed) return false;
        if (pos == len) {
            len = fread(buf, 1, sizeof buf, file);
            pos = 0;
            if (len == 0) {
                failed = true;
                return false;
            }
        }
        *out = buf[pos++];
        return true;
    }

    bool next(unsigned char* out)
    {
        if (!packbits) return file_byte(out);
        for (;;) {
            if (repeat_left > 0) {
                repeat_left--;
                *out = repeat_byte;
                return true;
            }
            if (literal_left > 0) {
                literal_left--;
                return file_byte(out);
            }
            unsigned char header;
            if (!file_byte(&header)) return false;
            int n = (signed char)header;
            if (n >= 0) {
                literal_left = n + 1;
            } else if (n == -128) {
                continue;  // no data: the next byte is a header again
            } else {
                if (!file_byte(&repeat_byte)) return false;
                repeat_left = 1 - n;
            }
        }
    }

    // A packet never runs over the end of the area it was decoded for (a row
    // of a bitmap, a plane otherwise): drop what is left of it.
    void end_area()
    {
        repeat_left = 0;
        unsigned char skip;
        while (literal_left > 0 && file_byte(&skip)) literal_left--;
        literal_left = 0;
    }
};

void decode_bitmap(_bmap* image, psd_source& src)
{
    int row_bytes = (image->width + 7) / 8;
    for (int y = 0; y < image->height; y++) {
        BYTE* row = image->pixels + (size_t)y * image->stride;
        for (int k = 0; k < row_bytes; k++) {
            unsigned char v;
            if (!src.next(&v)) return;
            for (int bit = 0; bit < 8; bit++) {
                int x = k * 8 + bit;
                if (x >= image->width) break;
                unsigned char c = (v & (0x80 >> bit)) ? 0 : 255;
                row[x * 3] = row[x * 3 + 1] = row[x * 3 + 2] = c;
            }
        }
        if (src.packbits) src.end_area();
    }
}

// One plane of w x h bytes; `channel` selects blue 0, green 1, red 2, or -1
// for grey (all three), -2 for indices looked up in the colour table.
void decode_plane(_bmap* image, psd_source& src, int channel, const unsigned char* table)
{
    unsigned long count = (unsigned long)image->width * (unsigned long)image->height;
    for (unsigned long i = 0; i < count; i++) {
        unsigned char v;
        if (!src.next(&v)) return;
        BYTE* p = image->pixels + (size_t)(i / (unsigned long)image->width) * image->stride +
                  (size_t)(i % (unsigned long)image->width) * 3;
        if (channel >= 0)
            p[channel] = v;
        else if (channel == -1)
            p[0] = p[1] = p[2] = v;
        else {
            p[2] = table[v];
            p[1] = table[256 + v];
            p[0] = table[512 + v];
        }
    }
    if (src.packbits) src.end_area();
}

// Reads a 4-byte length and checks that it fits in the rest of the file.
bool read_section_length(FILE* file, long long file_size, unsigned long* length)
{
    unsigned char b[4];
    if (fread(b, 1, 4, file) != 4) return false;
    *length = read_be32(b);
    long long here = ftello64(file);
    return here >= 0 && (long long)*length <= file_size - here;
}

bool skip(FILE* file, unsigned long long bytes) { return fseeko64(file, (long long)bytes, SEEK_CUR) == 0; }

}  // namespace

int check_psd_header(const unsigned char* h)
{
    if (memcmp(h, "8BPS", 4) != 0) return 0;
    if (read_be16(h + 4) != 1) return 0;
    unsigned depth = read_be16(h + 22), mode = read_be16(h + 24);
    if ((mode == MODE_GREY || mode == MODE_INDEXED || mode == MODE_RGB) && depth == 8) return 1;
    if (mode == MODE_BITMAP && depth == 1) return 1;
    return 0;
}

// The planes the header describes, packed at PackBits' best (128 bytes from
// two): a file that could not hold them has a damaged size. A raw file cut
// short within that still shows what it holds.
static bool file_holds_planes(const unsigned char* h, FILE* file)
{
    unsigned channels = read_be16(h + 12), mode = read_be16(h + 24);
    double rows = read_be32(h + 14), columns = read_be32(h + 18);
    double planes = mode == MODE_RGB ? (channels < 3 ? channels : 3) : 1;
    double bytes = mode == MODE_BITMAP ? rows * std::ceil(columns / 8) : rows * columns * planes;
    return file_can_hold(file, bytes, PACKBITS_MOST);
}

int probe_psd_file(const char* path, int* width, int* height)
{
    unsigned char h[PSD_HEADER_SIZE];
    {
        c_file f(fopen(path, "rb"));
        if (!f.get()) return 0;
        if (fread(h, 1, sizeof h, f.get()) != sizeof h) return 0;
        if (!check_psd_header(h) || !file_holds_planes(h, f.get())) return 0;
    }
    unsigned long rows = read_be32(h + 14), columns = read_be32(h + 18);
    if (!bmap_size_ok(columns, rows)) return 0;
    *height = (int)rows;
    *width = (int)columns;
    return 1;
}

_bmap* load_psd_file(const char* path)
{
    c_file f(fopen(path, "rb"));
    if (!f.get()) return nullptr;
    FILE* file = f.get();
    if (fseeko64(file, 0, SEEK_END) != 0) return nullptr;
    long long file_size = ftello64(file);
    if (file_size < 0 || fseeko64(file, 0, SEEK_SET) != 0) return nullptr;

    unsigned char h[PSD_HEADER_SIZE];
    if (fread(h, 1, sizeof h, file) != sizeof h) return nullptr;
    if (!check_psd_header(h) || !file_holds_planes(h, file)) return nullptr;
    unsigned channels = read_be16(h + 12);
    unsigned long rows = read_be32(h + 14), columns = read_be32(h + 18);
    unsigned mode = read_be16(h + 24);
    if (!bmap_size_ok(columns, rows)) return nullptr;

    // Colour mode data: the colour table of an indexed file (256 red, 256 green, 256 blue).
    unsigned long length;
    if (!read_section_length(file, file_size, &length)) return nullptr;
    heap_buffer<unsigned char> table;
    if (length > 0) {
        table.reset((unsigned char*)malloc(length));
        if (!table) return nullptr;
        if (fread(table.get(), 1, length, file) != length) return nullptr;
    }
    if (mode == MODE_INDEXED && length < COLOUR_TABLE_BYTES) return nullptr;

    // Image resources, then layer and mask information: skipped.
    for (int section = 0; section < 2; section++) {
        if (!read_section_length(file, file_size, &length)) return nullptr;
        if (!skip(file, length)) return nullptr;
    }
    unsigned char c[2];
    if (fread(c, 1, 2, file) != 2) return nullptr;
    unsigned compression = read_be16(c);
    if (compression > 1) return nullptr;
    if (compression != 0) {
        unsigned long long counts = (unsigned long long)channels * rows * 2;
        long long here = ftello64(file);
        if (here < 0 || (long long)counts > file_size - here) return nullptr;
        if (!skip(file, counts)) return nullptr;
    }

    _bmap* image = bmap_new((int)columns, (int)rows);
    if (!image) return nullptr;
    memset(image->pixels, 0, (size_t)image->size);  // a short file leaves the rest black

    psd_source src(file, compression != 0);
    switch (mode) {
    case MODE_BITMAP: decode_bitmap(image, src); break;
    case MODE_GREY: decode_plane(image, src, -1, nullptr); break;
    case MODE_INDEXED: decode_plane(image, src, -2, table.get()); break;
    case MODE_RGB: {
        unsigned planes = channels < 3 ? channels : 3;
        static const int order[3] = {2, 1, 0};  // red, green, blue planes
        for (unsigned p = 0; p < planes && !src.failed; p++) decode_plane(image, src, order[p], nullptr);
        break;
    }
    }
    return image;
}
