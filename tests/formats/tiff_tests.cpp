// TIFF reading and writing against files made and inspected with libtiff:
// every photometric and depth the loader takes, the kinds it refuses, both
// resolution units, and the tags and samples the three writers store.
#include "formats/formats.h"
#include "graphics/kavtrel.h"
#include "tests/support/bench.h"
#include "tests/formats/pixel_fixtures.h"
#include "tests/formats/tiff_fixtures.h"
#include <gtest/gtest.h>
#include <tiffio.h>
#include <cstring>

namespace {

rgb grey(int v) { return {v, v, v}; }

tiff_page page(uint32_t w, uint32_t h, uint16_t spp, uint16_t bps, uint16_t photometric, const std::string& row)
{
    tiff_page p;
    p.width = w, p.height = h, p.spp = spp, p.bps = bps, p.photometric = photometric;
    p.rows.assign(h, row);
    return p;
}

_bmap* load_page(const bench::scratch_dir& dir, const tiff_page& p)
{
    std::string path = dir.file("page.tif");
    if (!write_tiff_pages(path, {p})) return nullptr;
    return load_tiff_file(path.c_str());
}

}  // namespace

TEST(Tiff, ResolutionUnits)
{
    bench::scratch_dir dir;
    tiff_page p = page(3, 2, 1, 8, PHOTOMETRIC_MINISBLACK, "abc");
    std::string none = dir.file("none.tif");
    ASSERT_TRUE(write_tiff_pages(none, {p}));
    int w = 0, h = 0, x = -1, y = -1;
    EXPECT_EQ(probe_tiff_file(none.c_str(), &w, &h, &x, &y), 1);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(probe_tiff_file(none.c_str(), &w, &h, nullptr, nullptr), 1);
    _bmap* image = load_tiff_file(none.c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->header.biXPelsPerMeter, 0);
    _bmap_delete(image);

    // Resolutions without their unit say nothing.
    p.extra = [](TIFF* t) {
        TIFFSetField(t, TIFFTAG_XRESOLUTION, 300.0);
        TIFFSetField(t, TIFFTAG_YRESOLUTION, 300.0);
    };
    ASSERT_TRUE(write_tiff_pages(none, {p}));
    EXPECT_EQ(probe_tiff_file(none.c_str(), &w, &h, &x, &y), 1);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);

    struct {
        uint16_t unit;
        float xres, yres;
        int xdpi, ydpi;
        LONG xppm;
    } cases[] = {
        {RESUNIT_CENTIMETER, 118.11f, 47.24f, 300, 120, 11811},
        {RESUNIT_INCH, 72.0f, 71.6f, 72, 72, 2835},
        {RESUNIT_NONE, 72.0f, 72.0f, 0, 0, 0},
        {RESUNIT_CENTIMETER, 4e9f, 4e9f, 1000000, 1000000, 39370079},  // clamped, not undefined
    };
    for (auto c : cases) {
        p.extra = [c](TIFF* t) {
            TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, c.unit);
            TIFFSetField(t, TIFFTAG_XRESOLUTION, c.xres);
            TIFFSetField(t, TIFFTAG_YRESOLUTION, c.yres);
        };
        std::string path = dir.file("res.tif");
        ASSERT_TRUE(write_tiff_pages(path, {p}));
        EXPECT_EQ(probe_tiff_file(path.c_str(), &w, &h, &x, &y), 1);
        EXPECT_EQ(x, c.xdpi) << c.xres;
        EXPECT_EQ(y, c.ydpi) << c.yres;
        image = load_tiff_file(path.c_str());
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->header.biXPelsPerMeter, c.xppm);
        _bmap_delete(image);
    }
}

