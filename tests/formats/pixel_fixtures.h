// Pixel access for the format tests: a colour as red, green, blue, read from
// and written to a 24-bit _bmap (stored blue, green, red).
#pragma once
#include "graphics/kavtrel.h"
#include <ostream>

struct rgb {
    int r, g, b;
    bool operator==(const rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
inline std::ostream& operator<<(std::ostream& os, const rgb& c)
{
    return os << "(" << c.r << "," << c.g << "," << c.b << ")";
}
inline rgb at(const _bmap* image, int x, int y)
{
    const BYTE* p = image->pixels + y * image->stride + x * 3;
    return {p[2], p[1], p[0]};
}
inline void put(_bmap* image, int x, int y, int r, int g, int b)
{
    BYTE* p = image->pixels + y * image->stride + x * 3;
    p[0] = (BYTE)b, p[1] = (BYTE)g, p[2] = (BYTE)r;
}
