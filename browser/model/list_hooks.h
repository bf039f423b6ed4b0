// What the list model asks of the rooms above it: the thumbnail cache, the
// archives opened as folders and the file clipboard's cut marks. The slots
// start with what the model does alone (no cache, no archiver, nothing cut);
// the program's start-up fills them (install_thumbnail_hooks,
// install_archive_folder_hooks, install_clipboard_hooks), and tests with
// their own.
#pragma once

struct archive_info_block;

struct browser_list_hook_table {
    // In-memory thumbnail cache: built at start, its per-entry index freed at exit.
    void (*thumbnail_cache_build)();
    void (*thumbnail_cache_free)();
    // The per-entry index made afresh for a new list of count entries.
    void (*thumbnail_index)(int count);
    // Availability word of archive kind 0..3 (LZH, ZIP, CAB, GZ/TAR); 0 while
    // no archiver is loaded, so that no archive opens as a folder.
    int (*archiver_available)(int kind);
    // Fills the information block of an archive from its listing: 1 when done;
    // 0 takes the archive as a plain file.
    int (*archive_listing)(const char* path, archive_info_block* out);
    // The extracted path of an archive's representative member (260 bytes): 1
    // when made.
    int (*archive_member_path)(const char* archive, char* out);
    // 1 when the path lies in this instance's archive work folder.
    int (*in_archive_work_folder)(const char* path);
};
extern browser_list_hook_table browser_list_hooks;
