// Layered pictures: the images of a ".layer" folder drawn one over the other,
// white being transparent. The first layer's picture is taken out of its
// slot, every further layer of the same pixel size is overlaid on it, and the
// composed picture goes back.
#include "browser/caches/thumb_layers.h"
#include "browser/caches/thumb_cache.h"
#include "browser/model/folder_ops.h"
#include "browser/model/name_list.h"
#include "browser/model/paths.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include <cstring>

_bmap* take_slot_bitmap(int slot)
{
    if (slot < 1 || slot >= PAGE_SLOTS || !_page_to_bmap(slot)) return nullptr;
    const _bmap* from = _page_info(slot).image;
    _bmap* b = from ? bmap_new(from->width, from->height) : nullptr;
    if (b) {
        memcpy(b->pixels, from->pixels, static_cast<size_t>(from->stride) * from->height);
        b->header.biXPelsPerMeter = from->header.biXPelsPerMeter;
        b->header.biYPelsPerMeter = from->header.biYPelsPerMeter;
    }
    _page_free(slot);
    return b;
}

void overlay_copy(_bmap* to, const _bmap* from)
{
    if (!to || !from) return;
    int w = to->width < from->width ? to->width : from->width;
    int h = to->height < from->height ? to->height : from->height;
    for (int y = 0; y < h; y++) {
        const BYTE* s = from->pixels + static_cast<size_t>(y) * from->stride;
        BYTE* d = to->pixels + static_cast<size_t>(y) * to->stride;
        for (int x = 0; x < w; x++, s += 3, d += 3)
            if (s[0] < 255 || s[1] < 255 || s[2] < 255) memcpy(d, s, 3);
    }
}

void overlay_slot(int slot, _bmap* base)
{
    _bmap* layer = take_slot_bitmap(slot);
    overlay_copy(base, layer);
    _bmap_delete(layer);
}

std::vector<std::string> layer_files(const char* entry)
{
    std::vector<std::string> files;
    if (mb_strchr(entry, '*')) return files;
    char folder[PATH_BUF];
    int count = scan_layer_images(entry);
    if (count < 1 || !entry_listed_path(entry, folder)) return files;
    char** names = reinterpret_cast<char**>(strlist_to_array(&image_names));
    for (int i = 0; names && i < count; i++) {
        char path[PATH_BUF];
        if (path_join(path, folder, names[i])) files.push_back(path);
    }
    return files;
}
