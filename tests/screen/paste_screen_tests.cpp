// Pastes of many files at once: the window answers between the items of a
// long paste (the busy state keeps the user's input out meanwhile), and Esc
// ends it there, saying how many items it made.
#include "tests/screen/screen_bench.h"
#include "browser/model/command_ids.h"
#include "tests/support/clipboard_lock.h"
#include <gtest/gtest.h>

namespace {
// 80 pictures copied and pasted again as shortcuts, one a tenth of a second:
// the paste has begun once its first shortcut is there.
struct shortcut_paste {
    bench::clipboard_lock lock;
    screen::picture_folder album{"貼付表ソ", 80};
    screen::zote_session z{album.path};
    int made() const
    {
        int n = 0;
        for (int i = 0; i < 80; i++)
            n += GetFileAttributesA(album.file(screen::picture_name(i) + ".lnk").c_str()) != INVALID_FILE_ATTRIBUTES;
        return n;
    }
    bool begin()
    {
        if (!z.running()) return false;
        z.chord_key('A', VK_CONTROL);
        z.chord_key('C', VK_CONTROL);
        PostMessageA(z.frame(), WM_COMMAND, CM_PASTE_SHORTCUTS, 0);
        for (DWORD start = GetTickCount(); made() == 0 && GetTickCount() - start < 30000;) Sleep(20);
        return made() > 0;
    }
};
}  // namespace

TEST(Paste, ShortcutsOfManyFilesKeepTheWindowAnswering)
{
    shortcut_paste p;
    ASSERT_TRUE(p.begin());
    DWORD_PTR r;
    EXPECT_TRUE(SendMessageTimeoutA(p.z.frame(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &r))
        << "the window stopped answering";
    EXPECT_LT(p.made(), 80) << "the paste ended before the window was asked";
    EXPECT_TRUE(p.z.settle(120000));
    EXPECT_EQ(p.made(), 80);
}

TEST(Paste, EscEndsAShortcutPasteAndSaysHowManyItMade)
{
    shortcut_paste p;
    ASSERT_TRUE(p.begin());
    p.z.key(VK_ESCAPE);
    std::vector<HWND> boxes = p.z.other_windows();
    ASSERT_EQ(boxes.size(), 1u);
    int n = p.made();
    EXPECT_LT(n, 80);
    EXPECT_EQ(screen::window_text(GetDlgItem(boxes[0], 0xFFFF)),
              "貼付を中止しました．\n80個のうち" + std::to_string(n) + "個を貼り付けました．");
    p.z.key(VK_RETURN);
    EXPECT_TRUE(p.z.other_windows().empty());
}
