// The navigation history: the last sixteen folders shown, each with the grid
// position, the tree depth, the display bytes and the selection marks set in
// it. It is read whole from the per-user file "history" at start and written
// whole at exit.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include "browser/model/command_ids.h"

enum {
    HISTORY_VERSION = 21,
    HISTORY_SLOTS = 16,
    HISTORY_MARK_ITEMS = 32768,
    HISTORY_GO_BACK = 101,
    HISTORY_GO_FORWARD = 102,
};

struct history_entry {
    int32_t first_shown;      // first shown row x columns
    int8_t depth;             // tree depth
    uint8_t personal_length;  // nonzero inside the Personal folder
    uint8_t desktop;          // the folder is the Desktop
    uint8_t drive_list;       // the entry is the drive list
    char path[260];           // empty: an unused slot
    int32_t selected_count;
    int32_t item_count;                     // of the folder when the marks were stored
    uint8_t marks[HISTORY_MARK_ITEMS / 8];  // item i is bit i % 8 of byte i / 8
};
static_assert(sizeof(history_entry) == 4372, "history entry");
static_assert(offsetof(history_entry, path) == 8, "path");
static_assert(offsetof(history_entry, selected_count) == 268, "selected count");
static_assert(offsetof(history_entry, marks) == 276, "marks");

struct history_block {
    int32_t version;
    int32_t position;  // slot of the newest entry
    history_entry entries[HISTORY_SLOTS];
    uint8_t order[HISTORY_SLOTS];  // rebuilt before use
};
static_assert(sizeof(history_block) == 69976, "history file");
static_assert(offsetof(history_block, entries) == 8, "entries");
static_assert(offsetof(history_block, order) == 69960, "order");

// The block with the entry found by the last push and the file's path.
struct history_state {
    history_block block;
    history_entry scratch;
    char path[260];
};
extern history_state browser_history;

// One pair for the file: the block is taken only when the whole file is
// there and sound (version, size, position, terminated paths); 1 when taken.
int read_history_file(const char* path, history_block* out);
int write_history_file(const char* path, const history_block* block);

// The list's history slots: read at start, written at exit.
void load_history();
void save_history();

int history_push(int update_in_place, int keep_display);
// Both return the first shown index remembered for the folder entered.
int history_push_entered();
int history_update_entered();
// which: 0..99 an order position (0 the oldest), -1 the newest, 101 back,
// 102 forward; enter is the folder change, which opens a recorded archive.
int history_go(int which, int (*enter)(const char* path));
int history_nav_flags();
int history_depth_of(const char* path);
// The slot (0..15) holding the path, or -1: visited folders are drawn darker.
int history_position(const char* path);
// The path the history keeps for a folder (out: PATH_BUF): an archive folder
// by the archive's own path.
void history_kept_path(const char* folder, char* out);
void store_history_selection(history_entry* e);
// The selection into the current folder's entry, when the folder is in the history.
void record_history_selection();
void restore_history_selection();
int has_history_selection();
// The order list (slots, oldest first), rebuilt; returns its length.
int history_order(const uint8_t** order);
void build_history_menu(HMENU menu);
