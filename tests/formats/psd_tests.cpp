// The Photoshop reader against byte-built files: header rules, the four
// colour modes, raw and PackBits data, and malformed files that must neither
// crash nor read outside their buffers.
#include "formats/formats.h"
#include "formats/internal.h"  // header bytes are checked directly
#include "graphics/kavtrel.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

void be16(std::string& s, unsigned v)
{
    s += (char)(v >> 8);
    s += (char)v;
}
void be32(std::string& s, unsigned long v)
{
    be16(s, (unsigned)(v >> 16));
    be16(s, (unsigned)v);
}

std::string header(unsigned channels, unsigned long height, unsigned long width, unsigned depth, unsigned mode,
                   unsigned version = 1)
{
    std::string s = "8BPS";
    be16(s, version);
    s += std::string(6, '\0');
    be16(s, channels);
    be32(s, height);
    be32(s, width);
    be16(s, depth);
    be16(s, mode);
    return s;
}

// A whole file: header, colour mode data, empty resources and layers, compression, data.
std::string psd(unsigned channels, unsigned long height, unsigned long width, unsigned depth, unsigned mode,
                const std::string& colour_data, unsigned compression, const std::string& data)
{
    std::string s = header(channels, height, width, depth, mode);
    be32(s, colour_data.size());
    s += colour_data;
    be32(s, 4);  // image resources: skipped
    s += "junk";
    be32(s, 0);  // layers and masks
    be16(s, compression);
    if (compression == 1) s += std::string(channels * height * 2, '\x01');  // row byte counts, skipped
    return s + data;
}

// PackBits of one row: repeats for runs of three or more, literals otherwise.
std::string packbits_row(const std::string& row)
{
    std::string out;
    size_t i = 0;
    while (i < row.size()) {
        size_t run = 1;
        while (i + run < row.size() && row[i + run] == row[i] && run < 128) run++;
        if (run >= 3) {
            out += (char)(1 - (int)run);
            out += row[i];
            i += run;
            continue;
        }
        size_t start = i, n = 0;
        while (i < row.size() && n < 128) {
            if (i + 2 < row.size() && row[i] == row[i + 1] && row[i] == row[i + 2]) break;
            i++, n++;
        }
        out += (char)(n - 1);
        out += row.substr(start, n);
    }
    return out;
}

std::string packbits_rows(const std::string& plane, size_t width)
{
    std::string out;
    for (size_t y = 0; y * width < plane.size(); y++) out += packbits_row(plane.substr(y * width, width));
    return out;
}

struct pixel {
    int b, g, r;
};
pixel at(const _bmap* image, int x, int y)
{
    const BYTE* p = image->pixels + y * image->stride + x * 3;
    return {p[0], p[1], p[2]};
}
#define EXPECT_PIXEL(image, x, y, R, G, B)                   \
    do {                                                     \
        pixel px_ = at(image, x, y);                         \
        EXPECT_EQ(px_.r, R) << "red at " << x << "," << y;   \
        EXPECT_EQ(px_.g, G) << "green at " << x << "," << y; \
        EXPECT_EQ(px_.b, B) << "blue at " << x << "," << y;  \
    } while (0)

// Planes of a w x h RGB test pattern.
std::string plane_of(int w, int h, int channel)
{
    std::string s;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) s += (char)(channel == 0 ? x * 10 : channel == 1 ? y * 20 : (x < 3 ? 200 : x * y));
    return s;
}

}  // namespace

