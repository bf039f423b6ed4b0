// Pages: client sizes from negative sizes, re-creating a page (also the
// current one), background colours, full-screen classes, status texts and
// the progress bar.
#include "tests/graphics/library.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <string>

static SIZE client_of(HWND w)
{
    RECT rc;
    GetClientRect(w, &rc);
    return {rc.right, rc.bottom};
}

TEST(Pages, NegativeSizesGiveExactClientSizes)
{
    library_ready();
    ASSERT_EQ(_newpage(20, 30, 40, -400, -300), 1);
    HWND frame = page_table[20]->frame;
    EXPECT_EQ(client_of(frame).cx, 400);
    EXPECT_EQ(client_of(frame).cy, 300);

    // The application appends its menus afterwards; fitting again restores the client height.
    AppendMenuA(GetMenu(frame), MF_STRING, 1, "&File");
    DrawMenuBar(frame);
    if (_fit_client(frame, -400, -300)) _fit_client(frame, -400, -300);
    EXPECT_EQ(client_of(frame).cx, 400);
    EXPECT_EQ(client_of(frame).cy, 300);

    // A positive size is the outer size; the client is smaller.
    ASSERT_EQ(_newpage(21, 0, 0, 400, 300), 1);
    RECT wr;
    GetWindowRect(page_table[21]->frame, &wr);
    EXPECT_EQ(wr.right - wr.left, 400);
    EXPECT_LT(client_of(page_table[21]->frame).cy, 300);
    free_slots(20, 21);
}

TEST(Pages, FramesStartHiddenWithTitleAndDrawingChild)
{
    library_ready();
    ASSERT_EQ(_newpage(22, 0, 0, -200, -100), 1);
    page_record* p = page_table[22];
    char title[64] = {};
    GetWindowTextA(p->frame, title, sizeof title);
    EXPECT_STREQ(title, " - ZOTE1.67");
    EXPECT_FALSE(IsWindowVisible(p->frame));
    ASSERT_TRUE(p->child);
    EXPECT_EQ(GetParent(p->child), p->frame);
    EXPECT_EQ((DWORD)GetWindowLongA(p->child, GWL_STYLE) & (WS_CHILD | WS_VISIBLE | WS_VSCROLL),
              (DWORD)(WS_CHILD | WS_VISIBLE | WS_VSCROLL));
    EXPECT_EQ(_page_hwnd(22), p->child);
    HWND console = _page_hwnd(0);  // the console's control, made when first asked for
    EXPECT_TRUE(console);
    EXPECT_EQ(console, console_edit);
    EXPECT_EQ(_page_hwnd(-1), nullptr);
    EXPECT_EQ(_page_number_of(p->frame), 22);
    EXPECT_EQ(_page_of_child(p->child), p);
    char cls[32] = {};
    GetClassNameA(p->frame, cls, sizeof cls);
    EXPECT_EQ(std::string(cls).rfind("KVT", 0), 0u);
    free_slots(22, 22);
}

TEST(Pages, RecreatingAPageFreesTheOldOne)
{
    library_ready();
    ASSERT_EQ(_newpage(23, 0, 0, 200, 100), 1);
    ASSERT_EQ(_newpage(24, 0, 0, 200, 100), 1);  // 24 is current now
    HWND old_frame = page_table[23]->frame;
    ASSERT_EQ(_newpage(23, 0, 0, 200, 100), 1);
    EXPECT_FALSE(IsWindow(old_frame));
    EXPECT_NE(page_table[23]->frame, old_frame);
    free_slots(23, 24);
}

TEST(Pages, RecreatingTheCurrentPageReleasesItFirst)
{
    library_ready();
    ASSERT_EQ(_newpage(25, 0, 0, -200, -100), 1);
    ASSERT_EQ(current_page, page_table[25]);
    _rectangle(0, 1, 1, 5, 5);
    HWND old_frame = page_table[25]->frame;
    ASSERT_EQ(_newpage(25, 0, 0, -200, -100), 1);
    EXPECT_FALSE(IsWindow(old_frame));
    ASSERT_EQ(current_page, page_table[25]);
    ASSERT_TRUE(current_page->dc);
    EXPECT_EQ(GetObjectType(current_page->dc), (DWORD)OBJ_ENHMETADC);
    // Drawing lands in the new page.
    EXPECT_TRUE(_rectangle(0, 10, 10, 20, 20));
    ASSERT_EQ(_selectpage(0, 25), 1);
    rendered r = render_page(page_table[25]);
    EXPECT_EQ(r.at(15, 15), 0u);       // filled solid in the text colour
    EXPECT_EQ(r.at(3, 3), 0xffffffu);  // nothing of the old page
    // Freeing the current page leaves no current page behind.
    _page_free(25);
    EXPECT_EQ(current_page, nullptr);
    EXPECT_EQ(_selectpage(0, 25), 0);
    EXPECT_EQ(_setcolor(0), (COLORREF)-1);
}

