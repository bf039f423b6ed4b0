// The dispatcher (see commands.h): WM_MENUSELECT shows the help text of the
// highlighted item in the status line; WM_COMMAND finds the identifier's row,
// checks its guard and runs its action.
#include "browser/commands/command_actions.h"
#include "browser/archives/archive_folder.h"
#include "browser/model/browser_list.h"
#include "browser/model/busy.h"
#include "browser/model/paths.h"
#include "browser/viewer/viewer.h"
#include "browser/commands/window_hook.h"
#include "browser/model/name_list.h"
#include "files/files.h"
#include "base/cptext.h"
#include "graphics/kavtrel.h"

int list_has_entries() { return browser_list.count >= 1; }
int at_drive_list() { return current_folder.drive_list != 0; }
int in_read_only_archive() { return archive_is_read_only(); }

static void status_line(const char* text) { _status_printf(browser_list.page, "%s", text); }

static void arrow_and_empty()
{
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    status_line("");
}

static const char* const pack_extensions[4] = {"lzh", "zip", "cab", "gz"};
static const char* const pack_dlls[4] = {"unlha32.dll", "zip32j.dll, zip32.dll(またはizip32j.dll)", "cab32.dll",
                                         "tar32.dll"};

int command_help_text(int id, char* out, size_t cap)
{
    if (id == 65501) return text_copy(out, cap, "このウインドウを閉じます．");
    if (id == 65510) return text_copy(out, cap, "ﾍﾙﾌﾟを表示します．");
    const command_row* row = find_command_row(id);
    if (!row || !row->help) return 0;
    const char* help = row->help;
    if (row->help_viewer && viewer_now.mode == VIEWER_MODE_ONE) help = row->help_viewer;
    if (id >= CM_JUMP_FIRST && id <= CM_JUMP_LAST && jump_entry(0) && is_drive_root(jump_entry(0)))
        help = "ドライブに移動します．Ctrlを押しながら選ぶと新規ウインドウで開きます．";
    if (id == CM_EXPAND_ALL && browser_list.tree_depth != 0) help = "サブフォルダを全て畳みます．";
    if (id == CM_LAYER) {
        int i = window_hook_state.command_index;
        if (i >= 0 && i < browser_list.count && browser_list.names && has_extension(browser_list.names[i], ".layer"))
            help = "画像を重ねない通常のフォルダに戻します．";
    }
    if (id >= CM_COLUMNS_FIRST && id <= CM_COLUMNS_LAST) return text_format(out, cap, help, id - CM_FULL_SIZE);
    if (id >= CM_PACK_FIRST && id <= CM_PACK_LAST)
        return text_format(out, cap, help, pack_extensions[id - CM_PACK_FIRST], pack_dlls[id - CM_PACK_FIRST]);
    return text_copy(out, cap, help);
}

static void on_menu_select(WPARAM wparam)
{
    int id = LOWORD(wparam);
    UINT flags = HIWORD(wparam);
    if (flags & MF_POPUP) return arrow_and_empty();
    if (id == CM_BIGGER || id == CM_SMALLER) return;
    const command_row* row = find_command_row(id);
    char text[512];
    if ((row && row->group == GROUP_ENTRY && !list_has_entries()) || !command_help_text(id, text, sizeof text))
        return arrow_and_empty();
    status_line(text);
}

static bool guard_allows(const command_row& row)
{
    int mode = viewer_now.mode;
    if (row.group == GROUP_ENTRY && !list_has_entries()) return false;
    if ((row.guard & GUARD_NAV) && (mode >= VIEWER_MODE_SLIDE || viewer_now.full_screen)) return false;
    if ((row.guard & GUARD_LIST) && mode != VIEWER_MODE_LIST) return false;
    return true;
}

int browser_command(int index, HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_MENUSELECT) {
        on_menu_select(wparam);
        return 0;
    }
    // Notifications of child controls carry their window in lparam: not commands.
    if (message != WM_COMMAND || (lparam != 0 && lparam != 1)) return 0;
    const command_row* row = find_command_row(LOWORD(wparam));
    if (row && guard_allows(*row) && (!(row->guard & GUARD_WRITES) || archive_change_allowed()))
        row->action(command_call{LOWORD(wparam), index, window, lparam});
    update_cursor();
    return 0;
}

int on_init_menu_popup(HWND window, WPARAM wparam, LPARAM lparam)
{
    if (HIWORD(lparam)) return 0;  // the window's system menu
    update_menu_state(reinterpret_cast<HMENU>(wparam), window);
    return 0;
}
