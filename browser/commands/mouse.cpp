// The browser's mouse (see keys.h): the help line on every move, the rules of
// the left button, double click and right button in the list and in the
// viewer, the toolbar line's clicks and the entry's popup menu.
#include "browser/commands/keys.h"
#include "browser/commands/instances.h"
#include "browser/model/browser_list.h"
#include "browser/model/busy.h"
#include "browser/operations/entry_ops.h"
#include "browser/operations/file_clipboard.h"
#include "browser/model/file_kind.h"
#include "browser/grid/grid.h"
#include "browser/grid/list_view.h"
#include "browser/commands/toolbar.h"
#include "browser/commands/commands.h"
#include "browser/operations/batch_rename.h"
#include "browser/archives/archive_folder.h"
#include "browser/model/paths.h"
#include "browser/grid/selection.h"
#include "browser/model/start.h"
#include "browser/commands/window_hook.h"
#include "files/files.h"
#include "browser/model/history.h"
#include "browser/viewer/viewer.h"
#include "graphics/kavtrel.h"
#include <cstring>

static browser_list_record& L = browser_list;

enum { HELP_BUF = 512 };

static bool held(int key) { return GetKeyState(key) < 0; }
static int mode() { return viewer_now.mode; }

static bool from_browser(HWND window)
{
    return window && (window == page_drawing_window(L.page) || window == _page_hwnd(L.page) ||
                      window == page_drawing_window(2) || window == _page_hwnd(2));
}

static void repost_move(HWND window, WPARAM flags, LPARAM position)
{
    PostMessageA(window, WM_MOUSEMOVE, flags, position);
}

// The help line ----------------------------------------------------------------

static void one_image_help(HWND window, WPARAM flags, LPARAM position, char* help, char* kind)
{
    hit_record hit = {};
    hit.x = short(LOWORD(position));
    hit.y = short(HIWORD(position));
    bool marked = is_marked(viewer_now.current_index) != 0;
    if ((flags & MK_CONTROL) && (flags & MK_SHIFT))
        text_copy(help, HELP_BUF, "Shift+Ctrl+ｸﾘｯｸ=ここまで選択");
    else if (flags & MK_CONTROL)
        text_copy(help, HELP_BUF,
                  marked ? "Ctrl+ｸﾘｯｸ=選択解除｜Shift+Ctrl+ｸﾘｯｸ=ここまで選択"
                         : "Ctrl+ｸﾘｯｸ=選択｜Shift+Ctrl+ｸﾘｯｸ=ここまで選択");
    else if (in_top_left_quarter(window, hit))
        text_copy(help, HELP_BUF, "ここでｸﾘｯｸ,Esc=一覧画面へ");
    else if (L.count >= 2) {
        text_copy(
            help, HELP_BUF,
            in_upper_half(window, hit)
                ? "(Alt+)ｸﾘｯｸ=前(選択)へ｜(Alt+)ﾀﾞﾌﾞﾙｸﾘｯｸ=(選択)ｽﾗｲﾄﾞｼｮｰ｜右ｸﾘｯｸ,App,M=ﾒﾆｭｰ｜Ctrl+ｸﾘｯｸ=選択/解除"
                : "(Alt+)ｸﾘｯｸ=次(選択)へ｜(Alt+)ﾀﾞﾌﾞﾙｸﾘｯｸ=(選択)ｽﾗｲﾄﾞｼｮｰ｜右ｸﾘｯｸ,App,M=ﾒﾆｭｰ｜Ctrl+ｸﾘｯｸ=選択/解除");
        text_copy(kind, HELP_BUF, "左上でｸﾘｯｸ,Esc=一覧");
    }
}

