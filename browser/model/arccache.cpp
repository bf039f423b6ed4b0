// The extracted-member cache (see arccache.h). Record files live in a folder
// every instance shares and outlive the program, so they are untrusted: read
// whole, checked for length and type, their texts terminated. Member names
// come from the archive: a name that does not fit is skipped, never cut, and
// an extracted member lands only inside this instance's "view" folder.
#include "browser/model/arccache.h"
#include "browser/model/archive_work.h"
#include "browser/model/browser_list.h"
#include "browser/model/names.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include "base/holders.h"
#include <cstdio>
#include "base/le_fields.h"
#include <cstring>
#include <vector>

namespace {

// The summary's fourteen words in their stored order.
#define SUMMARY_WORDS(X) \
    X(image_count)       \
    X(image_bytes)       \
    X(image_disk)        \
    X(other_count)       \
    X(other_bytes)       \
    X(other_disk) X(total_bytes) X(total_disk) X(compressed) X(drive_type) X(kind) X(scale) X(loaded) X(incomplete)

void put_block(unsigned char* p, const archive_info_block& b)
{
    uint64_t size;
    memcpy(&size, &b.size, 8);
    put32(p, uint32_t(size));
    put32(p + 4, uint32_t(size >> 32));
    put32(p + 8, b.time.dwLowDateTime);
    put32(p + 12, b.time.dwHighDateTime);
    unsigned char* w = p + 16;
#define PUT_WORD(f)                \
    put32(w, bits32(b.summary.f)); \
    w += 4;
    SUMMARY_WORDS(PUT_WORD)
#undef PUT_WORD
    memcpy(p + 72, b.path, PATH_BUF);
    memcpy(p + 332, b.member, PATH_BUF);
}

void get_block(const unsigned char* p, archive_info_block* b)
{
    uint64_t size = get32(p) | (uint64_t(get32(p + 4)) << 32);
    memcpy(&b->size, &size, 8);
    b->time.dwLowDateTime = get32(p + 8);
    b->time.dwHighDateTime = get32(p + 12);
    const unsigned char* w = p + 16;
#define GET_WORD(f)                                          \
    b->summary.f = from32<decltype(b->summary.f)>(get32(w)); \
    w += 4;
    SUMMARY_WORDS(GET_WORD)
#undef GET_WORD
    memcpy(b->path, p + 72, PATH_BUF);
    memcpy(b->member, p + 332, PATH_BUF);
    b->path[PATH_BUF - 1] = b->member[PATH_BUF - 1] = 0;
}

// The archive's file name: after the last backslash, else after the colon.
const char* record_base(const char* archive)
{
    const char* slash = mb_strrchr(archive, '\\');
    if (slash) return slash + 1;
    const char* colon = mb_strchr(archive, ':');
    return colon ? colon + 1 : archive;
}

// "name." followed by digits only: another archive's "a.zip.x.zip.0" is not ours.
bool is_record_of(const char* file, const char* base)
{
    size_t n = strlen(base);
    if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, file, int(n), base, int(n)) != CSTR_EQUAL ||
        file[n] != '.')
        return false;
    const char* d = file + n + 1;
    if (!*d) return false;
    for (; *d; d++)
        if (*d < '0' || *d > '9') return false;
    return true;
}

bool archive_stamp(const char* archive, double* size, FILETIME* time)
{
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExA(archive, GetFileExInfoStandard, &d) || (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    *size = d.nFileSizeHigh * 4294967296.0 + d.nFileSizeLow;
    *time = d.ftLastWriteTime;
    return true;
}

// Every "/" of a member name becomes "\" (double-byte aware).
void to_backslashes(char* name)
{
    for (char* p = name; *p; p = const_cast<char*>(mb_next(p)))
        if (*p == '/') *p = '\\';
}

bool ends_in_backslash(const char* name)
{
    const char* last = mb_last(name);
    return last && *last == '\\';
}

const char* ext_of(const char* name)
{
    const char* dot = mb_strrchr(file_name_of(name), '.');
    return dot ? dot : "";
}

bool counts_member(const char* name)
{
    const settings_record& s = browser_list.settings;
    return s.all || (s.textpic && is_text_name(name)) || image_kind_of_ext(ext_of(name));
}

}  // namespace

