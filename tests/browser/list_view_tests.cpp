// A started browser page on real fixture folders: title bytes, counts and
// pages, the scroll bar's page steps, the selection across a resize, an empty
// folder, and a stale list reloading once for each change.
#include "browser/archives/archive_folder.h"
#include "browser/grid/grid.h"
#include "browser/viewer/idle_work.h"
#include "browser/model/scan.h"
#include "browser/grid/list_view.h"
#include "browser/commands/window_hook.h"
#include "tests/browser/list_fixtures.h"
#include <gtest/gtest.h>
#include <string>

namespace {
using list_fixture::browser_page;

void images(const bench::scratch_dir& dir, const std::string& folder, int n)
{
    for (int i = 0; i < n; i++) {
        char name[32];
        snprintf(name, sizeof name, "\\%03d.jpg", i);
        dir.write(folder + name, "x");
    }
}

int page_step()
{
    SCROLLINFO si = {sizeof si, SIF_ALL};
    GetScrollInfo(_page_hwnd(1), SB_VERT, &si);
    return scroll_state_of(_page_hwnd(1))->page_step;
}
}  // namespace

TEST(ListView, TitleCountsAndPages)
{
    bench::scratch_dir dir;
    images(dir, "表示", 30);
    browser_page page(1000, 700);
    std::string folder = dir.file("表示");
    folder[0] = char(tolower(folder[0]));  // a lower-case drive letter is shown upper-case
    ASSERT_TRUE(change_folder(folder.c_str()));
    load_folder(nullptr, 0, 0, nullptr, 0);
    EXPECT_EQ(browser_list.count, 30);
    EXPECT_EQ(browser_list.per_page, 24);
    std::string shown = dir.file("表示") + "\\";
    for (char* p = &shown[0]; *p; p = const_cast<char*>(mb_next(p)))
        if (*p == '\\') *p = '/';
    EXPECT_EQ(page.title(), shown + " 30画像 1/2頁 - ZOTE1.67");
    browser_list.first_row = 4;
    redraw_list(1, 1, 0, 1);
    EXPECT_EQ(page.title(), shown + " 30画像 2/2頁 - ZOTE1.67");
    browser_list.marks[3] = 1;
    browser_list.selected_count = 1;
    set_browser_title(2);
    EXPECT_EQ(page.title(), shown + " 30.1画像 2/2頁 - ZOTE1.67");
}

TEST(ListView, ScrollPageSteps)
{
    browser_page page(400, 300);
    struct {
        int last_page, step;
    } table[] = {{1, 1}, {9, 2}, {24, 2}, {40, 4}};
    for (const auto& t : table) {
        update_list_scrollbar(0, t.last_page, _page_hwnd(1));
        EXPECT_EQ(page_step(), t.step) << t.last_page;
        SCROLLINFO si = {sizeof si, SIF_RANGE};
        GetScrollInfo(_page_hwnd(1), SB_VERT, &si);
        EXPECT_EQ(si.nMax, t.last_page);
    }
}

TEST(ListView, SelectionKeptOnResize)
{
    bench::scratch_dir dir;
    images(dir, "a", 10);
    browser_page page(1000, 700);
    ASSERT_TRUE(change_folder(dir.file("a").c_str()));
    load_folder(nullptr, 0, 0, nullptr, 0);
    browser_list.marks[2] = browser_list.marks[7] = 1;
    page.resize(600, 500);
    on_size_relayout(0);
    ASSERT_EQ(browser_list.count, 10);
    EXPECT_LT(browser_list.columns, 6);
    EXPECT_EQ(browser_list.marks[2], 1);
    EXPECT_EQ(browser_list.marks[7], 1);
    EXPECT_EQ(browser_list.selected_count, 2);
}

TEST(ListView, EmptyFolderOnOneCellDrawsNothing)
{
    bench::scratch_dir dir;
    dir.write("empty\\skip.xyz", "x");
    browser_page page(100, 100);
    ASSERT_TRUE(change_folder(dir.file("empty").c_str()));
    load_folder(nullptr, 0, 0, nullptr, 0);
    EXPECT_EQ(browser_list.count, 0);
    EXPECT_EQ(browser_list.per_page, 1);
    EXPECT_EQ(browser_list.first_row, 0);
    EXPECT_EQ(redraw_list(1, 1, 0, 1), 0);
}

