// Drawing and recording: units in the recording, rectangles, fonts, fill
// colours, the exactness of a page's picture over many re-selections (also
// far right on a wide screen), clearing, buffers and image slots.
#include "tests/graphics/library.h"
#include "tests/graphics/image_fixtures.h"
#include "tests/support/census.h"
#include "base/holders.h"
#include <gtest/gtest.h>
#include <cstring>
#include <vector>

// The records of a page's stored picture.
static std::vector<std::vector<BYTE>> records_of(HENHMETAFILE m)
{
    std::vector<std::vector<BYTE>> v;
    UINT n = GetEnhMetaFileBits(m, 0, nullptr);
    std::vector<BYTE> bytes(n);
    GetEnhMetaFileBits(m, n, bytes.data());
    for (size_t at = 0; at + 8 <= bytes.size();) {
        DWORD size;
        memcpy(&size, &bytes[at + 4], 4);
        v.emplace_back(bytes.begin() + at, bytes.begin() + at + size);
        at += size;
    }
    return v;
}

static DWORD type_of(const std::vector<BYTE>& r)
{
    DWORD t;
    memcpy(&t, r.data(), 4);
    return t;
}

static const std::vector<BYTE>* find_record(const std::vector<std::vector<BYTE>>& v, DWORD type)
{
    for (auto& r : v)
        if (type_of(r) == type) return &r;
    return nullptr;
}

// A fresh framed page (client w x h) that is the current page.
static page_record* fresh_page(int n, int w = 300, int h = 200)
{
    library_ready();
    _setbkcolor(GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(_newpage(n, 0, 0, -w, -h), 1);
    return page_table[n];
}

TEST(Drawing, RectangleCoordinatesAreTwentiethsTruncated)
{
    page_record* p = fresh_page(60);
    ASSERT_TRUE(_rectangle(0, 1, 1, 2, 2));
    ASSERT_TRUE(_rectangle(0, 0.07, 0.07, 1.07, 1.099));
    _selectpage(0, 60);
    auto recs = records_of(p->picture);
    std::vector<RECTL> boxes;
    for (auto& r : recs)
        if (type_of(r) == EMR_RECTANGLE) boxes.push_back(((const EMRRECTANGLE*)r.data())->rclBox);
    // The record's box is inclusive: a rectangle to (40, 40) ends at 39.
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].left, 20);
    EXPECT_EQ(boxes[0].top, 20);
    EXPECT_EQ(boxes[0].right, 40 - 1);
    EXPECT_EQ(boxes[0].bottom, 40 - 1);
    EXPECT_EQ(boxes[1].left, 1);  // 0.07 x 20 = 1.4
    EXPECT_EQ(boxes[1].top, 1);
    EXPECT_EQ(boxes[1].right, 21 - 1);
    EXPECT_EQ(boxes[1].bottom, 21 - 1);  // 1.099 x 20 = 21.98
    free_slots(60, 60);
}

TEST(Drawing, OutlineIsAClosedFivePointLineAndOtherModesDrawNothing)
{
    page_record* p = fresh_page(61);
    ASSERT_TRUE(_rectangle(1, 1, 2, 3, 4));
    EXPECT_EQ(_rectangle(2, 1, 2, 3, 4), 0);
    _selectpage(0, 61);
    auto recs = records_of(p->picture);
    const std::vector<BYTE>* line = find_record(recs, EMR_POLYLINE16);
    POINT pts[5];
    if (line) {
        auto* r = (const EMRPOLYLINE16*)line->data();
        ASSERT_EQ(r->cpts, 5u);
        for (int i = 0; i < 5; i++) pts[i] = {r->apts[i].x, r->apts[i].y};
    } else {
        line = find_record(recs, EMR_POLYLINE);
        ASSERT_TRUE(line);
        auto* r = (const EMRPOLYLINE*)line->data();
        ASSERT_EQ(r->cptl, 5u);
        for (int i = 0; i < 5; i++) pts[i] = {r->aptl[i].x, r->aptl[i].y};
    }
    POINT want[5] = {{20, 40}, {60, 40}, {60, 80}, {20, 80}, {20, 40}};
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(pts[i].x, want[i].x) << i;
        EXPECT_EQ(pts[i].y, want[i].y) << i;
    }
    EXPECT_EQ(find_record(recs, EMR_RECTANGLE), nullptr);
    free_slots(61, 61);
}

