// Metafile pictures held to their frame before the system draws them. The
// players draw whatever a record asks for: a pen or arc radius of two
// thousand million units, a point far outside the picture, or a header whose
// millimetre size scales every coordinate out of reach makes them hang or
// write outside their buffers. A dry run plays the records that set state
// (mapping, objects, selections) into a scratch DC set up as the real one
// and measures every drawing record through the mapping the system would
// use; one record out of reach refuses the whole metafile.
//
// Standard metafiles are played here record by record: the system's player
// takes a palette's index from the word after the record's one parameter, a
// recording DC copies as many bits as a bitmap's header claims, and a
// restore of a level the metafile has not saved would restore the DC's own.
#include "graphics/metafile_play.h"
#include "graphics/metafile_check.h"
#include "graphics/metafile_state.h"
#include "base/holders.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// How far past the picture a record may draw, in its pixels: twice the
// picture's longer side, and at least this.
enum { REACH_LEAST = 1024 };
// The tallest or widest text, in pixels: every glyph is rendered whole.
enum { TEXT_MOST = 4096 };
// The widest pen: an eighth of the picture's longer side and this much more.
// The system strokes with a region per joint as wide as the pen, so the time
// a wide pen takes grows with its width times the length it strokes (a pen
// of a third of a 9,600-pixel picture takes seconds for a single ellipse).
enum { PEN_LEAST = 64 };

LONG i32(const BYTE* p)
{
    LONG v;
    memcpy(&v, p, 4);
    return v;
}
DWORD u32(const BYTE* p)
{
    DWORD v;
    memcpy(&v, p, 4);
    return v;
}
SHORT i16(const BYTE* p)
{
    SHORT v;
    memcpy(&v, p, 2);
    return v;
}
WORD u16(const BYTE* p) { return (WORD)i16(p); }
double f32(const BYTE* p)
{
    float v;
    memcpy(&v, p, 4);
    return v;
}

// A mapping from logical units to device pixels.
struct affine {
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
    double x(double u, double v) const { return u * m11 + v * m21 + dx; }
    double y(double u, double v) const { return u * m12 + v * m22 + dy; }
    // The most one logical unit becomes.
    double scale() const { return std::max(std::hypot(m11, m12), std::hypot(m21, m22)); }
};

affine from_xform(const BYTE* p)
{
    affine a;
    a.m11 = f32(p), a.m12 = f32(p + 4), a.m21 = f32(p + 8), a.m22 = f32(p + 12), a.dx = f32(p + 16), a.dy = f32(p + 20);
    return a;
}

// What a dry run holds each drawing record to, in device pixels.
struct frame_reach {
    double left, top, right, bottom;  // every point stays inside
    double most;                      // radii, strokes and extents
    double pen_most;
    double text_most;
    bool fits = true;
};

frame_reach reach_of(int width, int height)
{
    double longer = std::max(width, height), reach = std::max<double>(REACH_LEAST, 2 * longer);
    frame_reach r;
    r.left = r.top = -reach;
    r.right = width + reach, r.bottom = height + reach;
    r.most = 2 * reach;
    r.pen_most = longer / 8 + PEN_LEAST;
    r.text_most = std::min<double>(2 * reach, TEXT_MOST);
    return r;
}

// Measures one record through mapping `t`; every test is written so that a
// value that is not a number fails it.
struct measure {
    frame_reach& r;
    affine t;

