// The actions of the commands on entries: pointer moves and page turns, the
// viewer and slide shows, the file operations on one entry or the
// selection, and the reload after an image changed on disk.
#include "browser/commands/command_actions.h"
#include "browser/commands/command_parts.h"
#include "browser/archives/archive_folder.h"
#include "browser/operations/small_dialogs.h"
#include "browser/model/browser_list.h"
#include "browser/model/busy.h"
#include "browser/model/comment_files.h"
#include "browser/operations/entry_ops.h"
#include "browser/caches/entry_picture.h"
#include "browser/model/folder_ops.h"
#include "browser/grid/grid.h"
#include "browser/grid/list_view.h"
#include "browser/model/paths.h"
#include "browser/model/rotate_rename.h"
#include "browser/viewer/viewer.h"
#include "files/files.h"
#include "formats/formats.h"
#include "graphics/kavtrel.h"

static browser_list_record& L = browser_list;

int find_entry_by_name(const char* name)
{
    if (!name || !L.names) return -1;
    char wanted[PATH_BUF], have[PATH_BUF];
    if (!full_path(wanted, sizeof wanted, name)) return -1;
    for (int i = 0; i < L.count; i++)
        if (entry_full_path(i, have) && text_equal_ci(have, wanted)) return i;
    return -1;
}

// The entry under the mouse for a command from a grid click, else the index.
static int target_index(const command_call& c)
{
    if (c.lparam != 1) return c.index;
    HWND w = _page_hwnd(L.page);
    POINT p;
    if (!w || !GetCursorPos(&p) || !ScreenToClient(w, &p)) return c.index;
    hit_record hit;
    hit_test_list_cell(MAKELPARAM(p.x, p.y), &hit);
    return hit.on_entry ? hit.index : -1;
}

// After an image changed on disk (rotated, saved, split, layered): the list
// is read again and, in the viewer, the same picture is shown again. The
// picture is found by its new name, since a rename can move it in the order.
static void reload_after_image_change(const char* new_name)
{
    if (viewer_now.mode != VIEWER_MODE_ONE) {
        reload_at_first_shown();
        pack_archive_again();
        return;
    }
    int index = viewer_now.current_index;
    reload_at_first_shown();
    int found = find_entry_by_name(new_name);
    view_one_image(viewer_state, found >= 0 ? found : index);
    pack_archive_again();
}

COMMAND_ACTION(act_pointer_key)
{
    int mode = viewer_now.mode;
    HWND w = _page_hwnd(L.page);
    if (mode == VIEWER_MODE_ONE) {
        if (c.id == CM_POINTER_DOWN) PostMessageA(c.window, WM_COMMAND, CM_PAGE_NEXT, 0);
        if (c.id == CM_POINTER_UP) PostMessageA(c.window, WM_COMMAND, CM_PAGE_BACK, 0);
        return;
    }
    if (mode != VIEWER_MODE_LIST) return;
    int key = c.id == CM_POINTER_DOWN    ? VK_DOWN
              : c.id == CM_POINTER_UP    ? VK_UP
              : c.id == CM_POINTER_LEFT  ? VK_LEFT
              : c.id == CM_POINTER_RIGHT ? VK_RIGHT
                                         : VK_HOME;
    move_pointer_by_key(w, key);
}

COMMAND_ACTION(act_pointer_name)
{
    HWND w = _page_hwnd(L.page);
    POINT p;
    if (!w || !GetCursorPos(&p)) return;
    if (cursor_in_window(w)) {
        ScreenToClient(w, &p);
        hit_record hit;
        hit_test_list_cell(MAKELPARAM(p.x, p.y), &hit);
        pointer_to_cell_top(w, hit.column, hit.row);
    } else {
        pointer_to_cell_centre(w, 0, 0);
    }
}

static void turn_page(int (*turn)())
{
    if (turn()) redraw_list(0, 1, 0, 1);
}

COMMAND_ACTION(act_next_page)
{
    if (viewer_now.mode == VIEWER_MODE_ONE)
        viewer_step(viewer_state, 1);
    else if (viewer_now.mode == VIEWER_MODE_LIST)
        turn_page(page_forward);
}

