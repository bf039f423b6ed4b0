// Viewer benchmark: the program started in its one-image viewer (/z) on a
// folder of photo-like 4000x3000 JPEGs; a stepping key goes to the window as
// the user presses it. Timed from the key: the next picture shown (the
// page's first paint with the new entry), when it was prepared in advance
// (Page Down: the entry after the shown one is always prepared) and when it
// was not (Page Up), how long the key press keeps the program from taking
// the next key (showing it; the entry after it is prepared in the idle time
// that follows, timed apart). Floor:
// libjpeg-turbo's own i686 djpeg decoding the same files at full size in the
// same Wine, in the same rounds.
//
// viewer_bench.exe [quick]    quick: small pictures and one round (a smoke run)
#include "bench/app_host.h"
#include "browser/model/browser_list.h"
#include "browser/viewer/viewer.h"
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// The ms from start to the page's first paint showing entry; -1 when none.
static double shown_at(double start, int entry)
{
    for (const ui_event& e : ui_events)
        if (e.kind == ui_event::PAINT && e.value == entry) return e.ms - start;
    return -1;
}

int main(int argc, char** argv)
{
    bool quick = argc >= 2 && !strcmp(argv[1], "quick");
    int files = quick ? 3 : 6, rounds = quick ? 1 : 5;
    report_cpus();
    std::string folder = temp_folder() + (quick ? "zote_viewer_quick" : "zote_viewer_bench");
    CreateDirectoryA(folder.c_str(), nullptr);
    std::vector<std::string> paths;
    for (int i = 0; i < files; i++) paths.push_back(folder + "\\写真" + std::to_string(i) + ".jpg");
    make_photos(paths, quick ? 640 : 4000, quick ? 480 : 3000);
    if (!start_program("/z \"" + folder + "\"") || viewer_now.mode != VIEWER_MODE_ONE) {
        say("the program did not start in its viewer\n");
        return 1;
    }
    std::vector<double> prepared, unprepared, blocks_next, blocks_back, idle_next, floor;
    for (int r = 0; r < rounds; r++) {
        for (int key : {VK_NEXT, VK_PRIOR}) {
            int n = browser_list.count, now = viewer_now.current_index;
            int entry = key == VK_NEXT ? (now + 1) % n : (now + n - 1) % n;
            double start = now_ms();
            double blocked = user_input([&] { post_key(key); });
            (key == VK_NEXT ? prepared : unprepared).push_back(shown_at(start, entry));
            (key == VK_NEXT ? blocks_next : blocks_back).push_back(blocked);
            // The picture after it is prepared while the program waits for the next key.
            double idle = settle();
            if (key == VK_NEXT) idle_next.push_back(idle);
        }
        floor.push_back(djpeg_floor("", paths));
    }
    say("== one-image viewer, %d pictures %s: medians of %d\n", files, quick ? "640x480" : "4000x3000", rounds);
    floor_figure f = {"djpeg full size", median(floor)};
    report("next picture shown, prepared (Page Down)", median(prepared), {f}, 100);
    report("next picture shown, unprepared (Page Up)", median(unprepared), {f}, 0, 1.25);
    report("Page Down keeps the next key waiting", median(blocks_next), {f}, 100);
    report("Page Up keeps the next key waiting", median(blocks_back), {f}, 100);
    report("the picture after it prepared in idle time", median(idle_next), {f});
    return 0;
}