    void fail() { r.fits = false; }
    void point(double u, double v)
    {
        double x = t.x(u, v), y = t.y(u, v);
        if (!(x >= r.left && x <= r.right && y >= r.top && y <= r.bottom)) fail();
    }
    void box(double left, double top, double right, double bottom)
    {
        point(left, top), point(right, top), point(left, bottom), point(right, bottom);
    }
    void size(double s)
    {
        if (!(std::fabs(s) * t.scale() <= r.most)) fail();
    }
    void finite(double v)
    {
        if (!std::isfinite(v)) fail();
    }
    void points32(const BYTE* p, DWORD n)
    {
        for (DWORD i = 0; i < n && r.fits; i++) point(i32(p + 8 * (size_t)i), i32(p + 8 * (size_t)i + 4));
    }
    void points16(const BYTE* p, DWORD n)
    {
        for (DWORD i = 0; i < n && r.fits; i++) point(i16(p + 4 * (size_t)i), i16(p + 4 * (size_t)i + 2));
    }
    // The rectangles of a region's data.
    void region(const BYTE* data, DWORD bytes)
    {
        if (bytes < sizeof(RGNDATAHEADER)) return;
        const BYTE* rects = data + u32(data);
        for (DWORD i = 0; i < u32(data + 8) && r.fits; i++)
            box(i32(rects + 16 * i), i32(rects + 16 * i + 4), i32(rects + 16 * i + 8), i32(rects + 16 * i + 12));
    }
    // The part of a w x h bitmap a bit block reads, through the source's mapping.
    void source(double x, double y, double cx, double cy, const affine& to, double w, double h)
    {
        double slack = std::max<double>(REACH_LEAST, 4 * std::max(w, h));
        for (int i = 0; i < 4; i++) {
            double u = x + (i & 1 ? cx : 0), v = y + (i & 2 ? cy : 0);
            double sx = to.x(u, v), sy = to.y(u, v);
            if (!(sx >= -slack && sx <= w + slack && sy >= -slack && sy <= h + slack)) fail();
        }
    }
    void dib_source(double x, double y, double cx, double cy, const affine& to, const BYTE* info)
    {
        bool core = u32(info) == sizeof(BITMAPCOREHEADER);
        double w = core ? u16(info + 4) : i32(info + 4), h = core ? u16(info + 6) : std::fabs((double)i32(info + 8));
        source(x, y, cx, cy, to, w, h);
    }
    void pen(HDC dc);
    void font(HDC dc);
};

// A geometric pen's mitred joins reach out by the miter limit times its width.
void measure::pen(HDC dc)
{
    HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN);
    double width = 0;
    if (GetObjectType(pen) == OBJ_EXTPEN) {
        int n = GetObjectW(pen, 0, nullptr);
        std::vector<BYTE> buffer(std::max<size_t>(n > 0 ? n : 0, sizeof(EXTLOGPEN)));
        if (n > 0 && GetObjectW(pen, n, buffer.data()) == n) {
            const EXTLOGPEN* p = (const EXTLOGPEN*)buffer.data();
            width = p->elpWidth;
            FLOAT miter = 1;
            if ((p->elpPenStyle & PS_JOIN_MASK) == PS_JOIN_MITER && GetMiterLimit(dc, &miter) && miter > 1)
                width *= miter;
        }
    } else {
        LOGPEN p;
        if (GetObjectW(pen, sizeof p, &p)) width = p.lopnWidth.x;
    }
    if (!(std::fabs(width) * t.scale() <= r.pen_most)) fail();
}

void measure::font(HDC dc)
{
    LOGFONTW f;
    if (!GetObjectW(GetCurrentObject(dc, OBJ_FONT), sizeof f, &f)) return;
    double s = std::max(std::fabs((double)f.lfHeight), std::fabs((double)f.lfWidth)) * t.scale();
    if (!(s <= r.text_most)) fail();
}

// ---- enhanced metafiles ----

enum : DWORD { EMR_SMALL_TEXT_OUT = 108 };

// A bit block with a source bitmap at `info_at` read through the transform at `xform_at`.
void emf_source(measure& m, const BYTE* p, double x, double y, double cx, double cy, size_t xform_at, size_t info_at)
{
    if (u32(p + info_at)) m.dib_source(x, y, cx, cy, from_xform(p + xform_at), p + u32(p + info_at));
}

