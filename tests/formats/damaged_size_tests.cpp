// Files whose headers claim more picture than their bytes can hold, in every
// format the program reads: each probe refuses the size and each loader
// refuses the file before it makes a picture, rather than asking for
// hundreds of megabytes and handing back a picture of missing data. A sound
// file coded at its format's best ratio still loads.
#include "formats/formats.h"
#include "graphics/kavtrel.h"
#include "tests/formats/damaged_fixtures.h"
#include "tests/formats/tiff_fixtures.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
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
    return damaged::jpeg_claiming(bench::read_file(path), 16384, 8192);
}

// A TIFF page of the fixture written and read back.
std::string tiff_bytes(const bench::scratch_dir& dir, const tiff_page& page)
{
    std::string path = dir.file("written.tif");
    return write_tiff_pages(path, {page}) ? bench::read_file(path) : "";
}

// An uncompressed grey TIFF of 8193 x 16384 rows of which one was written.
tiff_page short_grey()
{
    tiff_page p;
    p.width = 8193, p.height = 16384, p.rows_per_strip = 16384;
    p.rows = {std::string(8193, '\x40')};
    return p;
}

// A CCITT G4 bilevel page of width x height, white with a black bar across
// rows 100 to 109, of which only the first `coded` rows are written.
tiff_page fax(uint32_t width, uint32_t height, uint32_t coded)
{
    tiff_page p;
    p.width = width, p.height = height, p.rows_per_strip = height;
    p.bps = 1, p.photometric = PHOTOMETRIC_MINISWHITE, p.compression = COMPRESSION_CCITTFAX4;
    for (uint32_t y = 0; y < coded; y++)
        p.rows.push_back(std::string((width + 7) / 8, y >= 100 && y < 110 ? '\xFF' : 0));
    return p;
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
    probe tiff_probe = [](const char* p, int* w, int* h) {
        int x, y;
        return probe_tiff_file(p, w, h, &x, &y);
    };
    struct row {
        const char* name;
        std::string bytes;
        probe probes;
        load loads;
        // A sound file beside the damaged ones: it must probe and load at its size.
        int width = 0, height = 0;
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
        {"t.tif", tiff_bytes(dir, short_grey()), tiff_probe, load_tiff_file},
        // 1,552 x 65,535 claimed, one row coded.
        {"fax.tif", tiff_bytes(dir, fax(1552, 65535, 1)), tiff_probe, load_tiff_file},
        // An A4 page at 300 dpi, its white rows coded at their best (a bit each).
        {"page.tif", tiff_bytes(dir, fax(2480, 3508, 3508)), tiff_probe, load_tiff_file, 2480, 3508},
        {"bmp.gif", damaged::bmp(), jpeg_probe, jpeg_load},
        {"ppm.gif", damaged::ppm(), jpeg_probe, jpeg_load},
        {"targa.gif", damaged::targa(), jpeg_probe, jpeg_load},
    };
    for (const row& r : rows) {
        ASSERT_GT(r.bytes.size(), 40u) << r.name;
        ASSERT_LT(r.bytes.size(), 9000u) << r.name;
        std::string path = dir.write(r.name, r.bytes);
        bool sound = r.width > 0;
        int w = 0, h = 0;
        EXPECT_EQ(r.probes(path.c_str(), &w, &h), sound ? 1 : 0) << r.name << " probes as " << w << " x " << h;
        _bmap* b = r.loads(path.c_str());
        std::string size = std::to_string(b ? b->width : 0) + " x " + std::to_string(b ? b->height : 0);
        EXPECT_EQ(size, sound ? std::to_string(r.width) + " x " + std::to_string(r.height) : "0 x 0")
            << r.name << " loads as " << size;
        _bmap_delete(b);
    }
}

}  // namespace
