// The viewer's pictures and modes: stepping over the list, the prepared
// picture in slot 11, showing it in the browser window or on the full-screen
// page, the status line, one-image mode, full screen and the way back to the
// grid, and the copy of the picture shown.
#include "browser/viewer/viewer.h"
#include "browser/grid/toolbar.h"
#include "browser/model/browser_list.h"
#include "browser/model/busy.h"
#include "browser/model/comment_files.h"
#include "browser/caches/entry_picture.h"
#include "browser/grid/grid.h"
#include "browser/grid/list_view.h"
#include "browser/viewer/scroll_view.h"
#include "browser/caches/thumb_cache.h"
#include "files/files.h"
#include "formats/formats.h"
#include "graphics/kavtrel.h"
#include <cmath>
#include <cstring>
#include <ctime>

static browser_list_record& L = browser_list;

void viewer_defaults(viewer_state_record& v)
{
    v = viewer_state_record{};
    v.interval = 30;
    v.square = 1;
}

static viewer_state_record made_default()
{
    viewer_state_record v;
    viewer_defaults(v);
    return v;
}
viewer_state_record viewer_state = made_default();

static DWORD tick_now() { return GetTickCount(); }
static void tick_sleep(DWORD ms) { Sleep(ms); }
viewer_clock_table viewer_clock = {.now = tick_now, .sleep = tick_sleep};

// Stepping ---------------------------------------------------------------------

static int comment_at(int j) { return L.names && j >= 0 && j < L.count && is_comment_text(L.names[j]); }

int next_slide_index(viewer_state_record& v, int direction)
{
    int n = L.count, i = viewer_now.current_index;
    if (n <= 0) return 0;
    if (i < 0 || i >= n) i = 0;
    if (v.selected_only) {
        if (direction >= 1) {
            int j = next_selected_index(i);
            if (comment_at(j)) j = next_selected_index(j);
            return j;
        }
        int j = previous_selected_index(i);
        if (comment_at(j)) {
            int k = previous_selected_index(j);
            if (k != j && !comment_at(k)) j = k;
        }
        return j;
    }
    if (direction >= 1) {
        int j = (i + 1) % n;
        return comment_at(j) ? (j + 1) % n : j;
    }
    int j = (i + n - 1) % n;
    return comment_at(j) ? (n + j - 1) % n : j;
}

// Pictures -----------------------------------------------------------------------

static int entry_file_gone(int index)
{
    entry_ref e(index);
    if (!e.effective || !e.effective->plain || e.effective->wildcard || e.effective->drive_root) return 0;
    char path[PATH_BUF];
    if (!e.effective->name(path) || !path[0]) return 1;
    return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES;
}

// The entry's record afresh from the disk.
static void refresh_entry(int index)
{
    if (index < 0 || index >= L.count || !L.records) return;
    file_kind* r = &L.records[index];
    delete r->link;
    delete r->info;
    r->reset();
}

static void client_of(int page, int* w, int* h)
{
    RECT r = {0, 0, 0, 0};
    HWND window = page_drawing_window(page);
    if (window) GetClientRect(window, &r);
    *w = r.right;
    *h = r.bottom;
}

// A layer entry: its layers composed at full size, then fitted into the box.
// 0 when there is no picture to show (the cell painter then reports why).
static int draw_layered_picture(cell_result* r, int index, double width, double height)
{
    _bmap* b = load_entry_pages(index, 1, 1);
    if (!b) return 0;
    double scale = fit_scale(0, b->width, b->height, width, height);
    if (scale < 1.0) {
        _bmap* fitted = _bmap_scale(scale, 0.14, b);
        _bmap_delete(b);
        if (!fitted) return 0;
        b = fitted;
    }
    *r = {0, 0, 0, b->width, b->height};
    int shown = _page_set_bmap(VIEWER_SLOT, b);
    _bmap_delete(b);
    return shown;
}