static LOGFONTA current_font()
{
    LOGFONTA lf = {};
    GetObjectA(drawing.font, sizeof lf, &lf);
    return lf;
}

TEST(Drawing, FontSpecIsParsed)
{
    fresh_page(62);
    ASSERT_EQ(_setfont("t'ＭＳ Ｐゴシック' h12"), 1);
    EXPECT_EQ(current_font().lfHeight, 240);
    EXPECT_STREQ(current_font().lfFaceName, "ＭＳ Ｐゴシック");
    EXPECT_STREQ(drawing.font_face, "ＭＳ Ｐゴシック");
    HFONT kept = drawing.font;
    EXPECT_EQ(_setfont("t'Arial' h0"), 0);
    EXPECT_EQ(_setfont("t x h12"), 0);      // no quote after the t
    EXPECT_EQ(_setfont("t'Arial h12"), 0);  // face never closed
    EXPECT_EQ(_setfont("t'Arial'"), 0);     // no height
    EXPECT_EQ(_setfont("t'"
                       "0123456789012345678901234567890123456789"
                       "' h9"),
              0);  // face too long
    EXPECT_EQ(drawing.font, kept);
    ASSERT_EQ(_setfont("  t'Arial'   h7.5 "), 1);
    EXPECT_EQ(current_font().lfHeight, 150);
    _page_defaults();
    EXPECT_EQ(current_font().lfHeight, 300);  // "System" 15
    EXPECT_STREQ(current_font().lfFaceName, "System");
    free_slots(62, 62);
    EXPECT_EQ(current_page, nullptr);
    EXPECT_EQ(_setfont("t'Arial' h12"), 0);  // no current page
}

TEST(Drawing, DefaultsPenWidthAndColours)
{
    fresh_page(63);
    LOGPEN lp = {};
    GetObjectA(drawing.pen, sizeof lp, &lp);
    EXPECT_EQ(lp.lopnWidth.x, 4);  // 0.2 x 20
    EXPECT_EQ(_setcolor(RGB(1, 2, 3)), 0u);
    EXPECT_EQ(_setcolor(0), RGB(1, 2, 3));
    EXPECT_EQ(_settextcolor(RGB(9, 9, 9)), 0u);
    EXPECT_EQ(_settextcolor(0), RGB(9, 9, 9));
    point_d old = _moveto(3, 4);
    old = _moveto(5, 6);
    EXPECT_EQ(old.x, 3);
    EXPECT_EQ(old.y, 4);
    free_slots(63, 63);
}

// Text lands at the text position in twentieths, truncated, and writing does
// not move the position: a second text without _moveto lands on the first.
TEST(Drawing, TextIsRecordedAtTheTextPosition)
{
    struct {
        double x, y;
        LONG want_x, want_y;
    } cases[] = {{0, 0, 0, 0}, {1, 2, 20, 40}, {0.07, 10.5, 1, 210}, {123.456, 7.99, 2469, 159}};
    page_record* p = fresh_page(68);
    for (auto& c : cases) {
        _clearscreen(2 | 4);
        _moveto(c.x, c.y);
        _puttext("表示", TRANSPARENT);
        _puttext("ソ", TRANSPARENT);
        _selectpage(0, 68);
        int texts = 0;
        for (auto& r : records_of(p->picture)) {
            if (type_of(r) != EMR_EXTTEXTOUTW && type_of(r) != EMR_EXTTEXTOUTA) continue;
            POINTL at;
            memcpy(&at, &r[offsetof(EMREXTTEXTOUTW, emrtext.ptlReference)], sizeof at);
            EXPECT_EQ(at.x, c.want_x) << c.x;
            EXPECT_EQ(at.y, c.want_y) << c.y;
            texts++;
        }
        EXPECT_EQ(texts, 2) << c.x;
    }
    free_slots(68, 68);
}

