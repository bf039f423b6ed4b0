// Folder scanning: the current folder becomes the browser's sorted list of
// entry names. Subfolders are represented by their first listed file; the
// entry filter, the sort modes and the folder summary live here too.
#pragma once
#include <windows.h>
#include "browser/model/file_kind.h"
#include "browser/model/name_list.h"

// (sort key + 10 x folders-first + 1) x direction, from the listing bytes.
int current_sort_mode();
extern int sort_mode;          // the mode of the running scan or search
extern int archive_switch[4];  // LZH, ZIP, CAB, GZ/TAR open as folders (set by each scan)
void compute_archive_switches();

// Lists the current folder. names: the sorted name array (owned by the
// listing list); tree_flag: the count of folders; tree_depth in: the depth
// asked for (0 none, -1 every level), out: the levels opened (0 when the
// folder has no subfolders). Returns the entry count.
int scan_entries(char*** names, int* tree_flag, int* tree_depth);
// The same listing in the same order, of the folder the caller has just
// entered (change_folder; the drive list ignores it), with each subfolder's
// first listed file left to be found: until then the folder is named "folder\*.*". The
// browser finds them for the entries it draws (find_entry_first_file, called
// by list_entry_kind) and the rest in its idle time; once all are found the
// names are those of scan_entries.
int scan_listing(const char* entered, char*** names, int* tree_flag, int* tree_depth);
// The first listed file of entry index of the browser's list, when it is
// still to be found (nothing when the entries are not the last listing's).
void find_entry_first_file(int index);
// Finds first listed files still to be found for about ms milliseconds: 1
// when it did some, 0 when none was left.
int find_first_files_step(DWORD ms);
// Every first listed file still to be found (before the names are read in
// any other way than by list_entry_kind).
void find_all_first_files();
int first_files_to_find();
// The listing's facts of entry index of the browser's list when it is a file
// of the last listing: 1, else 0.
int listed_facts_of(int index, listed_facts* out);
int compare_entries(const sort_record* a, const sort_record* b);
int compare_entries_qsort(const void* a, const void* b);
// Stable sort by compare_entries in the current sort mode.
void sort_records(sort_record** records, int count);
// 1 to leave the entry out.
int skip_by_attributes(const WIN32_FIND_DATAA* data);
// 1 to list a file with this extension (the text from the name's last ".").
int is_listed_name(const char* ext);
// Enabled archive kind 0..3 of a name's extension, or -1.
int archive_kind_of(const char* name);

int scan_folder_images(const char* folder);
int scan_subfolders(const char* path);
// The folder's first listed file in sort order, searched into subfolders; an
// empty subfolder gives way to the next candidate. A search lists at most
// FIRST_FILE_SEARCH_FOLDERS folders (a tree of empty folders costs no more
// than that); the folders it did not list are passed over. out: PATH_BUF. 1 / 0.
enum { FIRST_FILE_SEARCH_FOLDERS = 50 };
int first_listed_file(const char* folder, char* out);
int first_listed_file_step(const char* folder, char* out);
// Counts and sizes of the tree under path. A negative limit stops the walk,
// incomplete, past browser_list.countfile_limit files or folders entered.
folder_summary_record* folder_summary(const char* path, folder_summary_record* out, int limit);

// Pass progress of long walks: the status text grows by a square on every
// refresh and pending messages are handled. A pass that sees the reload
// counter move on (a newer pass ran inside a refresh) stops.
void scan_pass_begin(const char* status);
void pass_end();
void pass_tick();
