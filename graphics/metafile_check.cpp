// Walks a metafile's whole record chain before the system plays it. The
// players trust what records say of themselves: a record size of 0 never
// advances, an object number indexes the handle table unchecked, a point or
// character count reads on past its record, and a bitmap's header decides
// how many bytes of bits are read. Each of those is held here against the
// header and the bytes actually present; a metafile with one fault is
// refused whole. The records that set state are then followed as they would
// be played (metafile_state.cpp).
#include "graphics/metafile_check.h"
#include "graphics/metafile_state.h"
#include <climits>

namespace {

typedef unsigned long long u64;

// A bitmap whose pixels index the current palette, with no colour table of its own.
enum : DWORD { PAL_INDICES = 2 };

WORD u16(const BYTE* p) { return (WORD)(p[0] | p[1] << 8); }
DWORD u32(const BYTE* p) { return (DWORD)p[0] | (DWORD)p[1] << 8 | (DWORD)p[2] << 16 | (DWORD)p[3] << 24; }

bool bit_count_ok(u64 bpp, bool core)
{
    if (core) return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24;
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

// The sizes of a DIB's header with masks and colour table, and of the bits
// the system reads for it (`rows` rows at most when rows >= 0). Only bitmaps
// whose header lies inside `available` bytes and whose sizes make sense pass.
bool dib_sizes(const BYTE* info, u64 available, DWORD usage, long long rows, u64* info_size, u64* bits_size)
{
    // Monochrome brushes name PAL_INDICES; the player reads two-byte entries for it.
    if (available < 12 || usage > PAL_INDICES) return false;
    DWORD header = u32(info);
    u64 width, height, bpp, colours, entry, table_at = header;
    DWORD compression = BI_RGB, size_image = 0;
    if (header == 12) {
        width = u16(info + 4);
        height = u16(info + 6);
        bpp = u16(info + 10);
        if (u16(info + 8) != 1 || !bit_count_ok(bpp, true)) return false;
        colours = bpp <= 8 ? 1u << bpp : 0;
        entry = usage == DIB_PAL_COLORS ? 2 : 3;
    } else {
        if (header < 40 || header > available) return false;
        LONG w = (LONG)u32(info + 4), h = (LONG)u32(info + 8);
        if (w <= 0 || h == 0 || h == LONG_MIN) return false;
        width = (u64)w;
        height = h < 0 ? (u64) - (long long)h : (u64)h;
        bpp = u16(info + 14);
        compression = u32(info + 16);
        size_image = u32(info + 20);
        DWORD used = u32(info + 32);
        if (u16(info + 12) != 1 || !bit_count_ok(bpp, false) || used > 256) return false;
        colours = used ? used : bpp <= 8 ? 1u << bpp : 0;
        entry = usage == DIB_PAL_COLORS ? 2 : 4;
        switch (compression) {
        case BI_RGB: break;
        case BI_BITFIELDS:
            if (bpp != 16 && bpp != 32) return false;
            if (table_at < 52) table_at = 52;  // the three masks follow a short header
            break;
        case BI_RLE8:
        case BI_RLE4:
            if (bpp != (compression == BI_RLE8 ? 8u : 4u) || h < 0 || size_image == 0) return false;
            break;
        default: return false;  // JPEG, PNG and unknown compressions are not drawn from metafiles
        }
    }
    if (width == 0 || height == 0) return false;
    *info_size = table_at + colours * entry;
    if (*info_size > available) return false;
    if (compression == BI_RLE8 || compression == BI_RLE4) {
        *bits_size = size_image;
        return true;
    }
    u64 stride = (width * bpp + 31) / 32 * 4;
    if (stride > 0xffffffffu) return false;
    u64 n = rows >= 0 && (u64)rows < height ? (u64)rows : height;
    *bits_size = stride * n;
    return true;
}

// A DIB whose bits follow its table inside `available` bytes.
bool dib_in_place(const BYTE* info, u64 available, DWORD usage, long long rows = -1)
{
    u64 info_size, bits_size;
    return dib_sizes(info, available, usage, rows, &info_size, &bits_size) && bits_size <= available - info_size;
}

// A DIB given by offsets and sizes inside an EMF record of `size` bytes. The
// system records a mask naming PAL_INDICES with its header alone; the table
// the player may read after it must still lie inside the record.
bool dib_at(const BYTE* record, u64 size, DWORD off_bmi, DWORD cb_bmi, DWORD off_bits, DWORD cb_bits, DWORD usage,
            long long rows = -1)
{
    if ((u64)off_bmi + cb_bmi > size || (u64)off_bits + cb_bits > size) return false;
    u64 info_size, bits_size, header_room = cb_bmi;
    if (usage == PAL_INDICES) {
        if (cb_bmi < 12 || u32(record + off_bmi) > cb_bmi) return false;
        header_room = size - off_bmi;
    }
    return dib_sizes(record + off_bmi, header_room, usage, rows, &info_size, &bits_size) && bits_size <= cb_bits;
}

// The source bitmap of a bit-block record, whose fields start at `at`
// (usage, header offset and size, bits offset and size). The player reads a
// bitmap whenever the header offset is set, so a size of 0 does not make the
// record a pattern fill.
bool blt_source(const BYTE* record, u64 size, u64 at)
{
    DWORD usage = u32(record + at), off_bmi = u32(record + at + 4), cb_bmi = u32(record + at + 8);
    if (off_bmi == 0 && cb_bmi == 0) return true;
    return dib_at(record, size, off_bmi, cb_bmi, u32(record + at + 12), u32(record + at + 16), usage);
}

// The mask of a masked or parallelogram bit block: the player reads one even
// when the record names none, taking the record's own first bytes for its
// header. Those read as a bitmap only when their bit count is one; then its
// bits must fit the record like any other.
bool blt_mask(const BYTE* record, u64 size, u64 at)
{
    if (u32(record + at + 4) != 0 || u32(record + at + 8) != 0) return blt_source(record, size, at);
    if (!bit_count_ok(u16(record + 14), false)) return true;
    DWORD bits_at = u32(record + at + 12);
    return bits_at < size && dib_at(record, size, 0, (DWORD)size, bits_at, (DWORD)(size - bits_at), u32(record + at));
}

// ---- standard metafiles ----

// The end record, which the system's headers do not name.
enum : WORD { WMF_EOF = 0x0000 };

// Bits of a device-dependent bitmap made by CreateBitmap from the record.
bool ddb_fits(u64 width, u64 height, u64 planes, u64 bpp, u64 bytes)
{
    if (width == 0 || height == 0 || width > INT_MAX || height > INT_MAX) return false;
    if (planes != 1 || !bit_count_ok(bpp, false)) return false;
    u64 row = (width * bpp + 15) / 16 * 2;
    return row <= bytes && row * height <= bytes;
}

bool wmf_object(const wmf_params& r, u64 i, WORD objects) { return r.has(i + 1) && r.at(i) < objects; }

bool wmf_record_sound(WORD function, const wmf_params& r, WORD objects)
{
    const BYTE* p = r.p;
    u64 bytes = r.words * 2;
    switch (function) {
    case WMF_EOF:
    case META_REALIZEPALETTE: return true;
    case META_SELECTOBJECT:
    case META_DELETEOBJECT:
    case META_INVERTREGION:
    case META_PAINTREGION: return wmf_object(r, 0, objects);
    case META_SELECTCLIPREGION: return r.has(1) && (r.at(0) == 0 || r.at(0) < objects);
    case META_SELECTPALETTE: return wmf_object(r, 0, objects);
    case META_FILLREGION: return wmf_object(r, 0, objects) && wmf_object(r, 1, objects);
    case META_FRAMEREGION: return wmf_object(r, 2, objects) && wmf_object(r, 3, objects);
    case META_CREATEPENINDIRECT: return r.has(5);
    case META_CREATEBRUSHINDIRECT: return r.has(4);
    case META_CREATEFONTINDIRECT: return r.has(9 + 16);  // the fixed fields and the 32-byte face name, read whole
    case META_CREATEPALETTE:
    case META_SETPALENTRIES:
    case META_ANIMATEPALETTE: return r.has(2) && r.has(2 + 2 * (u64)r.at(1));
    case META_POLYGON:
    case META_POLYLINE: return r.has(1) && r.has(1 + 2 * (u64)r.at(0));
    case META_POLYPOLYGON: {
        if (!r.has(1) || !r.has(1 + (u64)r.at(0))) return false;
        u64 points = 0;
        for (u64 i = 0; i < r.at(0); i++) {
            SHORT n = (SHORT)r.at(1 + i);
            if (n < 0) return false;
            points += (u64)n;
        }
        return r.has(1 + r.at(0) + 2 * points);
    }
    case META_TEXTOUT: {
        if (!r.has(1)) return false;
        SHORT n = (SHORT)r.at(0);
        return n >= 0 && r.has(1 + ((u64)n + 1) / 2 + 2);
    }
    case META_EXTTEXTOUT: {
        if (!r.has(4)) return false;
        bool rect = (r.at(3) & (ETO_OPAQUE | ETO_CLIPPED)) != 0;
        return r.has(4 + (rect ? 4 : 0) + ((u64)r.at(2) + 1) / 2);
    }
    case META_ESCAPE: return r.has(2) && 4 + (u64)r.at(1) <= bytes;
    case META_CREATEREGION: {
        // Bands of "count, top, bottom, count x values, count".
        if (!r.has(11)) return false;
        u64 at = 11;
        for (u64 band = 0; band < r.at(5); band++) {
            if (!r.has(at + 1)) return false;
            u64 n = r.at(at);
            if (n % 2 || !r.has(at + n + 4) || r.at(at + n + 3) != n) return false;
            at += n + 4;
        }
        return true;
    }
    case META_STRETCHDIB: return r.has(11) && dib_in_place(p + 22, bytes - 22, r.at(2));
    case META_DIBSTRETCHBLT: return r.has(10) && dib_in_place(p + 20, bytes - 20, DIB_RGB_COLORS);
    case META_DIBBITBLT:
        if (r.words <= 9) return r.has(9);  // no bitmap: a pattern fill
        return dib_in_place(p + 16, bytes - 16, DIB_RGB_COLORS);
    case META_SETDIBTODEV: return r.has(9) && dib_in_place(p + 18, bytes - 18, r.at(0), r.at(1));
    case META_DIBCREATEPATTERNBRUSH: return r.has(2) && dib_in_place(p + 4, bytes - 4, r.at(1));
    case META_CREATEPATTERNBRUSH:
        // A bitmap header at word 2; a plain pattern's bits follow it at word 24.
        if (!r.has(2 + 20)) return false;
        if (r.at(0) == BS_DIBPATTERN) return dib_in_place(p + 4, bytes - 4, r.at(1));
        if (r.at(0) != BS_PATTERN || !r.has(24)) return r.at(0) != BS_PATTERN;
        return ddb_fits(u32(p + 8), u32(p + 12), u16(p + 16), u16(p + 18), bytes - 48);
    case META_STRETCHBLT: return r.has(15) && ddb_fits(r.at(10), r.at(11), r.at(13), r.at(14), bytes - 30);
    case META_BITBLT: return r.has(12) && ddb_fits(r.at(7), r.at(8), r.at(10), r.at(11), bytes - 24);
    default:
        // Fixed-size records carry their parameter count in the high byte.
        return r.has(function >> 8);
    }
}

// ---- enhanced metafiles ----

// Record types the headers name only for later systems.
enum : DWORD {
    EMR_DRAW_ESCAPE = 105,
    EMR_EXT_ESCAPE = 106,
    EMR_SMALL_TEXT_OUT = 108,
    EMR_NAMED_ESCAPE = 110,
    EMR_TEXT_JUSTIFICATION = 120
};

// Smallest size of each record type, header included (0: no fixed part known).
DWORD emf_fixed_size(DWORD type)
{
    switch (type) {
    case EMR_POLYBEZIER:
    case EMR_POLYGON:
    case EMR_POLYLINE:
    case EMR_POLYBEZIERTO:
    case EMR_POLYLINETO:
    case EMR_POLYBEZIER16:
    case EMR_POLYGON16:
    case EMR_POLYLINE16:
    case EMR_POLYBEZIERTO16:
    case EMR_POLYLINETO16:
    case EMR_POLYDRAW:
    case EMR_POLYDRAW16: return 28;
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYGON:
    case EMR_POLYPOLYLINE16:
    case EMR_POLYPOLYGON16: return 32;
    case EMR_SETWINDOWEXTEX:
    case EMR_SETWINDOWORGEX:
    case EMR_SETVIEWPORTEXTEX:
    case EMR_SETVIEWPORTORGEX:
    case EMR_SETBRUSHORGEX:
    case EMR_OFFSETCLIPRGN:
    case EMR_MOVETOEX:
    case EMR_LINETO:
    case EMR_RESIZEPALETTE:
    case EMR_TEXT_JUSTIFICATION: return 16;
    case EMR_EOF:
    case EMR_SETPIXELV: return 20;
    case EMR_SETMAPPERFLAGS:
    case EMR_SETMAPMODE:
    case EMR_SETBKMODE:
    case EMR_SETPOLYFILLMODE:
    case EMR_SETROP2:
    case EMR_SETSTRETCHBLTMODE:
    case EMR_SETTEXTALIGN:
    case EMR_SETTEXTCOLOR:
    case EMR_SETBKCOLOR:
    case EMR_RESTOREDC:
    case EMR_SELECTOBJECT:
    case EMR_DELETEOBJECT:
    case EMR_SELECTPALETTE:
    case EMR_SETARCDIRECTION:
    case EMR_SETMITERLIMIT:
    case EMR_SELECTCLIPPATH:
    case EMR_SETICMMODE:
    case EMR_SETCOLORSPACE:
    case EMR_DELETECOLORSPACE:
    case EMR_SETLAYOUT:
    case EMR_GDICOMMENT: return 12;
    case EMR_SETCOLORADJUSTMENT:
    case EMR_SETWORLDTRANSFORM:
    case EMR_ROUNDRECT: return 32;
    case EMR_EXCLUDECLIPRECT:
    case EMR_INTERSECTCLIPRECT:
    case EMR_SCALEVIEWPORTEXTEX:
    case EMR_SCALEWINDOWEXTEX:
    case EMR_ELLIPSE:
    case EMR_RECTANGLE:
    case EMR_EXTFLOODFILL:
    case EMR_FILLPATH:
    case EMR_STROKEANDFILLPATH:
    case EMR_STROKEPATH:
    case EMR_CREATEBRUSHINDIRECT:
    case EMR_COLORCORRECTPALETTE: return 24;
    case EMR_MODIFYWORLDTRANSFORM: return 36;
    case EMR_CREATEPEN:
    case EMR_ANGLEARC:
    case EMR_INVERTRGN:
    case EMR_PAINTRGN: return 28;
    case EMR_ARC:
    case EMR_CHORD:
    case EMR_PIE:
    case EMR_ARCTO:
    case EMR_FRAMERGN: return 40;
    case EMR_CREATEPALETTE:
    case EMR_EXTSELECTCLIPRGN: return 16;
    case EMR_SETPALETTEENTRIES: return 20;
    case EMR_FILLRGN:
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT: return 32;
    case EMR_BITBLT: return 100;
    case EMR_STRETCHBLT:
    case EMR_ALPHABLEND:
    case EMR_TRANSPARENTBLT: return 108;
    case EMR_MASKBLT: return 128;
    case EMR_PLGBLT: return 140;
    case EMR_SETDIBITSTODEVICE:
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW: return 76;
    case EMR_STRETCHDIBITS: return 80;
    case EMR_EXTCREATEFONTINDIRECTW: return 12 + sizeof(LOGFONTW);
    case EMR_EXTCREATEPEN: return 52;
    case EMR_POLYTEXTOUTA:
    case EMR_POLYTEXTOUTW: return 40;
    case EMR_SMALL_TEXT_OUT: return 36;
    case EMR_GRADIENTFILL: return 36;
    case EMR_CREATECOLORSPACE: return 12 + sizeof(LOGCOLORSPACEA);
    case EMR_PIXELFORMAT: return 8 + sizeof(PIXELFORMATDESCRIPTOR);
    default: return 8;
    }
}

// An object number of a record that creates or uses a table entry; entry 0
// is the metafile itself. Stock objects (high bit) only where `stock` is set.
bool emf_object(DWORD index, WORD handles, bool stock)
{
    if (index & 0x80000000u) return stock && (index & 0x7fffffffu) <= DC_PEN;
    return index >= 1 && index < handles;
}

// A text item (EMRTEXT) at `at`: its string and spacing inside the record.
bool emf_text(const emf_record& r, u64 at, u64 char_size)
{
    if (at + 40 > r.size) return false;
    u64 count = r.at(at + 8), string = r.at(at + 12), options = r.at(at + 16), dx = r.at(at + 36);
    if (count && string + count * char_size > r.size) return false;
    u64 dx_size = options & ETO_PDY ? 8 : 4;
    return dx == 0 || dx + count * dx_size <= r.size;
}

// A region's data: its header and rectangles inside `bytes`.
bool emf_region(const emf_record& r, u64 at, u64 bytes)
{
    if (at + bytes > r.size) return false;
    if (bytes == 0) return true;
    if (bytes < sizeof(RGNDATAHEADER)) return false;
    u64 header = r.at(at), count = r.at(at + 8);
    return header >= sizeof(RGNDATAHEADER) && header + count * sizeof(RECT) <= bytes;
}

bool emf_points(const emf_record& r, u64 count_at, u64 points_at, u64 point_size)
{
    return points_at + (u64)r.at(count_at) * point_size <= r.size;
}

bool emf_poly_counts(const emf_record& r, u64 point_size)
{
    u64 polys = r.at(24), points = r.at(28);
    if (32 + polys * 4 > r.size) return false;
    u64 sum = 0;
    for (u64 i = 0; i < polys; i++) sum += r.at(32 + 4 * i);
    return sum <= points && 32 + polys * 4 + points * point_size <= r.size;
}

// The source of an alpha blend: the player copies the record's whole bits
// into a section made from the header without looking whether one was made,
// so the bits may not be more than the header describes, and the header must
// be one a section can be made of (colour masks included).
bool alpha_source(const emf_record& r)
{
    if (r.at(84) == 0 && r.at(88) == 0) return true;  // nothing is drawn without a source
    if (!blt_source(r.p, r.size, 80) || r.at(80) != DIB_RGB_COLORS) return false;
    u64 info_size, bits_size;
    const BYTE* info = r.p + r.at(84);
    if (u32(info) < 40 || !dib_sizes(info, r.at(88), DIB_RGB_COLORS, -1, &info_size, &bits_size)) return false;
    DWORD compression = u32(info + 16);
    if (compression == BI_BITFIELDS) {
        for (int i = 0; i < 3; i++)
            if (u32(info + 40 + 4 * i) == 0) return false;
    } else if (compression != BI_RGB) {
        return false;
    }
    return r.at(96) <= bits_size;
}

bool emf_record_sound(DWORD type, const emf_record& r, WORD handles)
{
    switch (type) {
    case EMR_POLYBEZIER:
    case EMR_POLYGON:
    case EMR_POLYLINE:
    case EMR_POLYBEZIERTO:
    case EMR_POLYLINETO: return emf_points(r, 24, 28, 8);
    case EMR_POLYBEZIER16:
    case EMR_POLYGON16:
    case EMR_POLYLINE16:
    case EMR_POLYBEZIERTO16:
    case EMR_POLYLINETO16: return emf_points(r, 24, 28, 4);
    case EMR_POLYDRAW: return emf_points(r, 24, 28, 9);
    case EMR_POLYDRAW16: return emf_points(r, 24, 28, 5);
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYGON: return emf_poly_counts(r, 8);
    case EMR_POLYPOLYLINE16:
    case EMR_POLYPOLYGON16: return emf_poly_counts(r, 4);
    case EMR_EOF: {
        u64 entries = r.at(8), offset = r.at(12);
        return entries == 0 || offset + entries * 4 <= r.size;
    }
    case EMR_SELECTOBJECT: return emf_object(r.at(8), handles, true);
    case EMR_SELECTPALETTE: return emf_object(r.at(8), handles, true);
    case EMR_DELETEOBJECT:
    case EMR_CREATEPEN:
    case EMR_CREATEBRUSHINDIRECT:
    case EMR_EXTCREATEFONTINDIRECTW:
    case EMR_RESIZEPALETTE:
    case EMR_SETCOLORSPACE:
    case EMR_DELETECOLORSPACE:
    case EMR_CREATECOLORSPACE:
    case EMR_COLORCORRECTPALETTE: return emf_object(r.at(8), handles, false);
    case EMR_CREATEPALETTE: return emf_object(r.at(8), handles, false) && 16 + (u64)u16(r.p + 14) * 4 <= r.size;
    case EMR_SETPALETTEENTRIES: return emf_object(r.at(8), handles, false) && 20 + (u64)r.at(16) * 4 <= r.size;
    case EMR_EXTCREATEPEN: {
        if (!emf_object(r.at(8), handles, false) || 52 + (u64)r.at(48) * 4 > r.size) return false;
        return r.at(16) == 0 || dib_at(r.p, r.size, r.at(12), r.at(16), r.at(20), r.at(24), DIB_RGB_COLORS);
    }
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT:
        return emf_object(r.at(8), handles, false) &&
               dib_at(r.p, r.size, r.at(16), r.at(20), r.at(24), r.at(28), r.at(12));
    case EMR_GDICOMMENT: return 12 + (u64)r.at(8) <= r.size;
    case EMR_DRAW_ESCAPE:
    case EMR_EXT_ESCAPE: return r.size >= 16 && 16 + (u64)r.at(12) <= r.size;
    case EMR_NAMED_ESCAPE: {
        // The data, padded to four bytes, then the driver's name with its end.
        if (r.size < 20) return false;
        u64 name = 20 + ((u64)r.at(16) + 3) / 4 * 4, name_bytes = r.at(12);
        if (name + name_bytes > r.size || name_bytes < 2) return false;
        for (u64 i = name; i + 1 < name + name_bytes; i += 2)
            if (u16(r.p + i) == 0) return true;
        return false;
    }
    case EMR_EXTSELECTCLIPRGN: return emf_region(r, 16, r.at(8));
    case EMR_FILLRGN: return emf_object(r.at(28), handles, false) && emf_region(r, 32, r.at(24));
    case EMR_FRAMERGN: return emf_object(r.at(28), handles, false) && emf_region(r, 40, r.at(24));
    case EMR_INVERTRGN:
    case EMR_PAINTRGN: return emf_region(r, 28, r.at(24));
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
    case EMR_TRANSPARENTBLT: return blt_source(r.p, r.size, 80);
    case EMR_ALPHABLEND: return alpha_source(r);
    case EMR_MASKBLT: return blt_source(r.p, r.size, 80) && blt_mask(r.p, r.size, 108);
    case EMR_PLGBLT: return blt_source(r.p, r.size, 92) && blt_mask(r.p, r.size, 120);
    case EMR_SETDIBITSTODEVICE: return dib_at(r.p, r.size, r.at(48), r.at(52), r.at(56), r.at(60), r.at(64), r.at(72));
    case EMR_STRETCHDIBITS: return dib_at(r.p, r.size, r.at(48), r.at(52), r.at(56), r.at(60), r.at(64));
    case EMR_EXTTEXTOUTA: return emf_text(r, 36, 1);
    case EMR_EXTTEXTOUTW: return emf_text(r, 36, 2);
    case EMR_POLYTEXTOUTA:
    case EMR_POLYTEXTOUTW: {
        u64 count = r.at(36);
        if (40 + count * 40 > r.size) return false;
        for (u64 i = 0; i < count; i++)
            if (!emf_text(r, 40 + 40 * i, type == EMR_POLYTEXTOUTA ? 1 : 2)) return false;
        return true;
    }
    case EMR_SMALL_TEXT_OUT: {
        u64 chars = r.at(16), options = r.at(20);
        u64 at = 36 + (options & 0x100 ? 0 : 16);                 // a clipping rectangle unless ETO_NO_RECT
        return at + chars * (options & 0x200 ? 1 : 2) <= r.size;  // ETO_SMALL_CHARS: one byte each
    }
    case EMR_GRADIENTFILL: {
        u64 vertices = r.at(24), shapes = r.at(28), mode = r.at(32);
        u64 shape_size = mode == GRADIENT_FILL_TRIANGLE ? 12 : 8;
        u64 at = 36 + vertices * 16;
        if (at + shapes * shape_size > r.size) return false;
        for (u64 i = 0; i < shapes * shape_size / 4; i++)
            if (r.at(at + 4 * i) >= vertices) return false;
        return true;
    }
    default: return true;
    }
}

}  // namespace

bool wmf_record_bitmap(WORD function, const BYTE* params, size_t bytes, size_t* header_at, DWORD* bits_size)
{
    wmf_params r = {params, bytes / 2};
    size_t at;
    DWORD usage = DIB_RGB_COLORS;
    long long rows = -1;
    switch (function) {
    case META_STRETCHDIB:
        if (!r.has(11)) return false;
        at = 22;
        usage = r.at(2);
        break;
    case META_DIBSTRETCHBLT:
        if (r.words <= 11) return false;  // no bitmap: a pattern fill
        at = 20;
        break;
    case META_DIBBITBLT:
        if (r.words <= 9) return false;
        at = 16;
        break;
    case META_SETDIBTODEV:
        if (!r.has(9)) return false;
        at = 18;
        usage = r.at(0);
        rows = r.at(1);
        break;
    default: return false;
    }
    u64 info_size, bits;
    if (bytes < at || !dib_sizes(params + at, bytes - at, usage, rows, &info_size, &bits) || bits > 0xffffffffu)
        return false;
    *header_at = at;
    *bits_size = (DWORD)bits;
    return true;
}

bool wmf_body_sound(const BYTE* body, size_t length)
{
    if (!body || length < 18) return false;
    WORD type = u16(body), header_words = u16(body + 2), version = u16(body + 4);
    u64 total = (u64)u32(body + 6) * 2, largest = u32(body + 12);
    WORD objects = u16(body + 10);
    if ((type != 1 && type != 2) || header_words != 9 || (version != 0x0100 && version != 0x0300)) return false;
    if (total < 18 + 6 || total > length || largest < 3 || largest * 2 > total - 18) return false;
    play_state state(objects);
    u64 at = 18;
    while (at < total) {
        if (total - at < 6) return false;
        u64 words = u32(body + at);
        WORD function = u16(body + at + 4);
        if (words < 3 || words > largest || words * 2 > total - at) return false;
        wmf_params params = {body + at + 6, words - 3};
        if (!wmf_record_sound(function, params, objects) || !wmf_state_sound(function, params, state)) return false;
        at += words * 2;
        if (function == WMF_EOF) return true;
    }
    return false;  // no end record
}

bool emf_bytes_sound(const BYTE* bytes, size_t length)
{
    if (!bytes || length < 88) return false;
    const BYTE* h = bytes;
    u64 header_size = u32(h + 4), total = u32(h + 48), records = u32(h + 52);
    WORD handles = u16(h + 56);
    if (u32(h) != EMR_HEADER || u32(h + 40) != ENHMETA_SIGNATURE) return false;
    if (header_size < 88 || header_size % 4 || header_size > total || total > length || total % 4) return false;
    if (handles < 1 || records < 2) return false;
    // The reference device's size in pixels and millimetres scales the whole
    // picture when it is played into its frame.
    if ((LONG)u32(h + 72) <= 0 || (LONG)u32(h + 76) <= 0 || (LONG)u32(h + 80) <= 0 || (LONG)u32(h + 84) <= 0)
        return false;
    u64 description = u32(h + 60), description_at = u32(h + 64);
    if (description && description_at + description * 2 > header_size) return false;
    if (header_size >= 100) {
        u64 format_size = u32(h + 88), format_at = u32(h + 92);
        if (format_size && format_at + format_size > header_size) return false;
    }
    play_state state(handles);
    u64 at = header_size, count = 1;
    while (at < total) {
        if (total - at < 8) return false;
        DWORD type = u32(bytes + at);
        u64 size = u32(bytes + at + 4);
        if (size < 8 || size % 4 || size > total - at) return false;
        if (type == EMR_HEADER || size < emf_fixed_size(type)) return false;
        emf_record r = {bytes + at, size};
        if (!emf_record_sound(type, r, handles) || !emf_state_sound(type, r, state)) return false;
        at += size;
        count++;
        if (type == EMR_EOF) return at == total && count == records;
    }
    return false;  // no end record
}
