// The print preview: a modal dialog showing the pages of the run one at a
// time on a sheet of the paper's proportions, drawn from the same recordings
// printing uses, from which the user prints every page, the shown page, or
// goes back to the print dialog.
#pragma once
#include <windows.h>

// 1 to print (the page filter set), 0 when nothing is selected, no printer
// is chosen, or the user went back.
int open_preview_dialog(HWND owner);
// The shown page (0-based), the number of pages and how many were rendered;
// -1 and zeros while there is no preview.
int preview_current_page();
int preview_page_count();
int preview_rendered_count();
// Called with the dialog after it is set up and after every command it
// handled; tests drive the preview from here. Null by default.
extern void (*preview_step_hook)(HWND dialog);
