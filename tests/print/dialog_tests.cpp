// The print dialog with the test printer: every control filled and read
// back, lengths that do not drift, the layouts, the title and margin labels,
// printer quirks from the DEVMODE, choosing printers again and cancelling,
// OK refused on empty layouts, named files of another version, and a whole
// print from the browser's entry.
#include "tests/print/print_fixtures.h"
#include "print/print.h"
#include "app/start_up.h"
#include "browser/model/seams.h"
#include "browser/model/browser_list.h"
#include "browser/commands/commands.h"
#include "browser/model/numbering.h"
#include "files/files.h"
#include "resources/print_dialog.h"
#include <gtest/gtest.h>
#include <cstring>
#include <functional>
#include <memory>

using namespace print_fixture;

namespace {

std::function<void(HWND)> on_open;
void call_on_open(HWND dialog) { on_open(dialog); }
int preview_calls;
int preview_answer(HWND) { return ++preview_calls, 1; }
const char* chosen_file;
int answer_load(char* buffer, const char*, HWND) { return text_copy(buffer, 260, chosen_file) ? 1 : 0; }

// Stands for the user accepting the printer shown: the default the first
// time, the kept choice (with a new DC) later.
BOOL WINAPI take_default(PRINTDLGA* pd)
{
    if (!pd->hDevMode && !pd->hDevNames) {
        pd->Flags |= PD_RETURNDEFAULT;
        return PrintDlgA(pd);
    }
    PRINTDLGA fresh = {};
    fresh.lStructSize = sizeof fresh;
    fresh.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
    if (!PrintDlgA(&fresh)) return FALSE;
    GlobalFree(fresh.hDevMode);
    GlobalFree(fresh.hDevNames);
    pd->hDC = fresh.hDC;
    return TRUE;
}
BOOL WINAPI cancel(PRINTDLGA*) { return FALSE; }

class PrintDialog : public ::testing::Test {
protected:
    fresh_settings s;
    scoped_restore<print_dialog_hook_table> keep_hooks{print_dialog_hooks};
    scoped_restore<BOOL(WINAPI*)(PRINTDLGA*)> keep_call{print_dialog_call};
    std::unique_ptr<job_marks> job;
    void SetUp() override
    {
        ASSERT_TRUE(printer_ready()) << "no test printer: build printer_setup (standins/printer)";
        print_dialog_hooks.opened = call_on_open;
        print_dialog_hooks.open_preview = preview_answer;
        print_dialog_hooks.load_dialog = answer_load;
        preview_calls = 0;
        bench::install_message_box_seam(IDNO);
        bench::message_boxes.clear();
    }
    void TearDown() override
    {
        release_printer();
        kavtrel_message_box = keep_box_;
    }
    static INT_PTR open_dialog_only()
    {
        job_marks none(1, {0});
        return open_print_dialog(none.marks.size(), none.marks.data(), 1, none.name_ptrs.data());
    }

private:
    decltype(kavtrel_message_box) keep_box_ = kavtrel_message_box;
};

TEST_F(PrintDialog, EveryControlComesBackAsItWasFilled)
{
    print_settings_record& r = print_settings.record;
    r.poster = -1, r.printer_quirk = 1, r.dib_mode = 0, r.fixed_cell_size = 0;
    r.frame = 1, r.crop = 1, r.caption_name = 1, r.show_time = 1, r.header_page_number = 1;
    r.size_mode = 2, r.header_align = 1, r.align_y = 0, r.align_x = 2, r.info_align = 3;
    r.turn_to_fit = -1, r.columns = 3, r.rows = 5, r.start_cell = 2, r.page_number_base = 7;
    r.gap_x = 20, r.gap_y = 19, r.header_font = 10, r.margin_left = 37;
    text_copy(r.title, "旅行: 京都");
    text_copy(r.pixel_budget_text, "100*200");
    print_settings_record before = r, back = {};
    char gap_shown[16] = "";
    on_open = [&](HWND dialog) {
        fill_print_dialog(dialog);
        GetDlgItemTextA(dialog, IDC_PR_GAP_X, gap_shown, sizeof gap_shown);
        back = print_settings.record;
        read_print_dialog(dialog, &back, 0);
        // A typed length is taken in millimetres.
        SetDlgItemTextA(dialog, IDC_PR_GAP_Y, "6");
        read_print_dialog(dialog, &print_settings.record, 0);
        EndDialog(dialog, 0);
    };
    open_dialog_only();
    EXPECT_STREQ(gap_shown, "5");
    for (size_t at = 4; at < sizeof before; at += 4) {
        if (at >= offsetof(print_settings_record, pixel_budget_text) &&
            at < offsetof(print_settings_record, header_page_number))
            continue;
        if (at >= offsetof(print_settings_record, title)) break;
        if (at == offsetof(print_settings_record, pixel_budget)) continue;
        int32_t a, b;
        memcpy(&a, (char*)&before + at, 4);
        memcpy(&b, (char*)&back + at, 4);
        EXPECT_EQ(a, b) << "word at " << at;
    }
    EXPECT_STREQ(back.title, "旅行: 京都");
    EXPECT_STREQ(back.pixel_budget_text, "100*200");
    EXPECT_EQ(back.pixel_budget, 20000);
    EXPECT_EQ(print_settings.record.gap_y, tenth_mm_to_screen_px(60));
}

struct preset_row {
    void (*preset)(print_settings_record*);
    std::vector<std::pair<size_t, int32_t>> values;
};

TEST_F(PrintDialog, EachLayoutSetsItsFieldsOnly)
{
#define AT(f, v)                              \
    {                                         \
        offsetof(print_settings_record, f), v \
    }
    const preset_row rows[] = {
        {preset_poster_2x1, {AT(poster, 1), AT(columns, 2), AT(rows, 1), AT(centre_on_paper, 1), AT(crop, 0)}},
        {preset_contact_sheet, {AT(columns, 4), AT(square_cells, 1), AT(caption_comment, 1), AT(poster, 0)}},
        {preset_full_page_dated, {AT(columns, 1), AT(rows, 1), AT(show_date, 1), AT(show_time, 1), AT(margin_left, 0)}},
        {preset_full_page_cropped, {AT(columns, 1), AT(crop, 1), AT(show_date, 0), AT(centre_on_paper, 1)}},
        {preset_sticker_sheet, {AT(fill_page, 1), AT(gap_x, 20), AT(margin_top, 0), AT(frame, 0)}},
    };
#undef AT
    for (const preset_row& row : rows) {
        print_settings_record r;
        memset(&r, 0x55, sizeof r);
        row.preset(&r);
        for (auto& v : row.values) {
            int32_t got;
            memcpy(&got, (char*)&r + v.first, 4);
            EXPECT_EQ(got, v.second) << "offset " << v.first;
        }
        // Fields no layout names keep their values.
        for (size_t at : {offsetof(print_settings_record, header_height), offsetof(print_settings_record, dib_mode),
                          offsetof(print_settings_record, page_number_base)}) {
            int32_t got;
            memcpy(&got, (char*)&r + at, 4);
            EXPECT_EQ(got, 0x55555555) << "offset " << at;
        }
    }
}

TEST_F(PrintDialog, TheTitleAndLabelsShowThePrinterAndOKNeedsOne)
{
    char title[256] = "", left[32] = "";
    bool ok_without = true, ok_with = false;
    on_open = [&](HWND dialog) {
        ok_without = IsWindowEnabled(GetDlgItem(dialog, IDOK));
        print_dialog_call = take_default;
        SendMessageA(dialog, WM_COMMAND, IDC_PR_PRINTER, 0);
        ok_with = IsWindowEnabled(GetDlgItem(dialog, IDOK));
        GetWindowTextA(dialog, title, sizeof title);
        GetDlgItemTextA(dialog, IDC_PR_LABEL_LEFT, left, sizeof left);
        EndDialog(dialog, 0);
    };
    open_dialog_only();
    EXPECT_FALSE(ok_without);
    EXPECT_TRUE(ok_with);
    HDC dc = print_settings.printer_dc;
    ASSERT_TRUE(dc);
    char expected[256];
    text_format(expected, sizeof expected, "印刷 - A4縦(210×297mm)1部 %s(%dｘ%ddpi)", test_printer,
                GetDeviceCaps(dc, LOGPIXELSX), GetDeviceCaps(dc, LOGPIXELSY));
    EXPECT_STREQ(title, expected);
    text_format(expected, sizeof expected, "左 %2.0lf+", print_settings.offset_x / 10.0);
    EXPECT_STREQ(left, expected);
}

HGLOBAL devmode_named(const char* name, DWORD fields, size_t name_bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DEVMODEA));
    DEVMODEA* dm = (DEVMODEA*)GlobalLock(block);
    memset(dm->dmDeviceName, 'X', CCHDEVICENAME);
    memcpy(dm->dmDeviceName, name, name_bytes);
    dm->dmSize = sizeof *dm;
    dm->dmFields = fields;
    dm->dmColor = DMCOLOR_COLOR;
    GlobalUnlock(block);
    return block;
}

