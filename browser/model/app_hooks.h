// What list loading and drawing ask of rooms above them: the file
// clipboard's cut marks, the thumbnail cache's pictures and the toolbar line.
// The program's start-up fills every slot (install_thumbnail_hooks,
// install_file_clipboard, install_toolbar); tests fill them with their own.
#pragma once
#include <windows.h>

struct browser_app_hook_table {
    // Thumbnails: draw entry i's picture centred in the cell's thumbnail area
    // (x, y, size in page units), made again first when force is set; make it
    // current in the cache (1 when it was already valid).
    void (*draw_cell_picture)(int index, double x, double y, double size, int force);
    int (*thumb_cache_draw)(int index);
    // The toolbar line, drawn on every redraw.
    void (*draw_toolbar)();
};
extern browser_app_hook_table browser_app_hooks;
