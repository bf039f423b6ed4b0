// The files library's inside: what its own files share beyond the public
// pieces (walk callbacks, entry loaders, item identities, the archiver kinds
// and their classes, the registry key path opener) and the helpers only its
// tests call directly. Included only by the library's own files (and by its
// tests, which say why); everything else goes through files.h.
#pragma once
#include "files/files.h"

// Strings, beside strings.h.
// Removes leading blanks in place; returns s (null for null).
char* trim_left(char* s);
// printf-style append behind the buffer's current end. False (unchanged) on overflow.
bool strcat_printf(char* buf, size_t cap, const char* fmt, ...) __attribute__((format(gnu_printf, 3, 4)));
// 1 when the folder is one of the entries of %PATH% (case-insensitive, whole entries).
int is_in_path_env(const char* folder);

// File-system questions, beside fs_query.h.
// A kernel32 entry looked up on first use and kept for the whole run.
struct entry_loader {
    HMODULE module;
    FARPROC entry;
    int tried;
};
// Fills the free-space loader with GetDiskFreeSpaceExA when kernel32 has it.
entry_loader* load_disk_free_ex(entry_loader* loader);
// Bytes free for the caller, total bytes and total free bytes of the drive of
// path (any output may be null); all 0 when the query fails.
void get_disk_free(const char* path, double* free_for_caller, double* total, double* total_free);
// Fills the compressed-size loader with GetCompressedFileSizeA.
entry_loader* load_compressed_size_fn(entry_loader* loader);
// A file's local time, or for a folder the newest file anywhere below it (the
// folder's own time when it holds no file). Returns out.
SYSTEMTIME* item_local_systime(const char* path, SYSTEMTIME* out);
// Walker file callback: counts the file and keeps the later time in raw_time.
int newest_time_cb(walk_item* item);

// The walker, beside walker.h.
// An item's identity: its volume and its file index. Two names of one
// folder (a short name, a link, a drive letter mapped onto it) share it.
struct item_identity {
    DWORD volume, index_high, index_low;
};
// 1 when identified, 0 when the item is missing, -1 when it cannot be told.
int identify_item(const char* path, item_identity* id);
bool same_identity(const item_identity& a, const item_identity& b);
// Count of items skipped because their path did not fit the walker's
// 260-byte buffer or because they would close a cycle (also added to the
// record's failures field). Never reset by the walkers.
extern long walk_skipped_items;
// Adds the files of the folder in path matching the pattern in second_path.
int count_files_in_cb(walk_item* item);
// Replaces the file-name part of path (a 260-byte buffer) by the first
// matching item's name. 0 (unchanged) when nothing matches or it does not fit.
int resolve_wildcard_name(char* path);

// File operations, beside file_ops.h.
// The two walks of rm_tree on the absolute path, without its final removal
// (the walk's own leave step still removes the folder once it is empty).
void clear_tree(const char* folder);
int set_cwd(const char* path);
void rd_folder_full(const char* path);
// Walk callbacks of the operations above (each returns 1).
int rm_file_cb(walk_item* item);
int rd_folder_cb(walk_item* item);
int cp_tree_file_cb(walk_item* item);
int cp_tree_folder_cb(walk_item* item);
int cp_command_file_cb(walk_item* item);
int rm_matching_leave_cb(walk_item* item);
// Skip callback of destructive walks: removes a link folder ("..rd") and
// keeps the walk out of it; 0 for an ordinary folder.
int rm_link_cb(walk_item* item);

// Archivers, beside archiver.h.
// Loads the DLL and resolves its entries; nothing changes when it does not load.
void lha_load(_lha* object, const char* dll, const char* prefix, int kind);
// Forms a command of the object's archiver into line. A command that does not
// fit is never run cut: false, and the console is told which command it was.
bool vform_archiver_command(const _lha* object, char (&line)[ARCHIVER_COMMAND_BUF], const char* fmt, va_list ap);
bool form_archiver_command(const _lha* object, char (&line)[ARCHIVER_COMMAND_BUF], const char* fmt, ...)
    __attribute__((format(gnu_printf, 3, 4)));

