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

HMODULE load_dll_from(const char* folder, const char* name)
{
    if (!folder || !folder[0] || !name || !name[0]) return nullptr;
    char path[PATH_BUF];
    const char* last = mb_last(folder);
    const char* sep = *last == '\\' ? "" : "\\";
    if (!text_format(path, sizeof path, "%s%s%s", folder, sep, name)) return nullptr;
    DWORD a = GetFileAttributesA(path);
    if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY)) return nullptr;
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// The system folder, or the Windows folder; false when it does not fit.
static bool system_folder(char* out, bool windows)
{
    UINT n = windows ? GetWindowsDirectoryA(out, PATH_BUF) : GetSystemDirectoryA(out, PATH_BUF);
    return n > 0 && n < PATH_BUF;
}

HMODULE load_installed_dll(const char* name)
{
    char folder[PATH_BUF];
    HMODULE m = nullptr;
    if (program_folder(folder, sizeof folder)) m = load_dll_from(folder, name);
    if (!m && system_folder(folder, false)) m = load_dll_from(folder, name);
    if (!m && system_folder(folder, true)) m = load_dll_from(folder, name);
    return m;
}

HMODULE load_system_dll(const char* name)
{
    char folder[PATH_BUF];
    return system_folder(folder, false) ? load_dll_from(folder, name) : nullptr;
}
