// The browser's state record and its start and end. Defaults are set by one
// function in a fixed order rather than by static constructors, whose order
// across files the language does not fix.
#include "browser/model/browser_list.h"
#include "browser/model/busy.h"
#include "browser/model/history.h"
#include "browser/model/image_kinds.h"
#include "browser/model/paths.h"
#include "browser/model/scan.h"
#include "graphics/kavtrel.h"
#include <imm.h>
#include <cstdlib>
#include <new>
#include <cstring>

browser_list_record browser_list;

void destroy_browser_menu(browser_menu* menu)
{
    strlist_clear(&menu->texts);
    if (menu->handle)
        while (GetMenuItemCount(menu->handle) > 0 && DeleteMenu(menu->handle, 0, MF_BYPOSITION)) {}
    menu->count = 0;
}

void browser_list_defaults(browser_list_record& l)
{
    memset(&l, 0, sizeof l);
    l.page = 1;
    l.busy_time = DEFAULT_BUSY_TIME;
    l.toolbar_colour = 0xFFDEDE;
    l.time = 0;
    l.timetrans = 1;
    l.fldfirst = 1;
    l.sort_direction = 1;
    static const COLORREF others[BROWSER_COLOURS - 1] = {
        0x808080, 0x000000, 0xFF0000, 0x808080, 0x0080FF, 0x808080, 0x000000,
    };
    l.colours[0] = GetSysColor(COLOR_WINDOW);
    memcpy(l.colours + 1, others, sizeof others);
    l.thumb_size = 128.0;
    for (int& on : l.use_lzh) on = 1;
    l.countfile = -1;
    l.countfile_limit = 50;
    l.startfolder = 1;
    l.picext = 0;
    l.checkdisp = 1;
    l.left_margin = l.top_margin = 20;
    l.label_gap = 14;
    settings_defaults(&l.settings);
}

void browser_list_init()
{
    static bool done = false;
    if (done) return;
    done = true;
    browser_list_defaults(browser_list);
    kavtrel_busy_query = busy_held;
    kavtrel_busy_recover = busy_recover;
    init_image_kinds();
    browser_list.popup.handle = CreatePopupMenu();
    load_history();
    atexit(browser_list_exit);
}

void browser_list_exit()
{
    browser_list_record& l = browser_list;
    delete[] l.records;
    l.records = nullptr;
    l.names = nullptr;
    l.count = 0;
    free(l.marks);
    l.marks = nullptr;
    l.selected_count = 0;
    save_history();
    strlist_clear(&l.more_names);
    strlist_clear(&l.main_menu.texts);
    destroy_browser_menu(&l.popup);
    clear_scan_lists();
}

void set_tree_expansion(int state)
{
    browser_list.tree_depth = state;
    browser_list.tree_all_levels = state < 0 ? 1 : 0;
}

int tree_expansion() { return browser_list.tree_all_levels ? -1 : browser_list.tree_depth; }

int folder_has_subfolders() { return browser_list.tree_flag > 0 || browser_list.tree_depth > 0 ? 1 : 0; }

void browser_list_set_entries(char** names, int count)
{
    browser_list_record& l = browser_list;
    delete[] l.records;
    l.records = nullptr;
    l.names = names;
    l.count = 0;
    if (count > 0 && names) {
        l.records = new (std::nothrow) file_kind[count];
        if (l.records) l.count = count;
    }
}

file_kind* list_entry_kind(int index)
{
    browser_list_record& l = browser_list;
    if (index < 0 || index >= l.count || !l.records) return nullptr;
    find_entry_first_file(index);
    listed_facts facts;
    make_file_kind(l.names[index], &l.records[index], 0, 0, listed_facts_of(index, &facts) ? &facts : nullptr);
    return &l.records[index];
}

int list_entry_name(int index, char* out)
{
    browser_list_record& l = browser_list;
    out[0] = 0;
    if (index < 0 || index >= l.count || !l.records || !l.names) return 0;
    find_entry_first_file(index);
    if (l.records[index].stored_name) return l.records[index].name(out);
    const char* name = l.names[index];
    return is_plain_entry_name(name) ? text_copy(out, PATH_BUF, name) : entry_listed_path(name, out);
}

int last_visible_index()
{
    const browser_list_record& l = browser_list;
    int last = l.first_row * l.columns + l.per_page - 1;
    return last < l.count - 1 ? last : l.count - 1;
}

void ime_off()
{
    HWND w = _page_hwnd(browser_list.page);
    HIMC imc = w ? ImmGetContext(w) : nullptr;
    if (!imc) return;
    ImmSetOpenStatus(imc, FALSE);
    ImmReleaseContext(w, imc);
}
