// Scan benchmark: a folder of 10,000 entries of mixed kinds is scanned,
// classified and sorted, beside "cmd /c dir /b" of the same folder, with the
// process's private bytes at 2,500, 5,000 and 10,000 entries.
#include "bench/bench_common.h"
#include "browser/browser_list.h"
#include "browser/paths.h"
#include "browser/scan.h"
#include "browser/grid.h"
#include "browser/list_view.h"
#include "graphics/kavtrel.h"
#include "files/file_ops.h"
#include <windows.h>
#include <psapi.h>
#include <cstdio>
#include <string>

static SIZE_T private_bytes()
{
    PROCESS_MEMORY_COUNTERS_EX m = {};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m), sizeof m);
    return m.PrivateUsage ? m.PrivateUsage : m.PagefileUsage;  // Wine fills only the latter
}

static void fill(const std::string& root, int from, int to)
{
    static const char* const exts[] = {".jpg", ".png", ".txt", ".zip", ".bmp", ".xyz", ".gif", ".tif"};
    for (int i = from; i < to; i++) {
        char name[64];
        if (i % 10 == 9) {
            std::snprintf(name, sizeof name, "\\d%05d", i);
            std::string d = root + name;
            CreateDirectoryA(d.c_str(), nullptr);
            if (i % 20 == 9) {
                FILE* f = std::fopen((d + "\\a.jpg").c_str(), "wb");
                if (f) std::fclose(f);
            }
            continue;
        }
        std::snprintf(name, sizeof name, "\\f%05d%s", i, exts[i % 8]);
        FILE* f = std::fopen((root + name).c_str(), "wb");
        if (f) {
            std::fputs("x", f);
            std::fclose(f);
        }
    }
}

static double scan_ms(int* count)
{
    double t = now_ms();
    char** names;
    int flag = 0, depth = 0;
    int n = scan_entries(&names, &flag, &depth);
    browser_list.tree_flag = flag;
    browser_list_set_entries(names, n);
    for (int i = 0; i < n; i++) list_entry_kind(i);
    *count = n;
    return now_ms() - t;
}

static double dir_ms(const std::string& root)
{
    std::string cmd = "cmd /c dir /b \"" + root + "\" > nul";
    STARTUPINFOA si = {sizeof si};
    PROCESS_INFORMATION pi;
    double t = now_ms();
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return now_ms() - t;
}

// Files listed: with "all" on (the settings' default) every entry; else the
// five image extensions of the mix and every subfolder (".txt" with text
// files off, ".zip" with no archiver and ".xyz" are not).
static int expected_listed(int made)
{
    if (browser_list.settings.all) return made;
    int n = 0;
    for (int i = 0; i < made; i++) {
        int kind = i % 8;
        if (i % 10 == 9 || kind == 0 || kind == 1 || kind == 4 || kind == 6 || kind == 7) n++;
    }
    return n;
}

// From load_folder to the first page drawn on a 1000 x 700 page, thumbnails off.
static double first_page_ms(const std::string& root)
{
    kavtrel_start(GetModuleHandleA(nullptr), nullptr, "");
    install_list_view_hooks();
    _newpage(1, 0, 0, -1000, -700);
    change_folder(root.c_str());
    double t = now_ms();
    load_folder(nullptr, 0, 0, nullptr, 0);
    double ms = now_ms() - t;
    t = now_ms();
    browser_list.first_row = browser_list.last_row;
    redraw_list(0, 1, 0, 0);
    std::printf("first page of %d entries (%d cells): %.1f ms; the last page redrawn: %.1f ms\n", browser_list.count,
                browser_list.per_page, ms, now_ms() - t);
    return ms;
}

int main()
{
    browser_list_init();
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string root = std::string(temp) + "zote_scan_bench";
    CreateDirectoryA(root.c_str(), nullptr);
    SetCurrentDirectoryA(root.c_str());
    current_folder.drive_list = 0;
    SIZE_T base = private_bytes();
    int made = 0;
    for (int target : {2500, 5000, 10000}) {
        fill(root, made, target);
        made = target;
        int n = 0;
        double ms = scan_ms(&n);
        double dir = dir_ms(root);
        std::printf("%5d entries (%d listed, %d expected): scan+classify+sort %.1f ms = %.2f ms/1000; dir /b %.1f ms = "
                    "%.2f ms/1000;"
                    " ratio %.2f; private bytes +%lu KB\n",
                    target, n, expected_listed(target), ms, ms * 1000 / target, dir, dir * 1000 / target,
                    dir > 0 ? ms / dir : 0.0, static_cast<unsigned long>((private_bytes() - base) / 1024));
    }
    first_page_ms(root);
    browser_list_set_entries(nullptr, 0);
    _page_free(1);
    SetCurrentDirectoryA(temp);
    std::string rd = "cmd /c rd /s /q \"" + root + "\"";
    STARTUPINFOA si = {sizeof si};
    PROCESS_INFORMATION pi;
    if (CreateProcessA(nullptr, &rd[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, INFINITE);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    return 0;
}
