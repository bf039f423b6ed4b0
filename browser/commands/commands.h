// The command dispatcher: every menu item, accelerator, key and click of the
// browser becomes one integer command identifier, carried out here. The
// identifier table below holds each command's help text (shown in the status
// line while its menu item is highlighted), its guard and its action.
#pragma once
#include <windows.h>
#include "browser/model/command_ids.h"

// Guards of a command row: which state it acts in.
enum command_guard {
    GUARD_NONE = 0,
    GUARD_NAV = 1,   // not in a slide show and not full screen
    GUARD_LIST = 2,  // list mode only
    // Changes the shown folder: refused, with the reason, inside an archive
    // folder whose archive cannot be written back.
    GUARD_WRITES = 4,
};
// Groups, in the order the dispatcher tests them; entry commands need entries.
enum command_group { GROUP_APP, GROUP_DISPLAY, GROUP_ENTRY };

// The call a row's action receives.
struct command_call {
    int id;         // the identifier
    int index;      // the entry the command acts on
    HWND window;    // the window that received the command
    LPARAM lparam;  // 1: a click in the grid
};

struct command_row {
    int first, last;  // identifiers first..last
    command_group group;
    int guard;                // command_guard bits
    const char* help;         // null: no help text
    const char* help_viewer;  // in one-image mode, when it differs; else null
    void (*action)(const command_call& c);
};
// The table in test order, and its length.
extern const command_row command_table[];
extern const int command_table_rows;
// The row that carries id, or null.
const command_row* find_command_row(int id);

// The help text of id for the current state (cap bytes); 0 when it has none.
int command_help_text(int id, char* out, size_t cap);

// The dispatcher: message is WM_COMMAND or WM_MENUSELECT. The result carries nothing.
int browser_command(int index, HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Shared by the dispatcher and the menus: the list holds entries; the drive
// list is shown; the current folder is an archive folder that cannot be
// written back.
int list_has_entries();
int at_drive_list();
int in_read_only_archive();

// ---- Menus built in code ----
struct menu_handles {
    HMENU bar, file, edit, view, size, slide, tree, history, help;
    HMENU new_window, new_item, cache, initial, cursor;
};
extern menu_handles browser_menus;
void build_main_menu(HWND window);
// The WM_INITMENUPOPUP handler: texts, checks and enabled states; 1.
int update_menu_state(HMENU popup, HWND window);
// The window's WM_INITMENUPOPUP: the menu state updated, the system menu left alone.
int on_init_menu_popup(HWND window, WPARAM wparam, LPARAM lparam);
HMENU build_drive_menu(const char* path, HMENU popup, int first_id);
void build_new_window_menu(HMENU popup);
HMENU build_cursor_menu();
void build_tree_menu();
void build_size_menu(HMENU popup);
void clear_menu(HMENU popup);
void enable_all_menu_items(HMENU popup, int enable);
// The right-button menu of entry i: made, or filled into menu.
HMENU build_file_context_menu(int index);
void fill_file_context_menu(HMENU menu, int index);
// The subfolders of folder into menu, from command 1000 on.
void fill_folder_menu(HMENU menu, const char* folder);

// ---- Send-to ----
enum { SEND_TO_ACTING = 20, SEND_TO_COMMAND_CAP = 32000 };
// Fills popup with the Send-to folder's entries (".mapimail" left out) and
// keeps their paths; the number of items.
int fill_send_to_menu(HMENU popup);
// Sends the entry and the selection to target id - 5200; 1 when the target
// was there.
int run_send_to(int id, const char* entry_name);
// The command line of a program target for the files (quoted when they hold
// a blank); 0 when it would pass the cap (nothing is cut).
int send_to_command_line(const char* target, const char* const* files, int count, char* out, size_t cap);
