// Grid geometry, paging, pointer placement and hit tests (see grid.h). All of
// it reads and writes the grid group of browser_list; nothing here draws
// except the band outside the grid.
#include "browser/grid/grid.h"
#include "browser/model/clipboard_files.h"
#include "browser/model/browser_list.h"
#include "browser/model/command_ids.h"
#include "graphics/kavtrel.h"
#include <cstring>

static browser_list_record& L = browser_list;

SIZE list_client_size()
{
    SIZE s = {0, 0};
    RECT r;
    HWND w = _page_hwnd(L.page);
    if (L.page > 0 && w && GetClientRect(w, &r)) s = {r.right, r.bottom};
    return s;
}

static double floored_size(double size)
{
    if (size < MIN_THUMB_SIZE) return MIN_THUMB_SIZE;
    return size > MAX_THUMB_SIZE ? double(MAX_THUMB_SIZE) : size;
}

int compute_grid(int width, int height)
{
    int old_columns = L.columns, old_rows = L.rows;
    L.thumb_size = floored_size(L.thumb_size);
    // The cells are square; the picture area is what the name line leaves.
    L.cell_width = L.thumb_size + L.label_gap;
    L.cell_height = L.thumb_size + L.label_gap;
    L.drawn_size = L.cell_height - L.label_gap * 0.5 - PICTURE_TOP;
    L.columns = static_cast<int>((width - L.left_margin) / L.cell_width);
    L.rows = static_cast<int>((height - L.top_margin) / L.cell_height);
    if (L.columns < 1) L.columns = 1;
    if (L.rows < 1) L.rows = 1;
    L.per_page = L.columns * L.rows;
    L.page_count = (L.count - 1) / L.per_page + 1;
    L.last_row = (L.count - 1) / L.columns;
    int n = static_cast<int>(128.0 / L.thumb_size * 256.0);
    L.cache_working_size = n < 4 ? 4 : n > 256 ? 256 : n;
    return L.columns != old_columns || L.rows != old_rows ? 1 : 0;
}

void layout_list()
{
    SIZE s = list_client_size();
    if (s.cx == 0 && s.cy == 0) return;
    compute_grid(s.cx, s.cy);
}

void fit_window_to_list()
{
    HWND child = _page_hwnd(L.page);
    HWND frame = child ? GetParent(child) : nullptr;
    if (!frame) return;
    int grid_w = static_cast<int>(L.columns * L.cell_width + L.left_margin + 1.0);
    int grid_h = static_cast<int>(L.rows * L.cell_height + L.top_margin);
    RECT wr, cr;
    GetWindowRect(frame, &wr);
    GetClientRect(child, &cr);
    int w = (wr.right - wr.left) - cr.right + grid_w;
    int h = (wr.bottom - wr.top) - cr.bottom + grid_h;
    MoveWindow(frame, wr.left, wr.top, w, h, TRUE);
}

// The size the settings files hold, else the one shown.
static int saved_size() { return L.saved_size > 0 ? L.saved_size : static_cast<int>(L.thumb_size); }

int columns_at_saved_size()
{
    SIZE s = list_client_size();
    return (s.cx - L.left_margin) / (saved_size() + L.label_gap);
}

int size_for_columns(int wanted)
{
    if (wanted < 1) return 0;
    SIZE s = list_client_size();
    double a = double(s.cx - L.left_margin) / wanted - L.label_gap;
    double b = s.cy - L.top_margin - L.label_gap;
    int size = static_cast<int>(a < b ? a : b);
    return size < MIN_THUMB_SIZE ? 0 : size;
}

int set_columns_per_row(int wanted)
{
    int candidate = columns_at_saved_size() == wanted ? saved_size() : size_for_columns(wanted);
    if (candidate < MIN_THUMB_SIZE || candidate == L.thumb_size) return 0;
    L.thumb_size = candidate;
    return candidate;
}

void set_thumbnail_size(double size)
{
    if (size <= 0) return;
    int first = L.first_row * L.columns;
    L.thumb_size = floored_size(size);
    layout_list();
    show_entry(nullptr, first);
}

void fill_outside_grid()
{
    SIZE s = list_client_size();
    COLORREF out = L.colours[COLOUR_OUT];
    _setcolor(out);
    _settextcolor(out);
    int grid_h = static_cast<int>(L.rows * L.cell_height + L.top_margin + 1.0);
    if (s.cy - grid_h > 1) _rectangle(0, 0, grid_h, s.cx, s.cy);
    int grid_w = static_cast<int>(L.columns * L.cell_width + L.left_margin + 1.0);
    if (s.cx - grid_w > 1) _rectangle(0, grid_w, 0, s.cx, s.cy);
}

// Paging ---------------------------------------------------------------------

int page_forward()
{
    int row = L.first_row + L.rows;
    if (row > L.last_row) {
        if (L.first_row == 0) return 0;
        row = 0;
    }
    L.first_row = row;
    return 1;
}

int page_back()
{
    int row = L.first_row - L.rows;
    if (row < 0) {
        if (L.page_count < 2) return 0;
        row = (L.page_count - 1) * L.rows;
    }
    L.first_row = row;
    return 1;
}

