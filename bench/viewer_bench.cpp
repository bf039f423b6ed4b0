// Viewer benchmark: next-image latency in the one-image viewer for 4000x3000
// JPEGs, with the next picture prepared in advance (the normal step) and
// without it (the preparation dropped first), beside the full-size decode
// floor of the same files; median of several steps, in ms.
#include "bench/bench_common.h"
#include "browser/browser_list.h"
#include "browser/list_view.h"
#include "browser/paths.h"
#include "browser/viewer.h"
#include "formats/jpeg.h"
#include "graphics/kavtrel.h"
#include <windows.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

static double median(std::vector<double> t)
{
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

int main()
{
    kavtrel_start(GetModuleHandleA(nullptr), nullptr, "");
    image_format_hooks.probe_jpeg = probe_jpeg_file;
    image_format_hooks.load_jpeg = load_jpeg_file;
    browser_list_init();
    install_list_view_hooks();
    install_viewer_hooks();
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "zote_viewer_bench";
    CreateDirectoryA(folder.c_str(), nullptr);
    const int files = 4, runs = 7;
    for (int i = 0; i < files; i++) write_camera_photo(folder + "\\" + char('a' + i) + ".jpg", 4000, 3000, i);
    _newpage(1, 0, 0, -1000, -750);
    change_folder(folder.c_str());
    load_folder(nullptr, 0, 0, nullptr, 0);
    std::vector<double> floor_ms, prepared, unprepared;
    for (int i = 0; i < runs; i++) {
        double t = now_ms();
        _bmap* b = load_jpeg_file((folder + "\\a.jpg").c_str(), 1, 0);
        floor_ms.push_back(now_ms() - t);
        _bmap_delete(b);
    }
    view_one_image(viewer_state, 0);
    for (int i = 0; i < runs; i++) {
        double t = now_ms();
        viewer_step(viewer_state, 1);  // shows the prepared picture, then prepares the next
        prepared.push_back(now_ms() - t);
    }
    for (int i = 0; i < runs; i++) {
        double t = now_ms();
        viewer_step(viewer_state, 1);
        double shown_and_prepared = now_ms() - t;
        viewer_state.shown_index = -1;  // the preparation dropped
        t = now_ms();
        viewer_step(viewer_state, 1);
        unprepared.push_back(now_ms() - t);
        (void)shown_and_prepared;
    }
    // The shown part alone: the step's time less the preparation of the one after.
    std::vector<double> show_only;
    for (int i = 0; i < runs; i++) {
        double t = now_ms();
        show_slide(viewer_state);
        show_only.push_back(now_ms() - t);
    }
    std::printf("4000x3000 JPEG q90: full-size decode %.1f ms; viewer step with the next prepared %.1f ms "
                "(of which showing %.1f ms), without it %.1f ms (medians of %d)\n",
                median(floor_ms), median(prepared), median(show_only), median(unprepared), runs);
    for (int i = 0; i < files; i++) DeleteFileA((folder + "\\" + char('a' + i) + ".jpg").c_str());
    return 0;
}
