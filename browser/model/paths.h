// The browser's path rules: the current-folder cache and the folder change,
// entry names cut to the listing depth, name checks, shortcut resolution,
// unique new names and the per-user temporary folder. Extension and name
// rules are in names.h.
#pragma once
#include "browser/model/names.h"
#include <cstddef>

// The current folder as the browser shows it. Both texts are "\" while the
// drive list is shown. The display bytes tell whether the folder is the
// Desktop or the Personal folder (exact) or lies inside it (length - 1 of
// that folder's path, else 0).
struct current_folder_state {
    char folder[260];
    char copy[260];
    int drive_list;
    unsigned char desktop_exact, desktop_length;
    unsigned char personal_exact, personal_length;
};
extern current_folder_state current_folder;

// Enters a folder as it is ("\..." selects the drive list). 1 on success.
// change_folder (archives) first maps a path into an opened archive.
int enter_folder(const char* path);
// Reads the current folder into the cache (or "\" in the drive list).
void cache_current_dir();

// The name cut before its (depth + 1)-th backslash; drive roots whole. out: 260 bytes.
int entry_listed_path(const char* name, char* out);
// The same in a shared buffer, or the name itself when nothing is cut.
const char* entry_path_static(const char* name);
// Backslashes inside the name (a trailing one not counted); 0 for drive roots.
int backslash_depth(const char* name);
// 1 for a folder node with an image kind whose path ends in ".layer".
int is_layer_entry(const char* name);
// Tries to create "X:\@readonlytest@" on the path's drive: 1 when that fails
// (the drive is read-only), 0 when the drive took the file.
int is_drive_writable(const char* path);
// Temp\zote\user\<user name or "default">[\sub] into out (260). 1 when it fits.
int user_temp_folder(char* out, const char* sub);
// For a ".lnk": 2 when the target is a folder or drive root, 1 a file, 0
// otherwise; the long form of the target goes to out (260) when given.
int resolve_shortcut(const char* path, char* out);
// A name that does not exist yet, made from path by inserting characters
// before the extension: a.jpg, a0.jpg ... az.jpg, a00.jpg ... 1 when found.
int make_unique_name(char* out, const char* path);
int make_name_unique_in_place(char* path);
// 0 when both name the same folder (case-insensitive, one trailing backslash ignored).
int same_folder(const char* a, const char* b);
// The first name of a null-terminated list that exists in the folder
// (drive roots: the drive is present), or null.
const char* first_existing(const char* const* names, const char* folder);
