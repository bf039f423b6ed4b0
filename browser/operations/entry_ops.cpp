// Per-entry operations of the browser (see entry_ops.h). The recycle bin goes
// through the shell, which asks the user; a declined or partly aborted delete
// is a failure and leaves the list as it was. New entries are made under a
// placeholder name that did not exist before, so naming one never truncates
// or removes a file the user already had.
#include "browser/operations/entry_ops.h"
#include "browser/model/browser_list.h"
#include "browser/model/busy.h"
#include "browser/operations/file_clipboard.h"
#include "browser/model/file_kind.h"
#include "browser/grid/grid.h"
#include "browser/operations/inplace_edit.h"
#include "browser/grid/list_view.h"
#include "browser/archives/archive_folder.h"
#include "browser/operations/archive_commands.h"
#include "browser/operations/batch_rename.h"
#include "browser/model/numbering.h"
#include "browser/model/seams.h"
#include "browser/caches/thumb_cache.h"
#include "browser/model/command_ids.h"
#include "browser/model/paths.h"
#include "browser/model/scan.h"
#include "browser/grid/selection.h"
#include "browser/model/viewer_now.h"
#include "base/holders.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include <shellapi.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

entry_ops_state entry_ops;

static browser_list_record& L = browser_list;

static int first_shown() { return L.first_row * L.columns; }

int entry_full_path(int index, char* out)
{
    char name[PATH_BUF];
    return list_entry_name(index, name) && full_path(out, PATH_BUF, name) != nullptr;
}

void reload_keep_selection(int first, int keep)
{
    int n = L.count;
    heap_buffer<unsigned char> kept(keep && n > 0 && L.marks ? static_cast<unsigned char*>(malloc(n)) : nullptr);
    if (kept) memcpy(kept.get(), L.marks, n);
    load_folder(kept.get(), kept ? n : 0, first, nullptr, 0);
}

void reload_at_name(const char* name, int keep)
{
    int n = L.count;
    heap_buffer<unsigned char> kept(keep && n > 0 && L.marks ? static_cast<unsigned char*>(malloc(n)) : nullptr);
    if (kept) memcpy(kept.get(), L.marks, n);
    bool named = name && name[0];
    load_folder(kept.get(), kept ? n : 0, named ? first_shown() : 0, named ? name : nullptr, 0);
}

void renumber_after_delete()
{
    if (!number_order_on()) return;
    reload_keep_selection(first_shown(), 1);
    renumber_command();
}

// The marked entries' full paths, each terminated, with a final terminator:
// one path slot per marked entry and one byte for the end.
static char* marked_path_list()
{
    size_t cap = size_t(L.selected_count) * PATH_BUF + 1;
    char* list = static_cast<char*>(calloc(cap, 1));
    if (!list) return nullptr;
    size_t used = 0;
    for (int i = 0; i < L.count; i++) {
        if (!is_marked(i)) continue;
        char path[PATH_BUF];
        if (!entry_full_path(i, path) || used + strlen(path) + 2 > cap) {
            free(list);
            return nullptr;
        }
        if (list_entry_kind(i)->target()->archive) leave_archive_folder(path);
        memcpy(list + used, path, strlen(path) + 1);
        used += strlen(path) + 1;
    }
    return list;
}

int recycle_selected()
{
    if (viewer_now.mode != 0 || L.selected_count <= 0 || archive_is_read_only()) return 0;
    busy_guard busy(BUSY_PLAIN);
    heap_buffer<char> list(marked_path_list());
    if (!list) return 0;
    SHFILEOPSTRUCTA op = {};
    op.hwnd = GetAncestor(page_drawing_window(L.page), GA_ROOT);
    op.wFunc = FO_DELETE;
    op.pFrom = list.get();
    op.fFlags = FOF_ALLOWUNDO;
    if (SHFileOperationA(&op) != 0 || op.fAnyOperationsAborted) return 0;
    if (L.count - L.selected_count > 0) renumber_after_delete();
    reload_keep_selection(count_unselected_to_first(), 0);
    write_back_archive(nullptr);
    return 1;
}

