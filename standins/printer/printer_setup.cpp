// Installs the test printer in a Wine prefix: a small PPD of our own, Wine's
// PostScript driver, and a printer on port LPT1: whose output the spooler
// writes to a file (port FILE: would ask for a file name in a dialog).
// Usage: printer_setup [output file]   (default C:\zote-printer\page.ps)
// Exit code 0 when the printer exists and is the default afterwards.
#include <windows.h>
#include <winspool.h>
#include <cstdio>
#include <cstring>

static const char printer_name[] = "ZOTE Test PostScript";
static const char driver_name[] = "Wine PostScript Driver";
static const char default_output[] = "C:\\zote-printer\\page.ps";

// A 600-dpi A4 PostScript device whose imageable area is the whole sheet.
static const char ppd_text[] = "*PPD-Adobe: \"4.3\"\n"
                               "*FormatVersion: \"4.3\"\n"
                               "*FileVersion: \"1.0\"\n"
                               "*LanguageVersion: English\n"
                               "*LanguageEncoding: ISOLatin1\n"
                               "*PCFileName: \"ZOTETEST.PPD\"\n"
                               "*Manufacturer: \"ZOTE\"\n"
                               "*Product: \"(ZOTE Test PostScript)\"\n"
                               "*ModelName: \"ZOTE Test PostScript\"\n"
                               "*ShortNickName: \"ZOTE Test PostScript\"\n"
                               "*NickName: \"ZOTE Test PostScript\"\n"
                               "*PSVersion: \"(3010.000) 0\"\n"
                               "*LanguageLevel: \"3\"\n"
                               "*ColorDevice: True\n"
                               "*DefaultColorSpace: RGB\n"
                               "*DefaultResolution: 600dpi\n"
                               "*OpenUI *PageSize: PickOne\n"
                               "*DefaultPageSize: A4\n"
                               "*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
                               "*CloseUI: *PageSize\n"
                               "*DefaultImageableArea: A4\n"
                               "*ImageableArea A4/A4: \"0 0 595 842\"\n"
                               "*DefaultPaperDimension: A4\n"
                               "*PaperDimension A4/A4: \"595 842\"\n"
                               "*DefaultFont: Courier\n"
                               "*Font Courier: Standard \"(002.004S)\" Standard ROM\n";

static bool write_ppd(const char* path)
{
    FILE* f = fopen(path, "wb");
    if (!f) return false;
    bool ok = fwrite(ppd_text, 1, sizeof ppd_text - 1, f) == sizeof ppd_text - 1;
    return fclose(f) == 0 && ok;
}

// The spooler maps the port to the output file; Wine reads a Unix path there.
static bool map_port(const char* output)
{
    char target[1024];
    snprintf(target, sizeof target, "%s", output);
    typedef char*(CDECL * unix_name_fn)(LPCWSTR);
    auto unix_name = (unix_name_fn)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (unix_name) {
        WCHAR wide[MAX_PATH];
        if (MultiByteToWideChar(CP_ACP, 0, output, -1, wide, MAX_PATH)) {
            char* u = unix_name(wide);
            if (u) {
                snprintf(target, sizeof target, "%s", u);
                HeapFree(GetProcessHeap(), 0, u);
            }
        }
    }
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\Printing\\Spooler", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG r = RegSetValueExA(key, "LPT1:", 0, REG_SZ, (const BYTE*)target, (DWORD)strlen(target) + 1);
    RegCloseKey(key);
    printf("LPT1: -> %s\n", target);
    return r == ERROR_SUCCESS;
}

static bool printer_exists()
{
    HANDLE h = nullptr;
    if (!OpenPrinterA((LPSTR)printer_name, &h, nullptr)) return false;
    ClosePrinter(h);
    return true;
}

int main(int argc, char** argv)
{
    const char* output = argc > 1 ? argv[1] : default_output;
    char folder[MAX_PATH];
    snprintf(folder, sizeof folder, "%s", output);
    char* slash = strrchr(folder, '\\');
    if (slash) {
        *slash = 0;
        CreateDirectoryA(folder, nullptr);
    }
    if (!map_port(output)) {
        printf("cannot map the port\n");
        return 1;
    }
    if (!printer_exists()) {
        char dir[MAX_PATH];
        DWORD needed = 0;
        if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, (BYTE*)dir, sizeof dir, &needed)) {
            printf("no driver folder (%lu)\n", GetLastError());
            return 1;
        }
        char ppd[MAX_PATH];
        snprintf(ppd, sizeof ppd, "%s\\zotetest.ppd", dir);
        if (!write_ppd(ppd)) {
            printf("cannot write %s\n", ppd);
            return 1;
        }
        DRIVER_INFO_3A di = {};
        di.cVersion = 3;
        di.pName = (LPSTR)driver_name;
        di.pDriverPath = (LPSTR) "wineps.drv";
        di.pDataFile = ppd;
        di.pConfigFile = (LPSTR) "wineps.drv";
        if (!AddPrinterDriverExA(nullptr, 3, (BYTE*)&di, APD_COPY_NEW_FILES) &&
            GetLastError() != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) {
            printf("AddPrinterDriverEx failed (%lu)\n", GetLastError());
            return 1;
        }
        PRINTER_INFO_2A pi = {};
        pi.pPrinterName = (LPSTR)printer_name;
        pi.pPortName = (LPSTR) "LPT1:";
        pi.pDriverName = (LPSTR)driver_name;
        pi.pPrintProcessor = (LPSTR) "WinPrint";
        pi.pDatatype = (LPSTR) "RAW";
        pi.pParameters = (LPSTR) "";
        pi.Attributes = PRINTER_ATTRIBUTE_LOCAL;
        HANDLE h = AddPrinterA(nullptr, 2, (BYTE*)&pi);
        if (!h && GetLastError() != ERROR_PRINTER_ALREADY_EXISTS) {
            printf("AddPrinter failed (%lu)\n", GetLastError());
            return 1;
        }
        if (h) ClosePrinter(h);
    }
    if (!SetDefaultPrinterA(printer_name)) {
        printf("SetDefaultPrinter failed (%lu)\n", GetLastError());
        return 1;
    }
    printf("printer ready: %s\n", printer_name);
    return 0;
}