void clear_arc_record(arc_member_record* r)
{
    memset(r, 0, sizeof *r);
    r->type = ARC_RECORD_TYPE;
    r->block.summary.scale = 1.0f;
}

int read_arc_record(const char* path, arc_member_record* out)
{
    unsigned char bytes[ARC_RECORD_BYTES + 1];
    c_file f(fopen(path, "rb"));
    if (!f || fread(bytes, 1, sizeof bytes, f.get()) != ARC_RECORD_BYTES) return 0;
    clear_arc_record(out);
    out->type = int32_t(get32(bytes));
    out->snapshot_valid = int32_t(get32(bytes + 4));
    get_block(bytes + 8, &out->block);
    memcpy(out->snapshot, bytes + 600, ENTRY_SNAPSHOT_BYTES);
    return out->type == ARC_RECORD_TYPE ? 1 : 0;
}

int write_arc_record(const char* path, const arc_member_record& r)
{
    unsigned char bytes[ARC_RECORD_BYTES] = {};
    put32(bytes, uint32_t(r.type));
    put32(bytes + 4, uint32_t(r.snapshot_valid));
    put_block(bytes + 8, r.block);
    memcpy(bytes + 600, r.snapshot, ENTRY_SNAPSHOT_BYTES);
    c_file f(fopen(path, "wb"));
    return f && fwrite(bytes, 1, sizeof bytes, f.get()) == sizeof bytes ? 1 : 0;
}

int arccache_lookup(const char* archive, arc_member_record* out, char* record_path)
{
    record_path[0] = 0;
    char folder[PATH_BUF], pattern[PATH_BUF], full[PATH_BUF];
    double size;
    FILETIME time;
    const char* base = record_base(archive);
    if (!zote_temp_path(folder, "cache_arc") || !archive_stamp(archive, &size, &time)) return 0;
    if (!text_format(pattern, sizeof pattern, "%s\\%s.*", folder, base)) return 0;
    WIN32_FIND_DATAA fd;
    find_handle h(FindFirstFileA(pattern, &fd));
    if (h) {
        do {
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !is_record_of(fd.cFileName, base)) continue;
            if (!path_join(full, folder, fd.cFileName)) continue;
            if (!read_arc_record(full, out)) {
                DeleteFileA(full);  // foreign, damaged or cut short
                continue;
            }
            if (CompareFileTime(&out->block.time, &time) == 0 && out->block.size == size) {
                text_copy(record_path, PATH_BUF, full);
                // The archive may have been moved or copied: use where it is now.
                char here[PATH_BUF];
                char* name = nullptr;
                DWORD n = GetFullPathNameA(archive, sizeof here, here, &name);
                if (n && n < sizeof here) text_copy(out->block.path, here);
                return 1;
            }
        } while (FindNextFileA(h.get(), &fd));
    }
    int n = 0;
    for (; n < 999; n++) {
        if (!text_format(record_path, PATH_BUF, "%s\\%s.%d", folder, base, n)) return 0;
        if (GetFileAttributesA(record_path) == INVALID_FILE_ATTRIBUTES) return 0;
    }
    text_format(record_path, PATH_BUF, "%s\\%s.%d", folder, base, n);
    return 0;
}

void arccache_forget(const char* archive)
{
    arc_member_record r;
    char path[PATH_BUF];
    if (!arccache_lookup(archive, &r, path)) return;
    DeleteFileA(path);
    // The next record of this name must not find this one's extracted copy.
    char copies[PATH_BUF];
    if (archive_work.instance >= 0 && path_join(copies, archive_work.view, file_name_of(path)) &&
        GetFileAttributesA(copies) != INVALID_FILE_ATTRIBUTES)
        rm_tree(copies);
}

