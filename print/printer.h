// The chosen printer: its device context, the printable page in page units
// and the unprintable offsets, and the kept printer choice of the dialog.
#pragma once
#include <windows.h>
#include "base/holders.h"

// Takes dc over as the printer of the run; the DC chosen before is deleted.
// A null dc clears the choice.
void use_printer_dc(HDC dc);
// A DC for the named printer (null: the default printer); 1 when one was made.
int select_printer(const char* name);
// The printer dialog (PD_RETURNDC) over the kept choice; 1 when a printer
// was chosen. Cancel clears the DC; freed choices are nulled, never reused.
int choose_printer(HWND owner, int return_default);
// Deletes the DC and frees the kept choice (at exit).
void release_printer();
// The printer's paper in millimetres, 0 when no printer is chosen.
double paper_width_mm();
double paper_height_mm();
// The device name of the chosen printer's DEVMODE (bounded), "" when none.
const char* printer_device_name();
// The copies of the kept DEVMODE, 1 when none.
int printer_copies();

// The printer dialog; tests put an answering function here.
extern BOOL(WINAPI* print_dialog_call)(PRINTDLGA*);

// The printer DC mapped from page units onto its printable area while the
// object lives, as a page is printed and its text is measured; the DC's
// earlier state comes back afterwards.
class printer_page_mapping {
public:
    explicit printer_page_mapping(HDC dc);

private:
    saved_dc_state saved_;
};
