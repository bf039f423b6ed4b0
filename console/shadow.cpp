// The shadow tree of fcopy: a mirror of a network folder in the temporary
// folder whose files are 16-byte records (the real file's time and size), so
// that comparisons read local files. Without a root (before any fcopy, or
// after one was left with ESC) nothing lies in the shadow tree.
#include "console/fcopy.h"
#include "files/files.h"
#include <cstdio>
#include <cstring>

char shadow_root[260];

void fcopy_init_shadow_root()
{
    char temp[PATH_BUF];
    DWORD n = GetTempPathA(sizeof temp, temp);
    if (!n || n >= sizeof temp || !add_backslash(temp) ||
        !text_format(shadow_root, sizeof shadow_root, "%szote_fcopy\\", temp))
        shadow_root[0] = 0;
}

void fcopy_reset_shadow_root() { shadow_root[0] = 0; }

static bool in_shadow(const char* path)
{
    size_t n = strlen(shadow_root);
    if (!n || !path || strlen(path) < n) return false;
    char head[PATH_BUF];
    return text_copy_n(head, sizeof head, path, n) && strlen(head) == n && text_equal_ci(head, shadow_root);
}

int real_path_to_shadow(const char* path, char* out, size_t cap)
{
    out[0] = 0;
    if (!shadow_root[0] || !path || strlen(path) < 2) return 0;
    char work[PATH_BUF];
    if (!text_copy(work, path)) return 0;
    work[1] = '_';
    const char* tail = work[0] == '\\' ? work + 1 : work;
    return text_format(out, cap, "%s%s", shadow_root, tail) ? 1 : 0;
}

int shadow_path_to_real(const char* path, char* out, size_t cap)
{
    out[0] = 0;
    if (!in_shadow(path)) return 0;
    char tail[PATH_BUF];
    if (!text_copy(tail, path + strlen(shadow_root)) || !tail[0]) return 0;
    if (tail[1] == '_') {
        tail[1] = ':';
        return text_copy(out, cap, tail) ? 1 : 0;
    }
    tail[0] = '\\';
    return text_format(out, cap, "\\%s", tail) ? 1 : 0;
}

int write_time_size_record(const char* real_path, const WIN32_FIND_DATAA* found)
{
    char shadow[PATH_BUF], parent[PATH_BUF];
    if (!real_path_to_shadow(real_path, shadow, sizeof shadow) || !parent_folder(shadow, parent)) return 0;
    int logging = file_op_logging;
    set_file_op_logging(0);
    md_path(parent);
    shadow_record record;
    record.write_time = found->ftLastWriteTime;
    record.size = found->nFileSizeHigh * 4294967296.0 + found->nFileSizeLow;
    FILE* f = fopen(shadow, "wb");
    bool ok = f && fwrite(&record, sizeof record, 1, f) == 1;
    if (f) fclose(f);
    if (ok) ok = set_file_write_time(shadow, found->ftLastWriteTime);
    set_file_op_logging(logging);
    return ok ? 1 : 0;
}

double shadow_size(const char* path)
{
    if (!in_shadow(path)) return file_size(path);
    shadow_record record;
    FILE* f = fopen(path, "rb");
    if (!f) return 0;
    bool ok = fread(&record, sizeof record, 1, f) == 1;
    fclose(f);
    return ok ? record.size : 0;
}