int member_compare(const archive_member_info* a, const archive_member_info* b)
{
    int direction = browser_list.sort_direction < 0 ? -1 : 1;
    int r = 0;
    switch (browser_list.sort_key[0]) {
    case 1: r = a->date < b->date ? -1 : a->date > b->date ? 1 : 0; break;
    case 2: r = a->original_size < b->original_size ? -1 : a->original_size > b->original_size ? 1 : 0; break;
    case 3:
        r = lstrcmpiA(ext_of(a->name), ext_of(b->name));
        if (!r) r = lstrcmpiA(a->name, b->name);
        break;
    default: r = lstrcmpiA(a->name, b->name); break;
    }
    return r * direction;
}

// Reads the listing into members; -1 when the archive cannot be listed.
static int read_listing(_lha* lha, const char* archive, std::vector<archive_member_info>* members)
{
    int count = lha->member_count(archive);
    if (count < 0 || !lha->open_archive || !lha->close_archive) return -1;
    if (count > ARC_MEMBER_CAP) count = ARC_MEMBER_CAP;  // a damaged count never sizes the buffer
    HARC h = lha->open_archive(_page_hwnd(browser_list.page), archive, ARCHIVE_OPEN_MODE);
    if (!h) return -1;
    members->resize(size_t(count));
    int n = 0;
    if (count > 0 && lha->find_first(h, &(*members)[0]) == 0) {
        for (n = 1; n < count; n++)
            if (lha->find_next(h, &(*members)[size_t(n)]) != 0) break;
    }
    lha->close_archive(h);
    members->resize(size_t(n));
    return n;
}

int arc_summary_build(const char* archive, archive_info_block* out)
{
    arc_member_record r;
    char record_path[PATH_BUF];
    if (arccache_lookup(archive, &r, record_path)) {
        *out = r.block;
        return 1;
    }
    clear_arc_record(&r);
    archive_info_block& b = r.block;
    char* name = nullptr;
    DWORD n = GetFullPathNameA(archive, PATH_BUF, b.path, &name);
    if (!n || n >= PATH_BUF || !archive_stamp(archive, &b.size, &b.time)) return 0;
    b.summary.total_bytes = float(b.size);
    if (b.size == 0) {
        *out = b;
        if (record_path[0]) write_arc_record(record_path, r);
        return 1;
    }
    _lha* lha = open_archiver_for(archive);
    std::vector<archive_member_info> members;
    if (!lha || read_listing(lha, archive, &members) < 0) {
        *out = b;
        return 1;
    }
    const archive_member_info* first = nullptr;
    double image_bytes = 0, other_bytes = 0;
    for (archive_member_info& m : members) {
        m.name[ARCHIVE_NAME_MAX] = 0;
        to_backslashes(m.name);
        if (!m.name[0] || ends_in_backslash(m.name) || strlen(m.name) >= PATH_BUF)
            continue;  // folders; names too long to keep
        if (!counts_member(m.name)) continue;
        if (image_kind_of_ext(ext_of(m.name))) {
            b.summary.image_count++;
            image_bytes += m.original_size;
        } else {
            b.summary.other_count++;
            other_bytes += m.original_size;
        }
        if (!first || member_compare(&m, first) < 0) first = &m;
    }
    b.summary.image_bytes = float(image_bytes);
    b.summary.other_bytes = float(other_bytes);
    double sum = image_bytes + other_bytes;
    b.summary.scale = sum > 0 ? float(b.size / sum) : 1.0f;
    if (first) {
        text_copy(b.member, first->name);
        b.summary.kind = image_kind_of_ext(ext_of(first->name)) ? 1 : 0;
    }
    *out = b;
    if (record_path[0]) write_arc_record(record_path, r);
    return 1;
}

// The member's file name: what follows its last "\" or "/". A record may be
// crafted, so the name must be a plain one: no drive or stream colon, not
// made of dots only (".", "..", "..." all name a folder above).
static const char* member_file_name(const char* member)
{
    const char* name = member;
    for (const char* p = member; *p; p = mb_next(p))
        if (*p == '\\' || *p == '/') name = p + 1;
    if (!name[0] || mb_strchr(name, ':') || name[strspn(name, ".")] == 0) return nullptr;
    return name;
}

