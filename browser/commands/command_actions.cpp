// The actions of the application, navigation and display commands: folder
// changes through the history, new windows, the display switches, sizes and
// sort orders, the caches and the settings files.
#include "browser/commands/command_actions.h"
#include "browser/operations/archive_commands.h"
#include "browser/commands/instances.h"
#include "browser/commands/command_parts.h"
#include "browser/commands/keys.h"
#include "browser/operations/small_dialogs.h"
#include "browser/model/browser_list.h"
#include "browser/archives/archive_folder.h"
#include "browser/model/busy.h"
#include "browser/model/folder_ops.h"
#include "browser/grid/grid.h"
#include "browser/model/history.h"
#include "browser/grid/list_view.h"
#include "browser/model/name_list.h"
#include "browser/model/paths.h"
#include "browser/commands/settings.h"
#include "browser/model/start.h"
#include "browser/caches/thumb_cache.h"
#include "browser/viewer/viewer.h"
#include "browser/operations/file_clipboard.h"
#include "files/files.h"
#include "formats/formats.h"
#include "graphics/kavtrel.h"
#include <cstring>

static browser_list_record& L = browser_list;

int first_shown_index() { return L.columns * L.first_row; }
// A reload shows the list: the viewer is left first, at the page of its entry.
void reload_at_first_shown()
{
    leave_viewer(viewer_state);
    load_folder(nullptr, 0, first_shown_index(), nullptr, 0);
}
void reload_on_name(const char* name)
{
    leave_viewer(viewer_state);
    load_folder(nullptr, 0, first_shown_index(), name, 0);
}
// After a write-back that took in another window's changes the list shows them.
void pack_archive_again()
{
    if (write_back_archive(nullptr) == ARCHIVE_MERGED) reload_at_first_shown();
}

const char* jump_entry(int i)
{
    if (i < 0 || i >= tree_names.count) return nullptr;
    char** items = reinterpret_cast<char**>(strlist_to_array(&tree_names));
    return items ? items[i] : nullptr;
}

static HWND main_window()
{
    HWND child = _page_hwnd(L.page);
    return child ? GetParent(child) : nullptr;
}

// Leaves the viewer (if open) and lists the folder that is now current at
// the position the history remembers for it.
static void enter_current_folder()
{
    int first = history_push_entered();
    leave_viewer(viewer_state);
    load_folder(nullptr, 0, first, nullptr, 0);
}

static void go_to(const char* path)
{
    cache_current_dir();
    history_push(0, 0);
    if (change_folder(path)) enter_current_folder();
}

COMMAND_ACTION(act_quit_all) { close_other_instances(); }

COMMAND_ACTION(act_version)
{
    char folder[PATH_BUF], texts[PATH_BUF];
    if (!zote_bin_path("..", folder)) text_copy(folder, "");
    long_path_name(folder);
    list_archiver_versions(texts, sizeof texts);
    static char plugins[SUSIE_LIST_BUF];
    list_susie_plugins(plugins, sizeof plugins);
    OSVERSIONINFOA os = {sizeof os};
    GetVersionExA(&os);
    msg_info("ZOTEバージョン情報",
             "ZOTE ver.1.67.11.09.25\n\n<ZOTEフォルダ>\n%s\n\n<動作情報>\n動作ﾓｰﾄﾞ = %s, HDC = %d, _bmap = %d, CHAR*[] "
             "= %d\n\n"
             "<統合ｱｰｶｲﾊﾞ>\n%s\n<Susie Plugins>\n%s\n",
             folder, os.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? "WIN95" : "WIN98/Me/NT/2000/XP", _count_buffers(),
             bmap_live_count, listing_names.count, texts, plugins);
}

COMMAND_ACTION(act_uninstall)
{
    char folder[PATH_BUF];
    if (!zote_bin_path("..", folder)) text_copy(folder, "");
    long_path_name(folder);
    msg_info("ZOTEｱﾝｲﾝｽﾄｰﾙ",
             "ZOTEをｱﾝｲﾝｽﾄｰﾙするには，\n\n<ZOTEフォルダ>\n%s\n\n<ZOTE実行ファイル>\n%s\n\n<ﾍﾙﾌﾟファイル>\n%"
             "s\n\nを消去して下さい．",
             folder, start_block.program, start_block.help);
}

