// The page table and its page windows: framed and full-screen pages, the
// current drawing page, moving, sizing and finding pages.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"
#include <commctrl.h>
#include <new>

page_record* page_table[PAGE_SLOTS];
page_record* current_page;
HDC current_window_dc;
COLORREF new_page_background = GetSysColor(COLOR_WINDOW);

static char fullscreen_class[32];
static HBRUSH fullscreen_brush;
static COLORREF fullscreen_colour;
static int fullscreen_counter;

static const DWORD child_style_default = WS_CHILD | WS_VISIBLE | WS_VSCROLL;

void page_layout(page_record* p)
{
    if (!p || p->kind != PAGE_FRAMED || !p->frame) return;
    RECT rc;
    GetClientRect(p->frame, &rc);
    int bar_height = 0;
    if (p->statusbar) {
        SendMessageA(p->statusbar, WM_SIZE, 0, 0);
        int parts[2] = {150, rc.right};
        SendMessageA(p->statusbar, SB_SETPARTS, 2, (LPARAM)parts);
        RECT sb;
        GetWindowRect(p->statusbar, &sb);
        bar_height = sb.bottom - sb.top;
    }
    if (p->child) MoveWindow(p->child, 0, 0, rc.right, rc.bottom - bar_height, TRUE);
}

static void invalidate_page(page_record* p, int erase)
{
    if (!p || !p->frame) return;
    if (p->child) {
        InvalidateRect(p->child, nullptr, erase);
        return;
    }
    RECT rc;
    GetClientRect(p->frame, &rc);
    if (p->statusbar) {
        RECT sb;
        GetWindowRect(p->statusbar, &sb);
        rc.bottom -= sb.bottom - sb.top;
    }
    InvalidateRect(p->frame, &rc, erase);
}

void _page_invalidate(int erase) { invalidate_page(current_page, erase); }

// The current page stops being current: its recording is closed into its
// stored picture and its DCs let go, so that nothing points at it afterwards.
static void leave_current(int erase)
{
    page_record* p = current_page;
    if (!p) return;
    if (p->kind == PAGE_BUFFER) {
        drawing_state_unselect(p->dc);
    } else {
        record_close(p);
        if (current_window_dc) ReleaseDC(p->frame, current_window_dc);
        current_window_dc = nullptr;
        if (p->kind == PAGE_FRAMED && erase >= 0) invalidate_page(p, erase);
    }
    current_page = nullptr;
}

void page_release_current(page_record* p)
{
    if (p && p == current_page) leave_current(-1);
}

// Makes p the current page (p is a framed or full-screen page, or a buffer).
static void enter_current(page_record* p)
{
    current_page = p;
    if (p->kind == PAGE_BUFFER) {
        drawing_state_select(p->dc);
        return;
    }
    record_open(p);
    current_window_dc = GetDC(p->frame);
}

