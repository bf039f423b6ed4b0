// Plugs the print dialog into the browser's print slot. The program links
// this file by name (see CMakeLists.txt), since nothing else refers to it.
#include "print/print_dialog.h"
#include "browser/app_hooks.h"

extern "C" int zote_print_installed;
int zote_print_installed = (install_print_hooks(), 1);