TEST(Drawing, EmptyFillMaskFillsInTheTextColour)
{
    page_record* p = fresh_page(64);
    _settextcolor(RGB(255, 0, 0));
    _rectangle(0, 10, 10, 30, 30);
    _selectpage(0, 64);
    rendered r = render_page(p);
    EXPECT_EQ(r.at(20, 20), 0xff0000u);
    EXPECT_EQ(r.at(5, 5), 0xffffffu);
    free_slots(64, 64);
}

// The library's drawing state follows the current page to every new
// recording, so a page selected after another draws with the same font.
TEST(Recording, DrawingStateIsSelectedIntoEveryNewRecording)
{
    fresh_page(65);
    fresh_page(66);
    ASSERT_EQ(_setfont("t'Arial' h12"), 1);
    _settextcolor(RGB(0, 128, 0));
    ASSERT_EQ(_selectpage(0, 65), 1);
    EXPECT_EQ(GetCurrentObject(current_page->dc, OBJ_FONT), (HGDIOBJ)drawing.font);
    EXPECT_EQ(GetCurrentObject(current_page->dc, OBJ_PEN), (HGDIOBJ)drawing.pen);
    EXPECT_EQ(GetCurrentObject(current_page->dc, OBJ_BRUSH), (HGDIOBJ)drawing.brush);
    EXPECT_EQ(GetTextColor(current_page->dc), RGB(0, 128, 0));
    ASSERT_EQ(_newbuffer(67, 30, 30), 1);
    ASSERT_EQ(_selectpage(0, 67), 1);  // a buffer gets it as well
    EXPECT_EQ(GetCurrentObject(current_page->dc, OBJ_FONT), (HGDIOBJ)drawing.font);
    ASSERT_EQ(_selectpage(0, 66), 1);  // and lets go of it when left
    EXPECT_NE(GetCurrentObject(page_table[67]->dc, OBJ_FONT), (HGDIOBJ)drawing.font);
    free_slots(65, 67);
}

// Draws on page A, then selects B and A again `cycles` times, drawing a second
// shape after the first cycle. The picture must repaint exactly both shapes.
static void check_reselection(int width, int x0, int cycles)
{
    page_record* a = fresh_page(70, width, 200);
    fresh_page(71, 100, 100);
    ASSERT_EQ(_selectpage(0, 70), 1);
    _rectangle(0, x0, 20, x0 + 40, 60);
    ASSERT_EQ(_selectpage(0, 71), 1);
    ASSERT_EQ(_selectpage(0, 70), 1);
    _settextcolor(RGB(0, 0, 255));
    _rectangle(0, x0 + 10, 100, x0 + 30, 140);
    _settextcolor(0);
    ASSERT_EQ(_selectpage(0, 71), 1);
    UINT size_after_drawing = GetEnhMetaFileBits(a->picture, 0, nullptr);
    rendered first = render_page(a);
    for (int i = 0; i < cycles; i++) {
        ASSERT_EQ(_selectpage(0, 70), 1);
        ASSERT_EQ(_selectpage(i % 2 ? 70 : 71, i % 2 ? 70 : 71), 1);
    }
    ASSERT_EQ(_selectpage(0, 71), 1);
    rendered last = render_page(a);
    ASSERT_LT(x0 + 41, first.width);
    EXPECT_TRUE(first.pixels == last.pixels);
    EXPECT_EQ(GetEnhMetaFileBits(a->picture, 0, nullptr), size_after_drawing);  // no growth without drawing

    // Exactly the shapes, at their pixels: black outlines (the pen is centred
    // on the edge, so it covers the right and bottom pixel too), the second
    // shape filled in blue.
    EXPECT_EQ(last.at(x0, 20), 0u);
    EXPECT_EQ(last.at(x0 + 20, 40), 0u);
    EXPECT_EQ(last.at(x0 + 40, 60), 0u);
    EXPECT_EQ(last.at(x0 + 41, 40), 0xffffffu);
    EXPECT_EQ(last.at(x0 - 1, 40), 0xffffffu);
    EXPECT_EQ(last.at(x0 + 20, 61), 0xffffffu);
    EXPECT_EQ(last.at(x0 + 20, 19), 0xffffffu);
    EXPECT_EQ(last.at(x0 + 20, 120), 0x0000ffu);
    EXPECT_EQ(last.at(x0 + 10, 120), 0u);
    EXPECT_EQ(last.at(x0 + 9, 120), 0xffffffu);
    EXPECT_EQ(last.at(x0 + 31, 120), 0xffffffu);
    EXPECT_EQ(last.at(x0 + 20, 80), 0xffffffu);
    free_slots(70, 71);
}