// The absolute form of folder\name (PATH_BUF) when it lies directly in the
// folder, both resolved, so that no separator or ".." leads out of it.
static bool resolves_into(const char* folder, const char* name, char* out)
{
    char joined[PATH_BUF], where[PATH_BUF], parent[PATH_BUF];
    if (!path_join(joined, folder, name) || !full_path(out, PATH_BUF, joined) ||
        !full_path(where, sizeof where, folder) || !parent_folder(out, parent))
        return false;
    remove_backslash(parent);
    return text_equal_ci(parent, where) != 0;
}

static int view_path_of(const archive_info_block* block, const char* record_path, char* out)
{
    const char* member_file = member_file_name(block->member);
    char folder[PATH_BUF];
    return member_file && path_join(folder, archive_work.view, file_name_of(record_path)) &&
                   resolves_into(folder, member_file, out)
               ? 1
               : 0;
}

static bool extractable_kind(const char* member)
{
    const char* e = ext_of(member);
    return image_kind_of_ext(e) || is_text_name(member) || has_ext(e, ".lnk") || has_ext(e, ".exe");
}

static void make_parent(const char* path)
{
    char parent[PATH_BUF];
    if (parent_folder(path, parent) && parent[0]) md_path(parent);
}

int arccache_extract_member(const archive_info_block* block, const char* destination_in)
{
    // Only inside this instance's work folder, however the path is spelt.
    char destination[PATH_BUF];
    if (archive_work.instance < 0 || !full_path(destination, sizeof destination, destination_in) ||
        !in_instance_folder(destination))
        return 0;
    const char* member_file = member_file_name(block->member);
    _lha* lha = open_archiver_for(block->path);
    if (!lha || !member_file) return 0;
    if (lha->is_encrypted(block->path) || !extractable_kind(block->member)) {
        make_parent(destination);
        c_file f(fopen(destination, "wb"));
        return f ? 1 : 0;
    }
    if (GetFileAttributesA(destination) != INVALID_FILE_ATTRIBUTES) return 1;
    char member[PATH_BUF], extracted[PATH_BUF];
    if (!text_copy(member, block->member)) return 0;
    char* file = file_name_of(member);
    if (*file == '@' || *file == '-') *file = '?';  // the DLLs read those as command syntax
    if (has_extension(block->path, ".zip"))
        for (char* p = member; *p; p = const_cast<char*>(mb_next(p)))
            if (*p == '\\') *p = '/';
    // Extract-one drops the member's folders: it lands at view\<file name>.
    if (!resolves_into(archive_work.view, member_file, extracted)) return 0;
    DeleteFileA(extracted);
    if (!lha->extract_one(block->path, archive_work.view, member) ||
        GetFileAttributesA(extracted) == INVALID_FILE_ATTRIBUTES)
        return 0;
    make_parent(destination);
    if (!MoveFileA(extracted, destination)) {
        DeleteFileA(extracted);
        return 0;
    }
    if (image_kind_of_ext(ext_of(block->member))) {
        arc_member_record r;
        char record_path[PATH_BUF];
        if (arccache_lookup(block->path, &r, record_path)) {
            file_kind member_kind;
            make_file_kind(destination, &member_kind, 1, 0);
            write_entry_snapshot(member_kind, r.snapshot);
            r.snapshot_valid = 1;
            write_arc_record(record_path, r);
        }
    }
    return 1;
}

int arccache_path_for_entry(char* out, int force, const archive_info_block* block, file_kind_base_data* entry)
{
    arc_member_record r;
    char record_path[PATH_BUF];
    if (!block->member[0] || !arccache_lookup(block->path, &r, record_path) ||
        !view_path_of(&r.block, record_path, out))
        return 0;
    if (!force && r.snapshot_valid) {
        file_kind_base_data snap = {};
        read_entry_snapshot(r.snapshot, &snap);
        if (snap.image_kind && GetFileAttributesA(out) != INVALID_FILE_ATTRIBUTES) {
            if (entry) read_entry_snapshot(r.snapshot, entry);
            return 1;
        }
    }
    return arccache_extract_member(&r.block, out);
}

int arccache_member_path(const char* archive, char* out)
{
    archive_info_block block;
    if (!arc_summary_build(archive, &block)) return 0;
    return arccache_path_for_entry(out, 0, &block, nullptr);
}
