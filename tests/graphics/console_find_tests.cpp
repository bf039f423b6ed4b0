// The console's find dialog, driven by typing into the real dialog and
// pressing its Find Next button.
#include "tests/graphics/console_support.h"
#include <dlgs.h>

using namespace console_test;

namespace {

struct dialog_search {
    HWND found;
    int count;
};

BOOL CALLBACK visit_dialog(HWND w, LPARAM p)
{
    char cls[16] = "";
    GetClassNameA(w, cls, sizeof cls);
    if (strcmp(cls, "#32770") == 0 && GetWindow(w, GW_OWNER) == console_frame) {
        ((dialog_search*)p)->found = w;
        ((dialog_search*)p)->count++;
    }
    return TRUE;
}

dialog_search find_dialogs()
{
    dialog_search s = {nullptr, 0};
    EnumThreadWindows(GetCurrentThreadId(), visit_dialog, (LPARAM)&s);
    return s;
}

HWND find_dialog_window() { return find_dialogs().found; }

// The dialog stays open from one test to the next (closing a shown window
// costs Wine seconds); the last test of the group closes it.
class ConsoleFind : public ::testing::Test {
protected:
    HWND dialog = nullptr;
    void SetUp() override
    {
        ASSERT_TRUE(ready());
        _show_console();
        clear();
        con_printf("alpha beta alpha gamma\nlast line");
        dialog = find_dialog_window();
        if (!dialog) {
            _status_printf(-1, "%s", "before");
            SendMessageA(console_frame, WM_COMMAND, CMD_FIND, 0);
            dialog = find_dialog_window();
            ASSERT_TRUE(dialog);
            EXPECT_EQ(status(1), "find");
        }
    }
    static void TearDownTestSuite()
    {
        HWND open = find_dialog_window();
        if (open) SendMessageA(open, WM_COMMAND, IDCANCEL, 0);
        bench::pump_for(20);
    }
    void find(const char* what)
    {
        SetDlgItemTextA(dialog, edt1, what);
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    }
};

TEST_F(ConsoleFind, FindsForwardThenWrapsToAnEarlierMatch)
{
    select(0, 0);
    find("alpha");
    EXPECT_EQ(selection().cpMin, 0);
    EXPECT_EQ(selection().cpMax, 5);
    EXPECT_EQ(status(1), "found");
    find("alpha");
    EXPECT_EQ(selection().cpMin, 11);
    find("alpha");  // nothing after the second: wraps to the first
    EXPECT_EQ(selection().cpMin, 0);
    EXPECT_EQ(selection().cpMax, 5);
    select(20, 20);
    find("beta");  // occurs only before the caret
    EXPECT_EQ(selection().cpMin, 6);
    EXPECT_EQ(selection().cpMax, 10);
}

TEST_F(ConsoleFind, NotFoundLeavesTheSelectionWhereItWas)
{
    // A wrapped search first, so that an old start position exists.
    select(20, 20);
    find("beta");
    EXPECT_EQ(selection().cpMin, 6);

    select(0, 0);
    find("zeta");
    EXPECT_EQ(status(1), "not found");
    EXPECT_EQ(selection().cpMin, 0);
    EXPECT_EQ(selection().cpMax, 0);

    select(3, 8);
    find("zeta");
    EXPECT_EQ(status(1), "not found");
    EXPECT_EQ(selection().cpMin, 3);
    EXPECT_EQ(selection().cpMax, 8);
}

TEST_F(ConsoleFind, ASecondFindWhileOpenDoesNothingAndClosingRestoresTheStatus)
{
    SendMessageA(console_frame, WM_COMMAND, CMD_FIND, 0);
    EXPECT_EQ(console_find_open(), 1);
    EXPECT_EQ(find_dialog_window(), dialog);
    EXPECT_EQ(find_dialogs().count, 1);
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    bench::pump_for(20);
    EXPECT_EQ(status(1), "before");
    dialog = nullptr;
    // Open again after closing.
    SendMessageA(console_frame, WM_COMMAND, CMD_FIND, 0);
    dialog = find_dialog_window();
    EXPECT_TRUE(dialog);
}

TEST(ConsoleFindHidden, FindDoesNotOpenWhileTheConsoleIsHidden)
{
    ASSERT_TRUE(ready());
    ShowWindow(console_frame, SW_HIDE);
    EXPECT_EQ(console_find_open(), 1);
    EXPECT_EQ(find_dialog_window(), nullptr);
    _show_console();
}

}  // namespace
