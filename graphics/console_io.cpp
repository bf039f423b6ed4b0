// The console's text output and input: printf into the rich-edit control in
// the printf format, and getchar/getline, which make the control writable
// while they wait for typed characters in the console format.
#include "graphics/console.h"
#include "graphics/internal.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

int console_printf_busy;
static int text_limit_set;

// The formatted text, and the same with every "\n" made "\r\n" (at most twice
// as long).
static char format_buffer[CONSOLE_PRINTF_BUF];
static char output_buffer[2 * CONSOLE_PRINTF_BUF + 1];

static int read_key(const char* status);

static void set_writable(int on)
{
    SendMessageA(console_edit, EM_SETOPTIONS, on ? ECOOP_AND : ECOOP_OR,
                 on ? ~(LPARAM)ECO_READONLY : (LPARAM)ECO_READONLY);
}

static void set_text_limit()
{
    if (text_limit_set || !console_edit) return;
    SendMessageA(console_edit, EM_EXLIMITTEXT, 0, CONSOLE_TEXT_LIMIT);
    text_limit_set = 1;
}

void _show_console()
{
    if (!console_frame || IsWindowVisible(console_frame) || !console_control()) return;
    set_text_limit();
    ShowWindow(console_frame, SW_SHOW);
}

// The caret at the end of the text, no selection; its position.
static LONG caret_to_end()
{
    SendMessageA(console_edit, EM_SETSEL, (WPARAM)0x7FFFFFFF, (LPARAM)0x7FFFFFFF);
    CHARRANGE sel = {0, 0};
    SendMessageA(console_edit, EM_EXGETSEL, 0, (LPARAM)&sel);
    return sel.cpMin;
}

int con_vprintf(const char* fmt, va_list ap)
{
    int n = vsnprintf(format_buffer, sizeof format_buffer, fmt, ap);
    if (n < 0) return 0;
    if (n >= (int)sizeof format_buffer) {
        // The report stays in part 1 while the key is awaited.
        read_key("error: too many chars in printf");
        return -1;
    }
    size_t out = 0;
    for (const char* p = format_buffer; *p; p++) {
        if (*p == '\n') output_buffer[out++] = '\r';
        output_buffer[out++] = *p;
    }
    output_buffer[out] = 0;
    if (!console_control()) return n;

    _show_console();
    set_text_limit();  // also when the frame was shown some other way
    console_printf_busy = 1;
    LONG p = caret_to_end();
    // The byte count bounds the character count, so the limit is never passed.
    if (p + (LONG)out > CONSOLE_TEXT_LIMIT) {
        SetWindowTextA(console_edit, "");
        caret_to_end();
    }
    SendMessageA(console_edit, EM_SETCHARFORMAT, SCF_SELECTION, (LPARAM)&printf_format);
    SendMessageA(console_edit, EM_REPLACESEL, FALSE, (LPARAM)output_buffer);
    SendMessageA(console_edit, EM_SCROLLCARET, 0, 0);
    SendMessageA(console_edit, EM_SETCHARFORMAT, SCF_SELECTION, (LPARAM)&console_format);
    _show_caret_pos();
    _pump();
    console_printf_busy = 0;
    return n;
}

int con_printf(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    int n = con_vprintf(fmt, ap);
    va_end(ap);
    return n;
}

// Waits for a character typed into the control (any character, or Enter only)
// and returns its message, taken in Unicode as in the main loop. Characters
// typed before the call count: the wait takes them from the queue first. The
// ending character is dispatched too, so that it shows in the control.
static MSG wait_for_char(const char* status, bool enter_only)
{
    _show_console();
    SetFocus(console_edit);
    _status_printf(-1, "%s", status);
    _show_caret_pos();
    set_writable(1);
    UpdateWindow(console_frame);
    MSG msg;
    for (;;) {
        _idle_before_wait();
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) exit(0);
        if (msg.message == WM_CHAR && msg.hwnd == console_edit && (!enter_only || msg.wParam == 13)) break;
        _offer_message(&msg);
        if (msg.hwnd == console_edit) _show_caret_pos();
    }
    return msg;
}

static void end_wait()
{
    _status_printf(-1, "%s", "");
    _show_caret_pos();
    set_writable(0);
    _pump();
}

// A key read with `status` shown in part 1 meanwhile.
static int read_key(const char* status)
{
    if (!console_control()) return -1;
    MSG msg = wait_for_char(status, false);
    TranslateMessage(&msg);
    _dispatch_message(&msg);
    end_wait();
    // A double-byte character is one key: the answer is its first byte.
    WCHAR typed = (WCHAR)msg.wParam;
    unsigned char bytes[2] = {0, 0};
    WideCharToMultiByte(CP_ACP, 0, &typed, 1, (char*)bytes, sizeof bytes, nullptr, nullptr);
    int c = bytes[0];
    if (c == 13) return 10;
    if (c == 26) return -1;
    return c;
}

int con_getchar() { return read_key("getchar"); }

int _getchar_entry() { return con_getchar(); }

char* con_getline(char* buffer, int size)
{
    if (!buffer || size <= 0) return buffer;
    buffer[0] = 0;
    if (!console_control()) return buffer;
    MSG enter = wait_for_char("getline", true);

    // EM_GETLINE takes its limit (characters) in the buffer's first word; a
    // character may take two bytes.
    static char line[2 * CONSOLE_GETLINE_MAX + 2];
    CHARRANGE sel = {0, 0};
    SendMessageA(console_edit, EM_EXGETSEL, 0, (LPARAM)&sel);
    LRESULT index = SendMessageA(console_edit, EM_EXLINEFROMCHAR, 0, sel.cpMin);
    *(WORD*)line = CONSOLE_GETLINE_MAX;
    LRESULT got = SendMessageA(console_edit, EM_GETLINE, index, (LPARAM)line);
    if (got < 0) got = 0;
    if (got > (LRESULT)sizeof line - 1) got = sizeof line - 1;
    line[got] = 0;
    // The line end the control adds is no part of the line.
    size_t text = strlen(line);
    while (text > 0 && (line[text - 1] == '\r' || line[text - 1] == '\n')) text--;
    bool whole = text < (size_t)size;
    text_copy_n(buffer, size, line, size - 1);

    TranslateMessage(&enter);
    _dispatch_message(&enter);
    end_wait();
    return whole ? buffer : nullptr;
}
