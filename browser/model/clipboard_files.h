// The file clipboard as read: the shell's file list (CF_HDROP) with its
// "Preferred DropEffect" telling a cut from a copy, and the cut marks, the
// clipboard's cut files when they lie in the current folder.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <string>
#include <vector>

// What was read from the clipboard for one operation.
struct clipboard_read_state {
    IDataObject* data;
    FORMATETC drop_format;
    STGMEDIUM medium;
    DWORD effect;
    int count;
    int valid;
    int cut;
    int ole;                          // OleInitialize succeeded
    std::vector<std::string>* files;  // the list's paths, read once; owned
};

// Reads the clipboard's formats; every caller ends with clipboard_files_close.
void clipboard_files_open(clipboard_read_state* state);
void clipboard_files_close(clipboard_read_state* state);
int clipboard_query_files(clipboard_read_state* state);
// File i of the list into out (260 bytes): 0 when missing or too long.
int clipboard_file(clipboard_read_state* state, int i, char* out);
// The clipboard format of the drop effect.
UINT drop_effect_format();

// Cut marks: the clipboard's cut files, when they lie in the current folder.
// An entry cut inside the archive folder is marked where it stays.
void read_cut_list();
int is_cut_entry(const char* name);

// Entries cut inside the open archive's folder: the clipboard lists copies
// in the staging folder, and the entries stay in the folder (and in the
// archive) until a paste has moved the copies. Forgotten when the clipboard
// is written again.
void staged_cuts_reset();
void staged_cut_add(const char* staged, const char* original);
// The entry a staged copy stands for (full path, PATH_BUF), while the archive
// it was cut from is still the open one; 0 otherwise.
int staged_cut_original(const char* staged, char* original);
// A staged copy of an entry cut from an archive that is no longer the open
// one, or cut by another instance (found through the record beside its
// staging folder): the entry stays in that archive; shown is the archive's
// path joined with the entry's path inside it (PATH_BUF).
int staged_cut_elsewhere(const char* staged, char* shown);
