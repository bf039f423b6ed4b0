// The toolbar: path splitting, recolouring of the pictures, the hit tests
// on recorded ranges, and drawing on a real page that is very wide or shows
// a very deep tree, which must stay within the recorded arrays.
#include "browser/archives/archive_folder.h"
#include "browser/commands/toolbar.h"
#include "graphics/kavtrel.h"
#include "tests/browser/list_fixtures.h"
#include "tests/browser/settings_fixtures.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {

TEST(Toolbar, SplitPathComponents)
{
    std::string deep = "C:";
    for (int i = 0; i < 110; i++) deep += "\\d";
    struct {
        std::string path;
        int count;
        const char* last;
    } table[] = {
        {"C:\\a\\b", 3, "b"}, {"C:\\", 1, "C:"}, {"C:\\表\\ソ", 3, "ソ"}, {"\\\\server\\share", 2, "share"},
        {deep, 100, "d"},
    };
    for (auto& t : table) {
        char path[1024];
        strcpy(path, t.path.c_str());
        char* parts[TOOLBAR_PATH_PARTS];
        ASSERT_EQ(split_path_components(path, parts), t.count) << t.path;
        EXPECT_STREQ(parts[t.count - 1], t.last) << t.path;
    }
}

TEST(Toolbar, MagentaTakesTheToolbarColour)
{
    live_settings_kept kept;
    ASSERT_EQ(load_toolbar_bitmaps(0x123456), 1);
    page_info back = _page_info(SLOT_BACK);
    EXPECT_EQ(GetPixel(back.dc, 15, 0), 0x123456u) << "background of the arrow";
    EXPECT_EQ(GetPixel(back.dc, 1, 5), 0xC85028u) << "the arrow itself";
    const int slot = 60;
    ASSERT_TRUE(_newbuffer(slot, 3, 1));
    page_info p = _page_info(slot);
    SetPixel(p.dc, 0, 0, 0xFF00FF);
    SetPixel(p.dc, 1, 0, 0xFC02FC);
    SetPixel(p.dc, 2, 0, 0xFE00FF);
    recolor_toolbar_bitmap(slot);
    EXPECT_EQ(GetPixel(p.dc, 0, 0), 0x123456u);
    EXPECT_EQ(GetPixel(p.dc, 2, 0), 0xFE00FFu) << "a neighbour of the key stays";
    _page_free(slot);
}

TEST(Toolbar, HitTestsOnRecordedRanges)
{
    list_fixture::reset_list();
    browser_list_record& l = browser_list;
    l.top_margin = l.left_margin = 20;
    l.button_count = 3, l.level_count = 2, l.tree_flag = 1;
    const int lefts[] = {100, 130, 160, 190, 220, 250};
    for (int i = 0; i < 6; i++) l.button_left[i] = lefts[i], l.button_right[i] = lefts[i] + 20;
    const int fixed[6][2] = {{22, 42}, {44, 64}, {0, 0}, {67, 85}, {88, 98}, {4, 19}};
    for (int i = 0; i < 6; i++) l.fixed_left[i] = fixed[i][0], l.fixed_right[i] = fixed[i][1];
    for (int i = 0; i < 5; i++) l.strip_top[i] = 28 + 20 * i, l.strip_bottom[i] = 48 + 20 * i;
    l.strip_numbers = 0;
    current_folder.desktop_length = current_folder.personal_length = 0;
    typedef int (*test_fn)(const hit_record&);
    struct {
        const char* name;
        test_fn fn;
        int x, y, want;
    } table[] = {
        {"path, right edge", hit_path_component, 120, 5, 1},
        {"path, below the line", hit_path_component, 120, 21, 0},
        {"path, on the margin", hit_path_component, 130, 20, 2},
        {"not the last component", hit_path_component, 170, 5, 0},
        {"last component", hit_last_component, 180, 5, 3},
        {"tree level 2", hit_tree_level, 240, 5, 2},
        {"tree end", hit_tree_end, 255, 5, 1},
        {"back arrow, right edge", hit_history_arrow, 42, 5, 1},
        {"forward arrow", hit_history_arrow, 50, 5, 2},
        {"fixed 3", hit_fixed_button, 67, 5, 2},
        {"fixed 3, right edge excluded", hit_fixed_button, 85, 5, 0},
        {"fixed 5", hit_fixed_button, 4, 5, 4},
        {"strip 2", hit_left_strip, 5, 50, 2},
        {"strip, right of the margin", hit_left_strip, 21, 50, 0},
        {"whole line: path", hit_test_toolbar, 165, 5, 3},
        {"whole line: tree end", hit_test_toolbar, 255, 5, 5},
    };
    for (auto& t : table) {
        hit_record hit = {};
        hit.x = t.x, hit.y = t.y;
        EXPECT_EQ(t.fn(hit), t.want) << t.name;
    }
    // Below the documents folder the line leaves its path out: a path button
    // counts from the drive with those components; below the Desktop the
    // whole path is shown.
    scoped_restore<current_folder_state> keep(current_folder);
    const char* documents = "c:\\users\\root\\documents";
    struct {
        const char* folder;
        int personal, desktop;
        int x, want;
    } below[] = {
        {"c:\\users\\root\\documents\\表pics\\2020", int(strlen(documents)) - 1, 0, 105, 5},
        {"c:\\users\\root\\documents\\表pics\\2020", int(strlen(documents)) - 1, 0, 135, 6},
        {"c:\\users\\root\\desktop\\ソ", 0, 20, 105, 1},
    };
    for (auto& b : below) {
        text_copy(current_folder.folder, b.folder);
        current_folder.personal_length = static_cast<unsigned char>(b.personal);
        current_folder.desktop_length = static_cast<unsigned char>(b.desktop);
        hit_record hit = {};
        hit.x = b.x, hit.y = 5;
        EXPECT_EQ(hit_test_toolbar(hit), b.want) << b.folder << " at " << b.x;
    }
}

// A wide page offers at most the column counts the commands can set, and a
// tree deeper than the line's buttons keeps its levels within them.
TEST(Toolbar, DrawingStaysWithinItsArrays)
{
    live_settings_kept kept;
    bench::scratch_dir dir;
    kavtrel_start(GetModuleHandleA(nullptr), nullptr, "");
    list_fixture::reset_list();
    _newpage(1, 0, 0, -3700, -400);
    load_toolbar_bitmaps(0xFFDEDE);
    list_fixture::in_folder here(dir.path());
    change_folder(dir.path());
    browser_list_record& l = browser_list;
    l.tree_depth = 150, l.tree_flag = 1;
    layout_list();
    _selectpage(0, 1);
    draw_toolbar();
    EXPECT_GE(l.strip_numbers, 1);
    EXPECT_LE(l.strip_numbers, TOOLBAR_MAX_COLUMNS);
    EXPECT_GE(l.button_count, 2);
    EXPECT_EQ(l.button_count + l.level_count + 1, TOOLBAR_BUTTONS);
    hit_record hit = {};
    hit.x = l.button_left[TOOLBAR_BUTTONS - 1], hit.y = 5;
    EXPECT_EQ(hit_tree_end(hit), 1);
    l.tree_depth = l.tree_flag = 0;
    _page_free(1);
}

}  // namespace
