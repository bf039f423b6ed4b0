// The defaults of the browser's later parts (see app_hooks.h). Each one that
// stands in for a missing part says so once on the debug output.
#include "browser/model/app_hooks.h"
#include "browser/model/browser_list.h"
#include "graphics/kavtrel.h"

void draw_kind_placeholder(int index, double x, double y, double size);

namespace {
void missing(const char* what)
{
    char line[128];
    text_format_cut(line, sizeof line, "ZOTE: %s is not built yet\n", what);
    OutputDebugStringA(line);
}

#define ONCE(what)                \
    do {                          \
        static bool said = false; \
        if (!said) {              \
            said = true;          \
            missing(what);        \
        }                         \
    } while (0)

int no_saved_size() { return -1; }
void no_settings() { ONCE("the settings file"); }
void no_user_settings() {}
void no_handover_settings() { ONCE("the hand-over settings"); }
int no_curstop() { return 0; }
void no_history_push(const char*) { ONCE("the navigation history"); }
int no_history() { return 0; }
int not_in_history(const char*) { return -1; }
void no_archives() { ONCE("archives opened as folders"); }
void no_clipboard() {}
int cache_has_none(int) { return 1; }  // nothing to prefetch without a cache
void no_cache() {}
void no_toolbar() {}
void no_menus() { ONCE("the menus"); }
void no_scanner() {}
void no_viewer(int, int, int) { ONCE("the viewer"); }
void no_expand(int, int) { ONCE("the folder tree"); }
void no_command(int) { ONCE("the command dispatcher"); }
int no_printing(int, const unsigned char*, int, char* const*)
{
    ONCE("printing");
    return 0;
}
}  // namespace

browser_app_hook_table browser_app_hooks = {
    no_saved_size,
    no_settings,
    no_user_settings,
    no_handover_settings,
    no_curstop,
    no_history_push,
    no_history,
    no_history,
    no_history,
    not_in_history,
    no_archives,
    no_clipboard,
    no_clipboard,
    no_clipboard,
    draw_kind_placeholder,
    cache_has_none,
    no_cache,
    no_toolbar,
    no_toolbar,
    no_menus,
    no_scanner,
    no_viewer,
    no_expand,
    WinHelpA,
    no_command,
    no_printing,
};
