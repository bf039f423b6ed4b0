// Test helpers for the window and graphics library: the library started once
// in the test process (console frame hidden), and pictures of pages rendered
// the way a page window paints them.
#pragma once
#include "graphics/kavtrel.h"
#include "graphics/internal.h"  // pages are rendered as their window paints them, from their records
#include "tests/support/canvas.h"
#include <vector>

// Starts the library as the process entry would, once; later calls do nothing.
inline void library_ready() { kavtrel_start(GetModuleHandleA(nullptr), nullptr, ""); }

// A page's stored picture painted into a 32-bit bitmap of its drawing
// window's client size (or w x h when given), white beforehand. Pixels are
// 0x00RRGGBB, top-down.
struct rendered {
    int width = 0, height = 0;
    std::vector<DWORD> pixels;
    DWORD at(int x, int y) const { return pixels[(size_t)y * width + x]; }
};

inline rendered render_page(page_record* p, int w = 0, int h = 0)
{
    rendered r;
    HWND window = p->child ? p->child : p->frame;
    RECT rc;
    GetClientRect(window, &rc);
    r.width = w ? w : rc.right;
    r.height = h ? h : rc.bottom;
    bench::canvas c(r.width, r.height);
    RECT all = {0, 0, r.width, r.height};
    FillRect(c.dc(), &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    if (p->picture) _paint_page(window, c.dc(), p->picture, p);
    r.pixels.assign(c.pixels(), c.pixels() + (size_t)r.width * r.height);
    for (DWORD& px : r.pixels) px &= 0xffffff;
    return r;
}

// A hidden top-level window of its own class, whose messages go to `proc`.
inline HWND hidden_window(WNDPROC proc, const char* class_name, UINT class_style = 0)
{
    WNDCLASSA wc = {};
    wc.style = class_style;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = class_name;
    RegisterClassA(&wc);
    return CreateWindowExA(0, class_name, "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, wc.hInstance, nullptr);
}

// Frees every slot from `first` on (tests use their own slot numbers).
inline void free_slots(int first = 1, int last = PAGE_SLOTS - 1)
{
    for (int i = first; i <= last; i++) _page_free(i);
}
