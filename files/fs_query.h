// Questions about the file system: path roots, disk space, compressed size,
// drive kinds and labels, absolute and long paths, existence, drive presence
// and the Explorer drive policy, file sizes and last-write times. Sizes are
// doubles of bytes (a 64-bit value is high x 4,294,967,296 + low).
#pragma once
#include <windows.h>
#include <cstddef>

// The root of path: "\\server\share\" for a UNC path, else "X:\". 0 for a UNC
// path without a share (out holds "\\server") or when the root does not fit.
int path_root(const char* path, char* out, size_t cap);

double disk_total_bytes(const char* path);
double disk_free_bytes(const char* path);

// The allocation units of the drive of path (GetDiskFreeSpaceA on its root).
// A file takes whole clusters, so room is counted in them, never in bytes or
// sectors: a hundred small files need a hundred clusters.
struct drive_clusters {
    DWORD sectors_per_cluster;
    DWORD bytes_per_sector;
    double cluster_bytes;
    double free_clusters;
};
// 0 (all fields 0) when the drive cannot be asked.
int get_drive_clusters(const char* path, drive_clusters* out);
// The clusters a file of size bytes takes.
double clusters_for(double size, const drive_clusters& d);

// Bytes the file occupies on disk, or its plain size when that cannot be had.
double compressed_file_size(const char* path);

// "ﾘﾑｰﾊﾞﾌﾞﾙ", "固定", "ﾘﾓｰﾄ", "CD-ROM" or "RAMﾃﾞｨｽｸ" for the drive of path's
// first letter; out is left as it was for an unknown drive. Returns out.
char* drive_kind_text(const char* path, char* out, size_t cap);
// "LABEL[FS]" of the drive of path's first letter, or "" when unreadable. Returns out.
char* volume_label_text(const char* path, char* out, size_t cap);

// The absolute form of path (unquoted, one trailing backslash dropped except
// on a drive root); null or blanks give the current folder. Returns out, or
// null (out empty) on failure or when the result does not fit in cap.
char* full_path(char* out, size_t cap, const char* path);
// Rewrites an existing drive-letter path (a 260-byte buffer) with the long
// name of every component. 0 (unchanged) when a component is missing or the
// result does not fit.
int long_path_name(char* path);
// 1 when path exists (a drive root by the drive list; wildcards: anything
// matches); with hidden_is_missing set a hidden item counts as missing.
int path_exists(const char* path, int hidden_is_missing);
// 1 when something (a file or a folder) is at path, as the system finds it.
int item_exists(const char* path);
// 1 when a folder is at path.
int is_folder(const char* path);
// 1 when path's first letter is one of the logical drives.
int drive_present(const char* path);
// 1 when the Explorer policy "NoDrives" hides the drive of path's first letter.
int drive_hidden_by_policy(const char* path);

// Last-write time (UTC) of a file or folder; zero when it does not exist.
FILETIME file_write_time(const char* path);
// The same as local time; every field 0 when it does not exist. Returns out.
SYSTEMTIME* file_local_systime(const char* path, SYSTEMTIME* out);
// Sets only the last-write time of a file or folder. 1 or 0.
int set_file_write_time(const char* path, FILETIME time);
// The same from a local time.
int set_file_local_systime(const char* path, const SYSTEMTIME* local);

// Size of the item (0 when missing); with on_disk, the compressed size of a
// compressed file there, else 0.
double file_size(const char* path, double* on_disk = nullptr);
