// Viewer benchmark: the program started in its one-image viewer (/z) on a
// folder of photo-like 4000x3000 JPEGs; a stepping key goes to the window as
// the user presses it. Timed from the key: the next picture on the screen
// (the first paint after which the window shows a picture other than the one
// before, at the middle of the picture box), when it was prepared in advance
// (Page Down: the entry after the shown one is always prepared) and when it
// was not (Page Up); how long the key keeps the program from taking the next
// key, and how long after the picture is shown it does; and the entry after
// it prepared in the idle time that follows; how long a key pressed while
// that preparation runs waits before the program takes it (Page Down again,
// at points spread over the preparation). Floor: libjpeg-turbo's own i686
// djpeg decoding the same files in the same Wine, in the same rounds, at the
// reduction the viewer decodes them at. Then a long session: what a
// thousand more steps leave behind, in resident memory and in live GDI
// objects (a Windows process stops drawing at 10,000), counted after a round
// of warm-up at the same picture.
//
// viewer_bench.exe [quick]    quick: small pictures and one round (a smoke run)
#include "bench/app_host.h"
#include "browser/caches/thumb_cache.h"
#include "browser/model/browser_list.h"
#include "browser/viewer/viewer.h"
#include "tests/support/census.h"
#include <psapi.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// The ms from start to the first paint that shows another picture than
// `before` (and not the bare background); -1 when none.
static double shown_at(double start, COLORREF before)
{
    COLORREF background = browser_list.colours[COLOUR_BK];
    for (const ui_event& e : ui_events)
        if (e.kind == ui_event::PAINT && e.seen != CLR_INVALID && e.seen != before && e.seen != background)
            return e.ms - start;
    return -1;
}

// The middle of the viewer's picture box in the window (where every picture is centred).
static POINT picture_middle()
{
    RECT box = viewer_image_box(viewer_state);
    return {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
}

// A key that another thread posts to the page `after` ms from its start, as a
// user presses it while the program works; posted: when it did.
struct key_later {
    HWND page;
    int key;
    double after, posted;
};

static DWORD WINAPI post_later(void* p)
{
    auto* k = static_cast<key_later*>(p);
    double start = now_ms();
    while (now_ms() - start < k->after) Sleep(1);
    k->posted = now_ms();
    PostMessageA(k->page, WM_KEYDOWN, k->key, 1);
    PostMessageA(k->page, WM_KEYUP, k->key, 0xC0000001);
    return 0;
}

// Page Down, then Page Down again `after` ms into the idle time in which the
// picture after the shown one is prepared: the ms the second key waited
// before the program took it, -1 when it did not come.
static double key_during_preparation(double after)
{
    user_input([] { post_key(VK_NEXT); });
    key_later k = {page_window(), VK_NEXT, after, -1};
    kernel_object thread(CreateThread(nullptr, 0, post_later, &k, 0, nullptr));
    settle();
    if (thread) WaitForSingleObject(thread.get(), INFINITE);
    settle();
    for (const ui_event& e : ui_events)
        if (e.kind == ui_event::KEY && k.posted >= 0 && e.ms >= k.posted) return e.ms - k.posted;
    return -1;
}

// One step forward, its picture shown and the next prepared.
static void step_forward()
{
    user_input([] { post_key(VK_NEXT); });
    settle();
}

// What this process holds: resident memory (MB) and live GDI objects.
static bench::census held_now()
{
    bench::census c;
    bench::count_gdi_objects(c);
    PROCESS_MEMORY_COUNTERS m = {sizeof m};
    if (GetProcessMemoryInfo(GetCurrentProcess(), &m, sizeof m)) c.resident_mb = m.WorkingSetSize / 1048576.0;
    return c;
}

int main(int argc, char** argv)
{
    bool quick = argc >= 2 && !strcmp(argv[1], "quick");
    int files = quick ? 3 : 6, rounds = quick ? 1 : 9;
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
    int divisor = jpeg_reduction(viewer_state.zoom);
    std::vector<double> prepared, unprepared, blocks_next, blocks_back, after_shown, idle_next, floor;
    for (int r = 0; r < rounds; r++) {
        for (int key : {VK_NEXT, VK_PRIOR}) {
            page_probe = picture_middle();
            COLORREF before = shown_at_point(page_window(), page_probe);
            double start = now_ms();
            double blocked = user_input([&] { post_key(key); });
            double shown = shown_at(start, before);
            (key == VK_NEXT ? prepared : unprepared).push_back(shown);
            (key == VK_NEXT ? blocks_next : blocks_back).push_back(blocked);
            if (key == VK_NEXT) after_shown.push_back(shown < 0 ? -1 : blocked - shown);
            // The picture after it is prepared while the program waits for the next key.
            double idle = settle();
            if (key == VK_NEXT) idle_next.push_back(idle);
        }
        floor.push_back(djpeg_floor(divisor > 1 ? "-scale 1/" + std::to_string(divisor) : "", paths));
    }
    say("== one-image viewer, %d pictures %s (decoded at 1/%d): medians of %d\n", files,
        quick ? "640x480" : "4000x3000", divisor, rounds);
    std::string floor_name = "djpeg 1/" + std::to_string(divisor);
    floor_figure f = {floor_name.c_str(), median(floor)};
    report("next picture shown, prepared (Page Down)", median(prepared), {f}, 100);
    report("Page Down answered after its picture is shown", median(after_shown), {f}, 20);
    report("Page Down keeps the next key waiting", median(blocks_next), {f}, 20);
    report("next picture shown, unprepared (Page Up)", median(unprepared), {f}, 0, 1.25);
    report("Page Up keeps the next key waiting", median(blocks_back), {f}, 100);
    report("the picture after it prepared in idle time", median(idle_next), {f}, 0, 1.25);

    // The second key comes at points spread over the preparation, from its start to its end.
    std::vector<double> waits;
    for (int r = 0; r < rounds; r++) waits.push_back(key_during_preparation(median(idle_next) * r / rounds));
    report("a key during the preparation waits", median(waits), {f}, 0, 0.3);
    report("a key during the preparation waits at most", *std::max_element(waits.begin(), waits.end()), {f}, 0, 0.3);

    // Whole rounds, so that the same picture is shown at both counts.
    int steps = (quick ? 100 : 1000) / files * files;
    for (int i = 0; i < files; i++) step_forward();
    bench::census before = held_now();
    for (int i = 0; i < steps; i++) step_forward();
    bench::census after = held_now();
    say("== a long session: %d steps forward\n", steps);
    report("memory kept per 1,000 steps", (after.resident_mb - before.resident_mb) * 1000 / steps, {}, 1, 0, "MB");
    report("GDI objects kept per 1,000 steps", (after.gdi_total - before.gdi_total) * 1000.0 / steps, {}, 1, 0,
           "objects");
    return 0;
}
