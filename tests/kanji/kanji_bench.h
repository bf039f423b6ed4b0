// Helpers of the kanji converter's tests: run a command on real files in a
// scratch folder and read back the result.
#pragma once
#include "kanji/unkanj.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

struct unkanj_result {
    int code;
    std::string message;
};

inline unkanj_result unkanj(const std::string& command)
{
    char message[UNKANJ_MESSAGE_BUF];
    memset(message, 'x', sizeof message);
    int code = unkanj_main(command.c_str(), message);
    return {code, message};
}

// Writes input to a source file, runs "t <switches> src dst" and returns the
// destination's bytes (the result code in *code).
inline std::string convert_text(const bench::scratch_dir& dir, const std::string& switches, const std::string& input,
                                int* code = nullptr)
{
    std::string src = dir.write("in.txt", input);
    std::string dst = dir.file("out.txt");
    DeleteFileA(dst.c_str());
    unkanj_result r = unkanj("t " + switches + " \"" + src + "\" \"" + dst + "\"");
    if (code) *code = r.code;
    return bench::read_file(dst);
}

// Runs "c <switches> src" on the input.
inline int check_text(const bench::scratch_dir& dir, const std::string& input, const std::string& switches = "")
{
    std::string src = dir.write("check.txt", input);
    return unkanj("c " + switches + " \"" + src + "\"").code;
}

// Bytes written as hexadecimal pairs, for readable failures.
inline std::string hex(const std::string& s)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (!out.empty()) out += ' ';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// The reference texts made by iconv at build time, beside the test program.
inline std::string reference_text(const char* name)
{
    return bench::read_file(bench::exe_folder() + "kanji_ref\\" + name);
}
