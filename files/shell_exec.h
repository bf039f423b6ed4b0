// Opening files with their associated programs and starting command lines.
#pragma once

// Opens path with a verb of its type (a folder's type is "Folder"): choice 0
// or more picks that verb of list_shell_verbs (none when beyond the list),
// a negative choice the default verb. 1 when the shell started something.
int open_with_association(const char* path, int choice);

// printf-forms a command line (512 bytes) and starts it shown normally;
// 1 when it started.
int run_program(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