class _lha_lha : public _lha {
public:
    int make_sfx(const char* archive) override;
    int run(char* output, int size, const char* fmt, ...) override __attribute__((format(gnu_printf, 4, 5)));
    int create(const char* archive, const char* source, const char* password) override;
    int extract_all(const char* archive, const char* folder, const char* password) override;
    int extract_one(const char* archive, const char* folder, const char* member) override;
};

class _lha_zip : public _lha {
public:
    _lha creator;
    void load_creator();
    int is_encrypted(const char* archive) override;
    int version_text(char* out, size_t cap) override;
    int create(const char* archive, const char* source, const char* password) override;
    int extract_all(const char* archive, const char* folder, const char* password) override;
    int extract_one(const char* archive, const char* folder, const char* member) override;
};

class _lha_cab : public _lha {
public:
    int make_sfx(const char* archive) override;
    int create(const char* archive, const char* source, const char* password) override;
    int extract_all(const char* archive, const char* folder, const char* password) override;
    int extract_one(const char* archive, const char* folder, const char* member) override;
};

class _lha_tar : public _lha {
public:
    int create(const char* archive, const char* source, const char* password) override;
    int extract_all(const char* archive, const char* folder, const char* password) override;
    int extract_one(const char* archive, const char* folder, const char* member) override;
};

// The kinds by extension, in the order they are tried. Not const: a test
// may point a kind at a missing DLL before the first request for it.
struct archiver_kind {
    const char* extensions[3];
    const char* dll;
    const char* prefix;
    int kind;
    _lha* (*make)();
    _lha* object;  // made on the first request, kept for the run
};
enum { ARCHIVER_KINDS = 4 };
extern archiver_kind archiver_kinds[ARCHIVER_KINDS];
// The path without a trailing backslash, in one static buffer; empty when it
// does not fit.
const char* strip_backslash_copy(const char* path);

// Counts the line feeds of text (at least 1), turning a line feed that
// follows another into a blank; a leading line feed is dropped from the
// count and from *rest (which points into text).
int count_output_lines(char* text, char** rest);

// 1 for a member name that stays inside the folder it is extracted to: not
// empty, no drive, no leading separator, no ".." component.
int member_name_is_safe(const char* member);

// 1 for a password that can stand in a command line as one argument.
int archive_password_is_safe(const char* password);

// A single file moved into a fresh work folder "fdir@N" beside it, which is
// the current folder until the undo.
struct isolated_file {
    char* saved_cwd;
    char full[PATH_BUF];
    char work[PATH_BUF];
    char inside[PATH_BUF];
};
int isolate_file(isolated_file* record, const char* file);
void isolate_file_undo(isolated_file* record);

// Associations, beside associations.h.
// 1 when an optional text argument is absent: null, empty or beginning with "NULL".
int is_absent_arg(const char* text);
// Reads a key's value as text; a missing value reads as empty. 0 when the key
// or value cannot be read as text (cap bytes, always terminated).
int reg_read_text(HKEY key, const char* value_name, char* out, DWORD cap);
// Type name of an extension (512 bytes) and its opened type and "shell" keys
// (the caller closes them). 1 when both opened.
int open_type_shell_key(const char* ext, char* type, HKEY* type_key, HKEY* shell_key);
// The type's default verb (256 bytes), "open" when none is set.
int default_verb(const char* ext, char* verb);

// Dialogs, beside dialogs.h.
// Rewrites a multiple selection "folder\0a\0b\0c\0\0" as "folder\b\0c\0a\0\0"
// (the first name moves to the end). Returns the number of strings before the
// rewrite, or 0 when the joined path does not fit a path buffer.
int reorder_multi_selection(char* buffer, size_t cap);
int CALLBACK browse_folder_cb(HWND dialog, UINT message, LPARAM param, LPARAM data);

// Window search, beside window_search.h.
// EnumWindows callback over window_search_record; always continues.
BOOL CALLBACK find_window_by_title_cb(HWND window, LPARAM unused);

// Registry key paths.
// Opens each name of key_path in turn below root. A missing key gives null
// when open_only is set; otherwise it is created (printing " %s created\n"
// while logging is on). The result is the last key (close it with
// RegCloseKey), or null when nothing could be opened or the path is empty.
HKEY reg_open_key_path(HKEY root, const char* key_path, int open_only);
