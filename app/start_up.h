// How the program's start-up joins its libraries: the image formats into the
// window library, the browser's rooms into the window library's application
// hooks and into each other's remaining slots, and the printing library into
// the browser. app_main runs them in this order: the image formats first,
// the rest (the thumbnail cache first) once the list's state is made.
#pragma once

void install_image_format_hooks();
void install_program_hooks();
// The drop hook, last of all: files dropped before the start folder opened
// were the console's.
void install_drop_hook();
// The browser's seams to WinHelp, the printing library and the programs
// associated with files (part of install_program_hooks).
void install_browser_seams();
