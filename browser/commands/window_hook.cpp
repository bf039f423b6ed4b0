// The application's window hook (see window_hook.h). The order of the checks
// matters: the slide show takes every message, then the busy state keeps
// commands, keys and clicks out, then an open menu, then activation.
#include "browser/model/window_hook.h"
#include "browser/model/browser_list.h"
#include "browser/model/busy.h"
#include "browser/model/paths.h"
#include "browser/model/scan.h"
#include "browser/grid/list_view.h"
#include "browser/viewer/scroll_view.h"
#include "browser/viewer/viewer.h"
#include "graphics/kavtrel.h"

namespace {
int zero() { return 0; }
int not_handled(HWND, UINT, WPARAM, LPARAM) { return 0; }
int not_dispatched(int, HWND, UINT, WPARAM, LPARAM) { return 0; }
void nothing() {}
}  // namespace

browser_ui_hook_table browser_ui_hooks = {
    .viewer_mode = zero,
    .viewer_full_screen = zero,
    .viewer_index = zero,
    .viewer_message = not_handled,
    .key_down = not_handled,
    .mouse_move = not_handled,
    .left_down = not_handled,
    .left_double = not_handled,
    .right_down = not_handled,
    .dispatch = not_dispatched,
    .init_menu_popup = not_handled,
    .redraw_list = nothing,
    .scroll_view_open = zero,
};

window_hook_state_record window_hook_state;

HWND page_client_window(int page) { return page_drawing_window(page); }

static bool is_list_window(HWND window)
{
    HWND client = page_client_window(browser_list.page);
    return window && (window == client || window == _page_hwnd(browser_list.page));
}

static bool cursor_inside(HWND window)
{
    POINT p;
    RECT r;
    return window && GetCursorPos(&p) && GetWindowRect(window, &r) && PtInRect(&r, p);
}

static int on_busy(HWND w, UINT m, WPARAM wp, LPARAM lp, bool* handled)
{
    *handled = true;
    if (busy_state.wait) {
        SetCursor(LoadCursor(nullptr, IDC_WAIT));
        return 0;
    }
    if (m == WM_MOUSEMOVE) return busy_state.mouse ? 0 : browser_ui_hooks.mouse_move(w, m, wp, lp);
    if (m == WM_MENUSELECT) {
        *handled = false;
        return 0;
    }
    return 0;
}

static void on_activate(HWND w, WPARAM wp)
{
    ime_off();
    if (busy_state.counter == 0 && browser_ui_hooks.viewer_mode() == 0 && list_shown_entries_changed())
        load_folder(nullptr, 0, browser_list.columns * browser_list.first_row, nullptr, 0);
    if (LOWORD(wp) == WA_CLICKACTIVE && cursor_inside(_page_hwnd(browser_list.page)))
        window_hook_state.click_activated = 1;
}

static int on_size(HWND w, WPARAM wp, LPARAM lp)
{
    if (wp == SIZE_MINIMIZED || !is_list_window(w) || (LOWORD(lp) == 0 && HIWORD(lp) == 0)) return 0;
    int mode = browser_ui_hooks.viewer_mode();
    if (mode == 0) {
        _selectpage(0, browser_list.page);
        _clearscreen(2);
        PostMessageA(w, WM_COMMAND, CM_DEFERRED_LAYOUT, 0);
    } else if (mode == 1) {
        close_actual_view(viewer_state);  // the view follows the window: closed, the picture made again
        _selectpage(0, browser_list.page);
        _clearscreen(2);
        PostMessageA(w, WM_COMMAND, CM_DEFERRED_LAYOUT, 1);
    }
    return 0;
}

static int on_command(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (wp != CM_DEFERRED_LAYOUT) return browser_ui_hooks.dispatch(window_hook_state.command_index, w, m, wp, lp), 0;
    _pump();
    if (lp == 0) {
        on_size_relayout(browser_list.first_row * browser_list.columns);
    } else {
        busy_guard busy(BUSY_WAIT);
        busy_reset();
        busy_begin_wait();
        viewer_state.shown_index = -1;
        viewer_show_entry(viewer_state, viewer_state.current_index);
    }
    return 1;
}

