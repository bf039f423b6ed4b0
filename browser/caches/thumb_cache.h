// Thumbnail caches: the in-memory cache of up to 255 pictures held in image
// slots of the page table, the cache files on disk behind it, and the cell
// painter that makes a picture when neither has one.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include "base/cptext.h"
#include "browser/model/names.h"

struct _bmap;
class file_kind_base;

// Fixed page slots of the browser's pictures.
enum {
    SLOT_ICON = 50,
    SLOT_TEXT = 51,
    SLOT_ARCHIVE = 52,
    SLOT_WILDCARD = 100,
    THUMB_SLOT_BASE = 100,
    THUMB_CACHE_ENTRIES = 256,
};

// Which file, at which size and on which background a cached picture was made.
struct thumb_cache_entry {
    char path[PATH_BUF];  // empty: unused
    uint32_t background;
    int32_t layer;
    uint32_t file_size;  // low 32 bits
    int32_t width, height;
    uint32_t time_low, time_high;
    int32_t thumb_size, drawn_size, colour_depth, flag;
    uint8_t stale;
};

// The disk cache's folders and limits.
struct thumb_cache_dir {
    char default_root[PATH_BUF];
    char primary_root[PATH_BUF];
    int primary_end;
    char marker[PATH_BUF];
    char second_root[PATH_BUF];
    int second_end;
    DWORD sector_size;
    int cache_size;  // MB; 0 switches the disk cache off
    double cachemag;
};

struct thumb_cache_record {
    thumb_cache_entry entries[THUMB_CACHE_ENTRIES];  // entry 0 is never used
    int32_t* item_index;                             // cache entry of each list entry
    int item_count;
    thumb_cache_dir dir;
};
extern thumb_cache_record thumb_cache;
extern int thumb_replace_counter;

// ---- The in-memory cache ----
void thumb_cache_init(thumb_cache_record* cache);
void alloc_item_index(thumb_cache_record* cache, int count);
void free_item_index(thumb_cache_record* cache);
int cache_entry_matches(const thumb_cache_entry* e, const file_kind_base* k, const char* path);
void fill_cache_key(thumb_cache_entry* e, const file_kind_base* k, const char* path);
int thumb_cache_fetch(thumb_cache_record* cache, const file_kind_base* k);
// 2 when entry i's picture was made now, 0 otherwise.
int thumb_cache_draw(int i, thumb_cache_record* cache, int force);
int thumb_image_index(int i, thumb_cache_record* cache);
void thumb_cache_rename(thumb_cache_record* cache, const char* old_path, const char* new_path);
// The list's entries in the program's cache (thumb_cache): entry index's
// picture made current, 1 when it already was; its picture drawn centred in
// the cell's picture area (x, y, size in page units), made again first when
// force is set: 0 when the entry has no picture to show.
int thumb_cache_current(int index);
int draw_cell_picture(int index, double x, double y, double size, int force);
// The program's cache (thumb_cache), started once the list's state is made
// and freed at exit; its per-entry index made afresh for the list's entries
// (nothing while no cache was started); a file's pictures following its move.
void start_thumbnail_cache();
void index_thumbnails_of_list();
void thumbnail_moved(const char* from, const char* to);

// ---- The cache file on disk ----
enum { THUMB_HEADER_BYTES = 320, THUMB_FILE_VERSION = 14, THUMB_PICTURE_OFFSET = 328 };
struct thumb_file_header {
    int32_t header_size;    // 320
    int32_t version;        // 14
    uint32_t file_size;     // the image file's, low 32 bits
    int32_t width, height;  // the image's, as the list entry holds them
    uint32_t time_low, time_high;
    int32_t zero1[4];
    int32_t stored_size, stored_size2;  // S: 128 or 256
    int32_t colour_depth;
    int32_t zero2;
    char path[PATH_BUF];
};
static_assert(sizeof(thumb_file_header) == THUMB_HEADER_BYTES, "cache file header");
static_assert(offsetof(thumb_file_header, file_size) == 8, "image size at 8");
static_assert(offsetof(thumb_file_header, time_low) == 20, "time at 20");
static_assert(offsetof(thumb_file_header, stored_size) == 44, "stored size at 44");
static_assert(offsetof(thumb_file_header, colour_depth) == 52, "colour depth at 52");
static_assert(offsetof(thumb_file_header, path) == 60, "path at 60");

