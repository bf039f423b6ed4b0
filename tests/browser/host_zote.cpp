// The program itself (the browser's own app_main), with every message box
// appended to the file that ZOTE_BOX_LOG names and answered at once, so that
// a start that fails reports its box instead of waiting for a click nobody
// gives. A file rather than the output: the relaunched copy outlives the
// process the test started, and must not hold the test's pipe open.
#include "graphics/kavtrel.h"
#include <cstdio>

static int report_box(HWND, const char* text, const char* title, UINT)
{
    char log[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("ZOTE_BOX_LOG", log, sizeof log);
    FILE* f = n && n < sizeof log ? fopen(log, "ab") : nullptr;
    if (f) {
        fprintf(f, "MSGBOX[%s]%s\n", title ? title : "", text ? text : "");
        fclose(f);
    }
    return IDOK;
}

static const bool box_reported = (kavtrel_message_box = report_box, true);
