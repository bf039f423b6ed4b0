// The nesting busy state and the cursor that goes with it (see busy.h).
#include "browser/model/busy.h"
#include "browser/model/command_ids.h"
#include "browser/model/browser_list.h"
#include "browser/model/viewer_now.h"
#include "graphics/kavtrel.h"

busy_state_record busy_state;

int busy_held() { return busy_state.counter > 0; }

int busy_escape_pressed() { return busy_state.escape; }

void busy_forget_escape() { busy_state.escape = 0; }

// The outermost level starts with no Esc noted.
static void enter_level()
{
    if (busy_state.counter == 0) busy_state.escape = 0;
    busy_state.counter++;
}

void busy_begin()
{
    update_cursor();
    _pump();
    enter_level();
    busy_state.wait = 0;
    _pump();
}

void busy_begin_wait()
{
    enter_level();
    busy_state.wait = 1;
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    _pump();
}

void busy_begin_flag2()
{
    enter_level();
    busy_state.mouse = 1;
    _pump();
}

static void become_idle()
{
    update_cursor();
    if (console_window()) EnableWindow(console_window(), TRUE);
}

// After the last pump of the outermost level: the kept reload comes from the
// message loop, as the user's own input would.
static void post_waiting_reload()
{
    if (busy_state.counter > 0 || !busy_state.reload_waiting) return;
    busy_state.reload_waiting = 0;
    HWND w = page_drawing_window(browser_list.page);
    if (w) PostMessageA(w, WM_COMMAND, CM_RELOAD, 0);
}

void busy_end()
{
    _pump();
    if (busy_state.counter > 0) busy_state.counter--;
    busy_state.wait = busy_state.mouse = 0;
    if (busy_state.counter == 0) {
        become_idle();
        honour_close_request();
    }
    _pump();
    post_waiting_reload();
}

void busy_recover()
{
    busy_state = {0, 0, 0, busy_state.reload_waiting};
    become_idle();
    honour_close_request();
    post_waiting_reload();
}

void busy_reset()
{
    _pump();
    busy_state = {0, 0, 0, busy_state.reload_waiting};
    become_idle();
    _pump();
    post_waiting_reload();
}

// Enters one level of the busy state of the kind given; always held.
static bool busy_enter(busy_kind kind)
{
    if (kind == BUSY_PLAIN)
        busy_begin();
    else if (kind == BUSY_MOUSE)
        busy_begin_flag2();
    else
        busy_begin_wait();
    return true;
}

busy_guard::busy_guard(busy_kind kind) : holder(busy_enter(kind)) {}

// The window whose cursor the mouse position decides.
static HWND cursor_window()
{
    if (viewer_now.full_screen) return page_drawing_window(2);
    if (browser_list.page) return page_drawing_window(browser_list.page);
    return console_edit_window();
}

void update_cursor()
{
    HWND window = cursor_window();
    if (!window) return;
    POINT p;
    RECT client;
    if (!GetCursorPos(&p) || !ScreenToClient(window, &p) || !GetClientRect(window, &client)) return;
    if (!PtInRect(&client, p)) {
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        return;
    }
    WPARAM keys = 0;
    if (GetKeyState(VK_SHIFT) < 0) keys |= MK_SHIFT;
    if (GetKeyState(VK_CONTROL) < 0) keys |= MK_CONTROL;
    SendMessageA(window, WM_MOUSEMOVE, keys, MAKELPARAM(p.x, p.y));
}
