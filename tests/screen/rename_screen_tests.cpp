// Renames in the list as a user makes them in a folder of camera photos: F2
// on a picture, a new name typed, Enter, again and again from the moment the
// folder opens, while its thumbnails are still being made.
#include "tests/screen/screen_bench.h"
#include "browser/model/command_ids.h"
#include <dlgs.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {
bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
}  // namespace

// The pointer rests on a picture from the tenth on, so that the status
// line's help part shows the 55 characters of a picture's help when F2
// replaces it with "[10] 表ソ0010.JPG の名前を変更中．…", 55 bytes.
TEST(Rename, RenamesWhileAFolderOfPhotosOpens)
{
    bench::scratch_dir dir;
    std::string album = dir.file("写真表ソ");
    std::vector<std::string> names;
    for (int i = 0; i < 170; i++) {
        char name[32];
        snprintf(name, sizeof name, "表ソ%04d.JPG", i + 1);
        names.push_back(name);
    }
    screen::copy_camera_photos(album, names);
    screen::zote_session z(album, screen::zote_session::no_wait());
    ASSERT_TRUE(z.running());
    screen::grid g = screen::grid::of(z.capture());
    const int first = 9, renames = 8;
    for (int k = 0; k < renames; k++) {
        // The name is shown without its extension: the added end keeps its place.
        z.move_to(g.centre(first + k));
        z.key(VK_F2);
        z.key(VK_END);
        for (char c : "RN" + std::to_string(k)) z.key(WORD(c));
        z.key(VK_RETURN);
        ASSERT_TRUE(z.alive()) << "rename " << k << "\n" << z.fault();
    }
    for (int k = 0; k < renames; k++) {
        std::string renamed = names[first + k];
        renamed.insert(renamed.size() - 4, "rn" + std::to_string(k));
        EXPECT_TRUE(exists(album + "\\" + renamed)) << renamed;
    }
    for (int i = 0; i < 170; i++) {
        bool renamed = i >= first && i < first + renames;
        EXPECT_EQ(exists(album + "\\" + names[i]), !renamed) << names[i];
    }
}

// Kanji typed from the keyboard into the in-list editors arrive whole, those
// with a trail byte 0x5C too: the name editor of F2 and that of a new folder.
TEST(Rename, KanjiTypedIntoTheListArriveWhole)
{
    screen::picture_folder album("漢字表", 1);
    screen::zote_session z(album.path);
    ASSERT_TRUE(z.running());
    screen::grid g = z.page_grid();
    // The command posted as the menu sends it; 0: F2 on the picture, then End.
    const struct {
        int command;
        const char *typed, *made;
    } table[] = {{0, "_名前表ソ能", "00表_名前表ソ能.jpg"}, {CM_NEW_FOLDER, "新表ソ能", "新表ソ能"}};
    for (const auto& t : table) {
        z.move_to(g.centre(0));
        if (t.command) {
            PostMessageA(z.frame(), WM_COMMAND, t.command, 0);
        } else {
            z.key(VK_F2);
            z.key(VK_END);
        }
        ASSERT_TRUE(z.typed_text(t.typed));
        z.key(VK_RETURN);
        EXPECT_TRUE(exists(album.file(t.made))) << t.made;
    }
}

// The same in the console a script opens: a line it runs (the rich-edit
// control) and its find box (a dialog fed by the console's loop).
TEST(Rename, KanjiTypedIntoTheConsoleArriveWhole)
{
    bench::scratch_dir dir;
    screen::zote_session z(dir.write("漢字表\\k.a.txt", "console\n"));
    ASSERT_TRUE(z.running());
    z.key('M');  // the line's first key is read alone, then the rest of the line
    ASSERT_TRUE(z.typed_text("d 表ソ能"));
    z.key(VK_RETURN);
    EXPECT_TRUE(exists(dir.file("漢字表\\表ソ能")));
    z.key(VK_F3);
    std::vector<HWND> find = z.other_windows();
    ASSERT_EQ(find.size(), 1u);
    ASSERT_TRUE(z.typed_text("表ソ能"));
    char text[64] = "";  // sent, for GetWindowText reads only a caption in another process
    SendMessageA(GetDlgItem(find[0], edt1), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "表ソ能");
}