// A file is a cache file by its header only: its first two words are 320 and
// 14. Any other file met by a name search is someone else's and is kept.
enum thumb_read_result {
    THUMB_FILE_OK,       // a header of this format
    THUMB_FILE_FOREIGN,  // not a cache file (other first words, or too short for them): kept
    THUMB_FILE_BAD,      // a cache file cut short: deleted
};
// Writes the header and the stored picture's size; 1 when every byte went out.
int write_thumb_header(FILE* f, const thumb_file_header& h, int picture_w, int picture_h);
// Reads the header from the start of the file; its path always terminated.
thumb_read_result read_thumb_header(FILE* f, thumb_file_header* h);
// The stored picture's size, checked against the stored size S and against
// the JPEG stream behind it; 1 when they agree, the file then standing at
// the stream. Cache files may come from removable media: nothing here is
// trusted before it is checked.
int read_thumb_picture_size(FILE* f, int stored_size, int* picture_w, int* picture_h);
// The cache file name "$.name.n" ('$') or "@.name.n" ('@') for the image's
// file name, with the first n from 0 to 999 whose file does not exist (999
// when all exist), in root; 0 when it does not fit in 260 bytes.
int new_cache_file_name(char* out, const char* root, char mark, const char* image_path);
// The search pattern root + "*.name.*" of an image's cache files; 0 when it does not fit.
int cache_search_pattern(char* out, const char* root, const char* image_path);

// ---- The disk cache ----
void cache_init(thumb_cache_dir* d);
int set_cache_path(thumb_cache_dir* d, const char* path);
void drive_cache_root(thumb_cache_dir* d, char letter);
int cache_lookup_or_make(thumb_cache_dir* d, const char* path, int second_root, const file_kind_base* k, int slot);
int cache_file_for_path(thumb_cache_dir* d, const char* path);
int cache_lock_toggle(thumb_cache_dir* d);
int cache_clear(thumb_cache_dir* d);
int cache_clean(thumb_cache_dir* d);
void cache_delete_stale(thumb_cache_dir* d);
int drive_cache_available(thumb_cache_dir* d, int need_folder);
int cache_relocate(thumb_cache_dir* d, int drive);
int drive_cache_delete(thumb_cache_dir* d);
int drive_cache_copy(thumb_cache_dir* d);
int prepare_cdr_folder(thumb_cache_dir* d);
// The size limit at which drawing pictures are worth a cache file.
int picture_worth_caching(const thumb_cache_dir* d, const file_kind_base* k);

// ---- The cell painter ----
struct cell_result {
    int error, x, y, width, height;
};
// How the cell painter decodes a JPEG: at full size, or reduced by libjpeg
// (1/2, 1/4 or 1/8, the most that still covers the box) and then fitted,
// either fast (thumbnails) or with the decoder's smooth upsampling (the
// viewer, whose picture fills the window).
enum cell_jpeg { CELL_JPEG_FULL = 0, CELL_JPEG_FAST = 1, CELL_JPEG_REDUCED = 2 };
void draw_file_cell(cell_result* r, const file_kind_base* k, double w, double h, int slot, int jpeg, int slide);
void draw_archive_member_cell(cell_result* r, const char* member, int slot, double w, double h, int jpeg, int slide);
void placeholder_cell(cell_result* r, int slot, const char* text, double w, double h);
// For an entry whose cell draw_file_cell makes from its JPEG decoded reduced
// (CELL_JPEG_REDUCED) in a box of w x h: the file (name, PATH_BUF bytes) and
// the reduction; 0 for any other entry.
int reduced_jpeg_of(const file_kind_base* k, double w, double h, char* name);
// That cell from the picture decoded by the caller at that reduction (taken over).
void finish_reduced_jpeg_cell(cell_result* r, const char* name, _bmap* b, double w, double h, int slot);
// The JPEG decoder's reduction for a picture drawn at scale: 8, 4, 2 or 1, the
// most that still covers the box.
int jpeg_reduction(double scale);
double fit_scale(int rotation, double w, double h, double box_w, double box_h);
// The picture in the slot scaled to fit w x h (tolerance 0.14); 1 when done.
int fit_slot_picture(int slot, double w, double h);
