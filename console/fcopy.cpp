// fcopy: lists the subfolders that a local folder and the same folder on a
// second drive share, with the newest time of each side, lets the user pick
// the direction and mirrors every differing subfolder with the tree copy.
// Only folders are taken from the first side: a file named like a folder of
// the second side would mirror as an empty tree and empty that folder.
#include "console/fcopy.h"
#include "console/script.h"
#include "console/tree_copy.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include <cstring>
#include <string>
#include <vector>

namespace {

struct folder_summary {
    FILETIME newest;
    double size;
    long count;
    long name_lengths;
    long name_sum;
    bool shadow;
    size_t root_length;
};

folder_summary* summing;

void add_name(const char* path)
{
    char relative[PATH_BUF];
    const char* p = path + summing->root_length;
    if (*p == '\\') p++;
    if (!text_copy(relative, p)) return;
    remove_backslash(relative);
    CharLowerA(relative);
    summing->count++;
    summing->name_lengths += (long)strlen(relative);
    for (const unsigned char* c = (const unsigned char*)relative; *c; c++) summing->name_sum += *c;
}

int summary_file_cb(walk_item* item)
{
    const WIN32_FIND_DATAA* f = item->find_data;
    if (CompareFileTime(&f->ftLastWriteTime, &summing->newest) > 0) summing->newest = f->ftLastWriteTime;
    summing->size += f->nFileSizeHigh * 4294967296.0 + f->nFileSizeLow;
    add_name(item->path);
    if (summing->shadow) write_time_size_record(item->path, f);
    return 1;
}

int summary_folder_cb(walk_item* item)
{
    char folder[PATH_BUF];
    if (!text_copy(folder, item->path)) return 1;
    remove_backslash(folder);
    if (strlen(folder) <= summing->root_length) return 1;  // the root itself
    add_name(folder);
    char shadow[PATH_BUF];
    if (summing->shadow && real_path_to_shadow(folder, shadow, sizeof shadow)) {
        int logging = file_op_logging;
        set_file_op_logging(0);
        md_path(shadow);
        set_file_op_logging(logging);
    }
    return 1;
}

bool is_network(const char* path)
{
    if (path[0] == '\\' && path[1] == '\\') return true;
    char root[PATH_BUF];
    return path_root(path, root, sizeof root) && GetDriveTypeA(root) == DRIVE_REMOTE;
}

void fcopy_tree_summary(const char* folder, folder_summary* s)
{
    *s = folder_summary{};
    s->shadow = is_network(folder);
    char root[PATH_BUF];
    text_copy(root, folder);
    remove_backslash(root);
    s->root_length = strlen(root);
    if (s->shadow) {
        char shadow[PATH_BUF];
        if (real_path_to_shadow(root, shadow, sizeof shadow)) {
            int logging = file_op_logging;
            set_file_op_logging(0);
            md_path(shadow);
            set_file_op_logging(logging);
        }
    }
    summing = s;
    walk_item rec = {};
    walk_tree(root, "*.*", &rec, summary_file_cb, summary_folder_cb, nullptr, nullptr);
    summing = nullptr;
}

void remove_shadow_tree()
{
    if (!shadow_root[0]) return;
    int logging = file_op_logging;
    set_file_op_logging(0);
    char root[PATH_BUF];
    text_copy(root, shadow_root);
    remove_backslash(root);
    rm_tree(root);
    SetFileAttributesA(root, FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(root);
    set_file_op_logging(logging);
}

bool folder_visible(const char* path)
{
    DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_HIDDEN);
}

struct entry {
    std::string name;
    bool done;
};

const char* arrow_text(int direction) { return direction > 0 ? "→" : "←"; }

void print_direction(const char* f1, const char* f2, int direction)
{
    con_out(" %-36s %s %-36s\n", f1, arrow_text(direction), f2);
}

// The first folder: "." or nothing is the current folder; other relative
// paths are resolved against it like any path.
bool first_folder(const char* arg, char* out, size_t cap)
{
    char work[PATH_BUF];
    if (!arg || !*arg || !strcmp(arg, "."))
        work[0] = 0;
    else if (!text_copy(work, arg))
        return false;
    unquote(work);
    return full_path(out, cap, work[0] ? work : nullptr) && add_backslash(out, cap);
}

bool second_folder(const char* f1, const char* arg, char* out, size_t cap)
{
    char work[PATH_BUF];
    if (arg && *arg && mb_strchr(arg, '*')) {
        if (!text_copy(work, f1)) return false;
        work[0] = arg[0];
    } else if (arg && *arg) {
        if (!text_copy(work, arg)) return false;
        unquote(work);
        if (!full_path(work, sizeof work, work)) return false;
    } else if (!find_removable_drive(work, sizeof work)) {
        char remote[PATH_BUF];
        if (!find_remote_drive(remote, sizeof remote) || !mb_strchr(f1, ':') ||
            !text_format(work, sizeof work, "%c%s", remote[0], mb_strchr(f1, ':')))
            return false;
    }
    return text_copy(out, cap, work) && add_backslash(out, cap);
}

void copy_with_progress(const char* name, int direction, const char* f1, const char* f2)
{
    char a[PATH_BUF], b[PATH_BUF];
    if (!path_join(a, f1, name) || !path_join(b, f2, name)) return;
    const char* source = direction > 0 ? a : b;
    const char* target = direction > 0 ? b : a;
    _console_textcolor(RGB(255, 0, 0));
    con_out("%s -> %s\n", source, target);
    _console_textcolor(RGB(0, 0, 0));
    con_status("...checking free space");
    double source_free = disk_free_bytes(source), target_free = disk_free_bytes(target);
    double target_before = tree_size(target);
    tree_size(source);
    con_status("...copying");
    walk_tree_copy(source, target, 1);
    con_status("...calculating file size");
    double target_after = tree_size(target);
    con_out("Source %s, Target %s", format_size(source_free), format_size(target_free));
    con_out(" (%s -> %s)\n", format_size(target_before), format_size(target_after));
}

}  // namespace

