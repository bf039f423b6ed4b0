// The browser's path rules (see paths.h). Every backslash and dot is found
// with the double-byte-aware walkers, so a trail byte 0x5C (表, ソ) is never
// taken for a separator, and names are compared with a double-byte-aware
// case-insensitive compare.
#include "browser/model/paths.h"
#include "base/dll_load.h"
#include "browser/model/names.h"
#include "files/files.h"
#include "browser/model/browser_list.h"
#include "graphics/kavtrel.h"
#include <windows.h>
#include <cstdio>
#include <cstring>

current_folder_state current_folder = {"\\", "\\", 0, 0, 0, 0, 0};

static bool is_backslash_at(const char* p) { return *p == '\\'; }  // p is a character start

// Position of the n-th (1-based) backslash of name, or null.
static const char* nth_backslash(const char* name, int n)
{
    for (const char* p = name; *p; p = mb_next(p))
        if (is_backslash_at(p) && --n == 0) return p;
    return nullptr;
}

static int is_plain_entry(const char* name)
{
    if (is_drive_root(name)) return 0;
    if (mb_strchr(name, '*')) return 0;
    return nth_backslash(name, browser_list.tree_depth + 1) ? 0 : 1;
}

int backslash_depth(const char* name)
{
    if (is_drive_root(name)) return 0;
    int n = 0;
    for (const char* p = name; *p; p = mb_next(p))
        if (is_backslash_at(p) && p[1]) n++;
    return n;
}

int entry_listed_path(const char* name, char* out)
{
    if (is_drive_root(name)) return text_copy(out, PATH_BUF, name);
    const char* cut = nth_backslash(name, browser_list.tree_depth + 1);
    if (!cut) return text_copy(out, PATH_BUF, name);
    return text_copy_n(out, PATH_BUF, name, cut - name);
}

const char* entry_path_static(const char* name)
{
    static char shared[PATH_BUF];
    if (is_drive_root(name) || !nth_backslash(name, browser_list.tree_depth + 1)) return name;
    entry_listed_path(name, shared);
    return shared;
}

int is_layer_entry(const char* name)
{
    if (is_plain_entry(name) || mb_strchr(name, '*')) return 0;
    if (!image_kind_of_path(name)) return 0;
    return has_extension(entry_path_static(name), ".layer");
}

// Lower-cased copy without a trailing backslash, for the display bytes.
static bool folded_folder(const char* path, char* out)
{
    if (!text_copy(out, PATH_BUF, path)) return false;
    remove_backslash(out);
    CharLowerA(out);
    return true;
}

static void display_bytes(const char* special, const char* folder, unsigned char* exact, unsigned char* length)
{
    char path[PATH_BUF], lowered[PATH_BUF];
    *exact = *length = 0;
    if (!get_special_folder(special, path) || !folded_folder(path, lowered) || !lowered[0]) return;
    size_t n = strlen(lowered);
    // The special folder itself or a folder below it; "documents2" beside
    // "documents" is neither.
    if (strncmp(folder, lowered, n) != 0 || (folder[n] != 0 && folder[n] != '\\')) return;
    *length = static_cast<unsigned char>(n - 1 > 255 ? 255 : n - 1);
    *exact = folder[n] == 0 ? 1 : 0;
}

// The folder entered is cached at once, as the process reports it, so that
// the walk from a path to its listing reads it back from the cache.
int enter_folder(const char* path)
{
    if (path[0] == '\\' && path[1] != '\\') {
        current_folder.drive_list = 1;
        current_folder.desktop_exact = current_folder.desktop_length = 0;
        current_folder.personal_exact = current_folder.personal_length = 0;
        cache_current_dir();
        return 1;
    }
    current_folder.drive_list = 0;
    if (!SetCurrentDirectoryA(path)) return 0;
    cache_current_dir();
    char folded[PATH_BUF];
    if (!folded_folder(current_folder.folder, folded)) folded[0] = 0;
    display_bytes("Desktop", folded, &current_folder.desktop_exact, &current_folder.desktop_length);
    display_bytes("Personal", folded, &current_folder.personal_exact, &current_folder.personal_length);
    return 1;
}

