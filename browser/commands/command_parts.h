// The parts the command actions and the menus call for the entry operations,
// the selection marks, the file clipboard, archives and the small editors.
// Those that name an entry take its index; name, when given, has room for
// 260 bytes and receives the name to put the cursor on.
#pragma once

// 240-246: a new folder, archive or text file, or the folder listing.
int make_new_entry(int id);
// 2 when the clipboard's files were cut, 1 copied, 0 none.
int clipboard_holds_files();
// 126 and 128: the marked entries onto the clipboard.
int copy_selection_to_clipboard();
int cut_selection_to_clipboard();
// 120, 121, 122, 162 and 335 on the entry at index.
int change_selection(int id, int index);
// 151-154 pack the selection, 155 extracts and 156 makes a self-extracting
// archive of the entry at index.
int pack_selection(int id, int index);
int extract_entry_archive(int id, int index);
int make_entry_self_extracting(int id, int index);
// Kind 0..3 (lzh, zip, cab, tgz): above 1 when its archiver can write.
int archive_kind_ready(int kind);
// 112: the selection to the print dialog.
int print_selection();
// 236 and 295: the renames of the selection.
int batch_rename_naming(char* name);
int number_prefixes_naming(char* name);
// 110 and 190 on the image at index.
int save_entry_as(int index);
int count_entry_colours(int index);
// 195 chooses the scanner's source; 196 scans into the shown folder.
int scanner_command(int id, char* name);
// The in-list editors: 330 and 331 rename, 332 edits the time stamp.
int edit_entry_in_list(int id, int index, char* name);
