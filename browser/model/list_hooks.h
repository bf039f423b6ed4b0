// What the list model asks of browser parts that come later (history,
// thumbnail caches, archives opened as folders, the file clipboard, names
// carrying a rotation). Each slot has a harmless default; a part plugs in by
// filling its slot.
#pragma once

struct archive_info_block;

struct browser_list_hook_table {
    // Navigation history: read at start, written at exit (the history file).
    void (*history_load)();
    void (*history_save)();
    // In-memory thumbnail cache: built at start, its per-entry index freed at exit. Default: none.
    void (*thumbnail_cache_build)();
    void (*thumbnail_cache_free)();
    // The per-entry index made afresh for a new list of count entries. Default: none.
    void (*thumbnail_index)(int count);
    // Availability word of archive kind 0..3 (LZH, ZIP, CAB, GZ/TAR). Default 0:
    // no archiver is loaded, so no archive opens as a folder.
    int (*archiver_available)(int kind);
    // Fills the information block of an archive from its listing: 1 when done.
    // Default: the listing fails, so the archive is taken as a plain file.
    int (*archive_listing)(const char* path, archive_info_block* out);
    // The extracted path of an archive's representative member (260 bytes): 1
    // when made. Default: none.
    int (*archive_member_path)(const char* archive, char* out);
    // 1 when the path lies in this instance's archive work folder. Default: never.
    int (*in_archive_work_folder)(const char* path);
    // 1 when the entry is marked as cut in the file clipboard. Default: never.
    int (*is_cut)(const char* name);
    // Quarter turns encoded in an image's name. Default: none.
    int (*rotation_of_name)(const char* name);
};
extern browser_list_hook_table browser_list_hooks;
