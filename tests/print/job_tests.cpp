// Print jobs on the test printer, whose PostScript lands in a file: pages,
// the page filter, empty selections, a missing printer and a job that cannot start.
#include "tests/print/print_fixtures.h"
#include "print/print.h"
#include "browser/model/busy.h"
#include "browser/model/browser_list.h"
#include "base/holders.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <memory>

using namespace print_fixture;

namespace {

size_t count_of(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) n++;
    return n;
}

class PrintJob : public ::testing::Test {
protected:
    fresh_settings s;
    std::unique_ptr<job_marks> job;
    void SetUp() override
    {
        ASSERT_TRUE(printer_ready()) << "no test printer: build printer_setup (standins/printer)";
        bench::install_message_box_seam(IDOK);
        bench::message_boxes.clear();
        DeleteFileA(printer_output);
    }
    void TearDown() override
    {
        use_printer_dc(nullptr);
        kavtrel_message_box = keep_box_;
    }
    void pictures(int count)
    {
        std::vector<int> marked;
        for (int i = 0; i < count; i++) marked.push_back(i);
        job.reset(new job_marks(count, marked, s.dir.path()));
        for (int i = 0; i < count; i++) write_bmp(job->names[i], 16, 16, 0, 255, 0);
    }

private:
    decltype(kavtrel_message_box) keep_box_ = kavtrel_message_box;
};

TEST_F(PrintJob, EveryPageOfTheRunIsPrinted)
{
    ASSERT_TRUE(select_printer(nullptr));
    pictures(20);
    layout_cells();
    int busy = busy_state.counter;
    EXPECT_EQ(print_pages(), 0);
    EXPECT_EQ(print_settings.pages_sent, 2);
    EXPECT_EQ(busy_state.counter, busy);
    std::string ps = bench::read_file(printer_output);
    EXPECT_NE(ps.find("%%Title: ZOTE"), std::string::npos) << ps.substr(0, 300);
    EXPECT_EQ(count_of(ps, "%%Page:"), 2u);
    EXPECT_EQ(count_of(ps, "\nimage\n"), 20u) << "one picture per cell";
    EXPECT_EQ(count_of(ps, "/Width 16\n"), 20u);
    EXPECT_TRUE(bench::message_boxes.empty());
}

TEST_F(PrintJob, TheFilterPrintsOnePageAndStartCellsCount)
{
    struct row {
        int selected, start, filter, pages;
    };
    const row rows[] = {{40, 0, 2, 1}, {40, 0, -1, 3}, {11, 5, -1, 1}, {12, 5, -1, 2}, {40, 0, 7, 0}};
    for (const row& r : rows) {
        ASSERT_TRUE(select_printer(nullptr));
        pictures(r.selected);
        print_settings.record.start_cell = r.start;
        print_settings.page_filter = r.filter;
        layout_cells();
        DeleteFileA(printer_output);
        print_pages();
        EXPECT_EQ(print_settings.pages_sent, r.pages) << r.selected << " filter " << r.filter;
        EXPECT_EQ(count_of(bench::read_file(printer_output), "%%Page:"), (size_t)r.pages);
    }
}

