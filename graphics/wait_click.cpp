// Waits, for the system's double-click time, for the double click that
// completes a button press on a window, handling messages meanwhile.
#include "graphics/console.h"
#include "graphics/internal.h"
#include <cstdlib>

int _wait_double_click(UINT button_message, HWND window)
{
    UINT awaited;
    if (button_message == WM_LBUTTONDOWN)
        awaited = WM_LBUTTONDBLCLK;
    else if (button_message == WM_RBUTTONDOWN)
        awaited = WM_RBUTTONDBLCLK;
    else
        return 0;
    DWORD limit = GetDoubleClickTime(), start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) exit(0);
            _offer_message(&msg);
            if (msg.message == awaited && msg.hwnd == window) return 1;
        }
        DWORD spent = GetTickCount() - start;
        if (spent >= limit) return 0;
        // Sleep until a message comes or the time is up, rather than spin.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, limit - spent, QS_ALLINPUT);
    }
}
