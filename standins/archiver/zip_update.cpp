// zip written beside an old one (Info-ZIP's --filesync with --out): a member
// whose file did not change is copied as the old archive stores it, local
// header, bytes and data descriptor unchanged and its central record with
// its new offset, so that a rename in a zip of photos costs one copy of the
// bytes instead of a compression of all of them. The others are compressed
// here through zlib (pictures that do not compress stored), with traditional
// PKWARE encryption when a password is given; an encrypted member is carried
// only when the password given opens it. Everything read from the old zip is
// untrusted: a record that does not fit, or an archive needing zip64, makes
// its members (or the whole archive) be written anew instead.
#include "standins/archiver/standin.h"
#include <ntsecapi.h>
#include <zlib.h>
#include <cstdlib>
#include <cstring>
#include <map>

namespace {

const unsigned long LIMIT = 0xFFFFFFFFul;  // beyond: zip64, which this writer leaves to libarchive


// The three keys of traditional PKWARE encryption.
struct zip_keys {
    unsigned long k[3] = {0x12345678ul, 0x23456789ul, 0x34567890ul};
    static unsigned long crc_byte(unsigned long c, unsigned char b)
    {
        return get_crc_table()[(c ^ b) & 0xFF] ^ (c >> 8);
    }
    explicit zip_keys(const char* password)
    {
        for (const char* p = password; *p; p++) update(static_cast<unsigned char>(*p));
    }
    void update(unsigned char plain)
    {
        k[0] = crc_byte(k[0], plain);
        k[1] = ((k[1] + (k[0] & 0xFF)) * 134775813ul + 1) & 0xFFFFFFFFul;
        k[2] = crc_byte(k[2], static_cast<unsigned char>(k[1] >> 24));
    }
    unsigned char stream() const
    {
        unsigned t = (k[2] | 2) & 0xFFFF;
        return static_cast<unsigned char>((t * (t ^ 1)) >> 8);
    }
    unsigned char encrypt(unsigned char plain)
    {
        unsigned char c = plain ^ stream();
        update(plain);
        return c;
    }
    unsigned char decrypt(unsigned char c)
    {
        unsigned char plain = c ^ stream();
        update(plain);
        return plain;
    }
};

// A member of the old zip as its central directory records it.
struct stored_member {
    std::string central;  // the whole central record
    unsigned long offset, crc, packed, size;
    unsigned flags;
    WORD date, time;
    bool folder;
    bool utf8;  // its name is read as UTF-8
};

struct file_handle_holder {
    HANDLE h;
    ~file_handle_holder()
    {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

bool read_at(HANDLE h, unsigned long long at, void* to, DWORD n)
{
    LARGE_INTEGER where;
    where.QuadPart = static_cast<LONGLONG>(at);
    DWORD got = 0;
    return SetFilePointerEx(h, where, nullptr, FILE_BEGIN) && ReadFile(h, to, n, &got, nullptr) && got == n;
}

// A stored name as this side names members: cp932, folders by backslashes.
// As the reader takes it: UTF-8 when flagged so, or when it is valid UTF-8
// beyond ASCII (cp932 Japanese almost never is); *utf8 says which.
bool member_name_of(const std::string& stored, bool flagged, std::string* out, bool* utf8)
{
    std::string name = stored;
    bool beyond = false;
    for (char c : stored) beyond |= static_cast<unsigned char>(c) >= 0x80;
    int n = beyond ? MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, stored.c_str(), -1, nullptr, 0) : 0;
    *utf8 = flagged;
    if (n > 0) {
        std::wstring wide(n, L'\0');
        MultiByteToWideChar(CP_UTF8, 0, stored.c_str(), -1, &wide[0], n);
        BOOL lossy = FALSE;
        int m = WideCharToMultiByte(932, 0, wide.c_str(), -1, nullptr, 0, nullptr, &lossy);
        if (m > 0 && !lossy) {
            name.assign(m, '\0');
            WideCharToMultiByte(932, 0, wide.c_str(), -1, &name[0], m, nullptr, nullptr);
            name.resize(m - 1);
            *utf8 = true;
        } else if (flagged) {
            return false;
        }
    } else if (flagged && beyond) {
        return false;
    }
    *out = to_backslashes(name);
    return true;
}

// The central directory of the zip by member name; false when its end
// record cannot be found, it needs zip64, or a record does not fit.
bool read_central(HANDLE h, std::map<std::string, stored_member>* out)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h, &size) || size.QuadPart < 22 || size.QuadPart >= static_cast<LONGLONG>(LIMIT)) return false;
    unsigned long length = static_cast<unsigned long>(size.QuadPart);
    unsigned long tail = length < 22 + 65535 ? length : 22 + 65535;
    std::string bytes(tail, '\0');
    if (!read_at(h, length - tail, &bytes[0], tail)) return false;
    const unsigned char* t = reinterpret_cast<const unsigned char*>(bytes.data());
    long end = -1;
    for (long i = static_cast<long>(tail) - 22; i >= 0 && end < 0; i--)
        if (t[i] == 'P' && t[i + 1] == 'K' && t[i + 2] == 5 && t[i + 3] == 6 && i + 22 + get16(t + i + 20) == tail)
            end = i;
    if (end < 0) return false;
    const unsigned char* e = t + end;
    unsigned count = get16(e + 10);
    unsigned long cd_size = get32(e + 12), cd_at = get32(e + 16), end_at = length - tail + end;
    if (get16(e + 4) || get16(e + 6) || get16(e + 8) != count || count == 0xFFFF || cd_at > end_at ||
        cd_size != end_at - cd_at)
        return false;
    std::string cd(cd_size, '\0');
    if (cd_size && !read_at(h, cd_at, &cd[0], cd_size)) return false;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(cd.data());
    size_t at = 0;
    for (unsigned i = 0; i < count; i++) {
        if (cd_size - at < 46 || get32(p + at) != 0x02014B50ul) return false;
        const unsigned char* r = p + at;
        size_t whole = 46 + get16(r + 28) + get16(r + 30) + get16(r + 32);
        if (cd_size - at < whole) return false;
        stored_member m;
        m.central.assign(cd, at, whole);
        m.flags = get16(r + 8);
        m.time = static_cast<WORD>(get16(r + 12));
        m.date = static_cast<WORD>(get16(r + 14));
        m.crc = get32(r + 16);
        m.packed = get32(r + 20);
        m.size = get32(r + 24);
        m.offset = get32(r + 42);
        std::string stored(reinterpret_cast<const char*>(r + 46), get16(r + 28)), name;
        m.folder = !stored.empty() && stored.back() == '/';
        while (!stored.empty() && stored.back() == '/') stored.pop_back();
        at += whole;
        // Sizes or offsets kept in zip64 fields are not carried.
        if (m.packed == LIMIT || m.size == LIMIT || m.offset == LIMIT) continue;
        if (member_name_of(stored, (m.flags & 0x800) != 0, &name, &m.utf8) && !name.empty()) (*out)[name] = m;
    }
    return true;
}

