// Decode benchmark: a photo-like 4000x3000 JPEG (quality 90) made by the
// program's own writer is decoded at full size and at 1/8 through the same
// loader the viewer and the grid use; median of several runs, in ms.
#include "bench/bench_common.h"
#include "formats/jpeg.h"
#include "graphics/bmap.h"
#include <windows.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

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
    if (!write_camera_photo(path)) {
        std::printf("decode bench: could not write %s\n", path.c_str());
        return 1;
    }
    median_decode(path.c_str(), 1, 1);  // warm the file cache
    std::printf("4000x3000 JPEG q90: full size %.1f ms, 1/8 %.1f ms (median of 7)\n", median_decode(path.c_str(), 1, 7),
                median_decode(path.c_str(), 8, 7));
    DeleteFileA(path.c_str());
    return 0;
}
