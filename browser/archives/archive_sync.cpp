// The open archive's folder against the archive itself. "folder.m" records
// the archive as this window last had it in step with "folder" (when it was
// extracted and after each write-back of this window): the archive's size
// and time, and every file and folder of "folder" with its size and time.
// A write-back finds by it whether another window or program changed the
// archive since; then this window's changes are made again on what the
// archive holds now, so that neither side's work is lost. A folder that
// differs from its record holds changes not yet in the archive: it is
// never removed without the user's word, nor wiped after a crash.
#include "browser/archives/archive_folder.h"
#include "browser/model/busy.h"
#include "browser/model/paths.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include "base/holders.h"
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

enum { RECORD_VERSION = 1 };
const char record_magic[4] = {'Z', 'F', 'M', 0};

struct record_header {
    char magic[4];
    uint32_t version;
    uint32_t count;  // entries after the header
    uint32_t archive_size_low, archive_size_high;
    FILETIME archive_time;
};
struct record_entry {
    char path[PATH_BUF];  // below "folder"
    uint32_t attributes;
    uint32_t size_low, size_high;
    FILETIME time;
};
static_assert(sizeof(record_header) == 28, "folder record header");
static_assert(offsetof(record_header, archive_time) == 20, "archive time at 20");
static_assert(sizeof(record_entry) == 280, "folder record entry");
static_assert(offsetof(record_entry, attributes) == 260, "attributes at 260");
static_assert(offsetof(record_entry, time) == 272, "time at 272");

// Files and folders below a folder by their case keys.
struct item {
    std::string path;
    bool folder;
    uint64_t size;
    uint64_t time;
};
using listing = std::map<std::string, item>;

uint64_t wide(DWORD high, DWORD low) { return (uint64_t(high) << 32) | low; }
uint64_t wide(FILETIME t) { return wide(t.dwHighDateTime, t.dwLowDateTime); }

bool add_item(listing* out, const char* path, bool folder, uint64_t size, uint64_t time)
{
    char key[PATH_BUF];
    if (!text_case_key(key, sizeof key, path)) return false;
    (*out)[key] = {path, folder, size, time};
    return true;
}

