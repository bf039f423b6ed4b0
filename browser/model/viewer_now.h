// What the rest of the browser reads of the viewer: its mode, whether it
// fills the screen, and the entry it shows. The viewer and the commands
// above it write the record; the rooms below the viewer only read it.
#pragma once

enum {
    VIEWER_MODE_LIST = 0,
    VIEWER_MODE_ONE = 1,
    VIEWER_MODE_SLIDE = 2,
    VIEWER_MODE_STARTING = 3,
};

struct viewer_now_record {
    int mode;  // VIEWER_MODE_*
    int full_screen;
    int current_index;
    int zoom_step;  // the step the toolbar's strip marks: 1, 2, 4, 8, or 0 for none
};
extern viewer_now_record viewer_now;
