// Splitting multipage TIFF files: page files and folder names, raw strips and
// tiles equal to the source's, the copied tags (JPEG tables and YCbCr tags
// included, so JPEG pages stay decodable), and names too long for a path.
#include "formats/formats.h"
#include "graphics/kavtrel.h"
#include "tests/support/bench.h"
#include "tests/formats/tiff_fixtures.h"
#include <gtest/gtest.h>
#include <tiffio.h>
#include <jpeglib.h>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Bilevel pages with a different pattern each, G4-compressed, several strips.
tiff_page g4_page(int number)
{
    tiff_page p;
    p.width = 40, p.height = 30, p.bps = 1, p.photometric = PHOTOMETRIC_MINISWHITE;
    p.compression = COMPRESSION_CCITTFAX4;
    p.rows_per_strip = 8;
    for (uint32_t y = 0; y < p.height; y++) {
        std::string row(5, '\0');
        for (int x = 0; x < 40; x++)
            if ((x + y) % (number + 2) == 0) row[x / 8] |= (char)(0x80 >> (x % 8));
        p.rows.push_back(row);
    }
    p.extra = [number](TIFF* t) {
        TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        TIFFSetField(t, TIFFTAG_PAGENUMBER, number - 1, 3);
        TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        TIFFSetField(t, TIFFTAG_XRESOLUTION, 200.0);
        TIFFSetField(t, TIFFTAG_YRESOLUTION, 100.0);
        TIFFSetField(t, TIFFTAG_ARTIST, "artist");
        TIFFSetField(t, TIFFTAG_DOCUMENTNAME, "document");
        TIFFSetField(t, TIFFTAG_PAGENAME, ("page " + std::to_string(number)).c_str());
        TIFFSetField(t, TIFFTAG_GROUP4OPTIONS, 0);
    };
    return p;
}

std::string raw_strip(TIFF* t, uint32_t i, bool tile)
{
    uint64_t* counts = nullptr;
    TIFFGetField(t, tile ? TIFFTAG_TILEBYTECOUNTS : TIFFTAG_STRIPBYTECOUNTS, &counts);
    std::string s(counts ? (size_t)counts[i] : 0, '\0');
    tmsize_t n = tile ? TIFFReadRawTile(t, i, &s[0], s.size()) : TIFFReadRawStrip(t, i, &s[0], s.size());
    return n < 0 ? "read failed" : s.substr(0, (size_t)n);
}

std::string text_tag(TIFF* t, ttag_t tag)
{
    char* v = nullptr;
    return TIFFGetField(t, tag, &v) && v ? v : "(none)";
}

// Compares the page file with directory `page` of the source: data and tags.
void expect_same_page(const std::string& source, int page, const std::string& copy, bool tiles,
                      uint32_t least_pieces = 2)
{
    TIFF* a = TIFFOpen(source.c_str(), "r");
    TIFF* b = TIFFOpen(copy.c_str(), "r");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr) << copy;
    ASSERT_EQ(TIFFSetDirectory(a, (uint16_t)page), 1);
    EXPECT_EQ(TIFFNumberOfDirectories(b), 1);
    uint32_t pieces = tiles ? TIFFNumberOfTiles(a) : TIFFNumberOfStrips(a);
    ASSERT_EQ(pieces, tiles ? TIFFNumberOfTiles(b) : TIFFNumberOfStrips(b));
    EXPECT_GE(pieces, least_pieces);
    for (uint32_t i = 0; i < pieces; i++) EXPECT_EQ(raw_strip(a, i, tiles), raw_strip(b, i, tiles)) << "piece " << i;
    for (ttag_t tag :
         {TIFFTAG_IMAGEWIDTH, TIFFTAG_IMAGELENGTH, TIFFTAG_ROWSPERSTRIP, TIFFTAG_TILEWIDTH, TIFFTAG_SUBFILETYPE}) {
        uint32_t va = 0, vb = 0;
        EXPECT_EQ(TIFFGetField(a, tag, &va), TIFFGetField(b, tag, &vb)) << tag;
        EXPECT_EQ(va, vb) << tag;
    }
    for (ttag_t tag : {TIFFTAG_BITSPERSAMPLE, TIFFTAG_COMPRESSION, TIFFTAG_PHOTOMETRIC, TIFFTAG_RESOLUTIONUNIT,
                       TIFFTAG_SAMPLESPERPIXEL}) {
        uint16_t va = 0, vb = 0;
        EXPECT_EQ(TIFFGetField(a, tag, &va), TIFFGetField(b, tag, &vb)) << tag;
        EXPECT_EQ(va, vb) << tag;
    }
    float xa = 0, xb = 0;
    TIFFGetField(a, TIFFTAG_XRESOLUTION, &xa);
    TIFFGetField(b, TIFFTAG_XRESOLUTION, &xb);
    EXPECT_EQ(xa, xb);
    uint16_t na = 0, ta = 0, nb = 9, tb = 9;
    EXPECT_EQ(TIFFGetField(a, TIFFTAG_PAGENUMBER, &na, &ta), TIFFGetField(b, TIFFTAG_PAGENUMBER, &nb, &tb));
    EXPECT_EQ(na, nb);
    EXPECT_EQ(ta, tb);
    for (ttag_t tag : {TIFFTAG_ARTIST, TIFFTAG_DOCUMENTNAME, TIFFTAG_PAGENAME})
        EXPECT_EQ(text_tag(a, tag), text_tag(b, tag)) << tag;
    TIFFClose(a);
    TIFFClose(b);
}

