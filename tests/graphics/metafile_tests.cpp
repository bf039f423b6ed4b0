// Metafile images written by the tests: placeable WMF sizes, rendering and
// clipboard extents, plain WMF refused cleanly, and EMF bounds.
#include "graphics/kavtrel.h"
#include "tests/graphics/image_fixtures.h"
#include "tests/support/bench.h"
#include "tests/support/clipboard_lock.h"
#include <gtest/gtest.h>
#include <algorithm>

using namespace fixtures;

namespace {

// A standard metafile of a filled rectangle over a w x h window.
std::string wmf_body(int w, int h, COLORREF fill)
{
    HDC dc = CreateMetaFileA(nullptr);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, w, h, nullptr);
    HBRUSH brush = CreateSolidBrush(fill);
    HGDIOBJ old = SelectObject(dc, brush);
    SelectObject(dc, GetStockObject(NULL_PEN));
    Rectangle(dc, 0, 0, w + 1, h + 1);
    SelectObject(dc, old);
    HMETAFILE mf = CloseMetaFile(dc);
    DeleteObject(brush);
    UINT n = GetMetaFileBitsEx(mf, 0, nullptr);
    std::string bytes(n, '\0');
    GetMetaFileBitsEx(mf, n, &bytes[0]);
    DeleteMetaFile(mf);
    return bytes;
}

std::string placeable(int right, int bottom, int upi, const std::string& body)
{
    wmf_placeable_header h{};
    h.key = WMF_PLACEABLE_KEY;
    h.right = (SHORT)right;
    h.bottom = (SHORT)bottom;
    h.units_per_inch = (WORD)upi;
    const WORD* words = (const WORD*)&h;
    for (int i = 0; i < 10; i++) h.checksum ^= words[i];
    return std::string((const char*)&h, sizeof h) + body;
}

// An EMF file with a filled rectangle; returns its bounds.
RECTL write_emf(const std::string& path, RECT r, COLORREF fill)
{
    HDC dc = CreateEnhMetaFileA(nullptr, path.c_str(), nullptr, nullptr);
    HBRUSH brush = CreateSolidBrush(fill);
    HGDIOBJ old = SelectObject(dc, brush);
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    SelectObject(dc, old);
    DeleteEnhMetaFile(CloseEnhMetaFile(dc));
    DeleteObject(brush);
    HENHMETAFILE emf = GetEnhMetaFileA(path.c_str());
    ENHMETAHEADER h{};
    GetEnhMetaFileHeader(emf, sizeof h, &h);
    DeleteEnhMetaFile(emf);
    return h.rclBounds;
}

}  // namespace

TEST(Metafile, PlaceableWmfSizeAndRendering)
{
    bench::scratch_dir dir;
    std::string path = dir.write("box.WMF", placeable(1440, 720, 1440, wmf_body(1440, 720, RGB(255, 0, 0))));
    int w, h, xr, yr;
    ASSERT_EQ(_wmf_info(path.c_str(), &w, &h, &xr, &yr), 1);
    EXPECT_EQ(w, 96);
    EXPECT_EQ(h, 48);
    EXPECT_EQ(xr, 96);
    ASSERT_NE(_image_info(path.c_str(), &w, &h, &xr, &yr), 0);
    EXPECT_EQ(w, 96);
    int buffers = _count_buffers();
    _bmap* b = _bmap_load(path.c_str(), 0, 0.5);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->width, 48);
    EXPECT_EQ(b->height, 24);
    EXPECT_EQ(b->header.biXPelsPerMeter, 56693);  // 1440 dpi
    EXPECT_EQ(b->header.biYPelsPerMeter, 56693);
    EXPECT_EQ(rgb_at(b, 24, 12), 0xff0000u);
    _bmap_delete(b);
    EXPECT_EQ(_count_buffers(), buffers);
}

