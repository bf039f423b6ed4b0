// The mirror copy of a folder tree: the source tree is walked first and every
// new or changed file copied (an older one over a newer only after the
// question); only when that walk completed without a failure is the target
// walked to delete what the source no longer has, so that an interrupted or
// failed copy never costs the target a file. Before anything is written the
// files to copy are counted against the target drive's free clusters, so a
// nearly full (removable) target is refused rather than filled halfway.
// Paths are mapped between the trees by replacing the walked tree's leading
// prefix once.
#include "console/tree_copy.h"
#include "console/fcopy.h"
#include "console/script.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include <cstring>
#include <string>

char overwrite_answer = 'y';
double tree_size_total;

namespace {

// The two prefixes of the walk in progress.
struct copy_walk {
    char walked[PATH_BUF];
    char other[PATH_BUF];
} current;

bool map_path(const char* path, char* out, size_t cap)
{
    size_t n = strlen(current.walked);
    if (strncmp(path, current.walked, n) != 0) return false;
    return text_format(out, cap, "%s%s", current.other, path + n);
}

void set_walk(const char* walked, const char* other)
{
    text_copy(current.walked, walked);
    text_copy(current.other, other);
    remove_backslash(current.walked);
    remove_backslash(current.other);
}

DWORD attributes(const char* path) { return GetFileAttributesA(path); }
bool missing(const char* path) { return attributes(path) == INVALID_FILE_ATTRIBUTES; }
bool is_dir(const char* path)
{
    DWORD a = attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Deletes a file; for a shadow file the real file first, then the record quietly.
bool delete_file_and_real(const char* path)
{
    char real[PATH_BUF];
    if (!shadow_path_to_real(path, real, sizeof real)) return rm_file(path) != 0;
    bool ok = rm_file(real) != 0 || missing(real);
    int logging = file_op_logging;
    set_file_op_logging(0);
    if (ok) rm_file(path);
    set_file_op_logging(logging);
    return ok;
}

void remove_folder_and_real(const char* path)
{
    char real[PATH_BUF];
    if (shadow_path_to_real(path, real, sizeof real)) rm_tree(real);
    rm_tree(path);
}

bool copy_one(const char* source, const char* target)
{
    char real_source[PATH_BUF], real_target[PATH_BUF];
    if (!shadow_path_to_real(source, real_source, sizeof real_source)) text_copy(real_source, source);
    char parent[PATH_BUF];
    if (shadow_path_to_real(target, real_target, sizeof real_target)) {
        if (!parent_folder(real_target, parent)) return false;
        if (missing(parent)) md_path(parent);
        if (!cp_file(real_source, real_target)) return false;
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA(real_target, &found);
        if (h == INVALID_HANDLE_VALUE) return false;
        FindClose(h);
        return write_time_size_record(real_target, &found) != 0;
    }
    if (!parent_folder(target, parent)) return false;
    if (missing(parent)) md_path(parent);
    return cp_file(real_source, target) != 0;
}

bool ask_older_over_newer(const char* source)
{
    if (overwrite_answer != 'a' && overwrite_answer != 'i') {
        con_out("  %s\n", source);
        con_out("  copy old file -> new file?\n");
        con_out("  [y=yes, n=no, a=yes for all, i=no for all]");
        overwrite_answer = (char)con_key();
    }
    return overwrite_answer == 'y' || overwrite_answer == 'a';
}

bool shadow_of(const char* path, char* out) { return real_path_to_shadow(path, out, PATH_BUF) && is_dir(out); }

}  // namespace

int compare_file_times(const FILETIME* a, const FILETIME* b)
{
    LONG plain = CompareFileTime(a, b);
    if (plain == 0) return 0;
    FILETIME la, lb;
    WORD da, ta, db, tb;
    if (!FileTimeToLocalFileTime(a, &la) || !FileTimeToLocalFileTime(b, &lb) || !FileTimeToDosDateTime(&la, &da, &ta) ||
        !FileTimeToDosDateTime(&lb, &db, &tb))
        return plain < 0 ? -1 : 1;
    if (da != db) return da < db ? -1 : 1;
    if (ta != tb) return ta < tb ? -1 : 1;
    return 0;
}

int delete_missing_file(walk_item* item)
{
    char other[PATH_BUF];
    if (!map_path(item->path, other, sizeof other) || !missing(other)) return 1;
    _pump();
    if (!delete_file_and_real(item->path)) item->failures++;
    return 1;
}

int remove_missing_folder(walk_item* item)
{
    char other[PATH_BUF];
    if (!map_path(item->path, other, sizeof other)) return 1;
    remove_backslash(other);
    if (is_drive_root(other) || !missing(other)) return 1;
    _pump();
    char folder[PATH_BUF];
    text_copy(folder, item->path);
    remove_backslash(folder);
    char real[PATH_BUF];
    if (shadow_path_to_real(folder, real, sizeof real)) rd_folder(real);
    rd_folder(folder);
    return 1;
}

namespace {

// Why a source file is to be copied onto its target, or not.
enum copy_need { COPY_NONE, COPY_MISSING, COPY_NEWER, COPY_OTHER_SIZE, COPY_OLDER };

copy_need copy_needed(const char* source, const FILETIME& source_time, const char* target)
{
    if (missing(target) || is_dir(target)) return COPY_MISSING;
    FILETIME target_time = file_write_time(target);
    int order = compare_file_times(&source_time, &target_time);
    bool same_size = shadow_size(source) == shadow_size(target);
    if (order > 0) return COPY_NEWER;
    if (same_size) return COPY_NONE;
    return order == 0 ? COPY_OTHER_SIZE : COPY_OLDER;
}

// What the copy walk will write, in clusters of the target's drive: every
// file that may be copied (an older one too, which the question may let
// through) at its full size, as the target it replaces stays until the copy
// is complete and stale files go only after the walk.
struct space_count {
    drive_clusters drive;
    double clusters;
} counting;

int count_needed_cb(walk_item* item)
{
    char target[PATH_BUF];
    if (!map_path(item->path, target, sizeof target) ||
        copy_needed(item->path, item->find_data->ftLastWriteTime, target) == COPY_NONE)
        return 1;
    counting.clusters += clusters_for(shadow_size(item->path), counting.drive);
    return 1;
}

// False (with a console line) when the files to copy do not fit on the
// target's drive; a drive that cannot be asked is not refused.
bool copy_fits(const char* target)
{
    counting = {};
    if (!get_drive_clusters(target, &counting.drive)) return true;
    walk_item count = {};
    walk_tree(current.walked, "*.*", &count, count_needed_cb, nullptr, nullptr, nullptr);
    if (counting.clusters <= counting.drive.free_clusters) return true;
    // format_size has two buffers used in turn: enough for the two sizes of one line.
    const drive_clusters& d = counting.drive;
    con_out("*** not enough space on %s: %s needed, %s free\n", target,
            format_size(counting.clusters * d.cluster_bytes), format_size(d.free_clusters * d.cluster_bytes));
    return false;
}

}  // namespace

int copy_file_callback(walk_item* item)
{
    const char* source = item->path;
    char target[PATH_BUF];
    if (!map_path(source, target, sizeof target)) {
        item->failures++;
        return 1;
    }
    if (is_dir(target)) {
        // A folder where the file belongs: removed once; when it stays, the file is skipped.
        _pump();
        remove_folder_and_real(target);
        if (!missing(target)) {
            con_out("*** cannot replace the folder %s\n", target);
            item->failures++;
            return 1;
        }
    }
    int out = console_output_on();
    bool copy = true;
    switch (copy_needed(source, item->find_data->ftLastWriteTime, target)) {
    case COPY_NONE: copy = false; break;
    case COPY_MISSING: _pump(); break;
    case COPY_NEWER:
        if (out) con_out("..t");
        break;
    case COPY_OTHER_SIZE:
        if (out) con_out("..s");
        break;
    case COPY_OLDER:
        if (out) con_out("..a");
        copy = ask_older_over_newer(source);
        break;
    }
    if (copy && !copy_one(source, target)) item->failures++;
    return 1;
}

int make_missing_folder(walk_item* item)
{
    char target[PATH_BUF];
    if (!map_path(item->path, target, sizeof target)) return 1;
    remove_backslash(target);
    _pump();
    if (!missing(target) && !is_dir(target) && !delete_file_and_real(target)) {
        item->failures++;
        return 1;
    }
    if (!missing(target)) return 1;
    char real[PATH_BUF];
    if (shadow_path_to_real(target, real, sizeof real)) {
        md_path(real);
        int logging = file_op_logging;
        set_file_op_logging(0);
        md_path(target);
        set_file_op_logging(logging);
    } else if (!md_path(target)) {
        item->failures++;
    }
    return 1;
}

int add_file_size(walk_item* item)
{
    tree_size_total += item->find_data->nFileSizeHigh * 4294967296.0 + item->find_data->nFileSizeLow;
    return 1;
}

int add_shadow_size(walk_item* item)
{
    tree_size_total += shadow_size(item->path);
    return 1;
}

int walk_tree_copy(const char* source, const char* target, int use_source_shadow)
{
    if (!is_dir(source)) {
        con_out("*** no source folder: %s\n", source);
        return 0;
    }
    char inside[PATH_BUF];
    if (text_format(inside, sizeof inside, "%s\\", source) && strlen(target) >= strlen(inside) &&
        text_equal_ci(std::string(target, strlen(inside)).c_str(), inside)) {
        con_out("*** the target lies inside the source: %s\n", target);
        return 0;
    }
    char source_side[PATH_BUF], target_side[PATH_BUF], shadow[PATH_BUF];
    text_copy(source_side, source);
    text_copy(target_side, target);
    if (shadow_of(target, shadow))
        text_copy(target_side, shadow);
    else if (use_source_shadow && shadow_of(source, shadow))
        text_copy(source_side, shadow);

    set_walk(source_side, target_side);
    if (!copy_fits(target)) return 0;
    if (missing(target)) md_path(target);
    walk_item copy = {};
    walk_tree(current.walked, "*.*", &copy, copy_file_callback, make_missing_folder, nullptr, nullptr);
    if (copy.failures) {
        con_out("*** %d item(s) not copied: nothing deleted in %s\n", (int)copy.failures, target);
        return 1;
    }
    walk_item prune = {};
    set_walk(target_side, source_side);
    walk_tree(current.walked, "*.*", &prune, delete_missing_file, remove_missing_folder, nullptr, nullptr);
    return 1;
}
