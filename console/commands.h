// The console command interpreter: one command word and the rest of its
// line, run against the table of words (matched by prefix in table order),
// with dollar variables expanded in the rest and blocks that a question can
// switch off.
#pragma once
#include <cstdio>
#include <cstddef>

enum { CONSOLE_GO_ON = 1, CONSOLE_END_RUN = 1961, EXPANDED_BUF = 1024, BLOCK_DEPTH_MAX = 127 };

// 1 to go on, 1961 to end the run. rest may be null; script is the open
// script file, or null in console mode and for one-shot commands.
int run_console_command(const char* word, const char* rest, FILE* script);

// The table's word that word runs, or null (a bad command).
const char* console_word_for(const char* word);

// The block state: depth and per-depth skip flags, for the whole process.
struct block_state {
    int depth;
    unsigned char skip[BLOCK_DEPTH_MAX + 1];
};
extern block_state console_blocks;

// Expands the dollar variables of text into out. False (out empty) when the
// result does not fit or a value holds a variable's token itself.
bool expand_variables(const char* text, char* out, size_t cap);

// Strips one pair of surrounding quotes; cuts the line after its ".exe" (one
// not followed by a backslash; the program in lower case) and returns the
// arguments after the character that followed it, or null without such an
// ".exe" or when nothing follows it.
char* cut_after_exe(char* line);

// The text-editor command ($AppFile): the open command of ".txt" cut after its ".exe".
extern char text_editor_command[512];

void reload_other_instances();
void sendkey_to_windows(const char* title);
// renas: renames the files matching pattern to "NN-line.ext" with lines of
// the script. 0 without a script; -1 when a line was too long (the renaming
// stops there: the lines after it are names, never commands).
int numbered_copy(const char* pattern, FILE* script);