COMMAND_ACTION(act_previous_page)
{
    if (viewer_now.mode == VIEWER_MODE_ONE)
        viewer_step(viewer_state, -1);
    else if (viewer_now.mode == VIEWER_MODE_LIST)
        turn_page(page_back);
}

COMMAND_ACTION(act_first_page)
{
    if (viewer_now.mode == VIEWER_MODE_ONE) {
        busy_guard busy(BUSY_WAIT);
        viewer_show_entry(viewer_state, 0);
    } else if (viewer_now.mode == VIEWER_MODE_LIST && L.first_row != 0) {
        L.first_row = 0;
        redraw_list(0, 1, 0, 1);
    }
}

COMMAND_ACTION(act_last_page)
{
    if (viewer_now.mode == VIEWER_MODE_ONE) {
        viewer_show_entry(viewer_state, L.count - 1);
        return;
    }
    if (viewer_now.mode != VIEWER_MODE_LIST || L.rows <= 0 || L.columns <= 0) return;
    int last = (L.count - 1) / L.columns / L.rows * L.rows;
    if (L.first_row != last) {
        L.first_row = last;
        redraw_list(0, 1, 0, 1);
    }
}

static void to_selected(int forward)
{
    if (L.selected_count <= 0) return;
    if (viewer_now.mode == VIEWER_MODE_ONE && !viewer_now.full_screen) {
        int from = viewer_now.current_index;
        int i = forward ? next_selected_index(from) : previous_selected_index(from);
        if (i >= 0 && i != from) viewer_show_entry(viewer_state, i);
    } else if (viewer_now.mode == VIEWER_MODE_LIST) {
        if (forward ? page_of_next_selected() : page_of_previous_selected()) redraw_list(0, 1, 0, 1);
    }
}

COMMAND_ACTION(act_next_selected) { to_selected(1); }
COMMAND_ACTION(act_previous_selected) { to_selected(0); }

COMMAND_ACTION(act_batch_rename)
{
    busy_guard busy(BUSY_PLAIN);
    if (L.selected_count <= 1) return;
    char name[PATH_BUF] = "";
    if (!batch_rename_naming(name)) return;
    reload_on_name(name[0] ? name : nullptr);
    pack_archive_again();
}

COMMAND_ACTION(act_number_prefixes)
{
    busy_guard busy(BUSY_WAIT);
    char name[PATH_BUF] = "";
    if (!number_prefixes_naming(name)) return;
    L.fldfirst = 1;
    L.sort_key[0] = 0;
    L.sort_direction = 1;
    if (name[0])
        reload_on_name(name);
    else
        reload_at_first_shown();
    pack_archive_again();
}

COMMAND_ACTION(act_password) { set_archive_password(); }

COMMAND_ACTION(act_print)
{
    busy_guard busy(BUSY_PLAIN);
    print_selection();
}

COMMAND_ACTION(act_reload)
{
    if (viewer_now.mode == VIEWER_MODE_LIST) reload_at_first_shown();
}

COMMAND_ACTION(act_count_files)
{
    int saved = L.countfile;
    L.countfile = 1;
    reload_at_first_shown();
    L.countfile = saved;
}

COMMAND_ACTION(act_selection) { change_selection(c.id, c.index); }

COMMAND_ACTION(act_leave_slide)
{
    viewer_state_record& v = viewer_state;
    if (viewer_now.mode == VIEWER_MODE_ONE && !viewer_now.full_screen) {
        back_to_list(v);
        redraw_whole_list();
    } else if (viewer_now.mode == VIEWER_MODE_ONE) {
        // Full screen entered from the list goes back to the list; entered from
        // the window viewer, back to that picture.
        if (leave_fullscreen(v)) redraw_whole_list();
        _hide_fullscreen_pages();
    } else if (viewer_now.mode >= VIEWER_MODE_SLIDE) {
        viewer_now.mode = VIEWER_MODE_ONE;
    }
}