int volume_label(const char* root, char* out, size_t cap)
{
    char label[MAX_PATH + 1] = "";
    if (!GetVolumeInformationA(root, label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0)) return 0;
    if (out) text_copy(out, cap, label);
    return 1;
}

static int find_drive(char* out, size_t cap, UINT type)
{
    char drives[512];
    DWORD n = GetLogicalDriveStringsA(sizeof drives, drives);
    if (!n || n >= sizeof drives) return 0;
    std::vector<const char*> roots;
    for (const char* p = drives; *p; p += strlen(p) + 1) roots.push_back(p);
    for (size_t i = roots.size(); i-- > 0;) {
        const char* r = roots[i];
        bool kind = GetDriveTypeA(r) == type || (type == DRIVE_REMOTE && r[0] == '\\' && r[1] == '\\');
        if (kind && volume_label(r, nullptr, 0)) return text_copy(out, cap, r) ? 1 : 0;
    }
    return 0;
}

int find_removable_drive(char* out, size_t cap) { return find_drive(out, cap, DRIVE_REMOVABLE); }
int find_remote_drive(char* out, size_t cap) { return find_drive(out, cap, DRIVE_REMOTE); }

double tree_size(const char* folder)
{
    char root[PATH_BUF], shadow[PATH_BUF];
    text_copy(root, folder);
    remove_backslash(root);
    tree_size_total = 0;
    walk_item rec = {};
    DWORD a;
    if (real_path_to_shadow(root, shadow, sizeof shadow) &&
        (a = GetFileAttributesA(shadow)) != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY))
        walk_tree(shadow, "*.*", &rec, add_shadow_size, nullptr, nullptr, nullptr);
    else
        walk_tree(root, "*.*", &rec, add_file_size, nullptr, nullptr, nullptr);
    return tree_size_total;
}

