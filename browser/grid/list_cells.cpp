// One cell of the grid: its picture, entry number, fitted name and bottom
// line (first pass) and its content counts (second pass); the text fitting
// both passes use; and the list's scroll bar in page units.
#include "browser/grid/list_view.h"
#include "browser/model/clipboard_files.h"
#include "browser/caches/thumb_cache.h"
#include "browser/model/browser_list.h"
#include "browser/grid/grid.h"
#include "browser/model/names.h"
#include "browser/model/numbering.h"
#include "browser/model/paths.h"
#include "browser/model/scan.h"
#include "browser/model/viewer_now.h"
#include "files/files.h"
#include "browser/model/history.h"
#include "graphics/kavtrel.h"
#include <cstring>

static browser_list_record& L = browser_list;

enum { CELL_TEXT_BUF = PATH_BUF + 32 };

static double measured_width(const char* text) { return _text_extent(text).width / 20.0; }
double (*list_text_width)(const char* text) = measured_width;

static double text_x, text_y;

void draw_colored_text(const char* text, COLORREF colour)
{
    _settextcolor(colour);
    _moveto(text_x, text_y);
    _puttext(text, TRANSPARENT);
    text_x += list_text_width(text);
}

void draw_number_label(int number, COLORREF colour)
{
    char text[16];
    text_format(text, sizeof text, "%d ", number);
    draw_colored_text(text, colour);
}

void fit_name_with_prefix(const char* prefix, double width, char* name, size_t cap)
{
    char line[CELL_TEXT_BUF * 2];
    if (!text_format(line, sizeof line, "%s%s", prefix, name) || list_text_width(line) < width) return;
    // Each round drops one character of the name itself; the ".." goes on at the end.
    size_t len = strlen(name);
    while (len > 0) {
        len = static_cast<size_t>(mb_prev(name, name + len) - name);
        char cut[CELL_TEXT_BUF];
        if (!text_copy_n(cut, sizeof cut, name, len) || !text_append(cut, "..")) break;
        if (text_format(line, sizeof line, "%s%s", prefix, cut) && list_text_width(line) < width) {
            text_copy(name, cap, cut);
            return;
        }
    }
    text_copy(name, cap, "..");
}

double draw_fitted_name(char* text, size_t cap, double width)
{
    double w = list_text_width(text);
    if (w < width) return w;
    const char* rest = text;
    char line[CELL_TEXT_BUF * 2];
    for (;;) {
        if (!text_format(line, sizeof line, "..%s", rest)) line[0] = 0;
        w = list_text_width(line);
        if (w < width || !*rest) break;
        rest = mb_next(rest);
    }
    if (!text_copy(text, cap, line)) text[0] = 0;
    return list_text_width(text);
}

// The name part of a list entry as the cell shows it: the listed path at the
// tree depth, without a trailing "\*.*", backslashes as "/".
static void shown_name(const char* entry, char* out, size_t cap)
{
    char path[PATH_BUF];
    if (!entry_listed_path(entry, path)) text_copy(path, entry);
    char* star = mb_strstr(path, "\\*.*");
    if (star) *star = 0;
    text_copy(out, cap, path);
    for (char* p = out; *p; p = const_cast<char*>(mb_next(p)))
        if (*p == '\\') *p = '/';
}

static void cut_extension(char* name)
{
    char* slash = mb_strrchr(name, '/');
    char* dot = mb_strrchr(slash ? slash : name, '.');
    if (dot && dot != name) *dot = 0;
}

static COLORREF darkened(COLORREF c)
{
    return RGB(int(GetRValue(c) * 0.72), int(GetGValue(c) * 0.72), int(GetBValue(c) * 0.72));
}

static const char* upper_extension(const char* name, char* out, size_t cap)
{
    const char* dot = mb_strrchr(name, '.');
    text_copy(out, cap, dot ? dot + 1 : "");
    CharUpperA(out);
    return out;
}