TEST(Recording, HundredReselectionsRepaintExactly) { check_reselection(400, 50, 100); }

TEST(Recording, FarRightOfAWideScreenRepaintsExactly)
{
    // At a 1920-pixel screen the shapes lie past 1638 pixels, where 16-bit
    // metafile coordinates at twenty units per pixel would wrap.
    int width = GetSystemMetrics(SM_CXSCREEN) - 60;
    check_reselection(width, width - 100, 100);
}

TEST(Recording, ReselectingTheCurrentPageKeepsDrawing)
{
    page_record* p = fresh_page(72);
    for (int i = 0; i < 30; i++) {
        _rectangle(0, 5 * i, 10, 5 * i + 3, 13);
        ASSERT_EQ(_selectpage(0, 72), 1);
    }
    rendered r = render_page(p);
    for (int i = 0; i < 30; i++) {
        EXPECT_EQ(r.at(5 * i + 1, 11), 0u) << i;
        EXPECT_EQ(r.at(5 * i + 4, 11), 0xffffffu) << i;
    }
    free_slots(72, 72);
}

TEST(Recording, ReplayAnotherPageAtAnOffset)
{
    page_record* a = fresh_page(73);
    _rectangle(0, 0, 0, 10, 10);
    page_record* b = fresh_page(74);
    EXPECT_EQ(_replay_page(74, 0, 0), 0);  // not the current page itself
    EXPECT_EQ(_replay_page(73, 50, 40), 1);
    _drawpage(73, 100, 100, 5.0);  // the scale is not used for a framed page
    _selectpage(0, 74);
    rendered r = render_page(b);
    EXPECT_EQ(r.at(55, 45), 0u);
    EXPECT_EQ(r.at(49, 45), 0xffffffu);
    EXPECT_EQ(r.at(61, 45), 0xffffffu);
    EXPECT_EQ(r.at(105, 105), 0u);
    EXPECT_EQ(r.at(111, 105), 0xffffffu);
    EXPECT_EQ(r.at(5, 5), 0xffffffu);
    (void)a;
    free_slots(73, 74);
}

TEST(Recording, ImagesAreDrawnWithTheirColours)
{
    page_record* p = fresh_page(75);
    _bmap* b = bmap_new(4, 2);
    ASSERT_TRUE(b);
    memset(b->pixels, 0, b->size);
    for (int x = 0; x < 4; x++) {
        BYTE* top = b->pixels + x * 3;  // first row: red
        top[2] = 255;
        BYTE* bottom = b->pixels + b->stride + x * 3;  // second row: blue
        bottom[0] = 255;
    }
    _draw_bmap(b, 10, 10, 5.0);
    _selectpage(0, 75);
    rendered r = render_page(p);
    EXPECT_EQ(r.at(12, 12), 0xff0000u);
    EXPECT_EQ(r.at(12, 17), 0x0000ffu);
    EXPECT_EQ(r.at(29, 19), 0x0000ffu);
    EXPECT_EQ(r.at(30, 12), 0xffffffu);
    _bmap_delete(b);
    free_slots(75, 75);
}

// Pixels of a window's client area as it shows them, 0x00RRGGBB.
static rendered screen_pixels(HWND window)
{
    rendered r;
    RECT rc;
    GetClientRect(window, &rc);
    r.width = rc.right;
    r.height = rc.bottom;
    window_dc dc(window);
    for (int y = 0; y < r.height; y++)
        for (int x = 0; x < r.width; x++) {
            COLORREF c = GetPixel(dc, x, y);
            r.pixels.push_back(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
        }
    return r;
}

static void pump_paint()
{
    for (int i = 0; i < 20; i++) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        Sleep(10);
    }
}

