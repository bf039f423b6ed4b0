// A scoped stdio file: closed on every way out. Only for frames that no
// longjmp crosses (the library's recovery points lie in deeper calls).
#pragma once
#include <cstdio>

struct file_guard {
    FILE* file;
    explicit file_guard(FILE* f) : file(f) {}
    ~file_guard() { if (file) fclose(file); }
    file_guard(const file_guard&) = delete;
    file_guard& operator=(const file_guard&) = delete;
};
