// Plays the user's part in an in-list editor of page 1 from another thread:
// it waits (bounded) until the editor's control is shown on the page, reads
// what it shows, then types, commits or cancels by messages, as the user's
// keys and clicks would arrive, while the editor's loop runs on this thread.
#pragma once
#include "graphics/kavtrel.h"
#include <windows.h>
#include <functional>
#include <string>
#include <thread>

namespace editor_robot {

// The editor's control once it is shown: the "EDIT" child of the page's
// drawing window that holds the keyboard focus of the editor's thread.
inline HWND shown_edit(HWND parent, DWORD thread)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(thread, &info) || !info.hwndFocus || GetParent(info.hwndFocus) != parent) return nullptr;
    char cls[16] = "";
    GetClassNameA(info.hwndFocus, cls, sizeof cls);
    return lstrcmpiA(cls, "EDIT") == 0 ? info.hwndFocus : nullptr;
}

struct robot {
    std::thread worker;
    std::string seen;  // the editor's text when it was shown
    explicit robot(std::function<void(HWND)> part)
    {
        HWND parent = page_drawing_window(1);
        DWORD thread = GetCurrentThreadId();
        HWND before = GetFocus();  // a control focused before the editor opens is not the editor's
        worker = std::thread([this, part, parent, thread, before] {
            HWND edit = nullptr;
            for (DWORD until = GetTickCount() + 20000; GetTickCount() < until; Sleep(10)) {
                edit = shown_edit(parent, thread);
                if (edit && edit != before) break;
                edit = nullptr;
            }
            if (!edit) return;
            char text[256] = "";
            SendMessageA(edit, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
            seen = text;
            part(edit);
        });
    }
    // Waits for the robot and gives what the editor showed.
    std::string done()
    {
        if (worker.joinable()) worker.join();
        return seen;
    }
    ~robot() { done(); }
    robot(const robot&) = delete;
    robot& operator=(const robot&) = delete;
};

}  // namespace editor_robot
