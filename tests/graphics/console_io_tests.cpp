// The console's printf, getchar, getline, caret display and font sizes,
// driven through the real rich-edit control by messages.
#include "tests/graphics/console_support.h"
#include "tests/graphics/library.h"
#include "tests/support/bench.h"
#include <string>

using namespace console_test;

class ConsoleIo : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ready());
        _show_console();
        clear();
    }
};

TEST_F(ConsoleIo, PrintfWritesCrLfInBlackAndTypedTextIsBlue)
{
    EXPECT_EQ(con_printf("a\nb"), 3);
    EXPECT_EQ(text(), "a\r\nb");
    type("x");
    EXPECT_EQ(con_getchar(), 'x');
    EXPECT_EQ(text(), "a\r\nbx");
    EXPECT_EQ(colour_of(0, 1), RGB(0, 0, 0));
    EXPECT_EQ(colour_of(3, 4), RGB(0, 0, 0));
    EXPECT_EQ(colour_of(4, 5), RGB(0, 0, 255));
    LONG end = 5;
    select(0, 2);  // printf writes at the end, whatever is selected

    // printf after typing is black again.
    con_printf("%s", "y");
    EXPECT_EQ(text(), "a\r\nbxy");
    EXPECT_EQ(colour_of(end, end + 1), RGB(0, 0, 0));
}

TEST_F(ConsoleIo, OutputPastTheLimitEmptiesTheConsoleFirst)
{
    std::string chunk(100000, 'a');
    con_printf("%s", chunk.c_str());
    con_printf("%s", chunk.c_str());
    EXPECT_EQ(text().size(), 200000u);
    std::string last(60001, 'b');
    con_printf("%s", last.c_str());
    EXPECT_EQ(text(), last);
}

// Notes the console's status part 1 when a posted message reaches it, that
// is, while a read is waiting.
std::string status_seen;
LRESULT CALLBACK status_watch(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_APP) status_seen = status(1);
    return DefWindowProcA(w, m, wp, lp);
}

TEST_F(ConsoleIo, FormatBufferTakes127999CharactersAndEveryNewlineDoubles)
{
    // 10000 line ends make the output longer than the format buffer.
    std::string fits(127999, 'f');
    for (size_t i = 0; i < fits.size(); i += 12) fits[i] = '\n';
    size_t lines = (fits.size() + 11) / 12;
    EXPECT_EQ(con_printf("%s", fits.c_str()), 127999);
    std::string shown = text();
    EXPECT_EQ(shown.size(), fits.size() + lines);
    EXPECT_EQ(shown.substr(0, 5), "\r\nfff");
    EXPECT_EQ(shown.substr(shown.size() - 3), "fff");

    clear();
    HWND watch = hidden_window(status_watch, "zote-test-status-watch");
    for (size_t n : {size_t(128000), size_t(128001)}) {
        std::string over(n, 'c');
        status_seen.clear();
        PostMessageA(watch, WM_APP, 0, 0);
        type("k");  // the overflow report waits for a key
        EXPECT_EQ(con_printf("%s", over.c_str()), -1) << n;
        EXPECT_EQ(status_seen, "error: too many chars in printf");
        EXPECT_EQ(text(), "k") << n;  // only the key typed for the wait
        clear();
    }
    DestroyWindow(watch);
}

TEST_F(ConsoleIo, CaretDisplayShowsLineAndColumn)
{
    con_printf("first\nabc");
    EXPECT_EQ(status(2), "2 3");
    select(2, 2);
    _show_caret_pos();
    EXPECT_EQ(status(2), "1 2");
}

TEST_F(ConsoleIo, GetcharMapsEnterAndCtrlZAndRestoresReadOnly)
{
    type("表");  // a double-byte character is one key, its first byte the answer
    EXPECT_EQ(con_getchar(), 0x95);
    EXPECT_EQ(text(), "表");
    type("q");
    EXPECT_EQ(con_getchar(), 'q');
    type("\r");
    EXPECT_EQ(con_getchar(), 10);
    type("\x1a");
    EXPECT_EQ(con_getchar(), -1);
    EXPECT_TRUE(SendMessageA(console_edit, EM_GETOPTIONS, 0, 0) & ECO_READONLY);
    EXPECT_EQ(status(1), "");
    // Read-only again: a character outside a read is not inserted.
    std::string before = text();
    SendMessageA(console_edit, WM_CHAR, 'z', 1);
    EXPECT_EQ(text(), before);
}

