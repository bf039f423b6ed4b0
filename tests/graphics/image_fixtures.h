// Fixture builders for image tests: packed DIBs and BMP files written byte by
// byte, and small _bmap pictures with distinct pixels.
#pragma once
#include "graphics/kavtrel.h"
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace fixtures {

inline void put16(std::string& s, size_t at, uint16_t v)
{
    s[at] = (char)v;
    s[at + 1] = (char)(v >> 8);
}
inline void put32(std::string& s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++) s[at + i] = (char)(v >> (8 * i));
}

struct dib_fields {
    uint32_t header_size = 40;  // 12, 40, 108, 124
    int32_t width = 1;
    int32_t height = 1;  // positive: stored bottom-up
    uint16_t bpp = 24;
    uint32_t compression = BI_RGB;
    int32_t clr_used = -1;          // -1: palette.size()
    std::vector<uint32_t> palette;  // 0x00RRGGBB
    std::vector<uint32_t> masks;    // written after a 40-byte header, or inside longer ones
    int32_t xppm = 0, yppm = 0;
    // Raw value of pixel (x, y), y counted from the top: an index, or 0xRRGGBB.
    std::function<uint32_t(int, int)> pixel = [](int, int) { return 0u; };
};

// A 32-bit DIB with the usual red, green and blue masks after its header.
inline dib_fields bitfield_dib(int32_t width, int32_t height)
{
    dib_fields d;
    d.width = width;
    d.height = height;
    d.bpp = 32;
    d.compression = BI_BITFIELDS;
    d.masks = {0xff0000, 0xff00, 0xff};
    return d;
}

// A packed DIB: header, masks, colour table, rows.
inline std::string make_dib(const dib_fields& d, size_t* rows_at = nullptr)
{
    std::string s(d.header_size, '\0');
    put32(s, 0, d.header_size);
    int h = d.height < 0 ? -d.height : d.height;
    if (d.header_size == 12) {
        put16(s, 4, (uint16_t)d.width);
        put16(s, 6, (uint16_t)d.height);
        put16(s, 8, 1);
        put16(s, 10, d.bpp);
    } else {
        put32(s, 4, (uint32_t)d.width);
        put32(s, 8, (uint32_t)d.height);
        put16(s, 12, 1);
        put16(s, 14, d.bpp);
        put32(s, 16, d.compression);
        put32(s, 24, (uint32_t)d.xppm);
        put32(s, 28, (uint32_t)d.yppm);
        put32(s, 32, (uint32_t)(d.clr_used < 0 ? (int32_t)d.palette.size() : d.clr_used));
        if (d.header_size >= 52)
            for (size_t i = 0; i < d.masks.size() && i < 3; i++) put32(s, 40 + 4 * i, d.masks[i]);
    }
    if (d.header_size == 40)
        for (uint32_t m : d.masks) {
            std::string t(4, '\0');
            put32(t, 0, m);
            s += t;
        }
    for (uint32_t c : d.palette) {
        s += (char)(c & 255);
        s += (char)((c >> 8) & 255);
        s += (char)((c >> 16) & 255);
        if (d.header_size != 12) s += '\0';
    }
    if (rows_at) *rows_at = s.size();
    if (d.width <= 0 || h <= 0 || h > 4096 || d.width > 4096) return s;  // corrupt sizes: no rows
    size_t row = ((size_t)d.width * d.bpp + 31) / 32 * 4;
    for (int r = 0; r < h; r++) {
        int y = d.height > 0 ? h - 1 - r : r;
        std::string line(row, '\0');
        for (int x = 0; x < d.width; x++) {
            uint32_t v = d.pixel(x, y);
            switch (d.bpp) {
            case 1: line[x / 8] |= (char)((v & 1) << (7 - x % 8)); break;
            case 4: line[x / 2] |= (char)((x & 1) ? (v & 15) : (v & 15) << 4); break;
            case 8: line[x] = (char)v; break;
            case 16: put16(line, 2 * x, (uint16_t)v); break;
            case 24:
                line[3 * x] = (char)v;
                line[3 * x + 1] = (char)(v >> 8);
                line[3 * x + 2] = (char)(v >> 16);
                break;
            case 32: put32(line, 4 * x, v); break;
            }
        }
        s += line;
    }
    return s;
}

// A BMP file around a DIB whose rows start at rows_at; `gap` filler bytes
// go between the table and the rows, and bfOffBits points past them.
inline std::string make_bmp(const std::string& dib, size_t rows_at, size_t gap = 0)
{
    std::string body = dib.substr(0, rows_at) + std::string(gap, '\x55') + dib.substr(rows_at);
    std::string fh(14, '\0');
    fh[0] = 'B';
    fh[1] = 'M';
    put32(fh, 2, (uint32_t)(14 + body.size()));
    put32(fh, 10, (uint32_t)(14 + rows_at + gap));
    return fh + body;
}
inline std::string make_bmp(const dib_fields& d, size_t gap = 0)
{
    size_t rows_at = 0;
    std::string dib = make_dib(d, &rows_at);
    return make_bmp(dib, rows_at, gap);
}

// The BGR of pixel (x, y) of an image.
inline uint32_t rgb_at(const _bmap* b, int x, int y)
{
    const BYTE* p = b->pixels + (size_t)y * b->stride + 3 * x;
    return (uint32_t)p[2] << 16 | (uint32_t)p[1] << 8 | p[0];
}
inline void set_rgb(_bmap* b, int x, int y, uint32_t c)
{
    BYTE* p = b->pixels + (size_t)y * b->stride + 3 * x;
    p[0] = (BYTE)c;
    p[1] = (BYTE)(c >> 8);
    p[2] = (BYTE)(c >> 16);
}

// A w x h image whose every pixel is distinct.
inline _bmap* distinct_image(int w, int h)
{
    _bmap* b = bmap_new(w, h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) set_rgb(b, x, y, (uint32_t)(0x102030 + y * 0x10101 * 7 + x * 0x30201));
    return b;
}

}  // namespace fixtures