static int on_syscommand(WPARAM wp)
{
    int mode = browser_ui_hooks.viewer_mode();
    bool full = browser_ui_hooks.viewer_full_screen() != 0;
    switch (wp & 0xFFF0) {
    case SC_SCREENSAVE:
        if (!full) return 0;
        if (mode == 2) return 1;
        ShowCursor(FALSE);
        if (leave_fullscreen(viewer_state)) browser_ui_hooks.redraw_list();
        _hide_fullscreen_pages();
        ShowCursor(TRUE);
        return 0;
    case SC_MONITORPOWER: return mode == 2 ? 1 : 0;
    case SC_KEYMENU: return full ? 1 : 0;
    default: return 0;
    }
}

static int on_vscroll(HWND w, WPARAM wp)
{
    int mode = browser_ui_hooks.viewer_mode();
    if (!is_list_window(w) || browser_list.count <= 0 || mode >= 2) return 0;
    int position = list_scroll_position(wp);
    if (position < 0) return 0;
    if (mode == 0) {
        int row = position * browser_list.rows;
        if (row != browser_list.first_row) {
            browser_list.first_row = row;
            browser_ui_hooks.redraw_list();
        }
    } else if (browser_ui_hooks.viewer_index() != position) {
        viewer_show_entry(viewer_state, position);
    }
    if (LOWORD(wp) == SB_THUMBTRACK) set_browser_title(position + 1);
    return 0;
}

// Input that a handler acts on reads the entries' names: the first listed
// files still to be found are found first. Drawing, scrolling and mouse moves
// find those of the entries they touch themselves.
static bool reads_entry_names(UINT m, WPARAM wp)
{
    switch (m) {
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_INITMENUPOPUP: return true;
    case WM_COMMAND: return wp != CM_DEFERRED_LAYOUT;
    default: return false;
    }
}

int app_wndproc_hook(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    const browser_ui_hook_table& ui = browser_ui_hooks;
    int mode = ui.viewer_mode();
    if (mode == 1 && !ui.viewer_full_screen()) window_hook_state.command_index = ui.viewer_index();
    if (mode >= 2) return ui.viewer_message(w, m, wp, lp);
    if (busy_state.counter > 0) {
        bool handled;
        int result = on_busy(w, m, wp, lp, &handled);
        if (handled) return result;
    }
    if (m == WM_ENTERMENULOOP) {
        window_hook_state.in_menu = 1;
        return 0;
    }
    if (m == WM_EXITMENULOOP) {
        window_hook_state.in_menu = 0;
        return 0;
    }
    if (window_hook_state.in_menu && m != WM_MENUSELECT && m != WM_INITMENUPOPUP) return 0;
    if (m == WM_ACTIVATE) {
        on_activate(w, wp);
        return 0;
    }
    if (window_hook_state.click_activated && (m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN)) {
        window_hook_state.click_activated = 0;
        return 0;
    }
    if (reads_entry_names(m, wp)) find_all_first_files();
    switch (m) {
    case WM_SIZE: return on_size(w, wp, lp);
    case WM_KEYDOWN: return ui.key_down(w, m, wp, lp);
    case WM_KEYUP:
        if (mode < 2) update_cursor();
        if (mode == 1 && ui.scroll_view_open() && viewer_state.actual_view) viewer_state.actual_view->scrolling = 0;
        return 0;
    case WM_COMMAND:
    case WM_MENUSELECT: return on_command(w, m, wp, lp);
    case WM_SYSCOMMAND: return on_syscommand(wp);
    case WM_VSCROLL: return on_vscroll(w, wp);
    case WM_INITMENUPOPUP: return ui.init_menu_popup(w, m, wp, lp);
    case WM_MOUSEMOVE: return ui.mouse_move(w, m, wp, lp);
    case WM_LBUTTONDOWN: return ui.left_down(w, m, wp, lp);
    case WM_LBUTTONUP: PostMessageA(w, WM_MOUSEMOVE, wp, lp); return 0;
    case WM_LBUTTONDBLCLK: return ui.left_double(w, m, wp, lp);
    case WM_RBUTTONDOWN: return ui.right_down(w, m, wp, lp);
    default: return 0;
    }
}
