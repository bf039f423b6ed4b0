// The options dialog run as the real modal dialog: a thread timer, fired by
// the dialog's own message loop once it is idle, plays the user's part.
#include "browser/commands/settings.h"
#include "resources/options_dialog.h"
#include "tests/browser/list_fixtures.h"
#include "tests/browser/settings_fixtures.h"
#include "tests/browser/dialog_player.h"
#include <gtest/gtest.h>
#include <functional>
#include <vector>

namespace {

std::vector<std::pair<int, int>> chooser_calls;  // swatch colour before, offered

int run_dialog(std::function<void(HWND)> part)
{
    dialog_player::arm(part);
    return run_options_dialog(nullptr);
}

int fake_chooser(HWND, COLORREF* colour, COLORREF offered, const char*)
{
    chooser_calls.push_back({int(*colour), int(offered)});
    *colour = 0x123456;
    return 1;
}

using dialog_player::click;

struct options_dialog : ::testing::Test {
    live_settings_kept kept;
    bench::scratch_dir dir;
    void SetUp() override
    {
        list_fixture::reset_list();
        settings_defaults(&browser_list.settings);
        colour_chooser = fake_chooser;
        chooser_calls.clear();
    }
};

TEST_F(options_dialog, OkStoresTheControlsAndTheFileFollows)
{
    browser_list.countfile = 1;
    browser_list.use_lzh[1] = 1;
    int result = run_dialog([](HWND d) {
        EXPECT_EQ(IsDlgButtonChecked(d, IDC_COUNTFILE), UINT(BST_CHECKED));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_COUNTLIMIT)));
        click(d, IDC_COUNTFILE);  // checked -> undecided
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, IDC_COUNTLIMIT)));
        SetDlgItemTextA(d, IDC_COUNTLIMIT, "120");
        click(d, IDC_LZH0 + 1);  // checked -> undecided
        click(d, IDC_LZH0 + 1);  // undecided -> unchecked
        click(d, IDC_KIND0 + KIND_GIF);
        click(d, IDC_TXTICON);  // icon off, content on: the icon box is locked
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_TXTICON)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_KIND0 + KIND_MAG))) << "no plug-in";
        SetDlgItemTextA(d, IDC_TXTEXT, "");
        for (int i = 0; i < 300; i++) SendDlgItemMessageA(d, IDC_TXTEXT, WM_CHAR, 'e', 0);
        EXPECT_EQ(GetWindowTextLengthA(GetDlgItem(d, IDC_TXTEXT)), 255) << "room for the terminator";
        SendMessageA(d, WM_LBUTTONDOWN, 0, MAKELPARAM(19, 362));   // just outside
        SendMessageA(d, WM_LBUTTONDOWN, 0, MAKELPARAM(36, 378));   // toolbar swatch, far corner
        SendMessageA(d, WM_LBUTTONDOWN, 0, MAKELPARAM(37, 378));   // just outside
        SendMessageA(d, WM_LBUTTONDOWN, 0, MAKELPARAM(120, 362));  // the background swatch
        SendMessageA(d, WM_LBUTTONDOWN, 0, MAKELPARAM(20, 426));   // row 3: the selection frame
        click(d, IDOK);
    });
    ASSERT_EQ(result, 1);
    const browser_list_record& l = browser_list;
    EXPECT_EQ(l.countfile, -1);
    EXPECT_EQ(l.countfile_limit, 120);
    EXPECT_EQ(l.use_lzh[1], 0);
    EXPECT_EQ(image_kind_enabled[KIND_GIF], 0);
    EXPECT_EQ(l.settings.txticon, 0);
    EXPECT_EQ(strlen(l.settings.txtext), 255u) << "the edit leaves room for the terminator";
    ASSERT_EQ(chooser_calls.size(), 3u);
    EXPECT_EQ(chooser_calls[0].second, 0xFFDEDE);
    EXPECT_EQ(chooser_calls[1].second, int(GetSysColor(COLOR_WINDOW))) << "the system's window colour";
    EXPECT_EQ(chooser_calls[2].second, 0x0080FF);
    EXPECT_EQ(l.toolbar_colour, 0x123456u);
    EXPECT_EQ(l.colours[1], 0x123456u) << "the selection frame";

    std::string path = dir.file("zote.ini");
    settings_record now;
    snapshot_settings(&now);
    ASSERT_EQ(write_settings_file(path.c_str(), now), 1);
    std::string text = bench::read_file(path);
    for (const char* line : {"countfile=-1\r\n", "countfile_limit=120\r\n", "use_lzh[1]=0\r\n", "GIF=0\r\n",
                             "txticon=0\r\n", "tbcolor=1193046\r\n", "selcolor=1193046\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST_F(options_dialog, CancelAndSmallLimitsChangeNothing)
{
    browser_list.countfile = -1;
    EXPECT_EQ(run_dialog([](HWND d) {
                  SetDlgItemTextA(d, IDC_COUNTLIMIT, "10");
                  click(d, IDOK);
              }),
              1);
    EXPECT_EQ(browser_list.countfile_limit, 50) << "a limit of 10 or less is not taken";
    EXPECT_EQ(run_dialog([](HWND d) {
                  click(d, IDC_STARTFOLDER);
                  click(d, IDCANCEL);
              }),
              0);
    EXPECT_EQ(browser_list.startfolder, 1);
}

// The real chooser: titled with the swatch's label, starting at the working colour.
TEST_F(options_dialog, ChooserShowsTheLabel)
{
    dialog_player::arm([](HWND d) {
        char title[64] = {};
        GetWindowTextA(d, title, sizeof title);
        EXPECT_STREQ(title, "背景色");
        SendMessageA(d, WM_COMMAND, IDOK, 0);
    });
    COLORREF colour = 0x345678;
    EXPECT_EQ(choose_colour(nullptr, &colour, 0xFFFFFF, "背景色"), 1);
    EXPECT_EQ(colour, 0x345678u);
}

}  // namespace