TEST(Tiff, RgbAndGreyDepths)
{
    bench::scratch_dir dir;
    _bmap* image = load_page(dir, page(2, 1, 3, 8, PHOTOMETRIC_RGB, "\x0A\x14\x1E\xC8\x64\x32"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(at(image, 0, 0), (rgb{10, 20, 30}));
    EXPECT_EQ(at(image, 1, 0), (rgb{200, 100, 50}));
    _bmap_delete(image);

    tiff_page rgba = page(2, 1, 4, 8, PHOTOMETRIC_RGB, std::string("\x0A\x14\x1E\x00\xC8\x64\x32\xFF", 8));
    rgba.extra = [](TIFF* t) {
        uint16_t kinds[1] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, kinds);
    };
    image = load_page(dir, rgba);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(at(image, 0, 0), (rgb{10, 20, 30}));
    EXPECT_EQ(at(image, 1, 0), (rgb{200, 100, 50}));
    _bmap_delete(image);

    for (uint16_t photometric : {PHOTOMETRIC_MINISBLACK, PHOTOMETRIC_MINISWHITE}) {
        bool inverted = photometric == PHOTOMETRIC_MINISWHITE;
        image = load_page(dir, page(3, 1, 1, 8, photometric, std::string("\x00\x40\xFF", 3)));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(at(image, 0, 0), grey(inverted ? 255 : 0));
        EXPECT_EQ(at(image, 1, 0), grey(inverted ? 0xBF : 0x40));
        EXPECT_EQ(at(image, 2, 0), grey(inverted ? 0 : 255));
        _bmap_delete(image);

        image = load_page(dir, page(3, 1, 1, 4, photometric, std::string("\x1E\x50", 2)));  // 1, 14, 5
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(at(image, 0, 0), grey(inverted ? 255 - 17 : 17));
        EXPECT_EQ(at(image, 1, 0), grey(inverted ? 255 - 14 * 17 : 14 * 17));
        EXPECT_EQ(at(image, 2, 0), grey(inverted ? 255 - 5 * 17 : 5 * 17));
        _bmap_delete(image);

        image = load_page(dir, page(10, 1, 1, 1, photometric, std::string("\xA0\x40", 2)));  // 1010000000 01
        ASSERT_NE(image, nullptr);
        int set = inverted ? 0 : 255, clear = inverted ? 255 : 0;
        EXPECT_EQ(at(image, 0, 0), grey(set));
        EXPECT_EQ(at(image, 1, 0), grey(clear));
        EXPECT_EQ(at(image, 2, 0), grey(set));
        EXPECT_EQ(at(image, 8, 0), grey(clear));
        EXPECT_EQ(at(image, 9, 0), grey(set));
        _bmap_delete(image);
    }
}

TEST(Tiff, PaletteMapsOfBothWidths)
{
    bench::scratch_dir dir;
    for (int wide = 0; wide < 2; wide++) {
        for (uint16_t bps : {8, 4}) {
            int n = 1 << bps;
            std::vector<uint16_t> r(n, 0), g(n, 0), b(n, 0);
            uint16_t scale = wide ? 257 : 1;
            r[1] = 10 * scale, g[1] = 20 * scale, b[1] = 30 * scale;
            r[n - 1] = 250 * scale, g[n - 1] = 128 * scale, b[n - 1] = 5 * scale;
            tiff_page p = bps == 8 ? page(2, 1, 1, 8, PHOTOMETRIC_PALETTE, std::string("\x01\xFF", 2))
                                   : page(3, 1, 1, 4, PHOTOMETRIC_PALETTE, std::string("\x1F\x00", 2));
            p.extra = [r, g, b](TIFF* t) mutable { TIFFSetField(t, TIFFTAG_COLORMAP, r.data(), g.data(), b.data()); };
            _bmap* image = load_page(dir, p);
            ASSERT_NE(image, nullptr) << "bps " << bps;
            EXPECT_EQ(at(image, 0, 0), (rgb{10, 20, 30})) << "bps " << bps << " wide " << wide;
            EXPECT_EQ(at(image, 1, 0), (rgb{250, 128, 5})) << "bps " << bps << " wide " << wide;
            if (bps == 4) { EXPECT_EQ(at(image, 2, 0), (rgb{0, 0, 0})); }
            _bmap_delete(image);
        }
    }
}

TEST(Tiff, RefusedKinds)
{
    bench::scratch_dir dir;
    int live = bmap_live_count;
    EXPECT_EQ(load_page(dir, page(2, 1, 3, 16, PHOTOMETRIC_RGB, std::string(12, '\x10'))), nullptr);
    EXPECT_EQ(load_page(dir, page(2, 1, 4, 8, PHOTOMETRIC_SEPARATED, std::string(8, '\x10'))), nullptr);
    EXPECT_EQ(load_page(dir, page(4, 1, 1, 2, PHOTOMETRIC_MINISBLACK, std::string(1, '\x1B'))), nullptr);
    // One-sample RGB would be read three samples per pixel past its scanline.
    EXPECT_EQ(load_page(dir, page(16, 2, 1, 8, PHOTOMETRIC_RGB, std::string(16, '\x10'))), nullptr);
    // Separate planes: a scanline holds one sample of each pixel.
    tiff_page planar = page(16, 2, 3, 8, PHOTOMETRIC_RGB, std::string(16, '\x20'));
    planar.planar = PLANARCONFIG_SEPARATE;
    planar.rows.assign(2 * 3, std::string(16, '\x20'));
    EXPECT_EQ(load_page(dir, planar), nullptr);
    // Tiles cannot be read by scanline.
    std::string tiled = dir.file("tiled.tif");
    ASSERT_TRUE(write_tiled_tiff(tiled, 1, 40, 20, 16));
    int w = 0, h = 0, x, y;
    EXPECT_EQ(probe_tiff_file(tiled.c_str(), &w, &h, &x, &y), 1);
    EXPECT_EQ(w, 40);
    EXPECT_EQ(load_tiff_file(tiled.c_str()), nullptr);
    EXPECT_EQ(load_tiff_file(dir.write("junk.tif", "II*\x00junk").c_str()), nullptr);
    // A directory claiming 40000 x 40000 is refused by the image size check.
    std::string small = dir.file("small.tif");
    ASSERT_TRUE(write_tiff_pages(small, {page(1, 1, 1, 8, PHOTOMETRIC_MINISBLACK, std::string(1, '\x40'))}));
    std::string bytes = bench::read_file(small);
    ASSERT_EQ(bytes.compare(0, 2, "II"), 0);
    size_t ifd = (unsigned char)bytes[4] | (unsigned char)bytes[5] << 8;
    int entries = (unsigned char)bytes[ifd] | (unsigned char)bytes[ifd + 1] << 8, patched = 0;
    for (int i = 0; i < entries; i++) {
        size_t e = ifd + 2 + 12 * i;
        int tag = (unsigned char)bytes[e] | (unsigned char)bytes[e + 1] << 8;
        if (tag != TIFFTAG_IMAGEWIDTH && tag != TIFFTAG_IMAGELENGTH) continue;
        bytes.replace(e + 8, 4, std::string("\x40\x9C\x00\x00", 4));  // 40000, short or long
        patched++;
    }
    ASSERT_EQ(patched, 2);
    // Its one byte of strip cannot hold 40000 x 40000: neither probed nor loaded.
    std::string huge = dir.write("huge.tif", bytes);
    EXPECT_EQ(probe_tiff_file(huge.c_str(), &w, &h, &x, &y), 0);
    EXPECT_EQ(load_tiff_file(huge.c_str()), nullptr);
    EXPECT_EQ(probe_tiff_file(dir.file("missing.tif").c_str(), &w, &h, &x, &y), 0);
    EXPECT_EQ(bmap_live_count, live);
}

TEST(Tiff, WritersStoreTheirTagsAndSamples)
{
    bench::scratch_dir dir;
    _bmap* image = bmap_new(10, 2);
    memset(image->pixels, 0, image->size);
    put(image, 0, 0, 255, 255, 255);
    put(image, 1, 0, 0, 0, 0);
    put(image, 2, 0, 10, 20, 30);
    put(image, 3, 0, 127, 127, 127);  // luminance 127: black
    put(image, 4, 0, 128, 128, 128);  // luminance 128: white
    put(image, 9, 1, 255, 255, 255);
    image->header.biXPelsPerMeter = 3780;
    image->header.biYPelsPerMeter = 11811;

    struct {
        int (*save)(const char*, _bmap*, int);
        uint16_t spp, bps, photometric, compression;
    } writers[] = {
        {save_tiff_rgb, 3, 8, PHOTOMETRIC_RGB, COMPRESSION_NONE},
        {save_tiff_gray, 1, 8, PHOTOMETRIC_MINISWHITE, COMPRESSION_NONE},
        {save_tiff_bilevel, 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4},
    };
    for (auto& wr : writers) {
        std::string path = dir.file("out.tif");
        ASSERT_EQ(wr.save(path.c_str(), image, ROTATE_NONE), 1);
        TIFF* t = TIFFOpen(path.c_str(), "r");
        ASSERT_NE(t, nullptr);
        uint32_t w = 0, h = 0;
        uint16_t spp = 0, bps = 0, photometric = 0, compression = 0, orientation = 0, planar = 0, unit = 0;
        float xres = 0, yres = 0;
        TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
        TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
        TIFFGetField(t, TIFFTAG_SAMPLESPERPIXEL, &spp);
        TIFFGetField(t, TIFFTAG_BITSPERSAMPLE, &bps);
        TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric);
        TIFFGetField(t, TIFFTAG_COMPRESSION, &compression);
        TIFFGetField(t, TIFFTAG_ORIENTATION, &orientation);
        TIFFGetField(t, TIFFTAG_PLANARCONFIG, &planar);
        TIFFGetField(t, TIFFTAG_RESOLUTIONUNIT, &unit);
        TIFFGetField(t, TIFFTAG_XRESOLUTION, &xres);
        TIFFGetField(t, TIFFTAG_YRESOLUTION, &yres);
        EXPECT_EQ(w, 10u);
        EXPECT_EQ(h, 2u);
        EXPECT_EQ(spp, wr.spp);
        EXPECT_EQ(bps, wr.bps);
        EXPECT_EQ(photometric, wr.photometric);
        EXPECT_EQ(compression, wr.compression);
        EXPECT_EQ(orientation, ORIENTATION_TOPLEFT);
        EXPECT_EQ(planar, PLANARCONFIG_CONTIG);
        EXPECT_EQ(unit, RESUNIT_INCH);
        EXPECT_EQ(xres, 96.0f);
        EXPECT_EQ(yres, 300.0f);
        std::string row(TIFFScanlineSize(t), '\0');
        ASSERT_EQ(TIFFReadScanline(t, &row[0], 0, 0), 1);
        const unsigned char* s = (const unsigned char*)row.data();
        if (wr.spp == 3) {
            EXPECT_EQ(row.substr(0, 9), std::string("\xFF\xFF\xFF\x00\x00\x00\x0A\x14\x1E", 9));
        } else if (wr.bps == 8) {
            EXPECT_EQ(s[0], 0);         // white
            EXPECT_EQ(s[1], 255);       // black
            EXPECT_EQ(s[2], 255 - 19);  // (540 + 3660 + 570) / 256 = 18.6, rounded
        } else {
            // Bits: white 0, black 1, (10,20,30) 1, 127 -> 1, 128 -> 0, rest black.
            EXPECT_EQ(s[0], 0x77);  // 0111 0111
            EXPECT_EQ(s[1], 0xC0);  // 11
        }
        TIFFClose(t);
        _bmap* back = load_tiff_file(path.c_str());
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->header.biXPelsPerMeter, 3780);
        if (wr.spp == 3)
            EXPECT_EQ(at(back, 2, 0), (rgb{10, 20, 30}));
        else if (wr.bps == 1) {
            EXPECT_EQ(at(back, 3, 0), grey(0));
            EXPECT_EQ(at(back, 4, 0), grey(255));
            EXPECT_EQ(at(back, 9, 1), grey(255));
        }
        _bmap_delete(back);
    }
    std::string nowhere = dir.file("no\\such\\out.tif");
    EXPECT_EQ(save_tiff_rgb(nowhere.c_str(), image), 0);
    EXPECT_EQ(save_tiff_gray(dir.file("x.tif").c_str(), nullptr), 0);
    EXPECT_EQ(save_tiff_bilevel(dir.file("y.tif").c_str(), nullptr), 0);
    _bmap_delete(image);
}

