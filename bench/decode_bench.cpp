// Decode benchmark: a photo-like 4000x3000 JPEG (quality 90) made by the
// program's own writer is decoded at full size and at 1/8 through the same
// loader the viewer and the grid use; median of several runs, in ms.
#include "formats/jpeg.h"
#include "graphics/bmap.h"
#include <windows.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

static double now_ms()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return c.QuadPart * 1000.0 / f.QuadPart;
}

// Smooth gradients with fine noise: compresses like a photograph, not like a flat fill.
static _bmap* photo_like(int w, int h)
{
    _bmap* b = bmap_new(w, h);
    unsigned seed = 12345;
    for (int y = 0; y < h; y++) {
        BYTE* row = b->pixels + (size_t)y * b->stride;
        for (int x = 0; x < w; x++) {
            seed = seed * 1103515245u + 12345u;
            int noise = (int)((seed >> 16) & 15) - 8;
            double s = std::sin(x * 0.004) * std::cos(y * 0.003);
            row[3 * x] = (BYTE)std::clamp((int)(128 + 90 * s) + noise, 0, 255);
            row[3 * x + 1] = (BYTE)std::clamp((int)(x * 255 / w) + noise, 0, 255);
            row[3 * x + 2] = (BYTE)std::clamp((int)(y * 255 / h) + noise, 0, 255);
        }
    }
    return b;
}

static double median_decode(const char* path, int divisor, int runs)
{
    std::vector<double> t;
    for (int i = 0; i < runs; i++) {
        double start = now_ms();
        _bmap* b = load_jpeg_file(path, divisor, 0);
        t.push_back(now_ms() - start);
        if (!b) return -1;
        _bmap_delete(b);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

int main()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string path = std::string(temp) + "zote_decode_bench.jpg";
    _bmap* b = photo_like(4000, 3000);
    int saved = save_jpeg_file(path.c_str(), b, 90);
    _bmap_delete(b);
    if (!saved) {
        std::printf("decode bench: could not write %s\n", path.c_str());
        return 1;
    }
    median_decode(path.c_str(), 1, 1);  // warm the file cache
    std::printf("4000x3000 JPEG q90: full size %.1f ms, 1/8 %.1f ms (median of 7)\n",
                median_decode(path.c_str(), 1, 7), median_decode(path.c_str(), 8, 7));
    DeleteFileA(path.c_str());
    return 0;
}
