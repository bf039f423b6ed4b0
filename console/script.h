// Script runs: the console tool a start-up with "/script" or a script file
// turns the program into. One command, a script file, a pack or unpack job or
// an interactive console runs, and the process ends with 1961. Commands are
// run by the interpreter (console/commands.h).
#pragma once
#include <cstdio>

enum {
    SCRIPT_ARG_BUF = 256,    // the argument of a script run
    SCRIPT_LINE_BUF = 512,   // one script line, terminator included
    CONSOLE_LINE_BUF = 512,  // one line typed in console mode
    KEY_ESC = 27,
    KEY_ENTER = 10,
};

// 0 off, 1 echo while the console window is visible, 2 echo on (once).
extern int script_echo_mode;

// What a script run needs of the window library beyond the console hooks:
// the line reader, the page and visibility of the console, posting the reload
// command to every instance and ending the process. Tests replace them.
struct script_seam_table {
    void (*install_hooks)();                   // console printf, getchar, status, logging query
    char* (*getline)(char* buffer, int size);  // the console's line reader
    int (*console_visible)();
    void (*console_setup)(double width, double height, const char* title);
    void (*console_title)(const char* title);  // the size kept
    void (*reload)();                          // reload_other_instances
    void (*quit)();                            // ends the process (_quit_loop)
};
extern script_seam_table script_seams;

int script_mode(const char* text);
// Runs the script at path from the line after the label (or from the start).
// 1961 when a command ended the run, else 1.
int run_script_file(const char* path, const char* label);
void console_mode();
// One line of a script into line (size bytes, its line feed kept): 1 read, 0
// at the end, -1 when the line does not fit: it is then read to its end, so
// that its tail is never taken for a line of its own, and line keeps its
// start. Every reader of script lines (the runner, renas) goes through it.
int read_script_line(FILE* script, char* line, int size);
// The console line naming the running script's last line read as too long.
void say_script_line_too_long(const char* line);
// Closes the script run_script_file is reading (cleanup deletes its folder);
// the run then ends without reading on.
void close_running_script(FILE* script);
int console_output_on();

// printf and getchar of the console, through the console hooks.
int con_out(const char* fmt, ...) __attribute__((format(gnu_printf, 1, 2)));
int con_key();
void con_status(const char* text);
