// The busy state and the application's window hook: nesting and the wait
// cursor, a close asked for while busy that waits for the outermost end, and
// which handler each message reaches while busy or during a slide show.
#include "browser/model/busy.h"
#include "browser/model/browser_list.h"
#include "browser/model/window_hook.h"
#include "graphics/kavtrel.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <string>

namespace {
std::string reached;  // the handler the last message reached

int record(const char* name)
{
    reached = name;
    return 0;
}

int viewer_mode_now;
int viewer_message(HWND, UINT, WPARAM, LPARAM) { return record("viewer"), 7; }
int key_down(HWND, UINT, WPARAM, LPARAM) { return record("key"); }
int mouse_move(HWND, UINT, WPARAM, LPARAM) { return record("mouse"); }
int left_down(HWND, UINT, WPARAM, LPARAM) { return record("left"); }
int right_down(HWND, UINT, WPARAM, LPARAM) { return record("right"); }
int dispatch(int, HWND, UINT, WPARAM, LPARAM) { return record("dispatch"); }

// Recording handlers in the hook table for the test's length.
struct recording_hooks {
    browser_ui_hook_table saved = browser_ui_hooks;
    recording_hooks()
    {
        browser_ui_hooks.viewer_mode = [] { return viewer_mode_now; };
        browser_ui_hooks.viewer_message = viewer_message;
        browser_ui_hooks.key_down = key_down;
        browser_ui_hooks.mouse_move = mouse_move;
        browser_ui_hooks.left_down = left_down;
        browser_ui_hooks.right_down = right_down;
        browser_ui_hooks.dispatch = dispatch;
    }
    ~recording_hooks()
    {
        browser_ui_hooks = saved;
        viewer_mode_now = 0;
        busy_reset();
    }
};

bool wait_cursor() { return GetCursor() == LoadCursor(nullptr, IDC_WAIT); }
}  // namespace

TEST(Busy, NestingAndWaitCursor)
{
    busy_reset();
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    busy_begin_wait();
    EXPECT_TRUE(wait_cursor());
    busy_begin_flag2();
    EXPECT_EQ(busy_state.counter, 2);
    EXPECT_EQ(busy_state.mouse, 1);
    busy_end();  // an inner end clears both flags but stays busy
    EXPECT_EQ(busy_state.counter, 1);
    EXPECT_EQ(busy_state.wait + busy_state.mouse, 0);
    busy_end();
    busy_end();  // never below idle
    EXPECT_EQ(busy_state.counter, 0);
    {
        busy_guard outer(BUSY_WAIT);
        busy_guard inner(BUSY_PLAIN);
        EXPECT_EQ(busy_state.counter, 2);
    }
    EXPECT_EQ(busy_state.counter, 0);
}

// The exit hook runs when the close is carried out; each end of a level is
// reported, so the output shows where the close came.
ZOTE_CHILD(close_during_busy)
{
    kavtrel_start(GetModuleHandleA(nullptr), nullptr, "");
    app_hooks.exit_hook = [] {
        printf("closing\n");
        fflush(stdout);
    };
    _newpage(1, 0, 0, 200, 100);
    busy_begin_wait();
    busy_begin();
    SendMessageA(GetParent(_page_hwnd(1)), WM_CLOSE, 0, 0);
    printf("asked at 2\n");
    fflush(stdout);
    busy_end();
    printf("ended 1\n");
    fflush(stdout);
    busy_end();
    printf("ended 0\n");
    return 0;
}

TEST(Busy, CloseRequestHonouredAtOutermostEnd)
{
    bench::child_result r = bench::run_child("close_during_busy");
    ASSERT_FALSE(r.timed_out);
    r.output.erase(std::remove(r.output.begin(), r.output.end(), '\r'), r.output.end());
    EXPECT_EQ(r.output.find("asked at 2\nended 1\nclosing\n"), 0u) << r.output;
}

TEST(WindowHook, BusyKeepsInputOutAndSlideShowTakesAll)
{
    recording_hooks hooks;
    HWND w = CreateWindowA("STATIC", "hook", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    enum { IDLE, BUSY_PLAIN_LEVEL, BUSY_WAIT_LEVEL, BUSY_MOUSE_LEVEL, SLIDE_SHOW_BUSY };
    struct {
        UINT message;
        const char* reached[5];
    } table[] = {
        {WM_COMMAND, {"dispatch", "", "", "", "viewer"}},
        {WM_KEYDOWN, {"key", "", "", "", "viewer"}},
        {WM_LBUTTONDOWN, {"left", "", "", "", "viewer"}},
        {WM_RBUTTONDOWN, {"right", "", "", "", "viewer"}},
        {WM_MOUSEMOVE, {"mouse", "mouse", "", "", "viewer"}},
        {WM_MENUSELECT, {"dispatch", "dispatch", "", "dispatch", "viewer"}},
    };
    for (int state = IDLE; state <= SLIDE_SHOW_BUSY; state++) {
        busy_reset();
        viewer_mode_now = state == SLIDE_SHOW_BUSY ? 2 : 0;
        if (state == BUSY_PLAIN_LEVEL) busy_begin();
        if (state == BUSY_WAIT_LEVEL || state == SLIDE_SHOW_BUSY) busy_begin_wait();
        if (state == BUSY_MOUSE_LEVEL) busy_begin_flag2();
        for (const auto& t : table) {
            reached.clear();
            SetCursor(LoadCursor(nullptr, IDC_ARROW));
            int result = app_wndproc_hook(w, t.message, 100, 0);
            EXPECT_EQ(reached, t.reached[state]) << "state " << state << " message " << t.message;
            // Kept-out messages answer 0, so they go on to the default procedure.
            EXPECT_EQ(result, state == SLIDE_SHOW_BUSY ? 7 : 0) << state << " " << t.message;
            if (state == BUSY_WAIT_LEVEL) { EXPECT_TRUE(wait_cursor()) << t.message; }
        }
    }
    DestroyWindow(w);
}
