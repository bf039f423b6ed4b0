// The dispatcher's slots filled with the parts that are built: the entry
// operations, the selection marks and the file clipboard; and the entry and
// folder menus the right button asks for.
#include "browser/commands.h"
#include "browser/app_hooks.h"
#include "browser/archive_folder.h"
#include "browser/browser_list.h"
#include "browser/entry_ops.h"
#include "browser/file_clipboard.h"
#include "browser/keys.h"
#include "browser/numbering.h"
#include "browser/op_hooks.h"
#include "browser/selection.h"
#include "files/files.h"

namespace {
int new_entry(int id, int, char*) { return id == 246 ? write_folder_listing() : create_new_entry(id); }
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

// The clipboard is closed on every way out, whatever the paste did.
int paste(int id, int, char* name)
{
    clipboard_read_state s;
    clipboard_files_open(&s);
    int done = id == 127 ? paste_files(&s) : id == 129 ? paste_shortcuts(&s) : paste_folders_only(&s);
    clipboard_files_close(&s);
    if (done && name) text_copy(name, PATH_BUF, last_paste.first_name);
    return done;
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
    case 120: clear_selection(); break;
    case 121: select_all_and_redraw(0); break;
    case 122: select_all_and_redraw(1); break;
    case 162: toggle_mark(index); break;
    case 335: select_range_to(index); break;
    default: return 0;
    }
    return 1;
}

int move_into(int, int index, char*) { return move_selected_into(index); }
int shell_verb(int id, int index, char*) { return open_entry_with_program(index, id - 340); }

int write_back(int, int, char*) { return browser_op_hooks.write_back_archive(), 0; }
int read_only(int, int, char*) { return browser_op_hooks.archive_read_only(); }
int prefixes_on(int, int, char*) { return browser_op_hooks.number_order(); }

int (*edit_missing)(int, int, char*);
// The rename editors: 330 without, 331 with the number part.
int edit_in_list(int id, int index, char* name)
{
    char renamed[PATH_BUF] = "";
    if (id == 330 || id == 331) {
        if (!browser_op_hooks.rename_in_list(index, id - 330, renamed)) return 0;
        if (name) text_copy(name, PATH_BUF, renamed);
        return 1;
    }
    return edit_missing(id, index, name);
}

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
    if (id < 151 || id > 154 || !entry_path(index, path)) return 0;
    return compress_selection(path, extensions[id - 151]);
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
    h.paste = paste;
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
    if (h.edit_in_list != edit_in_list) edit_missing = h.edit_in_list;
    h.edit_in_list = edit_in_list;
    browser_op_hooks.build_entry_menu = entry_menu;
    browser_op_hooks.build_folder_menu = folder_menu;
    install_edit_parts();
}
