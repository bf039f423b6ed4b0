// The directory walker and its counting callbacks. Items are listed with
// FindFirstFileA/FindNextFileA in the order the file system gives. Paths are
// built in 260-byte buffers; an item whose path does not fit is skipped and
// counted, never cut. A folder reached through a link is identified by
// volume and file index, so a link back up the tree (a cycle) is never
// entered twice.
#include "files/walker.h"
#include "files/internal.h"
#include "base/holders.h"
#include "files/strings.h"
#include <cstring>

long walk_skipped_items;

int identify_item(const char* path, item_identity* id)
{
    file_handle h(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h) {
        DWORD error = GetLastError();
        return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? 0 : -1;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h.get(), &info)) return -1;
    id->volume = info.dwVolumeSerialNumber;
    id->index_high = info.nFileIndexHigh;
    id->index_low = info.nFileIndexLow;
    return 1;
}

bool same_identity(const item_identity& a, const item_identity& b)
{
    return a.volume == b.volume && a.index_high == b.index_high && a.index_low == b.index_low;
}

namespace {

// A folder being walked. Its identity is read only when a link (a reparse
// point) lies on the way down to it: a walk that follows no link only
// descends, and cannot meet a folder of its own chain again, so a plain walk
// opens no folder beyond listing it.
struct walk_frame {
    const char* path = nullptr;
    mutable item_identity id = {};
    mutable int identified = 0;  // 1 known, -1 cannot be told, 0 not read yet
    bool linked = false;         // a link lies on the chain down to this folder
    const walk_frame* parent = nullptr;
    bool known() const
    {
        if (!identified) identified = identify_item(path, &id) == 1 ? 1 : -1;
        return identified == 1;
    }
};

struct tree_callbacks {
    walk_cb file, leave, enter, skip;
};

bool on_chain(const walk_frame* chain, const walk_frame& f)
{
    if (!f.known()) return false;
    for (const walk_frame* p = chain; p; p = p->parent)
        if (p->known() && same_identity(p->id, f.id)) return true;
    return false;
}

void skip_item(walk_item* rec)
{
    rec->failures++;
    walk_skipped_items++;
}

bool is_dots(const char* name) { return strcmp(name, ".") == 0 || strcmp(name, "..") == 0; }

// The search path (folder\pattern) has room beyond the path buffer: a
// folder that itself fits may still hold items whose paths fit.
enum { SEARCH_BUF = 2 * PATH_BUF };

bool search_path(char* out, const char* folder, const char* pattern)
{
    if (!folder || !*folder) return false;
    return text_copy(out, SEARCH_BUF, folder) && add_backslash(out, SEARCH_BUF) &&
           text_append(out, SEARCH_BUF, pattern ? pattern : "*.*");
}

bool item_path(char* out, const char* folder, const char* name)
{
    return text_copy(out, PATH_BUF, folder) && add_backslash(out, PATH_BUF) && text_append(out, PATH_BUF, name);
}

// Lists folder\pattern in the order the file system gives, the dots left
// out; visit(fd) returns false to stop. False when nothing could be listed;
// a search path that does not fit is counted as skipped.
template <class Visit> bool each_item(const char* folder, const char* pattern, walk_item* rec, Visit visit)
{
    char search[SEARCH_BUF];
    if (!search_path(search, folder, pattern)) {
        skip_item(rec);
        return false;
    }
    WIN32_FIND_DATAA fd;
    find_handle find(FindFirstFileA(search, &fd));
    if (!find) return false;
    do {
        if (is_dots(fd.cFileName)) continue;
        if (!visit(fd)) break;
    } while (FindNextFileA(find.get(), &fd));
    return true;
}

// Points the record at the item: its find data and its path, built in path.
// An item whose path does not fit is counted as skipped.
bool at_item(walk_item* rec, char* path, const char* folder, WIN32_FIND_DATAA& fd)
{
    if (!item_path(path, folder, fd.cFileName)) {
        skip_item(rec);
        return false;
    }
    rec->find_data = &fd;
    rec->path = path;
    return true;
}

// Whether the folder item at path may be entered; fills its frame.
bool may_enter(const char* path, const WIN32_FIND_DATAA& fd, walk_item* rec, const walk_frame* chain, walk_frame* child)
{
    bool link = (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (link && !(rec->flags & WALK_FOLLOW_LINKS)) return false;
    child->path = path;
    child->parent = chain;
    child->linked = link || (chain && chain->linked);
    if (child->linked && on_chain(chain, *child)) {
        skip_item(rec);
        return false;
    }
    return true;
}

void tree_level(const char* folder, const char* pattern, walk_item* rec, const tree_callbacks& cb,
                const walk_frame* self, WIN32_FIND_DATAA* own_data)
{
    char path[PATH_BUF];
    bool listed = each_item(folder, pattern, rec, [&](WIN32_FIND_DATAA& fd) {
        if (!at_item(rec, path, folder, fd)) return true;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (cb.skip && cb.skip(rec)) return true;
            walk_frame child;
            if (!may_enter(path, fd, rec, self, &child)) return true;
            if (cb.enter && cb.enter(rec) == 0) return false;
            tree_level(path, pattern, rec, cb, &child, &fd);
            return true;
        }
        return !(cb.file && cb.file(rec) == 0);
    });
    if (!listed || !cb.leave) return;
    if (!text_copy(path, folder) || !add_backslash(path)) {
        skip_item(rec);
        return;
    }
    rec->find_data = own_data;
    rec->path = path;
    cb.leave(rec);
}

int depth_level(int depth, const char* folder, const char* pattern, walk_item* rec, walk_cb file_cb, walk_cb leaf_cb,
                walk_cb skip_cb, int level, const walk_frame* self)
{
    int deepest = level;
    char path[PATH_BUF];
    each_item(folder, pattern, rec, [&](WIN32_FIND_DATAA& fd) {
        if (!at_item(rec, path, folder, fd)) return true;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (skip_cb && skip_cb(rec)) return true;
            if (depth <= 0) {
                if (leaf_cb) leaf_cb(rec);
                return true;
            }
            walk_frame child;
            if (!may_enter(path, fd, rec, self, &child)) return true;
            int reached = depth_level(depth - 1, path, pattern, rec, file_cb, leaf_cb, skip_cb, level + 1, &child);
            if (reached > deepest) deepest = reached;
        } else if (file_cb) {
            file_cb(rec);
        }
        return true;
    });
    return deepest;
}

}  // namespace

