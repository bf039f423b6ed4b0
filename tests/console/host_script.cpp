// The program itself, for script runs through its real start-up: message boxes are appended to the file ZOTE_BOX_LOG names and
// answered at once.
#include "graphics/kavtrel.h"
#include "tests/support/bench.h"
#include <cstdio>

static const bool box_reported = (kavtrel_message_box = bench::box_to_log, true);
