// Window-menu entries shown by number, and files dropped on a page's frame.
#include "tests/graphics/console_support.h"
#include "tests/graphics/library.h"
#include <shlobj.h>

using namespace console_test;

namespace {

HDROP one_file_drop(const char* name)
{
    size_t n = strlen(name);
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + n + 2);
    DROPFILES* d = (DROPFILES*)GlobalLock(h);
    d->pFiles = sizeof(DROPFILES);
    memcpy((char*)d + sizeof(DROPFILES), name, n);
    GlobalUnlock(h);
    return (HDROP)h;
}

int dropped_page = -1, dropped_count = -1;
void remember_drop(int page, int count, char**)
{
    dropped_page = page;
    dropped_count = count;
}

class ConsolePages : public ::testing::Test {
protected:
    enum { FIRST = 3960, SECOND = 3961 };
    int saved_started = 0;
    void SetUp() override
    {
        ASSERT_TRUE(ready());
        free_slots();
        ASSERT_TRUE(_newpage(FIRST, 0, 0, 200, 100));
        ASSERT_TRUE(_newpage(SECOND, 0, 0, 200, 100));
        saved_started = app_started;
        dropped_page = dropped_count = -1;
    }
    void TearDown() override
    {
        free_slots(FIRST, SECOND);
        app_started = saved_started;
        app_hooks.drop_hook = nullptr;
        _show_console();
    }
};

TEST_F(ConsolePages, WindowEntriesCountFromTheConsoleWhenItIsVisible)
{
    _show_console();
    SendMessageA(console_frame, WM_COMMAND, CMD_WINDOW_FIRST + 2, 0);
    EXPECT_TRUE(IsWindowVisible(page_table[SECOND]->frame));
    EXPECT_FALSE(IsWindowVisible(page_table[FIRST]->frame));
    SendMessageA(page_table[SECOND]->frame, WM_COMMAND, CMD_WINDOW_FIRST + 1, 0);
    EXPECT_TRUE(IsWindowVisible(page_table[FIRST]->frame));
    SendMessageA(console_frame, WM_COMMAND, CMD_WINDOW_FIRST, 0);
    EXPECT_EQ(GetFocus(), console_edit);
}

TEST_F(ConsolePages, WithTheConsoleHiddenEntryZeroIsTheFirstPage)
{
    ShowWindow(console_frame, SW_HIDE);
    _show_page(0);
    EXPECT_TRUE(IsWindowVisible(page_table[FIRST]->frame));
    EXPECT_FALSE(IsWindowVisible(page_table[SECOND]->frame));
}

TEST_F(ConsolePages, DropsOnAPageNameItsNumberAndAreAlwaysFinished)
{
    app_started = 1;
    app_hooks.drop_hook = remember_drop;
    HWND frame = page_table[FIRST]->frame;
    ShowWindow(frame, SW_SHOWNA);
    HDROP d = one_file_drop("C:\\x.jpg");
    SendMessageA(frame, WM_DROPFILES, (WPARAM)d, 0);
    EXPECT_EQ(dropped_page, FIRST);
    EXPECT_EQ(dropped_count, 1);
    EXPECT_EQ(GlobalSize((HGLOBAL)d), 0u);

    dropped_page = -1;
    HWND hidden = page_table[SECOND]->frame;
    d = one_file_drop("C:\\y.jpg");
    SendMessageA(hidden, WM_DROPFILES, (WPARAM)d, 0);
    EXPECT_EQ(dropped_page, -1);
    EXPECT_EQ(GlobalSize((HGLOBAL)d), 0u);
}

}  // namespace
