// The application's main function. Until the browser is built it shows the
// console and greets the user, so that the program runs.
#include "graphics/kavtrel.h"
#include "graphics/console.h"

int app_main()
{
    console_hooks.printf_hook = con_printf;
    console_hooks.getchar_hook = _getchar_entry;
    console_hooks.status_hook = _status_printf;
    _show_console();
    console_hooks.printf_hook("ZOTE\n");
    return 0;
}
