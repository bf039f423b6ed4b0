// Marks benchmark: the program started on a folder of camera photos; the
// user marks and unmarks entries (Ctrl+click on a cell in the grid, Ctrl+Enter
// in the one-image viewer) thousands of times, as a long sorting session
// does. Each mark is drawn on the page, whose paints replay what was drawn:
// timed is a repaint of the page (the window made invalid and painted) before
// any mark, after 1,500 and after 10,000, with the first repaint as its
// floor; and what a mark itself takes, beside the first hundred. In the
// viewer, what the marks leave in memory, and what leaving the viewer then
// takes, beside leaving it without marks.
//
// marks_bench.exe [quick]    quick: a few hundred marks (a smoke run)
#include "bench/app_host.h"
#include "browser/grid/selection.h"
#include "browser/model/browser_list.h"
#include "browser/viewer/viewer.h"
#include "tests/support/census.h"
#include <psapi.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// A repaint of the whole page window: median ms of a few.
static double repaint_ms()
{
    std::vector<double> t;
    for (int i = 0; i < 9; i++) {
        InvalidateRect(page_window(), nullptr, TRUE);
        double start = now_ms();
        UpdateWindow(page_window());
        GdiFlush();
        t.push_back(now_ms() - start);
    }
    return median(t);
}

static POINT cell_centre(int index)
{
    int l, t, r, b;
    mark_cell_rect(index, &l, &t, &r, &b);
    return {(l + r) / 2, (t + b) / 2};
}

static void post_ctrl_click(POINT p)
{
    LPARAM at = MAKELPARAM(p.x, p.y);
    PostMessageA(page_window(), WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, at);
    PostMessageA(page_window(), WM_LBUTTONUP, MK_CONTROL, at);
}

// Ctrl held, as the keyboard tells the program.
static void hold_ctrl(bool down)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = keys[VK_LCONTROL] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

static double resident_mb()
{
    PROCESS_MEMORY_COUNTERS m = {sizeof m};
    return GetProcessMemoryInfo(GetCurrentProcess(), &m, sizeof m) ? m.WorkingSetSize / 1048576.0 : -1;
}

// The most resident memory seen while it runs, looked at every millisecond
// from a thread of its own.
struct peak_watch {
    volatile LONG stop = 0;
    double peak = 0;
    HANDLE thread = nullptr;
    static DWORD WINAPI watch(void* self)
    {
        peak_watch* w = static_cast<peak_watch*>(self);
        while (!w->stop) {
            double now = resident_mb();
            if (now > w->peak) w->peak = now;
            Sleep(1);
        }
        return 0;
    }
    peak_watch() { thread = CreateThread(nullptr, 0, watch, this, 0, nullptr); }
    double end()
    {
        InterlockedExchange(&stop, 1);
        if (thread) WaitForSingleObject(thread, INFINITE), CloseHandle(thread);
        return peak;
    }
};

// Marks given in rounds of `batch` inputs, each round handled whole (its
// paints come once, as a user's quick clicks bring them) until `total`
// marks were given since `done`: the ms a mark took, on average.
template <class Mark> static double mark_until(int& done, int total, Mark mark)
{
    const int batch = 100;
    double start = now_ms();
    int from = done;
    while (done < total) {
        int n = total - done < batch ? total - done : batch;
        user_input([&] {
            for (int i = 0; i < n; i++) mark(done + i);
        });
        done += n;
    }
    return done > from ? (now_ms() - start) / (done - from) : -1;
}