// Position of the entry for `tag` in directory `index` of a little-endian
// file's bytes, or 0. Lets tests read and patch what libtiff would not.
size_t entry_at(const std::string& f, int index, uint16_t tag)
{
    auto u16 = [&](size_t at) {
        return at + 2 <= f.size() ? (unsigned)(unsigned char)f[at] | (unsigned char)f[at + 1] << 8 : 0u;
    };
    auto u32 = [&](size_t at) { return at + 4 <= f.size() ? u16(at) | u16(at + 2) << 16 : 0u; };
    if (f.compare(0, 2, "II") != 0) return 0;
    size_t ifd = u32(4);
    for (int i = 0; i < index && ifd; i++) ifd = u32(ifd + 2 + 12 * u16(ifd));
    for (unsigned i = 0, n = ifd ? u16(ifd) : 0; i < n; i++)
        if (u16(ifd + 2 + 12 * i) == tag) return ifd + 2 + 12 * i;
    return 0;
}

// The bytes of tag 347 in the first directory, read directly: a libtiff
// without JPEG support drops them when reading.
std::string first_directory_jpeg_tables(const std::string& path)
{
    std::string f = bench::read_file(path);
    size_t e = entry_at(f, 0, TIFFTAG_JPEGTABLES);
    if (!e) return "(none)";
    auto u32 = [&](size_t at) {
        return (unsigned)(unsigned char)f[at] | (unsigned char)f[at + 1] << 8 | (unsigned char)f[at + 2] << 16 |
               (unsigned)(unsigned char)f[at + 3] << 24;
    };
    size_t count = u32(e + 4);
    return count <= 4 ? f.substr(e + 8, count) : f.substr(u32(e + 8), count);
}

}  // namespace

TEST(TiffSplit, ThreeGroup4PagesIntoAFolderBesideTheFile)
{
    bench::scratch_dir dir;
    std::string source = dir.file("scan.tif");
    ASSERT_TRUE(write_tiff_pages(source, {g4_page(1), g4_page(2), g4_page(3)}));
    EXPECT_EQ(split_multipage_tiff(source.c_str()), 1);
    for (int n = 1; n <= 3; n++) {
        std::string page = dir.file("scan\\0000000" + std::to_string(n) + ".tif");
        ASSERT_TRUE(exists(page)) << page;
        expect_same_page(source, n - 1, page, false);
    }
    EXPECT_FALSE(exists(dir.file("scan\\00000004.tif")));
    EXPECT_FALSE(exists(dir.file("scan\\00000000.tif")));

    // The pages decode like the source's first page.
    _bmap* a = load_tiff_file(source.c_str());
    _bmap* b = load_tiff_file(dir.file("scan\\00000001.tif").c_str());
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(0, memcmp(a->pixels, b->pixels, a->size));
    _bmap_delete(a);
    _bmap_delete(b);

    // The folder exists now: a second split makes nothing and says so.
    std::string before = bench::read_file(dir.file("scan\\00000002.tif"));
    EXPECT_EQ(split_multipage_tiff(source.c_str()), 0);
    EXPECT_EQ(bench::read_file(dir.file("scan\\00000002.tif")), before);
    EXPECT_EQ(split_multipage_tiff(dir.file("missing.tif").c_str()), 0);
}

