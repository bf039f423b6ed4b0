// Bounded cp932 text helpers (see cptext.h).
#include "base/cptext.h"
#include <cstdio>
#include <cstring>

const char* mb_next(const char* p)
{
    if (!*p) return p;
    if (mb_is_lead((unsigned char)*p) && p[1]) return p + 2;
    return p + 1;
}

const char* mb_last(const char* s)
{
    const char* last = s;
    for (const char* p = s; *p; p = mb_next(p)) last = p;
    return last;
}

const char* mb_prev(const char* s, const char* p)
{
    if (p <= s) return nullptr;
    const char* prev = s;
    for (const char* q = s; q < p && *q; q = mb_next(q)) prev = q;
    return prev;
}

const char* mb_strchr(const char* s, char c)
{
    for (const char* p = s; *p; p = mb_next(p))
        if (*p == c && !(mb_is_lead((unsigned char)*p) && p[1])) return p;
    return c == 0 ? s + strlen(s) : nullptr;
}

const char* mb_strrchr(const char* s, char c)
{
    const char* hit = nullptr;
    for (const char* p = s; *p; p = mb_next(p))
        if (*p == c && !(mb_is_lead((unsigned char)*p) && p[1])) hit = p;
    return hit;
}

bool text_copy(char* dst, size_t cap, const char* src)
{
    if (!cap) return false;
    size_t n = strlen(src);
    if (n >= cap) {
        dst[0] = 0;
        return false;
    }
    memmove(dst, src, n + 1);
    return true;
}

bool text_copy_n(char* dst, size_t cap, const char* src, size_t n)
{
    if (!cap) return false;
    size_t len = 0;
    for (const char* p = src; *p;) {
        const char* q = mb_next(p);
        if (len + (q - p) > n) break;
        len += q - p;
        p = q;
    }
    if (len >= cap) {
        dst[0] = 0;
        return false;
    }
    memmove(dst, src, len);
    dst[len] = 0;
    return true;
}

bool text_append(char* dst, size_t cap, const char* src)
{
    size_t have = strnlen(dst, cap);
    size_t n = strlen(src);
    if (have >= cap || have + n >= cap) return false;
    memmove(dst + have, src, n + 1);
    return true;
}

// Formats into dst from byte at on; what does not fit leaves dst cut at at.
static bool format_at(char* dst, size_t cap, size_t at, const char* fmt, va_list ap)
{
    if (at >= cap) return false;
    int n = vsnprintf(dst + at, cap - at, fmt, ap);
    if (n < 0 || (size_t)n >= cap - at) {
        dst[at] = 0;
        return false;
    }
    return true;
}

bool text_vformat(char* dst, size_t cap, const char* fmt, va_list ap) { return format_at(dst, cap, 0, fmt, ap); }

bool text_format(char* dst, size_t cap, const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    bool ok = text_vformat(dst, cap, fmt, ap);
    va_end(ap);
    return ok;
}

bool text_vappend_format(char* dst, size_t cap, const char* fmt, va_list ap)
{
    return format_at(dst, cap, strnlen(dst, cap), fmt, ap);
}

bool text_append_format(char* dst, size_t cap, const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    bool ok = text_vappend_format(dst, cap, fmt, ap);
    va_end(ap);
    return ok;
}

void text_vformat_cut(char* dst, size_t cap, const char* fmt, va_list ap)
{
    if (!cap) return;
    int n = vsnprintf(dst, cap, fmt, ap);
    if (n >= 0 && (size_t)n < cap) return;
    // Cut at the last whole character that fits.
    size_t len = strnlen(dst, cap - 1), keep = 0;
    for (const char* p = dst; (size_t)(p - dst) < len;) {
        const char* q = mb_is_lead((unsigned char)*p) ? p + 2 : p + 1;
        if ((size_t)(q - dst) > len) break;
        keep = q - dst;
        p = q;
    }
    dst[keep] = 0;
}

void text_format_cut(char* dst, size_t cap, const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    text_vformat_cut(dst, cap, fmt, ap);
    va_end(ap);
}
