// The parts behind the entry operations, the selection marks, the file
// clipboard and the archive commands; and the entry and folder menus the
// right button asks for.
#include "browser/commands/command_parts.h"
#include "browser/operations/archive_commands.h"
#include "browser/commands/commands.h"
#include "browser/model/app_hooks.h"
#include "browser/archives/archive_folder.h"
#include "browser/model/browser_list.h"
#include "browser/operations/entry_ops.h"
#include "browser/operations/file_clipboard.h"
#include "browser/commands/keys.h"
#include "browser/model/numbering.h"
#include "browser/model/op_hooks.h"
#include "browser/grid/selection.h"
#include "files/files.h"

namespace {
void entry_menu(HMENU menu, int index) { fill_file_context_menu(menu, index); }

void folder_menu(HMENU menu, const char* folder)
{
    char path[PATH_BUF];
    if (path_join(path, sizeof path, folder, "dummy")) build_drive_menu(path, menu, 1000);
}

// The archive commands' entry: its path, a trailing backslash removed.
int entry_path(int index, char* path)
{
    if (!entry_full_path(index, path)) return 0;
    remove_backslash(path);
    return 1;
}
}  // namespace

int make_new_entry(int id) { return id == CM_FOLDER_LISTING ? write_folder_listing() : create_new_entry(id); }

int clipboard_holds_files()
{
    clipboard_read_state s;
    clipboard_files_open(&s);
    int n = clipboard_query_files(&s) > 0 ? (s.cut ? 2 : 1) : 0;
    clipboard_files_close(&s);
    return n;
}

// A copy leaves the files where they are and clears the marks.
int copy_selection_to_clipboard()
{
    if (!copy_or_cut_to_clipboard(0)) return 0;
    clear_selection();
    return 1;
}
int cut_selection_to_clipboard()
{
    if (!copy_or_cut_to_clipboard(1)) return 0;
    reload_keep_selection(browser_list.first_row * browser_list.columns, 1);
    return 1;
}

int change_selection(int id, int index)
{
    switch (id) {
    case CM_CLEAR_MARKS: clear_selection(); break;
    case CM_SELECT_ALL: select_all_and_redraw(0); break;
    case CM_SELECT_ALL_FILTERED: select_all_and_redraw(1); break;
    case CM_MARK_ENTRY: toggle_mark(index); break;
    case CM_MARK_RANGE: select_range_to(index); break;
    default: return 0;
    }
    return 1;
}

// The selection goes to the print dialog as a print job: entry count, marks,
// number selected and names (the printing library fills the slot).
int print_selection()
{
    const browser_list_record& l = browser_list;
    return browser_app_hooks.print_selection(l.count, l.marks, l.selected_count, l.names);
}

int extract_entry_archive(int, int index)
{
    char path[PATH_BUF];
    return entry_path(index, path) && extract_archive(path);
}
int make_entry_self_extracting(int, int index)
{
    char path[PATH_BUF];
    return entry_path(index, path) && make_self_extracting(path);
}
int pack_selection(int id, int index)
{
    static const char* const extensions[] = {".lzh", ".zip", ".cab", ".gz"};
    char path[PATH_BUF];
    if (id < CM_PACK_FIRST || id > CM_PACK_LAST || !entry_path(index, path)) return 0;
    return compress_selection(path, extensions[id - CM_PACK_FIRST]);
}
int archive_kind_ready(int kind)
{
    static const char* const names[] = {"x.lzh", "x.zip", "x.cab", "x.tgz"};
    return kind >= 0 && kind < 4 ? archive_kind_available(names[kind]) : 0;
}

void install_command_parts()
{
    browser_op_hooks.build_entry_menu = entry_menu;
    browser_op_hooks.build_folder_menu = folder_menu;
}
