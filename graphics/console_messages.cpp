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
    case CMD_FIND: return _console_find_open();
    case CMD_FONT_BIG: _console_setsize(18, 18); return 0;
    case CMD_FONT_NORMAL: _console_setsize(15, 15); return 0;
    case CMD_FONT_SMALL: _console_fontsize(-1); return 0;
    }
    return -1;
}

int _console_io_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam, int* result)
{
    switch (message) {
    case WM_COMMAND: {
        int id = LOWORD(wparam);
        if (id >= CMD_WINDOW_FIRST) {
            _show_page(id - CMD_WINDOW_FIRST);
            *result = 0;
            return 1;
        }
        if (!console_edit) return 0;
        int r = console_command(id);
        if (r < 0) return 0;
        *result = r;
        return 1;
    }
    case WM_DROPFILES:
        _handle_drop(window, 0, (HDROP)wparam);
        *result = 0;
        return 1;
    }
    if (_console_find_message(message, lparam) == 0) {
        *result = 0;
        return 1;
    }
    return 0;
}

int _page_io_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam, int* result)
{
    if (message == WM_DROPFILES) {
        _handle_drop(window, _page_number_of(window), (HDROP)wparam);
        *result = 0;
        return 1;
    }
    if (message != WM_COMMAND) return 0;
    int id = LOWORD(wparam);
    if (id >= CMD_WINDOW_FIRST) {
        _show_page(id - CMD_WINDOW_FIRST);
        *result = 0;
        return 1;
    }
    if (id == CMD_COPY || id == CMD_PRINT_PAGE) {
        page_record* p = _page_of_frame(window);
        if (p) {
            if (id == CMD_COPY) _page_copy(p->picture, window);
            else _printpage(window, p->picture);
        }
        *result = 0;
        return 1;
    }
    return 0;
}
