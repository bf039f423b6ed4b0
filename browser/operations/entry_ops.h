// Operations on the selected entries or on the entry under the mouse: the
// recycle bin, moves into a folder, opening with the associated program, new
// folders and files named in place, the folder listing, a folder dissolved
// into its parent, and the reloads that keep the shown position or the marks.
#pragma once

struct entry_ops_state {
    int creating;  // a new entry is being named
};
extern entry_ops_state entry_ops;

// Deletes the marked entries to the recycle bin. 1 when the shell deleted
// them all; 0 when nothing was asked, the shell failed or the user declined.
int recycle_selected();
void renumber_after_delete();
// Moves the marked entries into the folder (or packs them into the archive)
// at index. 1 when it acted.
int move_selected_into(int index);
// Opens entry index with the associated program (verb -1: the default).
int open_entry_with_program(int index, int verb);
void edit_small_text(int index);
// Commands 240 (folder) and 245 (text file); others by the archive kinds.
// 1 when a new entry was kept.
int create_new_entry(int command);
// Whether a new text file (245) can be made and then found in the list: a
// folder is shown and the list shows text files.
int new_text_file_possible();
// "<folder>.txt" in the current folder with the unmarked names, one a line;
// an existing file of the name is overwritten only when the user says so.
// Nothing at the drive list, which is no folder.
int write_folder_listing();
void reload_at_name(const char* name, int keep);
void reload_keep_selection(int first, int keep);
// The full path of list entry index into out (260 bytes): 1 when it fit.
int entry_full_path(int index, char* out);
// Moves every file of the folder whose name is free in the parent there (the
// thumbnail cache follows); when none was left behind the folder is removed.
// Returns the number of files left behind, or -1 when the folder cannot be read.
int dissolve_folder(const char* entry);