// Every file and folder below root (links are listed, never entered). False
// when a name does not fit.
bool list_tree(const char* root, const char* below, listing* out)
{
    char pattern[PATH_BUF];
    if (!text_format(pattern, sizeof pattern, "%s%s%s\\*", root, *below ? "\\" : "", below)) return false;
    WIN32_FIND_DATAA f;
    find_handle h(FindFirstFileA(pattern, &f));
    if (!h) return true;
    do {
        if (strcmp(f.cFileName, ".") == 0 || strcmp(f.cFileName, "..") == 0) continue;
        char path[PATH_BUF];
        if (!(*below ? path_join(path, below, f.cFileName) : text_copy(path, f.cFileName))) return false;
        bool folder = (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!add_item(out, path, folder, folder ? 0 : wide(f.nFileSizeHigh, f.nFileSizeLow),
                      folder ? 0 : wide(f.ftLastWriteTime)))
            return false;
        if (folder && !(f.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && !list_tree(root, path, out)) return false;
    } while (FindNextFileA(h.get(), &f));
    return true;
}

// The archive's size and time; zero when it is not there.
void archive_stamp(const char* archive, uint64_t* size, uint64_t* time)
{
    WIN32_FILE_ATTRIBUTE_DATA a;
    *size = *time = 0;
    if (!GetFileAttributesExA(archive, GetFileExInfoStandard, &a)) return;
    *size = wide(a.nFileSizeHigh, a.nFileSizeLow);
    *time = wide(a.ftLastWriteTime);
}

bool read_record(const char* path, record_header* header, listing* out)
{
    c_file f(fopen(path, "rb"));
    if (!f || fread(header, 1, sizeof *header, f.get()) != sizeof *header) return false;
    if (memcmp(header->magic, record_magic, sizeof record_magic) != 0 || header->version != RECORD_VERSION)
        return false;
    for (uint32_t i = 0; i < header->count; i++) {
        record_entry e;
        if (fread(&e, 1, sizeof e, f.get()) != sizeof e || !memchr(e.path, 0, sizeof e.path) || !e.path[0])
            return false;
        bool folder = (e.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!add_item(out, e.path, folder, wide(e.size_high, e.size_low), wide(e.time))) return false;
    }
    return fgetc(f.get()) == EOF;
}

FILETIME file_time(uint64_t t) { return {DWORD(t), DWORD(t >> 32)}; }

bool write_record(const char* path, const char* archive, const listing& items)
{
    record_header header = {};
    memcpy(header.magic, record_magic, sizeof record_magic);
    header.version = RECORD_VERSION;
    header.count = uint32_t(items.size());
    uint64_t size, time;
    archive_stamp(archive, &size, &time);
    header.archive_size_low = uint32_t(size);
    header.archive_size_high = uint32_t(size >> 32);
    header.archive_time = file_time(time);
    FILE* f = fopen(path, "wb");
    if (!f) return false;
    bool ok = fwrite(&header, 1, sizeof header, f) == sizeof header;
    for (auto i = items.begin(); ok && i != items.end(); ++i) {
        record_entry e = {};
        ok = text_copy(e.path, i->second.path.c_str());
        e.attributes = i->second.folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
        e.size_low = uint32_t(i->second.size);
        e.size_high = uint32_t(i->second.size >> 32);
        e.time = file_time(i->second.time);
        ok = ok && fwrite(&e, 1, sizeof e, f) == sizeof e;
    }
    ok = fclose(f) == 0 && ok;
    if (!ok) DeleteFileA(path);
    return ok;
}

// An archive keeps times to two seconds: a member that went through one is
// the same file when its size is and its time is that close.
enum : uint64_t { ARCHIVE_TIME_STEP = 20000000 };
bool same_item(const item* a, const item* b, bool through_archive)
{
    if (!a || !b) return a == b;
    if (a->folder != b->folder || a->size != b->size) return false;
    uint64_t d = a->time > b->time ? a->time - b->time : b->time - a->time;
    return through_archive ? d <= ARCHIVE_TIME_STEP : d == 0;
}

const item* find(const listing& l, const std::string& key)
{
    auto i = l.find(key);
    return i == l.end() ? nullptr : &i->second;
}

// 1 when the folder holds what its record says, 0 when it differs, -1 when
// the record cannot be read.
int folder_matches_record(const char* folder, const char* record)
{
    record_header header;
    listing recorded, now;
    if (!read_record(record, &header, &recorded)) return -1;
    if (!list_tree(folder, "", &now) || now.size() != recorded.size()) return 0;
    for (const auto& n : now)
        if (!same_item(&n.second, find(recorded, n.first), false)) return 0;
    return 1;
}

bool join_below(char* out, const char* root, const std::string& path)
{
    return path_join(out, PATH_BUF, root, path.c_str());
}

// Their file is brought into "folder": at its own place, or beside this
// window's changed one under a free name.
bool bring(const char* theirs_root, const item& t, bool beside)
{
    char from[PATH_BUF], place[PATH_BUF], to[PATH_BUF], parent[PATH_BUF];
    if (!join_below(from, theirs_root, t.path) || !join_below(place, archive_work.folder, t.path)) return false;
    if (!(beside ? make_unique_name(to, place) : text_copy(to, place))) return false;
    if (parent_folder(to, parent) && parent[0]) md_path(parent);
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

// Three listings of one folder: as it was when in step with the archive
// (base), as this window has it (mine) and as the archive holds it now
// (theirs, extracted into theirs_root). What the archive gained or changed
// comes into "folder" where this window left that file as it was; where both
// changed it, theirs is kept beside this window's under a free name; what
// the archive lost goes from "folder" only where this window had not changed it.
bool merge_listings(const listing& base, const listing& mine, const listing& theirs, const char* theirs_root)
{
    std::set<std::string> keys;
    for (const listing* l : {&base, &mine, &theirs})
        for (const auto& i : *l) keys.insert(i.first);
    bool ok = true;
    std::vector<std::string> emptied;  // folders the archive lost, parents first
    for (const std::string& k : keys) {
        const item *b = find(base, k), *m = find(mine, k), *t = find(theirs, k);
        if (same_item(m, t, true) || same_item(t, b, true)) continue;  // theirs is mine, or they left it as it was
        bool mine_unchanged = same_item(m, b, false);
        char path[PATH_BUF];
        if (!t) {
            if (!mine_unchanged) continue;  // this window's change stays
            if (m->folder)
                emptied.push_back(m->path);
            else
                ok = join_below(path, archive_work.folder, m->path) && rm_file(path) && ok;
        } else if (t->folder) {
            if (!m && join_below(path, archive_work.folder, t->path)) md_path(path);
        } else {
            ok = bring(theirs_root, *t, !mine_unchanged && m) && ok;
        }
    }
    // Children first: a folder goes only when nothing is left in it.
    for (auto e = emptied.rbegin(); e != emptied.rend(); ++e) {
        char path[PATH_BUF];
        if (join_below(path, archive_work.folder, *e)) RemoveDirectoryA(path);
    }
    return ok;
}

}  // namespace

int note_archive_in_step(const char* archive)
{
    listing items;
    return list_tree(archive_work.folder, "", &items) && write_record(archive_work.folder_record, archive, items);
}

int archive_changed_elsewhere(const char* archive)
{
    record_header header;
    listing recorded;
    if (!read_record(archive_work.folder_record, &header, &recorded)) return 0;  // nothing to tell by
    uint64_t size, time;
    archive_stamp(archive, &size, &time);
    return size != wide(header.archive_size_high, header.archive_size_low) || time != wide(header.archive_time);
}

int merge_changed_archive(const char* archive, const char* password)
{
    record_header header;
    listing base, mine, theirs;
    char into[PATH_BUF];
    _lha* lha = open_archiver_for(archive);
    if (!lha || !read_record(archive_work.folder_record, &header, &base) ||
        !list_tree(archive_work.folder, "", &mine) || !path_join(into, archive_work.instance_folder, "into"))
        return 0;
    rm_tree(into);
    md_path(into);
    // Only an archive extracted whole is compared: what it failed to give
    // would look like members another window removed.
    if (file_size(archive) != 0) lha->extract_all(archive, into, password);
    bool whole = item_exists(archive) && !lha->is_damaged(archive) && lha->members_left_out(archive, into) == 0;
    bool merged = whole && list_tree(into, "", &theirs) && merge_listings(base, mine, theirs, into);
    rm_tree(into);
    return merged ? 1 : 0;
}

int folder_holds_unsaved_changes()
{
    char archive[PATH_BUF];
    if (!read_open_archive(archive) || !is_folder(archive_work.folder)) return 0;
    return folder_matches_record(archive_work.folder, archive_work.folder_record) != 1;
}

// Where changes that could not be written back are kept: a new folder beside
// the archive, else in the documents folder, named after the archive
// (PATH_BUF each). A place is tried by making it. The count found.
static int places_to_keep(const char* archive, char (*out)[PATH_BUF])
{
    char documents[PATH_BUF], bases[2][PATH_BUF];
    int n = 0, found = 0;
    if (text_format(bases[n], PATH_BUF, "%s.未保存", archive)) n++;
    if (get_special_folder("Personal", documents) && path_join(bases[n], documents, file_name_of(archive)) &&
        text_append(bases[n], PATH_BUF, ".未保存"))
        n++;
    for (int b = 0; b < n; b++)
        for (int i = 0; i < 100; i++) {
            char* place = out[found];
            if (!(i ? text_format(place, PATH_BUF, "%s%d", bases[b], i) : text_copy(place, PATH_BUF, bases[b]))) break;
            if (item_exists(place)) continue;
            if (!CreateDirectoryA(place, nullptr)) break;
            RemoveDirectoryA(place);
            found++;
            break;
        }
    return found;
}

static void close_archive_folder()
{
    if (in_archive_folder()) SetCurrentDirectoryA(archive_work.instance_folder);
    rm_tree(archive_work.folder);
    DeleteFileA(archive_work.folder_file);
    DeleteFileA(archive_work.folder_record);
}

// Moves a work folder to the first place that takes it: its index, or -1.
static int move_to_place(const char* folder, char (*places)[PATH_BUF], int count)
{
    for (int i = 0; i < count; i++)
        if (mv_file(folder, places[i])) return i;
    return -1;
}

static void say_kept_in_work_folder(const char* archive)
{
    msg_info("ZOTE", "%s\n書庫に書き戻せなかった変更は作業ﾌｫﾙﾀﾞ\n%s\nに残っています．", archive, archive_work.folder);
}

// The changes that could not be written back: kept at the user's word in the
// place the question names (or, when that fails, the other place, which is
// then named), or thrown away when the user says so.
static int keep_or_discard(const char* archive)
{
    char places[2][PATH_BUF];
    int count = places_to_keep(archive, places);
    if (!count) {
        say_kept_in_work_folder(archive);
        return 0;
    }
    int answer = msg_yesno("ZOTE",
                           "%s\n書庫に書き戻せませんでした．\n\n変更したﾌｧｲﾙをﾌｫﾙﾀﾞ\n%s\nに残しますか？\n\n"
                           "[いいえ]を選ぶと変更は失われます．",
                           archive, places[0]);
    if (answer != 0) {
        if (in_archive_folder()) SetCurrentDirectoryA(archive_work.instance_folder);
        int kept;
        {
            busy_guard busy(BUSY_WAIT);
            kept = move_to_place(archive_work.folder, places, count);
        }
        if (kept < 0) {
            say_kept_in_work_folder(archive);
            return 0;
        }
        if (kept > 0) msg_info("ZOTE", "%s\n変更したﾌｧｲﾙをﾌｫﾙﾀﾞ\n%s\nに残しました．", archive, places[kept]);
    }
    close_archive_folder();
    return 1;
}

int settle_archive_work()
{
    char archive[PATH_BUF];
    if (!folder_holds_unsaved_changes() || !read_open_archive(archive)) return 1;
    if (archive_write_refusal(archive) == ARCHIVE_WRITABLE && pack_open_archive(nullptr)) return 1;
    return keep_or_discard(archive);
}

int keep_dead_instance_changes(const char* instance)
{
    char folder[PATH_BUF], file[PATH_BUF], record[PATH_BUF], archive[PATH_BUF];
    if (!path_join(folder, instance, "folder") || !path_join(file, instance, "folder.d") ||
        !path_join(record, instance, "folder.m"))
        return 0;
    if (!read_path_record(file, archive) || !is_folder(folder) || folder_matches_record(folder, record) == 1) return 1;
    char places[2][PATH_BUF];
    int kept = move_to_place(folder, places, places_to_keep(archive, places));
    if (kept < 0) return 0;
    msg_info("ZOTE", "%s\n前回書庫に書き戻せなかった変更をﾌｫﾙﾀﾞ\n%s\nに残しました．", archive, places[kept]);
    return 1;
}
