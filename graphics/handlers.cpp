// The window procedures of the console frame and of page windows, and the
// library's own handlers that run before the application's window hook.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"
#include "graphics/console.h"
#include <commctrl.h>
#include <cstdio>
#include <shellapi.h>

void (*scanner_unload_hook)();

static void console_layout(HWND frame)
{
    RECT rc;
    GetClientRect(frame, &rc);
    int bar_height = 0;
    if (console_statusbar) {
        SendMessageA(console_statusbar, WM_SIZE, 0, 0);
        int w = rc.right < 240 ? 240 : rc.right;
        int parts[3] = {w - 160, w - 60, w};
        SendMessageA(console_statusbar, SB_SETPARTS, 3, (LPARAM)parts);
        RECT sb;
        GetWindowRect(console_statusbar, &sb);
        bar_height = sb.bottom - sb.top;
    }
    if (console_edit) MoveWindow(console_edit, 0, 0, rc.right, rc.bottom - bar_height, TRUE);
}

static void console_destroyed()
{
    if (app_hooks.exit_hook) app_hooks.exit_hook();
    if (console_accel) DestroyAcceleratorTable(console_accel);
    console_accel = nullptr;
    pages_shutdown();
    console_destroy();
    if (scanner_unload_hook) scanner_unload_hook();
    _fcloseall();
    console_frame = nullptr;
    console_statusbar = nullptr;
    PostQuitMessage(0);
}

// Each handler below returns true when the message is done with (the
// window's result in *result), false when it goes on to the application's
// window hook and then to DefWindowProc, even after handling of our own.

// Closing, menu opening, Exit and Help, alike for the console and pages but
// for whether Help goes on.
static bool on_close(LRESULT* result)
{
    request_close();
    *result = 0;
    return true;
}

static bool on_init_menu_popup(WPARAM wparam)
{
    _update_window_menu((HMENU)wparam);
    return false;
}

static bool on_frame_command(WPARAM wparam, bool help_goes_on, LRESULT* result)
{
    if (LOWORD(wparam) == CMD_EXIT) return on_close(result);
    if (LOWORD(wparam) != CMD_HELP) return false;
    if (app_hooks.help_hook) app_hooks.help_hook();
    *result = 0;
    return !help_goes_on;
}

static bool on_frame_menu_message(UINT message, WPARAM wparam, LPARAM lparam, bool help_goes_on, LRESULT* result)
{
    switch (message) {
    case WM_CLOSE: return on_close(result);
    case WM_INITMENUPOPUP: return on_init_menu_popup(wparam);
    case WM_COMMAND: return on_frame_command(wparam, help_goes_on, result);
    case WM_ENTERIDLE: _announce_idle(); return false;
    case WM_SYSCOMMAND:
        if (!_alt_chord_menu_call(wparam, lparam)) return false;
        *result = 0;
        return true;
    }
    if (_take_idle_probe(message)) {
        *result = 0;
        return true;
    }
    return false;
}

static bool on_console_destroy(LRESULT* result)
{
    console_destroyed();
    *result = 0;
    return true;
}

static bool on_console_size(HWND window, LRESULT* result)
{
    console_layout(window);
    *result = 0;
    return true;
}

// The edit control takes the focus when the console is activated by other
// than a click; the activation itself goes on.
static bool on_console_activate(HWND window, WPARAM wparam)
{
    if (IsWindowVisible(window) && LOWORD(wparam) != WA_INACTIVE && HIWORD(wparam) == 0 && console_edit)
        SetFocus(console_edit);
    return false;
}

// However the console comes to be shown, its control is there; the showing goes on.
static bool on_console_show(WPARAM shown)
{
    if (shown) console_control();
    return false;
}

// The console frame itself draws nothing: its children cover it.
static bool on_empty_paint(HWND window, LRESULT* result)
{
    PAINTSTRUCT ps;
    BeginPaint(window, &ps);
    EndPaint(window, &ps);
    *result = 0;
    return true;
}

// The library's own handling of the console frame's messages.
static bool console_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result)
{
    switch (message) {
    case WM_CREATE: *result = 0; return true;
    case WM_DESTROY: return on_console_destroy(result);
    case WM_SHOWWINDOW: return on_console_show(wparam);
    case WM_NCDESTROY: console_release_library(); return false;
    case WM_SIZE: return on_console_size(window, result);
    case WM_ACTIVATE: return on_console_activate(window, wparam);
    case WM_PAINT: return on_empty_paint(window, result);
    }
    if (on_frame_menu_message(message, wparam, lparam, false, result)) return true;
    // The console's text, find, font, Window-menu and drop messages.
    return on_console_io_message(window, message, wparam, lparam, result);
}

int _console_handle_message(HWND window, WPARAM wparam, UINT message, LPARAM lparam)
{
    LRESULT result = 0;
    return console_message(window, message, wparam, lparam, &result) ? 0 : 1;
}

// The picture covers only what was drawn: the rest of the window is the
// page's background, whether or not the window was invalidated with an erase.
static void paint_background(HWND window, HDC dc, const RECT& area, const page_record* p)
{
    HBRUSH brush = (HBRUSH)GetClassLongPtrA(window, GCLP_HBRBACKGROUND);
    if (brush) {
        FillRect(dc, &area, brush);
        return;
    }
    brush_holder own(CreateSolidBrush(p->background));
    if (own) FillRect(dc, &area, own.get());
}

static void paint_page_window(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    page_record* p = _page_of_child(window);
    if (!p) {
        p = _page_of_frame(window);
        if (p && p->child) p = nullptr;  // the drawing child paints, not its frame
    }
    if (p) paint_background(window, dc, ps.rcPaint, p);
    if (p && p->picture) _paint_page(window, dc, p->picture, p);
    EndPaint(window, &ps);
}

static bool on_page_paint(HWND window, LRESULT* result)
{
    paint_page_window(window);
    *result = 0;
    return true;
}

// A framed page lays its children out again; the size goes on.
static bool on_page_size(HWND window)
{
    page_record* p = _page_of_frame(window);
    if (p && p->kind == PAGE_FRAMED) page_layout(p);
    return false;
}

// The library's own handling of page windows' messages.
static bool page_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result)
{
    switch (message) {
    case WM_CREATE: *result = 0; return true;
    case WM_SIZE: return on_page_size(window);
    case WM_PAINT: return on_page_paint(window, result);
    }
    if (on_frame_menu_message(message, wparam, lparam, true, result)) return true;
    // Drops, copy, print and Window-menu commands of pages.
    return on_page_io_message(window, message, wparam, lparam, result);
}

int _page_handle_message(HWND window, WPARAM wparam, UINT message, LPARAM lparam)
{
    LRESULT result = 0;
    return page_message(window, message, wparam, lparam, &result) ? 0 : 1;
}

// The window procedures: the library's own handling, then the application's
// window hook, then the system's.
template <bool (*Own)(HWND, UINT, WPARAM, LPARAM, LRESULT*)>
static LRESULT window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    LRESULT result = 0;
    if (Own(window, message, wparam, lparam, &result)) return result;
    if (app_hooks.window_hook && app_hooks.window_hook(window, message, wparam, lparam)) return 0;
    return DefWindowProcA(window, message, wparam, lparam);
}

LRESULT CALLBACK _main_wndproc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    return window_procedure<console_message>(window, message, wparam, lparam);
}

LRESULT CALLBACK _page_wndproc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    return window_procedure<page_message>(window, message, wparam, lparam);
}
