// The program with the script runner plugged in, for runs through a real
// start-up: message boxes are appended to the file ZOTE_BOX_LOG names and
// answered at once.
#include "graphics/kavtrel.h"
#include "tests/support/bench.h"
#include <cstdio>

// The console's installer is linked only when something refers to it.
extern "C" int zote_console_installed;
int console_install_anchor() { return zote_console_installed; }

static const bool box_reported = (kavtrel_message_box = bench::box_to_log, true);