TEST(Metafile, PlainWmfFailsCleanly)
{
    bench::scratch_dir dir;
    std::string plain = dir.write("plain.wmf", wmf_body(100, 100, RGB(0, 0, 255)));
    std::string junk = dir.write("junk.wmf", std::string(40, '\x01'));
    std::string no_units = dir.write("units.wmf", placeable(1440, 720, 0, wmf_body(10, 10, 0)));
    std::string empty_box = dir.write("empty.wmf", placeable(0, 720, 1440, wmf_body(10, 10, 0)));
    for (const std::string& p : {plain, junk, no_units, empty_box}) {
        int w = -1, h = -1, xr = 0, yr = 0;
        EXPECT_EQ(_wmf_info(p.c_str(), &w, &h, &xr, &yr), 0) << p;
        EXPECT_EQ(_wmf_load(p.c_str(), 1), nullptr) << p;
        ASSERT_NE(_image_info(p.c_str(), &w, &h, &xr, &yr), 0);
        EXPECT_EQ(w, 32) << p;  // the icon size stands in
    }
    // A placeable header over a body that is no metafile does not load.
    std::string bad_body = dir.write("badbody.wmf", placeable(1440, 720, 1440, std::string(64, '\x7f')));
    EXPECT_EQ(_wmf_load(bad_body.c_str(), 1), nullptr);
}

TEST(Metafile, EmfSizeIsTheBoundsEdges)
{
    bench::scratch_dir dir;
    std::string path = dir.file("pic.emf");
    RECTL bounds = write_emf(path, RECT{10, 10, 60, 40}, RGB(0, 0, 255));
    ASSERT_EQ(bounds.left, 10);
    int w, h, xr, yr;
    ASSERT_EQ(_emf_info(path.c_str(), &w, &h, &xr, &yr), 1);
    EXPECT_EQ(w, bounds.right);
    EXPECT_EQ(h, bounds.bottom);
    EXPECT_EQ(yr, 96);
    _bmap* b = _bmap_load(path.c_str(), 0, 1);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->width, bounds.right);
    EXPECT_EQ(b->height, bounds.bottom);
    EXPECT_EQ(b->header.biXPelsPerMeter, 3780);
    EXPECT_EQ(rgb_at(b, b->width / 2, b->height / 2), 0x0000ffu);
    _bmap_delete(b);
    EXPECT_EQ(_emf_load(path.c_str(), 0.001), nullptr);  // nothing left at that scale
    EXPECT_EQ(_emf_info(dir.file("none.emf").c_str(), &w, &h, &xr, &yr), 0);
}

TEST(Metafile, ClipboardFormats)
{
    bench::clipboard_lock lock;
    bench::scratch_dir dir;
    std::string wmf = dir.write("box.wmf", placeable(1440, 720, 1440, wmf_body(1440, 720, RGB(255, 0, 0))));
    ASSERT_EQ(_file_to_clipboard(wmf.c_str()), 1);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE h = GetClipboardData(CF_METAFILEPICT);
    ASSERT_NE(h, nullptr);
    METAFILEPICT* pict = (METAFILEPICT*)GlobalLock(h);
    EXPECT_EQ(pict->mm, MM_LOENGLISH);
    EXPECT_EQ(pict->xExt, 100);  // one inch in hundredths
    EXPECT_EQ(pict->yExt, 50);
    EXPECT_NE(pict->hMF, nullptr);
    GlobalUnlock(h);
    CloseClipboard();

    std::string emf = dir.file("pic.emf");
    write_emf(emf, RECT{0, 0, 20, 20}, 0);
    ASSERT_EQ(_file_to_clipboard(emf.c_str()), 1);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_ENHMETAFILE));
    std::string plain = dir.write("plain.wmf", wmf_body(10, 10, 0));
    EXPECT_EQ(_file_to_clipboard(plain.c_str()), 0);
    EXPECT_EQ(_file_to_clipboard(dir.write("a.txt", "x").c_str()), 0);
}

