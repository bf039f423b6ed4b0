// Reduction and rotation: exact results where they are defined, turned
// results against _bmap_rotate, no read outside the source, and BMP output.
#include "graphics/kavtrel.h"
#include "tests/graphics/image_fixtures.h"
#include "tests/support/bench.h"
#include "tests/support/guard.h"
#include <gtest/gtest.h>
#include <memory>

using namespace fixtures;

namespace {

struct owned {
    _bmap* b;
    explicit owned(_bmap* p) : b(p) {}
    ~owned()
    {
        if (b) _bmap_delete(b);
    }
};

bool same_pixels(const _bmap* a, const _bmap* b)
{
    if (!a || !b || a->width != b->width || a->height != b->height) return false;
    for (int y = 0; y < a->height; y++)
        if (memcmp(a->pixels + (size_t)y * a->stride, b->pixels + (size_t)y * b->stride, (size_t)a->width * 3))
            return false;
    return true;
}

// An image whose pixel array ends exactly at a no-access page.
struct guarded_image {
    _bmap* b;
    BYTE* own_pixels;
    std::unique_ptr<bench::guard_block> block;
    guarded_image(int w, int h) : b(distinct_image(w, h)), own_pixels(b->pixels), block(new bench::guard_block(b->size))
    {
        memcpy(block->data(), own_pixels, b->size);
        b->pixels = block->data();
    }
    ~guarded_image()
    {
        b->pixels = own_pixels;
        _bmap_delete(b);
    }
};

}  // namespace

TEST(Zoom, SizeRuleDropsTheLastRowAtExactMultiples)
{
    owned b(bmap_new(8, 2));
    int w = 0, h = 0;
    ASSERT_EQ(_zoom_size(b.b, 1.0, &w, &h), 1);
    EXPECT_EQ(w, 7);
    EXPECT_EQ(h, 1);
    EXPECT_EQ(_zoom_size(b.b, 0.5, &w, &h), 0);  // 2 rows at 0.5: none left
    owned c(bmap_new(9, 9));
    ASSERT_EQ(_zoom_size(c.b, 0.5, &w, &h), 1);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 4);
}

TEST(Zoom, FactorOneCopiesAllButTheLastRowAndColumn)
{
    owned src(distinct_image(5, 4));
    owned z(_bmap_zoom(src.b, 0, 1.0));
    ASSERT_NE(z.b, nullptr);
    ASSERT_EQ(z.b->width, 4);
    ASSERT_EQ(z.b->height, 3);
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 4; x++) EXPECT_EQ(rgb_at(z.b, x, y), rgb_at(src.b, x, y));
    owned big(_bmap_zoom(src.b, 0, 1.5));
    EXPECT_EQ(big.b, nullptr);
}

TEST(Zoom, QuarterIsTheExactMeanOfEachBlock)
{
    owned src(bmap_new(17, 9));
    for (int y = 0; y < 9; y++)
        for (int x = 0; x < 17; x++) set_rgb(src.b, x, y, (uint32_t)((x * 37 + y * 11) % 256 * 0x10101 ^ (x * y)));
    owned z(_bmap_zoom(src.b, 0, 0.25));
    ASSERT_NE(z.b, nullptr);
    ASSERT_EQ(z.b->width, 4);
    ASSERT_EQ(z.b->height, 2);
    for (int j = 0; j < 2; j++)
        for (int i = 0; i < 4; i++)
            for (int ch = 0; ch < 3; ch++) {
                unsigned sum = 0;
                for (int y = 4 * j; y < 4 * j + 4; y++)
                    for (int x = 4 * i; x < 4 * i + 4; x++) sum += src.b->pixels[y * src.b->stride + 3 * x + ch];
                EXPECT_EQ(z.b->pixels[j * z.b->stride + 3 * i + ch], sum / 16) << i << "," << j;
            }
}

