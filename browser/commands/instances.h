// Other instances of the program, new windows, help, and what an instance
// does when it ends or gets files dropped on it.
#pragma once
#include <windows.h>
#include <cstddef>

int measure_other_instances(POINT* out);
void close_other_instances();
void start_new_instance(const char* command_line);
void open_new_window_on_ctrl_release(const char* command_line);
void open_new_window_for_path(const char* path);
// The quoted command line that opens the folder in a new window (cap bytes).
int new_window_line(const char* path, char* line, size_t cap);
// A folder clicked with Ctrl: its new window opens once Ctrl is released.
void open_folder_on_ctrl_release(const char* folder);
void show_help();
void app_on_exit();
void app_on_drop(int page, int count, char** names);
