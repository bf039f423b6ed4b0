// TIFF fixtures written with libtiff for the format tests.
#include "tests/formats/tiff_fixtures.h"

bool write_tiff_pages(const std::string& path, const std::vector<tiff_page>& pages)
{
    TIFF* t = TIFFOpen(path.c_str(), "w");
    if (!t) return false;
    bool ok = true;
    for (const tiff_page& p : pages) {
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, p.width);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, p.height);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, p.spp);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, p.bps);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, p.photometric);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, p.planar);
        TIFFSetField(t, TIFFTAG_COMPRESSION, p.compression);
        if (p.rows_per_strip) TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, p.rows_per_strip);
        if (p.extra) p.extra(t);
        int samples = p.planar == PLANARCONFIG_SEPARATE ? p.spp : 1;
        for (int s = 0; s < samples && ok; s++)
            for (uint32_t y = 0; y < p.height && ok && s * p.height + y < p.rows.size(); y++) {
                std::string row = p.rows[s * p.height + y];
                row.resize(TIFFScanlineSize(t) > (tmsize_t)row.size() ? TIFFScanlineSize(t) : row.size(), '\0');
                ok = TIFFWriteScanline(t, &row[0], y, (uint16_t)s) == 1;
            }
        if (ok && pages.size() > 1) ok = TIFFWriteDirectory(t) == 1;
    }
    TIFFClose(t);
    return ok;
}

bool write_tiled_tiff(const std::string& path, int pages, uint32_t w, uint32_t h, uint32_t tile)
{
    TIFF* t = TIFFOpen(path.c_str(), "w");
    if (!t) return false;
    bool ok = true;
    for (int page = 0; page < pages && ok; page++) {
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
        TIFFSetField(t, TIFFTAG_TILEWIDTH, tile);
        TIFFSetField(t, TIFFTAG_TILELENGTH, tile);
        TIFFSetField(t, TIFFTAG_PAGENUMBER, page, pages);
        std::vector<unsigned char> buf(tile * tile);
        for (uint32_t ty = 0; ty < h && ok; ty += tile)
            for (uint32_t tx = 0; tx < w && ok; tx += tile) {
                for (uint32_t y = 0; y < tile; y++)
                    for (uint32_t x = 0; x < tile; x++)
                        buf[y * tile + x] = (unsigned char)(page * 50 + tx + x + ty + y);
                ok = TIFFWriteTile(t, buf.data(), tx, ty, 0, 0) > 0;
            }
        if (ok && pages > 1) ok = TIFFWriteDirectory(t) == 1;
    }
    TIFFClose(t);
    return ok;
}

namespace {
std::string le(uint32_t v, int bytes)
{
    std::string s;
    for (int i = 0; i < bytes; i++) s += (char)(v >> (8 * i));
    return s;
}
}  // namespace

tiff_entry tiff_short(uint16_t tag, uint16_t v) { return {tag, TIFF_SHORT, 1, le(v, 2)}; }
tiff_entry tiff_long(uint16_t tag, uint32_t v) { return {tag, TIFF_LONG, 1, le(v, 4)}; }
tiff_entry tiff_shorts(uint16_t tag, const std::vector<uint16_t>& v)
{
    std::string bytes;
    for (uint16_t x : v) bytes += le(x, 2);
    return {tag, TIFF_SHORT, (uint32_t)v.size(), bytes};
}

std::string build_tiff(const std::vector<tiff_entry>& entries, const std::string& strip_data)
{
    std::string out = "II*" + std::string(1, '\0') + le(0, 4) + strip_data;
    std::string directory = le((uint32_t)entries.size(), 2);
    for (const tiff_entry& e : entries) {
        directory += le(e.tag, 2) + le(e.type, 2) + le(e.count, 4);
        if (e.value.size() <= 4) {
            directory += e.value + std::string(4 - e.value.size(), '\0');
        } else {
            if (out.size() % 2) out += '\0';
            directory += le((uint32_t)out.size(), 4);
            out += e.value;
        }
    }
    if (out.size() % 2) out += '\0';
    out.replace(4, 4, le((uint32_t)out.size(), 4));
    return out + directory + le(0, 4);
}