TEST(Psd, HeaderRules)
{
    EXPECT_EQ(check_psd_header((const unsigned char*)header(3, 1, 1, 8, 3).data()), 1);
    EXPECT_EQ(check_psd_header((const unsigned char*)header(1, 1, 1, 8, 1).data()), 1);
    EXPECT_EQ(check_psd_header((const unsigned char*)header(1, 1, 1, 8, 2).data()), 1);
    EXPECT_EQ(check_psd_header((const unsigned char*)header(1, 1, 1, 1, 0).data()), 1);
    EXPECT_EQ(check_psd_header((const unsigned char*)header(3, 1, 1, 8, 3, 2).data()), 0);  // version 2
    EXPECT_EQ(check_psd_header((const unsigned char*)header(3, 1, 1, 16, 3).data()), 0);    // 16-bit RGB
    EXPECT_EQ(check_psd_header((const unsigned char*)header(4, 1, 1, 8, 4).data()), 0);     // CMYK
    EXPECT_EQ(check_psd_header((const unsigned char*)header(1, 1, 1, 1, 1).data()), 0);     // 1-bit grey
    EXPECT_EQ(check_psd_header((const unsigned char*)header(1, 1, 1, 8, 0).data()), 0);     // 8-bit bitmap
    std::string bad = header(3, 1, 1, 8, 3);
    bad[0] = '7';
    EXPECT_EQ(check_psd_header((const unsigned char*)bad.data()), 0);
}

TEST(Psd, ProbeReadsSizeAndRejects)
{
    bench::scratch_dir dir;
    // Its planes packed as tightly as PackBits can: all the file needs to hold.
    std::string good = dir.write("a.psd", psd(3, 0x0102, 0x0304, 8, 3, "", 0, std::string(0x0102 * 0x0304 * 3 / 64 + 1, 'x')));
    int w = -1, h = -1;
    EXPECT_EQ(probe_psd_file(good.c_str(), &w, &h), 1);
    EXPECT_EQ(w, 0x0304);
    EXPECT_EQ(h, 0x0102);
    std::string v2 = dir.write("b.psd", header(3, 2, 2, 8, 3, 2));
    EXPECT_EQ(probe_psd_file(v2.c_str(), &w, &h), 0);
    EXPECT_EQ(load_psd_file(v2.c_str()), nullptr);
    std::string cmyk = dir.write("c.psd", psd(4, 2, 2, 8, 4, "", 0, std::string(16, 'x')));
    EXPECT_EQ(load_psd_file(cmyk.c_str()), nullptr);
    std::string deep = dir.write("d.psd", psd(3, 2, 2, 16, 3, "", 0, std::string(24, 'x')));
    EXPECT_EQ(load_psd_file(deep.c_str()), nullptr);
    std::string short_header = dir.write("e.psd", header(3, 2, 2, 8, 3).substr(0, 25));
    EXPECT_EQ(probe_psd_file(short_header.c_str(), &w, &h), 0);
    EXPECT_EQ(load_psd_file(short_header.c_str()), nullptr);
    EXPECT_EQ(probe_psd_file(dir.file("missing.psd").c_str(), &w, &h), 0);
    // A size the image cannot have.
    std::string huge = dir.write("f.psd", psd(1, 0x7FFFFFFF, 0x7FFFFFFF, 8, 1, "", 0, "abc"));
    EXPECT_EQ(probe_psd_file(huge.c_str(), &w, &h), 0);
    EXPECT_EQ(load_psd_file(huge.c_str()), nullptr);
}

TEST(Psd, BitmapWidthTenUsesTwoBytesPerRow)
{
    bench::scratch_dir dir;
    // Row 0: 1010 1010 11|111111 (the last six bits are padding), row 1: all clear.
    std::string data = std::string("\xAA\xFF") + std::string("\x00\x3F", 2);
    for (int compression = 0; compression < 2; compression++) {
        std::string body = compression ? packbits_row(data.substr(0, 2)) + packbits_row(data.substr(2, 2)) : data;
        std::string path = dir.write("bits.psd", psd(1, 2, 10, 1, 0, "", compression, body));
        _bmap* image = load_psd_file(path.c_str());
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->width, 10);
        EXPECT_EQ(image->height, 2);
        for (int x = 0; x < 8; x++) {
            int v = x % 2 == 0 ? 0 : 255;  // a set bit is black
            EXPECT_PIXEL(image, x, 0, v, v, v);
        }
        EXPECT_PIXEL(image, 8, 0, 0, 0, 0);
        EXPECT_PIXEL(image, 9, 0, 0, 0, 0);
        for (int x = 0; x < 10; x++) EXPECT_PIXEL(image, x, 1, 255, 255, 255);
        _bmap_delete(image);
    }
}

