// A cabinet's file table read as the file holds it: libarchive drops the
// cp932 names that the header marks UTF-8 (as gcab does) and mends others,
// and hands over the bytes of a member before it has checked the data block
// they lie in. Every data block's checksum is checked here instead, so that a
// member in a damaged or missing block is never taken for sound. The file is
// read where the table and each block lie, never whole.
#include "standins/archiver/standin.h"
#include <cstring>

namespace {


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

// Reads stretches of the cabinet file.
struct cab_file {
    HANDLE h;
    unsigned long long size = 0;
    explicit cab_file(const char* path)
        : h(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr))
    {
        LARGE_INTEGER n;
        if (h != INVALID_HANDLE_VALUE && GetFileSizeEx(h, &n)) size = static_cast<unsigned long long>(n.QuadPart);
    }
    ~cab_file()
    {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    // n bytes from at (fewer where the file ends); false when none could be read.
    bool read(unsigned long long at, size_t n, std::string* out) const
    {
        out->clear();
        if (h == INVALID_HANDLE_VALUE || at >= size) return false;
        if (n > size - at) n = static_cast<size_t>(size - at);
        out->resize(n);
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(at);
        DWORD got = 0;
        if (!SetFilePointerEx(h, to, nullptr, FILE_BEGIN) ||
            !ReadFile(h, &(*out)[0], static_cast<DWORD>(n), &got, nullptr))
            return false;
        out->resize(got);
        return got > 0;
    }
};

enum { HEADER = 36, FLAG_PREVIOUS = 1, FLAG_NEXT = 2, FLAG_RESERVE = 4, NO_COMPRESSION = 0 };

const unsigned char* bytes_of(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

// The stretches of each folder that no sound block holds. In a compressed
// folder a block depends on those before it: everything from the first bad
// block on is lost.
bool damaged_ranges(const cab_file& cab, const std::string& head, std::vector<byte_range>* bad)
{
    const unsigned char* b = bytes_of(head);
    unsigned flags = get16(b + 30), folders = get16(b + 26);
    if (flags & (FLAG_PREVIOUS | FLAG_NEXT)) return false;  // a cabinet set: not ours to judge
    unsigned long long at = HEADER;
    unsigned folder_reserve = 0, data_reserve = 0;
    std::string part;
    if (flags & FLAG_RESERVE) {
        if (!cab.read(at, 4, &part) || part.size() < 4) return false;
        folder_reserve = bytes_of(part)[2];
        data_reserve = bytes_of(part)[3];
        at += 4 + get16(bytes_of(part));
    }
    for (unsigned f = 0; f < folders; f++, at += 8 + folder_reserve) {
        if (!cab.read(at, 8, &part) || part.size() < 8) return false;
        unsigned long long block = get32(bytes_of(part));
        unsigned blocks = get16(bytes_of(part) + 4);
        bool compressed = (get16(bytes_of(part) + 6) & 0x0F) != NO_COMPRESSION;
        unsigned long offset = 0;
        for (unsigned k = 0; k < blocks; k++) {
            unsigned long long data = block + 8 + data_reserve;
            std::string h, stored_bytes;
            bool whole = data <= cab.size && cab.read(block, 8, &h) && h.size() == 8 &&
                         data + get16(bytes_of(h) + 4) <= cab.size;
            if (!whole) {
                bad->push_back({f, offset, ~0UL});  // cut off: nothing further is there
                break;
            }
            unsigned stored = get16(bytes_of(h) + 4), length = get16(bytes_of(h) + 6);
            unsigned long sum = get32(bytes_of(h));
            if (sum && stored) cab.read(data, stored, &stored_bytes);
            if (sum && (stored_bytes.size() != stored ||
                        cab_checksum(bytes_of(h) + 4, 4, cab_checksum(bytes_of(stored_bytes), stored, 0)) != sum)) {
                bad->push_back({f, offset, compressed ? ~0UL : offset + length});
                if (compressed) break;
            }
            offset += length;
            block = data + stored;
        }
    }
    return true;
}

std::vector<cab_name> cabinet_table(const cab_file& cab)
{
    std::vector<cab_name> names;
    std::string head;
    if (!cab.read(0, HEADER, &head) || head.size() < HEADER || memcmp(head.data(), "MSCF", 4) != 0) return names;
    const unsigned char* b = bytes_of(head);
    unsigned long long at = get32(b + 16);
    unsigned count = get16(b + 28);
    std::vector<byte_range> bad;
    bool judged = damaged_ranges(cab, head, &bad);
    // Each entry: 16 bytes and a name of at most 256 bytes with its terminator.
    std::string table;
    cab.read(at, static_cast<size_t>(count) * (16 + 257), &table);
    size_t pos = 0;
    const unsigned char* t = bytes_of(table);
    for (unsigned i = 0; i < count; i++) {
        size_t end = pos + 16 <= table.size() ? table.find('\0', pos + 16) : std::string::npos;
        if (end == std::string::npos) return std::vector<cab_name>();
        cab_name n;
        n.size = get32(t + pos);
        unsigned long from = get32(t + pos + 4);
        unsigned folder = get16(t + pos + 8);
        n.bytes = table.substr(pos + 16, end - pos - 16);
        n.damaged = false;
        for (const byte_range& r : bad)
            if (judged && r.folder == folder && from < r.to && from + n.size > r.from) n.damaged = true;
        names.push_back(n);
        pos = end + 1;
    }
    return names;
}

}  // namespace

std::vector<cab_name> cabinet_names(const char* path)
{
    cab_file cab(path);
    return cabinet_table(cab);
}
