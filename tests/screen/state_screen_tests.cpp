// What one action leaves for the next, seen in the window: a folder change
// leaves the viewer and its scroll view, a click in the viewer leaves no mode
// behind, a cancelled new folder leaves the page where it was, and settings
// chosen in the running program (the slide interval, the full-screen colours)
// apply at once.
#include "tests/screen/screen_bench.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>

namespace {
using screen::ends_with;

// Six pictures; the fourth is larger than the window, for the scroll view.
struct album : screen::picture_folder {
    album() : picture_folder("状態表", 6)
    {
        screen::write_picture(file(screen::picture_name(3)), 1600, 1200, screen::picture_colour(3));
    }
};

BOOL CALLBACK find_scroll_view(HWND w, LPARAM found)
{
    char cls[16] = "";
    GetClassNameA(w, cls, sizeof cls);
    if (strcmp(cls, "nftw") == 0 && IsWindowVisible(w)) *reinterpret_cast<bool*>(found) = true;
    return TRUE;
}

bool scroll_view_open(const screen::zote_session& z)
{
    bool found = false;
    EnumChildWindows(z.frame(), find_scroll_view, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Dark pixels of the text in the first part of the status bar (150 pixels wide).
int status_part0_ink(const screen::zote_session& z)
{
    HWND bar = FindWindowExA(z.frame(), nullptr, "msctls_statusbar32", nullptr);
    if (!bar) return -1;
    screen::shot s = screen::zote_session::capture_of(bar);
    return s.count({2, 2, 146, s.height - 2}, RGB(0, 0, 0), 96);
}

bool lists(const std::string& title) { return ends_with(title, "頁 - ZOTE1.67"); }

// The toolbar: the drive's icon (the drive list), the history's back arrow,
// the left strip's parent button.
const POINT drive_button = {95, 10}, history_back = {32, 10}, parent_button = {10, 36};
}  // namespace

TEST(LeftState, ViewerClicksFolderChangesAndCancelsLeaveNothingBehind)
{
    album a;
    screen::zote_session z(a.path);
    ASSERT_TRUE(z.running());
    screen::shot s = z.capture();
    screen::grid g = screen::grid::of(s);
    POINT lower = {s.width / 2, s.height * 3 / 4};
    z.move_to(g.centre(2));
    z.key(VK_RETURN);
    // Ctrl+click marks the picture shown; the title keeps its position.
    z.click(lower, {VK_CONTROL});
    EXPECT_TRUE(ends_with(z.title(), " 3/6.1枚 - ZOTE1.67")) << z.title();
    // Alt+click steps to the next marked picture (none other here); Space
    // afterwards steps to the next picture of all.
    z.click(lower, {VK_MENU});
    EXPECT_TRUE(ends_with(z.title(), " 3/6.1枚 - ZOTE1.67")) << z.title();
    z.key(VK_SPACE);
    EXPECT_TRUE(ends_with(z.title(), " 4/6.1枚 - ZOTE1.67")) << "Space after Alt+click: " << z.title();

    // The large picture at actual size: a move over the view leaves no text
    // of the viewer in the status bar's first part.
    z.key('1');
    ASSERT_TRUE(scroll_view_open(z));
    z.move_to({s.width / 2, s.height - 6});
    EXPECT_GT(status_part0_ink(z), 0) << "the viewer's help below the view";
    // Twice over the view: a late echo of the move below it comes before the second.
    z.move_to({s.width / 2, s.height / 2});
    z.move_to({s.width / 2 + 40, s.height / 2 + 40});
    EXPECT_EQ(status_part0_ink(z), 0) << "over the scroll view";

    // Every folder change from the viewer shows the list, without the view:
    // the toolbar's drive button, the parent button, then F5.
    z.click(drive_button);
    EXPECT_FALSE(scroll_view_open(z)) << "after the drive button";
    EXPECT_TRUE(lists(z.title())) << z.title();
    z.click(history_back);
    ASSERT_TRUE(lists(z.title())) << z.title();
    z.move_to(g.centre(3));
    z.key(VK_RETURN);
    z.key('1');
    ASSERT_TRUE(scroll_view_open(z));
    z.click(parent_button);
    EXPECT_FALSE(scroll_view_open(z)) << "after the parent button";
    EXPECT_TRUE(lists(z.title())) << z.title();
    z.key(VK_F5);
    EXPECT_FALSE(scroll_view_open(z)) << "after F5";
    EXPECT_TRUE(lists(z.title())) << z.title();
    if (HasFailure()) z.capture().save(bench::exe_folder() + "screen-left-viewer.bmp");

    // A new folder cancelled with Esc on the second page: the page stays.
    z.click(history_back);
    z.key('2');  // two pictures a row: three pages
    z.key(VK_NEXT);
    std::string second = z.title();
    ASSERT_NE(second.find("画像 2/"), std::string::npos) << second;
    z.key('F', {VK_MENU});  // ファイル > 新規作成 > フォルダ
    z.key('W');
    z.key(VK_RETURN);
    z.key(VK_ESCAPE);
    EXPECT_EQ(z.title(), second);
}

namespace {
// The dialog of the program now open (the only window besides its frame).
HWND open_dialog(const screen::zote_session& z, HWND besides = nullptr)
{
    for (HWND w : z.other_windows())
        if (w != besides) return w;
    return nullptr;
}

std::string item_text(HWND dialog, int id)
{
    char text[64] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// The options dialog's swatch (its index in the rows of five) given a colour
// through the system's colour chooser, its red, green and blue boxes typed in.
void choose_swatch_colour(screen::zote_session& z, HWND options, int swatch, COLORREF colour)
{
    z.click_in(options, {20 + swatch % 5 * 100 + 8, 362 + swatch / 5 * 32 + 8});
    HWND chooser = open_dialog(z, options);
    ASSERT_NE(chooser, nullptr) << "no colour chooser for swatch " << swatch;
    const int red = 706, green = 707, blue = 708;
    SetDlgItemInt(chooser, red, GetRValue(colour), FALSE);
    SetDlgItemInt(chooser, green, GetGValue(colour), FALSE);
    SetDlgItemInt(chooser, blue, GetBValue(colour), FALSE);
    z.key(VK_RETURN);
}
}  // namespace

// The slide interval chosen from the menu is the one the viewer keeps, though
// the command line named another; the full-screen colours chosen in the
// options dialog paint the next full screen.
TEST(LeftState, SettingsChosenInTheProgramApplyAtOnce)
{
    screen::picture_folder a("設定表", 3);
    screen::zote_session z(a.path, "/r1");  // a slide show at start, 0.1 s a picture
    ASSERT_TRUE(z.running());
    z.key(VK_ESCAPE);
    screen::grid g = z.page_grid();
    z.key('L', {VK_MENU});  // スライド > 5.0 秒
    z.key('5');
    z.move_to(g.centre(1));
    z.key(VK_RETURN);
    z.key('L', {VK_MENU});  // スライド > 他の値
    z.key('V');
    HWND interval = open_dialog(z);
    ASSERT_NE(interval, nullptr);
    EXPECT_EQ(item_text(interval, 1000), "5.0");
    z.key(VK_ESCAPE);
    z.key(VK_ESCAPE);

    const COLORREF back = RGB(200, 40, 120), text = RGB(40, 200, 40);
    z.key('V', {VK_MENU});  // 表示 > オプション
    z.key('O');
    HWND options = open_dialog(z);
    ASSERT_NE(options, nullptr);
    choose_swatch_colour(z, options, 8, back);
    choose_swatch_colour(z, options, 9, text);
    z.key(VK_RETURN);
    ASSERT_EQ(open_dialog(z), nullptr);
    z.move_to(g.centre(1));
    z.key('F');
    screen::shot s = screen::zote_session::capture_of(nullptr);
    EXPECT_TRUE(screen::near_colour(s.at(4, s.height - 4), back)) << std::hex << s.at(4, s.height - 4);
    EXPECT_GT(s.count({0, 0, s.width, 12}, text, 40), 10) << "the status line in the text colour";
    if (HasFailure()) s.save(bench::exe_folder() + "screen-full-screen-colours.bmp");
    z.key(VK_ESCAPE);
}
