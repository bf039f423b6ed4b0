// Library start-up before the application's main function runs, and the
// hand-over after it returns: console frame, status bar, text formats,
// accelerator, start clock.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"
#include <commctrl.h>
#include <cstring>

static void fill_format(CHARFORMATA& f, COLORREF colour)
{
    memset(&f, 0, sizeof f);
    f.cbSize = sizeof f;
    f.dwMask = CFM_COLOR | CFM_SIZE | CFM_FACE;
    f.yHeight = 180;
    f.crTextColor = colour;
    text_copy(f.szFaceName, sizeof f.szFaceName, "ＭＳ ゴシック");
}

int kavtrel_start(HINSTANCE instance, HINSTANCE previous, const char* command_line)
{
    if (console_frame) return 1;
    kavtrel_instance = instance;
    memset(page_table, 0, sizeof page_table);
    direct_dib_stretch = 1;
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && version.dwMinorVersion < 10)
        direct_dib_stretch = 0;

    text_copy(kavtrel_command_line_buf, command_line ? command_line : "");
    kavtrel_command_line = kavtrel_command_line_buf;
    idle_signal_init();

    InitCommonControls();
    if (!previous) {
        WNDCLASSA wc = {};
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = _main_wndproc;
        wc.hInstance = instance;
        wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(101));
        if (!wc.hIcon) wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
        wc.lpszClassName = "kavtrelMain";
        RegisterClassA(&wc);
    }

    int w = 2 * GetSystemMetrics(SM_CXSCREEN) / 3 - 16, h = 2 * GetSystemMetrics(SM_CYSCREEN) / 3 - 16;
    HWND frame = CreateWindowExA(WS_EX_WINDOWEDGE, "kavtrelMain", "Console 1.13", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                 CW_USEDEFAULT, CW_USEDEFAULT, w, h, nullptr, _console_menu(), instance, nullptr);
    if (!frame) return 0;
    console_frame = frame;
    MoveWindow(frame, 16, 16, w, h, TRUE);

    console_statusbar = CreateWindowExA(0, "msctls_statusbar32", "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                        frame, (HMENU)(UINT_PTR)ID_CONSOLE_STATUSBAR, instance, nullptr);
    SendMessageA(frame, WM_SIZE, 0, 0);

    // The console's control takes its format when it is made.
    fill_format(console_format, 0xff0000);
    fill_format(printf_format, 0);

    ACCEL find = {FVIRTKEY, VK_F3, CMD_FIND};
    console_accel = CreateAcceleratorTableA(&find, 1);
    DragAcceptFiles(frame, TRUE);
    kavtrel_start_clock = clock();
    return 1;
}

void kavtrel_after_app(int result)
{
    app_started = 1;
    if (current_page) _selectpage(0, current_page->number);
    if (!console_frame) return;
    if (IsWindowVisible(console_frame)) {
        _elapsed_text();
        if (result == APP_QUIT_AT_ONCE && console_frame) DestroyWindow(console_frame);
    } else if (!current_page || result == APP_QUIT_AT_ONCE) {
        DestroyWindow(console_frame);
    }
}
