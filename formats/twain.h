// Scanning through the TWAIN source manager ("twain_32.dll"): choosing a
// source, and acquiring one picture from the default source with its own
// user interface by native (DIB) transfer. The source manager is opened for
// each selection or scan and closed again on every path.
#pragma once
#include <windows.h>
#include "formats/twain_records.h"

struct _bmap;

// 1 when the source manager is available; a given window becomes the parent.
// The scan commands load it when first used.
int load_twain_dsm(HWND parent);
// 1 when the source manager is loaded, or installed where load_twain_dsm
// loads it from (found without loading it, for the menus).
int twain_dsm_available();
// Opens the source manager; with `select` also runs its source selection,
// then closes it again. 1 on success.
int open_twain_dsm(int select);
// After open_twain_dsm(0): one picture from the default source, or null.
// The source and the source manager are closed when it returns.
_bmap* twain_acquire();
// Unloads the source manager (at the console's end).
void unload_twain_dsm();
