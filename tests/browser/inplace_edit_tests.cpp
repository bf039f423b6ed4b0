// The in-list editors on page 1, driven by a robot thread: it waits (bounded)
// until the editor's control is shown on the page, then types, commits or cancels by
// messages, as the user's keys and clicks would arrive.
#include "browser/operations/inplace_edit.h"
#include "browser/operations/entry_ops.h"
#include "browser/grid/grid.h"
#include "browser/grid/list_view.h"
#include "browser/commands/window_hook.h"
#include "files/files.h"
#include "tests/browser/editor_robot.h"
#include "tests/browser/list_fixtures.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <map>

namespace {
using editor_robot::robot;

void type_and(HWND edit, const char* text, WPARAM key)
{
    if (text) SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    PostMessageA(edit, WM_CHAR, key, 0);
}

std::map<std::string, std::string> files_of(const bench::scratch_dir& dir)
{
    std::map<std::string, std::string> out;
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA(dir.file("*").c_str(), &d);
    do {
        if (d.cFileName[0] != '.') out[d.cFileName] = bench::read_file(dir.file(d.cFileName));
    } while (FindNextFileA(h, &d));
    FindClose(h);
    return out;
}

struct editors : ::testing::Test {
    list_fixture::browser_page page{400, 300};
    bench::scratch_dir dir;
    scoped_restore<app_hook_table> keep_app{app_hooks};
    void SetUp() override
    {
        app_hooks.window_hook = app_wndproc_hook;
        // The page must hold the focus before an editor opens, or its late
        // activation would take the focus from the editor (a cancel).
        SetForegroundWindow(frame());
        DWORD until = GetTickCount() + 10000;
        while (GetForegroundWindow() != frame() && GetTickCount() < until) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            MSG m;
            while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        }
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        ASSERT_EQ(GetForegroundWindow(), frame());
    }
    HWND frame() { return GetParent(_page_hwnd(1)); }
};
}  // namespace

TEST_F(editors, RenameCommitsAndCancels)
{
    HWND other = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 200, 200, 50, 20, page_drawing_window(1),
                                 nullptr, nullptr, nullptr);
    struct rename_case {
        const char* entry;
        int mode;
        const char* shown;
        std::function<void(HWND)> act;
        int renamed;
        std::map<std::string, std::string> after;
    };
    typedef std::map<std::string, std::string> files;
    files start = {{"photo.r.jpg", "p"}, {"photo.r.txt", "c"}, {"03)sun.jpg", "s"}, {"b.jpg", "b"}};
    auto typed = [](const char* t) { return [t](HWND e) { type_and(e, t, VK_RETURN); }; };
    rename_case cases[] = {
        {"photo.r.jpg", 0, "photo", typed(" trip "), 1,
         files{{"trip.r.jpg", "p"}, {"trip.r.txt", "c"}, {"03)sun.jpg", "s"}, {"b.jpg", "b"}}},
        {"photo.r.jpg", 0, "photo", typed("b"), 1,
         files{{"b.r.jpg", "p"}, {"b.r.txt", "c"}, {"03)sun.jpg", "s"}, {"b.jpg", "b"}}},
        {"03)sun.jpg", 0, "sun", typed("moon"), 1,
         files{{"photo.r.jpg", "p"}, {"photo.r.txt", "c"}, {"03)moon.jpg", "s"}, {"b.jpg", "b"}}},
        {"03)sun.jpg", 1, "03)sun", typed("1)sun"), 1,
         files{{"photo.r.jpg", "p"}, {"photo.r.txt", "c"}, {"1)sun.jpg", "s"}, {"b.jpg", "b"}}},
        {"03)sun.jpg", 1, "03)sun", typed("b"), 0, start},  // "b.jpg" exists
        {"b.jpg", 0, "b", typed("..\\b2"), 0, start},
        {"b.jpg", 0, "b", typed("sub/b2"), 0, start},
        {"b.jpg", 0, "b", typed("c:b2"), 0, start},
        {"b.jpg", 0, "b", typed("  "), 0, start},
        {"b.jpg", 0, "b", [](HWND e) { type_and(e, "x", VK_ESCAPE); }, 0, start},
        {"b.jpg", 0, "b", [&](HWND) { PostMessageA(other, WM_LBUTTONDOWN, 0, 0); }, 0, start},
        {"b.jpg", 0, "b", [&](HWND) { PostMessageA(frame(), WM_COMMAND, 65501, 0); }, 0, start},
        {"b.jpg", 0, "b", [&](HWND) { PostMessageA(frame(), WM_SYSCOMMAND, SC_CLOSE, 0); }, 0, start},
        {"b.jpg", 0, "b", [&](HWND) { SendMessageA(frame(), WM_COMMAND, 65501, 0); }, 0, start},  // closes the window
    };
    int n = 0;
    for (rename_case& c : cases) {
        bench::scratch_dir here;
        for (auto& kv : start) here.write(kv.first, kv.second);
        list_fixture::in_folder in(here.path());
        char out[MAX_PATH];
        robot r(c.act);
        int result = edit_name_in_list(c.entry, c.mode, 1, out, 10, 10, 120, 18);
        EXPECT_EQ(r.done(), c.shown) << n;
        EXPECT_EQ(result, c.renamed) << n;
        EXPECT_EQ(files_of(here), c.after) << n;
        EXPECT_FALSE(inplace_edit_active());
        if (n == 11 || n == 12) {  // a posted close command is put back for the program's own loop
            UINT id = n == 12 ? WM_SYSCOMMAND : WM_COMMAND;
            MSG m;
            EXPECT_TRUE(PeekMessageA(&m, frame(), id, id, PM_REMOVE)) << n;
        }
        n++;
    }
    EXPECT_FALSE(IsWindow(other));  // the sent close took the page with it
}