TEST(TiffSplit, FailureHalfWayKeepsTheEarlierPages)
{
    bench::scratch_dir dir;
    std::string source = dir.file("broken.tif");
    tiff_page one = g4_page(1), two = g4_page(2);
    one.rows_per_strip = two.rows_per_strip = 30;  // one strip each
    ASSERT_TRUE(write_tiff_pages(source, {one, two}));
    // Point the second page's strip past the end of the file.
    std::string bytes = bench::read_file(source);
    size_t e = entry_at(bytes, 1, TIFFTAG_STRIPOFFSETS);
    ASSERT_NE(e, 0u);
    bytes.replace(e + 8, 4, std::string("\xF0\xFF\xFF\x7F", 4));
    bench::write_file(source, bytes);

    EXPECT_EQ(split_multipage_tiff(source.c_str()), 0);
    expect_same_page(source, 0, dir.file("broken\\00000001.tif"), false, 1);
}

TEST(TiffSplit, TiledPagesCopyTheirTiles)
{
    bench::scratch_dir dir;
    std::string source = dir.file("tiles.tiff");
    ASSERT_TRUE(write_tiled_tiff(source, 2, 40, 20, 16));
    EXPECT_EQ(split_multipage_tiff(source.c_str()), 1);
    expect_same_page(source, 0, dir.file("tiles\\00000001.tif"), true);
    expect_same_page(source, 1, dir.file("tiles\\00000002.tif"), true);
    EXPECT_FALSE(exists(dir.file("tiles\\00000003.tif")));
}

TEST(TiffSplit, PageNamesMustFitThePathBuffer)
{
    bench::scratch_dir dir;
    std::vector<tiff_page> pages = {g4_page(1), g4_page(2)};
    size_t base = strlen(dir.path()) + 1;
    // The page name is the folder plus 13 bytes ("\\00000001.tif"); 259 bytes fit.
    std::string fits = dir.file(std::string(246 - base, 'a') + ".tif");
    std::string over = dir.file(std::string(247 - base, 'b') + ".tif");
    ASSERT_TRUE(write_tiff_pages(fits, pages));
    ASSERT_TRUE(write_tiff_pages(over, pages));
    EXPECT_EQ(split_multipage_tiff(fits.c_str()), 1);
    EXPECT_TRUE(exists(fits.substr(0, fits.size() - 4) + "\\00000002.tif"));
    EXPECT_EQ(split_multipage_tiff(over.c_str()), 0);
    EXPECT_FALSE(exists(over.substr(0, over.size() - 4)));
}

