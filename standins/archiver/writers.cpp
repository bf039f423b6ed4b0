// Writes whole archives: zip (deflate, optional traditional PKWARE
// encryption) through libarchive; tar (GNU headers for cp932 names, pax for
// UTF-8 ones, gzipped through libarchive), LZH with stored (-lh0-) members
// and level-2 headers, and uncompressed cabinets by our own writers, since
// libarchive writes neither LZH nor cabinets and mangles Japanese tar names.
// Every writer fills a temporary file beside the target and moves it into
// place only when all went well, telling the caller's progress procedure of
// each member and block (its FALSE stops the writer, which then writes
// nothing). zip stores JPEG, PNG and GIF pictures, which do not compress. Each member's bytes are read from its file a
// block at a time while they are written, with the size it has just then.
#include "standins/archiver/standin.h"
#include <archive.h>
#include <archive_entry.h>
#include <algorithm>
#include <cstring>

namespace {


void set16(std::string& s, size_t at, unsigned v)
{
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

// CRC-16 of LZH (polynomial 0xA001, reflected, start 0), carried over blocks.
unsigned crc16(const char* data, size_t n, unsigned crc = 0)
{
    static unsigned table[256];
    if (!table[1])
        for (unsigned b = 0; b < 256; b++) {
            unsigned c = b;
            for (int i = 0; i < 8; i++) c = c & 1 ? (c >> 1) ^ 0xA001 : c >> 1;
            table[b] = c;
        }
    for (size_t k = 0; k < n; k++) crc = (crc >> 8) ^ table[(crc ^ static_cast<unsigned char>(data[k])) & 0xFF];
    return crc & 0xFFFF;
}
unsigned crc16(const std::string& data) { return crc16(data.data(), data.size()); }

bool has_bytes(const member& m) { return !m.folder && m.link.empty(); }

// Every member's size as its file holds it now: false when one is gone.
bool measure_all(std::vector<member>& members)
{
    for (member& m : members) {
        if (!has_bytes(m)) continue;
        WIN32_FILE_ATTRIBUTE_DATA a;
        if (!GetFileAttributesExA(m.source.c_str(), GetFileExInfoStandard, &a)) return false;
        m.size = (static_cast<long long>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
    }
    return true;
}

// The member's bytes a block at a time: false when its file cannot be read
// or no longer holds the size measured (a header already says it).
// Each block read is reported to the caller's progress procedure, which may
// stop the pack there; a member read twice reports half its bytes in each pass.
enum read_pass { ONLY_PASS, FIRST_PASS, SECOND_PASS };
bool member_blocks(const member& m, const std::function<bool(const char*, size_t)>& take, read_pass pass = ONLY_PASS)
{
    if (!has_bytes(m)) return true;
    long long seen = 0;
    bool ok = each_block(m.source, [&](const char* bytes, size_t n) {
        seen += static_cast<long long>(n);
        long long done = pass == ONLY_PASS ? seen : pass == FIRST_PASS ? seen / 2 : m.size / 2 + seen / 2;
        return seen <= m.size && take(bytes, n) && report_bytes(m, done);
    });
    return ok && seen == m.size;
}

// Sizes the 32-bit fields of LZH and cabinets can hold.
bool fits_32_bits(const std::vector<member>& members)
{
    for (const member& m : members)
        if (m.size > 0xFFFFFFFFLL) return false;
    return true;
}

// Links stay links: a writer that cannot store one refuses the archive
// rather than turn it into an empty file.
bool links_kept(const std::vector<member>& members, bool symbolic_ones)
{
    for (const member& m : members)
        if (!m.link.empty() && (m.hardlink || !symbolic_ones)) return false;
    return true;
}

// The level-2 header of one member: the fixed part, then the file name, the
// folder (0xFF between parts) and the MS-DOS attribute as extended headers.
std::string lzh_header(const member& m, unsigned data_crc)
{
    std::string name = base_name(m.name), folder = m.folder ? m.name : m.name.substr(0, m.name.size() - name.size());
    if (m.folder) name.clear();
    std::string h;
    put16(h, 0);  // total header size, set below
    h += m.folder ? "-lhd-" : "-lh0-";
    unsigned long size = m.folder ? 0 : static_cast<unsigned long>(m.size);
    put32(h, size);
    put32(h, size);
    put32(h, static_cast<unsigned long>(m.mtime));
    h += '\x20';
    h += '\x02';  // header level
    put16(h, m.folder ? 0 : data_crc);
    h += 'M';
    auto extended = [&h](char type, const std::string& body) {
        put16(h, static_cast<unsigned>(body.size() + 3));
        h += type;
        h += body;
    };
    size_t crc_at = h.size() + 3;
    extended('\x00', std::string(2, '\0'));  // header CRC, filled in below
    if (!name.empty() || !m.folder) extended('\x01', name);
    if (!folder.empty()) {
        std::string f = folder;
        if (!ends_in_backslash(f)) f += '\\';
        extended('\x02', swap_separators(f, '\\', '\xFF'));
    }
    std::string attribute;
    put16(attribute, m.folder ? 0x10 : 0x20);
    extended('\x40', attribute);
    put16(h, 0);  // no further extended header
    // A size whose low byte is 0 would read as the end mark: pad one byte.
    if ((h.size() & 0xFF) == 0) h += '\0';
    set16(h, 0, static_cast<unsigned>(h.size()));
    set16(h, crc_at, crc16(h));
    return h;
}

// CAB date and time are the local DOS date and time.
void cab_file_entry(std::string& s, const member& m, unsigned long offset)
{
    WORD date, time;
    dos_date_time(m.mtime, &date, &time);
    put32(s, static_cast<unsigned long>(m.size));
    put32(s, offset);
    put16(s, 0);  // folder 0
    put16(s, date);
    put16(s, time);
    put16(s, 0x20);
    s += m.name;
    s += '\0';
}

// The name as UTF-16, for libarchive to store in UTF-8.
std::wstring to_wide(const std::string& cp932)
{
    int n = MultiByteToWideChar(932, 0, cp932.c_str(), -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(932, 0, cp932.c_str(), -1, &wide[0], n);
    wide.resize(n - 1);
    return wide;
}

// tar: 512-byte headers with octal numbers. Names as cp932 bytes go in GNU
// headers (a long one in a "././@LongLink" entry before); names in UTF-8 go
// in pax "path" records wherever they are not plain short ASCII.
void tar_octal(std::string& h, size_t at, size_t width, unsigned long long v)
{
    for (size_t i = width - 1; i-- > 0; v >>= 3) h[at + i] = static_cast<char>('0' + (v & 7));
}

std::string tar_header(const std::string& name, char type, unsigned long long size, time_t mtime, bool gnu)
{
    std::string h(512, '\0');
    h.replace(0, name.size() < 100 ? name.size() : 100, name, 0, 100);
    tar_octal(h, 100, 8, type == '5' ? 0755 : 0644);
    tar_octal(h, 108, 8, 0);
    tar_octal(h, 116, 8, 0);
    tar_octal(h, 124, 12, size);
    tar_octal(h, 136, 12, static_cast<unsigned long long>(mtime));
    h[156] = type;
    h.replace(257, 8,
              gnu ? std::string("ustar  \0", 8)
                  : std::string("ustar\0"
                                "00",
                                8));
    h.replace(148, 8, "        ");
    unsigned sum = 0;
    for (unsigned char c : h) sum += c;
    tar_octal(h, 148, 7, sum);
    h[154] = '\0';
    return h;
}

std::string tar_padding(unsigned long long size) { return std::string((512 - size % 512) % 512, '\0'); }

void tar_data(std::string& tar, const std::string& bytes)
{
    tar += bytes;
    tar += tar_padding(bytes.size());
}

// One pax record: its own length in decimal, a blank, key=value, a line feed.
std::string pax_record(const std::string& key, const std::string& value)
{
    size_t body = key.size() + value.size() + 3, n = body + 1;
    while (std::to_string(n).size() + body != n) n = std::to_string(n).size() + body;
    return std::to_string(n) + " " + key + "=" + value + "\n";
}

std::string to_utf8(const std::string& cp932)
{
    std::wstring w = to_wide(cp932);
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return std::string();
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &out[0], n, nullptr, nullptr);
    out.resize(n - 1);
    return out;
}

// What comes before a member's bytes in the tar stream.
std::string tar_headers(const member& m, bool utf8)
{
    std::string tar;
    std::string name = swap_separators(m.name, '\\', '/') + (m.folder ? "/" : "");
    char type = m.folder ? '5' : '0';
    unsigned long long size = m.folder ? 0 : static_cast<unsigned long long>(m.size);
    bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (utf8 && (!ascii || name.size() > 100)) {
        std::string records = pax_record("path", to_utf8(name));
        tar += tar_header("PaxHeader", 'x', records.size(), m.mtime, false);
        tar_data(tar, records);
    } else if (!utf8 && name.size() > 100) {
        tar += tar_header("././@LongLink", 'L', name.size() + 1, 0, true);
        tar_data(tar, name + '\0');
    }
    tar += tar_header(utf8 && !ascii ? std::string("PaxPath") : name, type, size, m.mtime, !utf8);
    return tar;
}

struct writer {
    archive* a = archive_write_new();
    HANDLE h = INVALID_HANDLE_VALUE;
    ~writer()
    {
        archive_write_free(a);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

la_ssize_t write_cb(archive*, void* data, const void* buffer, size_t length)
{
    writer* w = static_cast<writer*>(data);
    DWORD done = 0;
    if (!WriteFile(w->h, buffer, static_cast<DWORD>(length), &done, nullptr)) return -1;
    return done;
}

// Names go in as UTF-16 and come out as cp932 bytes, or in UTF-8 with the
// zip's UTF-8 flag set. (Handed over as bytes, libarchive on Windows would
// turn every 0x5C into "/", trail bytes included.)
int write_zip_through_libarchive(const std::string& path, std::vector<member>& members, const char* password, bool utf8)
{
    if (!links_kept(members, true) || !measure_all(members)) return RESULT_WRITE;
    std::string temp = temp_name(path);
    bool ok;
    {
        writer w;
        archive_write_set_format_zip(w.a);
        archive_write_set_option(w.a, "zip", "compression", "deflate");
        archive_write_set_option(w.a, "zip", "hdrcharset", utf8 ? "UTF-8" : "CP932");
        if (password && *password) {
            if (archive_write_set_option(w.a, "zip", "encryption", "traditional") != ARCHIVE_OK ||
                archive_write_set_passphrase(w.a, password) != ARCHIVE_OK)
                return RESULT_WRITE;
        }
        w.h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (w.h == INVALID_HANDLE_VALUE) return RESULT_WRITE;
        archive_write_set_bytes_in_last_block(w.a, 1);
        ok = archive_write_open(w.a, &w, nullptr, write_cb, nullptr) == ARCHIVE_OK;
        for (member& m : members) {
            if (!ok) break;
            archive_entry* e = archive_entry_new();
            std::string name = swap_separators(m.name, '\\', '/') + (m.folder ? "/" : "");
            archive_entry_copy_pathname_w(e, to_wide(name).c_str());
            archive_entry_set_filetype(e, m.folder ? AE_IFDIR : !m.link.empty() ? AE_IFLNK : AE_IFREG);
            archive_entry_set_perm(e, m.folder || !m.link.empty() ? 0755 : 0644);
            if (!m.link.empty()) archive_entry_copy_symlink_w(e, to_wide(m.link).c_str());
            archive_entry_set_size(e, has_bytes(m) ? static_cast<la_int64_t>(m.size) : 0);
            archive_entry_set_mtime(e, m.mtime, 0);
            // Pictures that do not compress are stored: deflating them again
            // costs time and gains nothing. (Set between entries, once the last one is finished.)
            ok = (stored_kind(m.name) ? archive_write_zip_set_compression_store(w.a)
                                      : archive_write_zip_set_compression_deflate(w.a)) == ARCHIVE_OK;
            ok = ok && report_begin(m) && archive_write_header(w.a, e) == ARCHIVE_OK &&
                 member_blocks(m,
                               [&](const char* bytes, size_t n) {
                                   return archive_write_data(w.a, bytes, n) == static_cast<la_ssize_t>(n);
                               }) &&
                 archive_write_finish_entry(w.a) == ARCHIVE_OK;
            archive_entry_free(e);
        }
        if (archive_write_close(w.a) != ARCHIVE_OK) ok = false;
    }
    return finish_archive(path, temp, ok);
}

}  // namespace

std::string temp_name(const std::string& path) { return path + ".$$$"; }

int finish_archive(const std::string& path, const std::string& temp, bool ok)
{
    if (ok && MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
        return RESULT_OK;
    DeleteFileA(temp.c_str());
    return RESULT_WRITE;
}

int write_lzh(const std::string& path, std::vector<member>& members)
{
    if (!links_kept(members, false) || !measure_all(members) || !fits_32_bits(members)) return RESULT_WRITE;
    std::string temp = temp_name(path);
    file_writer out(temp);
    for (const member& m : members) {
        // The header carries the CRC of the bytes that follow it: they are read twice.
        unsigned crc = 0;
        if (!report_begin(m) ||
            !member_blocks(
                m, [&](const char* bytes, size_t n) { return (crc = crc16(bytes, n, crc)), true; }, FIRST_PASS) ||
            !out.put(lzh_header(m, crc)) ||
            !member_blocks(
                m, [&](const char* bytes, size_t n) { return out.put(bytes, n); }, SECOND_PASS))
            return finish_archive(path, temp, false);
    }
    out.put("\0", 1);
    return finish_archive(path, temp, out.close());
}

int write_cab(const std::string& path, std::vector<member>& members)
{
    if (!links_kept(members, false) || !measure_all(members) || !fits_32_bits(members)) return RESULT_WRITE;
    std::vector<const member*> files;
    unsigned long long total = 0;
    for (const member& m : members) {
        if (m.folder) continue;
        files.push_back(&m);
        total += static_cast<unsigned long long>(m.size);
    }
    if (files.size() > 0xFFFF) return RESULT_WRITE;
    std::string entries;
    unsigned long offset = 0;
    for (const member* m : files) {
        cab_file_entry(entries, *m, offset);
        offset += static_cast<unsigned long>(m->size);
    }
    // The data blocks: uncompressed, at most 32 KiB each, no checksum.
    enum : unsigned { BLOCK = 32768 };
    unsigned long long blocks_count = (total + BLOCK - 1) / BLOCK;
    const unsigned long header = 36, folder = 8;
    unsigned long files_at = header + folder, data_at = files_at + static_cast<unsigned long>(entries.size());
    unsigned long long cab_size = data_at + blocks_count * 8 + total;
    if (blocks_count > 0xFFFF || cab_size > 0xFFFFFFFFULL) return RESULT_WRITE;
    std::string cab = "MSCF";
    put32(cab, 0);
    put32(cab, static_cast<unsigned long>(cab_size));
    put32(cab, 0);
    put32(cab, files_at);
    put32(cab, 0);
    cab += '\x03';
    cab += '\x01';
    put16(cab, 1);
    put16(cab, static_cast<unsigned>(files.size()));
    put16(cab, 0);
    put16(cab, 0);
    put16(cab, 0);
    put32(cab, data_at);
    put16(cab, static_cast<unsigned>(blocks_count));
    put16(cab, 0);  // no compression
    cab += entries;
    std::string temp = temp_name(path);
    file_writer out(temp);
    out.put(cab);
    // The members' bytes run on from one into the next across the blocks.
    std::string block;
    auto put_block = [&] {
        std::string h;
        put32(h, 0);
        put16(h, static_cast<unsigned>(block.size()));
        put16(h, static_cast<unsigned>(block.size()));
        bool ok = out.put(h) && out.put(block);
        block.clear();
        return ok;
    };
    for (const member* m : files) {
        bool ok = report_begin(*m) && member_blocks(*m, [&](const char* bytes, size_t n) {
                      while (n) {
                          size_t take = BLOCK - block.size() < n ? BLOCK - block.size() : n;
                          block.append(bytes, take);
                          bytes += take;
                          n -= take;
                          if (block.size() == BLOCK && !put_block()) return false;
                      }
                      return true;
                  });
        if (!ok) return finish_archive(path, temp, false);
    }
    if (!block.empty()) put_block();
    return finish_archive(path, temp, out.close());
}

int write_zip(const std::string& path, std::vector<member>& members, const char* password, bool utf8)
{
    return write_zip_through_libarchive(path, members, password, utf8);
}

// The tar stream is ours (libarchive's pax writer wants every name in the
// process's locale, which cannot hold Japanese in "C"); libarchive only
// gzips it, as one raw entry.
int write_tar_gz(const std::string& path, std::vector<member>& members, bool utf8)
{
    if (!links_kept(members, false) || !measure_all(members)) return RESULT_WRITE;
    // The stream's length goes first, so it is counted from the headers and sizes.
    std::vector<std::string> headers;
    unsigned long long length = 1024;
    for (const member& m : members) {
        headers.push_back(tar_headers(m, utf8));
        unsigned long long size = m.folder ? 0 : static_cast<unsigned long long>(m.size);
        length += headers.back().size() + size + tar_padding(size).size();
    }
    std::string temp = temp_name(path);
    bool ok;
    {
        writer w;
        archive_write_set_format_raw(w.a);
        archive_write_add_filter_gzip(w.a);
        w.h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (w.h == INVALID_HANDLE_VALUE) return RESULT_WRITE;
        archive_write_set_bytes_in_last_block(w.a, 1);
        ok = archive_write_open(w.a, &w, nullptr, write_cb, nullptr) == ARCHIVE_OK;
        archive_entry* e = archive_entry_new();
        archive_entry_set_pathname(e, "tar");
        archive_entry_set_filetype(e, AE_IFREG);
        archive_entry_set_size(e, static_cast<la_int64_t>(length));
        ok = ok && archive_write_header(w.a, e) == ARCHIVE_OK;
        archive_entry_free(e);
        auto put = [&](const char* bytes, size_t n) {
            return archive_write_data(w.a, bytes, n) == static_cast<la_ssize_t>(n);
        };
        for (size_t i = 0; ok && i < members.size(); i++) {
            const member& m = members[i];
            std::string padding = tar_padding(m.folder ? 0 : static_cast<unsigned long long>(m.size));
            ok = report_begin(m) && put(headers[i].data(), headers[i].size()) && member_blocks(m, put) &&
                 put(padding.data(), padding.size());
        }
        std::string end(1024, '\0');
        ok = ok && put(end.data(), end.size());
        if (archive_write_close(w.a) != ARCHIVE_OK) ok = false;
    }
    return finish_archive(path, temp, ok);
}