// The page window itself: text, a rectangle and an image drawn, the page left
// and re-selected, then its pixels spoilt as by a covering window. What its
// paint puts back is exactly the stored picture.
TEST(Recording, ACoveredAndReselectedPageRepaintsOnTheScreen)
{
    page_record* p = fresh_page(93, 160, 100);
    fresh_page(94, 50, 50);
    ASSERT_EQ(_selectpage(0, 93), 1);
    _rectangle(0, 10, 10, 60, 50);
    _moveto(70, 10);
    _puttext("Zote", TRANSPARENT);
    _bmap* b = fixtures::distinct_image(4, 3);
    _draw_bmap(b, 100, 60, 5.0);
    const uint32_t corner = fixtures::rgb_at(b, 0, 0), last = fixtures::rgb_at(b, 3, 2);
    _bmap_delete(b);
    ASSERT_EQ(_selectpage(0, 94), 1);
    ASSERT_EQ(_selectpage(0, 93), 1);
    ASSERT_EQ(_selectpage(0, 94), 1);

    HWND window = p->child ? p->child : p->frame;
    SetWindowPos(p->frame, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
    pump_paint();
    rendered expected = render_page(p);
    ASSERT_GT(expected.width, 100);
    EXPECT_EQ(expected.at(30, 30), 0u);       // the filled rectangle
    EXPECT_EQ(expected.at(102, 62), corner);  // the image, 5 pixels a pixel
    EXPECT_EQ(expected.at(117, 72), last);
    int text_pixels = 0;  // the text
    for (int y = 10; y < 30; y++)
        for (int x = 70; x < 110; x++) text_pixels += expected.at(x, y) != 0xffffffu;
    EXPECT_GT(text_pixels, 10);
    EXPECT_TRUE(screen_pixels(window).pixels == expected.pixels);

    // Wine keeps the window's pixels itself, so a covering window costs it
    // nothing: spoil them as a cover would, then let the window repaint.
    {
        window_dc dc(window);
        owned_object red(CreateSolidBrush(RGB(255, 0, 0)));
        RECT all = {0, 0, expected.width, expected.height};
        FillRect(dc, &all, (HBRUSH)red.get());
    }
    EXPECT_EQ(screen_pixels(window).at(30, 30), 0xff0000u);  // really spoilt
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    pump_paint();
    rendered shown = screen_pixels(window);
    EXPECT_TRUE(shown.pixels == expected.pixels);
    ShowWindow(p->frame, SW_HIDE);
    free_slots(93, 94);
}

TEST(Recording, ImagesGoThroughABufferWhereDibStretchingIsMissing)
{
    page_record* p = fresh_page(90);
    _bmap* b = bmap_new(2, 2);
    ASSERT_TRUE(b);
    memset(b->pixels, 0, b->size);
    b->pixels[1] = 255;                  // top-left green
    b->pixels[b->stride + 3 + 2] = 255;  // bottom-right red
    int buffers = _count_buffers();
    direct_dib_stretch = 0;
    _draw_bmap(b, 10, 10, 10.0);
    direct_dib_stretch = 1;
    EXPECT_EQ(_count_buffers(), buffers);  // the temporary buffer is gone
    _selectpage(0, 90);
    rendered r = render_page(p);
    EXPECT_EQ(r.at(15, 15), 0x00ff00u);
    EXPECT_EQ(r.at(25, 25), 0xff0000u);
    EXPECT_EQ(r.at(25, 15), 0u);
    _bmap_delete(b);
    free_slots(90, 90);
}

// Buffers drawn onto a page, as the toolbar's icons and the viewer's
// placeholders are, and an image drawn through a buffer: the page shows them,
// and drawing them again and again leaves no DC or bitmap behind.
TEST(Recording, BuffersDrawnOnAPageLeaveNoObjectsBehind)
{
    page_record* p = fresh_page(91);
    fresh_page(92, 50, 50);
    ASSERT_EQ(_newbuffer(95, 16, 13), 1);
    _page_fill(95, RGB(0, 0, 255));
    _bmap* b = fixtures::distinct_image(4, 3);
    auto draw_all = [&] {
        ASSERT_EQ(_selectpage(0, 91), 1);
        _drawpage(95, 10, 10, 1.0);
        direct_dib_stretch = 0;
        _draw_bmap(b, 100, 60, 5.0);
        direct_dib_stretch = 1;
        ASSERT_EQ(_selectpage(0, 92), 1);
    };
    draw_all();
    bench::census before, after;
    bench::count_gdi_objects(before);
    for (int i = 0; i < 20; i++) draw_all();
    bench::count_gdi_objects(after);
    EXPECT_EQ(after.gdi_text(), before.gdi_text());
    rendered r = render_page(p);
    EXPECT_EQ(r.at(10, 10), 0x0000ffu);
    EXPECT_EQ(r.at(25, 22), 0x0000ffu);
    EXPECT_EQ(r.at(26, 10), 0xffffffu);
    EXPECT_EQ(r.at(102, 62), fixtures::rgb_at(b, 0, 0));
    EXPECT_EQ(r.at(117, 72), fixtures::rgb_at(b, 3, 2));
    _bmap_delete(b);
    free_slots(91, 95);
}

// A page drawn on again and again without being cleared keeps a picture
// that replays within its bound (a record costs as much as 2 KB, the page
// at most twice the screen's pixels at 3 bytes) and still shows what was
// drawn: the first drawing where nothing covered it, and the last where each
// covered the one before. Drawn as pixels between selections of another
// page, as filled rectangles each closed by re-selecting the page (a mark
// toggled), and as rectangles into a recording that no selection closes
// (the viewer's status line redrawn).
TEST(Recording, APageDrawnOnWithoutClearingStaysBounded)
{
    enum drawn_as { PIXELS, STROKES, STROKES_LEFT_OPEN };
    const struct {
        const char* what;
        drawn_as how;
    } rows[] = {{"pixels", PIXELS}, {"strokes", STROKES}, {"strokes left open", STROKES_LEFT_OPEN}};
    int w = GetDeviceCaps(window_dc(nullptr), HORZRES), h = GetDeviceCaps(window_dc(nullptr), VERTRES);
    double bound = 2.0 * 3 * w * h;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        page_record* p = fresh_page(96, 400, 260);
        fresh_page(97, 50, 50);
        ASSERT_EQ(_selectpage(0, 96), 1);
        _rectangle(0, 250, 20, 290, 60);
        _bmap* b = bmap_new(240, 200);
        ASSERT_TRUE(b);
        int draws = row.how == PIXELS ? (int)(bound / b->size) + 10 : 1000;
        for (int i = 0; i < draws; i++) {
            COLORREF colour = i % 2 ? 0x404040 : 0xc0c0c0;
            if (row.how != STROKES_LEFT_OPEN) { ASSERT_EQ(_selectpage(0, 96), 1); }
            if (row.how == PIXELS) {
                memset(b->pixels, colour & 0xff, b->size);
                _draw_bmap(b, 0, 0, 1.0);
            } else {
                _setcolor(colour);
                _settextcolor(colour);
                _rectangle(0, 0, 0, 240, 200);
            }
            if (row.how == PIXELS) { ASSERT_EQ(_selectpage(0, 97), 1); }
        }
        ASSERT_EQ(_selectpage(0, 97), 1);
        ENHMETAHEADER head;
        ASSERT_TRUE(GetEnhMetaFileHeader(page_picture(p), sizeof head, &head));
        EXPECT_LE(head.nBytes + 2048.0 * head.nRecords, bound) << head.nRecords << " records";
        rendered r = render_page(p);
        ASSERT_GT(r.width, 291);
        ASSERT_GT(r.height, 199);
        DWORD last = (draws - 1) % 2 ? 0x404040u : 0xc0c0c0u;
        EXPECT_EQ(r.at(100, 100), last);
        EXPECT_EQ(r.at(239, 199), last);
        EXPECT_EQ(r.at(250, 20), 0u);
        EXPECT_EQ(r.at(270, 40), 0u);
        EXPECT_EQ(r.at(290, 60), 0u);
        EXPECT_EQ(r.at(291, 40), 0xffffffu);
        EXPECT_EQ(r.at(249, 40), 0xffffffu);
        EXPECT_EQ(r.at(270, 61), 0xffffffu);
        _bmap_delete(b);
        free_slots(96, 97);
    }
}

