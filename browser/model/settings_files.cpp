// The three zote.ini files: the global one in the start folder, the per-user
// one (hidden while it says nothing new) and the hand-over file "@zote.ini"
// that a window writes for the window it is about to start.
#include "browser/model/settings.h"
#include "browser/model/browser_list.h"
#include "browser/model/paths.h"
#include "files/files.h"
#include <cstring>

static char start_folder[PATH_BUF];

void set_settings_start_folder(const char* folder)
{
    if (!text_copy(start_folder, folder)) start_folder[0] = 0;
}

int global_settings_path(char* out)
{
    char folder[PATH_BUF];
    if (start_folder[0])
        text_copy(folder, start_folder);
    else {
        DWORD n = GetCurrentDirectoryA(sizeof folder, folder);
        if (!n || n >= sizeof folder) {
            out[0] = 0;
            return 0;
        }
    }
    return path_join(out, PATH_BUF, folder, "zote.ini") ? 1 : 0;
}

int user_settings_path(char* out) { return user_temp_folder(out, "zote.ini"); }

int handover_settings_path(char* out) { return user_temp_folder(out, "@zote.ini"); }

// Parses the file over the record when it exists (a hidden file counts only
// when asked). 1 when it was read.
static int parse_if_present(settings_record* r, const char* path, int hidden_counts)
{
    if (!path[0] || !path_exists(path, hidden_counts ? 0 : 1)) return 0;
    FILE* f = fopen(path, "r");
    return f ? parse_settings_file(r, f) : 0;
}

int load_settings(settings_record* r)
{
    snapshot_settings(r);
    char path[PATH_BUF];
    return global_settings_path(path) && parse_if_present(r, path, 1);
}

int load_global_and_user_settings(settings_record* r, int hidden_counts)
{
    snapshot_settings(r);
    char path[PATH_BUF];
    int read = 0;
    if (global_settings_path(path)) read |= parse_if_present(r, path, 1);
    if (user_settings_path(path)) read |= parse_if_present(r, path, hidden_counts == 1);
    return read;
}

int load_handover_settings(settings_record* r)
{
    char path[PATH_BUF];
    if (!handover_settings_path(path)) return 0;
    FILE* f = fopen(path, "r");
    int read = f ? parse_settings_file(r, f) : 0;
    DeleteFileA(path);
    return read;
}

void save_user_settings()
{
    char path[PATH_BUF];
    if (!user_settings_path(path)) return;
    settings_record now;
    snapshot_settings(&now);
    if (settings_equal(&now, &browser_list.loaded_settings)) {
        SetFileAttributesA(path, FILE_ATTRIBUTE_HIDDEN);
        return;
    }
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    write_settings_file(path, now);
}

void save_global_settings()
{
    char path[PATH_BUF];
    if (!global_settings_path(path)) return;
    settings_record now;
    snapshot_settings(&now);
    if (settings_equal(&now, &browser_list.default_settings))
        DeleteFileA(path);
    else
        write_settings_file(path, now);
}

void reset_global_settings()
{
    char path[PATH_BUF];
    if (global_settings_path(path) && DeleteFileA(path)) browser_list.loaded_settings = browser_list.default_settings;
}

int user_settings_changed()
{
    settings_record now, files;
    snapshot_settings(&now);
    char path[PATH_BUF];
    if (!user_settings_path(path) || !path_exists(path, 1))
        return settings_equal(&now, &browser_list.loaded_settings) ? 0 : 1;
    load_global_and_user_settings(&files, 0);
    return settings_equal(&now, &files) ? 0 : 1;
}

void write_handover_settings(settings_record* r)
{
    snapshot_settings(r);
    char path[PATH_BUF];
    if (global_settings_path(path)) parse_if_present(r, path, 1);
    if (handover_settings_path(path)) write_settings_file(path, *r);
}

int saved_thumb_size()
{
    settings_record r;
    if (load_global_and_user_settings(&r, 1)) return r.w;
    return browser_list.loaded_settings.w > 0 ? browser_list.loaded_settings.w : -1;
}