// Where the member lies in the old zip (from its local header to the end of
// its data descriptor), checked against its central record; 0 when it does not.
unsigned long stored_span(HANDLE h, const stored_member& m)
{
    unsigned char local[30];
    if (!read_at(h, m.offset, local, sizeof local) || get32(local) != 0x04034B50ul ||
        get16(local + 26) != get16(reinterpret_cast<const unsigned char*>(m.central.data()) + 28))
        return 0;
    unsigned long long end =
        static_cast<unsigned long long>(m.offset) + 30 + get16(local + 26) + get16(local + 28) + m.packed;
    if (m.flags & 8) {
        // The data descriptor: its signature is optional, its sizes 4 bytes (8 in zip64).
        unsigned char d[24];
        if (!read_at(h, end, d, 16)) return 0;
        size_t skip = get32(d) == 0x08074B50ul ? 4 : 0;
        if (get32(d + skip) != m.crc || get32(d + skip + 4) != m.packed || get32(d + skip + 8) != m.size) return 0;
        end += skip + 12;
    } else if (get32(local + 14) != m.crc || get32(local + 18) != m.packed || get32(local + 22) != m.size) {
        return 0;
    }
    return end - m.offset < LIMIT ? static_cast<unsigned long>(end - m.offset) : 0;
}