int browser_mousemove(HWND window, WPARAM flags, LPARAM position)
{
    if (!from_browser(window)) return 0;
    bool full = viewer_now.full_screen != 0;
    if (!full && GetActiveWindow() != GetAncestor(window, GA_ROOT)) return 0;
    char help[HELP_BUF] = "", kind[HELP_BUF] = "";
    int m = mode();
    bool kind_set = true;
    if (m >= 2) {
        text_format_cut(help, sizeof help, "ｽﾗｲﾄﾞｼｮｰ(%3.1f秒間隔%s)  ｸﾘｯｸかESCで停止．", viewer_state.interval / 10.0,
                        viewer_state.nonstop ? "-繰り返し" : "");
        kind_set = false;
    } else if (bar_help_text(window, position, help, sizeof help)) {
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        kind_set = false;
    } else if (m == 0) {
        list_help_texts(window, position, help, kind, sizeof help);
    } else if (L.count > 0) {
        one_image_help(window, flags, position, help, kind);
        kind_set = kind[0] != 0;
    }
    if (kind_set) _status_text(L.page, "%s", kind);
    _status_printf(L.page, "%s", help);
    return 0;
}

// The toolbar line -----------------------------------------------------------------

static void button_click(HWND window, int n)
{
    int m = mode();
    switch (n) {
    case 1: SendMessageA(window, WM_COMMAND, CM_PARENT, 0); return;
    case 2: SendMessageA(window, WM_COMMAND, CM_IMAGES_ONLY, 0); return;
    case 3:
        if (m == 0)
            SendMessageA(window, WM_COMMAND, CM_FULL_SIZE, 0);
        else if (m == 1 && viewer_state.actual_view)
            SendMessageA(page_drawing_window(L.page), WM_COMMAND, CM_VIEW_ONE, 0);
        return;
    case 4: PostMessageA(window, WM_COMMAND, CM_BIGGER, 0); return;
    case 5: PostMessageA(window, WM_COMMAND, CM_SMALLER, 0); return;
    default: break;
    }
    int k = n - 5;
    if (m == 0 && k == 1)
        open_viewer(L.first_row * L.columns, 0, 0);
    else if (m == 0)
        SendMessageA(window, WM_COMMAND, CM_FULL_SIZE + k, 0);
    else if (m == 1 && k <= 4)  // the strip's zoom steps /1, /2, /4, /8
        SendMessageA(window, WM_COMMAND, CM_ZOOM_BASE + (1 << (k - 1)), 0);
}

int on_toolbar_click(HWND window, LPARAM position, WPARAM flags)
{
    toolbar_hit hit = toolbar_hit_at(short(LOWORD(position)), short(HIWORD(position)));
    bool ctrl = (flags & MK_CONTROL) != 0;
    switch (hit.kind) {
    case BAR_BUTTON: button_click(window, hit.number); return 1;
    case BAR_LEFT_MARGIN: return 1;
    case BAR_PATH_SEGMENT: goto_path_segment(hit.number, flags); return 1;
    case BAR_HISTORY_BACK: SendMessageA(window, WM_COMMAND, CM_HISTORY_BACK, 0); return 1;
    case BAR_HISTORY_FORWARD: SendMessageA(window, WM_COMMAND, CM_HISTORY_FORWARD, 0); return 1;
    case BAR_SPECIAL:
        if (hit.number == 4)
            SendMessageA(window, WM_COMMAND, CM_FOLDER_TREE, 0);
        else
            goto_special_folder(flags, hit.number);
        return 1;
    case BAR_TREE_SWITCH:
        if (ctrl)
            open_folder_on_ctrl_release(current_folder.folder);
        else if (mode() == 0)
            confirm_expand_all(-1, 1);
        return 1;
    case BAR_TREE_LEVEL: confirm_expand_all(hit.number > 0 ? hit.number - 1 : tree_expansion() + 1, 1); return 1;
    default: return 0;
    }
}

// The left button ---------------------------------------------------------------

static void mark_click(WPARAM flags, int index)
{
    int viewer_shown = 0;
    if ((flags & MK_CONTROL) && (flags & MK_SHIFT))
        viewer_shown = select_range_to(index);
    else if (flags & MK_CONTROL)
        viewer_shown = toggle_mark(index);
    if (viewer_shown) redraw_viewer_status(viewer_state);
}

