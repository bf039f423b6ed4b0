// What start-up, the grid and page drawing ask of browser parts that come
// later: settings, history, archives, the file clipboard, thumbnails, the
// toolbar, menus, the viewer, scripts and help. Every slot has a harmless
// default (named in app_hooks.cpp) that does nothing, or the least that keeps
// the browser usable, and notes once on the debug output what is missing; a
// part plugs in by filling its slot.
#pragma once
#include <windows.h>

struct browser_app_hook_table {
    // Settings: the size `w` read afresh from the settings files (-1: none);
    // the whole start-up sequence of loading and applying; the per-user save;
    // the hand-over settings for a new window; the cursor-stop option.
    int (*saved_thumb_size)();
    void (*load_start_settings)();
    void (*save_user_settings)();
    void (*write_handover_settings)();
    int (*curstop)();
    // History: push a folder; step back (101) and record the folder entered;
    // push the folder entered (the first shown index); the position (0..15)
    // of a path in the history, or -1.
    void (*history_push)(const char* folder);
    int (*history_go_back)();
    int (*history_update_entered)();
    int (*history_push_entered)();
    int (*history_position)(const char* path);
    // Archive work folders and the file clipboard.
    void (*setup_archive_work_folders)();
    void (*remove_archive_work_folder)();
    void (*clear_clipboard_staging)();
    void (*read_cut_marks)();
    // Thumbnails: draw entry i's picture centred in the cell's thumbnail area
    // (x, y, size in page units); make it current in the cache (1 when it was
    // already valid); clean stale cache files at the last exit.
    void (*draw_cell_picture)(int index, double x, double y, double size);
    int (*thumb_cache_draw)(int index);
    void (*clean_thumb_cache)();
    // Toolbar line, menus, scanner, accelerators.
    void (*draw_toolbar)();
    void (*load_toolbar)();
    void (*build_main_menu)();
    void (*load_twain)();
    // Viewer: open entry i (direction 0: no slide show), full screen or not;
    // expand the folder tree to a level.
    void (*open_viewer)(int index, int direction, int full_screen);
    void (*expand_all)(int level, int with_viewer);
    // WinHelp, behind a seam: it leaves a help program running on a missing file.
    BOOL(WINAPI* win_help)(HWND window, LPCSTR file, UINT command, ULONG_PTR data);
    // The dispatcher of browser commands the grid sends (page turns).
    void (*command)(int id);
    // Printing: the print dialog over the list's marks (1 when it printed).
    int (*print_selection)(int count, const unsigned char* marks, int selected, char* const* names);
};
extern browser_app_hook_table browser_app_hooks;
