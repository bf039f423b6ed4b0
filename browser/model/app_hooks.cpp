// The table of app_hooks.h as it stands before start-up fills it: no cut
// marks, the kind's placeholder picture, no toolbar line.
#include "browser/model/app_hooks.h"
#include "browser/model/browser_list.h"

void draw_kind_placeholder(int index, double x, double y, double size);

namespace {
void kind_placeholder(int index, double x, double y, double size, int) { draw_kind_placeholder(index, x, y, size); }
int nothing_to_prefetch(int) { return 1; }
void no_toolbar_line() {}
}  // namespace

browser_app_hook_table browser_app_hooks = {
    .draw_cell_picture = kind_placeholder,
    .thumb_cache_draw = nothing_to_prefetch,
    .draw_toolbar = no_toolbar_line,
};
