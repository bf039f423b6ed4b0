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

int read_global_settings(settings_record* r)
{
    char path[PATH_BUF];
    return global_settings_path(path) && parse_if_present(r, path, 1);
}

int read_global_and_user_settings(settings_record* r, int hidden_counts)
{
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

// Settings back to those loaded at start still replace what an earlier save
// wrote, which the next start would read: the file is written, then hidden.
void write_user_settings(const settings_record& now)
{
    char path[PATH_BUF];
    if (!user_settings_path(path)) return;
    bool as_loaded = settings_equal(&now, &browser_list.loaded_settings) != 0;
    if (as_loaded && !path_exists(path, 0)) return;
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    write_settings_file(path, now);
    if (as_loaded) SetFileAttributesA(path, FILE_ATTRIBUTE_HIDDEN);
}

void write_global_settings(const settings_record& now)
{
    char path[PATH_BUF];
    if (!global_settings_path(path)) return;
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

int user_settings_differ(const settings_record& now)
{
    char path[PATH_BUF];
    if (!user_settings_path(path) || !path_exists(path, 1))
        return settings_equal(&now, &browser_list.loaded_settings) ? 0 : 1;
    settings_record files = now;
    read_global_and_user_settings(&files, 0);
    return settings_equal(&now, &files) ? 0 : 1;
}

void write_handover_file(settings_record* now)
{
    char path[PATH_BUF];
    if (global_settings_path(path)) parse_if_present(now, path, 1);
    if (handover_settings_path(path)) write_settings_file(path, *now);
}
