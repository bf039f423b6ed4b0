// Printing a page's stored picture as it looks on the screen, at the same
// physical size, one inch in from the corner of the printable area.
#include "graphics/console.h"
#include "graphics/internal.h"
#include "base/holders.h"

static BOOL WINAPI print_dialog_real(PRINTDLGA* pd) { return PrintDlgA(pd); }
BOOL (WINAPI* kavtrel_print_dialog)(PRINTDLGA*) = print_dialog_real;

namespace {
// The dialog's memory and the printer DC, given back on every way out.
struct print_dialog_result {
    PRINTDLGA& pd;
    explicit print_dialog_result(PRINTDLGA& p) : pd(p) {}
    ~print_dialog_result()
    {
        if (pd.hDevMode) GlobalFree(pd.hDevMode);
        if (pd.hDevNames) GlobalFree(pd.hDevNames);
        pd.hDevMode = pd.hDevNames = nullptr;
        if (pd.hDC) DeleteDC(pd.hDC);
    }
    // Deletes the DC now; its result is the caller's.
    BOOL delete_dc()
    {
        BOOL ok = DeleteDC(pd.hDC);
        pd.hDC = nullptr;
        return ok;
    }
};
}  // namespace

int _printpage(HWND window, HENHMETAFILE picture)
{
    static PRINTDLGA pd;
    ZeroMemory(&pd, sizeof pd);
    pd.lStructSize = sizeof pd;
    pd.Flags = PD_RETURNDC;
    pd.hwndOwner = window;
    if (!kavtrel_print_dialog(&pd)) return 0;
    print_dialog_result held(pd);
    if (!pd.hDC) return 0;

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
    HDC dc = pd.hDC;
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
    _play_recording(dc, picture);
    bool ok = EndPage(dc) > 0;
    if (!ok) AbortDoc(dc);
    else ok = EndDoc(dc) > 0;
    BOOL deleted = held.delete_dc();
    return ok && deleted ? 1 : 0;
}
