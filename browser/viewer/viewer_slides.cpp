// Slide shows: the wait between pictures (short sleeps on the one thread,
// pumping between them), the run with its stop rule, the plain, full-screen
// and random shows, the message hook that ends a show on a key or click, the
// interval dialog, and the viewer's slots in the browser's hook tables.
#include "browser/viewer/viewer.h"
#include "browser/grid/toolbar.h"
#include "browser/model/browser_list.h"
#include "browser/model/busy.h"
#include "browser/grid/grid.h"
#include "browser/grid/list_view.h"
#include "browser/viewer/scroll_view.h"
#include "graphics/kavtrel.h"
#include <cstdlib>

static browser_list_record& L = browser_list;
static int pending_index = -1;  // the picture the wait prepares, -1: none
static int quit_waiting;        // a quit message was put back for the main loop

int viewer_loop_may_go_on()
{
    MSG m;
    // The quit message stays for the main loop, which ends the program; the
    // pump would end the process at once instead.
    if (PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        PostQuitMessage(int(m.wParam));
        quit_waiting = 1;
        return 0;
    }
    if (close_requested()) return 0;
    return _page_hwnd(L.page) != nullptr;
}

int wait_slide_interval(viewer_state_record& v)
{
    if (pending_index >= 0 && v.shown_index != pending_index) prepare_fullscreen_image(v, pending_index);
    while (viewer_now.mode == VIEWER_MODE_SLIDE) {
        // Tenths of a second: whole seconds would stretch a 0.5 s interval to 1 s.
        int elapsed = int((viewer_clock.now() - v.slide_start) / 100);
        if (elapsed >= v.interval) break;
        if (!viewer_now.full_screen) _progress(L.page, elapsed, 0, v.interval);
        viewer_clock.sleep(100);
        if (!viewer_loop_may_go_on()) {
            viewer_now.mode = VIEWER_MODE_ONE;
            break;
        }
        _pump();
    }
    if (!viewer_now.full_screen && _page_hwnd(L.page)) _progress(L.page, 0, 0, 0);
    return viewer_now.mode == VIEWER_MODE_SLIDE;
}

static int shown_page() { return viewer_now.full_screen ? VIEWER_PAGE : L.page; }

static void redraw_lines(viewer_state_record& v)
{
    if (viewer_now.full_screen)
        draw_viewer_status(v, viewer_now.current_index, 0);
    else {
        viewer_now.zoom_step = viewer_zoom_step(v);
        draw_toolbar();
    }
    _selectpage(0, shown_page());
}

void run_slide_show(viewer_state_record& v, int direction)
{
    quit_waiting = 0;
    viewer_now.mode = VIEWER_MODE_STARTING;
    _pump();
    viewer_now.mode = VIEWER_MODE_SLIDE;
    redraw_lines(v);
    if (!viewer_now.full_screen) update_cursor();
    _pump();
    v.slide_start = viewer_clock.now();
    bool wraps = v.nonstop || (v.random_placement && v.random_step);
    pending_index = next_slide_index(v, direction);
    while (wait_slide_interval(v)) {
        int next = pending_index;
        if (!wraps && ((direction > 0 && viewer_now.current_index >= next) ||
                       (direction < 0 && viewer_now.current_index <= next)))
            break;
        if (v.shown_index != next) prepare_fullscreen_image(v, next);
        show_slide(v);
        pending_index = next_slide_index(v, direction);
    }
    pending_index = -1;
    viewer_now.mode = VIEWER_MODE_ONE;
    v.selected_only = 0;
    if (quit_waiting || close_requested() || !_page_hwnd(L.page)) return;
    redraw_lines(v);
    _pump();
    if (!viewer_now.full_screen) update_cursor();
}

void start_slide_show(viewer_state_record& v, int selected_only, int direction)
{
    if (v.actual_view) return;
    if (selected_only && L.selected_count <= 0) return;
    v.random_step = 0;
    v.selected_only = selected_only;
    bool hide = viewer_now.full_screen != 0;
    if (hide) ShowCursor(FALSE);
    run_slide_show(v, direction);
    if (hide) ShowCursor(TRUE);
    v.selected_only = 0;
}

