// Reads an archive through libarchive from a Win32 file handle (so cp932
// paths open as the program names them): zip (also traditional PKWARE
// encryption), LZH, cabinets, tar with gzip or compress, and a lone .gz or
// .z file, which becomes one member named after the archive. Links are
// listed with their targets and no bytes; the members of a damaged cabinet
// block fail, a damaged gzip stream gives what inflates before the damage,
// and a zip without its end record gives the members its local headers name.
#include "standins/archiver/standin.h"
#include <archive.h>
#include <archive_entry.h>
#include <cstring>

namespace {

struct source_file {
    HANDLE h = INVALID_HANDLE_VALUE;
    char buffer[65536];
};

la_ssize_t read_cb(archive*, void* data, const void** block)
{
    source_file* f = static_cast<source_file*>(data);
    DWORD got = 0;
    if (!ReadFile(f->h, f->buffer, sizeof f->buffer, &got, nullptr)) return -1;
    *block = f->buffer;
    return got;
}

la_int64_t seek_cb(archive*, void* data, la_int64_t offset, int whence)
{
    source_file* f = static_cast<source_file*>(data);
    LARGE_INTEGER to, now;
    to.QuadPart = offset;
    DWORD method = whence == SEEK_SET ? FILE_BEGIN : whence == SEEK_CUR ? FILE_CURRENT : FILE_END;
    if (!SetFilePointerEx(f->h, to, &now, method)) return ARCHIVE_FATAL;
    return now.QuadPart;
}

la_int64_t skip_cb(archive* a, void* data, la_int64_t request)
{
    source_file* f = static_cast<source_file*>(data);
    LARGE_INTEGER to, before, after;
    to.QuadPart = 0;
    if (!SetFilePointerEx(f->h, to, &before, FILE_CURRENT)) return 0;
    to.QuadPart = request;
    if (!SetFilePointerEx(f->h, to, &after, FILE_CURRENT)) return 0;
    return after.QuadPart - before.QuadPart;
}

struct reader {
    archive* a = archive_read_new();
    source_file file;
    ~reader()
    {
        archive_read_free(a);
        if (file.h != INVALID_HANDLE_VALUE) CloseHandle(file.h);
    }
};

bool open_reader(reader& r, const char* path, const char* password, bool raw)
{
    r.file.h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (r.file.h == INVALID_HANDLE_VALUE) return false;
    archive_read_support_filter_gzip(r.a);
    archive_read_support_filter_compress(r.a);
    if (raw) {
        archive_read_support_format_raw(r.a);
    } else {
        archive_read_support_format_zip(r.a);
        archive_read_support_format_lha(r.a);
        archive_read_support_format_cab(r.a);
        archive_read_support_format_tar(r.a);
    }
    if (password && *password) archive_read_add_passphrase(r.a, password);
    archive_read_set_callback_data(r.a, &r.file);
    archive_read_set_read_callback(r.a, read_cb);
    archive_read_set_seek_callback(r.a, seek_cb);
    archive_read_set_skip_callback(r.a, skip_cb);
    return archive_read_open1(r.a) == ARCHIVE_OK;
}

// Names are handed over in cp932. In the "C" locale libarchive gives the
// header's bytes as they are: UTF-8 for zip names with the UTF-8 flag and
// for pax, the local code page otherwise. A name that is valid UTF-8 beyond
// ASCII is taken as UTF-8 (cp932 Japanese almost never is).
bool valid_utf8(const std::string& s, bool* beyond_ascii)
{
    *beyond_ascii = false;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = s[i];
        int more = c < 0x80                 ? 0
                   : c >= 0xC2 && c <= 0xDF ? 1
                   : c >= 0xE0 && c <= 0xEF ? 2
                   : c >= 0xF0 && c <= 0xF4 ? 3
                                            : -1;
        if (more < 0 || i + more >= s.size() + (more == 0 ? 1 : 0)) return false;
        for (int k = 1; k <= more; k++)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        if (more) *beyond_ascii = true;
        i += more + 1;
    }
    return true;
}

bool wide_to_cp932(const wchar_t* w, std::string* out)
{
    BOOL lossy = FALSE;
    int m = WideCharToMultiByte(932, 0, w, -1, nullptr, 0, nullptr, &lossy);
    if (m <= 1 || lossy) return false;
    out->assign(m, '\0');
    WideCharToMultiByte(932, 0, w, -1, &(*out)[0], m, nullptr, nullptr);
    out->resize(m - 1);
    return true;
}

