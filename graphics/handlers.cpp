// The window procedures of the console frame and of page windows, and the
// library's own handlers that run before the application's window hook.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"
#include "graphics/console.h"
#include <commctrl.h>
#include <cstdio>
#include <shellapi.h>

void (*scanner_unload_hook)();

LRESULT CALLBACK _main_wndproc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (_console_handle_message(window, wparam, message, lparam) == 0) return 0;
    if (app_hooks.window_hook && app_hooks.window_hook(window, message, wparam, lparam)) return 0;
    return DefWindowProcA(window, message, wparam, lparam);
}

LRESULT CALLBACK _page_wndproc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (_page_handle_message(window, wparam, message, lparam) == 0) return 0;
    if (app_hooks.window_hook && app_hooks.window_hook(window, message, wparam, lparam)) return 0;
    return DefWindowProcA(window, message, wparam, lparam);
}

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
    _pages_shutdown();
    _console_destroy();
    if (scanner_unload_hook) scanner_unload_hook();
    _fcloseall();
    console_frame = nullptr;
    console_statusbar = nullptr;
    PostQuitMessage(0);
}

// Closing, menu opening, Exit and Help, alike for the console and pages but
// for what Help answers. Returns nonzero when the message was handled.
static int frame_menu_message(UINT message, WPARAM wparam, int help_result, int* result)
{
    switch (message) {
    case WM_CLOSE:
        _request_close();
        *result = 0;
        return 1;
    case WM_INITMENUPOPUP:
        _update_window_menu((HMENU)wparam);
        *result = 1;
        return 1;
    case WM_COMMAND:
        if (LOWORD(wparam) == CMD_EXIT) {
            _request_close();
            *result = 0;
            return 1;
        }
        if (LOWORD(wparam) == CMD_HELP) {
            if (app_hooks.help_hook) app_hooks.help_hook();
            *result = help_result;
            return 1;
        }
        break;
    }
    return 0;
}

int _console_handle_message(HWND window, WPARAM wparam, UINT message, LPARAM lparam)
{
    switch (message) {
    case WM_CREATE:
        _console_create(window);
        return 0;
    case WM_DESTROY:
        console_destroyed();
        return 0;
    case WM_NCDESTROY:
        _console_release_library();
        return 1;
    case WM_SIZE:
        console_layout(window);
        return 0;
    case WM_ACTIVATE:
        if (IsWindowVisible(window) && LOWORD(wparam) != WA_INACTIVE && HIWORD(wparam) == 0 && console_edit)
            SetFocus(console_edit);
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        EndPaint(window, &ps);
        return 0;
    }
    }
    int result = 1;
    if (frame_menu_message(message, wparam, 0, &result)) return result;
    // The console's text, find, font, Window-menu and drop messages.
    result = 1;
    if (_console_io_message(window, message, wparam, lparam, &result)) return result;
    return 1;
}

static void paint_page_window(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    page_record* p = _page_of_child(window);
    if (!p) {
        p = _page_of_frame(window);
        if (p && p->child) p = nullptr;   // the drawing child paints, not its frame
    }
    if (p && p->picture) _paint_page(window, dc, p->picture, p);
    EndPaint(window, &ps);
}

int _page_handle_message(HWND window, WPARAM wparam, UINT message, LPARAM lparam)
{
    switch (message) {
    case WM_CREATE:
        return 0;
    case WM_SIZE: {
        page_record* p = _page_of_frame(window);
        if (p && p->kind == PAGE_FRAMED) _page_layout(p);
        return 1;
    }
    case WM_PAINT:
        paint_page_window(window);
        return 0;
    }
    int result = 1;
    if (frame_menu_message(message, wparam, 1, &result)) return result;
    // Drops, copy, print and Window-menu commands of pages.
    result = 1;
    if (_page_io_message(window, message, wparam, lparam, &result)) return result;
    return 1;
}
