// Row padding of loaded images: whatever path made the image, the bytes after
// each row's pixels are zero, so no stale heap byte reaches a saved file.
#include "formats/formats.h"
#include "graphics/kavtrel.h"
#include "tests/formats/reader_fixtures.h"
#include "tests/formats/tiff_fixtures.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

// Leaves freed blocks of about an image's size full of 0xAB, so that a fresh
// image's unwritten bytes are not zero by luck.
void dirty_heap(size_t bytes)
{
    std::vector<void*> blocks;
    for (int i = 0; i < 64; i++) {
        void* p = malloc(bytes);
        if (p) memset(p, 0xAB, bytes);
        blocks.push_back(p);
    }
    for (void* p : blocks) free(p);
}

std::string rows_of(int w, int h, int bytes_per_pixel, std::vector<std::string>* rows)
{
    std::string all;
    for (int y = 0; y < h; y++) {
        std::string r;
        for (int x = 0; x < w * bytes_per_pixel; x++) r += (char)(x * 13 + y * 7 + 1);
        if (rows) rows->push_back(r);
        all += r;
    }
    return all;
}

}  // namespace

TEST(RowPadding, IsZeroOnEveryLoadPath)
{
    bench::scratch_dir dir;
    const int h = 3;
    struct loader {
        const char* name;
        std::function<std::string(int)> write;
        _bmap* (*load)(const char*);
    };
    const loader loaders[] = {
        {"bmp 24",
         [&](int w) {
             std::vector<std::string> rows;
             rows_of(w, h, 3, &rows);
             return dir.write("p.bmp", readfix::bmp(w, h, rows, readfix::bmp_options()));
         },
         _bmap_read_bmp},
        {"png",
         [&](int w) {
             _bmap* b = bmap_new(w, h);
             memset(b->pixels, 0x55, (size_t)b->size);
             std::string path = dir.file("p.png");
             save_png_rgb(path.c_str(), b);
             _bmap_delete(b);
             return path;
         },
         load_png_file},
        {"tiff",
         [&](int w) {
             tiff_page p;
             p.width = w, p.height = h, p.spp = 3, p.photometric = PHOTOMETRIC_RGB;
             rows_of(w, h, 3, &p.rows);
             std::string path = dir.file("p.tif");
             write_tiff_pages(path, {p});
             return path;
         },
         load_tiff_file},
    };
    for (const loader& l : loaders)
        for (int w : {1, 2, 3, 5}) {
            std::string path = l.write(w);
            dirty_heap((size_t)((w * 3 + 3) / 4 * 4) * h);
            _bmap* image = l.load(path.c_str());
            ASSERT_NE(image, nullptr) << l.name << " width " << w;
            for (int y = 0; y < h; y++)
                for (int i = w * 3; i < image->stride; i++)
                    EXPECT_EQ(image->pixels[(size_t)y * image->stride + i], 0)
                        << l.name << " width " << w << " row " << y << " byte " << i;
            _bmap_delete(image);
        }
}
