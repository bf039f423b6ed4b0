// String and path helpers on cp932 text (see strings.h). Every walk goes
// character by character from the start, so the last character of a string
// is found by a forward scan: in "C:\画像\" the byte before the final
// backslash is the trail byte 0x9C, which looks like a lead byte.
#include "files/strings.h"
#include "files/internal.h"
#include <windows.h>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static bool is_single(const char* p, char c) { return *p == c && !(mb_is_lead((unsigned char)*p) && p[1]); }

const char* skip_blanks(const char* s)
{
    while (*s == ' ') s++;
    return s;
}

const char* token_end(const char* s)
{
    const char* p = skip_blanks(s);
    bool quoted = false;
    for (; *p; p = mb_next(p)) {
        if (is_single(p, '"'))
            quoted = !quoted;
        else if (*p == ' ' && !quoted)
            break;
    }
    return p;
}

char* trim_left(char* s)
{
    if (!s) return nullptr;
    char* p = skip_blanks(s);
    if (p != s) memmove(s, p, strlen(p) + 1);
    return s;
}

void trim_right(char* s)
{
    if (!s) return;
    // Keep everything up to the end of the last character that is not a
    // single-byte blank, CR or LF.
    char* keep = s;
    for (char* p = s; *p; p = const_cast<char*>(mb_next(p))) {
        bool single = !(mb_is_lead((unsigned char)*p) && p[1]);
        if (!single || (*p != ' ' && *p != '\r' && *p != '\n')) keep = const_cast<char*>(mb_next(p));
    }
    *keep = 0;
}

void trim(char* s)
{
    if (!s || !*s) return;
    trim_left(s);
    trim_right(s);
}

bool expand_tabs(char* s, size_t cap, int width)
{
    enum { WORK = 1024 };
    if (!s || !cap) return false;
    trim_right(s);
    if (!mb_strchr(s, '\t')) return true;
    if (width < 1) width = 1;
    size_t limit = cap < (size_t)WORK ? cap : (size_t)WORK;
    char work[WORK];
    size_t out = 0;
    bool whole = true;
    for (const char* p = s; *p; p = mb_next(p)) {
        const char* q = mb_next(p);
        size_t n = q - p;
        if (is_single(p, '\t')) {
            size_t blanks = width - (out % width);
            if (out + blanks >= limit) {
                whole = false;
                break;
            }
            memset(work + out, ' ', blanks);
            out += blanks;
        } else {
            if (out + n >= limit) {
                whole = false;
                break;
            }
            memcpy(work + out, p, n);
            out += n;
        }
    }
    work[out] = 0;
    memcpy(s, work, out + 1);
    return whole;
}

void unquote(char* s)
{
    if (!s || !*s) return;
    trim(s);
    if (is_single(s, '"')) {
        char* last = const_cast<char*>(mb_last(s));
        if (last == s) {
            s[0] = 0;
            return;
        }
        if (is_single(last, '"')) {
            s[0] = ' ';
            *last = 0;
            trim(s);
        }
    }
    for (char* p = s; *p;) {
        if (is_single(p, '"') && p[1] == '"') {
            memmove(p, p + 1, strlen(p + 1) + 1);
            continue;
        }
        p = const_cast<char*>(mb_next(p));
    }
}

void strip_extension(char* path)
{
    char* name = file_name_of(path);
    char* dot = mb_strrchr(name, '.');
    if (dot) *dot = 0;
}

bool path_join(char* out, size_t cap, const char* folder, const char* name)
{
    if (!out || !cap) return false;
    if (!name) name = "";
    if (!folder || !*folder) return text_copy(out, cap, name);
    char work[PATH_BUF];
    if (!text_copy(work, folder)) {
        out[0] = 0;
        return false;
    }
    trim_right(work);
    remove_backslash(work);
    if (is_single(name, '\\')) name++;
    char joined[PATH_BUF];
    if (!text_format(joined, sizeof joined, "%s\\%s", work, name)) {
        out[0] = 0;
        return false;
    }
    trim_right(joined);
    return text_copy(out, cap, joined);
}

void remove_backslash(char* path)
{
    if (!path) return;
    char* last = mb_strrchr(path, '\\');
    if (last && last[1] == 0) *last = 0;
}

bool add_backslash(char* path, size_t cap)
{
    if (!path || !*path) return true;
    if (is_single(mb_last(path), '\\')) return true;
    return text_append(path, cap, "\\");
}

bool strcat_printf(char* buf, size_t cap, const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    bool ok = text_vappend_format(buf, cap, fmt, ap);
    va_end(ap);
    return ok;
}

int is_empty_str(const char* s) { return !s || !*s; }

int text_equal_ci(const char* a, const char* b) { return lstrcmpiA(a, b) == 0; }

// CharUpperBuffA maps through the wide form, so a trail byte is never taken
// for a letter.
int text_case_key(char* out, size_t cap, const char* text)
{
    if (!text_copy(out, cap, text)) return 0;
    CharUpperBuffA(out, DWORD(strlen(out)));
    return 1;
}

