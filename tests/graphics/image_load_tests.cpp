// Loading by extension: which image-format hook each extension reaches, the
// arguments it gets, and the fall-backs to the icon size and icon image.
#include "graphics/kavtrel.h"
#include "tests/graphics/image_fixtures.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <string>

using namespace fixtures;

namespace {

// Recording hooks: the slot reached last and its arguments.
int last_slot;
std::string last_path;
int last_int, last_flag;
bool probes_succeed, loaders_succeed;

int record_probe(int slot, const char* path, int* w, int* h, int* xr, int* yr)
{
    last_slot = slot;
    last_path = path;
    if (!probes_succeed) return 0;
    *w = 100 + slot;
    *h = 200 + slot;
    if (xr) *xr = 72;
    if (yr) *yr = 73;
    return 1;
}
template <int N> int probe(const char* p, int* w, int* h, int* xr, int* yr) { return record_probe(N, p, w, h, xr, yr); }
int probe_psd(const char* p, int* w, int* h) { return record_probe(2, p, w, h, nullptr, nullptr); }

_bmap* record_load(int slot, const char* path, int value, int flag)
{
    last_slot = slot;
    last_path = path;
    last_int = value;
    last_flag = flag;
    return loaders_succeed ? bmap_new(3 + slot, 2) : nullptr;
}
_bmap* load_jpeg(const char* p, int divisor, int flag) { return record_load(6, p, divisor, flag); }
_bmap* load_pdf(const char* p, int zoom) { return record_load(8, p, zoom, 0); }
template <int N> _bmap* load(const char* p) { return record_load(N, p, 0, 0); }

class ImageLoad : public testing::Test {
protected:
    void SetUp() override
    {
        image_format_hooks = {
            .probe_jpeg = probe<0>,
            .probe_png = probe<1>,
            .probe_psd = probe_psd,
            .probe_pdf = probe<3>,
            .probe_tiff = probe<4>,
            .probe_plugin = probe<5>,
            .load_jpeg = load_jpeg,
            .load_psd = load<7>,
            .load_pdf = load_pdf,
            .load_png = load<9>,
            .load_tiff = load<10>,
            .load_plugin = load<11>,
        };
        last_slot = -1;
        probes_succeed = loaders_succeed = true;
    }
    int info_slot(const char* path)
    {
        last_slot = -1;
        int w, h, xr, yr;
        EXPECT_NE(_image_info(path, &w, &h, &xr, &yr), 0);
        return last_slot;
    }
    int load_slot(const char* path, double scale = 1)
    {
        last_slot = -1;
        _bmap* b = _bmap_load(path, 7, scale);
        if (b) _bmap_delete(b);
        return last_slot;
    }
    scoped_restore<image_format_hook_table> keep_hooks{image_format_hooks};
};

}  // namespace

TEST_F(ImageLoad, ProbesAreChosenByExtensionIgnoringCase)
{
    for (const char* p : {"a.jpg", "a.Jpg", "a.JPG", "a.jpe", "a.jpeg", "b.gif"}) EXPECT_EQ(info_slot(p), 0) << p;
    EXPECT_EQ(info_slot("a.png"), 1);
    EXPECT_EQ(info_slot("a.PSD"), 2);
    EXPECT_EQ(info_slot("a.pdd"), 2);
    EXPECT_EQ(info_slot("a.pdf"), 3);
    EXPECT_EQ(info_slot("a.tif"), 4);
    EXPECT_EQ(info_slot("a.TIFF"), 4);
    EXPECT_EQ(info_slot("a.jpeg2"), 5);
    EXPECT_EQ(info_slot("C:\\a.b\\file"), 5);  // the folder's dot
    int w, h, xr, yr;
    ASSERT_NE(_image_info("a.png", &w, &h, &xr, &yr), 0);
    EXPECT_EQ(w, 101);
    EXPECT_EQ(h, 201);
    EXPECT_EQ(xr, 72);
    ASSERT_NE(_image_info("a.psd", &w, &h, &xr, &yr), 0);
    EXPECT_EQ(w, 102);
    EXPECT_EQ(xr, 0);  // the Photoshop probe gives no resolution
}

TEST_F(ImageLoad, FailingOrMissingProbesReportTheIconSize)
{
    int w, h, xr, yr;
    EXPECT_EQ(info_slot("noextension"), -1);
    ASSERT_NE(_image_info("noextension", &w, &h, &xr, &yr), 0);
    EXPECT_EQ(w, 32);
    EXPECT_EQ(h, 32);
    EXPECT_EQ(xr, 96);
    EXPECT_EQ(yr, 96);
    probes_succeed = false;
    ASSERT_NE(_image_info("broken.jpg", &w, &h, &xr, &yr), 0);
    EXPECT_EQ(last_slot, 0);
    EXPECT_EQ(w, 32);
    EXPECT_EQ(xr, 96);
    ASSERT_NE(_image_info("missing.bmp", &w, &h, &xr, &yr), 0);
    EXPECT_EQ(w, 32);
}