// Whether the member's bytes open with the password given: its 12-byte
// encryption header decrypts to the check byte (the CRC's high byte, or the
// time's with a data descriptor).
bool password_opens(HANDLE h, const stored_member& m, const char* password)
{
    unsigned char local[30], header[12];
    if (m.packed < 12 || !read_at(h, m.offset, local, sizeof local) ||
        !read_at(h, m.offset + 30ull + get16(local + 26) + get16(local + 28), header, sizeof header))
        return false;
    zip_keys keys(password);
    unsigned char check = 0;
    for (unsigned char c : header) check = keys.decrypt(c);
    return check == (m.crc >> 24) || ((m.flags & 8) && check == (m.time >> 8));
}

class zip_out {
public:
    explicit zip_out(const std::string& path)
        : h_(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr))
    {}
    ~zip_out()
    {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    bool ok() const { return h_ != INVALID_HANDLE_VALUE && at_ < LIMIT; }
    unsigned long at() const { return static_cast<unsigned long>(at_); }
    bool put(const void* bytes, size_t n)
    {
        DWORD done = 0;
        if (!ok() || !WriteFile(h_, bytes, static_cast<DWORD>(n), &done, nullptr) || done != n) return false;
        at_ += n;
        return at_ < LIMIT;
    }
    bool put(const std::string& s) { return put(s.data(), s.size()); }
    // Writes over earlier bytes (a local header's sizes), then goes on at the end.
    bool patch(unsigned long at, const std::string& s)
    {
        LARGE_INTEGER where, back;
        where.QuadPart = at;
        back.QuadPart = static_cast<LONGLONG>(at_);
        DWORD done = 0;
        return SetFilePointerEx(h_, where, nullptr, FILE_BEGIN) &&
               WriteFile(h_, s.data(), static_cast<DWORD>(s.size()), &done, nullptr) && done == s.size() &&
               SetFilePointerEx(h_, back, nullptr, FILE_BEGIN);
    }
    bool close()
    {
        bool closed = h_ != INVALID_HANDLE_VALUE && CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE h_;
    unsigned long long at_ = 0;
};

// The member copied as the old zip stores it; its central record with the
// new offset. flag_utf8: its name, UTF-8 without the zip's UTF-8 flag, gets
// the flag in both headers, as every name of an archive written in UTF-8.
bool carry(HANDLE from, const stored_member& s, unsigned long span, const member& m, bool flag_utf8, zip_out& out,
           std::string* central)
{
    unsigned long offset = out.at();
    std::vector<char> block(1 << 20);
    for (unsigned long done = 0; done < span;) {
        DWORD n = span - done < block.size() ? span - done : static_cast<DWORD>(block.size());
        if (!read_at(from, static_cast<unsigned long long>(s.offset) + done, block.data(), n)) return false;
        if (done == 0 && flag_utf8) block[7] |= 0x08;  // the local header's flags, bit 11
        if (!out.put(block.data(), n)) return false;
        done += n;
        if (!report_bytes(m, m.size / 2 + m.size / 2 * done / span)) return false;
    }
    std::string record = s.central, at;
    put32(at, offset);
    record.replace(42, 4, at);
    if (flag_utf8) record[9] |= 0x08;
    *central += record;
    return true;
}

std::string stored_name(const member& m, bool utf8)
{
    std::string name = swap_separators(m.name, '\\', '/') + (m.folder ? "/" : "");
    if (!utf8) return name;
    int n = MultiByteToWideChar(932, 0, name.c_str(), -1, nullptr, 0);
    if (n <= 0) return name;
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(932, 0, name.c_str(), -1, &wide[0], n);
    int u = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(u > 0 ? u : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &out[0], u, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

// The file's CRC-32, read a megabyte at a time (reported as its bytes go by).
bool file_crc(const member& m, unsigned long* crc)
{
    file_handle_holder f = {CreateFileA(m.source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr)};
    if (f.h == INVALID_HANDLE_VALUE) return false;
    std::vector<char> block(1 << 20);
    unsigned long c = crc32(0, nullptr, 0);
    long long seen = 0;
    DWORD got = 0;
    while (ReadFile(f.h, block.data(), static_cast<DWORD>(block.size()), &got, nullptr) && got) {
        c = crc32(c, reinterpret_cast<const Bytef*>(block.data()), got);
        seen += got;
        if (seen > m.size || !report_bytes(m, seen / 2)) return false;
    }
    *crc = c;
    return seen == m.size;
}

// A member compressed here: local header (CRC and sizes filled in
// afterwards), the encryption header, the bytes deflated or stored and
// encrypted as they go. An encrypted member's CRC is known before (its
// header's check byte is the CRC's high byte); crc_known also says that the
// first half of its progress went by in that reading.
bool write_new(const member& m, bool utf8, const char* password, bool crc_known, unsigned long crc, zip_out& out,
               std::string* central)
{
    bool store = m.folder || m.size == 0 || stored_kind(m.name);
    bool encrypt = !m.folder && password && *password;
    std::string name = stored_name(m, utf8);
    WORD date, time;
    dos_date_time(m.mtime, &date, &time);
    unsigned flags = (encrypt ? 1 : 0) | (utf8 ? 0x800 : 0);
    unsigned method = store ? 0 : 8;
    std::string extra;  // the exact time (UT), UTC seconds
    put16(extra, 0x5455);
    put16(extra, 5);
    extra += '\x01';
    put32(extra, static_cast<unsigned long>(m.mtime));
    unsigned long offset = out.at();
    std::string local;
    put32(local, 0x04034B50ul);
    put16(local, 20);
    put16(local, flags);
    put16(local, method);
    put16(local, time);
    put16(local, date);
    put32(local, crc);
    put32(local, 0);  // compressed size, set below
    put32(local, static_cast<unsigned long>(m.size));
    put16(local, static_cast<unsigned>(name.size()));
    put16(local, static_cast<unsigned>(extra.size()));
    if (!out.put(local) || !out.put(name) || !out.put(extra)) return false;
    unsigned long packed = 0;
    zip_keys keys(encrypt ? password : "");
    std::vector<unsigned char> buffer(1 << 16);
    auto emit = [&](unsigned char* bytes, size_t n) {
        if (encrypt)
            for (size_t i = 0; i < n; i++) bytes[i] = keys.encrypt(bytes[i]);
        packed += static_cast<unsigned long>(n);
        return out.put(bytes, n);
    };
    if (encrypt) {
        unsigned char header[12];
        if (!RtlGenRandom(header, 11)) return false;
        header[11] = static_cast<unsigned char>(crc >> 24);
        if (!emit(header, 12)) return false;
    }
    unsigned long seen_crc = crc32(0, nullptr, 0);
    long long seen = 0;
    bool ok = true;
    if (!m.folder) {
        z_stream z = {};
        if (!store && deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
        auto deflate_out = [&](int flush) {
            do {
                z.next_out = buffer.data();
                z.avail_out = static_cast<uInt>(buffer.size());
                int r = deflate(&z, flush);
                if (r == Z_STREAM_ERROR) return false;
                if (!emit(buffer.data(), buffer.size() - z.avail_out)) return false;
            } while (z.avail_out == 0);
            return true;
        };
        ok = each_block(m.source, [&](const char* bytes, size_t n) {
            seen += static_cast<long long>(n);
            seen_crc = crc32(seen_crc, reinterpret_cast<const Bytef*>(bytes), static_cast<uInt>(n));
            if (seen > m.size) return false;
            if (store) {
                std::vector<unsigned char> copy(bytes, bytes + n);
                if (!emit(copy.data(), n)) return false;
            } else {
                z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes));
                z.avail_in = static_cast<uInt>(n);
                if (!deflate_out(Z_NO_FLUSH)) return false;
            }
            return report_bytes(m, crc_known ? m.size / 2 + seen / 2 : seen);
        });
        if (ok && !store) ok = deflate_out(Z_FINISH);
        if (!store) deflateEnd(&z);
        // The file changed since it was measured: its header would lie.
        ok = ok && seen == m.size && (!crc_known || seen_crc == crc);
        crc = seen_crc;
    }
    std::string fields;
    put32(fields, crc);
    put32(fields, packed);
    if (!ok || !out.patch(offset + 14, fields)) return false;
    std::string c;
    put32(c, 0x02014B50ul);
    // Made by Unix (as zip and libarchive make them): unzip takes a 0x5C trail
    // byte for a separator in a name made by MS-DOS.
    put16(c, 3 << 8 | 20);
    put16(c, 20);
    put16(c, flags);
    put16(c, method);
    put16(c, time);
    put16(c, date);
    put32(c, crc);
    put32(c, packed);
    put32(c, static_cast<unsigned long>(m.size));
    put16(c, static_cast<unsigned>(name.size()));
    put16(c, static_cast<unsigned>(extra.size()));
    put16(c, 0);  // comment
    put16(c, 0);  // disk
    put16(c, 0);  // internal attributes
    put32(c, m.folder ? 040755ul << 16 | 0x10 : 0100644ul << 16);
    put32(c, offset);
    *central += c + name + extra;
    return true;
}

// A member's DOS time as UTC seconds (0 when it is no time).
long long dos_time_value(WORD date, WORD time)
{
    FILETIME local, utc;
    if (!DosDateTimeToFileTime(date, time, &local) || !LocalFileTimeToFileTime(&local, &utc)) return 0;
    return static_cast<long long>(filetime_to_time(utc));
}

bool ascii(const std::string& s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

bool stored_kind(const std::string& name)
{
    static const char* const kinds[] = {".jpg", ".jpeg", ".png", ".gif"};
    for (const char* k : kinds) {
        size_t n = strlen(k);
        if (name.size() > n && lstrcmpiA(name.c_str() + name.size() - n, k) == 0) return true;
    }
    return false;
}

int update_zip(const std::string& old, const std::string& out, std::vector<member>& members, const char* password,
               bool utf8)
{
    // Only files and folders, of sizes the 32-bit fields hold, at most 65534.
    unsigned long long total = 22;
    for (member& m : members) {
        if (!m.link.empty()) return write_zip(out, members, password, utf8);
        if (m.folder) continue;
        WIN32_FILE_ATTRIBUTE_DATA a;
        if (!GetFileAttributesExA(m.source.c_str(), GetFileExInfoStandard, &a)) return RESULT_WRITE;
        m.size = (static_cast<long long>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
        total += static_cast<unsigned long long>(m.size) + m.size / 500 + 1024 + 2 * m.name.size();
    }
    if (total >= LIMIT || members.size() >= 0xFFFF) return write_zip(out, members, password, utf8);
    file_handle_holder from = {CreateFileA(old.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr)};
    std::map<std::string, stored_member> stored;
    if (from.h == INVALID_HANDLE_VALUE || !read_central(from.h, &stored))
        return write_zip(out, members, password, utf8);
    bool with_password = password && *password;
    std::string temp = temp_name(out), central;
    bool ok;
    {
        zip_out z(temp);
        ok = z.ok();
        for (const member& m : members) {
            if (!ok) break;
            ok = report_begin(m);
            if (!ok) break;
            // A file that may be an old member unchanged, or one to encrypt, is read for its CRC first.
            auto s = stored.find(m.name);
            const stored_member* old_one = s != stored.end() && !m.folder && !s->second.folder ? &s->second : nullptr;
            // DOS times go in steps of two seconds, some tools rounding up.
            bool candidate = old_one && old_one->size == m.size &&
                             std::llabs(dos_time_value(old_one->date, old_one->time) - m.mtime) <= 2 &&
                             (ascii(m.name) || old_one->utf8 == utf8) && ((old_one->flags & 1) != 0) == with_password &&
                             !(old_one->flags & 0x40);
            unsigned long crc = 0;
            bool crc_known = !m.folder && (candidate || with_password);
            if (crc_known && !file_crc(m, &crc)) {
                ok = false;
                break;
            }
            unsigned long span = 0;
            bool same = candidate && old_one->crc == crc &&
                        (!with_password || password_opens(from.h, *old_one, password)) &&
                        (span = stored_span(from.h, *old_one)) != 0;
            bool flag_utf8 = same && utf8 && !ascii(m.name) && !(old_one->flags & 0x800);
            ok = same ? carry(from.h, *old_one, span, m, flag_utf8, z, &central)
                      : write_new(m, utf8, password, crc_known, crc, z, &central);
        }
        std::string end;
        put32(end, 0x06054B50ul);
        put16(end, 0);
        put16(end, 0);
        put16(end, static_cast<unsigned>(members.size()));
        put16(end, static_cast<unsigned>(members.size()));
        put32(end, static_cast<unsigned long>(central.size()));
        put32(end, z.at());
        put16(end, 0);
        ok = ok && z.put(central) && z.put(end) && z.close();
    }
    return finish_archive(out, temp, ok);
}
