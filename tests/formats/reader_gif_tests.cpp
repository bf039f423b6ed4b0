// The GIF reader behind ".gif" names: files made by the test's own encoder,
// checked pixel by pixel, and broken ones that must fail without reading
// outside or hanging.
#include "formats/formats.h"
#include "graphics/kavtrel.h"
#include "tests/formats/reader_fixtures.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>

namespace {

using readfix::rgb;

const std::vector<rgb> four = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}};

std::vector<int> pattern(int w, int h, int colours, unsigned seed = 0)
{
    std::vector<int> p((size_t)w * h);
    unsigned v = seed;
    for (size_t i = 0; i < p.size(); i++) {
        if (seed) {
            v = v * 1103515245u + 12345u;
            p[i] = (int)((v >> 16) % colours);
        } else
            p[i] = (int)((i * 7 + i / w) % colours);
    }
    return p;
}

void expect_pixels(const _bmap* b, int w, int h, const std::vector<int>& idx, const std::vector<rgb>& pal)
{
    ASSERT_NE(nullptr, b);
    ASSERT_EQ(w, b->width);
    ASSERT_EQ(h, b->height);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            const BYTE* p = b->pixels + y * b->stride + 3 * x;
            int i = idx[y * w + x];
            rgb c = i < (int)pal.size() ? pal[i] : pal[0];
            ASSERT_EQ(c.b, p[0]) << x << "," << y;
            ASSERT_EQ(c.g, p[1]) << x << "," << y;
            ASSERT_EQ(c.r, p[2]) << x << "," << y;
        }
}

_bmap* load(const bench::scratch_dir& dir, const std::string& bytes, const char* name = "x.gif")
{
    dir.write(name, bytes);
    return load_jpeg_file(dir.file(name).c_str(), 1, 0);
}

TEST(ReaderGif, VersionsAndProbe)
{
    bench::scratch_dir dir;
    for (const char* version : {"87a", "89a", "90z"}) {
        readfix::gif_options o;
        o.version = version;
        o.global = four;
        std::vector<int> idx = pattern(5, 3, 4);
        dir.write("a.gif", readfix::gif(5, 3, idx, o));
        int w = 0, h = 0, xd = -1, yd = -1;
        EXPECT_EQ(1, probe_jpeg_file(dir.file("a.gif").c_str(), &w, &h, &xd, &yd)) << version;
        EXPECT_EQ(5, w);
        EXPECT_EQ(3, h);
        EXPECT_EQ(0, xd);
        _bmap* b = load_jpeg_file(dir.file("a.gif").c_str(), 1, 0);
        expect_pixels(b, 5, 3, idx, four);
        _bmap_delete(b);
    }
}

TEST(ReaderGif, TransparencyLocalTableAndInterlace)
{
    bench::scratch_dir dir;
    readfix::gif_options o;
    o.global = four;
    // Graphic control extension making index 1 transparent: drawn in its table colour.
    o.before_image = std::string("!\xF9\x04\x01\0\0\x01\0", 8) + std::string("!\xFE\x03"
                                                                             "abc\0",
                                                                             7);
    o.aspect = 40;
    std::vector<int> idx = pattern(9, 4, 4);
    _bmap* b = load(dir, readfix::gif(9, 4, idx, o));
    expect_pixels(b, 9, 4, idx, four);
    _bmap_delete(b);

    readfix::gif_options local;
    local.global = four;
    local.local = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}, {13, 14, 15}, {16, 17, 18}};
    idx = pattern(7, 5, 6);
    b = load(dir, readfix::gif(7, 5, idx, local));
    expect_pixels(b, 7, 5, idx, local.local);
    _bmap_delete(b);

    for (int h : {1, 2, 5, 19, 20}) {
        readfix::gif_options il;
        il.global = four;
        il.interlaced = true;
        std::vector<int> rows((size_t)3 * h);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < 3; x++) rows[y * 3 + x] = (y * 3 + x) % 4;
        b = load(dir, readfix::gif(3, h, rows, il));
        expect_pixels(b, 3, h, rows, four);
        _bmap_delete(b);
    }
}