bool utf8_to_cp932(const std::string& name, std::string* out)
{
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.c_str(), -1, nullptr, 0);
    if (n <= 0) return false;
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, name.c_str(), -1, &wide[0], n);
    return wide_to_cp932(wide.c_str(), out);
}

// libarchive turns the backslashes of DOS names (LHA level 0, cabinets, zip
// entries made on DOS) into "/" byte by byte, trail bytes 0x5C included.
// A "/" is never a cp932 trail byte: after a lead byte it was one.
std::string restore_trail_bytes(std::string name)
{
    for (size_t i = 0; i + 1 < name.size(); i++)
        if (lead_byte(name[i])) {
            if (name[i + 1] == '/') name[i + 1] = '\\';
            i++;
        }
    return name;
}

// A name stored as bytes: cp932, or UTF-8 where it is valid UTF-8.
void decode_name(const std::string& stored, member* m)
{
    bool beyond = false;
    std::string converted;
    if (valid_utf8(stored, &beyond) && beyond && utf8_to_cp932(stored, &converted)) {
        m->name = converted;
        m->utf8 = true;
        return;
    }
    m->name = restore_trail_bytes(stored);
}

void entry_name(archive_entry* e, member* m)
{
    if (const char* raw = archive_entry_pathname(e)) {
        decode_name(raw, m);
        return;
    }
    // No byte form: the name was read as Unicode.
    const char* utf8 = archive_entry_pathname_utf8(e);
    const wchar_t* w = utf8 ? nullptr : archive_entry_pathname_w(e);
    std::string converted;
    if ((utf8 && utf8_to_cp932(utf8, &converted)) || (w && wide_to_cp932(w, &converted))) {
        m->name = converted;
        m->utf8 = true;
    }
}

// The entry's bytes, a block at a time, to take(); false when they cannot be
// read (damage, a wrong password) or take() refuses a block.
bool read_data(archive* a, const std::function<bool(const char*, size_t)>& take)
{
    std::vector<char> block(65536);
    for (;;) {
        la_ssize_t n = archive_read_data(a, block.data(), block.size());
        if (n < 0) return false;
        if (n == 0) return true;
        if (!take(block.data(), static_cast<size_t>(n))) return false;
    }
}

// The entry's bytes read and counted, kept nowhere.
bool count_data(archive* a, long long* size)
{
    *size = 0;
    return read_data(a, [&](const char*, size_t n) {
        *size += static_cast<long long>(n);
        return true;
    });
}

// A wanted member's bytes go to a file of the list's spill folder.
bool spill_data(archive* a, member_list* list, member* m)
{
    if (!list->bytes_kept) return count_data(a, &m->size);
    if (!list->spill) list->spill = std::make_shared<spill_folder>();
    std::string path = list->spill->new_file();
    if (path.empty()) return false;
    file_writer w(path);
    long long size = 0;
    bool ok = read_data(a, [&](const char* bytes, size_t n) {
        size += static_cast<long long>(n);
        return w.put(bytes, n);
    });
    if (!w.close() || !ok) return false;
    m->source = path;
    m->size = size;
    return true;
}

