// Loading outside DLLs (archivers, the scanner source manager, the rich-edit
// library, image plug-ins) by full path only. A bare name would let the
// loader search the current folder, which the browser sets to whatever
// folder is shown: a DLL planted there under an expected name (in a download
// folder, an extracted archive, a disc) would run as soon as the real one is
// not installed. Nothing here ever searches the current folder or PATH.
#pragma once
#include <windows.h>
#include <cstddef>

// The program's own folder with its trailing backslash; false when unknown.
bool program_folder(char* out, size_t cap);
// The DLL name from one folder (with or without its trailing backslash);
// null when the path does not fit or no such file is there. The DLL's own
// imports are searched from its folder first.
HMODULE load_dll_from(const char* folder, const char* name);
// The DLL name from the program's folder, the system folder and the Windows
// folder, the first that holds it: where a user installs these DLLs.
HMODULE load_installed_dll(const char* name);
// Whether one of those folders holds a file of that name: found without
// loading it, for a caller that only needs to know whether it is there.
bool installed_dll_present(const char* name);
// A DLL of the system itself, from the system folder only.
HMODULE load_system_dll(const char* name);
