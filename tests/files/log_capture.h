// Records the console output of the file operations: while an object lives,
// the console hooks say logging is on and collect every printed line.
#pragma once
#include "graphics/kavtrel.h"
#include "tests/support/restore.h"
#include <cstdarg>
#include <cstdio>
#include <string>

struct log_capture {
    static std::string& text()
    {
        static std::string t;
        return t;
    }
    static int record(const char* fmt, ...)
    {
        char line[4096];
        va_list ap;
        va_start(ap, fmt);
        vsnprintf(line, sizeof line, fmt, ap);
        va_end(ap);
        text() += line;
        return 1;
    }
    static int on() { return 1; }
    scoped_restore<console_hook_table> keep_hooks{console_hooks};
    log_capture()
    {
        text().clear();
        console_hooks.printf_hook = record;
        console_hooks.logging_on = on;
    }
    log_capture(const log_capture&) = delete;
    log_capture& operator=(const log_capture&) = delete;
};
