// Logged file operations: delete, copy and move files and trees, make and
// remove folders, delete by pattern, and the console's copy command. Each
// gives 1 for success and 0 for failure and prints one log line per changed
// item ("..rm", "..RM", "..cp", "..mv", "..md", "..rd") through the console
// hooks while logging is on.
#pragma once
#include "files/walker.h"

// The file-operation logging flag (on by default). The console switches it
// off while it deletes its own work trees; log lines need it and the
// console's logging query both.
extern int file_op_logging;
void set_file_op_logging(int on);
// Prints one log line through the console hooks when logging is on.
void file_op_log(const char* fmt, ...) __attribute__((format(gnu_printf, 1, 2)));

// 1 when both paths name one existing item under any spelling (case, short
// names, a drive mapped onto it), 0 when they do not (or one is missing),
// -1 when it cannot be told.
int same_item(const char* a, const char* b);

// DeleteFileA, then once more after resetting the attributes ("..RM").
int rm_file(const char* path);
// A file with CopyFileA (overwriting), a folder as a tree; 0 when the source
// is missing or anything failed to copy.
int cp_file(const char* source, const char* destination);
// A rename on one drive (no overwrite); across drives a complete copy first,
// and the source is deleted only after the whole copy succeeded.
int mv_file(const char* source, const char* destination);
// Makes the folder and its missing parents, outermost first; 0 when it exists.
int md_path(const char* path);
// Removes an empty folder (attributes reset first); always 1.
int rd_folder(const char* path);
// Copies a folder tree; 0 when the destination lies inside the source or any
// item failed to copy.
int cp_tree(const char* source, const char* destination);
// Deletes a tree: files, then folders bottom-up, then the folder. Links
// inside it are removed without touching what they point to. Always 1.
int rm_tree(const char* folder);
// Deletes what is at path: a folder with its tree, or a file; nothing when
// nothing is there.
void rm_item(const char* path);
// Deletes the files matching the pattern at the end of the formed path (one
// level; in the tree variant also in every folder below). 0 when the formed
// path does not fit.
int rm_matching(const char* fmt, ...) __attribute__((format(gnu_printf, 1, 2)));
int rm_matching_tree(const char* fmt, ...) __attribute__((format(gnu_printf, 1, 2)));
// The console's copy command: "source [destination]" with wildcards.
int cp_command(const char* line);
