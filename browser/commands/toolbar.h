// The toolbar's hit tests: what lies under a point of the line the grid
// draws, from the ranges its drawing recorded.
#pragma once
#include "browser/grid/toolbar.h"

int hit_range(const hit_record& hit, int from, int to);
int hit_path_component(const hit_record& hit);
int hit_last_component(const hit_record& hit);
int hit_tree_level(const hit_record& hit);
int hit_tree_end(const hit_record& hit);
int hit_history_arrow(const hit_record& hit);
int hit_fixed_button(const hit_record& hit);
int hit_left_strip(const hit_record& hit);
int hit_test_toolbar(const hit_record& hit);

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

// What lies at a client point, as the kinds the clicks and help texts act on.
toolbar_hit toolbar_hit_at(int x, int y);
