// The _bmap image: row padding, header bytes, the live counter, size refusal
// and colour counting.
#include "graphics/kavtrel.h"
#include "tests/graphics/image_fixtures.h"
#include <gtest/gtest.h>

using namespace fixtures;

TEST(Bmap, RowsArePaddedToFourBytes)
{
    const int strides[] = {4, 8, 12, 12, 16};
    for (int w = 1; w <= 5; w++) {
        _bmap b(w, 3);
        EXPECT_EQ(b.stride, strides[w - 1]) << "width " << w;
        EXPECT_EQ(b.size, strides[w - 1] * 3);
    }
}

TEST(Bmap, HeaderIsTopDown24BitWithScreenResolution)
{
    _bmap b(7, 5);
    const BITMAPINFOHEADER& h = b.header;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 7);
    EXPECT_EQ(h.biHeight, -5);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biCompression, (DWORD)BI_RGB);
    EXPECT_EQ(h.biSizeImage, 0u);
    EXPECT_EQ(h.biXPelsPerMeter, 3780);  // 96 dpi
    EXPECT_EQ(h.biYPelsPerMeter, 3780);
    EXPECT_EQ(h.biClrUsed, 0u);
    EXPECT_EQ(h.biClrImportant, 0u);
    EXPECT_EQ(b.bpp, 24);
    EXPECT_EQ(b.not_owner, 0);
}

TEST(Bmap, LiveCounterFollowsOwnedPixels)
{
    int before = bmap_live_count;
    _bmap* a = bmap_new(4, 4);
    _bmap* b = bmap_new(4, 4);
    EXPECT_EQ(bmap_live_count, before + 2);
    _bmap_delete(a);
    EXPECT_EQ(bmap_live_count, before + 1);
    // Pixels taken over by another object are neither freed nor uncounted here.
    BYTE* pixels = b->pixels;
    b->not_owner = 1;
    _bmap_delete(b);
    EXPECT_EQ(bmap_live_count, before + 1);
    free(pixels);
    bmap_live_count--;
}

TEST(Bmap, OverflowingSizesAreRefusedBeforeAllocation)
{
    EXPECT_FALSE(bmap_size_ok(65536, 65536));
    EXPECT_FALSE(bmap_size_ok(0, 5));
    EXPECT_FALSE(bmap_size_ok(5, -1));
    EXPECT_FALSE(bmap_size_ok(20000, 20000));  // 1.2 GB
    EXPECT_TRUE(bmap_size_ok(4000, 3000));
    int before = bmap_live_count;
    EXPECT_EQ(bmap_new(65536, 65536), nullptr);
    EXPECT_EQ(bmap_new(-3, 4), nullptr);
    EXPECT_EQ(bmap_live_count, before);
}

// Whether the pages of a pixel array still belong to the process.
static bool committed(const void* p)
{
    MEMORY_BASIC_INFORMATION m;
    return VirtualQuery(p, &m, sizeof m) && m.State == MEM_COMMIT;
}

TEST(Bmap, FreedLargePixelsServeTheNextImagesUntilTheProgramGoesIdle)
{
    // A run of large images of one size writes the same pages, never fresh
    // ones; idle time gives them back.
    _bmap* a = bmap_new(2000, 1500);
    BYTE* pixels = a->pixels;
    _bmap_delete(a);
    EXPECT_TRUE(committed(pixels));
    _bmap* b = bmap_new(2000, 1500);
    EXPECT_EQ(b->pixels, pixels);
    _bmap_delete(b);
    EXPECT_TRUE(committed(pixels));
    _settle();
    EXPECT_FALSE(committed(pixels)) << "idle time keeps them";
    // The viewer holds them for the picture it prepares in idle time.
    bmap_keep_spare(1);
    a = bmap_new(2000, 1500);
    pixels = a->pixels;
    _bmap_delete(a);
    _settle();
    b = bmap_new(2000, 1500);
    EXPECT_EQ(b->pixels, pixels);
    _bmap_delete(b);
    bmap_keep_spare(0);
    EXPECT_FALSE(committed(pixels));
}

TEST(Bmap, CountColoursNegatesAllGreyImages)
{
    _bmap* grey = bmap_new(5, 2);
    _bmap* colour = bmap_new(5, 2);
    const uint32_t greys[] = {0x000000, 0x404040, 0x808080, 0xc0c0c0, 0xffffff};
    const uint32_t colours[] = {0xff0000, 0x00ff00, 0x0000ff, 0x808080, 0x123456};
    for (int y = 0; y < 2; y++) {
        // The padding byte of each 15-byte row holds junk that must not count.
        grey->pixels[y * grey->stride + 15] = 0x7f;
        colour->pixels[y * colour->stride + 15] = 0x7f;
        for (int x = 0; x < 5; x++) {
            set_rgb(grey, x, y, greys[x]);
            set_rgb(colour, x, y, colours[x]);
        }
    }
    EXPECT_EQ(_bmap_count_colors(grey), -5);
    EXPECT_EQ(_bmap_count_colors(colour), 5);
    EXPECT_EQ(_bmap_count_colors(nullptr), 0);
    _bmap_delete(grey);
    _bmap_delete(colour);
}
