// What list and viewer drawing ask of the commands above them: the toolbar
// line, which marks the viewer's zoom step in its strip. The program's
// start-up fills the slot (install_toolbar); tests with their own.
#pragma once
#include <windows.h>

struct browser_app_hook_table {
    // The toolbar line, drawn on every redraw.
    void (*draw_toolbar)();
};
extern browser_app_hook_table browser_app_hooks;