// Measures an enhanced-metafile record; true when it draws, so that a dry
// run leaves it unplayed.
bool emf_measure(DWORD type, const BYTE* p, HDC dc, measure& m)
{
    switch (type) {
    case EMR_POLYBEZIER:
    case EMR_POLYGON:
    case EMR_POLYLINE:
    case EMR_POLYBEZIERTO:
    case EMR_POLYLINETO:
    case EMR_POLYDRAW: m.points32(p + 28, u32(p + 24)); break;
    case EMR_POLYBEZIER16:
    case EMR_POLYGON16:
    case EMR_POLYLINE16:
    case EMR_POLYBEZIERTO16:
    case EMR_POLYLINETO16:
    case EMR_POLYDRAW16: m.points16(p + 28, u32(p + 24)); break;
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYGON: m.points32(p + 32 + 4 * (size_t)u32(p + 24), u32(p + 28)); break;
    case EMR_POLYPOLYLINE16:
    case EMR_POLYPOLYGON16: m.points16(p + 32 + 4 * (size_t)u32(p + 24), u32(p + 28)); break;
    case EMR_MOVETOEX: m.point(i32(p + 8), i32(p + 12)); return false;
    case EMR_LINETO:
    case EMR_SETPIXELV:
    case EMR_EXTFLOODFILL: m.point(i32(p + 8), i32(p + 12)); break;
    case EMR_ANGLEARC:
        m.point(i32(p + 8), i32(p + 12));
        m.size(2.0 * u32(p + 16));
        m.finite(f32(p + 20)), m.finite(f32(p + 24));
        break;
    case EMR_ELLIPSE:
    case EMR_RECTANGLE: m.box(i32(p + 8), i32(p + 12), i32(p + 16), i32(p + 20)); break;
    case EMR_ROUNDRECT:
        m.box(i32(p + 8), i32(p + 12), i32(p + 16), i32(p + 20));
        m.size(i32(p + 24)), m.size(i32(p + 28));
        break;
    case EMR_ARC:
    case EMR_CHORD:
    case EMR_PIE:
    case EMR_ARCTO:
        m.box(i32(p + 8), i32(p + 12), i32(p + 16), i32(p + 20));
        m.point(i32(p + 24), i32(p + 28)), m.point(i32(p + 32), i32(p + 36));
        break;
    case EMR_FILLPATH:
    case EMR_STROKEANDFILLPATH:
    case EMR_STROKEPATH:
    case EMR_WIDENPATH: break;
    case EMR_SETMITERLIMIT: m.finite(f32(p + 8)); return false;
    case EMR_FILLRGN: m.region(p + 32, u32(p + 24)); return true;
    case EMR_FRAMERGN:
        m.region(p + 40, u32(p + 24));
        m.size(i32(p + 32)), m.size(i32(p + 36));
        return true;
    case EMR_INVERTRGN:
    case EMR_PAINTRGN: m.region(p + 28, u32(p + 24)); return true;
    case EMR_BITBLT:
        m.box(i32(p + 24), i32(p + 28), i32(p + 24) + (double)i32(p + 32), i32(p + 28) + (double)i32(p + 36));
        emf_source(m, p, i32(p + 44), i32(p + 48), i32(p + 32), i32(p + 36), 52, 84);
        return true;
    case EMR_STRETCHBLT:
    case EMR_ALPHABLEND:
    case EMR_TRANSPARENTBLT:
        m.box(i32(p + 24), i32(p + 28), i32(p + 24) + (double)i32(p + 32), i32(p + 28) + (double)i32(p + 36));
        emf_source(m, p, i32(p + 44), i32(p + 48), i32(p + 100), i32(p + 104), 52, 84);
        return true;
    case EMR_MASKBLT:
        m.box(i32(p + 24), i32(p + 28), i32(p + 24) + (double)i32(p + 32), i32(p + 28) + (double)i32(p + 36));
        emf_source(m, p, i32(p + 44), i32(p + 48), i32(p + 32), i32(p + 36), 52, 84);
        // The player makes a mask even where the record has none, of the
        // sizes it finds at the record's own start.
        m.dib_source(i32(p + 100), i32(p + 104), i32(p + 32), i32(p + 36), affine(), p + u32(p + 112));
        return true;
    case EMR_PLGBLT:
        m.point(i32(p + 24), i32(p + 28)), m.point(i32(p + 32), i32(p + 36)), m.point(i32(p + 40), i32(p + 44));
        m.point((double)i32(p + 32) + i32(p + 40) - i32(p + 24), (double)i32(p + 36) + i32(p + 44) - i32(p + 28));
        emf_source(m, p, i32(p + 48), i32(p + 52), i32(p + 56), i32(p + 60), 64, 96);
        m.dib_source(i32(p + 112), i32(p + 116), i32(p + 56), i32(p + 60), affine(), p + u32(p + 124));
        return true;
    case EMR_SETDIBITSTODEVICE:
        m.box(i32(p + 24), i32(p + 28), i32(p + 24) + (double)i32(p + 40), i32(p + 28) + (double)i32(p + 44));
        m.dib_source(i32(p + 32), i32(p + 36), i32(p + 40), i32(p + 44), affine(), p + u32(p + 48));
        return true;
    case EMR_STRETCHDIBITS:
        m.box(i32(p + 24), i32(p + 28), i32(p + 24) + (double)i32(p + 72), i32(p + 28) + (double)i32(p + 76));
        m.dib_source(i32(p + 32), i32(p + 36), i32(p + 40), i32(p + 44), affine(), p + u32(p + 48));
        return true;
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW:
        m.point(i32(p + 36), i32(p + 40));
        if (u32(p + 52) & (ETO_OPAQUE | ETO_CLIPPED)) m.box(i32(p + 56), i32(p + 60), i32(p + 64), i32(p + 68));
        m.font(dc);
        return true;
    case EMR_POLYTEXTOUTA:
    case EMR_POLYTEXTOUTW:
        // The player draws these through a scale of their own alone.
        m.t = affine();
        m.t.m11 = f32(p + 28), m.t.m22 = f32(p + 32);
        for (DWORD i = 0; i < u32(p + 36) && m.r.fits; i++) {
            const BYTE* text = p + 40 + 40 * (size_t)i;
            m.point(i32(text), i32(text + 4));
            if (u32(text + 16) & (ETO_OPAQUE | ETO_CLIPPED))
                m.box(i32(text + 20), i32(text + 24), i32(text + 28), i32(text + 32));
        }
        m.font(dc);
        return true;
    case EMR_GRADIENTFILL:
        for (DWORD i = 0; i < u32(p + 24) && m.r.fits; i++) m.point(i32(p + 36 + 16 * i), i32(p + 40 + 16 * i));
        return true;
    case EMR_SMALL_TEXT_OUT: return true;  // not drawn by the system
    default: return false;
    }
    // Lines, outlines and paths: drawn with the selected pen.
    m.pen(dc);
    return true;
}

