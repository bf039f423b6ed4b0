// Decode benchmark: photo-like 4000x3000 JPEGs (quality 90, made by the
// program's own writer) loaded through the loader by extension, beside
// libjpeg-turbo's own i686 djpeg decoding the same files at the same scale in
// the same Wine, in the same rounds:
// - as the viewer loads the pictures it shows: reduced by the decoder to the
//   most that still covers its full-screen box on this screen, one after
//   another (it keeps the pixels of one picture for the next);
// - at full size into fresh memory, as the first large image after the
//   program was idle is loaded (the first picture of a print run, a PNG or
//   TIFF, a first full-size view), and one after another, the pixels of the
//   one before kept for it;
// - at 1/8, as a thumbnail is loaded.
//
// decode_bench.exe [quick]    quick: small pictures and one round (a smoke run)
#include "app/start_up.h"
#include "bench/bench_common.h"
#include "browser/caches/thumb_cache.h"
#include "browser/model/start.h"
#include "graphics/kavtrel.h"
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// The ms of each load of the files at 1/divisor; fresh: each into memory
// never written before (nothing kept from the load before).
static void load_each(const std::vector<std::string>& files, int divisor, std::vector<double>& out, bool fresh = false)
{
    for (const std::string& f : files) {
        if (fresh) bmap_idle();
        double t = now_ms();
        _bmap* b = _bmap_load(f.c_str(), 0, divisor);
        out.push_back(b ? now_ms() - t : -1);
        _bmap_delete(b);
    }
}

static std::string scale_option(int divisor) { return divisor > 1 ? "-scale 1/" + std::to_string(divisor) : ""; }

int main(int argc, char** argv)
{
    bool quick = argc >= 2 && !strcmp(argv[1], "quick");
    int files = quick ? 2 : 4, rounds = quick ? 1 : 5, w = quick ? 800 : 4000, h = quick ? 600 : 3000;
    report_cpus();
    install_image_format_hooks();
    std::vector<std::string> paths;
    for (int i = 0; i < files; i++)
        paths.push_back(temp_folder() + (quick ? "zote_decode_quick" : "zote_decode_bench") + std::to_string(i) +
                        ".jpg");
    make_photos(paths, w, h);
    // The full-screen box of the viewer (square, above its status line).
    int side = std::min(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) - 24);
    int viewer = jpeg_reduction(fit_scale(0, w, h, side, side));
    std::vector<double> shown, fresh, run, eighth, shown_floor, full_floor, eighth_floor, warm;
    load_each(paths, 1, warm);  // the files into the OS cache
    for (int r = 0; r < rounds; r++) {
        bmap_keep_spare(1);
        load_each(paths, viewer, shown);
        bmap_keep_spare(0);
        shown_floor.push_back(djpeg_floor(scale_option(viewer), paths));
        load_each(paths, 1, fresh, true);
        load_each(paths, 1, run);
        full_floor.push_back(djpeg_floor("", paths));
        load_each(paths, 8, eighth);
        eighth_floor.push_back(djpeg_floor("-scale 1/8", paths));
    }
    say("== %d JPEGs %dx%d q90: medians of %d loads of each\n", files, w, h, rounds);
    std::string as_shown = "the viewer's load (1/" + std::to_string(viewer) + ", full screen)";
    std::string floor_shown = "djpeg " + scale_option(viewer);
    report(as_shown.c_str(), median(shown), {{floor_shown.c_str(), median(shown_floor)}}, 0, 1.05);
    report("full size into fresh memory (first of a run)", median(fresh), {{"djpeg", median(full_floor)}}, 0, 1.05);
    report("full size, one after another", median(run), {{"djpeg", median(full_floor)}}, 0, 1.05);
    report("1/8 load, as a thumbnail loads", median(eighth), {{"djpeg -scale 1/8", median(eighth_floor)}}, 0, 1.05);
    return 0;
}