TEST(Tiff, LoadsThroughTheImageHooks)
{
    bench::scratch_dir dir;
    std::string path = dir.file("hook.tiff");
    ASSERT_TRUE(write_tiff_pages(path, {page(2, 1, 1, 8, PHOTOMETRIC_MINISBLACK, "\x11\x22")}));
    scoped_restore keep_hooks(image_format_hooks);
    image_format_hooks.probe_tiff = probe_tiff_file;
    image_format_hooks.load_tiff = load_tiff_file;
    int w = 0, h = 0, x = 0, y = 0;
    EXPECT_EQ(_image_info(path.c_str(), &w, &h, &x, &y), 1);
    EXPECT_EQ(w, 2);
    _bmap* image = _bmap_load(path.c_str(), 0, 1.0);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(at(image, 1, 0), grey(0x22));
    _bmap_delete(image);
}

namespace {

// A w x h pattern page of grey (spp 1) or RGB (spp 3) 8-bit samples.
tiff_page pattern_page(uint32_t w, uint32_t h, uint16_t spp, uint16_t compression, uint32_t rows_per_strip)
{
    tiff_page p = page(w, h, spp, 8, spp == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK, "");
    p.compression = compression, p.rows_per_strip = rows_per_strip;
    for (uint32_t y = 0; y < h; y++) {
        p.rows[y].clear();
        for (uint32_t x = 0; x < w * spp; x++) p.rows[y] += (char)(x * 7 + y * 31 + 1);
    }
    return p;
}

void expect_pattern(const _bmap* image, const tiff_page& p)
{
    for (uint32_t y = 0; y < p.height; y++)
        for (uint32_t x = 0; x < p.width; x++) {
            const std::string& row = p.rows[y];
            int r = (unsigned char)row[x * p.spp];
            rgb want = p.spp == 3 ? rgb{r, (unsigned char)row[x * 3 + 1], (unsigned char)row[x * 3 + 2]} : grey(r);
            ASSERT_EQ(at(image, x, y), want) << x << "," << y << " rows per strip " << p.rows_per_strip;
        }
}

}  // namespace

