// TWAIN acquisition: the application identity, opening the source manager
// and the default source, asking for one picture, the nested message loop
// in which the source's events arrive, the native transfer of a DIB and the
// closing of source and source manager, which every exit path goes through.
#include "formats/twain.h"
#include "formats/internal.h"
#include "formats/dib_picture.h"
#include "base/dll_load.h"
#include "base/holders.h"
#include "graphics/kavtrel.h"
#include <cstring>

twain_state twain;
const char* twain_dsm_name = "twain_32.dll";

int load_twain_dsm(HWND parent)
{
    if (!twain.module) {
        HMODULE m = load_installed_dll(twain_dsm_name);
        if (!m) return 0;
        auto entry = (twain_entry_fn)GetProcAddress(m, "DSM_Entry");
        if (!entry) {
            FreeLibrary(m);
            return 0;
        }
        twain.module = m;
        twain.entry = entry;
    }
    if (parent) twain.parent = parent;
    return 1;
}

int twain_dsm_available() { return twain.module || installed_dll_present(twain_dsm_name) ? 1 : 0; }

void unload_twain_dsm()
{
    if (twain.module) FreeLibrary(twain.module);
    twain.module = nullptr;
    twain.entry = nullptr;
}

static TW_UINT16 dsm(TW_IDENTITY* dest, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    return twain.entry(&twain.application, dest, group, dat, msg, data);
}

static void fill_application()
{
    memset(&twain.application, 0, sizeof twain.application);
    memset(&twain.source, 0, sizeof twain.source);
    TW_IDENTITY& a = twain.application;
    a.Version.MajorNum = 1;
    a.Version.MinorNum = 5;
    a.Version.Language = 68;
    a.Version.Country = 81;
    text_copy(a.Version.Info, "ZOTE 1.54");
    a.ProtocolMajor = 1;
    a.ProtocolMinor = 8;
    a.SupportedGroups = DG_CONTROL | DG_IMAGE;
    text_copy(a.Manufacturer, "Orvanel");
    text_copy(a.ProductFamily, "ZOTE");
    text_copy(a.ProductName, "ZOTE");
}

static void close_dsm()
{
    if (!twain.dsm_open) return;
    // The parent goes over by its address, as on opening.
    dsm(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &twain.parent);
    twain.dsm_open = 0;
}

int open_twain_dsm(int select)
{
    if (!twain.entry) return 0;
    close_dsm();
    fill_application();
    if (dsm(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &twain.parent) != TWRC_SUCCESS) return 0;
    twain.dsm_open = 1;
    if (!select) return 1;
    TW_UINT16 rc = dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &twain.source);
    close_dsm();
    return rc == TWRC_SUCCESS ? 1 : 0;
}

// Asks for one picture; a source that answers "check status" is asked what
// it holds instead, and its answer is given back.
static bool ask_one_picture()
{
    global_block container(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(TW_ONEVALUE)));
    if (!container) return false;
    {
        global_lock value(container.get());
        if (!value.get()) return false;
        TW_ONEVALUE one = {TWTY_INT16, 1};
        memcpy(value.get(), &one, sizeof one);
    }
    TW_CAPABILITY cap = {CAP_XFERCOUNT, TWON_ONEVALUE, container.get()};
    TW_UINT16 rc = dsm(&twain.source, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap);
    if (rc == TWRC_CHECKSTATUS) {
        TW_CAPABILITY ask = {CAP_XFERCOUNT, TWON_DONTCARE16, nullptr};
        rc = dsm(&twain.source, DG_CONTROL, DAT_CAPABILITY, MSG_GET, &ask);
        global_block answer(ask.hContainer);
        return true;
    }
    return rc == TWRC_SUCCESS;
}

void twain_close()
{
    if (twain.source_opened) {
        dsm(&twain.source, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &twain.ui);
        dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &twain.source);
        twain.source_opened = 0;
    }
    close_dsm();
    twain.source_open = 0;
}

void twain_end_transfer()
{
    TW_PENDINGXFERS pending = {};
    if (dsm(&twain.source, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending) == TWRC_SUCCESS && pending.Count != 0)
        dsm(&twain.source, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
}

// The source's packed DIB as a picture; null for one it does not hold.
static _bmap* picture_of(HGLOBAL dib)
{
    global_lock at(dib);
    if (!at.get()) return nullptr;
    return picture_from_dib(at.get(), GlobalSize(dib), nullptr, 0);
}

int twain_native_transfer()
{
    TW_IMAGEINFO info = {};
    if (dsm(&twain.source, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info) != TWRC_SUCCESS) return 0;
    // The source hands back a handle: pointer-sized, never a 32-bit slot.
    TW_HANDLE picture = nullptr;
    TW_UINT16 rc = dsm(&twain.source, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &picture);
    if (rc == TWRC_XFERDONE) {
        global_block dib((HGLOBAL)picture);
        _bmap* b = dib ? picture_of(dib.get()) : nullptr;
        if (b) {
            if (!b->header.biXPelsPerMeter) b->header.biXPelsPerMeter = dpi_to_ppm(info.XResolution.Whole);
            if (!b->header.biYPelsPerMeter) b->header.biYPelsPerMeter = dpi_to_ppm(info.YResolution.Whole);
            if (twain.last_image) _bmap_delete(twain.last_image);
            twain.last_image = b;
        }
        twain_end_transfer();
        return b ? 1 : 0;
    }
    if (rc == TWRC_CANCEL) {
        global_block dib((HGLOBAL)picture);
        twain_end_transfer();
        return 0;
    }
    TW_PENDINGXFERS pending = {};
    dsm(&twain.source, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
    return 0;
}

int twain_process_event(MSG* message)
{
    TW_EVENT event = {message, MSG_NULL};
    TW_UINT16 rc = dsm(&twain.source, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
    if (event.TWMessage == MSG_XFERREADY) {
        twain_native_transfer();
        twain_close();
    } else if (event.TWMessage == MSG_CLOSEDSREQ || event.TWMessage == MSG_CLOSEDSOK) {
        twain_close();
    }
    return rc == TWRC_DSEVENT ? 1 : 0;
}

_bmap* twain_acquire()
{
    if (!twain.entry || !twain.dsm_open) return nullptr;
    if (twain.last_image) _bmap_delete(twain.last_image);
    twain.last_image = nullptr;
    if (dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &twain.source) != TWRC_SUCCESS) {
        twain_close();
        return nullptr;
    }
    twain.source_opened = 1;
    if (!ask_one_picture()) {
        twain_close();
        return nullptr;
    }
    _pump();
    twain.ui = {1, 1, twain.parent};
    if (dsm(&twain.source, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &twain.ui) != TWRC_SUCCESS) {
        twain.ui = {};
        dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &twain.source);
        twain.source_opened = 0;
        twain_close();
        return nullptr;
    }
    twain.source_open = 1;
    MSG msg;
    while (twain.source_open) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);  // in Unicode, as the program's other loops
        if (got == 0) {
            // The quit belongs to the main loop: close the source and hand it on.
            twain_close();
            PostQuitMessage((int)msg.wParam);
            break;
        }
        if (got == -1) {
            twain_close();
            break;
        }
        if (!twain_process_event(&msg)) _offer_message(&msg);
    }
    _pump();
    _bmap* b = twain.last_image;
    twain.last_image = nullptr;
    return b;
}
