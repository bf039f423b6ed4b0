// Pastes of many files at once: the window answers between the items of a
// long paste (the busy state keeps the user's input out meanwhile), and Esc
// ends it there, saying how many items it made.
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

TEST(Paste, EscEndsAShortcutPasteAndSaysHowManyItMade)
{
    bench::clipboard_lock lock;
    screen::picture_folder album("貼付表ソ", 80);
    screen::zote_session z(album.path);
    ASSERT_TRUE(z.running());
    z.chord_key('A', VK_CONTROL);
    z.chord_key('C', VK_CONTROL);
    auto made = [&] {
        int n = 0;
        for (int i = 0; i < 80; i++)
            n += GetFileAttributesA(album.file(screen::picture_name(i) + ".lnk").c_str()) != INVALID_FILE_ATTRIBUTES;
        return n;
    };
    PostMessageA(z.frame(), WM_COMMAND, CM_PASTE_SHORTCUTS, 0);
    // The paste has begun once its first shortcut is there.
    for (DWORD start = GetTickCount(); made() == 0 && GetTickCount() - start < 30000;) Sleep(20);
    ASSERT_GT(made(), 0);
    z.key(VK_ESCAPE);
    std::vector<HWND> boxes = z.other_windows();
    ASSERT_EQ(boxes.size(), 1u);
    int n = made();
    EXPECT_LT(n, 80);
    EXPECT_EQ(screen::window_text(GetDlgItem(boxes[0], 0xFFFF)),
              "貼付を中止しました．\n80個のうち" + std::to_string(n) + "個を貼り付けました．");
    z.key(VK_RETURN);
    EXPECT_TRUE(z.other_windows().empty());
}