static bool selected(int j) { return L.marks && j >= 0 && j < L.count && L.marks[j]; }

static int page_row_of(int j) { return j / L.per_page * L.rows; }

int page_of_next_selected()
{
    if (L.count <= 0 || L.per_page <= 0) return 0;
    int f = L.first_row * L.columns;
    for (int k = f; k < f + L.count; k++) {
        int j = k % L.count;
        if (selected(j) && page_row_of(j) != L.first_row) {
            L.first_row = page_row_of(j);
            return 1;
        }
    }
    return 0;
}

int page_of_previous_selected()
{
    if (L.count <= 0 || L.per_page <= 0) return 0;
    int f = L.first_row * L.columns;
    for (int k = f + L.count; k > f; k--) {
        int j = k % L.count;
        if (selected(j) && page_row_of(j) != L.first_row) {
            L.first_row = page_row_of(j);
            return 1;
        }
    }
    return 0;
}

int next_selected_index(int i)
{
    for (int j = i + 1; j <= i + L.count - 1; j++)
        if (selected(j % L.count)) return j % L.count;
    return i;
}

int previous_selected_index(int i)
{
    for (int j = i + L.count - 1; j >= i + 1; j--)
        if (selected(j % L.count)) return j % L.count;
    return i;
}

int count_unselected_to_first()
{
    int n = 0;
    int f = L.first_row * L.columns;
    for (int j = 0; j <= f && j < L.count; j++)
        if (!selected(j)) n++;
    return n;
}

int first_plain_name_index()
{
    if (L.count <= 0 || !L.names) return 0;
    int f = L.first_row * L.columns;
    for (int k = f; k < f + L.count; k++) {
        int j = k % L.count;
        if (!strchr(L.names[j], '*')) return j;
    }
    return 0;
}

void clamp_first_row()
{
    if (L.first_row < 0)
        L.first_row = 0;
    else if (L.first_row > L.last_row)
        L.first_row = (L.count - 1) / L.per_page * L.rows;
    else if (L.rows > 0 && L.first_row % L.rows)
        L.first_row -= L.first_row % L.rows;
    // An empty list has last row -1: the page still starts at row 0.
    if (L.first_row < 0) L.first_row = 0;
}

void show_entry(const char* name, int i)
{
    int entry = -1;
    if (name && L.count > 0 && L.names)
        for (int j = 0; j < L.count; j++)
            if (strncmp(L.names[j], name, strlen(name)) == 0) {
                entry = j;
                break;
            }
    if (entry < 0) entry = i < 0 ? 0 : i;
    if (entry > L.count - 1) entry = L.count - 1;
    if (entry < 0) entry = 0;
    L.first_row = L.per_page > 0 ? entry / L.per_page * L.rows : 0;
    clamp_first_row();
}

// The pointer ------------------------------------------------------------------

static void pointer_to(HWND window, double x, double y)
{
    POINT p = {static_cast<int>(x), static_cast<int>(y)};
    ClientToScreen(window, &p);
    SetCursorPos(p.x, p.y);
}

static double cell_centre_x(int column) { return column * L.cell_width + L.left_margin + L.cell_width * 0.5; }

void pointer_to_cell_centre(HWND window, int column, int row)
{
    pointer_to(window, cell_centre_x(column), row * L.cell_height + L.top_margin + L.cell_height * 0.5);
}

void pointer_to_cell_top(HWND window, int column, int row)
{
    pointer_to(window, cell_centre_x(column), row * L.cell_height + L.top_margin + 3.0);
}

static void page_command(HWND window, int id) { SendMessageA(window, WM_COMMAND, id, 0); }

void move_pointer_by_key(HWND window, int key)
{
    POINT p;
    RECT r;
    if (!GetCursorPos(&p) || !ScreenToClient(window, &p) || !GetClientRect(window, &r)) return;
    if (!PtInRect(&r, p) || key == VK_HOME) {
        pointer_to_cell_centre(window, 0, 0);
        return;
    }
    int c = static_cast<int>(p.x / L.cell_width), row = static_cast<int>(p.y / L.cell_height);
    bool stop = browser_list.settings.curstop != 0, paged = L.page_count >= 2;
    switch (key) {
    case VK_LEFT:
        if (c > 0)
            pointer_to_cell_centre(window, c - 1, row);
        else if (stop)
            break;
        else if (row > 0)
            pointer_to_cell_centre(window, L.columns - 1, row - 1);
        else if (paged) {
            pointer_to_cell_centre(window, L.columns - 1, L.rows - 1);
            page_command(window, CM_PAGE_BACK);
        }
        break;
    case VK_UP:
        if (row > 0)
            pointer_to_cell_centre(window, c, row - 1);
        else if (paged)
            page_command(window, CM_PAGE_BACK);
        break;
    case VK_RIGHT:
        if (c < L.columns - 1)
            pointer_to_cell_centre(window, c + 1, row);
        else if (stop)
            break;
        else if (row < L.rows - 1)
            pointer_to_cell_centre(window, 0, row + 1);
        else if (paged) {
            pointer_to_cell_centre(window, 0, 0);
            page_command(window, CM_PAGE_NEXT);
        }
        break;
    case VK_DOWN:
        if (row < L.rows - 1)
            pointer_to_cell_centre(window, c, row + 1);
        else if (paged)
            page_command(window, CM_PAGE_NEXT);
        break;
    case 'I': pointer_to_cell_top(window, c, row); break;
    default: break;
    }
}

