// Navigation started by the toolbar line and the keys: the special folders,
// the segments of the current path, and the folder-tree switch (see keys.h).
#include "browser/archives/archive_folder.h"
#include "browser/commands/keys.h"
#include "browser/commands/instances.h"
#include "browser/model/browser_list.h"
#include "browser/operations/entry_ops.h"
#include "browser/grid/list_view.h"
#include "browser/commands/commands.h"
#include "browser/model/paths.h"
#include "browser/model/start.h"
#include "browser/commands/toolbar.h"
#include "files/files.h"
#include "browser/model/history.h"
#include "browser/viewer/viewer.h"

static browser_list_record& L = browser_list;

int next_expand_state(int state, int requested, int can_show)
{
    if (requested == -2) return -1;
    if (requested == -1) return state == 0 ? (can_show ? -1 : 0) : 0;
    if (requested == 0) return state == 0 ? (can_show ? 1 : 0) : 0;
    return requested;
}

void confirm_expand_all(int requested, int ask)
{
    int state = L.tree_depth;
    if (L.count <= 0 && state == 0) return;
    int next = next_expand_state(state, requested, L.count > 0);
    if (ask && current_folder.drive_list && next == -1 &&
        msg_yesno("ZOTE ｺﾏﾝﾄﾞ確認", "%s", "本当にﾏｲｺﾝﾋﾟｭｰﾀを全展開しますか?") != 1)
        return;
    set_tree_expansion(next);
    // From the list the entry under the mouse stays in view; the viewer (its
    // toolbar's tree levels) is left for the page of the entry it showed.
    char name[PATH_BUF] = "";
    int i = viewer_now.mode == VIEWER_MODE_LIST ? entry_under_mouse(nullptr) : viewer_now.current_index;
    if (i >= 0 && i < L.count && L.names) text_copy(name, L.names[i]);
    leave_viewer(viewer_state);
    reload_at_name(name, 0);
    history_push(1, 0);  // the position and the new depth recorded in place
}

// Enters target, or opens it in a new window with Ctrl.
static void go_to(WPARAM flags, const char* target)
{
    if (flags & MK_CONTROL) {
        open_folder_on_ctrl_release(target);
        return;
    }
    history_push(0, 0);
    if (!change_folder(target)) return;
    int first = history_push_entered();
    leave_viewer(viewer_state);
    load_folder(nullptr, 0, first, nullptr, 0);
}

// The parent of the current folder as the browser goes up: the Desktop from
// the drive list and the Personal folder, the drive list from a drive root.
static int parent_target(char* out)
{
    if (current_folder.desktop_exact) return 0;
    if (current_folder.drive_list || current_folder.personal_exact) return get_special_folder("Desktop", out);
    if (is_drive_root(current_folder.folder)) return text_copy(out, PATH_BUF, "\\");
    char parent[PATH_BUF];
    if (!parent_folder(current_folder.folder, parent)) return 0;
    if (!is_drive_root(parent)) remove_backslash(parent);
    return text_copy(out, PATH_BUF, parent);
}

void goto_special_folder(WPARAM flags, int which)
{
    char target[PATH_BUF] = "";
    bool found = false;
    switch (which) {
    case 1: found = get_special_folder("Desktop", target); break;
    case 2: found = get_special_folder("Personal", target); break;
    case 3: found = !current_folder.drive_list && text_copy(target, "\\"); break;
    case 4:
        found = !current_folder.drive_list && current_folder.folder[0] && text_copy(target, "c:\\");
        if (found) target[0] = current_folder.folder[0];
        break;
    case 5: found = parent_target(target) != 0; break;
    default: break;
    }
    if (found && target[0]) go_to(flags, target);
}

int path_segment_folder(int n, char* out)
{
    if (n < 1 || current_folder.drive_list) return 0;
    char path[PATH_BUF];
    toolbar_shown_path(path);
    int seen = 0;
    const char* p = path;
    for (; *p; p = mb_next(p)) {
        if (*p != '\\') continue;
        if (++seen == n) break;
    }
    if (seen < n && !(seen == n - 1 && !*p && p > path && *mb_last(path) != '\\')) return 0;
    size_t length = size_t(p - path);
    if (n == 1 && *p == '\\') length++;  // a drive root keeps its backslash
    return text_copy_n(out, PATH_BUF, path, length) ? 1 : 0;
}

void goto_path_segment(int n, WPARAM flags)
{
    char folder[PATH_BUF];
    if (path_segment_folder(n, folder)) go_to(flags, folder);
}

void path_segment_menu(int n, HMENU menu)
{
    char folder[PATH_BUF];
    if (path_segment_folder(n, folder)) fill_folder_menu(menu, folder);
}
