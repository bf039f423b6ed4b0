// The state of the archives opened as folders (see archive_work.h).
#include "browser/model/archive_work.h"
#include "files/files.h"
#include "base/holders.h"
#include <cstdio>
#include <cstring>

archive_work_record archive_work = {-1, {}, {}, {}, {}, {}, {}, 0, 0};

const char* path_below(const char* path, const char* folder)
{
    size_t n = strlen(folder);
    if (!n || strlen(path) < n ||
        CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, path, int(n), folder, int(n)) != CSTR_EQUAL)
        return nullptr;
    if (path[n] == 0) return path + n;
    return path[n] == '\\' ? path + n + 1 : nullptr;
}

bool is_prefix_folder(const char* path, const char* folder) { return path_below(path, folder) != nullptr; }

int zote_temp_path(char* out, const char* sub)
{
    char temp[PATH_BUF];
    DWORD n = GetTempPathA(sizeof temp, temp);
    if (!n || n >= sizeof temp || !path_join(out, PATH_BUF, temp, "zote")) return 0;
    return !sub || path_join(out, PATH_BUF, out, sub) ? 1 : 0;
}

// The DLL is loaded when the word is first asked for, as a name with the
// archiver's extension is listed or a command asks: a folder without archives
// loads none.
int archiver_available(int kind)
{
    static const char* const probe_names[ARCHIVE_KIND_COUNT] = {"a.lzh", "a.zip", "a.cab", "a.gz"};
    if (kind < 0 || kind >= ARCHIVE_KIND_COUNT) return 0;
    if (archive_work.available[kind] < 0) {
        _lha* lha = open_archiver_for(probe_names[kind]);
        archive_work.available[kind] = !lha ? 0 : (kind == 1 && !lha->usable) ? 1 : 2;
        if (lha && lha->set_cursor_mode) lha->set_cursor_mode(FALSE);
    }
    return archive_work.available[kind];
}

int in_instance_folder(const char* path)
{
    return archive_work.instance >= 0 && path && is_prefix_folder(path, archive_work.instance_folder) ? 1 : 0;
}

int in_archive_folder(const char* path)
{
    if (archive_work.instance < 0) return 0;
    char here[PATH_BUF];
    if (!path) {
        DWORD n = GetCurrentDirectoryA(sizeof here, here);
        if (!n || n >= sizeof here) return 0;
        path = here;
    }
    return is_prefix_folder(path, archive_work.folder) ? 1 : 0;
}

int read_path_record(const char* file, char* out)
{
    out[0] = 0;
    c_file f(fopen(file, "rb"));
    if (!f) return 0;
    size_t n = fread(out, 1, PATH_BUF, f.get());
    out[PATH_BUF - 1] = 0;
    if (n != PATH_BUF) out[0] = 0;
    return out[0] ? 1 : 0;
}

int write_path_record(const char* file, const char* path)
{
    char field[PATH_BUF] = {};
    if (!text_copy(field, path)) return 0;
    c_file f(fopen(file, "wb"));
    return f && fwrite(field, 1, PATH_BUF, f.get()) == PATH_BUF ? 1 : 0;
}

int read_open_archive(char* out)
{
    out[0] = 0;
    return archive_work.instance >= 0 && read_path_record(archive_work.folder_file, out);
}

int write_open_archive(const char* archive) { return write_path_record(archive_work.folder_file, archive); }

int in_archive_work_folder(const char* path)
{
    char full[PATH_BUF];
    char* name = nullptr;
    DWORD n = GetFullPathNameA(path, sizeof full, full, &name);
    return n && n < sizeof full && in_instance_folder(full) ? 1 : 0;
}

// The title shows the archive's path in place of its work folder.
int archive_shown_folder(const char* folder, char* out)
{
    char archive[PATH_BUF];
    if (!in_archive_folder(folder) || !read_open_archive(archive)) return 0;
    return text_format(out, PATH_BUF, "%s%s", archive, folder + strlen(archive_work.folder)) ? 1 : 0;
}

// T\zote, before start-up has named it too (the hand-over is read first).
static int work_root(char* out)
{
    return archive_work.root[0] ? text_copy(out, PATH_BUF, archive_work.root) : zote_temp_path(out, nullptr);
}

// "lha" and a number, alone or followed by a backslash: the length of the
// instance folder's name, else 0.
static size_t instance_name_length(const char* below)
{
    char head[4];
    if (!text_copy_n(head, sizeof head, below, 3) || !text_equal_ci(head, "lha")) return 0;
    size_t n = 3;
    while (below[n] >= '0' && below[n] <= '9') n++;
    return n > 3 && (below[n] == 0 || below[n] == '\\') ? n : 0;
}

int work_path_meaning(const char* path, char* out)
{
    char root[PATH_BUF], full[PATH_BUF];
    char* name = nullptr;
    DWORD n = GetFullPathNameA(path, sizeof full, full, &name);
    if (!n || n >= sizeof full || !work_root(root)) return WORK_PATH_NONE;
    remove_backslash(full);
    const char* below = path_below(full, root);
    size_t length = below ? instance_name_length(below) : 0;
    if (!length) return WORK_PATH_NONE;
    char instance[PATH_BUF], folder[PATH_BUF], file[PATH_BUF], archive[PATH_BUF];
    if (!text_copy_n(instance, sizeof instance, full, size_t(below - full) + length) ||
        !path_join(folder, instance, "folder") || !path_join(file, instance, "folder.d"))
        return WORK_PATH_REFUSED;
    const char* rest = path_below(full, folder);
    if (!rest || !read_path_record(file, archive)) return WORK_PATH_REFUSED;
    bool fits = *rest ? text_format(out, PATH_BUF, "%s\\%s", archive, rest) : text_copy(out, PATH_BUF, archive);
    return fits ? WORK_PATH_MAPPED : WORK_PATH_REFUSED;
}

int is_instance_work_folder(const char* path)
{
    const char* below = archive_work.root[0] ? path_below(path, archive_work.root) : nullptr;
    return below && *below && instance_name_length(below) == strlen(below) ? 1 : 0;
}

int plain_folder_for(const char* path, char* out)
{
    char probe[PATH_BUF];
    int meaning = work_path_meaning(path, probe);
    if (meaning == WORK_PATH_NONE) return text_copy(out, PATH_BUF, path);
    while (meaning == WORK_PATH_MAPPED && !is_folder(probe)) {
        char parent[PATH_BUF];
        if (!parent_folder(probe, parent) || !parent[0] || text_equal_ci(parent, probe)) break;
        text_copy(probe, parent);
    }
    if (meaning == WORK_PATH_MAPPED && is_folder(probe)) return text_copy(out, PATH_BUF, probe);
    DWORD n = GetTempPathA(PATH_BUF, out);
    return n && n < PATH_BUF ? 1 : 0;
}
