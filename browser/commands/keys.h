// The browser window's keyboard and mouse: the key tables of the list and the
// viewer, the button rules, the help line with its cursor shapes, the entry
// menu, and the navigation they start (special folders, path segments, the
// folder-tree switch). Almost every input ends as a command sent or posted to
// the browser window, which the dispatcher carries out.
#pragma once
#include <windows.h>
#include <cstddef>
#include "browser/model/command_ids.h"

struct file_kind_base;

int browser_keydown(HWND window, int key);
int browser_mousemove(HWND window, WPARAM flags, LPARAM position);
int on_list_left_button(HWND window, WPARAM flags, LPARAM position);
int on_list_double_click(HWND window, WPARAM flags, LPARAM position);
int on_list_right_button(WPARAM flags, HWND window);
// 1 when the click hit the toolbar line and was consumed.
int on_toolbar_click(HWND window, LPARAM position, WPARAM flags);
// The help text of the toolbar button at the point into out; nonzero when
// written. toolbar_help_text: the same for what lies there.
int bar_help_text(HWND window, LPARAM position, char* out, size_t cap);
struct toolbar_hit;
int toolbar_help_text(toolbar_hit hit, char* out, size_t cap);
// The kind text of an entry for the status line into out.
void entry_kind_text(const file_kind_base* entry, char* out, size_t cap);
// The help text for the list's point (status part 2) and kind text (part 1).
void list_help_texts(HWND window, LPARAM position, char* help, char* kind, size_t cap);
// Tracks the popup menu at the mouse and posts the chosen command to window.
void entry_popup_menu(HMENU menu, HWND window);

// Navigation. The tree state (0 none, n levels, -1 all) a request gives.
int next_expand_state(int state, int requested, int can_show);
void confirm_expand_all(int mode, int ask);
void goto_special_folder(WPARAM flags, int which);
// The folder of the first n components of the current path (a drive root
// keeps its backslash) into out (260 bytes). 0 when there are not n.
int path_segment_folder(int n, char* out);
void goto_path_segment(int n, WPARAM flags);
void path_segment_menu(int n, HMENU menu);

// The entry under the mouse (inside the page window and near a cell's
// centre), or -1.
int entry_under_mouse(HWND window);
