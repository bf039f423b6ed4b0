// Metafiles from browsed folders are checked before they are played:
// damaged ones written byte by byte are refused cleanly, metafiles made by
// the system still load as the system draws them, each number that made the
// system's players crash or hang is refused when one field of a recording
// is changed to it, and thousands of mutated copies neither crash nor hang.
#include "tests/graphics/library.h"
#include "tests/graphics/image_fixtures.h"
#include "tests/graphics/metafile_seeds.h"
#include "tests/support/bench.h"
#include "tests/support/canvas.h"
#include "tests/support/clipboard_lock.h"
#include <algorithm>
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <vector>

using namespace fixtures;

namespace {

std::string words(std::initializer_list<uint32_t> values, int bytes_each)
{
    std::string s;
    for (uint32_t v : values) {
        std::string t(bytes_each, '\0');
        if (bytes_each == 2)
            put16(t, 0, (uint16_t)v);
        else
            put32(t, 0, v);
        s += t;
    }
    return s;
}

// A standard metafile record: size in words, function, parameters.
std::string wmf_record(uint32_t size_words, uint16_t function, const std::string& params)
{
    return words({size_words}, 4) + words({function}, 2) + params;
}
std::string wmf_record(uint16_t function, const std::string& params)
{
    return wmf_record((uint32_t)(3 + params.size() / 2), function, params);
}

// Header (memory metafile, version 3), the records and the end record; the
// declared size is the real one unless `declared_words` is given.
std::string wmf_body(const std::string& records, uint16_t objects = 1, uint32_t declared_words = 0)
{
    std::string all = records + wmf_record(0x0000, "");
    uint32_t total = (uint32_t)(18 + all.size()) / 2;
    uint32_t largest = 3;
    for (size_t at = 0; at + 4 <= all.size();) {
        uint32_t w = (uint8_t)all[at] | (uint8_t)all[at + 1] << 8 | (uint8_t)all[at + 2] << 16 |
                     (uint32_t)(uint8_t)all[at + 3] << 24;
        if (w > largest && w < 0x10000) largest = w;
        if (w < 3 || at + 2 * (uint64_t)w > all.size()) break;
        at += 2 * (size_t)w;
    }
    return words({1, 9, 0x300}, 2) + words({declared_words ? declared_words : total}, 4) + words({objects}, 2) +
           words({largest}, 4) + words({0}, 2) + all;
}

std::string placeable_wmf(const std::string& body)
{
    wmf_placeable_header h{};
    h.key = WMF_PLACEABLE_KEY;
    h.right = 1440;
    h.bottom = 1440;
    h.units_per_inch = 1440;
    return std::string((const char*)&h, sizeof h) + body;
}

// An enhanced metafile record: type, size (the real one unless given), data.
std::string emf_record(uint32_t type, const std::string& data, int64_t size = -1)
{
    return words({type, size >= 0 ? (uint32_t)size : (uint32_t)(8 + data.size())}, 4) + data;
}

// Header record, the records and the end record, with the counts filled in.
std::string emf_file(const std::string& records, uint16_t handles = 2, int record_count_change = 0)
{
    std::string eof = emf_record(EMR_EOF, words({0, 16, 20}, 4));
    std::string h(108, '\0');
    put32(h, 0, EMR_HEADER);
    put32(h, 4, 108);
    put32(h, 8, 0), put32(h, 12, 0), put32(h, 16, 99), put32(h, 20, 99);       // bounds
    put32(h, 24, 0), put32(h, 28, 0), put32(h, 32, 2646), put32(h, 36, 2646);  // frame, 0.01 mm
    put32(h, 40, ENHMETA_SIGNATURE);
    put32(h, 44, 0x10000);
    put32(h, 48, (uint32_t)(108 + records.size() + eof.size()));
    uint32_t count = 2;
    for (size_t at = 0; at + 8 <= records.size(); count++) {
        uint32_t size = (uint8_t)records[at + 4] | (uint8_t)records[at + 5] << 8 | (uint8_t)records[at + 6] << 16;
        if (size < 8) break;
        at += size;
    }
    put32(h, 52, count + record_count_change);
    put16(h, 56, handles);
    put32(h, 72, 1280), put32(h, 76, 1024), put32(h, 80, 338), put32(h, 84, 270);
    return h + records + eof;
}

std::string emf_rectangle() { return emf_record(EMR_RECTANGLE, words({10, 10, 90, 90}, 4)); }

// EMR_STRETCHDIBITS of a 2 x 2 24-bit bitmap whose header claims w x h.
std::string emf_stretchdibits(int32_t w, int32_t h)
{
    dib_fields d;
    d.width = 2;
    d.height = 2;
    std::string dib = make_dib(d);
    put32(dib, 4, (uint32_t)w);
    put32(dib, 8, (uint32_t)h);
    std::string fixed = words(
        {0, 0, 99, 99, 0, 0, 0, 0, 2, 2, 80, 40, 80 + 40, (uint32_t)dib.size() - 40, DIB_RGB_COLORS, SRCCOPY, 50, 50},
        4);
    return emf_record(EMR_STRETCHDIBITS, fixed + dib);
}

struct damaged {
    const char* name;
    bool wmf;
    std::string bytes;
};

std::vector<damaged> damaged_metafiles()
{
    std::string rect16 = words({10, 10, 90, 90}, 2);
    dib_fields d;
    d.width = 2;
    d.height = 2;
    std::string dib = make_dib(d);
    std::string big_dib = dib;
    put32(big_dib, 4, 2500), put32(big_dib, 8, 2800);  // 20 MB of bits claimed
    std::string stretch = words({SRCCOPY & 0xffff, SRCCOPY >> 16, 2, 2, 0, 0, 50, 50, 0, 0}, 2);
    return {
        {"wmf control", true, placeable_wmf(wmf_body(wmf_record(META_RECTANGLE, rect16)))},
        {"wmf body of six bytes", true, placeable_wmf(std::string("\x01\x00\x09\x00\x00\x03", 6))},
        {"wmf claims more than it holds", true,
         placeable_wmf(wmf_body(wmf_record(3 + 1 + 2 * 65280, META_POLYGON, words({65280}, 2)), 1, 159).substr(0, 26))},
        {"wmf polygon past its record", true,
         placeable_wmf(wmf_body(wmf_record(META_POLYGON, words({65280, 1, 1}, 2))))},
        {"wmf record of 0x80000000 words", true,
         placeable_wmf(wmf_body(wmf_record(0x80000000u, META_RECTANGLE, rect16)))},
        {"wmf record of no words", true, placeable_wmf(wmf_body(wmf_record(0, META_RECTANGLE, rect16)))},
        {"wmf object past the table", true, placeable_wmf(wmf_body(wmf_record(META_SELECTOBJECT, words({5}, 2)), 2))},
        {"wmf without its end", true, placeable_wmf(wmf_body(wmf_record(META_RECTANGLE, rect16)).substr(0, 18 + 14))},
        {"wmf text of negative length", true,
         placeable_wmf(wmf_body(wmf_record(META_TEXTOUT, words({0xfff0, 0x4141, 5, 5}, 2))))},
        {"wmf stretched bitmap without its bits", true,
         placeable_wmf(wmf_body(wmf_record(META_DIBSTRETCHBLT, stretch + big_dib)))},
        {"emf control", false, emf_file(emf_rectangle() + emf_stretchdibits(2, 2))},
        {"emf record of size 0", false, emf_file(emf_record(EMR_RECTANGLE, words({10, 10, 90, 90}, 4), 0x0))},
        {"emf record size not aligned", false, emf_file(emf_record(EMR_RECTANGLE, words({10, 10, 90, 90}, 4), 26))},
        {"emf record past the file", false, emf_file(emf_record(EMR_RECTANGLE, words({10, 10, 90, 90}, 4), 4000))},
        {"emf record count wrong", false, emf_file(emf_rectangle(), 2, 3)},
        {"emf without its end", false, emf_file(emf_rectangle()).substr(0, 108 + 24)},
        {"emf object past the table", false, emf_file(emf_record(EMR_SELECTOBJECT, words({7}, 4)))},
        {"emf pen made over the metafile", false, emf_file(emf_record(EMR_CREATEPEN, words({0, 0, 1, 0, 0}, 4)))},
        {"emf polygon past its record", false,
         emf_file(emf_record(EMR_POLYGON16, words({0, 0, 99, 99, 65280, 0x00050005}, 4)))},
        {"emf text past its record", false,
         emf_file(emf_record(EMR_EXTTEXTOUTW, words({0, 0, 99, 99, 1, 0, 0, 5, 5, 4000, 76, 0, 0, 0, 0, 0, 0}, 4)))},
        {"emf bitmap claims 20 MB", false, emf_file(emf_stretchdibits(2500, 2800))},
        {"emf bitmap of no height", false, emf_file(emf_stretchdibits(2, 0))},
    };
}

// Every way into a metafile file: probe, load, clipboard.
bool refused_everywhere(const std::string& path, bool wmf)
{
    int w = 0, h = 0, xr = 0, yr = 0;
    bool info = wmf ? _wmf_info(path.c_str(), &w, &h, &xr, &yr) : _emf_info(path.c_str(), &w, &h, &xr, &yr);
    _bmap* b = wmf ? _wmf_load(path.c_str(), 1) : _emf_load(path.c_str(), 1);
    bench::clipboard_lock lock;
    bool clip = _file_to_clipboard(path.c_str());
    if (b) _bmap_delete(b);
    return !info && !b && !clip;
}

}  // namespace

