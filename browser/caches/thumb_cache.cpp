// The in-memory thumbnail cache: 255 pictures in page slots 101 to 355, each
// described by a key (path, file size, picture size, write time, thumbnail
// size, background) so that a redraw of the same page only compares keys.
// Entries are reused round robin; a list entry remembers the cache entry
// that holds its picture. A miss goes to the disk cache.
#include "browser/caches/thumb_cache.h"
#include "browser/model/arccache.h"
#include "browser/model/browser_list.h"
#include "browser/model/file_kind.h"
#include "browser/model/paths.h"
#include "browser/caches/cell_extras.h"
#include "browser/model/scan.h"
#include "browser/caches/thumb_layers.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

thumb_cache_record thumb_cache;
int thumb_replace_counter;

static browser_list_record& L = browser_list;

static int current_size() { return static_cast<int>(L.thumb_size); }

void thumb_cache_init(thumb_cache_record* cache)
{
    memset(cache->entries, 0, sizeof cache->entries);
    for (thumb_cache_entry& e : cache->entries) e.background = GetSysColor(COLOR_WINDOW);
    cache->item_index = nullptr;
    cache->item_count = 0;
    cache_init(&cache->dir);
}

void free_item_index(thumb_cache_record* cache)
{
    free(cache->item_index);
    cache->item_index = nullptr;
    cache->item_count = 0;
}

void alloc_item_index(thumb_cache_record* cache, int count)
{
    free_item_index(cache);
    if (count <= 0) return;
    cache->item_index = static_cast<int32_t*>(calloc(static_cast<size_t>(count), sizeof(int32_t)));
    if (cache->item_index) cache->item_count = count;
}

static bool same_key_words(const thumb_cache_entry* e, const file_kind_base* k)
{
    return e->file_size == k->file_size && e->width == k->width && e->height == k->height &&
           e->time_low == static_cast<uint32_t>(k->write_time) &&
           e->time_high == static_cast<uint32_t>(k->write_time >> 32);
}

int cache_entry_matches(const thumb_cache_entry* e, const file_kind_base* k, const char* path)
{
    return e->path[0] && !e->stale && e->thumb_size == current_size() && e->background == L.colours[COLOUR_BK] &&
           text_equal_ci(e->path, path) && same_key_words(e, k);
}

void fill_cache_key(thumb_cache_entry* e, const file_kind_base* k, const char* path)
{
    text_copy(e->path, path);
    if (k->wildcard) return;
    e->background = L.colours[COLOUR_BK];
    e->layer = k->layer;
    e->file_size = k->file_size;
    e->width = k->width;
    e->height = k->height;
    e->time_low = static_cast<uint32_t>(k->write_time);
    e->time_high = static_cast<uint32_t>(k->write_time >> 32);
    e->thumb_size = current_size();
    e->drawn_size = static_cast<int>(L.drawn_size);
    e->colour_depth = L.bits_per_pixel;
    e->flag = 0;
    e->stale = 0;
}

// The full path of an entry's file, or empty when it does not fit.
static void entry_full_path(const file_kind_base* k, char* out)
{
    char name[PATH_BUF];
    if (!entry_picture_name(k, name) || !full_path(out, PATH_BUF, name)) out[0] = 0;
}

static void draw_wildcard_picture()
{
    static int drawn_size = -1;
    static COLORREF drawn_background;
    if (drawn_size == current_size() && drawn_background == L.colours[COLOUR_BK]) return;
    drawn_size = current_size();
    drawn_background = L.colours[COLOUR_BK];
    file_kind_base any;
    any.wildcard = 1;
    cell_result r;
    draw_file_cell(&r, &any, L.thumb_size, L.drawn_size, SLOT_WILDCARD, CELL_JPEG_FAST, 0);
}

// A layer entry's picture: every further layer file drawn into the same slot
// the same way and overlaid on the first.
static void compose_layers(thumb_cache_record* cache, const file_kind_base* k, int slot)
{
    if (!k->stored_name) return;
    std::vector<std::string> files = layer_files(k->stored_name);
    if (files.size() < 2) return;
    _bmap* base = take_slot_bitmap(slot);
    if (!base) return;
    for (size_t i = 1; i < files.size(); i++) {
        file_kind layer;
        make_file_kind(files[i].c_str(), &layer, 1, 0);
        cache_lookup_or_make(&cache->dir, files[i].c_str(), 0, &layer, slot);
        overlay_slot(slot, base);
    }
    _page_set_bmap(slot, base);
    _bmap_delete(base);
}

