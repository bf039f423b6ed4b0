// A stand-in scanner data source for the tests. It has no window of its
// own: enabling it posts a private message to the parent window, which the
// application's event processing turns into "transfer ready" (or a close
// request), and the transfer hands over a 4 x 2 picture of the eight corners
// of the colour cube as a packed DIB. ZOTE_TWAIN_MODE chooses the picture
// ("24" default, "8", "16", "32", "ppm": 24 bits carrying 3780 pixels per
// metre) or a fault ("cancel", "failure", "close", "checkstatus", "noopen",
// "noenable"); ZOTE_TWAIN_LOG names a file that gets one line per call.
#include "formats/formats.h"
#include <cstdio>
#include <cstring>
#include <string>

namespace {

UINT event_message() { return RegisterWindowMessageA("zote twain stand-in event"); }

std::string mode()
{
    char v[32] = "";
    GetEnvironmentVariableA("ZOTE_TWAIN_MODE", v, sizeof v);
    return v;
}

void log(const char* line)
{
    char path[MAX_PATH] = "";
    if (!GetEnvironmentVariableA("ZOTE_TWAIN_LOG", path, sizeof path) || !path[0]) return;
    FILE* f = fopen(path, "ab");
    if (!f) return;
    fprintf(f, "%s\n", line);
    fclose(f);
}

// Red, green, blue of pixel i (x + 4y): the corners of the colour cube.
void colour(int i, BYTE* r, BYTE* g, BYTE* b)
{
    *r = i & 1 ? 255 : 0;
    *g = i & 2 ? 255 : 0;
    *b = i & 4 ? 255 : 0;
}

HGLOBAL picture(int bpp, LONG ppm)
{
    const int w = 4, h = 2;
    int colours = bpp == 8 ? 8 : 0;
    size_t row = ((size_t)w * bpp + 31) / 32 * 4;
    size_t head = sizeof(BITMAPINFOHEADER) + colours * 4;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, head + row * h);
    if (!block) return nullptr;
    BYTE* p = (BYTE*)GlobalLock(block);
    BITMAPINFOHEADER* bh = (BITMAPINFOHEADER*)p;
    bh->biSize = sizeof *bh;
    bh->biWidth = w;
    bh->biHeight = h;
    bh->biPlanes = 1;
    bh->biBitCount = (WORD)bpp;
    bh->biCompression = BI_RGB;
    bh->biSizeImage = (DWORD)(row * h);
    bh->biXPelsPerMeter = bh->biYPelsPerMeter = ppm;
    bh->biClrUsed = (DWORD)colours;
    for (int i = 0; i < colours; i++) {
        BYTE* q = p + sizeof *bh + 4 * i;
        colour(i, &q[2], &q[1], &q[0]);
    }
    for (int y = 0; y < h; y++) {
        BYTE* dst = p + head + row * (h - 1 - y);
        for (int x = 0; x < w; x++) {
            int i = x + 4 * y;
            BYTE r, g, b;
            colour(i, &r, &g, &b);
            if (bpp == 8)
                dst[x] = (BYTE)i;
            else if (bpp == 16) {
                WORD v = (WORD)((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3));
                memcpy(dst + 2 * x, &v, 2);
            } else {
                BYTE* q = dst + x * (bpp / 8);
                q[0] = b, q[1] = g, q[2] = r;
            }
        }
    }
    GlobalUnlock(block);
    return block;
}

TW_UINT16 identity(TW_UINT16 msg, TW_IDENTITY* id)
{
    if (msg == MSG_GET) {
        id->Version.MajorNum = 1;
        lstrcpynA(id->Version.Info, "stand-in", sizeof id->Version.Info);
        id->ProtocolMajor = 1;
        id->ProtocolMinor = 8;
        id->SupportedGroups = DG_CONTROL | DG_IMAGE;
        lstrcpynA(id->Manufacturer, "ZOTE tests", sizeof id->Manufacturer);
        lstrcpynA(id->ProductFamily, "Stand-in", sizeof id->ProductFamily);
        lstrcpynA(id->ProductName, "ZOTE test scanner", sizeof id->ProductName);
        return TWRC_SUCCESS;
    }
    if (msg == MSG_OPENDS) {
        log("OPENDS");
        return mode() == "noopen" ? TWRC_FAILURE : TWRC_SUCCESS;
    }
    if (msg == MSG_CLOSEDS) {
        log("CLOSEDS");
        return TWRC_SUCCESS;
    }
    return TWRC_FAILURE;
}

