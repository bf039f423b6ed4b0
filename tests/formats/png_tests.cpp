// PNG reading and writing against files made and inspected with libpng and
// zlib: every colour kind, background compositing, resolution, and the
// writers' depths, palette order, grey weights and row filters.
#include "formats/formats.h"
#include "graphics/kavtrel.h"
#include "tests/support/bench.h"
#include "tests/formats/pixel_fixtures.h"
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

// Writes a PNG with libpng; `extra` adds chunks between the header and the data.
bool write_fixture(const std::string& path, int w, int h, int depth, int colour_type,
                   const std::vector<std::string>& rows, const std::function<void(png_structp, png_infop)>& extra = {},
                   int interlace = PNG_INTERLACE_NONE)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, w, h, depth, colour_type, interlace, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (extra) extra(png, info);
    png_write_info(png, info);
    std::vector<png_bytep> pointers;
    for (const std::string& r : rows) pointers.push_back((png_bytep)r.data());
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    fclose(file);
    return true;
}

struct png_facts {
    bool ok = false;
    png_uint_32 w = 0, h = 0;
    int depth = 0, colour_type = 0;
    std::vector<png_color> palette;
    png_uint_32 xres = 0, yres = 0;
    int unit = -1;
    std::vector<std::string> rows;  // as stored (indices, grey or RGB)
};

png_facts read_fixture(const std::string& path)
{
    png_facts f;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return f;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        fclose(file);
        return f;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    png_get_IHDR(png, info, &f.w, &f.h, &f.depth, &f.colour_type, nullptr, nullptr, nullptr);
    png_colorp pal;
    int n;
    if (png_get_PLTE(png, info, &pal, &n)) f.palette.assign(pal, pal + n);
    png_get_pHYs(png, info, &f.xres, &f.yres, &f.unit);
    if (f.depth < 8) png_set_packing(png);
    png_read_update_info(png, info);
    f.rows.assign(f.h, std::string(png_get_rowbytes(png, info), '\0'));
    std::vector<png_bytep> pointers;
    for (std::string& r : f.rows) pointers.push_back((png_bytep)&r[0]);
    png_read_image(png, pointers.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    fclose(file);
    f.ok = true;
    return f;
}

// The concatenated, inflated IDAT data of a PNG file.
std::string inflated_idat(const std::string& bytes)
{
    std::string z;
    for (size_t pos = 8; pos + 12 <= bytes.size();) {
        size_t len = (unsigned char)bytes[pos] << 24 | (unsigned char)bytes[pos + 1] << 16 |
                     (unsigned char)bytes[pos + 2] << 8 | (unsigned char)bytes[pos + 3];
        if (bytes.compare(pos + 4, 4, "IDAT") == 0) z += bytes.substr(pos + 8, len);
        pos += 12 + len;
    }
    std::string out(1 << 20, '\0');
    uLongf size = out.size();
    if (uncompress((Bytef*)&out[0], &size, (const Bytef*)z.data(), z.size()) != Z_OK) return "";
    out.resize(size);
    return out;
}

// An image of `colours` distinct colours, one per pixel in scan order, then repeated.
_bmap* image_with_colours(int colours, int w = 20, int h = 20)
{
    _bmap* image = bmap_new(w, h);
    for (int i = 0; i < w * h; i++) {
        int c = i % colours;
        put(image, i % w, i / w, c & 0xFF, (c >> 8) * 40, 7);
    }
    return image;
}

}  // namespace

