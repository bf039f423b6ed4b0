// Printing a page's stored picture to the bench's PostScript test printer,
// whose spooled output lands in C:\zote-printer\page.ps.
#include "graphics/console.h"   // _printpage is called directly with a stored picture
#include "graphics/internal.h"  // the stored picture is taken from the page record
#include "tests/graphics/library.h"
#include "tests/support/bench.h"
#include "tests/support/test_printer.h"
#include <gtest/gtest.h>
#include <string>

namespace {

const char* const printer_name = bench::test_printer_name;
const char* const output_file = bench::test_printer_output;
bool printer_ready() { return bench::test_printer_ready(); }

int dialog_calls;
DWORD dialog_struct_size;

// Stands for the user accepting the dialog with the default printer.
BOOL WINAPI take_default_printer(PRINTDLGA* pd)
{
    dialog_calls++;
    dialog_struct_size = pd->lStructSize;
    pd->Flags |= PD_RETURNDEFAULT;
    return PrintDlgA(pd);
}

BOOL WINAPI cancel_dialog(PRINTDLGA*)
{
    dialog_calls++;
    return FALSE;
}

class PrintPage : public ::testing::Test {
protected:
    enum { SLOT = 3950 };
    void SetUp() override
    {
        // The bench always has the test printer; without it printing is untested, a failure.
        ASSERT_TRUE(printer_ready()) << "no test printer: build printer_setup (standins/printer)";
        library_ready();
        dialog_calls = 0;
        DeleteFileA(output_file);
    }
    void TearDown() override
    {
        kavtrel_print_dialog = PrintDlgA;
        _page_free(SLOT);
    }
    // A 600 x 400 framed page with a rectangle at (0,0)-(100,100), its
    // recording closed into the stored picture.
    HWND make_page()
    {
        EXPECT_TRUE(_newpage(SLOT, 0, 0, -600, -400));
        _rectangle(0, 0, 0, 100, 100);
        _selectpage(0, SLOT);
        page_record* p = page_table[SLOT];
        EXPECT_TRUE(p && p->picture);
        return p ? p->frame : nullptr;
    }
};

TEST_F(PrintPage, ARectangleAtTheOriginLandsOneInchIn)
{
    kavtrel_print_dialog = take_default_printer;
    HWND frame = make_page();
    ASSERT_TRUE(frame);
    EXPECT_EQ(_printpage(frame, page_table[SLOT]->picture), 1);
    EXPECT_EQ(dialog_calls, 1);
    EXPECT_EQ(dialog_struct_size, sizeof(PRINTDLGA));
    std::string ps = bench::read_file(output_file);
    ASSERT_FALSE(ps.empty());
    EXPECT_NE(ps.find("%%Title: _kavtrel 1.13"), std::string::npos) << ps.substr(0, 400);
    // One page unit is 600/96 printer pixels: 100 units are 625, one inch is 600.
    EXPECT_NE(ps.find("600 600 moveto"), std::string::npos) << ps;
    EXPECT_NE(ps.find("625 0 rlineto"), std::string::npos) << ps;
    EXPECT_EQ(ps.find("%%Page: 2"), std::string::npos);
}

TEST_F(PrintPage, ThePageCommandPrintsTheStoredPicture)
{
    kavtrel_print_dialog = take_default_printer;
    HWND frame = make_page();
    ASSERT_TRUE(frame);
    SendMessageA(frame, WM_COMMAND, CMD_PRINT_PAGE, 0);
    EXPECT_EQ(dialog_calls, 1);
    EXPECT_NE(bench::read_file(output_file).find("600 600 moveto"), std::string::npos);
}

TEST_F(PrintPage, ACancelledDialogPrintsNothing)
{
    kavtrel_print_dialog = cancel_dialog;
    HWND frame = make_page();
    EXPECT_EQ(_printpage(frame, page_table[SLOT]->picture), 0);
    EXPECT_EQ(dialog_calls, 1);
    EXPECT_EQ(GetFileAttributesA(output_file), INVALID_FILE_ATTRIBUTES);
}

// A DC that cannot start a document: the job is reported as failed.
BOOL WINAPI memory_dc_dialog(PRINTDLGA* pd)
{
    pd->hDC = CreateCompatibleDC(nullptr);
    return TRUE;
}

TEST_F(PrintPage, AJobThatCannotStartReportsFailure)
{
    HDC probe = CreateCompatibleDC(nullptr);
    DOCINFOA doc = {sizeof doc, "probe"};
    int started = StartDocA(probe, &doc);
    if (started > 0) EndDoc(probe);
    DeleteDC(probe);
    if (started > 0) GTEST_SKIP() << "this platform starts documents on memory DCs";
    kavtrel_print_dialog = memory_dc_dialog;
    HWND frame = make_page();
    EXPECT_EQ(_printpage(frame, page_table[SLOT]->picture), 0);
}

}  // namespace
