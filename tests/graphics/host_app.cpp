// A program built on the library's process entry whose app_main does what its
// command line names, so that tests can watch how the program starts and ends.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"  // reports the page table and the console frame as the program ends
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

static int slots_in_use()
{
    int n = 0;
    for (int i = 1; i < PAGE_SLOTS; i++)
        if (page_table[i]) n++;
    return n;
}

// The exit hook comes first, while the pages still stand; the scanner is let
// go of after every slot is freed.
static void exit_hook_sees_pages()
{
    say(current_page == page_table[1] && slots_in_use() == 2 ? "exit hook, pages standing" : "exit hook, pages gone");
}

static void scanner_unload() { say(slots_in_use() ? "scanner unloaded, slots kept" : "scanner unloaded, slots freed"); }

static void report_slots()
{
    if (!slots_in_use()) say("slots freed");
}

// "before-windows-1961" ends the start before the library makes a window.
int app_before_windows(const char* command_line)
{
    if (strcmp(command_line, "before-windows-1961")) return 0;
    say(console_frame || current_page ? "before windows, windows made" : "before windows, none made");
    return APP_QUIT_AT_ONCE;
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
        _newpage(1, 0, 0, 200, 100);  // a page would otherwise keep the program running
        return APP_QUIT_AT_ONCE;
    }
    if (!strcmp(mode, "hidden-no-page")) return 0;
    if (!strcmp(mode, "close-page")) {
        atexit(report_slots);
        app_hooks.exit_hook = exit_hook_sees_pages;
        scanner_unload_hook = scanner_unload;
        _newbuffer(7, 20, 20);
        _newpage(1, 0, 0, 200, 100);
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
        if (console_frame && IsWindow(console_frame) && close_requested()) say("still running, close recorded");
        kavtrel_busy_query = not_busy;
        honour_close_request();
        return 0;
    }
    say("unknown mode");
    return APP_QUIT_AT_ONCE;
}
