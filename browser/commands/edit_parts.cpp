// The renames, in-list editors, small dialogs, saving, scanning and colour
// count plugged into the dispatcher's and the entry operations' slots.
#include "browser/model/browser_list.h"
#include "browser/commands/commands.h"
#include "browser/operations/image_save.h"
#include "browser/operations/inplace_edit.h"
#include "browser/model/numbering.h"
#include "browser/model/op_hooks.h"
#include "browser/operations/small_dialogs.h"
#include "browser/model/paths.h"
#include "files/files.h"
#include "formats/formats.h"
#include "graphics/kavtrel.h"

namespace {
void give_name(char* name, const char* text)
{
    if (name) text_copy(name, PATH_BUF, text);
}

int search(int, int, char*) { return open_search_dialog(), 1; }

int batch_rename(int, int, char* name)
{
    if (!batch_rename_command()) return 0;
    give_name(name, renamed_first_name);
    return 1;
}

int number_prefixes(int, int, char* name)
{
    if (!number_prefix_command()) return 0;
    give_name(name, number_order_on() ? renamed_first_name : "");
    return 1;
}

int save_as(int, int index, char*)
{
    if (index < 0 || index >= browser_list.count) return 0;
    return save_image_as_format(browser_list.names[index]);
}

int count_colours(int, int index, char*)
{
    char path[PATH_BUF];
    if (index < 0 || index >= browser_list.count || !full_path(path, sizeof path, browser_list.names[index])) return 0;
    return count_image_colours(path) != 0;
}

HWND main_frame()
{
    HWND child = _page_hwnd(browser_list.page);
    return child ? GetParent(child) : nullptr;
}

// 195 lets the user choose the scanner's source; 196 scans into the shown folder.
int scanner(int id, int, char* name)
{
    if (id == CM_SCAN_SOURCE) return load_twain_dsm(main_frame()) && open_twain_dsm(1);
    if (id != CM_SCAN) return 0;
    char out[PATH_BUF];
    if (!scan_to_file(out)) return 0;
    give_name(name, out);
    return 1;
}

int size_dialog(int, int current, char*) { return open_thumb_size_dialog(current); }
int cache_dialog(int, int, char*) { return open_cache_dialog(); }

// The in-list editors: the rename (330 without, 331 with the number part)
// and the time stamp (332).
int edit_in_list(int id, int index, char* name)
{
    if (id == CM_TIME_STAMP) return edit_time_command(index);
    if (id != CM_RENAME && id != CM_RENAME_WITH_NUMBER) return 0;
    char renamed[PATH_BUF] = "";
    if (!rename_entry_command(index, id - CM_RENAME, renamed)) return 0;
    give_name(name, renamed);
    return 1;
}

int rename_in_list(int index, int mode, char* new_path) { return rename_entry_command(index, mode, new_path); }

int add_prefix(int position) { return move_selection_numbered(position); }
void renumber(int mode, int) { strip_number_prefix(browser_list.names, browser_list.count, mode); }
}  // namespace

void install_edit_parts()
{
    command_hook_table& h = command_hooks;
    h.search_dialog = search;
    h.batch_rename = batch_rename;
    h.number_prefixes = number_prefixes;
    h.save_as = save_as;
    h.count_colours = count_colours;
    h.scanner = scanner;
    h.size_dialog = size_dialog;
    h.cache_dialog = cache_dialog;
    h.edit_in_list = edit_in_list;
    browser_op_hook_table& o = browser_op_hooks;
    o.rename_in_list = rename_in_list;
    o.add_number_prefix = add_prefix;
    o.renumber = renumber;
    o.number_order = number_order_on;
}
