// The image kinds: their settings keys, extension table, enable switches and
// the plug-in kinds (see image_kinds.h). The rules that look names up in
// these tables live in names.cpp.
#include "browser/model/image_kinds.h"
#include "files/files.h"
#include <cstring>

const char* const image_kind_keys[IMAGE_KIND_COUNT] = {
    "BMP", "CUR", "EMF", "GIF", "ICO", "JPG", "MAG", "PDD", "PDF", "PI", "PIC", "P2", "PNG", "PSD", "Q4", "TIF", "WMF",
};
const char* const image_ext_table[IMAGE_EXT_COUNT + 1] = {
    ".bmp", ".cur", ".emf", ".gif", ".ico", ".jpg", ".mag",  ".pdd", ".pdf",  ".pi", ".pic",
    ".p2",  ".png", ".psd", ".q4",  ".tif", ".wmf", ".jpeg", ".jpe", ".tiff", "",
};
const int image_ext_kind[IMAGE_EXT_COUNT] = {
    KIND_BMP, KIND_CUR, KIND_EMF, KIND_GIF, KIND_ICO, KIND_JPG, KIND_MAG, KIND_PDD, KIND_PDF, KIND_PI,
    KIND_PIC, KIND_P2,  KIND_PNG, KIND_PSD, KIND_Q4,  KIND_TIF, KIND_WMF, KIND_JPG, KIND_JPG, KIND_TIF,
};
int image_kind_enabled[IMAGE_KIND_COUNT] = {1, 1, 1, 1, 1, 1, 0, 1, 1, 0, 0, 0, 1, 1, 0, 1, 1};

static int no_plugin(const char*) { return 0; }
int (*image_plugin_lookup)(const char* file_name) = no_plugin;

int is_plugin_kind(int kind)
{
    return kind == KIND_MAG || kind == KIND_PI || kind == KIND_PIC || kind == KIND_P2 || kind == KIND_Q4;
}

int plugin_reads_kind(int kind)
{
    char name[16];
    text_format(name, sizeof name, "x%s", image_ext_table[kind]);  // the kind's first extension
    return image_plugin_lookup(name) ? 1 : 0;
}

void init_image_kinds()
{
    for (int k = 0; k < IMAGE_KIND_COUNT; k++) image_kind_enabled[k] = is_plugin_kind(k) ? plugin_reads_kind(k) : 1;
}
