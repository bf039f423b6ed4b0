// Lossless JPEG transforms: the quarter turns compared block by block on the
// DCT coefficients, every transform code compared pixel-wise with our own
// turn of the decoded source, the angle table, markers and the Exif size.
#include "formats/formats.h"
#include "formats/internal.h"  // transforms by code, called directly
#include "graphics/kavtrel.h"
#include "tests/formats/damaged_fixtures.h"
#include "tests/formats/jpeg_fixtures.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <cstdlib>

namespace {

int transform_file(const std::string& src, int code, const std::string& dst)
{
    FILE* in = fopen(src.c_str(), "rb");
    FILE* out = fopen(dst.c_str(), "wb");
    int ok = transform_jpeg_file_by_code(in, code, out);
    fclose(out);
    fclose(in);
    return ok;
}

// Expected output block for the three turns of a whole-iMCU image, written
// straight from the geometry: quarter turn clockwise moves source block
// (x, y) to (H-1-y, x) transposed with odd columns negated, and so on.
void expect_turned(const jpegfix::coefficients& src, const jpegfix::coefficients& dst, int k)
{
    ASSERT_EQ(src.comps.size(), dst.comps.size());
    for (size_t ci = 0; ci < src.comps.size(); ci++) {
        const jpegfix::component& s = src.comps[ci];
        const jpegfix::component& d = dst.comps[ci];
        int sw = s.width_blocks, sh = s.height_blocks;
        if (k == 2) {
            ASSERT_EQ(sw, d.width_blocks);
            ASSERT_EQ(sh, d.height_blocks);
        } else {
            ASSERT_EQ(sh, d.width_blocks);
            ASSERT_EQ(sw, d.height_blocks);
            ASSERT_EQ(s.h_samp, d.v_samp);
        }
        for (int by = 0; by < d.height_blocks; by++)
            for (int bx = 0; bx < d.width_blocks; bx++) {
                const JCOEF* o = d.block(bx, by);
                for (int r = 0; r < 8; r++)
                    for (int c = 0; c < 8; c++) {
                        int expected;
                        if (k == 1)
                            expected = s.block(by, sh - 1 - bx)[c * 8 + r] * ((c & 1) ? -1 : 1);
                        else if (k == 3)
                            expected = s.block(sw - 1 - by, bx)[c * 8 + r] * ((r & 1) ? -1 : 1);
                        else
                            expected = s.block(sw - 1 - bx, sh - 1 - by)[r * 8 + c] * (((r + c) & 1) ? -1 : 1);
                        ASSERT_EQ(expected, o[r * 8 + c]) << "comp " << ci << " block " << bx << "," << by;
                    }
            }
        for (int q = 0; q < 64; q++) ASSERT_EQ(k == 2 ? s.quant[q] : s.quant[(q % 8) * 8 + q / 8], d.quant[q]);
    }
}

TEST(JpegRotate, QuarterTurnsMoveCoefficientsExactly)
{
    bench::scratch_dir dir;
    for (bool grey : {false, true}) {
        jpegfix::options o;
        o.width = 64;
        o.height = 48;
        o.grey = grey;
        ASSERT_TRUE(jpegfix::write(dir.file("src.jpg"), o));
        jpegfix::coefficients src = jpegfix::read(dir.file("src.jpg"));
        struct {
            int angle, k;
        } table[] = {{90, 3}, {450, 3}, {-270, 3}, {45, 3}, {180, 2}, {-180, 2}, {270, 1}, {-90, 1}};
        for (auto& t : table) {
            ASSERT_EQ(1, rotate_jpeg_file(dir.file("src.jpg").c_str(), t.angle, dir.file("dst.jpg").c_str()))
                << t.angle;
            jpegfix::coefficients dst = jpegfix::read(dir.file("dst.jpg"));
            ASSERT_TRUE(dst.ok);
            EXPECT_EQ(t.k == 2 ? 64 : 48, dst.width) << t.angle;
            SCOPED_TRACE(t.angle);
            expect_turned(src, dst, t.k);
        }
    }
}

TEST(JpegRotate, AnglesWithoutATurnLeaveAnEmptyFile)
{
    bench::scratch_dir dir;
    ASSERT_TRUE(jpegfix::write(dir.file("src.jpg"), jpegfix::options()));
    for (int angle : {0, 360, 1800, 1890, 3600}) {
        dir.write("dst.jpg", "old contents");
        EXPECT_EQ(0, rotate_jpeg_file(dir.file("src.jpg").c_str(), angle, dir.file("dst.jpg").c_str())) << angle;
        EXPECT_EQ("", bench::read_file(dir.file("dst.jpg"))) << angle;
    }
    EXPECT_EQ(0, rotate_jpeg_file(dir.file("missing.jpg").c_str(), 90, dir.file("dst2.jpg").c_str()));
    EXPECT_EQ(0, rotate_jpeg_file(dir.file("src.jpg").c_str(), 90, dir.file("no\\dir\\x.jpg").c_str()));
}

TEST(JpegRotate, PartialEdgeStripStaysInPlace)
{
    bench::scratch_dir dir;
    jpegfix::options o;
    o.width = 100;
    o.height = 75;  // 16 x 16 iMCUs: a partial strip on both edges
    ASSERT_TRUE(jpegfix::write(dir.file("src.jpg"), o));
    ASSERT_EQ(1, rotate_jpeg_file(dir.file("src.jpg").c_str(), -90, dir.file("dst.jpg").c_str()));
    jpegfix::coefficients s = jpegfix::read(dir.file("src.jpg"));
    jpegfix::coefficients d = jpegfix::read(dir.file("dst.jpg"));
    EXPECT_EQ(75, d.width);
    EXPECT_EQ(100, d.height);
    const jpegfix::component& sl = s.comps[0];
    const jpegfix::component& dl = d.comps[0];
    // Luma: 64 of the 75 output columns are whole iMCUs (8 blocks) and turn;
    // the last two block columns are the source's bottom strip, transposed in place.
    for (int by = 0; by < dl.height_blocks; by++)
        for (int bx = 0; bx < dl.width_blocks; bx++)
            for (int r = 0; r < 8; r++)
                for (int c = 0; c < 8; c++) {
                    int expected =
                        bx < 8 ? sl.block(by, 7 - bx)[c * 8 + r] * ((c & 1) ? -1 : 1) : sl.block(by, bx)[c * 8 + r];
                    ASSERT_EQ(expected, dl.block(bx, by)[r * 8 + c]) << bx << "," << by;
                }
}

// Our own rearrangement of decoded pixels for each code, with the rule that
// partial iMCUs at an edge a mirror would move stay where they are.
void expect_pixels_follow(const _bmap* src, const _bmap* out, int code)
{
    bool turn = code == 3 || code == 4 || code == 5 || code == 7;
    bool across = code == 1 || code == 4 || code == 5 || code == 6;
    bool down = code == 2 || code == 4 || code == 6 || code == 7;
    ASSERT_EQ(turn ? src->height : src->width, out->width);
    ASSERT_EQ(turn ? src->width : src->height, out->height);
    int whole_w = out->width / 8 * 8, whole_h = out->height / 8 * 8;
    int worst = 0;
    for (int y = 0; y < out->height; y++)
        for (int x = 0; x < out->width; x++) {
            int tx = across && x < whole_w ? whole_w - 1 - x : x;
            int ty = down && y < whole_h ? whole_h - 1 - y : y;
            int sx = turn ? ty : tx, sy = turn ? tx : ty;
            int a = out->pixels[y * out->stride + 3 * x];
            int b = src->pixels[sy * src->stride + 3 * sx];
            worst = std::max(worst, std::abs(a - b));
        }
    EXPECT_LE(worst, 2) << "code " << code;
}

TEST(JpegTransform, AllEightCodesOnAnOddSizedImage)
{
    bench::scratch_dir dir;
    jpegfix::options o;
    o.width = 100;
    o.height = 75;
    o.grey = true;
    o.quality = 95;
    ASSERT_TRUE(jpegfix::write(dir.file("src.jpg"), o));
    _bmap* src = load_jpeg_file(dir.file("src.jpg").c_str(), 1, 0);
    ASSERT_NE(nullptr, src);
    for (int code = 0; code <= 7; code++) {
        std::string out = dir.file("out" + std::to_string(code) + ".jpg");
        ASSERT_EQ(1, transform_file(dir.file("src.jpg"), code, out)) << code;
        _bmap* b = load_jpeg_file(out.c_str(), 1, 0);
        ASSERT_NE(nullptr, b) << code;
        expect_pixels_follow(src, b, code);
        _bmap_delete(b);
    }
    _bmap_delete(src);
    EXPECT_EQ(0, transform_file(dir.file("src.jpg"), 8, dir.file("bad.jpg")));
    EXPECT_EQ(0, transform_file(dir.file("src.jpg"), -1, dir.file("bad.jpg")));
}

TEST(JpegRotate, MarkersKeptInOrderAndExifSizeSwapped)
{
    bench::scratch_dir dir;
    for (bool motorola : {false, true}) {
        jpegfix::options o;
        o.width = 80;
        o.height = 48;
        o.jfif = false;
        o.markers = {{JPEG_APP0 + 1, jpegfix::exif_block(motorola, 80, 48)},
                     {JPEG_COM, "a comment"},
                     {JPEG_APP0 + 2, std::string("ICC_PROFILE\0\1\1", 14) + "profile bytes"}};
        ASSERT_TRUE(jpegfix::write(dir.file("src.jpg"), o));
        ASSERT_EQ(1, rotate_jpeg_file(dir.file("src.jpg").c_str(), 90, dir.file("dst.jpg").c_str()));
        jpegfix::coefficients d = jpegfix::read(dir.file("dst.jpg"));
        ASSERT_EQ(3u, d.markers.size());
        EXPECT_FALSE(d.saw_jfif);
        EXPECT_EQ(JPEG_APP0 + 1, d.markers[0].first);
        EXPECT_EQ(JPEG_COM, d.markers[1].first);
        EXPECT_EQ("a comment", d.markers[1].second);
        EXPECT_EQ(o.markers[2].second, d.markers[2].second);
        EXPECT_EQ(48u, jpegfix::exif_size(d.markers[0].second).first);
        EXPECT_EQ(80u, jpegfix::exif_size(d.markers[0].second).second);
        EXPECT_EQ(o.markers[0].second.size(), d.markers[0].second.size());
    }
}

TEST(JpegRotate, DensityKeptAndBrokenInputsFailCleanly)
{
    bench::scratch_dir dir;
    jpegfix::options o;
    o.density_unit = 1;
    o.xdensity = 300;
    o.ydensity = 150;
    o.markers = {{JPEG_COM, "after JFIF"}};
    ASSERT_TRUE(jpegfix::write(dir.file("src.jpg"), o));
    ASSERT_EQ(1, rotate_jpeg_file(dir.file("src.jpg").c_str(), 180, dir.file("dst.jpg").c_str()));
    jpegfix::coefficients d = jpegfix::read(dir.file("dst.jpg"));
    EXPECT_TRUE(d.saw_jfif);
    EXPECT_EQ(1, d.density_unit);
    EXPECT_EQ(300, d.xdensity);
    EXPECT_EQ(150, d.ydensity);
    ASSERT_EQ(2u, d.markers.size());
    EXPECT_EQ(JPEG_APP0, d.markers[0].first);
    EXPECT_EQ(JPEG_COM, d.markers[1].first);

    // An Exif block whose offsets point outside it is copied untouched.
    o.jfif = false;
    std::string exif = jpegfix::exif_block(false, 64, 48);
    exif[6 + 8 + 2 + 8] = (char)0xF0;  // the Exif IFD pointer far past the end
    o.markers = {{JPEG_APP0 + 1, exif}};
    ASSERT_TRUE(jpegfix::write(dir.file("badexif.jpg"), o));
    ASSERT_EQ(1, rotate_jpeg_file(dir.file("badexif.jpg").c_str(), 90, dir.file("dst.jpg").c_str()));
    d = jpegfix::read(dir.file("dst.jpg"));
    ASSERT_EQ(1u, d.markers.size());
    EXPECT_EQ(exif, d.markers[0].second);

    // A corrupt source (zero width), a header claiming far more than the file
    // holds, a PNG and an empty file fail; a good one then works.
    std::string bytes = bench::read_file(dir.file("src.jpg"));
    dir.write("claims.jpg", damaged::jpeg_claiming(bytes, 2000, 2000));
    size_t sof = bytes.find("\xFF\xC0");
    ASSERT_NE(std::string::npos, sof);
    bytes[sof + 7] = 0;
    bytes[sof + 8] = 0;
    dir.write("zero.jpg", bytes);
    dir.write("png.jpg", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(64, 'x'));
    dir.write("empty.jpg", "");
    for (const char* name : {"zero.jpg", "claims.jpg", "png.jpg", "empty.jpg"})
        EXPECT_EQ(0, rotate_jpeg_file(dir.file(name).c_str(), 90, dir.file("dst.jpg").c_str())) << name;
    EXPECT_EQ(1, rotate_jpeg_file(dir.file("src.jpg").c_str(), 90, dir.file("dst.jpg").c_str()));
}

}  // namespace

TEST(JpegTransform, HugeClaimedSizeFailsBeforeTheCoefficientsAreBuilt)
{
    bench::scratch_dir dir;
    // A tiny progressive grey file whose frame claims 16384 x 8193: its
    // coefficients and the turned copy's would take over 512 MB.
    jpegfix::options o;
    o.width = 16, o.height = 16, o.grey = true, o.progressive = true;
    std::string small = dir.file("small.jpg");
    ASSERT_TRUE(jpegfix::write(small, o));
    std::string bytes = bench::read_file(small);
    size_t sof = bytes.find("\xFF\xC2");
    ASSERT_NE(sof, std::string::npos);
    bytes.replace(sof + 5, 4, std::string("\x20\x01\x40\x00", 4));  // height 8193, width 16384
    std::string huge = dir.write("huge.jpg", bytes);
    ASSERT_LT(bytes.size(), 2000u);
    EXPECT_EQ(transform_file(huge, XFORM_ROT_90, dir.file("turned.jpg")), 0);
    // The program is still well: a file of sane size turns.
    EXPECT_EQ(transform_file(small, XFORM_ROT_90, dir.file("turned.jpg")), 1);
}