// Once the current page is freed or replaced by an image, no page is
// current; selecting another page must make it current again.
TEST(Pages, APageIsSelectedAfterTheCurrentOneWent)
{
    library_ready();
    typedef void (*loss)(int page);
    const loss losses[] = {
        [](int page) { _page_free(page); },
        [](int page) {
            _bmap* b = bmap_new(4, 4);
            _page_set_bmap(page, b);
            _bmap_delete(b);
        },
    };
    for (loss lose : losses) {
        ASSERT_EQ(_newpage(26, 0, 0, -200, -100), 1);
        ASSERT_EQ(_newpage(27, 0, 0, -200, -100), 1);
        ASSERT_EQ(current_page, page_table[27]);
        lose(27);
        ASSERT_EQ(current_page, nullptr);
        ASSERT_EQ(_selectpage(0, 26), 1);
        EXPECT_EQ(current_page, page_table[26]);
        EXPECT_TRUE(_rectangle(0, 10, 10, 20, 20));
        ASSERT_EQ(_selectpage(0, 26), 1);
        rendered r = render_page(page_table[26]);
        EXPECT_EQ(r.at(15, 15), 0u);
        EXPECT_EQ(r.at(30, 30), 0xffffffu);
        free_slots(26, 27);
    }
}

TEST(Pages, SlotNumbersOutsideTheTableAreRefused)
{
    library_ready();
    EXPECT_EQ(_newpage(4000, 0, 0, 10, 10), 0);
    EXPECT_EQ(_newpage(-3, 0, 0, 10, 10), 0);
    EXPECT_EQ(_newbuffer(0, 10, 10), 0);
    EXPECT_EQ(_newbuffer(-1, 10, 10), 0);
    EXPECT_EQ(_newbuffer(4000, 10, 10), 0);
    EXPECT_EQ(_page_free(0), 0);
    EXPECT_EQ(_page_free(-5), 0);
    EXPECT_EQ(page_table[0], nullptr);
}

TEST(Pages, SetBackgroundColour)
{
    library_ready();
    _setbkcolor(GetSysColor(COLOR_WINDOW));
    ASSERT_EQ(_newpage(26, 0, 0, -300, -200), 1);
    ASSERT_EQ(_newbuffer(27, 10, 10), 1);
    HWND child = page_table[26]->child;
    RECT before;
    GetClientRect(child, &before);

    _setbkcolor(GetSysColor(COLOR_WINDOW));  // the colour in use: the child stays
    EXPECT_EQ(page_table[26]->child, child);

    _setbkcolor(RGB(10, 20, 30));
    EXPECT_NE(page_table[26]->child, child);
    EXPECT_FALSE(IsWindow(child));
    RECT after;
    GetClientRect(page_table[26]->child, &after);
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(after.bottom, before.bottom);
    EXPECT_EQ(page_table[26]->background, RGB(10, 20, 30));
    EXPECT_EQ(page_table[27]->background, RGB(10, 20, 30));
    EXPECT_EQ(new_page_background, RGB(10, 20, 30));
    _setbkcolor(GetSysColor(COLOR_WINDOW));
    free_slots(26, 27);
}

TEST(Pages, FullScreenClassIsKeptForTheSameColourOnly)
{
    library_ready();
    ASSERT_EQ(_newpage_fullscreen(30, RGB(0, 0, 0)), 1);
    std::string first = fullscreen_class_name();
    EXPECT_EQ(first.rfind("kvtfscrn", 0), 0u);
    ASSERT_EQ(_newpage_fullscreen(30, RGB(0, 0, 0)), 1);
    EXPECT_EQ(first, fullscreen_class_name());
    ASSERT_EQ(_newpage_fullscreen(30, RGB(255, 0, 0)), 1);
    EXPECT_NE(first, fullscreen_class_name());
    // A second full-screen page of yet another colour while the first lives: no fatal report.
    ASSERT_EQ(_newpage_fullscreen(31, RGB(0, 255, 0)), 1);
    EXPECT_EQ(_hide_fullscreen_pages(), 2);
    EXPECT_FALSE(IsWindowVisible(page_table[30]->frame));
    free_slots(30, 31);
}

