// The converter's command interface: parses the command string into a
// CUnKanj, opens the source and the destination (making its folders), runs the
// filter piece by piece and reports the result with its message.
#include "kanji/internal.h"
#include "base/cptext.h"
#include "base/holders.h"
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <new>

static const char usage_text[] = "unkanj version 0.05 : kanji code filter\n"
                                 "author: the ZOTE kanji team\n"
                                 "unkanj {t|c|?} [-switch] src [dst]\n"
                                 " t:convert c:check ?:help\n"
                                 " -j -e -s:output JIS/EUC/SJIS -J -E -S:input\n"
                                 " -crlf -cr -lf -ki{b@k} -ko{bjh} -rN(KB) -g1\n";

static const char* const check_texts[] = {
    "check ok -> may be <<binary>> file.", "check ok -> may be <<ascii>> file.",     "check ok -> may be <<jis>> file.",
    "check ok -> may be <<euc>> file.",    "check ok -> may be <<shift-jis>> file.",
};

// Splits the command at blanks; a token that begins with a double quote runs
// to the next double quote.
static const char* next_token(const char* p, std::string* token)
{
    while (*p == ' ' || *p == '\t') p++;
    if (!*p) return nullptr;
    token->clear();
    if (*p == '"') {
        const char* end = p + 1;
        while (*end && *end != '"') end++;
        token->assign(p + 1, end);
        return *end ? end + 1 : end;
    }
    const char* end = p;
    while (*end && *end != ' ' && *end != '\t') end++;
    token->assign(p, end);
    return end;
}

static bool parse_long_switch(CUnKanj* k, std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    if (s == "CRLF") {
        k->line_end_mode = LINE_END_CRLF;
    } else if (s == "CR") {
        k->line_end_mode = LINE_END_CR;
    } else if (s == "LF") {
        k->line_end_mode = LINE_END_LF;
    } else if (s.size() == 3 && s.compare(0, 2, "KI") == 0 && (s[2] == 'B' || s[2] == '@' || s[2] == 'K')) {
        k->ki_letter = s[2];
    } else if (s.size() == 3 && s.compare(0, 2, "KO") == 0 && (s[2] == 'B' || s[2] == 'J' || s[2] == 'H')) {
        k->ko_letter = s[2];
    } else if (s[0] == 'R') {
        // 1 to 65536 KB: larger sizes would wrap the byte count.
        if (s.size() < 2 || s.size() > 6) return false;
        unsigned long n = 0;
        for (size_t i = 1; i < s.size(); i++) {
            if (s[i] < '0' || s[i] > '9') return false;
            n = n * 10 + unsigned(s[i] - '0');
        }
        if (n < 1 || n > 65536) return false;
        k->read_size = unsigned(n * 1024);
    } else if (s == "G1") {
        k->gaiji = 1;
    } else {
        return false;
    }
    return true;
}

static bool parse_switch(CUnKanj* k, const std::string& s)
{
    if (s.size() == 1) {
        switch (s[0]) {
        case 'j': k->output_code = KANJI_JIS; return true;
        case 'e': k->output_code = KANJI_EUC; return true;
        case 's': k->output_code = KANJI_SJIS; return true;
        // The converter follows from the output code given so far.
        case 'J': k->select_converter(KANJI_JIS); return true;
        case 'E': k->select_converter(KANJI_EUC); return true;
        case 'S': k->select_converter(KANJI_SJIS); return true;
        }
        return false;
    }
    return !s.empty() && parse_long_switch(k, s);
}

int parse_unkanj_switches(CUnKanj* k, const char* command, std::string* source, std::string* destination)
{
    source->clear();
    destination->clear();
    std::string token;
    const char* p = next_token(command, &token);
    if (!p || token.empty()) return 0;
    char c = token[0];
    if (c == '?') {
        k->mode = UNKANJ_HELP;
        return 0;
    }
    if (c == 't' || c == 'T')
        k->mode = UNKANJ_CONVERT;
    else if (c == 'c' || c == 'C')
        k->mode = UNKANJ_CHECK;
    else
        return 0;
    int names = 0;
    while ((p = next_token(p, &token)) != nullptr) {
        if (!token.empty() && (token[0] == '-' || token[0] == '/')) {
            if (!parse_switch(k, token.substr(1))) return 0;
        } else if (names == 0) {
            *source = token;
            names++;
        } else if (names == 1) {
            *destination = token;
            names++;
        } else {
            return 0;
        }
    }
    return 1;
}

