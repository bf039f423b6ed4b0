// The program with the script runner plugged in, for runs through a real
// start-up: message boxes are appended to the file ZOTE_BOX_LOG names and
// answered at once.
#include "graphics/kavtrel.h"
#include <cstdio>

// The console's installer is linked only when something refers to it.
extern "C" int zote_console_installed;
int console_install_anchor() { return zote_console_installed; }

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