TEST(Tiff, PixelsAcrossStripSizes)
{
    bench::scratch_dir dir;
    // 7 rows: one per strip, a partial last strip, exactly one strip, and
    // rows per strip beyond the height.
    for (uint16_t spp : {1, 3})
        for (uint16_t compression : {COMPRESSION_NONE, COMPRESSION_ADOBE_DEFLATE})
            for (uint32_t rows : {1u, 3u, 7u, 100u}) {
                tiff_page p = pattern_page(5, 7, spp, compression, rows);
                _bmap* image = load_page(dir, p);
                ASSERT_NE(image, nullptr) << rows;
                expect_pattern(image, p);
                _bmap_delete(image);
            }
}

TEST(Tiff, StripThatFailsToDecodeFailsTheLoad)
{
    bench::scratch_dir dir;
    int live = bmap_live_count;
    for (uint32_t broken : {0u, 1u}) {
        std::string path = dir.file("broken.tif");
        ASSERT_TRUE(write_tiff_pages(path, {pattern_page(16, 8, 1, COMPRESSION_ADOBE_DEFLATE, 4)}));
        TIFF* t = TIFFOpen(path.c_str(), "r");
        ASSERT_NE(t, nullptr);
        uint64_t offset = TIFFGetStrileOffset(t, broken), count = TIFFGetStrileByteCount(t, broken);
        TIFFClose(t);
        std::string bytes = bench::read_file(path);
        ASSERT_LE(offset + count, bytes.size());
        bytes.replace((size_t)offset, (size_t)count, std::string((size_t)count, '\xFF'));  // not a zlib stream
        bench::write_file(path, bytes);
        EXPECT_EQ(load_tiff_file(path.c_str()), nullptr) << "strip " << broken;
    }
    EXPECT_EQ(bmap_live_count, live);
}