// Slot 11 holds the picture of entry index, made as r says.
static void place_picture(viewer_state_record& v, int index, const cell_result& r)
{
    entry_ref e(index);
    int pw = e.effective ? e.effective->width : 0, ph = e.effective ? e.effective->height : 0;
    char name[PATH_BUF];
    if (e.effective && e.effective->name(name) && rotation_from_name(name) % 2) {
        int t = pw;
        pw = ph;
        ph = t;
    }
    v.placement[0] = r.error;
    v.placement[1] = pw;
    v.placement[2] = ph;
    v.placement[3] = r.width;
    v.placement[4] = r.height;
    v.shown_index = index;
}

void load_viewer_image(viewer_state_record& v, int index, double width, double height)
{
    entry_ref e(index);
    cell_result r = {};
    if (!e.effective) {
        placeholder_cell(&r, VIEWER_SLOT, nullptr, 10, 10);
    } else if (!e.effective->layer || !draw_layered_picture(&r, index, width, height)) {
        draw_file_cell(&r, e.effective, width, height, VIEWER_SLOT, CELL_JPEG_REDUCED, 1);
    }
    place_picture(v, index, r);
}

// The box the picture of an entry is fitted into, as the viewer shows it now.
static void picture_box(viewer_state_record& v, double* width, double* height)
{
    double w, h;
    if (viewer_now.full_screen) {
        client_of(VIEWER_PAGE, &v.client_width, &v.client_height);
        int cw = v.client_width, ch = v.client_height;
        if (v.random_placement) {
            w = h = cw < ch ? cw : ch;
        } else if (v.square) {
            w = h = cw < ch - 24 ? cw : ch - 24;
        } else {
            w = cw;
            h = ch - 24;
        }
    } else {
        client_of(L.page, &v.client_width, &v.client_height);
        int a = v.client_width - 2, b = v.client_height - L.top_margin - 32;
        w = h = (a < b ? a : b) - 10;
    }
    *width = w < 10 ? 10 : w;
    *height = h < 10 ? 10 : h;
}

// The picture of the entry to come is prepared in idle time a band at a time
// (a JPEG a few rows a band, other pictures in one piece), so that a key
// pressed meanwhile waits a band at most. A preparation of slot 11 made any
// other way finishes the one under way when it is for the same entry and box,
// and drops it otherwise.
namespace {
struct banded_preparation {
    int index = -1;  // the entry being prepared; -1 for none
    int serial = 0;  // the list's reload counter when it began
    int full_screen = 0;
    double width = 0, height = 0;  // the box its picture is fitted into
    char name[PATH_BUF] = "";
    jpeg_band_reader* jpeg = nullptr;
};
banded_preparation banded;
// A band takes about this long: a key waits no longer for it.
const DWORD band_ms = 5;
}  // namespace

static void drop_banded()
{
    jpeg_bands_close(banded.jpeg);
    banded = banded_preparation{};
}

// The rest of the banded preparation of entry index into slot 11: false (the
// preparation dropped) when there is none for it and this box, or it failed.
static bool finish_banded(viewer_state_record& v, int index, double w, double h)
{
    bool same = banded.jpeg && banded.index == index && banded.serial == L.reload_counter &&
                banded.full_screen == viewer_now.full_screen && banded.width == w && banded.height == h;
    while (same && jpeg_bands_read(banded.jpeg, 64) == 1) {}
    _bmap* b = same ? jpeg_bands_take(banded.jpeg) : nullptr;
    if (b) {
        cell_result r = {};
        finish_reduced_jpeg_cell(&r, banded.name, b, w, h, VIEWER_SLOT);
        place_picture(v, index, r);
    }
    drop_banded();
    return b != nullptr;
}

void prepare_fullscreen_image(viewer_state_record& v, int index)
{
    // One full-size picture after another: each takes the pixels of the last.
    bmap_keep_spare(1);
    if (viewer_now.mode != VIEWER_MODE_SLIDE) _status_text(L.page, "%s", "画像準備中...");
    refresh_entry(index);
    if (entry_file_gone(index)) {
        drop_banded();
        _newbuffer(VIEWER_SLOT, 10, 10);
        _page_fill(VIEWER_SLOT, viewer_now.full_screen ? L.settings.sldbkcolor : L.colours[COLOUR_BK]);
        v.placement[0] = 1;
        v.placement[1] = v.placement[2] = 0;
        v.placement[3] = v.placement[4] = 10;
        v.shown_index = index;
        return;
    }
    double w, h;
    picture_box(v, &w, &h);
    if (!finish_banded(v, index, w, h)) load_viewer_image(v, index, w, h);
    if (!viewer_now.full_screen) _status_text(L.page, "%s", "");
}

