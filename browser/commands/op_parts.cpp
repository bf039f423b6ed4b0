// The slots of browser_op_hooks that parts already built fill: the toolbar's
// hit tests seen as the kinds the clicks and help texts act on, the history's
// record of a selection and its menu, and the viewer's steps and slide show.
#include "browser/commands/commands.h"
#include "browser/model/op_hooks.h"
#include "browser/model/browser_list.h"
#include "browser/model/history.h"
#include "browser/model/paths.h"
#include "browser/commands/toolbar.h"
#include "browser/viewer/viewer.h"
#include "browser/model/start.h"

namespace {
const browser_list_record& L = browser_list;

void toolbar_kind_at(int x, int y, toolbar_hit* out)
{
    hit_record hit = {};
    hit.x = x;
    hit.y = y;
    *out = {BAR_NONE, 0};
    if (x < L.left_margin && y > L.top_margin) {
        int n = hit_left_strip(hit);
        *out = n ? toolbar_hit{BAR_BUTTON, n} : toolbar_hit{BAR_LEFT_MARGIN, 0};
    } else if (int arrow = hit_history_arrow(hit)) {
        *out = {arrow == 1 ? BAR_HISTORY_BACK : BAR_HISTORY_FORWARD, 0};
    } else if (int fixed = hit_fixed_button(hit)) {
        *out = {BAR_SPECIAL, fixed};
    } else if (int level = hit_tree_level(hit)) {
        *out = {BAR_TREE_LEVEL, level};
    } else if (hit_tree_end(hit)) {
        *out = {BAR_TREE_LEVEL, 0};
    } else if (hit_last_component(hit)) {
        *out = {BAR_TREE_SWITCH, 0};
    } else if (!current_folder.drive_list) {
        if (hit_path_component(hit)) *out = {BAR_PATH_SEGMENT, hit_test_toolbar(hit)};
    }
}

void record_selection()
{
    int slot = history_position(current_folder.folder);
    if (slot >= 0) store_history_selection(&browser_history.block.entries[slot]);
}

void step(int direction, int selected)
{
    viewer_state.selected_only = selected;
    viewer_step(viewer_state, direction);
}

void slides(int direction, int selected) { start_slide_show(viewer_state, selected, direction); }
int slide_running() { return viewer_now.mode >= 2; }
// The viewer's status line again, after its entry's mark changed.
void viewer_status()
{
    viewer_state_record& v = viewer_state;
    draw_viewer_status(v, viewer_now.current_index, v.actual_view ? v.actual_divisor : 0);
}
int interval() { return viewer_state.interval; }
int repeats() { return viewer_state.nonstop; }
}  // namespace

void install_op_parts()
{
    browser_op_hooks.toolbar_hit_test = toolbar_kind_at;
    browser_op_hooks.record_selection = record_selection;
    browser_op_hooks.build_history_menu = build_history_menu;
    browser_op_hooks.viewer_step = step;
    browser_op_hooks.slide_show = slides;
    browser_op_hooks.slide_running = slide_running;
    browser_op_hooks.viewer_status = viewer_status;
    browser_op_hooks.slide_interval = interval;
    browser_op_hooks.slide_repeats = repeats;
}
