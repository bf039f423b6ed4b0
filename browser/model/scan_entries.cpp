// The listing of the current folder (or of the drives), the image names of a
// folder and the subfolders of the folder tree.
#include "browser/model/scan.h"
#include "browser/model/archive_work.h"
#include "browser/model/browser_list.h"
#include "browser/model/image_kinds.h"
#include "browser/model/paths.h"
#include "files/files.h"
#include "base/holders.h"
#include <algorithm>
#include <cstring>
#include <vector>

namespace {
// One pass of scan_listing. Its lists are reached through their globals only.
struct scan_pass {
    int pass;  // the reload counter when this pass began
    int folders;
    size_t root_len;  // length of the listed folder with its backslash
    bool abandoned() const { return browser_list.reload_counter != pass; }
};

// The listing's folders whose first listed file is still to be found, by
// their place in the sorted listing. Until found a folder is named as one
// without listed files ("folder\*.*"); found, it gets the name a search
// during the walk would have given it.
struct later_search {
    std::vector<unsigned char> pending;
    int left = 0;
    int next = 0;        // where the idle search goes on
    int mode = 1;        // the sort mode of the listing
    int generation = 0;  // one more with every listing
    size_t root_len = 0;
    char root[PATH_BUF] = "";  // the listed folder with its backslash; empty for the drives
};
later_search later;

int add_entry(const char* name, const WIN32_FIND_DATAA* d, int folder)
{
    if (!strlist_add(&listing_names, name)) return 0;
    sort_record r = {};
    if (d) {
        r.write_time = d->ftLastWriteTime;
        r.size = folder ? 0.0 : double(d->nFileSizeLow);  // the low 32 bits, unsigned
        r.attributes = d->dwFileAttributes;
    }
    r.folder = folder;
    return sortlist_add(&listing_records, r);
}

int scan_file(walk_item* item)
{
    auto* p = reinterpret_cast<scan_pass*>(item->names);
    if (p->abandoned() || skip_by_attributes(item->find_data)) return 1;
    if (is_listed_name(mb_strrchr(item->find_data->cFileName, '.')))
        add_entry(item->path + p->root_len, item->find_data, 0);
    pass_tick();
    return 1;
}

int scan_subfolder(walk_item* item)
{
    auto* p = reinterpret_cast<scan_pass*>(item->names);
    if (p->abandoned() || skip_by_attributes(item->find_data)) return 1;
    p->folders++;
    // The first listed file is searched after the sort (which compares
    // folders by their own names): for the entries drawn first, the rest
    // when the program has time.
    char name[PATH_BUF];
    if (path_join(name, item->path + p->root_len, "*.*") && !p->abandoned()) {
        add_entry(name, item->find_data, 1);
        if (browser_list.sort_key[0] == 2 && listing_records.tail) {
            folder_summary_record s;
            folder_summary(item->path, &s, browser_list.countfile);
            static_cast<sort_record*>(listing_records.tail->item)->size = s.total_bytes;
        }
    }
    pass_tick();
    return 1;
}

// The archive work folders of the instances are never listed as plain folders.
int skip_work_folder(walk_item* item) { return is_instance_work_folder(item->path); }

// A depth below 0 asks for every level: more than a path can hold.
int walk_depth(int depth) { return depth < 0 ? PATH_BUF : depth; }

void list_folder(scan_pass* p, const char* folder, int depth, int* deepest)
{
    walk_item rec = {};
    rec.names = reinterpret_cast<char**>(p);
    if (depth != 0) {
        int level =
            walk_tree_depth(walk_depth(depth), folder, "*.*", &rec, scan_file, scan_subfolder, skip_work_folder, 0);
        if (level > *deepest) *deepest = level;
    } else {
        walk_folder(scan_subfolder, folder, "*.*", &rec, scan_file);
    }
}

void list_drives(scan_pass* p, int depth, int* deepest)
{
    char drives[512];
    DWORD n = GetLogicalDriveStringsA(sizeof drives, drives);
    if (!n || n >= sizeof drives) return;
    for (const char* d = drives; *d && !p->abandoned(); d += strlen(d) + 1) {
        if (drive_hidden_by_policy(d)) continue;
        if (!depth) {
            add_entry(d, nullptr, 0);
            continue;
        }
        if (GetDriveTypeA(d) == DRIVE_REMOVABLE) continue;
        p->root_len = 0;
        list_folder(p, d, depth, deepest);
    }
}

// Sorts the records, restores the cut backslashes and orders the names alike.
int finish_listing(char*** names)
{
    int count = listing_names.count;
    auto** records = reinterpret_cast<sort_record**>(strlist_to_array(&listing_records));
    auto** texts = reinterpret_cast<char**>(strlist_to_array(&listing_names));
    if (!records || !texts) {
        *names = nullptr;
        return 0;
    }
    for (int i = 0; i < count; i++) {
        records[i]->name = texts[i];
        records[i]->cut = records[i]->folder ? mb_strchr(texts[i], '\\') : nullptr;
        if (records[i]->cut) *records[i]->cut = 0;
    }
    sort_records(records, count);
    later.pending.assign(count, 0);
    for (int i = 0; i < count; i++) {
        if (records[i]->cut) *records[i]->cut = '\\';
        texts[i] = const_cast<char*>(records[i]->name);
        later.pending[i] = records[i]->folder ? 1 : 0;
        later.left += later.pending[i];
    }
    *names = texts;
    return count;
}

// Searches the first listed file of listing entry i when it is still to be
// found, and names the entry by it. A record made from the old name is made
// again from the new one.
void find_first_file_at(int i)
{
    if (i < 0 || i >= int(later.pending.size()) || !later.pending[i] || !listing_names.array) return;
    later.pending[i] = 0;
    later.left--;
    const char* name = static_cast<const char*>(listing_names.array[i]);
    size_t n = strlen(name);  // "folder\*.*"
    char folder[PATH_BUF], first[PATH_BUF];
    if (n < 4 || !text_copy(folder, later.root) || strlen(folder) + n - 4 >= sizeof folder) return;
    if (!text_copy_n(folder + strlen(folder), sizeof folder - strlen(folder), name, n - 4)) return;
    remove_backslash(folder);
    int generation = later.generation, mode = sort_mode;
    sort_mode = later.mode;
    int found = first_listed_file(folder, first);
    sort_mode = mode;
    // A search that handled messages may have met a newer listing.
    if (!found || generation != later.generation || strlen(first) <= later.root_len) return;
    char** names = reinterpret_cast<char**>(listing_names.array);
    browser_list_record& l = browser_list;
    if (l.names == names && l.records && i < l.count && l.records[i].stored_name == names[i]) {
        file_kind& r = l.records[i];
        delete r.link;
        r.link = nullptr;
        delete r.info;
        r.info = nullptr;
        r.reset();
    }
    char* text = strlist_replace(&listing_names, i, first + later.root_len);
    auto* record = listing_records.array ? static_cast<sort_record*>(listing_records.array[i]) : nullptr;
    if (text && record) {
        record->name = text;
        record->cut = mb_strchr(text, '\\');
    }
}
}  // namespace

