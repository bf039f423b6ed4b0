// The mirror copy of a folder tree: the source tree is walked first and every
// new or changed file copied (an older one over a newer only after the
// question); only when that walk completed without a failure is the target
// walked to delete what the source no longer has, so that an interrupted or
// failed copy never costs the target a file. Before anything is written the
// copy is weighed in clusters of the target's drive: when it does not fit in
// the free space but would once the files the sync deletes anyway are gone
// (target files the source lacks, targets sure to be replaced, all of which
// the source holds or no longer wants), those go first; when even that does
// not fit, the copy is refused before anything is touched.
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

// Whether a file needing a copy will be copied: an older file over a newer
// one only as the overwrite answer lets it ('y' and 'n' still ask).
bool may_copy(copy_need need) { return need != COPY_NONE && !(need == COPY_OLDER && overwrite_answer == 'i'); }

// Whether the target of a file needing a copy is sure to be replaced, so that
// it may go before the copy: never a newer file still to be asked about.
bool surely_replaced(copy_need need)
{
    return need == COPY_NEWER || need == COPY_OTHER_SIZE || (need == COPY_OLDER && overwrite_answer == 'a');
}

// The room the copy needs on the target's drive, in clusters: every file
// that may be copied at its full size, and what the sync would delete anyway
// (target files the source lacks, targets sure to be replaced).
struct space_plan {
    drive_clusters drive;
    double needed;
    double freeable;
} plan;

int plan_copy_cb(walk_item* item)
{
    char target[PATH_BUF];
    if (!map_path(item->path, target, sizeof target)) return 1;
    copy_need need = copy_needed(item->path, item->find_data->ftLastWriteTime, target);
    if (!may_copy(need)) return 1;
    plan.needed += clusters_for(shadow_size(item->path), plan.drive);
    if (need != COPY_MISSING && surely_replaced(need)) plan.freeable += clusters_for(shadow_size(target), plan.drive);
    return 1;
}

int plan_stale_cb(walk_item* item)
{
    char source[PATH_BUF];
    if (map_path(item->path, source, sizeof source) && missing(source))
        plan.freeable += clusters_for(shadow_size(item->path), plan.drive);
    return 1;
}

// Deletes a target that its source is sure to replace, to make room first.
int clear_replaced_cb(walk_item* item)
{
    char target[PATH_BUF];
    if (!map_path(item->path, target, sizeof target)) return 1;
    copy_need need = copy_needed(item->path, item->find_data->ftLastWriteTime, target);
    if (need == COPY_MISSING || !surely_replaced(need)) return 1;
    _pump();
    if (!delete_file_and_real(target)) item->failures++;
    return 1;
}

void say_no_room(const char* target, double needed, double free_clusters, double freeable)
{
    // format_size has two buffers used in turn: two sizes a line.
    const drive_clusters& d = plan.drive;
    con_out("*** not enough space on %s: %s needed, %s free", target, format_size(needed * d.cluster_bytes),
            format_size(free_clusters * d.cluster_bytes));
    if (freeable > 0)
        con_out(", %s more once replaced and stale files are deleted", format_size(freeable * d.cluster_bytes));
    con_out("\n");
}

// How the copy goes on the target's drive.
enum room { ROOM_ENOUGH, ROOM_AFTER_DELETING, ROOM_NONE };

// Walks both sides (target: the walked prefix of current, source: other)
// once to weigh the copy; a drive that cannot be asked is not refused.
room weigh_copy(const char* source_side, const char* target_side, const char* target)
{
    plan = {};
    if (!get_drive_clusters(target, &plan.drive)) return ROOM_ENOUGH;
    walk_item count = {};
    set_walk(source_side, target_side);
    walk_tree(current.walked, "*.*", &count, plan_copy_cb, nullptr, nullptr, nullptr);
    if (plan.needed <= plan.drive.free_clusters) return ROOM_ENOUGH;
    set_walk(target_side, source_side);
    walk_tree(current.walked, "*.*", &count, plan_stale_cb, nullptr, nullptr, nullptr);
    if (plan.needed <= plan.drive.free_clusters + plan.freeable) return ROOM_AFTER_DELETING;
    say_no_room(target, plan.needed, plan.drive.free_clusters, plan.freeable);
    return ROOM_NONE;
}

// Deletes what the sync would delete anyway, before the copy: target files
// the source lacks, then targets sure to be replaced. False (with the
// console line) when the copy still does not fit, as when a file to delete
// was held open.
bool make_room(const char* source_side, const char* target_side, const char* target)
{
    walk_item prune = {};
    set_walk(target_side, source_side);
    walk_tree(current.walked, "*.*", &prune, delete_missing_file, remove_missing_folder, nullptr, nullptr);
    walk_item clear = {};
    set_walk(source_side, target_side);
    walk_tree(current.walked, "*.*", &clear, clear_replaced_cb, nullptr, nullptr, nullptr);
    drive_clusters now;
    if (!get_drive_clusters(target, &now) || plan.needed <= now.free_clusters) return true;
    say_no_room(target, plan.needed, now.free_clusters, 0);
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

    room r = weigh_copy(source_side, target_side, target);
    if (r == ROOM_NONE) return 0;
    if (r == ROOM_AFTER_DELETING && !make_room(source_side, target_side, target)) return 0;
    if (missing(target)) md_path(target);
    walk_item copy = {};
    set_walk(source_side, target_side);
    walk_tree(current.walked, "*.*", &copy, copy_file_callback, make_missing_folder, nullptr, nullptr);
    if (copy.failures && r == ROOM_AFTER_DELETING)
        con_out("*** %d item(s) not copied to %s\n", (int)copy.failures, target);
    if (copy.failures && r == ROOM_ENOUGH)
        con_out("*** %d item(s) not copied: nothing deleted in %s\n", (int)copy.failures, target);
    if (copy.failures || r == ROOM_AFTER_DELETING) return 1;
    walk_item prune = {};
    set_walk(target_side, source_side);
    walk_tree(current.walked, "*.*", &prune, delete_missing_file, remove_missing_folder, nullptr, nullptr);
    return 1;
}