int CALLBACK emf_dry_record(HDC dc, HANDLETABLE* table, const ENHMETARECORD* record, int handles, LPARAM data)
{
    frame_reach& reach = *(frame_reach*)data;
    XFORM f;
    if (!GetWorldTransform(dc, &f)) return 0;
    measure m{reach, from_xform((const BYTE*)&f)};
    if (!emf_measure(record->iType, (const BYTE*)record, dc, m)) PlayEnhMetaFileRecord(dc, table, record, handles);
    return reach.fits;
}

// ---- standard metafiles ----

// A standard-metafile DC maps through its window and viewport alone.
affine wmf_mapping(HDC dc)
{
    POINT window_at, viewport_at;
    SIZE window, viewport;
    GetWindowOrgEx(dc, &window_at), GetWindowExtEx(dc, &window);
    GetViewportOrgEx(dc, &viewport_at), GetViewportExtEx(dc, &viewport);
    affine a;
    a.m11 = (double)viewport.cx / window.cx;
    a.m22 = (double)viewport.cy / window.cy;
    a.dx = viewport_at.x - window_at.x * a.m11;
    a.dy = viewport_at.y - window_at.y * a.m22;
    return a;
}

// Measures a standard-metafile record (parameters p, in the order the file
// holds them); true when it draws.
bool wmf_measure(WORD function, const BYTE* p, size_t bytes, HDC dc, measure& m)
{
    auto at = [p](size_t i) { return (double)i16(p + 2 * i); };
    size_t words = bytes / 2;
    const affine same;
    switch (function) {
    case META_MOVETO: m.point(at(1), at(0)); return false;
    case META_LINETO: m.point(at(1), at(0)); break;
    case META_RECTANGLE:
    case META_ELLIPSE: m.box(at(3), at(2), at(1), at(0)); break;
    case META_ROUNDRECT:
        m.box(at(5), at(4), at(3), at(2));
        m.size(at(1)), m.size(at(0));
        break;
    case META_ARC:
    case META_PIE:
    case META_CHORD:
        m.box(at(7), at(6), at(5), at(4));
        m.point(at(3), at(2)), m.point(at(1), at(0));
        break;
    case META_POLYGON:
    case META_POLYLINE: m.points16(p + 2, u16(p)); break;
    case META_POLYPOLYGON: {
        DWORD points = 0;
        for (size_t i = 0; i < u16(p); i++) points += u16(p + 2 + 2 * i);
        m.points16(p + 2 + 2 * (size_t)u16(p), points);
        break;
    }
    case META_SETPIXEL:
    case META_FLOODFILL: m.point(at(3), at(2)); return true;
    case META_EXTFLOODFILL: m.point(at(4), at(3)); return true;
    case META_TEXTOUT: {
        size_t text = (u16(p) + 1) / 2;
        m.point(at(text + 2), at(text + 1));
        m.font(dc);
        return true;
    }
    case META_EXTTEXTOUT:
        m.point(at(1), at(0));
        if (u16(p + 6) & (ETO_OPAQUE | ETO_CLIPPED)) m.box(at(4), at(5), at(6), at(7));
        m.font(dc);
        return true;
    case META_PATBLT: m.box(at(5), at(4), at(5) + at(3), at(4) + at(2)); return true;
    case META_BITBLT:
        m.box(at(6), at(5), at(6) + at(4), at(5) + at(3));
        m.source(at(2), at(1), at(4), at(3), same, u16(p + 14), u16(p + 16));
        return true;
    case META_STRETCHBLT:
        m.box(at(9), at(8), at(9) + at(7), at(8) + at(6));
        m.source(at(5), at(4), at(3), at(2), same, u16(p + 20), u16(p + 22));
        return true;
    case META_DIBBITBLT:
        if (words <= 9) {
            m.box(at(8), at(7), at(8) + at(6), at(7) + at(5));
            return true;
        }
        m.box(at(7), at(6), at(7) + at(5), at(6) + at(4));
        m.dib_source(at(3), at(2), at(5), at(4), same, p + 16);
        return true;
    case META_DIBSTRETCHBLT:
        if (words <= 11) {
            m.box(at(10), at(9), at(10) + at(8), at(9) + at(7));
            return true;
        }
        m.box(at(9), at(8), at(9) + at(7), at(8) + at(6));
        m.dib_source(at(5), at(4), at(3), at(2), same, p + 20);
        return true;
    case META_STRETCHDIB:
        m.box(at(10), at(9), at(10) + at(8), at(9) + at(7));
        m.dib_source(at(6), at(5), at(4), at(3), same, p + 22);
        return true;
    case META_SETDIBTODEV:
        m.box(at(8), at(7), at(8) + at(6), at(7) + at(5));
        m.dib_source(at(4), at(3), at(6), at(5), same, p + 18);
        return true;
    case META_CREATEREGION: {
        // Bands of "count, top, bottom, count x values, count" after an 11-word head.
        size_t band = 11;
        for (size_t i = 0; i < u16(p + 10) && m.r.fits; i++) {
            size_t xs = u16(p + 2 * band);
            for (size_t k = 0; k < xs; k++) m.box(at(band + 3 + k), at(band + 1), at(band + 3 + k), at(band + 2));
            band += xs + 4;
        }
        return false;
    }
    case META_FRAMEREGION: m.size(at(0)), m.size(at(1)); return true;
    case META_FILLREGION:
    case META_PAINTREGION:
    case META_INVERTREGION: return true;
    default: return false;
    }
    m.pen(dc);
    return true;
}