static bool browser_lists_this_listing()
{
    return browser_list.names && browser_list.names == reinterpret_cast<char**>(listing_names.array);
}

void find_entry_first_file(int index)
{
    if (later.left > 0 && browser_lists_this_listing()) find_first_file_at(index);
}

int find_first_files_step(DWORD ms)
{
    if (later.left <= 0) return 0;
    DWORD start = GetTickCount();
    int generation = later.generation, count = int(later.pending.size());
    while (later.left > 0 && generation == later.generation && GetTickCount() - start < ms) {
        int i = later.next;
        later.next = (i + 1) % count;
        find_first_file_at(i);
    }
    return 1;
}

void find_all_first_files()
{
    int generation = later.generation;
    for (int i = 0; later.left > 0 && generation == later.generation && i < int(later.pending.size()); i++)
        find_first_file_at(i);
}

int first_files_to_find() { return later.left; }

int listed_facts_of(int index, listed_facts* out)
{
    if (!browser_lists_this_listing() || !listing_records.array || index < 0 || index >= listing_records.count)
        return 0;
    const auto* r = static_cast<const sort_record*>(listing_records.array[index]);
    // Files only: a folder's find data is the folder's, not its first file's.
    if (!r || r->folder || r->name != browser_list.names[index]) return 0;
    *out = {r->attributes, r->write_time, static_cast<uint32_t>(r->size)};
    return 1;
}

// The current folder as the process has it, entered again: the cache follows.
static bool enter_process_folder()
{
    if (current_folder.drive_list) return true;
    char folder[PATH_BUF];
    DWORD n = GetCurrentDirectoryA(sizeof folder, folder);
    return n && n < sizeof folder && enter_folder(folder);
}

int scan_entries(char*** names, int* tree_flag, int* tree_depth)
{
    *names = nullptr;
    if (!enter_process_folder()) return 0;
    scan_listing(current_folder.folder, names, tree_flag, tree_depth);
    find_all_first_files();
    // A newer listing made inside a refresh stands in for this one.
    *names = reinterpret_cast<char**>(listing_names.array);
    return *names ? listing_names.count : 0;
}

