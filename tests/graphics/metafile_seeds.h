// Metafiles recorded by the system for the metafile tests: a small sample
// picture, and a rich one of pens, arcs, bit blocks, a palette and text, as
// placeable standard metafiles and as enhanced metafiles; walkers over their
// records let a test change one field of one record.
#pragma once
#include "graphics/kavtrel.h"
#include "tests/graphics/image_fixtures.h"
#include "tests/support/bench.h"
#include <string>
#include <vector>

namespace seeds {

inline uint32_t get32(const std::string& s, size_t at)
{
    return (uint8_t)s[at] | (uint8_t)s[at + 1] << 8 | (uint8_t)s[at + 2] << 16 | (uint32_t)(uint8_t)s[at + 3] << 24;
}
inline uint16_t get16(const std::string& s, size_t at) { return (uint16_t)((uint8_t)s[at] | (uint8_t)s[at + 1] << 8); }
inline void put(std::string& s, size_t at, uint32_t v, int width)
{
    for (int k = 0; k < width && at + k < s.size(); k++) s[at + k] = (char)(v >> (8 * k));
}

// A picture the system records: a red triangle, a thick blue line, black
// text and a 2 x 2 bitmap stretched to 40 x 40 pixels, over 200 x 200 units.
inline void draw_sample(HDC dc)
{
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HGDIOBJ old_brush = SelectObject(dc, red);
    HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
    POINT triangle[3] = {{10, 10}, {90, 10}, {10, 90}};
    Polygon(dc, triangle, 3);
    HPEN blue = CreatePen(PS_SOLID, 6, RGB(0, 0, 255));
    SelectObject(dc, blue);
    MoveToEx(dc, 110, 20, nullptr);
    LineTo(dc, 190, 20);
    SelectObject(dc, old_pen);
    SelectObject(dc, old_brush);
    DeleteObject(blue);
    DeleteObject(red);
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, 110, 110, "WWW", 3);
    fixtures::dib_fields d;
    d.width = 2;
    d.height = 2;
    d.pixel = [](int x, int y) { return (uint32_t)(x ? (y ? 0x00ff00 : 0xffff00) : (y ? 0x00ffff : 0xff00ff)); };
    std::string dib = fixtures::make_dib(d);
    BITMAPINFOHEADER* bh = (BITMAPINFOHEADER*)&dib[0];
    bh->biSizeImage = (DWORD)dib.size() - 40;  // the standard metafile keeps no bits without it
    StretchDIBits(dc, 20, 120, 40, 40, 0, 0, 2, 2, dib.data() + 40, (BITMAPINFO*)bh, DIB_RGB_COLORS, SRCCOPY);
    // Marks the picture's extent.
    SetPixel(dc, 0, 0, RGB(255, 255, 255));
    SetPixel(dc, 199, 199, RGB(255, 255, 255));
}

