// The program as a user starts it: the installed zote.exe relaunches from its
// copy in the temporary folder and shows the folder it was given, every
// picture in a cell of its own, with the folder, the count and the page in
// its title.
#include "tests/screen/screen_bench.h"
#include <gtest/gtest.h>

TEST(Start, ShowsTheFolderPageByPage)
{
    screen::picture_folder album("写真表", 60);
    screen::zote_session z(album.path);
    ASSERT_TRUE(z.running());
    std::string title = z.title();
    EXPECT_NE(title.find("/写真表/ 60画像 1/2頁 - ZOTE1.67"), std::string::npos) << title;
    screen::shot s = z.capture();
    screen::grid g = screen::grid::of(s);
    ASSERT_EQ(g.per_page(), 48) << "the window was laid out for 8 x 6 cells";
    EXPECT_EQ(screen::check_page(s, g, screen::picture_cells(0, 48), "start"), "");
    // The console's rich-edit control and the scanner's source manager wait for their first use.
    EXPECT_TRUE(z.has_loaded("comctl32.dll"));
    EXPECT_FALSE(z.has_loaded("riched32.dll"));
    EXPECT_FALSE(z.has_loaded("twain_32.dll"));
}

// No text of the program tells the user that something cannot be used yet.
TEST(Program, NoTextSaysNotYetUsable)
{
    std::string program = bench::read_file(bench::exe_folder() + "..\\zote.exe");
    ASSERT_GT(program.size(), 100000u);
    const char not_yet[] = "\x82\xdc\x82\xbe\x8e\x67\x82\xa6\x82\xdc\x82\xb9\x82\xf1";  // "まだ使えません" in cp932
    EXPECT_EQ(program.find(not_yet), std::string::npos);
}
