// The message pump, the main loop with its idle work, the quit path, application accelerators,
// the end-of-run elapsed-time text and the recorded close request.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"
#include "base/holders.h"
#include <climits>
#include <cstdlib>

HACCEL console_accel;
page_accel_table page_accels;
clock_t kavtrel_start_clock = clock();

static int not_busy() { return 0; }
int (*kavtrel_busy_query)() = not_busy;
static void nothing_to_recover() {}
void (*kavtrel_busy_recover)() = nothing_to_recover;
static int close_pending;

int add_page_accel(HWND window, HACCEL accel)
{
    if (page_accels.count >= PAGE_ACCEL_MAX) return 0;
    page_accels.window[page_accels.count] = window;
    page_accels.accel[page_accels.count] = accel;
    page_accels.count++;
    return 1;
}

int _translate_page_accels(MSG* msg)
{
    for (int i = 0; i < page_accels.count; i++)
        if (TranslateAcceleratorW(page_accels.window[i], page_accels.accel[i], msg)) return 1;
    return 0;
}

// An Alt chord that an accelerator took never reaches the default handling,
// which then sees Alt pressed and released alone and arms the menu bar (so
// under Wine; Windows marks the chord itself and sends nothing): the next
// key would go to the menu. The menu call that this release sends, with no
// key named, is dropped. Any key or button pressed after the chord ends the
// mark, so that Alt pressed alone still opens the menu.
static int alt_chord_taken;

static bool is_press(UINT message)
{
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN: return true;
    default: return false;
    }
}

int _alt_chord_menu_call(WPARAM command, LPARAM key)
{
    if ((command & 0xFFF0) != SC_KEYMENU || key != 0 || !alt_chord_taken) return 0;
    alt_chord_taken = 0;
    return 1;
}

// The loops take their messages in Unicode, so that a double-byte character
// typed reaches a control whole: taken in ANSI it comes as two WM_CHAR of one
// byte, and Wine's EDIT turns each byte into a character of its own (a trail
// byte 0x5C into a backslash). The program's own windows stay ANSI and get
// the two bytes in a row, as on Windows. Wine's RichEdit 1.0 is ANSI only and
// splits the character the same way: a window that takes WM_UNICHAR (asked
// with UNICODE_NOCHAR) gets a character beyond ASCII as one WM_UNICHAR.
void _dispatch_message(const MSG* msg)
{
    if (msg->message == WM_CHAR && msg->wParam > 0x7F && SendMessageW(msg->hwnd, WM_UNICHAR, UNICODE_NOCHAR, 0))
        SendMessageW(msg->hwnd, WM_UNICHAR, msg->wParam, msg->lParam);
    else
        DispatchMessageW(msg);
}

// The console accelerator first, then the application's pairs, then the
// ordinary translation. A chord is marked before it is offered: its command
// runs inside the translation and may pump the release of Alt.
static void offer_and_dispatch(MSG* msg)
{
    bool press = is_press(msg->message);
    if (press) alt_chord_taken = msg->message == WM_SYSKEYDOWN;
    if (console_frame && console_accel && TranslateAcceleratorW(console_frame, console_accel, msg)) return;
    if (_translate_page_accels(msg)) return;
    if (press) alt_chord_taken = 0;
    TranslateMessage(msg);
    _dispatch_message(msg);
}

int _pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) exit(0);
        offer_and_dispatch(&msg);
    }
    return 0;
}

// The program says when it waits for the user. WaitForInputIdle cannot tell:
// Wine sets a process's idle event once and never resets it, and a pass that
// pumps with PeekMessage answers sent messages in the middle of its work. So
// a tool that drives the program (the screen tests) posts the registered
// message "kavtrel-idle-probe" to one of its windows after its input, and the
// library answers by releasing the semaphore "kavtrel-idle-<process id>" once
// the program has nothing left to do and the display has drawn its pixels:
// when the main loop finds its queue empty (that empty peek also hands the
// windows' pixels to the display), or when a modal dialog or menu of the
// program goes idle (WM_ENTERIDLE). A message box
// sends no WM_ENTERIDLE (under Wine it is a dialog without idle messages):
// while one is open, the probe it dispatches is answered at once when no
// input or posted message waits, and else by a timer, whose message the box's
// loop takes only once nothing else waits (a probe is taken before the input
// it follows); a probe taken by the work before the box opened is posted
// again for the box's loop. One probe, one release.
static kernel_object idle_semaphore;
static UINT idle_probe_message;
static int idle_probe_pending;
static int message_boxes_open;
static UINT_PTR box_idle_timer;

static void stop_box_idle_timer()
{
    if (box_idle_timer) KillTimer(nullptr, box_idle_timer);
    box_idle_timer = 0;
}