TEST(MetafileCheck, DamagedMetafilesAreRefused)
{
    library_ready();
    bench::scratch_dir dir;
    for (const damaged& m : damaged_metafiles()) {
        std::string path = dir.write(m.wmf ? "m.wmf" : "m.emf", m.bytes);
        bool control = std::string(m.name).find("control") != std::string::npos;
        EXPECT_EQ(refused_everywhere(path, m.wmf), !control) << m.name;
    }
}

namespace {

void expect_sample_pixels(_bmap* b, const char* kind)
{
    ASSERT_NE(b, nullptr) << kind;
    ASSERT_GE(b->width, 190) << kind;
    ASSERT_GE(b->height, 190) << kind;
    EXPECT_EQ(rgb_at(b, 30, 30), 0xff0000u) << kind;
    EXPECT_EQ(rgb_at(b, 150, 20), 0x0000ffu) << kind;
    EXPECT_EQ(rgb_at(b, 30, 130), 0xff00ffu) << kind;
    EXPECT_EQ(rgb_at(b, 50, 130), 0xffff00u) << kind;
    EXPECT_EQ(rgb_at(b, 30, 150), 0x00ffffu) << kind;
    EXPECT_EQ(rgb_at(b, 50, 150), 0x00ff00u) << kind;
    bool text = false;
    for (int y = 110; y < 130 && !text; y++)
        for (int x = 110; x < 150 && !text; x++) text = rgb_at(b, x, y) == 0;
    EXPECT_TRUE(text) << kind;
}

// Pixels (0xRRGGBB) of the picture as the system's own player draws it into
// a w x h image over the background for new pages, through the loader's mapping.
std::vector<uint32_t> system_drawing(const std::string& bytes, bool wmf, int w, int h)
{
    bench::canvas c(w, h);
    RECT all = {0, 0, w, h};
    HBRUSH fill = CreateSolidBrush(new_page_background);
    FillRect(c.dc(), &all, fill);
    DeleteObject(fill);
    SetStretchBltMode(c.dc(), COLORONCOLOR);
    SetMapMode(c.dc(), MM_ANISOTROPIC);
    SetViewportExtEx(c.dc(), w, h, nullptr);
    if (wmf) {
        const wmf_placeable_header* ph = (const wmf_placeable_header*)bytes.data();
        SetWindowExtEx(c.dc(), ph->right - ph->left, ph->bottom - ph->top, nullptr);
        HMETAFILE mf = SetMetaFileBitsEx((UINT)(bytes.size() - sizeof *ph), (const BYTE*)bytes.data() + sizeof *ph);
        PlayMetaFile(c.dc(), mf);
        DeleteMetaFile(mf);
    } else {
        const ENHMETAHEADER* eh = (const ENHMETAHEADER*)bytes.data();
        RECT frame = {0, 0, eh->rclBounds.right, eh->rclBounds.bottom};
        SetWindowExtEx(c.dc(), frame.right, frame.bottom, nullptr);
        HENHMETAFILE emf = SetEnhMetaFileBits((UINT)bytes.size(), (const BYTE*)bytes.data());
        PlayEnhMetaFile(c.dc(), emf, &frame);
        DeleteEnhMetaFile(emf);
    }
    std::vector<uint32_t> pixels(c.pixels(), c.pixels() + (size_t)w * h);
    for (uint32_t& p : pixels) p &= 0xffffff;
    return pixels;
}

std::vector<uint32_t> image_pixels(const _bmap* b)
{
    std::vector<uint32_t> pixels;
    for (int y = 0; y < b->height; y++)
        for (int x = 0; x < b->width; x++) pixels.push_back(rgb_at(b, x, y));
    return pixels;
}

}  // namespace

