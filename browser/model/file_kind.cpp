// The file_kind family and the classification of list entries (see
// file_kind.h). Every backslash is found with the double-byte walkers, so a
// trail byte 0x5C (表, ソ) never counts as a separator.
#include "browser/model/file_kind.h"
#include "browser/model/arccache.h"
#include "browser/model/archive_work.h"
#include "browser/model/clipboard_files.h"
#include "browser/model/browser_list.h"
#include "browser/model/image_kinds.h"
#include "browser/model/paths.h"
#include "browser/model/scan.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include "kanji/unkanj.h"
#include <cstring>
#include <new>

file_kind_base::file_kind_base() { reset(); }

void file_kind_base::reset()
{
    memset(static_cast<file_kind_base_data*>(this), 0, sizeof(file_kind_base_data));
    summary.scale = 1.0f;
    kanji_code = -1;
}

file_kind_base::~file_kind_base() { delete info; }

int file_kind_base::name(char* out) const
{
    out[0] = 0;
    return 1;
}

const file_kind_base* file_kind_base::target() const { return this; }

file_kind::~file_kind() { delete link; }

int file_kind::name(char* out) const
{
    if (!stored_name) {
        out[0] = 0;
        return 1;
    }
    if (plain) return text_copy(out, PATH_BUF, stored_name);
    return entry_listed_path(stored_name, out);
}

const file_kind_base* file_kind::target() const
{
    if (plain && shortcut && !wildcard && link && link->classified) return link;
    return this;
}

int link_kind::name(char* out) const { return text_copy(out, PATH_BUF, target_path); }

int entry_picture_name(const file_kind_base* k, char* out)
{
    if (!k->plain && !k->drive_root && !k->wildcard && k->stored_name) return text_copy(out, PATH_BUF, k->stored_name);
    return k->name(out);
}

int has_ext(const char* name, const char* ext)
{
    const char* from = mb_strrchr(name, ext[0]);
    if (!from) return strcmp(ext, ".") == 0;
    return text_equal_ci(from, ext);
}

// The n-th backslash (1-based) of name, or null.
static const char* nth_backslash(const char* name, int n)
{
    for (const char* p = name; *p; p = mb_next(p))
        if (*p == '\\' && --n == 0) return p;
    return nullptr;
}

int is_plain_entry_name(const char* name)
{
    if (is_drive_root(name)) return 0;
    if (!browser_list.tree_flag) return 1;
    if (mb_strchr(name, '*')) return 0;
    return nth_backslash(name, browser_list.tree_depth + 1) ? 0 : 1;
}

static void set_attribute_flags(file_kind_base* r, const char* path)
{
    DWORD a = GetFileAttributesA(path);
    if (a == INVALID_FILE_ATTRIBUTES) return;
    r->system = (a & FILE_ATTRIBUTE_SYSTEM) ? 1 : 0;
    r->hidden = (a & FILE_ATTRIBUTE_HIDDEN) ? 1 : 0;
}

static void classify_drive(file_kind_base* r)
{
    char root[4] = {r->stored_name[0], ':', '\\', 0};
    r->drive_type = static_cast<int32_t>(GetDriveTypeA(root));
    if (r->drive_type != DRIVE_REMOVABLE) {
        r->summary.image_bytes = static_cast<float>(disk_total_bytes(root));
        r->summary.other_bytes = static_cast<float>(disk_free_bytes(root));
    }
    r->summary.loaded = 1;
}

static void classify_archive(file_kind_base* r)
{
    archive_info_block* block = new (std::nothrow) archive_info_block();
    if (!block) {
        r->archive = 0;
        return;
    }
    block->summary.scale = 1.0f;
    if (!arc_summary_build(r->stored_name, block)) {
        delete block;
        r->archive = 0;
        return;
    }
    delete r->info;
    r->info = block;
    r->summary = block->summary;
    r->summary.loaded = r->plain;
}

// The listing's facts of the entry being classified, when it has them.
static const listed_facts* classified_facts;

