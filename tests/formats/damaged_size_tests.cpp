// Files whose headers claim more picture than their bytes can hold, in every
// format the program reads: each probe refuses the size and each loader
// refuses the file before it makes a picture, rather than asking for
// hundreds of megabytes and handing back a picture of missing data.
#include "formats/formats.h"
#include "graphics/kavtrel.h"
#include "tests/formats/damaged_fixtures.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <tiffio.h>
#include <functional>
#include <string>

namespace {

// A small sound JPEG with its frame header's size changed to 16384 x 8192.
std::string damaged_jpeg(const bench::scratch_dir& dir)
{
    std::string path = dir.file("sound.jpg");
    _bmap* b = bmap_new(64, 64);
    memset(b->pixels, 0x80, (size_t)b->size);
    save_jpeg_file(path.c_str(), b, 90);
    _bmap_delete(b);
    std::string bytes = bench::read_file(path);
    size_t sof = bytes.find("\xFF\xC0");
    if (sof == std::string::npos) return "";
    bytes.replace(sof + 5, 4, std::string{0x20, 0x00, 0x40, 0x00});  // height, width
    return bytes;
}

// An uncompressed grey TIFF of 8193 x 16384 rows of which one was written.
std::string damaged_tiff(const bench::scratch_dir& dir)
{
    std::string path = dir.file("short.tif");
    TIFF* t = TIFFOpen(path.c_str(), "w");
    if (!t) return "";
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 8193);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, 16384);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 16384);
    std::string row(8193, '\x40');
    TIFFWriteScanline(t, &row[0], 0, 0);
    TIFFClose(t);
    return bench::read_file(path);
}

TEST(DamagedSizes, AFileThatCannotHoldItsPictureIsRefusedBeforeOneIsMade)
{
    bench::scratch_dir dir;
    using probe = std::function<int(const char*, int*, int*)>;
    using load = std::function<_bmap*(const char*)>;
    probe jpeg_probe = [](const char* p, int* w, int* h) {
        int x, y;
        return probe_jpeg_file(p, w, h, &x, &y);
    };
    load jpeg_load = [](const char* p) { return load_jpeg_file(p, 1, 0); };
    struct row {
        const char* name;
        std::string bytes;
        probe probes;
        load loads;
    };
    const row rows[] = {
        {"p.png", damaged::png(),
         [](const char* p, int* w, int* h) {
             int x, y;
             return probe_png_file(p, w, h, &x, &y);
         },
         load_png_file},
        {"g.gif", damaged::gif(), jpeg_probe, jpeg_load},
        {"j.jpg", damaged_jpeg(dir), jpeg_probe, jpeg_load},
        {"d.psd", damaged::psd(), probe_psd_file, load_psd_file},
        {"t.tif", damaged_tiff(dir),
         [](const char* p, int* w, int* h) {
             int x, y;
             return probe_tiff_file(p, w, h, &x, &y);
         },
         load_tiff_file},
        {"bmp.gif", damaged::bmp(), jpeg_probe, jpeg_load},
        {"ppm.gif", damaged::ppm(), jpeg_probe, jpeg_load},
        {"targa.gif", damaged::targa(), jpeg_probe, jpeg_load},
    };
    for (const row& r : rows) {
        ASSERT_GT(r.bytes.size(), 40u) << r.name;
        ASSERT_LT(r.bytes.size(), 9000u) << r.name;
        std::string path = dir.write(r.name, r.bytes);
        int w = 0, h = 0;
        EXPECT_EQ(r.probes(path.c_str(), &w, &h), 0) << r.name << " probes as " << w << " x " << h;
        _bmap* b = r.loads(path.c_str());
        EXPECT_EQ(b, nullptr) << r.name << " loads as " << (b ? b->width : 0) << " x " << (b ? b->height : 0);
        _bmap_delete(b);
    }
}

}  // namespace