// A banded preparation of entry index begins: false when its picture is none
// that is decoded in bands.
static bool begin_banded(viewer_state_record& v, int index)
{
    drop_banded();
    bmap_keep_spare(1);
    refresh_entry(index);
    entry_ref e(index);
    if (entry_file_gone(index) || !e.effective || e.effective->layer) return false;
    double w, h;
    picture_box(v, &w, &h);
    int divisor = reduced_jpeg_of(e.effective, w, h, banded.name);
    if (!divisor || !(banded.jpeg = jpeg_bands_open(banded.name, divisor, 0))) {
        drop_banded();
        return false;
    }
    banded.index = index;
    banded.serial = L.reload_counter;
    banded.full_screen = viewer_now.full_screen;
    banded.width = w;
    banded.height = h;
    _status_text(L.page, "%s", "画像準備中...");
    return true;
}

// One band of the preparation of entry index: true while more are to come.
static bool prepare_band(viewer_state_record& v, int index)
{
    if (banded.index != index || banded.serial != L.reload_counter) {
        if (begin_banded(v, index)) return true;
        prepare_fullscreen_image(v, index);
        return false;
    }
    DWORD start = GetTickCount();
    int state;
    do state = jpeg_bands_read(banded.jpeg, 16);
    while (state == 1 && GetTickCount() - start < band_ms);
    if (state == 1) return true;
    // The whole picture fitted into the slot, or after a failure made in one piece.
    prepare_fullscreen_image(v, index);
    return false;
}

// The zoom of the prepared picture; 0 when it has no size (a placeholder).
static double placement_zoom(const viewer_state_record& v)
{
    if (v.placement[1] <= 0 || v.placement[3] <= 0) return 0;
    return double(v.placement[3]) / v.placement[1];
}

RECT viewer_image_box(viewer_state_record& v)
{
    int t = L.top_margin;
    int a = v.client_width - 2, b = v.client_height - t - 32;
    int s = a < b ? a : b;
    RECT r;
    r.left = (v.client_width - s) / 2;
    r.top = (v.client_height - t - s - 2) / 2 + t + 2;
    r.right = r.left + s;
    r.bottom = r.top + s;
    return r;
}

static int entry_selected(int index) { return L.marks && index >= 0 && index < L.count && L.marks[index]; }

void draw_viewer_mark(viewer_state_record& v)
{
    RECT r = viewer_image_box(v);
    _setcolor(entry_selected(viewer_now.current_index) ? 0x808080 : L.colours[COLOUR_BK]);
    _rectangle(1, r.left, r.top, r.right, r.bottom);
}

// The status line -------------------------------------------------------------------

static const char* code_name(int code)
{
    switch (code) {
    case 0: return "ASCII";
    case 1: return "JIS";
    case 2: return "EUC";
    case 3: return "S-JIS";
    default: return nullptr;
    }
}

