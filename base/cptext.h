// Bounded cp932 text: character walking that treats a double-byte character
// as one unit, and copy, append and format into fixed buffers that report
// whether the whole result fit. Every other module uses these instead of
// strcpy, strcat, sprintf and their kin.
#pragma once
#include <cstdarg>
#include <cstddef>

enum { PATH_BUF = 260 };

// True for a cp932 lead byte (0x81-0x9F, 0xE0-0xFC).
inline bool mb_is_lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The character after the one at p (never past the terminator).
const char* mb_next(const char* p);
// The start of the last character of s, or s itself when s is empty (forward scan).
const char* mb_last(const char* s);
// The start of the character before p within s, or null when p == s.
const char* mb_prev(const char* s, const char* p);
// The first occurrence of the single-byte character c outside double-byte characters.
const char* mb_strchr(const char* s, char c);
// The last occurrence of c outside double-byte characters.
const char* mb_strrchr(const char* s, char c);
inline char* mb_strchr(char* s, char c) { return const_cast<char*>(mb_strchr(static_cast<const char*>(s), c)); }
inline char* mb_strrchr(char* s, char c) { return const_cast<char*>(mb_strrchr(static_cast<const char*>(s), c)); }

// Copy src into dst of cap bytes. On overflow dst is left empty and false is returned.
bool text_copy(char* dst, size_t cap, const char* src);
// Copy at most n bytes of src (never splitting a double-byte character).
bool text_copy_n(char* dst, size_t cap, const char* src, size_t n);
// Append src to the text in dst. On overflow dst is left unchanged and false is returned.
bool text_append(char* dst, size_t cap, const char* src);
// Formatted text. On overflow dst is left empty and false is returned.
bool text_format(char* dst, size_t cap, const char* fmt, ...) __attribute__((format(gnu_printf, 3, 4)));
bool text_vformat(char* dst, size_t cap, const char* fmt, va_list ap);
// Formatted append. On overflow dst is left unchanged and false is returned.
bool text_append_format(char* dst, size_t cap, const char* fmt, ...) __attribute__((format(gnu_printf, 3, 4)));
bool text_vappend_format(char* dst, size_t cap, const char* fmt, va_list ap);
// Formatted text cut to fit (for display only: status lines, titles); never splits a double-byte character.
void text_format_cut(char* dst, size_t cap, const char* fmt, ...) __attribute__((format(gnu_printf, 3, 4)));
void text_vformat_cut(char* dst, size_t cap, const char* fmt, va_list ap);

template <size_t N> bool text_copy(char (&dst)[N], const char* src) { return text_copy(dst, N, src); }
template <size_t N> bool text_append(char (&dst)[N], const char* src) { return text_append(dst, N, src); }