TEST(Clear, PageAndConsoleWithFlagsThree)
{
    page_record* p = fresh_page(76);
    HWND console = _page_hwnd(0);
    SetWindowTextA(console, "some text");
    _rectangle(0, 0, 0, 50, 50);
    _clearscreen(3);
    EXPECT_EQ(GetWindowTextLengthA(console), 0);
    _selectpage(0, 76);
    rendered r = render_page(p);
    EXPECT_EQ(r.at(10, 10), 0xffffffu);
    free_slots(76, 76);
}

TEST(Clear, FlagFourLeavesTheWindowAlone)
{
    page_record* p = fresh_page(77);
    ShowWindow(p->frame, SW_SHOWNA);
    UpdateWindow(p->frame);
    UpdateWindow(p->child);
    _clearscreen(2 | 4);
    RECT u;
    EXPECT_FALSE(GetUpdateRect(p->child, &u, FALSE));
    free_slots(77, 77);
}

TEST(Clear, BufferIsRefilledAndConsoleKept)
{
    library_ready();
    fresh_page(78);
    ASSERT_EQ(_newbuffer(79, 20, 20), 1);
    ASSERT_EQ(_selectpage(0, 79), 1);
    SetPixel(page_table[79]->dc, 3, 3, RGB(1, 2, 3));
    HWND console = _page_hwnd(0);
    SetWindowTextA(console, "kept");
    _clearscreen(3);
    EXPECT_EQ(GetPixel(page_table[79]->dc, 3, 3), page_table[79]->background);
    EXPECT_EQ(GetWindowTextLengthA(console), 4);
    SetWindowTextA(console, "");
    free_slots(78, 79);
}

