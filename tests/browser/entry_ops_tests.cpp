// Entry operations on real files: the recycle bin through the shell's own
// question, new entries named in place beside an old placeholder, and the
// clipboard list of a path that fills its buffer.
#include "browser/operations/entry_ops.h"
#include "browser/model/numbering.h"
#include "tests/browser/editor_robot.h"
#include "tests/browser/paste_fixtures.h"
#include <algorithm>

using namespace keys_fixture;
using namespace paste_fixture;

namespace {
bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The names in the folder, in the order FindFirstFile gives them.
std::vector<std::string> names_in(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (found.cFileName[0] != '.') names.push_back(found.cFileName);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

// The in-list editor as the user leaves it: the name typed, then Enter or Esc.
editor_robot::robot user_types(const char* name, WPARAM key)
{
    return editor_robot::robot([name, key](HWND edit) {
        SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
        PostMessageA(edit, WM_CHAR, key, 0);
    });
}
}  // namespace

// The shell asks; Yes deletes, No keeps the files and is a failure. A folder
// numbered in order closes up its numbers unless nothing is left.
TEST(EntryOps, RecycleBinAsksAndADeclineIsAFailure)
{
    struct recycle_case {
        const char* name;
        int button;
        int marked;
        int result;
        std::vector<std::string> left;
    };
    const recycle_case cases[] = {
        {"declined", IDNO, 1, 0, {"1)旅表.jpg", "2)山ソ.jpg", "3)能.jpg"}},
        {"one of three", IDYES, 1, 1, {"1)山ソ.jpg", "2)能.jpg"}},
        {"all three", IDYES, 3, 1, {}},
    };
    for (const recycle_case& c : cases) {
        SCOPED_TRACE(c.name);
        bench::scratch_dir dir;
        for (const char* name : {"1)旅表.jpg", "2)山ソ.jpg", "3)能.jpg"}) dir.write(std::string("bin\\") + name, "x");
        browser_page page(800, 600);
        page.load(dir.file("bin"));
        ASSERT_EQ(number_order_on(), 1);
        for (int i = 0; i < c.marked; i++) toggle_mark(i);
        dialog_robot robot({{c.button, false}});
        EXPECT_EQ(recycle_selected(), c.result);
        EXPECT_EQ(robot.answered(), 1);
        EXPECT_EQ(names_in(dir.file("bin")), c.left);
        EXPECT_EQ(browser_list.count, int(c.left.size()));
    }
}

TEST(EntryOps, NewEntriesNeverTouchAnOldPlaceholder)
{
    bench::scratch_dir dir;
    dir.write("new\\0.newfolder.txt", "keep me");
    dir.write("new\\0.newfolder\\inside.jpg", "x");
    browser_page page(800, 600);
    browser_list.settings.textpic = 1;
    page.load(dir.file("new"));
    {
        auto user = user_types("", VK_ESCAPE);
        EXPECT_EQ(create_new_entry(245), 0);
    }
    {
        auto user = user_types("", VK_ESCAPE);
        EXPECT_EQ(create_new_entry(240), 0);
    }
    EXPECT_EQ(bench::read_file(dir.file("new\\0.newfolder.txt")), "keep me");
    EXPECT_TRUE(exists(dir.file("new\\0.newfolder\\inside.jpg")));
    EXPECT_FALSE(exists(dir.file("new\\1.newfolder.txt")));
    EXPECT_FALSE(exists(dir.file("new\\1.newfolder")));
    {
        auto user = user_types("memo", VK_RETURN);
        EXPECT_EQ(create_new_entry(245), 1);
    }
    EXPECT_TRUE(exists(dir.file("new\\memo.txt")));
    {
        auto user = user_types("album", VK_RETURN);
        EXPECT_EQ(create_new_entry(240), 1);
    }
    EXPECT_TRUE(exists(dir.file("new\\album")));
    {
        auto user = user_types("2.newfolder", VK_RETURN);
        EXPECT_EQ(create_new_entry(240), 0);
    }
    EXPECT_FALSE(exists(dir.file("new\\2.newfolder")));
    EXPECT_EQ(bench::read_file(dir.file("new\\0.newfolder.txt")), "keep me");
}

// A marked entry whose full path takes all 259 bytes still fits the list.
TEST(EntryOps, ClipboardListHoldsAFullLengthPath)
{
    bench::clipboard_lock lock;
    bench::scratch_dir dir;
    std::string folder = dir.file("long");
    std::string name(259 - folder.size() - 1 - 4, 'n');
    std::string path = dir.write("long\\" + name + ".jpg", "x");
    ASSERT_EQ(path.size(), 259u);
    browser_page page(800, 600);
    mark_and_put(page, folder, {".jpg"}, 0);
    clipboard_read_state s;
    clipboard_files_open(&s);
    ASSERT_TRUE(clipboard_query_files(&s));
    char listed[MAX_PATH];
    EXPECT_TRUE(clipboard_file(&s, 0, listed));
    EXPECT_EQ(std::string(listed), path);
    clipboard_files_close(&s);
    EXPECT_TRUE(bench::message_boxes.empty());
}
