// Drive cache folders: thumbnails of a whole drive (or of a shown folder, for
// a CD-R to carry its own) built into a hidden "zote\cache" folder there,
// removed again, or copied into the primary root.
#include "browser/caches/thumb_cache.h"
#include "browser/model/browser_list.h"
#include "browser/model/image_kinds.h"
#include "browser/model/paths.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include <cstring>

static browser_list_record& L = browser_list;

static char current_drive_letter()
{
    char folder[PATH_BUF];
    DWORD n = GetCurrentDirectoryA(sizeof folder, folder);
    return n && n < sizeof folder && folder[1] == ':' ? folder[0] : 0;
}

int drive_cache_available(thumb_cache_dir*, int need_folder)
{
    char letter = current_drive_letter();
    char root[4] = {letter, ':', '\\', 0}, cache[PATH_BUF];
    if (!letter || is_drive_writable(root)) return 0;
    if (need_folder && (!text_format(cache, sizeof cache, "%c:\\zote\\cache", letter) || !is_folder(cache))) return 0;
    return letter;
}

namespace {
struct relocate_pass {
    thumb_cache_dir* dir;
    int counting;
    int count, index;
};
relocate_pass* pass;

int relocate_file_cb(walk_item* item)
{
    if (!image_kind_of_path(item->path)) return 1;
    if (pass->counting) {
        pass->count++;
        return 1;
    }
    cache_file_for_path(pass->dir, item->path);
    _progress(L.page, ++pass->index, 0, pass->count);
    _pump();
    return 1;
}

// Hidden folders are walked too, but never the cache folder itself.
int skip_cache_folder_cb(walk_item* item)
{
    const char* name = file_name_of(item->path);
    return text_equal_ci(name, "zote") ? 1 : 0;
}

void walk_images(const char* top)
{
    walk_item record = {};
    walk_tree(top, "*.*", &record, relocate_file_cb, nullptr, nullptr, skip_cache_folder_cb);
}
}  // namespace

int cache_relocate(thumb_cache_dir* d, int drive)
{
    char top[PATH_BUF], zote[PATH_BUF], cache[PATH_BUF], saved[PATH_BUF];
    DWORD n = GetCurrentDirectoryA(sizeof saved, saved);
    if (!n || n >= sizeof saved) return 0;
    if (drive) {
        char letter = drive_cache_available(d, 0);
        if (!letter) return 0;
        text_format(top, sizeof top, "%c:\\", letter);
        drive_cache_root(d, letter);
    } else {
        text_copy(top, saved);
        drive_cache_root(d, 0);
    }
    if (!d->second_root[0] || !path_join(zote, top, "zote") || !path_join(cache, zote, "cache")) return 0;
    md_path(cache);
    SetFileAttributesA(zote, FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA(cache, FILE_ATTRIBUTE_HIDDEN);
    _status_text(L.page, "%s", "ｷｬｯｼｭﾌｧｲﾙ作成中...");
    double saved_size = L.thumb_size;
    L.thumb_size = 256;
    relocate_pass p = {d, 1, 0, 0};
    pass = &p;
    walk_images(top);
    p.counting = 0;
    walk_images(top);
    pass = nullptr;
    L.thumb_size = saved_size;
    SetCurrentDirectoryA(saved);
    _status_text(L.page, "%s", "");
    return 1;
}

// Prepares the shown folder for a CD-R: its drive cache, the program and its
// help beside it, and an autorun file that starts the program.
int prepare_cdr_folder(thumb_cache_dir* d)
{
    char folder[PATH_BUF], target[PATH_BUF], program[PATH_BUF];
    DWORD n = GetCurrentDirectoryA(sizeof folder, folder);
    if (!n || n >= sizeof folder || !cache_relocate(d, 0)) return 0;
    DWORD m = GetModuleFileNameA(nullptr, program, sizeof program);
    if (m && m < sizeof program && path_join(target, folder, "zote.exe")) cp_file(program, target);
    char help[PATH_BUF];
    if (m && m < sizeof program && parent_folder(program, help) && path_join(help, help, "zote.hlp") &&
        GetFileAttributesA(help) != INVALID_FILE_ATTRIBUTES && path_join(target, folder, "zote.hlp"))
        cp_file(help, target);
    if (!path_join(target, folder, "autorun.inf")) return 0;
    FILE* f = fopen(target, "w");
    if (!f) return 0;
    int ok = fputs("[autorun]\nopen = zote.exe \\\n", f) >= 0;
    return fclose(f) == 0 && ok;
}

int drive_cache_delete(thumb_cache_dir* d)
{
    char letter = drive_cache_available(d, 1);
    if (!letter) return 0;
    char zote[PATH_BUF], cache[PATH_BUF];
    text_format(zote, sizeof zote, "%c:\\zote", letter);
    text_format(cache, sizeof cache, "%c:\\zote\\cache", letter);
    // "zote" may hold more than the cache (the program itself, on a CD-R
    // folder): it goes only when the cache was all it held.
    rm_tree(cache);
    SetFileAttributesA(zote, FILE_ATTRIBUTE_NORMAL);
    if (!RemoveDirectoryA(zote)) SetFileAttributesA(zote, FILE_ATTRIBUTE_HIDDEN);
    return 1;
}

int drive_cache_copy(thumb_cache_dir* d)
{
    char letter = current_drive_letter();
    char cache[PATH_BUF], pattern[PATH_BUF];
    if (!letter || !text_format(cache, sizeof cache, "%c:\\zote\\cache\\", letter) ||
        !text_format(pattern, sizeof pattern, "%s*.*", cache))
        return 0;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern, &fd);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int ok = 1;
    do {
        if (!strcmp(fd.cFileName, ".") || !strcmp(fd.cFileName, "..")) continue;
        char from[PATH_BUF], to[PATH_BUF];
        if (!path_join(from, cache, fd.cFileName) || !path_join(to, d->primary_root, fd.cFileName)) {
            ok = 0;
            continue;
        }
        if (!cp_file(from, to)) ok = 0;
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return ok;
}
