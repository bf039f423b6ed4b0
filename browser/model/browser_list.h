// The browser's one state record: page and menus, pass state, listing bytes
// and colours, grid layout, entries, caches, toolbar, settings, history and
// selection. It is constant-initialised (all zero) and given its defaults by
// browser_list_init, called once at start-up in a fixed order.
#pragma once
#include <windows.h>
#include "browser/model/file_kind.h"
#include "browser/model/settings.h"
#include "browser/model/name_list.h"

// A menu built in code: its handle, item count and item texts.
struct browser_menu {
    HMENU handle;
    int count;
    name_list texts;
};
// Clears the item texts and deletes every item by position.
void destroy_browser_menu(browser_menu* menu);

enum {
    PASS_STATUS_BUF = 256,
    TOOLBAR_BUTTONS = 100,
    TOOLBAR_FIXED = 50,
    BROWSER_COLOURS = 8,
    DEFAULT_BUSY_TIME = 1500
};

// Colour roles of browser_list.colours.
enum {
    COLOUR_BK = 0,
    COLOUR_SEL,
    COLOUR_FILE,
    COLOUR_LINK,
    COLOUR_SYS,
    COLOUR_DATE,
    COLOUR_OUT,
    COLOUR_TXT,
};

struct browser_list_record {
    // 1. page and menus
    int page;
    browser_menu main_menu;
    browser_menu popup;
    // 2. pass state of long operations
    int reload_counter;
    int pass_running;
    DWORD pass_clock;
    int busy_time;
    char pass_status[PASS_STATUS_BUF];
    // 3. listing state, display and sort bytes, colours
    int tree_depth, tree_flag;
    int tree_all_levels;  // the expansion asked for all levels (see set_tree_expansion)
    unsigned char time, timetrans, fldfirst;
    unsigned char sort_key[2];
    signed char sort_direction;
    int use_lzh[4];
    int countfile, countfile_limit;
    int picext, startfolder, checkdisp;
    int bits_per_pixel;
    COLORREF colours[BROWSER_COLOURS];  // background first
    // 4. grid layout
    int left_margin, top_margin, columns, rows, per_page, count;
    double thumb_size;
    int label_gap;
    double cell_width, cell_height;
    int label_height, page_count, first_row, last_shown;
    double drawn_size;       // the thumbnail size taken at the last layout
    int saved_size;          // the size the settings files hold (0: none), read at start and on saving
    int last_row;            // (count - 1) / columns
    int cache_working_size;  // thumbnails the memory cache keeps at this size
    // 5. entries
    char** names;        // into the listing's name list
    file_kind* records;  // count records
    unsigned char* cut_marks;
    name_list more_names;
    // 6. thumbnail caches (owned by the caches)
    void* thumb_cache;
    void* thumb_folder;
    // 7. toolbar: the top line's buttons (path components, then tree levels
    // and the tree end), its fixed buttons and the left strip's buttons
    COLORREF toolbar_colour;
    int button_left[TOOLBAR_BUTTONS], button_right[TOOLBAR_BUTTONS];
    int button_count;  // path components
    int fixed_left[TOOLBAR_FIXED], fixed_right[TOOLBAR_FIXED];
    int strip_top[TOOLBAR_FIXED], strip_bottom[TOOLBAR_FIXED];
    int strip_numbers;  // column-count buttons below the five fixed ones
    int level_count;    // tree-level buttons after the path
    // 8. settings: the live values of the options no other group keeps
    // (hidden, all, textpic, curstop, the full-screen colours, text previews;
    // the slide show's interval, nonstop and square are the viewer's), the
    // record the files gave at start, and the defaults (the state before any
    // file was read)
    settings_record settings;
    settings_record loaded_settings, default_settings;
    // 9. navigation history (owned by the history)
    void* history;
    // 10. selection
    int selected_count;
    unsigned char* marks;
    int stop_index;
};
extern browser_list_record browser_list;

// Every field of a state record to its default (zero unless listed).
void browser_list_defaults(browser_list_record& l);
// Gives the record its defaults, then builds what depends on them (image
// kinds, popup menu, thumbnail cache, history). Runs once; the exit handler
// is registered with it.
void browser_list_init();
// Frees the record at exit: records, selection, history saved, cache index,
// names, menus.
void browser_list_exit();
// Switches the IME of the browser page's window off.
void ime_off();

// The folder tree's expansion: 0 none, n > 0 that many levels, -1 all of
// them. The scan makes tree_depth the levels the listing opened, so that one
// level folds at a time; the request for all is kept beside it, and one more
// level from all of them is none.
void set_tree_expansion(int state);
int tree_expansion();
// Whether the current folder has subfolders: the listing holds folder names,
// or a tree opened at least one level (a tree open to its last level holds
// none).
int folder_has_subfolders();

// Replaces the entries with a new list (the record array is made fresh).
void browser_list_set_entries(char** names, int count);
file_kind* list_entry_kind(int index);
// The entry's path or name as its record's name() gives it (out: PATH_BUF),
// without classifying the entry, which reads the file: 1 when it fit.
int list_entry_name(int index, char* out);
int last_visible_index();
