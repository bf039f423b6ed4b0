// The application's window hook (see window_hook.h). The order of the checks
// matters: the slide show takes every message, then the busy state keeps
// commands, keys and clicks out, then an open menu, then activation.
#include "browser/commands/window_hook.h"
#include "browser/commands/commands.h"
#include "browser/commands/keys.h"
#include "browser/model/browser_list.h"
#include "browser/model/busy.h"
#include "browser/model/paths.h"
#include "browser/model/scan.h"
#include "browser/grid/list_view.h"
#include "browser/viewer/scroll_view.h"
#include "browser/viewer/viewer.h"
#include "graphics/kavtrel.h"

window_hook_state_record window_hook_state;

static bool is_list_window(HWND window)
{
    HWND client = page_drawing_window(browser_list.page);
    return window && (window == client || window == _page_hwnd(browser_list.page));
}

static bool cursor_inside(HWND window)
{
    POINT p;
    RECT r;
    return window && GetCursorPos(&p) && GetWindowRect(window, &r) && PtInRect(&r, p);
}

static void on_activate(HWND w, WPARAM wp)
{
    ime_off();
    if (busy_state.counter == 0 && viewer_now.mode == 0)
        follow_list_change(list_shown_entries_changed(), browser_list.columns * browser_list.first_row);
    if (LOWORD(wp) == WA_CLICKACTIVE && cursor_inside(_page_hwnd(browser_list.page)))
        window_hook_state.click_activated = 1;
}

static int on_size(HWND w, WPARAM wp, LPARAM lp)
{
    if (wp == SIZE_MINIMIZED || !is_list_window(w) || (LOWORD(lp) == 0 && HIWORD(lp) == 0)) return 0;
    int mode = viewer_now.mode;
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
    if (wp != CM_DEFERRED_LAYOUT) return browser_command(window_hook_state.command_index, w, m, wp, lp), 0;
    _pump();
    if (lp == 0) {
        on_size_relayout(browser_list.first_row * browser_list.columns);
    } else {
        busy_guard busy(BUSY_WAIT);
        busy_reset();
        busy_begin_wait();
        viewer_state.shown_index = -1;
        viewer_show_entry(viewer_state, viewer_now.current_index);
    }
    return 1;
}

static int on_syscommand(WPARAM wp)
{
    int mode = viewer_now.mode;
    bool full = viewer_now.full_screen != 0;
    switch (wp & 0xFFF0) {
    case SC_SCREENSAVE:
        if (!full) return 0;
        if (mode == 2) return 1;
        ShowCursor(FALSE);
        if (leave_fullscreen(viewer_state)) redraw_whole_list();
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
    int mode = viewer_now.mode;
    if (!is_list_window(w) || browser_list.count <= 0 || mode >= 2) return 0;
    int position = list_scroll_position(wp);
    if (position < 0) return 0;
    if (mode == 0) {
        int row = position * browser_list.rows;
        if (row != browser_list.first_row) {
            browser_list.first_row = row;
            redraw_whole_list();
        }
    } else if (viewer_now.current_index != position) {
        viewer_show_entry(viewer_state, position);
    }
    if (LOWORD(wp) == SB_THUMBTRACK) set_browser_title(position + 1);
    return 0;
}

// Input that a handler acts on reads the entries' names: the first listed
// files still to be found are found first. Drawing, scrolling and mouse moves
// find those of the entries they touch themselves.
static bool reads_entry_names(window_hook_target t, WPARAM wp)
{
    switch (t) {
    case HOOK_KEY_DOWN:
    case HOOK_LEFT_DOWN:
    case HOOK_LEFT_DOUBLE:
    case HOOK_RIGHT_DOWN:
    case HOOK_MENU_POPUP: return true;
    case HOOK_COMMAND: return wp != CM_DEFERRED_LAYOUT;
    default: return false;
    }
}

// The handler of each message the browser's grid, viewer and menus take.
static window_hook_target handler_of(UINT m)
{
    switch (m) {
    case WM_SIZE: return HOOK_SIZE;
    case WM_KEYDOWN: return HOOK_KEY_DOWN;
    case WM_KEYUP: return HOOK_KEY_UP;
    case WM_COMMAND: return HOOK_COMMAND;
    case WM_MENUSELECT: return HOOK_MENU_SELECT;
    case WM_SYSCOMMAND: return HOOK_SYSCOMMAND;
    case WM_VSCROLL: return HOOK_VSCROLL;
    case WM_INITMENUPOPUP: return HOOK_MENU_POPUP;
    case WM_MOUSEMOVE: return HOOK_MOUSE_MOVE;
    case WM_LBUTTONDOWN: return HOOK_LEFT_DOWN;
    case WM_LBUTTONUP: return HOOK_LEFT_UP;
    case WM_LBUTTONDBLCLK: return HOOK_LEFT_DOUBLE;
    case WM_RBUTTONDOWN: return HOOK_RIGHT_DOWN;
    default: return HOOK_DEFAULT;
    }
}

window_hook_target window_hook_target_of(UINT m)
{
    if (viewer_now.mode >= VIEWER_MODE_SLIDE) return HOOK_SLIDE_SHOW;
    if (busy_state.counter > 0) {
        // Busy: mouse moves still reach the help line unless the mouse is
        // kept out too; menu item help is still shown; nothing else starts.
        if (busy_state.wait) return HOOK_WAIT_CURSOR;
        if (m == WM_MOUSEMOVE) return busy_state.mouse ? HOOK_DEFAULT : HOOK_MOUSE_MOVE;
        if (m != WM_MENUSELECT) return HOOK_DEFAULT;
    }
    if (m == WM_ENTERMENULOOP || m == WM_EXITMENULOOP) return HOOK_MENU_LOOP;
    if (window_hook_state.in_menu && m != WM_MENUSELECT && m != WM_INITMENUPOPUP) return HOOK_DEFAULT;
    if (m == WM_ACTIVATE) return HOOK_ACTIVATE;
    if (window_hook_state.click_activated && (m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN)) return HOOK_ACTIVATING_CLICK;
    return handler_of(m);
}

// A slide show's messages: the menu bar's popups still show their state
// unless the show is starting or fills the screen.
static int on_slide_show(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_INITMENUPOPUP && viewer_now.mode != VIEWER_MODE_STARTING && !viewer_now.full_screen)
        on_init_menu_popup(w, wp, lp);
    return viewer_msg_hook(m, wp, viewer_state, lp);
}

