// The console's archive commands. Work that replaces files is ordered so that
// nothing is deleted before its replacement exists: a listing that failed
// counts as "unknown" (never as "differs"), a folder is refreshed from an
// archive extracted to a staging folder first, and an archive rebuilt from a
// folder is set aside until the rebuild succeeded.
#include "console/archive_commands.h"
#include "console/commands.h"
#include "console/script.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include <cstring>
#include <string>
#include <vector>

namespace {

const char packing_ending[] = ".圧縮中";
const char unpacking_ending[] = ".解凍中";

bool is_dir(const char* path)
{
    DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}
_lha* lha() { return open_archiver_for(".lzh"); }

// Switches file-operation logging off for a scope.
struct quiet_logging {
    int saved = file_op_logging;
    quiet_logging() { set_file_op_logging(0); }
    ~quiet_logging() { set_file_op_logging(saved); }
    quiet_logging(const quiet_logging&) = delete;
    quiet_logging& operator=(const quiet_logging&) = delete;
};

// The archive's listing line count less 7; -1 when the listing failed.
int archived_count(const char* option, const char* archive, const char* pattern, bool recursive)
{
    _lha* a = lha();
    if (!a) return -1;
    quiet_logging quiet;
    int lines = recursive ? a->run(nullptr, ARCHIVER_OUTPUT_DEFAULT, "l%s \"%s\" \"%s\"", option, archive, pattern)
                          : a->run(nullptr, ARCHIVER_OUTPUT_DEFAULT, "l \"%s\" \"%s\"", archive, pattern);
    return lines > 0 ? lines - 7 : -1;
}

int folder_count(const char* folder, const char* pattern, bool recursive)
{
    if (!recursive) return count_files(folder, pattern);
    char path[PATH_BUF];
    return path_join(path, folder, pattern) ? count_files_tree(path, "*") : -1;
}

// The archive file the DLL reads and writes (".lzh" added to a name without an extension).
void archive_file(const char* archive, char* out, size_t cap)
{
    if (mb_strchr(file_name_of(archive), '.') || !text_format(out, cap, "%s.lzh", archive))
        text_copy(out, cap, archive);
}

void update_archive(const char* option, const char* archive, const char* folder, const char* pattern, bool recursive)
{
    _lha* a = lha();
    if (!a) return;
    a->command("u%s -x -t -a1 -n1 \"%s\" \"%s\"", option, archive, pattern);
    int archived = archived_count(option, archive, pattern, recursive);
    int present = folder_count(folder, pattern, recursive);
    if (archived < 0 || present < 0 || archived == present) return;
    if (!recursive && strncmp(file_name_of(pattern), "*.*", 3) == 0) {
        // Rebuilt whole: the old archive is kept aside until the new one is made.
        char file[PATH_BUF], aside[PATH_BUF];
        archive_file(archive, file, sizeof file);
        if (!text_format(aside, sizeof aside, "%s.old@", file)) {
            con_out("*** path too long, %s not made again\n", file);
            return;
        }
        if (!MoveFileA(file, aside)) {
            con_out("*** %s could not be put aside, not made again\n", file);
            return;
        }
        if (a->command("u%s -x -t -a1 -n1 \"%s\" \"%s\"", option, archive, pattern)) {
            quiet_logging quiet;
            rm_file(aside);
        } else {
            DeleteFileA(file);
            MoveFileA(aside, file);
        }
        return;
    }
    if (recursive)
        a->command("d -r -n1 -y \"%s\" \"%s\"", archive, pattern);
    else
        a->command("d -n1 -y \"%s\" \"%s\"", archive, file_name_of(pattern));
    a->command("u%s -x -t -a1 -n1 \"%s\" \"%s\"", option, archive, pattern);
}

// Refreshes the folder from the archive: extracted to a staging folder first;
// only then are the folder's matching files replaced.
void refresh_folder(const char* option, const char* archive, const char* folder, const char* pattern, bool recursive)
{
    _lha* a = lha();
    char file[PATH_BUF];
    archive_file(archive, file, sizeof file);
    if (!a || !item_exists(file)) return;
    a->command("x -a1 -n1 -s \"%s\" \"%s\"", archive, pattern);
    int archived = archived_count(option, archive, pattern, recursive);
    int present = folder_count(folder, pattern, recursive);
    if (archived < 0 || present < 0 || archived == present) return;
    char staging[PATH_BUF], matching[PATH_BUF];
    if (!text_format(staging, sizeof staging, "%s.lhup@", folder) || !path_join(matching, folder, pattern)) {
        con_out("*** path too long, %s not refreshed\n", folder);
        return;
    }
    quiet_logging quiet;
    rm_tree(staging);
    md_path(staging);
    bool extracted = SetCurrentDirectoryA(staging) && a->command("x -a1 -n1 -s \"%s\" \"%s\"", archive, pattern);
    SetCurrentDirectoryA(folder);
    if (!extracted) {
        rm_tree(staging);
        return;
    }
    if (recursive)
        rm_matching_tree("%s", matching);
    else
        rm_matching("%s", matching);
    if (cp_tree(staging, folder))
        rm_tree(staging);
    else
        con_out("*** %s kept: copying it back failed\n", staging);
}

int test_lzh_cb(walk_item* item) { return lha_test_callback(item); }

std::vector<std::string>* collected_folders;

int collect_folder_cb(walk_item* item)
{
    std::string path = item->path;
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    collected_folders->push_back(path);
    return 1;
}

int delete_dvi_cb(walk_item* item)
{
    size_t n = strlen(item->path);
    if (n >= 5 && text_equal_ci(item->path + n - 5, "@.dvi")) {
        _pump();
        rm_file(item->path);
    }
    return 1;
}

void key_help()
{
    con_out("\n...vキーを押すと詳細情報を表示．\n...xキーを押すと.lzhをとったディレクトリに解凍．\n..."
            "sキーを押すと自己解凍書庫を作成．\n");
}

void view_lzh(const char* path)
{
    _lha* a = lha();
    if (!a) return;
    script_echo_mode = 2;
    a->run(nullptr, ARCHIVER_OUTPUT_DEFAULT, "l \"%s\"", path);
    key_help();
    for (;;) {
        int key = con_key();
        if (key == 'v') {
            con_out("\n");
            a->run(nullptr, ARCHIVER_OUTPUT_DEFAULT, "v \"%s\"", path);
            key_help();
            continue;
        }
        if (key == 'x') {
            // Quoted: a folder with blanks would otherwise split into folder and pattern.
            char folder[PATH_BUF];
            if (text_copy_n(folder, sizeof folder, path, strlen(path) - 4))
                a->command("x -n1 -a1 -jf0 \"%s\" \"%s\\\"", path, folder);
        } else if (key == 's') {
            make_sfx_from_lzh(path);
        }
        return;
    }
}

void view_listing(_lha* a, const char* shown, const char* list, const char* detail, const char* path, bool blue)
{
    script_echo_mode = 2;
    con_out(shown, path);
    a->run(nullptr, ARCHIVER_OUTPUT_DEFAULT, list, path);
    if (blue) _console_textcolor(RGB(0, 0, 255));
    con_out("%s", blue ? "\n...vキーを押すと詳細情報を表示．" : "...vキーを押すと詳細情報を表示．");
    if (blue) _console_textcolor(RGB(0, 0, 0));
    if (con_key() == 'v') {
        a->run(nullptr, ARCHIVER_OUTPUT_DEFAULT, detail, path);
        con_key();
    }
}

}  // namespace