TEST_F(PrintDialog, PrinterQuirksComeFromTheDevmodeOnlyWhenThePrinterChanges)
{
    struct row {
        const char* name;
        DWORD fields;
        int quirk;
        const char* budget;
    };
    const row rows[] = {
        {"EPSON PM-770C", DM_COLOR, 1, "1152*864*5"},
        {"HP DeskJet 970C", DM_COLOR, 1, "1152*864*20"},
        {"HP DeskJet 970C x", DM_COLOR | DM_COPIES, 0, "1152*864*20"},
    };
    ASSERT_TRUE(select_printer(nullptr));
    for (const row& r : rows) {
        print_settings.devmode = devmode_named(r.name, r.fields, strlen(r.name) + 1);
        on_open = [](HWND dialog) { EndDialog(dialog, 0); };
        open_dialog_only();
        EXPECT_EQ(print_settings.record.printer_quirk, r.quirk) << r.name;
        EXPECT_STREQ(print_settings.record.pixel_budget_text, r.budget) << r.name;
        // The same printer again keeps a budget typed by hand.
        text_copy(print_settings.record.pixel_budget_text, "10*10");
        save_print_settings(&print_settings.record, nullptr);
        open_dialog_only();
        EXPECT_STREQ(print_settings.record.pixel_budget_text, "10*10") << r.name;
        GlobalFree(print_settings.devmode);
        print_settings.devmode = nullptr;
    }
    // A device name filling all 32 bytes is read within them.
    print_settings.devmode = devmode_named("EPSON PM-770C", DM_COLOR, 13);
    EXPECT_EQ(strlen(printer_device_name()), 32u);
}

