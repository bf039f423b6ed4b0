// Keys and clicks on a real page: the commands each key sends or posts, the
// pointer's moves at every edge of the grid over one and two pages, Enter as
// a double click, F2 and Escape by state, the viewer's keys, and the clicks
// that mark, page and go up.
#include "browser/commands/keys.h"
#include "browser/viewer/scroll_view.h"
#include "browser/viewer/viewer.h"
#include "browser/grid/selection.h"
#include "tests/browser/keys_fixtures.h"

using namespace keys_fixture;

namespace {
struct key_case {
    int key;
    bool shift, ctrl;
    int id;
    bool posted;
};

std::vector<int> ids()
{
    std::vector<int> out;
    for (const command_seen& c : commands()) out.push_back(c.id);
    return out;
}

// The double clicks the window received, at their points.
std::vector<LPARAM> double_clicks()
{
    std::vector<LPARAM> out;
    for (const command_seen& c : commands())
        if (c.message == WM_LBUTTONDBLCLK) out.push_back(c.value);
    return out;
}

// The keys the toolbar's size buttons name, where this keyboard puts them.
int semicolon() { return LOBYTE(VkKeyScanA(';')); }
int minus() { return LOBYTE(VkKeyScanA('-')); }

// The key's commands: those seen at once, then those seen after a pump.
void press(HWND window, const key_case& k, std::vector<int>* sent, std::vector<int>* posted)
{
    set_modifiers(k.shift, k.ctrl, false);
    commands().clear();
    browser_keydown(window, k.key);
    *sent = ids();
    pump();
    std::vector<int> all = ids();
    posted->assign(all.begin() + sent->size(), all.end());
    set_modifiers(false, false, false);
}
}  // namespace

TEST(Keys, ListKeysSendOrPostTheirCommands)
{
    bench::scratch_dir dir;
    images(dir, "keys", 5);
    browser_page page(800, 600);
    page.load(dir.file("keys"));
    page.centre(0, 0);
    const key_case cases[] = {
        {VK_BACK, 0, 0, CM_PARENT, false},      {VK_SPACE, 0, 0, CM_PAGE_NEXT, false},
        {VK_NEXT, 0, 0, CM_PAGE_NEXT, false},   {VK_PRIOR, 0, 0, CM_PAGE_BACK, false},
        {VK_DELETE, 0, 0, CM_RECYCLE, false},   {'0', 0, 0, CM_FULL_SIZE, false},
        {'2', 0, 0, CM_FULL_SIZE + 2, false},   {'9', 0, 0, CM_FULL_SIZE + 9, false},
        {'B', 0, 0, CM_LAST_PAGE, false},       {'C', 0, 0, CM_COLLAPSE_ONE, false},
        {'D', 0, 0, CM_DATE_DISPLAY, false},    {'H', 0, 0, CM_IMAGES_ONLY, false},
        {'L', 0, 0, CM_DRIVE_LIST, false},      {'R', 0, 0, CM_SCREEN_SAVER, false},
        {'T', 0, 0, CM_FIRST_PAGE, false},      {'V', 0, 0, CM_EXPAND_ONE, false},
        {'X', 0, 0, CM_EXPAND_ALL, false},      {'Y', 0, 0, CM_DRIVE_ROOT, false},
        {VK_F5, 0, 0, CM_RELOAD, false},        {VK_F2, 0, 0, CM_RENAME, false},
        {VK_F2, 0, 1, CM_TIME_STAMP, false},    {VK_ESCAPE, 0, 0, CM_FOLDER_TREE, false},
        {VK_RETURN, 1, 0, CM_MOVE_INTO, true},  {VK_RETURN, 0, 1, CM_MARK_ENTRY, true},
        {VK_RETURN, 1, 1, CM_MARK_RANGE, true}, {semicolon(), 0, 0, CM_BIGGER, true},
        {minus(), 0, 0, CM_SMALLER, true},
    };
    for (const key_case& k : cases) {
        SCOPED_TRACE(k.key);
        std::vector<int> sent, posted;
        press(page.window(), k, &sent, &posted);
        EXPECT_EQ(k.posted ? posted : sent, std::vector<int>{k.id});
        EXPECT_TRUE((k.posted ? sent : posted).empty());
    }
    EXPECT_EQ(window_hook_state.command_index, 0);
}