const char* fcopy_date_text(FILETIME time)
{
    static char text[32];
    FILETIME local;
    SYSTEMTIME st = {};
    if (FileTimeToLocalFileTime(&time, &local)) FileTimeToSystemTime(&local, &st);
    text_format(text, sizeof text, "%02d/%02d/%02d %02d:%02d", st.wYear % 100, st.wMonth, st.wDay, st.wHour,
                st.wMinute);
    return text;
}

int fcopy(const char* first, const char* second)
{
    fcopy_init_shadow_root();
    remove_shadow_tree();
    script_echo_mode = 2;
    script_seams.console_title("fcopy");
    con_out("fcopy: ");
    char f1[PATH_BUF], f2[PATH_BUF], root2[PATH_BUF], label[MAX_PATH + 1] = "";
    if (!first_folder(first, f1, sizeof f1)) return 0;
    if (!second_folder(f1, second, f2, sizeof f2)) {
        con_out("can not find the second drive. hit any key");
        con_key();
        return 0;
    }
    if (!path_root(f2, root2, sizeof root2) || !volume_label(root2, label, sizeof label)) {
        con_out("no second folder: %s, \nhit any key", f2);
        con_key();
        return 0;
    }
    con_out("%s - %s %s\n", f1, f2, label);

    std::vector<entry> entries;
    char pattern[PATH_BUF];
    WIN32_FIND_DATAA fd;
    HANDLE h = path_join(pattern, f1, "*.*") ? FindFirstFileA(pattern, &fd) : INVALID_HANDLE_VALUE;
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && strcmp(fd.cFileName, ".") &&
                strcmp(fd.cFileName, ".."))
                entries.push_back({fd.cFileName, false});
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    FILETIME newest1 = {}, newest2 = {};
    std::vector<entry> listed;
    for (entry& e : entries) {
        char a[PATH_BUF], b[PATH_BUF];
        if (!path_join(a, f1, e.name.c_str()) || !path_join(b, f2, e.name.c_str()) || !folder_visible(b)) continue;
        folder_summary s1, s2;
        fcopy_tree_summary(a, &s1);
        fcopy_tree_summary(b, &s2);
        if (CompareFileTime(&s1.newest, &newest1) > 0) newest1 = s1.newest;
        if (CompareFileTime(&s2.newest, &newest2) > 0) newest2 = s2.newest;
        int order = compare_file_times(&s1.newest, &s2.newest);
        char left[128], right[128];
        text_format_cut(left, sizeof left, "%-22s %s", e.name.c_str(), fcopy_date_text(s1.newest));
        text_format_cut(right, sizeof right, "%-22s %s", "", fcopy_date_text(s2.newest));
        const char* mark = order < 0 ? "←" : order > 0 ? "→" : "--";
        if (order == 0 && s1.size == s2.size && s1.count == s2.count && s1.name_lengths == s2.name_lengths &&
            s1.name_sum == s2.name_sum) {
            mark = "==";
            e.done = true;
        }
        con_out(" %-36s %s %-36s\n", left, mark, right);
        listed.push_back(e);
    }

    con_out("fcopy direction:\n");
    con_status("select the direction. [Enter]=start [Space]=reverse [ESC]=quit");
    int direction = compare_file_times(&newest1, &newest2) < 0 ? -1 : 1;
    print_direction(f1, f2, direction);
    for (;;) {
        int key = con_key();
        if (key == KEY_ENTER || key == '\r') break;
        if (key == KEY_ESC || key == EOF) {
            // The shadow tree stays until the next run, but no later copy may take it for current.
            fcopy_reset_shadow_root();
            return 0;
        }
        direction = -direction;
        print_direction(f1, f2, direction);
    }
    for (const entry& e : listed) {
        if (e.done) continue;
        copy_with_progress(e.name.c_str(), direction, f1, f2);
        con_out("\n");
    }
    con_status("...deleteing temp files");
    remove_shadow_tree();
    fcopy_reset_shadow_root();
    con_status("done");
    con_out(" Done...\n");
    con_key();
    return 0;
}
