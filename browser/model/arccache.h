// The extracted-member cache: per archive, one 728-byte record file in the
// shared folder T\zote\cache_arc, found again by the archive's file name,
// last-write time and size. It holds the archive's information block (its
// summary and representative member) and, once that member was extracted,
// the member's classified fields.
#pragma once
#include "browser/model/file_kind.h"
#include "files/files.h"
#include <cstdint>

enum { ARC_RECORD_BYTES = 728, ARC_RECORD_TYPE = 3, ARC_MEMBER_CAP = 65536 };

struct arc_member_record {
    int32_t type;
    int32_t snapshot_valid;
    archive_info_block block;
    unsigned char snapshot[ENTRY_SNAPSHOT_BYTES];
};
static_assert(sizeof(arc_member_record) == ARC_RECORD_BYTES, "record file is 728 bytes");
static_assert(offsetof(arc_member_record, block) == 8, "block at 8");
static_assert(offsetof(arc_member_record, snapshot) == 600, "snapshot at 600");

// The one pair that reads and writes record files: read checks the length
// and the type and terminates both text fields; 1 on success.
int read_arc_record(const char* path, arc_member_record* out);
int write_arc_record(const char* path, const arc_member_record& record);
// A fresh record: zero summary, ratio 1.0.
void clear_arc_record(arc_member_record* r);

// 1 with the matching record and its path; else 0 with the path of the first
// free record name. A hit carries the archive's current path.
int arccache_lookup(const char* archive, arc_member_record* out, char* record_path);
int arc_summary_build(const char* archive, archive_info_block* out);
void arccache_forget(const char* archive);
// The path of the representative member's extracted copy (PATH_BUF):
// view\<record name>\<member file name>, extracted when missing or forced.
// With an entry, its classified fields come from the record's snapshot.
int arccache_path_for_entry(char* out, int force, const archive_info_block* block, file_kind_base_data* entry);
int arccache_extract_member(const archive_info_block* block, const char* destination);
// The same for an archive known only by its path.
int arccache_member_path(const char* archive, char* out);
// Order of two listed members by the list's sort mode and direction.
int member_compare(const archive_member_info* a, const archive_member_info* b);
