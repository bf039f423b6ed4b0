// Window classes of the library, the console frame's menu bar, the Window
// menu rebuilt on opening, and small menu helpers for the application.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"

// Created by static initialisation, before the process entry runs.
HMENU edit_popup = CreatePopupMenu();
HMENU window_popup = CreatePopupMenu();

static int page_class_counter;
static char page_class_name[32];

static HICON library_icon()
{
    HICON icon = LoadIconA(kavtrel_instance, MAKEINTRESOURCEA(101));
    return icon ? icon : LoadIconA(nullptr, IDI_APPLICATION);
}

int _register_class(UINT style, WNDPROC proc, HBRUSH background, const char* name)
{
    WNDCLASSA wc = {};
    wc.style = style | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.hInstance = kavtrel_instance;
    wc.hIcon = library_icon();
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return RegisterClassA(&wc) != 0;
}

const char* _register_page_class(HBRUSH brush)
{
    page_class_counter++;
    text_format_cut(page_class_name, sizeof page_class_name, "KVT%d", page_class_counter);
    if (!_register_class(CS_DBLCLKS, _page_wndproc, brush, page_class_name)) return nullptr;
    return page_class_name;
}

HMENU _console_menu()
{
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, CMD_EXIT, "E&xit");
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)file, "&File");

    if (GetMenuItemCount(edit_popup) == 0) {
        AppendMenuA(edit_popup, MF_STRING, CMD_UNDO, "&Undo");
        _menu_separator(edit_popup);
        AppendMenuA(edit_popup, MF_STRING, CMD_CUT, "Cu&t \t Ctrl+X");
        AppendMenuA(edit_popup, MF_STRING, CMD_COPY, "&Copy \t Ctrl+C");
        AppendMenuA(edit_popup, MF_STRING, CMD_PASTE, "&Paste \t Ctrl+V");
        AppendMenuA(edit_popup, MF_STRING, CMD_CLEAR_ALL, "Clea&r All");
        AppendMenuA(edit_popup, MF_STRING, CMD_SELECT_ALL, "Select &All \t Ctrl+A");
        _menu_separator(edit_popup);
        AppendMenuA(edit_popup, MF_STRING, CMD_FIND, "&Find \t F3");
        _menu_separator(edit_popup);
        AppendMenuA(edit_popup, MF_STRING, CMD_FONT_BIG, "font &Big");
        AppendMenuA(edit_popup, MF_STRING | MF_CHECKED, CMD_FONT_NORMAL, "font &Normal");
        AppendMenuA(edit_popup, MF_STRING, CMD_FONT_SMALL, "font &Small");
    }
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)edit_popup, "&Edit");

    if (GetMenuItemCount(window_popup) == 0) AppendMenuA(window_popup, MF_STRING, CMD_WINDOW_FIRST, "&Window");
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)window_popup, "&Window");

    HMENU help = CreatePopupMenu();
    AppendMenuA(help, MF_STRING, CMD_HELP, "&Help");
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)help, "&Help");
    return bar;
}

static void rebuild_window_menu(HMENU popup)
{
    while (GetMenuItemCount(popup) > 0) DeleteMenu(popup, 0, MF_BYPOSITION);
    char title[257];
    char item[600];
    int k = 0;
    bool any_framed = false;
    for (int n = 1; n < PAGE_SLOTS; n++)
        if (page_table[n] && page_table[n]->kind == PAGE_FRAMED) any_framed = true;
    if (console_frame && IsWindowVisible(console_frame)) {
        title[0] = 0;
        GetWindowTextA(console_frame, title, sizeof title);
        text_format_cut(item, sizeof item, "&W console \t- %s ", title);
        AppendMenuA(popup, MF_STRING, CMD_WINDOW_FIRST, item);
        k = 1;
        if (any_framed) _menu_separator(popup);
    }
    for (int n = 1; n < PAGE_SLOTS; n++) {
        page_record* p = page_table[n];
        if (!p || p->kind != PAGE_FRAMED) continue;
        title[0] = 0;
        if (p->frame) GetWindowTextA(p->frame, title, sizeof title);
        text_format_cut(item, sizeof item, "&%d page %d \t- %s", k, n, title);
        AppendMenuA(popup, MF_STRING, CMD_WINDOW_FIRST + k, item);
        k++;
    }
}

static void refresh_edit_menu(HMENU popup)
{
    if (console_edit) {
        _menu_enable(CMD_PASTE, popup, SendMessageA(console_edit, EM_CANPASTE, 0, 0) != 0);
        _menu_enable(CMD_UNDO, popup, SendMessageA(console_edit, EM_CANUNDO, 0, 0) != 0);
        CHARRANGE sel = {0, 0};
        SendMessageA(console_edit, EM_EXGETSEL, 0, (LPARAM)&sel);
        _menu_enable(CMD_COPY, popup, sel.cpMin != sel.cpMax);
    }
    LONG a = console_format.yHeight, b = printf_format.yHeight;
    UINT id = 0;
    if (a == 270 && b == 270)
        id = CMD_FONT_BIG;
    else if (a == 225 && b == 225)
        id = CMD_FONT_NORMAL;
    else if (a == 180 && b == 180)
        id = CMD_FONT_SMALL;
    _check_font_item(id);
}

void _update_window_menu(HMENU popup)
{
    if (!popup) return;
    if (popup == window_popup)
        rebuild_window_menu(popup);
    else if (popup == edit_popup)
        refresh_edit_menu(popup);
}

void _menu_separator(HMENU menu) { AppendMenuA(menu, MF_SEPARATOR, 0, nullptr); }

void _menu_enable(UINT id, HMENU menu, int on)
{
    EnableMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
}

void _menu_check(UINT id, HMENU menu, int on)
{
    CheckMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void _check_font_item(UINT id)
{
    _menu_check(CMD_FONT_BIG, edit_popup, 0);
    _menu_check(CMD_FONT_NORMAL, edit_popup, 0);
    _menu_check(CMD_FONT_SMALL, edit_popup, 0);
    if (id) _menu_check(id, edit_popup, 1);
}