int lha_test_callback(walk_item* item)
{
    if (!has_extension(item->path, ".lzh")) return 1;
    _lha* a = lha();
    if (a && a->check_archive && a->check_archive(item->path, 2)) {
        con_out("%s\n", item->path);
    } else {
        con_out("%s CRC error!\n", item->path);
        con_key();
    }
    return 1;
}

void lha_test_tree(const char* word, const char* folder)
{
    con_out("%s %s.........statrt\n", word, folder);
    if (!is_dir(folder)) return;
    walk_item rec = {};
    walk_tree(folder, "*.*", &rec, test_lzh_cb, nullptr, nullptr, nullptr);
    con_out("%s %s.........finished\n", word, folder);
}

void sync_folder_with_archive(const char* rest)
{
    char args[EXPANDED_BUF];
    if (!rest || !text_copy(args, rest)) return;
    char* archive_text = next_arg(args);
    char* folder_text = archive_text ? next_arg(archive_text) : nullptr;
    char* pattern = folder_text ? next_arg(folder_text) : nullptr;
    if (!pattern) return;
    char* end = token_end(pattern);
    *end = 0;
    unquote(args);
    unquote(archive_text);
    unquote(folder_text);
    unquote(pattern);
    remove_backslash(archive_text);
    remove_backslash(folder_text);
    char archive[PATH_BUF], folder[PATH_BUF];
    if (!full_path(archive, sizeof archive, archive_text) || !full_path(folder, sizeof folder, folder_text)) return;
    // A current folder too long to be read could not be put back, and the
    // commands after this one would run in the synchronised folder: stop first.
    current_folder_kept keep;
    if (!keep) {
        con_out("*** current folder too long, %s left alone\n", folder);
        con_key();
        return;
    }
    if (!SetCurrentDirectoryA(folder)) {
        con_out("%s does not exist!\n", folder);
        con_key();
        return;
    }
    bool recursive = mb_strchr(args, 'r') != nullptr;
    const char* option = recursive ? " -r" : "";
    int logging = file_op_logging;
    if (mb_strchr(args, 'u'))
        update_archive(option, archive, folder, pattern, recursive);
    else
        refresh_folder(option, archive, folder, pattern, recursive);
    set_file_op_logging(logging);
}

