// The print preview driven through its dialog: the title and page buttons as
// the user pages forward and back, each page rendered once, clicks during a
// rendering, the sheet's proportion, and the page filter it hands to printing.
#include "tests/print/print_fixtures.h"
#include "print/print.h"
#include "print/preview.h"  // the preview dialog is opened and stepped directly
#include "resources/print_dialog.h"
#include "base/holders.h"
#include <gtest/gtest.h>
#include <memory>

using namespace print_fixture;

namespace {

struct step {
    std::string title;
    bool next, previous;
    int current, rendered;
};

std::vector<std::vector<int>> script;
std::vector<step> steps;

// Records the dialog as the user sees it, then posts the script's next clicks.
void record_and_click(HWND dialog)
{
    char title[256];
    GetWindowTextA(dialog, title, sizeof title);
    steps.push_back({title, IsWindowEnabled(GetDlgItem(dialog, IDC_PV_NEXT)) != 0,
                     IsWindowEnabled(GetDlgItem(dialog, IDC_PV_PREVIOUS)) != 0, preview_current_page(),
                     preview_rendered_count()});
    if (steps.size() <= script.size())
        for (int id : script[steps.size() - 1]) PostMessageA(dialog, WM_COMMAND, id, 0);
}

class Preview : public ::testing::Test {
protected:
    fresh_settings s;
    std::unique_ptr<job_marks> job;
    scoped_restore<void (*)(HWND)> keep_hook{preview_step_hook};
    void SetUp() override
    {
        ASSERT_TRUE(printer_ready()) << "no test printer: build printer_setup (standins/printer)";
        ASSERT_TRUE(select_printer(nullptr));
        preview_step_hook = record_and_click;
        steps.clear();
    }
    void TearDown() override { use_printer_dc(nullptr); }
    void pictures(int count)
    {
        std::vector<int> marked;
        for (int i = 0; i < count; i++) marked.push_back(i);
        job.reset(new job_marks(count, marked, s.dir.path()));
        for (int i = 0; i < count; i++) write_bmp(job->names[i], 8, 8);
        layout_cells();
    }
};

TEST_F(Preview, PagingForwardAndBackRendersEachPageOnceAndPrintsTheShownPage)
{
    pictures(40);
    script = {{IDC_PV_NEXT}, {IDC_PV_NEXT}, {IDC_PV_PREVIOUS}, {IDC_PV_NEXT}, {IDC_PV_THIS_PAGE}};
    int rendered = rendered_page_count;
    EXPECT_EQ(open_preview_dialog(nullptr), 1);
    const step expected[] = {
        {"A4縦(210×297mm)1部 1/3頁", true, false, 0, 1}, {"A4縦(210×297mm)1部 2/3頁", true, true, 1, 2},
        {"A4縦(210×297mm)1部 3/3頁", false, true, 2, 3}, {"A4縦(210×297mm)1部 2/3頁", true, true, 1, 3},
        {"A4縦(210×297mm)1部 3/3頁", false, true, 2, 3},
    };
    ASSERT_GE(steps.size(), 5u);
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(steps[i].title, expected[i].title) << i;
        EXPECT_EQ(steps[i].next, expected[i].next) << i;
        EXPECT_EQ(steps[i].previous, expected[i].previous) << i;
        EXPECT_EQ(steps[i].current, expected[i].current) << i;
        EXPECT_EQ(steps[i].rendered, expected[i].rendered) << i;
    }
    EXPECT_EQ(rendered_page_count - rendered, 3);
    EXPECT_EQ(print_settings.page_filter, 2);
    EXPECT_EQ(print_settings.preview, 0);
    EXPECT_EQ(preview_page_count(), 0);

    DeleteFileA(printer_output);
    print_pages();
    EXPECT_EQ(print_settings.pages_sent, 1);
}

TEST_F(Preview, OnePageDisablesBothButtonsAndBackPrintsNothing)
{
    pictures(3);
    script = {{IDCANCEL}};
    EXPECT_EQ(open_preview_dialog(nullptr), 0);
    ASSERT_GE(steps.size(), 1u);
    EXPECT_FALSE(steps[0].next);
    EXPECT_FALSE(steps[0].previous);
    EXPECT_EQ(steps[0].title, "A4縦(210×297mm)1部 1/1頁");
}

