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

int read_open_archive(char* out)
{
    out[0] = 0;
    return archive_work.instance >= 0 && read_folder_file(archive_work.folder_file, out);
}

int read_folder_file(const char* path, char* out)
{
    out[0] = 0;
    c_file f(fopen(path, "rb"));
    if (!f) return 0;
    size_t n = fread(out, 1, PATH_BUF, f.get());
    out[PATH_BUF - 1] = 0;
    if (n != PATH_BUF) out[0] = 0;
    return out[0] ? 1 : 0;
}

int write_open_archive(const char* archive)
{
    char field[PATH_BUF] = {};
    if (!text_copy(field, archive)) return 0;
    c_file f(fopen(archive_work.folder_file, "wb"));
    return f && fwrite(field, 1, PATH_BUF, f.get()) == PATH_BUF ? 1 : 0;
}

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