COMMAND_ACTION(act_open_dialog)
{
    cache_current_dir();
    history_push(0, 0);
    char folder[PATH_BUF];
    if (choose_folder_dialog(folder) && change_folder(folder)) enter_current_folder();
}

COMMAND_ACTION(act_jump)
{
    char target[PATH_BUF];
    const char* entry = jump_entry(c.id - CM_JUMP_FIRST);
    if (!entry || !text_copy(target, entry)) return;
    if (GetKeyState(VK_CONTROL) < 0) {
        char line[PATH_BUF + 3];
        if (text_format(line, sizeof line, "\"%s\"", target)) open_new_window_on_ctrl_release(line);
        return;
    }
    go_to(target);
}

static void drive_popup_at_mouse(const char* path)
{
    HMENU popup = CreatePopupMenu();
    if (!popup) return;
    build_drive_menu(path, popup, 1000);
    POINT p;
    GetCursorPos(&p);
    HWND w = _page_hwnd(L.page);
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, p.x, p.y, 0, w ? GetParent(w) : nullptr, nullptr);
    DestroyMenu(popup);
}

static bool mouse_in_window() { return cursor_in_window(_page_hwnd(L.page)) != 0; }

COMMAND_ACTION(act_drive_popup)
{
    if (mouse_in_window()) drive_popup_at_mouse("c:\\");
}

COMMAND_ACTION(act_subfolder_popup)
{
    char path[PATH_BUF];
    cache_current_dir();
    if (!mouse_in_window() || !folder_has_subfolders() || !path_join(path, sizeof path, current_folder.folder, "dummy"))
        return;
    drive_popup_at_mouse(path);
}

COMMAND_ACTION(act_new_window)
{
    cache_current_dir();
    char line[PATH_BUF + 4];
    if (new_window_line(current_folder.folder, line, sizeof line)) open_new_window_on_ctrl_release(line);
}

COMMAND_ACTION(act_new_window_drive)
{
    const char* entry = jump_entry(c.id - CM_DRIVE_NEW_WINDOW_FIRST);
    char line[PATH_BUF + 3];
    if (entry && text_format(line, sizeof line, "\"%s\"", entry)) open_new_window_on_ctrl_release(line);
}

COMMAND_ACTION(act_explorer)
{
    cache_current_dir();
    if (!current_folder.drive_list) open_with_association(current_folder.folder, 0);
}

// The new entry is named in the list.
COMMAND_ACTION(act_new_entry)
{
    leave_viewer(viewer_state);
    make_new_entry(c.id);
}

// At the top of an archive folder, the folder that holds the archive.
static bool archive_parent(char* target)
{
    char archive[PATH_BUF];
    if (!in_archive_folder() || same_folder(current_folder.folder, archive_work.folder) != 0 ||
        !read_open_archive(archive))
        return false;
    return parent_folder(archive, target, PATH_BUF) != 0;
}

COMMAND_ACTION(act_parent)
{
    cache_current_dir();
    if (current_folder.desktop_exact) return;
    char target[PATH_BUF];
    if (archive_parent(target)) return go_to(target);
    if (current_folder.drive_list || current_folder.personal_exact) {
        if (!get_special_folder("Desktop", target)) return;
    } else if (is_drive_root(current_folder.folder)) {
        text_copy(target, "\\");
    } else if (!parent_folder(current_folder.folder, target, sizeof target)) {
        return;
    }
    go_to(target);
}

COMMAND_ACTION(act_special_folder)
{
    char target[PATH_BUF];
    if (get_special_folder(c.id == CM_DESKTOP ? "Desktop" : "Personal", target)) go_to(target);
}

COMMAND_ACTION(act_drive_list)
{
    cache_current_dir();
    if (!current_folder.drive_list) go_to("\\");
}