TEST_F(PrintJob, NothingSelectedPrintsNothing)
{
    ASSERT_TRUE(select_printer(nullptr));
    job_marks none(3, {});
    print_pages();
    EXPECT_EQ(GetFileAttributesA(printer_output), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(bench::message_boxes.empty());
}

TEST_F(PrintJob, AMissingPrinterOrAJobThatCannotStartIsReported)
{
    pictures(2);
    EXPECT_EQ(select_printer("No Such Printer"), 0);
    print_pages();
    EXPECT_EQ(bench::message_boxes.size(), 1u);
    EXPECT_EQ(print_settings.pages_sent, 0);

    // A DC that cannot start a document: reported, and no page rendered for it.
    HDC probe = CreateCompatibleDC(nullptr);
    DOCINFOA doc = {sizeof doc, "probe"};
    int started = StartDocA(probe, &doc);
    if (started > 0) EndDoc(probe);
    DeleteDC(probe);
    if (started > 0) GTEST_SKIP() << "this platform starts documents on memory DCs";
    use_printer_dc(CreateCompatibleDC(nullptr));
    print_settings.page_width = print_settings.page_height = 500;
    int rendered = rendered_page_count;
    int busy = busy_state.counter;
    print_pages();
    EXPECT_EQ(bench::message_boxes.size(), 2u);
    EXPECT_EQ(rendered_page_count, rendered);
    EXPECT_EQ(print_settings.pages_sent, 0);
    EXPECT_EQ(busy_state.counter, busy);
}

// The Unix file the spooler writes port LPT1: to, changed for the scope.
class port_output {
public:
    explicit port_output(const char* unix_path)
    {
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\Printing\\Spooler", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        key_.receive(), nullptr);
        DWORD size = sizeof saved_;
        had_ = RegQueryValueExA(key_.get(), "LPT1:", nullptr, nullptr, (BYTE*)saved_, &size) == ERROR_SUCCESS;
        RegSetValueExA(key_.get(), "LPT1:", 0, REG_SZ, (const BYTE*)unix_path, (DWORD)strlen(unix_path) + 1);
    }
    ~port_output()
    {
        if (had_) RegSetValueExA(key_.get(), "LPT1:", 0, REG_SZ, (const BYTE*)saved_, (DWORD)strlen(saved_) + 1);
    }

private:
    reg_key key_;
    char saved_[1024] = "";
    bool had_ = false;
};

TEST_F(PrintJob, AJobThePortCannotTakeIsReportedAndThePrinterKeepsItsMapping)
{
    ASSERT_TRUE(select_printer(nullptr));
    pictures(3);
    layout_cells();
    HDC dc = print_settings.printer_dc;
    int busy = busy_state.counter;
    {
        port_output unwritable("/nonexistent-zote-port/表/page.ps");
        print_pages();
    }
    ASSERT_EQ(bench::message_boxes.size(), 1u);
    EXPECT_EQ(bench::message_boxes[0].text, "印刷を完了できませんでした");
    EXPECT_EQ(print_settings.pages_sent, 0);
    EXPECT_EQ(busy_state.counter, busy);
    EXPECT_EQ(GetMapMode(dc), MM_TEXT);

    // The port is back: the same printer prints again, silently.
    print_pages();
    EXPECT_EQ(bench::message_boxes.size(), 1u);
    EXPECT_EQ(print_settings.pages_sent, 1);
    EXPECT_EQ(count_of(bench::read_file(printer_output), "%%Page:"), 1u);
    EXPECT_EQ(GetMapMode(dc), MM_TEXT);
}

}  // namespace

