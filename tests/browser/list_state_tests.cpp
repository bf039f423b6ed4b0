// The state record's defaults, the visible range and the record layouts.
#include "browser/model/browser_list.h"
#include "browser/model/file_kind.h"
#include "tests/browser/list_fixtures.h"
#include <gtest/gtest.h>
#include <cstring>

TEST(BrowserList, DefaultsAfterStart)
{
    // Defaults go to a record of the test's own: other tests change the global one.
    static browser_list_record fresh;
    memset(&fresh, 0x5A, sizeof fresh);
    browser_list_defaults(fresh);
    const browser_list_record& l = fresh;
    struct {
        const char* field;
        long long got, want;
    } table[] = {
        {"page", l.page, 1},
        {"toolbar colour", (long long)l.toolbar_colour, 0xFFDEDE},
        {"time", l.time, 0},
        {"timetrans", l.timetrans, 1},
        {"fldfirst", l.fldfirst, 1},
        {"sort key 0", l.sort_key[0], 0},
        {"sort key 1", l.sort_key[1], 0},
        {"direction", l.sort_direction, 1},
        {"background", (long long)l.colours[0], (long long)GetSysColor(COLOR_WINDOW)},
        {"colour 1", (long long)l.colours[1], 0x808080},
        {"colour 2", (long long)l.colours[2], 0},
        {"colour 3", (long long)l.colours[3], 0xFF0000},
        {"colour 4", (long long)l.colours[4], 0x808080},
        {"colour 5", (long long)l.colours[5], 0x0080FF},
        {"colour 6", (long long)l.colours[6], 0x808080},
        {"colour 7", (long long)l.colours[7], 0},
        {"use_lzh 0", l.use_lzh[0], 1},
        {"use_lzh 3", l.use_lzh[3], 1},
        {"countfile", l.countfile, -1},
        {"countfile limit", l.countfile_limit, 50},
        {"startfolder", l.startfolder, 1},
        {"picext", l.picext, 0},
        {"checkdisp", l.checkdisp, 1},
        {"left margin", l.left_margin, 20},
        {"top margin", l.top_margin, 20},
        {"label gap", l.label_gap, 14},
        {"thumb size x 10", (long long)(l.thumb_size * 10), 1280},
        {"busy time", l.busy_time, 1500},
    };
    for (auto& row : table) EXPECT_EQ(row.got, row.want) << row.field;
    EXPECT_EQ(l.count, 0);
    EXPECT_EQ(l.records, nullptr);
    browser_list_init();
    EXPECT_NE(browser_list.popup.handle, nullptr) << "start-up makes the popup menu";
}

TEST(BrowserList, LastVisibleIndex)
{
    browser_list_record saved = browser_list;
    struct {
        int first_row, columns, per_page, count, want;
    } table[] = {
        {0, 4, 12, 30, 11},
        {2, 4, 12, 30, 19},
        {6, 4, 12, 30, 29},
        {0, 4, 12, 0, -1},
    };
    for (auto& row : table) {
        browser_list.first_row = row.first_row;
        browser_list.columns = row.columns;
        browser_list.per_page = row.per_page;
        browser_list.count = row.count;
        EXPECT_EQ(last_visible_index(), row.want) << row.first_row << " " << row.count;
    }
    browser_list = saved;
}

TEST(EntrySnapshot, FieldByFieldRoundTrip)
{
    file_kind k;
    k.classified = 1;
    k.plain = 1;
    k.image_kind = 6;
    k.rotation = -1;
    k.kanji_code = 3;
    k.cut_mark = 1;
    k.file_size = 0x12345678;
    k.width = 640;
    k.height = 480;
    k.write_time = 0x0123456789ABCDEFULL;
    k.size_on_disk = 4096.5;
    k.xres = 72;
    k.yres = 96;
    k.summary.image_count = 7;
    k.summary.total_bytes = 1.5f;
    k.summary.incomplete = 1;
    k.drive_type = 3;
    unsigned char bytes[ENTRY_SNAPSHOT_BYTES];
    memset(bytes, 0xAA, sizeof bytes);
    write_entry_snapshot(k, bytes);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[4], 1);      // plain
    EXPECT_EQ(bytes[20], 0x78);  // file size, little-endian
    EXPECT_EQ(bytes[32], 0xEF);  // time
    EXPECT_EQ(bytes[56], 7);     // summary
    EXPECT_EQ(bytes[112], 3);    // drive type
    for (int i = 116; i < ENTRY_SNAPSHOT_BYTES; i++) EXPECT_EQ(bytes[i], 0) << i;
    file_kind back;
    read_entry_snapshot(bytes, &back);
    EXPECT_EQ(memcmp(&back.classified, &k.classified, offsetof(file_kind_base_data, stored_name)), 0);
}
