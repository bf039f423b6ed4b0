// The browser's seams to what lies outside the program: WinHelp, the
// printing library and the program associated with a file. Start-up fills
// them (install_browser_seams); tests put stand-ins here, so that no help
// program, print job or associated program is started.
#pragma once
#include <windows.h>

struct browser_seam_table {
    // WinHelp: it leaves a help program running on a missing file.
    BOOL(WINAPI* win_help)(HWND window, LPCSTR file, UINT command, ULONG_PTR data);
    // The print dialog over the list's marks (1 when it printed).
    int (*print_selection)(int count, const unsigned char* marks, int selected, char* const* names);
    // Opens a path with its associated program by the shell verb (1 when started).
    int (*open_with)(const char* path, int verb);
};
extern browser_seam_table browser_seams;
