// The small dialogs run as the real modal dialogs, the user's part played by
// a thread timer in their own loop (dialog_player.h).
#include "browser/archives/archive_folder.h"
#include "browser/operations/small_dialogs.h"
#include "browser/model/browser_list.h"
#include "browser/model/busy.h"
#include "browser/caches/thumb_cache.h"
#include "browser/grid/grid.h"
#include "tests/browser/list_fixtures.h"
#include "resources/small_dialogs.h"
#include "tests/browser/dialog_player.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
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
    // Five pages of names on a real page over a real folder; hits on the
    // first, third and fourth page.
    bench::scratch_dir dir;
    list_fixture::browser_page page(1000, 700);
    browser_list.count = 1;
    compute_grid(1000, 700);
    const int per_page = browser_list.per_page, rows = browser_list.rows;
    ASSERT_GT(per_page, 1);
    for (int i = 0; i < 5 * per_page; i++) {
        bool hit = i == 1 || i == 2 * per_page + 1 || i == 3 * per_page + 2;
        char name[64];
        snprintf(name, sizeof name, "表\\n%03d%s", i, hit ? "表hit.jpg" : ".jpg");
        dir.write(name, "x");
    }
    ASSERT_TRUE(change_folder(dir.file("表").c_str()));
    load_folder(nullptr, 0, 0, nullptr, 0);
    ASSERT_EQ(browser_list.count, 5 * per_page);
    ASSERT_EQ(browser_list.per_page, per_page);
    std::vector<int> shown_rows;
    std::vector<std::string> titles;
    int redraws = browser_list.reload_counter, busy_seen = 0;
    auto seen = [&] {
        shown_rows.push_back(browser_list.first_row);
        std::string t = page.title();
        titles.push_back(t.substr(t.find("画像 ") + strlen("画像 ")));
    };
    dialog_player::arm([&](HWND d) {
        busy_seen = busy_state.counter;
        type(d, IDC_FIELD0, "表HIT");
        for (int press = 0; press < 4; press++) {
            click(d, IDOK);
            seen();
        }
        type(d, IDC_FIELD0, "absent");
        click(d, IDOK);
        seen();
        type(d, IDC_FIELD0, "");
        click(d, IDOK);  // an empty text matches the next page's first name
        seen();
        click(d, IDCANCEL);
    });
    search_text[0] = 'x';
    bench::message_boxes.clear();
    open_search_dialog();
    EXPECT_GT(busy_seen, 0);
    // Hits on page 3, 4, 1 (wrapping), 3 again; no hit keeps the page.
    EXPECT_EQ(shown_rows, (std::vector<int>{2 * rows, 3 * rows, 0, 2 * rows, 2 * rows, 3 * rows}));
    EXPECT_EQ(titles, (std::vector<std::string>{"3/5頁 - ZOTE1.67", "4/5頁 - ZOTE1.67", "1/5頁 - ZOTE1.67",
                                                "3/5頁 - ZOTE1.67", "3/5頁 - ZOTE1.67", "4/5頁 - ZOTE1.67"}));
    EXPECT_EQ(browser_list.reload_counter - redraws, 5);  // every move but the one without a hit
    ASSERT_EQ(bench::message_boxes.size(), 1u);
    EXPECT_EQ(bench::message_boxes[0].text, "文字列「absent」を含む画像ファイルはありません．");
    EXPECT_EQ(busy_state.counter, 0);
}
