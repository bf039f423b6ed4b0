// Packed DIBs and BMP files into _bmap: every bit depth the reader takes,
// the header variants, and corrupt headers that must fail without reading
// past their block (the block ends at a no-access page).
#include "graphics/kavtrel.h"
#include "tests/graphics/image_fixtures.h"
#include "tests/support/bench.h"
#include "tests/support/guard.h"
#include <gtest/gtest.h>
#include <climits>
#include <memory>

using namespace fixtures;

namespace {

_bmap* from_guarded(const std::string& dib)
{
    std::unique_ptr<bench::guard_block> g(bench::guard_block::of(dib));
    return _bmap_from_dib(g->data(), g->size());
}

struct owned {
    _bmap* b;
    explicit owned(_bmap* p) : b(p) {}
    ~owned()
    {
        if (b) _bmap_delete(b);
    }
};

uint32_t palette_colour(int i) { return (uint32_t)(0x010203 * (i + 1) + 0x400000); }

dib_fields paletted(int bpp, int w, int h)
{
    dib_fields d;
    d.bpp = (uint16_t)bpp;
    d.width = w;
    d.height = h;
    for (int i = 0; i < (1 << bpp); i++) d.palette.push_back(palette_colour(i));
    d.pixel = [bpp](int x, int y) { return (uint32_t)((x * 3 + y * 5) % (1 << bpp)); };
    return d;
}

void expect_paletted(const _bmap* b, int bpp, int w, int h)
{
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->width, w);
    ASSERT_EQ(b->height, h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            ASSERT_EQ(rgb_at(b, x, y), palette_colour((x * 3 + y * 5) % (1 << bpp))) << x << "," << y;
}

}  // namespace

TEST(Dib, PalettedDepthsReadEveryPixel)
{
    owned one(from_guarded(make_dib(paletted(1, 9, 3))));
    expect_paletted(one.b, 1, 9, 3);
    owned four(from_guarded(make_dib(paletted(4, 5, 3))));
    expect_paletted(four.b, 4, 5, 3);
    owned eight(from_guarded(make_dib(paletted(8, 7, 4))));
    expect_paletted(eight.b, 8, 7, 4);
}

TEST(Dib, BottomUpAndTopDownGiveTheSamePixels)
{
    dib_fields d = paletted(8, 6, 5);
    owned up(from_guarded(make_dib(d)));
    d.height = -5;
    owned down(from_guarded(make_dib(d)));
    expect_paletted(up.b, 8, 6, 5);
    expect_paletted(down.b, 8, 6, 5);
}

TEST(Dib, TrueColourAndResolutionAreCopied)
{
    dib_fields d;
    d.width = 5;
    d.height = 2;
    d.xppm = 2835;
    d.yppm = 0;
    d.pixel = [](int x, int y) { return (uint32_t)(0x112233 * (x + 1) + y); };
    owned b(from_guarded(make_dib(d)));
    ASSERT_NE(b.b, nullptr);
    EXPECT_EQ(rgb_at(b.b, 4, 1), 0x112233u * 5 + 1);
    EXPECT_EQ(rgb_at(b.b, 0, 0), 0x112233u);
    EXPECT_EQ(b.b->header.biXPelsPerMeter, 2835);
    EXPECT_EQ(b.b->header.biYPelsPerMeter, 0);  // a 0 stays 0
}

TEST(Dib, LongerAndOs2HeadersPlaceTheTableRight)
{
    for (uint32_t size : {12u, 108u, 124u}) {
        dib_fields d = paletted(8, 5, 3);
        d.header_size = size;
        owned b(from_guarded(make_dib(d)));
        expect_paletted(b.b, 8, 5, 3);
    }
}

TEST(Dib, UnsupportedDepthsAndCompressionGiveNull)
{
    dib_fields d;
    d.width = 4;
    d.height = 2;
    d.bpp = 16;
    owned b16(from_guarded(make_dib(d)));
    EXPECT_EQ(b16.b, nullptr);
    d.bpp = 32;
    owned b32(from_guarded(make_dib(d)));
    EXPECT_EQ(b32.b, nullptr);
    d.compression = BI_BITFIELDS;
    d.masks = {0xff0000, 0xff00, 0xff};
    owned bf(from_guarded(make_dib(d)));
    EXPECT_EQ(bf.b, nullptr);
    dib_fields r = paletted(8, 4, 2);
    r.compression = BI_RLE8;
    owned rle(from_guarded(make_dib(r)));
    EXPECT_EQ(rle.b, nullptr);
}

