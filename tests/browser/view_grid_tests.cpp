// The grid's geometry, paging and hit tests as functions of the grid record,
// and the name fitting that must end whatever the cell width.
#include "browser/grid/grid.h"
#include "browser/grid/list_view.h"
#include "tests/browser/list_fixtures.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {
void grid_of(int count, double size = 128.0)
{
    browser_list_init();
    browser_list.count = count;
    browser_list.thumb_size = size;
    browser_list.first_row = 0;
}
}  // namespace

TEST(Grid, LayoutTable)
{
    struct {
        int w, h;
        double size;
        int count;
        int columns, rows, per_page, pages, cache;
        double drawn;  // the picture area's height: the cell less its name line and its bottom gap
    } table[] = {
        {1000, 700, 128, 100, 6, 4, 24, 5, 256, 120}, {1000, 700, 200, 10, 4, 3, 12, 1, 163, 192},
        {1000, 700, 256, 10, 3, 2, 6, 2, 128, 248},   {1000, 700, 64, 10, 12, 8, 96, 1, 256, 56},
        {100, 100, 128, 0, 1, 1, 1, 0, 256, 120},  // narrower than a cell: still one
        {1000, 700, 0, 5, 12, 8, 96, 1, 256, 56},  // a size of 0 is raised to the floor
        {1000, 700, -5, 5, 12, 8, 96, 1, 256, 56},
    };
    for (const auto& t : table) {
        grid_of(t.count, t.size);
        compute_grid(t.w, t.h);
        EXPECT_EQ(browser_list.columns, t.columns) << t.w << "x" << t.h << " at " << t.size;
        EXPECT_EQ(browser_list.rows, t.rows) << t.size;
        EXPECT_EQ(browser_list.per_page, t.per_page) << t.size;
        EXPECT_EQ(browser_list.page_count, t.pages) << t.size;
        EXPECT_EQ(browser_list.cache_working_size, t.cache) << t.size;
        EXPECT_EQ(browser_list.drawn_size, t.drawn) << t.size;
        EXPECT_EQ(browser_list.cell_height, browser_list.cell_width) << t.size;
    }
    grid_of(10);
    EXPECT_EQ(compute_grid(1000, 700), 1);
    EXPECT_EQ(compute_grid(1000, 700), 0);
}

TEST(Grid, PagingAndClamp)
{
    // 100 entries at 6 x 4: last row 16, pages 5.
    grid_of(100);
    compute_grid(1000, 700);
    struct {
        int first_row;
        int (*move)();
        int result, after;
    } table[] = {
        {0, page_forward, 1, 4},
        {16, page_forward, 1, 0},
        {0, page_back, 1, 16},
        {4, page_back, 1, 0},
    };
    for (const auto& t : table) {
        browser_list.first_row = t.first_row;
        EXPECT_EQ(t.move(), t.result) << t.first_row;
        EXPECT_EQ(browser_list.first_row, t.after) << t.first_row;
    }
    grid_of(5);
    compute_grid(1000, 700);
    EXPECT_EQ(page_forward(), 0);
    EXPECT_EQ(page_back(), 0);
    // An empty folder on a 1 x 1 grid has last row -1: the page stays at row 0.
    struct {
        int count, w, h, first_row, want;
    } clamp[] = {
        {100, 1000, 700, 5, 4}, {100, 1000, 700, -3, 0}, {100, 1000, 700, 99, 16},
        {0, 100, 100, 0, 0},    {0, 100, 100, 7, 0},
    };
    for (const auto& c : clamp) {
        grid_of(c.count);
        compute_grid(c.w, c.h);
        browser_list.first_row = c.first_row;
        clamp_first_row();
        EXPECT_EQ(browser_list.first_row, c.want) << c.count << " " << c.first_row;
    }
}

TEST(Grid, HitTestsAtEveryEdge)
{
    grid_of(10);
    compute_grid(1000, 700);  // cells 142 x 142 from (20, 20)
    browser_list.count = 0;
    hit_record h;
    hit_test_list_cell(MAKELPARAM(100, 100), &h);
    EXPECT_EQ(h.index, 0);
    EXPECT_EQ(h.on_entry, 0);
    EXPECT_EQ(near_cell_gap(&h), 0);
    // The name line's edges are inside, the centre circle's edge is outside.
    struct {
        int x, y;
        int name, centre, corner;
    } table[] = {
        {21, 21, 1, 0, 1},           {20 + 128, 20 + 12, 1, 0, 0},     {20 + 129, 20, 0, 0, 0},
        {20 + 71, 20 + 71, 0, 1, 0}, {20 + 71 + 32, 20 + 71, 0, 0, 0}, {20 + 71 + 31, 20 + 71, 0, 1, 0},
        {20 + 70, 20 + 70, 0, 1, 1},
    };
    // Hit tests read entries: a real listing of ten files.
    bench::scratch_dir dir;
    for (int i = 0; i < 10; i++) dir.write("f" + std::to_string(i) + ".jpg", "x");
    list_fixture::in_folder in(dir.path());
    list_fixture::reset_list();
    list_fixture::listing();
    compute_grid(1000, 700);
    for (const auto& t : table) {
        hit_test_list_cell(MAKELPARAM(t.x, t.y), &h);
        EXPECT_EQ(on_name_line(h), t.name) << t.x << "," << t.y;
        EXPECT_EQ(near_cell_centre(h), t.centre) << t.x << "," << t.y;
        EXPECT_EQ(in_first_cell_corner(h), t.corner) << t.x << "," << t.y;
    }
    // Below the last row is the next page, not a gap of this one.
    hit_test_list_cell(MAKELPARAM(20 + 142, 20 + 4 * 142 + 71), &h);
    EXPECT_EQ(near_cell_gap(&h), 0);
    hit_test_list_cell(MAKELPARAM(20 + 142, 20 + 71), &h);
    EXPECT_EQ(near_cell_gap(&h), 1);
    EXPECT_EQ(h.gap_index, 1);
}

TEST(Grid, NameFittingEnds)
{
    // Every character is 10 pixels wide: a prefix wider than the cell still ends.
    list_text_width = [](const char* t) { return 10.0 * strlen(t); };
    struct {
        const char* prefix;
        double width;
        const char* name;
        const char* want;
    } table[] = {
        {"1 ", 100, "abc", "abc"},
        {"1 ", 60, "abcdefgh", "a.."},
        {"12 <ZIP>", 64, "abcdefgh", ".."},
        {"1 ", 70, "\x95\x5c\x8e\xa6\x95\x5c", "\x95\x5c.."},  // a double-byte name is cut by characters
    };
    for (const auto& t : table) {
        char name[64];
        text_copy(name, t.name);
        fit_name_with_prefix(t.prefix, t.width, name, sizeof name);
        EXPECT_STREQ(name, t.want) << t.prefix << " " << t.width;
    }
    char text[64];
    text_copy(text, "abcdefghij");
    EXPECT_LT(draw_fitted_name(text, sizeof text, 50), 50);
    EXPECT_STREQ(text, "..ij");
    text_copy(text, "abc");
    EXPECT_GE(draw_fitted_name(text, sizeof text, 5), 0);  // nothing fits: it still ends
    list_text_width = [](const char* t) { return _text_extent(t).width / 20.0; };
}