COMMAND_ACTION(act_root)
{
    cache_current_dir();
    if (current_folder.drive_list) return;
    char root[4] = {current_folder.folder[0], ':', '\\', 0};
    go_to(root);
}

COMMAND_ACTION(act_history)
{
    if (c.id == CM_HISTORY_SELECTION) {
        if (!L.marks) return;
        restore_history_selection();
        redraw_list(0, 0, 0, 1);
        return;
    }
    cache_current_dir();
    // A step back or forward records the folder where it stands, so that the
    // order it steps through stays as it was; a jump makes it the newest.
    bool step = c.id == CM_HISTORY_BACK || c.id == CM_HISTORY_FORWARD;
    history_push(step, 0);
    int which = c.id == CM_HISTORY_BACK      ? HISTORY_GO_BACK
                : c.id == CM_HISTORY_FORWARD ? HISTORY_GO_FORWARD
                                             : c.id - CM_HISTORY_FIRST;
    if (!history_go(which, change_folder)) return;
    cache_current_dir();
    int first = history_update_entered();
    leave_viewer(viewer_state);
    load_folder(nullptr, 0, first, nullptr, 0);
}

// The clipboard is opened once: its file list is read and pasted from, and
// its OLE set-up is undone on every way out. A paste into an archive folder
// writes the archive back itself.
COMMAND_ACTION(act_paste)
{
    clipboard_read_state s;
    clipboard_files_open(&s);
    int done = 0;
    if (clipboard_query_files(&s) > 0)
        done = c.id == CM_PASTE             ? paste_files(&s)
               : c.id == CM_PASTE_SHORTCUTS ? paste_shortcuts(&s)
                                            : paste_folders_only(&s);
    clipboard_files_close(&s);
    if (!done) return;
    reload_on_name(last_paste.first_name[0] ? last_paste.first_name : nullptr);
}

COMMAND_ACTION(act_expand_all) { confirm_expand_all(-1, 1); }

COMMAND_ACTION(act_expand_one)
{
    if (!folder_has_subfolders()) return;
    set_tree_expansion(tree_expansion() + 1);
    reload_at_first_shown();
}

COMMAND_ACTION(act_collapse_one)
{
    if (L.tree_depth <= 0) return;
    set_tree_expansion(L.tree_depth - 1);
    reload_at_first_shown();
}

// ---- Display ----

static void sort_again()
{
    if (L.count <= 0) return;
    const char* name = L.names ? L.names[first_shown_index() < L.count ? first_shown_index() : 0] : nullptr;
    char kept[PATH_BUF] = "";
    if (name) text_copy(kept, name);
    load_folder(nullptr, 0, first_shown_index(), kept[0] ? kept : nullptr, 0);
}

COMMAND_ACTION(act_folders_first)
{
    L.fldfirst = static_cast<unsigned char>(1 - L.fldfirst);
    if (folder_has_subfolders()) sort_again();
}

COMMAND_ACTION(act_sort)
{
    L.sort_key[0] = static_cast<unsigned char>(c.id - CM_SORT_FIRST);
    sort_again();
}

COMMAND_ACTION(act_sort_direction)
{
    L.sort_direction = static_cast<signed char>(-L.sort_direction);
    sort_again();
}

COMMAND_ACTION(act_size_dialog)
{
    int size = open_thumb_size_dialog(static_cast<int>(L.thumb_size));
    if (size > 0) {
        set_thumbnail_size(size);
        reload_at_first_shown();
    }
}

static void apply_columns(int n)
{
    if (set_columns_per_row(n)) reload_at_first_shown();
}

COMMAND_ACTION(act_columns) { apply_columns(c.id - CM_FULL_SIZE); }

COMMAND_ACTION(act_more_columns)
{
    int mode = viewer_now.mode;
    if (mode == VIEWER_MODE_LIST) {
        if (L.columns + 1 < L.strip_numbers + 2) PostMessageA(c.window, WM_COMMAND, CM_FULL_SIZE + L.columns + 1, 0);
    } else if (mode == VIEWER_MODE_ONE && viewer_state.actual_view) {
        int fit = max_actual_divisor(viewer_state);
        if (viewer_state.actual_divisor == fit)
            PostMessageA(main_window(), WM_COMMAND, CM_VIEW_ONE, 0);
        else
            view_actual_size(viewer_state, viewer_state.actual_divisor * 2);
    }
}

