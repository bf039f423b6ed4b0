// Susie image plug-ins: DLLs named "*.spi" exporting GetPluginInfo,
// GetPictureInfo and GetPicture, each read for the extensions of a fixed
// table. Plug-ins load on first need, by full path from the configured
// plug-in folder or the program's own folder only (never by bare name: the
// current folder is the browsed one), and stay loaded until exit.
#pragma once
#include <windows.h>
#include <cstddef>
#include "base/cptext.h"

struct _bmap;

// The record GetPictureInfo fills, byte-packed as plug-ins lay it out.
#pragma pack(push, 1)
struct susie_picture_info {
    LONG left, top;
    LONG width, height;
    WORD x_density, y_density;  // dots per inch
    SHORT colour_depth;
    HLOCAL info_text;  // freed by the caller
};
#pragma pack(pop)
static_assert(sizeof(susie_picture_info) == 26, "picture info is 26 bytes");
static_assert(offsetof(susie_picture_info, x_density) == 16, "density at 16");
static_assert(offsetof(susie_picture_info, info_text) == 22, "info text at 22");

enum { SUSIE_SLOTS = 10, SUSIE_TEXT = 256 };
// Room for every loaded plug-in's description, one line each.
enum { SUSIE_LIST_BUF = (SUSIE_SLOTS - 1) * (SUSIE_TEXT + 1) + 32 };

// The folder searched before the running program's own, the system folder
// and the Windows folder (empty: none). Start-up sets it to the installed
// program's folder.
extern char susie_plugin_folder[PATH_BUF];

int find_susie_plugin(const char* name);
// The size from the plug-in of the extension: 1, 0 when the plug-in cannot
// read it, PROBE_NO_READER when no plug-in reads the extension.
int probe_susie_file(const char* path, int* width, int* height, int* xdpi, int* ydpi);
_bmap* load_susie_file(const char* path);
// The loaded plug-ins' descriptions, one a line, into out (cap bytes; null:
// count only); "Susie Plug-in is not loaded." when none is. The count.
int list_susie_plugins(char* out, size_t cap);
void free_susie_plugins();