TEST(Dib, BitFieldMasksAreSkippedAndChecked)
{
    dib_fields d = bitfield_dib(3, 2);
    std::string dib = make_dib(d);
    dib_layout l;
    ASSERT_TRUE(read_dib_layout(dib.data(), dib.size(), nullptr, 0, &l));
    EXPECT_EQ(l.bits - (const BYTE*)dib.data(), 52);
    d.masks = {0xff0000, 0xff0000, 0xff};  // overlapping
    std::string bad = make_dib(d);
    EXPECT_FALSE(read_dib_layout(bad.data(), bad.size(), nullptr, 0, &l));
}

TEST(Dib, IndicesPastTheTableReadAsBlack)
{
    dib_fields d = paletted(8, 4, 1);
    d.palette.resize(2);
    d.pixel = [](int x, int) { return x == 0 ? 1u : 200u; };
    owned b(from_guarded(make_dib(d)));
    ASSERT_NE(b.b, nullptr);
    EXPECT_EQ(rgb_at(b.b, 0, 0), palette_colour(1));
    EXPECT_EQ(rgb_at(b.b, 3, 0), 0u);
}

TEST(Dib, CorruptHeadersFailWithoutOverrun)
{
    int live = bmap_live_count;
    auto corrupt = [](std::function<void(dib_fields&)> change) {
        dib_fields d = paletted(8, 4, 4);
        change(d);
        return make_dib(d);
    };
    std::vector<std::string> cases = {
        corrupt([](dib_fields& d) { d.width = -4; }),
        corrupt([](dib_fields& d) { d.width = 0; }),
        corrupt([](dib_fields& d) { d.height = INT_MIN; }),
        corrupt([](dib_fields& d) { d.clr_used = 0x40000000; }),
        corrupt([](dib_fields& d) { d.clr_used = 257; }),
        corrupt([](dib_fields& d) {
            d.width = 65536;
            d.height = 65536;
        }),
        corrupt([](dib_fields& d) { d.header_size = 44; }),
        corrupt([](dib_fields& d) {
            d.header_size = 12;
            d.width = 60000;
            d.height = 60000;
        }),
        corrupt([](dib_fields& d) {
            d.bpp = 24;
            d.palette.clear();
            d.width = 0x7fffffff;
            d.height = 3;
        }),
    };
    // Rows cut short and a header cut short.
    std::string full = make_dib(paletted(8, 4, 4));
    cases.push_back(full.substr(0, full.size() - 1));
    cases.push_back(full.substr(0, 30));
    cases.push_back(std::string());
    for (size_t i = 0; i < cases.size(); i++) {
        _bmap* b = from_guarded(cases[i]);
        EXPECT_EQ(b, nullptr) << "case " << i;
        if (b) _bmap_delete(b);
    }
    EXPECT_EQ(bmap_live_count, live);
}

TEST(DibFile, BmpFilesReadThroughTheirOffsets)
{
    bench::scratch_dir dir;
    dib_fields d = paletted(8, 5, 3);
    // Filler between the table and the rows, reached through bfOffBits.
    std::string gap = dir.write("gap.bmp", make_bmp(d, 6));
    owned g(_bmap_read_bmp(gap.c_str()));
    expect_paletted(g.b, 8, 5, 3);

    std::string plain = make_bmp(d);
    std::string bad_magic = plain;
    bad_magic[0] = 'X';
    std::string big_size = plain;
    put32(big_size, 2, (uint32_t)plain.size() + 1);  // bfSize past the end of the file
    std::string tiny_size = plain;
    put32(tiny_size, 2, 10);
    std::string into_header = plain;
    put32(into_header, 10, 20);  // rows inside the header
    std::string past_end = plain;
    put32(past_end, 10, (uint32_t)plain.size() + 100);
    int n = 0;
    for (const std::string* bytes : {&bad_magic, &big_size, &tiny_size, &into_header, &past_end}) {
        std::string path = dir.write("bad" + std::to_string(n++) + ".bmp", *bytes);
        owned b(_bmap_read_bmp(path.c_str()));
        EXPECT_EQ(b.b, nullptr) << path;
    }
    owned missing(_bmap_read_bmp(dir.file("none.bmp").c_str()));
    EXPECT_EQ(missing.b, nullptr);
}
