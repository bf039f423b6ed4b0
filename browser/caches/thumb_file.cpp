// One thumbnail cache file: a 320-byte header that ties it to its image
// (size, picture size, write time, name), the stored picture's width and
// height, and the picture as a JPEG stream. The header is read and written
// here only, field by field in little-endian order, and every size in it is
// checked against the file before anything is sized from it.
#include "browser/caches/thumb_cache.h"
#include "files/files.h"
#include "formats/formats.h"
#include "base/le_fields.h"
#include <cstring>

namespace {
long file_length(FILE* f)
{
    if (fseek(f, 0, SEEK_END) != 0) return -1;
    long n = ftell(f);
    return fseek(f, 0, SEEK_SET) == 0 ? n : -1;
}
}  // namespace

int write_thumb_header(FILE* f, const thumb_file_header& h, int picture_w, int picture_h)
{
    unsigned char b[THUMB_PICTURE_OFFSET] = {};
    put32(b + 0, static_cast<uint32_t>(h.header_size));
    put32(b + 4, static_cast<uint32_t>(h.version));
    put32(b + 8, h.file_size);
    put32(b + 12, static_cast<uint32_t>(h.width));
    put32(b + 16, static_cast<uint32_t>(h.height));
    put32(b + 20, h.time_low);
    put32(b + 24, h.time_high);
    for (int i = 0; i < 4; i++) put32(b + 28 + 4 * i, static_cast<uint32_t>(h.zero1[i]));
    put32(b + 44, static_cast<uint32_t>(h.stored_size));
    put32(b + 48, static_cast<uint32_t>(h.stored_size2));
    put32(b + 52, static_cast<uint32_t>(h.colour_depth));
    put32(b + 56, static_cast<uint32_t>(h.zero2));
    size_t n = strnlen(h.path, PATH_BUF - 1);
    memcpy(b + 60, h.path, n);
    put32(b + 320, static_cast<uint32_t>(picture_w));
    put32(b + 324, static_cast<uint32_t>(picture_h));
    return fwrite(b, 1, sizeof b, f) == sizeof b ? 1 : 0;
}

thumb_read_result read_thumb_header(FILE* f, thumb_file_header* h)
{
    memset(h, 0, sizeof *h);
    unsigned char b[THUMB_HEADER_BYTES];
    size_t got = fread(b, 1, sizeof b, f);
    if (got < 8 || get32(b) != THUMB_HEADER_BYTES || get32(b + 4) != THUMB_FILE_VERSION) return THUMB_FILE_FOREIGN;
    if (got < sizeof b) return THUMB_FILE_BAD;
    h->header_size = static_cast<int32_t>(get32(b + 0));
    h->version = static_cast<int32_t>(get32(b + 4));
    h->file_size = get32(b + 8);
    h->width = static_cast<int32_t>(get32(b + 12));
    h->height = static_cast<int32_t>(get32(b + 16));
    h->time_low = get32(b + 20);
    h->time_high = get32(b + 24);
    for (int i = 0; i < 4; i++) h->zero1[i] = static_cast<int32_t>(get32(b + 28 + 4 * i));
    h->stored_size = static_cast<int32_t>(get32(b + 44));
    h->stored_size2 = static_cast<int32_t>(get32(b + 48));
    h->colour_depth = static_cast<int32_t>(get32(b + 52));
    h->zero2 = static_cast<int32_t>(get32(b + 56));
    memcpy(h->path, b + 60, PATH_BUF - 1);
    h->path[PATH_BUF - 1] = 0;
    return THUMB_FILE_OK;
}

int read_thumb_picture_size(FILE* f, int stored_size, int* picture_w, int* picture_h)
{
    *picture_w = *picture_h = 0;
    if (stored_size != 128 && stored_size != 256) return 0;
    long length = file_length(f);
    unsigned char b[8];
    if (length <= THUMB_PICTURE_OFFSET || fseek(f, THUMB_HEADER_BYTES, SEEK_SET) != 0 || fread(b, 1, 8, f) != 8)
        return 0;
    int32_t w = static_cast<int32_t>(get32(b)), h = static_cast<int32_t>(get32(b + 4));
    if (w < 1 || h < 1 || w > stored_size || h > stored_size) return 0;
    // The stream must say the same size, or the decoder would write rows the
    // buffer sized from the header does not have.
    int jw = 0, jh = 0, xdpi, ydpi;
    reset_jpeg_error_state();
    if (!read_jpeg_header_info(f, &jw, &jh, &xdpi, &ydpi) || jw != w || jh != h) return 0;
    if (fseek(f, THUMB_PICTURE_OFFSET, SEEK_SET) != 0) return 0;
    *picture_w = w;
    *picture_h = h;
    return 1;
}

int new_cache_file_name(char* out, const char* root, char mark, const char* image_path)
{
    const char* name = file_name_of(image_path);
    // The longest name this may make must fit, so that every number does.
    if (!text_format(out, PATH_BUF, "%s%c.%s.%d", root, mark, name, 999)) return 0;
    for (int n = 0; n < 1000; n++) {
        text_format(out, PATH_BUF, "%s%c.%s.%d", root, mark, name, n);
        if (GetFileAttributesA(out) == INVALID_FILE_ATTRIBUTES) return 1;
    }
    return 1;
}

int cache_search_pattern(char* out, const char* root, const char* image_path)
{
    const char* name = file_name_of(image_path);
    char longest[PATH_BUF];
    if (!text_format(longest, sizeof longest, "%s$.%s.999", root, name)) return 0;
    return text_format(out, PATH_BUF, "%s*.%s.*", root, name) ? 1 : 0;
}