TEST(Zoom, AreaWeightsSumToTheWholeBox)
{
    // A flat picture stays flat at any factor: the edge weights and the
    // normalisation agree to within the final truncation.
    owned src(bmap_new(41, 29));
    for (int y = 0; y < 29; y++)
        for (int x = 0; x < 41; x++) set_rgb(src.b, x, y, 0xc88040);
    for (double f : {0.5, 0.45, 0.3, 0.17, 0.1}) {
        owned z(_bmap_zoom(src.b, 0, f));
        ASSERT_NE(z.b, nullptr) << f;
        for (int y = 0; y < z.b->height; y++)
            for (int x = 0; x < z.b->width; x++) {
                const BYTE* p = z.b->pixels + y * z.b->stride + 3 * x;
                EXPECT_NEAR(p[0], 0x40, 1) << f;
                EXPECT_NEAR(p[1], 0x80, 1) << f;
                EXPECT_NEAR(p[2], 0xc8, 1) << f;
            }
    }
}

TEST(Zoom, ScaleChoosesTheDivisorWithinTolerance)
{
    owned src(distinct_image(31, 22));
    owned by3(_bmap_shrink(src.b, 3, 0));
    owned s(_bmap_scale(0.34, 0.05, src.b));
    EXPECT_TRUE(same_pixels(s.b, by3.b));
    owned area(_bmap_zoom(src.b, 0, 0.5));
    owned half(_bmap_scale(0.5, 0.05, src.b));
    EXPECT_TRUE(same_pixels(half.b, area.b));
    owned by9(_bmap_shrink(src.b, 9, 0));
    owned eighth(_bmap_scale(1.0 / 8, 0.14, src.b));
    EXPECT_TRUE(same_pixels(eighth.b, by9.b));
}

TEST(Rotate, PlacesEveryPixelByTheTurn)
{
    owned src(distinct_image(3, 2));
    src.b->header.biXPelsPerMeter = 1000;
    src.b->header.biYPelsPerMeter = 2000;
    owned ccw(_bmap_rotate(src.b, 90));
    owned cw(_bmap_rotate(src.b, -90));
    owned half(_bmap_rotate(src.b, 180));
    ASSERT_NE(ccw.b, nullptr);
    ASSERT_NE(cw.b, nullptr);
    ASSERT_NE(half.b, nullptr);
    EXPECT_EQ(ccw.b->width, 2);
    EXPECT_EQ(ccw.b->height, 3);
    EXPECT_EQ(ccw.b->header.biXPelsPerMeter, 2000);
    EXPECT_EQ(ccw.b->header.biYPelsPerMeter, 1000);
    EXPECT_EQ(half.b->header.biXPelsPerMeter, 1000);
    for (int y = 0; y < 2; y++)
        for (int x = 0; x < 3; x++) {
            uint32_t c = rgb_at(src.b, x, y);
            EXPECT_EQ(rgb_at(ccw.b, y, 3 - 1 - x), c);  // row w-1-x, column y
            EXPECT_EQ(rgb_at(cw.b, 2 - 1 - y, x), c);   // row x, column h-1-y
            EXPECT_EQ(rgb_at(half.b, 3 - 1 - x, 2 - 1 - y), c);
        }
    EXPECT_EQ(owned(_bmap_rotate(src.b, 270)).b, nullptr);
    EXPECT_EQ(owned(_bmap_rotate(src.b, 45)).b, nullptr);
}

TEST(Rotate, RotationCodesMatchShrinkThenRotate)
{
    owned src(distinct_image(13, 8));
    owned plain(_bmap_shrink(src.b, 2, 0));
    const int codes[] = {1, -1, 2, -2};
    const int angles[] = {90, -90, 180, -180};
    for (int k = 0; k < 4; k++) {
        owned turned(_bmap_shrink(src.b, 2, codes[k]));
        owned expected(_bmap_rotate(plain.b, angles[k]));
        EXPECT_TRUE(same_pixels(turned.b, expected.b)) << "shrink code " << codes[k];
        owned z(_bmap_zoom(src.b, codes[k], 0.3));
        owned z0(_bmap_zoom(src.b, 0, 0.3));
        owned zr(_bmap_rotate(z0.b, angles[k]));
        EXPECT_TRUE(same_pixels(z.b, zr.b)) << "area code " << codes[k];
        owned l(_bmap_zoom(src.b, codes[k], 0.8));
        owned l0(_bmap_zoom(src.b, 0, 0.8));
        owned lr(_bmap_rotate(l0.b, angles[k]));
        EXPECT_TRUE(same_pixels(l.b, lr.b)) << "bilinear code " << codes[k];
    }
}

