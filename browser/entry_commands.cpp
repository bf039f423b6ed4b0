// The commands of the keys, the selection, the file clipboard and the entry
// operations, carried out before the command dispatcher sees the rest. The
// dispatcher itself is not built yet: every other command goes on to the
// dispatch slot that was there before.
#include "browser/entry_ops.h"
#include "browser/file_clipboard.h"
#include "browser/keys.h"
#include "browser/list_view.h"
#include "browser/op_hooks.h"
#include "browser/browser_list.h"
#include "browser/selection.h"
#include "browser/window_hook.h"

namespace {
int (*next_dispatch)(int, HWND, UINT, WPARAM, LPARAM);

void paste(int id)
{
    clipboard_read_state s;
    clipboard_files_open(&s);
    int done = id == CM_PASTE             ? paste_files(&s)
               : id == CM_PASTE_SHORTCUTS ? paste_shortcuts(&s)
                                          : paste_folders_only(&s);
    clipboard_files_close(&s);
    if (!done) return;
    reload_at_name(last_paste.first_name, 0);
    browser_op_hooks.write_back_archive();
}

int entry_dispatch(int index, HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    int id = LOWORD(wp);
    switch (id) {
    case CM_CLEAR_MARKS: clear_selection(); return 1;
    case CM_SELECT_ALL: select_all_and_redraw(0); return 1;
    case CM_SELECT_ALL_FILTERED: select_all_and_redraw(1); return 1;
    case CM_MARK_ENTRY: toggle_mark(index); return 1;
    case CM_MARK_RANGE: select_range_to(index); return 1;
    case CM_COPY: copy_or_cut_to_clipboard(0); return 1;
    case CM_CUT:
        if (copy_or_cut_to_clipboard(1)) reload_keep_selection(browser_list.first_row * browser_list.columns, 1);
        return 1;
    case CM_PASTE:
    case CM_PASTE_SHORTCUTS:
    case CM_PASTE_FOLDERS: paste(id); return 1;
    case CM_NEW_FOLDER:
    case CM_NEW_TEXT: create_new_entry(id); return 1;
    case CM_FOLDER_LISTING: write_folder_listing(); return 1;
    case CM_RECYCLE: recycle_selected(); return 1;
    default: return next_dispatch(index, w, m, wp, lp);
    }
}
}  // namespace

void install_entry_commands()
{
    if (browser_ui_hooks.dispatch == entry_dispatch) return;
    next_dispatch = browser_ui_hooks.dispatch;
    browser_ui_hooks.dispatch = entry_dispatch;
}