// The picture area of an entry without a picture: a frame with the kind of
// the entry, so a cell never shows stale pixels.
static const char* kind_label(const file_kind* k)
{
    if (k->drive_root) return "ﾄﾞﾗｲﾌﾞ";
    if (k->shortcut) return "ｼｮｰﾄｶｯﾄ";
    if (!k->plain) return "ﾌｫﾙﾀﾞ";
    if (k->archive) return "ｱｰｶｲﾌﾞ";
    if (k->text) return "ﾃｷｽﾄ";
    return k->image_kind ? "画像" : "ﾌｧｲﾙ";
}

static void draw_kind_placeholder(int index, double x, double y, double size)
{
    file_kind* k = list_entry_kind(index);
    if (!k) return;
    _setcolor(L.colours[COLOUR_SYS]);
    double inset = size * 0.2;
    _rectangle(1, x + inset, y + inset, x + size - inset, y + size - inset);
    char label[32];
    const char* dot = k->plain && k->image_kind ? mb_strrchr(k->stored_name, '.') : nullptr;
    if (dot)
        upper_extension(k->stored_name, label, sizeof label);
    else
        text_copy(label, kind_label(k));
    double w = list_text_width(label);
    _settextcolor(L.colours[COLOUR_SYS]);
    _moveto(x + (size - w) * 0.5, y + size * 0.5 - 6);
    _puttext(label, TRANSPARENT);
}

// A file's name as the cell shows it: an image without its rotation mark,
// and without its number prefix while the folder is in number order.
static void hide_marks(const file_kind* k, char* name, size_t cap)
{
    char* last = mb_strrchr(name, '/');
    last = last ? last + 1 : name;
    if (k->image_kind) strip_rotation_mark(last);
    char shown[CELL_TEXT_BUF];
    if (display_name_without_prefix(last, shown, sizeof shown)) text_copy(last, cap - (last - name), shown);
}

static void draw_name(file_kind* k, int i, double width)
{
    char name[CELL_TEXT_BUF], prefix[CELL_TEXT_BUF], ext[16];
    shown_name(L.names[i], name, sizeof name);
    text_format(prefix, sizeof prefix, "%d ", i + 1);
    const file_kind_base* t = k->target();
    int in_history = history_position(k->stored_name);
    COLORREF colour;
    const char* after = "";
    if (k->plain) {
        if (is_new_entry_name(L.names[i])) return;
        hide_marks(k, name, sizeof name);
        bool folder_archive = k->archive != 0;
        if (folder_archive || ((t->image_kind || k->shortcut) && !L.picext)) cut_extension(name);
        if (folder_archive) {
            text_format(ext, sizeof ext, " <%s>", upper_extension(k->stored_name, prefix + 64, 16));
            text_format(prefix, sizeof prefix, "%d %s", i + 1, ext);
            after = ext;
        } else if (k->shortcut) {
            text_format(prefix, sizeof prefix, "%d @", i + 1);
            after = "@";
        }
        colour = k->system || k->hidden ? L.colours[COLOUR_SYS]
                 : folder_archive       ? (in_history >= 0 ? darkened(L.colours[COLOUR_LINK]) : L.colours[COLOUR_LINK])
                                        : L.colours[COLOUR_FILE];
    } else {
        if (has_ext(name, ".newfolder")) return;
        after = k->shortcut ? "@" : "/";
        if (in_history > 0) after = k->shortcut ? "@*" : "/*";
        text_format(prefix, sizeof prefix, "%d %s", i + 1, after);
        colour = k->system || k->hidden ? L.colours[COLOUR_SYS]
                 : in_history >= 0      ? darkened(L.colours[COLOUR_LINK])
                                        : L.colours[COLOUR_LINK];
    }
    fit_name_with_prefix(prefix, width, name, sizeof name);
    text_append(name, after);
    draw_colored_text(name, colour);
}

static void draw_right_aligned(char* text, size_t cap, double right, double y, COLORREF colour, int mode)
{
    double w = draw_fitted_name(text, cap, L.thumb_size);
    _settextcolor(colour);
    _moveto(right - w, y);
    _puttext(text, mode);
}