COMMAND_ACTION(act_fewer_columns)
{
    int mode = viewer_now.mode;
    if (mode == VIEWER_MODE_LIST) {
        if (L.columns - 1 > 1) PostMessageA(c.window, WM_COMMAND, CM_FULL_SIZE + L.columns - 1, 0);
    } else if (mode == VIEWER_MODE_ONE) {
        if (!viewer_state.actual_view)
            view_actual_size(viewer_state, max_actual_divisor(viewer_state));
        else if (viewer_state.actual_divisor / 2 >= 1)
            view_actual_size(viewer_state, viewer_state.actual_divisor / 2);
    }
}

COMMAND_ACTION(act_thumb_size)
{
    set_thumbnail_size(c.id - CM_SIZE_DIALOG);
    reload_at_first_shown();
}

COMMAND_ACTION(act_fit_window) { fit_window_to_list(); }

COMMAND_ACTION(act_cache_settings)
{
    if (!open_cache_dialog()) return;
    busy_guard busy(BUSY_WAIT);
    _status_printf(L.page, "%s", "キャッシュファイル整理中...");
    save_user_settings();
    cache_clean(&thumb_cache.dir);
}

COMMAND_ACTION(act_cache_clear)
{
    int done;
    {
        busy_guard busy(BUSY_WAIT);
        done = cache_clear(&thumb_cache.dir);
    }
    if (done)
        msg_info("ZOTE", "%s",
                 "キャッシュファイルを全て削除しました．\nキャッシュファイルの容量制限は変更されていません．\n\n"
                 "キャッシュファイル機能を使用したくない場合は，\n別のメニューで容量制限を0MBにして下さい．");
    else
        msg_info("ZOTE", "%s", "キャッシュファイル使用中です．\nしばらく待ってからもう一度実行して下さい．");
}

// The drive-cache commands need a current drive: at the drive list the
// process's current folder is not the shown one, and nothing may be written there.
int drive_cache_commands_allowed()
{
    cache_current_dir();
    return !current_folder.drive_list && current_folder.folder[0] && current_folder.folder[1] == ':';
}

COMMAND_ACTION(act_drive_cache_make)
{
    if (!drive_cache_commands_allowed() || !drive_cache_available(&thumb_cache.dir, 0)) return;
    if (msg_yesno(
            "ZOTE", "%s",
            "現在のドライブにある全画像のキャッシュファイルを\nドライブの隠しフォルダ \\zote\\cache に作成します．\n\n"
            "以後このドライブのキャッシュファイルはこのフォルダに作成されます．\n\n処理には時間がかかります．\n開始しま"
            "すか？") != 1)
        return;
    busy_guard busy(BUSY_WAIT);
    _pump();
    cache_relocate(&thumb_cache.dir, 1);
}

COMMAND_ACTION(act_cdr)
{
    if (!drive_cache_commands_allowed()) return;
    if (msg_yesno(
            "ZOTE", "%s",
            "CD-Rで利用するために表示中のフォルダに\nzote.exe, zote.hlp, autorun.inf と zote "
            "隠しフォルダを作成します．\n"
            "隠しフォルダには表示中のフォルダにある全画像(サブフォルダも含む)のキャッシュファイルが格納されます．\n\n"
            "CD-Rのﾙｰﾄに\n(1) 隠しフォルダ zote をｺﾋﾟｰすると\n    ZOTEでCD-Rを一覧する速度が向上します．\n"
            "(2) autorun.inf と zote.exe, zote.hlp をｺﾋﾟｰすると\n    zoteが自動起動するようになります．\n"
            "　　(自動起動の設定は autorun.inf をﾃｷｽﾄｴﾃﾞｨﾀで編集して調整して下さい．)\n\n"
            "(注意) autorun.inf と zote.exe, zote.hlp は [表示][隠しファイル]をチェックしないと\n    "
            "ZOTEでは見えません．\n\n\n"
            "処理には時間がかかります．\n開始しますか？") != 1)
        return;
    busy_guard busy(BUSY_WAIT);
    _pump();
    // The shown folder is the process's current folder again before anything is written.
    if (!SetCurrentDirectoryA(current_folder.folder)) return;
    prepare_cdr_folder(&thumb_cache.dir);
}

