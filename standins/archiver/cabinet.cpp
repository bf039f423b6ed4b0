// A cabinet's file table read as the file holds it: libarchive drops the
// cp932 names that the header marks UTF-8 (as gcab does) and mends others,
// and hands over the bytes of a member before it has checked the data block
// they lie in. Every data block's checksum is checked here instead, so that a
// member in a damaged or missing block is never taken for sound.
#include "standins/archiver/standin.h"
#include <cstring>

namespace {

unsigned get16(const unsigned char* p) { return p[0] | (p[1] << 8); }
unsigned long get32(const unsigned char* p) { return get16(p) | (static_cast<unsigned long>(get16(p + 2)) << 16); }

// The cabinet checksum: the bytes as little-endian words XORed, the last
// one to three bytes taken high byte first.
unsigned long cab_checksum(const unsigned char* p, size_t n, unsigned long seed)
{
    unsigned long sum = seed;
    for (; n >= 4; n -= 4, p += 4) sum ^= get32(p);
    unsigned long tail = 0;
    for (size_t i = 0; i < n; i++) tail = (tail << 8) | p[i];
    return sum ^ tail;
}

struct byte_range {
    unsigned folder;
    unsigned long from, to;  // within the folder's uncompressed bytes
};

enum { HEADER = 36, FLAG_PREVIOUS = 1, FLAG_NEXT = 2, FLAG_RESERVE = 4, NO_COMPRESSION = 0 };

// The stretches of each folder that no sound block holds. In a compressed
// folder a block depends on those before it: everything from the first bad
// block on is lost.
bool damaged_ranges(const std::string& cab, std::vector<byte_range>* bad)
{
    const unsigned char* b = reinterpret_cast<const unsigned char*>(cab.data());
    unsigned flags = get16(b + 30), folders = get16(b + 26);
    if (flags & (FLAG_PREVIOUS | FLAG_NEXT)) return false;  // a cabinet set: not ours to judge
    size_t at = HEADER;
    unsigned folder_reserve = 0, data_reserve = 0;
    if (flags & FLAG_RESERVE) {
        if (cab.size() < at + 4) return false;
        folder_reserve = b[at + 2];
        data_reserve = b[at + 3];
        at += 4 + get16(b + at);
    }
    for (unsigned f = 0; f < folders; f++, at += 8 + folder_reserve) {
        if (cab.size() < at + 8) return false;
        size_t block = get32(b + at);
        unsigned blocks = get16(b + at + 4);
        bool compressed = (get16(b + at + 6) & 0x0F) != NO_COMPRESSION;
        unsigned long offset = 0;
        for (unsigned k = 0; k < blocks; k++) {
            size_t data = block + 8 + data_reserve;
            if (data > cab.size() || data + get16(b + block + 4) > cab.size()) {
                bad->push_back({f, offset, ~0UL});  // cut off: nothing further is there
                break;
            }
            unsigned stored = get16(b + block + 4), length = get16(b + block + 6);
            unsigned long sum = get32(b + block);
            if (sum && cab_checksum(b + block + 4, 4, cab_checksum(b + data, stored, 0)) != sum) {
                bad->push_back({f, offset, compressed ? ~0UL : offset + length});
                if (compressed) break;
            }
            offset += length;
            block = data + stored;
        }
    }
    return true;
}

std::vector<cab_name> cabinet_table(const std::string& cab)
{
    std::vector<cab_name> names;
    if (cab.size() < HEADER || memcmp(cab.data(), "MSCF", 4) != 0) return names;
    const unsigned char* b = reinterpret_cast<const unsigned char*>(cab.data());
    size_t at = get32(b + 16);
    unsigned count = get16(b + 28);
    std::vector<byte_range> bad;
    bool judged = damaged_ranges(cab, &bad);
    for (unsigned i = 0; i < count; i++) {
        size_t end = at + 16 <= cab.size() ? cab.find('\0', at + 16) : std::string::npos;
        if (end == std::string::npos) return std::vector<cab_name>();
        cab_name n;
        n.size = get32(b + at);
        unsigned long from = get32(b + at + 4);
        unsigned folder = get16(b + at + 8);
        n.bytes = cab.substr(at + 16, end - at - 16);
        n.damaged = false;
        for (const byte_range& r : bad)
            if (judged && r.folder == folder && from < r.to && from + n.size > r.from) n.damaged = true;
        names.push_back(n);
        at = end + 1;
    }
    return names;
}

}  // namespace

std::vector<cab_name> cabinet_names(const char* path)
{
    std::string cab;
    if (!read_whole_file(path, &cab)) return std::vector<cab_name>();
    return cabinet_table(cab);
}