// Shift+click on the gap between two cells: the marked entries move there by
// their number prefixes.
static void move_marked_to_gap(int gap_index)
{
    busy_guard busy(BUSY_WAIT);
    if (!archive_change_allowed() || !move_selection_numbered(gap_index)) return;
    L.sort_key[0] = 0;
    L.sort_direction = 1;
    load_folder(nullptr, 0, L.first_row * L.columns, nullptr, 0);
    write_back_archive(nullptr);
}

static void list_background_click(HWND window, WPARAM flags, hit_record* hit)
{
    bool shift = flags & MK_SHIFT, ctrl = flags & MK_CONTROL;
    if (L.tree_depth == 0 && L.selected_count > 0 && near_cell_gap(hit)) {
        if (shift && !ctrl) move_marked_to_gap(hit->gap_index);
        return;
    }
    if (shift || ctrl) return;
    if (in_first_cell_corner(*hit)) {
        if (!current_folder.desktop_exact) SendMessageA(window, WM_COMMAND, CM_PARENT, 0);
        return;
    }
    if (L.count <= L.per_page) return;
    bool upper = in_upper_half(window, *hit) != 0;
    if (held(VK_MENU)) {
        PostMessageA(window, WM_COMMAND, upper ? CM_PREVIOUS_SELECTED_PAGE : CM_NEXT_SELECTED_PAGE, 0);
        return;
    }
    if (upper ? page_back() : page_forward()) redraw_list(1, 1, 0, 1);
}

static int list_left_button(HWND window, WPARAM flags, LPARAM position)
{
    hit_record hit;
    hit_test_list_cell(position, &hit);
    if (near_cell_centre(hit)) {
        if ((flags & MK_SHIFT) && !(flags & MK_CONTROL))
            move_selected_into(hit.index);
        else
            mark_click(flags, hit.index);
        return 1;
    }
    if (on_toolbar_click(window, position, flags)) return 0;
    list_background_click(window, flags, &hit);
    return 1;
}

static int image_left_button(HWND window, WPARAM flags, LPARAM position)
{
    if (on_toolbar_click(window, position, flags)) return 0;
    if (flags & MK_CONTROL) {
        mark_click(flags, viewer_now.current_index);
        return 1;
    }
    hit_record hit = {};
    hit.x = short(LOWORD(position));
    hit.y = short(HIWORD(position));
    if (in_top_left_quarter(window, hit)) {
        SendMessageA(window, WM_COMMAND, CM_BACK_TO_LIST, 0);
        return 1;
    }
    bool upper = in_upper_half(window, hit) != 0, alt = held(VK_MENU);
    if (_wait_double_click(WM_LBUTTONDOWN, window)) return 1;
    // With Alt the click alone goes to a marked entry; the stepping keys stay as they were.
    if (alt)
        SendMessageA(window, WM_COMMAND, upper ? CM_PREVIOUS_SELECTED_PAGE : CM_NEXT_SELECTED_PAGE, 0);
    else
        viewer_step(viewer_state, upper ? -1 : 1);
    return 1;
}

int on_list_left_button(HWND window, WPARAM flags, LPARAM position)
{
    if (!from_browser(window)) return 0;
    int m = mode(), again = 1;
    if (m == 0)
        again = list_left_button(window, flags, position);
    else if (m == 1 && !viewer_now.full_screen)
        again = image_left_button(window, flags, position);
    else if (m >= 2)
        viewer_now.mode = VIEWER_MODE_ONE;  // the click ends the slide show
    if (again) repost_move(window, flags, position);
    return 0;
}

// Double click -------------------------------------------------------------------

// Enters a folder, drive or archive entry: the history remembers where the
// list was, and the new folder opens where its history says.
static void enter_entry(const file_kind_base* target)
{
    char path[PATH_BUF];
    if (!target->name(path)) return;
    history_push(0, 0);
    if (!change_folder(path)) return;
    load_folder(nullptr, 0, history_push_entered(), nullptr, 0);
}

