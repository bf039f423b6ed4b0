// The thumbnail cache on disk: one file per thumbnail in the primary root
// (under the temporary folder, or the folder of the `cachepath` setting) or in
// a drive cache folder "X:\zote\cache\" that may travel on removable media.
// A file's own write time is the image's, so a changed image never matches.
// The marker file "zote.l" held open is the lock of clean-ups between
// instances. Only the cache's own files ("$.*.*", "@.*.*") are ever deleted:
// the primary root may be a folder the user chose. The search for an image's
// files ("*.name.*") meets any file of a matching name there, so it deletes
// one only when its header says it is a cache file.
#include "browser/caches/thumb_cache.h"
#include "browser/model/browser_list.h"
#include "browser/model/file_kind.h"
#include "browser/model/image_kinds.h"
#include "browser/model/paths.h"
#include "files/files.h"
#include "base/holders.h"
#include "formats/formats.h"
#include "graphics/kavtrel.h"
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

static browser_list_record& L = browser_list;

static FILE* marker_handle;

static DWORD sector_size_of(const char* path)
{
    char root[PATH_BUF];
    DWORD per_cluster, sector, free_clusters, clusters;
    if (!path_root(path, root, sizeof root)) return 0;
    return GetDiskFreeSpaceA(root, &per_cluster, &sector, &free_clusters, &clusters) ? sector : 0;
}

void cache_init(thumb_cache_dir* d)
{
    memset(d, 0, sizeof *d);
    char temp[PATH_BUF], zote[PATH_BUF];
    DWORD n = GetTempPathA(sizeof temp, temp);
    d->cachemag = 1.0;
    if (!n || n >= sizeof temp || !path_join(zote, temp, "zote") ||
        !path_join(d->default_root, PATH_BUF, zote, "cache\\") || !path_join(d->marker, PATH_BUF, zote, "zote.l"))
        return;
    text_copy(d->primary_root, d->default_root);
    d->primary_end = static_cast<int>(strlen(d->primary_root));
    if (!is_folder(d->primary_root)) md_path(d->primary_root);
    d->sector_size = sector_size_of(d->primary_root);
    double free_bytes = disk_free_bytes(d->primary_root);
    d->cache_size = free_bytes > 320000000.0 ? 32 : free_bytes > 100000000.0 ? 16 : 8;
}

int set_cache_path(thumb_cache_dir* d, const char* path)
{
    if (is_empty_str(path)) return 0;
    char root[PATH_BUF];
    if (!text_copy(root, path) || !add_backslash(root) || !is_folder(root)) return 0;
    text_copy(d->primary_root, root);
    d->primary_end = static_cast<int>(strlen(root));
    d->sector_size = sector_size_of(root);
    return 1;
}

void drive_cache_root(thumb_cache_dir* d, char letter)
{
    bool ok;
    if (letter) {
        ok = text_format(d->second_root, PATH_BUF, "%c:\\zote\\cache\\", letter);
    } else {
        char folder[PATH_BUF];
        DWORD n = GetCurrentDirectoryA(sizeof folder, folder);
        ok = n && n < sizeof folder && path_join(d->second_root, PATH_BUF, folder, "zote") &&
             path_join(d->second_root, PATH_BUF, d->second_root, "cache\\");
    }
    if (!ok) d->second_root[0] = 0;
    d->second_end = static_cast<int>(strlen(d->second_root));
}

int picture_worth_caching(const thumb_cache_dir* d, const file_kind_base* k)
{
    int kind = k->image_kind - 1;
    double pixels = double(k->width) * double(k->height);
    if (kind == KIND_EMF || kind == KIND_WMF) return k->file_size > d->cachemag * 153600.0;
    if (kind == KIND_JPG) return pixels > d->cachemag * 4 * 76800.0;
    return pixels > d->cachemag * 76800.0;
}

// The marker is free when it is absent or can be deleted now.
static bool marker_free(const thumb_cache_dir* d)
{
    return GetFileAttributesA(d->marker) == INVALID_FILE_ATTRIBUTES || DeleteFileA(d->marker);
}

static void draw_direct(const file_kind_base* k, int slot)
{
    cell_result r;
    draw_file_cell(&r, k, L.thumb_size, L.drawn_size, slot, CELL_JPEG_FAST, 0);
}

// Reading -----------------------------------------------------------------------

// The folders searched for an image's cache files, in order.
static int search_roots(thumb_cache_dir* d, const char* path, int second_flag, const char** roots)
{
    if (!second_flag || !is_folder(d->second_root)) drive_cache_root(d, path[0]);
    bool second = d->second_root[0] && is_folder(d->second_root) && !text_equal_ci(d->second_root, d->primary_root);
    if (second_flag && second) {
        roots[0] = d->second_root;
        return 1;
    }
    roots[0] = d->primary_root;
    if (!second) return 1;
    roots[1] = d->second_root;
    return 2;
}

