// fcopy: keeps a folder on the local disk and the same folder on a second
// drive in step, interactively, with the mirror copy of console/tree_copy.h.
// A network side gets a shadow tree of 16-byte records in the temporary
// folder, so that comparisons read small local files instead of the network.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>

struct walk_item;

// The content of every shadow file.
struct shadow_record {
    FILETIME write_time;  // the real file's last write
    double size;          // high x 4294967296 + low
};
static_assert(sizeof(shadow_record) == 16, "shadow record is 16 bytes");
static_assert(offsetof(shadow_record, size) == 8, "size at 8");

// The shadow root (temp + "zote_fcopy\"), or "" while there is none.
extern char shadow_root[260];

int fcopy(const char* first, const char* second);
void fcopy_init_shadow_root();
void fcopy_reset_shadow_root();
// The shadow path of a real path; 0 when there is no root or it does not fit.
int real_path_to_shadow(const char* path, char* out, size_t cap);
// 1 when the path lies in the shadow tree (out: the real path it stands for).
int shadow_path_to_real(const char* path, char* out, size_t cap);
int write_time_size_record(const char* real_path, const WIN32_FIND_DATAA* found);
double shadow_size(const char* path);
int volume_label(const char* root, char* out, size_t cap);
int find_removable_drive(char* out, size_t cap);
int find_remote_drive(char* out, size_t cap);
double tree_size(const char* folder);
// "%02d/%02d/%02d %02d:%02d" in local time; one static buffer.
const char* fcopy_date_text(FILETIME time);