// 1 when name ends in tail at a character start, ignoring case.
static bool ends_with_ci(const char* name, const char* tail)
{
    size_t n = strlen(name), t = strlen(tail);
    if (n < t) return false;
    const char* p = name;
    while (*p && size_t(p - name) < n - t) p = mb_next(p);
    return size_t(p - name) == n - t && text_equal_ci(p, tail);
}

// A script file opens a window of its own, which runs it.
static void open_script_window(int index)
{
    char path[PATH_BUF];
    if (entry_full_path(index, path)) open_new_window_for_path(path);
}

static void list_double_click(HWND window, WPARAM flags, LPARAM position)
{
    hit_record hit;
    hit_test_list_cell(position, &hit);
    if (!near_cell_centre(hit)) return;
    file_kind* k = list_entry_kind(hit.index);
    const file_kind_base* t = k->target();
    if (!t->plain || t->archive)
        enter_entry(t);
    else if (t->image_kind)
        open_viewer(hit.index, 0, 0);
    else if (ends_with_ci(L.names[hit.index], ".a.txt"))
        open_script_window(hit.index);
    else
        open_entry_with_program(hit.index, -1);
    (void)window;
    (void)flags;
}

static void image_double_click(HWND window, LPARAM position)
{
    if (viewer_now.mode >= 2) return;
    hit_record hit = {};
    hit.y = short(HIWORD(position));
    int direction = in_upper_half(window, hit) ? -1 : 1;
    bool full = viewer_now.full_screen != 0;
    if (full) ShowCursor(FALSE);
    start_slide_show(viewer_state, held(VK_MENU), direction);
    if (full) ShowCursor(TRUE);
}

int on_list_double_click(HWND window, WPARAM flags, LPARAM position)
{
    if (!from_browser(window) || L.count <= 0) return 0;
    int m = mode();
    if (m == 0)
        list_double_click(window, flags, position);
    else if (m == 1)
        image_double_click(window, position);
    if (m == 0) repost_move(window, flags, position);
    return 0;
}

// The right button and the popup menu ---------------------------------------------

void entry_popup_menu(HMENU menu, HWND window)
{
    busy_begin();
    POINT p;
    GetCursorPos(&p);
    int id = TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_RIGHTBUTTON, p.x, p.y, window, nullptr);
    busy_reset();
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    EnableWindow(GetAncestor(window, GA_ROOT), TRUE);
    if (id) PostMessageA(window, WM_COMMAND, id, 0);
    DestroyMenu(menu);
}

int on_list_right_button(WPARAM, HWND window)
{
    if (!from_browser(window)) return 0;
    POINT p;
    if (!GetCursorPos(&p) || !ScreenToClient(window, &p)) return 0;
    LPARAM position = MAKELPARAM(p.x, p.y);
    toolbar_hit bar = toolbar_hit_at(p.x, p.y);
    HMENU menu = CreatePopupMenu();
    if (!menu) return 0;
    int m = mode();
    if (m == 0) {
        hit_record hit;
        hit_test_list_cell(position, &hit);
        if (near_cell_centre(hit)) {
            window_hook_state.command_index = hit.index;
            fill_file_context_menu(menu, hit.index);
        } else if (bar.kind == BAR_PATH_SEGMENT) {
            path_segment_menu(bar.number, menu);
        } else {
            build_history_menu(menu);
        }
    } else if (m == 1 && !viewer_now.full_screen && L.count > 0) {
        window_hook_state.command_index = viewer_now.current_index;
        if (bar.kind == BAR_PATH_SEGMENT)
            path_segment_menu(bar.number, menu);
        else
            fill_file_context_menu(menu, window_hook_state.command_index);
    } else {
        DestroyMenu(menu);
        return 0;
    }
    entry_popup_menu(menu, window);
    return 0;
}
