// Scoped guards for the handles of the file layer: find handles and file
// handles are given back on every way out.
#pragma once
#include <windows.h>

struct find_guard {
    HANDLE h;
    explicit find_guard(HANDLE handle) : h(handle) {}
    ~find_guard() { if (h != INVALID_HANDLE_VALUE) FindClose(h); }
    bool ok() const { return h != INVALID_HANDLE_VALUE; }
    find_guard(const find_guard&) = delete;
    find_guard& operator=(const find_guard&) = delete;
};

struct file_handle_guard {
    HANDLE h;
    explicit file_handle_guard(HANDLE handle) : h(handle) {}
    ~file_handle_guard() { if (h != INVALID_HANDLE_VALUE) CloseHandle(h); }
    bool ok() const { return h != INVALID_HANDLE_VALUE; }
    file_handle_guard(const file_handle_guard&) = delete;
    file_handle_guard& operator=(const file_handle_guard&) = delete;
};