int app_wndproc_hook(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    int mode = viewer_now.mode;
    if (mode == VIEWER_MODE_ONE && !viewer_now.full_screen) window_hook_state.command_index = viewer_now.current_index;
    window_hook_target target = window_hook_target_of(m);
    if (busy_state.counter > 0 && m == WM_COMMAND && LOWORD(wp) == CM_RELOAD) busy_state.reload_waiting = 1;
    if (busy_state.counter > 0 && m == WM_KEYDOWN && wp == VK_ESCAPE) busy_state.escape = 1;
    if (reads_entry_names(target, wp)) find_all_first_files();
    switch (target) {
    case HOOK_DEFAULT: return 0;
    case HOOK_SLIDE_SHOW: return on_slide_show(w, m, wp, lp);
    case HOOK_WAIT_CURSOR: SetCursor(LoadCursor(nullptr, IDC_WAIT)); return 0;
    case HOOK_MENU_LOOP: window_hook_state.in_menu = m == WM_ENTERMENULOOP; return 0;
    case HOOK_ACTIVATE: on_activate(w, wp); return 0;
    case HOOK_ACTIVATING_CLICK: window_hook_state.click_activated = 0; return 0;
    case HOOK_SIZE: return on_size(w, wp, lp);
    case HOOK_KEY_DOWN: return browser_keydown(w, int(wp));
    case HOOK_KEY_UP:
        if (mode < VIEWER_MODE_SLIDE) update_cursor();
        if (mode == VIEWER_MODE_ONE && viewer_state.actual_view) viewer_state.actual_view->scrolling = 0;
        return 0;
    case HOOK_COMMAND:
    case HOOK_MENU_SELECT: return on_command(w, m, wp, lp);
    case HOOK_SYSCOMMAND: return on_syscommand(wp);
    case HOOK_VSCROLL: return on_vscroll(w, wp);
    case HOOK_MENU_POPUP: return on_init_menu_popup(w, wp, lp);
    case HOOK_MOUSE_MOVE: return browser_mousemove(w, wp, lp);
    case HOOK_LEFT_DOWN: return on_list_left_button(w, wp, lp);
    case HOOK_LEFT_UP: PostMessageA(w, WM_MOUSEMOVE, wp, lp); return 0;
    case HOOK_LEFT_DOUBLE: return on_list_double_click(w, wp, lp);
    case HOOK_RIGHT_DOWN: return on_list_right_button(wp, w);
    }
    return 0;
}
