// The seventeen image kinds the browser recognises by extension, with their
// enable switches. The lookups by name are in names.h.
#pragma once
#include "browser/model/names.h"

enum {
    IMAGE_KIND_COUNT = 17,
    IMAGE_EXT_COUNT = 20,
    KIND_BMP = 0,
    KIND_CUR,
    KIND_EMF,
    KIND_GIF,
    KIND_ICO,
    KIND_JPG,
    KIND_MAG,
    KIND_PDD,
    KIND_PDF,
    KIND_PI,
    KIND_PIC,
    KIND_P2,
    KIND_PNG,
    KIND_PSD,
    KIND_Q4,
    KIND_TIF,
    KIND_WMF,
};

// Settings keys of the kinds ("BMP" ... "WMF"), by kind index.
extern const char* const image_kind_keys[IMAGE_KIND_COUNT];
// The extensions in search order, ending with an empty string, and the kind of each.
extern const char* const image_ext_table[IMAGE_EXT_COUNT + 1];
extern const int image_ext_kind[IMAGE_EXT_COUNT];
// 1 when a kind is shown and loaded. Set by init_image_kinds, then by the settings.
extern int image_kind_enabled[IMAGE_KIND_COUNT];

// Whether an image plug-in reads files of a name ("x.mag"): the plug-in
// loader's lookup, plugged in by the application. Default: none is installed.
extern int (*image_plugin_lookup)(const char* file_name);

// Every kind enabled, except the plug-in kinds (MAG, PI, PIC, P2, Q4)
// without an answering plug-in.
void init_image_kinds();
int is_plugin_kind(int kind);
// 1 when the installed image plug-in reads files of the kind's first extension.
int plugin_reads_kind(int kind);
