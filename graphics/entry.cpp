// Library globals, the hook tables with their harmless defaults, the
// message-box seam and the fatal report.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"
#include <cstdlib>

// Without a hook no reader is there: the file is not known to be damaged.
static int probe_none(const char*, int*, int*, int*, int*) { return PROBE_NO_READER; }
static int probe_psd_none(const char*, int*, int*) { return PROBE_NO_READER; }
static _bmap* load_jpeg_none(const char*, int, int) { return nullptr; }
static _bmap* load_path_none(const char*) { return nullptr; }
static _bmap* load_pdf_none(const char*, int) { return nullptr; }

image_format_hook_table image_format_hooks = {
    .probe_jpeg = probe_none,
    .probe_png = probe_none,
    .probe_psd = probe_psd_none,
    .probe_pdf = probe_none,
    .probe_tiff = probe_none,
    .probe_plugin = probe_none,
    .load_jpeg = load_jpeg_none,
    .load_psd = load_path_none,
    .load_pdf = load_pdf_none,
    .load_png = load_path_none,
    .load_tiff = load_path_none,
    .load_plugin = load_path_none,
};

static int printf_none(const char*, ...) { return 1; }
static int getchar_none() { return 1; }
static int logging_off() { return 0; }
static int status_none(int, const char*, ...) { return 1; }
console_hook_table console_hooks = {
    .printf_hook = printf_none,
    .getchar_hook = getchar_none,
    .logging_on = logging_off,
    .status_hook = status_none,
};

app_hook_table app_hooks = {};

HINSTANCE kavtrel_instance;
int direct_dib_stretch = 1;
char kavtrel_command_line_buf[COMMAND_LINE_BUF];
char* kavtrel_command_line = kavtrel_command_line_buf;
HWND console_frame;
HWND console_statusbar;
HWND console_edit;
int app_started;

static int message_box_real(HWND owner, const char* text, const char* title, UINT type)
{
    _message_box_shown(true, owner ? owner : console_frame);
    int answer = MessageBoxA(owner, text, title, type);
    _message_box_shown(false, nullptr);
    return answer;
}
int (*kavtrel_message_box)(HWND, const char*, const char*, UINT) = message_box_real;

void _fatal(const char* message, const char* function)
{
    char text[1024];
    text_format_cut(text, sizeof text, "in %s\n    %s\n", function, message);
    kavtrel_message_box(nullptr, text, "KAVTREL ERROR", MB_OK | MB_ICONEXCLAMATION);
    exit(0);
}