// Plays one record of a checked standard metafile (see the top of the file);
// `saved` counts the levels the metafile has saved so far.
void play_wmf_record(HDC dc, HANDLETABLE* table, METARECORD* record, int objects, unsigned long long& saved)
{
    const BYTE* params = (const BYTE*)record->rdParm;
    size_t bytes = ((size_t)record->rdSize - 3) * 2;
    if (record->rdFunction == META_SAVEDC) saved++;
    if (record->rdFunction == META_RESTOREDC) {
        // A level not saved: left out, so that no level of the DC's own is restored.
        unsigned long long after = wmf_saved_after_restore(saved, (SHORT)record->rdParm[0]);
        if (after == saved) return;
        saved = after;
    }
    if (record->rdFunction == META_SELECTPALETTE) {
        WORD index = record->rdParm[0];
        if (index < objects && GetObjectType(table->objectHandle[index]) == OBJ_PAL)
            SelectPalette(dc, (HPALETTE)table->objectHandle[index], TRUE);
        return;
    }
    size_t header_at;
    DWORD bits;
    if (wmf_record_bitmap(record->rdFunction, params, bytes, &header_at, &bits) &&
        u32(params + header_at) >= sizeof(BITMAPINFOHEADER)) {
        std::vector<BYTE> copy((const BYTE*)record, (const BYTE*)record + record->rdSize * 2);
        memcpy(copy.data() + 6 + header_at + offsetof(BITMAPINFOHEADER, biSizeImage), &bits, 4);
        PlayMetaFileRecord(dc, table, (METARECORD*)copy.data(), objects);
        return;
    }
    PlayMetaFileRecord(dc, table, record, objects);
}

