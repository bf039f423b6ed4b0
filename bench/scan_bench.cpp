// Folder benchmark: what a user waits for when a folder is dropped on the
// window of the running program, with whole times from the drop: the scan
// and layout (until the first cell is drawn), the first page drawn (its paint
// after both drawing passes), and the moment the program takes input again
// (after the prefetch of the neighbouring pages). Beside them two floors run
// in the same rounds: `dir /b` (with /s where subfolders are read) started
// as a user starts it, and a FindFirstFile/FindNextFile walk of the same
// entries in this process. Classifying every entry, which opening a folder
// never does, is timed apart.
//
// The folders (kept between runs under the temporary folder, cp932 names
// with the trail byte 0x5C): 10,000 entries of mixed kinds with a subfolder
// every tenth entry (every other one holding a picture), the same without
// subfolders, 100,000 entries mixed alike, and a folder holding one
// subfolder with 3,000 empty folders (its first listed file is searched
// through all of them).
//
// scan_bench.exe [quick]    quick: small folders and one round (a smoke run)
#include "bench/app_host.h"
#include "browser/browser_list.h"
#include <cstdio>
#include <cstring>
#include <string>

namespace {
struct corpus {
    const char* what;
    const char* folder;
    int entries;        // files and folders in the folder itself
    int folder_every;   // every nth entry a subfolder (0: none)
    int nested_empty;   // one subfolder holding this many empty folders
    double target_ms;   // first page drawn
};

// The drawing passes' status texts: the first cell is drawn after the first
// appears, and the page is complete once the second gives way.
const char* const first_pass = "描画中...";
const char* const second_pass = "ﾌｧｲﾙ数ｶｳﾝﾄ中...";

bool write_file(const std::string& path, const char* text)
{
    file_handle f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD n = 0;
    return f && WriteFile(f.get(), text, (DWORD)strlen(text), &n, nullptr);
}

void fill(const std::string& root, const corpus& c)
{
    static const char* const exts[] = {".jpg", ".png", ".txt", ".zip", ".bmp", ".xyz", ".gif", ".tif"};
    CreateDirectoryA(root.c_str(), nullptr);
    char name[64];
    for (int i = 0; i < c.entries; i++) {
        if (c.folder_every && i % c.folder_every == c.folder_every - 1) {
            std::snprintf(name, sizeof name, "\\ソ%05d", i);
            CreateDirectoryA((root + name).c_str(), nullptr);
            if (i % (2 * c.folder_every) == c.folder_every - 1) write_file(root + name + "\\能.jpg", "");
            continue;
        }
        std::snprintf(name, sizeof name, "\\表示%05d%s", i, exts[i % 8]);
        write_file(root + name, "x");
    }
    if (c.nested_empty) {
        std::string sub = root + "\\表";
        CreateDirectoryA(sub.c_str(), nullptr);
        for (int i = 0; i < c.nested_empty; i++) {
            std::snprintf(name, sizeof name, "\\空%05d", i);
            CreateDirectoryA((sub + name).c_str(), nullptr);
        }
    }
}

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
    double scan, drawn, taken;
};

// Drops the folder on the window; from the events, the whole times. The
// page is complete when the second pass ends (its status gives way); it is
// shown by the next paint, or already by the paint after the pass's last
// progress when that said 100 %.
open_times open_folder(const std::string& folder)
{
    double start = now_ms();
    double taken = user_input([&] { post_drop(folder); });
    double second = -1, progress = -1, end = -1;
    for (const ui_event& e : ui_events) {
        if (e.kind == ui_event::STATUS && e.text == second_pass) second = e.ms, progress = end = -1;
        if (second < 0 || end >= 0) continue;
        if (e.kind == ui_event::PROGRESS) progress = e.value == 100 ? e.ms : -1;
        if (e.kind == ui_event::STATUS && e.text != second_pass) end = e.ms;
    }
    double drawn = end < 0 ? -1 : event_after(start, ui_event::PAINT, progress >= 0 ? progress : end);
    return {event_after(start, ui_event::STATUS, start, first_pass), drawn, taken};
}

void measure(const corpus& c, const std::string& root, int rounds)
{
    std::string folder = root + "\\" + c.folder;
    std::string made = folder + ".made";
    if (!exists(made)) {
        double t = now_ms();
        fill(folder, c);
        write_file(made, "");
        say("(made %s in %.0f s)\n", folder.c_str(), (now_ms() - t) / 1000);
    }
    bool deep = c.folder_every || c.nested_empty;
    std::string dir = std::string("cmd /c dir /b ") + (deep ? "/s " : "") + "\"" + folder + "\" > nul";
    std::vector<double> scan, drawn, taken, dir_ms, walk_ms;
    int listed = 0;
    for (int r = 0; r < rounds; r++) {
        open_times o = open_folder(folder);
        scan.push_back(o.scan), drawn.push_back(o.drawn), taken.push_back(o.taken);
        listed = browser_list.count;
        dir_ms.push_back(run_process(dir));
        double t = now_ms();
        walk(folder);
        walk_ms.push_back(now_ms() - t);
        open_folder(root + "\\start");  // the next drop opens another folder
    }
    say("== %s: %d listed, medians of %d\n", c.what, listed, rounds);
    std::string d = deep ? "dir /b /s" : "dir /b";
    report("scan and layout (drop to first cell drawn)", median(scan), "FindFirstFile walk", median(walk_ms));
    report("first page drawn (drop to its paint)", median(drawn), d.c_str(), median(dir_ms), c.target_ms);
    report("input taken again (with the prefetch)", median(taken), d.c_str(), median(dir_ms));
    if (!c.entries) return;
    open_folder(folder);
    browser_list_set_entries(browser_list.names, browser_list.count);  // records made afresh
    double t = now_ms();
    for (int i = 0; i < browser_list.count; i++) list_entry_kind(i);
    report("classify every entry (apart from opening)", now_ms() - t, "FindFirstFile walk", median(walk_ms));
}
}  // namespace

int main(int argc, char** argv)
{
    bool quick = argc >= 2 && !strcmp(argv[1], "quick");
    report_cpus();
    std::string root = temp_folder() + (quick ? "zote_scan_quick" : "zote_scan_bench");
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA((root + "\\start").c_str(), nullptr);
    if (!start_program("\"" + root + "\\start\"")) {
        say("the program did not start\n");
        return 1;
    }
    const corpus full[] = {
        {"10,000 entries, 1,000 subfolders", "mixed10000", 10000, 10, 0, 300},
        {"10,000 entries, no subfolders", "flat10000", 10000, 0, 0, 300},
        {"a subfolder of 3,000 empty folders", "nested3000", 0, 0, 3000, 300},
        // The target of 10,000 entries, ten times.
        {"100,000 entries, 10,000 subfolders", "mixed100000", 100000, 10, 0, 3000},
    };
    const corpus small[] = {
        {"200 entries, 20 subfolders", "mixed200", 200, 10, 0, 300},
        {"200 entries, no subfolders", "flat200", 200, 0, 0, 300},
        {"a subfolder of 60 empty folders", "nested60", 0, 0, 60, 300},
    };
    if (quick)
        for (const corpus& c : small) measure(c, root, 1);
    else
        for (const corpus& c : full) measure(c, root, c.entries >= 100000 ? 3 : 5);
    return 0;
}