namespace {

struct jpeg_failure {
    jpeg_error_mgr manager;
    jmp_buf jump;
};
void jpeg_fail(j_common_ptr c) { longjmp(((jpeg_failure*)c->err)->jump, 1); }

const int JW = 24, JH = 16;
unsigned char sample(int x, int y, int c) { return (unsigned char)(c == 0 ? x * 10 : c == 1 ? y * 15 : 128); }

// Tables-only stream and abbreviated image stream of the test picture, as a
// JPEG-compressed TIFF keeps them (YCbCr without subsampling).
bool encode_jpeg(std::string& tables, std::string& image)
{
    jpeg_compress_struct c;
    jpeg_failure failure;
    c.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = jpeg_fail;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(failure.jump)) {
        jpeg_destroy_compress(&c);
        free(buffer);
        return false;
    }
    jpeg_create_compress(&c);
    c.image_width = JW;
    c.image_height = JH;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    c.write_JFIF_header = FALSE;
    for (int i = 0; i < 3; i++) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    jpeg_mem_dest(&c, &buffer, &size);
    jpeg_write_tables(&c);
    tables.assign((char*)buffer, size);
    free(buffer);
    buffer = nullptr;
    size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    jpeg_start_compress(&c, FALSE);
    unsigned char row[JW * 3];
    for (int y = 0; y < JH; y++) {
        for (int x = 0; x < JW; x++)
            for (int k = 0; k < 3; k++) row[x * 3 + k] = sample(x, y, k);
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    image.assign((char*)buffer, size);
    free(buffer);
    jpeg_destroy_compress(&c);
    return true;
}

// Decodes an abbreviated stream after its tables (none: the stream alone).
bool decode_jpeg(const std::string& tables, const std::string& image, std::vector<unsigned char>& out)
{
    jpeg_decompress_struct d;
    jpeg_failure failure;
    d.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = jpeg_fail;
    failure.manager.output_message = [](j_common_ptr) {};
    if (setjmp(failure.jump)) {
        jpeg_destroy_decompress(&d);
        return false;
    }
    jpeg_create_decompress(&d);
    if (!tables.empty()) {
        jpeg_mem_src(&d, (const unsigned char*)tables.data(), tables.size());
        if (jpeg_read_header(&d, FALSE) != JPEG_HEADER_TABLES_ONLY) longjmp(failure.jump, 1);
    }
    jpeg_mem_src(&d, (const unsigned char*)image.data(), image.size());
    jpeg_read_header(&d, TRUE);
    d.jpeg_color_space = JCS_YCbCr;
    d.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d);
    out.assign(d.output_width * d.output_height * 3, 0);
    while (d.output_scanline < d.output_height) {
        JSAMPROW rows[1] = {&out[d.output_scanline * d.output_width * 3]};
        jpeg_read_scanlines(&d, rows, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return true;
}

// Defines the JPEG tables tag where the library was built without JPEG.
void define_jpeg_tables(TIFF* t)
{
    if (TIFFFindField(t, TIFFTAG_JPEGTABLES, TIFF_ANY)) return;
    static const TIFFFieldInfo info = {TIFFTAG_JPEGTABLES,
                                       TIFF_VARIABLE2,
                                       TIFF_VARIABLE2,
                                       TIFF_UNDEFINED,
                                       FIELD_CUSTOM,
                                       1,
                                       1,
                                       const_cast<char*>("JPEGTables")};
    TIFFMergeFieldInfo(t, &info, 1);
}

}  // namespace

TEST(TiffSplit, JpegPagesStayDecodable)
{
    std::string tables, stream;
    ASSERT_TRUE(encode_jpeg(tables, stream));
    std::vector<unsigned char> pixels;
    ASSERT_FALSE(decode_jpeg("", stream, pixels));  // the strip alone lacks its tables

    bench::scratch_dir dir;
    std::string source = dir.file("photo.tif");
    TIFF* t = TIFFOpen(source.c_str(), "w");
    ASSERT_NE(t, nullptr);
    for (int page = 0; page < 2; page++) {
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, JW);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, JH);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        ASSERT_EQ(TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_JPEG), 1);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
        TIFFSetField(t, TIFFTAG_YCBCRSUBSAMPLING, 1, 1);
        TIFFSetField(t, TIFFTAG_YCBCRPOSITIONING, YCBCRPOSITION_CENTERED);
        static float reference[6] = {0, 255, 128, 255, 128, 255};
        TIFFSetField(t, TIFFTAG_REFERENCEBLACKWHITE, reference);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, JH);
        define_jpeg_tables(t);
        ASSERT_EQ(TIFFSetField(t, TIFFTAG_JPEGTABLES, (uint32_t)tables.size(), tables.data()), 1);
        ASSERT_EQ(TIFFWriteRawStrip(t, 0, &stream[0], stream.size()), (tmsize_t)stream.size());
        ASSERT_EQ(TIFFWriteDirectory(t), 1);
    }
    TIFFClose(t);

    ASSERT_EQ(split_multipage_tiff(source.c_str()), 1);
    for (const char* name : {"photo\\00000001.tif", "photo\\00000002.tif"}) {
        TIFF* p = TIFFOpen(dir.file(name).c_str(), "r");
        ASSERT_NE(p, nullptr) << name;
        uint16_t compression = 0, photometric = 0, h = 0, v = 0, positioning = 0;
        TIFFGetField(p, TIFFTAG_COMPRESSION, &compression);
        TIFFGetField(p, TIFFTAG_PHOTOMETRIC, &photometric);
        EXPECT_EQ(compression, COMPRESSION_JPEG);
        EXPECT_EQ(photometric, PHOTOMETRIC_YCBCR);
        ASSERT_EQ(TIFFGetField(p, TIFFTAG_YCBCRSUBSAMPLING, &h, &v), 1);
        EXPECT_EQ(h, 1);
        EXPECT_EQ(v, 1);
        EXPECT_EQ(TIFFGetField(p, TIFFTAG_YCBCRPOSITIONING, &positioning), 1);
        EXPECT_EQ(positioning, YCBCRPOSITION_CENTERED);
        float* ref = nullptr;
        ASSERT_EQ(TIFFGetField(p, TIFFTAG_REFERENCEBLACKWHITE, &ref), 1);
        EXPECT_EQ(ref[1], 255.0f);
        std::string page_tables = first_directory_jpeg_tables(dir.file(name));
        EXPECT_EQ(page_tables, tables);
        std::string strip = raw_strip(p, 0, false);
        EXPECT_EQ(strip, stream);
        TIFFClose(p);

        ASSERT_TRUE(decode_jpeg(page_tables, strip, pixels));
        ASSERT_EQ(pixels.size(), (size_t)JW * JH * 3);
        for (int y = 0; y < JH; y++)
            for (int x = 0; x < JW; x++)
                for (int k = 0; k < 3; k++)
                    EXPECT_NEAR(pixels[(y * JW + x) * 3 + k], sample(x, y, k), 8) << x << "," << y << "," << k;
    }
}

