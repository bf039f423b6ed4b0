// The console's modeless find dialog: searches the rich-edit text from the
// end of the selection, wraps once to the top, and leaves the selection where
// it was when nothing is found.
#include "graphics/console.h"
#include "graphics/internal.h"
#include <commctrl.h>

static UINT find_message_id;  // 0 while no dialog is open
static char find_text[256];
static FINDREPLACEA find_record;
static HWND find_dialog;
static char saved_status[1024];
static int wrapping;            // inside the one search from the top
static CHARRANGE search_start;  // the selection when the user asked

// Part 1 of the console status bar, or empty when it does not fit.
static void read_status_part1(char* out, size_t cap)
{
    if (!console_statusbar || !status_part_text(console_statusbar, 1, out, cap)) out[0] = 0;
}

int console_find_open()
{
    if (find_message_id || !console_frame || !IsWindowVisible(console_frame)) return 1;
    read_status_part1(saved_status, sizeof saved_status);
    _status_printf(-1, "%s", "find");
    find_message_id = RegisterWindowMessageA(FINDMSGSTRINGA);
    ZeroMemory(&find_record, sizeof find_record);
    find_record.lStructSize = sizeof find_record;
    find_record.hwndOwner = console_frame;
    find_record.hInstance = kavtrel_instance;
    find_record.Flags = FR_HIDEUPDOWN | FR_FINDNEXT;
    find_record.lpstrFindWhat = find_text;
    find_record.wFindWhatLen = sizeof find_text;
    find_dialog = FindTextA(&find_record);
    if (!find_dialog) {
        find_message_id = 0;
        _status_printf(-1, "%s", saved_status);
        return 1;
    }
    return 0;
}

static void find_next(FINDREPLACEA* record)
{
    CHARRANGE sel = {0, 0};
    SendMessageA(console_edit, EM_EXGETSEL, 0, (LPARAM)&sel);
    if (!wrapping) search_start = sel;
    FINDTEXTEXA ft = {};
    ft.chrg.cpMin = sel.cpMax;
    ft.chrg.cpMax = -1;
    ft.lpstrText = record->lpstrFindWhat;
    WPARAM flags = FR_DOWN | (record->Flags & (FR_WHOLEWORD | FR_MATCHCASE));
    LRESULT found = SendMessageA(console_edit, EM_FINDTEXTEX, flags, (LPARAM)&ft);
    if (found >= 0) {
        SendMessageA(console_edit, EM_EXSETSEL, 0, (LPARAM)&ft.chrgText);
        SendMessageA(console_edit, EM_SCROLLCARET, 0, 0);
        SetFocus(console_edit);
        _status_printf(-1, "%s", "found");
        return;
    }
    if (sel.cpMax > 0 && !wrapping) {
        SendMessageA(console_edit, EM_SETSEL, 0, 0);
        wrapping = 1;
        SendMessageA(console_frame, find_message_id, 0, (LPARAM)record);
        wrapping = 0;
        return;
    }
    SendMessageA(console_edit, EM_EXSETSEL, 0, (LPARAM)&search_start);
    _status_printf(-1, "%s", "not found");
}

// The dialog closing: the status text it replaced comes back.
static void on_find_closed()
{
    find_message_id = 0;
    find_dialog = nullptr;
    _status_printf(-1, "%s", saved_status);
}

bool on_find_message(UINT message, LPARAM lparam, LRESULT* result)
{
    if (!find_message_id || message != find_message_id) return false;
    *result = 0;
    FINDREPLACEA* record = (FINDREPLACEA*)lparam;
    if (!record) return true;
    if (record->Flags & FR_DIALOGTERM)
        on_find_closed();
    else if ((record->Flags & FR_FINDNEXT) && console_edit && record->lpstrFindWhat && record->lpstrFindWhat[0])
        find_next(record);
    return true;
}
