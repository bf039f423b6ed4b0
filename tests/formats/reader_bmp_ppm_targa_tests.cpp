// The BMP, PPM/PGM and Targa readers behind ".gif" names, and the choice of
// reader by the first byte: valid variants pixel by pixel, malformed ones
// with their exact messages, and claimed sizes too large for the process.
#include "formats/formats.h"
#include "formats/internal.h"  // the readers of GIF-named files, called directly
#include "graphics/kavtrel.h"
#include "tests/formats/reader_fixtures.h"
#include "tests/support/bench.h"
#include "tests/support/guard.h"
#include <gtest/gtest.h>

namespace {

using readfix::rgb;

_bmap* load(const bench::scratch_dir& dir, const std::string& bytes)
{
    dir.write("x.gif", bytes);
    return load_jpeg_file(dir.file("x.gif").c_str(), 1, 0);
}

// Loads must fail with exactly this library or reader message; so must the
// probe, unless only the pixel data is missing.
void expect_failure(const bench::scratch_dir& dir, const std::string& bytes, const char* message,
                    bool probe_fails = true)
{
    int live = bmap_live_count;
    jpeg_last_message[0] = 0;
    EXPECT_EQ(nullptr, load(dir, bytes)) << message;
    EXPECT_STREQ(message, jpeg_last_message);
    int w, h, xd, yd;
    EXPECT_EQ(probe_fails ? 0 : 1, probe_jpeg_file(dir.file("x.gif").c_str(), &w, &h, &xd, &yd)) << message;
    EXPECT_EQ(live, bmap_live_count);
}

void expect_pixel(const _bmap* b, int x, int y, int blue, int green, int red)
{
    const BYTE* p = b->pixels + y * b->stride + 3 * x;
    EXPECT_EQ(blue, p[0]) << x << "," << y;
    EXPECT_EQ(green, p[1]) << x << "," << y;
    EXPECT_EQ(red, p[2]) << x << "," << y;
}

std::string bgr(std::initializer_list<int> v)
{
    std::string s;
    for (int b : v) s += (char)b;
    return s;
}

TEST(ReaderChoice, RowsFitTheGivenArrayExactly)
{
    bench::scratch_dir dir;
    // 5 x 3 colour: rows of 15 bytes padded to 16; the array ends at a guard page.
    std::string ppm = "P6 5 3 255\n" + std::string(45, '\x40');
    dir.write("p.gif", ppm);
    bench::guard_block exact(48);
    FILE* f = fopen(dir.file("p.gif").c_str(), "rb");
    int w = 0, h = 0;
    EXPECT_EQ(3, read_image_with_input_reader(f, &w, &h, exact.data(), 48));
    fclose(f);
    EXPECT_EQ(5, w);
    EXPECT_EQ(3, h);
    EXPECT_EQ(0, exact.data()[15]);
    EXPECT_EQ(0x40, exact.data()[47 - 1]);
    bench::guard_block small(47);
    f = fopen(dir.file("p.gif").c_str(), "rb");
    EXPECT_EQ(0, read_image_with_input_reader(f, &w, &h, small.data(), 47));
    fclose(f);
    // A grey file is widened to three equal samples.
    dir.write("g.gif", "P5 2 1 255\n\x10\x20");
    bench::guard_block grey(8);
    f = fopen(dir.file("g.gif").c_str(), "rb");
    EXPECT_EQ(1, read_image_with_input_reader(f, &w, &h, grey.data(), 8));
    fclose(f);
    EXPECT_EQ(0x20, grey.data()[3]);
    EXPECT_EQ(0x20, grey.data()[5]);
}

TEST(ReaderChoice, FirstByteChoosesTheReader)
{
    bench::scratch_dir dir;
    expect_failure(dir, "\x89PNG\r\n\x1a\n", "Unrecognized input file format --- perhaps you need -targa");
    expect_failure(dir, "", "Empty input file");
    EXPECT_EQ(0, targa_input_flag);
    EXPECT_EQ(nullptr, load_via_input_readers(dir.file("missing.gif").c_str()));
}

TEST(ReaderBmp, DepthsHeadersAndDensity)
{
    bench::scratch_dir dir;
    readfix::bmp_options o;
    std::vector<std::string> rows = {bgr({1, 2, 3, 4, 5, 6, 7, 8, 9}), bgr({10, 11, 12, 13, 14, 15, 16, 17, 18})};
    dir.write("a.gif", readfix::bmp(3, 2, rows, o));
    int w = 0, h = 0, xd = 0, yd = 0;
    EXPECT_EQ(1, probe_jpeg_file(dir.file("a.gif").c_str(), &w, &h, &xd, &yd));
    EXPECT_EQ(3, w);
    EXPECT_EQ(2, h);
    EXPECT_EQ(71, xd);  // 2835 div 100 = 28 per cm, x 2.54 + 0.5, truncated
    EXPECT_EQ(71, yd);
    _bmap* b = load_jpeg_file(dir.file("a.gif").c_str(), 1, 0);
    ASSERT_NE(nullptr, b);
    expect_pixel(b, 0, 0, 1, 2, 3);
    expect_pixel(b, 2, 1, 16, 17, 18);
    EXPECT_EQ(2795, b->header.biXPelsPerMeter);
    _bmap_delete(b);

    o.bits = 32;
    o.header = 64;
    b = load(dir, readfix::bmp(2, 1, {bgr({1, 2, 3, 99, 4, 5, 6, 99})}, o));
    ASSERT_NE(nullptr, b);
    expect_pixel(b, 1, 0, 4, 5, 6);
    _bmap_delete(b);

    // 8 bits with a 16-entry table; index 200 lies past it and reads black.
    readfix::bmp_options pal;
    pal.bits = 8;
    pal.colours_used = 16;
    for (int i = 0; i < 16; i++) pal.palette.push_back({(unsigned char)(i * 10), (unsigned char)i, 7});
    b = load(dir, readfix::bmp(3, 1, {bgr({0, 15, 200})}, pal));
    ASSERT_NE(nullptr, b);
    expect_pixel(b, 0, 0, 7, 0, 0);
    expect_pixel(b, 1, 0, 7, 15, 150);
    expect_pixel(b, 2, 0, 0, 0, 0);
    _bmap_delete(b);

    // OS/2 headers: 8 bits with 256 three-byte entries, and 24 bits.
    readfix::bmp_options os2;
    os2.header = 12;
    os2.bits = 8;
    for (int i = 0; i < 256; i++) os2.palette.push_back({(unsigned char)i, 1, 2});
    b = load(dir, readfix::bmp(2, 2, {bgr({5, 6}), bgr({7, 255})}, os2));
    ASSERT_NE(nullptr, b);
    expect_pixel(b, 0, 0, 2, 1, 5);
    expect_pixel(b, 1, 1, 2, 1, 255);
    EXPECT_NE(0, b->header.biXPelsPerMeter);  // no density: the screen's
    _bmap_delete(b);
    os2.bits = 24;
    os2.palette.clear();
    b = load(dir, readfix::bmp(1, 1, {bgr({9, 8, 7})}, os2));
    ASSERT_NE(nullptr, b);
    expect_pixel(b, 0, 0, 9, 8, 7);
    _bmap_delete(b);
}

TEST(ReaderBmp, RefusedFiles)
{
    bench::scratch_dir dir;
    std::vector<std::string> rows = {bgr({1, 2, 3})};
    auto with = [&](auto change) {
        readfix::bmp_options o;
        change(o);
        return readfix::bmp(1, 1, rows, o);
    };
    std::string good = with([](readfix::bmp_options&) {});
    expect_failure(dir, "BX" + good.substr(2), "Not a BMP file - does not start with BM");
    expect_failure(dir, with([](readfix::bmp_options& o) { o.header = 20; }), "Invalid BMP file: bad header length");
    expect_failure(dir, with([](readfix::bmp_options& o) { o.planes = 2; }),
                   "Invalid BMP file: biPlanes not equal to 1");
    expect_failure(dir, with([](readfix::bmp_options& o) { o.bits = 4; }),
                   "Only 8- and 24-bit BMP files are supported");
    expect_failure(dir, with([](readfix::bmp_options& o) { o.compression = 1; }),
                   "Sorry, compressed BMPs not yet supported");
    expect_failure(dir, with([](readfix::bmp_options& o) { o.top_down = true; }), "Empty BMP image");
    expect_failure(dir, with([](readfix::bmp_options& o) {
                       o.bits = 8;
                       o.colours_used = 300;
                   }),
                   "Unsupported BMP colormap format");
    expect_failure(dir, good.substr(0, good.size() - 2), "Premature end of input file", false);
    expect_failure(dir, good.substr(0, 20), "Premature end of input file");

    // A header claiming 40000 x 40000 over one row neither probes nor loads.
    readfix::bmp_options o;
    std::string huge = readfix::bmp(1, 1, rows, o);
    huge[18] = (char)0x40;
    huge[19] = (char)0x9C;
    huge[22] = (char)0x40;
    huge[23] = (char)0x9C;
    dir.write("huge.gif", huge);
    int w = 0, h = 0, xd, yd;
    EXPECT_EQ(0, probe_jpeg_file(dir.file("huge.gif").c_str(), &w, &h, &xd, &yd));
    EXPECT_EQ(nullptr, load_jpeg_file(dir.file("huge.gif").c_str(), 1, 0));
}

TEST(ReaderPpm, TextRawAndWideSamples)
{
    bench::scratch_dir dir;
    _bmap* b = load(dir, std::string("P6\n2 1\n255\n") + bgr({10, 20, 30, 40, 50, 60}));
    ASSERT_NE(nullptr, b);
    expect_pixel(b, 0, 0, 30, 20, 10);
    expect_pixel(b, 1, 0, 60, 50, 40);
    _bmap_delete(b);

    b = load(dir, "P3\n# a comment\n2 1 # another\n15\n15 0 0  0 7 20\n");
    ASSERT_NE(nullptr, b);
    expect_pixel(b, 0, 0, 0, 0, 255);
    expect_pixel(b, 1, 0, 255, 119, 0);  // 20 is above 15: clamped
    _bmap_delete(b);

    b = load(dir, "P2 3 1 100 0 50 100\n");
    ASSERT_NE(nullptr, b);
    expect_pixel(b, 1, 0, 128, 128, 128);
    expect_pixel(b, 2, 0, 255, 255, 255);
    _bmap_delete(b);

    b = load(dir, std::string("P5 3 1 65535\n") + bgr({0, 0, 0x80, 0x00, 0xFF, 0xFF}));
    ASSERT_NE(nullptr, b);
    expect_pixel(b, 0, 0, 0, 0, 0);
    expect_pixel(b, 1, 0, 128, 128, 128);
    expect_pixel(b, 2, 0, 255, 255, 255);
    _bmap_delete(b);

    // Raw samples above a small maximum are clamped, never looked up past the table.
    b = load(dir, std::string("P5 2 1 3\n") + bgr({3, 250}));
    ASSERT_NE(nullptr, b);
    expect_pixel(b, 1, 0, 255, 255, 255);
    _bmap_delete(b);
    b = load(dir, std::string("P6 1 1 1000\n") + bgr({0xFF, 0xFF, 0, 0, 0x01, 0xF4}));
    ASSERT_NE(nullptr, b);
    expect_pixel(b, 0, 0, 128, 0, 255);
    _bmap_delete(b);

    expect_failure(dir, "P7 1 1 255\n", "Not a PPM/PGM file");
    expect_failure(dir, "P6 0 1 255\n", "Not a PPM/PGM file");
    expect_failure(dir, "P2 x", "Nonnumeric data in PPM file");
    expect_failure(dir, "P3 2 2 255 1 2", "Premature end of input file", false);
    expect_failure(dir, "P6 2 2 255\n\x01\x02", "Premature end of input file", false);

    dir.write("huge.gif", "P6 40000 40000 255\n");
    int w = 0, h = 0, xd, yd;
    EXPECT_EQ(0, probe_jpeg_file(dir.file("huge.gif").c_str(), &w, &h, &xd, &yd));
    EXPECT_EQ(nullptr, load_jpeg_file(dir.file("huge.gif").c_str(), 1, 0));
}

TEST(ReaderPpm, TextFilesEndingInTheirLastSample)
{
    bench::scratch_dir dir;
    // Complete files with no white space after the last sample.
    struct {
        const char* text;
        int x, blue, green, red;
    } cases[] = {
        {"P2 3 1 100 0 50 100", 2, 255, 255, 255},
        {"P2\n1 1\n255\n7", 0, 7, 7, 7},
        {"P3 2 1 255 1 2 3 10 20 30", 1, 30, 20, 10},
    };
    for (auto& c : cases) {
        _bmap* b = load(dir, c.text);
        ASSERT_NE(nullptr, b) << c.text;
        expect_pixel(b, c.x, 0, c.blue, c.green, c.red);
        _bmap_delete(b);
    }
}

TEST(ReaderTarga, TypesOrientationAndRuns)
{
    bench::scratch_dir dir;
    // True colour, bottom-up (the default) and top-down.
    std::string rows = bgr({1, 2, 3, 4, 5, 6}) + bgr({7, 8, 9, 10, 11, 12});
    _bmap* b = load(dir, readfix::tga_header(2, 2, 2, 24, 0) + rows);
    ASSERT_NE(nullptr, b);
    expect_pixel(b, 0, 0, 7, 8, 9);
    expect_pixel(b, 1, 1, 4, 5, 6);
    _bmap_delete(b);
    b = load(dir, readfix::tga_header(2, 2, 2, 24, 0x20) + rows);
    ASSERT_NE(nullptr, b);
    expect_pixel(b, 0, 0, 1, 2, 3);
    _bmap_delete(b);

    // 32 and 16 bits.
    b = load(dir, readfix::tga_header(2, 1, 1, 32, 0x20) + bgr({1, 2, 3, 200}));
    ASSERT_NE(nullptr, b);
    expect_pixel(b, 0, 0, 1, 2, 3);
    _bmap_delete(b);
    b = load(dir, readfix::tga_header(2, 1, 1, 16, 0x20) + bgr({0x1F, 0x7C}));  // red 31, green 0, blue 31
    ASSERT_NE(nullptr, b);
    expect_pixel(b, 0, 0, 255, 0, 255);
    _bmap_delete(b);

    // Run-length true colour: one run crossing the row end, then a literal packet.
    b = load(dir, readfix::tga_header(10, 3, 2, 24, 0x20) + bgr({0x83, 9, 9, 9, 0x01, 1, 2, 3, 4, 5, 6}));
    ASSERT_NE(nullptr, b);
    expect_pixel(b, 2, 0, 9, 9, 9);
    expect_pixel(b, 0, 1, 9, 9, 9);
    expect_pixel(b, 2, 1, 4, 5, 6);
    _bmap_delete(b);

    // Colour-mapped, plain and run-length; index 5 lies past a 2-entry map.
    std::string map = bgr({10, 20, 30, 40, 50, 60});
    b = load(dir, readfix::tga_header(1, 3, 1, 8, 0x20, 1, 2, 24) + map + bgr({1, 0, 5}));
    ASSERT_NE(nullptr, b);
    expect_pixel(b, 0, 0, 40, 50, 60);
    expect_pixel(b, 1, 0, 10, 20, 30);
    expect_pixel(b, 2, 0, 0, 0, 0);
    _bmap_delete(b);
    b = load(dir, readfix::tga_header(9, 3, 1, 8, 0, 1, 2, 24) + map + bgr({0x82, 1}));
    ASSERT_NE(nullptr, b);
    expect_pixel(b, 2, 0, 40, 50, 60);
    _bmap_delete(b);

    // Grey, plain and run-length.
    b = load(dir, readfix::tga_header(3, 2, 1, 8, 0x20) + bgr({0, 77}));
    ASSERT_NE(nullptr, b);
    expect_pixel(b, 1, 0, 77, 77, 77);
    _bmap_delete(b);
    b = load(dir, readfix::tga_header(11, 2, 2, 8, 0) + bgr({0x01, 5, 6, 0x81, 99}));
    ASSERT_NE(nullptr, b);
    expect_pixel(b, 0, 0, 99, 99, 99);
    expect_pixel(b, 1, 1, 6, 6, 6);
    _bmap_delete(b);
}

TEST(ReaderTarga, RefusedFiles)
{
    bench::scratch_dir dir;
    expect_failure(dir, readfix::tga_header(2, 1, 1, 12, 0) + "xx", "Invalid or unsupported Targa file");
    expect_failure(dir, readfix::tga_header(2, 1, 1, 24, 0x40) + "xxx", "Invalid or unsupported Targa file");
    expect_failure(dir, readfix::tga_header(5, 1, 1, 24, 0) + "xxx", "Invalid or unsupported Targa file");
    expect_failure(dir, readfix::tga_header(1, 1, 1, 8, 0) + "x", "Invalid or unsupported Targa file");
    expect_failure(dir, readfix::tga_header(1, 1, 1, 8, 0, 1, 2, 16) + "xxxxx", "Unsupported Targa colormap format");
    expect_failure(dir, readfix::tga_header(1, 1, 1, 8, 0, 1, 300, 24) + "xxxxx", "Unsupported Targa colormap format");
    expect_failure(dir, readfix::tga_header(2, 2, 2, 24, 0) + "xxxxx", "Premature end of input file", false);
    expect_failure(dir, readfix::tga_header(10, 4, 4, 24, 0) + bgr({0x83, 1, 2, 3}), "Premature end of input file",
                   false);
    expect_failure(dir, readfix::tga_header(2, 0, 1, 24, 0), "Invalid or unsupported Targa file");
}

}  // namespace
