// Logged file operations (see file_ops.h), built on the directory walker.
// Destructive walks never enter links (the walker's default) and remove a
// link itself rather than what it points to; tree copies report any item
// that failed, so a move across drives keeps its source unless the copy is
// complete. A file copy replaces its destination only once it is whole.
#include "files/file_ops.h"
#include "files/internal.h"
#include "files/fs_query.h"
#include "base/holders.h"
#include "files/strings.h"
#include "graphics/kavtrel.h"
#include <cstdarg>
#include <cstring>

int file_op_logging = 1;

void set_file_op_logging(int on) { file_op_logging = on; }

void file_op_log(const char* fmt, ...)
{
    if (!file_op_logging || !console_hooks.logging_on()) return;
    char line[3 * PATH_BUF];
    va_list ap;
    va_start(ap, fmt);
    text_vformat_cut(line, sizeof line, fmt, ap);
    va_end(ap);
    console_hooks.printf_hook("%s", line);
}

static bool is_link(const char* path)
{
    DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

// What an existence check found. A path the check cannot test (too long for
// the path buffer, or a search that failed for another reason than absence)
// is "unknown", and an operation that would write must never take it for
// "missing".
enum item_state { ITEM_MISSING, ITEM_PRESENT, ITEM_UNKNOWN };

static item_state probe_item(const char* path)
{
    char work[PATH_BUF];
    if (!path || !text_copy(work, path)) return ITEM_UNKNOWN;
    if (path_exists(work, 0)) return ITEM_PRESENT;
    remove_backslash(work);
    if (!work[0]) return ITEM_UNKNOWN;
    if (GetFileAttributesA(work) != INVALID_FILE_ATTRIBUTES) return ITEM_UNKNOWN;
    DWORD error = GetLastError();
    return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? ITEM_MISSING : ITEM_UNKNOWN;
}

static bool has_wildcard(const char* s) { return mb_strchr(s, '*') || mb_strchr(s, '?'); }

// True when path is the folder itself or lies below it under any of its
// names: path and each of its parents that exist are compared with the
// folder by identity. What cannot be told counts as inside.
static bool is_inside(const char* path, const char* folder)
{
    item_identity target;
    if (identify_item(folder, &target) != 1) return true;
    char current[PATH_BUF];
    if (!text_copy(current, path)) return true;
    for (;;) {
        item_identity id;
        int found = identify_item(current, &id);
        if (found < 0 || (found == 1 && same_identity(id, target))) return true;
        char parent[PATH_BUF];
        if (!parent_folder(current, parent)) return true;
        remove_backslash(current);
        remove_backslash(parent);
        if (text_equal_ci(parent, current) || !parent[0]) return false;
        text_copy(current, parent);
        // A drive root keeps its backslash, or "C:" would name the current folder.
        if (is_drive_root(current) && !add_backslash(current)) return true;
    }
}

int same_item(const char* a, const char* b)
{
    item_identity x, y;
    int found_a = identify_item(a, &x), found_b = identify_item(b, &y);
    if (found_a < 0 || found_b < 0) return -1;
    return found_a == 1 && found_b == 1 && same_identity(x, y) ? 1 : 0;
}

int rm_file(const char* path)
{
    if (DeleteFileA(path)) {
        file_op_log("..rm %s\n", path);
        return 1;
    }
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileA(path)) {
        file_op_log("..RM %s\n", path);
        return 1;
    }
    SetFileAttributesA(path, attributes);
    return 0;
}

// Deletes a file this module made, whatever attributes the copy gave it.
static void remove_quietly(const char* path)
{
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path);
}

// Copies one file whole: to a free temporary name in the destination's
// folder first, which takes the destination's place only once the copy is
// complete. A copy that fails halfway (a full drive, a read error) leaves the
// destination as it was and no part of a file behind. A file is never copied
// onto itself under another spelling.
static bool copy_whole_file(const char* source, const char* destination)
{
    char target[PATH_BUF], folder[PATH_BUF], temp[MAX_PATH];
    if (!full_path(target, sizeof target, destination) || same_item(source, target) != 0 ||
        !parent_folder(target, folder) || !GetTempFileNameA(folder, "zcp", 0, temp))
        return false;
    if (CopyFileA(source, temp, FALSE) && MoveFileExA(temp, target, MOVEFILE_REPLACE_EXISTING)) return true;
    remove_quietly(temp);
    return false;
}

int cp_file(const char* source, const char* destination)
{
    if (!path_exists(source, 0)) return 0;
    int ok = is_folder(source) ? cp_tree(source, destination) : (copy_whole_file(source, destination) ? 1 : 0);
    if (ok) file_op_log("..cp %s -> %s\n", source, destination);
    return ok;
}