void draw_list_cell(int i, int force)
{
    file_kind* k = list_entry_kind(i);
    if (!k || is_cut_entry(L.names[i])) return;
    int p = i - L.first_row * L.columns;
    int column = p % L.columns, row = (p / L.columns) % L.rows;
    double cx = column * L.cell_width + L.left_margin, cy = row * L.cell_height + L.top_margin;
    double size = L.thumb_size;
    // A cell without a picture keeps the frame with its kind.
    double px = cx + (L.cell_width - size) * 0.5, py = cy + PICTURE_TOP;
    if (!draw_cell_picture(i, px, py, size, force)) draw_kind_placeholder(i, px, py, size);
    if (viewer_now.mode == 0 && L.marks && L.marks[i]) {
        _setcolor(L.colours[COLOUR_SEL]);
        _rectangle(1, cx + 1, cy + 1, cx + L.cell_width - 1, cy + L.cell_height - 1);
    }
    text_x = L.label_gap * 0.5 + cx;
    text_y = cy + 2.0;
    double left = text_x;
    draw_number_label(i + 1, L.colours[COLOUR_SYS]);
    double right = left + L.thumb_size;
    cell_rect bottom = detail_line_rect(i);
    char line[CELL_TEXT_BUF];
    if (k->drive_root) {
        char label[64] = "";
        GetVolumeInformationA(k->stored_name, label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0);
        char letter = k->stored_name[0];
        if (letter >= 'a' && letter <= 'z') letter = char(letter - 'a' + 'A');
        text_format_cut(line, sizeof line, "%c: %s", letter, label);
        draw_colored_text(line, L.colours[COLOUR_SYS]);
        text_format_cut(line, sizeof line, "%s (%s空)", format_size(k->summary.image_bytes),
                        format_size(k->summary.other_bytes));
        draw_right_aligned(line, sizeof line, right, bottom.y, L.colours[COLOUR_SYS], TRANSPARENT);
        return;
    }
    draw_name(k, i, L.thumb_size - (text_x - left) + list_text_width("0"));
    if (!k->plain || k->archive) return;
    // A file that shows no picture tells its kind and size above the bottom line.
    if (!k->target()->image_kind) {
        text_format_cut(line, sizeof line, "%s ", format_image_size(k, 0));
        draw_right_aligned(line, sizeof line, right, bottom.y - 12, L.colours[COLOUR_SYS], TRANSPARENT);
    }
    if (L.time == 0) return;
    if (L.time == 1)
        text_copy(line, format_file_time(k, 1));
    else if (L.time == 2)
        text_copy(line, format_file_time(k, 3));
    else
        text_copy(line, k->image_kind ? format_image_size(k, 0) : format_file_time(k, 3));
    draw_right_aligned(line, sizeof line, right, bottom.y, L.colours[COLOUR_DATE], TRANSPARENT);
}

void draw_cell_details(int i)
{
    if (L.thumb_size <= 0) return;
    file_kind* k = list_entry_kind(i);
    if (!k || is_cut_entry(L.names[i]) || k->drive_root || k->target()->drive_root) return;
    if (k->plain && !k->archive) return;
    make_file_kind(L.names[i], k, 0, L.countfile != 0);
    const file_kind_base* t = k->target();
    int p = i - L.first_row * L.columns;
    double cx = (p % L.columns) * L.cell_width + L.left_margin + L.label_gap * 0.5;
    double right = cx + L.thumb_size;
    cell_rect bottom = detail_line_rect(i);
    char line[CELL_TEXT_BUF];
    if (t->summary.total_bytes > 0 && (!k->archive || t->summary.kind == 0)) {
        text_format_cut(line, sizeof line, "%s ", format_image_size(t, 0));
        draw_right_aligned(line, sizeof line, right, bottom.y - 12, L.colours[COLOUR_SYS], TRANSPARENT);
    }
    if (L.time == 0) return;
    const char* first = L.time == 3 ? format_image_size(t, 0) : format_file_time(t, L.time == 1 ? 1 : 3);
    char first_text[CELL_TEXT_BUF];
    text_copy(first_text, first);
    if (k->wildcard && t->summary.image_count + t->summary.other_count <= 0) return;
    text_format_cut(line, sizeof line, "%s %s ", first_text, format_archive_count(t));
    draw_right_aligned(line, sizeof line, right, bottom.y, L.colours[COLOUR_DATE], L.timetrans ? TRANSPARENT : OPAQUE);
}