// A dry run of a standard metafile: its reach and the levels it saved.
struct wmf_dry_run {
    frame_reach reach;
    unsigned long long saved = 0;
};

int CALLBACK wmf_dry_record(HDC dc, HANDLETABLE* table, METARECORD* record, int objects, LPARAM data)
{
    wmf_dry_run& run = *(wmf_dry_run*)data;
    measure m{run.reach, wmf_mapping(dc)};
    size_t bytes = ((size_t)record->rdSize - 3) * 2;
    if (!wmf_measure(record->rdFunction, (const BYTE*)record->rdParm, bytes, dc, m))
        play_wmf_record(dc, table, record, objects, run.saved);
    return run.reach.fits;
}

int CALLBACK wmf_play_record(HDC dc, HANDLETABLE* table, METARECORD* record, int objects, LPARAM data)
{
    play_wmf_record(dc, table, record, objects, *(unsigned long long*)data);
    return 1;
}

}  // namespace

void set_picture_mapping(HDC dc, int ext_x, int ext_y, int width, int height, int top)
{
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, ext_x, ext_y, nullptr);
    SetViewportExtEx(dc, width, height, nullptr);
    SetViewportOrgEx(dc, 0, -top, nullptr);
}

bool wmf_within_frame(HMETAFILE mf, int ext_x, int ext_y, int width, int height)
{
    created_dc scratch(CreateCompatibleDC(nullptr));
    if (!scratch) return false;
    set_picture_mapping(scratch.get(), ext_x, ext_y, width, height, 0);
    wmf_dry_run run = {reach_of(width, height)};
    return EnumMetaFile(scratch.get(), mf, wmf_dry_record, (LPARAM)&run) && run.reach.fits;
}

bool emf_within_frame(HENHMETAFILE emf, int ext_x, int ext_y, int width, int height)
{
    created_dc scratch(CreateCompatibleDC(nullptr));
    if (!scratch) return false;
    set_picture_mapping(scratch.get(), ext_x, ext_y, width, height, 0);
    frame_reach reach = reach_of(width, height);
    RECT frame = {0, 0, ext_x, ext_y};
    return EnumEnhMetaFile(scratch.get(), emf, emf_dry_record, &reach, &frame) && reach.fits;
}

void wmf_play(HDC dc, HMETAFILE mf)
{
    unsigned long long saved = 0;
    EnumMetaFile(dc, mf, wmf_play_record, (LPARAM)&saved);
}
