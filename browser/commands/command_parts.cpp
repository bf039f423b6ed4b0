// The dispatcher's slots filled with the parts that are built: the entry
// operations, the selection marks and the file clipboard; and the entry and
// folder menus the right button asks for.
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
int new_entry(int id, int, char*) { return id == CM_FOLDER_LISTING ? write_folder_listing() : create_new_entry(id); }
int expand_all(int, int, char*) { return confirm_expand_all(-1, 1), 1; }

// 2 when the clipboard's files were cut, 1 copied, 0 none.
int clipboard_holds(int, int, char*)
{
    clipboard_read_state s;
    clipboard_files_open(&s);
    int n = clipboard_query_files(&s) > 0 ? (s.cut ? 2 : 1) : 0;
    clipboard_files_close(&s);
    return n;
}

// A copy leaves the files where they are and clears the marks.
int copy_files(int, int, char*)
{
    if (!copy_or_cut_to_clipboard(0)) return 0;
    clear_selection();
    return 1;
}
int cut_files(int, int, char*)
{
    if (!copy_or_cut_to_clipboard(1)) return 0;
    reload_keep_selection(browser_list.first_row * browser_list.columns, 1);
    return 1;
}
int delete_files(int, int, char*) { return recycle_selected(); }

int selection(int id, int index, char*)
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

int move_into(int, int index, char*) { return move_selected_into(index); }
int shell_verb(int id, int index, char*) { return open_entry_with_program(index, id - CM_SHELL_VERB_FIRST); }

int write_back(int, int, char*) { return browser_op_hooks.write_back_archive(), 0; }
int read_only(int, int, char*) { return browser_op_hooks.archive_read_only(); }
int prefixes_on(int, int, char*) { return browser_op_hooks.number_order(); }

void entry_menu(HMENU menu, int index) { fill_file_context_menu(menu, index); }
// The selection goes to the print dialog as a print job: entry count, marks,
// number selected and names (the printing library fills the slot).
int print_selection(int, int, char*)
{
    const browser_list_record& l = browser_list;
    return browser_app_hooks.print_selection(l.count, l.marks, l.selected_count, l.names);
}

// The archive commands on the entry at index (its path, a trailing
// backslash removed) and on the archive shown as the current folder.
int entry_path(int index, char* path)
{
    if (!entry_full_path(index, path)) return 0;
    remove_backslash(path);
    return 1;
}
int archive_password(int, int, char*) { return set_archive_password(); }
int archive_extract(int, int index, char*)
{
    char path[PATH_BUF];
    return entry_path(index, path) && extract_archive(path);
}
int archive_sfx(int, int index, char*)
{
    char path[PATH_BUF];
    return entry_path(index, path) && make_self_extracting(path);
}
int archive_pack(int id, int index, char*)
{
    static const char* const extensions[] = {".lzh", ".zip", ".cab", ".gz"};
    char path[PATH_BUF];
    if (id < CM_PACK_FIRST || id > CM_PACK_LAST || !entry_path(index, path)) return 0;
    return compress_selection(path, extensions[id - CM_PACK_FIRST]);
}
int in_archive(int, int, char*) { return in_archive_folder(); }
int kind_available(int, int kind, char*)
{
    static const char* const names[] = {"x.lzh", "x.zip", "x.cab", "x.tgz"};
    return kind >= 0 && kind < 4 ? archive_kind_available(names[kind]) : 0;
}
int version_texts(int, int, char* out)
{
    list_archiver_versions(out, PATH_BUF);
    return 1;
}

void folder_menu(HMENU menu, const char* folder)
{
    char path[PATH_BUF];
    if (path_join(path, sizeof path, folder, "dummy")) build_drive_menu(path, menu, 1000);
}
}  // namespace

void install_command_parts()
{
    command_hook_table& h = command_hooks;
    h.new_entry = new_entry;
    h.expand_all = expand_all;
    h.clipboard_open = clipboard_holds;
    h.copy_files = copy_files;
    h.cut_files = cut_files;
    h.delete_files = delete_files;
    h.selection = selection;
    h.move_into = move_into;
    h.shell_verb = shell_verb;
    h.write_back_archive = write_back;
    h.archive_read_only = read_only;
    h.prefixes_on = prefixes_on;
    h.print_dialog = print_selection;
    h.archive_password = archive_password;
    h.archive_extract = archive_extract;
    h.archive_sfx = archive_sfx;
    h.archive_pack = archive_pack;
    h.in_archive_folder = in_archive;
    h.archive_kind_available = kind_available;
    h.version_texts = version_texts;
    browser_op_hooks.build_entry_menu = entry_menu;
    browser_op_hooks.build_folder_menu = folder_menu;
}
