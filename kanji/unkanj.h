// The kanji code converter: a small text filter driven by one command string.
// It classifies a text file as JIS, EUC, Shift-JIS, ASCII or binary, and
// converts between the three kanji codes with line-end rewriting. The browser
// classifies text files with `c "name"` and converts them for the text preview
// with `t -s -J "in" "out"` or `t -s -E "in" "out"`.
#pragma once

// kanji_code values (0 also means "no code given").
enum {
    KANJI_BINARY = -1,
    KANJI_ASCII = 0,
    KANJI_JIS = 1,
    KANJI_EUC = 2,
    KANJI_SJIS = 3,
};

// Results of unkanj_main besides the kanji codes of `c` and 0.
enum {
    UNKANJ_PARAMETER_ERROR = -4,
    UNKANJ_SOURCE_ERROR = -5,
    UNKANJ_DESTINATION_ERROR = -6,
    UNKANJ_MEMORY_ERROR = -7,
};

enum { UNKANJ_MESSAGE_BUF = 256 };

// Runs one command: "t [switches] source [destination]" converts,
// "c [switches] source [destination]" classifies, "?" gives the usage text.
// message: a buffer of UNKANJ_MESSAGE_BUF bytes, or null (then the message goes
// to the standard error stream). Returns the kanji code for `c`, 0 for `t` and
// `?`, or one of the errors above.
int unkanj_main(const char* command, char* message);
// The code of a text file as `c` finds it, or an error above, without the
// check text that `c` writes to the standard output: for callers that only
// want to know (the browser classifying its entries).
int kanji_code_of_file(const char* path);
