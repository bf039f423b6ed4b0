// The console frame's and the page windows' handling of the console's edit,
// find, font and Window-menu commands, of file drops and of page printing;
// the library's window handlers pass these messages here first.
#include "graphics/console.h"
#include "graphics/internal.h"

void _show_page(int k)
{
    bool console_visible = console_frame && IsWindowVisible(console_frame);
    if (k == 0 && console_visible) {
        SetFocus(console_edit);
        return;
    }
    int count = console_visible ? 1 : 0;
    for (int n = 1; n < PAGE_SLOTS; n++) {
        page_record* p = page_table[n];
        if (!p || p->kind != PAGE_FRAMED) continue;
        if (count == k) {
            ShowWindow(p->frame, SW_SHOWNORMAL);
            SetFocus(p->frame);
            return;
        }
        count++;
    }
}

static int console_command(int id)
{
    switch (id) {
    case CMD_UNDO: SendMessageA(console_edit, EM_UNDO, 0, 0); return 0;
    case CMD_PASTE: SendMessageA(console_edit, WM_PASTE, 0, 0); return 0;
    case CMD_COPY: SendMessageA(console_edit, WM_COPY, 0, 0); return 0;
    case CMD_CUT: SendMessageA(console_edit, WM_CUT, 0, 0); return 0;
    case CMD_CLEAR_ALL: SetWindowTextA(console_edit, ""); return 1;
    case CMD_SELECT_ALL: SendMessageA(console_edit, EM_SETSEL, 0, -1); return 0;
    case CMD_FIND: return console_find_open();
    case CMD_FONT_BIG: _console_setsize(18, 18); return 0;
    case CMD_FONT_NORMAL: _console_setsize(15, 15); return 0;
    case CMD_FONT_SMALL: _console_fontsize(-1); return 0;
    }
    return -1;
}

// Handlers return true when the message is done with (the result in
// *result), false when it goes on to the application's window hook.

// A Window-menu entry shows its page (or the console).
static bool on_window_menu(int id, LRESULT* result)
{
    _show_page(id - CMD_WINDOW_FIRST);
    *result = 0;
    return true;
}

static bool on_console_command(int id, LRESULT* result)
{
    if (id >= CMD_WINDOW_FIRST) return on_window_menu(id, result);
    if (!console_edit) return false;
    // Clearing and Find go on to the application after the console's own work.
    int r = console_command(id);
    *result = 0;
    return r == 0;
}

static bool on_drop(HWND window, int page, WPARAM wparam, LRESULT* result)
{
    handle_drop(window, page, (HDROP)wparam);
    *result = 0;
    return true;
}

bool on_console_io_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result)
{
    switch (message) {
    case WM_COMMAND: return on_console_command(LOWORD(wparam), result);
    case WM_DROPFILES: return on_drop(window, 0, wparam, result);
    }
    return on_find_message(message, lparam, result);
}

// Copy and print of the page's stored picture.
static bool on_page_copy_print(HWND window, int id, LRESULT* result)
{
    page_record* p = _page_of_frame(window);
    if (p) {
        if (id == CMD_COPY)
            _page_copy(page_picture(p), window);
        else
            _printpage(window, page_picture(p));
    }
    *result = 0;
    return true;
}

static bool on_page_command(HWND window, int id, LRESULT* result)
{
    if (id >= CMD_WINDOW_FIRST) return on_window_menu(id, result);
    if (id == CMD_COPY || id == CMD_PRINT_PAGE) return on_page_copy_print(window, id, result);
    return false;
}

bool on_page_io_message(HWND window, UINT message, WPARAM wparam, LPARAM, LRESULT* result)
{
    switch (message) {
    case WM_DROPFILES: return on_drop(window, _page_number_of(window), wparam, result);
    case WM_COMMAND: return on_page_command(window, LOWORD(wparam), result);
    }
    return false;
}
