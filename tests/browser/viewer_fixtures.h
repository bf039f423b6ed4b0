// A started browser page with the viewer on a fixture folder of
// pictures in flat colours written by the project's writers, and a clock for
// the viewer's loops that only moves when they sleep.
#pragma once
#include "browser/archives/archive_folder.h"
#include "browser/grid/grid.h"
#include "browser/viewer/idle_work.h"
#include "browser/grid/list_view.h"
#include "browser/viewer/viewer.h"
#include "browser/commands/window_hook.h"
#include "tests/browser/list_fixtures.h"
#include "tests/support/restore.h"
#include <functional>
#include <string>
#include <vector>

namespace viewer_fixture {

inline void write_colour_png(const std::string& path, int w, int h, COLORREF c)
{
    _bmap* b = bmap_new(w, h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            BYTE* p = b->pixels + y * b->stride + 3 * x;
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    save_png_rgb(path.c_str(), b);
    _bmap_delete(b);
}

// The clock of the viewer's loops: each sleep moves it on and lets the test
// act (press a key, post a quit) at that moment.
struct fake_clock {
    static DWORD ms;
    static int sleeps;
    static std::function<void(int)> on_sleep;
    static DWORD now() { return ms; }
    static void sleep(DWORD d)
    {
        ms += d;
        sleeps++;
        if (on_sleep) on_sleep(sleeps);
    }
};
inline DWORD fake_clock::ms;
inline int fake_clock::sleeps;
inline std::function<void(int)> fake_clock::on_sleep;

struct viewer_page {
    scoped_restore<viewer_state_record> keep_state{viewer_state};
    scoped_restore<viewer_now_record> keep_now{viewer_now};
    scoped_restore<viewer_clock_table> keep_clock{viewer_clock};
    scoped_restore<app_hook_table> keep_app{app_hooks};
    scoped_restore<image_format_hook_table> keep_formats{image_format_hooks};
    scoped_restore<int (*)()> keep_idle{kavtrel_idle_hook};

    viewer_page(int w, int h)
    {
        kavtrel_start(GetModuleHandleA(nullptr), nullptr, "");
        list_fixture::reset_list();
        image_format_hooks.load_png = load_png_file;
        image_format_hooks.load_jpeg = load_jpeg_file;
        install_idle_work();
        app_hooks.window_hook = app_wndproc_hook;
        viewer_defaults(viewer_state);
        viewer_now = {};
        fake_clock::ms = 100000;
        fake_clock::sleeps = 0;
        fake_clock::on_sleep = nullptr;
        viewer_clock = {fake_clock::now, fake_clock::sleep};
        _newpage(1, 0, 0, -w, -h);
        bench::install_message_box_seam(IDOK);
    }
    ~viewer_page()
    {
        fake_clock::on_sleep = nullptr;
        close_actual_view(viewer_state);
        for (int slot : {VIEWER_PAGE, VIEWER_SLOT, VIEWER_SLOT2}) _page_free(slot);
        browser_list_set_entries(nullptr, 0);
        _page_free(1);
    }
    void open(const std::string& folder)
    {
        change_folder(folder.c_str());
        load_folder(nullptr, 0, 0, nullptr, 0);
    }
    std::string title() const
    {
        char t[512];
        GetWindowTextA(GetParent(_page_hwnd(1)), t, sizeof t);
        return t;
    }
    // The list index of a name, -1 when it is not listed.
    static int index_of(const std::string& name)
    {
        for (int i = 0; i < browser_list.count; i++)
            if (name == browser_list.names[i]) return i;
        return -1;
    }
};

}  // namespace viewer_fixture