// One pass over the entries; -1 when the first header could not be read.
int read_entries(archive* a, const char* archive_path, bool raw, const member_filter& want, member_list* out)
{
    archive_entry* e;
    int count = 0;
    std::vector<cab_name> cab;
    for (;;) {
        int s = archive_read_next_header(a, &e);
        if (s == ARCHIVE_EOF) return RESULT_OK;
        if (s < ARCHIVE_WARN) {
            if (count == 0) return -1;
            out->damaged = true;
            return RESULT_BAD_ARCHIVE;
        }
        if (count++ == 0 && !raw && archive_format(a) == ARCHIVE_FORMAT_CAB) cab = cabinet_names(archive_path);
        member m;
        const cab_name* listed = count <= static_cast<int>(cab.size()) ? &cab[count - 1] : nullptr;
        if (raw)
            m.name = raw_member_name(archive_path);
        else if (listed && listed->size == static_cast<unsigned long>(archive_entry_size(e)))
            decode_name(listed->bytes, &m);
        else
            entry_name(e, &m);
        m.name = to_backslashes(m.name);
        // tar's "./name" is the name itself.
        while (m.name.compare(0, 2, ".\\") == 0) m.name.erase(0, 2);
        if (m.name == ".") m.name.clear();
        while (ends_in_backslash(m.name)) {
            m.name.pop_back();
            m.folder = true;
        }
        if (archive_entry_filetype(e) == AE_IFDIR) m.folder = true;
        if (const char* target = archive_entry_hardlink(e)) {
            m.link = target;
            m.hardlink = true;
        } else if (archive_entry_filetype(e) == AE_IFLNK) {
            const char* to = archive_entry_symlink(e);
            m.link = to && *to ? to : "?";
        }
        m.encrypted = archive_entry_is_encrypted(e) != 0;
        m.size = archive_entry_size(e);
        m.mtime = archive_entry_mtime(e);
        m.attributes = m.folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
        if (m.encrypted) out->any_encrypted = true;
        if (listed && listed->damaged && !m.folder) {
            // Its bytes lie in a damaged block: never handed over.
            if (want && want(m)) m.failed = true;
        } else if (want && !m.folder && m.link.empty() && want(m)) {
            if (!spill_data(a, out, &m)) m.failed = true;
        } else if (raw) {
            // A lone compressed file tells its size only once read.
            if (!count_data(a, &m.size)) return RESULT_BAD_ARCHIVE;
        }
        if (!m.name.empty()) out->members.push_back(m);
    }
}

// A damaged gzip stream: the archive inside, read from what inflates before
// the damage (into a file of the spill folder). The member cut by it fails;
// the listing counts as damaged.
int read_what_inflates(const char* path, const member_filter& want, member_list* out)
{
    member_list found;
    found.bytes_kept = out->bytes_kept;
    found.spill = std::make_shared<spill_folder>();
    std::string inflated = found.spill->new_file();
    if (inflated.empty() || gzip_stream_state(path, inflated.c_str()) != GZIP_DAMAGED) return -1;
    WIN32_FILE_ATTRIBUTE_DATA held;
    if (!GetFileAttributesExA(inflated.c_str(), GetFileExInfoStandard, &held) ||
        (!held.nFileSizeLow && !held.nFileSizeHigh))
        return -1;
    reader r;
    r.file.h = CreateFileA(inflated.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (r.file.h == INVALID_HANDLE_VALUE) return -1;
    archive_read_support_format_tar(r.a);
    archive_read_set_callback_data(r.a, &r.file);
    archive_read_set_read_callback(r.a, read_cb);
    archive_read_set_seek_callback(r.a, seek_cb);
    archive_read_set_skip_callback(r.a, skip_cb);
    int result = archive_read_open1(r.a) == ARCHIVE_OK ? read_entries(r.a, path, false, want, &found) : -1;
    if (result == -1 || found.members.size() < out->members.size()) return -1;
    found.damaged = true;
    *out = found;
    return RESULT_BAD_ARCHIVE;
}

// A zip ends in its end record ("PK\5\6", 22 bytes and a comment of the
// length it gives), which names its central directory: where it begins, its
// size and how many members it lists (in a zip64 archive the zip64 end
// record before it says so). libarchive lists the members from their local
// headers when the end record is cut off or names a directory that does not
// fit before it, so such a zip would read as sound. It is sound only when
// the directory lies in the file before its end record and holds exactly
// the members the end record counts. The directory is read where libarchive
// reads it: right before the end record (a zip64 one: where it says).
unsigned long long little_endian(const unsigned char* p, int bytes)
{
    unsigned long long v = 0;
    for (int i = bytes - 1; i >= 0; i--) v = v << 8 | p[i];
    return v;
}

bool read_at(HANDLE h, long long offset, void* out, DWORD n)
{
    LARGE_INTEGER at;
    at.QuadPart = offset;
    DWORD got = 0;
    return offset >= 0 && SetFilePointerEx(h, at, nullptr, FILE_BEGIN) && ReadFile(h, out, n, &got, nullptr) &&
           got == n;
}

bool signature(const unsigned char* p, int a, int b) { return p[0] == 'P' && p[1] == 'K' && p[2] == a && p[3] == b; }

bool zip_directory_sound(HANDLE h)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h, &size)) return false;
    long long tail = size.QuadPart < 22 + 65535 ? size.QuadPart : 22 + 65535;
    std::string bytes(static_cast<size_t>(tail), '\0');
    if (tail < 22 || !read_at(h, size.QuadPart - tail, &bytes[0], static_cast<DWORD>(tail))) return false;
    long long end = -1;
    const unsigned char* record = nullptr;
    for (long long i = tail - 22; i >= 0 && end < 0; i--) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data()) + i;
        if (signature(p, 5, 6) && i + 22 + static_cast<long long>(little_endian(p + 20, 2)) <= tail) {
            end = size.QuadPart - tail + i;
            record = p;
        }
    }
    if (end < 0) return false;
    unsigned long long listed = little_endian(record + 10, 2), length = little_endian(record + 12, 4);
    long long start = end - static_cast<long long>(length);
    bool fits = little_endian(record + 16, 4) + length <= static_cast<unsigned long long>(end);
    unsigned char locator[20], zip64[56];
    bool wide = end >= 20 && read_at(h, end - 20, locator, sizeof locator) && signature(locator, 6, 7);
    if (wide) {
        long long at = static_cast<long long>(little_endian(locator + 8, 8));
        if (at < 0 || at > end - 20 - 56 || !read_at(h, at, zip64, sizeof zip64) || !signature(zip64, 6, 6))
            return false;
        listed = little_endian(zip64 + 32, 8);
        length = little_endian(zip64 + 40, 8);
        start = static_cast<long long>(little_endian(zip64 + 48, 8));
        fits = start >= 0 && length <= static_cast<unsigned long long>(at) &&
               static_cast<unsigned long long>(start) <= at - length;
    }
    if (!fits || start < 0) return false;
    // Header by header, read a block at a time: each one's size follows from
    // its name, extra and comment lengths.
    unsigned long long count = 0;
    long long at = start, stop = start + static_cast<long long>(length), block_at = 0, block_length = 0;
    std::vector<unsigned char> block(65536);
    while (at < stop) {
        if (stop - at < 46) return false;
        if (at + 46 > block_at + block_length) {
            block_length = stop - at < static_cast<long long>(block.size()) ? stop - at : block.size();
            block_at = at;
            if (!read_at(h, at, block.data(), static_cast<DWORD>(block_length))) return false;
        }
        const unsigned char* header = block.data() + (at - block_at);
        if (!signature(header, 1, 2)) return false;
        at += 46 + static_cast<long long>(little_endian(header + 28, 2) + little_endian(header + 30, 2) +
                                          little_endian(header + 32, 2));
        count++;
    }
    // The 16-bit count of a zip without zip64 records wraps.
    return at == stop && (count == listed || (!wide && (count & 0xFFFF) == listed));
}