TEST_F(ImageLoad, BmpProbeReadsTheHeader)
{
    bench::scratch_dir dir;
    dib_fields d;
    d.width = 6;
    d.height = -4;
    d.xppm = 3780;
    d.yppm = 11811;
    std::string path = dir.write("top.bmp", make_bmp(d));
    int w, h, xr, yr;
    ASSERT_NE(_image_info(path.c_str(), &w, &h, &xr, &yr), 0);
    EXPECT_EQ(w, 6);
    EXPECT_EQ(h, -4);  // as stored
    EXPECT_EQ(xr, 96);
    EXPECT_EQ(yr, 300);
    d.header_size = 12;
    d.height = 5;
    path = dir.write("os2.bmp", make_bmp(d));
    ASSERT_NE(_image_info(path.c_str(), &w, &h, &xr, &yr), 0);
    EXPECT_EQ(w, 6);
    EXPECT_EQ(h, 5);
    EXPECT_EQ(xr, 0);
}

TEST_F(ImageLoad, LoadersGetTheirArguments)
{
    EXPECT_EQ(load_slot("a.JPG", 4.7), 6);
    EXPECT_EQ(last_int, 4);  // reduction divisor trunc(scale)
    EXPECT_EQ(last_flag, 7);
    EXPECT_EQ(load_slot("a.gif"), 6);
    EXPECT_EQ(load_slot("a.psd"), 7);
    EXPECT_EQ(load_slot("a.pdf", 1.5), 8);
    EXPECT_EQ(last_int, 150);  // zoom percent
    EXPECT_EQ(load_slot("a.png"), 9);
    EXPECT_EQ(load_slot("a.tiff"), 10);
    EXPECT_EQ(load_slot("a.jpeg2"), 11);
    EXPECT_EQ(last_path, "a.jpeg2");
    EXPECT_EQ(_bmap_load("noextension", 0, 1), nullptr);
}

TEST_F(ImageLoad, FailedLoadsFallBackToAnIconSizedImage)
{
    bench::scratch_dir dir;
    std::string path = dir.write("broken.jpg", "not a jpeg");
    loaders_succeed = false;
    // The damaged header claims a huge picture; the icon image stays icon-sized.
    image_format_hooks.probe_jpeg = [](const char*, int* w, int* h, int* xr, int* yr) {
        *w = 20000;
        *h = 20000;
        *xr = *yr = 72;
        return 1;
    };
    int live = bmap_live_count;
    _bmap* b = _bmap_load(path.c_str(), 0, 1);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->width, 32);
    EXPECT_EQ(b->height, 32);
    EXPECT_EQ(b->header.biXPelsPerMeter, 2835);  // 72 dpi
    _bmap_delete(b);
    EXPECT_EQ(bmap_live_count, live);
    EXPECT_EQ(_count_buffers(), 0);
}

TEST_F(ImageLoad, BmpFilesLoadByThemselves)
{
    bench::scratch_dir dir;
    dib_fields d;
    d.width = 4;
    d.height = 3;
    d.pixel = [](int x, int y) { return (uint32_t)(0x010101 * (x + 4 * y)); };
    std::string path = dir.write("pic.BMP", make_bmp(d));
    _bmap* b = _bmap_load(path.c_str(), 0, 1);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->width, 4);
    EXPECT_EQ(rgb_at(b, 3, 2), 0x010101u * 11);
    _bmap_delete(b);
    // 16- and 32-bit files are not read by the library's own reader; the load still gives a picture.
    for (uint16_t bpp : {16, 32}) {
        d.bpp = bpp;
        std::string deep = dir.write("deep" + std::to_string(bpp) + ".bmp", make_bmp(d));
        EXPECT_EQ(_bmap_read_bmp(deep.c_str()), nullptr);
        b = _bmap_load(deep.c_str(), 0, 1);
        ASSERT_NE(b, nullptr);
        _bmap_delete(b);
    }
    EXPECT_EQ(_count_buffers(), 0);
}

TEST_F(ImageLoad, IconFilesShowTheirOwnPicture)
{
    bench::scratch_dir dir;
    // A 32 x 32 24-bit icon: directory, entry, bitmap header (double height),
    // colour rows bottom-up, then the all-opaque AND mask.
    std::string ico(6 + 16, '\0');
    put16(ico, 2, 1);
    put16(ico, 4, 1);
    ico[6] = 32;
    ico[7] = 32;
    put16(ico, 6 + 4, 1);
    put16(ico, 6 + 6, 24);
    dib_fields d;
    d.width = 32;
    d.height = 64;
    d.pixel = [](int, int) { return 0x2080c0u; };
    std::string dib = make_dib(d);
    dib.resize(40 + 32 * 96);  // colour rows only
    dib += std::string(32 * 4, '\0');
    put32(ico, 6 + 8, (uint32_t)dib.size());
    put32(ico, 6 + 12, 22);
    std::string path = dir.write("pic.ico", ico + dib);
    _bmap* b = _bmap_load(path.c_str(), 0, 1);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->width, 32);
    EXPECT_EQ(b->height, 32);
    EXPECT_EQ(rgb_at(b, 16, 16), 0x2080c0u);
    EXPECT_EQ(b->header.biXPelsPerMeter, 3780);
    _bmap_delete(b);
}
