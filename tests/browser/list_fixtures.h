// Fixture folders for the list model: real files in a scratch folder, with
// images written by the project's writers, a shortcut made through the shell
// and names whose trail byte is 0x5C.
#pragma once
#include "base/holders.h"
#include "browser/model/browser_list.h"
#include "browser/model/scan.h"
#include "browser/model/image_kinds.h"
#include "browser/grid/list_view.h"
#include "browser/model/paths.h"
#include "files/files.h"
#include "formats/formats.h"
#include "graphics/kavtrel.h"
#include "tests/support/bench.h"
#include <objbase.h>
#include <string>
#include <vector>

namespace list_fixture {

inline void write_image(const std::string& path, int w, int h)
{
    _bmap* b = bmap_new(w, h);
    if (path.size() > 4 && path.substr(path.size() - 4) == ".png")
        save_png_rgb(path.c_str(), b);
    else
        save_jpeg_file(path.c_str(), b, 80);
    _bmap_delete(b);
}

inline void set_time(const std::string& path, int minutes)
{
    SYSTEMTIME st = {2020, 1, 0, 1, 0, 0, 0, 0};
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    ULARGE_INTEGER u = {{ft.dwLowDateTime, ft.dwHighDateTime}};
    u.QuadPart += ULONGLONG(minutes) * 600000000ULL;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ft.dwLowDateTime = u.LowPart;
    ft.dwHighDateTime = u.HighPart;
    SetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);
}

// The list state as a fresh start gives it, with the probes installed.
inline void reset_list()
{
    browser_list_init();
    image_format_hooks.probe_jpeg = probe_jpeg_file;
    image_format_hooks.probe_png = probe_png_file;
    browser_list.settings = {};
    browser_list.sort_key[0] = 0;
    browser_list.fldfirst = 0;
    browser_list.sort_direction = 1;
    browser_list.tree_depth = browser_list.tree_flag = 0;
    browser_list_set_entries(nullptr, 0);
    current_folder.drive_list = 0;
}

// The current folder moved to path for the scope.
struct in_folder {
    current_folder_kept kept;
    explicit in_folder(const char* path) { SetCurrentDirectoryA(path); }
};

// The sorted listing of the current folder.
inline std::vector<std::string> listing()
{
    char** names = nullptr;
    int flag = 0, depth = 0;
    int n = scan_entries(&names, &flag, &depth);
    browser_list.tree_flag = flag;
    browser_list_set_entries(names, n);
    return std::vector<std::string>(names, names + n);
}

// Page 1 as the browser makes it, with a client area of w x h.
struct browser_page {
    browser_page(int w, int h)
    {
        kavtrel_start(GetModuleHandleA(nullptr), nullptr, "");
        list_fixture::reset_list();
        _newpage(1, 0, 0, -w, -h);
        bench::install_message_box_seam(IDOK);
        bench::message_boxes.clear();
    }
    ~browser_page()
    {
        browser_list_set_entries(nullptr, 0);
        _page_free(1);
    }
    std::string title() const
    {
        char t[512];
        GetWindowTextA(GetParent(_page_hwnd(1)), t, sizeof t);
        return t;
    }
    void resize(int w, int h) { _fit_client(GetParent(_page_hwnd(1)), -w, -h); }
};

}  // namespace list_fixture
