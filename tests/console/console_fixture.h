// Drives the console without a window: everything printed is collected, keys
// and typed lines come from scripted queues (ESC once they run out), and the
// seams record reloads, quits and titles instead of acting on other windows.
#pragma once
#include "console/console.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include "tests/support/bench.h"
#include "tests/support/restore.h"
#include <gtest/gtest.h>
#include <cstdarg>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>

struct console_drive {
    static console_drive*& current()
    {
        static console_drive* d = nullptr;
        return d;
    }
    std::string out, status, titles;
    std::deque<int> keys;
    std::deque<std::string> lines;
    int reloads = 0, quits = 0, keys_read = 0;
    int visible = 1;
    std::function<void()> at_key;  // runs before each key is read

    scoped_restore<console_hook_table> keep_hooks{console_hooks};
    scoped_restore<script_seam_table> keep_seams{script_seams};
    scoped_restore<block_state> keep_blocks{console_blocks};
    scoped_restore<int> keep_echo{script_echo_mode};
    scoped_restore<int> keep_logging{file_op_logging};
    char saved_cwd[MAX_PATH];

    static int on_printf(const char* fmt, ...)
    {
        va_list ap;
        va_start(ap, fmt);
        std::string text = bench::vformat(fmt, ap);
        va_end(ap);
        current()->out += text;
        return (int)text.size();
    }
    static int on_status(int, const char* fmt, ...)
    {
        char text[1024];
        va_list ap;
        va_start(ap, fmt);
        vsnprintf(text, sizeof text, fmt, ap);
        va_end(ap);
        current()->status += std::string(text) + "\n";
        return 1;
    }
    static int on_key()
    {
        console_drive* d = current();
        d->keys_read++;
        if (d->at_key) d->at_key();
        if (d->keys.empty()) return KEY_ESC;
        int k = d->keys.front();
        d->keys.pop_front();
        return k;
    }
    static char* on_line(char* buffer, int size)
    {
        console_drive* d = current();
        std::string l = d->lines.empty() ? "" : d->lines.front();
        if (!d->lines.empty()) d->lines.pop_front();
        snprintf(buffer, size, "%s", l.c_str());
        return l.size() < (size_t)size ? buffer : nullptr;  // as the console's: a line that does not fit is none
    }

    console_drive()
    {
        current() = this;
        GetCurrentDirectoryA(sizeof saved_cwd, saved_cwd);
        console_hooks.printf_hook = on_printf;
        console_hooks.getchar_hook = on_key;
        console_hooks.status_hook = on_status;
        console_hooks.logging_on = console_output_on;
        script_seams.install_hooks = [] {};
        script_seams.getline = on_line;
        script_seams.console_visible = [] { return current()->visible; };
        script_seams.console_setup = [](double, double, const char* t) { current()->titles += std::string(t) + "\n"; };
        script_seams.console_title = [](const char* t) { current()->titles += std::string(t) + "\n"; };
        script_seams.reload = [] { current()->reloads++; };
        script_seams.quit = [] { current()->quits++; };
        console_blocks = block_state{};
        script_echo_mode = 1;
        file_op_logging = 1;
    }
    ~console_drive()
    {
        SetCurrentDirectoryA(saved_cwd);
        current() = nullptr;
    }
    console_drive(const console_drive&) = delete;
    console_drive& operator=(const console_drive&) = delete;

    void type(const std::string& k)
    {
        for (char c : k) keys.push_back((unsigned char)c);
    }
    // Runs one console line as console mode would.
    int run(const char* word, const char* rest = nullptr) { return run_console_command(word, rest, nullptr); }
};

inline bool exists(const std::string& p) { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }
inline bool is_dir(const std::string& p)
{
    DWORD a = GetFileAttributesA(p.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// text with every occurrence of root written as "@".
inline std::string expand_at_root(const std::string& text, const std::string& root)
{
    std::string out;
    for (size_t i = 0; i < text.size();) {
        if (!root.empty() && text.compare(i, root.size(), root) == 0) {
            out += '@';
            i += root.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}
