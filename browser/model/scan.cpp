// Folder scanning, the entry filter, the sort modes, the first listed file of
// a folder and folder summaries (see scan.h). A scan resets the browser's
// entries before it frees the lists they point into, and after every
// progress refresh (which handles pending messages) it reads the lists again
// through their globals, holding no pointer into them across the refresh.
#include "browser/model/scan.h"
#include "browser/model/archive_work.h"
#include "browser/model/browser_list.h"
#include "browser/model/image_kinds.h"
#include "browser/model/paths.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

int sort_mode = 1;
int archive_switch[4];

int current_sort_mode()
{
    const browser_list_record& l = browser_list;
    int direction = l.sort_direction < 0 ? -1 : 1;
    return (l.sort_key[0] + 10 * (l.fldfirst ? 1 : 0) + 1) * direction;
}

// A switch is on when the setting asks for the kind; whether its archiver is
// there is asked only of a name with its extension, so that a folder without
// archives loads no archiver DLL.
void compute_archive_switches()
{
    for (int k = 0; k < 4; k++) archive_switch[k] = browser_list.use_lzh[k] ? 1 : 0;
}

int archive_kind_of(const char* name)
{
    static const char* const exts[] = {".lzh", ".zip", ".cab", ".tgz", ".gz", ".z"};
    static const int kinds[] = {0, 1, 2, 3, 3, 3};
    for (int i = 0; i < 6; i++) {
        if (!has_ext(name, exts[i])) continue;
        int k = kinds[i];
        return archive_switch[k] && archiver_available(k) ? k : -1;
    }
    return -1;
}

int skip_by_attributes(const WIN32_FIND_DATAA* d)
{
    DWORD a = d->dwFileAttributes;
    if ((a & FILE_ATTRIBUTE_HIDDEN) && (a & FILE_ATTRIBUTE_SYSTEM)) return 1;
    if (browser_list.settings.hidden) return 0;
    if (a & FILE_ATTRIBUTE_HIDDEN) return 1;
    if (a & FILE_ATTRIBUTE_DIRECTORY) return 0;
    const char* n = d->cFileName;
    if (strncmp(n, "zote.", 5) == 0 && (!strcmp(n + 5, "exe") || !strcmp(n + 5, "hlp") || !strcmp(n + 5, "ini")))
        return 1;
    return strcmp(n, "autorun.inf") == 0 ? 1 : 0;
}

int is_listed_name(const char* ext)
{
    const char* e = ext ? ext : "";
    if (*e && has_ext(e, ".msg")) return 0;
    if (browser_list.settings.all) return 1;
    if (!*e) return 0;
    if (browser_list.settings.textpic && has_ext(e, ".txt")) return 1;
    if (image_kind_of_ext(e)) return 1;
    return archive_kind_of(e) >= 0 ? 1 : 0;
}

static int listed_file(const char* name) { return is_listed_name(mb_strrchr(name, '.')); }

static const char* ext_or_empty(const char* name)
{
    const char* dot = mb_strrchr(file_name_of(name), '.');
    return dot ? dot : "";
}

// The order of two entries in the current sort mode; names(ext) compares
// their names (ext: their extensions).
template <class Names> static int by_key(const sort_record* a, const sort_record* b, int key, const Names& names)
{
    switch (key) {
    case 2: return CompareFileTime(&a->write_time, &b->write_time);
    case 3: return a->size < b->size ? -1 : a->size > b->size ? 1 : 0;
    case 4: {
        int c = names(true);
        return c ? c : names(false);
    }
    default: return names(false);
    }
}

static int sort_key_of_mode(int mode)
{
    if (mode >= 11 && mode <= 14) return mode - 10;
    return mode >= 1 && mode <= 4 ? mode : 1;
}

template <class Names> static int entry_order(const sort_record* a, const sort_record* b, const Names& names)
{
    int m = sort_mode;
    int direction = m < 0 ? -1 : 1;
    int mode = m < 0 ? -m : m;
    bool folders_first = mode >= 11 && mode <= 14;
    if (folders_first && b->folder != a->folder) return b->folder - a->folder;
    int order = by_key(a, b, sort_key_of_mode(mode), names);
    // A mode outside the table sorts by name, upward.
    return folders_first || (mode >= 1 && mode <= 4) ? direction * order : order;
}

int compare_entries(const sort_record* a, const sort_record* b)
{
    return entry_order(a, b, [&](bool ext) {
        return ext ? lstrcmpiA(ext_or_empty(a->name), ext_or_empty(b->name)) : lstrcmpiA(a->name, b->name);
    });
}

int compare_entries_qsort(const void* a, const void* b)
{
    return compare_entries(*static_cast<sort_record* const*>(a), *static_cast<sort_record* const*>(b));
}

