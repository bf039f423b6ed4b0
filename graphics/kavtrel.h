// The window and graphics library's interface: process entry, hook tables
// through which the application plugs in, the message pump, menus, and the
// umbrella for pages, drawing and images.
#pragma once
#include <windows.h>
#include <richedit.h>
#include <ctime>
#include <string>
#include <vector>
#include "base/cptext.h"
#include "base/holders.h"
#include "graphics/pages.h"
#include "graphics/bmap.h"
#include "graphics/imageops.h"

struct _bmap;

// Image-format hooks, filled by the application at start-up (slot order fixed).
typedef int (*probe_hook)(const char* path, int* width, int* height, int* xres, int* yres);
typedef int (*probe_psd_hook)(const char* path, int* width, int* height);
typedef _bmap* (*load_jpeg_hook)(const char* path, int divisor, int flag);
typedef _bmap* (*load_path_hook)(const char* path);
typedef _bmap* (*load_pdf_hook)(const char* path, int zoom_percent);
struct image_format_hook_table {
    probe_hook probe_jpeg;       // 0 (also GIF)
    probe_hook probe_png;        // 1
    probe_psd_hook probe_psd;    // 2
    probe_hook probe_pdf;        // 3
    probe_hook probe_tiff;       // 4
    probe_hook probe_plugin;     // 5
    load_jpeg_hook load_jpeg;    // 6 (also GIF)
    load_path_hook load_psd;     // 7
    load_pdf_hook load_pdf;      // 8
    load_path_hook load_png;     // 9
    load_path_hook load_tiff;    // 10
    load_path_hook load_plugin;  // 11
};
extern image_format_hook_table image_format_hooks;

// Console hooks: how code outside the library reports.
struct console_hook_table {
    int (*printf_hook)(const char* fmt, ...);
    int (*getchar_hook)();
    int (*logging_on)();
    int (*status_hook)(int page, const char* fmt, ...);
};
extern console_hook_table console_hooks;
// The console's own printf and getchar, for the application to put in the
// hooks (mingw's <stdio.h> owns the plain names).
int con_printf(const char* fmt, ...) __attribute__((format(gnu_printf, 1, 2)));
int _getchar_entry();
int con_getchar();
// Reads the caret's line after Enter into buffer (size bytes, terminated,
// never splitting a double-byte character); returns buffer, or null when the
// line did not fit (buffer then holds its start: a cut line is no command).
char* con_getline(char* buffer, int size);
// Waits out the double-click time after a button press on the window: 1 when
// a second press came (a double click), 0 when it did not.
int _wait_double_click(UINT button_message, HWND window);

// Application callbacks; null until app_main fills them.
struct app_hook_table {
    int (*window_hook)(HWND, UINT, WPARAM, LPARAM);        // nonzero = handled
    void (*drop_hook)(int page, int count, char** names);  // page 0 = console
    void (*exit_hook)();
    void (*help_hook)();
};
extern app_hook_table app_hooks;

// The application's first look at its start, before the library makes any
// window: APP_QUIT_AT_ONCE ends the process there and then, with nothing shown
// and no window made (the installed program hands over to its temporary copy
// from here); 0 goes on to the console frame and app_main.
int app_before_windows(const char* command_line);
// The application's main function (browser). 1961 ends the process at once.
int app_main();

// Library globals.
extern HINSTANCE kavtrel_instance;
extern int direct_dib_stretch;
enum { COMMAND_LINE_BUF = 1024 };
extern char kavtrel_command_line_buf[COMMAND_LINE_BUF];
extern char* kavtrel_command_line;

// Library command identifiers.
enum {
    ID_CONSOLE_EDIT = 65500,
    CMD_EXIT = 65501,
    CMD_PRINT_PAGE,
    CMD_COPY,
    CMD_PASTE,
    CMD_CUT,
    CMD_CLEAR_ALL,
    CMD_SELECT_ALL,
    CMD_UNDO,
    CMD_FIND,
    CMD_HELP,
    CMD_FONT_BIG,
    CMD_FONT_NORMAL,
    CMD_FONT_SMALL,
    CMD_WINDOW_FIRST = 65514,
    ID_CONSOLE_STATUSBAR = 1222,
    APP_QUIT_AT_ONCE = 1961,
};