namespace {

// Bytes of an ASCII85 text up to its "~>".
std::string ascii85_decode(const std::string& text, size_t at)
{
    std::string out;
    unsigned long group = 0;
    int n = 0;
    for (; at < text.size(); at++) {
        char c = text[at];
        if (c == '~') break;
        if (c == 'z' && n == 0) {
            out.append(4, '\0');
            continue;
        }
        if (c < '!' || c > 'u') continue;
        group = group * 85 + (c - '!');
        if (++n == 5) {
            for (int k = 3; k >= 0; k--) out += (char)((group >> (8 * k)) & 0xff);
            group = 0, n = 0;
        }
    }
    if (n > 1) {
        for (int k = n; k < 5; k++) group = group * 85 + 84;
        for (int k = 3; k > 4 - n; k--) out += (char)((group >> (8 * k)) & 0xff);
    }
    return out;
}

std::string run_length_decode(const std::string& bytes)
{
    std::string out;
    for (size_t i = 0; i < bytes.size();) {
        unsigned length = (unsigned char)bytes[i++];
        if (length == 128) break;
        if (length < 128) {
            out += bytes.substr(i, length + 1);
            i += length + 1;
        } else if (i < bytes.size()) {
            out.append(257 - length, bytes[i++]);
        }
    }
    return out;
}

// The RGB samples of each w x h image of a PostScript page, as the printer gets them.
std::vector<std::string> images_of(const std::string& ps, int w, int h)
{
    std::vector<std::string> out;
    std::string size = "/Width " + std::to_string(w) + "\n /Height " + std::to_string(h) + "\n";
    for (size_t at = ps.find(size); at != std::string::npos; at = ps.find(size, at + 1)) {
        size_t data = ps.find("\nimage\n", at);
        if (data == std::string::npos) break;
        out.push_back(run_length_decode(ascii85_decode(ps, data + 7)));
    }
    return out;
}

TEST_F(PrintJob, ACameraPhotoSpoolsAtItsSizeOnPaper)
{
    ASSERT_TRUE(select_printer(nullptr));
    program_image_formats formats;
    job.reset(new job_marks(1, {0}));
    job->names[0] = camera_photo();
    job->name_ptrs[0] = &job->names[0][0];
    layout_cells();
    print_pages();
    ASSERT_EQ(print_settings.pages_sent, 1);
    // Its 12 million pixels would take 46 MB of PostScript; in a 4 x 4 cell at
    // 600 dpi the paper shows 1.7 million of them.
    std::string ps = bench::read_file(printer_output);
    EXPECT_LT(ps.size(), 8000000u);
    EXPECT_GT(ps.size(), 4000000u);
    HDC dc = print_settings.printer_dc;
    double cell_across = print_settings.cell_width * GetDeviceCaps(dc, HORZRES) / print_settings.page_width;
    size_t at = ps.find("/Width ");
    ASSERT_NE(at, std::string::npos);
    int width = atoi(ps.c_str() + at + 7);
    EXPECT_LE(width, std::ceil(cell_across));
    EXPECT_GE(width, cell_across - 8);
}

TEST_F(PrintJob, ATextEntryPrintsItsFadedIconNotABlackBlock)
{
    ASSERT_TRUE(select_printer(nullptr));
    scoped_restore<settings_record> keep_settings(browser_list.settings);
    browser_list.settings.txticon = 1, browser_list.settings.txtcont = 1;
    std::string path = s.dir.file("表ソ能.txt");
    bench::write_file(path, "一行目\r\nsecond line\r\n");
    job.reset(new job_marks(1, {0}));
    job->names[0] = path;
    job->name_ptrs[0] = &job->names[0][0];
    layout_cells();
    print_pages();
    std::vector<std::string> icons = images_of(bench::read_file(printer_output), 32, 32);
    ASSERT_EQ(icons.size(), 1u) << "the icon goes out as one picture";
    ASSERT_EQ(icons[0].size(), 32u * 32 * 3);
    // Faded to a third of its strength over white paper: every sample is light, and the icon shows.
    int darkest = 255;
    size_t white = 0;
    for (unsigned char v : icons[0]) darkest = std::min(darkest, (int)v), white += v == 255;
    EXPECT_GE(darkest, 170);
    EXPECT_LT(white, icons[0].size());
}

}  // namespace

namespace {

// Right-aligned text ends where it was measured to end: at the printable
// area's right margin, which the frame of a one-cell page shares. Each case's
// PostScript goes to printed_out beside the test program, where
// tools/check_printed_widths.sh renders it as paper shows it and compares the
// header's right edge with the frame's.
TEST_F(PrintJob, PrintedTextEndsWhereItWasMeasured)
{
    struct row {
        const char* name;
        const char* title;
        int font;
    };
    const row rows[] = {
        {"long_title", "表示ソ能 The long title of an album of photographs taken along the coast in the early summer, "
                       "printed whole",
         9},
        {"short_title", "Album 表示ソ能 in early summer, NH", 13},
    };
    std::string folder = bench::exe_folder() + "printed_out";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const row& r : rows) {
        ASSERT_TRUE(select_printer(nullptr));
        pictures(1);
        print_settings_record& rec = print_settings.record;
        rec.columns = rec.rows = 1;
        rec.frame = 1, rec.header_align = 2, rec.header_font = r.font, rec.header_height = 2 * r.font;
        text_copy(rec.title, r.title);
        layout_cells();
        DeleteFileA(printer_output);
        print_pages();
        ASSERT_EQ(print_settings.pages_sent, 1) << r.name;
        std::string ps = bench::read_file(printer_output);
        ASSERT_FALSE(ps.empty()) << r.name;
        EXPECT_TRUE(bench::write_file(folder + "\\" + r.name + ".ps", ps));
    }
}

}  // namespace