// lstrcmpiA asks the system's collation at every comparison, two code page
// conversions included (about 0.8 us each under Wine): sorting 10,000 names
// spent 70 ms there. The sort keys of the same collation are made once per
// name instead; two keys compared byte by byte order the names as lstrcmpiA
// does, since they are what the collation compares.
namespace {
struct keyed_record {
    sort_record* record;
    size_t whole, ext;  // where the keys of its name and extension begin
};

// Appends the sort key of text (with its terminating zero) to keys; false
// when the system gives none.
bool add_key(std::vector<char>& keys, const char* text, LCID locale, UINT code_page)
{
    enum { KEY_ROOM = PATH_BUF * 8 };
    WCHAR wide[PATH_BUF * 2];
    if (MultiByteToWideChar(code_page, 0, text, -1, wide, PATH_BUF * 2) <= 0) return false;
    size_t at = keys.size();
    keys.resize(at + KEY_ROOM);
    int made =
        LCMapStringW(locale, LCMAP_SORTKEY | NORM_IGNORECASE, wide, -1, reinterpret_cast<LPWSTR>(&keys[at]), KEY_ROOM);
    keys.resize(made > 0 ? at + made : at);
    return made > 0 && keys.back() == 0;
}

// The records with the keys of their names (and extensions, for the
// extension key); false when a key could not be made.
bool make_keys(sort_record** records, int count, bool ext, std::vector<keyed_record>* out, std::vector<char>* keys)
{
    // lstrcmpiA compares in the thread's locale, its text read in that locale's code page.
    LCID locale = GetThreadLocale();
    char cp_text[8];
    UINT code_page = CP_ACP;
    if (GetLocaleInfoA(locale, LOCALE_IDEFAULTANSICODEPAGE, cp_text, sizeof cp_text)) code_page = atoi(cp_text);
    keys->reserve(size_t(count) * (ext ? 64 : 48));
    out->resize(count);
    for (int i = 0; i < count; i++) {
        keyed_record& r = (*out)[i];
        r.record = records[i];
        r.whole = keys->size();
        if (!add_key(*keys, records[i]->name, locale, code_page)) return false;
        r.ext = keys->size();
        if (ext && !add_key(*keys, ext_or_empty(records[i]->name), locale, code_page)) return false;
    }
    return true;
}
}  // namespace

void sort_records(sort_record** records, int count)
{
    int key = sort_key_of_mode(sort_mode < 0 ? -sort_mode : sort_mode);
    std::vector<keyed_record> keyed;
    std::vector<char> keys;
    if (key == 2 || key == 3 || !make_keys(records, count, key == 4, &keyed, &keys)) {
        std::stable_sort(records, records + count,
                         [](const sort_record* a, const sort_record* b) { return compare_entries(a, b) < 0; });
        return;
    }
    const char* k = keys.data();
    std::stable_sort(keyed.begin(), keyed.end(), [k](const keyed_record& a, const keyed_record& b) {
        return entry_order(a.record, b.record, [&](bool ext) {
                   return ext ? strcmp(k + a.ext, k + b.ext) : strcmp(k + a.whole, k + b.whole);
               }) < 0;
    });
    for (int i = 0; i < count; i++) records[i] = keyed[i].record;
}

// Pass progress --------------------------------------------------------------

void scan_pass_begin(const char* status)
{
    browser_list.pass_running = 1;
    browser_list.pass_clock = GetTickCount();
    text_copy(browser_list.pass_status, status ? status : "");
}

void pass_end() { browser_list.pass_running = 0; }

void pass_tick()
{
    browser_list_record& l = browser_list;
    if (!l.pass_running) return;
    if (GetTickCount() - l.pass_clock < static_cast<DWORD>(l.busy_time)) return;
    _status_text(l.page, "%s", l.pass_status);
    text_append(l.pass_status, "□");
    _pump();
    l.pass_clock = GetTickCount();
}

// The first listed file ------------------------------------------------------

namespace {
struct candidate {
    std::string name;
    sort_record key;
};
struct candidate_walk {
    std::vector<candidate> found;
};

int gather_candidate(walk_item* item)
{
    const WIN32_FIND_DATAA* d = item->find_data;
    if (skip_by_attributes(d)) return 1;
    bool folder = (d->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!folder && !listed_file(d->cFileName)) return 1;
    auto* walk = reinterpret_cast<candidate_walk*>(item->names);
    candidate c;
    c.name = item->path;
    c.key = {nullptr, d->ftLastWriteTime, double(d->nFileSizeLow), folder ? 1 : 0, nullptr, d->dwFileAttributes};
    walk->found.push_back(c);
    pass_tick();
    return 1;
}
}  // namespace

