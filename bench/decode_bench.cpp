// Decode benchmark: photo-like 4000x3000 JPEGs (quality 90, made by the
// program's own writer) loaded through the loader by extension, the files in
// turn and again, as the viewer loads each picture it shows (full size, the
// pixels of one picture kept for the next of the same size), and
// at 1/8 as a thumbnail is loaded; beside libjpeg-turbo's own i686 djpeg
// decoding the same files in the same Wine, in the same rounds.
//
// decode_bench.exe [quick]    quick: small pictures and one round (a smoke run)
#include "app/start_up.h"
#include "bench/bench_common.h"
#include "browser/model/start.h"
#include "graphics/kavtrel.h"
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// The ms of each load of the files at the scale (1/divisor).
static void load_each(const std::vector<std::string>& files, int divisor, std::vector<double>& out)
{
    for (const std::string& f : files) {
        double t = now_ms();
        _bmap* b = divisor > 1 ? _bmap_load(f.c_str(), 1, divisor) : _bmap_load(f.c_str(), 0, 1);
        out.push_back(b ? now_ms() - t : -1);
        _bmap_delete(b);
    }
}

int main(int argc, char** argv)
{
    bool quick = argc >= 2 && !strcmp(argv[1], "quick");
    int files = quick ? 2 : 4, rounds = quick ? 1 : 5;
    report_cpus();
    install_image_format_hooks();
    std::vector<std::string> paths;
    for (int i = 0; i < files; i++)
        paths.push_back(temp_folder() + (quick ? "zote_decode_quick" : "zote_decode_bench") + std::to_string(i) +
                        ".jpg");
    make_photos(paths, quick ? 800 : 4000, quick ? 600 : 3000);
    std::vector<double> full, eighth, full_floor, eighth_floor, warm;
    load_each(paths, 1, warm);  // the files into the OS cache
    for (int r = 0; r < rounds; r++) {
        // The viewer keeps the pixels of one full-size picture for the next.
        bmap_keep_spare(1);
        load_each(paths, 1, full);
        bmap_keep_spare(0);
        full_floor.push_back(djpeg_floor("", paths));
        load_each(paths, 8, eighth);
        eighth_floor.push_back(djpeg_floor("-scale 1/8", paths));
    }
    say("== %d JPEGs %s q90: medians of %d loads of each\n", files, quick ? "800x600" : "4000x3000", rounds);
    report("full-size load, as the viewer loads", median(full), {{"djpeg", median(full_floor)}}, 0, 1.05);
    report("1/8 load, as a thumbnail loads", median(eighth), {{"djpeg -scale 1/8", median(eighth_floor)}});
    return 0;
}
