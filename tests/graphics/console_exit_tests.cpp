// Ways out of the console in a child process: the quit message met while
// reading a key, and Exit or a close of the console frame asked for while
// the application is busy.
#include "tests/graphics/console_support.h"
#include <cstdio>

using namespace console_test;

namespace {

void say(const char* text)
{
    printf("%s\n", text);
    fflush(stdout);
}

int busy() { return 1; }
int idle() { return 0; }

}  // namespace

ZOTE_CHILD(getchar_meets_quit)
{
    if (!ready()) return 2;
    PostQuitMessage(0);
    con_getchar();
    say("returned");
    return 3;
}

TEST(ConsoleExit, TheQuitMessageWhileReadingAKeyEndsTheProcess)
{
    auto r = bench::run_child("getchar_meets_quit");
    EXPECT_EQ(r.exit_code, 0u);
    EXPECT_EQ(r.output, "");
}

ZOTE_CHILD(close_while_busy)
{
    if (!ready()) return 2;
    _show_console();
    kavtrel_busy_query = busy;
    SendMessageA(console_frame, WM_COMMAND, CMD_EXIT, 0);
    SendMessageA(console_frame, WM_CLOSE, 0, 0);
    if (console_frame && IsWindow(console_frame) && close_requested()) say("recorded");
    kavtrel_busy_query = idle;
    honour_close_request();
    if (!console_frame) say("closed");
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    say("quit");
    return 0;
}

TEST(ConsoleExit, ExitAndCloseWhileBusyWaitForTheBusyStateToEnd)
{
    auto r = bench::run_child("close_while_busy");
    EXPECT_EQ(r.exit_code, 0u);
    std::string out;
    for (char c : r.output)
        if (c != '\r') out += c;
    EXPECT_EQ(out, "recorded\nclosed\nquit\n");
}
