// Folder benchmark: what a user waits for when a folder is dropped on the
// window of the running program, with whole times from the drop: the scan
// and layout (until the first cell is drawn), the first page drawn (its paint
// after both drawing passes), and the moment the program takes input again
// (after the prefetch of the neighbouring pages), and the end of the idle
// work that the opening leaves (the first listed files of the subfolders not
// drawn, found while the program waits for input). Beside them two floors run
// in the same rounds: `dir /b` (with /s where subfolders are read) started
// as a user starts it, and a FindFirstFile/FindNextFile walk of the same
// entries in this process. Classifying every entry, which opening a folder
// never does, is timed apart.
//
// The folders are made by bench/make_folders.sh (see there): 10,000 entries
// of mixed kinds with a subfolder every tenth entry, the same without
// subfolders, a folder holding one subfolder with 3,000 empty folders (its
// first listed file is searched through all of them), and 100,000 entries
// mixed as the first.
//
// scan_bench.exe [quick] [ROOT]   ROOT: the made folders (default ..\scan_folders
//                                 beside this program); quick: the small set, one round
#include "bench/app_host.h"
#include "browser/model/browser_list.h"
#include <cstdio>
#include <cstring>
#include <string>

namespace {
struct corpus {
    const char* what;
    const char* folder;
    bool deep;         // subfolders are read: the dir floor lists them too
    double target_ms;  // first page drawn
    int rounds;
};

// The drawing passes' status texts: the first cell is drawn after the first
// appears, and the page is complete once the second gives way.
const char* const first_pass = "描画中...";
const char* const second_pass = "ﾌｧｲﾙ数ｶｳﾝﾄ中...";

// Every entry below folder, as few calls as listing it takes.
int walk(const std::string& folder)
{
    WIN32_FIND_DATAA fd;
    find_handle h(FindFirstFileA((folder + "\\*.*").c_str(), &fd));
    if (!h) return 0;
    int n = 0;
    do {
        if (!strcmp(fd.cFileName, ".") || !strcmp(fd.cFileName, "..")) continue;
        n++;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) n += walk(folder + "\\" + fd.cFileName);
    } while (FindNextFileA(h.get(), &fd));
    return n;
}

struct open_times {
    double scan, drawn, taken, idle;
};

// Drops the folder on the window; from the events, the whole times. The
// page is complete when the second pass ends (its status gives way); it is
// shown by the next paint, or already by the paint after the pass's last
// progress when that said 100 %.
open_times open_folder(const std::string& folder)
{
    double start = now_ms();
    double taken = user_input([&] { post_drop(folder); });
    double idle = taken + settle();
    double second = -1, progress = -1, end = -1;
    for (const ui_event& e : ui_events) {
        if (e.kind == ui_event::STATUS && e.text == second_pass) second = e.ms, progress = end = -1;
        if (second < 0 || end >= 0) continue;
        if (e.kind == ui_event::PROGRESS) progress = e.value == 100 ? e.ms : -1;
        if (e.kind == ui_event::STATUS && e.text != second_pass) end = e.ms;
    }
    double drawn = end < 0 ? -1 : event_after(start, ui_event::PAINT, progress >= 0 ? progress : end);
    return {event_after(start, ui_event::STATUS, start, first_pass), drawn, taken, idle};
}

void measure(const corpus& c, const std::string& root)
{
    std::string folder = root + "\\" + c.folder;
    if (!exists(folder + ".made")) {
        say("%s: not made (bench/make_folders.sh)\n", folder.c_str());
        return;
    }
    std::string dir = std::string("cmd /c dir /b ") + (c.deep ? "/s " : "") + "\"" + folder + "\" > nul";
    std::vector<double> scan, drawn, taken, idle, dir_ms, walk_ms;
    int listed = 0;
    for (int r = 0; r < c.rounds; r++) {
        open_times o = open_folder(folder);
        scan.push_back(o.scan), drawn.push_back(o.drawn), taken.push_back(o.taken), idle.push_back(o.idle);
        listed = browser_list.count;
        dir_ms.push_back(run_process(dir));
        double t = now_ms();
        walk(folder);
        walk_ms.push_back(now_ms() - t);
        open_folder(root + "\\start");  // the next drop opens another folder
    }
    say("== %s: %d listed, medians of %d\n", c.what, listed, c.rounds);
    floor_figure walked = {"FindFirstFile walk", median(walk_ms)},
                 dir_floor = {c.deep ? "dir /b /s" : "dir /b", median(dir_ms)};
    report("scan and layout (drop to first cell drawn)", median(scan), {walked});
    report("first page drawn (drop to its paint)", median(drawn), {walked, dir_floor}, c.target_ms);
    report("input taken again (with the prefetch)", median(taken), {walked, dir_floor});
    report("every name found (idle work done)", median(idle), {walked, dir_floor});
    if (listed < 2) return;
    open_folder(folder);
    browser_list_set_entries(browser_list.names, browser_list.count);  // records made afresh
    double t = now_ms();
    for (int i = 0; i < browser_list.count; i++) list_entry_kind(i);
    report("classify every entry (apart from opening)", now_ms() - t, {walked});
}
}  // namespace

int main(int argc, char** argv)
{
    bool quick = argc >= 2 && !strcmp(argv[1], "quick");
    std::string root = argc >= 2 + quick ? argv[1 + quick] : exe_folder() + "..\\scan_folders";
    char full[MAX_PATH];
    if (GetFullPathNameA(root.c_str(), sizeof full, full, nullptr)) root = full;
    report_cpus();
    if (!start_program("\"" + root + "\\start\"")) {
        say("the program did not start on %s\\start\n", root.c_str());
        return 1;
    }
    const corpus full_set[] = {
        {"10,000 entries, 1,000 subfolders", "mixed10000", true, 300, 5},
        {"10,000 entries, no subfolders", "flat10000", false, 300, 5},
        {"a subfolder of 3,000 empty folders", "nested3000", true, 300, 5},
        // The target of 10,000 entries, ten times.
        {"100,000 entries, 10,000 subfolders", "mixed100000", true, 3000, 3},
    };
    const corpus quick_set[] = {
        {"200 entries, 20 subfolders", "mixed200", true, 300, 1},
        {"200 entries, no subfolders", "flat200", false, 300, 1},
        {"a subfolder of 60 empty folders", "nested60", true, 300, 1},
    };
    if (quick)
        for (const corpus& c : quick_set) measure(c, root);
    else
        for (const corpus& c : full_set) measure(c, root);
    return 0;
}
