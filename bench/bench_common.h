// What the benchmarks share: a millisecond clock and a photo-like picture
// (smooth gradients with fine noise: it compresses like a photograph, not
// like a flat fill). `shift` varies the picture, so no two files are equal.
#pragma once
#include "graphics/kavtrel.h"
#include <windows.h>
#include <algorithm>
#include <cmath>

inline double now_ms()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return c.QuadPart * 1000.0 / f.QuadPart;
}

inline _bmap* photo_like(int w, int h, int shift = 0)
{
    _bmap* b = bmap_new(w, h);
    if (!b) return nullptr;
    unsigned seed = 12345u + shift;
    for (int y = 0; y < h; y++) {
        BYTE* row = b->pixels + (size_t)y * b->stride;
        for (int x = 0; x < w; x++) {
            seed = seed * 1103515245u + 12345u;
            int noise = (int)((seed >> 16) & 15) - 8;
            double s = std::sin((x + shift * 97) * 0.004) * std::cos(y * 0.003);
            row[3 * x] = (BYTE)std::clamp((int)(128 + 90 * s) + noise, 0, 255);
            row[3 * x + 1] = (BYTE)std::clamp((int)(x * 255 / w) + noise, 0, 255);
            row[3 * x + 2] = (BYTE)std::clamp((int)(y * 255 / h) + noise, 0, 255);
        }
    }
    return b;
}