int move_selected_into(int index)
{
    busy_guard busy(BUSY_WAIT);
    if (L.selected_count <= 0 || is_marked(index)) return 0;
    file_kind* k = list_entry_kind(index);
    if (!k || !archive_change_allowed()) return 0;
    const file_kind_base* t = k->target();
    if (!t->plain) {
        char folder[PATH_BUF];
        if (!t->name(folder)) return 0;
        overwrite_answers answers = {};
        left_at_source left = {};
        for (int i = 0; i < L.count; i++) {
            char source[PATH_BUF], destination[PATH_BUF];
            if (!is_marked(i) || !entry_full_path(i, source)) continue;
            if (!path_join(destination, folder, file_name_of(source))) continue;
            move_one_item(source, destination, &answers);
            if (answers.cancel && answers.all) break;
            if (!answers.cancel) note_left_at_source(&left, source, destination);
        }
        say_left_at_source(left);
    } else if (t->archive && entry_archive_creation(index) >= 2) {
        compress_into_entry(index);
    } else {
        return 0;
    }
    reload_keep_selection(count_unselected_to_first(), 0);
    write_back_archive(nullptr);
    return 1;
}

int open_entry_with_program(int index, int verb)
{
    char path[PATH_BUF];
    if (!entry_full_path(index, path)) return 0;
    return browser_seams.open_with(path, verb);
}

void edit_small_text(int index)
{
    _status_text(L.page, "%s", "ﾃｷｽﾄﾌｧｲﾙの編集中．Ctrl+Enter=確定｜Esc=ｷｬﾝｾﾙ");
    busy_guard busy(BUSY_PLAIN);
    if (!edit_text_command(index)) return;
    redraw_list(1, 1, 0, 1);
    write_back_archive(nullptr);
}

// New entries ------------------------------------------------------------------

