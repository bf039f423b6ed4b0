// Folder operations of the browser: a folder made from a file, an entry
// moved into a folder, the images of a
// layer folder, and the dialog that chooses the folder to list.
#pragma once

// Makes the folder named like the file without its extension and moves the
// file into it. 1 when done; 0 when the folder exists already or a step failed.
int make_folder_from_file(const char* path);
// Renames the folder after the first file it lists (the file its cell shows),
// without that file's extension; the new name goes to new_name (PATH_BUF).
// 0 when there is no such file, the name is taken or the rename failed.
int rename_folder_to_first_file(const char* entry, char* new_name);
// Moves the entry to its file name inside folder (an image without its extension).
int move_entry_into_folder(const char* entry, const char* folder);
// The image names of a ".layer" folder entry (collected by the folder scan); their count.
int scan_layer_images(const char* name);
// The folder picker for the folder to list: 1 and the chosen folder in folder (PATH_BUF).
int choose_folder_dialog(char* folder);