TEST(ReaderGif, LzwGrowthFullTableAndRuns)
{
    bench::scratch_dir dir;
    std::vector<rgb> pal256;
    for (int i = 0; i < 256; i++)
        pal256.push_back({(unsigned char)i, (unsigned char)(255 - i), (unsigned char)(i * 3)});
    // Noise needs well over 4096 codes: with and without clear codes once full.
    std::vector<int> noise = pattern(160, 120, 256, 7);
    for (bool clear : {true, false}) {
        readfix::gif_options o;
        o.global = pal256;
        o.clear_when_full = clear;
        _bmap* b = load(dir, readfix::gif(160, 120, noise, o));
        expect_pixels(b, 160, 120, noise, pal256);
        _bmap_delete(b);
    }
    // One long run: every new code is the one being defined (KwKwK).
    readfix::gif_options o;
    o.global = four;
    std::vector<int> run((size_t)300 * 40, 2);
    _bmap* b = load(dir, readfix::gif(300, 40, run, o));
    expect_pixels(b, 300, 40, run, four);
    _bmap_delete(b);
    // Eleven-bit literal codes reach 2047: past the table they read colour 0.
    o.min_code = 11;
    std::vector<int> wide = {0, 1, 2, 3, 300, 2047, 1, 0};
    b = load(dir, readfix::gif(4, 2, wide, o));
    expect_pixels(b, 4, 2, wide, four);
    _bmap_delete(b);
}

std::string valid_gif(std::vector<int>* idx = nullptr)
{
    readfix::gif_options o;
    o.global = four;
    std::vector<int> p = pattern(40, 30, 4, 3);
    if (idx) *idx = p;
    return readfix::gif(40, 30, p, o);
}

TEST(ReaderGif, BrokenFilesFailWithTheirMessages)
{
    bench::scratch_dir dir;
    int live = bmap_live_count;
    std::string good = valid_gif();
    size_t image = good.find(',', 13 + 12);
    ASSERT_NE(std::string::npos, image);

    struct {
        const char* what;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"not a GIF", "GIX89a" + good.substr(6), "Not a GIF file"},
        {"trailer first", good.substr(0, 13 + 12) + ";", "Too few images in GIF file"},
        {"stray byte", good.substr(0, image) + "\x55" + good.substr(image), "Bogus char 0x55 in GIF file, ignoring"},
        {"cut in the data", good.substr(0, image + 10 + 40), nullptr},
        {"ends after the table", good.substr(0, 13 + 12), nullptr},
        {"ends in the header", good.substr(0, 9), nullptr},
        {"end code early", good.substr(0, image + 11) + std::string("\x01\x2C\0;", 4), "Premature end of GIF image"},
        {"data runs out", good.substr(0, image + 11) + std::string("\x01\x04\0;", 4), "Ran out of GIF bits"},
        {"code past the table", good.substr(0, image + 11) + std::string("\x01\x3C\0;", 4), "Corrupt data in GIF file"},
        {"code size 1", good.substr(0, image + 10) + "\x01" + good.substr(image + 11), nullptr},
        {"code size 12", good.substr(0, image + 10) + "\x0C" + good.substr(image + 11), nullptr},
    };
    for (auto& c : cases) {
        jpeg_last_message[0] = 0;
        EXPECT_EQ(nullptr, load(dir, c.bytes)) << c.what;
        EXPECT_EQ(1, jpeg_bad_input_flag) << c.what;
        if (c.message) { EXPECT_STREQ(c.message, jpeg_last_message) << c.what; }
    }
    EXPECT_EQ(live, bmap_live_count);

    // And a good file still loads afterwards.
    std::vector<int> idx;
    _bmap* b = load(dir, valid_gif(&idx));
    expect_pixels(b, 40, 30, idx, four);
    _bmap_delete(b);
}

}  // namespace
