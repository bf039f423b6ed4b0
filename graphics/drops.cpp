// Files dropped on the console or on a framed page: before the application
// has started the first name replaces the command line; afterwards the names
// go to the application's drop hook. Every drop is finished, whatever
// happens to it, so that its memory is given back.
#include "graphics/console.h"
#include "graphics/internal.h"
#include <shlobj.h>
#include <cstring>

int early_drop;

bool _drop_list_paths(HGLOBAL list, std::vector<std::string>* out)
{
    out->clear();
    SIZE_T size = list ? GlobalSize(list) : 0;
    global_lock bytes(list);
    if (!bytes || size < sizeof(DROPFILES)) return false;
    const DROPFILES* d = reinterpret_cast<const DROPFILES*>(bytes.get());
    if (d->pFiles < sizeof(DROPFILES) || d->pFiles >= size) return false;
    const BYTE *at = bytes.get() + d->pFiles, *end = bytes.get() + size;
    size_t unit = d->fWide ? sizeof(WCHAR) : 1;
    // Each path ends in a terminator; an empty one ends the list (or the block does).
    for (;;) {
        size_t n = 0;
        auto zero_at = [&](size_t k) { return unit == 1 ? at[k] == 0 : reinterpret_cast<const WCHAR*>(at)[k] == 0; };
        while (at + (n + 1) * unit <= end && !zero_at(n)) n++;
        if (n == 0 || at + (n + 1) * unit > end) return true;
        if (unit == 1) {
            out->emplace_back(reinterpret_cast<const char*>(at), n);
        } else {
            const WCHAR* wide = reinterpret_cast<const WCHAR*>(at);
            int length = WideCharToMultiByte(CP_ACP, 0, wide, int(n), nullptr, 0, nullptr, nullptr);
            std::string path(length > 0 ? size_t(length) : 0, '\0');
            if (length > 0) WideCharToMultiByte(CP_ACP, 0, wide, int(n), &path[0], length, nullptr, nullptr);
            out->push_back(path);
        }
        at += (n + 1) * unit;
    }
}

void _drop_files(int page, HDROP drop)
{
    if (!app_hooks.drop_hook) {
        DragFinish(drop);
        return;
    }
    std::vector<std::string> paths;
    _drop_list_paths(HGLOBAL(drop), &paths);
    DragFinish(drop);
    // A name that does not fit a path buffer is left out, never cut.
    std::vector<char*> names;
    for (std::string& p : paths)
        if (!p.empty() && p.size() < PATH_BUF) names.push_back(&p[0]);
    names.push_back(nullptr);
    app_hooks.drop_hook(page, int(names.size()) - 1, names.data());
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
