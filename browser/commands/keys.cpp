// The key tables of the list and of the viewer (see keys.h). Keys that act on
// "the entry under the mouse" find nothing unless the pointer lies inside the
// page window and within the centre circle of a cell.
#include "browser/commands/keys.h"
#include "browser/commands/commands.h"
#include "browser/model/browser_list.h"
#include "browser/model/busy.h"
#include "browser/operations/entry_ops.h"
#include "browser/grid/grid.h"
#include "browser/viewer/scroll_view.h"
#include "browser/viewer/viewer.h"
#include "browser/commands/window_hook.h"
#include "graphics/kavtrel.h"

static browser_list_record& L = browser_list;

static bool held(int key) { return GetKeyState(key) < 0; }

static void send(HWND window, int id, LPARAM value = 0) { SendMessageA(window, WM_COMMAND, id, value); }
static void post(HWND window, int id, LPARAM value = 0) { PostMessageA(window, WM_COMMAND, id, value); }

static HWND list_window() { return page_drawing_window(L.page); }

// The mouse position in the list window's client coordinates; 0 when outside it.
static int mouse_in_list(POINT* p)
{
    HWND w = list_window();
    RECT r;
    if (!w || !GetCursorPos(p) || !ScreenToClient(w, p) || !GetClientRect(w, &r)) return 0;
    return PtInRect(&r, *p) ? 1 : 0;
}

int entry_under_mouse(HWND)
{
    POINT p;
    if (!mouse_in_list(&p)) return -1;
    hit_record hit;
    hit_test_list_cell(MAKELPARAM(p.x, p.y), &hit);
    return near_cell_centre(hit) ? hit.index : -1;
}

// M and the Applications key: the right-button menu at the mouse.
static void menu_at_mouse()
{
    POINT p;
    if (mouse_in_list(&p)) SendMessageA(list_window(), WM_RBUTTONDOWN, 0, MAKELPARAM(p.x, p.y));
}