TEST(Keys, EscapeF2AndEnterFollowTheState)
{
    bench::scratch_dir dir;
    images(dir, "state", 5);
    browser_page page(800, 600);
    page.load(dir.file("state"));
    std::vector<int> sent, posted;
    toggle_mark(2);
    press(page.window(), {VK_ESCAPE, 0, 0, 0, false}, &sent, &posted);
    EXPECT_EQ(sent, std::vector<int>{CM_CLEAR_MARKS});
    // F2 acts only on an entry under the pointer and only without an expanded tree.
    page.point(2, 2);
    press(page.window(), {VK_F2, 0, 0, 0, false}, &sent, &posted);
    EXPECT_TRUE(sent.empty());
    page.centre(1, 0);
    browser_list.tree_depth = 1;
    press(page.window(), {VK_F2, 0, 0, 0, false}, &sent, &posted);
    EXPECT_TRUE(sent.empty());
    browser_list.tree_depth = 0;
    // Enter is a double click where the pointer is.
    LPARAM at = page.centre(1, 0);
    press(page.window(), {VK_RETURN, 0, 0, 0, false}, &sent, &posted);
    EXPECT_EQ(double_clicks(), std::vector<LPARAM>{at});
}

TEST(Keys, ViewerKeys)
{
    // A picture larger than the window, shown in the browser window.
    bench::scratch_dir dir;
    CreateDirectoryA(dir.file("表").c_str(), nullptr);
    list_fixture::write_image(dir.file("表\\big.png"), 1600, 1200);
    browser_page page(800, 600);
    image_format_hooks.load_png = load_png_file;
    page.load(dir.file("表"));
    view_one_image(viewer_state, 0);
    ASSERT_EQ(viewer_now.mode, VIEWER_MODE_ONE);
    const key_case cases[] = {
        {'1', 0, 0, CM_ZOOM_ONE, false},        {'2', 0, 0, CM_ZOOM_BASE + 2, false},
        {'4', 0, 0, CM_ZOOM_BASE + 4, false},   {'8', 0, 0, CM_ZOOM_BASE + 8, false},
        {VK_BACK, 0, 0, CM_BACK_TO_LIST, true}, {VK_ESCAPE, 0, 0, CM_BACK_TO_LIST, true},
        {'F', 0, 0, CM_FULL_SCREEN, true},      {VK_SPACE, 0, 0, CM_PAGE_NEXT, true},
        {VK_UP, 0, 0, CM_PAGE_BACK, true},      {VK_RETURN, 0, 0, CM_ZOOM_ONE, true},
        {VK_RETURN, 0, 1, CM_MARK_ENTRY, true}, {VK_RETURN, 1, 1, CM_MARK_RANGE, true},
        {semicolon(), 0, 0, CM_BIGGER, true},   {minus(), 0, 0, CM_SMALLER, true},
    };
    for (const key_case& k : cases) {
        SCOPED_TRACE(k.key);
        std::vector<int> sent, posted;
        press(page.window(), k, &sent, &posted);
        EXPECT_EQ(k.posted ? posted : sent, std::vector<int>{k.id});
    }
    // In the actual-size view.
    view_actual_size(viewer_state, 1);
    ASSERT_TRUE(viewer_state.actual_view);
    for (int key : {int(VK_ESCAPE), int('0'), int(VK_RETURN)}) {
        std::vector<int> sent, posted;
        press(page.window(), {key, 0, 0, 0, true}, &sent, &posted);
        EXPECT_EQ(posted, std::vector<int>{CM_VIEW_ONE});
    }
    // Its right button goes on to the browser's window at the same point,
    // whose hook shows the entry menu there.
    HWND view = viewer_state.actual_view->view_window;
    POINT at = {10, 20};
    MapWindowPoints(view, page.window(), &at, 1);
    commands().clear();
    SendMessageA(view, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 20));
    ASSERT_EQ(commands().size(), 1u);
    EXPECT_EQ(commands()[0].message, UINT(WM_RBUTTONDOWN));
    EXPECT_EQ(commands()[0].value, MAKELPARAM(at.x, at.y));
}

// A letter, digit or other key held with Ctrl is a chord, never its plain
// key: the list and the viewer do nothing for it (the menus' chords come as
// commands from the accelerator table instead). Enter and F2 keep their Ctrl
// forms.
TEST(Keys, ChordsNeverFallThroughToPlainKeys)
{
    bench::scratch_dir dir;
    images(dir, "chords", 5);
    browser_page page(800, 600);
    page.load(dir.file("chords"));
    // The right-button menu and a program count as commands here; the viewer
    // keeps its mode.
    browser_seams.open_with = [](const char*, int) { return commands().push_back({WM_COMMAND, 0, 2}), 1; };
    std::vector<int> keys = {VK_SPACE, VK_NEXT, VK_PRIOR, VK_BACK, VK_DELETE, VK_ESCAPE, VK_F5, VK_APPS};
    for (int k = '0'; k <= '9'; k++) keys.push_back(k);
    for (int k = 'A'; k <= 'Z'; k++) keys.push_back(k);
    for (int m : {VIEWER_MODE_LIST, VIEWER_MODE_ONE}) {
        viewer_now.mode = m;  // the keys read the mode; no picture needs to be shown
        for (int key : keys) {
            page.centre(0, 0);  // the keys that act on the entry under the mouse find one
            std::vector<int> sent, posted;
            press(page.window(), {key, 0, 1, 0, false}, &sent, &posted);
            EXPECT_TRUE(sent.empty() && posted.empty()) << "Ctrl+" << key << " in mode " << m;
            EXPECT_EQ(viewer_now.mode, m) << "Ctrl+" << key << " in mode " << m;
        }
    }
}

