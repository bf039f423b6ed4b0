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
    } shapes[] = {{200, 300}, {300, 200}, {120, 480}, {128, 128}, {600, 1200}};  // the last goes to the disk cache
    const int n = sizeof shapes / sizeof shapes[0];
    for (int i = 0; i < n; i++)
        screen::write_picture(album + "\\" + screen::picture_name(i), shapes[i].width, shapes[i].height,
                              screen::picture_colour(i));
    screen::zote_session z(album);
    ASSERT_TRUE(z.running());
    screen::shot s = z.capture();
    screen::grid g = screen::grid::of(s);
    for (int i = 0; i < n; i++) {
        RECT name = g.name_line(i);
        EXPECT_EQ(s.count(name, screen::picture_colour(i)), 0) << shapes[i].width << "x" << shapes[i].height;
    }
    EXPECT_EQ(screen::check_page(s, g, picture_cells(0, n), "portrait"), "");
}

namespace {
// What the name line of the first cell shows for a folder holding one picture of the name.
std::vector<COLORREF> name_line_for(const std::string& name)
{
    bench::scratch_dir dir;
    std::string album = dir.file("名前表");
    CreateDirectoryA(album.c_str(), nullptr);
    screen::write_picture(album + "\\" + name, 64, 48, screen::picture_colour(0));
    screen::zote_session z(album);
    std::vector<COLORREF> pixels;
    if (!z.running()) return pixels;
    screen::shot s = z.capture();
    RECT r = screen::grid::of(s).name_line(0);
    for (int y = r.top; y < r.bottom; y++)
        for (int x = r.left; x < r.right; x++) pixels.push_back(s.at(x, y));
    return pixels;
}
}  // namespace

// A cell names its picture without the rotation mark, and without the
// number prefix while the folder's names are numbered in order.
TEST(GridNames, RotationMarkAndNumberOrderPrefixAreNotShown)
{
    std::vector<COLORREF> plain = name_line_for("01表.jpg");
    ASSERT_FALSE(plain.empty());
    EXPECT_TRUE(name_line_for("01表.r.jpg") == plain) << "the rotation mark shows";
    EXPECT_TRUE(name_line_for("1)01表.jpg") == plain) << "the prefix of a numbered folder shows";
    EXPECT_FALSE(name_line_for("5)01表.jpg") == plain) << "a prefix out of order is hidden";
}

// A file without a picture tells its size on the line above its bottom line;
// a picture's cell keeps that line empty.
TEST(GridNames, FilesWithoutPicturesTellTheirSize)
{
    bench::scratch_dir dir;
    std::string album = dir.file("情報ソ");
    screen::write_pictures(album, 0, 1);
    bench::write_file(album + "\\01ソ.bin", std::string(3000, 'b'));
    bench::write_file(album + "\\02能.txt", "メモ表\r\n");
    screen::zote_session z(album);
    ASSERT_TRUE(z.running());
    screen::shot s = z.capture();
    screen::grid g = screen::grid::of(s);
    EXPECT_EQ(s.count_other(g.count_line(0), screen::background()), 0);
    EXPECT_GE(s.count_other(g.count_line(1), screen::background()), 8) << "data file";
    EXPECT_GE(s.count_other(g.count_line(2), screen::background()), 8) << "text file";
    if (HasFailure()) s.save(bench::exe_folder() + "screen-info.bmp");
}

// F2 opens the name editor over the cell under the mouse; the program waits
// for the user inside it, and what is typed with Enter renames the file,
// whose picture the page shows again under its new name.
TEST(GridEditor, F2RenamesThePictureUnderTheMouse)
{
    screen::picture_folder album("名前表", 3);
    screen::zote_session z(album.path);
    ASSERT_TRUE(z.running());
    screen::grid g = z.page_grid();
    RECT cell = g.cell(1), top = {cell.left, cell.top, cell.right, cell.top + 30};
    const COLORREF border = RGB(158, 158, 158);  // the edit field's frame
    z.move_to(g.centre(1));
    z.key(VK_F2);
    screen::shot s = z.capture();
    EXPECT_GT(s.count(top, border), 2 * (cell.right - cell.left) / 2) << "the editor is open over the name";
    z.key(VK_END);
    z.key('Z');
    z.key(VK_RETURN);
    std::string renamed = album.file(screen::picture_name(1).substr(0, 4) + "z.jpg");
    EXPECT_NE(GetFileAttributesA(renamed.c_str()), INVALID_FILE_ATTRIBUTES) << renamed;
    EXPECT_EQ(GetFileAttributesA(album.file(screen::picture_name(1)).c_str()), INVALID_FILE_ATTRIBUTES);
    s = z.capture();
    EXPECT_EQ(s.count(top, border), 0) << "the editor is gone";
    EXPECT_EQ(screen::check_page(s, g, screen::picture_cells(0, 3), "renamed"), "");
    if (HasFailure()) s.save(bench::exe_folder() + "screen-rename.bmp");
}