TEST_F(PrintDialog, ChoosingAgainReplacesTheDCAndCancelForgetsTheChoice)
{
    print_dialog_call = take_default;
    ASSERT_EQ(choose_printer(nullptr, 0), 1);
    HDC first = print_settings.printer_dc;
    ASSERT_EQ(choose_printer(nullptr, 0), 1);
    EXPECT_NE(print_settings.printer_dc, first);
    EXPECT_EQ(GetObjectType(first), 0u) << "the old DC is deleted";
    print_dialog_call = cancel;
    EXPECT_EQ(choose_printer(nullptr, 0), 0);
    EXPECT_EQ(print_settings.printer_dc, nullptr);
    EXPECT_EQ(print_settings.devmode, nullptr);
    EXPECT_EQ(print_settings.devnames, nullptr);
    print_dialog_call = take_default;
    EXPECT_EQ(choose_printer(nullptr, 0), 1);
}

TEST_F(PrintDialog, OKWithAnEmptyLayoutOrBudgetDoesNothing)
{
    ASSERT_TRUE(select_printer(nullptr));
    for (int field : {IDC_PR_COLUMNS, IDC_PR_ROWS, IDC_PR_BUDGET}) {
        on_open = [field](HWND dialog) {
            SetDlgItemTextA(dialog, field, "0");
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        };
        open_dialog_only();
        EXPECT_EQ(preview_calls, 0) << field;
    }
}

