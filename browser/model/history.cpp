// The navigation history: the file, pushes, steps back and forward, and the
// selection marks remembered per folder. Slots are kept in push order; the
// order list (oldest first) is rebuilt from the position before each use.
#include "browser/model/history.h"
#include "browser/model/archive_work.h"
#include "browser/model/browser_list.h"
#include "browser/model/paths.h"
#include "base/cptext.h"
#include "base/holders.h"
#include <cstdio>
#include <cstring>

history_state browser_history;

static bool sound_block(const history_block& b)
{
    if (b.version != HISTORY_VERSION || b.position < 0 || b.position >= HISTORY_SLOTS) return false;
    for (const history_entry& e : b.entries)
        if (!memchr(e.path, 0, sizeof e.path) || e.selected_count < 0 || e.item_count < 0) return false;
    return true;
}

int read_history_file(const char* path, history_block* out)
{
    c_file file(fopen(path, "rb"));
    if (!file) return 0;
    static history_block read;  // too large for the stack of a window procedure
    size_t got = fread(&read, 1, sizeof read, file.get());
    bool longer = fgetc(file.get()) != EOF;
    if (got != sizeof read || longer || !sound_block(read)) return 0;
    memcpy(out, &read, sizeof read);
    return 1;
}

int write_history_file(const char* path, const history_block* block)
{
    DeleteFileA(path);
    FILE* f = fopen(path, "wb");
    if (!f) return 0;
    bool ok = fwrite(block, 1, sizeof *block, f) == sizeof *block;
    ok = fclose(f) == 0 && ok;  // closed here: a failed close is a failed write
    return ok ? 1 : 0;
}

static void clear_history()
{
    memset(&browser_history.block, 0, sizeof browser_history.block);
    memset(&browser_history.scratch, 0, sizeof browser_history.scratch);
    browser_history.block.version = HISTORY_VERSION;
}

void load_history()
{
    history_state& h = browser_history;
    browser_list.history = &h;
    clear_history();
    if (!user_temp_folder(h.path, "history")) h.path[0] = 0;
    if (h.path[0]) read_history_file(h.path, &h.block);
}

void save_history()
{
    if (browser_history.path[0]) write_history_file(browser_history.path, &browser_history.block);
}

// Used slots from the one after the position round to the position: oldest first.
static int build_order()
{
    history_block& b = browser_history.block;
    int n = 0;
    for (int i = 1; i <= HISTORY_SLOTS; i++) {
        int slot = (b.position + i) % HISTORY_SLOTS;
        if (b.entries[slot].path[0]) b.order[n++] = static_cast<uint8_t>(slot);
    }
    return n;
}

// The path the history keeps for a folder: an archive folder by the
// archive's own path, never by this instance's work folder.
void history_kept_path(const char* folder, char* out)
{
    if (!archive_shown_folder(folder, out)) text_copy(out, PATH_BUF, folder);
}

static int find_slot(const char* path)
{
    char kept[PATH_BUF];
    history_kept_path(path, kept);
    for (int i = 0; i < HISTORY_SLOTS; i++)
        if (browser_history.block.entries[i].path[0] && strcmp(browser_history.block.entries[i].path, kept) == 0)
            return i;
    return -1;
}

static void remove_slot(int slot)
{
    history_entry* e = browser_history.block.entries;
    memmove(e + slot, e + slot + 1, (HISTORY_SLOTS - 1 - slot) * sizeof *e);
    memset(e + HISTORY_SLOTS - 1, 0, sizeof *e);
}

void store_history_selection(history_entry* e)
{
    const browser_list_record& l = browser_list;
    e->selected_count = l.selected_count;
    e->item_count = l.count;
    memset(e->marks, 0, sizeof e->marks);
    int n = l.count < HISTORY_MARK_ITEMS ? l.count : HISTORY_MARK_ITEMS;
    for (int i = 0; l.marks && i < n; i++)
        if (l.marks[i]) e->marks[i / 8] |= static_cast<uint8_t>(1 << (i % 8));
}

void record_history_selection()
{
    int slot = history_position(current_folder.folder);
    if (slot >= 0) store_history_selection(&browser_history.block.entries[slot]);
}