int thumb_cache_fetch(thumb_cache_record* cache, const file_kind_base* k)
{
    if (k->wildcard) {
        draw_wildcard_picture();
        return 0;
    }
    char path[PATH_BUF];
    entry_full_path(k, path);
    int n = L.cache_working_size < 4 ? 4 : L.cache_working_size > 256 ? 256 : L.cache_working_size;
    int limit = thumb_replace_counter + 1 < n ? thumb_replace_counter + 1 : n;
    int number = 0;
    for (int e = 1; e < limit; e++) {
        thumb_cache_entry* c = &cache->entries[e];
        if (c->layer != k->layer || !text_equal_ci(c->path, path)) continue;
        if (cache_entry_matches(c, k, path)) return e;
        number = e;
        break;
    }
    if (!number) number = thumb_replace_counter++ % (n - 1) + 1;
    if (path[0]) {
        cache_lookup_or_make(&cache->dir, path, 0, k, number + THUMB_SLOT_BASE);
        if (k->layer) compose_layers(cache, k, number + THUMB_SLOT_BASE);
    } else {
        cell_result r;
        placeholder_cell(&r, number + THUMB_SLOT_BASE, "read error", L.thumb_size, L.drawn_size);
    }
    fill_cache_key(&cache->entries[number], k, path);
    return number;
}

int thumb_cache_draw(int i, thumb_cache_record* cache, int force)
{
    file_kind* k = list_entry_kind(i);
    if (!k || i >= cache->item_count || !cache->item_index) return 0;
    const file_kind_base* t = k->target();
    if (!t->wildcard && !t->image_kind) return 0;
    int e = cache->item_index[i];
    if (!force && e > 0) {
        char path[PATH_BUF];
        entry_full_path(t, path);
        if (cache_entry_matches(&cache->entries[e], t, path)) return 0;
    }
    cache->item_index[i] = thumb_cache_fetch(cache, t);
    return t->wildcard ? 0 : 2;
}

// The pictures of entries that are no image, in the shared slots 50 to 52.
static int shared_slot_picture(const file_kind_base* t, thumb_cache_record* cache)
{
    char path[PATH_BUF], member[PATH_BUF];
    if (!t->name(path)) return 0;
    if (t->archive && arccache_member_path(path, member)) {
        file_kind m;
        make_file_kind(member, &m, 1, 0);
        if (m.image_kind) {
            cache_lookup_or_make(&cache->dir, member, 0, &m, SLOT_ARCHIVE);
            return SLOT_ARCHIVE;
        }
    }
    if (t->image_kind) return 0;
    if (t->drive_root && t->drive_type == DRIVE_REMOVABLE) {
        if (!_newbuffer(SLOT_ICON, 32, 32)) return 0;
        _page_fill(SLOT_ICON, L.colours[COLOUR_BK]);
        draw_drive_icon(_page_info(SLOT_ICON).dc, 0, 0, path);
        return SLOT_ICON;
    }
    if (t->text) {
        cell_result r;
        draw_file_cell(&r, t, L.thumb_size, L.drawn_size, SLOT_TEXT, CELL_JPEG_FAST, 0);
        return SLOT_TEXT;
    }
    return _page_load_icon(SLOT_ICON, path) ? SLOT_ICON : 0;
}

int thumb_image_index(int i, thumb_cache_record* cache)
{
    file_kind* k = list_entry_kind(i);
    if (!k) return 0;
    const file_kind_base* t = k->target();
    if (t->wildcard) return SLOT_WILDCARD;
    if (t->archive || !t->image_kind) return shared_slot_picture(t, cache);
    if (i >= cache->item_count || !cache->item_index) return 0;
    return cache->item_index[i] > 0 ? cache->item_index[i] + THUMB_SLOT_BASE : 0;
}

void thumb_cache_rename(thumb_cache_record* cache, const char* old_path, const char* new_path)
{
    if (mb_strchr(old_path, '*')) return;
    if (rotation_from_name(old_path) != rotation_from_name(new_path)) return;
    for (int e = 1; e < THUMB_CACHE_ENTRIES; e++) {
        thumb_cache_entry* c = &cache->entries[e];
        if (c->layer == 0 && text_equal_ci(c->path, old_path)) text_copy(c->path, new_path);
    }
}

// The program's cache of the list's pictures ---------------------------------------

static void free_cache() { free_item_index(&thumb_cache); }

void start_thumbnail_cache()
{
    thumb_cache_init(&thumb_cache);
    L.thumb_cache = &thumb_cache;
    static bool freed_at_exit = atexit(free_cache) == 0;
    (void)freed_at_exit;
}

void index_thumbnails_of_list()
{
    if (L.thumb_cache) alloc_item_index(&thumb_cache, L.count);
}

void thumbnail_moved(const char* from, const char* to) { thumb_cache_rename(&thumb_cache, from, to); }

int thumb_cache_current(int index) { return thumb_cache_draw(index, &thumb_cache, 0) == 2 ? 0 : 1; }

// Every entry shows its picture centred in the picture area (the thumbnail
// size wide, the drawn size high, from x and y).
int draw_cell_picture(int index, double x, double y, double size, int force)
{
    if (!list_entry_kind(index)) return 1;
    thumb_cache_draw(index, &thumb_cache, force);
    int slot = thumb_image_index(index, &thumb_cache);
    page_info info = _page_info(slot);
    if (slot < 1 || info.kind < 0) return 0;
    // Page 1 stays current over a page of cells unless a picture was made.
    if (current_page_number() != L.page && !_selectpage(0, L.page)) return 1;
    _drawpage(slot, x + (size - info.width) * 0.5, y + (L.drawn_size - info.height) * 0.5, 1.0);
    return 1;
}
