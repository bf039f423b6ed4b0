// The bench's PostScript test printer (standins/printer): its name, the file
// its spooled output lands in, and a check that it is the default printer,
// which installs it with its set-up program (built beside the test and
// benchmark programs' folders) when the bench has not. Header only, so that
// the benchmarks use it too.
#pragma once
#include <windows.h>
#include <string>

namespace bench {

const char test_printer_name[] = "ZOTE Test PostScript";
const char test_printer_output[] = "C:\\zote-printer\\page.ps";

inline std::string default_printer_name()
{
    char name[256] = "";
    DWORD size = sizeof name;
    return GetDefaultPrinterA(name, &size) ? name : "";
}

inline bool test_printer_ready()
{
    if (default_printer_name() == test_printer_name) return true;
    char exe[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, exe, sizeof exe);
    if (!n || n >= sizeof exe) return false;
    std::string setup = exe;
    setup = setup.substr(0, setup.rfind('\\')) + "\\..\\standins\\printer\\printer_setup.exe";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(setup.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    DWORD code = 1;
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code == 0 && default_printer_name() == test_printer_name;
}

}  // namespace bench
