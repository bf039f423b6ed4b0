// What the list model asks of the archives opened as folders above it. The
// slots start with what the model does alone (no archiver); the program's
// start-up fills them (install_archive_folder_hooks), and tests with their own.
#pragma once

struct archive_info_block;

struct browser_list_hook_table {
    // Fills the information block of an archive from its listing: 1 when done;
    // 0 takes the archive as a plain file.
    int (*archive_listing)(const char* path, archive_info_block* out);
    // The extracted path of an archive's representative member (260 bytes): 1
    // when made.
    int (*archive_member_path)(const char* archive, char* out);
};
extern browser_list_hook_table browser_list_hooks;