// A 9000 x 15000 picture rendered at full size; prints the growth of the
// peak memory beyond the image itself, in megabytes.
ZOTE_CHILD(huge_metafile_render)
{
    bench::scratch_dir dir;
    std::string path = dir.file("huge.emf");
    write_emf(path, RECT{0, 0, 9000, 15000}, RGB(255, 0, 0));
    metafile_bound = {9000, 15000};  // a poster's print cell
    size_t before = bench::peak_memory();
    _bmap* b = _emf_load(path.c_str(), 1);
    if (!b) return 2;
    size_t after = bench::peak_memory();
    long long beyond = ((long long)after - (long long)before - (long long)b->size) / (1024 * 1024);
    printf("size %dx%d corner %06x middle %06x beyond %lld\n", b->width, b->height, rgb_at(b, 1, 1),
           rgb_at(b, 4500, 7500), beyond);
    return 0;
}

// A metafile is drawn no larger than what can be shown: the screen, or the
// print cell printing sets, whatever its header's units per inch ask for.
// Loaded whole (to be saved) it keeps its own size, held only to what a
// picture may take.
TEST(Metafile, APictureIsDrawnNoLargerThanCanBeShown)
{
    bench::scratch_dir dir;
    bench::write_file(dir.file("three.wmf"), placeable(200, 200, 3, wmf_body(200, 200, RGB(0, 0, 255))));
    bench::write_file(dir.file("plain.wmf"), placeable(200, 100, 96, wmf_body(200, 100, RGB(0, 0, 255))));
    bench::write_file(dir.file("large.wmf"), placeable(2000, 1000, 96, wmf_body(2000, 1000, RGB(0, 0, 255))));
    bench::write_file(dir.file("long.wmf"), placeable(32000, 10, 24, wmf_body(32000, 10, RGB(0, 0, 255))));
    write_emf(dir.file("wide.emf"), RECT{0, 0, 5000, 2500}, RGB(0, 0, 255));
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    enum { SHOWN, WHOLE };
    struct row {
        const char* name;
        double scale;
        metafile_bound_record bound;
        int width, height;
        int load = SHOWN;
    };
    const row rows[] = {
        {"three.wmf", 1, {0, 0}, std::min(sw, sh), std::min(sw, sh)},  // 6400 x 6400 asked for
        {"three.wmf", 0.01, {0, 0}, 64, 64},
        {"three.wmf", 1, {300, 200}, 200, 200},
        {"plain.wmf", 1, {0, 0}, 200, 100},
        {"wide.emf", 1, {0, 0}, std::min(sw, sh * 2), std::min(sw, sh * 2) / 2},
        {"large.wmf", 1, {0, 0}, 2000, 1000, WHOLE},
        {"large.wmf", 1, {300, 200}, 2000, 1000, WHOLE},
        {"long.wmf", 1, {0, 0}, 65535, 20, WHOLE},  // 128000 x 40 asked for
    };
    metafile_bound_record keep = metafile_bound;
    for (const row& r : rows) {
        metafile_bound = r.bound;
        std::string path = dir.file(r.name);
        _bmap* b = r.load == SHOWN ? _bmap_load(path.c_str(), 0, r.scale) : wmf_load_whole(path.c_str());
        metafile_bound = keep;
        ASSERT_NE(b, nullptr) << r.name;
        EXPECT_NEAR(b->width, r.width, 1) << r.name << " at " << r.scale;
        EXPECT_NEAR(b->height, r.height, 1) << r.name << " at " << r.scale;
        EXPECT_EQ(rgb_at(b, b->width / 2, b->height / 2), 0x0000ffu) << r.name;
        _bmap_delete(b);
    }
}

TEST(Metafile, HugeRenderHoldsOneCopy)
{
    bench::child_result r = bench::run_child("huge_metafile_render", 120000);
    ASSERT_FALSE(r.timed_out);
    ASSERT_EQ(r.exit_code, 0u) << r.output;
    int w = 0, h = 0;
    unsigned corner = 0, middle = 0;
    long long beyond = -1;
    const char* line = strstr(r.output.c_str(), "size ");
    ASSERT_NE(line, nullptr) << r.output;
    ASSERT_EQ(sscanf(line, "size %dx%d corner %x middle %x beyond %lld", &w, &h, &corner, &middle, &beyond), 5);
    EXPECT_GE(w, 8999);
    EXPECT_GE(h, 14999);
    EXPECT_EQ(middle, 0xff0000u);
    EXPECT_LT(beyond, 64) << "MB held beyond the image: " << r.output;
}