// Pens plain and geometric, every arc, a palette selected and realised, the
// bit blocks a standard metafile keeps (and in an enhanced one the masked,
// parallelogram, transparent and alpha ones too) and text in a font of its
// own, over 200 x 200 units.
inline void draw_rich(HDC dc, bool enhanced)
{
    HPEN plain = CreatePen(PS_SOLID, 3, RGB(0, 0, 255));
    HGDIOBJ old_pen = SelectObject(dc, plain);
    MoveToEx(dc, 10, 10, nullptr);
    LineTo(dc, 100, 10);
    Arc(dc, 10, 20, 60, 70, 60, 45, 10, 45);
    LOGBRUSH green = {BS_SOLID, RGB(0, 128, 0), 0};
    HPEN round = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND, 5, &green, 0, nullptr);
    SelectObject(dc, round);
    if (enhanced) AngleArc(dc, 120, 50, 30, 0.0f, 270.0f);
    Chord(dc, 70, 20, 110, 60, 110, 40, 70, 40);
    Pie(dc, 10, 80, 50, 120, 50, 100, 10, 100);
    Ellipse(dc, 60, 80, 100, 120);
    RoundRect(dc, 110, 80, 150, 120, 10, 10);
    SelectObject(dc, old_pen);
    DeleteObject(plain);
    DeleteObject(round);

    struct {
        WORD version, count;
        PALETTEENTRY entries[4];
    } colours = {0x300, 4, {{255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}, {255, 255, 0, 0}}};
    HPALETTE palette = CreatePalette((LOGPALETTE*)&colours);
    HPALETTE old_palette = SelectPalette(dc, palette, FALSE);
    RealizePalette(dc);

    // An 8 x 8 source, red above and blue below.
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 8;
    bi.bmiHeader.biHeight = -8;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP source = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    for (int i = 0; i < 64; i++) ((DWORD*)bits)[i] = i < 32 ? 0xff0000 : 0x0000ff;
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old_bitmap = SelectObject(memory, source);
    BitBlt(dc, 10, 130, 8, 8, memory, 0, 0, SRCCOPY);
    PatBlt(dc, 20, 130, 8, 8, BLACKNESS);
    StretchBlt(dc, 30, 130, 16, 16, memory, 0, 0, 8, 8, SRCCOPY);
    if (enhanced) {
        HBITMAP mask = CreateBitmap(8, 8, 1, 1, nullptr);
        MaskBlt(dc, 50, 130, 8, 8, memory, 0, 0, mask, 0, 0, MAKEROP4(SRCCOPY, SRCCOPY));
        POINT corners[3] = {{60, 130}, {70, 130}, {60, 140}};
        PlgBlt(dc, corners, memory, 0, 0, 8, 8, nullptr, 0, 0);
        GdiTransparentBlt(dc, 80, 130, 8, 8, memory, 0, 0, 8, 8, RGB(255, 255, 255));
        BLENDFUNCTION half = {AC_SRC_OVER, 0, 128, 0};
        GdiAlphaBlend(dc, 90, 130, 8, 8, memory, 0, 0, 8, 8, half);
        DeleteObject(mask);
    }
    SelectObject(memory, old_bitmap);
    DeleteDC(memory);
    bi.bmiHeader.biSizeImage = 8 * 8 * 4;  // the standard metafile keeps no bits without it
    SetDIBitsToDevice(dc, 100, 150, 8, 8, 0, 0, 0, 8, bits, &bi, DIB_RGB_COLORS);
    DeleteObject(source);
    SelectPalette(dc, old_palette, FALSE);
    DeleteObject(palette);

    HFONT font = CreateFontA(20, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    HGDIOBJ old_font = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, 110, 140, "Ab", 2);
    SelectObject(dc, old_font);
    DeleteObject(font);

    // Two saved states, the inner one with a mapping of its own (the window
    // twice as wide and high, so that a square lands at half its numbers)
    // and, in an enhanced metafile, a viewport and a world transform that
    // moves it; both restored at once.
    SaveDC(dc);
    SaveDC(dc);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, 200, 200, nullptr);
    ScaleWindowExtEx(dc, 2, 1, 2, 1, nullptr);
    if (enhanced) {
        SetViewportOrgEx(dc, 0, 0, nullptr);
        SetViewportExtEx(dc, 200, 200, nullptr);
        ScaleViewportExtEx(dc, 1, 1, 1, 1, nullptr);
        SetGraphicsMode(dc, GM_ADVANCED);
        XFORM right = {1, 0, 0, 1, 10, 0};
        SetWorldTransform(dc, &right);
        ModifyWorldTransform(dc, &right, MWT_LEFTMULTIPLY);
    }
    HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128));
    HGDIOBJ old_brush = SelectObject(dc, grey);
    Rectangle(dc, 300, 20, 340, 60);
    SelectObject(dc, old_brush);
    RestoreDC(dc, -2);
    DeleteObject(grey);
    SetPixel(dc, 199, 199, RGB(255, 255, 255));
}

// A region filled and framed, as FillRgn and FrameRgn record it: the
// recording keeps each call's parameters in the reverse of their order.
inline void draw_region_fill(HDC dc)
{
    HRGN region = CreateRectRgn(20, 30, 150, 110);
    HBRUSH fill = CreateSolidBrush(RGB(0, 128, 255)), edge = CreateSolidBrush(RGB(128, 0, 0));
    FillRgn(dc, region, fill);
    FrameRgn(dc, region, edge, 2, 2);
    DeleteObject(fill);
    DeleteObject(edge);
    DeleteObject(region);
    SetPixel(dc, 199, 199, RGB(255, 255, 255));
}

// Levels saved and one restored by the number SaveDC gave for it, as many
// programs write it: the green brush of that level fills the last square.
inline void draw_absolute_restore(HDC dc)
{
    HBRUSH green = CreateSolidBrush(RGB(0, 160, 0)), red = CreateSolidBrush(RGB(255, 0, 0));
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    HGDIOBJ old_brush = SelectObject(dc, green);
    int level = SaveDC(dc);
    SelectObject(dc, red);
    Rectangle(dc, 10, 10, 60, 60);
    SaveDC(dc);
    SelectObject(dc, blue);
    Rectangle(dc, 70, 10, 120, 60);
    RestoreDC(dc, level);
    Rectangle(dc, 130, 10, 180, 60);
    SelectObject(dc, old_brush);
    DeleteObject(green);
    DeleteObject(red);
    DeleteObject(blue);
    SetPixel(dc, 199, 199, RGB(255, 255, 255));
}

// A helper that keeps the level SaveDC gave it, called inside `outer` levels
// saved and restored by counting back: a recording DC gives 1 for every
// level, so the file restores to no level saved before the outer restores.
inline void draw_nested_saves(HDC dc, int outer)
{
    HBRUSH green = CreateSolidBrush(RGB(0, 160, 0)), red = CreateSolidBrush(RGB(255, 0, 0));
    HGDIOBJ old_brush = SelectObject(dc, green);
    for (int i = 0; i < outer; i++) SaveDC(dc);
    int level = SaveDC(dc);
    SelectObject(dc, red);
    Rectangle(dc, 10, 10, 60, 60);
    RestoreDC(dc, level);
    Rectangle(dc, 70, 10, 120, 60);
    for (int i = 0; i < outer; i++) RestoreDC(dc, -1);
    Rectangle(dc, 130, 10, 180, 60);
    SelectObject(dc, old_brush);
    DeleteObject(green);
    DeleteObject(red);
    SetPixel(dc, 199, 199, RGB(255, 255, 255));
}

