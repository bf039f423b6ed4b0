// The process entry: prepares the library, creates the console frame and
// hands control to the application, then runs the message loop.
#include "graphics/kavtrel.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show)
{
    kavtrel_instance = instance;
    text_copy(kavtrel_command_line_buf, command_line ? command_line : "");
    if (!previous) {
        WNDCLASSA wc = {};
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = instance;
        wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(101));
        if (!wc.hIcon) wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
        wc.lpszClassName = "kavtrelMain";
        RegisterClassA(&wc);
    }
    int w = GetSystemMetrics(SM_CXSCREEN) * 2 / 3 - 16, h = GetSystemMetrics(SM_CYSCREEN) * 2 / 3 - 16;
    console_frame = CreateWindowExA(WS_EX_WINDOWEDGE, "kavtrelMain", "Console 1.13",
                                    WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 16, 16, w, h,
                                    nullptr, nullptr, instance, nullptr);
    if (!console_frame) return 0;
    int result = app_main();
    app_started = 1;
    if (result == APP_QUIT_AT_ONCE) return 0;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}
