// The browser's extension and name rules, each under its own name: the
// extension of a name, valid names, and the lookups of an extension among the
// image kinds and in the list of text-file extensions.
#pragma once
#include <cstddef>

// The extension of the file-name part (from its last "."), or null.
const char* file_ext_of(const char* path);
// Replaces the extension of the file-name part, or appends ext. False when it does not fit.
bool replace_extension(char* path, size_t cap, const char* ext);
// Removes one trailing backslash, then appends suffix unless the path ends in it.
bool append_suffix(char* path, size_t cap, const char* suffix);
// 1 when the name holds none of * ? < > backslash.
int is_valid_name(const char* name);

// Index + 1 of text in a table that ends with an empty string, compared
// without regard to case; a null text finds the entry ".". 0 when absent.
int find_in_string_table(const char* text, const char* const* table);

// Kind + 1 of an extension (".jpg"), or 0 when unknown or disabled.
int image_kind_of_ext(const char* ext);
// The same for the extension of a path's file-name part.
int image_kind_of_path(const char* path);
// The settings' variant: kind + 1 when ext belongs to kind and the kind is
// available (a plug-in kind needs its plug-in), whatever its switch; else 0.
int image_kind_of_ext2(const char* ext, int kind);

// Extensions that mark text files: "." stands for names without extension.
enum { TEXT_EXT_MAX = 64, TEXT_EXT_LIST_BUF = 256 };
struct text_ext_list_record {
    int count;
    char text[TEXT_EXT_LIST_BUF + 3];   // a 255-character list with ". " in front and its terminator
    const char* ext[TEXT_EXT_MAX + 1];  // into text; an empty entry ends the table
};
extern text_ext_list_record text_ext_list;
extern const char default_text_extensions[];

// Splits a list of extensions separated by blanks; a list without ". " gets
// ". " in front, so that names without extension count as text.
void parse_text_ext_list(const char* list);
// Index + 1 of the name's extension in the text list, or 0.
int is_text_name(const char* name);

// Rotation kept in a file name: ".r", ".l" or ".i" as the last dot-suffix of
// the name without its extension ("a.r.jpg"). Codes: -1 ".r" (a quarter turn
// clockwise), 1 ".l", 2 ".i", 0 none; the angle is code x 90 degrees.
int rotation_from_name(const char* path);
// Removes the mark from the path; its letter in lower case, or 0 when none.
char strip_rotation_mark(char* path);
// Inserts "." and the letter before the extension of the file-name part
// ("a.jpg" with 'r' gives "a.r.jpg"); false when it does not fit in cap.
bool insert_rotation_mark(char* path, size_t cap, char letter);