// The standard metafile the system records of `draw` over a 200 x 200 window.
template <class Draw> std::string record_wmf(Draw draw)
{
    HDC dc = CreateMetaFileA(nullptr);
    SetWindowExtEx(dc, 200, 200, nullptr);
    draw(dc);
    HMETAFILE mf = CloseMetaFile(dc);
    UINT n = GetMetaFileBitsEx(mf, 0, nullptr);
    std::string bytes(n, '\0');
    GetMetaFileBitsEx(mf, n, &bytes[0]);
    DeleteMetaFile(mf);
    return bytes;
}

// A standard metafile body behind its placeable header, box 0, 0, 200, 200
// unless another right and bottom are given.
inline std::string placeable(const std::string& body, int units_per_inch, int right = 200, int bottom = 200)
{
    wmf_placeable_header h{};
    h.key = WMF_PLACEABLE_KEY;
    h.right = (SHORT)right;
    h.bottom = (SHORT)bottom;
    h.units_per_inch = (WORD)units_per_inch;
    return std::string((const char*)&h, sizeof h) + body;
}

// The enhanced metafile the system records of `draw`, in a file of the folder.
template <class Draw> std::string record_emf(const bench::scratch_dir& dir, Draw draw)
{
    std::string path = dir.file("seed_src.emf");
    HDC dc = CreateEnhMetaFileA(nullptr, path.c_str(), nullptr, nullptr);
    draw(dc);
    DeleteEnhMetaFile(CloseEnhMetaFile(dc));
    return bench::read_file(path);
}

// One unit per pixel on a 96-dpi screen.
inline std::string sample_wmf() { return placeable(record_wmf(draw_sample), 96); }
inline std::string sample_emf(const bench::scratch_dir& dir) { return record_emf(dir, draw_sample); }
inline std::string region_wmf() { return placeable(record_wmf(draw_region_fill), 96); }
inline std::string absolute_restore_wmf() { return placeable(record_wmf(draw_absolute_restore), 96); }
inline std::string nested_saves_wmf(int outer)
{
    return placeable(record_wmf([outer](HDC dc) { draw_nested_saves(dc, outer); }), 96);
}
inline std::string rich_wmf(int units_per_inch = 96)
{
    return placeable(record_wmf([](HDC dc) { draw_rich(dc, false); }), units_per_inch);
}

// A record of a metafile: where it starts, its size in bytes and its type.
struct record {
    size_t at, size;
    uint32_t type;
};

inline std::vector<record> emf_records(const std::string& s)
{
    std::vector<record> all;
    for (size_t at = 0; at + 8 <= s.size();) {
        uint32_t size = get32(s, at + 4);
        if (size < 8 || at + size > s.size()) break;
        all.push_back({at, size, get32(s, at)});
        at += size;
    }
    return all;
}

// The records of a placeable standard metafile, after its two headers.
inline std::vector<record> wmf_records(const std::string& s)
{
    std::vector<record> all;
    for (size_t at = sizeof(wmf_placeable_header) + 18; at + 6 <= s.size();) {
        uint32_t words = get32(s, at);
        if (words < 3 || at + 2 * (size_t)words > s.size()) break;
        all.push_back({at, 2 * (size_t)words, get16(s, at + 4)});
        at += 2 * (size_t)words;
    }
    return all;
}

// Where the nth record of a type starts (0 when there is none: no record
// starts at the first byte of either kind).
inline size_t find_record(const std::vector<record>& all, uint32_t type, int nth = 0)
{
    for (const record& r : all)
        if (r.type == type && nth-- == 0) return r.at;
    return 0;
}

// The system records every pen as a plain one; an enhanced metafile from
// elsewhere may store a geometric pen as an extended pen. The nth plain pen
// becomes one, with a solid brush of its colour.
inline std::string with_extended_pen(std::string emf, int nth)
{
    size_t at = find_record(emf_records(emf), EMR_CREATEPEN, nth);
    if (!at) return emf;
    std::string ext(52, '\0');
    put(ext, 0, EMR_EXTCREATEPEN, 4);
    put(ext, 4, 52, 4);
    put(ext, 8, get32(emf, at + 8), 4);                   // object number
    put(ext, 28, get32(emf, at + 12) | PS_GEOMETRIC, 4);  // style
    put(ext, 32, get32(emf, at + 16), 4);                 // width
    put(ext, 36, BS_SOLID, 4);
    put(ext, 40, get32(emf, at + 24), 4);  // colour
    emf.replace(at, 28, ext);
    put(emf, 48, get32(emf, 48) + 52 - 28, 4);  // the file's size
    return emf;
}

inline std::string rich_emf(const bench::scratch_dir& dir)
{
    return with_extended_pen(record_emf(dir, [](HDC dc) { draw_rich(dc, true); }), 1);
}

}  // namespace seeds
