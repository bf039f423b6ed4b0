// The program itself (the browser's own app_main), with every message box
// appended to the file that ZOTE_BOX_LOG names and answered at once, so that
// a start that fails reports its box instead of waiting for a click nobody
// gives. A file rather than the output: the relaunched copy outlives the
// process the test started, and must not hold the test's pipe open.
#include "graphics/kavtrel.h"
#include "tests/support/bench.h"
#include <cstdio>

static const bool box_reported = (kavtrel_message_box = bench::box_to_log, true);
