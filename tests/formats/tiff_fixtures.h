// TIFF fixtures written with libtiff for the format tests.
#pragma once
#include <tiffio.h>
#include <functional>
#include <string>
#include <vector>

struct tiff_page {
    uint32_t width = 1, height = 1;
    uint16_t spp = 1, bps = 8, photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t planar = PLANARCONFIG_CONTIG, compression = COMPRESSION_NONE;
    uint32_t rows_per_strip = 0;       // 0: libtiff's default
    std::function<void(TIFF*)> extra;  // more tags
    std::vector<std::string> rows;     // scanlines (height x spp of them for separate planes; fewer: cut short)
};

// One directory per page, scanlines written through the page's codec.
bool write_tiff_pages(const std::string& path, const std::vector<tiff_page>& pages);
// Grey 8-bit tiled pages of w x h with square tiles; pixel value page * 50 + x + y.
bool write_tiled_tiff(const std::string& path, int pages, uint32_t w, uint32_t h, uint32_t tile);

// A little-endian TIFF built byte by byte, for directories libtiff would not
// write: the strip data follows the 8-byte header (so its offset is 8), then
// the values too long for their entries, then the one directory. Entries
// must be given in tag order; values are the entries' little-endian bytes.
struct tiff_entry {
    uint16_t tag, type;
    uint32_t count;
    std::string value;
};
tiff_entry tiff_short(uint16_t tag, uint16_t v);
tiff_entry tiff_long(uint16_t tag, uint32_t v);
tiff_entry tiff_shorts(uint16_t tag, const std::vector<uint16_t>& v);
std::string build_tiff(const std::vector<tiff_entry>& entries, const std::string& strip_data);