TEST(MetafileCheck, SystemMadeMetafilesStillLoad)
{
    library_ready();
    COLORREF background = new_page_background;
    _setbkcolor(RGB(255, 255, 255));
    bench::scratch_dir dir;
    std::string wmf = dir.write("sample.wmf", seeds::sample_wmf());
    std::string emf = dir.write("sample.emf", seeds::sample_emf(dir));
    _bmap* b = _bmap_load(wmf.c_str(), 0, 1);
    expect_sample_pixels(b, "wmf");
    if (b) _bmap_delete(b);
    b = _bmap_load(emf.c_str(), 0, 1);
    expect_sample_pixels(b, "emf");
    if (b) _bmap_delete(b);

    // Pens, arcs, bit blocks, a palette and text, a region filled and a
    // level restored by its number: probed, loaded as the system's own
    // players draw them, and copied.
    struct seed {
        const char* name;
        bool wmf;
        std::string bytes;
    } rich[] = {{"rich wmf", true, seeds::rich_wmf()},
                {"rich wmf at 48 units per inch", true, seeds::rich_wmf(48)},
                {"rich emf", false, seeds::rich_emf(dir)},
                {"wmf with a region filled and framed", true, seeds::region_wmf()},
                {"wmf restored to a level by its number", true, seeds::absolute_restore_wmf()},
                {"wmf restored by number inside one level", true, seeds::nested_saves_wmf(1)},
                {"wmf restored by number inside three levels", true, seeds::nested_saves_wmf(3)},
                {"wmf restored by number inside eight levels", true, seeds::nested_saves_wmf(8)}};
    for (const seed& r : rich) {
        std::string path = dir.write(r.wmf ? "rich.wmf" : "rich.emf", r.bytes);
        int w = 0, h = 0, xr, yr;
        EXPECT_EQ(r.wmf ? _wmf_info(path.c_str(), &w, &h, &xr, &yr) : _emf_info(path.c_str(), &w, &h, &xr, &yr), 1)
            << r.name;
        b = _bmap_load(path.c_str(), 0, 1);
        ASSERT_NE(b, nullptr) << r.name;
        EXPECT_EQ(b->width, w) << r.name;
        std::vector<uint32_t> drawn = system_drawing(r.bytes, r.wmf, b->width, b->height);
        EXPECT_TRUE(image_pixels(b) == drawn) << r.name;
        EXPECT_NE(std::count(drawn.begin(), drawn.end(), 0xffffffu), (long)drawn.size()) << r.name;
        _bmap_delete(b);
        bench::clipboard_lock lock;
        EXPECT_EQ(_file_to_clipboard(path.c_str()), 1) << r.name;
    }
    _setbkcolor(background);
}

