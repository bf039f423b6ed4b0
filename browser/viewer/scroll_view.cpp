// The scroll view of the one-image viewer (see scroll_view.h). One view is
// open at a time; its scroll loops pump messages, so every step checks that
// the view still exists before it touches it again.
#include "browser/viewer/scroll_view.h"
#include "browser/model/browser_list.h"
#include "browser/grid/grid.h"
#include "browser/caches/thumb_cache.h"
#include "browser/viewer/viewer.h"
#include "base/holders.h"
#include "graphics/kavtrel.h"

static browser_list_record& L = browser_list;
static nftw_view* live_view;  // the open view, for the loops' checks
static int view_counter;
static bool class_ready;

static bool register_class()
{
    if (class_ready) return true;
    WNDCLASSA c = {};
    c.style = CS_HREDRAW | CS_VREDRAW;
    c.lpfnWndProc = nftw_wnd_proc;
    c.hInstance = kavtrel_instance;
    c.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    c.hCursor = LoadCursor(nullptr, IDC_CROSS);
    c.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    c.lpszClassName = "nftw";
    if (!RegisterClassA(&c)) {
        UnregisterClassA("nftw", kavtrel_instance);
        return false;
    }
    class_ready = true;
    return true;
}

// The miniature: a copy of the entry's thumbnail, made current first (it may
// never have been drawn or may have been replaced), else the picture itself.
static _bmap* overview_source(int index, _bmap* picture)
{
    if (thumb_cache.item_index) {
        thumb_cache_draw(index, &thumb_cache, 0);
        int slot = thumb_image_index(index, &thumb_cache);
        if (slot > THUMB_SLOT_BASE && _page_to_bmap(slot)) {
            page_info info = _page_info(slot);
            if (info.image) return _bmap_zoom(info.image, 0, 1.0);
        }
    }
    return _bmap_zoom(picture, 0, 1.0);
}

static void make_overview(nftw_view* v, int index)
{
    int inner = v->side - 4;
    _bmap* small = overview_source(index, v->picture);
    if (small && small->width > 0 && small->height > 0 && inner > 0) {
        double f = small->width >= small->height ? double(inner) / small->width : double(inner) / small->height;
        if (f < 1) {
            if (_bmap* z = _bmap_zoom(small, 0, f)) {
                _bmap_delete(small);
                small = z;
            }
        }
    }
    int ow = v->picture->width >= v->picture->height ? inner : inner * v->picture->width / v->picture->height;
    int oh = v->picture->width >= v->picture->height ? inner * v->picture->height / v->picture->width : inner;
    v->overview_width = ow < 1 ? 1 : ow;
    v->overview_height = oh < 1 ? 1 : oh;
    v->overview_x = (v->side - v->overview_width) / 2;
    v->overview_y = (v->side - v->overview_height) / 2;
    _newbuffer(v->overview_slot, v->side, v->side);
    page_info info = _page_info(v->overview_slot);
    if (info.dc) {
        pen_holder pen(CreatePen(PS_SOLID, 1, L.toolbar_colour));
        brush_holder fill(CreateSolidBrush(L.colours[COLOUR_BK]));
        selected_object p(info.dc, pen.get());
        selected_object b(info.dc, fill.get());
        Rectangle(info.dc, 0, 0, v->side, v->side);
        if (small) {
            SetStretchBltMode(info.dc, HALFTONE);
            StretchDIBits(info.dc, v->overview_x, v->overview_y, v->overview_width, v->overview_height, 0, 0,
                          small->width, small->height, small->pixels,
                          reinterpret_cast<const BITMAPINFO*>(&small->header), DIB_RGB_COLORS, SRCCOPY);
        }
    }
    if (small) _bmap_delete(small);
}

nftw_view* create_nftw_window(HWND parent, _bmap* picture, int index)
{
    nftw_view* v = new nftw_view{};
    v->picture = picture;
    v->step = 30;
    if (!picture || !register_class()) return v;
    view_counter++;
    int p = view_counter & 1;
    v->overview_slot = 13 + p;
    v->view_slot = 15 + p;
    RECT rc = {0, 0, 0, 0};
    GetClientRect(parent, &rc);
    int cw = rc.right, ch = rc.bottom, m = L.left_margin, t = L.top_margin;
    v->side = t + 21;
    v->view_x = m + 2;
    v->view_y = v->side;
    v->view_width = cw - m - 4;
    v->view_height = ch - t - 38;
    if (picture->width < v->view_width) {
        v->view_x += (v->view_width - picture->width) / 2;
        v->view_width = picture->width;
    }
    if (picture->height < v->view_height) {
        v->view_y += (v->view_height - picture->height) / 2;
        v->view_height = picture->height;
    }
    if (v->view_width < 1) v->view_width = 1;
    if (v->view_height < 1) v->view_height = 1;
    make_overview(v, index);
    v->overview_window = CreateWindowExA(0, "nftw", "", WS_CHILD | WS_BORDER, cw - v->side, 0, v->side, v->side, parent,
                                         nullptr, kavtrel_instance, nullptr);
    v->view_window = CreateWindowExA(0, "nftw", "", WS_CHILD, v->view_x, v->view_y, v->view_width, v->view_height,
                                     parent, nullptr, kavtrel_instance, nullptr);
    if (!direct_dib_stretch) _newbuffer(v->view_slot, v->view_width, v->view_height);
    live_view = v;
    for (HWND w : {v->overview_window, v->view_window}) {
        if (!w) continue;
        SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(v));
        ShowWindow(w, SW_SHOWNA);
    }
    nftw_update_cursor(v);
    v->step = 30;
    return v;
}

