// Selection marks (see selection.h). Every change first leaves the current
// selection with the history, which is what "previous selection" restores.
#include "browser/grid/selection.h"
#include "browser/model/browser_list.h"
#include "browser/grid/grid.h"
#include "browser/grid/list_view.h"
#include "browser/model/history.h"
#include "browser/model/viewer_now.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include <cstdlib>
#include <cstring>

static browser_list_record& L = browser_list;

static bool in_list(int index) { return L.marks && index >= 0 && index < L.count; }

static bool list_mode() { return viewer_now.mode == 0; }

int is_marked(int index) { return in_list(index) && L.marks[index] ? 1 : 0; }

void selection_free()
{
    free(L.marks);
    L.marks = nullptr;
    L.selected_count = 0;
}

void selection_reset()
{
    selection_free();
    if (L.count > 0) L.marks = static_cast<unsigned char*>(calloc(L.count, 1));
}

static void remember_selection()
{
    if (L.selected_count > 0) record_history_selection();
}

// A drive name: a letter, a colon, at most three characters in all.
static bool is_drive_name(const char* name)
{
    size_t n = strlen(name);
    return n >= 2 && n <= 3 && name[1] == ':';
}

static bool filtered_out(const char* name)
{
    if (is_drive_name(name)) return true;
    if (!L.tree_flag) return false;
    if (mb_strchr(name, '*')) return true;
    int slashes = 0;
    for (const char* p = name; *p; p = mb_next(p))
        if (*p == '\\') slashes++;
    return slashes > L.tree_depth;
}

int select_all(int filter)
{
    if (!L.marks) return L.selected_count = 0;
    memset(L.marks, 0, L.count);
    L.selected_count = 0;
    for (int i = 0; i < L.count; i++) {
        if (filter && L.names && filtered_out(L.names[i])) continue;
        L.marks[i] = 1;
        L.selected_count++;
    }
    return L.selected_count;
}

void mark_cell_rect(int index, int* left, int* top, int* right, int* bottom)
{
    int columns = L.columns > 0 ? L.columns : 1, rows = L.rows > 0 ? L.rows : 1;
    int j = index - L.first_row * columns;
    int column = j % columns, row = (j / columns) % rows;
    *left = static_cast<int>(L.left_margin + column * L.cell_width) + 1;
    *top = static_cast<int>(L.top_margin + row * L.cell_height) + 1;
    *right = static_cast<int>(L.left_margin + (column + 1) * L.cell_width) - 1;
    *bottom = static_cast<int>(L.top_margin + (row + 1) * L.cell_height) - 1;
}

static void frame(int index, COLORREF colour)
{
    int l, t, r, b;
    mark_cell_rect(index, &l, &t, &r, &b);
    _setcolor(colour);
    _rectangle(1, l, t, r, b);
}

void draw_mark_frame(int index, int erase)
{
    if (!list_mode() || !in_list(index)) return;
    if (L.marks[index])
        frame(index, L.colours[COLOUR_SEL]);
    else if (erase)
        frame(index, L.colours[COLOUR_BK]);
}

// The title's number: the page in the list, the entry's position in the viewer.
static void page_title()
{
    set_browser_title(list_mode() ? L.first_row / (L.rows > 0 ? L.rows : 1) + 1 : viewer_now.current_index + 1);
}

int redraw_selection()
{
    if (!list_mode()) {
        page_title();
        return 1;
    }
    int first = L.first_row * L.columns;
    int last = first + L.per_page - 1 < L.count - 1 ? first + L.per_page - 1 : L.count - 1;
    for (int i = first; i <= last; i++) draw_mark_frame(i, 1);
    _selectpage(0, L.page);
    redraw_list(0, 0, 0, 1);
    return 0;
}

static int target_index(int index) { return list_mode() ? index : viewer_now.current_index; }

int toggle_mark(int index)
{
    remember_selection();
    index = target_index(index);
    if (index == -1) {
        if (L.marks && L.count > 0) memset(L.marks, 0, L.count);
        L.selected_count = 0;
    } else if (in_list(index)) {
        L.marks[index] = !L.marks[index];
        L.selected_count += L.marks[index] ? 1 : -1;
        if (!L.marks[index])
            draw_mark_frame(index, 1);
        else
            draw_mark_frame(index, 0);
    }
    if (!list_mode()) {
        page_title();
        return 1;
    }
    _selectpage(0, L.page);
    page_title();
    return 0;
}

int select_range_to(int index)
{
    remember_selection();
    index = target_index(index);
    if (!in_list(index)) return 0;
    int from = index;
    while (from > 0 && !L.marks[from]) from--;
    int first = L.first_row * L.columns;
    for (int i = from; i <= index; i++) {
        if (L.marks[i]) continue;
        L.marks[i] = 1;
        L.selected_count++;
        if (list_mode() && i >= first) draw_mark_frame(i, 0);
    }
    if (!list_mode()) return redraw_selection();
    _selectpage(0, L.page);
    page_title();
    return 0;
}

int select_all_and_redraw(int filter)
{
    remember_selection();
    if (select_all(filter) <= 0) return 0;
    if (!list_mode()) return redraw_selection();
    redraw_list(0, 0, 0, 1);
    return 0;
}

int clear_selection()
{
    if (L.selected_count == 0) return 0;
    remember_selection();
    if (list_mode()) {
        int first = L.first_row * L.columns, last = last_visible_index();
        for (int i = first; i <= last; i++)
            if (in_list(i) && L.marks[i]) {
                L.marks[i] = 0;
                draw_mark_frame(i, 1);
            }
    }
    // Cleared before the redraw, whose title tells the selected count.
    if (L.marks && L.count > 0) memset(L.marks, 0, L.count);
    L.selected_count = 0;
    if (!list_mode()) return redraw_selection();
    _selectpage(0, L.page);
    redraw_list(0, 0, 0, 1);
    return 0;
}