TEST_F(ConsoleIo, GetlineReturnsTheWholeLineWithItsPromptWithinTheBuffer)
{
    con_printf("name? ");
    type("abc\r");
    char line[64];
    EXPECT_EQ(con_getline(line, sizeof line), line);
    std::string got = line;
    while (!got.empty() && (got.back() == '\r' || got.back() == '\n')) got.pop_back();
    EXPECT_EQ(got, "name? abc");
    EXPECT_TRUE(SendMessageA(console_edit, EM_GETOPTIONS, 0, 0) & ECO_READONLY);
    EXPECT_EQ(selection().cpMin, SendMessageA(console_edit, EM_LINEINDEX, 1, 0));  // Enter made a new line

    // A line that does not fit is no line (null), the buffer holding its
    // start, never half a character; the control's line end is no part of it.
    con_printf("あい");
    type("x\r");
    char small[4];
    memset(small, 0x7f, sizeof small);
    EXPECT_EQ(con_getline(small, sizeof small), nullptr);
    EXPECT_STREQ(small, "あ");
    con_printf("表");
    type("\r");
    char exact[3];
    EXPECT_EQ(con_getline(exact, sizeof exact), exact);
    EXPECT_STREQ(exact, "表");
    char tiny[1] = {'z'};
    type("\r");
    EXPECT_EQ(con_getline(tiny, 1), tiny);
    EXPECT_EQ(tiny[0], 0);
}

TEST_F(ConsoleIo, FontCommandsSetBothHeightsAndTheEditMenuChecksFollow)
{
    struct {
        int id;
        LONG twips;
    } cases[] = {{CMD_FONT_BIG, 270}, {CMD_FONT_NORMAL, 225}, {CMD_FONT_SMALL, 180}};
    for (auto& c : cases) {
        SendMessageA(console_frame, WM_COMMAND, c.id, 0);
        EXPECT_EQ(console_format.yHeight, c.twips);
        EXPECT_EQ(printf_format.yHeight, c.twips);
        SendMessageA(console_frame, WM_INITMENUPOPUP, (WPARAM)edit_popup, 1);
        for (auto& other : cases)
            EXPECT_EQ((GetMenuState(edit_popup, other.id, MF_BYCOMMAND) & MF_CHECKED) != 0, other.id == c.id)
                << c.id << " " << other.id;
    }
    // The printf colour survives a size change.
    clear();
    con_printf("after");
    EXPECT_EQ(colour_of(0, 1), RGB(0, 0, 0));
    SendMessageA(console_frame, WM_COMMAND, CMD_FONT_NORMAL, 0);
}

TEST_F(ConsoleIo, EditCommandsReachTheControl)
{
    con_printf("hello");
    EXPECT_EQ(SendMessageA(console_frame, WM_COMMAND, CMD_SELECT_ALL, 0), 0);
    CHARRANGE all = selection();
    EXPECT_EQ(all.cpMin, 0);
    EXPECT_GE(all.cpMax, 5);
    SendMessageA(console_frame, WM_COMMAND, CMD_CLEAR_ALL, 0);
    EXPECT_EQ(text(), "");
}

TEST_F(ConsoleIo, PrintfColourChangesOutputOnly)
{
    _console_textcolor(RGB(255, 0, 0));
    con_printf("r");
    type("t");
    con_getchar();
    _console_textcolor(RGB(0, 0, 0));
    EXPECT_EQ(text(), "rt");
    EXPECT_EQ(colour_of(0, 1), RGB(255, 0, 0));
    EXPECT_EQ(colour_of(1, 2), RGB(0, 0, 255));
    _console_fontsize(1);
    EXPECT_EQ(printf_format.yHeight, 270);
    _console_fontsize(0);
    EXPECT_EQ(console_format.yHeight, 225);
}