TEST(Buffers, NewBufferRules)
{
    page_record* framed = fresh_page(80);
    EXPECT_EQ(_newbuffer(80, 10, 10), 0);  // a framed page stays
    EXPECT_TRUE(IsWindow(framed->frame));
    EXPECT_EQ(page_table[80]->kind, PAGE_FRAMED);

    ASSERT_EQ(_newbuffer(81, 16, 8), 1);
    page_record* buf = page_table[81];
    HDC dc = buf->dc;
    HBITMAP bmp = buf->bitmap;
    SetPixel(dc, 1, 1, RGB(5, 6, 7));
    ASSERT_EQ(_newbuffer(81, 16, 8), 1);  // same size: only refilled
    EXPECT_EQ(page_table[81]->dc, dc);
    EXPECT_EQ(page_table[81]->bitmap, bmp);
    EXPECT_EQ(GetPixel(dc, 1, 1), buf->background);

    page_info info = _page_info(81);
    EXPECT_EQ(info.kind, PAGE_BUFFER);
    EXPECT_EQ(info.width, 16);
    EXPECT_EQ(info.height, 8);
    EXPECT_EQ(info.dc, dc);
    EXPECT_EQ(info.bitmap_field, &page_table[81]->bitmap);

    EXPECT_EQ(_newbuffer(82, 60000, 60000), 0);  // falls back to 9 x 9
    ASSERT_TRUE(page_table[82]);
    EXPECT_EQ(page_table[82]->buffer_width, 9);
    EXPECT_EQ(page_table[82]->buffer_height, 9);

    EXPECT_EQ(_page_info(0).width, 0);
    EXPECT_EQ(_page_info(4000).height, 0);
    EXPECT_EQ(_page_info(-2).width, 0);
    info = _page_info(80);
    EXPECT_EQ(info.width, 300);
    free_slots(80, 82);
}