namespace {

// The numeric fields of the records the players take sizes, widths, radii,
// counts and offsets from: record type, width of the fields and their byte
// offsets in the record (from byte 6 of a standard metafile's record on).
struct fields_of {
    uint32_t type;
    int width;
    std::vector<uint16_t> at;
};

// A placeable header's fields count as a record of their own.
enum : uint32_t { PLACEABLE = 0xffffffff };

const std::vector<fields_of> emf_fields = {
    {EMR_HEADER, 4, {8, 16, 20, 24, 32, 36, 72, 76, 80, 84}},
    {EMR_HEADER, 2, {56}},
    {EMR_CREATEPEN, 4, {8, 16}},
    {EMR_EXTCREATEPEN, 4, {12, 16, 28, 32, 48}},
    {EMR_SELECTOBJECT, 4, {8}},
    {EMR_MOVETOEX, 4, {8}},
    {EMR_LINETO, 4, {12}},
    {EMR_ARC, 4, {8, 16, 24}},
    {EMR_ANGLEARC, 4, {8, 16, 20, 24}},
    {EMR_CHORD, 4, {20}},
    {EMR_PIE, 4, {12}},
    {EMR_ELLIPSE, 4, {16}},
    {EMR_ROUNDRECT, 4, {24, 28}},
    {EMR_CREATEPALETTE, 4, {12}},
    {EMR_SELECTPALETTE, 4, {8}},
    {EMR_BITBLT, 4, {24, 32, 36, 44, 52, 84, 88, 92, 96}},
    {EMR_STRETCHBLT, 4, {32, 88, 100, 104}},
    {EMR_MASKBLT, 4, {36, 88, 100, 112, 116, 124}},
    {EMR_PLGBLT, 4, {24, 40, 60, 64, 100, 124, 128}},
    {EMR_TRANSPARENTBLT, 4, {88, 104}},
    {EMR_ALPHABLEND, 4, {88, 96, 100}},
    {EMR_SETDIBITSTODEVICE, 4, {40, 72}},
    {EMR_EXTCREATEFONTINDIRECTW, 4, {12, 16}},
    {EMR_EXTTEXTOUTW, 4, {36, 44, 48, 72}},
    {EMR_EOF, 4, {8}},
    // State records: save levels, objects, modes, the mapping and the transform.
    {EMR_RESTOREDC, 4, {8}},
    {EMR_CREATEBRUSHINDIRECT, 4, {8}},
    {EMR_DELETEOBJECT, 4, {8}},
    {EMR_SETMAPMODE, 4, {8}},
    {EMR_SETBKMODE, 4, {8}},
    {EMR_SETWINDOWEXTEX, 4, {8, 12}},
    {EMR_SETWINDOWORGEX, 4, {8}},
    {EMR_SETVIEWPORTEXTEX, 4, {12}},
    {EMR_SETVIEWPORTORGEX, 4, {8}},
    {EMR_SCALEWINDOWEXTEX, 4, {8, 12, 16, 20}},
    {EMR_SCALEVIEWPORTEXTEX, 4, {12, 20}},
    {EMR_SETWORLDTRANSFORM, 4, {8, 12, 16, 20, 24, 28}},
    {EMR_MODIFYWORLDTRANSFORM, 4, {8, 20, 32}},
};

const std::vector<fields_of> wmf_fields = {
    {PLACEABLE, 2, {10, 14}},
    {META_SETWINDOWEXT, 2, {6, 8}},
    {META_CREATEPENINDIRECT, 2, {8}},
    {META_CREATEFONTINDIRECT, 2, {6, 8}},
    {META_SELECTOBJECT, 2, {6}},
    {META_SELECTPALETTE, 2, {6}},
    {META_CREATEPALETTE, 2, {8}},
    {META_LINETO, 2, {6}},
    {META_ARC, 2, {6, 12, 18}},
    {META_CHORD, 2, {16}},
    {META_PIE, 2, {20}},
    {META_ELLIPSE, 2, {8}},
    {META_ROUNDRECT, 2, {6, 8}},
    {META_PATBLT, 2, {10}},
    {META_DIBBITBLT, 2, {10, 14, 20}},
    {META_DIBSTRETCHBLT, 2, {10, 18}},
    {META_SETDIBTODEV, 2, {8, 16}},
    {META_EXTTEXTOUT, 2, {10}},
    {META_RESTOREDC, 2, {6}},
    {META_DELETEOBJECT, 2, {6}},
    {META_SETMAPMODE, 2, {6}},
    {META_SETWINDOWORG, 2, {6}},
    {META_SCALEWINDOWEXT, 2, {6, 8, 10, 12}},
};

// The bitmaps inside records: the offset of their header (or of the record
// field holding it, for enhanced metafiles), and the header's fields.
struct bitmap_place {
    uint32_t type;
    uint16_t at;
    bool indirect;
};
const std::vector<bitmap_place> bitmap_places = {{EMR_BITBLT, 84, true},           {EMR_STRETCHBLT, 84, true},
                                                 {EMR_MASKBLT, 84, true},          {EMR_MASKBLT, 112, true},
                                                 {EMR_PLGBLT, 96, true},           {EMR_TRANSPARENTBLT, 84, true},
                                                 {EMR_ALPHABLEND, 84, true},       {EMR_SETDIBITSTODEVICE, 48, true},
                                                 {META_DIBBITBLT, 6 + 16, false},  {META_DIBSTRETCHBLT, 6 + 20, false},
                                                 {META_SETDIBTODEV, 6 + 18, false}};
const fields_of bitmap_fields[] = {{0, 4, {4, 8, 16, 20, 32}}, {0, 2, {14}}};

const uint32_t values_32[] = {0, 0x7fff, 0x7f000003, 0x80000000u, 0xffffffffu};
const uint32_t values_16[] = {0, 0x7fff, 0x8000, 0xffff, 32513};
// A picture's own extent set to 0x7fff only makes a wide picture, slow to draw.
const uint32_t moderate = 0x7fff;

// One changed field: where and what; `copy` when the case is copied too.
struct change {
    size_t at;
    uint32_t value;
    int width;
    bool copy;
};

// Every field of the tables in every record of a seed, with every value.
std::vector<change> field_changes(const std::string& bytes, bool wmf)
{
    std::vector<change> all;
    std::vector<seeds::record> records = wmf ? seeds::wmf_records(bytes) : seeds::emf_records(bytes);
    if (wmf) records.push_back({0, sizeof(wmf_placeable_header), PLACEABLE});
    auto add = [&all](size_t at, int width, bool extent, bool copy) {
        for (uint32_t v : width == 4 ? values_32 : values_16)
            if (!extent || v != moderate) all.push_back({at, v, width, copy || all.size() % 8 == 0});
    };
    for (const seeds::record& r : records) {
        bool extent = r.type == EMR_HEADER || r.type == PLACEABLE;
        for (const fields_of& f : wmf ? wmf_fields : emf_fields)
            for (uint16_t at : f.at)
                if (f.type == r.type && at + (size_t)f.width <= r.size) add(r.at + at, f.width, extent, false);
        // A standard metafile's bitmaps are copied for the clipboard by the system's recorder.
        for (const bitmap_place& b : bitmap_places) {
            if (b.type != r.type || b.at + (size_t)4 > r.size) continue;
            size_t header = b.indirect ? seeds::get32(bytes, r.at + b.at) : b.at;
            if (!header || header + 40 > r.size) continue;
            for (const fields_of& f : bitmap_fields)
                for (uint16_t at : f.at) add(r.at + header + at, f.width, false, wmf);
        }
    }
    return all;
}

// Probes, loads at full size and (when asked) copies one metafile file.
void try_everything(const std::string& path, double scale, bool copy)
{
    int w, h, xr, yr;
    _image_info(path.c_str(), &w, &h, &xr, &yr);
    if (_bmap* b = _bmap_load(path.c_str(), 0, scale)) _bmap_delete(b);
    if (copy) {
        bench::clipboard_lock lock;
        _file_to_clipboard(path.c_str());
    }
}

// Empties the clipboard for a child: an owner window in this process, which
// does not pump while the child waits, would block it.
void clipboard_for_child()
{
    bench::clipboard_lock lock;
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

}  // namespace

// Each sized field of the rich recordings set to each boundary value, then
// single-byte, word and double-word changes at random places of the small
// ones, from a fixed seed: each probed, loaded and copied. Each case is
// named before it runs, so that a crash or a hang names it.
ZOTE_CHILD(metafile_mutations)
{
    library_ready();
    bench::scratch_dir dir;
    std::string rich[2] = {seeds::rich_wmf(), seeds::rich_emf(dir)};
    int cases = 0;
    for (int k = 0; k < 2; k++) {
        bool wmf = k == 0;
        for (const change& c : field_changes(rich[k], wmf)) {
            std::string bytes = rich[k];
            seeds::put(bytes, c.at, c.value, c.width);
            printf("case %d: rich %s, byte %u = 0x%x\n", cases++, wmf ? "wmf" : "emf", (unsigned)c.at, c.value);
            fflush(stdout);
            try_everything(dir.write(wmf ? "m.wmf" : "m.emf", bytes), 1, c.copy);
        }
    }
    std::string originals[2] = {seeds::sample_wmf(), seeds::sample_emf(dir)};
    static const uint32_t values[] = {0,      1,      2,          3,           0x7f,        0x80,    0xff, 0x7fff,
                                      0x8000, 0xffff, 0x7fffffff, 0x80000000u, 0xffffffffu, 0x10000, 0x3c};
    uint32_t seed = 20240611;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    for (int i = 0; i < 600; i++) {
        bool wmf = i % 2 == 0;
        std::string bytes = originals[wmf ? 0 : 1];
        size_t at = next() % bytes.size();
        uint32_t value = next() % 3 ? values[next() % (sizeof values / sizeof *values)] : next();
        int width = 1 << (next() % 3);
        seeds::put(bytes, at, value, width);
        printf("case %d: sample %s, byte %u = 0x%x\n", cases++, wmf ? "wmf" : "emf", (unsigned)at, value);
        fflush(stdout);
        try_everything(dir.write(wmf ? "m.wmf" : "m.emf", bytes), 0.5, i % 10 == 0);
    }
    printf("mutations done\n");
    return 0;
}

TEST(MetafileCheck, MutatedMetafilesNeitherCrashNorHang)
{
    clipboard_for_child();
    bench::child_result r = bench::run_child("metafile_mutations", 120000);
    size_t last = r.output.rfind("case ");
    std::string where = last == std::string::npos ? r.output.substr(0, 2000) : r.output.substr(last, 200);
    EXPECT_FALSE(r.timed_out) << where;
    EXPECT_EQ(r.exit_code, 0u) << where;
    EXPECT_NE(r.output.find("mutations done"), std::string::npos) << where;
}

namespace {

// A recording with one field changed, and what must become of it.
enum seed_kind { RICH_WMF, RICH_WMF_2_UPI, RICH_EMF };
enum outcome { REFUSED, LOADS };
struct one_change {
    const char* name;
    seed_kind seed;
    uint32_t type;  // the record changed (0: none)
    int nth;
    uint16_t at;
    int width;
    uint32_t value;
    outcome expected;
};

const one_change numbers_beyond_the_frame[] = {
    {"emf unchanged", RICH_EMF, 0, 0, 0, 0, 0, LOADS},
    {"emf device width 0", RICH_EMF, EMR_HEADER, 0, 72, 4, 0, REFUSED},
    {"emf millimetre width 0x7f000000", RICH_EMF, EMR_HEADER, 0, 80, 4, 0x7f000000, REFUSED},
    {"emf millimetre height 0x7f000000", RICH_EMF, EMR_HEADER, 0, 84, 4, 0x7f000000, REFUSED},
    {"emf pen width 0x7f000003", RICH_EMF, EMR_CREATEPEN, 0, 16, 4, 0x7f000003, REFUSED},
    {"emf extended pen width 0x7f000003", RICH_EMF, EMR_EXTCREATEPEN, 0, 32, 4, 0x7f000003, REFUSED},
    {"emf arc radius 0x7f000000", RICH_EMF, EMR_ANGLEARC, 0, 16, 4, 0x7f000000, REFUSED},
    {"emf arc box right 0x7f000000", RICH_EMF, EMR_ARC, 0, 16, 4, 0x7f000000, REFUSED},
    {"emf stretched source height 0x7f000000", RICH_EMF, EMR_STRETCHBLT, 0, 104, 4, 0x7f000000, REFUSED},
    {"emf masked block height 0x80000000", RICH_EMF, EMR_MASKBLT, 0, 36, 4, 0x80000000u, REFUSED},
    {"emf font height 65536", RICH_EMF, EMR_EXTCREATEFONTINDIRECTW, 0, 12, 4, 65536, REFUSED},
    {"wmf unchanged", RICH_WMF, 0, 0, 0, 0, 0, LOADS},
    {"wmf pen width 32513", RICH_WMF, META_CREATEPENINDIRECT, 0, 8, 2, 32513, REFUSED},
    {"wmf at 2 units per inch with pen width 32513", RICH_WMF_2_UPI, META_CREATEPENINDIRECT, 0, 8, 2, 32513, REFUSED},
    {"wmf arc box right 32767 at 2 units per inch", RICH_WMF_2_UPI, META_ARC, 0, 12, 2, 32767, REFUSED},
};

// The player reads a source bitmap whenever its header's offset is set.
const one_change bit_blocks_without_their_size[] = {
    {"emf unchanged", RICH_EMF, 0, 0, 0, 0, 0, LOADS},
    {"bit block", RICH_EMF, EMR_BITBLT, 0, 88, 4, 0, REFUSED},
    {"stretched block", RICH_EMF, EMR_STRETCHBLT, 0, 88, 4, 0, REFUSED},
    {"masked block", RICH_EMF, EMR_MASKBLT, 0, 88, 4, 0, REFUSED},
    {"masked block's mask", RICH_EMF, EMR_MASKBLT, 0, 116, 4, 0, REFUSED},
    {"parallelogram block", RICH_EMF, EMR_PLGBLT, 0, 100, 4, 0, REFUSED},
    {"transparent block", RICH_EMF, EMR_TRANSPARENTBLT, 0, 88, 4, 0, REFUSED},
    {"alpha block", RICH_EMF, EMR_ALPHABLEND, 0, 88, 4, 0, REFUSED},
};

// A bitmap header claiming more bits than its record holds: the copy for
// the clipboard was recorded with as many bits as the header claimed.
const one_change bitmap_size_claims[] = {
    {"bit block claiming 16 MB of bits", RICH_WMF, META_DIBBITBLT, 0, 6 + 16 + 20, 4, 0x01000000, LOADS},
    {"bits to the device claiming 16 MB", RICH_WMF, META_SETDIBTODEV, 0, 6 + 18 + 20, 4, 0x01000000, LOADS},
};

// State records, which the dry run plays: save levels, objects selected,
// clipping selections, the mapping and the world transform.
const one_change state_records[] = {
    {"emf unchanged", RICH_EMF, 0, 0, 0, 0, 0, LOADS},
    {"emf restore of one level of two", RICH_EMF, EMR_RESTOREDC, 0, 8, 4, 0xffffffffu, LOADS},
    {"emf restore 0", RICH_EMF, EMR_RESTOREDC, 0, 8, 4, 0, REFUSED},
    {"emf restore of three levels of two", RICH_EMF, EMR_RESTOREDC, 0, 8, 4, 0xfffffffdu, REFUSED},
    {"emf restore of a level counted from the first", RICH_EMF, EMR_RESTOREDC, 0, 8, 4, 1, REFUSED},
    {"emf restore 0x80000000", RICH_EMF, EMR_RESTOREDC, 0, 8, 4, 0x80000000u, REFUSED},
    {"emf brush made under another number than it is selected by", RICH_EMF, EMR_CREATEBRUSHINDIRECT, 0, 8, 4, 2,
     REFUSED},
    {"emf map mode 9", RICH_EMF, EMR_SETMAPMODE, 0, 8, 4, 9, REFUSED},
    {"emf window extent 0", RICH_EMF, EMR_SETWINDOWEXTEX, 0, 8, 4, 0, REFUSED},
    {"emf viewport origin 0x7f000000", RICH_EMF, EMR_SETVIEWPORTORGEX, 0, 12, 4, 0x7f000000, REFUSED},
    {"emf window scaled by 2 / 0", RICH_EMF, EMR_SCALEWINDOWEXTEX, 0, 12, 4, 0, REFUSED},
    {"emf world transform not a number", RICH_EMF, EMR_SETWORLDTRANSFORM, 0, 8, 4, 0xffffffffu, REFUSED},
    {"emf world transform that cannot be undone", RICH_EMF, EMR_SETWORLDTRANSFORM, 0, 8, 4, 0, REFUSED},
    {"emf transform mode 0x80000000", RICH_EMF, EMR_MODIFYWORLDTRANSFORM, 0, 32, 4, 0x80000000u, REFUSED},
    {"emf background mode 0x80000000", RICH_EMF, EMR_SETBKMODE, 0, 8, 4, 0x80000000u, REFUSED},
    {"wmf unchanged", RICH_WMF, 0, 0, 0, 0, 0, LOADS},
    {"wmf restore of one level of two", RICH_WMF, META_RESTOREDC, 0, 6, 2, 0xffff, LOADS},
    {"wmf restore 0", RICH_WMF, META_RESTOREDC, 0, 6, 2, 0, REFUSED},
    {"wmf restore of three levels of two, left out", RICH_WMF, META_RESTOREDC, 0, 6, 2, 0xfffd, LOADS},
    {"wmf restore 0x8000, left out", RICH_WMF, META_RESTOREDC, 0, 6, 2, 0x8000, LOADS},
    {"wmf restore to the first level of two by its number", RICH_WMF, META_RESTOREDC, 0, 6, 2, 1, LOADS},
    {"wmf restore to the second level of two by its number", RICH_WMF, META_RESTOREDC, 0, 6, 2, 2, LOADS},
    {"wmf restore to level 3 of two, left out", RICH_WMF, META_RESTOREDC, 0, 6, 2, 3, LOADS},
    {"wmf map mode 0", RICH_WMF, META_SETMAPMODE, 0, 6, 2, 0, REFUSED},
    {"wmf window scaled by 2 / 0", RICH_WMF, META_SCALEWINDOWEXT, 0, 10, 2, 0, REFUSED},
};

// A palette's one parameter is its index.
const one_change palette_selections[] = {
    {"wmf with a palette", RICH_WMF, 0, 0, 0, 0, 0, LOADS},
    {"wmf with a palette at 48 units per inch", RICH_WMF, PLACEABLE, 0, 14, 2, 48, LOADS},
    {"palette index past the table", RICH_WMF, META_SELECTPALETTE, 0, 6, 2, 0x100, REFUSED},
};

std::string seed_bytes(seed_kind kind, const bench::scratch_dir& dir)
{
    return kind == RICH_EMF ? seeds::rich_emf(dir) : seeds::rich_wmf(kind == RICH_WMF_2_UPI ? 2 : 96);
}

std::string changed(const one_change& c, const bench::scratch_dir& dir)
{
    std::string bytes = seed_bytes(c.seed, dir);
    if (!c.type) return bytes;
    size_t at = 0;
    if (c.type != PLACEABLE) {
        at = seeds::find_record(c.seed == RICH_EMF ? seeds::emf_records(bytes) : seeds::wmf_records(bytes), c.type,
                                c.nth);
        if (!at && c.type != EMR_HEADER) return "";  // no such record: reported as a failure
    }
    seeds::put(bytes, at + c.at, c.value, c.width);
    return bytes;
}

// The rows of a table, by its name.
std::vector<one_change> rows_named(const std::string& name)
{
    auto rows = [](const auto& table) { return std::vector<one_change>(std::begin(table), std::end(table)); };
    if (name == "numbers") return rows(numbers_beyond_the_frame);
    if (name == "bit blocks") return rows(bit_blocks_without_their_size);
    if (name == "bitmap sizes") return rows(bitmap_size_claims);
    if (name == "palettes") return rows(palette_selections);
    if (name == "states") return rows(state_records);
    return {};
}

}  // namespace

// The rows of the table named by ZOTE_METAFILE_ROWS: each probed, loaded at
// full size and copied, its outcome printed as "row NAME|info load copy".
ZOTE_CHILD(metafile_rows)
{
    library_ready();
    bench::scratch_dir dir;
    char name[64] = "";
    GetEnvironmentVariableA("ZOTE_METAFILE_ROWS", name, sizeof name);
    for (const one_change& c : rows_named(name)) {
        printf("running %s\n", c.name);
        fflush(stdout);
        bool wmf = c.seed != RICH_EMF;
        std::string path = dir.write(wmf ? "row.wmf" : "row.emf", changed(c, dir));
        int w, h, xr, yr;
        int info = wmf ? _wmf_info(path.c_str(), &w, &h, &xr, &yr) : _emf_info(path.c_str(), &w, &h, &xr, &yr);
        _bmap* b = wmf ? _wmf_load(path.c_str(), 1) : _emf_load(path.c_str(), 1);
        if (b) _bmap_delete(b);
        bench::clipboard_lock lock;
        int copied = _file_to_clipboard(path.c_str());
        printf("row %s|%d %d %d\n", c.name, info, b != nullptr, copied);
        fflush(stdout);
    }
    printf("rows done\n");
    return 0;
}

namespace {

// Runs a table in a child with a time limit and checks every row's outcome.
void expect_rows(const char* table)
{
    clipboard_for_child();
    SetEnvironmentVariableA("ZOTE_METAFILE_ROWS", table);
    bench::child_result r = bench::run_child("metafile_rows", 60000);
    SetEnvironmentVariableA("ZOTE_METAFILE_ROWS", nullptr);
    size_t last = r.output.rfind("running ");
    std::string where = last == std::string::npos ? r.output.substr(0, 2000) : r.output.substr(last, 200);
    ASSERT_FALSE(r.timed_out) << where;
    ASSERT_EQ(r.exit_code, 0u) << where;
    ASSERT_NE(r.output.find("rows done"), std::string::npos) << r.output;
    for (const one_change& c : rows_named(table)) {
        std::string row = std::string("row ") + c.name + "|";
        size_t at = r.output.find(row);
        ASSERT_NE(at, std::string::npos) << c.name;
        EXPECT_EQ(r.output.substr(at + row.size(), 5), c.expected == LOADS ? "1 1 1" : "0 0 0") << c.name;
    }
}

}  // namespace

// Device and millimetre sizes, pen widths, arc radii and boxes, bit-block
// sizes and text sizes far beyond the picture's frame: each made the
// system's players hang, crash or write out of bounds at full size.
TEST(MetafileCheck, NumbersBeyondTheFrameAreRefused) { expect_rows("numbers"); }

// Bit blocks that name a bitmap by its offset but give it no size.
TEST(MetafileCheck, BitBlocksNamingABitmapMustHoldIt) { expect_rows("bit blocks"); }

// Every standard metafile the system records with a palette names it by the
// record's one parameter.
TEST(MetafileCheck, PalettesAreSelectedByTheirOneParameter) { expect_rows("palettes"); }

// Save levels restored that were never saved (a standard metafile's are
// left out, as the system ignores them), objects selected that were never
// made, unknown modes, empty extents and transforms that are no numbers.
TEST(MetafileCheck, StateRecordsStayWithinWhatWasMade) { expect_rows("states"); }

// Standard metafiles copied for the clipboard: each bitmap's bits are sized
// from its width, height and depth, not from the size its header claims.
TEST(MetafileCheck, CopiesSizeBitsFromTheBitmap) { expect_rows("bitmap sizes"); }
