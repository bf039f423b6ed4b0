// Full pictures of list entries by their kind, layered pictures composed, and
// the two clipboard copies of a picture.
#include "browser/caches/entry_picture.h"
#include "browser/model/browser_list.h"
#include "browser/model/file_kind.h"
#include "browser/model/image_kinds.h"
#include "browser/caches/thumb_cache.h"
#include "browser/caches/thumb_layers.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include <string>
#include <vector>

static _bmap* turned(_bmap* b, int code)
{
    if (!b || !code) return b;
    _bmap* t = _bmap_rotate(b, code * 90);
    if (!t) return b;
    _bmap_delete(b);
    return t;
}

double reduced_load_scale(int kind, int divisor)
{
    if (divisor < 1) divisor = 1;
    // _bmap_load reads its scale as a JPEG divisor, but as a size for the kinds it draws.
    if (kind == KIND_JPG) return divisor;
    if (kind == KIND_EMF || kind == KIND_WMF || kind == KIND_PDF) return 1.0 / divisor;
    return 1;
}

_bmap* load_entry_picture(const file_kind_base* k, int rotate, int factor)
{
    char name[PATH_BUF];
    // A folder's picture is its first image, whose path the entry holds.
    if (!k->image_kind || !entry_picture_name(k, name) || !name[0]) return nullptr;
    int kind = k->image_kind - 1;
    int code = rotation_from_name(name);
    if (factor < 1) factor = 1;
    _bmap* b;
    if (kind == KIND_JPG)
        b = _bmap_load(name, 1, factor);
    else if (is_plugin_kind(kind))
        b = image_format_hooks.load_plugin ? image_format_hooks.load_plugin(name) : nullptr;
    else
        b = _bmap_load(name, 0, reduced_load_scale(kind, factor));
    if (!b) return nullptr;
    // Metafiles and PDF pages are drawn at the reduced size already.
    bool drawn_reduced = kind != KIND_JPG && reduced_load_scale(kind, factor) != 1;
    if (drawn_reduced) return turned(b, code);
    if (factor > 1 && kind != KIND_JPG) {
        _bmap* z = _bmap_zoom(b, code, 1.0 / factor);
        if (z) {
            _bmap_delete(b);
            return z;
        }
    }
    return rotate ? turned(b, code) : b;
}

// The layers after the first, each the first's pixel size, overlaid on it.
static void overlay_layers(const file_kind_base* k, _bmap* base, int rotate, int factor)
{
    std::vector<std::string> files = layer_files(k->stored_name);
    int w0 = 0, h0 = 0, xr, yr;
    if (files.size() < 2 || !_image_info(files[0].c_str(), &w0, &h0, &xr, &yr)) return;
    for (size_t i = 1; i < files.size(); i++) {
        int w, h;
        if (!_image_info(files[i].c_str(), &w, &h, &xr, &yr) || w != w0 || h != h0) continue;
        file_kind layer;
        make_file_kind(files[i].c_str(), &layer, 1, 0);
        _bmap* b = load_entry_picture(&layer, rotate, factor);
        overlay_copy(base, b);
        _bmap_delete(b);
    }
}

_bmap* load_entry_pages(int index, int rotate, int factor)
{
    file_kind* e = list_entry_kind(index);
    if (!e) return nullptr;
    const file_kind_base* k = e->target();
    if (k->wildcard) return nullptr;
    _bmap* b = load_entry_picture(k, rotate, factor);
    if (b && k->layer && k->stored_name) overlay_layers(k, b, rotate, factor);
    return b;
}

static int picture_to_clipboard(_bmap* b)
{
    int ok = b ? _bmap_to_clipboard(b) : 0;
    _bmap_delete(b);
    return ok;
}

int copy_image_full_size(int index)
{
    file_kind* e = list_entry_kind(index);
    if (!e) return 0;
    const file_kind_base* k = e->target();
    // A folder's picture is its first image; a layer folder's, its layers composed.
    char name[PATH_BUF];
    if (!k->image_kind || !entry_picture_name(k, name) || !name[0]) return 0;
    int kind = k->image_kind - 1;
    if (!k->layer && (kind == KIND_BMP || kind == KIND_EMF || kind == KIND_WMF)) return _file_to_clipboard(name);
    // PDF pages, icons and cursors go as they load; the others turned by their mark.
    int rotate = kind != KIND_PDF && kind != KIND_ICO && kind != KIND_CUR;
    return picture_to_clipboard(load_entry_pages(index, rotate, 1));
}

int copy_cell_picture(int index)
{
    file_kind* e = list_entry_kind(index);
    if (!e || !browser_list.names || mb_strchr(browser_list.names[index], '*')) return 0;
    auto* cache = static_cast<thumb_cache_record*>(browser_list.thumb_cache);
    if (!cache) return 0;
    thumb_cache_draw(index, cache, 0);
    int slot = thumb_image_index(index, cache);
    if (slot < 1 || !_page_to_bmap(slot)) return 0;
    const _bmap* shown = _page_info(slot).image;
    return shown ? _bmap_to_clipboard(const_cast<_bmap*>(shown)) : 0;
}