TEST_F(editors, QuitEndsTheEditorAndIsPutBack)
{
    dir.write("a.jpg", "a");
    list_fixture::in_folder in(dir.path());
    DWORD me = GetCurrentThreadId();
    char out[MAX_PATH];
    {
        robot r([me](HWND) { PostThreadMessageA(me, WM_QUIT, 7, 0); });
        EXPECT_EQ(edit_name_in_list("a.jpg", 0, 0, out, 10, 10, 120, 18), 0);
    }
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(m.wParam, 7u);
    EXPECT_TRUE(bench::read_file(dir.file("a.jpg")) == "a");
}

TEST_F(editors, TextFilesRoundTripOrAreRefused)
{
    std::string lf_only;
    for (int i = 0; i < 7999; i++) lf_only += "x\n";  // 15,998 bytes, 23,997 with a CR on every line
    struct text_case {
        std::string bytes;
        const char* typed;  // null: commit untouched
        bool opens;
        std::string after;  // the file afterwards
    };
    std::string over_line = std::string(1030, 'x') + "\n";
    std::string split_kanji = std::string(1023, 'x') + "\x95\x5C" + "\n";  // 表 across the 1024-byte read
    text_case cases[] = {
        {"a\nb  \n\nlast", nullptr, true, "a\r\nb\r\n\r\nlast\r\n"},
        {"a\r\n表 \r\n", nullptr, true, "a\r\n表\r\n"},
        {"old\n", "new\r\ntext", true, "new\r\ntext"},
        {lf_only, nullptr, false, lf_only},  // fits 16,000 bytes only without CRs
        {std::string(16001, 'y'), nullptr, false, std::string(16001, 'y')},
        {over_line, nullptr, false, over_line},
        {split_kanji, nullptr, false, split_kanji},
    };
    for (text_case& c : cases) {
        std::string path = dir.write("t.txt", c.bytes);
        int result;
        if (c.opens) {
            robot r([&c](HWND e) { type_and(e, c.typed, 10); });
            result = edit_text_file_in_list(path.c_str(), 10, 10, 200, 100);
        } else {
            result = edit_text_file_in_list(path.c_str(), 10, 10, 200, 100);
        }
        EXPECT_EQ(result, c.opens ? 1 : 0) << c.bytes.size();
        EXPECT_TRUE(bench::read_file(path) == c.after) << c.bytes.size() << " " << bench::read_file(path).size();
    }
    // Escape writes nothing.
    std::string path = dir.write("t.txt", "keep\n");
    {
        robot r([](HWND e) { type_and(e, "gone", VK_ESCAPE); });
        EXPECT_EQ(edit_text_file_in_list(path.c_str(), 10, 10, 200, 100), 0);
    }
    EXPECT_EQ(bench::read_file(path), "keep\n");
}

