// The application's window hook: every message the library's window
// procedures leave unhandled comes here and goes on to the browser's grid,
// the viewer or the scroll view, unless the busy state keeps it out.
#pragma once
#include <windows.h>

struct window_hook_state_record {
    int command_index;    // the entry commands act on
    int in_menu;          // between WM_ENTERMENULOOP and WM_EXITMENULOOP
    int click_activated;  // the next button-down only activated the window
};
extern window_hook_state_record window_hook_state;

// Where the hook hands a message, decided from the viewer's mode, the busy
// state and the menu and activation state, in that order.
enum window_hook_target {
    HOOK_DEFAULT,           // kept out: 0, on to the default window procedure
    HOOK_SLIDE_SHOW,        // a slide show takes every message
    HOOK_WAIT_CURSOR,       // busy with the wait cursor: only the cursor kept
    HOOK_MENU_LOOP,         // a menu loop begins or ends
    HOOK_ACTIVATE,          // the window is activated
    HOOK_ACTIVATING_CLICK,  // the button-down that activated the window, swallowed
    HOOK_SIZE,
    HOOK_KEY_DOWN,
    HOOK_KEY_UP,
    HOOK_COMMAND,
    HOOK_MENU_SELECT,
    HOOK_SYSCOMMAND,
    HOOK_VSCROLL,
    HOOK_MENU_POPUP,
    HOOK_MOUSE_MOVE,
    HOOK_LEFT_DOWN,
    HOOK_LEFT_UP,
    HOOK_LEFT_DOUBLE,
    HOOK_RIGHT_DOWN,
};
window_hook_target window_hook_target_of(UINT message);

int app_wndproc_hook(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
