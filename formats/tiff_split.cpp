// Splitting a multipage TIFF into one file per page: each page's tags are
// copied from a fixed list and its strips or tiles are copied raw, without
// decoding, into "<file without extension>\\%08d.tif" beside the source.
#include "formats/tiff_holders.h"
#include "base/holders.h"
#include "formats/tiff.h"
#include "base/cptext.h"
#include "files/files.h"
#include <windows.h>
#include <tiffio.h>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

enum tag_kind { U16, U32, FLOAT, TEXT, EXTRA_SAMPLES, COLOUR_MAP, TWO_U16, FLOAT_ARRAY, JPEG_TABLES };

struct copied_tag {
    ttag_t tag;
    tag_kind kind;
};

// Copied in this order when the source directory has them. The JPEG tables
// and the YCbCr tags keep JPEG-compressed pages decodable on their own.
const copied_tag copied_tags[] = {
    {TIFFTAG_SUBFILETYPE, U32},
    {TIFFTAG_TILEWIDTH, U32},
    {TIFFTAG_TILELENGTH, U32},
    {TIFFTAG_IMAGEWIDTH, U32},
    {TIFFTAG_IMAGELENGTH, U32},
    {TIFFTAG_BITSPERSAMPLE, U16},
    {TIFFTAG_COMPRESSION, U16},
    {TIFFTAG_PREDICTOR, U16},
    {TIFFTAG_PHOTOMETRIC, U16},
    {TIFFTAG_THRESHHOLDING, U16},
    {TIFFTAG_FILLORDER, U16},
    {TIFFTAG_ORIENTATION, U16},
    {TIFFTAG_SAMPLESPERPIXEL, U16},
    {TIFFTAG_MINSAMPLEVALUE, U16},
    {TIFFTAG_MAXSAMPLEVALUE, U16},
    {TIFFTAG_XRESOLUTION, FLOAT},
    {TIFFTAG_YRESOLUTION, FLOAT},
    {TIFFTAG_GROUP3OPTIONS, U32},
    {TIFFTAG_GROUP4OPTIONS, U32},
    {TIFFTAG_RESOLUTIONUNIT, U16},
    {TIFFTAG_PLANARCONFIG, U16},
    {TIFFTAG_ROWSPERSTRIP, U32},
    {TIFFTAG_XPOSITION, FLOAT},
    {TIFFTAG_YPOSITION, FLOAT},
    {TIFFTAG_IMAGEDEPTH, U32},
    {TIFFTAG_TILEDEPTH, U32},
    {TIFFTAG_SAMPLEFORMAT, U16},
    {TIFFTAG_EXTRASAMPLES, EXTRA_SAMPLES},
    {TIFFTAG_COLORMAP, COLOUR_MAP},
    {TIFFTAG_PAGENUMBER, TWO_U16},
    {TIFFTAG_ARTIST, TEXT},
    {TIFFTAG_IMAGEDESCRIPTION, TEXT},
    {TIFFTAG_MAKE, TEXT},
    {TIFFTAG_MODEL, TEXT},
    {TIFFTAG_SOFTWARE, TEXT},
    {TIFFTAG_DATETIME, TEXT},
    {TIFFTAG_HOSTCOMPUTER, TEXT},
    {TIFFTAG_PAGENAME, TEXT},
    {TIFFTAG_DOCUMENTNAME, TEXT},
    {TIFFTAG_JPEGTABLES, JPEG_TABLES},
    {TIFFTAG_YCBCRCOEFFICIENTS, FLOAT_ARRAY},
    {TIFFTAG_YCBCRSUBSAMPLING, TWO_U16},
    {TIFFTAG_YCBCRPOSITIONING, U16},
    {TIFFTAG_REFERENCEBLACKWHITE, FLOAT_ARRAY},
};

uint64_t read_number(const BYTE* p, int size, bool big_endian)
{
    uint64_t v = 0;
    for (int i = 0; i < size; i++) v |= (uint64_t)p[big_endian ? size - 1 - i : i] << (8 * i);
    return v;
}