TEST(Rotate, ScalersNeverReadOutsideTheSource)
{
    const double factors[] = {1, 0.99, 0.75, 0.51, 0.5, 0.34, 0.25, 0.1};
    const int codes[] = {0, 1, -1, 2, -2};
    for (int w = 1; w <= 40; w++) {
        for (int h : {1, 2, 3, 7, 12}) {
            guarded_image g(w, h);
            for (double f : factors)
                for (int code : codes) {
                    _bmap_delete(_bmap_zoom(g.b, code, f));
                    _bmap_delete(_bmap_reduce_bilinear(g.b, code, f));
                }
            for (int n = 1; n <= 5; n++)
                for (int code : codes) _bmap_delete(_bmap_shrink(g.b, n, code));
            for (int angle : {90, -90, 180}) _bmap_delete(_bmap_rotate(g.b, angle));
            _bmap_delete(_bmap_scale(0.34, 0.05, g.b));
        }
    }
    SUCCEED();
}

TEST(BmpOut, SaveAndReloadGiveTheSamePixels)
{
    bench::scratch_dir dir;
    owned src(distinct_image(5, 3));
    src.b->header.biXPelsPerMeter = 2835;
    src.b->header.biYPelsPerMeter = 2836;
    std::string path = dir.file("out.bmp");
    ASSERT_EQ(_bmap_save_bmp(src.b, fopen(path.c_str(), "wb")), 1);
    std::string bytes = bench::read_file(path);
    ASSERT_EQ(bytes.size(), 54u + 3 * 16);
    const BITMAPFILEHEADER* fh = (const BITMAPFILEHEADER*)bytes.data();
    const BITMAPINFOHEADER* ih = (const BITMAPINFOHEADER*)(bytes.data() + 14);
    EXPECT_EQ(fh->bfType, 0x4D42);
    EXPECT_EQ(fh->bfSize, 54u + 48);
    EXPECT_EQ(fh->bfOffBits, 54u);
    EXPECT_EQ(ih->biHeight, 3);  // bottom-up
    EXPECT_EQ(ih->biXPelsPerMeter, 2835);
    // The first stored row is the bottom one.
    EXPECT_EQ(memcmp(bytes.data() + 54, src.b->pixels + 2 * src.b->stride, 15), 0);
    owned back(_bmap_read_bmp(path.c_str()));
    EXPECT_TRUE(same_pixels(back.b, src.b));
    EXPECT_EQ(back.b->header.biYPelsPerMeter, 2836);
}

TEST(BmpOut, FailedWritesReportFailure)
{
    bench::scratch_dir dir;
    owned src(distinct_image(4, 4));
    std::string path = dir.write("readonly.bmp", "x");
    // A stream opened for reading refuses every write.
    EXPECT_EQ(_bmap_save_bmp(src.b, fopen(path.c_str(), "rb")), 0);
    EXPECT_EQ(_bmap_save_bmp(src.b, fopen(dir.file("no\\such\\folder.bmp").c_str(), "wb")), 0);
}

TEST(BmpOut, PackedDibIsBottomUp)
{
    owned src(distinct_image(3, 2));
    size_t size = 0;
    HGLOBAL h = _bmap_to_packed_dib(src.b, &size);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(size, 40u + 2 * 12);
    const BYTE* p = (const BYTE*)GlobalLock(h);
    const BITMAPINFOHEADER* ih = (const BITMAPINFOHEADER*)p;
    EXPECT_EQ(ih->biHeight, 2);
    EXPECT_EQ(ih->biSize, 40u);
    EXPECT_EQ(memcmp(p + 40, src.b->pixels + src.b->stride, 9), 0);
    EXPECT_EQ(memcmp(p + 40 + 12, src.b->pixels, 9), 0);
    GlobalUnlock(h);
    GlobalFree(h);
}
