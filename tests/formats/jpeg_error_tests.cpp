// The shared JPEG error state: the error box appears only for a fatal error
// while a function name is registered, write errors come back through the
// recovery point, and four-component files load as their first plane.
#include "formats/formats.h"
#include "formats/internal.h"  // library messages are sent to the error box directly
#include "graphics/kavtrel.h"
#include "tests/formats/jpeg_fixtures.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>

namespace {

TEST(JpegErrors, BoxOnlyForRegisteredFatalErrors)
{
    scoped_restore keep_box(kavtrel_message_box);
    bench::install_message_box_seam(IDOK);
    reset_jpeg_error_state();
    jpeg_error_box("Premature end of JPEG file");
    EXPECT_EQ(1, jpeg_bad_input_flag);
    EXPECT_STREQ("Premature end of JPEG file", jpeg_last_message);
    EXPECT_TRUE(bench::message_boxes.empty());

    jpeg_registered_file = "a.jpg";
    jpeg_registered_function = "load_jpeg_file";
    jpeg_error_box("warning only");
    EXPECT_TRUE(bench::message_boxes.empty());
    jpeg_fatal_flag = 1;
    jpeg_error_box("Bogus marker length");
    ASSERT_EQ(1u, bench::message_boxes.size());
    EXPECT_EQ("Jpeg-Lib Error", bench::message_boxes[0].title);
    EXPECT_EQ("a.jpg\n \nBogus marker length\n \nat function load_jpeg_file", bench::message_boxes[0].text);
    EXPECT_EQ((UINT)(MB_OK | MB_ICONERROR), bench::message_boxes[0].type);

    // Every entry point clears the registration and the flags.
    bench::scratch_dir dir;
    int w, h, x, y;
    probe_jpeg_file(dir.file("none.jpg").c_str(), &w, &h, &x, &y);
    EXPECT_EQ(nullptr, jpeg_registered_function);
    EXPECT_EQ(0, jpeg_fatal_flag);
}

TEST(JpegErrors, WriteFailureReturnsThroughTheRecoveryPoint)
{
    bench::scratch_dir dir;
    std::string path = dir.write("readonly.jpg", "x");
    std::vector<BYTE> pixels(64 * 64 * 3, 128);
    FILE* f = fopen(path.c_str(), "rb");  // writes to it fail
    EXPECT_EQ(0, compress_bitmap_to_jpeg(f, 64, 64, 72, 72, pixels.data(), 90));
    fclose(f);
    EXPECT_EQ(1, jpeg_fatal_flag);
    reset_jpeg_error_state();
    EXPECT_EQ(1, compress_bitmap_to_jpeg(nullptr, 64, 64, 72, 72, pixels.data(), 90));
    EXPECT_EQ(0, jpeg_bad_input_flag);
}

// Four-component files are CMYK (or YCCK, which the library turns into CMYK)
// and are shown as RGB. With an Adobe marker the values are stored inverted,
// as Photoshop writes them: 255 is no ink.
TEST(JpegErrors, FourComponentFilesConvertToRgb)
{
    bench::scratch_dir dir;
    const int C = 200, M = 10, Y = 20, K = 30;
    struct {
        J_COLOR_SPACE space;
        bool adobe;
        int r, g, b;
    } cases[] = {
        {JCS_CMYK, true, C * K / 255, M * K / 255, Y * K / 255},
        {JCS_YCCK, true, C * K / 255, M * K / 255, Y * K / 255},
        {JCS_CMYK, false, (255 - C) * (255 - K) / 255, (255 - M) * (255 - K) / 255, (255 - Y) * (255 - K) / 255},
    };
    for (auto& k : cases) {
        std::string path = dir.file("cmyk.jpg");
        FILE* f = fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        jpeg_compress_struct c;
        jpeg_error_mgr err;
        c.err = jpeg_std_error(&err);
        jpeg_create_compress(&c);
        jpeg_stdio_dest(&c, f);
        c.image_width = 16;
        c.image_height = 8;
        c.input_components = 4;
        c.in_color_space = JCS_CMYK;
        jpeg_set_defaults(&c);
        jpeg_set_colorspace(&c, k.space);
        c.write_Adobe_marker = k.adobe;
        jpeg_set_quality(&c, 100, TRUE);
        jpeg_start_compress(&c, TRUE);
        std::vector<JSAMPLE> row(16 * 4);
        for (int i = 0; i < 16; i++) {
            row[4 * i] = C;
            row[4 * i + 1] = M;
            row[4 * i + 2] = Y;
            row[4 * i + 3] = K;
        }
        while (c.next_scanline < c.image_height) {
            JSAMPROW p = row.data();
            jpeg_write_scanlines(&c, &p, 1);
        }
        jpeg_finish_compress(&c);
        jpeg_destroy_compress(&c);
        fclose(f);
        _bmap* b = load_jpeg_file(path.c_str(), 1, 0);
        ASSERT_NE(nullptr, b);
        const BYTE* p = b->pixels + b->stride * 3 + 3 * 5;
        EXPECT_NEAR(k.b, p[0], 3) << k.space << " adobe " << k.adobe;
        EXPECT_NEAR(k.g, p[1], 3) << k.space << " adobe " << k.adobe;
        EXPECT_NEAR(k.r, p[2], 3) << k.space << " adobe " << k.adobe;
        _bmap_delete(b);
    }
}

}  // namespace