int scan_listing(const char* entered, char*** names, int* tree_flag, int* tree_depth)
{
    *names = nullptr;
    // Nothing may read the entries while their lists are freed and refilled.
    browser_list.names = nullptr;
    browser_list.count = 0;
    scan_pass p = {++browser_list.reload_counter, 0, 0};
    sort_mode = current_sort_mode();
    compute_archive_switches();
    strlist_clear(&listing_names);
    sortlist_clear(&listing_records);
    later.pending.clear();
    later.left = later.next = 0;
    later.mode = sort_mode;
    later.generation++;
    later.root[0] = 0;
    later.root_len = 0;
    int depth = tree_depth ? *tree_depth : 0, deepest = 0;
    if (current_folder.drive_list) {
        list_drives(&p, depth, &deepest);
    } else {
        char folder[PATH_BUF];
        if (!text_copy(folder, entered) || !add_backslash(folder)) return 0;
        p.root_len = strlen(folder);
        text_copy(later.root, folder);
        later.root_len = p.root_len;
        list_folder(&p, folder, depth, &deepest);
    }
    if (p.abandoned()) {
        // A newer pass ran inside a refresh: its listing stands.
        *names = reinterpret_cast<char**>(listing_names.array);
        return listing_names.array ? listing_names.count : 0;
    }
    if (tree_flag) *tree_flag = p.folders;
    // The levels the listing really opened: a request deeper than the tree
    // (or all of it) becomes the tree's depth, so that one level closes with
    // one collapse, and the names' backslashes tell files from folders.
    if (tree_depth && *tree_depth) *tree_depth = deepest;
    return finish_listing(names);
}

namespace {
int collect_image(walk_item* item)
{
    const WIN32_FIND_DATAA* d = item->find_data;
    if (skip_by_attributes(d)) return 1;
    const char* name = d->cFileName;
    if (!image_kind_of_path(name) || !is_listed_name(mb_strrchr(name, '.'))) return 1;
    if (strlist_add(&image_names, name)) {
        sort_record r = {nullptr, d->ftLastWriteTime, double(d->nFileSizeLow), 0, nullptr, d->dwFileAttributes};
        sortlist_add(&image_records, r);
    }
    return 1;
}

void sort_name_list(name_list* names, name_list* records)
{
    auto** texts = reinterpret_cast<char**>(strlist_to_array(names));
    auto** keys = records ? reinterpret_cast<sort_record**>(strlist_to_array(records)) : nullptr;
    if (!texts) return;
    if (!keys) {
        std::sort(texts, texts + names->count, [](const char* a, const char* b) { return lstrcmpiA(a, b) < 0; });
        return;
    }
    for (int i = 0; i < names->count; i++) keys[i]->name = texts[i];
    sort_records(keys, names->count);
    for (int i = 0; i < names->count; i++) texts[i] = const_cast<char*>(keys[i]->name);
}
}  // namespace

int scan_folder_images(const char* folder)
{
    sort_mode = current_sort_mode();
    current_folder_kept keep;
    char path[PATH_BUF];
    if (!full_path(path, sizeof path, folder)) return 0;
    strlist_clear(&image_names);
    sortlist_clear(&image_records);
    if (!SetCurrentDirectoryA(path)) return 0;
    walk_item rec = {};
    walk_folder(nullptr, path, "*.*", &rec, collect_image);
    sort_name_list(&image_names, &image_records);
    return image_names.count;
}

namespace {
enum { SUBFOLDER_MAX = 200 };
int collect_subfolder(walk_item* item)
{
    if (tree_names.count >= SUBFOLDER_MAX || skip_by_attributes(item->find_data)) return 1;
    strlist_add(&tree_names, item->find_data->cFileName);
    return 1;
}
}  // namespace

int scan_subfolders(const char* path)
{
    strlist_clear(&tree_names);
    if (is_drive_root(path) || current_folder.drive_list) {
        char drives[512];
        DWORD n = GetLogicalDriveStringsA(sizeof drives, drives);
        if (n && n < sizeof drives)
            for (const char* d = drives; *d; d += strlen(d) + 1)
                if (!drive_hidden_by_policy(d)) strlist_add(&tree_names, d);
    } else {
        current_folder_kept keep;
        char parent[PATH_BUF];
        if (!text_copy(parent, path)) return 0;
        remove_backslash(parent);
        if (!parent_folder(parent, parent) || !SetCurrentDirectoryA(parent)) return 0;
        walk_item rec = {};
        walk_folder(collect_subfolder, parent, "*.*", &rec, nullptr);
    }
    sort_name_list(&tree_names, nullptr);
    return tree_names.count;
}
