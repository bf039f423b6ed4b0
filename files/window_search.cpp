// Top-level window search by title (see window_search.h).
#include "files/window_search.h"
#include "files/internal.h"
#include "files/strings.h"
#include <cstring>

window_search* window_search_record = nullptr;
const char instance_title_ending[] = " - ZOTE1.67";

BOOL CALLBACK find_window_by_title_cb(HWND window, LPARAM)
{
    window_search* s = window_search_record;
    if (!s || !s->text) return TRUE;
    if (s->visible_only && !IsWindowVisible(window)) return TRUE;
    char title[512];
    title[0] = 0;
    GetWindowTextA(window, title, sizeof title);
    const char* hit = mb_strstr(title, s->text);
    if (!hit) return TRUE;
    if (s->mode == TITLE_ENDS && hit + strlen(s->text) != title + strlen(title)) return TRUE;
    if (s->mode == TITLE_BEGINS && hit != title) return TRUE;
    if (s->table && s->count < s->capacity) s->table[s->count] = window;
    s->count++;
    return TRUE;
}

int find_windows_by_title(const char* text, int mode, int visible_only, HWND* table, int capacity)
{
    window_search search = {text, visible_only, mode, 0, table, capacity};
    window_search* saved = window_search_record;
    window_search_record = &search;
    EnumWindows(find_window_by_title_cb, 0);
    window_search_record = saved;
    return search.count < capacity ? search.count : capacity;
}