namespace {
std::string tiff_errors;
void record_tiff_error(const char*, const char* format, va_list args)
{
    char text[512];
    vsnprintf(text, sizeof text, format, args);
    tiff_errors += text;
    tiff_errors += "\n";
}
}  // namespace

TEST(TiffSplit, StripLongerThanTheFileFailsBeforeItIsRead)
{
    bench::scratch_dir dir;
    // A strip claiming more bytes than the whole file holds is refused before
    // a buffer is grown for it (at 2 GB the growth itself would fail), so
    // libtiff is never asked to read it.
    for (uint32_t claimed : {0x01000000u, 0x7FFFFFF0u}) {
        std::string source = dir.file("long" + std::to_string(claimed) + ".tif");
        tiff_page p = g4_page(1);
        p.rows_per_strip = 30;
        ASSERT_TRUE(write_tiff_pages(source, {p}));
        std::string bytes = bench::read_file(source);
        size_t e = entry_at(bytes, 0, TIFFTAG_STRIPBYTECOUNTS);
        ASSERT_NE(e, 0u);
        for (int i = 0; i < 4; i++) bytes[e + 8 + i] = (char)(claimed >> (8 * i));
        bench::write_file(source, bytes);

        tiff_errors.clear();
        TIFFErrorHandler saved = TIFFSetErrorHandler(record_tiff_error);
        int result = split_multipage_tiff(source.c_str());
        TIFFSetErrorHandler(saved);
        EXPECT_EQ(result, 0) << claimed;
        EXPECT_EQ(tiff_errors.find("Read error"), std::string::npos) << tiff_errors;
    }
}

TEST(TiffSplit, HeadersClaimingHugeStripsSplitWithBuffersOfTheFile)
{
    bench::scratch_dir dir;
    // A first page of one short G4 strip whose width and length are changed
    // to claim about 2 GB, 1 GB and 388 MB of rows. The raw copy needs a
    // buffer as long as the strip the file holds, not as the claim.
    const uint32_t lengths[] = {264000, 132000, 50000};
    for (uint32_t length : lengths) {
        std::string source = dir.file("claim" + std::to_string(length) + ".tif");
        tiff_page first = g4_page(1);
        first.rows_per_strip = 30;
        ASSERT_TRUE(write_tiff_pages(source, {first, g4_page(2)}));
        std::string bytes = bench::read_file(source);
        for (auto tag_value : {std::make_pair(TIFFTAG_IMAGEWIDTH, 65000u), std::make_pair(TIFFTAG_IMAGELENGTH, length),
                               std::make_pair(TIFFTAG_ROWSPERSTRIP, length)}) {
            size_t e = entry_at(bytes, 0, (uint16_t)tag_value.first);
            ASSERT_NE(e, 0u) << tag_value.first;
            bytes[e + 2] = TIFF_LONG, bytes[e + 3] = 0;
            for (int i = 0; i < 4; i++) bytes[e + 8 + i] = (char)(tag_value.second >> (8 * i));
        }
        bench::write_file(source, bytes);

        ASSERT_EQ(split_multipage_tiff(source.c_str()), 1) << length;
        std::string folder = source.substr(0, source.size() - 4);
        expect_same_page(source, 0, folder + "\\00000001.tif", false, 1);
        expect_same_page(source, 1, folder + "\\00000002.tif", false);
    }
}
