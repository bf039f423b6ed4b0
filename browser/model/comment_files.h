// Comment files: a text file beside an image, named like the image with the
// extension ".txt", which the browser creates, shows, prints and moves along.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// The entry's path with the extension of its file-name part replaced by
// ".txt" (appended when it has none), made absolute. out: 260 bytes.
int comment_file_name(const char* entry, char* out);
// Creates the comment file with a single line end when it does not exist: 1; else 0.
int create_comment_file(const char* entry);
// The comment lines of an image (each at most 1024 bytes, trimmed), wrapped
// to width by the text extents on dc. Without a dc the browser page's
// context is used and width is in twentieths of a pixel.
std::vector<std::string> read_comment_lines(const char* entry, HDC dc, int width);
// 1 when the image's comment file is one of the marked names (marks and
// names have count entries).
int comment_file_selected(const char* image, const unsigned char* marks, char* const* names, int count);
// Moves the old entry's comment file along to the new entry's comment file name.
int move_comment_with_entry(const char* old_entry, const char* new_entry);
// 1 for a ".txt" name beside an image of an enabled kind with the same stem.
int is_comment_text(const char* name);