TEST_F(PrintDialog, OnlyAFileOfAnotherVersionIsOfferedForDeletion)
{
    print_settings_record old = print_settings.record;
    old.version = 44;
    bench::write_file(s.dir.file("print setting\\old.p"), std::string((char*)&old, sizeof old));
    bench::write_file(s.dir.file("elsewhere.p"), std::string((char*)&old, sizeof old));
    struct row {
        std::string chosen;
        int answer;
        size_t questions;
        bool old_kept;
    };
    const row rows[] = {
        {s.dir.file("print setting\\old.p"), IDNO, 1, true},
        {s.dir.file("print setting\\missing.p"), IDYES, 0, true},
        {s.dir.file("elsewhere.p"), IDYES, 0, true},
        {"C:\\x\\old.p", IDYES, 1, false},
    };
    for (const row& r : rows) {
        bench::install_message_box_seam(r.answer);
        bench::message_boxes.clear();
        chosen_file = r.chosen.c_str();
        on_open = [](HWND dialog) {
            SendMessageA(dialog, WM_COMMAND, IDC_PR_LOAD, 0);
            EndDialog(dialog, 0);
        };
        open_dialog_only();
        EXPECT_EQ(bench::message_boxes.size(), r.questions) << r.chosen;
        for (const bench::message_box_record& b : bench::message_boxes)
            EXPECT_EQ(b.type & MB_ICONMASK, UINT(MB_ICONEXCLAMATION)) << "the question warns";
        EXPECT_EQ(GetFileAttributesA(s.dir.file("print setting\\old.p").c_str()) != INVALID_FILE_ATTRIBUTES, r.old_kept)
            << r.chosen;
        EXPECT_NE(GetFileAttributesA(s.dir.file("elsewhere.p").c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

TEST_F(PrintDialog, TheBrowsersEntryPrintsAndSavesTheSettings)
{
    ASSERT_TRUE(select_printer(nullptr));
    job.reset(new job_marks(3, {0, 2}, s.dir.path()));
    for (const std::string& n : job->names) write_bmp(n, 8, 8);
    DeleteFileA(printer_output);
    on_open = [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDOK, 0); };
    EXPECT_EQ(open_print_dialog(3, job->marks.data(), 2, job->name_ptrs.data()), 1);
    EXPECT_EQ(preview_calls, 1);
    EXPECT_EQ(print_settings.pages_sent, 1);
    EXPECT_NE(bench::read_file(printer_output).find("%%Page: 1"), std::string::npos);
    EXPECT_EQ(bench::read_file(s.dir.file("print.p")).size(), 524u);

    // The browser reaches the same entry through its print seam.
    scoped_restore<browser_seam_table> keep_seams(browser_seams);
    install_browser_seams();
    DeleteFileA(printer_output);
    EXPECT_EQ(browser_seams.print_selection(3, job->marks.data(), 2, job->name_ptrs.data()), 1);
    EXPECT_EQ(print_settings.pages_sent, 1);

    // And the print command (112) hands the list's selection to it.
    browser_list_record& l = browser_list;
    int count = l.count, selected = l.selected_count;
    unsigned char* marks = l.marks;
    char** names = l.names;
    l.count = 3, l.selected_count = 2, l.marks = job->marks.data(), l.names = job->name_ptrs.data();
    DeleteFileA(printer_output);
    print_settings.pages_sent = 0;
    browser_command(0, nullptr, WM_COMMAND, CM_PRINT, 0);
    l.count = count, l.selected_count = selected, l.marks = marks, l.names = names;
    EXPECT_EQ(print_settings.pages_sent, 1);
    EXPECT_NE(bench::read_file(printer_output).find("%%Page: 1"), std::string::npos);
}

}  // namespace