static void classify_file(file_kind_base* r)
{
    r->image_kind = static_cast<uint8_t>(image_kind_of_ext(mb_strrchr(r->base_name, '.')));
    if (r->image_kind) {
        r->rotation = static_cast<int8_t>(rotation_from_name(r->stored_name));
    } else {
        int kind = archive_kind_of(r->base_name);
        if (kind >= 0 && !in_archive_work_folder(r->stored_name))
            r->archive = static_cast<uint8_t>(archiver_available(kind));
    }
    r->text = static_cast<uint8_t>(is_text_name(r->base_name));
    if (r->text) {
        int code = kanji_code_of_file(r->stored_name);
        r->kanji_code = static_cast<int8_t>(code < 0 ? -1 : code);
        if (code < 0) r->text = 0;
    }
    r->shortcut = has_ext(r->base_name, ".lnk") ? 1 : 0;
    int w = 0, h = 0, xres = 0, yres = 0;
    // Whether the file's size could be read: a file its format's reader found
    // damaged is unprobed and its cell says so; a file whose kind has no reader
    // here (no PDF server, no plug-in for the extension) has the icon's size.
    int probe = _image_probe(r->stored_name, &w, &h, &xres, &yres);
    r->probed = probe != 0 ? 1 : 0;
    if (probe <= 0) {
        xres = yres = 0;
        _icon_info(r->stored_name, &w, &h, &xres, &yres);
    }
    r->width = w;
    r->height = h;
    r->xres = xres;
    r->yres = yres;
    double on_disk = 0;
    FILETIME t;
    if (const listed_facts* f = classified_facts) {
        r->file_size = f->size;
        if (f->attributes & FILE_ATTRIBUTE_COMPRESSED) on_disk = compressed_file_size(r->stored_name);
        t = f->write_time;
    } else {
        r->file_size = static_cast<uint32_t>(static_cast<uint64_t>(file_size(r->stored_name, &on_disk)));
        t = file_write_time(r->stored_name);
    }
    r->size_on_disk = on_disk;
    r->write_time = (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    r->cut_mark = is_cut_entry(r->stored_name) ? 1 : 0;
    if (r->plain && !r->archive) {
        r->summary.image_count = r->width;
        r->summary.other_count = r->height;
        r->summary.image_bytes = static_cast<float>(r->file_size);
        r->summary.total_bytes = r->summary.image_bytes + r->summary.other_bytes;
        r->summary.loaded = 1;
    }
}

static void wildcard_time(file_kind_base* r)
{
    char folder[PATH_BUF];
    const char* star = mb_strchr(r->stored_name, '*');
    if (!text_copy_n(folder, sizeof folder, r->stored_name, star - r->stored_name)) return;
    if (folder[0] && !is_drive_root(folder)) remove_backslash(folder);
    FILETIME t = file_write_time(folder[0] ? folder : ".");
    r->write_time = (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

void classify_entry(file_kind_base* r)
{
    if (!r->stored_name) return;
    r->base_name = file_name_of(r->stored_name);
    r->image_kind = r->shortcut = r->text = r->archive = r->cut_mark = 0;
    r->rotation = 0;
    r->drive_type = 0;
    r->kanji_code = -1;
    if (r->drive_root) classify_drive(r);
    if (r->wildcard)
        wildcard_time(r);
    else if (!r->drive_root)
        classify_file(r);
    if (r->archive) classify_archive(r);
}

static void set_stored(char* buffer, const char* text, file_kind_base* r)
{
    if (!text_copy(buffer, PATH_BUF, text)) {
        r->classified = 0;
        return;
    }
    r->stored_name = buffer;
}

void link_kind_init(const char* shortcut, link_kind* l)
{
    l->reset();
    l->target_path[0] = l->first_file[0] = 0;
    l->plain = 1;
    if (!text_copy(l->target_path, shortcut)) return;
    l->stored_name = l->target_path;
    set_attribute_flags(l, shortcut);
    char target[PATH_BUF];
    int kind = resolve_shortcut(shortcut, target);
    if (kind == 2 && is_drive_root(target)) {
        l->plain = 0;
        l->system = l->hidden = 0;
        l->classified = drive_present(target) ? 1 : 0;
        l->drive_root = 1;
        set_stored(l->target_path, target, l);
    } else if (kind == 2) {
        if (first_listed_file(target, l->first_file)) {
            l->plain = 0;
            text_copy(l->target_path, target);
            l->stored_name = l->first_file;
            l->classified = 1;
            set_attribute_flags(l, target);
        }
    } else if (kind == 1) {
        l->plain = 1;
        set_stored(l->target_path, target, l);
        l->classified = 1;
        set_attribute_flags(l, target);
    }
    if (l->stored_name) classify_entry(l);
}

// The name cut to the listed depth into out (a non-plain entry's folder).
static const char* listed_path(const file_kind_base* r, char* out)
{
    return entry_listed_path(r->stored_name, out) ? out : nullptr;
}

static void complete_summary(file_kind_base* r, int mode)
{
    if (r->shortcut && r->plain && r->link) {
        link_kind* l = r->link;
        if (!l->summary.loaded) {
            if (!l->plain && !l->drive_root && l->classified && !l->wildcard)
                folder_summary(l->target_path, &l->summary, browser_list.countfile);
            l->summary.kind = l->image_kind;
            l->summary.loaded = 1;
        }
        return;
    }
    if (r->plain || r->summary.loaded) return;
    if (!r->drive_root) {
        char folder[PATH_BUF];
        const char* path = mode == 0 ? listed_path(r, folder) : r->stored_name;
        if (path) folder_summary(path, &r->summary, browser_list.countfile);
    }
    r->summary.kind = (r->archive && r->info) ? image_kind_of_path(r->info->member) : r->image_kind;
    r->summary.loaded = 1;
}

file_kind_base* make_file_kind(const char* name, file_kind_base* r, int mode, int want_summary,
                               const listed_facts* facts)
{
    if (!r->stored_name && name) {
        r->summary.loaded = 0;
        r->stored_name = name;
        r->drive_root = is_drive_root(name) ? 1 : 0;
        r->system = r->hidden = 0;
        if (mode == 0) {
            r->wildcard = mb_strchr(name, '*') ? 1 : 0;
            r->plain = static_cast<uint8_t>(is_plain_entry_name(name));
            if (!r->plain || r->wildcard || r->drive_root) facts = nullptr;
            if (facts) {
                r->system = (facts->attributes & FILE_ATTRIBUTE_SYSTEM) ? 1 : 0;
                r->hidden = (facts->attributes & FILE_ATTRIBUTE_HIDDEN) ? 1 : 0;
            } else if (!r->wildcard && !r->drive_root) {
                char folder[PATH_BUF];
                if (r->plain)
                    set_attribute_flags(r, name);
                else if (listed_path(r, folder))
                    set_attribute_flags(r, folder);
                if (!r->plain) r->layer = static_cast<uint8_t>(is_layer_entry(name));
            }
        } else {
            facts = nullptr;
            r->wildcard = 0;
            DWORD a = GetFileAttributesA(name);
            r->plain = (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) ? 0 : 1;
            if (!r->drive_root) set_attribute_flags(r, name);
        }
        classified_facts = facts;
        classify_entry(r);
        classified_facts = nullptr;
        r->classified = 1;
        if (r->shortcut) {
            delete r->link;
            r->link = new (std::nothrow) link_kind();
            if (r->link) link_kind_init(name, r->link);
        }
    }
    if (want_summary) complete_summary(r, mode);
    return r;
}

entry_ref::entry_ref(int index) : shown(nullptr), effective(nullptr)
{
    path[0] = 0;
    if (index < 0 || index >= browser_list.count || !browser_list.records) return;
    find_entry_first_file(index);
    file_kind* r = &browser_list.records[index];
    make_file_kind(browser_list.names[index], r, 0, browser_list.countfile != 0);
    shown = effective = r->target();
    if (shown->archive && arccache_member_path(shown->stored_name, path)) {
        make_file_kind(path, &own, 1, 0);
        effective = &own;
    }
}
