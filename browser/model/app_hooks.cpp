// The table of app_hooks.h as it stands before start-up fills it: no toolbar line.
#include "browser/model/app_hooks.h"

namespace {
void no_toolbar_line() {}
}  // namespace

browser_app_hook_table browser_app_hooks = {
    .draw_toolbar = no_toolbar_line,
};
