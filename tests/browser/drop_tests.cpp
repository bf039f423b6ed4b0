// Files dropped on the browser page open their folders: a dropped folder
// itself, a dropped file its parent; several drops leave the last one shown.
// Drops on other pages, or with nothing that exists, change nothing.
#include "browser/archives/archive_folder.h"
#include "browser/model/start.h"
#include "browser/commands/instances.h"
#include "browser/viewer/viewer.h"
#include "tests/browser/list_fixtures.h"
#include <gtest/gtest.h>

TEST(Drop, DroppedFoldersAndFilesOpenTheirFolders)
{
    bench::scratch_dir dir;
    dir.write("one\\a.txt", "a");
    dir.write("two\\b.txt", "b");
    list_fixture::write_image(dir.file("two\\p.jpg"), 8, 8);
    list_fixture::browser_page page(640, 480);
    std::string one = dir.file("one"), file = dir.file("two\\p.jpg"), missing = dir.file("none");
    struct row {
        int page;
        std::vector<std::string> names;
        std::string shown;  // the current folder afterwards
    } rows[] = {
        {1, {one}, one},
        {1, {one, file}, dir.file("two")},  // the last one stays
        {2, {one}, ""},                     // other pages are not the browser's
        {1, {missing}, ""},
    };
    scoped_restore<viewer_state_record> keep_viewer(viewer_state);
    scoped_restore<viewer_now_record> keep_now(viewer_now);
    for (const row& r : rows) {
        ASSERT_TRUE(change_folder(dir.path()));
        viewer_now.mode = VIEWER_MODE_ONE;  // a drop on the one-image view goes back to the list
        std::vector<char*> names;
        for (const std::string& n : r.names) names.push_back(const_cast<char*>(n.c_str()));
        app_on_drop(r.page, (int)names.size(), names.data());
        std::string want = r.shown.empty() ? std::string(dir.path()) : r.shown;
        char now[MAX_PATH];
        GetCurrentDirectoryA(sizeof now, now);
        EXPECT_EQ(lstrcmpiA(now, want.c_str()), 0) << r.names.back() << " -> " << now;
        EXPECT_EQ(viewer_now.mode, r.shown.empty() ? VIEWER_MODE_ONE : VIEWER_MODE_LIST) << r.names.back();
    }
    SetCurrentDirectoryA(bench::exe_folder().c_str());
}