TEST(Png, SignatureMismatchFailsQuietly)
{
    bench::scratch_dir dir;
    std::string jpeg =
        dir.write("photo.png", std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01", 18));
    int w = -1, h = -1, x = -1, y = -1;
    EXPECT_EQ(probe_png_file(jpeg.c_str(), &w, &h, &x, &y), 0);
    EXPECT_EQ(load_png_file(jpeg.c_str()), nullptr);
    EXPECT_EQ(probe_png_file(dir.file("none.png").c_str(), &w, &h, &x, &y), 0);
    EXPECT_EQ(load_png_file(dir.write("empty.png", "").c_str()), nullptr);

    // A header claiming 40000 x 40000 (checksum kept valid) fails before any allocation.
    std::string small = dir.file("small.png");
    ASSERT_TRUE(write_fixture(small, 1, 1, 8, PNG_COLOR_TYPE_GRAY, {std::string(1, '\x40')}));
    std::string bytes = bench::read_file(small);
    for (int i = 0; i < 2; i++) bytes.replace(16 + 4 * i, 4, std::string("\x00\x00\x9C\x40", 4));
    uLong crc = crc32(0, (const Bytef*)bytes.data() + 12, 17);
    for (int i = 0; i < 4; i++) bytes[29 + i] = (char)(crc >> (24 - 8 * i));
    int live = bmap_live_count;
    EXPECT_EQ(load_png_file(dir.write("huge.png", bytes).c_str()), nullptr);
    EXPECT_EQ(bmap_live_count, live);
}

TEST(Png, ResolutionWithAndWithoutPhys)
{
    bench::scratch_dir dir;
    std::vector<std::string> rows(2, std::string(9, '\x40'));
    std::string with = dir.file("with.png"), without = dir.file("without.png");
    ASSERT_TRUE(write_fixture(with, 3, 2, 8, PNG_COLOR_TYPE_RGB, rows, [](png_structp p, png_infop i) {
        png_set_pHYs(p, i, 3780, 11811, PNG_RESOLUTION_METER);
    }));
    ASSERT_TRUE(write_fixture(without, 3, 2, 8, PNG_COLOR_TYPE_RGB, rows));
    int w = 0, h = 0, x = -1, y = -1;
    EXPECT_EQ(probe_png_file(with.c_str(), &w, &h, &x, &y), 1);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(x, 96);
    EXPECT_EQ(y, 300);
    EXPECT_EQ(probe_png_file(without.c_str(), &w, &h, &x, &y), 1);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);

    _bmap* a = load_png_file(with.c_str());
    _bmap* b = load_png_file(without.c_str());
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->header.biXPelsPerMeter, 3780);
    EXPECT_EQ(a->header.biYPelsPerMeter, 11811);
    EXPECT_EQ(b->header.biXPelsPerMeter, 0);
    EXPECT_EQ(b->header.biYPelsPerMeter, 0);
    _bmap_delete(a);
    _bmap_delete(b);
}

