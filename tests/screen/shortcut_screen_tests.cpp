// The Ctrl chords the menus show, pressed in the running program: select all
// without any dialog, copy and paste a picture into a subfolder, cut one away.
// The clipboard is shared by every process on the display: the clipboard
// stories hold the tests' clipboard lock.
#include "tests/screen/screen_bench.h"
#include "tests/support/clipboard_lock.h"
#include <gtest/gtest.h>

using screen::cell_expected;

namespace {
using screen::ends_with;

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
}  // namespace

TEST(Shortcuts, CtrlAMarksEveryCellAndOpensNoDialog)
{
    screen::picture_folder album("全部表", 12);
    screen::zote_session z(album.path);
    ASSERT_TRUE(z.running());
    screen::grid g = z.page_grid();
    z.move_to(g.centre(3));  // A alone acts on the picture under the mouse
    z.key('A', {VK_CONTROL});
    std::vector<HWND> opened = z.other_windows();
    EXPECT_TRUE(opened.empty()) << "a window opened";
    for (HWND w : opened) PostMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_TRUE(ends_with(z.title(), " 12.12画像 1/1頁 - ZOTE1.67")) << z.title();
    screen::shot s = z.capture();
    for (int i = 0; i < 12; i++) EXPECT_TRUE(screen::framed(s, g, i)) << "cell " << i + 1;
    EXPECT_FALSE(screen::framed(s, g, 12));
}

// A picture marked with Ctrl+click, copied with Ctrl+C (the mark goes) and
// pasted with Ctrl+V inside a subfolder: the file is there and shown.
TEST(Shortcuts, CopyAndPasteIntoASubfolder)
{
    bench::clipboard_lock lock;
    screen::picture_folder album("写真ソ", 3);
    std::string inner = album.file("中表");
    CreateDirectoryA(inner.c_str(), nullptr);
    screen::zote_session z(album.path);
    ASSERT_TRUE(z.running());
    screen::grid g = z.page_grid();
    const cell_expected folder = {screen::ANY_PICTURE};
    z.click(g.centre(1), {VK_CONTROL});  // the folder comes first: cell 2 is picture 0
    EXPECT_TRUE(screen::framed(z.capture(), g, 1));
    z.key('C', {VK_CONTROL});
    std::vector<cell_expected> cells = {folder};
    for (const cell_expected& c : screen::picture_cells(0, 3)) cells.push_back(c);
    EXPECT_EQ(screen::check_page(z.capture(), g, cells, "copied"), "") << "the copy leaves no mark";
    EXPECT_TRUE(ends_with(z.title(), " 4画像 1/1頁 - ZOTE1.67")) << z.title();
    z.double_click(g.centre(0));
    z.key('V', {VK_CONTROL});
    EXPECT_TRUE(exists(inner + "\\" + screen::picture_name(0)));
    EXPECT_EQ(screen::check_page(z.capture(), g, screen::picture_cells(0, 1), "pasted"), "");
}

// A cut picture waits on the clipboard: its cell is not drawn, after the cut
// and after F5 alike.
TEST(Shortcuts, CutPictureIsNotDrawn)
{
    bench::clipboard_lock lock;
    screen::picture_folder album("切取能", 3);
    screen::zote_session z(album.path);
    ASSERT_TRUE(z.running());
    screen::grid g = z.page_grid();
    z.click(g.centre(1), {VK_CONTROL});
    z.key('X', {VK_CONTROL});
    std::vector<cell_expected> cells = screen::picture_cells(0, 3);
    cells[1].picture = screen::NOTHING;
    EXPECT_EQ(screen::check_page(z.capture(), g, cells, "cut"), "");
    z.key(VK_F5);
    EXPECT_EQ(screen::check_page(z.capture(), g, cells, "cut-reload"), "");
    EXPECT_TRUE(exists(album.file(screen::picture_name(1)))) << "a cut moves nothing before the paste";
}
