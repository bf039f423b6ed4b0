// The seams as they stand before start-up: WinHelp and the association's
// program are the real ones; nothing prints until the printing library is in.
#include "browser/model/seams.h"
#include "files/files.h"

namespace {
int no_printing(int, const unsigned char*, int, char* const*) { return 0; }
}  // namespace

browser_seam_table browser_seams = {
    .win_help = WinHelpA,
    .print_selection = no_printing,
    .open_with = open_with_association,
};