TEST(Tiff, JpegCompressedPagesLoad)
{
    bench::scratch_dir dir;
    // Flat 8-pixel blocks survive JPEG almost exactly inside, also with YCbCr subsampling.
    struct {
        uint16_t spp, photometric;
    } kinds[] = {{1, PHOTOMETRIC_MINISBLACK}, {3, PHOTOMETRIC_RGB}, {3, PHOTOMETRIC_YCBCR}};
    const rgb colours[4] = {{200, 30, 40}, {20, 180, 60}, {40, 50, 220}, {250, 250, 250}};
    for (auto k : kinds) {
        tiff_page p = page(32, 16, k.spp, 8, k.photometric, "");
        p.compression = COMPRESSION_JPEG, p.rows_per_strip = 16;
        uint16_t photometric = k.photometric;
        p.extra = [photometric](TIFF* t) {
            TIFFSetField(t, TIFFTAG_JPEGQUALITY, 100);
            if (photometric == PHOTOMETRIC_YCBCR) TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        };
        for (uint32_t y = 0; y < 16; y++) {
            p.rows[y].clear();
            for (uint32_t x = 0; x < 32; x++) {
                rgb c = colours[x / 8];
                if (k.spp == 1)
                    p.rows[y] += (char)c.g;
                else
                    p.rows[y] += std::string{(char)c.r, (char)c.g, (char)c.b};
            }
        }
        _bmap* image = load_page(dir, p);
        ASSERT_NE(image, nullptr) << "photometric " << k.photometric;
        for (int x = 0; x < 32; x++) {
            if (x % 8 < 2 || x % 8 > 5) continue;  // chroma is blended across block edges
            rgb want = k.spp == 1 ? grey(colours[x / 8].g) : colours[x / 8], got = at(image, x, 5);
            EXPECT_NEAR(got.r, want.r, 3) << x << " photometric " << k.photometric;
            EXPECT_NEAR(got.g, want.g, 3) << x << " photometric " << k.photometric;
            EXPECT_NEAR(got.b, want.b, 3) << x << " photometric " << k.photometric;
        }
        _bmap_delete(image);
    }
}