TW_UINT16 capability(TW_UINT16 msg, TW_CAPABILITY* cap)
{
    if (msg == MSG_SET) {
        TW_ONEVALUE* one = (TW_ONEVALUE*)GlobalLock(cap->hContainer);
        bool ok = cap->Cap == CAP_XFERCOUNT && cap->ConType == TWON_ONEVALUE && one && one->ItemType == TWTY_INT16 &&
                  (TW_INT16)one->Item == 1;
        if (one) GlobalUnlock(cap->hContainer);
        log(ok ? "CAPABILITY SET XFERCOUNT 1" : "CAPABILITY SET bad");
        if (mode() == "checkstatus") return TWRC_CHECKSTATUS;
        return ok ? TWRC_SUCCESS : TWRC_FAILURE;
    }
    if (msg == MSG_GET) {
        log("CAPABILITY GET");
        cap->ConType = TWON_ONEVALUE;
        cap->hContainer = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(TW_ONEVALUE));
        return TWRC_SUCCESS;
    }
    return TWRC_FAILURE;
}

TW_UINT16 control(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    switch (dat) {
    case DAT_IDENTITY: return identity(msg, (TW_IDENTITY*)data);
    case DAT_CAPABILITY: return capability(msg, (TW_CAPABILITY*)data);
    case DAT_USERINTERFACE:
        if (msg == MSG_ENABLEDS) {
            log("ENABLEDS");
            if (mode() == "noenable") return TWRC_FAILURE;
            TW_USERINTERFACE* ui = (TW_USERINTERFACE*)data;
            if (ui->hParent)
                PostMessageA((HWND)ui->hParent, event_message(), 0, 0);
            else
                PostThreadMessageA(GetCurrentThreadId(), event_message(), 0, 0);
            return TWRC_SUCCESS;
        }
        if (msg == MSG_DISABLEDS) {
            log("DISABLEDS");
            return TWRC_SUCCESS;
        }
        return TWRC_FAILURE;
    case DAT_EVENT: {
        TW_EVENT* event = (TW_EVENT*)data;
        MSG* m = (MSG*)event->pEvent;
        event->TWMessage = MSG_NULL;
        if (!m || m->message != event_message()) return TWRC_NOTDSEVENT;
        log("EVENT");
        event->TWMessage = mode() == "close" ? MSG_CLOSEDSREQ : MSG_XFERREADY;
        return TWRC_DSEVENT;
    }
    case DAT_PENDINGXFERS: {
        TW_PENDINGXFERS* p = (TW_PENDINGXFERS*)data;
        log(msg == MSG_ENDXFER ? "ENDXFER" : msg == MSG_RESET ? "RESET" : "PENDINGXFERS?");
        p->Count = 0;
        return TWRC_SUCCESS;
    }
    }
    return TWRC_FAILURE;
}

TW_UINT16 image(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    std::string m = mode();
    int bpp = m == "8" ? 8 : m == "16" ? 16 : m == "32" ? 32 : 24;
    if (dat == DAT_IMAGEINFO && msg == MSG_GET) {
        log("IMAGEINFO");
        TW_IMAGEINFO* info = (TW_IMAGEINFO*)data;
        memset(info, 0, sizeof *info);
        info->XResolution.Whole = info->YResolution.Whole = 300;
        info->ImageWidth = 4;
        info->ImageLength = 2;
        info->BitsPerPixel = (TW_INT16)bpp;
        return TWRC_SUCCESS;
    }
    if (dat == DAT_IMAGENATIVEXFER && msg == MSG_GET) {
        log("NATIVEXFER");
        TW_HANDLE* out = (TW_HANDLE*)data;
        if (m == "failure") return TWRC_FAILURE;
        if (m == "cancel") return TWRC_CANCEL;
        *out = picture(bpp, m == "ppm" ? 3780 : 0);
        return *out ? TWRC_XFERDONE : TWRC_FAILURE;
    }
    return TWRC_FAILURE;
}

}  // namespace

extern "C" __declspec(dllexport) TW_UINT16 WINAPI
    DS_Entry(TW_IDENTITY* origin, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    if (!data && !(group == DG_CONTROL && dat == DAT_USERINTERFACE)) return TWRC_FAILURE;
    if (group == DG_CONTROL) return control(dat, msg, data);
    if (group == DG_IMAGE) return image(dat, msg, data);
    return TWRC_FAILURE;
}
