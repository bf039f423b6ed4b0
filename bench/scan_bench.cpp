// Folder benchmark: what a user waits for when a folder is dropped on the
// window of the running program, with whole times from the drop: the scan
// and layout (until the first cell is drawn), the first page drawn (its paint
// after both drawing passes), and the moment the program takes input again
// (after the prefetch of the neighbouring pages), and the end of the idle
// work that the opening leaves (the first listed files of the subfolders not
// drawn, found while the program waits for input). Classifying every entry,
// which opening a folder never does, is timed apart.
//
// The floor of each figure is the directory reads the program really made
// until that moment, made again bare: every FindFirstFileA the program calls
// is recorded (its pattern and how many FindNextFileA follow it), and the
// same calls are replayed in this process after the figure, on the same
// warm caches. So a page that reads the folder and only the subfolders it
// shows is measured against those reads, not against a walk of the whole tree.
// Targets: the first page, each wait before it and the idle work after it,
// within 300 ms for 10,000 entries (3 s for 100,000); classifying every entry
// within ten times that.
//
// The folders are made by bench/make_folders.sh (see there): 10,000 entries
// of mixed kinds with a subfolder every tenth entry, the same without
// subfolders, a folder holding one subfolder with 3,000 empty folders (its
// first listed file is searched through all of them), and 100,000 entries
// mixed as the first.
//
// In the folders without subfolders, every entry is marked (Ctrl+A), then
// cut (Ctrl+X), then marked and copied (Ctrl+C), as the accelerators send
// those commands: how long each keeps the next input waiting. Target: one
// second for 10,000 entries. The floor of a cut or a copy is the same list of
// paths put on the clipboard bare. The clipboard is emptied again: nothing
// moves.
//
// scan_bench.exe [quick] [ROOT]   ROOT: the made folders (default ..\scan_folders
//                                 beside this program); quick: the small set, one round
#include "bench/app_host.h"
#include "browser/model/browser_list.h"
#include "browser/model/command_ids.h"
#include "tests/support/clipboard_lock.h"
#include <shlobj.h>
#include <cstdio>
#include <cstring>
#include <string>

namespace {
struct corpus {
    const char* what;
    const char* folder;
    double target_ms;  // first page drawn
    int rounds;
    bool flat;  // no subfolders: marked and cut whole
};

// The drawing passes' status texts: the first cell is drawn after the first
// appears, and the page is complete once the second gives way.
const char* const first_pass = "描画中...";
const char* const second_pass = "ﾌｧｲﾙ数ｶｳﾝﾄ中...";

// The program's directory reads, as it makes them.
struct listing {
    std::string pattern;
    double ms;  // when it began
    HANDLE find;
    int nexts;  // FindNextFileA calls on it
};
std::vector<listing> listings;
decltype(&FindFirstFileA) real_first;
decltype(&FindNextFileA) real_next;

HANDLE WINAPI recorded_first(LPCSTR pattern, LPWIN32_FIND_DATAA fd)
{
    double t = now_ms();
    HANDLE h = real_first(pattern, fd);
    listings.push_back({pattern, t, h, 0});
    return h;
}

BOOL WINAPI recorded_next(HANDLE h, LPWIN32_FIND_DATAA fd)
{
    for (auto l = listings.rbegin(); l != listings.rend(); ++l)
        if (l->find == h) {
            l->nexts++;
            break;
        }
    return real_next(h, fd);
}

// Points this program's import of `target` at `with`; false when it has none.
bool redirect_import(void* target, void* with)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name; d++)
        for (auto* t = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk); t->u1.Function; t++) {
            if (reinterpret_cast<void*>(t->u1.Function) != target) continue;
            DWORD was;
            VirtualProtect(&t->u1.Function, sizeof t->u1.Function, PAGE_READWRITE, &was);
            t->u1.Function = reinterpret_cast<ULONG_PTR>(with);
            VirtualProtect(&t->u1.Function, sizeof t->u1.Function, was, &was);
            return true;
        }
    return false;
}