TEST(Pages, ResizeCentresInTheWorkArea)
{
    library_ready();
    ASSERT_EQ(_newpage(32, 0, 0, 200, 100), 1);
    EXPECT_EQ(_page_resize(32, 300, 150, "titled"), 1);
    RECT wr, area;
    GetWindowRect(page_table[32]->frame, &wr);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_EQ(wr.right - wr.left, 300);
    EXPECT_EQ(wr.left, area.left + (area.right - area.left - 300) / 2);
    char title[32] = {};
    GetWindowTextA(page_table[32]->frame, title, sizeof title);
    EXPECT_STREQ(title, "titled");
    EXPECT_NE(_page_move(32, 50, 60), 0);
    GetWindowRect(page_table[32]->frame, &wr);
    EXPECT_EQ(wr.left, 50);
    EXPECT_EQ(wr.right - wr.left, 300);
    EXPECT_EQ(_page_resize(33, 10, 10, nullptr), 0);
    free_slots(32, 32);
}

// Counts the texts actually sent to a status bar.
static WNDPROC status_proc;
static int texts_sent;
static int paints;
static LRESULT CALLBACK counting_status(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == SB_SETTEXTA) texts_sent++;
    if (m == WM_PAINT) paints++;
    return CallWindowProcA(status_proc, w, m, wp, lp);
}

// Dark pixels of a status bar part as the window shows it: its text.
static int dark_pixels(HWND bar, int part)
{
    RECT r;
    SendMessageA(bar, SB_GETRECT, part, (LPARAM)&r);
    HDC dc = GetDC(bar);
    int n = 0;
    for (int x = r.left + 2; x < r.left + 60 && x < r.right - 2; x++)
        for (int y = r.top + 2; y < r.bottom - 2; y++)
            if (GetRValue(GetPixel(dc, x, y)) < 96) n++;
    ReleaseDC(bar, dc);
    return n;
}

// The length counts characters; the text comes as bytes, up to two a character.
static std::string part_text(HWND bar, int part)
{
    int n = LOWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, part, 0));
    std::string s(2 * n + 1, '\0');
    SendMessageA(bar, SB_GETTEXTA, part, (LPARAM)&s[0]);
    s.resize(strlen(s.c_str()));
    return s;
}

TEST(Status, PagesAndConsoleParts)
{
    library_ready();
    EXPECT_EQ(_status_printf(-3, "nothing"), 0);
    int parts[3] = {};
    ASSERT_EQ(SendMessageA(console_statusbar, SB_GETPARTS, 3, (LPARAM)parts), 3);
    RECT rc;
    GetClientRect(console_frame, &rc);
    int w = rc.right < 240 ? 240 : rc.right;
    EXPECT_EQ(parts[0], w - 160);
    EXPECT_EQ(parts[1], w - 60);
    EXPECT_EQ(parts[2], w);
    _status_printf(0, "part %d", 0);
    EXPECT_EQ(part_text(console_statusbar, 0), "part 0");
    _status_printf(-2, "caret");
    EXPECT_EQ(part_text(console_statusbar, 2), "caret");

    ASSERT_EQ(_newpage(40, 0, 0, -300, -200), 1);
    EXPECT_EQ(page_table[40]->statusbar, nullptr);
    _status_printf(40, "page %s", "text");
    ASSERT_TRUE(page_table[40]->statusbar);
    EXPECT_EQ(part_text(page_table[40]->statusbar, 1), "page text");
    _status_text(40, "first %d", 1);
    EXPECT_EQ(part_text(page_table[40]->statusbar, 0), "first 1");
    // The drawing child makes room for the bar.
    RECT child, bar;
    GetWindowRect(page_table[40]->child, &child);
    GetWindowRect(page_table[40]->statusbar, &bar);
    EXPECT_LE(child.bottom, bar.top);
    EXPECT_EQ(_status_printf(41, "empty slot"), 1);  // nothing to write to
    EXPECT_EQ(_status_printf(PAGE_SLOTS, "past the table"), 1);
    EXPECT_EQ(_status_printf(0x7fffffff, "far past the table"), 1);
    free_slots(40, 40);
}

// Each text replaces the one before in every part: Japanese texts of as many
// bytes as the text before has characters ("左上でｸﾘｯｸ,Esc=一覧" has 14 and
// 19 bytes), and a text longer than a part holds, which is cut.
TEST(Status, JapaneseTextsReplaceEachOther)
{
    library_ready();
    ASSERT_EQ(_newpage(40, 0, 0, -300, -200), 1);
    _status_text(40, "%s", "");
    HWND page_bar = page_table[40]->statusbar;
    std::string longest(1100, 'x');
    longest.replace(1022, 2, "表");
    const char* texts[] = {"左上でｸﾘｯｸ,Esc=一覧",
                           "0123456789abcd",
                           "ﾀﾞﾌﾞﾙｸﾘｯｸ=拡大｜右ｸﾘｯｸ=ﾒﾆｭｰ",
                           "表ソ能表ソ能表ソ能表ソ能表ソ能表ソ能表",
                           longest.c_str(),
                           "能"};
    struct {
        HWND bar;
        int part;
        int (*set)(const char* text);
    } parts[] = {
        {console_statusbar, 1, [](const char* t) { return _status_printf(-1, "%s", t); }},
        {page_bar, 0, [](const char* t) { return _status_text(40, "%s", t), 1; }},
        {page_bar, 1, [](const char* t) { return _status_printf(40, "%s", t); }},
    };
    for (const auto& p : parts)
        for (const char* t : texts) {
            p.set(t);
            std::string want = t == longest.c_str() ? longest.substr(0, 1022) : t;
            EXPECT_EQ(part_text(p.bar, p.part), want) << p.part << ": " << t;
        }
    free_slots(40, 40);
}