// Start-up before app_main: 1 on success, 0 when the console
// frame could not be created. Runs once; later calls return 1 at once.
int kavtrel_start(HINSTANCE instance, HINSTANCE previous, const char* command_line);
// After app_main returned `result`: the elapsed time, and the console's end.
void kavtrel_after_app(int result);
// The main message loop: the quit message's wParam.
int message_loop();

// A close of the program (window close or Exit) that arrives while the
// application is busy is recorded rather than acted on; the busy state honours
// it when its outermost level ends. The busy query defaults to "not busy".
extern int (*kavtrel_busy_query)();
// No operation runs when the main loop takes its next message: a busy state
// still held there was left by one that never ended (a fault the system
// swallowed under it skips its own end), and the main loop has the
// application end it with this. Defaults to doing nothing.
extern void (*kavtrel_busy_recover)();
void request_close();  // destroy the console frame, or record the request while busy
int close_requested();
void set_close_requested(int on);
void honour_close_request();  // destroys the console frame when a close was recorded

// Clean-up of the scanner library at the console's destruction; null until set.
extern void (*scanner_unload_hook)();

// Title for dialogs run with _title_dlgproc (empty: keep the resource's title).
extern char dialog_title[256];

// The console: showing it, its caret, a page's Window-menu entry, its font
// sizes, the find dialog and file drops.
void _show_console();
void _show_caret_pos();
void _show_page(int k);
void _console_fontsize(int n);
void _console_setsize(int console_unit, int printf_unit);
// The colour of the text printed from now on.
void _console_textcolor(COLORREF colour);
void _early_drop(HDROP drop);
void _drop_files(int page, HDROP drop);
// The paths of a shell file list (the DROPFILES block of a drop or of
// CF_HDROP, wide or not) in order, as cp932 text, read in one pass:
// DragQueryFileA walks the list from its start for every index. false when
// the block cannot be read.
bool _drop_list_paths(HGLOBAL list, std::vector<std::string>* out);
int console_find_open();

// The message pump: handles what is waiting and returns; the loop's end.
int _pump();
// The application's idle work, which the main loop runs while no message
// waits: each call does one short step and returns nonzero, or returns 0
// when nothing is left to do. The default has nothing to do.
extern int (*kavtrel_idle_hook)();
// Idle steps while no message waits: 1 when work is left (a message came first).
int _idle();
// Messages and idle work until neither waits, as the main loop leaves the
// program (for tools and tests that drive it in their own process).
void _settle();
// For a loop of the program's own (an editor's) just before it blocks for
// its next message: says the program is idle when nothing waits.
void _idle_before_wait();
// One message, taken in Unicode (GetMessageW, PeekMessageW), through the
// console's and the pages' accelerators, else translated and dispatched.
void _offer_message(MSG* msg);
void _quit_loop();
// Offers `accel` to `window` every message, after the console's own (1 when it was added).
int add_page_accel(HWND window, HACCEL accel);

// The console frame: the owner of the library's message boxes (null before start-up).
HWND console_window();
// The console's rich-edit control; null until the console first needs it.
HWND console_edit_window();
// The frame of the current page, or null when there is none.
HWND current_page_frame();
// The number of the current page, 0 when there is none. Selecting the page
// that is already current closes its recording into its picture, which costs
// as much as the picture holds: a caller that only needs it current asks first.
int current_page_number();
// A page's drawing window: its child, else its frame; null for an empty slot.
HWND page_drawing_window(int page);
// Nonzero when files were dropped on the console before the application started.
int early_drop_flag();

// A DC for measuring text as a page draws it: the page's DC with the drawing
// font selected, for the scope; get() is null when the page has no DC.
class measuring_dc {
public:
    explicit measuring_dc(int page);
    HDC get() const { return dc_; }

private:
    HDC dc_;
    selected_object font_;
};

// Message boxes go through this seam so that tests can answer them headless.
extern int (*kavtrel_message_box)(HWND owner, const char* text, const char* title, UINT type);