static void leave_after_show(viewer_state_record& v)
{
    viewer_now.mode = VIEWER_MODE_ONE;
    if (leave_fullscreen(v)) redraw_whole_list();
    _hide_fullscreen_pages();
}

void fullscreen_slide_show(viewer_state_record& v, int index)
{
    if (L.count <= 0) return;
    if (v.selected_only && L.marks && index >= 0 && index < L.count && !L.marks[index])
        index = next_selected_index(index);
    ShowCursor(FALSE);
    enter_fullscreen(v, index);
    run_slide_show(v, 1);
    leave_after_show(v);
    ShowCursor(TRUE);
}

void random_slide_show(viewer_state_record& v, int index)
{
    if (L.count <= 0) return;
    v.random_step = 1;
    v.selected_only = 0;
    v.random_placement = 1;
    ShowCursor(FALSE);
    enter_fullscreen(v, index);
    run_slide_show(v, 1);
    v.random_placement = 0;
    leave_after_show(v);
    v.random_step = 0;
    ShowCursor(TRUE);
}

int viewer_msg_hook(UINT message, WPARAM wparam, viewer_state_record& v, LPARAM)
{
    if (viewer_now.mode == VIEWER_MODE_STARTING) return 0;
    switch (message) {
    case WM_INITMENUPOPUP: {
        if (viewer_now.full_screen) return 0;
        // No command may run during a show.
        HMENU menu = reinterpret_cast<HMENU>(wparam);
        int n = GetMenuItemCount(menu);
        for (int i = 0; i < n; i++) EnableMenuItem(menu, UINT(i), MF_BYPOSITION | MF_GRAYED);
        return 1;
    }
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: viewer_now.mode = VIEWER_MODE_ONE; return 1;
    case WM_SYSCOMMAND: return viewer_now.full_screen && (wparam & 0xFFF0) == SC_SCREENSAVE ? 1 : 0;
    default: return 0;
    }
}

// The interval dialog -------------------------------------------------------------

enum { INTERVAL_DIALOG = 136, INTERVAL_EDIT = 1000 };

INT_PTR CALLBACK interval_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        char text[32];
        text_format_cut(text, sizeof text, "%3.1lf", *reinterpret_cast<int*>(lparam) / 10.0);
        SetDlgItemTextA(dialog, INTERVAL_EDIT, text);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK) {
            char text[64];
            GetDlgItemTextA(dialog, INTERVAL_EDIT, text, sizeof text);
            char* end = nullptr;
            double value = strtod(text, &end);
            if (end == text || !(value >= 0 && value < 100)) {
                kavtrel_message_box(dialog, "間隔は0～99秒の範囲で指定して下さい．", "範囲外の値", MB_OK);
                return TRUE;
            }
            *reinterpret_cast<int*>(GetWindowLongPtrA(dialog, DWLP_USER)) = int(value * 10);
            EndDialog(dialog, 1);
            return TRUE;
        }
        if (LOWORD(wparam) == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    default: return FALSE;
    }
}

int ask_slide_interval(int interval)
{
    HWND child = _page_hwnd(L.page);
    HWND owner = child ? GetParent(child) : nullptr;
    int value = interval;
    INT_PTR r = DialogBoxParamA(kavtrel_instance, MAKEINTRESOURCEA(INTERVAL_DIALOG), owner, interval_dialog_proc,
                                reinterpret_cast<LPARAM>(&value));
    return r == 1 ? value : -1;
}

static viewer_state_record& V = viewer_state;

// Entry i in the viewer, from the start-up options (/z one image, /r a slide
// show, /f full screen) and from the list.
void open_viewer(int i, int direction, int full)
{
    if (L.count <= 0) return;
    if (full) {
        if (direction)
            fullscreen_slide_show(V, i);
        else
            enter_fullscreen(V, i);
        return;
    }
    view_one_image(V, i);
    if (direction) start_slide_show(V, 0, direction);
}