int make_output_dirs(const char* path)
{
    size_t length = strlen(path);
    if (length == 0) return 0;
    char prefix[PATH_BUF];
    if (length >= sizeof prefix) return 0;
    int result = 0;
    int backslashes = 0;
    bool unc = path[0] == '\\' && path[1] == '\\';
    for (const char* p = path; *p; p = mb_next(p)) {
        if (*p != '\\') continue;
        backslashes++;
        size_t n = size_t(p - path);
        if (unc && backslashes <= 2) continue;
        if (n == 0 || path[n - 1] == ':') continue;
        memcpy(prefix, path, n);
        prefix[n] = 0;
        result = CreateDirectoryA(prefix, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
    }
    if (path[length - 1] != '\\' || mb_last(path) != path + length - 1)
        result = CreateDirectoryA(path, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
    return result ? 1 : 0;
}

// The folder of the destination, or the current folder when it has none.
static bool destination_folder(const std::string& destination, std::string* folder)
{
    const char* slash = mb_strrchr(destination.c_str(), '\\');
    if (slash) {
        folder->assign(destination.c_str(), slash);
        if (folder->empty() || (*folder)[folder->size() - 1] == ':') folder->push_back('\\');
        return true;
    }
    char current[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(sizeof current, current);
    if (n == 0 || n >= sizeof current) return false;
    folder->assign(current, n);
    return true;
}

namespace {
// The standard output switched to binary for the scope; the mode it had goes
// back at the end (when the switch told it).
struct binary_stdout_traits {
    using handle = bool;
    int old_mode = -1;
    static bool none() { return false; }
    void close(bool) const
    {
        fflush(stdout);
        if (old_mode != -1) _setmode(_fileno(stdout), old_mode);
    }
};
using binary_stdout = holder<binary_stdout_traits>;

binary_stdout stdout_to_binary()
{
    fflush(stdout);
    return binary_stdout(true, binary_stdout_traits{_setmode(_fileno(stdout), _O_BINARY)});
}

// The destination: a file, or the standard output when no name is given.
struct output_sink {
    std::ofstream file;
    binary_stdout to_stdout;
    void write(const unsigned char* data, size_t n)
    {
        if (to_stdout)
            fwrite(data, 1, n, stdout);
        else
            file.write(reinterpret_cast<const char*>(data), std::streamsize(n));
    }
};

// A conversion writes into a temporary file beside the destination, which
// replaces the destination only when the whole run succeeded: a run that the
// binary rule or a failure stops leaves an earlier destination as it was.
// The temporary file goes on every way out unless it was moved into place.
struct pending_output_traits {
    using handle = std::string;
    static std::string none() { return std::string(); }
    void close(const std::string& temp) const { DeleteFileA(temp.c_str()); }
};
using pending_output = holder<pending_output_traits>;

// A block from unkanj_allocate.
void free_piece(unsigned char* data) { ::operator delete(data); }
using piece_buffer = holder<null_handle_traits<unsigned char*, free_piece>>;
}  // namespace

// Closes the stream (open on the destination) and opens it on a new
// temporary file in the destination's folder.
static bool open_temporary(const std::string& destination, std::ofstream* file, std::string* temp)
{
    file->close();
    std::string folder;
    char name[MAX_PATH];
    if (!destination_folder(destination, &folder) || !GetTempFileNameA(folder.c_str(), "ukj", 0, name)) return false;
    *temp = name;
    file->clear();
    file->open(name, std::ios::out | std::ios::binary | std::ios::trunc);
    return file->is_open();
}

static int run(CUnKanj& k, const std::string& source, const std::string& destination, char* text, bool* check_to_stdout)
{
    if (!k.open_source(source.c_str())) {
        text_format_cut(text, UNKANJ_MESSAGE_BUF, "error:\"%s\" can not open.", source.c_str());
        return UNKANJ_SOURCE_ERROR;
    }
    pending_output pending;
    bool created = false;
    output_sink sink;
    if (!destination.empty()) {
        // A conversion opens the destination without cutting it, to learn
        // that it can be written; the text goes to the temporary file.
        bool convert = k.mode == UNKANJ_CONVERT;
        const std::ios::openmode how = std::ios::out | std::ios::binary | (convert ? std::ios::app : std::ios::trunc);
        created = GetFileAttributesA(destination.c_str()) == INVALID_FILE_ATTRIBUTES;
        sink.file.open(destination.c_str(), how);
        if (!sink.file.is_open()) {
            std::string folder;
            bool made = destination_folder(destination, &folder) && make_output_dirs(folder.c_str());
            if (made) {
                sink.file.clear();
                sink.file.open(destination.c_str(), how);
            }
            if (!made || !sink.file.is_open()) {
                text_format_cut(text, UNKANJ_MESSAGE_BUF, "error:\"%s\" can not open.", destination.c_str());
                return UNKANJ_DESTINATION_ERROR;
            }
        }
        if (convert && !open_temporary(destination, &sink.file, pending.receive())) {
            text_format_cut(text, UNKANJ_MESSAGE_BUF, "error:\"%s\" can not open.", destination.c_str());
            return UNKANJ_DESTINATION_ERROR;
        }
    } else if (k.mode == UNKANJ_CONVERT) {
        sink.to_stdout = stdout_to_binary();
    }

    if (!k.allocate_buffer()) throw std::bad_alloc();
    // The output piece is bounded by its size; the engine stops a piece
    // before it could overrun, however much the text expands.
    size_t piece_size = size_t(k.read_size) + 64;
    piece_buffer piece(static_cast<unsigned char*>(unkanj_allocate(piece_size)));
    if (!piece) throw std::bad_alloc();

    for (;;) {
        size_t n = k.convert(piece.get(), piece_size);
        if (k.mode == UNKANJ_CHECK) break;
        if (n > 0) sink.write(piece.get(), n);
        if (n == 0 || k.finished()) break;
    }
    if (k.mode == UNKANJ_CHECK) {
        int code = k.input_code;
        if (code < KANJI_BINARY || code > KANJI_SJIS) code = KANJI_ASCII;
        if (destination.empty()) *check_to_stdout = true;
        text_copy(text, UNKANJ_MESSAGE_BUF, check_texts[code + 1]);
        return code;
    }
    if (k.input_code == KANJI_BINARY) {
        // Stopped by the binary rule: reported as the check reports a binary
        // file, and a destination made by this run goes again.
        sink.file.close();
        if (created && pending) DeleteFileA(destination.c_str());
        text_copy(text, UNKANJ_MESSAGE_BUF, check_texts[0]);
        return KANJI_BINARY;
    }
    if (pending) {
        sink.file.close();
        k.source.close();
        if (sink.file.fail() || !MoveFileExA(pending.get().c_str(), destination.c_str(),
                                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
            text_format_cut(text, UNKANJ_MESSAGE_BUF, "error:\"%s\" can not open.", destination.c_str());
            return UNKANJ_DESTINATION_ERROR;
        }
        pending.release();
    }
    return 0;
}

// One command; quiet keeps the check text of `c` off the standard output.
static int unkanj_run(const char* command, char* message, bool quiet)
{
    char text[UNKANJ_MESSAGE_BUF] = "";
    int result = 0;
    bool check_to_stdout = false;
    {
        CUnKanj k;
        std::string source, destination;
        if (!parse_unkanj_switches(&k, command ? command : "", &source, &destination)) {
            if (k.mode == UNKANJ_HELP) {
                text_copy_n(text, sizeof text, usage_text, sizeof text - 1);
                result = 0;
            } else {
                text_copy(text, "parameter error.");
                result = UNKANJ_PARAMETER_ERROR;
            }
        } else {
            try {
                result = run(k, source, destination, text, &check_to_stdout);
            } catch (const std::bad_alloc&) {
                text_copy(text, "error:memory error is ocured.\n");
                result = UNKANJ_MEMORY_ERROR;
            }
        }
    }
    if (check_to_stdout && quiet) {
        text[0] = 0;
    } else if (check_to_stdout) {
        fputs(text, stdout);
        fflush(stdout);
        text[0] = 0;
    }
    if (message)
        text_copy(message, UNKANJ_MESSAGE_BUF, text);
    else if (text[0]) {
        fputs(text, stderr);
        fflush(stderr);
    }
    return result;
}

int unkanj_main(const char* command, char* message) { return unkanj_run(command, message, false); }

int kanji_code_of_file(const char* path)
{
    char command[PATH_BUF + 8], message[UNKANJ_MESSAGE_BUF];
    if (!text_format(command, sizeof command, "c \"%s\"", path)) return UNKANJ_PARAMETER_ERROR;
    return unkanj_run(command, message, true);
}