static bool enter_viewer()
{
    PostMessageA(page_window(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(cell_centre(0).x, cell_centre(0).y));
    settle();
    if (viewer_now.mode == VIEWER_MODE_ONE) return true;
    say("the viewer did not open\n");
    return false;
}

// Escape from the viewer back to the grid: the ms it took, and the most
// memory the process held meanwhile above what it held before.
struct leave_figures {
    double ms, peak_mb;
};

static bool leave_viewer(leave_figures* f)
{
    double before = resident_mb();
    peak_watch watch;
    f->ms = user_input([] { post_key(VK_ESCAPE); });
    f->peak_mb = watch.end() - before;
    settle();
    if (viewer_now.mode == VIEWER_MODE_LIST) return true;
    say("the viewer was not left\n");
    return false;
}

int main(int argc, char** argv)
{
    bool quick = argc >= 2 && !strcmp(argv[1], "quick");
    int files = quick ? 12 : 40;
    std::vector<int> counts = quick ? std::vector<int>{150, 300} : std::vector<int>{1500, 10000};
    report_cpus();
    std::string folder = temp_folder() + (quick ? "zote_marks_quick" : "zote_marks_bench");
    CreateDirectoryA(folder.c_str(), nullptr);
    std::vector<std::string> paths;
    for (int i = 0; i < files; i++) paths.push_back(folder + "\\印" + std::to_string(i) + "表.jpg");
    make_photos(paths, 640, 480);
    if (!start_program("\"" + folder + "\"") || viewer_now.mode != VIEWER_MODE_LIST) {
        say("the program did not show its grid\n");
        return 1;
    }
    settle();

    // The grid: Ctrl+click on the first eight cells in turn.
    say("== the grid of %d photos: marks toggled by Ctrl+click\n", files);
    double first = repaint_ms();
    floor_figure f = {"before any mark", first};
    report("grid repaint before any mark", first, {f}, 0, 2);
    auto grid_mark = [](int i) { post_ctrl_click(cell_centre(i % 8)); };
    int done = 0;
    floor_figure first_marks = {"the first 100", mark_until(done, 100, grid_mark)};
    for (int total : counts) {
        double each = mark_until(done, total, grid_mark);
        char what[96];
        snprintf(what, sizeof what, "grid repaint after %d marks", total);
        report(what, repaint_ms(), {f}, 0, 2);
        snprintf(what, sizeof what, "a mark in the grid, up to the %dth", total);
        report(what, each, {first_marks}, 0, 2);
    }

    // The viewer on the first photo: Ctrl+Enter on the photo shown. Left
    // once without marks, for the floor of leaving it.
    leave_figures bare = {};
    if (!enter_viewer() || !leave_viewer(&bare)) return 1;
    if (!enter_viewer()) return 1;
    say("== the one-image viewer: the photo shown marked and unmarked by Ctrl+Enter\n");
    double viewer_first = repaint_ms();
    floor_figure vf = {"before any mark", viewer_first};
    report("viewer repaint before any mark", viewer_first, {vf}, 0, 2);
    double resident_before = resident_mb();
    auto viewer_mark = [](int) {
        PostMessageA(page_window(), WM_KEYDOWN, VK_RETURN, 1);
        PostMessageA(page_window(), WM_KEYUP, VK_RETURN, 0xC0000001);
    };
    done = 0;
    hold_ctrl(true);
    floor_figure viewer_first_marks = {"the first 100", mark_until(done, 100, viewer_mark)};
    double each = mark_until(done, counts.back(), viewer_mark);
    hold_ctrl(false);
    settle();
    char what[96];
    snprintf(what, sizeof what, "viewer repaint after %d marks", counts.back());
    report(what, repaint_ms(), {vf}, 0, 2);
    snprintf(what, sizeof what, "a mark in the viewer, up to the %dth", counts.back());
    report(what, each, {viewer_first_marks}, 0, 2);
    bench::census c;
    bench::count_gdi_objects(c);
    snprintf(what, sizeof what, "memory taken by %d marks", counts.back());
    report(what, resident_mb() - resident_before, {}, 8, 0, "MB");
    report("pages' pictures held after them", c.recordings_kb / 1024, {}, 16, 0, "MB");
    leave_figures marked = {};
    if (!leave_viewer(&marked)) return 1;
    report("leaving the viewer after them", marked.ms, {{"without marks", bare.ms}}, 0, 2);
    report("memory at its peak while leaving, above before", marked.peak_mb, {{"without marks", bare.peak_mb}}, 16, 0,
           "MB");
    return 0;
}