// Cell rectangles -----------------------------------------------------------------

struct cell_origin {
    int column, row;
    double x0;
};

static cell_origin origin_of(int i)
{
    int p = i - L.first_row * L.columns;
    cell_origin o = {0, 0, 0};
    if (L.columns <= 0 || L.rows <= 0) return o;
    o.column = ((p % L.columns) + L.columns) % L.columns;
    o.row = p < 0 ? 0 : (p / L.columns) % L.rows;
    o.x0 = o.column * L.cell_width + L.left_margin + L.label_gap * 0.5;
    return o;
}

cell_rect name_rect(int i)
{
    cell_origin o = origin_of(i);
    char number[16];
    text_format(number, sizeof number, "%d ", i + 1);
    int w1 = static_cast<int>(_text_extent(number).width / 20);
    return {static_cast<int>(o.x0) + w1, static_cast<int>(o.row * L.cell_height + L.top_margin + NAME_LINE_TOP),
            static_cast<int>(L.thumb_size) - w1, NAME_LINE_HEIGHT};
}

cell_rect detail_line_rect(int i)
{
    cell_origin o = origin_of(i);
    return {static_cast<int>(o.x0), static_cast<int>((o.row + 1) * L.cell_height + L.top_margin - 20.0),
            static_cast<int>(L.thumb_size), 13};
}

cell_rect text_area_rect(int i)
{
    cell_origin o = origin_of(i);
    int h = static_cast<int>(_text_extent("0").height / 20);
    int drawn = static_cast<int>(L.drawn_size);
    return {static_cast<int>(o.x0), static_cast<int>(o.row * L.cell_height + L.top_margin + 2.0 + h),
            static_cast<int>(L.thumb_size), L.drawn_size >= 96.0 ? drawn - 3 * h - 2 : drawn - 2 * h - 2};
}

// Hit tests -------------------------------------------------------------------

void hit_test_list_cell(LPARAM position, hit_record* hit)
{
    hit_record& h = *hit;
    h = {};
    h.x = static_cast<short>(LOWORD(position));
    h.y = static_cast<short>(HIWORD(position));
    h.column = static_cast<int>((h.x - L.left_margin) / L.cell_width);
    h.row = static_cast<int>((h.y - L.top_margin) / L.cell_height);
    h.index = L.count >= 1 ? (h.row + L.first_row) * L.columns + h.column : 0;
    if (L.count < 1 || h.index >= L.count || h.index < 0 || h.column >= L.columns || h.row >= L.rows ||
        h.x <= L.left_margin || h.y <= L.top_margin)
        return;
    file_kind* k = list_entry_kind(h.index);
    h.on_entry = k && !is_cut_entry(L.names[h.index]) ? 1 : 0;
}

int in_first_cell_corner(const hit_record& h)
{
    return h.y >= L.top_margin && h.x >= L.left_margin && h.column == 0 && h.row == 0 &&
           2.0 * (h.x - L.left_margin) < L.cell_width && 2.0 * (h.y - L.top_margin) < L.cell_height;
}

static double cell_x(const hit_record& h) { return h.column * L.cell_width + L.left_margin; }
static double cell_y(const hit_record& h) { return h.row * L.cell_height + L.top_margin; }

int on_name_line(const hit_record& h)
{
    double cx = cell_x(h), cy = cell_y(h);
    return h.on_entry && cx <= h.x && h.x <= cx + L.thumb_size && cy <= h.y && h.y <= cy + 12.0;
}

int near_cell_centre(const hit_record& h)
{
    double r = L.thumb_size * 0.25;
    double dx = h.x - cell_x(h) - L.cell_width * 0.5, dy = h.y - cell_y(h) - L.cell_height * 0.5;
    return h.on_entry && dx * dx + dy * dy < r * r;
}

int near_cell_gap(hit_record* hit)
{
    hit_record& h = *hit;
    if (L.count <= 0 || h.row < 0 || h.row >= L.rows) return 0;  // below the grid is the next page
    h.gap_column = static_cast<int>((h.x - L.left_margin + L.cell_width * 0.5) / L.cell_width);
    h.gap_index = h.gap_column + (h.row + L.first_row) * L.columns;
    if (h.gap_index > L.count) return 0;
    double r = L.thumb_size * 0.25;
    double dx = h.x - (h.gap_column * L.cell_width + L.left_margin), dy = h.y - cell_y(h) - L.cell_height * 0.5;
    return dx * dx + dy * dy < r * r;
}

int in_upper_half(HWND window, const hit_record& h)
{
    RECT r;
    return GetClientRect(window, &r) && 2 * h.y < r.bottom;
}

int in_top_left_quarter(HWND window, const hit_record& h)
{
    RECT r;
    return GetClientRect(window, &r) && 4 * h.x < r.right && 4 * h.y < r.bottom;
}
