// The browser's idle work: what is left to do once the user's input is
// handled and the page is shown, run by the main loop in short steps between
// messages (one thread: input that arrives meanwhile goes first).
#pragma once

// One step of idle work: 1 when it did some, 0 when nothing is left.
int browser_idle_step();
// Makes browser_idle_step the library's idle hook.
void install_idle_work();
