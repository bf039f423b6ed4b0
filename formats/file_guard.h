// A scoped stdio file for the readers that never longjmp: the file is closed
// on every way out.
#pragma once
#include <cstdio>

struct file_guard {
    FILE* file;
    explicit file_guard(FILE* f) : file(f) {}
    ~file_guard() { if (file) fclose(file); }
    file_guard(const file_guard&) = delete;
    file_guard& operator=(const file_guard&) = delete;
};
