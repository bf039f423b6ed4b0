// A started browser page over a scratch folder of small images, for the key,
// mouse, selection and entry-operation tests, and a recorder of the commands
// and clicks the browser's window receives.
#pragma once
#include "browser/archives/archive_folder.h"
#include "browser/grid/grid.h"
#include "browser/grid/list_view.h"
#include "browser/model/seams.h"
#include "browser/commands/window_hook.h"
#include "browser/model/command_ids.h"
#include "browser/viewer/viewer.h"
#include "tests/browser/list_fixtures.h"
#include "tests/support/restore.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace keys_fixture {

// What reached the browser's window from a key or click: commands with their
// value, the right button (the entry menu) and double clicks at their point.
// A sent one is there as soon as the handler returns; a posted one after a
// pump. They stop at the window hook; every other message goes on to it.
struct command_seen {
    UINT message;
    int id;  // the command; 0 for a button
    LPARAM value;
};
inline std::vector<command_seen>& commands()
{
    static std::vector<command_seen> seen;
    return seen;
}
inline int recording_hook(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    bool command = m == WM_COMMAND && wp != CM_DEFERRED_LAYOUT;
    if (!command && m != WM_RBUTTONDOWN && m != WM_LBUTTONDBLCLK) return app_wndproc_hook(w, m, wp, lp);
    commands().push_back({m, command ? int(LOWORD(wp)) : 0, lp});
    return 1;
}

// The modifier keys as GetKeyState reports them to this thread.
inline void set_modifiers(bool shift, bool ctrl, bool alt)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    keys[VK_CONTROL] = ctrl ? 0x80 : 0;
    keys[VK_MENU] = alt ? 0x80 : 0;
    SetKeyboardState(keys);
}

// Page 1 as the browser makes it (client w x h) over dir\folder with n images.
// The hook tables the page changes, saved before it changes them.
struct page_hooks_kept {
    scoped_restore<viewer_now_record> now{viewer_now};
    scoped_restore<viewer_state_record> viewer{viewer_state};
    scoped_restore<image_format_hook_table> formats{image_format_hooks};
    scoped_restore<browser_seam_table> seams{browser_seams};
    scoped_restore<app_hook_table> app{app_hooks};
};

struct browser_page : page_hooks_kept, list_fixture::browser_page {
    browser_page(int w, int h) : list_fixture::browser_page(w, h)
    {
        commands().clear();
        app_hooks.window_hook = recording_hook;
        ShowWindow(GetAncestor(window(), GA_ROOT), SW_SHOW);
        SetForegroundWindow(GetAncestor(window(), GA_ROOT));
    }
    ~browser_page()
    {
        set_modifiers(false, false, false);
        close_actual_view(viewer_state);
    }
    HWND window() const { return _page_hwnd(1); }
    // The pointer to a client point of the page, and that point as a message position.
    LPARAM point(int x, int y) const
    {
        POINT p = {x, y};
        ClientToScreen(window(), &p);
        SetCursorPos(p.x, p.y);
        return MAKELPARAM(x, y);
    }
    // The centre of cell (column, row) of the shown page.
    LPARAM centre(int column, int row) const
    {
        return point(int(browser_list.left_margin + (column + 0.5) * browser_list.cell_width),
                     int(browser_list.top_margin + (row + 0.5) * browser_list.cell_height));
    }
    POINT pointer() const
    {
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(window(), &p);
        return p;
    }
    void load(const std::string& folder)
    {
        ASSERT_TRUE(change_folder(folder.c_str()));
        load_folder(nullptr, 0, 0, nullptr, 0);
    }
};

inline void images(const bench::scratch_dir& dir, const std::string& folder, int n)
{
    for (int i = 0; i < n; i++) {
        char name[32];
        snprintf(name, sizeof name, "\\%03d.jpg", i);
        dir.write(folder + name, "x");
    }
}

inline void pump() { bench::pump_for(50); }

}  // namespace keys_fixture
