// The application's main function. Until the browser is built it shows the
// console and greets the user, so that the program runs.
#include "graphics/kavtrel.h"

int app_main()
{
    ShowWindow(console_frame, SW_SHOW);
    console_hooks.printf_hook("ZOTE\n");
    return 0;
}