int pack_folder(const char* folder_text)
{
    char folder[PATH_BUF], renamed[PATH_BUF];
    if (!text_copy(folder, folder_text)) return 1;
    remove_backslash(folder);
    if (has_extension(folder, ".lzh")) return 1;
    if (console_output_on()) con_out("Packing %s\\\n", folder);
    if (!text_format(renamed, sizeof renamed, "%s%s", folder, packing_ending)) return 1;
    quiet_logging quiet;
    _pump();
    _lha* a = lha();
    if (!a || !MoveFileA(folder, renamed)) return 1;
    if (!a->command("m -d1 -z2 -t -n1 \"%s\" \"%s\\\"", folder, renamed)) {
        MoveFileA(renamed, folder);  // the data back under its own name
        return 1;
    }
    // What the DLL left behind (hidden and system files, for one) goes only
    // when the archive lists it; otherwise the remains keep the folder's name.
    char file[PATH_BUF];
    archive_file(folder, file, sizeof file);
    if (a->holds_folder(file, renamed)) {
        rm_tree(renamed);
    } else {
        MoveFileA(renamed, folder);
        con_out("*** %s kept: files the archive does not hold\n", folder);
    }
    return 1;
}

void pack_tree(const char* folder)
{
    walk_item rec = {};
    walk_tree(folder, "*.*", &rec, delete_dvi_cb, nullptr, nullptr, nullptr);
    std::vector<std::string> folders;
    collected_folders = &folders;
    walk_item leave = {};
    walk_tree(folder, "*.*", &leave, nullptr, collect_folder_cb, nullptr, nullptr);
    collected_folders = nullptr;
    std::string root = folder;
    while (root.size() > 3 && root.back() == '\\') root.pop_back();
    if (folders.empty() || folders.back() != root) folders.push_back(root);
    for (const std::string& f : folders) pack_folder(f.c_str());
}

void pack_subfolders(const char* folder)
{
    std::vector<std::string> folders;
    WIN32_FIND_DATAA fd;
    char pattern[PATH_BUF];
    if (!path_join(pattern, folder, "*")) return;
    HANDLE h = FindFirstFileA(pattern, &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !strcmp(fd.cFileName, ".") ||
            !strcmp(fd.cFileName, ".."))
            continue;
        char sub[PATH_BUF];
        if (path_join(sub, folder, fd.cFileName)) folders.push_back(sub);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    for (const std::string& f : folders) pack_folder(f.c_str());
}