// Decodes the checked stream at a reduction fitting the current sizes.
static _bmap* decode_stored_picture(FILE* f, int w, int h)
{
    double size = static_cast<int>(L.thumb_size), drawn = static_cast<int>(L.drawn_size);
    double r = 1;
    if (size < w) r = size / w;
    if (drawn < r * h) r = drawn / h;
    int reduction = r <= 0.1375 ? 8 : r <= 0.275 ? 4 : r <= 0.55 ? 2 : 1;
    _bmap* b = bmap_new((w + reduction - 1) / reduction, (h + reduction - 1) / reduction);
    if (!b) return nullptr;
    int dw = 0, dh = 0;
    reset_jpeg_error_state();
    if (!decompress_jpeg_to_bitmap(f, &dw, &dh, reduction, 1, b->pixels, static_cast<size_t>(b->size)) ||
        jpeg_bad_input_flag || dw != b->width || dh != b->height) {
        _bmap_delete(b);
        return nullptr;
    }
    return b;
}

// A stored picture fitted to the picture area: files made for a larger
// size, and files made while the area was the whole thumbnail square (before
// it left room for the name line), hold pictures taller than the area.
static void put_picture(_bmap* b, int slot)
{
    double r = fit_scale(0, b->width, b->height, static_cast<int>(L.thumb_size), static_cast<int>(L.drawn_size));
    if (r < 1.0) {
        if (_bmap* s = _bmap_scale(r, 0.14, b)) {
            _bmap_delete(b);
            b = s;
        }
    }
    if (slot >= 1) _page_set_bmap(slot, b);
    _bmap_delete(b);
}

static bool same_image(const thumb_file_header& a, const thumb_file_header& b)
{
    return a.file_size == b.file_size && a.width == b.width && a.height == b.height &&
           text_equal_ci(file_name_of(a.path), file_name_of(b.path));
}

// A hit outside the primary root on a drive that is not a fixed disk is kept
// as a local "@." copy, so that the thumbnail stays when the medium goes.
static void keep_local_copy(const thumb_cache_dir* d, const char* root, const char* file, const char* image)
{
    char drive[PATH_BUF], copy[PATH_BUF];
    if (text_equal_ci(root, d->primary_root) || !path_root(root, drive, sizeof drive)) return;
    if (GetDriveTypeA(drive) == DRIVE_FIXED) return;
    if (new_cache_file_name(copy, d->primary_root, '@', image)) CopyFileA(file, copy, FALSE);
}

enum candidate_result { CANDIDATE_SKIPPED, CANDIDATE_UNUSABLE, CANDIDATE_USED };

static candidate_result try_candidate(const thumb_cache_dir* d, const char* root, const char* file,
                                      const thumb_file_header& wanted, int slot)
{
    thumb_file_header h;
    int w, hgt;
    bool used = false;
    {
        c_file f(fopen(file, "rb"));
        if (!f) return CANDIDATE_UNUSABLE;
        thumb_read_result r = read_thumb_header(f.get(), &h);
        if (r == THUMB_FILE_FOREIGN || (r == THUMB_FILE_OK && !same_image(h, wanted))) return CANDIDATE_SKIPPED;
        bool fits = r == THUMB_FILE_OK && h.stored_size >= wanted.stored_size &&
                    read_thumb_picture_size(f.get(), h.stored_size, &w, &hgt);
        if (_bmap* b = fits ? decode_stored_picture(f.get(), w, hgt) : nullptr) {
            put_picture(b, slot);
            used = true;
        }
    }
    if (used) {
        keep_local_copy(d, root, file, wanted.path);
        return CANDIDATE_USED;
    }
    // A file that cannot be trusted is deleted, and the thumbnail made again;
    // one that cannot even be deleted keeps this image out of the cache.
    return DeleteFileA(file) ? CANDIDATE_SKIPPED : CANDIDATE_UNUSABLE;
}

// Writing -----------------------------------------------------------------------

static const char* write_root(thumb_cache_dir* d)
{
    if (d->second_root[0] && is_folder(d->second_root) && !is_drive_writable(d->second_root)) return d->second_root;
    return d->primary_root;
}

