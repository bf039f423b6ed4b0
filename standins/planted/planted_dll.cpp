// A DLL that only reports that it ran: when a process loads it, it writes
// "<its own path>.ran" holding the path of that process's program.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char marker[MAX_PATH + 8], program[MAX_PATH];
    DWORD n = GetModuleFileNameA(self, marker, MAX_PATH);
    DWORD p = GetModuleFileNameA(nullptr, program, sizeof program);
    if (n == 0 || n >= MAX_PATH || p == 0 || p >= sizeof program) return TRUE;
    CopyMemory(marker + n, ".ran", 5);
    HANDLE f = CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        DWORD written;
        WriteFile(f, program, p, &written, nullptr);
        CloseHandle(f);
    }
    return TRUE;
}
