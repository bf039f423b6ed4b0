// Saving in another format from the running program: "A" on a JPEG and
// Enter in the dialog would encode the photo again over itself; the program
// asks first, and Enter on that question keeps the original.
#include "tests/screen/screen_bench.h"
#include <gtest/gtest.h>

TEST(SaveAs, EnterTwiceKeepsAJpegThatWouldBeEncodedOverItself)
{
    bench::scratch_dir dir;
    std::string folder = dir.file("写真表"), photo = folder + "\\IMG_0007ソ.JPG";
    CreateDirectoryA(folder.c_str(), nullptr);
    screen::write_picture(photo, 640, 480, screen::picture_colour(0));
    std::string original = bench::read_file(photo);
    screen::zote_session z(folder);
    ASSERT_TRUE(z.running());
    z.move_to(z.page_grid().centre(0));
    z.key('A');
    ASSERT_EQ(z.other_windows().size(), 1u) << "the save dialog";
    z.key(VK_RETURN);
    std::vector<HWND> boxes = z.other_windows();
    ASSERT_EQ(boxes.size(), 1u) << "no question before the photo is encoded again";
    EXPECT_NE(screen::box_text(boxes[0]).find("上書きしてよろしいですか？"), std::string::npos);
    z.key(VK_RETURN);
    EXPECT_TRUE(z.other_windows().empty());
    EXPECT_TRUE(bench::read_file(photo) == original);
}
