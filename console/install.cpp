// Plugs the script runner into the start-up's slot. The program links this
// file by name (see CMakeLists.txt), since nothing else refers to it.
#include "console/script.h"
#include "browser/app_hooks.h"

extern "C" int zote_console_installed;
int zote_console_installed = (browser_app_hooks.script_mode = script_mode, 1);
