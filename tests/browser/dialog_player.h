// Plays the user's part in a modal dialog of this thread: a thread timer,
// fired by the dialog's own message loop once it is idle, finds the visible
// dialog (waiting until it is shown) and runs the part once. Unlike the
// answering robot of paste_fixtures.h it runs in the dialog's own thread, so
// one part can type, press several buttons in turn and look at the result.
#pragma once
#include <windows.h>
#include <cstring>
#include <functional>
#include <string>

namespace dialog_player {

inline std::function<void(HWND)>& part()
{
    static std::function<void(HWND)> p;
    return p;
}

inline BOOL CALLBACK find_dialog(HWND w, LPARAM p)
{
    char cls[16];
    GetClassNameA(w, cls, sizeof cls);
    if (strcmp(cls, "#32770") == 0 && IsWindowVisible(w)) {
        *reinterpret_cast<HWND*>(p) = w;
        return FALSE;
    }
    return TRUE;
}

inline HWND own_dialog()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), find_dialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

inline void CALLBACK play(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND dialog = own_dialog();
    if (!dialog) return;  // not shown yet: the timer fires again
    KillTimer(nullptr, id);
    part()(dialog);
}

// Arms the robot; the next modal dialog of this thread gets the part.
inline void arm(std::function<void(HWND)> user_part)
{
    part() = user_part;
    SetTimer(nullptr, 0, 10, play);
}

inline void click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
inline void type(HWND dialog, int id, const char* text) { SetDlgItemTextA(dialog, id, text); }
inline std::string text_of(HWND dialog, int id)
{
    char t[512] = {};
    GetDlgItemTextA(dialog, id, t, sizeof t);
    return t;
}

}  // namespace dialog_player
