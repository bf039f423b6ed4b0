// The toolbar the browser draws itself into the two margins of its page: a
// line in the top margin (fixed buttons, the history arrows, the drive, the
// folder's path as buttons, the levels of an expanded tree) and a strip in
// the left margin (view buttons and the column counts). Drawing records the
// x ranges of the line and the y ranges of the strip; the hit tests read them.
#pragma once
#include "browser/grid/grid.h"

enum {
    TOOLBAR_PICTURES = 20,
    TOOLBAR_PATH_PARTS = 100,
    TOOLBAR_STRIP_FIXED = 5,
    // Column counts the size commands can set (commands 701 to 730).
    TOOLBAR_MAX_COLUMNS = 30,
    SLOT_DRIVE_FIXED = 30,
    SLOT_SEPARATOR = 31,
    SLOT_TREE_LEVEL = 32,
    SLOT_BACK = 33,
    SLOT_BACK_OFF = 34,
    SLOT_FORWARD = 35,
    SLOT_FORWARD_OFF = 36,
    SLOT_DRIVE_CDROM = 38,
    SLOT_DRIVE_REMOVABLE = 39,
    SLOT_DOCUMENTS = 44,
    SLOT_TREE = 45,
    SLOT_VIEW_STRIP = 46,
    SLOT_VIEW_LIST = 47,
    SLOT_UP = 48,
    SLOT_UP_OFF = 49,
};

// Stores the colour, loads the twenty pictures into their slots and gives
// their magenta pixels the colour. 1 when all loaded.
int load_toolbar_bitmaps(COLORREF colour);
void recolor_toolbar_bitmap(int slot);
// The path the line's buttons show (out: PATH_BUF): the current folder, or
// for an archive folder the archive's own path. The result is where the
// shown part begins: below the documents folder, after that folder's path.
int toolbar_shown_path(char* out);
// Cuts the path in place at each backslash; the non-empty parts (at most
// 100) go to parts. Returns their number.
int split_path_components(char* path, char** parts);
void draw_toolbar();
// The toolbar's pictures made again in the toolbar colour.
void reload_toolbar_pictures();
