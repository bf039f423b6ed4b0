// What the list model asks of the archives opened as folders above it. The
// slots start with what the model does alone (no archiver); the program's
// start-up fills them (install_archive_folder_hooks), and tests with their own.
#pragma once

struct archive_info_block;

struct browser_list_hook_table {
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