TEST(Status, UnchangedTextIsNotSentAgain)
{
    library_ready();
    status_proc = (WNDPROC)SetWindowLongPtrA(console_statusbar, GWLP_WNDPROC, (LONG_PTR)counting_status);
    texts_sent = 0;
    _status_printf(-1, "same %d", 5);
    _status_printf(-1, "same %d", 5);
    EXPECT_EQ(texts_sent, 1);
    _status_printf(-1, "same %d", 6);
    EXPECT_EQ(texts_sent, 2);
    SetWindowLongPtrA(console_statusbar, GWLP_WNDPROC, (LONG_PTR)status_proc);
}

// Texts set one after another are painted once, at the next pump, and the
// screen shows the last of them.
TEST(Status, TextsBetweenPumpsPaintedOnceWithTheLast)
{
    library_ready();
    ASSERT_EQ(_newpage(40, 0, 0, -300, -200), 1);
    _status_printf(40, "%s", "");
    HWND frame = page_table[40]->frame, bar = page_table[40]->statusbar;
    ShowWindow(frame, SW_SHOWNA);
    bench::pump_for(100);
    status_proc = (WNDPROC)SetWindowLongPtrA(bar, GWLP_WNDPROC, (LONG_PTR)counting_status);
    struct {
        const char* texts[3];
        bool drawn;
    } table[] = {{{"表示中", "ソース", "能能能能"}, true}, {{"描画中...", "", nullptr}, false}};
    for (const auto& t : table) {
        paints = 0;
        for (const char* text : t.texts)
            if (text) _status_printf(40, "%s", text);
        EXPECT_EQ(paints, 0) << t.texts[0];
        EXPECT_TRUE(IsWindowVisible(bar));
        _pump();
        EXPECT_EQ(paints, 1) << t.texts[0];
        EXPECT_EQ(dark_pixels(bar, 1) > 0, t.drawn) << t.texts[0];
    }
    SetWindowLongPtrA(bar, GWLP_WNDPROC, (LONG_PTR)status_proc);
    free_slots(40, 40);
}

TEST(Status, LongTextThenShortText)
{
    library_ready();
    std::string long_text(600, 'a');
    _status_printf(-1, "%s", long_text.c_str());
    EXPECT_EQ(part_text(console_statusbar, 1), long_text);
    _status_printf(-1, "%s", long_text.c_str());  // compared without overrunning
    EXPECT_EQ(part_text(console_statusbar, 1), long_text);
    _status_printf(-1, "short");
    EXPECT_EQ(part_text(console_statusbar, 1), "short");
    std::string huge(5000, 'b');
    _status_printf(-1, "%s", huge.c_str());  // cut to the format buffer, never overrun
    EXPECT_LT(part_text(console_statusbar, 1).size(), 1024u);
}

TEST(Progress, PositionIsClamped)
{
    EXPECT_EQ(progress_percent(0, 0, 10), 0);
    EXPECT_EQ(progress_percent(5, 0, 10), 50);
    EXPECT_EQ(progress_percent(1, 0, 3), 33);
    EXPECT_EQ(progress_percent(20, 0, 10), 100);
    EXPECT_EQ(progress_percent(-4, 0, 10), 0);
    EXPECT_EQ(progress_percent(5, 5, 5), 100);  // empty range: no division
    EXPECT_EQ(progress_percent(4, 5, 5), 0);
    EXPECT_EQ(progress_percent(1e300, 0, 1e-300), 100);
    EXPECT_EQ(progress_percent(0.0 / 0.0, 0, 10), 0);

    library_ready();
    ASSERT_EQ(_newpage(42, 0, 0, -300, -200), 1);
    _progress(42, 0, 0, 10);
    HWND bar = page_table[42]->progressbar;
    ASSERT_TRUE(bar);
    EXPECT_TRUE(GetWindowLongA(bar, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);
    _progress(42, 15, 0, 10);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 100);
    _progress(42, -1, 0, 10);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);
    _progress(42, 3, 3, 3);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 100);
    _status_text(42, "done");  // a status text hides the progress bar
    EXPECT_FALSE(GetWindowLongA(bar, GWL_STYLE) & WS_VISIBLE);
    free_slots(42, 42);
}