TEST(ListView, StaleListReloadsOncePerChange)
{
    bench::scratch_dir dir;
    for (int i = 1; i <= 200; i++) {
        char name[32];
        snprintf(name, sizeof name, "s\\p%03d.jpg", i);
        if (i != 150) dir.write(name, "x");
    }
    // Names the code page cannot reopen, listed "?.jpg" and "p150cafe.jpg" (page 7).
    wchar_t folder[MAX_PATH];
    ASSERT_GT(MultiByteToWideChar(CP_ACP, 0, dir.file("s").c_str(), -1, folder, MAX_PATH), 0);
    std::vector<std::wstring> unmapped = {std::wstring(folder) + L"\\\uD55C.jpg",
                                          std::wstring(folder) + L"\\p150caf\u00E9.jpg"};
    for (const std::wstring& name : unmapped) {
        HANDLE made = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(made, INVALID_HANDLE_VALUE);
        CloseHandle(made);
    }
    browser_page page(1000, 700);
    ASSERT_TRUE(change_folder(dir.file("s").c_str()));
    load_folder(nullptr, 0, 0, nullptr, 0);
    ASSERT_EQ(browser_list.count, 201);
    ASSERT_EQ(browser_list.per_page, 24);
    // Paged to the last page as Page Down pages: no change was made outside.
    for (int p = 2; p <= 9; p++) {
        ASSERT_TRUE(page_forward());
        redraw_list(1, 1, 0, 1);
    }
    EXPECT_TRUE(page.title().find(" 201画像 9/9頁 - ") != std::string::npos) << page.title();
    EXPECT_LE(bench::message_boxes.size(), 1u);
    size_t boxes = bench::message_boxes.size();
    // Files deleted behind the browser's back, one after the other, are each
    // noticed once, beside the names that stay stale.
    ASSERT_TRUE(page_forward());
    for (int kept : {200, 199}) {
        char name[32];
        snprintf(name, sizeof name, "s\\p%03d.jpg", 201 - kept);
        DeleteFileA(dir.file(name).c_str());
        EXPECT_EQ(redraw_list(1, 1, 0, 1), 1) << name;
        EXPECT_EQ(browser_list.count, kept) << name;
        EXPECT_EQ(redraw_list(1, 1, 0, 1), 0) << name;
    }
    ASSERT_EQ(bench::message_boxes.size(), boxes + 2);
    EXPECT_EQ(bench::message_boxes.back().text, "ﾌｫﾙﾀﾞの内容が変更されました．再読み込みします．");
    for (const std::wstring& name : unmapped) DeleteFileW(name.c_str());
}

// Opening a folder searches the first listed file of the subfolders drawn on
// the first page; the others are found in idle time after it is shown, or at
// once when input that reads the names arrives first. Either way the names
// end as a search during the walk gives them.
TEST(ListView, FirstFilesOfFoldersFoundForThePageThenInIdleTime)
{
    bench::scratch_dir dir;
    for (int i = 0; i < 60; i++) {
        char folder[32];
        snprintf(folder, sizeof folder, "表示\\ソ%02d", i);
        if (i % 3 == 0) dir.write(std::string(folder) + "\\能.jpg", "x");
        if (i % 3 == 1) dir.write(std::string(folder) + "\\表\\能.jpg", "x");
        if (i % 3 == 2) CreateDirectoryA(dir.file(folder).c_str(), nullptr);
    }
    browser_page page(1000, 700);
    std::vector<std::string> during;
    {
        list_fixture::in_folder here(dir.file("表示").c_str());
        during = list_fixture::listing();
    }
    ASSERT_EQ(during.size(), 60u);
    EXPECT_EQ(during[0], "ソ00\\能.jpg");
    EXPECT_EQ(during[1], "ソ01\\表\\能.jpg");
    EXPECT_EQ(during[2], "ソ02\\*.*");
    auto names = [] { return std::vector<std::string>(browser_list.names, browser_list.names + browser_list.count); };

    install_idle_work();
    for (int by_key : {0, 1}) {
        ASSERT_TRUE(change_folder(dir.file("表示").c_str()));
        load_folder(nullptr, 0, 0, nullptr, 0);
        ASSERT_EQ(browser_list.count, 60);
        ASSERT_EQ(browser_list.per_page, 24);
        std::vector<std::string> shown = names();
        // The first page is found; the last waits.
        for (int i = 0; i < 24; i++) EXPECT_EQ(shown[i], during[i]) << i;
        EXPECT_EQ(shown[57], "ソ57\\*.*");
        EXPECT_GE(first_files_to_find(), 8);
        if (by_key)
            app_wndproc_hook(_page_hwnd(1), WM_KEYDOWN, VK_RIGHT, 0);
        else
            _settle();
        EXPECT_EQ(first_files_to_find(), 0);
        EXPECT_EQ(names(), during) << (by_key ? "by a key" : "in idle time");
    }
    kavtrel_idle_hook = [] { return 0; };
}
