// Start-up of the program: the hand-over file "param" through which the
// installed program (or another window) hands its start state to the copy in
// the temporary folder, the relaunch, and the command line with its options
// and macros.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include "base/cptext.h"

enum { BUILD_NUMBER = 2350, HANDOVER_BYTES = 1044 };

struct handover_block {
    int32_t early_drop;
    char current_folder[PATH_BUF];
    char command_line[PATH_BUF];
    char program[PATH_BUF];
    char help[PATH_BUF];
};
static_assert(sizeof(handover_block) == HANDOVER_BYTES, "hand-over file");
static_assert(offsetof(handover_block, current_folder) == 4, "current folder at 4");
static_assert(offsetof(handover_block, command_line) == 264, "command line at 264");
static_assert(offsetof(handover_block, program) == 524, "program at 524");
static_assert(offsetof(handover_block, help) == 784, "help at 784");

// The block this process started with (the relaunched copy keeps it).
extern handover_block start_block;

// T\<tail> (T the user's temporary folder) into out (PATH_BUF). 1 when it fits.
int zote_temp_path(const char* tail, char* out);
// T\zote\bin\<name> into out (PATH_BUF). 1 when it fits.
int zote_bin_path(const char* name, char* out);
// Fills a block from this process: the flag, the current folder, the trimmed
// command line, the long program path and the help path. 0 when a field does
// not fit (a command line too long is refused, not cut).
int fill_handover(handover_block* b, int early_drop_flag, const char* command_line);
int write_handover(const char* path, const handover_block& b);
// Reads exactly HANDOVER_BYTES and terminates every field. 0 otherwise.
int read_handover(const char* path, handover_block* b);
// The installed program's side: refreshes the copy, writes "param" and starts
// the copy (or, when the copy could not be refreshed, the program itself).
// Returns 1961 either way; 0 is never returned.
int relaunch_from_temporary_copy(const char* command_line);

// The options of a command line.
struct start_options {
    int expand_level;  // 0 none
    int viewer, direction, interval, full_screen;
    int path_given, any_option;
    char path[PATH_BUF];  // the last token, unquoted and with its macros replaced
    int path_fits;        // 0 when the path with its macros did not fit (refused)
};
void parse_command_line(const char* line, start_options* out);
// Replaces the macros in a path of cap bytes; 0 (path unchanged) when the result does not fit.
int expand_macros(char* path, size_t cap);
// The text for the script runner, or 0 when the line asks for no script run.
int script_text_of(const char* line, char* out, size_t cap);
