// Classification, scanning and sorting on real folders under the bench.
#include "browser/commands/commands.h"
#include "browser/model/file_kind.h"
#include "browser/model/archive_work.h"
#include "browser/model/arccache.h"
#include "tests/browser/archive_fixtures.h"
#include "browser/model/numbering.h"
#include "tests/browser/list_fixtures.h"
#include "tests/support/restore.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>

using namespace list_fixture;

namespace {
std::string joined(const std::vector<std::string>& names)
{
    std::string s;
    for (auto& n : names) s += (s.empty() ? "" : "|") + n;
    return s;
}
}  // namespace

TEST(ListEntries, EveryKindClassified)
{
    archive_folder_test::prepare();  // the archivers left to be asked, as at start-up
    ASSERT_GT(archiver_available(1), 0);
    reset_list();
    bench::scratch_dir dir;
    in_folder here(dir.path());
    write_image(dir.file("表.jpg"), 32, 16);
    write_image(dir.file("ソ.png"), 8, 4);
    bench::write_file(dir.file("memo.txt"), "\x93\xfa\x96\x7b\r\n");  // 日本 in Shift-JIS
    bench::write_file(dir.file("data.dat"), std::string(30, '\x01'));
    CopyFileA(archive_folder_test::fixture("images.zip").c_str(), dir.file("pack.zip").c_str(), FALSE);
    bench::write_file(dir.file("other.xyz"), "x");
    bench::write_file(dir.file("hid.jpg"), "x");
    SetFileAttributesA(dir.file("hid.jpg").c_str(), FILE_ATTRIBUTE_HIDDEN);
    bench::write_file(dir.file("sys.jpg"), "x");
    SetFileAttributesA(dir.file("sys.jpg").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    CreateDirectoryA(dir.file("能").c_str(), nullptr);
    write_image(dir.file("能\\a.jpg"), 4, 4);
    CreateDirectoryA(dir.file("empty").c_str(), nullptr);
    CoInitialize(nullptr);
    ASSERT_TRUE(create_shortcut(dir.file("to file.lnk").c_str(), dir.file("表.jpg").c_str(), 0, 0, 0, 0));
    ASSERT_TRUE(create_shortcut(dir.file("to folder.lnk").c_str(), dir.file("能").c_str(), 0, 0, 0, 0));
    ASSERT_TRUE(create_shortcut(dir.file("to empty.lnk").c_str(), dir.file("empty").c_str(), 0, 0, 0, 0));
    browser_list.settings.textpic = 1;
    browser_list.settings.all = 1;
    image_kind_enabled[KIND_JPG] = image_kind_enabled[KIND_PNG] = 1;

    auto names = listing();
    EXPECT_EQ(joined(names), "data.dat|empty\\*.*|memo.txt|other.xyz|pack.zip|to empty.lnk|to file.lnk|"
                             "to folder.lnk|ソ.png|能\\a.jpg|表.jpg");
    struct row {
        const char* name;
        int plain, image_kind, archive, text, kanji, shortcut, wildcard, width;
    };
    const row table[] = {
        {"表.jpg", 1, KIND_JPG + 1, 0, 0, -1, 0, 0, 32},
        {"ソ.png", 1, KIND_PNG + 1, 0, 0, -1, 0, 0, 8},
        {"memo.txt", 1, 0, 0, 19, 3, 0, 0, -1},  // ".txt" is the 19th text extension
        {"pack.zip", 1, 0, archive_work.available[1], 0, -1, 0, 0, -1},
        {"能\\a.jpg", 0, KIND_JPG + 1, 0, 0, -1, 0, 0, 4},
        {"empty\\*.*", 0, 0, 0, 0, -1, 0, 1, 0},
        {"to file.lnk", 1, 0, 0, 0, -1, 1, 0, -1},
    };
    for (const row& r : table) {
        int i = 0;
        while (i < browser_list.count && names[i] != r.name) i++;
        ASSERT_LT(i, browser_list.count) << r.name;
        file_kind* k = list_entry_kind(i);
        EXPECT_EQ(k->plain, r.plain) << r.name;
        EXPECT_EQ(k->image_kind, r.image_kind) << r.name;
        EXPECT_EQ(k->archive, r.archive) << r.name;
        EXPECT_EQ(k->text, r.text) << r.name;
        EXPECT_EQ(k->kanji_code, r.kanji) << r.name;
        EXPECT_EQ(k->shortcut, r.shortcut) << r.name;
        EXPECT_EQ(k->wildcard, r.wildcard) << r.name;
        if (r.width >= 0) EXPECT_EQ(k->width, r.width) << r.name;
    }
    // A binary text-list file is no text; hidden files are listed only when asked.
    file_kind bin;
    make_file_kind("data.dat", &bin, 1, 0);
    EXPECT_EQ(bin.text, 0);
    EXPECT_LT(bin.kanji_code, 0);

    // Shortcuts: to a file, to a folder shown by its first file, to an empty folder unresolved.
    char line[PATH_BUF];
    auto at = [&](const char* n) {
        int i = 0;
        while (names[i] != n) i++;
        return list_entry_kind(i);
    };
    EXPECT_NE(at("to file.lnk")->target(), at("to file.lnk"));
    ASSERT_TRUE(format_name_with_target(at("to folder.lnk"), line, sizeof line));
    EXPECT_EQ(std::string(line), "to folder.lnk→" + dir.file("能") + "｜a.jpg");
    EXPECT_EQ(at("to empty.lnk")->target(), at("to empty.lnk"));
    ASSERT_TRUE(format_name_with_target(at("能\\a.jpg"), line, sizeof line));
    EXPECT_EQ(std::string(line), "能｜a.jpg");
    char small[16];
    EXPECT_EQ(format_name_with_target(at("to folder.lnk"), small, sizeof small), 0);  // refused, not cut
    EXPECT_EQ(small[0], 0);

    browser_list.settings.hidden = 1;
    names = listing();
    EXPECT_NE(joined(names).find("hid.jpg"), std::string::npos);
    EXPECT_EQ(joined(names).find("sys.jpg"), std::string::npos);  // hidden and system: never
    browser_list_set_entries(nullptr, 0);
    arccache_forget(dir.file("pack.zip").c_str());  // its member's copy leaves the work folder
    CoUninitialize();
}

// A listed file is classified from what the listing read of it; a folder
// entry, named by its first listed file, from that file, never from the
// folder's own find data.
TEST(ListEntries, SizesTimesAndAttributesAreTheEntrysOwn)
{
    reset_list();
    bench::scratch_dir dir;
    in_folder here(dir.path());
    browser_list.settings.hidden = 1;
    browser_list.settings.textpic = 1;
    bench::write_file(dir.file("表.jpg"), std::string(700, 'x'));
    set_time(dir.file("表.jpg"), 11);
    bench::write_file(dir.file("ソ.txt"), "text\r\n");
    SetFileAttributesA(dir.file("ソ.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    CreateDirectoryA(dir.file("能").c_str(), nullptr);
    bench::write_file(dir.file("能\\a.jpg"), std::string(300, 'y'));
    set_time(dir.file("能\\a.jpg"), 22);
    set_time(dir.file("能"), 33);
    auto names = listing();
    ASSERT_EQ(joined(names), "ソ.txt|能\\a.jpg|表.jpg");
    for (int i = 0; i < browser_list.count; i++) {
        WIN32_FILE_ATTRIBUTE_DATA own;
        ASSERT_TRUE(GetFileAttributesExA(names[i].c_str(), GetFileExInfoStandard, &own)) << names[i];
        file_kind* k = list_entry_kind(i);
        uint64_t time = (uint64_t(own.ftLastWriteTime.dwHighDateTime) << 32) | own.ftLastWriteTime.dwLowDateTime;
        EXPECT_EQ(k->file_size, own.nFileSizeLow) << names[i];
        EXPECT_EQ(k->write_time, time) << names[i];
        EXPECT_EQ(k->hidden, (own.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) ? 1 : 0) << names[i];
    }
    SetFileAttributesA(dir.file("ソ.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    browser_list_set_entries(nullptr, 0);
}

TEST(ListEntries, PlainNamesStepOverTrailBytes)
{
    reset_list();
    browser_list.tree_flag = 1;
    struct {
        const char* name;
        int depth, plain;
    } table[] = {
        {"表", 0, 1},     {"ソ.jpg", 0, 1}, {"表\\a.jpg", 0, 0}, {"表\\ソ\\a.jpg", 1, 0},
        {"表\\ソ", 1, 1}, {"C:", 0, 0},     {"C:\\", 0, 0},      {"a*.*", 0, 0},
    };
    for (auto& row : table) {
        browser_list.tree_depth = row.depth;
        EXPECT_EQ(is_plain_entry_name(row.name), row.plain) << row.name << " depth " << row.depth;
    }
    browser_list.tree_depth = browser_list.tree_flag = 0;
}

TEST(FolderScan, SortOrders)
{
    reset_list();
    bench::scratch_dir dir;
    in_folder here(dir.path());
    // name, size, minutes; folders hold one image.
    struct {
        const char* name;
        int size, minutes;
    } files[] = {
        {"b.jpg", 30, 5}, {"A.png", 10, 6}, {"c.JPG", 20, 1}, {"ア.jpg", 5, 9}, {"ッ.jpg", 6, 2}, {"Ｂ.jpg", 40, 3},
    };
    for (auto& f : files) {
        bench::write_file(dir.file(f.name), std::string(f.size, 'x'));
        set_time(dir.file(f.name), f.minutes);
    }
    CreateDirectoryA(dir.file("m").c_str(), nullptr);
    bench::write_file(dir.file("m\\z.png"), "x");
    set_time(dir.file("m"), 4);
    // Ties of the extension key fall back to the whole name; full-width Ｂ sorts
    // beside b, ア and ッ stay apart (a byte-wise fold would make them equal).
    struct {
        int key, folders_first, direction;
        const char* want;
    } table[] = {
        {0, 0, 1, "A.png|b.jpg|Ｂ.jpg|c.JPG|m\\z.png|ア.jpg|ッ.jpg"},
        {0, 0, -1, "ッ.jpg|ア.jpg|m\\z.png|c.JPG|Ｂ.jpg|b.jpg|A.png"},
        {0, 1, -1, "m\\z.png|ッ.jpg|ア.jpg|c.JPG|Ｂ.jpg|b.jpg|A.png"},
        {0, 1, 1, "m\\z.png|A.png|b.jpg|Ｂ.jpg|c.JPG|ア.jpg|ッ.jpg"},
        {1, 0, 1, "c.JPG|ッ.jpg|Ｂ.jpg|m\\z.png|b.jpg|A.png|ア.jpg"},
        {1, 1, 1, "m\\z.png|c.JPG|ッ.jpg|Ｂ.jpg|b.jpg|A.png|ア.jpg"},
        {1, 0, -1, "ア.jpg|A.png|b.jpg|m\\z.png|Ｂ.jpg|ッ.jpg|c.JPG"},
        {2, 0, 1, "m\\z.png|ア.jpg|ッ.jpg|A.png|c.JPG|b.jpg|Ｂ.jpg"},
        {2, 0, -1, "Ｂ.jpg|b.jpg|c.JPG|A.png|ッ.jpg|ア.jpg|m\\z.png"},
        {3, 0, 1, "m\\z.png|b.jpg|Ｂ.jpg|c.JPG|ア.jpg|ッ.jpg|A.png"},
        {3, 0, -1, "A.png|ッ.jpg|ア.jpg|c.JPG|Ｂ.jpg|b.jpg|m\\z.png"},
        {3, 1, 1, "m\\z.png|b.jpg|Ｂ.jpg|c.JPG|ア.jpg|ッ.jpg|A.png"},
    };
    for (auto& row : table) {
        browser_list.sort_key[0] = (unsigned char)row.key;
        browser_list.fldfirst = (unsigned char)row.folders_first;
        browser_list.sort_direction = (signed char)row.direction;
        EXPECT_EQ(joined(listing()), row.want)
            << "key " << row.key << " folders first " << row.folders_first << " direction " << row.direction;
    }
    browser_list_set_entries(nullptr, 0);
}

// A sort compares names by their sort keys, made once per name; the order is
// the one lstrcmpiA gives, tie for tie, for names of every kind a folder holds.
TEST(FolderScan, SortKeysOrderNamesAsTheSystemComparesThem)
{
    const char* const names[] = {
        "表示00001.txt", "表示00001.TXT", "表示00010.txt", "表示9.txt", "a-b.jpg", "ab.jpg",     "a'b.jpg",
        "a_b.jpg",       "a b.jpg",       "A.jpg",         "a.jpg",     "ａ.jpg",  "Ａ.JPG",     "ｱ.jpg",
        "ア.jpg",        "あ.jpg",        "ッ.jpg",        "ツ.jpg",    "ｶﾞ.jpg",  "ガ.jpg",     "カ.jpg",
        "ｰ.jpg",         "ー.jpg",        "能.jpg",        "ソ.jpg",    "表.jpg",  "1.jpg",      "10.jpg",
        "9.jpg",         "~a.jpg",        "!a.jpg",        "#a.jpg",    "(a).jpg", "[a].jpg",    "{a}.jpg",
        "+a.jpg",        "=a.jpg",        "@a.jpg",        "^a.jpg",    "`a.jpg",  "a",          "a.",
        "a.b.c",         "ⅰ.jpg",         "①.jpg",         "髙.jpg",    "ヴ.png",  "表\\ソ.jpg", "sub\\a.jpg",
        "ソ00009\\*.*",  "x.ZIP",         "x.zip",         "x.lzh",     "能.",     "",           "-",
    };
    int n = static_cast<int>(sizeof names / sizeof *names);
    std::vector<sort_record> records(n);
    for (int i = 0; i < n; i++) records[i] = {names[i], {}, 0.0, i % 5 == 0, nullptr, 0};
    scoped_restore<int> keep_mode(sort_mode);
    for (int mode : {1, -1, 4, -4, 11, -11, 14, -14}) {
        sort_mode = mode;
        // Forward, backward and interleaved: ties keep the order they came in.
        for (int start : {0, 1, 2}) {
            std::vector<sort_record*> in;
            int half = (n + 1) / 2;
            for (int i = 0; i < n; i++)
                in.push_back(&records[start == 1   ? n - 1 - i
                                      : start == 2 ? (i < half ? 2 * i : 2 * (i - half) + 1)
                                                   : i]);
            std::vector<sort_record*> want = in;
            std::stable_sort(want.begin(), want.end(),
                             [](const sort_record* a, const sort_record* b) { return compare_entries(a, b) < 0; });
            std::vector<sort_record*> got = in;
            sort_records(got.data(), n);
            std::vector<std::string> w, g;
            for (int i = 0; i < n; i++) w.push_back(want[i]->name), g.push_back(got[i]->name);
            EXPECT_EQ(joined(g), joined(w)) << "mode " << mode << " start " << start;
        }
    }
}

TEST(FolderScan, FirstListedFileSkipsEmptySubfolders)
{
    reset_list();
    bench::scratch_dir dir;
    CreateDirectoryA(dir.file("p").c_str(), nullptr);
    CreateDirectoryA(dir.file("p\\a").c_str(), nullptr);  // empty, sorts first
    CreateDirectoryA(dir.file("p\\b").c_str(), nullptr);
    bench::write_file(dir.file("p\\b\\ソ.jpg"), "x");
    bench::write_file(dir.file("p\\z.jpg"), "x");
    browser_list.fldfirst = 1;
    char out[PATH_BUF];
    ASSERT_EQ(first_listed_file(dir.file("p").c_str(), out), 1);
    EXPECT_EQ(std::string(out), dir.file("p\\b\\ソ.jpg"));
    browser_list.fldfirst = 0;
    ASSERT_EQ(first_listed_file(dir.file("p").c_str(), out), 1);
    EXPECT_EQ(std::string(out), dir.file("p\\b\\ソ.jpg"));  // "a" and "b" sort before "z.jpg"
    EXPECT_EQ(first_listed_file(dir.file("p\\a").c_str(), out), 0);
}

// Subfolders whose first listed file is found after the sort, in any order
// of the search, get the names and places that a search during the walk
// gives them, in every sort mode.
TEST(FolderScan, FirstFilesFoundLaterNameAsFoundDuringTheWalk)
{
    reset_list();
    bench::scratch_dir dir;
    in_folder here(dir.path());
    for (int i = 0; i < 12; i++) {
        char folder[16];
        snprintf(folder, sizeof folder, "ソ%02d", i);
        CreateDirectoryA(dir.file(folder).c_str(), nullptr);
        set_time(dir.file(folder), 30 - i);
        if (i % 3 == 0) bench::write_file(dir.file(std::string(folder) + "\\能.jpg"), std::string(i + 1, 'x'));
        if (i % 3 == 1) {
            CreateDirectoryA(dir.file(std::string(folder) + "\\表").c_str(), nullptr);
            bench::write_file(dir.file(std::string(folder) + "\\表\\能.png"), "x");
        }
        bench::write_file(dir.file("表" + std::to_string(i) + (i % 2 ? ".jpg" : ".png")), std::string(20 - i, 'x'));
    }
    for (int key = 0; key < 4; key++)
        for (int first = 0; first < 2; first++)
            for (int direction : {1, -1}) {
                browser_list.sort_key[0] = (unsigned char)key;
                browser_list.fldfirst = (unsigned char)first;
                browser_list.sort_direction = (signed char)direction;
                std::string during = joined(listing());
                char** names = nullptr;
                int flag = 0, depth = 0;
                int n = scan_listing(dir.path(), &names, &flag, &depth);
                browser_list.tree_flag = flag;
                browser_list_set_entries(names, n);
                ASSERT_EQ(first_files_to_find(), 12);
                EXPECT_EQ(std::count_if(names, names + n, [](const char* x) { return strstr(x, "\\*.*"); }), 12);
                // One entry as a drawing asks for it, the rest in idle steps.
                find_entry_first_file(n - 1);
                while (find_first_files_step(1)) {}
                EXPECT_EQ(joined(std::vector<std::string>(names, names + n)), during)
                    << "key " << key << " folders first " << first << " direction " << direction;
                EXPECT_EQ(first_files_to_find(), 0);
            }
    browser_list_set_entries(nullptr, 0);
}

namespace {
// count folders named 空00.. (empty, or holding one image each) under folder.
void make_folders(const std::string& folder, int count, bool with_image)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int i = 0; i < count; i++) {
        char name[16];
        snprintf(name, sizeof name, "\\空%02d", i);
        CreateDirectoryA((folder + name).c_str(), nullptr);
        if (with_image) bench::write_file(folder + name + "\\能.jpg", "x");
    }
}
}  // namespace

// A tree of empty folders costs a summary and a first-file search no more
// than the count limit of folders: the summary stops there, incomplete, and
// the search passes over the folders it did not list.
TEST(FolderScan, SummaryAndSearchAreBoundedByFoldersVisited)
{
    reset_list();
    bench::scratch_dir dir;
    ASSERT_EQ(browser_list.countfile_limit, 50);
    struct {
        const char* name;
        int folders, files;
        bool images_in_folders;
        int limit;  // the countfile setting
        int incomplete, counted;
    } table[] = {
        {"表空60", 60, 0, false, -1, 1, 0},   // past the folder limit
        {"表空40", 40, 2, false, -1, 0, 2},   // within it
        {"表空60全", 60, 0, false, 1, 0, 0},  // counted without limit
        {"ソ60", 0, 60, false, -1, 1, 51},    // past the file limit, as before
        {"能30", 30, 0, true, -1, 0, 30},     // one image in each folder
    };
    for (auto& row : table) {
        std::string folder = dir.file(row.name);
        make_folders(folder, row.folders, row.images_in_folders);
        for (int i = 0; i < row.files; i++) bench::write_file(folder + "\\f" + std::to_string(i) + ".jpg", "x");
        folder_summary_record s;
        folder_summary(folder.c_str(), &s, row.limit);
        EXPECT_EQ(s.incomplete, row.incomplete) << row.name;
        EXPECT_EQ(s.image_count + s.other_count, row.counted) << row.name;
    }

    // 60 empty folders sort before 表.jpg (folders first): the search lists 50
    // of them, passes over the rest and still finds the file after them.
    browser_list.fldfirst = 1;
    std::string p = dir.file("p");
    make_folders(p, 60, false);
    bench::write_file(p + "\\表.jpg", "x");
    char out[PATH_BUF];
    ASSERT_EQ(first_listed_file(p.c_str(), out), 1);
    EXPECT_EQ(std::string(out), p + "\\表.jpg");
    // One level down the same tree holds nothing within the bound.
    std::string q = dir.file("q");
    CreateDirectoryA(q.c_str(), nullptr);
    make_folders(q + "\\ソ", 60, false);
    EXPECT_EQ(first_listed_file(q.c_str(), out), 0);
    // Within the bound an image in the last folder is found.
    std::string r = dir.file("r");
    CreateDirectoryA(r.c_str(), nullptr);
    make_folders(r + "\\ソ", 40, false);
    bench::write_file(r + "\\ソ\\空39\\能.jpg", "x");
    ASSERT_EQ(first_listed_file(r.c_str(), out), 1);
    EXPECT_EQ(std::string(out), r + "\\ソ\\空39\\能.jpg");
    browser_list.fldfirst = 0;
}

namespace {
// A posted message arrives while a scan refreshes its progress: its handler
// reads the entries and reloads, as a command arriving then would.
int stale_reads = 0, reloads = 0;
LRESULT CALLBACK reload_proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m != WM_APP) return DefWindowProcA(w, m, wp, lp);
    for (int i = 0; i < browser_list.count; i++)
        if ((unsigned char)browser_list.names[i][0] == 0xDD) stale_reads++;
    if (reloads++ == 0) {
        char** names;
        int flag = 0, depth = 0;
        int n = scan_entries(&names, &flag, &depth);
        browser_list_set_entries(names, n);
    }
    return 0;
}
}  // namespace

TEST(FolderScan, ReloadDuringAPassReadsNothingFreed)
{
    reset_list();
    bench::scratch_dir dir;
    in_folder here(dir.path());
    for (int i = 0; i < 40; i++) bench::write_file(dir.file("f" + std::to_string(i) + ".jpg"), "x");
    listing();  // the entries point into the first listing
    ASSERT_EQ(browser_list.count, 40);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = reload_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "list_reload_probe";
    RegisterClassA(&wc);
    HWND w = CreateWindowA("list_reload_probe", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    stale_reads = reloads = 0;
    browser_list.busy_time = 0;  // refresh after every entry
    scan_pass_begin("scan");
    PostMessageA(w, WM_APP, 0, 0);
    PostMessageA(w, WM_APP, 0, 0);
    char** names;
    int flag = 0, depth = 0;
    int n = scan_entries(&names, &flag, &depth);
    pass_end();
    browser_list.busy_time = DEFAULT_BUSY_TIME;
    browser_list_set_entries(names, n);
    EXPECT_EQ(reloads, 2);
    EXPECT_EQ(stale_reads, 0);
    ASSERT_EQ(n, 40);
    for (int i = 0; i < n; i++) EXPECT_EQ(names[i][0], 'f');
    DestroyWindow(w);
    browser_list_set_entries(nullptr, 0);
}

// The folder tree opened and closed through its commands on a real page:
// V opens one level more, C closes one, X opens every level and X again
// closes them all. After each, the list shows exactly the levels asked for:
// files down to the depth, and the folders at the depth as entries of their own.
TEST(FolderScan, TreeLevelsFollowExpandAndCollapse)
{
    bench::scratch_dir dir;
    write_image(dir.file("top.jpg"), 4, 4);
    for (const char* sub : {"表", "表\\ソ", "表\\ソ\\能"}) CreateDirectoryA(dir.file(sub).c_str(), nullptr);
    write_image(dir.file("表\\a.jpg"), 4, 4);
    write_image(dir.file("表\\ソ\\b.jpg"), 4, 4);
    write_image(dir.file("表\\ソ\\能\\c.jpg"), 4, 4);
    // The dispatcher with its parts, for this test only.
    browser_page page(800, 600);
    image_kind_enabled[KIND_JPG] = 1;
    in_folder here(dir.path());
    ASSERT_TRUE(change_folder(dir.path()));
    load_folder(nullptr, 0, 0, nullptr, 0);
    ASSERT_EQ(browser_list.count, 2);
    struct {
        int command, depth;
        const char* entries;  // in byte order, "|" between names, "/" after a folder entry
    } steps[] = {
        {371, 1, "top.jpg|表\\a.jpg|表\\ソ\\b.jpg/"},
        {371, 2, "top.jpg|表\\a.jpg|表\\ソ\\b.jpg|表\\ソ\\能\\c.jpg/"},
        {372, 1, "top.jpg|表\\a.jpg|表\\ソ\\b.jpg/"},
        {372, 0, "top.jpg|表\\a.jpg/"},
        {370, 3, "top.jpg|表\\a.jpg|表\\ソ\\b.jpg|表\\ソ\\能\\c.jpg"},
        {372, 2, "top.jpg|表\\a.jpg|表\\ソ\\b.jpg|表\\ソ\\能\\c.jpg/"},
        {370, 0, "top.jpg|表\\a.jpg/"},
    };
    for (const auto& s : steps) {
        browser_command(0, _page_hwnd(1), WM_COMMAND, s.command, 0);
        std::vector<std::string> names;
        for (int i = 0; i < browser_list.count; i++)
            names.push_back(browser_list.names[i] + std::string(list_entry_kind(i)->plain ? "" : "/"));
        std::sort(names.begin(), names.end());
        std::string shown;
        for (const std::string& n : names) shown += (shown.empty() ? "" : "|") + n;
        EXPECT_EQ(browser_list.tree_depth, s.depth) << s.command;
        EXPECT_EQ(shown, s.entries) << s.command;
    }
}
