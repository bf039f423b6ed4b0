// Navigation history: the file checked whole before use, pushes past sixteen,
// revisits, steps across a folder that is gone, remembered marks and the menu.
#include "browser/archives/archive_folder.h"
#include "browser/model/history.h"
#include "tests/browser/list_fixtures.h"
#include <gtest/gtest.h>
#include <cstring>
#include <memory>

namespace {

using list_fixture::reset_list;

// A fresh history with folders f0..f(n-1) in a scratch folder.
struct history_fixture : ::testing::Test {
    bench::scratch_dir dir;
    char saved[MAX_PATH];
    void SetUp() override
    {
        GetCurrentDirectoryA(MAX_PATH, saved);
        reset_list();
        memset(&browser_history.block, 0, sizeof browser_history.block);
        browser_history.block.version = HISTORY_VERSION;
    }
    void TearDown() override { SetCurrentDirectoryA(saved); }
    std::string folder(int i)
    {
        std::string p = dir.file("f" + std::to_string(i));
        CreateDirectoryA(p.c_str(), nullptr);
        return p;
    }
    void visit(int i)
    {
        ASSERT_TRUE(change_folder(folder(i).c_str()));
        history_push(0, 0);
    }
    std::vector<std::string> order()
    {
        const uint8_t* o;
        int n = history_order(&o);
        std::vector<std::string> out;
        for (int i = 0; i < n; i++) out.push_back(browser_history.block.entries[o[i]].path);
        return out;
    }
    std::string here()
    {
        char p[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, p);
        return p;
    }
};

std::string block_bytes(const history_block& b) { return std::string(reinterpret_cast<const char*>(&b), sizeof b); }

TEST_F(history_fixture, FileIsTakenOnlyWhenWholeAndSound)
{
    std::unique_ptr<history_block> good(new history_block());
    good->version = HISTORY_VERSION;
    good->position = 2;
    strcpy(good->entries[1].path, "C:\\a");
    strcpy(good->entries[2].path, "C:\\b");
    std::string bytes = block_bytes(*good);
    std::string no_nul = bytes;
    memset(&no_nul[offsetof(history_block, entries) + 3 * sizeof(history_entry) + offsetof(history_entry, path)], 'x',
           260);
    std::string far_position = bytes;
    far_position[4] = 99;
    std::string old_version = bytes;
    old_version[0] = 20;
    struct {
        const char* name;
        std::string bytes;
        int taken;
    } table[] = {
        {"whole", bytes, 1},
        {"short", bytes.substr(0, 100), 0},
        {"one byte short", bytes.substr(0, bytes.size() - 1), 0},
        {"longer", bytes + "x", 0},
        {"version 20", old_version, 0},
        {"position 99", far_position, 0},
        {"path without terminator", no_nul, 0},
    };
    for (auto& t : table) {
        std::string path = dir.write("history", t.bytes);
        std::unique_ptr<history_block> out(new history_block());
        EXPECT_EQ(read_history_file(path.c_str(), out.get()), t.taken) << t.name;
        if (t.taken)
            EXPECT_EQ(block_bytes(*out), t.bytes) << t.name;
        else
            EXPECT_EQ(out->version, 0) << t.name << ": the block is left alone";
    }
    EXPECT_EQ(read_history_file(dir.file("missing").c_str(), good.get()), 0);
}

TEST_F(history_fixture, SavedFileHasItsSizeAndReadsBack)
{
    visit(0);
    visit(1);
    std::string path = dir.file("history");
    ASSERT_EQ(write_history_file(path.c_str(), &browser_history.block), 1);
    EXPECT_EQ(bench::read_file(path).size(), 69976u);
    std::unique_ptr<history_block> back(new history_block());
    ASSERT_EQ(read_history_file(path.c_str(), back.get()), 1);
    EXPECT_EQ(memcmp(back.get(), &browser_history.block, sizeof *back), 0);
}

TEST_F(history_fixture, SeventeenthFolderDropsTheOldest)
{
    for (int i = 0; i < 17; i++) visit(i);
    std::vector<std::string> o = order();
    ASSERT_EQ(o.size(), 16u);
    EXPECT_EQ(o.front(), folder(1));
    EXPECT_EQ(o.back(), folder(16));
}

TEST_F(history_fixture, RevisitMovesToNewestAndKeepsMarks)
{
    unsigned char marks[100] = {};
    marks[3] = marks[99] = 1;
    browser_list.marks = marks;
    browser_list.count = 100;
    browser_list.selected_count = 2;
    visit(0);
    browser_list.selected_count = 0;
    visit(1);
    visit(0);
    EXPECT_EQ(order(), (std::vector<std::string>{folder(1), folder(0)}));
    memset(marks, 0, sizeof marks);
    restore_history_selection();
    EXPECT_EQ(marks[3] + marks[99], 2);
    EXPECT_EQ(browser_list.selected_count, 2);
    EXPECT_EQ(has_history_selection(), 1);
    // A folder that has gained an item gets no marks back.
    unsigned char more[101] = {};
    browser_list.marks = more;
    browser_list.count = 101;
    browser_list.selected_count = 0;
    restore_history_selection();
    EXPECT_EQ(more[3], 0);
    browser_list.marks = nullptr;
    browser_list.count = 0;
    browser_list.selected_count = 0;
}

TEST_F(history_fixture, StepsAcrossAFolderThatIsGone)
{
    visit(0);
    visit(1);
    visit(2);
    ASSERT_TRUE(RemoveDirectoryA(dir.file("f1").c_str()));
    EXPECT_EQ(history_nav_flags(), 1);
    EXPECT_EQ(history_go(HISTORY_GO_BACK, change_folder), 0) << "the step into a deleted folder does nothing";
    EXPECT_EQ(here(), folder(2));
    EXPECT_EQ(history_go(HISTORY_GO_FORWARD, change_folder), 0);
    EXPECT_EQ(history_go(0, change_folder), 1);
    EXPECT_EQ(here(), folder(0));
    EXPECT_EQ(order().back(), folder(0));
    EXPECT_EQ(history_go(HISTORY_GO_BACK, change_folder), 1);
    EXPECT_EQ(here(), folder(2));
    EXPECT_EQ(history_go(HISTORY_GO_FORWARD, change_folder), 1);
    EXPECT_EQ(here(), folder(0));
}

// Order bytes behind the used ones come from the file: a menu position past
// the count must not reach them.
TEST_F(history_fixture, MenuPositionPastTheCountDoesNothing)
{
    visit(0);
    visit(1);
    visit(2);
    memset(browser_history.block.order, 2, sizeof browser_history.block.order);
    ASSERT_TRUE(change_folder(dir.path()));
    EXPECT_EQ(history_go(5, change_folder), 0);
    EXPECT_EQ(history_go(99, change_folder), 0);
    EXPECT_EQ(here(), std::string(dir.path()));
}

std::vector<std::pair<std::string, UINT>> menu_items(HMENU m)
{
    std::vector<std::pair<std::string, UINT>> out;
    for (int i = 0; i < GetMenuItemCount(m); i++) {
        char text[300] = {};
        GetMenuStringA(m, i, text, sizeof text, MF_BYPOSITION);
        out.push_back({text, GetMenuState(m, i, MF_BYPOSITION)});
    }
    return out;
}

TEST_F(history_fixture, MenuListsNewestFirstWithSlashes)
{
    visit(0);
    browser_list.tree_depth = 2;
    visit(1);
    browser_list.tree_depth = 0;
    HMENU m = CreatePopupMenu();
    build_history_menu(m);
    auto items = menu_items(m);
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[0].first, "戻る(&P) \t Alt+←");
    EXPECT_FALSE(items[0].second & MF_GRAYED);
    EXPECT_TRUE(items[1].second & MF_GRAYED) << "nothing to go forward to";
    EXPECT_TRUE(items[3].second & MF_SEPARATOR);
    std::string f1 = folder(1), f0 = folder(0);
    for (char& c : f1)
        if (c == '\\') c = '/';
    for (char& c : f0)
        if (c == '\\') c = '/';
    EXPECT_EQ(items[4].first, "&0 C" + f1.substr(1) + " *");
    EXPECT_TRUE(items[4].second & MF_GRAYED) << "the current folder";
    EXPECT_EQ(items[5].first, "&1 C" + f0.substr(1) + "  ");
    EXPECT_EQ(GetMenuItemID(m, 5), UINT(CM_HISTORY_FIRST + 0));
    EXPECT_EQ(history_position(folder(0).c_str()), 1) << "visited folders are drawn darker";
    EXPECT_EQ(history_position(dir.path()), -1);
    DestroyMenu(m);
}

}  // namespace
