// Shared pieces of the archiver tests: the archives made by the Linux tools
// at build time (D:\tests\archives), the stand-ins' command log and test
// switches, status-hook capture, and file helpers.
#pragma once
#include "files/files.h"
#include "graphics/kavtrel.h"
#include "tests/support/bench.h"
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace archiver_test {

inline std::string fixture(const std::string& name) { return bench::exe_folder() + "archives\\" + name; }
inline std::string written(const std::string& name) { return bench::exe_folder() + "archives_out\\" + name; }

inline bool exists(const std::string& p) { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Sets an environment variable for the stand-ins while it lives.
struct env_guard {
    std::string name;
    env_guard(const char* n, const std::string& value) : name(n) { SetEnvironmentVariableA(n, value.c_str()); }
    ~env_guard() { SetEnvironmentVariableA(name.c_str(), nullptr); }
    env_guard(const env_guard&) = delete;
    env_guard& operator=(const env_guard&) = delete;
};

// The stand-ins' command log in a scratch file; lines "Prefix<TAB>command".
struct command_log {
    std::string path;
    env_guard env;
    explicit command_log(const bench::scratch_dir& dir) : path(dir.file("commands.log")), env("ZOTE_ARCHIVER_LOG", path)
    {}
    std::string text() const { return bench::read_file(path); }
};

// Every status text shown, as "page:text" lines, and everything printed.
struct console_capture {
    static std::string& status()
    {
        static std::string s;
        return s;
    }
    static std::string& printed()
    {
        static std::string s;
        return s;
    }
    static int on_status(int page, const char* fmt, ...)
    {
        char text[1024];
        va_list ap;
        va_start(ap, fmt);
        vsnprintf(text, sizeof text, fmt, ap);
        va_end(ap);
        status() += std::to_string(page) + ":" + text + "\n";
        return 1;
    }
    static int on_printf(const char* fmt, ...)
    {
        va_list ap;
        va_start(ap, fmt);
        std::string text = bench::vformat(fmt, ap);
        va_end(ap);
        printed() += text;
        return 1;
    }
    static int on() { return 1; }
    console_hook_table saved;
    console_capture() : saved(console_hooks)
    {
        status().clear();
        printed().clear();
        console_hooks.status_hook = on_status;
        console_hooks.printf_hook = on_printf;
        console_hooks.logging_on = on;
    }
    ~console_capture() { console_hooks = saved; }
    console_capture(const console_capture&) = delete;
    console_capture& operator=(const console_capture&) = delete;
};

// The source tree the fixtures were made from, relative names and bytes.
struct tree_file {
    std::string name;
    std::string bytes;
};
inline std::vector<tree_file> read_tree(const std::string& root, const std::string& prefix = "")
{
    std::vector<tree_file> out;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((root + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        std::string n = fd.cFileName;
        if (n == "." || n == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            for (tree_file& f : read_tree(root + "\\" + n, prefix + n + "\\")) out.push_back(f);
        } else {
            out.push_back({prefix + n, bench::read_file(root + "\\" + n)});
        }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(out.begin(), out.end(), [](const tree_file& a, const tree_file& b) { return a.name < b.name; });
    return out;
}

// A copy of a tree, empty folders included.
inline void copy_tree(const std::string& from, const std::string& to)
{
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((from + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string n = fd.cFileName;
        if (n == "." || n == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            copy_tree(from + "\\" + n, to + "\\" + n);
        else
            CopyFileA((from + "\\" + n).c_str(), (to + "\\" + n).c_str(), FALSE);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

// The folders below root (relative names, sorted), empty ones included.
inline std::vector<std::string> read_folders(const std::string& root, const std::string& prefix = "")
{
    std::vector<std::string> out;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((root + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        std::string n = fd.cFileName;
        if (n == "." || n == ".." || !(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        out.push_back(prefix + n);
        for (const std::string& f : read_folders(root + "\\" + n, prefix + n + "\\")) out.push_back(f);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(out.begin(), out.end());
    return out;
}

// The DOS date and time of a file's last write, in local time.
inline void file_dos_time(const std::string& path, WORD* date, WORD* time)
{
    WIN32_FILE_ATTRIBUTE_DATA d;
    FILETIME local;
    *date = *time = 0;
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d) &&
        FileTimeToLocalFileTime(&d.ftLastWriteTime, &local))
        FileTimeToDosDateTime(&local, date, time);
}

}  // namespace archiver_test