COMMAND_ACTION(act_drive_cache_delete)
{
    if (!drive_cache_commands_allowed()) return;
    busy_guard busy(BUSY_WAIT);
    _pump();
    drive_cache_delete(&thumb_cache.dir);
    _status_printf(L.page, "%s", "");
}

COMMAND_ACTION(act_drive_cache_copy)
{
    if (!drive_cache_commands_allowed()) return;
    busy_guard busy(BUSY_WAIT);
    _pump();
    drive_cache_copy(&thumb_cache.dir);
    _status_printf(L.page, "%s", "");
}

COMMAND_ACTION(act_settings_save) { save_user_settings(); }

COMMAND_ACTION(act_settings_initial)
{
    apply_settings(&L.loaded_settings);
    save_user_settings();
    reload_at_first_shown();
}

COMMAND_ACTION(act_settings_load)
{
    settings_record r = {};
    load_global_and_user_settings(&r, 0);
    apply_settings(&r);
    save_user_settings();
    reload_at_first_shown();
}

COMMAND_ACTION(act_settings_global_save) { save_global_settings(); }
COMMAND_ACTION(act_settings_global_reset) { forget_global_settings(); }

COMMAND_ACTION(act_columns_saved) { apply_columns(columns_at_saved_size()); }

COMMAND_ACTION(act_toggle_images_only)
{
    L.settings.all = !L.settings.all;
    reload_at_first_shown();
}

COMMAND_ACTION(act_toggle_text_files)
{
    L.settings.textpic = !L.settings.textpic;
    reload_at_first_shown();
}

COMMAND_ACTION(act_toggle_hidden)
{
    L.settings.hidden = !L.settings.hidden;
    reload_at_first_shown();
}

COMMAND_ACTION(act_date_mode)
{
    L.time = static_cast<unsigned char>((L.time + 1) % 4);
    redraw_list(0, 0, 0, 1);
}

COMMAND_ACTION(act_options)
{
    if (run_options_dialog(main_window())) reload_at_first_shown();
}

static void set_interval(int tenths) { viewer_state.interval = tenths; }

COMMAND_ACTION(act_interval) { set_interval(c.id - CM_INTERVAL_FIRST); }

COMMAND_ACTION(act_toggle_nonstop)
{
    viewer_state.nonstop = !viewer_state.nonstop;
}

COMMAND_ACTION(act_toggle_square)
{
    viewer_state.square = !viewer_state.square;
}

COMMAND_ACTION(act_zoom)
{
    if (viewer_now.mode == VIEWER_MODE_ONE) view_actual_size(viewer_state, c.id - CM_ZOOM_BASE);
}

COMMAND_ACTION(act_interval_dialog)
{
    int old = viewer_state.interval;
    int value = ask_slide_interval(old);
    if (value < 0) return;
    if (browser_menus.slide) CheckMenuItem(browser_menus.slide, 3001 + old, MF_BYCOMMAND | MF_UNCHECKED);
    set_interval(value);
}

// The scan is written into the shown folder, which the drive list is not.
COMMAND_ACTION(act_scanner)
{
    if (c.id == CM_SCAN && !drive_cache_commands_allowed()) return;
    char name[PATH_BUF] = "";
    int done = scanner_command(c.id, name);
    if (c.id != CM_SCAN) return;
    HWND w = main_window();
    if (done) {
        _pump();
        ShowWindow(w, SW_SHOWNORMAL);
        SetFocus(w);
        _pump();
        reload_on_name(name[0] ? name : nullptr);
        pack_archive_again();
    }
    _pump();
    ShowWindow(w, SW_SHOWNORMAL);
    SetFocus(w);
    _pump();
}