int _selectpage(int erase, int page)
{
    if (page < 1 || page >= PAGE_SLOTS || !page_table[page]) return 0;
    page_record* p = page_table[page];
    if (p->kind == PAGE_IMAGE) return 0;  // an image has no DC to draw into
    // With the current page freed or replaced, none is current: N is
    // entered as if another page were being left.
    if (current_page && p == current_page) {
        if (p->kind == PAGE_BUFFER) return 1;
        record_close(p);
        record_open(p);
        _page_invalidate(erase);
        return 1;
    }
    leave_current(erase);
    enter_current(p);
    if (p->kind == PAGE_BUFFER) return 1;
    if (p->kind == PAGE_FULLSCREEN) {
        SetWindowPos(p->frame, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    } else {
        invalidate_page(p, erase);
    }
    return 1;
}

// Steps shared by both page kinds once the window exists.
static void become_page(page_record* p)
{
    if (current_page) {
        _selectpage(0, p->number);
    } else {
        enter_current(p);
        init_CurWnd();
    }
}

static page_record* new_record(int page, int kind)
{
    page_record* p = new page_record();
    p->number = page;
    p->kind = kind;
    p->x_origin = p->y_origin = 0.0;
    page_table[page] = p;
    return p;
}

static void drop_record(int page)
{
    delete page_table[page];
    page_table[page] = nullptr;
}

int _newpage(int page, double x, double y, double width, double height)
{
    if (page > PAGE_SLOTS - 1 || page < 0) return 0;
    if (page == 0) _fatal("page=0. 0 means console.", "_newpage");
    if (page_table[page]) _page_free(page);
    page_record* p = new_record(page, PAGE_FRAMED);
    p->child_style = child_style_default;

    HBRUSH brush = new_page_background == GetSysColor(COLOR_WINDOW) ? (HBRUSH)(COLOR_WINDOW + 1)
                                                                    : CreateSolidBrush(new_page_background);
    const char* cls = _register_page_class(brush);
    int w = (int)(width < 0 ? -width : width), h = (int)(height < 0 ? -height : height);
    HWND frame = cls ? CreateWindowExA(WS_EX_WINDOWEDGE, cls, " - ZOTE1.67", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                       (int)x, (int)y, w, h, nullptr, CreateMenu(), kavtrel_instance, nullptr)
                     : nullptr;
    if (!frame) {
        drop_record(page);
        _fatal("failed to CreateWindow", "_newpage");
    }
    p->frame = frame;
    RECT rc;
    GetClientRect(frame, &rc);
    p->child = CreateWindowExA(WS_EX_CLIENTEDGE, cls, "", p->child_style, 0, 0, rc.right, rc.bottom, frame, nullptr,
                               kavtrel_instance, nullptr);
    DragAcceptFiles(frame, TRUE);
    if (_fit_client(frame, width, height)) _fit_client(frame, width, height);
    page_layout(p);
    become_page(p);
    p->background = new_page_background;
    _page_defaults();
    return 1;
}

int _newpage_fullscreen(int page, COLORREF colour)
{
    if (page > PAGE_SLOTS - 1 || page < 0) return 0;
    if (page == 0) _fatal("page=0. 0 means console.", "_newpage");
    if (page_table[page]) _page_free(page);
    page_record* p = new_record(page, PAGE_FULLSCREEN);

    if (fullscreen_class[0] && fullscreen_colour != colour) {
        // A class still used by a live full-screen window cannot be
        // unregistered; it then stays beside the new one, with its brush.
        // Unregistering deletes the class brush itself; only a brush that
        // survived it is still ours to delete.
        if (UnregisterClassA(fullscreen_class, kavtrel_instance) && GetObjectType(fullscreen_brush)) {
            if (!DeleteObject(fullscreen_brush)) _fatal("failed to delete solid brush object.", "_newpage");
        }
        fullscreen_class[0] = 0;
        fullscreen_brush = nullptr;
    }
    if (!fullscreen_class[0]) {
        text_format_cut(fullscreen_class, sizeof fullscreen_class, "kvtfscrn%d", fullscreen_counter);
        fullscreen_brush = CreateSolidBrush(colour);
        _register_class(CS_DBLCLKS, _page_wndproc, fullscreen_brush, fullscreen_class);
        fullscreen_counter++;
        fullscreen_colour = colour;
    }
    HWND window = CreateWindowExA(WS_EX_TOPMOST, fullscreen_class, "", WS_CHILD | WS_VISIBLE | WS_MAXIMIZE, 0, 0, 10,
                                  10, GetDesktopWindow(), nullptr, kavtrel_instance, nullptr);
    if (!window) {
        drop_record(page);
        _fatal("failed to CreateWindow", "_newpage");
    }
    p->frame = window;
    p->background = colour;
    become_page(p);
    _page_defaults();
    return 1;
}

const char* fullscreen_class_name() { return fullscreen_class; }

int _hide_fullscreen_pages()
{
    int n = 0;
    for (int i = 1; i < PAGE_SLOTS; i++) {
        page_record* p = page_table[i];
        if (p && p->kind == PAGE_FULLSCREEN && p->frame) {
            ShowWindow(p->frame, SW_HIDE);
            n++;
        }
    }
    return n;
}

int _setbkcolor(COLORREF colour)
{
    for (int i = 1; i < PAGE_SLOTS; i++) {
        page_record* p = page_table[i];
        if (!p) continue;
        if (p->kind == PAGE_FRAMED && p->child && p->background != colour) {
            RECT rc;
            GetWindowRect(p->child, &rc);
            DestroyWindow(p->child);
            const char* cls = _register_page_class(CreateSolidBrush(colour));
            p->child = cls ? CreateWindowExA(WS_EX_CLIENTEDGE, cls, "", p->child_style, 0, 0, rc.right - rc.left,
                                             rc.bottom - rc.top, p->frame, nullptr, kavtrel_instance, nullptr)
                           : nullptr;
        }
        p->background = colour;
    }
    new_page_background = colour;
    return 1;
}

static HWND frame_of(int page)
{
    if (page == 0) return console_frame;
    if (page < 0 || page >= PAGE_SLOTS || !page_table[page]) return nullptr;
    return page_table[page]->frame;
}

int _page_move(int page, double x, double y)
{
    HWND w = frame_of(page);
    if (!w) return 0;
    return SetWindowPos(w, nullptr, (int)x, (int)y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int _page_resize(int page, double width, double height, const char* title)
{
    HWND w = frame_of(page);
    if (!w) return 0;
    RECT wr;
    GetWindowRect(w, &wr);
    int nw = width == 0 ? wr.right - wr.left : (int)width;
    int nh = height == 0 ? wr.bottom - wr.top : (int)height;
    if (nw > 0 && nh > 0) {
        RECT area;
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
        int left = area.left + (int)((area.right - area.left - nw) * 0.5);
        int top = area.top + (int)((area.bottom - area.top - nh) * 0.5);
        if (!MoveWindow(w, left, top, nw, nh, TRUE)) return 0;
    }
    if (title) return SetWindowTextA(w, title) != 0;
    return 1;
}

HWND _page_hwnd(int page)
{
    if (page == 0) return console_control();
    if (page < 0 || page >= PAGE_SLOTS || !page_table[page]) return nullptr;
    return page_table[page]->child;
}

page_record* _page_of_frame(HWND frame)
{
    if (!frame) return nullptr;
    for (int i = 1; i < PAGE_SLOTS; i++)
        if (page_table[i] && page_table[i]->frame == frame) return page_table[i];
    return nullptr;
}

page_record* _page_of_child(HWND child)
{
    if (!child) return nullptr;
    for (int i = 1; i < PAGE_SLOTS; i++)
        if (page_table[i] && page_table[i]->child == child) return page_table[i];
    return nullptr;
}

int _page_number_of(HWND frame)
{
    page_record* p = _page_of_frame(frame);
    return p ? p->number : 0;
}

int _fit_client(HWND frame, double width, double height)
{
    RECT wr, cr;
    GetWindowRect(frame, &wr);
    GetClientRect(frame, &cr);
    int ow = wr.right - wr.left, oh = wr.bottom - wr.top;
    int nw = ow, nh = oh;
    int changed = 0;
    if (width < 0) {
        int c = (int)-width;
        nw = ow - cr.right + c;
        if (cr.right != c) changed = 1;
    }
    if (height < 0) {
        int c = (int)-height;
        nh = oh - cr.bottom + c;
        if (cr.bottom != c) changed = 1;
    }
    MoveWindow(frame, wr.left, wr.top, nw, nh, TRUE);
    return changed;
}

// The console frame is going: close the current recording, let go of its
// DCs and the drawing objects, and free every slot.
void pages_shutdown()
{
    leave_current(-1);
    drawing_objects_delete();
    for (int i = 1; i < PAGE_SLOTS; i++)
        if (page_table[i]) _page_free(i);
}
