// gzip data checked through zlib: libarchive's gzip reader checks neither a
// member's CRC nor its length, so a damaged .gz or .tar.gz would read as
// sound, and it gives up on a cut stream at its first read-ahead, so a short
// one would show nothing of what it holds.
#include "standins/archiver/standin.h"
#include <zlib.h>

namespace {

struct inflater {
    z_stream z = {};
    bool ready = inflateInit2(&z, 15 + 16) == Z_OK;  // gzip wrapper, CRC and length checked
    ~inflater()
    {
        if (ready) inflateEnd(&z);
    }
};

bool gzip_magic(const unsigned char* p) { return p[0] == 0x1F && p[1] == 0x8B; }

}  // namespace

int gzip_stream_state(const char* path, const char* inflated_to)
{
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GZIP_NONE;
    static unsigned char input[65536], output[65536];
    DWORD got = 0;
    bool read_ok = ReadFile(h, input, sizeof input, &got, nullptr) != 0;
    if (!read_ok || got < 2 || !gzip_magic(input)) {
        CloseHandle(h);
        return GZIP_NONE;
    }
    inflater f;
    std::unique_ptr<file_writer> out(inflated_to ? new file_writer(inflated_to) : nullptr);
    f.z.next_in = input;
    f.z.avail_in = got;
    // Sound when the last member ended cleanly and nothing but another member
    // (or zero padding) follows it.
    bool ended = false;
    int result = f.ready ? Z_OK : Z_MEM_ERROR;
    while (result == Z_OK || result == Z_STREAM_END) {
        if (f.z.avail_in == 0) {
            if (!ReadFile(h, input, sizeof input, &got, nullptr) || got == 0) break;
            f.z.next_in = input;
            f.z.avail_in = got;
        }
        if (ended) {
            if (f.z.avail_in >= 2 && gzip_magic(f.z.next_in)) {
                inflateReset(&f.z);
                ended = false;
                continue;
            }
            while (f.z.avail_in && *f.z.next_in == 0) f.z.next_in++, f.z.avail_in--;
            if (f.z.avail_in) ended = false;  // something else trails the data
            if (!ended) break;
            continue;
        }
        f.z.next_out = output;
        f.z.avail_out = sizeof output;
        result = inflate(&f.z, Z_NO_FLUSH);
        if (out) out->put(output, sizeof output - f.z.avail_out);
        if (result == Z_STREAM_END) ended = true;
        if (result == Z_BUF_ERROR && f.z.avail_in == 0) result = Z_OK;  // wants more input
    }
    CloseHandle(h);
    if (out) out->close();
    return ended ? GZIP_SOUND : GZIP_DAMAGED;
}