void cache_current_dir()
{
    if (current_folder.drive_list) {
        text_copy(current_folder.folder, "\\");
        text_copy(current_folder.copy, "\\");
        return;
    }
    DWORD n = GetCurrentDirectoryA(sizeof current_folder.folder, current_folder.folder);
    if (!n || n >= sizeof current_folder.folder) current_folder.folder[0] = 0;
    text_copy(current_folder.copy, current_folder.folder);
}

int is_drive_writable(const char* path)
{
    char test[] = "c:\\@readonlytest@";
    if (path && path[0]) test[0] = path[0];
    FILE* f = fopen(test, "wb");
    if (!f) return 1;
    fclose(f);
    DeleteFileA(test);
    return 0;
}

int user_temp_folder(char* out, const char* sub)
{
    char temp[PATH_BUF], user[257];
    DWORD n = GetTempPathA(sizeof temp, temp);
    if (!n || n >= sizeof temp) {
        out[0] = 0;
        return 0;
    }
    DWORD size = 256;
    if (!GetUserNameA(user, &size) || !user[0]) text_copy(user, "default");
    if (!path_join(out, PATH_BUF, temp, "zote") || !path_join(out, PATH_BUF, out, "user") ||
        !path_join(out, PATH_BUF, out, user))
        return 0;
    if (sub && *sub && !path_join(out, PATH_BUF, out, sub)) return 0;
    return 1;
}

int resolve_shortcut(const char* path, char* out)
{
    if (!has_extension(path, ".lnk")) return 0;
    char target[PATH_BUF];
    read_shortcut_path(path, target);
    if (!target[0] || !drive_present(target)) return 0;
    int result;
    if (is_drive_root(target)) {
        result = 2;
    } else {
        DWORD a = GetFileAttributesA(target);
        if (a == INVALID_FILE_ATTRIBUTES) return 0;
        result = (a & FILE_ATTRIBUTE_DIRECTORY) ? 2 : 1;
        long_path_name(target);
    }
    if (out && !text_copy(out, PATH_BUF, target)) return 0;
    return result;
}

int make_unique_name(char* out, const char* path)
{
    char stem[PATH_BUF], ext[PATH_BUF];
    if (!text_copy(stem, path)) return 0;
    char* dot = mb_strchr(file_name_of(stem), '.');
    if (dot) {
        text_copy(ext, dot);
        *dot = 0;
    } else {
        ext[0] = 0;
    }
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (;;) {
        if (!text_format(out, PATH_BUF, "%s%s", stem, ext)) return 0;
        if (!path_exists(out, 0)) return 1;
        for (const char* d = digits; *d; d++) {
            if (!text_format(out, PATH_BUF, "%s%c%s", stem, *d, ext)) return 0;
            if (!path_exists(out, 0)) return 1;
        }
        if (!text_append(stem, "0")) {
            out[0] = 0;
            return 0;
        }
    }
}

int make_name_unique_in_place(char* path)
{
    char unique[PATH_BUF];
    if (!make_unique_name(unique, path)) return 0;
    return text_copy(path, PATH_BUF, unique);
}

int same_folder(const char* a, const char* b)
{
    char x[PATH_BUF], y[PATH_BUF];
    if (!text_copy(x, a) || !text_copy(y, b)) return 1;
    remove_backslash(x);
    remove_backslash(y);
    return lstrcmpiA(x, y);
}

const char* first_existing(const char* const* names, const char* folder)
{
    for (int i = 0; names && names[i]; i++) {
        if (is_drive_root(names[i])) {
            if (drive_present(names[i])) return names[i];
            continue;
        }
        char path[PATH_BUF];
        if (path_join(path, folder ? folder : "", names[i]) && path_exists(path, 0)) return names[i];
    }
    return nullptr;
}
