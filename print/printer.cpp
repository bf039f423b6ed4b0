// The printer of a print run. A new DC replaces the old one (deleted, never
// leaked), the kept DEVMODE and DEVNAMES are nulled whenever they are freed,
// and the unprintable offsets are converted from device pixels.
#include "print/printer.h"
#include "print/print_settings.h"
#include "print/page_geometry.h"
#include "base/holders.h"
#include <cstring>

BOOL(WINAPI* print_dialog_call)(PRINTDLGA*) = PrintDlgA;

static int device_to_tenth_mm(int pixels, int dpi) { return dpi > 0 ? (int)(pixels * 254.0 / dpi + 0.5) : 0; }

static int device_to_units(int pixels, int dpi)
{
    return dpi > 0 ? (int)((double)pixels * page_unit_dpi() / dpi + 0.5) : 0;
}

void use_printer_dc(HDC dc)
{
    print_settings_state& s = print_settings;
    if (s.printer_dc && s.printer_dc != dc) DeleteDC(s.printer_dc);
    s.printer_dc = dc;
    s.printer_chosen = dc != nullptr;
    if (!dc) {
        s.page_width = s.page_height = 0;
        s.offset_x = s.offset_y = 0;
        return;
    }
    int dpi_x = GetDeviceCaps(dc, LOGPIXELSX), dpi_y = GetDeviceCaps(dc, LOGPIXELSY);
    s.page_width = device_to_units(GetDeviceCaps(dc, HORZRES), dpi_x);
    s.page_height = device_to_units(GetDeviceCaps(dc, VERTRES), dpi_y);
    s.offset_x = device_to_tenth_mm(GetDeviceCaps(dc, PHYSICALOFFSETX), dpi_x);
    s.offset_y = device_to_tenth_mm(GetDeviceCaps(dc, PHYSICALOFFSETY), dpi_y);
}

static void free_choice()
{
    if (print_settings.devmode) GlobalFree(print_settings.devmode);
    if (print_settings.devnames) GlobalFree(print_settings.devnames);
    print_settings.devmode = print_settings.devnames = nullptr;
}

void release_printer()
{
    use_printer_dc(nullptr);
    free_choice();
}

int select_printer(const char* name)
{
    char fallback[256];
    if (!name || !*name) {
        DWORD size = sizeof fallback;
        if (!GetDefaultPrinterA(fallback, &size)) return 0;
        name = fallback;
    }
    HDC dc = CreateDCA(nullptr, name, nullptr, nullptr);
    if (!dc) return 0;
    use_printer_dc(dc);
    return 1;
}

printer_page_mapping::printer_page_mapping(HDC dc) : saved_(dc)
{
    if (!saved_) return;
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, print_settings.page_width, print_settings.page_height, nullptr);
    SetViewportExtEx(dc, GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES), nullptr);
}

static INT_PTR CALLBACK printer_setup_hook(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) SetWindowTextA(dialog, "ﾌﾟﾘﾝﾀ設定");
    return 0;
}

int choose_printer(HWND owner, int return_default)
{
    PRINTDLGA pd = {};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = owner;
    pd.hDevMode = print_settings.devmode;
    pd.hDevNames = print_settings.devnames;
    pd.Flags = PD_RETURNDC | PD_ENABLEPRINTHOOK | (return_default ? PD_RETURNDEFAULT : 0);
    pd.lpfnPrintHook = (LPPRINTHOOKPROC)printer_setup_hook;
    pd.nCopies = 1;
    if (!print_dialog_call(&pd) || !pd.hDC) {
        // The dialog may have replaced the blocks; both are given back and forgotten.
        if (pd.hDevMode && pd.hDevMode != print_settings.devmode) GlobalFree(pd.hDevMode);
        if (pd.hDevNames && pd.hDevNames != print_settings.devnames) GlobalFree(pd.hDevNames);
        free_choice();
        use_printer_dc(nullptr);
        return 0;
    }
    print_settings.devmode = pd.hDevMode;
    print_settings.devnames = pd.hDevNames;
    use_printer_dc(pd.hDC);
    return 1;
}

double paper_width_mm()
{
    HDC dc = print_settings.printer_dc;
    if (!dc) return 0;
    return GetDeviceCaps(dc, PHYSICALWIDTH) * 25.4 / GetDeviceCaps(dc, LOGPIXELSX);
}

double paper_height_mm()
{
    HDC dc = print_settings.printer_dc;
    if (!dc) return 0;
    return GetDeviceCaps(dc, PHYSICALHEIGHT) * 25.4 / GetDeviceCaps(dc, LOGPIXELSY);
}

const char* printer_device_name()
{
    static char name[CCHDEVICENAME + 1];
    name[0] = 0;
    global_lock lock(print_settings.devmode);
    if (lock.get()) {
        const DEVMODEA* dm = (const DEVMODEA*)lock.get();
        size_t n = strnlen((const char*)dm->dmDeviceName, CCHDEVICENAME);
        memcpy(name, dm->dmDeviceName, n);
        name[n] = 0;
    }
    return name;
}

int printer_copies()
{
    global_lock lock(print_settings.devmode);
    if (!lock.get()) return 1;
    int copies = ((const DEVMODEA*)lock.get())->dmCopies;
    return copies > 0 ? copies : 1;
}
