// Folder operations of the browser (see folder_ops.h).
#include "browser/model/folder_ops.h"
#include "browser/model/archive_work.h"
#include "browser/model/image_kinds.h"
#include "browser/model/paths.h"
#include "browser/model/scan.h"
#include "files/files.h"
#include "browser/model/browser_list.h"
#include "base/holders.h"
#include "graphics/kavtrel.h"
#include <cstring>
#include <string>
#include <vector>

int make_folder_from_file(const char* path)
{
    char file[PATH_BUF], folder[PATH_BUF], target[PATH_BUF];
    if (!full_path(file, sizeof file, path) || !text_copy(folder, file)) return 0;
    strip_extension(folder);
    if (path_exists(folder, 0)) return 0;
    if (!path_join(target, folder, file_name_of(file))) return 0;
    if (!md_path(folder)) return 0;
    return mv_file(file, target);
}

int rename_folder_to_first_file(const char* entry, char* new_name)
{
    char folder[PATH_BUF], first[PATH_BUF], parent[PATH_BUF], name[PATH_BUF], target[PATH_BUF];
    if (!full_path(folder, sizeof folder, entry)) return 0;
    remove_backslash(folder);
    if (!first_listed_file(folder, first) || !parent_folder(folder, parent)) return 0;
    if (!text_copy(name, file_name_of(first))) return 0;
    strip_extension(name);
    if (!name[0] || !path_join(target, parent, name)) return 0;
    if (text_equal_ci(target, folder) || path_exists(target, 0)) return 0;
    if (!MoveFileA(folder, target)) return 0;
    return text_copy(new_name, PATH_BUF, name) ? 1 : 0;
}

int move_entry_into_folder(const char* entry, const char* folder)
{
    char name[PATH_BUF], to[PATH_BUF];
    if (!text_copy(name, file_name_of(entry))) return 0;
    if (image_kind_of_path(name)) strip_extension(name);
    if (!path_join(to, folder, name)) return 0;
    return mv_file(entry, to);
}

int scan_layer_images(const char* name)
{
    if (!is_layer_entry(name)) return 0;
    char folder[PATH_BUF];
    if (!entry_listed_path(name, folder)) return 0;
    return scan_folder_images(folder);
}

int choose_folder_dialog(char* folder)
{
    // No start folder in the drive list or inside this instance's archive work folder.
    folder[0] = 0;
    if (!current_folder.drive_list) {
        DWORD n = GetCurrentDirectoryA(PATH_BUF, folder);
        if (!n || n >= PATH_BUF || in_archive_work_folder(folder)) folder[0] = 0;
    }
    int chosen = browse_for_folder(nullptr, folder, "画像を一覧するﾌｫﾙﾀﾞの選択");
    ime_off();
    return chosen;
}
