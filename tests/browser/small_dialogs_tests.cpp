// The small dialogs run as the real modal dialogs, the user's part played by
// a thread timer in their own loop (dialog_player.h).
#include "browser/operations/small_dialogs.h"
#include "browser/model/browser_list.h"
#include "browser/model/busy.h"
#include "browser/caches/thumb_cache.h"
#include "browser/model/window_hook.h"
#include "resources/small_dialogs.h"
#include "tests/browser/dialog_player.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

using dialog_player::click;
using dialog_player::text_of;
using dialog_player::type;

TEST(SmallDialogs, ThumbnailSize)
{
    bench::install_message_box_seam(IDOK);
    struct {
        const char* typed;
        int button;
        int result;
        size_t boxes;
    } cases[] = {
        {"64", IDOK, 64, 0},     {"5000", IDOK, 5000, 0}, {"63", IDCANCEL, 0, 1},
        {"abc", IDCANCEL, 0, 1}, {"100", IDCANCEL, 0, 0},
    };
    for (auto& c : cases) {
        bench::message_boxes.clear();
        std::string shown;
        dialog_player::arm([&](HWND d) {
            shown = text_of(d, IDC_FIELD0);
            type(d, IDC_FIELD0, c.typed);
            if (c.boxes) click(d, IDOK);  // refused: the dialog stays
            click(d, c.button);
        });
        EXPECT_EQ(open_thumb_size_dialog(128), c.result) << c.typed;
        EXPECT_EQ(shown, "128");
        EXPECT_EQ(bench::message_boxes.size(), c.boxes) << c.typed;
    }
}

TEST(SmallDialogs, CacheSettings)
{
    bench::install_message_box_seam(IDOK);
    bench::scratch_dir dir;
    scoped_restore<thumb_cache_dir> keep(thumb_cache.dir);
    cache_init(&thumb_cache.dir);
    thumb_cache.dir.cache_size = 5;
    thumb_cache.dir.cachemag = 2.5;
    struct {
        const char* size;
        const char* mag;
        std::string folder;
        int result;
        size_t boxes;
    } cases[] = {
        {"-1", "1", dir.path(), 0, 1},
        {"1", "-1", dir.path(), 0, 1},
        {"1", "1", dir.file("missing"), 0, 1},
        {"0", "0", dir.path(), 1, 0},
    };
    for (auto& c : cases) {
        bench::message_boxes.clear();
        dialog_player::arm([&](HWND d) {
            type(d, IDC_FIELD0, c.size);
            type(d, IDC_FIELD1, c.mag);
            type(d, IDC_FIELD2, c.folder.c_str());
            click(d, IDOK);
            if (!bench::message_boxes.empty()) click(d, IDCANCEL);  // refused: the dialog stayed
        });
        EXPECT_EQ(open_cache_dialog(), c.result) << c.size << c.mag << c.folder;
        EXPECT_EQ(bench::message_boxes.size(), c.boxes);
    }
    EXPECT_EQ(thumb_cache.dir.cache_size, 0);
    EXPECT_EQ(thumb_cache.dir.cachemag, 0.0);
    EXPECT_EQ(std::string(thumb_cache.dir.primary_root), std::string(dir.path()) + "\\");

    // The defaults fill the fields but change nothing until OK.
    std::string shown_mag;
    dialog_player::arm([&](HWND d) {
        click(d, IDC_DEFAULTS);
        shown_mag = text_of(d, IDC_FIELD1);
        click(d, IDCANCEL);
    });
    EXPECT_EQ(open_cache_dialog(), 0);
    EXPECT_EQ(shown_mag, "1.00");
    EXPECT_EQ(thumb_cache.dir.cache_size, 0);
}

TEST(SmallDialogs, SearchWalksPagesAndHoldsTheList)
{
    bench::install_message_box_seam(IDOK);
    scoped_restore<browser_list_record> keep(browser_list);
    scoped_restore<browser_ui_hook_table> keep_ui(browser_ui_hooks);
    int redraws = 0;
    static int* redraw_count;
    redraw_count = &redraws;
    browser_ui_hooks.redraw_list = [] { ++*redraw_count; };
    std::vector<std::string> text;
    for (int i = 0; i < 20; i++)
        text.push_back("n" + std::to_string(i) + (i == 1 || i == 9 || i == 14 ? "表hit.jpg" : ".jpg"));
    std::vector<char*> names;
    for (std::string& t : text) names.push_back(&t[0]);
    browser_list.names = names.data();
    browser_list.count = 20;
    browser_list.columns = 2;
    browser_list.rows = 2;  // four entries a page
    browser_list.first_row = 0;
    std::vector<int> rows;
    int busy_seen = 0;
    dialog_player::arm([&](HWND d) {
        busy_seen = busy_state.counter;
        type(d, IDC_FIELD0, "表HIT");
        for (int press = 0; press < 4; press++) {
            click(d, IDOK);
            rows.push_back(browser_list.first_row);
        }
        type(d, IDC_FIELD0, "absent");
        click(d, IDOK);
        rows.push_back(browser_list.first_row);
        type(d, IDC_FIELD0, "");
        click(d, IDOK);  // an empty text matches the next page's first name
        rows.push_back(browser_list.first_row);
        click(d, IDCANCEL);
    });
    search_text[0] = 'x';
    open_search_dialog();
    EXPECT_GT(busy_seen, 0);
    // Hits at 9 (page 2), 14 (page 3), 1 (page 0, wrapping), 9 again; no hit keeps the page.
    EXPECT_EQ(rows, (std::vector<int>{4, 6, 0, 4, 4, 6}));
    EXPECT_EQ(redraws, 5);  // every move but the one without a hit
    ASSERT_EQ(bench::message_boxes.size(), 1u);
    EXPECT_EQ(bench::message_boxes[0].text, "文字列「absent」を含む画像ファイルはありません．");
    EXPECT_EQ(busy_state.counter, 0);
}