static int write_cache_file(thumb_cache_dir* d, const file_kind_base* k, thumb_file_header h, int slot)
{
    int size = static_cast<int>(L.thumb_size);
    int stored = size > 128 ? 256 : 128;
    cell_result r;
    draw_file_cell(&r, k, stored, stored, slot, CELL_JPEG_FAST, 0);
    page_info info = _page_info(slot);
    char file[PATH_BUF];
    if (r.error || info.kind != PAGE_IMAGE || !info.image || !new_cache_file_name(file, write_root(d), '$', h.path)) {
        fit_slot_picture(slot, size, static_cast<int>(L.drawn_size));
        return 0;
    }
    h.stored_size = h.stored_size2 = stored;
    bool ok;
    {
        c_file f(fopen(file, "wb"));
        if (!f) return 0;
        reset_jpeg_error_state();
        ok = write_thumb_header(f.get(), h, info.image->width, info.image->height) &&
             compress_bitmap_to_jpeg(f.get(), info.image->width, info.image->height, 0, 0, info.image->pixels,
                                     stored == 128 ? 96 : 80) &&
             !jpeg_bad_input_flag && fflush(f.get()) == 0;
    }
    if (!ok) {
        DeleteFileA(file);
        return 0;
    }
    set_file_write_time(file, FILETIME{h.time_low, h.time_high});
    // The file keeps the stored square; the cell gets the picture area.
    fit_slot_picture(slot, size, static_cast<int>(L.drawn_size));
    return 1;
}

int cache_lookup_or_make(thumb_cache_dir* d, const char* path, int second_flag, const file_kind_base* k, int slot)
{
    if (d->cache_size == 0 || !k->image_kind) {
        draw_direct(k, slot);
        return 0;
    }
    int size = static_cast<int>(L.thumb_size);
    thumb_file_header h = {};
    h.header_size = THUMB_HEADER_BYTES;
    h.version = THUMB_FILE_VERSION;
    h.file_size = k->file_size;
    h.width = k->width;
    h.height = k->height;
    h.time_low = static_cast<uint32_t>(k->write_time);
    h.time_high = static_cast<uint32_t>(k->write_time >> 32);
    h.stored_size = size;
    h.stored_size2 = static_cast<int>(L.drawn_size);
    h.colour_depth = L.bits_per_pixel;
    // A path that does not fit leaves this image out of the disk cache.
    char pattern[PATH_BUF];
    if (!text_copy(h.path, path) || !cache_search_pattern(pattern, d->primary_root, path)) {
        draw_direct(k, slot);
        return 0;
    }
    int unusable = 0;
    if (size <= 256) {
        const char* roots[2];
        int count = search_roots(d, path, second_flag, roots);
        for (int i = 0; i < count; i++) {
            if (!cache_search_pattern(pattern, roots[i], path)) continue;
            WIN32_FIND_DATAA fd;
            find_handle find(FindFirstFileA(pattern, &fd));
            for (bool more = bool(find); more; more = FindNextFileA(find.get(), &fd)) {
                if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
                if (fd.ftLastWriteTime.dwLowDateTime != h.time_low || fd.ftLastWriteTime.dwHighDateTime != h.time_high)
                    continue;
                char file[PATH_BUF];
                if (!text_format(file, sizeof file, "%s%s", roots[i], fd.cFileName)) continue;
                candidate_result r = try_candidate(d, roots[i], file, h, slot);
                if (r == CANDIDATE_USED) return 1;
                if (r == CANDIDATE_UNUSABLE) unusable++;
            }
        }
    }
    if (unusable || size > 256 || !picture_worth_caching(d, k) || !marker_free(d)) {
        draw_direct(k, slot);
        return 0;
    }
    return write_cache_file(d, k, h, slot);
}

int cache_file_for_path(thumb_cache_dir* d, const char* path)
{
    file_kind k;
    make_file_kind(path, &k, 1, 0);
    int slot = _newbuffer_auto(1, 1);
    if (slot < 1) return 0;
    int r = cache_lookup_or_make(d, path, 1, &k, slot);
    _page_free(slot);
    return r;
}

// The lock and the clean-ups ----------------------------------------------------------

int cache_lock_toggle(thumb_cache_dir* d)
{
    if (GetFileAttributesA(d->marker) != INVALID_FILE_ATTRIBUTES && !DeleteFileA(d->marker)) {
        if (!marker_handle) return 0;
        fclose(marker_handle);
        marker_handle = nullptr;
        DeleteFileA(d->marker);
        return 1;
    }
    marker_handle = fopen(d->marker, "wb");
    return marker_handle ? 1 : 0;
}

struct cache_file_info {
    std::string path;
    double size;
};

