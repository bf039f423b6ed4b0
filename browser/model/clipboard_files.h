// The file clipboard as read: the shell's file list (CF_HDROP) with its
// "Preferred DropEffect" telling a cut from a copy, and the cut marks, the
// clipboard's cut files when they lie in the current folder.
#pragma once
#include <windows.h>
#include <objidl.h>

// What was read from the clipboard for one operation.
struct clipboard_read_state {
    IDataObject* data;
    FORMATETC drop_format;
    STGMEDIUM medium;
    DWORD effect;
    int count;
    int valid;
    int cut;
    int ole;  // OleInitialize succeeded
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
void read_cut_list();
int is_cut_entry(const char* name);
