// What the keys, the mouse, the selection, the file clipboard and the entry
// operations ask of the browser parts that start-up plugs in: the history's
// record of a selection, the toolbar's hit tests, the menus, number prefixes,
// archives opened as folders, the in-list rename and the viewer's steps. Each slot has a harmless default (in op_hooks.cpp) that
// does nothing or the least that keeps the browser usable; a part plugs in by
// filling its slot.
#pragma once
#include <windows.h>

// What lies under a point of the toolbar line.
enum toolbar_hit_kind {
    BAR_NONE = 0,
    BAR_BUTTON,        // number 1..: parent, images only, full size, bigger, smaller, then sizes
    BAR_LEFT_MARGIN,   // left of the grid's left margin, below its top margin
    BAR_PATH_SEGMENT,  // number: the segment counted from the drive (1 the drive)
    BAR_HISTORY_BACK,
    BAR_HISTORY_FORWARD,
    BAR_SPECIAL,  // number 1 Desktop, 2 Personal, 3 drive list, 4 folder tree
    BAR_TREE_SWITCH,
    BAR_TREE_LEVEL,  // number n: a level mark; 0 the mark that expands one more level
};
struct toolbar_hit {
    int kind;
    int number;
};

struct browser_op_hook_table {
    // History: the current selection into the current folder's history entry
    // (when the folder is in the history and something is marked).
    void (*record_selection)();
    // The menu of the history (right click outside entries).
    void (*build_history_menu)(HMENU menu);
    // Toolbar line: what lies at a client point. Default: nothing (no toolbar).
    void (*toolbar_hit_test)(int x, int y, toolbar_hit* out);
    // Menus: the file context menu of entry index; the subfolders of folder
    // from command 1000 on.
    void (*build_entry_menu)(HMENU menu, int index);
    void (*build_folder_menu)(HMENU menu, const char* folder);
    // Number prefixes: marked entries to position (1 when names changed);
    // the close-up of prefixes after a delete (mode, count).
    int (*add_number_prefix)(int position);
    void (*renumber)(int mode, int count);
    int (*number_order)();  // the number-order flag of the folder
    // Archives opened as folders.
    void (*write_back_archive)();
    int (*archive_read_only)();
    void (*leave_archive_folder)(const char* entry);
    int (*archive_creation)(int index);  // creation availability of an archive entry (2 and more: packs)
    int (*compress_into_archive)(int index);
    // The path to list on the clipboard for a list entry (out 260 bytes);
    // entries inside an archive folder are staged first. Default: the full path.
    int (*stage_for_clipboard)(const char* path, int cut, char* out);
    // The in-list rename over entry index (mode 2 for a new entry): 1 when confirmed.
    int (*rename_in_list)(int index, int mode, char* new_path);  // new_path: 260 bytes
    // The viewer's single click step (-1 back, 1 forward; selected: marked only)
    // and slide show (direction, selected).
    void (*viewer_step)(int direction, int selected);
    void (*slide_show)(int direction, int selected);
    // The viewer's status line and the window title.
    void (*viewer_status)();
    // The slide interval in tenths of a second and the repeat flag.
    int (*slide_interval)();
    int (*slide_repeats)();
    // The slide show: 1 while one runs.
    int (*slide_running)();
    // The extension of a new compressed folder for its command, or null.
    const char* (*archive_extension)(int command);
    // Opening a path with its associated program (behind a seam: tests launch nothing).
    int (*open_with)(const char* path, int verb);
};
extern browser_op_hook_table browser_op_hooks;

// Fills the slots whose parts are built (toolbar, history, viewer).
void install_op_parts();