int read_as_archive(const char* path, const char* password, const member_filter& want, member_list* out)
{
    reader r;
    if (!open_reader(r, path, password, false)) return -1;
    int result = read_entries(r.a, path, false, want, out);
    if (result == RESULT_OK && (archive_format(r.a) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_ZIP &&
        !zip_directory_sound(r.file.h)) {
        out->damaged = true;
        return RESULT_BAD_ARCHIVE;
    }
    return result;
}

// Not an archive format: a lone gzip or compress stream is one member.
int read_lone_stream(const char* path, const char* password, const member_filter& want, member_list* out)
{
    reader r;
    if (!open_reader(r, path, password, true) || archive_filter_count(r.a) < 2) return RESULT_BAD_ARCHIVE;
    int result = read_entries(r.a, path, true, want, out);
    return result == -1 ? RESULT_BAD_ARCHIVE : result;
}

}  // namespace

std::string raw_member_name(const char* archive)
{
    std::string name = base_name(archive);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

int read_archive(const char* path, const char* password, const member_filter& want, member_list* out)
{
    if (!file_exists(path) || is_folder_path(path)) return RESULT_NO_ARCHIVE;
    // A file that another program holds without sharing it cannot be opened
    // now: that is no damage, and it is told apart from damage.
    HANDLE probe = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        DWORD why = GetLastError();
        if (why == ERROR_SHARING_VIOLATION || why == ERROR_LOCK_VIOLATION) return RESULT_IN_USE;
    } else {
        CloseHandle(probe);
    }
    int result = read_as_archive(path, password, want, out);
    if (result != -1 && !out->damaged) return result;
    if (result == -1) {
        out->members.clear();
        result = read_lone_stream(path, password, want, out);
        bool cut = result != RESULT_OK || (!out->members.empty() && out->members[0].failed);
        if (!cut) return result;
    }
    // Damage, or a stream cut before its first header could be read: what
    // inflates before the damage may still hold members.
    int salvaged = read_what_inflates(path, want, out);
    return salvaged != -1 ? salvaged : result;
}