int unpack_archive(const char* archive)
{
    if (!has_extension(archive, ".lzh")) return 0;
    char packing[PATH_BUF], packing_folder[PATH_BUF], work[PATH_BUF];
    size_t n = strlen(archive);
    // A pack of the folder "a" in progress works in "a.圧縮中"; "a.lzh.圧縮中" is checked as named.
    if (!text_format(packing, sizeof packing, "%s%s", archive, packing_ending) ||
        !text_copy_n(packing_folder, sizeof packing_folder, archive, n - 4) ||
        !text_append(packing_folder, packing_ending) ||
        !text_format(work, sizeof work, "%s%s", archive, unpacking_ending))
        return 0;
    if (item_exists(packing) || item_exists(packing_folder) || item_exists(work)) return 0;
    if (console_output_on()) con_out("UnPacking %s\n", archive);
    quiet_logging quiet;
    _lha* a = lha();
    if (!a || !md_path(work)) return 1;
    if (a->command("x -n1 -a1 -jf0 \"%s\" \"%s\\\"", archive, work) && rm_file(archive))
        MoveFileA(work, archive);
    else
        rm_tree(work);
    return 1;
}

static std::vector<std::string>* collected_archives;

static int collect_archive_cb(walk_item* item)
{
    if (has_extension(item->path, ".lzh")) collected_archives->push_back(item->path);
    return 1;
}

// Walked with "*.*": a pattern filters folders too, and "*.lzh" would enter
// no subfolder. The archives are listed first and unpacked afterwards, so
// the folders unpacking makes (named like their archives) are never walked.
void unpack_tree(const char* folder)
{
    std::vector<std::string> archives;
    collected_archives = &archives;
    walk_item rec = {};
    walk_tree(folder, "*.*", &rec, collect_archive_cb, nullptr, nullptr, nullptr);
    collected_archives = nullptr;
    for (const std::string& a : archives) unpack_archive(a.c_str());
}

void make_sfx_from_lzh(const char* path)
{
    _lha* a = lha();
    if (a && has_extension(path, ".lzh")) a->command("s -x -gw3 -n1 \"%s\"", path);
}

void view_archive(const char* path_text)
{
    char path[PATH_BUF];
    if (!text_copy(path, path_text)) return;
    long_path_name(path);
    char status[PATH_BUF + 32];
    text_format_cut(status, sizeof status, "select command. viewing %s", path);
    con_status(status);
    _lha* a = open_archiver_for(path);
    if (has_extension(path, ".lzh"))
        view_lzh(path);
    else if (a && (has_extension(path, ".z") || has_extension(path, ".gz") || has_extension(path, ".tgz")))
        view_listing(a, "tar tf \"%s\"\n", "tf \"%s\"", "tvf \"%s\"", path, false);
    else if (a && has_extension(path, ".zip"))
        view_listing(a, "unzip -v \"%s\"\n", "-v \"%s\"", "-lv \"%s\"", path, true);
    con_status("");
}

int enum_shellnew_keys(HKEY key, const char* name, const char* target, HKEY* out)
{
    HKEY opened;
    if (RegOpenKeyA(key, name, &opened) != ERROR_SUCCESS) return 0;
    char sub[MAX_PATH];
    for (DWORD i = 0; RegEnumKeyA(opened, i, sub, sizeof sub) == ERROR_SUCCESS; i++) {
        if (lstrcmpiA(sub, target) == 0) {
            *out = opened;
            return 1;
        }
        if (enum_shellnew_keys(opened, sub, target, out)) {
            RegCloseKey(opened);
            return 1;
        }
    }
    RegCloseKey(opened);
    return 0;
}

void clean_shellnew()
{
    char name[MAX_PATH];
    for (DWORD i = 0; RegEnumKeyA(HKEY_CLASSES_ROOT, i, name, sizeof name) == ERROR_SUCCESS; i++) {
        if (name[0] != '.' || strncmp(name, ".lnk", 4) == 0) continue;
        HKEY parent;
        while (enum_shellnew_keys(HKEY_CLASSES_ROOT, name, "ShellNew", &parent)) {
            con_out(" %s\n", name);
            LONG r = RegDeleteKeyA(parent, "ShellNew");
            RegCloseKey(parent);
            if (r != ERROR_SUCCESS) {
                // One that cannot go (it has subkeys, or no right): the next extension.
                con_out("*** %s\\...\\ShellNew not deleted (%ld)\n", name, r);
                break;
            }
        }
    }
}
