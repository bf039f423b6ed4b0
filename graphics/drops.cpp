// Files dropped on the console or on a framed page: before the application
// has started the first name replaces the command line; afterwards the names
// go to the application's drop hook. Every drop is finished, whatever
// happens to it, so that its memory is given back.
#include "graphics/console.h"
#include "graphics/internal.h"
#include <cstdlib>
#include <cstring>

int early_drop;

void _drop_files(int page, HDROP drop)
{
    if (!app_hooks.drop_hook) {
        DragFinish(drop);
        return;
    }
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    char** names = (char**)calloc(count ? count : 1, sizeof(char*));
    int n = 0;
    for (UINT i = 0; names && i < count; i++) {
        // A name that does not fit a path buffer is left out, never cut.
        if (DragQueryFileA(drop, i, nullptr, 0) >= PATH_BUF) continue;
        char* name = (char*)malloc(PATH_BUF);
        if (!name) continue;
        if (!DragQueryFileA(drop, i, name, PATH_BUF)) {
            free(name);
            continue;
        }
        names[n++] = name;
    }
    DragFinish(drop);
    if (names) app_hooks.drop_hook(page, n, names);
    for (int i = 0; i < n; i++) free(names[i]);
    free(names);
}

void _early_drop(HDROP drop)
{
    char name[PATH_BUF];
    if (DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) > 0 && DragQueryFileA(drop, 0, nullptr, 0) < PATH_BUF &&
        DragQueryFileA(drop, 0, name, sizeof name))
        text_copy(kavtrel_command_line_buf, name);
    DragFinish(drop);
}

void handle_drop(HWND window, int page, HDROP drop)
{
    if (!app_started) {
        _early_drop(drop);
        early_drop = 1;
        return;
    }
    if (app_hooks.drop_hook && window && IsWindowVisible(window))
        _drop_files(page, drop);
    else
        DragFinish(drop);
}
