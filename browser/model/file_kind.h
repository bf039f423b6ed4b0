// List entries: one file_kind record per name in the browser's list says what
// the name is (file, folder node, drive root, wildcard entry, shortcut with its
// resolved target, archive opened as a folder, image, text file) with its size,
// time, picture size and folder summary. Records are classified lazily.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include "base/cptext.h"

// Counts and sizes of a folder's tree (14 words). For a plain file the same
// words carry width, height, file size and total; for a drive root its total
// bytes (image_bytes) and the bytes free for the caller (other_bytes).
struct folder_summary_record {
    int32_t image_count;
    float image_bytes, image_disk;
    int32_t other_count;
    float other_bytes, other_disk;
    float total_bytes, total_disk;
    int32_t compressed;
    int32_t drive_type;
    int32_t kind;
    float scale;
    int32_t loaded;
    int32_t incomplete;
};
static_assert(sizeof(folder_summary_record) == 56, "14 words");

// Archive information block (592 bytes), owned by an archive's entry and
// stored as it is in the extracted-member records.
struct archive_info_block {
    double size;
    FILETIME time;
    folder_summary_record summary;
    char path[PATH_BUF];
    char member[PATH_BUF];
};
static_assert(sizeof(archive_info_block) == 592, "archive information block");
static_assert(offsetof(archive_info_block, summary) == 16, "summary at 16");
static_assert(offsetof(archive_info_block, path) == 72, "path at 72");
static_assert(offsetof(archive_info_block, member) == 332, "member at 332");

class link_kind;

struct file_kind_base_data {
    uint32_t classified;
    uint8_t plain, layer, image_kind;
    int8_t rotation;
    uint8_t archive, drive_root, shortcut, system, hidden, wildcard, text;
    int8_t kanji_code;
    uint8_t probed, cut_mark;
    uint32_t file_size;
    int32_t width, height;
    uint64_t write_time;
    double size_on_disk;
    int32_t xres, yres;
    folder_summary_record summary;
    int32_t drive_type;
    const char* stored_name;  // borrowed from the list's names or another owner
    const char* base_name;
    archive_info_block* info;
    link_kind* link;
};
#if defined(__i386__)
static_assert(offsetof(file_kind_base_data, summary) == 56, "summary at 56");
static_assert(offsetof(file_kind_base_data, stored_name) == 116, "classified fields end at 116 on the target");
#endif

class file_kind_base : public file_kind_base_data {
public:
    file_kind_base();
    virtual ~file_kind_base();
    file_kind_base(const file_kind_base&) = delete;
    file_kind_base& operator=(const file_kind_base&) = delete;
    // Writes the entry's path into out (PATH_BUF bytes): 1 when it fit.
    virtual int name(char* out) const;
    // The resolved shortcut, or the record itself.
    virtual const file_kind_base* target() const;
    void reset();  // all zero, scale 1.0, kanji code unknown
};

class file_kind : public file_kind_base {
public:
    ~file_kind() override;
    int name(char* out) const override;
    const file_kind_base* target() const override;
};

class link_kind : public file_kind_base {
public:
    char target_path[PATH_BUF];
    char first_file[PATH_BUF];
    int name(char* out) const override;
    const file_kind_base* target() const override { return this; }
};

// The list's record of one entry on the target: a virtual table pointer and
// the data above (64-bit builds give the 160 bytes of wider pointers).
#if defined(__i386__)
static_assert(sizeof(file_kind) == 144, "list record size on the target");
#else
static_assert(sizeof(file_kind) == 160, "list record size with 64-bit pointers");
#endif

// What the listing already holds of a plain file entry, from its find data:
// classifying the entry takes these instead of asking for them again.
struct listed_facts {
    DWORD attributes;
    FILETIME write_time;
    uint32_t size;  // the low 32 bits
};
// Mode 0 classifies a list name, mode 1 a path from elsewhere by its
// attributes; facts (mode 0, plain files only) are the listing's.
file_kind_base* make_file_kind(const char* name, file_kind_base* record, int mode, int want_summary,
                               const listed_facts* facts = nullptr);
void classify_entry(file_kind_base* record);
void link_kind_init(const char* shortcut, link_kind* link);
// The text from the last occurrence of ext's first character equals ext
// (case-insensitive); a name without that character matches only ".".
int has_ext(const char* name, const char* ext);
// The file whose picture the entry shows: a folder node's whole stored name
// (its first listed file), else the entry's name. 0 when it does not fit.
int entry_picture_name(const file_kind_base* k, char* out);
int is_plain_entry_name(const char* name);

// The classified fields as the 128-byte member snapshot of the extracted-member
// records, written field by field (little-endian) and read back the same way.
enum { ENTRY_SNAPSHOT_BYTES = 128 };
void write_entry_snapshot(const file_kind_base_data& record, unsigned char* out);
void read_entry_snapshot(const unsigned char* in, file_kind_base_data* record);

// Text forms; each returns a shared buffer that the next call overwrites.
const char* format_file_time(const file_kind_base* record, int style);
const char* format_image_size(const file_kind_base* record, int with_resolution);
const char* format_archive_count(const file_kind_base* record);
// The name line of an entry with its target into out (cap bytes): 1 when it
// fit, 0 (out empty) when it did not.
int format_name_with_target(const file_kind* record, char* out, size_t cap);

// The record the printer and the viewer use for list entry i.
struct entry_ref {
    const file_kind_base* shown;
    const file_kind_base* effective;
    file_kind own;
    char path[PATH_BUF];
    explicit entry_ref(int index);
};
