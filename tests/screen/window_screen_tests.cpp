// Entries that open a window of their own: a double click on a script file
// (a name ending in ".a.txt") starts another instance, which runs the script
// in its console window, titled with the script's path.
#include "tests/screen/screen_bench.h"
#include <gtest/gtest.h>
#include <shlobj.h>

TEST(NewWindow, ScriptEntryOpensAWindowOfItsOwn)
{
    screen::picture_folder album("台本表", 2);
    bench::write_file(album.file("実行ソ.a.txt"), "// 何もしない能\r\n");
    screen::zote_session z(album.path);
    ASSERT_TRUE(z.running());
    z.double_click(z.page_grid().centre(2));  // after the two pictures
    HWND script = screen::zote_session::window_titled("\\台本表\\実行ソ.a.txt", 30000);
    ASSERT_NE(script, nullptr) << "no window for the script";
    DWORD pid = 0;
    GetWindowThreadProcessId(script, &pid);
    EXPECT_NE(pid, z.process_id());
    EXPECT_TRUE(screen::close_window_process(script));
    EXPECT_TRUE(z.settle());  // the script asked every window to reload
}

// Ctrl+click on a folder of the toolbar line opens that folder in a window of
// its own once Ctrl is released: the drive's path button, the documents
// button and the last path button (the tree switch, the folder shown).
namespace {
std::string last_component(std::string path)
{
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return path.substr(path.find_last_of('\\') + 1);
}

int last_black_column(const screen::shot& s)
{
    for (int x = s.width - 1; x > 0; x--)
        for (int y = 3; y < 17; y++) {
            COLORREF c = s.at(x, y);
            if (GetRValue(c) < 0x50 && GetGValue(c) < 0x50 && GetBValue(c) < 0x50) return x;
        }
    return -1;
}
}  // namespace

TEST(NewWindow, CtrlClickOnTheToolbarOpensTheFolderInANewWindow)
{
    screen::picture_folder album("窓表ソ", 2);
    char documents[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, documents), S_OK);
    screen::zote_session z(album.path);
    ASSERT_TRUE(z.running());
    screen::shot s = z.capture();
    int first = screen::first_path_button(s), last = last_black_column(s);
    ASSERT_GT(first, 0);
    ASSERT_GT(last, first);
    struct {
        const char* what;
        POINT at;
        std::string title;
    } cases[] = {
        {"drive's path button", {first + 3, 10}, "C:/ "},
        {"documents button", {76, 10}, "/" + last_component(documents) + "/ "},
        {"tree switch", {last - 3, 10}, "/窓表ソ/ "},
    };
    for (const auto& c : cases) {
        z.chord_click(c.at, VK_CONTROL);
        HWND opened = screen::zote_session::window_titled(c.title, 30000);
        EXPECT_NE(opened, nullptr) << c.what << ": no window titled " << c.title;
        if (opened) EXPECT_TRUE(screen::close_window_process(opened)) << c.what;
        EXPECT_TRUE(screen::ends_with(z.title(), "/窓表ソ/ 2画像 1/1頁 - ZOTE1.67")) << c.what << ": " << z.title();
    }
}

// Below the documents folder the path line starts after that folder's own
// path: a click on its first button opens the folder it names.
TEST(Toolbar, PathButtonBelowTheDocumentsOpensTheFolderShown)
{
    char documents[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, documents), S_OK);
    std::string top = std::string(documents) + "\\道具表ソ", inner = top + "\\2020能";
    CreateDirectoryA(top.c_str(), nullptr);
    screen::write_pictures(inner, 0, 2);
    {
        screen::zote_session z(inner);
        ASSERT_TRUE(z.running());
        EXPECT_TRUE(screen::ends_with(z.title(), "/道具表ソ/2020能/ 2画像 1/1頁 - ZOTE1.67")) << z.title();
        int first = screen::first_path_button(z.capture());
        ASSERT_GT(first, 0);
        z.click({first + 3, 10});
        EXPECT_TRUE(screen::ends_with(z.title(), "/" + last_component(documents) + "/道具表ソ/ 1画像 1/1頁 - ZOTE1.67"))
            << z.title();
    }
    bench::remove_tree(top);
}

// Ctrl+N opens the folder shown in a new window once Ctrl is released, from
// the list, from the viewer in the window and from full screen; the window
// then still answers: Escape leaves the viewer.
TEST(NewWindow, CtrlNOpensTheFolderFromTheListAndTheViewer)
{
    screen::picture_folder album("新窓表ソ", 3);
    screen::zote_session z(album.path);
    ASSERT_TRUE(z.running());
    screen::grid g = z.page_grid();
    const WORD ways[] = {0, VK_RETURN, 'F'};
    for (WORD way : ways) {
        z.move_to(g.centre(1));
        if (way) z.key(way);
        z.chord_key('N', VK_CONTROL, 500);
        HWND opened = screen::zote_session::window_titled("/新窓表ソ/ 3画像", 30000);
        EXPECT_NE(opened, nullptr) << way << ": no new window";
        if (opened) EXPECT_TRUE(screen::close_window_process(opened)) << way;
        ASSERT_TRUE(z.alive()) << z.fault();
        if (way) z.key(VK_ESCAPE);
        EXPECT_TRUE(screen::ends_with(z.title(), "/新窓表ソ/ 3画像 1/1頁 - ZOTE1.67")) << way << ": " << z.title();
    }
}
