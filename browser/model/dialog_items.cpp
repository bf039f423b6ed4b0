// Dialog item helpers of the browser (see dialog_items.h). Every text goes
// through a 256-byte buffer, the size of the fields the dialogs store.
#include "browser/model/dialog_items.h"
#include "base/cptext.h"
#include <imm.h>
#include <cstdlib>

int get_dlg_text(HWND dialog, int id, char* out, size_t cap)
{
    if (cap == 0) return 0;
    out[0] = 0;
    LRESULT n = SendDlgItemMessageA(dialog, id, WM_GETTEXT, cap, reinterpret_cast<LPARAM>(out));
    out[cap - 1] = 0;
    return static_cast<int>(n);
}

int get_dlg_int(HWND dialog, int id)
{
    char text[DIALOG_TEXT_BUF];
    get_dlg_text(dialog, id, text, sizeof text);
    return atoi(text);
}

double get_dlg_double(HWND dialog, int id)
{
    char text[DIALOG_TEXT_BUF];
    get_dlg_text(dialog, id, text, sizeof text);
    return atof(text);
}

void set_dlg_int(HWND dialog, int id, int value)
{
    char text[32];
    text_format(text, sizeof text, "%d", value);
    SendDlgItemMessageA(dialog, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void set_dlg_double(HWND dialog, int id, double value, const char* format)
{
    char text[DIALOG_TEXT_BUF];
    text_format_cut(text, sizeof text, format, value);
    SendDlgItemMessageA(dialog, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void set_dlg_check(HWND dialog, int id, int value)
{
    WPARAM state = value == 0 ? BST_UNCHECKED : value == -1 ? BST_INDETERMINATE : BST_CHECKED;
    SendDlgItemMessageA(dialog, id, BM_SETCHECK, state, 0);
}

int get_dlg_check(HWND dialog, int id)
{
    LRESULT s = SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0);
    return s == BST_CHECKED ? 1 : s == BST_INDETERMINATE ? -1 : 0;
}

void read_ime_state_and_release(HWND window, int* state)
{
    HIMC imc = ImmGetContext(window);
    *state = imc && ImmGetOpenStatus(imc) ? 1 : 0;
    if (imc) ImmReleaseContext(window, imc);
}

void set_ime_open(HWND window, int open)
{
    HIMC imc = ImmGetContext(window);
    if (!imc) return;
    ImmSetOpenStatus(imc, open ? TRUE : FALSE);
    ImmReleaseContext(window, imc);
}

COLORREF scale_colour(COLORREF c)
{
    return RGB(int(GetRValue(c) * 0.72), int(GetGValue(c) * 0.72), int(GetBValue(c) * 0.72));
}
