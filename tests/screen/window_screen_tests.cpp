// Entries that open a window of their own: a double click on a script file
// (a name ending in ".a.txt") starts another instance, which runs the script
// in its console window, titled with the script's path.
#include "tests/screen/screen_bench.h"
#include <gtest/gtest.h>

TEST(NewWindow, ScriptEntryOpensAWindowOfItsOwn)
{
    screen::picture_folder album("台本表", 2);
    bench::write_file(album.file("実行ソ.a.txt"), "// 何もしない能\r\n");
    screen::zote_session z(album.path);
    ASSERT_TRUE(z.running());
    z.double_click(z.page_grid().centre(2));  // after the two pictures
    HWND script = screen::zote_session::window_titled("\\台本表\\実行ソ.a.txt", 30000);
    ASSERT_NE(script, nullptr) << "no window for the script";
    DWORD pid = 0;
    GetWindowThreadProcessId(script, &pid);
    EXPECT_NE(pid, z.process_id());
    EXPECT_TRUE(screen::close_window_process(script));
    EXPECT_TRUE(z.settle());  // the script asked every window to reload
}
