// The file clipboard: copy and cut of the marked entries as the shell does it
// (CF_HDROP with "Preferred DropEffect"), paste of the clipboard's files into
// the current folder (as items, shortcuts or folder structure only), the
// overwrite-or-rename question and one-item moves; the clipboard's reading
// and the cut marks lie below (model/clipboard_files.h). No paste loses an
// item: an item is never placed over itself, a replaced item goes
// only once its replacement is in place, and a cut source goes only once its
// copy is complete (in an archive folder, once the archive holding it has
// been written back: archive_moves.h). Esc ends a paste between its items.
#pragma once
#include <windows.h>
#include "browser/model/clipboard_files.h"

// The answers of the overwrite question; done is the last operation's result.
struct overwrite_answers {
    unsigned char yes, no, cancel, all, done;
};
static_assert(sizeof(overwrite_answers) == 5, "five answer bytes");

// 1 when the paste fits on the current drive (a move on one drive needs no
// room), else the message and 0.
int paste_space_check(clipboard_read_state* state, bool moves);
int paste_files(clipboard_read_state* state);
int paste_shortcuts(clipboard_read_state* state);
int paste_folders_only(clipboard_read_state* state);
// Commands 126 (copy) and 128 (cut). 1 when the clipboard holds the list.
int copy_or_cut_to_clipboard(int cut);
int clipboard_set_file_list(int cut);

// The question (dialog "上書きの確認"); with "all" already answered the stored answer holds.
void ask_overwrite_or_rename(const char* operation, const char* placed_kind, const char* existing_kind,
                             const char* existing_path, overwrite_answers* answers);
// How an item is placed: copied, moved, or copied now for a move whose
// source goes only once what holds the copy is complete (as in a move, an
// item is never copied onto itself).
enum { PLACE_COPY, PLACE_MOVE, PLACE_COPY_FIRST };
// One item to a destination, asking with the operation word ("ペースト",
// "移動") when the name is taken. 1 when placed.
int place_one_item(const char* source, const char* destination, int how, const char* operation,
                   overwrite_answers* answers);
int paste_one_item(const char* source, const char* destination, int cut, overwrite_answers* answers);
int paste_one_shortcut(const char* source, const char* shortcut, overwrite_answers* answers);
int paste_folder_tree_only(const char* source, const char* folder, overwrite_answers* answers);
int move_one_item(const char* source, const char* destination, overwrite_answers* answers);

// The files a cut paste or a move into a folder left at their source, told
// in one message after it: a move across drives copies first and deletes
// afterwards, so a file another program holds open is copied but stays.
struct left_at_source {
    char names[1024];  // the first ones, a line each
    int listed, more;  // named, and counted beyond those
};
// After a move of source to destination that was not cancelled: notes the
// source when it is still there and is not the destination itself (a folder
// by the files left in it).
void note_left_at_source(left_at_source* left, const char* source, const char* destination);
// Notes a path that stayed without looking at it (a member of an archive
// that is not open).
void note_left_named(left_at_source* left, const char* path);
// The source of a move whose copy at destination is complete (and kept):
// removed, and noted in left when it could not go.
void remove_moved_source(const char* source, const char* destination, left_at_source* left);
// The message naming the files that stayed; nothing when every one went.
void say_left_at_source(const left_at_source& left);
int copy_as_unique(const char* source, const char* destination);
int move_as_unique(const char* source, const char* destination);
int shortcut_as_unique(const char* source, const char* destination);
void rename_file_and_cache(const char* old_name, const char* new_name);

// The name of the first item the last paste placed, and how many it placed.
struct paste_record {
    char first_name[MAX_PATH];
    int placed;
};
extern paste_record last_paste;
