// The process entry: prepares the library, creates the console frame and
// hands control to the application, then runs the message loop.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show)
{
    if (!kavtrel_start(instance, previous, command_line)) return 0;
    int result = app_main();
    kavtrel_after_app(result);
    return message_loop();
}