TEST_F(Preview, ClicksWhileAPageRendersAreNotRunInsideIt)
{
    pictures(40);
    // Two clicks at once: the second arrives while the first one's page renders.
    script = {{IDC_PV_NEXT, IDC_PV_NEXT}, {IDC_PV_THIS_PAGE}};
    EXPECT_EQ(open_preview_dialog(nullptr), 1);
    ASSERT_GE(steps.size(), 2u);
    EXPECT_EQ(steps[1].current, 1);
    EXPECT_EQ(steps[1].rendered, 2);
    EXPECT_EQ(print_settings.page_filter, 1);
}

HWND sheet;
double sheet_ratio;
void measure_sheet(HWND dialog)
{
    sheet = FindWindowExA(dialog, nullptr, "zotepvwnd", nullptr);
    RECT r = {};
    GetWindowRect(sheet, &r);
    sheet_ratio = r.right > r.left ? double(r.bottom - r.top) / (r.right - r.left) : 0;
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(Preview, TheSheetHasThePapersProportion)
{
    pictures(2);
    preview_step_hook = measure_sheet;
    open_preview_dialog(nullptr);
    ASSERT_TRUE(sheet);
    HDC dc = print_settings.printer_dc;
    double paper = double(GetDeviceCaps(dc, PHYSICALHEIGHT)) / GetDeviceCaps(dc, PHYSICALWIDTH);
    EXPECT_NEAR(sheet_ratio, paper, 0.01);
    EXPECT_FALSE(IsWindow(sheet));
}

// The sheet's pixels once the shown dialog has painted it, then back.
std::vector<DWORD> sheet_pixels;
bool captured;
VOID CALLBACK capture_sheet(HWND dialog, UINT, UINT_PTR id, DWORD)
{
    KillTimer(dialog, id);
    HWND sheet = FindWindowExA(dialog, nullptr, "zotepvwnd", nullptr);
    RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT r = {};
    GetClientRect(sheet, &r);
    BITMAPINFO bi = {{sizeof(BITMAPINFOHEADER), r.right, -r.bottom, 1, 32}};
    void* bits = nullptr;
    created_dc memory(CreateCompatibleDC(nullptr));
    bitmap_holder copy(CreateDIBSection(memory.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (copy && bits) {
        selected_object into(memory.get(), copy.get());
        window_dc from(sheet);
        BitBlt(memory.get(), 0, 0, r.right, r.bottom, from, 0, 0, SRCCOPY);
        GdiFlush();
        sheet_pixels.assign((DWORD*)bits, (DWORD*)bits + (size_t)r.right * r.bottom);
    }
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}
void capture_when_shown(HWND dialog)
{
    if (captured) return;
    captured = true;
    SetTimer(dialog, 1, 100, capture_sheet);
}

std::vector<DWORD> preview_of_first_page()
{
    sheet_pixels.clear();
    captured = false;
    open_preview_dialog(nullptr);
    return sheet_pixels;
}

TEST_F(Preview, TheFirstPreviewOfASessionShowsWhatLaterOnesAndThePaperShow)
{
    pictures(3);
    print_settings_record& r = print_settings.record;
    // Right-aligned texts and a header shortened with "..": both follow measured widths.
    text_copy(
        r.title,
        "表示ソ能の写真 WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
    r.header_align = 2, r.header_page_number = 1, r.header_font = 24;
    r.show_date = r.show_time = 1, r.info_align = 2, r.info_font = 16;
    layout_cells();
    preview_step_hook = capture_when_shown;
    std::vector<DWORD> first = preview_of_first_page();
    ASSERT_FALSE(first.empty());
    size_t inked = 0;
    for (DWORD p : first) inked += (p & 0xffffff) != 0xffffff;
    ASSERT_GT(inked, 100u) << "the sheet shows the page";

    DeleteFileA(printer_output);
    print_pages();
    ASSERT_EQ(print_settings.pages_sent, 1);
    std::vector<DWORD> later = preview_of_first_page();
    ASSERT_EQ(later.size(), first.size());
    size_t differ = 0;
    for (size_t i = 0; i < first.size(); i++) differ += first[i] != later[i];
    EXPECT_EQ(differ, 0u);
}

TEST_F(Preview, NothingSelectedOrNoPrinterOpensNothing)
{
    job_marks none(3, {});
    EXPECT_EQ(open_preview_dialog(nullptr), 0);
    pictures(2);
    use_printer_dc(nullptr);
    EXPECT_EQ(open_preview_dialog(nullptr), 0);
    EXPECT_TRUE(steps.empty());
}

}  // namespace