static bool nothing_waits()
{
    MSG msg;
    return !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_INPUT | PM_QS_POSTMESSAGE);
}

static void CALLBACK box_idle_tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (!message_boxes_open || !idle_probe_pending) return stop_box_idle_timer();
    if (!nothing_waits()) return;
    stop_box_idle_timer();
    _announce_idle();
}

void _message_box_shown(bool open, HWND window)
{
    message_boxes_open += open ? 1 : -1;
    if (!message_boxes_open) stop_box_idle_timer();  // the main loop answers again
    if (open && idle_probe_pending && window && PostMessageA(window, idle_probe_message, 0, 0)) idle_probe_pending = 0;
}

void idle_signal_init()
{
    char name[64];
    idle_probe_message = RegisterWindowMessageA("kavtrel-idle-probe");
    if (!idle_semaphore && text_format(name, sizeof name, "kavtrel-idle-%lu", GetCurrentProcessId()))
        idle_semaphore.reset(CreateSemaphoreA(nullptr, 0, LONG_MAX, name));
}

int _take_idle_probe(UINT message)
{
    if (!idle_probe_message || message != idle_probe_message) return 0;
    idle_probe_pending = 1;
    if (!message_boxes_open) return 1;
    if (nothing_waits())
        _announce_idle();
    else if (!box_idle_timer)
        box_idle_timer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, box_idle_tick);
    return 1;
}

// The empty peek handed the windows' pixels to the display, which draws them
// when it gets to them; a reading from the screen returns only after it has,
// so that whatever looks at the screen after the answer sees them.
static void wait_for_the_display()
{
    HDC screen = GetDC(nullptr);
    if (!screen) return;
    GetPixel(screen, 0, 0);
    ReleaseDC(nullptr, screen);
}

void _announce_idle()
{
    if (!idle_probe_pending) return;
    idle_probe_pending = 0;
    wait_for_the_display();
    if (idle_semaphore) ReleaseSemaphore(idle_semaphore.get(), 1, nullptr);
}

void _idle_before_wait()
{
    MSG msg;
    if (idle_probe_pending && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) _announce_idle();
}

static int no_idle_work() { return 0; }
int (*kavtrel_idle_hook)() = no_idle_work;

int _idle()
{
    MSG msg;
    while (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
        if (!kavtrel_idle_hook()) {
            bmap_idle();
            return 0;
        }
    return 1;
}

void _settle()
{
    do _pump();
    while (_idle());
}

// Waiting messages go first; the idle work runs in the gaps between them, and
// the program says it is idle only once that work is done too.
int message_loop()
{
    MSG msg;
    for (;;) {
        if (kavtrel_busy_query()) kavtrel_busy_recover();
        if (!_idle() && idle_probe_pending && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) _announce_idle();
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) return (int)msg.wParam;
        if (got == -1) return 0;
        offer_and_dispatch(&msg);
        if (console_edit && msg.hwnd == console_edit) _show_caret_pos();
    }
}

void _quit_loop()
{
    if (console_frame) DestroyWindow(console_frame);
    kavtrel_idle_hook = no_idle_work;  // the application's windows are gone
    message_loop();
    exit(0);
}

void elapsed_format(double s, char* out, size_t cap)
{
    if (s < 1) {
        // A whole number of milliseconds divided by 1000 must come back whole.
        text_format_cut(out, cap, "%dmsec", (int)(s * 1000 + 1e-6));
    } else if (s < 10) {
        text_format_cut(out, cap, "%3.1lfsec", s);
    } else if (s < 60) {
        text_format_cut(out, cap, "%dsec", (int)s);
    } else if (s < 3600) {
        int n = (int)s;
        text_format_cut(out, cap, "%dmin%dsec", n / 60, n % 60);
    } else {
        int n = (int)s;
        text_format_cut(out, cap, "%dhour%dmin", n / 3600, (n % 3600) / 60);
    }
}

void _elapsed_text()
{
    double s = (clock() - kavtrel_start_clock) / 1000.0;
    char elapsed[64];
    elapsed_format(s, elapsed, sizeof elapsed);
    _status_printf(-1, "%s%s", "Done. ", elapsed);
    _pump();
}

void request_close()
{
    if (kavtrel_busy_query()) {
        close_pending = 1;
        return;
    }
    if (console_frame) DestroyWindow(console_frame);
}

int close_requested() { return close_pending; }
void set_close_requested(int on) { close_pending = on; }

void honour_close_request()
{
    if (!close_pending) return;
    close_pending = 0;
    if (console_frame) DestroyWindow(console_frame);
}

void _offer_message(MSG* msg) { offer_and_dispatch(msg); }
