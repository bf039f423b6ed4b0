// Selection marks on a real page: ranges, toggles, the select-all filter,
// clearing, the history record before a change, and the frames' pixels.
#include "browser/grid/selection.h"
#include "browser/model/history.h"
#include "tests/browser/keys_fixtures.h"

using namespace keys_fixture;

namespace {
int marked_bytes()
{
    int n = 0;
    for (int i = 0; i < browser_list.count; i++) n += browser_list.marks[i];
    return n;
}

// A pixel of the page as the window shows it after a repaint.
COLORREF shown_pixel(HWND window, int x, int y)
{
    ShowWindow(GetAncestor(window, GA_ROOT), SW_SHOWNOACTIVATE);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    HDC dc = GetDC(window);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return c;
}

struct marks_case {
    const char* name;
    void (*act)();
    std::vector<int> marked;
};
}  // namespace

TEST(Selection, OperationsKeepCountAndBytes)
{
    bench::scratch_dir dir;
    images(dir, "sel", 10);
    browser_page page(800, 600);
    page.load(dir.file("sel"));
    const marks_case cases[] = {
        {"range without earlier mark", [] { select_range_to(3); }, {0, 1, 2, 3}},
        {"range from nearest mark",
         [] {
             toggle_mark(5);
             select_range_to(8);
         },
         {5, 6, 7, 8}},
        {"range ending on a mark",
         [] {
             toggle_mark(4);
             select_range_to(4);
         },
         {4}},
        {"toggle twice",
         [] {
             toggle_mark(2);
             toggle_mark(2);
         },
         {}},
        {"toggle -1 clears",
         [] {
             select_all(0);
             toggle_mark(-1);
         },
         {}},
        {"past the end",
         [] {
             toggle_mark(10);
             select_range_to(99);
         },
         {}},
        {"select all", [] { select_all_and_redraw(0); }, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {"clear",
         [] {
             select_all(0);
             clear_selection();
         },
         {}},
    };
    for (const marks_case& c : cases) {
        SCOPED_TRACE(c.name);
        selection_reset();
        c.act();
        std::vector<int> got;
        for (int i = 0; i < browser_list.count; i++)
            if (browser_list.marks[i]) got.push_back(i);
        EXPECT_EQ(got, c.marked);
        EXPECT_EQ(browser_list.selected_count, marked_bytes());
    }
}

TEST(Selection, FilterLeavesDrivesHeadingsAndDeepEntries)
{
    browser_page page(800, 600);
    static char d1[] = "c:\\", d2[] = "d:", h[] = "C:\\a\\*.*", deep[] = "C:\\a\\b\\c.jpg", ok[] = "C:\\a\\b.jpg";
    static char* names[] = {d1, d2, h, deep, ok};
    browser_list_set_entries(names, 5);
    selection_reset();
    browser_list.tree_flag = 1;
    browser_list.tree_depth = 2;
    EXPECT_EQ(select_all(1), 1);
    EXPECT_EQ(browser_list.marks[4], 1);
    browser_list.tree_flag = 0;
    EXPECT_EQ(select_all(1), 3);
    EXPECT_EQ(select_all(0), 5);
    browser_list_set_entries(nullptr, 0);
    selection_reset();
}

TEST(Selection, HistoryRecordsOnlyANonEmptySelection)
{
    bench::scratch_dir dir;
    images(dir, "hist", 4);
    browser_page page(800, 600);
    page.load(dir.file("hist"));
    scoped_restore<history_state> keep_history(browser_history);
    history_push(0, 1);
    int slot = history_position(current_folder.folder);
    ASSERT_GE(slot, 0);
    history_entry& e = browser_history.block.entries[slot];
    e.selected_count = 0;
    memset(e.marks, 0, sizeof e.marks);
    clear_selection();
    toggle_mark(1);
    EXPECT_EQ(e.selected_count, 0);  // nothing was marked before
    toggle_mark(2);
    EXPECT_EQ(e.selected_count, 1);
    EXPECT_EQ(e.marks[0], 1 << 1);
    clear_selection();
    EXPECT_EQ(e.selected_count, 2);
    EXPECT_EQ(e.marks[0], (1 << 1) | (1 << 2));
    EXPECT_EQ(browser_list.selected_count, 0);
}

TEST(Selection, FramesAtTheCellRectangle)
{
    bench::scratch_dir dir;
    images(dir, "frames", 6);
    browser_page page(800, 600);
    page.load(dir.file("frames"));
    for (double width : {142.0, 137.5}) {
        SCOPED_TRACE(width);
        browser_list.cell_width = width;
        int l, t, r, b;
        mark_cell_rect(4, &l, &t, &r, &b);
        int column = 4 % browser_list.columns, row = 4 / browser_list.columns;
        EXPECT_EQ(l, int(browser_list.left_margin + column * width) + 1);
        EXPECT_EQ(r, int(browser_list.left_margin + (column + 1) * width) - 1);
        EXPECT_EQ(t, int(browser_list.top_margin + row * browser_list.cell_height) + 1);
        selection_reset();
        toggle_mark(4);
        EXPECT_EQ(shown_pixel(page.window(), l + 3, t), browser_list.colours[COLOUR_SEL]);
        toggle_mark(4);
        EXPECT_EQ(shown_pixel(page.window(), l + 3, t), browser_list.colours[COLOUR_BK]);
    }
}

// A change of marks while the viewer shows an entry says so, for the caller
// above to draw the viewer's status line again; in the list it does not.
TEST(Selection, MarksChangedUnderTheViewerAreReported)
{
    bench::scratch_dir dir;
    images(dir, "shown", 4);
    browser_page page(800, 600);
    page.load(dir.file("shown"));
    struct report_case {
        int mode;
        int (*change)();
        int reported;
        int selected;
    };
    const report_case cases[] = {
        {VIEWER_MODE_LIST, [] { return toggle_mark(1); }, 0, 1},
        {VIEWER_MODE_ONE, [] { return toggle_mark(0); }, 1, 1},
        {VIEWER_MODE_ONE, [] { return select_range_to(0); }, 1, 3},  // 0 to the entry shown
        {VIEWER_MODE_ONE, [] { return select_all_and_redraw(0); }, 1, 4},
        {VIEWER_MODE_ONE, [] { return clear_selection(); }, 1, 0},
        {VIEWER_MODE_ONE, [] { return clear_selection(); }, 0, 0},  // nothing to clear
    };
    viewer_now.current_index = 2;
    for (const report_case& c : cases) {
        selection_reset();
        if (c.selected == 0 && c.reported) select_all(0);
        viewer_now.mode = c.mode;
        EXPECT_EQ(c.change(), c.reported);
        EXPECT_EQ(browser_list.selected_count, c.selected);
    }
    viewer_now.mode = VIEWER_MODE_LIST;
}