// The cache's own files in a root: "$.*.*" and "@.*.*" (or only one kind).
static std::vector<cache_file_info> cache_files(const char* root, const char* kinds = "$@")
{
    std::vector<cache_file_info> files;
    for (const char* k = kinds; *k; k++) {
        char pattern[PATH_BUF];
        if (!text_format(pattern, sizeof pattern, "%s%c.*.*", root, *k)) continue;
        WIN32_FIND_DATAA fd;
        find_handle find(FindFirstFileA(pattern, &fd));
        for (bool more = bool(find); more; more = FindNextFileA(find.get(), &fd)) {
            char file[PATH_BUF];
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || fd.cFileName[1] != '.' ||
                !text_format(file, sizeof file, "%s%s", root, fd.cFileName))
                continue;
            files.push_back({file, fd.nFileSizeHigh * 4294967296.0 + fd.nFileSizeLow});
        }
    }
    return files;
}

static void say(const char* text)
{
    kavtrel_message_box(_page_hwnd(L.page) ? GetParent(_page_hwnd(L.page)) : console_window(), text, "ZOTE", MB_OK);
}

int cache_clear(thumb_cache_dir* d)
{
    if (!marker_free(d)) {
        say("キャッシュファイル使用中です．\nしばらく待ってからもう一度実行して下さい．");
        return 0;
    }
    cache_lock_toggle(d);
    for (const cache_file_info& f : cache_files(d->primary_root)) rm_file(f.path.c_str());
    cache_lock_toggle(d);
    say("キャッシュファイルを全て削除しました．\nキャッシュファイルの容量制限は変更されていません．\n\n"
        "キャッシュファイル機能を使用したくない場合は，\n別のメニューで容量制限を0MBにして下さい．");
    return 1;
}

int cache_clean(thumb_cache_dir* d)
{
    if (!marker_free(d)) return 0;
    _status_text(L.page, "%s", "キャッシュファイル整理中...");
    cache_lock_toggle(d);
    cache_delete_stale(d);
    cache_lock_toggle(d);
    _status_text(L.page, "%s", "");
    return 1;
}

static double used_bytes(const thumb_cache_dir* d, const std::vector<cache_file_info>& files)
{
    // Without the sector size the files count at their own length.
    double sector = d->sector_size ? d->sector_size : 1;
    double used = 0;
    for (const cache_file_info& f : files) used += (double(int64_t(f.size / sector)) + 1) * sector;
    return used;
}

// A stored bitmap counts by its share of the image; a JPEG stream counts 1.
static double weight_of(const cache_file_info& f)
{
    c_file file(fopen(f.path.c_str(), "rb"));
    if (!file) return 1.0;
    thumb_file_header h;
    unsigned char b[14 + 12];
    if (read_thumb_header(file.get(), &h) != THUMB_FILE_OK || fseek(file.get(), THUMB_PICTURE_OFFSET, SEEK_SET) != 0 ||
        fread(b, 1, sizeof b, file.get()) != sizeof b || b[0] != 'B' || b[1] != 'M')
        return 1.0;
    int32_t bw, bh;
    memcpy(&bw, b + 18, 4);
    memcpy(&bh, b + 22, 4);
    double image = double(h.width) * double(h.height);
    if (image <= 0) return 1.0;
    double w = double(bw) * double(bh < 0 ? -bh : bh) / image;
    const char* name = file_name_of(f.path.c_str());
    if (mb_strstr(name, ".jpg.") || mb_strstr(name, ".jpeg.") || mb_strstr(name, ".JPG.") || mb_strstr(name, ".JPEG."))
        w *= 4;
    return w;
}

void cache_delete_stale(thumb_cache_dir* d)
{
    double limit = d->cache_size * 1000000.0;
    if (used_bytes(d, cache_files(d->primary_root)) <= limit) return;
    for (const cache_file_info& f : cache_files(d->primary_root, "@")) rm_file(f.path.c_str());
    std::vector<cache_file_info> files = cache_files(d->primary_root);
    if (d->cache_size == 0) {
        // The cache's own files go; a folder the user chose stays.
        for (const cache_file_info& f : files) rm_file(f.path.c_str());
        if (text_equal_ci(d->primary_root, d->default_root)) RemoveDirectoryA(d->primary_root);
        return;
    }
    double used = used_bytes(d, files);
    if (limit >= used || files.empty()) return;
    double f = 1 - limit * 0.7 / used;
    std::vector<double> weights;
    double total = 0;
    for (const cache_file_info& c : files) {
        weights.push_back(weight_of(c));
        total += weights.back();
    }
    double n = double(files.size());
    for (size_t i = 0; i < files.size(); i++)
        if (weights[i] / total * n * f * 32767 > rand()) rm_file(files[i].path.c_str());
}
