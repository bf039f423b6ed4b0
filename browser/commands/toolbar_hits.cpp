// Which toolbar button a mouse position hits, from the ranges of the last
// draw. The line's ranges include their right edge, except for the fixed
// buttons 2 to 5.
#include "browser/commands/toolbar.h"
#include "browser/model/browser_list.h"
#include "browser/model/paths.h"
#include <cstring>

static const browser_list_record& L = browser_list;

static bool in_line(const hit_record& hit) { return hit.y <= L.top_margin; }

int hit_range(const hit_record& hit, int from, int to)
{
    if (!in_line(hit)) return 0;
    if (from < 0) from = 0;
    if (to > TOOLBAR_BUTTONS) to = TOOLBAR_BUTTONS;
    for (int i = from; i < to; i++)
        if (L.button_left[i] <= hit.x && hit.x <= L.button_right[i]) return i + 1;
    return 0;
}

int hit_path_component(const hit_record& hit) { return hit_range(hit, 0, L.button_count - 1); }

static bool in_fixed(const hit_record& hit, int i)
{
    return in_line(hit) && L.fixed_left[i] <= hit.x && hit.x < L.fixed_right[i];
}

int hit_last_component(const hit_record& hit)
{
    if (L.button_count > 0) return hit_range(hit, L.button_count - 1, L.button_count) ? L.button_count : 0;
    return in_fixed(hit, 4) ? 1 : 0;
}

int hit_tree_level(const hit_record& hit)
{
    int i = hit_range(hit, L.button_count, L.button_count + L.level_count);
    return i ? i - L.button_count : 0;
}

int hit_tree_end(const hit_record& hit)
{
    int end = L.button_count + L.level_count;
    if (!L.tree_flag || end >= TOOLBAR_BUTTONS) return 0;
    return hit_range(hit, end, end + 1) ? 1 : 0;
}

int hit_history_arrow(const hit_record& hit)
{
    if (!in_line(hit)) return 0;
    for (int i = 0; i < 2; i++)
        if (L.fixed_left[i] <= hit.x && hit.x <= L.fixed_right[i]) return i + 1;
    return 0;
}

int hit_fixed_button(const hit_record& hit)
{
    for (int i = 2; i <= 5; i++)
        if (in_fixed(hit, i)) return i - 1;
    return 0;
}

int hit_left_strip(const hit_record& hit)
{
    if (hit.y < L.top_margin || hit.x > L.left_margin) return 0;
    int count = TOOLBAR_STRIP_FIXED + L.strip_numbers;
    for (int i = 0; i < count && i < TOOLBAR_FIXED; i++)
        if (L.strip_top[i] <= hit.y && hit.y < L.strip_bottom[i]) return i + 1;
    return 0;
}

// The components of the current folder that the line does not show: below
// the documents folder the path buttons start after that folder's own path.
static int hidden_components()
{
    char path[PATH_BUF];
    int shown = toolbar_shown_path(path);
    if (!shown) return 0;
    path[shown] = 0;  // the documents folder itself
    char* parts[TOOLBAR_PATH_PARTS];
    return split_path_components(path, parts);
}

// A path button's number counts the components from the drive, those the
// line leaves out included, so that it names the folder the button shows.
int hit_test_toolbar(const hit_record& hit)
{
    int path = hit_range(hit, 0, L.button_count);
    if (path) return current_folder.drive_list ? 0 : path + hidden_components();
    return hit_tree_end(hit) ? L.button_count + 2 : 0;
}

toolbar_hit toolbar_hit_at(int x, int y)
{
    hit_record hit = {};
    hit.x = x;
    hit.y = y;
    if (x < L.left_margin && y > L.top_margin) {
        int n = hit_left_strip(hit);
        return n ? toolbar_hit{BAR_BUTTON, n} : toolbar_hit{BAR_LEFT_MARGIN, 0};
    }
    if (int arrow = hit_history_arrow(hit)) return {arrow == 1 ? BAR_HISTORY_BACK : BAR_HISTORY_FORWARD, 0};
    if (int fixed = hit_fixed_button(hit)) return {BAR_SPECIAL, fixed};
    if (int level = hit_tree_level(hit)) return {BAR_TREE_LEVEL, level};
    if (hit_tree_end(hit)) return {BAR_TREE_LEVEL, 0};
    if (hit_last_component(hit)) return {BAR_TREE_SWITCH, 0};
    if (!current_folder.drive_list && hit_path_component(hit)) return {BAR_PATH_SEGMENT, hit_test_toolbar(hit)};
    return {BAR_NONE, 0};
}
