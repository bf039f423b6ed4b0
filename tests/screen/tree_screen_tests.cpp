// The folder tree opened from the keyboard: expanding all brings the
// pictures of every level into the page, the expanded depth stays through the
// reload the expansion makes and through F5, one level more folds it (all
// levels and one more are none), and the key that opened all folds it too.
#include "tests/screen/screen_bench.h"
#include <gtest/gtest.h>
#include <string>

namespace {
// An album whose every level holds one picture of its own colour and one
// subfolder, down to the last level: 木表\00表.jpg, 木表\層1ソ\01ソ.jpg, ...
struct nested_album {
    bench::scratch_dir dir;
    std::string top = dir.file("木表");
    explicit nested_album(int depth)
    {
        std::string folder = top;
        for (int level = 0; level <= depth; level++) {
            screen::write_pictures(folder, level, 1);
            folder += "\\層" + std::to_string(level + 1) + (level % 2 ? "能" : "ソ");
        }
    }
};

// The middle of the last component of the toolbar's path, the tree switch:
// the rightmost run of black text on the line (the separators are dark grey).
POINT tree_switch(const screen::shot& s)
{
    int right = -1, left = -1;
    for (int x = s.width - 1; x >= 0 && left < 0; x--) {
        bool black = false;
        for (int y = 2; y < 19 && !black; y++) black = screen::near_colour(s.at(x, y), RGB(0, 0, 0), 8);
        if (black && right < 0) right = x;
        if (!black && right >= 0) {
            // A gap wider than a space ends the component.
            bool gap = true;
            for (int g = x; g > x - 6 && g >= 0 && gap; g--)
                for (int y = 2; y < 19 && gap; y++) gap = !screen::near_colour(s.at(g, y), RGB(0, 0, 0), 8);
            if (gap) left = x + 1;
        }
    }
    return {(left + right) / 2, 10};
}

// Whether some cell of the page shows picture i.
bool shows(const screen::shot& s, int i)
{
    RECT page = {0, 0, s.width, s.height};
    return s.count(page, screen::picture_colour(i)) > 200;
}
}  // namespace

TEST(FolderTree, ExpandAllOpensEveryLevelAndKeepsItThroughReloads)
{
    const int depth = 3;
    nested_album album(depth);
    screen::zote_session z(album.top);
    ASSERT_TRUE(z.running());
    // A closed folder's cell shows the picture of its last level, so the
    // levels between tell whether the tree is open.
    screen::shot s = z.capture();
    EXPECT_TRUE(shows(s, 0));
    for (int level = 1; level < depth; level++) EXPECT_FALSE(shows(s, level)) << "level " << level << " at the start";
    z.key('X');
    s = z.capture();
    for (int level = 0; level <= depth; level++) EXPECT_TRUE(shows(s, level)) << "level " << level << " expanded";
    if (HasFailure()) s.save(bench::exe_folder() + "screen-tree-open.bmp");
    z.key(VK_F5);
    s = z.capture();
    for (int level = 1; level < depth; level++) EXPECT_TRUE(shows(s, level)) << "level " << level << " after F5";
    // One level more than all of them is none.
    z.key('V');
    s = z.capture();
    for (int level = 1; level < depth; level++) EXPECT_FALSE(shows(s, level)) << "level " << level << " after V";
    z.key('X');
    s = z.capture();
    for (int level = 1; level < depth; level++) EXPECT_TRUE(shows(s, level)) << "level " << level << " open again";
    z.key('X');
    s = z.capture();
    EXPECT_TRUE(shows(s, 0));
    for (int level = 1; level < depth; level++) EXPECT_FALSE(shows(s, level)) << "level " << level << " folded again";
    if (HasFailure()) s.save(bench::exe_folder() + "screen-tree.bmp");
}

// A click on the path's last component (the tree switch) opens every level
// and a second one folds them.
TEST(FolderTree, TheTreeSwitchOpensAndFoldsTheTree)
{
    const int depth = 2;
    nested_album album(depth);
    screen::zote_session z(album.top);
    ASSERT_TRUE(z.running());
    screen::shot s = z.capture();
    POINT at = tree_switch(s);
    ASSERT_GT(at.x, 0);
    EXPECT_FALSE(shows(s, 1));
    z.click(at);
    s = z.capture();
    for (int level = 0; level <= depth; level++) EXPECT_TRUE(shows(s, level)) << "level " << level << " expanded";
    z.click(at);
    s = z.capture();
    EXPECT_TRUE(shows(s, 0));
    EXPECT_FALSE(shows(s, 1)) << "folded again";
    if (HasFailure()) s.save(bench::exe_folder() + "screen-tree-switch.bmp");
}
