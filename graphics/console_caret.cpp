// The console's caret display ("line column" in part 2 of its status bar),
// which also keeps typed text in the console format, and the console's font
// sizes and printf colour.
#include "graphics/console.h"
#include "graphics/internal.h"

static LONG last_caret = -1;

void _show_caret_pos()
{
    if (!console_edit) return;
    CHARRANGE sel = {0, 0};
    SendMessageA(console_edit, EM_EXGETSEL, 0, (LPARAM)&sel);
    if (sel.cpMin == last_caret) return;
    last_caret = sel.cpMin;
    LRESULT line = SendMessageA(console_edit, EM_EXLINEFROMCHAR, 0, sel.cpMin);
    LRESULT start = SendMessageA(console_edit, EM_LINEINDEX, line, 0);
    _status_printf(-2, "%d %d", (int)line + 1, (int)(sel.cpMin - start));
    if (!console_printf_busy) SendMessageA(console_edit, EM_SETCHARFORMAT, SCF_SELECTION, (LPARAM)&console_format);
}

// Both formats get the size alone for the change; each keeps its other
// attributes afterwards, so that printf text stays in its own colour.
void _console_setsize(int console_units, int printf_units)
{
    DWORD console_mask = console_format.dwMask, printf_mask = printf_format.dwMask;
    console_format.dwMask = CFM_SIZE;
    printf_format.dwMask = CFM_SIZE;
    console_format.yHeight = console_units * 15;
    printf_format.yHeight = printf_units * 15;
    if (console_edit) SendMessageA(console_edit, EM_SETCHARFORMAT, SCF_SELECTION, (LPARAM)&console_format);
    console_format.dwMask = console_mask | CFM_SIZE;
    printf_format.dwMask = printf_mask | CFM_SIZE;
}

void _console_fontsize(int n)
{
    if (n < 0)
        _console_setsize(12, 12);
    else if (n == 0)
        _console_setsize(15, 15);
    else
        _console_setsize(18, 18);
}

void _console_textcolor(COLORREF colour)
{
    console_format.dwMask |= CFM_COLOR;
    printf_format.dwMask |= CFM_COLOR;
    console_format.dwEffects &= ~CFE_AUTOCOLOR;
    printf_format.dwEffects &= ~CFE_AUTOCOLOR;
    console_format.crTextColor = RGB(0, 0, 255);
    printf_format.crTextColor = colour;
    if (console_edit) SendMessageA(console_edit, EM_SETCHARFORMAT, SCF_SELECTION, (LPARAM)&console_format);
}