// Makes the placeholder: "<c>.newfolder" plus the extension, with the first
// character the first of 0-9 and a-z whose name is free. The item is made
// with calls that fail on an existing name, so nothing there is touched.
static int make_placeholder(const char* ext, bool folder, char* path)
{
    static const char firsts[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (const char* c = firsts; *c; c++) {
        char name[32];
        text_format(name, sizeof name, "%c.newfolder%s", *c, ext);
        if (!path_join(path, PATH_BUF, current_folder.folder, name)) return 0;
        if (folder) {
            if (CreateDirectoryA(path, nullptr)) {
                file_op_log("..md %s\n", path);
                return 1;
            }
        } else {
            file_handle h(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (h) return 1;
        }
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return 0;
    }
    return 0;
}

static void remove_new_folder(const char* path)
{
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (RemoveDirectoryA(path)) file_op_log("..rd %s\n", path);
}

static int index_of_path(const char* path)
{
    for (int i = 0; i < L.count; i++) {
        char p[PATH_BUF];
        if (!entry_full_path(i, p)) continue;
        remove_backslash(p);  // a folder entry's path ends in a backslash
        if (text_equal_ci(p, path)) return i;
    }
    return -1;
}

static bool ends_in(const char* path, const char* tail)
{
    size_t n = strlen(path), t = strlen(tail);
    return n >= t && text_equal_ci(path + n - t, tail);
}

int new_text_file_possible() { return !current_folder.drive_list && is_listed_name(".txt"); }

int create_new_entry(int command)
{
    if (command == CM_NEW_TEXT && !new_text_file_possible()) return 0;
    const char* ext = command == CM_NEW_FOLDER ? ""
                      : command == CM_NEW_TEXT ? ".txt"
                                               : compress_extension(command - CM_NEW_ARCHIVE_FIRST);
    const char* word = command == CM_NEW_FOLDER ? "ﾌｫﾙﾀﾞ" : command == CM_NEW_TEXT ? "ﾃｷｽﾄﾌｧｲﾙ" : "圧縮ﾌｫﾙﾀﾞ";
    if (!ext) return 0;
    bool folder = command == CM_NEW_FOLDER;
    busy_guard busy(BUSY_WAIT);
    entry_ops.creating = new_entry_pending = 1;
    char placeholder[PATH_BUF];
    if (!make_placeholder(ext, folder, placeholder)) {
        entry_ops.creating = new_entry_pending = 0;
        return 0;
    }
    reload_keep_selection(first_shown(), 0);
    _status_text(L.page, "%s名を入力して下さい．Enter=確定｜Esc=ｷｬﾝｾﾙ", word);
    char named[PATH_BUF] = "";
    int index = index_of_path(placeholder);
    int kept = index >= 0 && rename_entry_command(index, 2, named) && named[0];
    if (!kept) {
        if (folder)
            remove_new_folder(placeholder);
        else
            rm_file(placeholder);
        named[0] = 0;
    } else if (!folder && ext[0] && !ends_in(named, ext)) {
        char with_ext[PATH_BUF];
        if (text_format(with_ext, sizeof with_ext, "%s%s", named, ext) && mv_file(named, with_ext))
            text_copy(named, with_ext);
    }
    if (kept && folder && ends_in(named, ".newfolder")) {
        remove_new_folder(named);
        kept = 0;
        named[0] = 0;
    }
    entry_ops.creating = new_entry_pending = 0;
    // A cancelled entry leaves the page where it was.
    if (named[0])
        reload_at_name(file_name_of(named), 0);
    else
        reload_keep_selection(first_shown(), 0);
    write_back_archive(nullptr);
    return kept;
}

int write_folder_listing()
{
    char base[PATH_BUF], name[PATH_BUF], path[PATH_BUF];
    if (current_folder.drive_list || !text_copy(base, current_folder.folder)) return 0;
    remove_backslash(base);
    if (!text_format(name, sizeof name, "%s.txt", is_drive_root(base) ? "" : file_name_of(base))) return 0;
    if (!path_join(path, current_folder.folder, name)) return 0;
    // The name may be the user's own file (a comment file named after the folder).
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES &&
        msg_yesno("ZOTE", "%s\n\n同じ名前のファイルが存在します．上書きしてよろしいですか？", name) != 1)
        return 0;
    {
        c_file f(fopen(path, "w"));
        if (!f) return 0;
        for (int i = 0; i < L.count; i++)
            if (!is_marked(i)) fprintf(f.get(), "%s\n", L.names[i]);
    }
    reload_at_name(name, 0);
    return 1;
}

int dissolve_folder(const char* entry)
{
    char folder[PATH_BUF], parent[PATH_BUF], pattern[PATH_BUF];
    if (!full_path(folder, sizeof folder, entry) || !parent_folder(folder, parent)) return -1;
    if (!path_join(pattern, folder, "*.*")) return -1;
    // The names first: the folder changes while its files move.
    std::vector<std::string> files;
    {
        WIN32_FIND_DATAA found;
        find_handle find(FindFirstFileA(pattern, &found));
        if (!find) return -1;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.emplace_back(found.cFileName);
        } while (FindNextFileA(find.get(), &found));
    }
    int left = 0;
    for (const std::string& name : files) {
        char from[PATH_BUF], to[PATH_BUF];
        if (!path_join(from, folder, name.c_str()) || !path_join(to, parent, name.c_str()) || path_exists(to, 0)) {
            left++;
            continue;
        }
        if (mv_file(from, to))
            thumbnail_moved(from, to);
        else
            left++;
    }
    if (left == 0) {
        // A read-only folder would stay behind its moved files.
        SetFileAttributesA(folder, FILE_ATTRIBUTE_NORMAL);
        rd_folder(folder);  // a plain removal: subfolders keep the folder
    }
    return left;
}
