// Susie image plug-ins: the table of nine plug-in files, loading on first
// need, the choice by extension and the picture from a plug-in's DIB.
// A plug-in is only ever loaded by its full path, from the installed
// program's folder and then where the archivers are looked for (the running
// program's folder, the system folder, the Windows folder): the browser makes
// the shown folder current, and a DLL of a plug-in's name there (an extracted
// archive, a disc) must never run.
#include "formats/susie.h"
#include "formats/internal.h"
#include "formats/dib_picture.h"
#include "base/dll_load.h"
#include "base/holders.h"
#include "graphics/kavtrel.h"
#include <cstring>

susie_plugin susie_plugin_table[SUSIE_SLOTS] = {
    {""},          {"iftiff.spi"}, {"iftiff6.spi"}, {"ifpng.spi"},  {"ifpi.spi"},
    {"ifmag.spi"}, {"ifxld4.spi"}, {"ifpic.spi"},   {"ifpic2.spi"}, {"ifmm.spi"},
};
char susie_plugin_folder[PATH_BUF];

int load_susie_plugin(int index)
{
    if (index < 1 || index >= SUSIE_SLOTS) return 0;
    susie_plugin& p = susie_plugin_table[index];
    if (p.module) return index;
    library_holder module(load_dll_from(susie_plugin_folder, p.file_name));
    if (!module) module.reset(load_installed_dll(p.file_name));
    if (!module) return 0;
    auto info = (susie_plugin_info_fn)GetProcAddress(module.get(), "GetPluginInfo");
    auto picture_info = (susie_picture_info_fn)GetProcAddress(module.get(), "GetPictureInfo");
    auto picture = (susie_picture_fn)GetProcAddress(module.get(), "GetPicture");
    // A DLL without all three entries is no plug-in: it would be called blindly.
    if (!info || !picture_info || !picture) return 0;
    p.get_plugin_info = info;
    p.get_picture_info = picture_info;
    p.get_picture = picture;
    p.module = module.release();
    return index;
}

int susie_ext_matches(const char* name, const char* ext)
{
    if (!name || !ext || !ext[0]) return 0;
    const char* dot = mb_strrchr(name, ext[0]);
    if (!dot) return ext[0] == '.' && !ext[1] ? 1 : 0;
    return lstrcmpiA(dot, ext) == 0 ? 1 : 0;
}

int find_susie_plugin(const char* name)
{
    if (!name) return 0;
    if (susie_ext_matches(name, ".tif") || susie_ext_matches(name, ".tiff")) {
        int i = load_susie_plugin(2);
        return i ? i : load_susie_plugin(1);
    }
    static const struct {
        const char* ext;
        int index;
    } table[] = {
        {".png", 3}, {".pi", 4}, {".mag", 5}, {".q4", 6}, {".pic", 7}, {".p2", 8}, {".mpg", 9},
    };
    for (const auto& t : table)
        if (susie_ext_matches(name, t.ext)) return load_susie_plugin(t.index);
    return 0;
}

// The plug-in's picture information, its text handle freed; 0 on failure.
static int picture_info(int index, const char* name, susie_picture_info* info)
{
    memset(info, 0, sizeof *info);
    int rc = susie_plugin_table[index].get_picture_info(name, 0, 0, info);
    local_memory text(info->info_text);
    info->info_text = nullptr;
    return rc == 0 ? 1 : 0;
}

int get_susie_picture_info(const char* name, int* width, int* height, int* xdpi, int* ydpi)
{
    int index = find_susie_plugin(name);
    if (!index) return 0;
    if (!width) return index;
    susie_picture_info info;
    if (!picture_info(index, name, &info)) return 0;
    *width = info.width;
    *height = info.height;
    if (xdpi) *xdpi = info.x_density;
    if (ydpi) *ydpi = info.y_density;
    return 1;
}

int probe_susie_file(const char* path, int* width, int* height, int* xdpi, int* ydpi)
{
    // No plug-in for the extension: nothing looked at the file.
    if (!find_susie_plugin(path)) return PROBE_NO_READER;
    return get_susie_picture_info(path, width, height, xdpi, ydpi);
}

_bmap* load_susie_file(const char* path)
{
    int index = find_susie_plugin(path);
    if (!index) return nullptr;
    susie_picture_info info;
    if (!picture_info(index, path, &info)) return nullptr;
    HANDLE info_block = nullptr, bits_block = nullptr;
    int rc = susie_plugin_table[index].get_picture(path, 0, 0, &info_block, &bits_block, nullptr, 0);
    local_memory header((HLOCAL)info_block), bits((HLOCAL)bits_block);
    if (rc != 0 || !header || !bits) return nullptr;
    local_lock header_at(header.get()), bits_at(bits.get());
    if (!header_at.get() || !bits_at.get()) return nullptr;
    _bmap* b = picture_from_dib(header_at.get(), LocalSize(header.get()), bits_at.get(), LocalSize(bits.get()));
    if (!b) return nullptr;
    b->header.biXPelsPerMeter = dpi_to_ppm(info.x_density);
    b->header.biYPelsPerMeter = dpi_to_ppm(info.y_density);
    return b;
}

int list_susie_plugins(char* out, size_t cap)
{
    if (out && cap) out[0] = 0;
    int count = 0;
    for (int i = 0; i < SUSIE_SLOTS; i++) {
        susie_plugin& p = susie_plugin_table[i];
        if (!p.module) continue;
        if (out) {
            // A plug-in may fill every byte it is offered without a terminator.
            char text[SUSIE_TEXT + 1] = {};
            p.get_plugin_info(1, text, SUSIE_TEXT);
            text[SUSIE_TEXT] = 0;
            if (count) text_append(out, cap, "\n");
            text_append(out, cap, text);
        }
        count++;
    }
    if (out && !count) text_copy(out, cap, "Susie Plug-in is not loaded.");
    return count;
}

void free_susie_plugins()
{
    for (susie_plugin& p : susie_plugin_table) {
        if (p.module && FreeLibrary(p.module)) {
            p.module = nullptr;
            p.get_plugin_info = nullptr;
            p.get_picture_info = nullptr;
            p.get_picture = nullptr;
        }
    }
}
