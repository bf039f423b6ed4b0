// Images through the clipboard: the CF_DIB layout we put there, bit-field
// DIBs and damaged DIBs taken from there, BMP files and page copies.
#include "graphics/kavtrel.h"
#include "tests/graphics/image_fixtures.h"
#include "tests/graphics/library.h"
#include "tests/support/bench.h"
#include "tests/support/clipboard_lock.h"
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

void put_dib(const std::string& dib)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, dib.size());
    memcpy(GlobalLock(block), dib.data(), dib.size());
    GlobalUnlock(block);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_DIB, block);
    CloseClipboard();
}

std::string clipboard_dib()
{
    std::string out;
    if (!OpenClipboard(nullptr)) return out;
    if (HANDLE h = GetClipboardData(CF_DIB)) {
        out.assign((const char*)GlobalLock(h), GlobalSize(h));
        GlobalUnlock(h);
    }
    CloseClipboard();
    return out;
}

}  // namespace

TEST(Clipboard, ImageGoesAsBottomUpDib)
{
    bench::clipboard_lock lock;
    _bmap* b = distinct_image(5, 3);
    b->header.biXPelsPerMeter = 1234;
    b->header.biYPelsPerMeter = 4321;
    ASSERT_EQ(_bmap_to_clipboard(b), 1);
    std::string dib = clipboard_dib();
    ASSERT_GE(dib.size(), 40u + 3 * 16);
    const BITMAPINFOHEADER* h = (const BITMAPINFOHEADER*)dib.data();
    EXPECT_EQ(h->biSize, 40u);
    EXPECT_EQ(h->biWidth, 5);
    EXPECT_EQ(h->biHeight, 3);
    EXPECT_EQ(h->biPlanes, 1);
    EXPECT_EQ(h->biBitCount, 24);
    EXPECT_EQ(h->biCompression, (DWORD)BI_RGB);
    EXPECT_EQ(h->biXPelsPerMeter, 1234);
    EXPECT_EQ(h->biYPelsPerMeter, 4321);
    for (int y = 0; y < 3; y++)
        EXPECT_EQ(memcmp(dib.data() + 40 + (2 - y) * 16, b->pixels + y * b->stride, 15), 0) << y;
    _bmap_delete(b);
}

TEST(Clipboard, BitFieldDibReachesASlotUnshifted)
{
    bench::clipboard_lock lock;
    dib_fields d = bitfield_dib(4, 3);
    d.pixel = [](int x, int y) { return (uint32_t)(0x203040 + 0x10 * x + 0x100000 * y); };
    put_dib(make_dib(d));
    const int slot = 3990;
    ASSERT_EQ(_page_from_clipboard(slot), 1);
    _bmap* b = _bmap_from_buffer(slot);
    ASSERT_NE(b, nullptr);
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 4; x++) EXPECT_EQ(rgb_at(b, x, y), 0x203040u + 0x10 * x + 0x100000 * y) << x << "," << y;
    _bmap_delete(b);
    _page_free(slot);
}

TEST(Clipboard, DamagedDibIsRefused)
{
    bench::clipboard_lock lock;
    dib_fields d;
    d.width = 4;
    d.height = 3;
    std::string dib = make_dib(d);
    fixtures::put32(dib, 8, 3000);  // claims far more rows than the block holds
    put_dib(dib);
    EXPECT_EQ(_page_from_clipboard(3990), 0);
    _page_free(3990);
}

TEST(Clipboard, BmpFileGoesAsItsDib)
{
    bench::clipboard_lock lock;
    bench::scratch_dir dir;
    dib_fields d;
    d.width = 3;
    d.height = 2;
    d.pixel = [](int x, int y) { return (uint32_t)(x * 0x111111 + y); };
    std::string bmp = make_bmp(d);
    std::string path = dir.write("a.bmp", bmp);
    ASSERT_EQ(_file_to_clipboard(path.c_str()), 1);
    std::string dib = clipboard_dib();
    ASSERT_GE(dib.size(), bmp.size() - 14);
    EXPECT_EQ(dib.substr(0, bmp.size() - 14), bmp.substr(14));
    std::string cut = dir.write("cut.bmp", bmp.substr(0, bmp.size() - 4));
    EXPECT_EQ(_bmp_file_to_clipboard(cut.c_str()), 0);
}

