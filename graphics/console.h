// Private to the window library.
// The console (page 0): text output and input on the rich-edit control, the
// caret display, font sizes, the find dialog, file drops, the double-click
// wait, showing a Window-menu entry, and printing a page. The console frame's
// and the page windows' handlers pass their text, find, drop and print
// messages here.
#pragma once
#include "graphics/kavtrel.h"
#include <commdlg.h>
#include <cstdarg>

enum {
    CONSOLE_TEXT_LIMIT = 256000,  // characters in the control
    CONSOLE_PRINTF_BUF = 128000,  // bytes of one formatted output, terminator included
    CONSOLE_GETLINE_MAX = 65535,  // characters one line read may take
};

// The console's printf behind con_printf (kavtrel.h; con_getchar and
// con_getline are there too). mingw's <stdio.h> owns the plain names; the
// application reaches these through console_hooks.
int con_vprintf(const char* fmt, va_list ap);

// _show_console, _show_caret_pos, _show_page, _console_fontsize,
// _console_setsize, _console_textcolor, console_find_open, _early_drop and
// _drop_files are declared in kavtrel.h, which the handlers include.
// 1 while printf inserts its text (the caret display then leaves the format).
extern int console_printf_busy;

// The find dialog's registered message: handled (true, result 0) when it is
// that message.
bool on_find_message(UINT message, LPARAM lparam, LRESULT* result);

// WM_DROPFILES on the console (page 0) or a framed page's frame.
void handle_drop(HWND window, int page, HDROP drop);

// _wait_double_click is in kavtrel.h.

// Printing: the print dialog goes through this seam (tests take the default
// printer with it); the stored picture is printed at its screen size, one
// inch in from the corner of the printable area.
extern BOOL(WINAPI* kavtrel_print_dialog)(PRINTDLGA*);
int _printpage(HWND window, HENHMETAFILE picture);

// The handlers' entries for the console's text, find and drop messages and
// for the page windows' drop, copy, print and Window-menu commands: true
// when the message was one of them and is done with (its result in *result).
bool on_console_io_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);
bool on_page_io_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);
