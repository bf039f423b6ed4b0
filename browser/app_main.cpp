// The application's main function. Until the browser is built it shows the
// console, greets the user and says back each line typed, so that the program
// runs and the console's input can be tried.
#include "graphics/kavtrel.h"
#include "graphics/console.h"
#include "browser/browser_list.h"
#include <cstring>

int app_main()
{
    browser_list_init();
    console_hooks.printf_hook = con_printf;
    console_hooks.getchar_hook = _getchar_entry;
    console_hooks.status_hook = _status_printf;
    _show_console();
    con_printf("ZOTE\n");
    char line[1024];
    for (;;) {
        con_printf("> ");
        con_getline(line, sizeof line);
        char* text = strncmp(line, "> ", 2) == 0 ? line + 2 : line;
        text[strcspn(text, "\r\n")] = 0;
        con_printf("%s\n", text);
    }
}