void destroy_nftw_window(nftw_view* v)
{
    if (!v) return;
    if (live_view == v) live_view = nullptr;
    v->scrolling = 0;
    if (v->overview_window) DestroyWindow(v->overview_window);
    if (v->view_window) DestroyWindow(v->view_window);
    if (v->overview_slot) _page_free(v->overview_slot);
    if (v->view_slot) _page_free(v->view_slot);
    if (v->picture) _bmap_delete(v->picture);
    delete v;
}

// Zones ------------------------------------------------------------------------------

static int zone(int position, int size, int offset, int picture_size)
{
    int z = position > 2 * size / 3 ? 1 : position < size / 3 ? -1 : 0;
    if (z > 0 && offset + size >= picture_size) return 0;
    if (z < 0 && offset <= 0) return 0;
    return z;
}

int nftw_zone_x(const nftw_view* v, int x) { return zone(x, v->view_width, v->offset_x, v->picture->width); }
int nftw_zone_y(const nftw_view* v, int y) { return zone(y, v->view_height, v->offset_y, v->picture->height); }

// The offset moved by steps, kept inside the picture; a picture not larger
// than the view gives a negative upper bound, so 0 is applied last.
static int clamped(int offset, int upper)
{
    if (offset > upper) offset = upper;
    if (offset < 0) offset = 0;
    return offset;
}

static void refresh_windows(nftw_view* v)
{
    for (HWND w : {v->view_window, v->overview_window}) {
        if (!w) continue;
        InvalidateRect(w, nullptr, FALSE);
        UpdateWindow(w);
    }
}

void nftw_scroll_loop(nftw_view* v, int dx, int dy)
{
    while (live_view == v && v->scrolling == 1 && viewer_loop_may_go_on()) {
        int ax = dx > 0   ? (v->offset_x + v->view_width >= v->picture->width ? 0 : 1)
                 : dx < 0 ? (v->offset_x <= 0 ? 0 : -1)
                          : 0;
        int ay = dy > 0   ? (v->offset_y + v->view_height >= v->picture->height ? 0 : 1)
                 : dy < 0 ? (v->offset_y <= 0 ? 0 : -1)
                          : 0;
        v->offset_x = clamped(v->offset_x + ax * v->step, v->picture->width - v->view_width - 1);
        v->offset_y = clamped(v->offset_y + ay * v->step, v->picture->height - v->view_height - 1);
        refresh_windows(v);
        _pump();
        if (live_view != v) return;
        viewer_clock.sleep(1);
        nftw_update_cursor(v);
    }
    if (live_view == v) v->scrolling = 0;
}

void nftw_mouse_down(nftw_view* v, LPARAM position)
{
    if (v->scrolling) return;
    int dx = nftw_zone_x(v, short(LOWORD(position))), dy = nftw_zone_y(v, short(HIWORD(position)));
    if (!dx && !dy) return;
    v->scrolling = 1;
    // The release may come anywhere on the screen: it must still end the loop.
    HWND window = v->view_window;
    SetCapture(window);
    nftw_scroll_loop(v, dx, dy);
    if (GetCapture() == window) ReleaseCapture();
}

void nftw_key_scroll(nftw_view* v, int key)
{
    if (v->scrolling) return;
    int dx = 0, dy = 0;
    switch (key) {
    case VK_LEFT: dx = -1; break;
    case VK_RIGHT: dx = 1; break;
    case VK_UP: dy = -1; break;
    case VK_DOWN: dy = 1; break;
    default: return;
    }
    v->scrolling = 1;
    nftw_scroll_loop(v, dx, dy);
}

