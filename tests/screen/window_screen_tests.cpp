// Entries that open a window of their own: a double click on a script file
// (a name ending in ".a.txt") starts another instance, which runs the script
// in its console window, titled with the script's path.
#include "tests/screen/screen_bench.h"
#include <gtest/gtest.h>
#include <shlobj.h>
#include <string>
#include <utility>
#include <vector>

TEST(NewWindow, ScriptEntryOpensAWindowOfItsOwn)
{
    screen::picture_folder album("台本表", 2);
    bench::write_file(album.file("実行ソ.a.txt"), "// 一つ作る能\r\nmd 新表\r\n");
    screen::zote_session z(album.path);
    ASSERT_TRUE(z.running());
    z.double_click(z.page_grid().centre(2));  // after the two pictures
    HWND script = screen::zote_session::window_titled("\\台本表\\実行ソ.a.txt", 30000);
    ASSERT_NE(script, nullptr) << "no window for the script";
    DWORD pid = 0;
    GetWindowThreadProcessId(script, &pid);
    EXPECT_NE(pid, z.process_id());
    // The key the finished script waits for, typed into its console.
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    PostMessageA(FindWindowExA(script, nullptr, "RichEdit", nullptr), WM_CHAR, ' ', 0);
    EXPECT_EQ(WaitForSingleObject(process, 30000), WAIT_OBJECT_0) << "the script did not end";
    CloseHandle(process);
    // The script asked every window to reload: the new folder is shown.
    EXPECT_TRUE(z.settle());
    EXPECT_TRUE(screen::ends_with(z.title(), "/台本表/ 4画像 1/1頁 - ZOTE1.67")) << z.title();
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

namespace {
// The path buttons' labels as drawn: runs of black text on the toolbar line
// from the first path button on, a gap wider than a space ending each (the
// separators between them are dark grey), as [left, right] pairs.
std::vector<std::pair<int, int>> path_labels(const screen::shot& s)
{
    std::vector<std::pair<int, int>> labels;
    auto black = [&](int x) {
        for (int y = 2; y < 19; y++)
            if (screen::near_colour(s.at(x, y), RGB(0, 0, 0), 8)) return true;
        return false;
    };
    int gap = 0;
    for (int x = screen::first_path_button(s); x > 0 && x < s.width; x++) {
        if (!black(x)) {
            gap++;
            continue;
        }
        if (labels.empty() || gap > 5)
            labels.push_back({x, x});
        else
            labels.back().second = x;
        gap = 0;
    }
    return labels;
}
}  // namespace

// Below the documents folder the path line starts after that folder's own
// path. Every path button answers over the whole of its drawn label: a click
// at either end of a label opens the folder it names, and the last one, the
// tree switch, opens the tree of the folder shown.
TEST(Toolbar, PathButtonsAnswerOverTheirDrawnLabels)
{
    char documents[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, documents), S_OK);
    const std::string names[] = {"道具表ソ", "2020能", "旅表"};
    std::string top = std::string(documents) + "\\" + names[0], folder = top;
    for (const std::string& n : names) {
        folder += n == names[0] ? "" : "\\" + n;
        screen::write_pictures(folder, 0, 1);
    }
    screen::write_pictures(folder + "\\下ソ", 1, 1);
    {
        screen::zote_session z(folder);
        ASSERT_TRUE(z.running());
        std::string shown = "/" + last_component(documents) + "/道具表ソ/2020能/旅表/ ";
        ASSERT_TRUE(screen::ends_with(z.title(), shown + "2画像 1/1頁 - ZOTE1.67")) << z.title();
        std::vector<std::pair<int, int>> labels = path_labels(z.capture());
        ASSERT_EQ(labels.size(), 3u);
        std::string opened = "/" + last_component(documents);
        for (int k = 0; k < 2; k++) {
            opened += "/" + names[k];
            for (int x : {labels[k].first, labels[k].second}) {
                z.click({x, 10});
                EXPECT_NE(z.title().find(opened + "/ 2画像"), std::string::npos)
                    << names[k] << " at " << x << ": " << z.title();
                z.click({32, 10});  // the history's back arrow
                ASSERT_TRUE(screen::ends_with(z.title(), shown + "2画像 1/1頁 - ZOTE1.67")) << z.title();
            }
        }
        // The tree switch opens the folder's tree at the label's start (the
        // line draws its levels after it) and closes it at its end.
        auto after_path = [&](const screen::shot& s) {
            RECT r = {labels[2].second + 4, 0, s.width, 20};
            return s.count_other(r, RGB(0xDE, 0xDE, 0xFF));
        };
        int closed = after_path(z.capture());
        z.click({labels[2].first, 10});
        EXPECT_GT(after_path(z.capture()), closed) << "the tree opened";
        z.click({labels[2].second, 10});
        EXPECT_EQ(after_path(z.capture()), closed) << "the tree closed";
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
        if (opened) { EXPECT_TRUE(screen::close_window_process(opened)) << way; }
        ASSERT_TRUE(z.alive()) << z.fault();
        if (way) z.key(VK_ESCAPE);
        EXPECT_TRUE(screen::ends_with(z.title(), "/新窓表ソ/ 3画像 1/1頁 - ZOTE1.67")) << way << ": " << z.title();
    }
}
