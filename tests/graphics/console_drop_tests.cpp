// File drops on the console with hand-made drop handles, and the wait for a
// double click.
#include "tests/graphics/console_support.h"
#include "tests/graphics/library.h"
#include <shlobj.h>
#include <vector>

using namespace console_test;

namespace {

// A drop handle as the shell makes it: DROPFILES followed by the names.
HDROP make_drop(const std::vector<std::string>& names)
{
    size_t size = sizeof(DROPFILES) + 1;
    for (auto& n : names) size += n.size() + 1;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    char* p = (char*)GlobalLock(h);
    DROPFILES* d = (DROPFILES*)p;
    d->pFiles = sizeof(DROPFILES);
    char* at = p + sizeof(DROPFILES);
    for (auto& n : names) {
        memcpy(at, n.c_str(), n.size() + 1);
        at += n.size() + 1;
    }
    GlobalUnlock(h);
    return (HDROP)h;
}

bool freed(HDROP drop) { return GlobalSize((HGLOBAL)drop) == 0; }

struct hook_call {
    int page = -1, count = -1;
    std::vector<std::string> names;
    int calls = 0;
};
hook_call last_call;

void record_drop(int page, int count, char** names)
{
    last_call.calls++;
    last_call.page = page;
    last_call.count = count;
    last_call.names.assign(names, names + count);
}

class ConsoleDrop : public ::testing::Test {
protected:
    int saved_started = 0;
    std::string saved_command_line;
    void SetUp() override
    {
        ASSERT_TRUE(ready());
        saved_started = app_started;
        saved_command_line = kavtrel_command_line_buf;
        last_call = hook_call();
        early_drop = 0;
    }
    void TearDown() override
    {
        app_started = saved_started;
        text_copy(kavtrel_command_line_buf, saved_command_line.c_str());
        app_hooks.drop_hook = nullptr;
        early_drop = 0;
        _show_console();
    }
    HDROP drop(const char* first = "C:\\写真\\表.jpg", const char* second = "C:\\b.txt")
    {
        HDROP d = make_drop({first, second});
        SendMessageA(console_frame, WM_DROPFILES, (WPARAM)d, 0);
        return d;
    }
};

TEST_F(ConsoleDrop, BeforeStartTheFirstNameReplacesTheCommandLine)
{
    HDROP kept = make_drop({"C:\\a"});
    EXPECT_FALSE(freed(kept));  // the check itself tells a live handle
    GlobalFree(kept);
    app_started = 0;
    app_hooks.drop_hook = record_drop;
    HDROP d = drop();
    EXPECT_STREQ(kavtrel_command_line, "C:\\写真\\表.jpg");
    EXPECT_EQ(early_drop, 1);
    EXPECT_EQ(last_call.calls, 0);
    EXPECT_TRUE(freed(d));
}

TEST_F(ConsoleDrop, BeforeStartAFullPathFitsButALongerNameLeavesTheCommandLine)
{
    app_started = 0;
    text_copy(kavtrel_command_line_buf, "/start");
    std::string long_name = "C:\\" + std::string(300, 'n');
    HDROP d = drop(long_name.c_str());
    EXPECT_STREQ(kavtrel_command_line, "/start");
    EXPECT_TRUE(freed(d));

    std::string full = "C:\\" + std::string(PATH_BUF - 4, 'f');  // 259 bytes and its zero
    d = drop(full.c_str());
    EXPECT_EQ(std::string(kavtrel_command_line), full);
    EXPECT_TRUE(freed(d));
}

TEST_F(ConsoleDrop, AfterStartTheHookGetsEveryName)
{
    app_started = 1;
    app_hooks.drop_hook = record_drop;
    _show_console();
    HDROP d = drop();
    EXPECT_EQ(last_call.calls, 1);
    EXPECT_EQ(last_call.page, 0);
    ASSERT_EQ(last_call.count, 2);
    EXPECT_EQ(last_call.names[0], "C:\\写真\\表.jpg");
    EXPECT_EQ(last_call.names[1], "C:\\b.txt");
    EXPECT_EQ(early_drop, 0);
    EXPECT_TRUE(freed(d));
}

TEST_F(ConsoleDrop, WithoutAHookOrWhileHiddenTheDropIsStillFinished)
{
    app_started = 1;
    app_hooks.drop_hook = nullptr;
    _show_console();
    EXPECT_TRUE(freed(drop()));

    app_hooks.drop_hook = record_drop;
    ShowWindow(console_frame, SW_HIDE);
    EXPECT_TRUE(freed(drop()));
    EXPECT_EQ(last_call.calls, 0);
}

LRESULT CALLBACK plain_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

TEST(DoubleClickWait, ComesWhenTheDoubleClickIsQueuedElseTimesOut)
{
    HWND w = hidden_window(plain_proc, "zote-test-clicks", CS_DBLCLKS);
    ASSERT_TRUE(w);

    PostMessageA(w, WM_LBUTTONDBLCLK, 0, 0);
    EXPECT_EQ(_wait_double_click(WM_LBUTTONDOWN, w), 1);
    PostMessageA(w, WM_RBUTTONDBLCLK, 0, 0);
    EXPECT_EQ(_wait_double_click(WM_RBUTTONDOWN, w), 1);

    // The other button's double click does not count.
    PostMessageA(w, WM_RBUTTONDBLCLK, 0, 0);
    DWORD start = GetTickCount();
    EXPECT_EQ(_wait_double_click(WM_LBUTTONDOWN, w), 0);
    EXPECT_GE(GetTickCount() - start + 20, GetDoubleClickTime());

    EXPECT_EQ(_wait_double_click(WM_MOUSEMOVE, w), 0);
    DestroyWindow(w);
}

}  // namespace