void nftw_update_cursor(nftw_view* v)
{
    static HCURSOR cursors[9];
    static const int ids[9] = {189, 187, 192, 184, 0, 185, 188, 186, 191};
    // Where the program's own cursors are missing, the system's arrows stand in.
    static const LPCSTR system_ids[9] = {IDC_SIZENWSE, IDC_SIZEWE,   IDC_SIZENESW, IDC_SIZENS,  IDC_ARROW,
                                         IDC_SIZENS,   IDC_SIZENESW, IDC_SIZEWE,   IDC_SIZENWSE};
    if (!cursors[4]) {
        for (int i = 0; i < 9; i++) {
            cursors[i] = ids[i] ? LoadCursorA(kavtrel_instance, MAKEINTRESOURCEA(ids[i])) : nullptr;
            if (!cursors[i]) cursors[i] = LoadCursor(nullptr, system_ids[i]);
        }
    }
    if (!v->view_window) return;
    POINT p;
    RECT r;
    if (!GetCursorPos(&p) || !GetWindowRect(v->view_window, &r) || !PtInRect(&r, p)) return;
    ScreenToClient(v->view_window, &p);
    SetCursor(cursors[4 + 3 * nftw_zone_x(v, p.x) + nftw_zone_y(v, p.y)]);
}

// Painting -----------------------------------------------------------------------------

RECT nftw_overview_frame(const nftw_view* v)
{
    RECT r;
    int pw = v->picture->width, ph = v->picture->height;
    r.left = int((v->side - v->overview_width) * 0.5 + double(v->offset_x) * v->overview_width / pw);
    r.top = int((v->side - v->overview_height) * 0.5 + double(v->offset_y) * v->overview_height / ph);
    r.right = r.left + int(double(v->overview_width) * v->view_width / pw);
    r.bottom = r.top + int(double(v->overview_height) * v->view_height / ph);
    return r;
}

static void paint_view(nftw_view* v, HDC dc)
{
    _bmap* b = v->picture;
    // The rows of the part in view, counted from the top of a top-down DIB.
    int w = v->view_width < b->width ? v->view_width : b->width;
    int h = v->view_height < b->height ? v->view_height : b->height;
    const BITMAPINFO* info = reinterpret_cast<const BITMAPINFO*>(&b->header);
    page_info buffer = _page_info(v->view_slot);
    HDC target = !direct_dib_stretch && buffer.dc ? buffer.dc : dc;
    StretchDIBits(target, 0, 0, w, h, v->offset_x, b->height - v->offset_y - h, w, h, b->pixels, info, DIB_RGB_COLORS,
                  SRCCOPY);
    if (target != dc) BitBlt(dc, 0, 0, w, h, target, 0, 0, SRCCOPY);
}

static void paint_overview(nftw_view* v, HDC dc)
{
    page_info info = _page_info(v->overview_slot);
    if (info.dc) BitBlt(dc, 0, 0, v->side, v->side, info.dc, 0, 0, SRCCOPY);
    RECT f = nftw_overview_frame(v);
    pen_holder pen(CreatePen(PS_SOLID, 1, 0x808080));
    selected_object p(dc, pen.get());
    selected_object hollow(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, f.left, f.top, f.right, f.bottom);
}

void nftw_paint(nftw_view* v, HWND window, HDC dc)
{
    if (window == v->view_window)
        paint_view(v, dc);
    else if (window == v->overview_window)
        paint_overview(v, dc);
}

int nftw_copy_picture(nftw_view* v) { return v && v->picture ? _bmap_to_clipboard(v->picture) : 0; }

// The window procedure ------------------------------------------------------------------

// The right button goes on to the browser's window below, whose hook shows
// the entry menu of the viewer's entry at the point.
static void on_right_down(HWND window, WPARAM flags, LPARAM lp)
{
    POINT p = {short(LOWORD(lp)), short(HIWORD(lp))};
    HWND parent = GetParent(window);
    MapWindowPoints(window, parent, &p, 1);
    SendMessageA(parent, WM_RBUTTONDOWN, flags, MAKELPARAM(p.x, p.y));
}

LRESULT CALLBACK nftw_wnd_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    nftw_view* v = reinterpret_cast<nftw_view*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!v || v != live_view) return DefWindowProcA(window, message, wparam, lparam);
    switch (message) {
    case WM_LBUTTONDOWN:
        if (window == v->view_window) nftw_mouse_down(v, lparam);
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: v->scrolling = 0; return 0;
    case WM_RBUTTONDOWN: on_right_down(window, wparam, lparam); return 0;
    case WM_MOUSEMOVE:
        nftw_update_cursor(v);
        _status_text(L.page, "%s", "");
        _status_printf(L.page, "%s", "ｸﾘｯｸ,ｶｰｿﾙｷｰ=ｽｸﾛｰﾙ｜右ｸﾘｯｸ=ﾒﾆｭｰ｜Esc,Enter=戻る");
        break;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        nftw_paint(v, window, dc);
        EndPaint(window, &ps);
        return 0;
    }
    default: break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}