TEST(Png, GreyDepthsLoadAsEqualChannels)
{
    bench::scratch_dir dir;
    std::string g16 = dir.file("g16.png"), g2 = dir.file("g2.png");
    ASSERT_TRUE(write_fixture(g16, 2, 1, 16, PNG_COLOR_TYPE_GRAY, {std::string("\x12\x34\xFF\x00", 4)}));
    ASSERT_TRUE(write_fixture(g2, 4, 1, 2, PNG_COLOR_TYPE_GRAY, {std::string("\x1B", 1)}));  // 0 1 2 3
    _bmap* image = load_png_file(g16.c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(at(image, 0, 0), (rgb{0x12, 0x12, 0x12}));
    EXPECT_EQ(at(image, 1, 0), (rgb{0xFF, 0xFF, 0xFF}));
    _bmap_delete(image);
    image = load_png_file(g2.c_str());
    ASSERT_NE(image, nullptr);
    for (int x = 0; x < 4; x++) EXPECT_EQ(at(image, x, 0), (rgb{85 * x, 85 * x, 85 * x}));
    _bmap_delete(image);
}

TEST(Png, TransparencyTakesTheBackground)
{
    bench::scratch_dir dir;
    // Palette with tRNS: index 0 fully transparent.
    std::string pal = dir.file("pal.png");
    ASSERT_TRUE(write_fixture(pal, 2, 1, 8, PNG_COLOR_TYPE_PALETTE, {std::string("\x00\x01", 2)},
                              [](png_structp p, png_infop i) {
                                  static png_color colours[2] = {{1, 2, 3}, {200, 100, 50}};
                                  static png_byte alpha[1] = {0};
                                  png_set_PLTE(p, i, colours, 2);
                                  png_set_tRNS(p, i, alpha, 1, nullptr);
                              }));
    _bmap* image = load_png_file(pal.c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(at(image, 0, 0), (rgb{255, 255, 255}));
    EXPECT_EQ(at(image, 1, 0), (rgb{200, 100, 50}));
    _bmap_delete(image);

    // RGBA: transparent over white without bKGD, over the bKGD colour with it.
    std::vector<std::string> rows = {std::string("\x0A\x0B\x0C\x00\xC8\x64\x32\xFF", 8)};
    std::string plain = dir.file("rgba.png"), background = dir.file("rgba-bkgd.png");
    ASSERT_TRUE(write_fixture(plain, 2, 1, 8, PNG_COLOR_TYPE_RGB_ALPHA, rows));
    ASSERT_TRUE(write_fixture(background, 2, 1, 8, PNG_COLOR_TYPE_RGB_ALPHA, rows, [](png_structp p, png_infop i) {
        png_color_16 bg = {0, 10, 20, 30, 0};
        png_set_bKGD(p, i, &bg);
    }));
    image = load_png_file(plain.c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->stride, 8);
    EXPECT_EQ(at(image, 0, 0), (rgb{255, 255, 255}));
    EXPECT_EQ(at(image, 1, 0), (rgb{200, 100, 50}));
    _bmap_delete(image);
    image = load_png_file(background.c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(at(image, 0, 0), (rgb{10, 20, 30}));
    EXPECT_EQ(at(image, 1, 0), (rgb{200, 100, 50}));
    _bmap_delete(image);

    // Grey with alpha: 100 at half alpha over a grey background of 50.
    std::string ga = dir.file("ga.png");
    ASSERT_TRUE(write_fixture(ga, 1, 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA, {std::string("\x64\x80", 2)},
                              [](png_structp p, png_infop i) {
                                  png_color_16 bg = {0, 0, 0, 0, 50};
                                  png_set_bKGD(p, i, &bg);
                              }));
    image = load_png_file(ga.c_str());
    ASSERT_NE(image, nullptr);
    rgb c = at(image, 0, 0);
    EXPECT_NEAR(c.r, 75, 1);
    EXPECT_EQ(c.r, c.g);
    EXPECT_EQ(c.g, c.b);
    _bmap_delete(image);
}

TEST(Png, InterlacedAndTruncated)
{
    bench::scratch_dir dir;
    const int w = 13, h = 11;
    std::vector<std::string> rows;
    for (int y = 0; y < h; y++) {
        std::string r;
        for (int x = 0; x < w; x++) r += std::string{(char)(x * 19), (char)(y * 23), (char)(x ^ y)};
        rows.push_back(r);
    }
    std::string adam7 = dir.file("adam7.png");
    ASSERT_TRUE(write_fixture(adam7, w, h, 8, PNG_COLOR_TYPE_RGB, rows, {}, PNG_INTERLACE_ADAM7));
    _bmap* image = load_png_file(adam7.c_str());
    ASSERT_NE(image, nullptr);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) EXPECT_EQ(at(image, x, y), (rgb{(x * 19) & 0xFF, (y * 23) & 0xFF, x ^ y}));
    _bmap_delete(image);

    // The same file cut inside its image data: the header still probes, the load fails.
    std::string bytes = bench::read_file(adam7);
    size_t idat = bytes.find("IDAT");
    ASSERT_NE(idat, std::string::npos);
    std::string cut = dir.write("cut.png", bytes.substr(0, idat + 4 + 40));
    int live = bmap_live_count;
    int pw, ph, px, py;
    EXPECT_EQ(probe_png_file(cut.c_str(), &pw, &ph, &px, &py), 1);
    EXPECT_EQ(load_png_file(cut.c_str()), nullptr);
    EXPECT_EQ(bmap_live_count, live);
}

TEST(Png, PaletteWriterDepthsAndLimit)
{
    bench::scratch_dir dir;
    struct {
        int colours, depth;
    } cases[] = {{1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 4}, {16, 4}, {17, 8}, {256, 8}};
    for (auto c : cases) {
        _bmap* image = image_with_colours(c.colours);
        image->header.biXPelsPerMeter = 2835;
        image->header.biYPelsPerMeter = 3780;
        std::string path = dir.file("p" + std::to_string(c.colours) + ".png");
        EXPECT_EQ(save_png_palette(path.c_str(), image), c.depth) << c.colours << " colours";
        png_facts f = read_fixture(path);
        ASSERT_TRUE(f.ok);
        EXPECT_EQ(f.depth, c.depth);
        EXPECT_EQ(f.colour_type, PNG_COLOR_TYPE_PALETTE);
        EXPECT_EQ(f.palette.size(), (size_t)1 << c.depth);
        EXPECT_EQ(f.unit, PNG_RESOLUTION_METER);
        EXPECT_EQ(f.xres, 2835u);
        EXPECT_EQ(f.yres, 3780u);
        _bmap* back = load_png_file(path.c_str());
        ASSERT_NE(back, nullptr);
        for (int y = 0; y < image->height; y++)
            EXPECT_EQ(0, memcmp(back->pixels + y * back->stride, image->pixels + y * image->stride, image->width * 3));
        _bmap_delete(back);
        _bmap_delete(image);
    }
    _bmap* many = image_with_colours(257);
    std::string path = dir.file("many.png");
    EXPECT_EQ(save_png_palette(path.c_str(), many), 0);
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(save_png_rgb(path.c_str(), many), 1);
    _bmap_delete(many);
}

TEST(Png, PaletteInOrderOfFirstAppearance)
{
    bench::scratch_dir dir;
    _bmap* image = bmap_new(3, 2);
    put(image, 0, 0, 9, 9, 9);
    put(image, 1, 0, 200, 0, 0);
    put(image, 2, 0, 9, 9, 9);
    put(image, 0, 1, 0, 0, 255);
    put(image, 1, 1, 200, 0, 0);
    put(image, 2, 1, 0, 77, 0);
    std::string path = dir.file("order.png");
    ASSERT_EQ(save_png_palette(path.c_str(), image), 2);
    png_facts f = read_fixture(path);
    ASSERT_TRUE(f.ok);
    ASSERT_EQ(f.palette.size(), 4u);
    int expected[4][3] = {{9, 9, 9}, {200, 0, 0}, {0, 0, 255}, {0, 77, 0}};
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(f.palette[i].red, expected[i][0]);
        EXPECT_EQ(f.palette[i].green, expected[i][1]);
        EXPECT_EQ(f.palette[i].blue, expected[i][2]);
    }
    EXPECT_EQ(f.rows[0], std::string("\x00\x01\x00", 3));
    EXPECT_EQ(f.rows[1], std::string("\x02\x01\x03", 3));
    _bmap_delete(image);
}

TEST(Png, GreyAndRgbWritersStoreWhatIsExpected)
{
    bench::scratch_dir dir;
    _bmap* image = bmap_new(4, 3);
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 4; x++) put(image, x, y, x * 60, y * 100, 33);
    put(image, 0, 0, 255, 0, 0);      // pure red
    put(image, 1, 0, 255, 255, 255);  // white
    put(image, 2, 0, 0, 255, 0);      // pure green
    put(image, 3, 0, 0, 0, 255);      // pure blue
    image->header.biXPelsPerMeter = 3780;
    image->header.biYPelsPerMeter = 3780;

    std::string grey = dir.file("grey.png"), colour = dir.file("rgb.png");
    EXPECT_EQ(save_png_gray(grey.c_str(), image), 1);
    png_facts g = read_fixture(grey);
    ASSERT_TRUE(g.ok);
    EXPECT_EQ(g.colour_type, PNG_COLOR_TYPE_GRAY);
    EXPECT_EQ(g.depth, 8);
    EXPECT_EQ((unsigned char)g.rows[0][0], 53);
    EXPECT_EQ((unsigned char)g.rows[0][1], 255);
    EXPECT_EQ((unsigned char)g.rows[0][2], 182);
    EXPECT_EQ((unsigned char)g.rows[0][3], 18);

    EXPECT_EQ(save_png_rgb(colour.c_str(), image), 1);
    png_facts c = read_fixture(colour);
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.colour_type, PNG_COLOR_TYPE_RGB);
    EXPECT_EQ(c.rows[0].substr(0, 6), std::string("\xFF\x00\x00\xFF\xFF\xFF", 6));  // stored red first
    EXPECT_EQ(c.unit, PNG_RESOLUTION_METER);
    EXPECT_EQ(c.xres, 3780u);

    // No row filter: every row of every writer starts with filter byte 0.
    for (const std::string& path : {grey, colour}) {
        std::string data = inflated_idat(bench::read_file(path));
        size_t row = 1 + (path == grey ? 4 : 12);
        ASSERT_EQ(data.size(), row * 3) << path;
        for (int y = 0; y < 3; y++) EXPECT_EQ(data[y * row], 0) << path << " row " << y;
    }
    std::string pal = dir.file("pal.png");
    ASSERT_GT(save_png_palette(pal.c_str(), image), 0);
    std::string data = inflated_idat(bench::read_file(pal));
    ASSERT_EQ(data.size(), 3u * 3);  // 4 pixels of 4 bits = 2 bytes + the filter byte
    for (int y = 0; y < 3; y++) EXPECT_EQ(data[y * 3], 0);

    // A missing folder or an absent image fails.
    std::string nowhere = dir.file("no\\such\\folder.png");
    EXPECT_EQ(save_png_rgb(nowhere.c_str(), image), 0);
    EXPECT_EQ(save_png_gray(nowhere.c_str(), image), 0);
    EXPECT_EQ(save_png_palette(nowhere.c_str(), image), 0);
    EXPECT_EQ(save_png_rgb(colour.c_str(), nullptr), 0);
    _bmap_delete(image);
}

TEST(Png, LoadsThroughTheImageHooks)
{
    bench::scratch_dir dir;
    std::string path = dir.file("hook.PNG");
    ASSERT_TRUE(write_fixture(path, 2, 2, 8, PNG_COLOR_TYPE_GRAY, {"\x10\x20", "\x30\x40"},
                              [](png_structp p, png_infop i) { png_set_pHYs(p, i, 11811, 11811, 1); }));
    scoped_restore keep_hooks(image_format_hooks);
    image_format_hooks.probe_png = probe_png_file;
    image_format_hooks.load_png = load_png_file;
    int w = 0, h = 0, x = 0, y = 0;
    EXPECT_EQ(_image_info(path.c_str(), &w, &h, &x, &y), 1);
    EXPECT_EQ(x, 300);
    _bmap* image = _bmap_load(path.c_str(), 0, 1.0);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(at(image, 1, 1), (rgb{0x40, 0x40, 0x40}));
    _bmap_delete(image);
}
