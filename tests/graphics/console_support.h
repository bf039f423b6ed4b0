// Shared by the console tests: the console frame made once per test process,
// its text, status parts and selection read back through messages.
#pragma once
#include "graphics/internal.h"  // the console frame, its edit control and status bar are read directly
#include "tests/support/bench.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <string>

namespace console_test {

// Makes the console frame (hidden) the first time; 1 when it exists. Its
// control comes with the first use (text written or read, the console shown).
inline bool ready()
{
    static int made = kavtrel_start(GetModuleHandleA(nullptr), nullptr, "");
    return made && console_frame && console_statusbar;
}

inline std::string text()
{
    // The length may count characters; a character may take two bytes.
    int n = 2 * GetWindowTextLengthA(console_edit) + 1;
    std::string s(n, '\0');
    int got = GetWindowTextA(console_edit, &s[0], n);
    s.resize(got > 0 ? got : 0);
    return s;
}

inline std::string status(int part)
{
    // The length counts characters; the text comes as bytes, up to two a character.
    LRESULT n = SendMessageA(console_statusbar, SB_GETTEXTLENGTHA, part, 0);
    std::string s(2 * LOWORD(n) + 1, '\0');
    SendMessageA(console_statusbar, SB_GETTEXTA, part, (LPARAM)&s[0]);
    s.resize(strlen(s.c_str()));
    return s;
}

inline CHARRANGE selection()
{
    CHARRANGE r = {0, 0};
    SendMessageA(console_edit, EM_EXGETSEL, 0, (LPARAM)&r);
    return r;
}

inline void select(LONG a, LONG b)
{
    CHARRANGE r = {a, b};
    SendMessageA(console_edit, EM_EXSETSEL, 0, (LPARAM)&r);
}

// Colour of the characters a..b.
inline COLORREF colour_of(LONG a, LONG b)
{
    select(a, b);
    CHARFORMATA f = {};
    f.cbSize = sizeof f;
    SendMessageA(console_edit, EM_GETCHARFORMAT, SCF_SELECTION, (LPARAM)&f);
    return f.crTextColor;
}

inline void clear()
{
    SetWindowTextA(console_edit, "");
    bench::pump_for(0);
}

// Characters typed into the console before the reading call.
inline void type(const std::string& chars)
{
    for (unsigned char c : chars) PostMessageA(console_edit, WM_CHAR, c, 1);
}

}  // namespace console_test
