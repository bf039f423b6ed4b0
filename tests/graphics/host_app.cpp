// A program built on the library's process entry whose app_main does what its
// command line names, so that tests can watch how the program starts and ends.
#include "graphics/kavtrel.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

static void say(const char* text)
{
    printf("%s\n", text);
    fflush(stdout);
}

static void exit_hook() { say("exit hook"); }
static int busy() { return 1; }
static int not_busy() { return 0; }

static void report_slots()
{
    for (int i = 1; i < PAGE_SLOTS; i++)
        if (page_table[i]) return;
    say("slots freed");
}

int app_main()
{
    say("app_main");
    app_hooks.exit_hook = exit_hook;
    const char* mode = kavtrel_command_line;
    if (!strcmp(mode, "visible-1961")) {
        ShowWindow(console_frame, SW_SHOWNA);
        return APP_QUIT_AT_ONCE;
    }
    if (!strcmp(mode, "hidden-1961")) {
        _newpage(1, 0, 0, 200, 100);   // a page would otherwise keep the program running
        return APP_QUIT_AT_ONCE;
    }
    if (!strcmp(mode, "hidden-no-page")) return 0;
    if (!strcmp(mode, "close-page")) {
        atexit(report_slots);
        _newpage(1, 0, 0, 200, 100);
        _newbuffer(7, 20, 20);
        ShowWindow(page_table[1]->frame, SW_SHOWNA);
        PostMessageA(page_table[1]->frame, WM_CLOSE, 0, 0);
        return 0;
    }
    if (!strcmp(mode, "close-while-busy")) {
        _newpage(1, 0, 0, 200, 100);
        ShowWindow(page_table[1]->frame, SW_SHOWNA);
        kavtrel_busy_query = busy;
        PostMessageA(page_table[1]->frame, WM_CLOSE, 0, 0);
        _pump();
        if (console_frame && IsWindow(console_frame) && _close_requested()) say("still running, close recorded");
        kavtrel_busy_query = not_busy;
        _honour_close_request();
        return 0;
    }
    say("unknown mode");
    return APP_QUIT_AT_ONCE;
}
