// Reading and writing the edit fields and check boxes of the browser's
// dialogs, the IME open state, and the darker shade of a colour.
#pragma once
#include <windows.h>
#include <cstddef>

enum { DIALOG_TEXT_BUF = 256 };
// The field's text (at most 255 bytes) through atoi / atof.
int get_dlg_int(HWND dialog, int id);
double get_dlg_double(HWND dialog, int id);
void set_dlg_int(HWND dialog, int id, int value);
// format: a printf format for one double ("%4.2lf").
void set_dlg_double(HWND dialog, int id, double value, const char* format);
// 0 unchecked, -1 indeterminate, any other value checked.
void set_dlg_check(HWND dialog, int id, int value);
// Checked 1, indeterminate -1, else 0.
int get_dlg_check(HWND dialog, int id);
// The field's text into out (cap bytes at most); the length read.
int get_dlg_text(HWND dialog, int id, char* out, size_t cap);
// Stores the window's IME open state into *state and releases the context.
void read_ime_state_and_release(HWND window, int* state);
// Opens or closes the IME of the window.
void set_ime_open(HWND window, int open);
// Each channel times 0.72, truncated.
COLORREF scale_colour(COLORREF c);