bool record_reads()
{
    real_first = FindFirstFileA;
    real_next = FindNextFileA;
    return redirect_import(reinterpret_cast<void*>(real_first), reinterpret_cast<void*>(recorded_first)) &&
           redirect_import(reinterpret_cast<void*>(real_next), reinterpret_cast<void*>(recorded_next));
}

// The ms of the program's reads from `from` (an index of listings) that began
// before `until`, made again.
double replay_reads(size_t from, double until)
{
    std::vector<listing> reads(listings.begin() + from, listings.end());
    double t = now_ms();
    for (const listing& l : reads) {
        if (l.ms >= until) break;
        WIN32_FIND_DATAA fd;
        HANDLE h = real_first(l.pattern.c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) continue;
        for (int i = 0; i < l.nexts && real_next(h, &fd); i++) {}
        FindClose(h);
    }
    return now_ms() - t;
}

struct open_times {
    double scan, drawn, taken, idle;              // from the drop
    double scan_reads, drawn_reads, taken_reads, idle_reads;  // the same reads made again
};

// Drops the folder on the window; from the events, the whole times. The
// page is complete when the second pass ends (its status gives way); it is
// shown by the next paint, or already by the paint after the pass's last
// progress when that said 100 %.
open_times open_folder(const std::string& folder)
{
    size_t first_read = listings.size();
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
    double scan = event_after(start, ui_event::STATUS, start, first_pass);
    auto reads_until = [&](double ms) { return ms < 0 ? -1 : replay_reads(first_read, start + ms); };
    open_times o = {scan, drawn, taken, idle};
    o.scan_reads = reads_until(scan), o.drawn_reads = reads_until(drawn);
    o.taken_reads = reads_until(taken), o.idle_reads = reads_until(idle);
    return o;
}

void measure(const corpus& c, const std::string& root)
{
    std::string folder = root + "\\" + c.folder;
    if (!exists(folder + ".made")) {
        say("%s: not made (bench/make_folders.sh)\n", folder.c_str());
        return;
    }
    std::vector<double> scan, drawn, taken, idle, scan_r, drawn_r, taken_r, idle_r;
    int listed = 0;
    for (int r = 0; r < c.rounds; r++) {
        open_times o = open_folder(folder);
        scan.push_back(o.scan), drawn.push_back(o.drawn), taken.push_back(o.taken), idle.push_back(o.idle);
        scan_r.push_back(o.scan_reads), drawn_r.push_back(o.drawn_reads);
        taken_r.push_back(o.taken_reads), idle_r.push_back(o.idle_reads);
        listed = browser_list.count;
        open_folder(root + "\\start");  // the next drop opens another folder
    }
    say("== %s: %d listed, medians of %d\n", c.what, listed, c.rounds);
    report("scan and layout (drop to first cell drawn)", median(scan), {{"its reads", median(scan_r)}}, c.target_ms);
    report("first page drawn (drop to its paint)", median(drawn), {{"its reads", median(drawn_r)}}, c.target_ms);
    report("input taken again (with the prefetch)", median(taken), {{"its reads", median(taken_r)}}, c.target_ms);
    report("every name found (idle work done)", median(idle), {{"its reads", median(idle_r)}}, c.target_ms);
    if (listed < 2) return;
    open_folder(folder);
    browser_list_set_entries(browser_list.names, browser_list.count);  // records made afresh
    size_t first_read = listings.size();
    double t = now_ms();
    for (int i = 0; i < browser_list.count; i++) list_entry_kind(i);
    double classified = now_ms() - t;
    const char* what = "classify every entry (apart from opening)";
    if (listings.size() > first_read)
        report(what, classified, {{"its reads", replay_reads(first_read, now_ms())}}, 10 * c.target_ms);
    else
        report(what, classified, {}, 10 * c.target_ms);  // no folder read: it reads files only
}
// The folder's files as a shell file list on the clipboard, made and set
// bare: the ms it took.
double bare_file_list(const std::string& folder)
{
    double t = now_ms();
    std::string list;
    WIN32_FIND_DATAA f;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &f);
    if (h == INVALID_HANDLE_VALUE) return -1;
    do
        if (!(f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) list += folder + "\\" + f.cFileName + '\0';
    while (FindNextFileA(h, &f));
    FindClose(h);
    list += '\0';
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size());
    if (!block) return -1;
    auto* d = static_cast<DROPFILES*>(GlobalLock(block));
    d->pFiles = sizeof(DROPFILES);
    memcpy(reinterpret_cast<char*>(d) + sizeof(DROPFILES), list.data(), list.size());
    GlobalUnlock(block);
    if (!OpenClipboard(page_window())) return GlobalFree(block), -1;
    EmptyClipboard();
    if (!SetClipboardData(CF_HDROP, block)) GlobalFree(block);
    CloseClipboard();
    return now_ms() - t;
}