// Shows start in list mode at the first shown entry, in the viewer at 0.
static int show_start(bool* allowed)
{
    *allowed = true;
    if (viewer_now.mode == VIEWER_MODE_LIST) return first_shown_index();
    if (viewer_now.mode == VIEWER_MODE_ONE && !viewer_now.full_screen) return 0;
    *allowed = false;
    return 0;
}

COMMAND_ACTION(act_screen_saver)
{
    bool allowed;
    int start = show_start(&allowed);
    if (allowed) random_slide_show(viewer_state, start);
}

COMMAND_ACTION(act_slide_show)
{
    bool allowed;
    int start = show_start(&allowed);
    if (allowed) fullscreen_slide_show(viewer_state, start);
}

COMMAND_ACTION(act_selected_slide_show)
{
    if (L.selected_count <= 0) return;
    bool allowed;
    int start = show_start(&allowed);
    if (!allowed) return;
    viewer_state.selected_only = 1;
    fullscreen_slide_show(viewer_state, start);
    viewer_state.selected_only = 0;
}

static bool list_with_selection() { return viewer_now.mode == VIEWER_MODE_LIST && L.selected_count > 0; }

COMMAND_ACTION(act_copy_files)
{
    if (!list_with_selection()) return;
    busy_guard busy(BUSY_PLAIN);
    copy_selection_to_clipboard();
}

COMMAND_ACTION(act_cut_files)
{
    if (!list_with_selection()) return;
    busy_guard busy(BUSY_PLAIN);
    cut_selection_to_clipboard();
}

COMMAND_ACTION(act_delete_files) { recycle_selected(); }

COMMAND_ACTION(act_search)
{
    if (viewer_now.mode == VIEWER_MODE_LIST) open_search_dialog();
}

COMMAND_ACTION(act_folder_from_file)
{
    char path[PATH_BUF];
    if (!entry_full_path(c.index, path)) return;
    busy_guard busy(BUSY_PLAIN);
    if (!make_folder_from_file(path)) return;
    reload_at_first_shown();
    pack_archive_again();
}

COMMAND_ACTION(act_dissolve_folder)
{
    char path[PATH_BUF];
    if (!entry_full_path(c.index, path) || dissolve_folder(path) < 0) return;
    reload_at_first_shown();
    pack_archive_again();
}

COMMAND_ACTION(act_rename_to_first)
{
    char path[PATH_BUF], name[PATH_BUF] = "";
    if (!entry_full_path(c.index, path) || !rename_folder_to_first_file(path, name)) return;
    reload_on_name(name);
    pack_archive_again();
}

COMMAND_ACTION(act_move_into)
{
    int i = target_index(c);
    if (i < 0) return;
    if (!move_selected_into(i)) return;
    reload_at_first_shown();
    pack_archive_again();
}

COMMAND_ACTION(act_comment_file)
{
    char path[PATH_BUF], comment[PATH_BUF];
    if (!entry_full_path(c.index, path) || !comment_file_name(path, comment)) return;
    {
        busy_guard busy(BUSY_PLAIN);
        create_comment_file(path);
        reload_at_first_shown();
        pack_archive_again();
    }
    int i = find_entry_by_name(comment);
    if (i >= 0) edit_small_text(i);
}

static void archive_action(int (*part)(int, int), const command_call& c, bool pack)
{
    busy_guard busy(BUSY_PLAIN);
    if (!part(c.id, c.index)) return;
    reload_at_first_shown();
    if (pack) pack_archive_again();
}

COMMAND_ACTION(act_extract) { archive_action(extract_entry_archive, c, true); }
COMMAND_ACTION(act_sfx) { archive_action(make_entry_self_extracting, c, false); }
COMMAND_ACTION(act_pack) { archive_action(pack_selection, c, true); }

COMMAND_ACTION(act_split_pages)
{
    char path[PATH_BUF];
    if (!entry_full_path(c.index, path)) return;
    {
        busy_guard busy(BUSY_PLAIN);
        if (!split_multipage_tiff(path)) return;
    }
    reload_after_image_change(path);
}