static void kind_text(const viewer_state_record& v, const file_kind_base* k, int divisor, char* out, size_t cap)
{
    char prefix[16] = "";
    if (k->hidden) text_append(prefix, sizeof prefix, "隠し");
    if (k->system) text_append(prefix, sizeof prefix, "ｼｽﾃﾑ");
    char name[PATH_BUF];
    if (k->wildcard) {
        text_format_cut(out, cap, " %sﾌｫﾙﾀﾞ(%s)", prefix, format_archive_count(k));
    } else if (k->drive_root && k->name(name)) {
        char label[PATH_BUF], kind[64];
        if (k->drive_type == DRIVE_REMOVABLE)
            text_format_cut(out, cap, "%s", drive_kind_text(name, kind, sizeof kind));
        else if (k->summary.image_bytes <= 0)
            text_format_cut(out, cap, "%s", volume_label_text(name, label, sizeof label));
        else {
            char total[64];
            text_copy(total, sizeof total, format_size(k->summary.image_bytes));
            text_format_cut(out, cap, "%s (%s %s空)", volume_label_text(name, label, sizeof label), total,
                            format_size(k->summary.other_bytes));
        }
    } else if (k->plain && k->archive) {
        text_format_cut(out, cap, " %s圧縮ﾌｧｲﾙ(%s)", prefix, format_archive_count(k));
    } else if (k->plain && !k->image_kind) {
        const char* code = code_name(k->kanji_code);
        if (code)
            text_format_cut(out, cap, "(%s%sﾃｷｽﾄ %s)", prefix, code, format_size(k->file_size));
        else
            text_format_cut(out, cap, "%sﾌｧｲﾙ(%s)", prefix, format_size(k->file_size));
    } else if (k->plain && k->image_kind) {
        int percent = 0;
        if (divisor > 0)
            percent = 100 / divisor;
        else if (v.placement[1] > 0)
            percent = int(double(v.placement[3]) * 100 / v.placement[1]);
        char size[128];
        text_copy(size, sizeof size, format_image_size(k, 0));
        text_format_cut(out, cap, "%s画像(%s %3d%%)", prefix, size, percent);
    } else {
        text_format_cut(out, cap, "%sﾌｫﾙﾀﾞ(%s)", prefix, format_archive_count(k));
    }
}

void format_viewer_status(viewer_state_record& v, int index, int divisor, char* out, size_t cap)
{
    out[0] = 0;
    if (index < 0 || index >= L.count || !L.records) return;
    refresh_entry(index);
    entry_ref e(index);
    if (!e.shown) return;
    char name[PATH_BUF * 2] = "", kind[PATH_BUF] = "", date[32] = "";
    format_name_with_target(&L.records[index], name, sizeof name);
    for (char* p = name; *p; p = const_cast<char*>(mb_next(p)))
        if (*p == '\\') *p = '/';
    kind_text(v, e.shown, divisor, kind, sizeof kind);
    FILETIME utc, local;
    SYSTEMTIME st;
    utc.dwLowDateTime = DWORD(e.shown->write_time);
    utc.dwHighDateTime = DWORD(e.shown->write_time >> 32);
    if (FileTimeToLocalFileTime(&utc, &local) && FileTimeToSystemTime(&local, &st))
        text_format_cut(date, sizeof date, "%04d/%02d/%02d %02d:%02d:%02d", st.wYear, st.wMonth, st.wDay, st.wHour,
                        st.wMinute, st.wSecond);
    char position[32];
    text_format_cut(position, sizeof position, "%d/%d", index + 1, L.count);
    text_format_cut(out, cap, "%s %s %s %s", position, name, kind, date);
    if (viewer_now.full_screen) text_append(out, cap, "  [ESC]で終了");
    if (viewer_now.mode == VIEWER_MODE_SLIDE || viewer_now.mode == VIEWER_MODE_STARTING) {
        char more[128];
        text_format_cut(more, sizeof more, "  間隔%2.1f秒%s  ｸﾘｯｸで停止", v.interval / 10.0,
                        v.nonstop ? "-繰り返し" : "");
        text_append(out, cap, more);
    }
}

// The divisor that the status line is being drawn for (0 outside it).
static int status_divisor;

int viewer_zoom_step(const viewer_state_record& v)
{
    if (status_divisor > 0) return status_divisor;
    if (v.actual_view) return v.actual_divisor;
    return v.zoom >= 0.99 ? 1 : 0;
}

// Fills a band of the current page; a fill takes the text colour.
static void fill_band(double left, double top, double right, double bottom, COLORREF colour)
{
    _setcolor(colour);
    _settextcolor(colour);
    _rectangle(0, left, top, right, bottom);
}

void draw_viewer_status(viewer_state_record& v, int index, int divisor)
{
    char line[1024];
    format_viewer_status(v, index, divisor, line, sizeof line);
    if (viewer_now.full_screen) {
        _selectpage(0, VIEWER_PAGE);
        fill_band(0, 0, v.client_width, 12, L.settings.sldbkcolor);
        _setfont("t'ＭＳ Ｐゴシック' h12");
        _settextcolor(L.settings.sldtxtcolor);
        _moveto(L.cell_width * L.columns / 2 + L.left_margin, 0);
        _puttext(line, TRANSPARENT);
        return;
    }
    _setfont("t'ＭＳ Ｐゴシック' h12");
    status_divisor = divisor;
    viewer_now.zoom_step = viewer_zoom_step(v);
    status_divisor = 0;
    draw_toolbar();
    RECT box = viewer_image_box(v);
    // Right of the left strip, which the toolbar has just drawn.
    fill_band(L.left_margin, box.top - 14, v.client_width, box.top - 1, L.colours[COLOUR_BK]);
    _settextcolor(L.colours[COLOUR_SYS]);
    _moveto(box.left, box.top - 12);
    _puttext(line, TRANSPARENT);
}