TEST(Psd, GreyAndRgbPlanesWithAlphaIgnored)
{
    bench::scratch_dir dir;
    std::string grey = dir.write("g.psd", psd(1, 2, 3, 8, 1, "", 0, "\x01\x02\x03\x04\x05\x06"));
    _bmap* image = load_psd_file(grey.c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_PIXEL(image, 0, 0, 1, 1, 1);
    EXPECT_PIXEL(image, 2, 1, 6, 6, 6);
    _bmap_delete(image);

    const int w = 7, h = 5;
    std::string planes = plane_of(w, h, 0) + plane_of(w, h, 1) + plane_of(w, h, 2) + std::string(w * h, '\x7F');
    std::string rgba = dir.write("rgba.psd", psd(4, h, w, 8, 3, "", 0, planes));
    image = load_psd_file(rgba.c_str());
    ASSERT_NE(image, nullptr);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            EXPECT_PIXEL(image, x, y, (BYTE)(x * 10), (BYTE)(y * 20), (BYTE)(x < 3 ? 200 : x * y));
    _bmap_delete(image);
}

TEST(Psd, PackBitsEqualsItsRawTwin)
{
    bench::scratch_dir dir;
    const int w = 150, h = 4;  // rows wider than one packet, with long runs
    std::string r = plane_of(w, h, 0), g = plane_of(w, h, 1), b = plane_of(w, h, 2);
    std::string raw = dir.write("raw.psd", psd(3, h, w, 8, 3, "", 0, r + g + b));
    std::string packed = packbits_rows(r, w) + packbits_rows(g, w) + packbits_rows(b, w);
    ASSERT_LT(packed.size(), (size_t)3 * w * h);
    std::string rle = dir.write("rle.psd", psd(3, h, w, 8, 3, "", 1, packed));
    _bmap* a = load_psd_file(raw.c_str());
    _bmap* c = load_psd_file(rle.c_str());
    ASSERT_NE(a, nullptr);
    ASSERT_NE(c, nullptr);
    for (int y = 0; y < h; y++)
        EXPECT_EQ(0, memcmp(a->pixels + y * a->stride, c->pixels + y * c->stride, w * 3)) << "row " << y;
    _bmap_delete(a);
    _bmap_delete(c);
}

TEST(Psd, IndexedLooksUpTheThreeTableParts)
{
    bench::scratch_dir dir;
    std::string table(768, '\0');
    table[0] = 11, table[256] = 22, table[512] = 33;
    table[5] = 44, table[256 + 5] = 55, table[512 + 5] = 66;
    table[255] = (char)250, table[511] = (char)251, table[767] = (char)252;
    std::string path = dir.write("i.psd", psd(1, 1, 3, 8, 2, table, 0, std::string("\x00\x05\xFF", 3)));
    _bmap* image = load_psd_file(path.c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_PIXEL(image, 0, 0, 11, 22, 33);
    EXPECT_PIXEL(image, 1, 0, 44, 55, 66);
    EXPECT_PIXEL(image, 2, 0, 250, 251, 252);
    _bmap_delete(image);
}

TEST(Psd, MalformedFilesFailOrStopSafely)
{
    bench::scratch_dir dir;
    int live = bmap_live_count;
    // Indexed files need the whole 768-byte colour table.
    std::string short_table = dir.write("s.psd", psd(1, 1, 3, 8, 2, std::string(100, 'x'), 0, "abc"));
    EXPECT_EQ(load_psd_file(short_table.c_str()), nullptr);
    std::string no_table = dir.write("n.psd", psd(1, 1, 3, 8, 2, "", 0, "abc"));
    EXPECT_EQ(load_psd_file(no_table.c_str()), nullptr);

    // A colour-data length beyond the end of the file is refused before any allocation.
    std::string lying = header(1, 1, 3, 8, 1);
    be32(lying, 0xFFFFFFF0ul);
    lying += "abc";
    EXPECT_EQ(load_psd_file(dir.write("l.psd", lying).c_str()), nullptr);
    EXPECT_EQ(bmap_live_count, live);

    // Repeat packets that run past the last plane stop at the plane's end
    // (unbounded, these would write a megabyte past the 16-byte image).
    std::string overrun = std::string("\x02\x01\x02\x03", 4);
    for (int i = 0; i < 10000; i++) overrun += std::string(i == 0 ? "\x81\x09" : "\x81\x07", 2);
    std::string path = dir.write("o.psd", psd(1, 2, 2, 8, 1, "", 1, overrun));
    _bmap* image = load_psd_file(path.c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_PIXEL(image, 0, 0, 1, 1, 1);
    EXPECT_PIXEL(image, 1, 0, 2, 2, 2);
    EXPECT_PIXEL(image, 0, 1, 3, 3, 3);
    EXPECT_PIXEL(image, 1, 1, 9, 9, 9);
    _bmap_delete(image);

    // A file cut inside the data keeps what was decoded; the rest is black, not garbage.
    const int w = 4, h = 4;
    std::string planes = std::string(w * h, '\x10') + std::string(w * h, '\x20') + std::string(w * h, '\x30');
    std::string cut = dir.write("c.psd", psd(3, h, w, 8, 3, "", 0, planes.substr(0, w * h + 6)));
    image = load_psd_file(cut.c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_PIXEL(image, 0, 0, 0x10, 0x20, 0);
    EXPECT_PIXEL(image, 1, 1, 0x10, 0x20, 0);
    EXPECT_PIXEL(image, 2, 1, 0x10, 0, 0);
    EXPECT_PIXEL(image, 3, 3, 0x10, 0, 0);
    _bmap_delete(image);
    EXPECT_EQ(bmap_live_count, live);
}

TEST(Psd, LoadsThroughTheImageHooks)
{
    bench::scratch_dir dir;
    std::string path = dir.write("hook.pdd", psd(1, 1, 2, 8, 1, "", 0, "\x05\x06"));
    scoped_restore keep_hooks(image_format_hooks);
    image_format_hooks.probe_psd = probe_psd_file;
    image_format_hooks.load_psd = load_psd_file;
    int w = 0, h = 0, x = -1, y = -1;
    EXPECT_EQ(_image_info(path.c_str(), &w, &h, &x, &y), 1);
    EXPECT_EQ(w, 2);
    EXPECT_EQ(x, 0);  // no resolution in the probe
    _bmap* image = _bmap_load(path.c_str(), 0, 1.0);
    ASSERT_NE(image, nullptr);
    EXPECT_PIXEL(image, 1, 0, 6, 6, 6);
    _bmap_delete(image);
}

TEST(Psd, PackBitsHeaderMinus128IsANoOp)
{
    bench::scratch_dir dir;
    // -128 carries no data; the packets around it decode as if it were absent.
    std::string data = std::string("\x80\x01\x0A\x0B\x80\x80\xFF\x0C", 8);
    std::string path = dir.write("noop.psd", psd(1, 1, 4, 8, 1, "", 1, data));
    _bmap* image = load_psd_file(path.c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_PIXEL(image, 0, 0, 0x0A, 0x0A, 0x0A);
    EXPECT_PIXEL(image, 1, 0, 0x0B, 0x0B, 0x0B);
    EXPECT_PIXEL(image, 2, 0, 0x0C, 0x0C, 0x0C);
    EXPECT_PIXEL(image, 3, 0, 0x0C, 0x0C, 0x0C);
    _bmap_delete(image);
}
