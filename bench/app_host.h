// The program itself inside a benchmark: a hand-over file makes app_main run
// as the relaunched copy does, on the command line given, so the window, its
// hooks, settings and caches are those of zote.exe. The benchmark then gives
// the window a user's input (a key, a dropped folder) and reads what the user
// sees from the windows, each moment on the clock: the page's paints, the
// status bar's texts and progress, and the title, and when a key reaches the
// page. Nothing inside the program is timed.
#pragma once
#include "bench/bench_common.h"
#include "browser/model/browser_list.h"
#include "browser/model/start.h"
#include "browser/viewer/viewer.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include <windows.h>
#include <commctrl.h>
#include <io.h>
#include <shlobj.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

struct ui_event {
    enum kind_t { PAINT, STATUS, TITLE, PROGRESS, KEY } kind;
    double ms;
    std::string text;  // the status or the title
    int value;         // the viewer's entry at a paint; the percent of a progress; the key
    COLORREF seen;     // at a paint: the window's pixel at page_probe
};
inline std::vector<ui_event> ui_events;
// A point of the page's window whose colour each paint records (none: -1).
inline POINT page_probe = {-1, -1};

// The colour the page's window shows at a point of its client area.
inline COLORREF shown_at_point(HWND w, POINT p)
{
    HDC dc = GetDC(w);
    COLORREF c = dc ? GetPixel(dc, p.x, p.y) : CLR_INVALID;
    if (dc) ReleaseDC(w, dc);
    return c;
}

namespace app_host {
inline WNDPROC page_proc, status_proc, progress_proc, frame_proc;

inline LRESULT CALLBACK watch_page(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_KEYDOWN) ui_events.push_back({ui_event::KEY, now_ms(), "", int(wp), CLR_INVALID});
    LRESULT r = CallWindowProcA(page_proc, w, m, wp, lp);
    if (m == WM_PAINT) {
        COLORREF seen = page_probe.x >= 0 ? shown_at_point(w, page_probe) : CLR_INVALID;
        ui_events.push_back({ui_event::PAINT, now_ms(), "", viewer_now.current_index, seen});
    }
    return r;
}

// The page's own status part (the first part is the progress bar's).
inline LRESULT CALLBACK watch_status(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == SB_SETTEXTA && LOBYTE(LOWORD(wp)) == 1 && lp)
        ui_events.push_back({ui_event::STATUS, now_ms(), reinterpret_cast<const char*>(lp), -1, CLR_INVALID});
    return CallWindowProcA(status_proc, w, m, wp, lp);
}

inline LRESULT CALLBACK watch_progress(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == PBM_SETPOS) ui_events.push_back({ui_event::PROGRESS, now_ms(), "", int(wp), CLR_INVALID});
    return CallWindowProcA(progress_proc, w, m, wp, lp);
}

inline LRESULT CALLBACK watch_frame(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_SETTEXT && lp)
        ui_events.push_back({ui_event::TITLE, now_ms(), reinterpret_cast<const char*>(lp), -1, CLR_INVALID});
    return CallWindowProcA(frame_proc, w, m, wp, lp);
}

inline WNDPROC watch(HWND w, WNDPROC with)
{
    return w ? reinterpret_cast<WNDPROC>(SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(with)))
             : nullptr;
}
}  // namespace app_host

inline HWND page_window() { return _page_hwnd(browser_list.page); }
inline HWND frame_window() { return page_window() ? GetParent(page_window()) : nullptr; }

// Handles messages and the program's idle work until neither is left, as
// its main loop does between inputs: the ms it took.
inline double settle()
{
    double t = now_ms();
    _settle();
    return now_ms() - t;
}

// Starts the program on the command line (options and a folder) as the
// relaunched copy: false when its window did not come.
inline bool start_program(const std::string& command_line)
{
    bench_out = _fdopen(_dup(_fileno(stdout)), "w");
    if (!bench_out) bench_out = stdout;
    std::freopen("NUL", "w", stdout);
    std::freopen("NUL", "w", stderr);
    if (!kavtrel_start(GetModuleHandleA(nullptr), nullptr, command_line.c_str())) return false;
    handover_block b;
    char param[PATH_BUF];
    if (!zote_bin_path("param", param) || !fill_handover(&b, 0, command_line.c_str())) return false;
    std::string folder(param, mb_strrchr(param, '\\') - param);
    md_path(folder.c_str());
    if (!write_handover(param, b)) return false;
    int result = app_main();
    kavtrel_after_app(result);
    if (result == APP_QUIT_AT_ONCE || !frame_window()) return false;
    app_host::page_proc = app_host::watch(page_window(), app_host::watch_page);
    app_host::frame_proc = app_host::watch(frame_window(), app_host::watch_frame);
    HWND bar = FindWindowExA(frame_window(), nullptr, STATUSCLASSNAMEA, nullptr);
    app_host::status_proc = app_host::watch(bar, app_host::watch_status);
    HWND progress = FindWindowExA(bar, nullptr, PROGRESS_CLASSA, nullptr);
    app_host::progress_proc = app_host::watch(progress, app_host::watch_progress);
    settle();
    return app_host::page_proc && app_host::status_proc && app_host::progress_proc;
}

// Gives the program an input (post puts it into the queue, as the user's
// input arrives) and handles messages until none waits. ui_events then holds
// what the user saw; the result is the ms the input kept the program from
// taking the next one. The idle work the input leaves is not done: settle().
template <class Post> double user_input(Post post)
{
    ui_events.clear();
    double t = now_ms();
    post();
    _pump();
    return now_ms() - t;
}

// The ms from start to the first event of kind (with text, when given) at
// or after from_ms; -1 when none came.
inline double event_after(double start, ui_event::kind_t kind, double from_ms, const char* text = nullptr)
{
    for (const ui_event& e : ui_events)
        if (e.kind == kind && e.ms >= from_ms && (!text || e.text == text)) return e.ms - start;
    return -1;
}

inline void post_key(int key)
{
    PostMessageA(page_window(), WM_KEYDOWN, key, 1);
    PostMessageA(page_window(), WM_KEYUP, key, 0xC0000001);
}

// A folder dropped on the window, as Explorer drops it.
inline void post_drop(const std::string& path)
{
    HGLOBAL h = GlobalAlloc(GHND, sizeof(DROPFILES) + path.size() + 2);
    if (!h) return;
    auto* d = static_cast<DROPFILES*>(GlobalLock(h));
    d->pFiles = sizeof(DROPFILES);
    memcpy(reinterpret_cast<char*>(d) + sizeof(DROPFILES), path.c_str(), path.size());
    GlobalUnlock(h);
    PostMessageA(frame_window(), WM_DROPFILES, reinterpret_cast<WPARAM>(h), 0);
}