void redraw_viewer_status(viewer_state_record& v)
{
    draw_viewer_status(v, viewer_now.current_index, v.actual_view ? v.actual_divisor : 0);
}

// Showing ------------------------------------------------------------------------------

// The entry to prepare in idle time (-1: none): the one after the picture
// just shown, prepared once it is painted and no input waits, so that a key
// pressed meanwhile is handled first.
static int next_to_prepare = -1;

static void prepare_later(viewer_state_record& v) { next_to_prepare = next_slide_index(v, 1); }

int viewer_idle_step()
{
    viewer_state_record& v = viewer_state;
    int index = next_to_prepare;
    if (index < 0) return 0;
    bool wanted = viewer_now.mode == VIEWER_MODE_ONE && index < L.count && _page_hwnd(L.page) &&
                  (v.shown_index != index || _page_info(VIEWER_SLOT).kind < 0);
    if (wanted && prepare_band(v, index)) return 1;
    if (!wanted) drop_banded();
    next_to_prepare = -1;
    return 1;
}

void show_slide(viewer_state_record& v)
{
    if (v.actual_view) close_actual_view(v);
    v.zoom = placement_zoom(v);
    viewer_now.current_index = v.shown_index;
    set_browser_title(viewer_now.current_index + 1);
    int page = viewer_now.full_screen ? VIEWER_PAGE : L.page;
    _selectpage(0, page);
    client_of(page, &v.client_width, &v.client_height);
    // Cleared without a paint: the window shows the last picture until the
    // page is complete, and then paints once.
    _clearscreen(2 | 4);
    draw_viewer_status(v, viewer_now.current_index, 0);
    int w = v.placement[3], h = v.placement[4];
    if (viewer_now.full_screen) {
        double x = int((v.client_width - w) * 0.5), y = int((v.client_height - h) * 0.5);
        if (v.random_placement && v.random_step) {
            int side = v.client_width < v.client_height ? v.client_width : v.client_height;
            x = rand() * double(v.client_width - side) / 32767 - (w - side) * 0.5;
            y = rand() * double(v.client_height - side) / 32767 - (h - side) * 0.5;
        }
        v.shown_x = int(x);
        _drawpage(VIEWER_SLOT, x, y, 1);
    } else {
        HWND child = page_drawing_window(L.page);
        if (child) update_list_scrollbar(viewer_now.current_index, L.count > 0 ? L.count - 1 : 0, child);
        int t = L.top_margin;
        double x = (v.client_width - w) * 0.5, y = (v.client_height - t - 2 - h) * 0.5 + t + 2;
        v.shown_x = int(x);
        _drawpage(VIEWER_SLOT, x, y, 1);
        if (entry_selected(viewer_now.current_index)) draw_viewer_mark(v);
    }
    _selectpage(1, page);
    _pump();
    v.slide_start = viewer_clock.now();
}

static int clamp_index(int index)
{
    if (index >= L.count) index = L.count - 1;
    return index < 0 ? 0 : index;
}

void viewer_show_entry(viewer_state_record& v, int index)
{
    if (L.count <= 0) return;
    index = clamp_index(index);
    {
        busy_guard busy(BUSY_WAIT);
        if (v.shown_index != index || _page_info(VIEWER_SLOT).kind < 0) prepare_fullscreen_image(v, index);
        show_slide(v);
    }
    update_cursor();
    viewer_now.current_index = index;
    prepare_later(v);
}

void viewer_step(viewer_state_record& v, int direction)
{
    if (L.count <= 0) return;
    int target = next_slide_index(v, direction);
    viewer_show_entry(v, target);
}