COMMAND_ACTION(act_save_as)
{
    char name[PATH_BUF] = "";
    if (!save_entry_as(c.index)) return;
    reload_after_image_change(name[0] ? name : nullptr);
}

COMMAND_ACTION(act_count_colours) { count_entry_colours(c.index); }

static void edit_status(const char* fmt, int index)
{
    char path[PATH_BUF];
    const char* shown = entry_full_path(index, path) ? file_name_of(path) : "";
    _status_printf(L.page, fmt, index + 1, shown);
}

COMMAND_ACTION(act_rename)
{
    edit_status("[%d] %s の名前を変更中．Enter=確定｜Esc=ｷｬﾝｾﾙ", c.index);
    char name[PATH_BUF] = "";
    {
        busy_guard busy(BUSY_MOUSE);
        if (!edit_entry_in_list(c.id, c.index, name)) return;
    }
    reload_on_name(name[0] ? name : nullptr);
    pack_archive_again();
}

// A folder entry becomes a layer folder (".layer" appended) or a plain one
// (the name cut at its last dot).
COMMAND_ACTION(act_layer)
{
    char listed[PATH_BUF], folder[PATH_BUF], renamed[PATH_BUF];
    if (c.index < 0 || c.index >= L.count || !entry_listed_path(L.names[c.index], listed)) return;
    if (!full_path(folder, sizeof folder, listed)) return;
    remove_backslash(folder);
    DWORD a = GetFileAttributesA(folder);
    if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY)) return;
    text_copy(renamed, folder);
    if (has_extension(folder, ".layer")) {
        char* dot = const_cast<char*>(mb_strrchr(renamed, '.'));
        if (dot) *dot = 0;
    } else if (!text_append(renamed, ".layer")) {
        return;
    }
    {
        busy_guard busy(BUSY_PLAIN);
        if (!MoveFileA(folder, renamed)) return;
    }
    reload_after_image_change(renamed);
}

COMMAND_ACTION(act_edit_time)
{
    edit_status("[%d] %s の更新時刻を変更中．Enter=確定｜Esc=ｷｬﾝｾﾙ", c.index);
    {
        busy_guard busy(BUSY_MOUSE);
        if (!edit_entry_in_list(c.id, c.index, nullptr)) return;
    }
    reload_at_first_shown();
    pack_archive_again();
}

COMMAND_ACTION(act_edit_text) { edit_small_text(c.index); }
COMMAND_ACTION(act_shell_verb) { open_entry_with_program(c.index, c.id - CM_SHELL_VERB_FIRST); }

COMMAND_ACTION(act_send_to)
{
    if (c.index >= 0 && c.index < L.count && L.names) run_send_to(c.id, L.names[c.index]);
}

COMMAND_ACTION(act_copy_full) { copy_image_full_size(c.index); }
COMMAND_ACTION(act_copy_shown)
{
    if (viewer_now.mode == VIEWER_MODE_LIST)
        copy_cell_picture(c.index);
    else
        copy_image_shown(viewer_state);
}
COMMAND_ACTION(act_view_one) { view_one_image(viewer_state, c.index); }
COMMAND_ACTION(act_view_full) { enter_fullscreen(viewer_state, c.index); }

COMMAND_ACTION(act_toggle_mark)
{
    int i = target_index(c);
    if (i < 0) return;
    busy_guard busy(BUSY_PLAIN);
    change_selection(c.id, i);
}

COMMAND_ACTION(act_select_range)
{
    int i = target_index(c);
    if (i < 0) return;
    busy_guard busy(BUSY_PLAIN);
    change_selection(c.id, i);
}

COMMAND_ACTION(act_rotate)
{
    char path[PATH_BUF], turned[PATH_BUF];
    if (!entry_full_path(c.index, path) || !rotated_name(path, c.id == CM_ROTATE_RIGHT ? -1 : 1, turned, sizeof turned))
        return;
    {
        busy_guard busy(BUSY_PLAIN);
        if (!rotate_by_rename(path, c.id == CM_ROTATE_RIGHT ? -1 : 1)) return;
    }
    reload_after_image_change(turned);
}
