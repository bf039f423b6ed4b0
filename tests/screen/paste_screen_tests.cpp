// Pastes of many files at once: the window answers between the items of a
// long paste (the busy state keeps the user's input out meanwhile).
#include "tests/screen/screen_bench.h"
#include "browser/model/command_ids.h"
#include "tests/support/clipboard_lock.h"
#include <gtest/gtest.h>

TEST(Paste, ShortcutsOfManyFilesKeepTheWindowAnswering)
{
    bench::clipboard_lock lock;
    screen::picture_folder album("貼付表ソ", 80);
    screen::zote_session z(album.path);
    ASSERT_TRUE(z.running());
    z.chord_key('A', VK_CONTROL);
    z.chord_key('C', VK_CONTROL);
    PostMessageA(z.frame(), WM_COMMAND, CM_PASTE_SHORTCUTS, 0);
    // A shortcut every tenth of a second: the paste still runs after six.
    Sleep(6000);
    DWORD_PTR r;
    EXPECT_TRUE(SendMessageTimeoutA(z.frame(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &r))
        << "the window stopped answering";
    EXPECT_TRUE(z.settle(120000));
    for (int i = 0; i < 80; i++)
        EXPECT_TRUE(GetFileAttributesA(album.file(screen::picture_name(i) + ".lnk").c_str()) != INVALID_FILE_ATTRIBUTES)
            << i;
}