// The bytes of a BYTE or UNDEFINED entry of the current directory, read from
// the file itself: a libtiff built without JPEG support reads a JPEG-compressed
// directory but drops its JPEG tables. Empty when the entry is absent or bad.
std::string read_directory_bytes(TIFF* in, uint16_t tag)
{
    enum { MOST_BYTES = 16 * 1024 * 1024, MOST_ENTRIES = 4096 };
    c_file f(fopen(TIFFFileName(in), "rb"));
    if (!f.get()) return "";
    BYTE header[4];
    if (fread(header, 1, 4, f.get()) != 4) return "";
    bool big_endian = header[0] == 'M';
    bool big_tiff = read_number(header + 2, 2, big_endian) == 43;
    int count_size = big_tiff ? 8 : 2, entry_size = big_tiff ? 20 : 12, value_size = big_tiff ? 8 : 4;
    BYTE number[8];
    if (fseeko64(f.get(), (long long)TIFFCurrentDirOffset(in), SEEK_SET) != 0 ||
        fread(number, 1, count_size, f.get()) != (size_t)count_size)
        return "";
    uint64_t entries = read_number(number, count_size, big_endian);
    if (entries > MOST_ENTRIES) return "";
    for (uint64_t i = 0; i < entries; i++) {
        BYTE entry[20];
        if (fread(entry, 1, entry_size, f.get()) != (size_t)entry_size) return "";
        if (read_number(entry, 2, big_endian) != tag) continue;
        uint64_t type = read_number(entry + 2, 2, big_endian);
        uint64_t count = read_number(entry + 4, value_size, big_endian);
        const BYTE* value = entry + 4 + value_size;
        if ((type != TIFF_BYTE && type != TIFF_UNDEFINED) || count == 0 || count > MOST_BYTES) return "";
        if (count <= (uint64_t)value_size) return std::string((const char*)value, (size_t)count);
        std::string bytes((size_t)count, '\0');
        if (fseeko64(f.get(), (long long)read_number(value, value_size, big_endian), SEEK_SET) != 0 ||
            fread(&bytes[0], 1, bytes.size(), f.get()) != bytes.size())
            return "";
        return bytes;
    }
    return "";
}

// The JPEG tables: through libtiff when it knows them, else from the file.
// Without JPEG support the tag is unknown to the output, so it is defined there.
void copy_jpeg_tables(TIFF* in, TIFF* out)
{
    std::string tables;
    uint16_t compression = 0;
    uint32_t count = 0;
    void* data = nullptr;
    const TIFFField* field = TIFFFindField(in, TIFFTAG_JPEGTABLES, TIFF_ANY);
    if (field && TIFFFieldReadCount(field) == TIFF_VARIABLE2 && TIFFGetField(in, TIFFTAG_JPEGTABLES, &count, &data) &&
        data && count > 0)
        tables.assign((const char*)data, count);
    else if (TIFFGetField(in, TIFFTAG_COMPRESSION, &compression) && compression == COMPRESSION_JPEG)
        tables = read_directory_bytes(in, TIFFTAG_JPEGTABLES);
    if (tables.empty()) return;
    const TIFFField* target = TIFFFindField(out, TIFFTAG_JPEGTABLES, TIFF_ANY);
    if (!target) {
        static const TIFFFieldInfo definition = {
            (ttag_t)TIFFTAG_JPEGTABLES,     TIFF_VARIABLE2, TIFF_VARIABLE2, TIFF_UNDEFINED, FIELD_CUSTOM, 1, 1,
            const_cast<char*>("JPEGTables")};
        if (TIFFMergeFieldInfo(out, &definition, 1) != 0) return;
        target = TIFFFindField(out, TIFFTAG_JPEGTABLES, TIFF_ANY);
    }
    if (target && TIFFFieldReadCount(target) == TIFF_VARIABLE2)
        TIFFSetField(out, TIFFTAG_JPEGTABLES, (uint32_t)tables.size(), tables.data());
}

