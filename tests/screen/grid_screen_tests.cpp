// What the grid shows after the inputs that redraw it: another page, another
// folder, the same folder again after a change on disk, another number of
// columns. Every time the page shows exactly its own cells, each complete
// with its picture, its name and the counts of the second pass, and nothing
// of what was there before.
#include "tests/screen/screen_bench.h"
#include <gtest/gtest.h>

using screen::cell_expected;
using screen::picture_cells;

namespace {
// A parent folder holding an album of 60 pictures and an empty folder.
struct two_folders {
    bench::scratch_dir dir;
    std::string parent = dir.file("親表"), album = parent + "\\アルバムソ", empty = parent + "\\空能";
    two_folders()
    {
        CreateDirectoryA(parent.c_str(), nullptr);
        screen::write_pictures(album, 0, 60);
        CreateDirectoryA(empty.c_str(), nullptr);
    }
};
}  // namespace

TEST(GridRedraw, EveryPageShowsItsOwnCellsOnly)
{
    two_folders f;
    screen::zote_session z(f.album);
    ASSERT_TRUE(z.running());
    const cell_expected album = {screen::picture_colour(0), true}, empty = {screen::ANY_PICTURE},
                        added = {screen::picture_colour(20), true};
    struct step {
        const char* what;
        const char* label;
        void (*act)(screen::zote_session& z, const two_folders& f);
        int columns;  // 0: the size the start gave
        std::vector<cell_expected> cells;
    } steps[] = {
        {"Page Down to the 12 pictures of page 2", "page-down",
         [](screen::zote_session& z, const two_folders&) { z.key(VK_NEXT); }, 0, picture_cells(48, 12)},
        {"BackSpace to the parent of two folders",
         "parent",
         [](screen::zote_session& z, const two_folders&) { z.key(VK_BACK); },
         0,
         {album, empty}},
        {"F5 after a folder with a picture came in",
         "reload",
         [](screen::zote_session& z, const two_folders& f) {
             screen::write_pictures(f.parent + "\\新表", 20, 1);
             z.key(VK_F5);
         },
         0,
         {album, empty, added}},
        {"into the empty folder",
         "empty",
         [](screen::zote_session& z, const two_folders&) { z.double_click(screen::grid::of(z.capture()).centre(1)); },
         0,
         {}},
        {"BackSpace to the parent again",
         "back",
         [](screen::zote_session& z, const two_folders&) { z.key(VK_BACK); },
         0,
         {album, empty, added}},
        {"3 pictures a row",
         "columns",
         [](screen::zote_session& z, const two_folders&) { z.key('3'); },
         3,
         {album, empty, added}},
    };
    for (const step& s : steps) {
        s.act(z, f);
        screen::shot shot = z.capture();
        screen::grid g = s.columns ? screen::grid::at_columns(shot, s.columns) : screen::grid::of(shot);
        EXPECT_EQ(screen::check_page(shot, g, s.cells, s.label), "") << s.what;
    }
}

TEST(GridRedraw, PicturesStayBelowTheirNames)
{
    bench::scratch_dir dir;
    std::string album = dir.file("縦横ソ");
    CreateDirectoryA(album.c_str(), nullptr);
    struct {
        int width, height;
    } shapes[] = {{200, 300}, {300, 200}, {120, 480}, {128, 128}};
    for (int i = 0; i < 4; i++)
        screen::write_picture(album + "\\" + screen::picture_name(i), shapes[i].width, shapes[i].height,
                              screen::picture_colour(i));
    screen::zote_session z(album);
    ASSERT_TRUE(z.running());
    screen::shot s = z.capture();
    screen::grid g = screen::grid::of(s);
    for (int i = 0; i < 4; i++) {
        RECT name = g.name_line(i);
        EXPECT_EQ(s.count(name, screen::picture_colour(i)), 0) << shapes[i].width << "x" << shapes[i].height;
    }
    EXPECT_EQ(screen::check_page(s, g, picture_cells(0, 4), "portrait"), "");
}