TEST(Tiff, SampleCountsTheReaderDoesNotKnowAreRefused)
{
    bench::scratch_dir dir;
    int live = bmap_live_count;
    // Whole pages whose strips are all there: only the sample count is wrong.
    // 65535 samples a pixel: 32768 pixels wide, one scanline would take 2 GB.
    std::vector<uint16_t> map(3 * 256, 0);
    struct {
        uint16_t spp, photometric;
    } cases[] = {{65535, PHOTOMETRIC_PALETTE}, {2, PHOTOMETRIC_PALETTE}, {1000, PHOTOMETRIC_RGB}};
    for (auto c : cases) {
        const uint32_t w = 2, h = 2;
        std::string strip((size_t)w * h * c.spp, '\x01');
        std::vector<tiff_entry> entries = {tiff_long(TIFFTAG_IMAGEWIDTH, w),
                                           tiff_long(TIFFTAG_IMAGELENGTH, h),
                                           tiff_short(TIFFTAG_BITSPERSAMPLE, 8),
                                           tiff_short(TIFFTAG_COMPRESSION, COMPRESSION_NONE),
                                           tiff_short(TIFFTAG_PHOTOMETRIC, c.photometric),
                                           tiff_long(TIFFTAG_STRIPOFFSETS, 8),
                                           tiff_short(TIFFTAG_SAMPLESPERPIXEL, c.spp),
                                           tiff_long(TIFFTAG_ROWSPERSTRIP, h),
                                           tiff_long(TIFFTAG_STRIPBYTECOUNTS, (uint32_t)strip.size()),
                                           tiff_short(TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG)};
        if (c.photometric == PHOTOMETRIC_PALETTE) entries.push_back(tiff_shorts(TIFFTAG_COLORMAP, map));
        std::string path = dir.write("samples.tif", build_tiff(entries, strip));
        int pw = 0, ph = 0;
        ASSERT_EQ(probe_tiff_file(path.c_str(), &pw, &ph, nullptr, nullptr), 1) << c.spp;
        EXPECT_EQ(load_tiff_file(path.c_str()), nullptr) << c.spp;
    }
    EXPECT_EQ(bmap_live_count, live);
}