// The scroll bar ------------------------------------------------------------------

enum { SCROLL_RECORDS = 8 };
static scroll_state scroll_records[SCROLL_RECORDS];

void set_scroll_info(HWND window, const scroll_state& s)
{
    // Set only when the bar shows something else: it redraws itself at every setting.
    SCROLLINFO now = {sizeof now, SIF_ALL};
    if (GetScrollInfo(window, SB_VERT, &now) && now.nMin == s.minimum && now.nMax == s.maximum &&
        (int)now.nPage == s.page_size && now.nPos == s.position)
        return;
    SCROLLINFO si = {sizeof si, SIF_ALL | SIF_DISABLENOSCROLL};
    si.nMin = s.minimum;
    si.nMax = s.maximum;
    si.nPage = s.page_size;
    si.nPos = s.position;
    SetScrollInfo(window, SB_VERT, &si, TRUE);
}

scroll_state* scroll_state_of(HWND window)
{
    scroll_state* free_slot = nullptr;
    for (scroll_state& s : scroll_records) {
        if (s.in_use && s.window == window && IsWindow(window)) return &s;
        // The record of a destroyed window is free again.
        if ((!s.in_use || !IsWindow(s.window)) && !free_slot) free_slot = &s;
    }
    if (!free_slot) return nullptr;
    *free_slot = {window, 1, 0, 0, 0, 1, 1, 1, 0};
    SCROLLINFO si = {sizeof si, SIF_ALL};
    if (GetScrollInfo(window, SB_VERT, &si)) {
        free_slot->position = si.nPos;
        free_slot->minimum = si.nMin;
        free_slot->maximum = si.nMax;
        free_slot->page_size = si.nPage;
    }
    return free_slot;
}

void update_list_scrollbar(int page, int last_page, HWND window)
{
    scroll_state* s = scroll_state_of(window);
    if (!s) return;
    s->minimum = 0;
    s->maximum = last_page;
    s->page_size = 1;
    s->position = page < 0 ? 0 : page;
    s->line_step = 1;
    s->page_step = last_page / 10;
    if (s->page_step < 1) s->page_step = last_page > 1 ? 2 : 1;
    set_scroll_info(window, *s);
}

scroll_state* on_list_vscroll(WPARAM code, HWND window)
{
    scroll_state* s = scroll_state_of(window);
    if (!s) return nullptr;
    int pos = s->position;
    switch (LOWORD(code)) {
    case SB_LINEUP: pos -= s->line_step; break;
    case SB_LINEDOWN: pos += s->line_step; break;
    case SB_PAGEUP: pos -= s->page_step; break;
    case SB_PAGEDOWN: pos += s->page_step; break;
    case SB_THUMBPOSITION:
        s->position = static_cast<short>(HIWORD(code));
        s->changed = 1;
        return s;
    case SB_THUMBTRACK: s->position = static_cast<short>(HIWORD(code)); return s;
    case SB_ENDSCROLL: s->changed = 1; return nullptr;
    default: return nullptr;
    }
    if (pos < s->minimum) pos = s->minimum;
    if (pos > s->maximum) pos = s->maximum;
    if (pos == s->position) return nullptr;
    s->position = pos;
    set_scroll_info(window, *s);
    return s;
}

int cursor_in_window(HWND window)
{
    POINT p;
    RECT r;
    return GetCursorPos(&p) && GetWindowRect(window, &r) && PtInRect(&r, p) ? 1 : 0;
}

int cursor_client_pos(HWND window)
{
    POINT p;
    RECT r;
    if (!GetCursorPos(&p) || !ScreenToClient(window, &p) || !GetClientRect(window, &r) || !PtInRect(&r, p)) return 0;
    return (p.y << 16) + p.x;
}