// Pointer moves: (columns x rows) grid of n entries, start cell, key, end cell
// and the page command sent (0 none).
TEST(Keys, PointerMovesAtEveryEdge)
{
    bench::scratch_dir dir;
    images(dir, "one", 6);
    images(dir, "two", 40);
    browser_page page(800, 600);
    struct move_case {
        const char* folder;
        int column, row, key, to_column, to_row, command;
    };
    // -1 stands for the last column or row of the folder's grid.
    const int c = 0, r = 0;
    const move_case cases[] = {
        {"one", 1, 0, VK_LEFT, 0, 0, 0},
        {"one", 0, 1, VK_LEFT, c - 1, 0, 0},
        {"one", 0, 0, VK_LEFT, 0, 0, 0},
        {"one", 0, 0, VK_RIGHT, 1, 0, 0},
        {"one", c - 1, 0, VK_RIGHT, 0, 1, 0},
        {"one", c - 1, r - 1, VK_RIGHT, c - 1, r - 1, 0},
        {"one", 0, 0, VK_UP, 0, 0, 0},
        {"one", 0, 0, VK_DOWN, 0, 1, 0},
        {"one", 0, r - 1, VK_DOWN, 0, r - 1, 0},
        {"one", 2, 1, VK_HOME, 0, 0, 0},
        {"two", c - 1, r - 1, VK_RIGHT, 0, 0, CM_PAGE_NEXT},
        {"two", 0, 0, VK_LEFT, c - 1, r - 1, CM_PAGE_BACK},
        {"two", 1, 0, VK_UP, 1, 0, CM_PAGE_BACK},
        {"two", 1, r - 1, VK_DOWN, 1, r - 1, CM_PAGE_NEXT},
    };
    for (const move_case& m : cases) {
        SCOPED_TRACE(std::string(m.folder) + " " + std::to_string(m.key) + " from " + std::to_string(m.column) + "," +
                     std::to_string(m.row));
        page.load(dir.file(m.folder));
        auto col = [](int v) { return v < 0 ? browser_list.columns + v : v; };
        auto row = [](int v) { return v < 0 ? browser_list.rows + v : v; };
        page.centre(col(m.column), row(m.row));
        std::vector<int> sent, posted;
        press(page.window(), {m.key, 0, 0, 0, false}, &sent, &posted);
        POINT p = page.pointer();
        EXPECT_EQ(int((p.x - browser_list.left_margin) / browser_list.cell_width), col(m.to_column));
        EXPECT_EQ(int((p.y - browser_list.top_margin) / browser_list.cell_height), row(m.to_row));
        EXPECT_EQ(sent, m.command ? std::vector<int>{m.command} : std::vector<int>{});
    }
}

TEST(Mouse, ClicksMarkPageAndGoUp)
{
    bench::scratch_dir dir;
    images(dir, "clicks", 40);
    browser_page page(800, 600);
    page.load(dir.file("clicks"));
    int c = browser_list.columns;
    on_list_left_button(page.window(), 0, page.centre(1, 0));
    EXPECT_EQ(browser_list.selected_count, 0);
    on_list_left_button(page.window(), MK_CONTROL, page.centre(2, 0));
    EXPECT_TRUE(is_marked(2));
    on_list_left_button(page.window(), MK_CONTROL | MK_SHIFT, page.centre(1, 1));
    for (int i = 2; i <= c + 1; i++) EXPECT_TRUE(is_marked(i)) << i;
    EXPECT_EQ(browser_list.selected_count, c);
    on_list_left_button(page.window(), MK_CONTROL, page.centre(2, 0));
    EXPECT_FALSE(is_marked(2));
    // Below the grid's last row: the lower half turns the page, the upper half back.
    RECT client;
    GetClientRect(page.window(), &client);
    int below = int(browser_list.top_margin + browser_list.rows * browser_list.cell_height) + 3;
    if (below < client.bottom) {
        on_list_left_button(page.window(), 0, page.point(3, below));
        EXPECT_EQ(browser_list.first_row, browser_list.rows);
        on_list_left_button(page.window(), 0, page.point(3, below));
        EXPECT_EQ(browser_list.first_row, 0);
    }
    // The upper left quarter of the first cell goes up.
    commands().clear();
    on_list_left_button(page.window(), 0, page.point(browser_list.left_margin + 3, browser_list.top_margin + 3));
    EXPECT_EQ(ids(), std::vector<int>{CM_PARENT});
}