TEST(Buffers, AutomaticSlotsCountDownAndFailuresLeaveNothing)
{
    library_ready();
    int before = _count_buffers();
    int a = _newbuffer_auto(10, 10);
    int b = _newbuffer_auto(10, 10);
    EXPECT_EQ(a, 3999);
    EXPECT_EQ(b, 3998);
    EXPECT_EQ(_count_buffers(), before + 2);
    EXPECT_EQ(_newbuffer_auto(60000, 60000), 0);
    EXPECT_EQ(_count_buffers(), before + 2);
    EXPECT_EQ(page_table[3997], nullptr);
    _page_free_at(&a);
    _page_free_at(&b);
    int outside = 0;
    _page_free_at(&outside);
    EXPECT_EQ(_count_buffers(), before);
}

TEST(Buffers, RemakingTheCurrentBufferKeepsItCurrent)
{
    fresh_page(83);
    ASSERT_EQ(_newbuffer(84, 10, 10), 1);
    ASSERT_EQ(_selectpage(0, 84), 1);
    ASSERT_EQ(_newbuffer(84, 20, 20), 1);
    EXPECT_EQ(current_page, page_table[84]);
    EXPECT_EQ(GetObjectType(current_page->dc), (DWORD)OBJ_MEMDC);
    EXPECT_EQ(GetCurrentObject(current_page->dc, OBJ_PEN), (HGDIOBJ)drawing.pen);
    _page_free(84);
    EXPECT_EQ(current_page, nullptr);
    free_slots(83, 83);
}

TEST(Images, SlotTakesThePixelsOver)
{
    library_ready();
    int live = bmap_live_count;
    _bmap* b = bmap_new(3, 3);
    ASSERT_TRUE(b);
    memset(b->pixels, 0x5a, b->size);
    ASSERT_EQ(_page_set_bmap(85, b), 1);
    EXPECT_EQ(b->not_owner, 1);
    EXPECT_EQ(_page_set_bmap(86, b), 0);  // its pixels are no longer its own to give
    _bmap_delete(b);
    EXPECT_EQ(bmap_live_count, live + 1);
    page_info info = _page_info(85);
    ASSERT_EQ(info.kind, PAGE_IMAGE);
    ASSERT_TRUE(info.image);
    EXPECT_EQ(info.width, 3);
    EXPECT_EQ(info.image->pixels[4], 0x5a);
    EXPECT_EQ(_page_to_bmap(85), 1);
    _page_free(85);
    EXPECT_EQ(bmap_live_count, live);
    EXPECT_EQ(_page_set_bmap(0, nullptr), 0);
}

TEST(Images, BufferBecomesAnImage)
{
    library_ready();
    ASSERT_EQ(_newbuffer(87, 4, 4), 1);
    SetPixel(page_table[87]->dc, 2, 1, RGB(200, 100, 50));
    ASSERT_EQ(_page_to_bmap(87), 1);
    page_info info = _page_info(87);
    ASSERT_EQ(info.kind, PAGE_IMAGE);
    const BYTE* px = info.image->pixels + 1 * info.image->stride + 2 * 3;
    EXPECT_EQ(px[0], 50);
    EXPECT_EQ(px[1], 100);
    EXPECT_EQ(px[2], 200);
    EXPECT_EQ(_page_to_bmap(88), 0);
    free_slots(87, 87);
}

TEST(Images, BitFieldDibIsReadPastItsMasks)
{
    library_ready();
    fixtures::dib_fields d = fixtures::bitfield_dib(2, -2);  // top-down
    const uint32_t pixels[2][2] = {{0x112233, 0x445566}, {0x778899, 0xaabbcc}};
    d.pixel = [&pixels](int x, int y) { return pixels[y][x]; };
    std::string dib = fixtures::make_dib(d);
    const BITMAPINFOHEADER* h = (const BITMAPINFOHEADER*)dib.data();
    ASSERT_EQ(_page_from_dib(89, h), 1);
    HDC dc = page_table[89]->dc;
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0x11, 0x22, 0x33));
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0xaa, 0xbb, 0xcc));
    EXPECT_EQ(_page_from_dib(0, h), 0);
    free_slots(89, 89);
}
