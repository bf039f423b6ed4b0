// The print settings record on disk: its layout, defaults, round trip, other
// versions, short and hostile files, where named files land, and the pixel budget.
#include "tests/print/print_fixtures.h"
#include "print/print.h"
#include <gtest/gtest.h>
#include <cstring>

using print_fixture::fresh_settings;

namespace {

struct offset_row {
    size_t offset, expected;
    const char* field;
};

TEST(PrintSettings, EveryFieldSitsAtItsOffset)
{
#define ROW(f, o)                                 \
    {                                             \
        offsetof(print_settings_record, f), o, #f \
    }
    const offset_row rows[] = {
        ROW(version, 0),
        ROW(gap_x, 4),
        ROW(gap_y, 8),
        ROW(margin_left, 12),
        ROW(margin_top, 16),
        ROW(margin_right, 20),
        ROW(margin_bottom, 24),
        ROW(centre_on_paper, 28),
        ROW(columns, 32),
        ROW(rows, 36),
        ROW(poster, 40),
        ROW(fixed_cell_size, 44),
        ROW(cell_width_mm, 48),
        ROW(cell_height_mm, 52),
        ROW(turn_to_fit, 56),
        ROW(square_cells, 60),
        ROW(header_folder, 64),
        ROW(header_align, 68),
        ROW(fill_page, 72),
        ROW(size_mode, 76),
        ROW(align_y, 80),
        ROW(align_x, 84),
        ROW(show_date, 88),
        ROW(show_size, 92),
        ROW(show_time, 96),
        ROW(info_align, 100),
        ROW(caption_comment, 104),
        ROW(caption_name, 108),
        ROW(keep_number_prefix, 112),
        ROW(caption_at_picture, 116),
        ROW(printer_quirk, 120),
        ROW(pixel_budget, 124),
        ROW(pixel_budget_text, 128),
        ROW(header_page_number, 228),
        ROW(page_number_base, 232),
        ROW(header_height, 236),
        ROW(header_font, 240),
        ROW(caption_font, 244),
        ROW(info_font, 248),
        ROW(dib_mode, 252),
        ROW(start_cell, 256),
        ROW(frame, 260),
        ROW(crop, 264),
        ROW(title, 268),
    };
#undef ROW
    for (const offset_row& r : rows) EXPECT_EQ(r.offset, r.expected) << r.field;
}

int32_t word_at(const std::string& bytes, size_t offset)
{
    int32_t w;
    memcpy(&w, bytes.data() + offset, 4);
    return w;
}

TEST(PrintSettings, SavedDefaultsAreTheDocumentedBytes)
{
    fresh_settings s;
    print_settings.record.pixel_budget = 0;
    ASSERT_EQ(save_print_settings(&print_settings.record, nullptr), 1);
    std::string bytes = bench::read_file(s.dir.file("print.p"));
    ASSERT_EQ(bytes.size(), 524u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x2d\0\0\0", 4));
    const std::pair<size_t, int32_t> words[] = {
        {4, 20}, {8, 20}, {12, 0},  {32, 4},  {36, 4},   {48, 40},  {52, 40}, {56, 1},  {68, 2},  {76, 1},
        {80, 1}, {84, 1}, {100, 2}, {232, 1}, {236, 15}, {240, 10}, {244, 9}, {248, 8}, {252, 0}, {256, 0},
    };
    for (auto& w : words) EXPECT_EQ(word_at(bytes, w.first), w.second) << "offset " << w.first;
    EXPECT_EQ(std::string(bytes.data() + 128), "1152*864*5");
    EXPECT_EQ(bytes[268], 0);
}

TEST(PrintSettings, EveryFieldChangedComesBackAndOtherVersionsChangeNothing)
{
    fresh_settings s;
    print_settings_record changed;
    unsigned char* p = reinterpret_cast<unsigned char*>(&changed);
    for (size_t i = 0; i < sizeof changed; i++) p[i] = (unsigned char)(i * 7 + 1);
    changed.version = PRINT_SETTINGS_VERSION;
    // Every field changed within its range: loading keeps values in range.
    clamp_print_settings(&changed);
    ASSERT_EQ(save_print_settings(&changed, "mine"), 1);
    print_settings_record back = print_settings.record;
    EXPECT_EQ(load_print_settings(&back, "mine"), 1);
    EXPECT_EQ(memcmp(&back, &changed, sizeof back), 0);

    // A version-44 file leaves the record byte for byte and says so.
    changed.version = 44;
    ASSERT_EQ(save_print_settings(&changed, "old"), 1);
    print_settings_record before = print_settings.record, after = before;
    int other = 0;
    EXPECT_EQ(load_print_settings(&after, "old", &other), 0);
    EXPECT_EQ(other, 1);
    EXPECT_EQ(memcmp(&before, &after, sizeof after), 0);
    // A missing file is no other version: nothing to offer for deletion.
    EXPECT_EQ(load_print_settings(&after, "absent", &other), 0);
    EXPECT_EQ(other, 0);
}

TEST(PrintSettings, ShortAndHostileFilesLoadOnlyWhatTheyHoldAndTextsEnd)
{
    fresh_settings s;
    struct row {
        std::string bytes;
        int ok;
    };
    std::string header("\x2d\0\0\0", 4);
    std::string hundred = header;
    for (int i = 0; i < 24; i++) hundred += std::string("\x02\0\0\0", 4);
    std::string full = header + std::string(520, 'A');
    const row rows[] = {{"", 0}, {std::string("\x2d\0", 2), 0}, {hundred, 1}, {full, 1}, {full + "tail", 1}};
    for (const row& r : rows) {
        bench::write_file(s.dir.file("print setting\\f"), r.bytes);
        print_settings_record rec = print_settings.record;
        EXPECT_EQ(load_print_settings(&rec, "f"), r.ok) << r.bytes.size();
        if (r.bytes.size() == 100) {
            EXPECT_EQ(rec.columns, 2);
            EXPECT_EQ(rec.header_font, 10) << "words past the file keep their values";
        }
        EXPECT_LT(strlen(rec.pixel_budget_text), sizeof rec.pixel_budget_text);
        EXPECT_LT(strlen(rec.title), sizeof rec.title);
    }
}

TEST(PrintSettings, HandEditedValuesAreBroughtIntoTheirRangesOnLoad)
{
    fresh_settings s;
    struct row {
        size_t offset;
        int32_t written, loaded;
    };
    const row rows[] = {
        {offsetof(print_settings_record, gap_y), 2000000000, 10000},
        {offsetof(print_settings_record, gap_x), -40, 0},
        {offsetof(print_settings_record, margin_top), -1, 0},
        {offsetof(print_settings_record, columns), 0, 1},
        {offsetof(print_settings_record, rows), 100000, 32767},
        {offsetof(print_settings_record, cell_width_mm), -3, 1},
        {offsetof(print_settings_record, turn_to_fit), 5, 1},
        {offsetof(print_settings_record, turn_to_fit), -7, -1},
        {offsetof(print_settings_record, header_align), 3, 2},
        {offsetof(print_settings_record, size_mode), -2, 0},
        {offsetof(print_settings_record, align_x), 9, 2},
        {offsetof(print_settings_record, frame), 7, 1},
        {offsetof(print_settings_record, header_font), 1 << 30, 1000},
        {offsetof(print_settings_record, info_font), -8, 0},
        {offsetof(print_settings_record, start_cell), -5, 0},
        {offsetof(print_settings_record, page_number_base), 0x7fffffff, 1000000},
        {offsetof(print_settings_record, dib_mode), 4, 1},
        {offsetof(print_settings_record, pixel_budget), 123, 4976640},
        {offsetof(print_settings_record, columns), 7, 7},
    };
    for (const row& r : rows) {
        print_settings_record written = print_settings.record;
        memcpy(reinterpret_cast<char*>(&written) + r.offset, &r.written, 4);
        ASSERT_EQ(save_print_settings(&written, "表ソ能"), 1);
        print_settings_record loaded = print_settings.record;
        ASSERT_EQ(load_print_settings(&loaded, "表ソ能"), 1);
        int32_t v;
        memcpy(&v, reinterpret_cast<char*>(&loaded) + r.offset, 4);
        EXPECT_EQ(v, r.loaded) << "offset " << r.offset << " written " << r.written;
    }

    // The largest gap a file can give still leaves cells of a positive size.
    print_settings.page_width = 794, print_settings.page_height = 1123;
    print_settings_record& rec = print_settings.record;
    rec.gap_x = rec.gap_y = 2000000000;
    ASSERT_EQ(save_print_settings(&rec, "gap"), 1);
    ASSERT_EQ(load_print_settings(&rec, "gap"), 1);
    layout_cells();
    EXPECT_GT(print_settings.cell_width, 0);
    EXPECT_GT(print_settings.cell_height, 0);
}

TEST(PrintSettings, NamedFilesLandInTheSettingsFolderOnly)
{
    fresh_settings s;
    for (const char* name : {"D:\\x\\y.pset", "D:y.pset", "y.pset"}) {
        DeleteFileA(s.dir.file("print setting\\y.pset").c_str());
        ASSERT_EQ(save_print_settings(&print_settings.record, name), 1) << name;
        EXPECT_EQ(bench::read_file(s.dir.file("print setting\\y.pset")).size(), 524u) << name;
    }
    EXPECT_EQ(GetFileAttributesA("D:\\x\\y.pset"), INVALID_FILE_ATTRIBUTES);
}

TEST(PrintSettings, AFailedSaveKeepsTheOldFile)
{
    fresh_settings s;
    ASSERT_EQ(save_print_settings(&print_settings.record, "kept"), 1);
    std::string path = s.dir.file("print setting\\kept");
    // The temporary name is taken by a folder: the write fails, the old file stays.
    CreateDirectoryA((path + ".new").c_str(), nullptr);
    print_settings_record other = print_settings.record;
    other.columns = 9;
    EXPECT_EQ(save_print_settings(&other, "kept"), 0);
    EXPECT_EQ(word_at(bench::read_file(path), 32), 4);
    RemoveDirectoryA((path + ".new").c_str());
}

TEST(PrintSettings, PixelBudgetIsAProductOfUpToSixFactorsWithoutWrapping)
{
    struct row {
        const char* text;
        int32_t budget;
    };
    const row rows[] = {
        {"1152*864*20", 19906560},
        {"1152*864*5", 4976640},
        {"1*2*3*4*5*6*7", 720},
        {"99999*99999*99999", 0x7fffffff},
        {"abc", 0},
        {"", 0},
        {"40000000000", 0x7fffffff},
    };
    for (const row& r : rows) {
        print_settings_record rec = {};
        text_copy(rec.pixel_budget_text, r.text);
        evaluate_pixel_budget(&rec);
        EXPECT_EQ(rec.pixel_budget, r.budget) << r.text;
    }
    print_settings_record unterminated = {};
    memset(unterminated.pixel_budget_text, '9', sizeof unterminated.pixel_budget_text);
    evaluate_pixel_budget(&unterminated);
    EXPECT_EQ(unterminated.pixel_budget, 0x7fffffff);
}

}  // namespace
