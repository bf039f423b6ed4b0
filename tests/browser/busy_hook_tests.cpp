// The busy state and the application's window hook: nesting and the wait
// cursor, a close asked for while busy that waits for the outermost end, and
// which handler each message reaches while busy or during a slide show.
#include "browser/model/busy.h"
#include "browser/model/browser_list.h"
#include "browser/model/viewer_now.h"
#include "browser/commands/window_hook.h"
#include "graphics/kavtrel.h"
#include "tests/support/bench.h"
#include "tests/support/restore.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>

namespace {
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

// The window library asks the busy state as the browser's start joins it.
static void join_busy_state()
{
    kavtrel_busy_query = busy_held;
    kavtrel_busy_recover = busy_recover;
}

// The exit hook runs when the close is carried out; each end of a level is
// reported, so the output shows where the close came.
ZOTE_CHILD(close_during_busy)
{
    kavtrel_start(GetModuleHandleA(nullptr), nullptr, "");
    join_busy_state();
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

// A level whose end was skipped (a fault the system swallowed under the
// operation) is ended when the main loop takes its next message, and the
// close asked for meanwhile is carried out.
ZOTE_CHILD(busy_left_raised)
{
    kavtrel_start(GetModuleHandleA(nullptr), nullptr, "");
    join_busy_state();
    app_hooks.exit_hook = [] {
        printf("closing\n");
        fflush(stdout);
    };
    _newpage(1, 0, 0, 200, 100);
    busy_begin_wait();
    SendMessageA(GetParent(_page_hwnd(1)), WM_CLOSE, 0, 0);
    printf("left raised\n");
    fflush(stdout);
    message_loop();
    printf("loop ended\n");
    return 0;
}

TEST(Busy, TheMainLoopEndsALevelLeftRaised)
{
    bench::child_result r = bench::run_child("busy_left_raised", 10000);
    ASSERT_FALSE(r.timed_out) << r.output;
    r.output.erase(std::remove(r.output.begin(), r.output.end(), '\r'), r.output.end());
    EXPECT_EQ(r.output.find("left raised\nclosing\nloop ended\n"), 0u) << r.output;
}

TEST(WindowHook, BusyKeepsInputOutAndSlideShowTakesAll)
{
    scoped_restore<viewer_now_record> keep_now(viewer_now);
    HWND w = CreateWindowA("STATIC", "hook", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    enum { IDLE, BUSY_PLAIN_LEVEL, BUSY_WAIT_LEVEL, BUSY_MOUSE_LEVEL, SLIDE_SHOW_BUSY };
    const window_hook_target out = HOOK_DEFAULT, wait = HOOK_WAIT_CURSOR, show = HOOK_SLIDE_SHOW;
    struct {
        UINT message;
        window_hook_target reached[5];
    } table[] = {
        {WM_COMMAND, {HOOK_COMMAND, out, wait, out, show}},
        {WM_KEYDOWN, {HOOK_KEY_DOWN, out, wait, out, show}},
        {WM_LBUTTONDOWN, {HOOK_LEFT_DOWN, out, wait, out, show}},
        {WM_RBUTTONDOWN, {HOOK_RIGHT_DOWN, out, wait, out, show}},
        {WM_MOUSEMOVE, {HOOK_MOUSE_MOVE, HOOK_MOUSE_MOVE, wait, out, show}},
        {WM_MENUSELECT, {HOOK_MENU_SELECT, HOOK_MENU_SELECT, wait, HOOK_MENU_SELECT, show}},
    };
    for (int state = IDLE; state <= SLIDE_SHOW_BUSY; state++) {
        busy_reset();
        viewer_now.mode = state == SLIDE_SHOW_BUSY ? VIEWER_MODE_SLIDE : VIEWER_MODE_LIST;
        if (state == BUSY_PLAIN_LEVEL) busy_begin();
        if (state == BUSY_WAIT_LEVEL || state == SLIDE_SHOW_BUSY) busy_begin_wait();
        if (state == BUSY_MOUSE_LEVEL) busy_begin_flag2();
        for (const auto& t : table) {
            window_hook_target target = window_hook_target_of(t.message);
            EXPECT_EQ(target, t.reached[state]) << "state " << state << " message " << t.message;
            if (target != out && target != wait) continue;
            // Kept-out messages answer 0, so they go on to the default procedure.
            SetCursor(LoadCursor(nullptr, IDC_ARROW));
            EXPECT_EQ(app_wndproc_hook(w, t.message, 100, 0), 0) << state << " " << t.message;
            EXPECT_EQ(wait_cursor(), target == wait) << state << " " << t.message;
        }
    }
    busy_reset();
    DestroyWindow(w);
}
