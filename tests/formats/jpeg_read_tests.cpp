// JPEG probe, load and save through files written with libjpeg: resolution
// rules, greyscale, progressive and odd sizes, reduced loads against guard
// pages, broken files, and the encoder's density and quality.
#include "formats/formats.h"
#include "graphics/kavtrel.h"
#include "tests/formats/jpeg_fixtures.h"
#include "tests/support/bench.h"
#include "tests/support/guard.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <memory>

namespace {

struct probe_result {
    int ok = -1, w = 0, h = 0, xdpi = 0, ydpi = 0;
};
probe_result probe(const std::string& path)
{
    probe_result r;
    r.ok = probe_jpeg_file(path.c_str(), &r.w, &r.h, &r.xdpi, &r.ydpi);
    return r;
}

std::string with_sof_size(std::string bytes, int w, int h)
{
    for (size_t i = 0; i + 9 < bytes.size(); i++)
        if ((unsigned char)bytes[i] == 0xFF &&
            ((unsigned char)bytes[i + 1] == 0xC0 || (unsigned char)bytes[i + 1] == 0xC2)) {
            bytes[i + 5] = (char)(h >> 8);
            bytes[i + 6] = (char)h;
            bytes[i + 7] = (char)(w >> 8);
            bytes[i + 8] = (char)w;
            break;
        }
    return bytes;
}

TEST(JpegProbe, DensityUnitsBecomeDotsPerInch)
{
    bench::scratch_dir dir;
    jpegfix::options o;
    o.density_unit = 2;
    o.xdensity = 40;
    o.ydensity = 40;
    ASSERT_TRUE(jpegfix::write(dir.file("cm.jpg"), o));
    probe_result r = probe(dir.file("cm.jpg"));
    EXPECT_EQ(1, r.ok);
    EXPECT_EQ(64, r.w);
    EXPECT_EQ(48, r.h);
    EXPECT_EQ(102, r.xdpi);
    EXPECT_EQ(102, r.ydpi);

    o.density_unit = 0;
    o.xdensity = 1;
    o.ydensity = 1;
    ASSERT_TRUE(jpegfix::write(dir.file("aspect.JPG"), o));
    r = probe(dir.file("aspect.JPG"));
    EXPECT_EQ(1, r.ok);
    EXPECT_EQ(1, r.xdpi);
    EXPECT_EQ(1, r.ydpi);

    o.density_unit = 1;
    o.xdensity = 72;
    o.ydensity = 300;
    ASSERT_TRUE(jpegfix::write(dir.file("inch.jpeg"), o));
    r = probe(dir.file("inch.jpeg"));
    EXPECT_EQ(72, r.xdpi);
    EXPECT_EQ(300, r.ydpi);
}

TEST(JpegProbe, EmptyAndForeignFilesFailQuietly)
{
    bench::scratch_dir dir;
    std::string empty = dir.write("empty.jpg", "");
    std::string png =
        dir.write("picture.jpg", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + std::string(40, '\0'));
    std::string one = dir.write("one.jpg", "\xFF");
    int live = bmap_live_count;
    for (const std::string& path : {empty, png, one}) {
        EXPECT_EQ(0, probe(path).ok) << path;
        EXPECT_EQ(1, jpeg_bad_input_flag);
        EXPECT_EQ(0, jpeg_fatal_flag);
        EXPECT_EQ(nullptr, load_jpeg_file(path.c_str(), 1, 0)) << path;
    }
    EXPECT_EQ(nullptr, load_jpeg_file(dir.file("missing.jpg").c_str(), 1, 0));
    EXPECT_EQ(0, probe(dir.file("missing.jpg")).ok);
    EXPECT_EQ(live, bmap_live_count);

    // The error state is reset by the next call.
    ASSERT_TRUE(jpegfix::write(dir.file("good.jpg"), jpegfix::options()));
    EXPECT_EQ(1, probe(dir.file("good.jpg")).ok);
    EXPECT_EQ(0, jpeg_bad_input_flag);
}

TEST(JpegLoad, ColourGreyAndProgressiveImages)
{
    bench::scratch_dir dir;
    jpegfix::options o;
    o.width = 101;
    o.height = 75;
    o.quality = 100;
    o.h_samp = 1;
    o.v_samp = 1;
    o.density_unit = 1;
    o.xdensity = 300;
    o.ydensity = 72;
    ASSERT_TRUE(jpegfix::write(dir.file("colour.jpg"), o));
    _bmap* b = load_jpeg_file(dir.file("colour.jpg").c_str(), 1, 0);
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(101, b->width);
    EXPECT_EQ(75, b->height);
    EXPECT_EQ(304, b->stride);
    EXPECT_EQ(11811, b->header.biXPelsPerMeter);
    EXPECT_EQ(2835, b->header.biYPelsPerMeter);
    int worst = 0;
    for (int y = 0; y < 75; y++)
        for (int x = 0; x < 101; x++)
            for (int c = 0; c < 3; c++)  // blue first in the image, red first in the file
                worst = std::max(worst, std::abs(b->pixels[y * b->stride + 3 * x + c] - jpegfix::sample(x, y, 2 - c)));
    EXPECT_LE(worst, 6);
    _bmap_delete(b);

    o.grey = true;
    ASSERT_TRUE(jpegfix::write(dir.file("grey.jpg"), o));
    b = load_jpeg_file(dir.file("grey.jpg").c_str(), 1, 1);
    ASSERT_NE(nullptr, b);
    for (int y = 0; y < 75; y++)
        for (int x = 0; x < 101; x++) {
            const BYTE* p = b->pixels + y * b->stride + 3 * x;
            ASSERT_EQ(p[0], p[1]);
            ASSERT_EQ(p[0], p[2]);
            ASSERT_LE(std::abs(p[0] - jpegfix::sample(x, y, 0)), 3);
        }
    _bmap_delete(b);

    o.grey = false;
    o.progressive = true;
    ASSERT_TRUE(jpegfix::write(dir.file("prog.jpg"), o));
    b = load_jpeg_file(dir.file("prog.jpg").c_str(), 1, 0);
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(101, b->width);
    EXPECT_LE(std::abs(b->pixels[10 * b->stride + 30] - jpegfix::sample(10, 10, 2)), 6);
    _bmap_delete(b);
}

TEST(JpegLoad, ReducedSizesComeFromTheDecoder)
{
    bench::scratch_dir dir;
    jpegfix::options o;
    o.width = 101;
    o.height = 75;
    ASSERT_TRUE(jpegfix::write(dir.file("odd.jpg"), o));
    struct {
        int n, w, h;
    } cases[] = {{1, 101, 75}, {2, 51, 38}, {3, 38, 29}, {4, 26, 19},  {5, 26, 19},
                 {7, 26, 19},  {8, 13, 10}, {9, 13, 10}, {16, 13, 10}, {0, 202, 150}};
    int live = bmap_live_count;
    for (auto& c : cases) {
        _bmap* b = load_jpeg_file(dir.file("odd.jpg").c_str(), c.n, 0);
        ASSERT_NE(nullptr, b) << c.n;
        EXPECT_EQ(c.w, b->width) << c.n;
        EXPECT_EQ(c.h, b->height) << c.n;
        EXPECT_EQ((c.w * 3 + 3) / 4 * 4, b->stride);
        _bmap_delete(b);

        // The cache's entry into an exactly sized guarded array; one byte less fails.
        size_t need = (size_t)((c.w * 3 + 3) / 4 * 4) * c.h;
        bench::guard_block exact(need);
        FILE* f = fopen(dir.file("odd.jpg").c_str(), "rb");
        int w = 0, h = 0;
        EXPECT_EQ(1, decompress_jpeg_to_bitmap(f, &w, &h, c.n, 1, exact.data(), need)) << c.n;
        fclose(f);
        EXPECT_EQ(c.w, w);
        EXPECT_EQ(c.h, h);
        bench::guard_block small(need - 1);
        f = fopen(dir.file("odd.jpg").c_str(), "rb");
        EXPECT_EQ(0, decompress_jpeg_to_bitmap(f, &w, &h, c.n, 1, small.data(), need - 1)) << c.n;
        fclose(f);
    }
    EXPECT_EQ(live, bmap_live_count);
}

TEST(JpegLoad, DamagedFilesFailOrLoadWithoutLeaks)
{
    bench::scratch_dir dir;
    jpegfix::options o;
    o.width = 96;
    o.height = 64;
    ASSERT_TRUE(jpegfix::write(dir.file("whole.jpg"), o));
    std::string bytes = bench::read_file(dir.file("whole.jpg"));

    // Cut in the middle of the data: the rest is filled in and the image loads.
    dir.write("cut.jpg", bytes.substr(0, bytes.size() / 2));
    int live = bmap_live_count;
    _bmap* b = load_jpeg_file(dir.file("cut.jpg").c_str(), 1, 0);
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(96, b->width);
    _bmap_delete(b);
    EXPECT_EQ(1, probe(dir.file("cut.jpg")).ok);

    // A header claiming 40000 x 40000 over a few kilobytes fails cleanly, probe and load.
    dir.write("huge.jpg", with_sof_size(bytes, 40000, 40000));
    EXPECT_EQ(0, probe(dir.file("huge.jpg")).ok);
    EXPECT_EQ(nullptr, load_jpeg_file(dir.file("huge.jpg").c_str(), 1, 0));

    // A zero width is a fatal library error: through the recovery point, twice.
    dir.write("zero.jpg", with_sof_size(bytes, 0, 64));
    EXPECT_EQ(0, probe(dir.file("zero.jpg")).ok);
    EXPECT_EQ(1, jpeg_fatal_flag);
    EXPECT_EQ(nullptr, load_jpeg_file(dir.file("zero.jpg").c_str(), 1, 0));
    EXPECT_EQ(nullptr, load_jpeg_file(dir.file("zero.jpg").c_str(), 2, 0));

    // A progressive file with an unknown marker between scans fails in decoding.
    o.progressive = true;
    ASSERT_TRUE(jpegfix::write(dir.file("prog.jpg"), o));
    std::string prog = bench::read_file(dir.file("prog.jpg"));
    size_t sos = prog.find("\xFF\xDA");
    size_t second = prog.find("\xFF\xDA", sos + 2);
    ASSERT_NE(std::string::npos, second);
    prog.insert(second, std::string("\xFF\x02", 2));
    dir.write("badprog.jpg", prog);
    EXPECT_EQ(nullptr, load_jpeg_file(dir.file("badprog.jpg").c_str(), 1, 0));
    EXPECT_EQ(live, bmap_live_count);

    // And the state is clean for the next good file.
    b = load_jpeg_file(dir.file("whole.jpg").c_str(), 1, 0);
    ASSERT_NE(nullptr, b);
    _bmap_delete(b);
}

// Decoding a band of rows at a time gives the pixels of one whole decode,
// whatever JPEG work runs between the bands (here a file failing through the
// shared recovery point); a file changed between bands, or a damaged header,
// gives nothing and leaks nothing.
TEST(JpegBands, SamePixelsAsOneDecodeWhateverRunsBetween)
{
    bench::scratch_dir dir;
    jpegfix::options o;
    o.width = 101;
    o.height = 75;
    ASSERT_TRUE(jpegfix::write(dir.file("colour.jpg"), o));
    o.progressive = true;
    ASSERT_TRUE(jpegfix::write(dir.file("prog.jpg"), o));
    o.grey = true;
    ASSERT_TRUE(jpegfix::write(dir.file("grey.jpg"), o));
    std::string bytes = bench::read_file(dir.file("colour.jpg"));
    dir.write("cut.jpg", bytes.substr(0, bytes.size() / 2));
    dir.write("zero.jpg", with_sof_size(bytes, 0, 64));
    int live = bmap_live_count;
    struct {
        const char* name;
        int divisor;
    } files[] = {{"colour.jpg", 1}, {"colour.jpg", 4}, {"prog.jpg", 2}, {"grey.jpg", 1}, {"cut.jpg", 1}};
    for (const auto& f : files) {
        std::string path = dir.file(f.name);
        std::unique_ptr<_bmap, void (*)(_bmap*)> whole(load_jpeg_file(path.c_str(), f.divisor, 0), _bmap_delete);
        jpeg_band_reader* r = jpeg_bands_open(path.c_str(), f.divisor, 0);
        while (jpeg_bands_read(r, 7) == 1) EXPECT_EQ(nullptr, load_jpeg_file(dir.file("zero.jpg").c_str(), 1, 0));
        std::unique_ptr<_bmap, void (*)(_bmap*)> banded(jpeg_bands_take(r), _bmap_delete);
        jpeg_bands_close(r);
        ASSERT_TRUE(whole && banded) << f.name;
        EXPECT_EQ(whole->header.biXPelsPerMeter, banded->header.biXPelsPerMeter) << f.name;
        ASSERT_EQ(whole->height * whole->stride, banded->height * banded->stride) << f.name;
        EXPECT_EQ(0, memcmp(whole->pixels, banded->pixels, size_t(whole->height) * whole->stride)) << f.name;
    }
    EXPECT_EQ(nullptr, jpeg_bands_open(dir.file("zero.jpg").c_str(), 1, 0));
    jpeg_band_reader* r = jpeg_bands_open(dir.file("colour.jpg").c_str(), 1, 0);
    EXPECT_EQ(1, jpeg_bands_read(r, 7));
    dir.write("colour.jpg", bytes + "changed");
    EXPECT_EQ(-1, jpeg_bands_read(r, 7));
    EXPECT_EQ(nullptr, jpeg_bands_take(r));
    jpeg_bands_close(r);
    EXPECT_EQ(live, bmap_live_count);
}

TEST(JpegSave, DensityQualityAndRoundTrip)
{
    bench::scratch_dir dir;
    jpegfix::options o;
    o.width = 50;
    o.height = 30;
    o.quality = 100;
    ASSERT_TRUE(jpegfix::write(dir.file("src.jpg"), o));
    _bmap* b = load_jpeg_file(dir.file("src.jpg").c_str(), 1, 0);
    ASSERT_NE(nullptr, b);
    b->header.biXPelsPerMeter = 3780;
    b->header.biYPelsPerMeter = 11811;
    for (int y = 0; y < 30; y++)  // smooth, so that subsampled chroma stays close
        for (int x = 0; x < 50; x++) {
            BYTE* p = b->pixels + y * b->stride + 3 * x;
            p[0] = (BYTE)(x * 2);
            p[1] = (BYTE)(y * 3 + 20);
            p[2] = 100;
        }

    ASSERT_EQ(1, save_jpeg_file(dir.file("q100.jpg").c_str(), b, 100));
    jpegfix::coefficients c = jpegfix::read(dir.file("q100.jpg"));
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(1, c.density_unit);
    EXPECT_EQ(96, c.xdensity);
    EXPECT_EQ(299, c.ydensity);
    for (UINT16 q : c.comps[0].quant) ASSERT_EQ(1, q);

    ASSERT_EQ(1, save_jpeg_file(dir.file("q0.jpg").c_str(), b, 0));
    c = jpegfix::read(dir.file("q0.jpg"));
    EXPECT_EQ(8, c.comps[0].quant[0]);  // the library's default quality (75)
    EXPECT_GT(bench::read_file(dir.file("q100.jpg")).size(), bench::read_file(dir.file("q0.jpg")).size());

    _bmap* back = load_jpeg_file(dir.file("q100.jpg").c_str(), 1, 0);
    ASSERT_NE(nullptr, back);
    int worst = 0;
    for (int y = 0; y < 30; y++)
        for (int i = 0; i < 150; i++)
            worst = std::max(worst, std::abs(back->pixels[y * back->stride + i] - b->pixels[y * b->stride + i]));
    EXPECT_LE(worst, 4);
    EXPECT_EQ(3780, back->header.biXPelsPerMeter);
    _bmap_delete(back);

    // The cache's call with no file discards the bytes but succeeds.
    EXPECT_EQ(1, compress_bitmap_to_jpeg(nullptr, b->width, b->height, 0, 0, b->pixels, 96));
    EXPECT_EQ(0, save_jpeg_file(dir.file("no\\such\\folder.jpg").c_str(), b, 80));
    _bmap_delete(b);
}

TEST(JpegHooks, InstallFillsTheJpegSlots)
{
    scoped_restore keep_hooks(image_format_hooks);
    install_jpeg_hooks();
    EXPECT_EQ(&probe_jpeg_file, image_format_hooks.probe_jpeg);
    EXPECT_EQ(&load_jpeg_file, image_format_hooks.load_jpeg);
}

}  // namespace
