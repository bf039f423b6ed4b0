// String and path helpers on cp932 text: blanks, tokens, quotes, tabs, path
// pieces, joining, search-and-replace and the short size text. A double-byte
// character is always one unit: a trail byte (which may be 0x5C, a backslash)
// is never taken for a delimiter. Helpers that write a path take the capacity
// of their output; a result that does not fit makes the call fail (the output
// is left empty), it is never cut, because a cut path names another file.
#pragma once
#include <cstddef>
#include "base/cptext.h"

// First character that is not a blank (0x20).
const char* skip_blanks(const char* s);
inline char* skip_blanks(char* s) { return const_cast<char*>(skip_blanks(static_cast<const char*>(s))); }

// After leading blanks, the first blank outside double quotes, or the terminator.
const char* token_end(const char* s);
inline char* token_end(char* s) { return const_cast<char*>(token_end(static_cast<const char*>(s))); }

// Removes trailing blanks, CR and LF in place.
void trim_right(char* s);
// trim_left then trim_right.
void trim(char* s);

// Trims the end, then replaces each tab by blanks up to the next multiple of
// width (a double-byte character counts two columns). The result is bounded
// by cap and by a 1024-byte work buffer; a line that would not fit is cut at
// the last whole character and the call returns false.
bool expand_tabs(char* s, size_t cap, int width);

// Trims, removes one pair of surrounding double quotes and reduces every run
// of double quotes to one.
void unquote(char* s);

// Cuts the file-name part at its last dot.
void strip_extension(char* path);

// out = folder + "\" + name (see the rules in strings.cpp); out may be folder's
// own buffer. False (out empty) when the result does not fit in cap.
bool path_join(char* out, size_t cap, const char* folder, const char* name);
template <size_t N> bool path_join(char (&out)[N], const char* folder, const char* name)
{
    return path_join(out, N, folder, name);
}

// Removes a backslash that is the last character.
void remove_backslash(char* path);
// Appends a backslash unless the last character is one. False (unchanged)
// when it does not fit in cap.
bool add_backslash(char* path, size_t cap);
template <size_t N> bool add_backslash(char (&path)[N]) { return add_backslash(path, N); }

// 1 for null or empty.
int is_empty_str(const char* s);

// Replaces every occurrence of token by replacement, left to right; the
// search goes on behind each inserted replacement, so it ends even when the
// replacement holds the token. False (s unchanged) when the result does not
// fit in cap. Nothing happens for a null or empty string or token.
bool replace_all(char* s, size_t cap, const char* token, const char* replacement);
template <size_t N> bool replace_all(char (&s)[N], const char* token, const char* replacement)
{
    return replace_all(s, N, token, replacement);
}

// Cuts the first (quote-aware) token off the line and returns the rest behind
// its blanks, or null when there is no rest (the line is then unchanged, or
// empty when it held only blanks).
char* next_arg(char* line);

// The file-name part: behind the last backslash, else behind the first colon, else all.
const char* file_name_of(const char* path);
inline char* file_name_of(char* path) { return const_cast<char*>(file_name_of(static_cast<const char*>(path))); }

// The parent folder with its trailing backslash ("C:\a\b" -> "C:\a\", "C:" -> "C:\").
// out may be path's own buffer. Returns out, or null (out empty) when it does not fit.
char* parent_folder(const char* path, char* out, size_t cap);
template <size_t N> char* parent_folder(const char* path, char (&out)[N]) { return parent_folder(path, out, N); }

// 1 when the file-name part ends in ext (case-insensitive); ext "." means "no extension".
int has_extension(const char* path, const char* ext);

// 1 for a letter, a colon and at most one more byte ("C:", "C:\").
int is_drive_root(const char* path);

// Size text in decimal units ("0KB", "0.001KB", "123MB", "1.5GB"...), in one
// of two static buffers used in turn.
const char* format_size(double bytes);

// First occurrence of token in s, matched only at character starts.
const char* mb_strstr(const char* s, const char* token);
inline char* mb_strstr(char* s, const char* token)
{
    return const_cast<char*>(mb_strstr(static_cast<const char*>(s), token));
}

// Case-insensitive, double-byte-aware equality of two texts.
int text_equal_ci(const char* a, const char* b);
// The text's key for lookups that ignore case as text_equal_ci does: its
// characters upper-cased by the system's double-byte-aware mapping, into out
// (cap bytes). Texts equal in that sense have the same key. 0 when it does not fit.
int text_case_key(char* out, size_t cap, const char* text);