static void enter_key(HWND window)
{
    bool shift = held(VK_SHIFT), ctrl = held(VK_CONTROL);
    if (shift && ctrl)
        post(window, CM_MARK_RANGE, 1);
    else if (shift)
        post(window, CM_MOVE_INTO, 1);
    else if (ctrl)
        post(window, CM_MARK_ENTRY, 1);
    else {
        POINT p;
        if (!GetCursorPos(&p) || !ScreenToClient(list_window(), &p)) return;
        PostMessageA(list_window(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(p.x, p.y));
    }
}

// Keys that act on the entry under the mouse.
static void entry_key(HWND window, int key)
{
    int i = entry_under_mouse(window);
    if (i < 0) return;
    switch (key) {
    case '1': open_viewer(i, 0, 0); break;
    case 'F': open_viewer(i, 0, 1); break;
    case 'O': open_entry_with_program(i, -1); break;
    case 'A':
        window_hook_state.command_index = i;
        browser_command(i, window, WM_COMMAND, CM_SAVE_AS, 0);
        break;
    case VK_F2:
        if (L.tree_depth != 0) break;
        window_hook_state.command_index = i;
        send(window, held(VK_CONTROL) ? CM_TIME_STAMP : CM_RENAME);
        break;
    default: break;
    }
}

// Letters and function keys of the list that only send a command.
static int list_key_command(int key)
{
    switch (key) {
    case VK_BACK: return CM_PARENT;
    case VK_SPACE:
    case VK_NEXT: return CM_PAGE_NEXT;
    case VK_PRIOR: return CM_PAGE_BACK;
    case VK_DELETE: return CM_RECYCLE;
    case 'B': return CM_LAST_PAGE;
    case 'C': return CM_COLLAPSE_ONE;
    case 'D': return CM_DATE_DISPLAY;
    case 'H': return CM_IMAGES_ONLY;
    case 'L': return CM_DRIVE_LIST;
    case 'R': return CM_SCREEN_SAVER;
    case 'T': return CM_FIRST_PAGE;
    case 'V': return CM_EXPAND_ONE;
    case 'X': return CM_EXPAND_ALL;
    case 'Y': return CM_DRIVE_ROOT;
    case VK_F5: return CM_RELOAD;
    default: break;
    }
    if (key == '0') return CM_FULL_SIZE;
    if (key >= '2' && key <= '9') return CM_FULL_SIZE + (key - '0');
    return 0;
}

static void list_keydown(HWND window, int key)
{
    if (int id = list_key_command(key)) {
        send(window, id);
        return;
    }
    switch (key) {
    case VK_RETURN: enter_key(window); break;
    case VK_SHIFT:
    case VK_CONTROL: update_cursor(); break;
    case VK_ESCAPE: send(window, L.selected_count > 0 ? CM_CLEAR_MARKS : CM_FOLDER_TREE); break;
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case 'I': move_pointer_by_key(list_window(), key); break;
    case 'M':
    case VK_APPS: menu_at_mouse(); break;
    case '1':
    case 'A':
    case 'F':
    case 'O':
    case VK_F2: entry_key(window, key); break;
    default: break;
    }
}

// One-image mode without the scroll view: the stepping keys.
static void image_keydown(HWND window, int key, bool full)
{
    switch (key) {
    case VK_SPACE:
    case VK_NEXT:
    case VK_DOWN: post(window, CM_PAGE_NEXT); break;
    case VK_PRIOR:
    case VK_UP: post(window, CM_PAGE_BACK); break;
    case 'A':
        if (!full) post(window, CM_SAVE_AS);
        break;
    case 'B': post(window, CM_LAST_PAGE); break;
    case 'T': post(window, CM_FIRST_PAGE); break;
    case 'O': open_entry_with_program(viewer_now.current_index, -1); break;
    case VK_RETURN:
        if (full) break;
        // Ctrl marks the shown entry, as its menu says (the command index is the viewer's).
        if (held(VK_CONTROL))
            post(window, held(VK_SHIFT) ? CM_MARK_RANGE : CM_MARK_ENTRY);
        else if (!held(VK_SHIFT))
            post(window, CM_ZOOM_ONE);
        break;
    default: break;
    }
}

static void viewer_keydown(HWND window, int key, int mode)
{
    bool scroll = mode == 1 && viewer_state.actual_view;
    bool full = viewer_now.full_screen != 0;
    switch (key) {
    case VK_BACK: post(window, CM_BACK_TO_LIST); return;
    case VK_ESCAPE:
    case '0': post(window, scroll ? CM_VIEW_ONE : CM_BACK_TO_LIST); return;
    case '1':
    case '2':
    case '4':
    case '8': send(window, CM_ZOOM_BASE + (key - '0')); return;
    case 'F': post(window, CM_FULL_SCREEN); return;
    case 'M':
    case VK_APPS: menu_at_mouse(); return;
    case 'R': post(window, CM_SCREEN_SAVER); return;
    case VK_SHIFT:
    case VK_CONTROL: update_cursor(); return;
    default: break;
    }
    if (mode != 1) return;
    if (!scroll)
        image_keydown(window, key, full);
    else if (key == VK_RETURN) {
        if (!full && !held(VK_CONTROL) && !held(VK_SHIFT)) post(window, CM_VIEW_ONE);
    } else if (viewer_state.actual_view) {
        nftw_key_scroll(viewer_state.actual_view, key);
    }
}

// A key held with Ctrl is a chord, never its plain key: the menus' chords
// arrive as commands from the accelerator table, and of the key tables only
// Enter and F2 have Ctrl forms (Shift and Ctrl themselves refresh the cursor).
static bool chord_of_its_own(int key)
{
    if (!held(VK_CONTROL)) return false;
    return key != VK_RETURN && key != VK_F2 && key != VK_SHIFT && key != VK_CONTROL;
}

// The keys the toolbar's size buttons name, ";" bigger and "-" smaller,
// wherever the keyboard's layout puts them; the buttons' commands.
static int size_key_command(int key)
{
    UINT c = MapVirtualKeyA(key, MAPVK_VK_TO_CHAR) & 0x7FFF;
    return c == ';' ? CM_BIGGER : c == '-' ? CM_SMALLER : 0;
}

int browser_keydown(HWND window, int key)
{
    if (chord_of_its_own(key)) return 0;
    int mode = viewer_now.mode;
    if (int id = size_key_command(key))
        post(window, id);
    else if (mode == 0)
        list_keydown(window, key);
    else
        viewer_keydown(window, key, mode);
    return 0;
}
