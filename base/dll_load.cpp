// Full-path DLL loading (see dll_load.h).
#include "base/dll_load.h"
#include "base/cptext.h"

bool program_folder(char* out, size_t cap)
{
    char exe[PATH_BUF];
    DWORD n = GetModuleFileNameA(nullptr, exe, sizeof exe);
    if (n == 0 || n >= sizeof exe) return false;
    char* slash = mb_strrchr(exe, '\\');
    if (!slash) return false;
    slash[1] = 0;
    return text_copy(out, cap, exe);
}

// The path of the file name in folder (PATH_BUF bytes); false when it does not
// fit or no such file is there.
static bool dll_file(const char* folder, const char* name, char* path)
{
    if (!folder || !folder[0] || !name || !name[0]) return false;
    const char* last = mb_last(folder);
    const char* sep = *last == '\\' ? "" : "\\";
    if (!text_format(path, PATH_BUF, "%s%s%s", folder, sep, name)) return false;
    DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

HMODULE load_dll_from(const char* folder, const char* name)
{
    char path[PATH_BUF];
    return dll_file(folder, name, path) ? LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH) : nullptr;
}

// The system folder, or the Windows folder; false when it does not fit.
static bool system_folder(char* out, bool windows)
{
    UINT n = windows ? GetWindowsDirectoryA(out, PATH_BUF) : GetSystemDirectoryA(out, PATH_BUF);
    return n > 0 && n < PATH_BUF;
}

// The k-th folder where a user installs an outside DLL (program, system,
// Windows); false for one that is unknown.
static bool installed_folder(int k, char* out)
{
    return k == 0 ? program_folder(out, PATH_BUF) : system_folder(out, k == 2);
}

HMODULE load_installed_dll(const char* name)
{
    char folder[PATH_BUF];
    for (int k = 0; k < 3; k++)
        if (installed_folder(k, folder))
            if (HMODULE m = load_dll_from(folder, name)) return m;
    return nullptr;
}

bool installed_dll_present(const char* name)
{
    char folder[PATH_BUF], path[PATH_BUF];
    for (int k = 0; k < 3; k++)
        if (installed_folder(k, folder) && dll_file(folder, name, path)) return true;
    return false;
}

HMODULE load_system_dll(const char* name)
{
    char folder[PATH_BUF];
    return system_folder(folder, false) ? load_dll_from(folder, name) : nullptr;
}