void copy_tag(TIFF* in, TIFF* out, const copied_tag& t)
{
    switch (t.kind) {
    case U16: {
        uint16_t v = 0;
        if (TIFFGetField(in, t.tag, &v)) TIFFSetField(out, t.tag, v);
        break;
    }
    case U32: {
        uint32_t v = 0;
        if (TIFFGetField(in, t.tag, &v)) TIFFSetField(out, t.tag, v);
        break;
    }
    case FLOAT: {
        float v = 0;
        if (TIFFGetField(in, t.tag, &v)) TIFFSetField(out, t.tag, (double)v);
        break;
    }
    case TEXT: {
        char* v = nullptr;
        if (TIFFGetField(in, t.tag, &v) && v) TIFFSetField(out, t.tag, v);
        break;
    }
    case EXTRA_SAMPLES: {
        uint16_t count = 0;
        uint16_t* list = nullptr;
        if (TIFFGetField(in, t.tag, &count, &list) && list) TIFFSetField(out, t.tag, count, list);
        break;
    }
    case COLOUR_MAP: {
        uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
        if (TIFFGetField(in, t.tag, &r, &g, &b) && r && g && b) TIFFSetField(out, t.tag, r, g, b);
        break;
    }
    case TWO_U16: {
        uint16_t a = 0, b = 0;
        if (TIFFGetField(in, t.tag, &a, &b)) TIFFSetField(out, t.tag, a, b);
        break;
    }
    case FLOAT_ARRAY: {
        float* v = nullptr;
        if (TIFFGetField(in, t.tag, &v) && v) TIFFSetField(out, t.tag, v);
        break;
    }
    case JPEG_TABLES: copy_jpeg_tables(in, out); break;
    }
}

// Raw copy of every strip (or tile) in order; 0 on a read, write or allocation failure.
// The buffer holds the longest piece the file has, never what the header's
// width and height would make of one: a header may claim gigabytes.
int copy_raw_pieces(TIFF* in, TIFF* out, bool tiles)
{
    uint64_t* counts = nullptr;
    if (!TIFFGetField(in, tiles ? TIFFTAG_TILEBYTECOUNTS : TIFFTAG_STRIPBYTECOUNTS, &counts) || !counts) return 0;
    uint32_t pieces = tiles ? TIFFNumberOfTiles(in) : TIFFNumberOfStrips(in);
    uint64_t file_size = TIFFGetSizeProc(in)(TIFFClientdata(in));
    uint64_t longest = 1;
    for (uint32_t i = 0; i < pieces; i++) {
        // A piece cannot be longer than the file that holds it.
        if (counts[i] > 0x7FFFFFFF || counts[i] > file_size) return 0;
        if (counts[i] > longest) longest = counts[i];
    }
    tiff_buffer buffer;
    buffer.reset((unsigned char*)_TIFFmalloc((tmsize_t)longest));
    if (!buffer.get()) return 0;
    for (uint32_t i = 0; i < pieces; i++) {
        uint64_t count = counts[i];
        tmsize_t got = tiles ? TIFFReadRawTile(in, i, buffer.get(), (tmsize_t)count)
                             : TIFFReadRawStrip(in, i, buffer.get(), (tmsize_t)count);
        if (got < 0) return 0;
        tmsize_t put =
            tiles ? TIFFWriteRawTile(out, i, buffer.get(), got) : TIFFWriteRawStrip(out, i, buffer.get(), got);
        if (put < 0) return 0;
    }
    return 1;
}

int copy_tiff_directory(TIFF* in, TIFF* out)
{
    for (const copied_tag& t : copied_tags) copy_tag(in, out, t);
    return copy_raw_pieces(in, out, TIFFIsTiled(in) != 0);
}

}  // namespace

int split_multipage_tiff(const char* path)
{
    tiff_file source(tiff_open(path, "r"));
    if (!source.get()) return 0;

    // The folder: the absolute path without the file name's extension.
    char folder[PATH_BUF];
    if (!full_path(folder, sizeof folder, path)) return 0;
    char* name = mb_strrchr(folder, '\\');
    char* dot = mb_strrchr(name ? name : folder, '.');
    if (!dot) return 0;  // the folder would be the file itself
    *dot = 0;

    // Every page name has the same length: if the first fits, all do.
    char page[PATH_BUF];
    if (!text_format(page, sizeof page, "%s\\%08d.tif", folder, 1)) return 0;
    if (!md_path(folder)) return 0;  // also 0 when the folder exists already

    for (int number = 1;; number++) {
        if (!text_format(page, sizeof page, "%s\\%08d.tif", folder, number)) return 0;
        int copied;
        {
            tiff_file out(tiff_open(page, "w"));
            if (!out.get()) return 0;
            copied = copy_tiff_directory(source.get(), out.get());
        }
        if (!copied) return 0;
        if (!TIFFReadDirectory(source.get())) return 1;
    }
}