TEST(Clipboard, PageCopyExtentsAreHundredthsOfAMillimetre)
{
    bench::clipboard_lock lock;
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    // A page recording: twentieths of a pixel, framed at twenty times the screen.
    HDC screen = GetDC(nullptr);
    RECT frame = {0, 0, 2000 * GetDeviceCaps(screen, HORZSIZE), 2000 * GetDeviceCaps(screen, VERTSIZE)};
    ReleaseDC(nullptr, screen);
    HDC dc = CreateEnhMetaFileA(nullptr, nullptr, &frame, nullptr);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    SelectObject(dc, red);
    SelectObject(dc, GetStockObject(NULL_PEN));
    Rectangle(dc, 20 * 100, 20 * 50, 20 * 300, 20 * 150);
    HENHMETAFILE picture = CloseEnhMetaFile(dc);
    DeleteObject(red);
    ASSERT_EQ(_page_copy(picture, window), 1);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE h = GetClipboardData(CF_METAFILEPICT);
    ASSERT_NE(h, nullptr);
    METAFILEPICT* pict = (METAFILEPICT*)GlobalLock(h);
    EXPECT_EQ(pict->mm, MM_ANISOTROPIC);
    EXPECT_EQ(pict->xExt, 15875);
    EXPECT_EQ(pict->yExt, 10583);
    // Replayed over the window size, the rectangle is where it was drawn.
    HDC screen_dc = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen_dc);
    HBITMAP bm = CreateCompatibleBitmap(screen_dc, 600, 400);
    ReleaseDC(nullptr, screen_dc);
    HGDIOBJ old = SelectObject(mem, bm);
    PatBlt(mem, 0, 0, 600, 400, WHITENESS);
    SetMapMode(mem, MM_ANISOTROPIC);
    SetViewportExtEx(mem, 600, 400, nullptr);
    PlayMetaFile(mem, pict->hMF);
    SetMapMode(mem, MM_TEXT);
    EXPECT_EQ(GetPixel(mem, 200, 100), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(mem, 110, 60), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(mem, 400, 300), RGB(255, 255, 255));
    SelectObject(mem, old);
    DeleteObject(bm);
    DeleteDC(mem);
    GlobalUnlock(h);
    CloseClipboard();
    DeleteEnhMetaFile(picture);
    DestroyWindow(window);
}

namespace {

// A page recording (twentieths of a pixel, framed at twenty times the
// screen) of red rectangles given in pixels.
HENHMETAFILE page_picture(std::initializer_list<RECT> boxes)
{
    HDC screen = GetDC(nullptr);
    RECT frame = {0, 0, 2000 * GetDeviceCaps(screen, HORZSIZE), 2000 * GetDeviceCaps(screen, VERTSIZE)};
    ReleaseDC(nullptr, screen);
    HDC dc = CreateEnhMetaFileA(nullptr, nullptr, &frame, nullptr);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    SelectObject(dc, red);
    SelectObject(dc, GetStockObject(NULL_PEN));
    for (const RECT& b : boxes) Rectangle(dc, 20 * b.left, 20 * b.top, 20 * b.right, 20 * b.bottom);
    HENHMETAFILE picture = CloseEnhMetaFile(dc);
    DeleteObject(red);
    return picture;
}

// What `play` paints on a white w x h bitmap.
template <class F> rendered painted(int w, int h, F play)
{
    rendered r;
    r.width = w;
    r.height = h;
    BITMAPINFO bi = {};
    bi.bmiHeader = {sizeof bi.bmiHeader, w, -h, 1, 32};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bmp);
    PatBlt(dc, 0, 0, w, h, WHITENESS);
    play(dc);
    GdiFlush();
    r.pixels.assign((DWORD*)bits, (DWORD*)bits + (size_t)w * h);
    for (DWORD& px : r.pixels) px &= 0xffffff;
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    return r;
}

}  // namespace

// A page wider than 1638 pixels overflows sixteen-bit coordinates at twenty
// units per pixel: both clipboard pictures must still show the whole page.
TEST(Clipboard, PageCopyOfAWidePageShowsEveryShape)
{
    bench::clipboard_lock lock;
    for (int w : {600, 1900}) {
        const int h = 300;
        HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, w, h, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        HENHMETAFILE picture = page_picture({RECT{100, 50, 300, 150}, RECT{w - 150, 150, w - 50, 250}});
        ASSERT_EQ(_page_copy(picture, window), 1);
        ASSERT_TRUE(OpenClipboard(nullptr));
        HANDLE pict_block = GetClipboardData(CF_METAFILEPICT);
        HENHMETAFILE emf = (HENHMETAFILE)GetClipboardData(CF_ENHMETAFILE);
        ASSERT_NE(pict_block, nullptr);
        ASSERT_NE(emf, nullptr);
        METAFILEPICT pict = *(METAFILEPICT*)GlobalLock(pict_block);
        GlobalUnlock(pict_block);
        EXPECT_EQ(pict.mm, MM_ANISOTROPIC);
        EXPECT_EQ(pict.xExt, (LONG)(w * 1000.0 / 96 * 2.54));
        rendered old_format = painted(w, h, [&](HDC dc) {
            SetMapMode(dc, MM_ANISOTROPIC);
            SetViewportExtEx(dc, w, h, nullptr);
            PlayMetaFile(dc, pict.hMF);
        });
        RECT all = {0, 0, w, h};
        rendered new_format = painted(w, h, [&](HDC dc) { PlayEnhMetaFile(dc, emf, &all); });
        CloseClipboard();
        for (const rendered* r : {&old_format, &new_format}) {
            EXPECT_EQ(r->at(200, 100), 0xff0000u) << w;
            EXPECT_EQ(r->at(w - 100, 200), 0xff0000u) << w << (r == &old_format ? " wmf" : " emf");
            EXPECT_EQ(r->at(w - 100, 100), 0xffffffu) << w;
            EXPECT_EQ(r->at(200, 200), 0xffffffu) << w;
            EXPECT_EQ(r->at(w - 160, 200), 0xffffffu) << w;
        }
        DeleteEnhMetaFile(picture);
        DestroyWindow(window);
    }
}