// Modes -------------------------------------------------------------------------------

static HWND page_frame(int page)
{
    HWND child = _page_hwnd(page);
    return child ? GetParent(child) : nullptr;
}

void view_one_image(viewer_state_record& v, int index)
{
    if (L.count <= 0) return;
    index = clamp_index(index);
    v.previous_mode = viewer_now.mode;
    {
        busy_guard busy(BUSY_WAIT);
        viewer_now.mode = VIEWER_MODE_ONE;
        _selectpage(0, L.page);
        _clearscreen(2);
        HWND child = page_drawing_window(L.page);
        if (child) update_list_scrollbar(index, L.count - 1, child);
        set_browser_title(index + 1);
        if (!viewer_now.full_screen) _status_text(L.page, "%s", "");
        prepare_fullscreen_image(v, index);
        show_slide(v);
    }
    update_cursor();
    if (HWND frame = page_frame(L.page)) EnableWindow(frame, TRUE);
    prepare_later(v);
}

// The menu bar of page 1's frame, every item greyed or enabled by position.
static void enable_menu_bar(UINT flag)
{
    HWND frame = page_frame(L.page);
    HMENU menu = frame ? GetMenu(frame) : nullptr;
    if (!menu) return;
    int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; i++) EnableMenuItem(menu, UINT(i), MF_BYPOSITION | flag);
    DrawMenuBar(frame);
}

// The full-screen page covers the whole screen: the library makes it 10 x 10.
static void size_fullscreen_page()
{
    HWND w = page_drawing_window(VIEWER_PAGE);
    if (!w) return;
    SetWindowPos(w, HWND_TOPMOST, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), SWP_SHOWWINDOW);
}

void enter_fullscreen(viewer_state_record& v, int index)
{
    if (L.count <= 0) return;
    index = clamp_index(index);
    {
        busy_guard busy(BUSY_WAIT);
        v.previous_mode = viewer_now.mode;
        if (viewer_now.mode == VIEWER_MODE_LIST) viewer_now.mode = VIEWER_MODE_ONE;
        viewer_now.full_screen = 1;
        _newpage_fullscreen(VIEWER_PAGE, L.settings.sldbkcolor);
        size_fullscreen_page();
        _selectpage(0, VIEWER_PAGE);
        _clearscreen(2);
        enable_menu_bar(MF_GRAYED);
        prepare_fullscreen_image(v, index);
        show_slide(v);
        busy_reset();
    }
    update_cursor();
    if (HWND frame = page_frame(L.page)) EnableWindow(frame, TRUE);
    prepare_later(v);
}

static void show_page_frame()
{
    if (HWND frame = page_frame(L.page)) ShowWindow(frame, SW_SHOW);
}

int leave_fullscreen(viewer_state_record& v)
{
    if (!viewer_now.full_screen) return 0;
    viewer_now.full_screen = 0;  // first: back_to_list comes here again
    enable_menu_bar(MF_ENABLED);
    if (v.previous_mode == VIEWER_MODE_LIST) {
        _selectpage(0, L.page);
        _clearscreen(2);
        show_page_frame();
        back_to_list(v);
        _page_free(VIEWER_SLOT);
        _page_free(VIEWER_SLOT2);
        return 1;
    }
    {
        busy_guard busy(BUSY_WAIT);
        prepare_fullscreen_image(v, viewer_now.current_index);
        _selectpage(0, L.page);
        _clearscreen(2);
        show_page_frame();
        show_slide(v);
    }
    prepare_later(v);
    return 0;
}

void back_to_list(viewer_state_record& v)
{
    if (viewer_now.mode == VIEWER_MODE_LIST) {
        if (v.actual_view) close_actual_view(v);  // the view lives in one-image mode only
        return;
    }
    viewer_now.mode = VIEWER_MODE_LIST;
    next_to_prepare = -1;
    drop_banded();
    bmap_keep_spare(0);
    // The viewer's help in the status line goes with it: a pointer left on
    // the toolbar would not replace it.
    _status_text(L.page, "%s", "");
    update_cursor();
    _pump();
    {
        busy_guard busy(BUSY_WAIT);
        _selectpage(0, L.page);
        _clearscreen(2);
        viewer_now.current_index = L.count > 0 ? clamp_index(viewer_now.current_index) : 0;
        if (L.per_page > 0 && L.columns > 0) {
            L.first_row = viewer_now.current_index / L.per_page * L.rows;
            clamp_first_row();
        }
        if (v.actual_view) close_actual_view(v);
    }
    leave_fullscreen(v);
}

