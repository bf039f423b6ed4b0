// The common controls, the common dialogs and the spooler are loaded at the
// first call of one of their functions, not when the process starts: the
// installed program, which only relaunches its copy, then never pays for
// their start (every control class registered, the theme read). Calls reach
// a system DLL through its import pointer, "__imp__" and the function's
// decorated name; each pointer is defined here and starts at a function that
// loads the DLL from the system folder, points the import at the real
// function and calls it. The import libraries still serve every other
// function of these DLLs.
#include "base/dll_load.h"
#include <windows.h>

static FARPROC system_function(const char* dll, const char* name)
{
    HMODULE module = load_system_dll(dll);
    return module ? GetProcAddress(module, name) : nullptr;
}

// One import: the DLL, the result and its value when the DLL cannot be
// loaded, the name, the parameter list, the argument list and the decorated
// name. A call comes either through the import pointer or (where a header
// declares the function without dllimport) to the decorated name itself,
// which calls through the pointer.
#define LATE_IMPORT(dll, result, failed, name, params, args, decorated)                    \
    static result WINAPI first_##name params;                                              \
    extern "C" void* import_##name asm("__imp__" decorated);                               \
    void* import_##name = reinterpret_cast<void*>(first_##name);                           \
    static result WINAPI first_##name params                                               \
    {                                                                                      \
        auto real = reinterpret_cast<result(WINAPI*) params>(system_function(dll, #name)); \
        if (!real) return failed;                                                          \
        import_##name = reinterpret_cast<void*>(real);                                     \
        return real args;                                                                  \
    }                                                                                      \
    extern "C" result WINAPI direct_##name params asm("_" decorated);                      \
    result WINAPI direct_##name params { return reinterpret_cast<result(WINAPI*) params>(import_##name) args; }

LATE_IMPORT("comctl32.dll", int, 0, InitCommonControls, (), (), "InitCommonControls@0")
LATE_IMPORT("comdlg32.dll", BOOL, FALSE, ChooseColorA, (void* c), (c), "ChooseColorA@4")
LATE_IMPORT("comdlg32.dll", HWND, nullptr, FindTextA, (void* f), (f), "FindTextA@4")
LATE_IMPORT("comdlg32.dll", BOOL, FALSE, GetOpenFileNameA, (void* o), (o), "GetOpenFileNameA@4")
LATE_IMPORT("comdlg32.dll", BOOL, FALSE, GetSaveFileNameA, (void* o), (o), "GetSaveFileNameA@4")
LATE_IMPORT("comdlg32.dll", BOOL, FALSE, PrintDlgA, (void* p), (p), "PrintDlgA@4")
LATE_IMPORT("winspool.drv", BOOL, FALSE, GetDefaultPrinterA, (char* name, DWORD* size), (name, size),
            "GetDefaultPrinterA@8")