static char upper_byte(char c) { return (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c; }

// The outermost folder of path (path itself included) that does not exist
// yet: everything a copy to path makes lies at or below it.
static bool outermost_missing(const char* path, char* out)
{
    if (!text_copy(out, PATH_BUF, path)) return false;
    remove_backslash(out);
    for (;;) {
        char parent[PATH_BUF];
        if (!parent_folder(out, parent)) return false;
        remove_backslash(parent);
        if (!parent[0] || text_equal_ci(parent, out)) return true;
        item_state state = probe_item(parent);
        if (state == ITEM_UNKNOWN) return false;
        if (state == ITEM_PRESENT) return true;
        text_copy(out, PATH_BUF, parent);
    }
}

// Takes away what a failed copy made below a folder that was missing before
// it began, without log lines: nothing that existed before is touched.
static void remove_made(const char* made)
{
    int logging = file_op_logging;
    file_op_logging = 0;
    if (is_folder(made))
        rm_tree(made);
    else if (probe_item(made) == ITEM_PRESENT)
        rm_file(made);
    file_op_logging = logging;
}

int mv_file(const char* source, const char* destination)
{
    if (is_empty_str(source) || is_empty_str(destination)) return 0;
    if (upper_byte(source[0]) == upper_byte(destination[0])) {
        if (!MoveFileA(source, destination)) return 0;
        file_op_log("..mv %s -> %s\n", source, destination);
        return 1;
    }
    if (probe_item(source) != ITEM_PRESENT || probe_item(destination) != ITEM_MISSING) return 0;
    char made[PATH_BUF];
    if (!outermost_missing(destination, made)) return 0;
    if (!cp_file(source, destination)) {
        remove_made(made);
        return 0;
    }
    if (is_folder(source))
        rm_tree(source);
    else
        rm_file(source);
    file_op_log("..mv %s -> %s\n", source, destination);
    return 1;
}

int md_path(const char* path)
{
    char target[PATH_BUF];
    if (!full_path(target, sizeof target, path)) return 0;
    if (probe_item(target) != ITEM_MISSING) return 0;
    char parent[PATH_BUF];
    if (!parent_folder(target, parent)) return 0;
    char bare_parent[PATH_BUF], bare_target[PATH_BUF];
    text_copy(bare_parent, parent);
    text_copy(bare_target, target);
    remove_backslash(bare_parent);
    remove_backslash(bare_target);
    if (text_equal_ci(bare_parent, bare_target)) return 0;
    item_state parent_state = probe_item(parent);
    if (parent_state == ITEM_UNKNOWN) return 0;
    if (parent_state == ITEM_MISSING && !md_path(parent)) return 0;
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    if (!CreateDirectoryA(target, &sa)) return 0;
    file_op_log("..md %s\n", target);
    return 1;
}

int rd_folder(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (RemoveDirectoryA(path))
        file_op_log("..rd %s\n", path);
    else if (attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesA(path, attributes);
    return 1;
}

void rd_folder_full(const char* path)
{
    char absolute[PATH_BUF];
    if (full_path(absolute, sizeof absolute, path)) rd_folder(absolute);
}

int cp_tree_file_cb(walk_item* item)
{
    char destination[PATH_BUF];
    if (!path_join(destination, item->second_path, item->find_data->cFileName) ||
        !copy_whole_file(item->path, destination))
        item->failures++;
    return 1;
}

int cp_tree_folder_cb(walk_item* item)
{
    char destination[PATH_BUF];
    const char* relative = item->path + item->count;
    if (!path_join(destination, item->second_path, relative)) {
        item->failures++;
        return 1;
    }
    md_path(destination);
    if (!is_folder(destination)) {
        item->failures++;
        return 1;
    }
    walk_item files = {};
    files.second_path = destination;
    walk_folder(nullptr, item->path, "*.*", &files, cp_tree_file_cb);
    item->failures += files.failures;
    return 1;
}

int cp_tree(const char* source, const char* destination)
{
    char from[PATH_BUF], to[PATH_BUF];
    if (!full_path(from, sizeof from, source) || !full_path(to, sizeof to, destination)) return 0;
    if (!is_folder(from) || is_inside(to, from)) return 0;
    md_path(to);
    if (!is_folder(to)) return 0;
    walk_item rec = {};
    rec.count = (intptr_t)strlen(from);
    rec.second_path = to;
    rec.flags = WALK_FOLLOW_LINKS;
    walk_tree(from, "*.*", &rec, nullptr, nullptr, cp_tree_folder_cb, nullptr);
    walk_folder(nullptr, from, "*.*", &rec, cp_tree_file_cb);
    return rec.failures == 0 ? 1 : 0;
}

int rm_file_cb(walk_item* item)
{
    rm_file(item->path);
    return 1;
}

int rd_folder_cb(walk_item* item)
{
    rd_folder(item->path);
    return 1;
}

// Removes the link itself; what it points to stays.
static void remove_link(const char* path)
{
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (RemoveDirectoryA(path) || DeleteFileA(path)) file_op_log("..rd %s\n", path);
}

int rm_link_cb(walk_item* item)
{
    if (!(item->find_data->dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) return 0;
    remove_link(item->path);
    return 1;
}

static void clear_walks(const char* folder)
{
    walk_item rec = {};
    walk_tree(folder, "*.*", &rec, rm_file_cb, nullptr, nullptr, rm_link_cb);
    walk_tree(folder, "*.*", &rec, nullptr, rd_folder_cb, nullptr, rm_link_cb);
}

int rm_tree(const char* folder)
{
    if (is_empty_str(folder)) return 1;
    if (is_link(folder)) {
        remove_link(folder);
        return 1;
    }
    clear_walks(folder);
    SetFileAttributesA(folder, FILE_ATTRIBUTE_NORMAL);
    if (RemoveDirectoryA(folder)) file_op_log("..rd %s\n", folder);
    return 1;
}

void rm_item(const char* path)
{
    if (is_folder(path))
        rm_tree(path);
    else if (item_exists(path))
        rm_file(path);
}

void clear_tree(const char* folder)
{
    char absolute[PATH_BUF];
    if (!full_path(absolute, sizeof absolute, folder) || is_link(absolute)) return;
    clear_walks(absolute);
}

// Removes the files matching the formed path's pattern (its last part), in
// its folder only or, with tree, in every folder below it too.
static int rm_formed(bool tree, const char* fmt, va_list ap)
{
    char formed[PATH_BUF], absolute[PATH_BUF], folder[PATH_BUF];
    if (!text_vformat(formed, sizeof formed, fmt, ap) || !full_path(absolute, PATH_BUF, formed) ||
        !parent_folder(absolute, folder, PATH_BUF))
        return 0;
    const char* pattern = file_name_of(absolute);
    if (!*pattern) return 0;
    walk_item rec = {};
    if (!tree) {
        walk_folder(nullptr, folder, pattern, &rec, rm_file_cb);
        return 1;
    }
    rec.second_path = pattern;
    walk_tree(folder, "*.*", &rec, nullptr, rm_matching_leave_cb, nullptr, nullptr);
    return 1;
}

int rm_matching(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    int result = rm_formed(false, fmt, ap);
    va_end(ap);
    return result;
}

int rm_matching_leave_cb(walk_item* item)
{
    rm_matching("%s%s", item->path, item->second_path);
    return 1;
}

int rm_matching_tree(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    int result = rm_formed(true, fmt, ap);
    va_end(ap);
    return result;
}

// A copy of the console's command; one that fails is named on the console,
// whatever the echo, so that a script's output shows what is missing.
static int copy_or_say(const char* source, const char* destination)
{
    if (cp_file(source, destination)) return 1;
    console_hooks.printf_hook("*** %s not copied to %s\n", source, destination);
    return 0;
}

int cp_command_file_cb(walk_item* item)
{
    char destination[PATH_BUF];
    if (!path_join(destination, item->second_path, item->find_data->cFileName)) {
        console_hooks.printf_hook("*** %s not copied\n", item->path);
        item->failures++;
    } else if (!copy_or_say(item->path, destination)) {
        item->failures++;
    }
    return 1;
}

int cp_command(const char* line)
{
    enum { LINE_BUF = 1024 };
    char args[LINE_BUF];
    if (!line || !text_copy(args, line)) return 0;
    char* rest = next_arg(args);
    unquote(args);
    if (rest) unquote(rest);
    char source[PATH_BUF], destination[PATH_BUF];
    if (!full_path(source, sizeof source, args) || !full_path(destination, sizeof destination, rest)) return 0;
    if (has_wildcard(file_name_of(destination))) resolve_wildcard_name(destination);
    if (has_wildcard(source)) {
        item_state target = probe_item(destination);
        if (target == ITEM_UNKNOWN) return 0;
        if (target == ITEM_PRESENT && !is_folder(destination)) {
            if (!resolve_wildcard_name(source)) return 0;
            return copy_or_say(source, destination);
        }
        char folder[PATH_BUF];
        if (!parent_folder(source, folder)) return 0;
        walk_item rec = {};
        rec.second_path = destination;
        walk_folder(nullptr, folder, file_name_of(source), &rec, cp_command_file_cb);
        return rec.failures == 0 ? 1 : 0;
    }
    if (is_folder(destination) && !path_join(destination, destination, file_name_of(source))) {
        console_hooks.printf_hook("*** %s not copied\n", source);
        return 0;
    }
    return copy_or_say(source, destination);
}

int set_cwd(const char* path) { return SetCurrentDirectoryA(path) ? 1 : 0; }