void walk_folder(walk_cb folder_cb, const char* folder, const char* pattern, walk_item* record, walk_cb file_cb)
{
    walk_item own = {};
    walk_item* rec = record ? record : &own;
    char path[PATH_BUF];
    each_item(folder, pattern, rec, [&](WIN32_FIND_DATAA& fd) {
        walk_cb cb = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? folder_cb : file_cb;
        if (cb && at_item(rec, path, folder, fd)) cb(rec);
        return true;
    });
}

void walk_tree(const char* folder, const char* pattern, walk_item* record, walk_cb file_cb, walk_cb leave_cb,
               walk_cb enter_cb, walk_cb skip_cb)
{
    walk_item own = {};
    walk_item* rec = record ? record : &own;
    if (!folder || !*folder) {
        skip_item(rec);
        return;
    }
    walk_frame top;
    top.path = folder;
    WIN32_FIND_DATAA top_data = {};
    top_data.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
    tree_callbacks cb = {file_cb, leave_cb, enter_cb, skip_cb};
    tree_level(folder, pattern, rec, cb, &top, &top_data);
}

int walk_tree_depth(int depth, const char* folder, const char* pattern, walk_item* record, walk_cb file_cb,
                    walk_cb leaf_cb, walk_cb skip_cb, int level)
{
    walk_item own = {};
    walk_item* rec = record ? record : &own;
    if (!folder || !*folder) {
        skip_item(rec);
        return level;
    }
    walk_frame top;
    top.path = folder;
    return depth_level(depth, folder, pattern, rec, file_cb, leaf_cb, skip_cb, level, &top);
}

int count_cb(walk_item* item)
{
    item->count++;
    return 1;
}

int count_files_in_cb(walk_item* item)
{
    item->count += count_files(item->path, item->second_path);
    return 1;
}

int collect_name_cb(walk_item* item)
{
    if (!item->names || item->count < 0 || item->count >= item->names_max) {
        item->failures++;
        return 0;
    }
    char* dst = item->names[item->count];
    size_t n = strlen(item->find_data->cFileName) + 1;
    if (!dst || !item->names_end || dst > item->names_end || (size_t)(item->names_end - dst) < n) {
        item->failures++;
        return 0;
    }
    memcpy(dst, item->find_data->cFileName, n);
    item->count++;
    if (item->count < item->names_max) item->names[item->count] = dst + n;
    return 1;
}

int count_files(const char* folder, const char* pattern)
{
    walk_item rec = {};
    walk_folder(nullptr, folder, pattern, &rec, count_cb);
    return (int)rec.count;
}

int count_files_tree(const char* path, const char* folder_pattern)
{
    char parent[PATH_BUF];
    if (!parent_folder(path, parent)) return 0;
    walk_item rec = {};
    rec.second_path = file_name_of(path);
    walk_tree(parent, folder_pattern, &rec, nullptr, count_files_in_cb, nullptr, nullptr);
    return (int)rec.count;
}

int compare_names_ci(const void* a, const void* b)
{
    return lstrcmpiA(*static_cast<const char* const*>(a), *static_cast<const char* const*>(b));
}

int resolve_wildcard_name(char* path)
{
    WIN32_FIND_DATAA fd;
    find_handle find(FindFirstFileA(path, &fd));
    if (!find) return 0;
    while (is_dots(fd.cFileName))
        if (!FindNextFileA(find.get(), &fd)) return 0;
    char resolved[PATH_BUF];
    size_t prefix = file_name_of(path) - path;
    if (!text_copy_n(resolved, sizeof resolved, path, prefix) || !text_append(resolved, fd.cFileName)) return 0;
    return text_copy(path, PATH_BUF, resolved) ? 1 : 0;
}
