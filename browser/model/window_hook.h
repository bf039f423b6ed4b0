// The application's window hook: every message the library's window
// procedures leave unhandled comes here and goes on to the browser's grid,
// the viewer or the scroll view, unless the busy state keeps it out.
#pragma once
#include <windows.h>
#include "browser/model/command_ids.h"

// What the window hook and the rooms below the commands ask of the viewer,
// the keys and mouse, the dispatcher and the list's redraw: the viewer's
// state, the input handlers and the menus' state. Each first value does
// nothing and answers 0, which passes the message on to the default window
// procedure; the program's start-up fills every slot, and tests fill them
// with their own.
struct browser_ui_hook_table {
    int (*viewer_mode)();                               // 0 list, 1 one image, 2 and above slide show (viewer)
    int (*viewer_full_screen)();                        // viewer
    int (*viewer_index)();                              // the viewer's current entry
    int (*viewer_message)(HWND, UINT, WPARAM, LPARAM);  // slide show handler (viewer)
    int (*key_down)(HWND, UINT, WPARAM, LPARAM);        // grid keys
    int (*mouse_move)(HWND, UINT, WPARAM, LPARAM);      // grid mouse
    int (*left_down)(HWND, UINT, WPARAM, LPARAM);
    int (*left_double)(HWND, UINT, WPARAM, LPARAM);
    int (*right_down)(HWND, UINT, WPARAM, LPARAM);
    int (*dispatch)(int index, HWND, UINT, WPARAM, LPARAM);  // command dispatcher
    int (*init_menu_popup)(HWND, UINT, WPARAM, LPARAM);      // menu state update
    void (*redraw_list)();                                   // (folder loading)
    int (*scroll_view_open)();                               // scroll view
};
extern browser_ui_hook_table browser_ui_hooks;

struct window_hook_state_record {
    int command_index;    // the entry commands act on
    int in_menu;          // between WM_ENTERMENULOOP and WM_EXITMENULOOP
    int click_activated;  // the next button-down only activated the window
};
extern window_hook_state_record window_hook_state;

// The client window of a page (the drawing child of a framed page), or null.
HWND page_client_window(int page);

int app_wndproc_hook(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
