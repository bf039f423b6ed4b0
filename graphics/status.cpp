// Status bars of the console and of pages, the formatted status texts and the
// progress bar that shares a page status bar's first part.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"
#include <commctrl.h>
#include <cstring>

page_record* _create_statusbar(int page)
{
    if (page < 1 || page >= PAGE_SLOTS || !page_table[page]) return nullptr;
    page_record* p = page_table[page];
    if (!p->statusbar && p->frame) {
        p->statusbar = CreateWindowExA(0, "msctls_statusbar32", "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                       p->frame, nullptr, kavtrel_instance, nullptr);
        if (p->statusbar)
            p->progressbar = CreateWindowExA(0, "msctls_progress32", "", WS_CHILD, 0, 0, 0, 0, p->statusbar, nullptr,
                                             kavtrel_instance, nullptr);
        page_layout(p);
    }
    return p;
}

// A status bar paints itself whole, its theme's background included (some
// 14 ms), at every change of a text. The text is set while the bar is marked
// hidden and its part painted with the window's next paint, so that texts
// set one after another between two pumps cost one painting.
static void set_part_text(HWND bar, int part, const char* text)
{
    LONG style = GetWindowLongA(bar, GWL_STYLE);
    if (!(style & WS_VISIBLE)) {
        SendMessageA(bar, SB_SETTEXTA, part, (LPARAM)text);
        return;
    }
    SetWindowLongA(bar, GWL_STYLE, style & ~WS_VISIBLE);
    SendMessageA(bar, SB_SETTEXTA, part, (LPARAM)text);
    SetWindowLongA(bar, GWL_STYLE, style);
    RECT r;
    if (SendMessageA(bar, SB_GETRECT, part, (LPARAM)&r))
        InvalidateRect(bar, &r, FALSE);
    else
        InvalidateRect(bar, nullptr, FALSE);
}

// The length a bar reports counts characters under some systems and bytes
// under others, while the text it writes is the whole cp932 text, up to two
// bytes a character: the text is read only when that many bytes fit. Every
// text this library sets is cut to STATUS_TEXT_BUF, so the length's low word
// is the whole length.
bool status_part_text(HWND bar, int part, char* out, size_t cap)
{
    if (!cap) return false;
    out[0] = 0;
    size_t most = 2 * (size_t)LOWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, part, 0)) + 1;
    if (most > cap) return false;
    SendMessageA(bar, SB_GETTEXTA, part, (LPARAM)out);
    out[cap - 1] = 0;
    return true;
}

// Sets a part's text, cut to the longest a part holds, unless it already
// shows exactly that text.
static void set_part(HWND bar, int part, const char* text)
{
    char wanted[STATUS_TEXT_BUF], now[STATUS_TEXT_BUF];
    text_copy_n(wanted, sizeof wanted, text, sizeof wanted - 1);
    if (status_part_text(bar, part, now, sizeof now) && strcmp(now, wanted) == 0) return;
    set_part_text(bar, part, wanted);
}

int _statusbar_set(int page, const char* text)
{
    HWND bar;
    int part;
    if (page > 0) {
        page_record* p = _create_statusbar(page);
        if (!p || !p->statusbar) return 1;
        bar = p->statusbar;
        part = 1;
    } else {
        bar = console_statusbar;
        part = -page;
    }
    if (bar) set_part(bar, part, text ? text : "");
    return 1;
}

int _status_printf(int page, const char* fmt, ...)
{
    if (page < -2) return 0;
    char text[STATUS_TEXT_BUF];
    va_list ap;
    va_start(ap, fmt);
    text_vformat_cut(text, sizeof text, fmt, ap);
    va_end(ap);
    return _statusbar_set(page, text);
}

static bool is_shown(HWND w) { return w && (GetWindowLongA(w, GWL_STYLE) & WS_VISIBLE); }

void _status_text(int page, const char* fmt, ...)
{
    if (page < 1) return;
    page_record* p = _create_statusbar(page);
    if (!p || !p->statusbar) return;
    if (is_shown(p->progressbar)) ShowWindow(p->progressbar, SW_HIDE);
    char text[STATUS_TEXT_BUF];
    va_list ap;
    va_start(ap, fmt);
    text_vformat_cut(text, sizeof text, fmt, ap);
    va_end(ap);
    set_part(p->statusbar, 0, text);
}

// Percentage shown for value in low..high; only the range's width divides.
int progress_percent(double value, double low, double high)
{
    double range = high - low;
    double pct;
    if (range == 0)
        pct = value >= high ? 100 : 0;
    else
        pct = value / range * 100 + 0.5;
    if (!(pct >= 0)) pct = 0;  // also NaN
    if (pct > 100) pct = 100;
    return (int)pct;
}

void _progress(int page, double value, double low, double high)
{
    page_record* p = _create_statusbar(page);
    if (!p || !p->statusbar || !p->progressbar) return;
    if (!is_shown(p->progressbar)) {
        SendMessageA(p->statusbar, SB_SETTEXTA, 0, (LPARAM) "");
        RECT sb;
        GetWindowRect(p->statusbar, &sb);
        int edge = GetSystemMetrics(SM_CYEDGE);
        MoveWindow(p->progressbar, 0, edge, 150, (sb.bottom - sb.top) - edge, TRUE);
        SendMessageA(p->progressbar, PBM_SETPOS, 0, 0);
        ShowWindow(p->progressbar, SW_SHOWNA);
    }
    SendMessageA(p->progressbar, PBM_SETPOS, progress_percent(value, low, high), 0);
}