int is_in_path_env(const char* folder)
{
    enum { ENV_BUF = 32768 };
    if (is_empty_str(folder)) return 0;
    char want[PATH_BUF];
    if (!text_copy(want, folder)) return 0;
    trim(want);
    static char list[ENV_BUF];
    DWORD n = ExpandEnvironmentStringsA("%PATH%", list, sizeof list);
    if (n == 0 || n > sizeof list) return 0;
    // Compare whole entries: "C:\windows" is not found inside "C:\windows\system32".
    for (char* entry = list; entry;) {
        char* semi = mb_strchr(entry, ';');
        if (semi) *semi = 0;
        trim(entry);
        if (*entry && text_equal_ci(entry, want)) return 1;
        entry = semi ? semi + 1 : nullptr;
    }
    return 0;
}

const char* mb_strstr(const char* s, const char* token)
{
    size_t n = strlen(token);
    for (const char* p = s;; p = mb_next(p)) {
        if (strncmp(p, token, n) == 0) return p;
        if (!*p) return nullptr;
    }
}

bool replace_all(char* s, size_t cap, const char* token, const char* replacement)
{
    if (is_empty_str(s) || is_empty_str(token)) return true;
    if (!replacement) replacement = "";
    if (!mb_strstr(s, token)) return true;
    size_t tn = strlen(token), rn = strlen(replacement);
    char* work = static_cast<char*>(malloc(cap));
    if (!work) return false;
    size_t out = 0;
    bool fits = true;
    for (const char* p = s; *p && fits;) {
        if (strncmp(p, token, tn) == 0) {
            if (out + rn >= cap)
                fits = false;
            else {
                memcpy(work + out, replacement, rn);
                out += rn;
            }
            p += tn;
        } else {
            const char* q = mb_next(p);
            if (out + (q - p) >= cap)
                fits = false;
            else {
                memcpy(work + out, p, q - p);
                out += q - p;
            }
            p = q;
        }
    }
    if (fits) {
        work[out] = 0;
        memcpy(s, work, out + 1);
    }
    free(work);
    return fits;
}

char* next_arg(char* line)
{
    if (!line) return nullptr;
    if (!*skip_blanks(line)) {
        line[0] = 0;
        return nullptr;
    }
    char* end = token_end(line);
    if (!*end) return nullptr;
    *end = 0;
    char* rest = skip_blanks(end + 1);
    return *rest ? rest : nullptr;
}

const char* file_name_of(const char* path)
{
    const char* p = mb_strrchr(path, '\\');
    if (p) return p + 1;
    p = mb_strchr(path, ':');
    if (p) return p + 1;
    return path;
}

char* parent_folder(const char* path, char* out, size_t cap)
{
    if (!out || !cap) return nullptr;
    char work[PATH_BUF];
    if (!path || !text_copy(work, path)) {
        out[0] = 0;
        return nullptr;
    }
    remove_backslash(work);
    char* last = mb_strrchr(work, '\\');
    if (!last) {
        if (!text_append(work, "\\")) {
            out[0] = 0;
            return nullptr;
        }
    } else {
        last[1] = 0;
    }
    return text_copy(out, cap, work) ? out : nullptr;
}

int has_extension(const char* path, const char* ext)
{
    const char* name = file_name_of(path);
    size_t n = strlen(ext), m = strlen(name);
    if (n > m) return 0;
    const char* tail = name + (m - n);
    const char* p = name;
    while (p < tail) p = mb_next(p);
    if (p == tail && text_equal_ci(tail, ext)) return 1;
    if (strcmp(ext, ".") == 0) {
        if (!mb_strchr(name, '.')) return 1;
        return is_single(mb_last(name), '.') ? 1 : 0;
    }
    return 0;
}

int is_drive_root(const char* path)
{
    char c = path[0];
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    return letter && path[1] == ':' && strlen(path) <= 3;
}

const char* format_size(double x)
{
    static char buffers[2][50];
    static int turn;
    char* out = buffers[turn];
    turn ^= 1;
    if (x == 0)
        text_copy(out, 50, "0KB");
    else if (x < 100)
        text_format_cut(out, 50, "%.3lfKB", x / 1000);
    else if (x < 1e3)
        text_format_cut(out, 50, "%.2lfKB", x / 1000);
    else if (x < 1e4)
        text_format_cut(out, 50, "%.1lfKB", x / 1000);
    else if (x < 1e6)
        text_format_cut(out, 50, "%.0lfKB", x / 1000);
    else if (x < 1e7)
        text_format_cut(out, 50, "%.1lfMB", x / 1e6);
    else if (x < 1e9)
        text_format_cut(out, 50, "%.0lfMB", x / 1e6);
    else if (x < 1e10)
        text_format_cut(out, 50, "%.1lfGB", x / 1e9);
    else if (x < 1e12)
        text_format_cut(out, 50, "%.0lfGB", x / 1e9);
    else if (x < 1e13)
        text_format_cut(out, 50, "%.2lfTB", x / 1e12);
    else
        text_format_cut(out, 50, "%.0lfTB", x / 1e12);
    return out;
}
