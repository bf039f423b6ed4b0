// Printing a page's stored picture as it looks on the screen, at the same
// physical size, one inch in from the corner of the printable area.
#include "graphics/console.h"
#include "graphics/internal.h"
#include "base/holders.h"

static BOOL WINAPI print_dialog_real(PRINTDLGA* pd) { return PrintDlgA(pd); }
BOOL(WINAPI* kavtrel_print_dialog)(PRINTDLGA*) = print_dialog_real;

int _printpage(HWND window, HENHMETAFILE picture)
{
    static PRINTDLGA pd;
    ZeroMemory(&pd, sizeof pd);
    pd.lStructSize = sizeof pd;
    pd.Flags = PD_RETURNDC;
    pd.hwndOwner = window;
    if (!kavtrel_print_dialog(&pd)) return 0;
    // The dialog's memory and the printer DC are given back on every way out.
    created_dc printer(pd.hDC);
    global_block dev_names(pd.hDevNames), dev_mode(pd.hDevMode);
    if (!printer) return 0;

    RECT client = {0, 0, 0, 0};
    GetClientRect(window, &client);
    int w = client.right, h = client.bottom;
    int dx = 96, dy = 96;
    {
        window_dc screen(window);
        if (screen) {
            dx = GetDeviceCaps(screen, LOGPIXELSX);
            dy = GetDeviceCaps(screen, LOGPIXELSY);
        }
    }
    HDC dc = printer.get();
    int px = GetDeviceCaps(dc, LOGPIXELSX), py = GetDeviceCaps(dc, LOGPIXELSY);

    DOCINFOA doc = {};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = "_kavtrel 1.13";
    if (StartDocA(dc, &doc) <= 0) return 0;
    if (StartPage(dc) <= 0) {
        AbortDoc(dc);
        return 0;
    }
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 20 * w, 20 * h, nullptr);
    SetViewportExtEx(dc, (int)((double)w / dx * px), (int)((double)h / dy * py), nullptr);
    SetWindowOrgEx(dc, -20 * dx, -20 * dy, nullptr);
    play_recording(dc, picture);
    bool ok = EndPage(dc) > 0;
    if (!ok)
        AbortDoc(dc);
    else
        ok = EndDoc(dc) > 0;
    // Deleting the DC finishes the job: its result is the caller's.
    BOOL deleted = DeleteDC(printer.release());
    return ok && deleted ? 1 : 0;
}
