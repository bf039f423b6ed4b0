// The busy state of long operations: a nesting counter with a wait-cursor
// flag and a mouse flag. While it is held, the application's window hook lets
// no command, key or click start a second operation from a pumped message.
#pragma once
#include <windows.h>
#include "base/holders.h"

struct busy_state_record {
    int counter;  // nesting depth; 0 idle
    int wait;     // the wait cursor is kept for every message
    int mouse;    // mouse moves are kept from the browser's handler
    // A reload another program posted while this one was busy (a script run
    // ends while the window that started it still waits): posted again once
    // the outermost level ends, rather than lost with the input kept out.
    int reload_waiting;
    // Esc pressed while a level was held (the window hook notes it); a long
    // pass that can stop between its items asks for it. The outermost
    // level's beginning forgets an earlier one.
    int escape;
};
extern busy_state_record busy_state;

void busy_begin();
void busy_begin_wait();
void busy_begin_flag2();
void busy_end();
void busy_reset();
// 1 while any level is held: the window library asks before it acts on a close.
int busy_held();
// Every level ended at once, without pumping, and a close asked for in the
// meantime carried out: the window library's main loop calls it when it finds
// a level an operation left held.
void busy_recover();
// Whether Esc was pressed since the outermost level began (or was forgotten).
int busy_escape_pressed();
// A pass that begins inside a level forgets an Esc that ended what came before it.
void busy_forget_escape();
// Re-derives the cursor from the mouse position over the browser's window.
void update_cursor();

enum busy_kind { BUSY_PLAIN, BUSY_WAIT, BUSY_MOUSE };
// Holds one level of the busy state until the scope ends.
struct busy_guard : holder<state_traits<busy_end>> {
    explicit busy_guard(busy_kind kind = BUSY_WAIT);
};
