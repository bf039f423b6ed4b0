// Photo-like pictures for the tests and the benchmarks: smooth gradients with
// fine noise, which compress like a photograph rather than like a flat fill,
// and camera photos of them written as JPEG files by the program's own writer.
#pragma once
#include "formats/formats.h"
#include "graphics/kavtrel.h"
#include <windows.h>
#include <algorithm>
#include <cmath>
#include <string>

// A w x h picture; `shift` varies it, so that no two are equal.
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

// A camera photo at path: a w x h JPEG of quality 90. False when it could not be written.
inline bool write_camera_photo(const std::string& path, int w = 4000, int h = 3000, int shift = 0)
{
    _bmap* b = photo_like(w, h, shift);
    if (!b) return false;
    int saved = save_jpeg_file(path.c_str(), b, 90);
    _bmap_delete(b);
    return saved != 0;
}