TEST_F(editors, TimeStamps)
{
    SYSTEMTIME base = {2020, 3, 0, 4, 5, 6, 7, 800};
    struct {
        const char* text;
        int ok;
        SYSTEMTIME want;
    } cases[] = {
        {"2019 12 31", 1, {2019, 12, 0, 31, 5, 6, 7, 0}},
        {" 2019 12 31 23:59 ", 1, {2019, 12, 0, 31, 23, 59, 7, 0}},
        {"2019 1 2 3:04:05", 1, {2019, 1, 0, 2, 3, 4, 5, 0}},
        {"2019 2 30", 1, {2019, 2, 0, 30, 5, 6, 7, 0}},  // in range; the system refuses it later
        {"2019 13 1", 0, base},
        {"2019 1 1 24:00", 0, base},
        {"2019 1 1 1:60", 0, base},
        {"", 0, base},
        {"70000 1 1", 0, base},
        {"1600 1 1", 0, base},
        {"2019 1 1 1 1", 0, base},
        {"2019 x 1", 0, base},
    };
    for (auto& c : cases) {
        SYSTEMTIME t = base;
        EXPECT_EQ(parse_time_text(c.text, &t), c.ok) << c.text;
        EXPECT_EQ(memcmp(&t, &c.want, sizeof t), 0) << c.text << " " << t.wYear << "-" << t.wMonth << "-" << t.wDay;
    }

    std::string path = dir.write("a.jpg", "a");
    struct {
        const char* typed;
        int result;
        int year;
    } edits[] = {
        {"2015 06 07 08:09:10", 1, 2015},
        {"2015 02 30", 0, 2015},
        {"2016 13 01", 0, 2015},
    };
    for (auto& e : edits) {
        {
            robot r([&e](HWND edit) { type_and(edit, e.typed, VK_RETURN); });
            EXPECT_EQ(edit_file_time_in_list(path.c_str(), 2, 10, 10, 150, 18), e.result) << e.typed;
            EXPECT_EQ(r.done().size(), 19u);  // the full form, whatever the cell shows
        }
        SYSTEMTIME now;
        file_local_systime(path.c_str(), &now);
        EXPECT_EQ(now.wYear, e.year) << e.typed;
        if (e.result) { EXPECT_EQ(now.wSecond, 10); }
    }
}

// A new folder is named in place over the first cell of the page shown, and
// that cell is the new entry's, though its name sorts onto another page.
TEST_F(editors, NewFolderIsNamedOverTheFirstCellOfItsPage)
{
    for (int i = 0; i < 12; i++) {
        char name[32];
        snprintf(name, sizeof name, "%02d表.jpg", i);
        dir.write(name, "x");
    }
    list_fixture::in_folder in(dir.path());
    load_folder(nullptr, 0, 11, nullptr, 0);
    int first = browser_list.first_row * browser_list.columns;
    ASSERT_GT(first, 0) << "the last page is shown";
    cell_rect expected = name_rect(first);
    POINT at = {-1, -1};
    std::string named_there;
    robot r([&](HWND edit) {
        RECT e;
        GetWindowRect(edit, &e);
        at = {e.left, e.top};
        ScreenToClient(GetParent(edit), &at);
        named_there = browser_list.names[first];
        type_and(edit, "旅行表", VK_RETURN);
    });
    EXPECT_EQ(create_new_entry(240), 1);
    r.done();
    EXPECT_EQ(at.x, expected.x);
    EXPECT_EQ(at.y, expected.y);
    EXPECT_EQ(named_there.substr(0, 11), "0.newfolder");
    DWORD a = GetFileAttributesA(dir.file("旅行表").c_str());
    EXPECT_TRUE(a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_FALSE(path_exists(dir.file("0.newfolder").c_str(), 0));
}
