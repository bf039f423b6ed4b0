// File system queries (see fs_query.h). GetDiskFreeSpaceExA and
// GetCompressedFileSizeA are looked up in kernel32 at run time, once.
#include "files/fs_query.h"
#include "base/dll_load.h"
#include "base/holders.h"
#include "files/internal.h"
#include "files/strings.h"
#include "files/walker.h"
#include <cmath>
#include <cstring>

static const double TWO_32 = 4294967296.0;

static double to_double(DWORD high, DWORD low) { return (double)high * TWO_32 + (double)low; }

static bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

static char upper_letter(char c) { return (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c; }

int path_root(const char* path, char* out, size_t cap)
{
    if (!out || !cap) return 0;
    out[0] = 0;
    if (!path || !*path) return 0;
    if (path[0] == '\\' && path[1] == '\\') {
        const char* server_end = mb_strchr(path + 2, '\\');
        if (!server_end || !server_end[1] || server_end[1] == '\\') {
            size_t n = server_end ? (size_t)(server_end - path) : strlen(path);
            text_copy_n(out, cap, path, n);
            return 0;
        }
        const char* share_end = mb_strchr(server_end + 1, '\\');
        size_t n = share_end ? (size_t)(share_end - path) : strlen(path);
        if (!text_copy_n(out, cap, path, n) || !text_append(out, cap, "\\")) {
            out[0] = 0;
            return 0;
        }
        return 1;
    }
    return text_format(out, cap, "%c:\\", path[0]) ? 1 : 0;
}

// Looks the entry up in kernel32 on the first call only; a module without
// the entry is not kept.
static entry_loader* load_kernel32_entry(entry_loader* loader, const char* name)
{
    if (loader->tried) return loader;
    loader->tried = 1;
    loader->module = load_system_dll("kernel32.dll");
    loader->entry = loader->module ? GetProcAddress(loader->module, name) : nullptr;
    if (!loader->entry && loader->module) {
        FreeLibrary(loader->module);
        loader->module = nullptr;
    }
    return loader;
}

entry_loader* load_disk_free_ex(entry_loader* loader) { return load_kernel32_entry(loader, "GetDiskFreeSpaceExA"); }

typedef BOOL(WINAPI* disk_free_ex_fn)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
typedef DWORD(WINAPI* compressed_size_fn)(LPCSTR, LPDWORD);

static entry_loader disk_free_loader;
static entry_loader compressed_size_loader;

void get_disk_free(const char* path, double* free_for_caller, double* total, double* total_free)
{
    double a = 0, b = 0, c = 0;
    char root[PATH_BUF];
    path_root(path, root, sizeof root);
    load_disk_free_ex(&disk_free_loader);
    if (root[0] && disk_free_loader.entry) {
        ULARGE_INTEGER avail, all, all_free;
        auto fn = reinterpret_cast<disk_free_ex_fn>(disk_free_loader.entry);
        if (fn(root, &avail, &all, &all_free)) {
            a = to_double(avail.HighPart, avail.LowPart);
            b = to_double(all.HighPart, all.LowPart);
            c = to_double(all_free.HighPart, all_free.LowPart);
        }
    } else if (root[0]) {
        DWORD sectors, bytes, free_clusters, clusters;
        if (GetDiskFreeSpaceA(root, &sectors, &bytes, &free_clusters, &clusters)) {
            double cluster = (double)sectors * (double)bytes;
            a = (double)free_clusters * cluster;
            b = (double)clusters * cluster;
            c = a;
        }
    }
    if (free_for_caller) *free_for_caller = a;
    if (total) *total = b;
    if (total_free) *total_free = c;
}

double disk_total_bytes(const char* path)
{
    double total = 0;
    get_disk_free(path, nullptr, &total, nullptr);
    return total;
}

double disk_free_bytes(const char* path)
{
    double avail = 0;
    get_disk_free(path, &avail, nullptr, nullptr);
    return avail;
}

int get_drive_clusters(const char* path, drive_clusters* out)
{
    *out = {};
    char root[PATH_BUF];
    DWORD sectors, bytes, free_clusters, clusters;
    if (!path_root(path, root, sizeof root) || !GetDiskFreeSpaceA(root, &sectors, &bytes, &free_clusters, &clusters) ||
        !sectors || !bytes)
        return 0;
    out->sectors_per_cluster = sectors;
    out->bytes_per_sector = bytes;
    out->cluster_bytes = double(sectors) * double(bytes);
    out->free_clusters = double(free_clusters);
    return 1;
}

double clusters_for(double size, const drive_clusters& d)
{
    return d.cluster_bytes > 0 ? std::ceil(size / d.cluster_bytes) : 0;
}

entry_loader* load_compressed_size_fn(entry_loader* loader)
{
    return load_kernel32_entry(loader, "GetCompressedFileSizeA");
}

double compressed_file_size(const char* path)
{
    load_compressed_size_fn(&compressed_size_loader);
    if (!compressed_size_loader.entry) return file_size(path);
    auto fn = reinterpret_cast<compressed_size_fn>(compressed_size_loader.entry);
    DWORD high = 0;
    SetLastError(NO_ERROR);
    DWORD low = fn(path, &high);
    if (low == 0xFFFFFFFF && GetLastError() != NO_ERROR) return file_size(path);
    return to_double(high, low);
}

static bool drive_root_of(const char* path, char* root)
{
    if (!path || !is_letter(path[0])) return false;
    root[0] = path[0];
    root[1] = ':';
    root[2] = '\\';
    root[3] = 0;
    return true;
}

char* drive_kind_text(const char* path, char* out, size_t cap)
{
    char root[4];
    if (!drive_root_of(path, root)) return out;
    const char* kind = nullptr;
    switch (GetDriveTypeA(root)) {
    case DRIVE_REMOVABLE: kind = "ﾘﾑｰﾊﾞﾌﾞﾙ"; break;
    case DRIVE_FIXED: kind = "固定"; break;
    case DRIVE_REMOTE: kind = "ﾘﾓｰﾄ"; break;
    case DRIVE_CDROM: kind = "CD-ROM"; break;
    case DRIVE_RAMDISK: kind = "RAMﾃﾞｨｽｸ"; break;
    default: break;
    }
    if (kind) text_copy(out, cap, kind);
    return out;
}

char* volume_label_text(const char* path, char* out, size_t cap)
{
    if (cap) out[0] = 0;
    char root[4];
    if (!drive_root_of(path, root)) return out;
    char label[64] = "", fs[64] = "";
    DWORD serial, max_len, flags;
    if (GetVolumeInformationA(root, label, sizeof label, &serial, &max_len, &flags, fs, sizeof fs))
        text_format_cut(out, cap, "%s[%s]", label, fs);
    return out;
}

char* full_path(char* out, size_t cap, const char* path)
{
    if (!out || !cap) return nullptr;
    char absolute[PATH_BUF];
    if (!path || !*skip_blanks(path)) {
        DWORD n = GetCurrentDirectoryA(sizeof absolute, absolute);
        if (n == 0 || n >= sizeof absolute) {
            out[0] = 0;
            return nullptr;
        }
        return text_copy(out, cap, absolute) ? out : nullptr;
    }
    char work[PATH_BUF];
    if (!text_copy(work, path)) {
        out[0] = 0;
        return nullptr;
    }
    unquote(work);
    // A lone backslash stays: it names the current drive's root.
    if (!is_drive_root(work) && strcmp(work, "\\") != 0) remove_backslash(work);
    char* name_part;
    DWORD n = GetFullPathNameA(work, sizeof absolute, absolute, &name_part);
    if (n == 0 || n >= sizeof absolute) {
        out[0] = 0;
        return nullptr;
    }
    return text_copy(out, cap, absolute) ? out : nullptr;
}

int long_path_name(char* path)
{
    if (!path || is_drive_root(path)) return 1;
    if (!is_letter(path[0]) || path[1] != ':' || path[2] != '\\') return 0;
    // "." and ".." are resolved first: a lookup of "a\b\.." finds the folder
    // "a", whose name would be joined after "b".
    char work[PATH_BUF];
    char* name_part;
    DWORD n = GetFullPathNameA(path, sizeof work, work, &name_part);
    if (n == 0 || n >= sizeof work || !add_backslash(work)) return 0;
    char result[PATH_BUF] = {path[0], ':', '\\', 0};
    const char* first = mb_strchr(work, '\\');
    for (char* p = const_cast<char*>(mb_strchr(first + 1, '\\')); p; p = mb_strchr(p + 1, '\\')) {
        *p = 0;
        WIN32_FIND_DATAA fd;
        find_handle find(FindFirstFileA(work, &fd));
        *p = '\\';
        if (!find) return 0;
        if (!path_join(result, result, fd.cFileName)) return 0;
    }
    return text_copy(path, PATH_BUF, result) ? 1 : 0;
}

int drive_present(const char* path)
{
    if (!path || !is_letter(path[0])) return 0;
    char drives[512];
    DWORD n = GetLogicalDriveStringsA(sizeof drives, drives);
    if (n == 0 || n >= sizeof drives) return 0;
    for (const char* d = drives; *d; d += strlen(d) + 1)
        if (upper_letter(*d) == upper_letter(path[0])) return 1;
    return 0;
}

int item_exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

int is_folder(const char* path)
{
    DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

int path_exists(const char* path, int hidden_is_missing)
{
    char work[PATH_BUF];
    if (!path || !text_copy(work, path)) return 0;
    remove_backslash(work);
    // A drive root: a letter and a colon (its backslash was just removed).
    if (is_letter(work[0]) && work[1] == ':' && !work[2]) return drive_present(work);
    if (!work[0]) return 0;
    WIN32_FIND_DATAA fd;
    find_handle find(FindFirstFileA(work, &fd));
    if (!find) return 0;
    if (hidden_is_missing && (fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN)) return 0;
    return 1;
}

int drive_hidden_by_policy(const char* path)
{
    if (!path || !is_letter(path[0])) return 0;
    HKEY key = reg_open_key_path(HKEY_CURRENT_USER, "Software Microsoft Windows CurrentVersion Policies Explorer", 1);
    if (!key) return 0;
    unsigned char value[256] = {};
    DWORD size = sizeof value;
    LONG rc = RegQueryValueExA(key, "NoDrives", nullptr, nullptr, value, &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return 0;
    int n = upper_letter(path[0]) - 'A';
    if ((DWORD)(n / 8) >= size) return 0;
    return (value[n / 8] >> (n % 8)) & 1;
}

FILETIME file_write_time(const char* path)
{
    FILETIME none = {0, 0};
    char work[PATH_BUF];
    if (!path || !text_copy(work, path)) return none;
    remove_backslash(work);
    WIN32_FIND_DATAA fd;
    find_handle find(FindFirstFileA(work, &fd));
    return find ? fd.ftLastWriteTime : none;
}

static SYSTEMTIME* raw_to_local(const FILETIME& raw, SYSTEMTIME* out)
{
    FILETIME local;
    memset(out, 0, sizeof *out);
    if (raw.dwHighDateTime == 0 && raw.dwLowDateTime == 0) return out;
    if (!FileTimeToLocalFileTime(&raw, &local) || !FileTimeToSystemTime(&local, out)) memset(out, 0, sizeof *out);
    return out;
}

SYSTEMTIME* file_local_systime(const char* path, SYSTEMTIME* out) { return raw_to_local(file_write_time(path), out); }

int newest_time_cb(walk_item* item)
{
    item->count++;
    if (item->raw_time && CompareFileTime(&item->find_data->ftLastWriteTime, item->raw_time) > 0)
        *item->raw_time = item->find_data->ftLastWriteTime;
    return 1;
}

SYSTEMTIME* item_local_systime(const char* path, SYSTEMTIME* out)
{
    DWORD attributes = path ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return file_local_systime(path, out);
    current_folder_kept keep;
    char folder[PATH_BUF];
    FILETIME newest = {0, 0};
    walk_item rec = {};
    rec.raw_time = &newest;
    if (full_path(folder, sizeof folder, path))
        walk_tree(folder, "*.*", &rec, newest_time_cb, nullptr, nullptr, nullptr);
    if (rec.count == 0)
        file_local_systime(path, out);
    else
        raw_to_local(newest, out);
    return out;
}

int set_file_write_time(const char* path, FILETIME time)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
    // Backup semantics let a folder be opened as well as a file.
    file_handle h(CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              (attributes & ~FILE_ATTRIBUTE_DIRECTORY) | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h) return 0;
    return SetFileTime(h.get(), nullptr, nullptr, &time) ? 1 : 0;
}

int set_file_local_systime(const char* path, const SYSTEMTIME* local)
{
    FILETIME local_raw, raw;
    if (!SystemTimeToFileTime(local, &local_raw) || !LocalFileTimeToFileTime(&local_raw, &raw)) return 0;
    return set_file_write_time(path, raw);
}

double file_size(const char* path, double* on_disk)
{
    if (on_disk) *on_disk = 0;
    if (!path) return 0;
    WIN32_FIND_DATAA fd;
    find_handle find(FindFirstFileA(path, &fd));
    if (!find) return 0;
    if (on_disk && (fd.dwFileAttributes & FILE_ATTRIBUTE_COMPRESSED)) *on_disk = compressed_file_size(path);
    return to_double(fd.nFileSizeHigh, fd.nFileSizeLow);
}
