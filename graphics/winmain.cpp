// The process entry: lets the application end a start that needs no window,
// prepares the library, creates the console frame and hands control to the
// application, then runs the message loop.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show)
{
    if (app_before_windows(command_line ? command_line : "") == APP_QUIT_AT_ONCE) return 0;
    if (!kavtrel_start(instance, previous, command_line)) return 0;
    int result = app_main();
    kavtrel_after_app(result);
    return message_loop();
}