void leave_viewer(viewer_state_record& v)
{
    if (viewer_now.full_screen) {
        v.previous_mode = VIEWER_MODE_LIST;  // out of full screen to the list, not to the window viewer
        leave_fullscreen(v);
        _hide_fullscreen_pages();
    }
    back_to_list(v);
}

// The copy ------------------------------------------------------------------------------

int copy_image_shown(viewer_state_record& v)
{
    if (L.count <= 0 || viewer_now.current_index < 0 || viewer_now.current_index >= L.count) return 0;
    if (mb_strchr(L.names[viewer_now.current_index], '*')) return 0;
    if (v.actual_view) return nftw_copy_picture(v.actual_view);
    // Slot 11 holds the next entry once it has been prepared in advance.
    if (v.shown_index != viewer_now.current_index || _page_info(VIEWER_SLOT).kind < 0)
        prepare_fullscreen_image(v, viewer_now.current_index);
    if (!_page_to_bmap(VIEWER_SLOT)) return 0;
    page_info info = _page_info(VIEWER_SLOT);
    return info.image ? _bmap_to_clipboard(info.image) : 0;
}

// Actual size ---------------------------------------------------------------------------

int max_actual_divisor(viewer_state_record& v)
{
    if (!(v.zoom > 0) || v.zoom > 0.99) return 0;
    double n = 1 / v.zoom;
    if (n >= 8) return 8;
    if (n >= 4) return 4;
    if (n >= 2) return 2;
    return 1;
}

int actual_view_allowed(viewer_state_record& v, int divisor)
{
    if (divisor != 0) {
        if (v.actual_view && v.actual_divisor == divisor) return 0;
        return divisor <= max_actual_divisor(v);
    }
    return viewer_now.mode == VIEWER_MODE_ONE && v.actual_view != nullptr;
}

void close_actual_view(viewer_state_record& v)
{
    if (v.actual_view) destroy_nftw_window(v.actual_view);
    v.actual_view = nullptr;
    v.actual_divisor = 0;
}

void view_actual_size(viewer_state_record& v, int divisor)
{
    if (viewer_now.full_screen || divisor < 1 || !(v.zoom > 0) || v.zoom > 0.99) return;
    if (divisor > max_actual_divisor(v) || (v.actual_view && v.actual_divisor == divisor)) return;
    _status_text(L.page, "%s", "画像準備中...");
    {
        busy_guard busy(BUSY_WAIT);
        _selectpage(0, L.page);
        _clearscreen(2);
        draw_viewer_status(v, viewer_now.current_index, divisor);
        entry_ref e(viewer_now.current_index);
        char path[PATH_BUF];
        _bmap* b = nullptr;
        if (e.effective && e.effective->layer) {
            b = load_entry_pages(viewer_now.current_index, 1, divisor);
        } else if (e.effective && e.effective->name(path)) {
            b = _bmap_load(path, 0, reduced_load_scale(e.effective->image_kind - 1, divisor));
            int wanted = e.effective->width / divisor;
            if (b && divisor > 1 && wanted > 0 && b->width > wanted + 1) {
                _bmap* smaller = _bmap_scale(1.0 / divisor, 0.14, b);
                _bmap_delete(b);
                b = smaller;
            }
            int rotation = rotation_from_name(path);
            if (b && rotation) {
                if (_bmap* turned = _bmap_rotate(b, rotation * 90)) {
                    _bmap_delete(b);
                    b = turned;
                }
            }
        }
        if (b) {
            nftw_view* old = v.actual_view;
            v.actual_view = create_nftw_window(page_drawing_window(L.page), b, viewer_now.current_index);
            v.actual_divisor = divisor;
            if (old) destroy_nftw_window(old);
        }
        _status_text(L.page, "%s", "");
    }
    _selectpage(1, L.page);
}