int history_push(int update_in_place, int keep_display)
{
    history_state& h = browser_history;
    history_block& b = h.block;
    cache_current_dir();
    int found = find_slot(current_folder.folder);
    if (found >= 0)
        h.scratch = b.entries[found];
    else
        memset(&h.scratch, 0, sizeof h.scratch);
    int slot;
    if (update_in_place && found >= 0) {
        slot = found;
    } else if (found >= 0) {
        remove_slot(found);
        slot = b.position;
    } else if (b.position >= HISTORY_SLOTS - 1) {
        remove_slot(0);
        slot = b.position = HISTORY_SLOTS - 1;
    } else {
        slot = ++b.position;
    }
    history_entry& e = b.entries[slot];
    e = h.scratch;
    memset(e.path, 0, sizeof e.path);
    history_kept_path(current_folder.folder, e.path);
    e.personal_length = current_folder.personal_length;
    e.desktop = current_folder.desktop_exact;
    e.drive_list = static_cast<uint8_t>(current_folder.drive_list ? 1 : 0);
    if (!keep_display) {
        const browser_list_record& l = browser_list;
        e.first_shown = l.first_row * l.columns;
        e.depth = static_cast<int8_t>(l.tree_depth);
        if (l.selected_count) store_history_selection(&e);
    }
    return h.scratch.first_shown;
}

int history_push_entered()
{
    int first = history_push(0, 1);
    set_tree_expansion(browser_history.scratch.depth);
    return first;
}

int history_update_entered()
{
    int first = history_push(1, 1);
    set_tree_expansion(browser_history.scratch.depth);
    return first;
}

// The order position of the current folder, or -1.
static int current_position(int count)
{
    cache_current_dir();
    char here[PATH_BUF];
    history_kept_path(current_folder.folder, here);
    for (int i = 0; i < count; i++)
        if (strcmp(browser_history.block.entries[browser_history.block.order[i]].path, here) == 0) return i;
    return -1;
}

// Enters the folder of an order position; a folder that is gone leaves
// everything as it was.
static int enter(int position, bool push, int (*enter_path)(const char*))
{
    char path[PATH_BUF];
    const history_entry& e = browser_history.block.entries[browser_history.block.order[position]];
    text_copy(path, e.path);
    int depth = e.depth;
    if (!enter_path(path)) return 0;
    if (push) {
        history_push(0, 1);
        depth = browser_history.scratch.depth;
    }
    set_tree_expansion(depth);
    return 1;
}

int history_go(int which, int (*enter_path)(const char*))
{
    int count = build_order();
    if (count == 0) return 0;
    if (which < 0) which = count - 1;
    if (which < 100) return which < count ? enter(which, true, enter_path) : 0;
    int here = current_position(count);
    if (here < 0) return 0;
    if (which == HISTORY_GO_BACK) return here > 0 ? enter(here - 1, false, enter_path) : 0;
    if (which == HISTORY_GO_FORWARD) return here + 1 < count ? enter(here + 1, false, enter_path) : 0;
    return 0;
}

int history_nav_flags()
{
    int count = build_order();
    int here = current_position(count);
    if (here < 0) return 0;
    return (here > 0 ? 1 : 0) | (here + 1 < count ? 2 : 0);
}

int history_position(const char* path) { return path ? find_slot(path) : -1; }

int history_depth_of(const char* path)
{
    int slot = find_slot(path);
    return slot < 0 ? -1 : browser_history.block.entries[slot].depth;
}

void restore_history_selection()
{
    browser_list_record& l = browser_list;
    cache_current_dir();
    int slot = find_slot(current_folder.folder);
    if (slot < 0 || !l.marks) return;
    const history_entry& e = browser_history.block.entries[slot];
    if (e.item_count != l.count) return;
    int n = l.count < HISTORY_MARK_ITEMS ? l.count : HISTORY_MARK_ITEMS;
    for (int i = 0; i < n; i++) {
        unsigned char on = (e.marks[i / 8] >> (i % 8)) & 1;
        if (on && !l.marks[i]) l.selected_count++;
        if (!on && l.marks[i]) l.selected_count--;
        l.marks[i] = on;
    }
}

int has_history_selection()
{
    cache_current_dir();
    int slot = find_slot(current_folder.folder);
    return slot >= 0 && browser_history.block.entries[slot].selected_count != 0 ? 1 : 0;
}

// The order list for the menu, rebuilt; the menu part reads it through this.
int history_order(const uint8_t** order)
{
    int n = build_order();
    *order = browser_history.block.order;
    return n;
}