void empty_clipboard()
{
    if (!OpenClipboard(page_window())) return;
    EmptyClipboard();
    CloseClipboard();
}

// How long a command, as its accelerator sends it, keeps the next input waiting.
double command_waits(int id)
{
    double t = user_input([&] { PostMessageA(frame_window(), WM_COMMAND, id, 0); });
    settle();
    return t;
}

void mark_and_cut(const corpus& c, const std::string& root)
{
    std::string folder = root + "\\" + c.folder;
    if (!exists(folder + ".made")) return;
    bench::clipboard_lock clipboard;
    std::vector<double> marked, cut, copied, floor;
    int listed = 0;
    for (int r = 0; r < c.rounds; r++) {
        open_folder(folder);
        listed = browser_list.count;
        marked.push_back(command_waits(CM_SELECT_ALL));
        cut.push_back(command_waits(CM_CUT));
        // Not while the cut entries are shown: the list would be read again.
        open_folder(root + "\\start");
        empty_clipboard();
        open_folder(folder);
        command_waits(CM_SELECT_ALL);
        copied.push_back(command_waits(CM_COPY));
        open_folder(root + "\\start");
        floor.push_back(bare_file_list(folder));
        empty_clipboard();
    }
    say("== %s: %d listed, all marked, cut and copied, medians of %d\n", c.what, listed, c.rounds);
    const double target = 1000;
    report("every entry marked (Ctrl+A) keeps input waiting", median(marked), {}, target);
    report("every entry cut (Ctrl+X) keeps input waiting", median(cut), {{"the list set bare", median(floor)}}, target);
    report("every entry copied (Ctrl+C) keeps input waiting", median(copied), {{"the list set bare", median(floor)}},
           target);
}
}  // namespace

int main(int argc, char** argv)
{
    bool quick = argc >= 2 && !strcmp(argv[1], "quick");
    std::string root = argc >= 2 + quick ? argv[1 + quick] : exe_folder() + "..\\scan_folders";
    char full[MAX_PATH];
    if (GetFullPathNameA(root.c_str(), sizeof full, full, nullptr)) root = full;
    report_cpus();
    if (!record_reads()) {
        say("the program's directory reads cannot be recorded\n");
        return 1;
    }
    if (!start_program("\"" + root + "\\start\"")) {
        say("the program did not start on %s\\start\n", root.c_str());
        return 1;
    }
    const corpus full_set[] = {
        {"10,000 entries, 1,000 subfolders", "mixed10000", 300, 5},
        {"10,000 entries, no subfolders", "flat10000", 300, 5, true},
        {"a subfolder of 3,000 empty folders", "nested3000", 300, 5},
        // The target of 10,000 entries, ten times.
        {"100,000 entries, 10,000 subfolders", "mixed100000", 3000, 3},
    };
    const corpus quick_set[] = {
        {"200 entries, 20 subfolders", "mixed200", 300, 1},
        {"200 entries, no subfolders", "flat200", 300, 1, true},
        {"a subfolder of 60 empty folders", "nested60", 300, 1},
    };
    auto run = [&](const corpus& c) {
        measure(c, root);
        if (c.flat) mark_and_cut(c, root);
    };
    if (quick)
        for (const corpus& c : quick_set) run(c);
    else
        for (const corpus& c : full_set) run(c);
    return 0;
}
