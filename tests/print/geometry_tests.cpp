// Page units, the paper table and the mapping of a selection onto pages and cells.
#include "tests/print/print_fixtures.h"
#include <gtest/gtest.h>
#include <string>

using print_fixture::fresh_settings;
using print_fixture::job_marks;

namespace {

TEST(PageGeometry, UnitsAndPaperNames)
{
    fresh_settings s;
    EXPECT_EQ(screen_px_to_tenth_mm(96), 254);
    EXPECT_EQ(tenth_mm_to_screen_px(254), 96);
    EXPECT_EQ(std::string(paper_size_text(210, 297)),
              "\x41\x34\x8f\x63\x28\x32\x31\x30\x81\x7e\x32\x39\x37\x6d\x6d\x29");
    for (const paper_row& row : paper_table) {
        std::string text = paper_size_text(row.first, row.second);
        EXPECT_EQ(text.compare(0, strlen(row.name), row.name), 0) << text;
    }
    EXPECT_EQ(std::string(paper_size_text(200, 147)).find("往復ハガキ縦"), 0u);
    EXPECT_EQ(std::string(paper_size_text(209, 296.5)).find("A4縦"), 0u);
    EXPECT_EQ(std::string(paper_size_text(211.5, 297)), "縦212×横297mm");
    EXPECT_EQ(near_mm(10, 11.49), 1);
    EXPECT_EQ(near_mm(10, 11.5), 0);
}

struct run_row {
    int columns, rows, start, poster, fill, selected, count;
    int pages;
    std::vector<int> cells;  // of the first pages
};

TEST(PageGeometry, PagesAndCellsOfARun)
{
    const run_row rows[] = {
        {4, 4, 4, 0, 0, 20, 20, 2, {12, 8, 0}},
        {4, 4, 5, 0, 0, 11, 11, 1, {11, 0}},
        {4, 4, 5, 0, 0, 12, 12, 2, {11, 1}},
        {4, 4, 16, 0, 0, 16, 16, 1, {16}},  // a start of 16 or more counts as 0
        {4, 4, -5, 0, 0, 16, 16, 1, {16}},  // and so does a negative one
        {4, 4, 0, 0, 0, 16, 16, 1, {16, 0}},
        {1, 1, 0, 0, 0, 1, 1, 1, {1}},
        {4, 4, 3, 0, 1, 3, 10, 1, {13}},
        {2, 2, 0, 1, 0, 3, 3, 12, {1, 1}},
        {0, -3, 0, 0, 0, 5, 5, 5, {1, 1}},  // columns and rows count at least 1
        {32767, 32767, 0, 1, 0, 3, 3, PRINT_PAGE_LIMIT, {1}},
    };
    for (const run_row& r : rows) {
        fresh_settings s;
        print_settings_record& rec = print_settings.record;
        rec.columns = r.columns, rec.rows = r.rows, rec.start_cell = r.start, rec.poster = r.poster,
        rec.fill_page = r.fill;
        std::vector<int> marked;
        for (int i = 0; i < r.selected; i++) marked.push_back(i);
        job_marks job(r.count, marked);
        std::string where = std::to_string(r.columns) + "x" + std::to_string(r.rows) + " start " +
                            std::to_string(r.start) + " poster " + std::to_string(r.poster);
        EXPECT_EQ(print_page_count(), r.pages) << where;
        for (size_t p = 0; p < r.cells.size(); p++)
            EXPECT_EQ(cells_on_page((int)p), r.cells[p]) << where << " page " << p;
        if (r.cells.size() == 1 && r.pages < PRINT_PAGE_LIMIT) { EXPECT_EQ(cells_on_page(r.pages), 0) << where; }
        // The last cell of the run completes it.
        int last = r.pages - 1;
        if (r.pages < PRINT_PAGE_LIMIT) {
            EXPECT_DOUBLE_EQ(progress_fraction(last, cells_on_page(last) - 1), 1.0) << where;
        }
    }
}

TEST(PageGeometry, ItemsRepeatInMarkOrderAndPostersKeepOneItemPerImage)
{
    fresh_settings s;
    print_settings.record.fill_page = 1;
    job_marks sheet(10, {2, 5, 9});
    const int expected[] = {2, 5, 9, 2, 5, 9, 2};
    for (int c = 0; c < 7; c++) EXPECT_EQ(item_of_cell(0, c), expected[c]) << c;

    print_settings.record.fill_page = 0;
    print_settings.record.poster = 1;
    print_settings.record.columns = 2;
    print_settings.record.rows = 3;
    job_marks poster(4, {1, 3});
    for (int p = 0; p < 12; p++) EXPECT_EQ(item_of_cell(p, 0), p < 6 ? 1 : 3) << p;

    job_marks none(4, {});
    EXPECT_EQ(item_of_cell(0, 0), -1);
}

}  // namespace