// The search below one folder; *folders_left: the folders it may still list.
// Once they are spent, the folders not yet listed are passed over and a file
// after them can still be the one found.
static int search_step(const char* folder, char* out, int* folders_left)
{
    out[0] = 0;
    if (*folders_left <= 0) return 0;
    --*folders_left;
    candidate_walk walk;
    walk_item rec = {};
    rec.names = reinterpret_cast<char**>(&walk);
    walk_folder(gather_candidate, folder, "*.*", &rec, gather_candidate);
    std::vector<size_t> order;
    for (size_t i = 0; i < walk.found.size(); i++) {
        walk.found[i].key.name = file_name_of(walk.found[i].name.c_str());
        order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(), [&walk](size_t a, size_t b) {
        return compare_entries(&walk.found[a].key, &walk.found[b].key) < 0;
    });
    // An empty subfolder gives way to the next candidate.
    int count = static_cast<int>(order.size());
    for (size_t i : order) {
        const candidate& c = walk.found[i];
        if (!c.key.folder) {
            if (text_copy(out, PATH_BUF, c.name.c_str())) return count;
            continue;
        }
        if (search_step(c.name.c_str(), out, folders_left) && out[0]) return count;
    }
    out[0] = 0;
    return 0;
}

int first_listed_file_step(const char* folder, char* out)
{
    int folders_left = FIRST_FILE_SEARCH_FOLDERS;
    return search_step(folder, out, &folders_left);
}

int first_listed_file(const char* folder, char* out)
{
    out[0] = 0;
    return first_listed_file_step(folder, out) > 0 && out[0] ? 1 : 0;
}

// Folder summaries -----------------------------------------------------------

namespace {
struct summary_walk {
    folder_summary_record* out;
    int limit;
    int folders;  // entered so far
    int stop;
};

// With a negative limit a walk ends, incomplete, past the count limit of
// files or of folders entered: a tree of empty folders is bounded too.
bool past_limit(summary_walk* w, int count)
{
    if (w->limit >= 0 || count <= browser_list.countfile_limit) return false;
    w->out->incomplete = 1;
    w->stop = 1;
    return true;
}

int summary_file(walk_item* item)
{
    auto* w = reinterpret_cast<summary_walk*>(item->names);
    if (w->stop) return 0;
    const WIN32_FIND_DATAA* d = item->find_data;
    double size = d->nFileSizeHigh * 4294967296.0 + d->nFileSizeLow;
    double disk = size;
    if (d->dwFileAttributes & FILE_ATTRIBUTE_COMPRESSED) {
        disk = compressed_file_size(item->path);
        w->out->compressed = 1;
    }
    folder_summary_record& s = *w->out;
    if (image_kind_of_path(d->cFileName)) {
        s.image_count++;
        s.image_bytes += float(size);
        s.image_disk += float(disk);
    } else {
        s.other_count++;
        s.other_bytes += float(size);
        s.other_disk += float(disk);
    }
    return past_limit(w, s.image_count + s.other_count) ? 0 : 1;
}

int summary_enter(walk_item* item)
{
    auto* w = reinterpret_cast<summary_walk*>(item->names);
    return w->stop || past_limit(w, ++w->folders) ? 0 : 1;
}
}  // namespace

// The drive type of a path's root. Under Wine the question costs several
// milliseconds, and a page of folders asks it of one drive again and again:
// the answer is kept for as long as the list is not loaded or drawn anew.
static int32_t drive_type_of(const char* path)
{
    static char last_root[PATH_BUF];
    static int32_t last_type;
    static int last_pass = -1;
    char root[PATH_BUF];
    if (!path_root(path, root, sizeof root)) return 0;
    if (last_pass != browser_list.reload_counter || lstrcmpiA(root, last_root) != 0) {
        last_type = int32_t(GetDriveTypeA(root));
        text_copy(last_root, root);
        last_pass = browser_list.reload_counter;
    }
    return last_type;
}

folder_summary_record* folder_summary(const char* path, folder_summary_record* out, int limit)
{
    memset(out, 0, sizeof *out);
    out->scale = 1.0f;
    out->drive_type = drive_type_of(path);
    if (limit < 0 && (out->drive_type == DRIVE_REMOVABLE || out->drive_type == DRIVE_REMOTE)) {
        out->incomplete = 1;
        return out;
    }
    summary_walk w = {out, limit, 0, 0};
    walk_item rec = {};
    rec.names = reinterpret_cast<char**>(&w);
    walk_tree(path, "*.*", &rec, summary_file, nullptr, summary_enter, nullptr);
    out->total_bytes = out->image_bytes + out->other_bytes;
    out->total_disk = out->image_disk + out->other_disk;
    return out;
}
