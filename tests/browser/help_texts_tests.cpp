// The status line's texts: kind texts of every entry kind, the help text by
// kind and marks, the toolbar buttons' texts, and the navigation helpers
// (path segments, the folder-tree switch).
#include "browser/model/file_kind.h"
#include "browser/commands/keys.h"
#include "browser/commands/toolbar.h"
#include "browser/grid/selection.h"
#include "tests/browser/keys_fixtures.h"

using namespace keys_fixture;

namespace {
std::string kind_text(void (*set)(file_kind&))
{
    file_kind k;
    k.plain = 1;
    set(k);
    char out[256];
    entry_kind_text(&k, out, sizeof out);
    return out;
}
}  // namespace

TEST(HelpTexts, KindTextOfEveryKind)
{
    struct kind_case {
        void (*set)(file_kind&);
        const char* text;
    };
    const kind_case cases[] = {
        {[](file_kind& k) { k.drive_root = 1; }, "ﾄﾞﾗｲﾌﾞ"},
        {[](file_kind& k) {
             k.shortcut = 1;
             k.file_size = 2000;
         },
         "ﾘﾝｸ 2.0KB"},
        {[](file_kind& k) {
             k.archive = 2;
             k.summary.other_count = 5;
             k.file_size = 3000;
         },
         "圧縮 +5 3.0KB"},
        {[](file_kind& k) {
             k.text = 1;
             k.kanji_code = 2;
             k.file_size = 1000;
         },
         "EUCﾃｷｽﾄ 1.0KB"},
        {[](file_kind& k) {
             k.text = 1;
             k.kanji_code = 3;
             k.file_size = 1000;
         },
         "ﾃｷｽﾄ 1.0KB"},
        {[](file_kind& k) {
             k.text = 1;
             k.kanji_code = -1;
             k.file_size = 1000;
         },
         "ﾃｷｽﾄ 1.0KB"},
        {[](file_kind& k) { k.file_size = 4000; }, "ﾌｧｲﾙ 4.0KB"},
    };
    for (const kind_case& c : cases) EXPECT_EQ(kind_text(c.set), c.text);
    EXPECT_EQ(kind_text([](file_kind& k) { k.image_kind = 6; }).substr(0, 4), "JPG ");
    EXPECT_EQ(kind_text([](file_kind& k) { k.image_kind = 17; }).substr(0, 4), "WMF ");
}

TEST(HelpTexts, EntryHelpByMarksAndToolbarTexts)
{
    bench::scratch_dir dir;
    images(dir, "help", 3);
    browser_page page(800, 600);
    page.load(dir.file("help"));
    char help[512], kind[512];
    LPARAM at = page.centre(1, 0);
    list_help_texts(page.window(), at, help, kind, sizeof help);
    EXPECT_STREQ(help, "ﾀﾞﾌﾞﾙｸﾘｯｸ=拡大｜Ctrl(+Shift)+ｸﾘｯｸ=(ここ迄)選択｜右ｸﾘｯｸ,App,M=ﾒﾆｭｰ");
    toggle_mark(1);
    list_help_texts(page.window(), at, help, kind, sizeof help);
    EXPECT_STREQ(help, "ﾀﾞﾌﾞﾙｸﾘｯｸ=拡大｜Ctrl+ｸﾘｯｸ=選択解除｜右ｸﾘｯｸ,App,M=ﾒﾆｭｰ");
    list_help_texts(page.window(), page.point(5, 100), help, kind, sizeof help);
    EXPECT_EQ(std::string(kind), "一覧ｻｲｽﾞ " + std::to_string(int(browser_list.thumb_size)) + "*" +
                                     std::to_string(int(browser_list.thumb_size)));
    struct bar_case {
        toolbar_hit hit;
        const char* text;
    };
    const bar_case bars[] = {
        {{BAR_BUTTON, 1}, "親ﾌｫﾙﾀﾞへ(BackSpace)"},
        {{BAR_BUTTON, 7}, "一覧ｻｲｽﾞを横 2 枚分にする(2)"},
        {{BAR_BUTTON, 15}, "一覧ｻｲｽﾞを横 10 枚分にする"},
        {{BAR_SPECIAL, 4}, "ｸﾘｯｸ,Esc=ﾌｫﾙﾀﾞ選択ﾂﾘｰ｜右ｸﾘｯｸ,App,M=履歴"},
        {{BAR_TREE_SWITCH, 0}, "ｸﾘｯｸ=ｻﾌﾞﾌｫﾙﾀﾞを全展開｜右ｸﾘｯｸ,App,M=ﾌｫﾙﾀﾞﾒﾆｭｰ｜Ctrl+ｸﾘｯｸ=新規ｳｲﾝﾄﾞｳ"},
        {{BAR_LEFT_MARGIN, 0}, ""},
    };
    for (const bar_case& b : bars) {
        EXPECT_TRUE(toolbar_help_text(b.hit, help, sizeof help));
        EXPECT_STREQ(help, b.text);
    }
    // At a point of the toolbar line as drawn: the parent button atop the strip.
    _selectpage(0, 1);
    draw_toolbar();
    ASSERT_GT(browser_list.strip_bottom[0], browser_list.strip_top[0]);
    LPARAM parent =
        MAKELPARAM(browser_list.left_margin / 2, (browser_list.strip_top[0] + browser_list.strip_bottom[0]) / 2);
    EXPECT_TRUE(bar_help_text(page.window(), parent, help, sizeof help));
    EXPECT_STREQ(help, "親ﾌｫﾙﾀﾞへ(BackSpace)");
}

TEST(Navigation, PathSegmentsAndTheTreeSwitch)
{
    bench::scratch_dir dir;
    images(dir, "nav\\deep", 2);
    browser_page page(800, 600);
    page.load(dir.file("nav\\deep"));
    char folder[MAX_PATH];
    ASSERT_TRUE(path_segment_folder(1, folder));
    EXPECT_EQ(std::string(folder), std::string(current_folder.folder).substr(0, 3));
    int parts = 1;
    for (const char* p = current_folder.folder; *p; p++) parts += *p == '\\';
    ASSERT_TRUE(path_segment_folder(parts, folder));
    EXPECT_STREQ(folder, current_folder.folder);
    EXPECT_FALSE(path_segment_folder(parts + 1, folder));
    ASSERT_TRUE(path_segment_folder(parts - 1, folder));
    EXPECT_EQ(std::string(folder), dir.file("nav"));
    // -2 sets all levels, -1 toggles between none and all, 0 one level, n stays n.
    struct expand_case {
        int from, requested, to;
    };
    const expand_case cases[] = {{0, -2, -1}, {0, -1, -1}, {-1, -1, 0}, {0, 0, 1}, {2, 0, 0}, {0, 3, 3}};
    for (const expand_case& c : cases)
        EXPECT_EQ(next_expand_state(c.from, c.requested, 1), c.to) << c.from << " " << c.requested;
    EXPECT_EQ(next_expand_state(0, -1, 0), 0);
    // In the drive list, expanding everything asks first; No leaves the state.
    current_folder.drive_list = 1;
    bench::install_message_box_seam(IDNO);
    confirm_expand_all(-2, 1);
    EXPECT_EQ(browser_list.tree_depth, 0);
    ASSERT_EQ(bench::message_boxes.size(), 1u);
    EXPECT_EQ(bench::message_boxes[0].text, "本当にﾏｲｺﾝﾋﾟｭｰﾀを全展開しますか?");
    current_folder.drive_list = 0;
}
