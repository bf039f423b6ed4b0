// The scroll view over a real browser page: pictures narrower than, as wide
// as and wider than the view; key scrolling on the test clock; a drag whose
// button is released outside the view; the alternating slot pairs.
#include "browser/viewer/scroll_view.h"
#include "browser/caches/cell_extras.h"
#include "tests/browser/viewer_fixtures.h"
#include <gtest/gtest.h>

using namespace viewer_fixture;

namespace {
std::string cls(HWND w)
{
    char c[128] = "";
    GetClassNameA(w, c, sizeof c);
    return c;
}

nftw_view* open_view(int w, int h)
{
    _bmap* b = bmap_new(w, h);
    return create_nftw_window(_page_hwnd(1), b, 0);
}

// Runs a key scroll for `steps` steps of the loop.
void key_scroll(nftw_view* v, int key, int steps)
{
    fake_clock::sleeps = 0;
    fake_clock::on_sleep = [v, steps](int n) {
        if (n >= steps) v->scrolling = 0;
    };
    nftw_key_scroll(v, key);
    fake_clock::on_sleep = nullptr;
}
}  // namespace

TEST(ScrollView, NarrowEqualAndWidePictures)
{
    viewer_page page(800, 600);
    nftw_view* probe = open_view(4000, 4000);
    int vw = probe->view_width, vh = probe->view_height, vx = probe->view_x;
    destroy_nftw_window(probe);
    struct row {
        int w, h, key, steps, x, y;
        const char* what;
    };
    const row rows[] = {
        {vw / 2, vh / 2, VK_RIGHT, 3, 0, 0, "narrower: centred, nothing scrolls"},
        {vw, vh, VK_RIGHT, 3, 0, 0, "as large as the view: nothing scrolls"},
        {vw + 1000, vh, VK_RIGHT, 3, 90, 0, "wider: 30 pixels a step, the other axis stays at 0"},
        {vw + 40, vh / 3, VK_RIGHT, 5, 39, 0, "the right edge stops one pixel short"},
        {vw / 3, vh + 500, VK_DOWN, 2, 0, 60, "tall and narrow: down only"},
    };
    for (const row& r : rows) {
        nftw_view* v = open_view(r.w, r.h);
        ASSERT_TRUE(v->view_window) << r.what;
        EXPECT_EQ(v->view_width, r.w < vw ? r.w : vw) << r.what;
        if (r.w < vw) EXPECT_EQ(v->view_x, vx + (vw - r.w) / 2) << r.what;
        if (r.w <= vw) {
            EXPECT_EQ(nftw_zone_x(v, v->view_width - 1), 0) << r.what;
            EXPECT_EQ(nftw_zone_x(v, 0), 0) << r.what;
        }
        key_scroll(v, r.key, r.steps);
        EXPECT_EQ(v->offset_x, r.x) << r.what;
        EXPECT_EQ(v->offset_y, r.y) << r.what;
        RECT f = nftw_overview_frame(v);
        EXPECT_GE(f.left, 0) << r.what;
        destroy_nftw_window(v);
    }
}

TEST(ScrollView, SecondViewTakesTheOtherSlots)
{
    viewer_page page(800, 600);
    nftw_view* a = open_view(2000, 2000);
    nftw_view* b = open_view(2000, 2000);
    EXPECT_NE(a->overview_slot, b->overview_slot);
    EXPECT_NE(a->view_slot, b->view_slot);
    EXPECT_EQ(a->overview_slot + 2, a->view_slot);
    destroy_nftw_window(a);
    destroy_nftw_window(b);
}

TEST(ScrollView, DragEndsWhenReleasedOutside)
{
    viewer_page page(800, 600);
    HWND frame = GetParent(_page_hwnd(1));
    ShowWindow(frame, SW_SHOWNORMAL);
    SetForegroundWindow(frame);
    _page_move(1, 0, 0);
    nftw_view* v = open_view(5000, 5000);
    ASSERT_TRUE(v->view_window);
    UpdateWindow(v->view_window);
    _pump();
    RECT r;
    GetWindowRect(v->view_window, &r);
    SetCursorPos(r.right - 5, (r.top + r.bottom) / 2);
    POINT at = {r.right - 5, (r.top + r.bottom) / 2};
    ASSERT_EQ(WindowFromPoint(at), v->view_window)
        << r.left << "," << r.top << " " << r.right << "," << r.bottom << " visible " << IsWindowVisible(v->view_window)
        << " frame " << IsWindowVisible(frame) << " " << cls(WindowFromPoint(at));
    int forced = 0, steps = 0;
    fake_clock::sleeps = 0;
    fake_clock::on_sleep = [&](int n) {
        steps = n;
        if (n == 3) {
            // Released far outside the view and its window.
            SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
            INPUT up = {};
            up.type = INPUT_MOUSE;
            up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
            SendInput(1, &up, sizeof up);
        }
        if (n >= 100) {
            forced = 1;
            v->scrolling = 0;
        }
    };
    INPUT down = {};
    down.type = INPUT_MOUSE;
    down.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &down, sizeof down);
    for (int i = 0; i < 50 && steps == 0; i++) {
        _pump();
        Sleep(10);
    }
    fake_clock::on_sleep = nullptr;
    EXPECT_GT(steps, 0) << "the press started the scroll";
    EXPECT_EQ(forced, 0) << "the release outside ended the drag";
    EXPECT_GT(v->offset_x, 0);
    EXPECT_EQ(v->scrolling, 0);
    destroy_nftw_window(v);
}

// Over each edge zone the view shows the program's own arrow toward the side
// the picture scrolls to; the middle keeps the system arrow.
TEST(ScrollView, EdgeZonesShowTheProgramsOwnCursors)
{
    viewer_page page(800, 600);
    nftw_view* v = open_view(4000, 4000);
    v->offset_x = v->offset_y = 1000;                                         // every edge can scroll
    const int ids[3][3] = {{189, 187, 192}, {184, 0, 185}, {188, 186, 191}};  // [x zone][y zone]
    for (int zx = -1; zx <= 1; zx++)
        for (int zy = -1; zy <= 1; zy++) {
            POINT p = {v->view_width * (2 * zx + 3) / 6, v->view_height * (2 * zy + 3) / 6};
            ClientToScreen(v->view_window, &p);
            SetCursorPos(p.x, p.y);
            nftw_update_cursor(v);
            int id = ids[zx + 1][zy + 1];
            HCURSOR want = id ? LoadCursorA(kavtrel_instance, MAKEINTRESOURCEA(id)) : LoadCursor(nullptr, IDC_ARROW);
            ASSERT_NE(want, nullptr) << id;
            EXPECT_EQ(GetCursor(), want) << zx << "," << zy;
        }
    destroy_nftw_window(v);
}

// A removable drive's cell shows the program's own drive picture (its green
// lamp), not the shell's icon.
TEST(ScrollView, RemovableDriveCellShowsTheProgramsOwnPicture)
{
    BITMAPINFO bi = {};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 32, -32, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, dib);
    PatBlt(dc, 0, 0, 32, 32, WHITENESS);
    EXPECT_EQ(draw_drive_icon(dc, 0, 0, "C:\\"), 1);
    GdiFlush();
    EXPECT_EQ(static_cast<const DWORD*>(bits)[20 * 32 + 25] & 0xFFFFFF, 0x1EC83Cu);  // the lamp
    SelectObject(dc, old);
    DeleteObject(dib);
    DeleteDC(dc);
}
