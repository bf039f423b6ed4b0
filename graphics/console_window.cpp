// The console's rich-edit control and the console's two text formats. The
// control is made when it is first needed (text written or read, the console
// shown, its window asked for), not with the frame: a browser run whose
// console never shows never loads the rich-edit library. Both are let go of
// with the frame.
#include "base/dll_load.h"
#include "graphics/kavtrel.h"
#include "graphics/internal.h"

CHARFORMATA console_format, printf_format;
HFONT console_font;
static HMODULE riched_library;

HWND console_control()
{
    if (console_edit || !console_frame) return console_edit;
    if (!riched_library) riched_library = load_installed_dll("RICHED32.DLL");
    RECT rc;
    GetClientRect(console_frame, &rc);
    console_edit = CreateWindowExA(WS_EX_CONTROLPARENT | WS_EX_CLIENTEDGE, "RichEdit", "",
                                   WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                                       ES_AUTOHSCROLL | ES_DISABLENOSCROLL,
                                   0, 0, rc.right, rc.bottom, console_frame, (HMENU)(UINT_PTR)ID_CONSOLE_EDIT,
                                   kavtrel_instance, nullptr);
    if (!console_edit) return nullptr;
    console_font = CreateFontA(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "ＭＳ ゴシック");
    SendMessageA(console_edit, WM_SETFONT, (WPARAM)console_font, 0);
    SendMessageA(console_edit, EM_SETOPTIONS, ECOOP_OR, ECO_READONLY);
    SendMessageA(console_edit, EM_SETCHARFORMAT, SCF_SELECTION, (LPARAM)&console_format);
    // Above the status bar.
    SendMessageA(console_frame, WM_SIZE, 0, 0);
    return console_edit;
}

void console_destroy()
{
    console_edit = nullptr;
    if (console_font) DeleteObject(console_font);
    console_font = nullptr;
}

// The control's window is gone only once the frame's destruction has
// finished; its library is let go of then.
void console_release_library()
{
    if (riched_library) FreeLibrary(riched_library);
    riched_library = nullptr;
}
