// The parts behind the entry operations, the selection marks, the file
// clipboard and the archive commands; and the entry and folder menus the
// right button asks for.
#include "browser/commands/command_parts.h"
#include "browser/operations/archive_commands.h"
#include "browser/commands/commands.h"
#include "browser/model/seams.h"
#include "browser/archives/archive_folder.h"
#include "browser/model/browser_list.h"
#include "browser/operations/entry_ops.h"
#include "browser/operations/file_clipboard.h"
#include "browser/commands/keys.h"
#include "browser/model/numbering.h"
#include "browser/grid/selection.h"
#include "browser/viewer/viewer.h"
#include "files/files.h"

void fill_folder_menu(HMENU menu, const char* folder)
{
    char path[PATH_BUF];
    if (path_join(path, sizeof path, folder, "dummy")) build_drive_menu(path, menu, 1000);
}

namespace {
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
    if (clear_selection()) redraw_viewer_status(viewer_state);
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
    int viewer_shown;
    switch (id) {
    case CM_CLEAR_MARKS: viewer_shown = clear_selection(); break;
    case CM_SELECT_ALL: viewer_shown = select_all_and_redraw(0); break;
    case CM_SELECT_ALL_FILTERED: viewer_shown = select_all_and_redraw(1); break;
    case CM_MARK_ENTRY: viewer_shown = toggle_mark(index); break;
    case CM_MARK_RANGE: viewer_shown = select_range_to(index); break;
    default: return 0;
    }
    if (viewer_shown) redraw_viewer_status(viewer_state);
    return 1;
}

// The selection goes to the print dialog as a print job: entry count, marks,
// number selected and names (the printing library behind its seam).
int print_selection()
{
    const browser_list_record& l = browser_list;
    return browser_seams.print_selection(l.count, l.marks, l.selected_count, l.names);
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
    char path[PATH_BUF];
    if (id < CM_PACK_FIRST || id > CM_PACK_LAST || !entry_path(index, path)) return 0;
    return compress_selection(path, compress_extension(id - CM_PACK_FIRST));
}
// A kind is ready when an archive of the extension its commands make can be written.
int archive_kind_ready(int kind)
{
    const char* ext = compress_extension(kind);
    char name[16];
    return ext && text_format(name, sizeof name, "x%s", ext) ? archive_kind_available(name) : 0;
}
