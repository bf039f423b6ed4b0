// Memory buffers and image slots in the page table, and releasing, freeing
// and describing any slot.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"
#include "base/holders.h"
#include <cstring>

static bool slot_ok(int slot) { return slot >= 1 && slot < PAGE_SLOTS; }

void _buffer_dc_setup(page_record* p)
{
    if (!p || p->kind != PAGE_BUFFER || !p->dc) return;
    HDC dc = p->dc;
    SetMapMode(dc, MM_TEXT);
    SetWindowExtEx(dc, p->buffer_width, p->buffer_height, nullptr);
    SetViewportExtEx(dc, p->buffer_width, p->buffer_height, nullptr);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SetStretchBltMode(dc, COLORONCOLOR);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    HBRUSH brush = CreateSolidBrush(p->background);
    RECT r = {0, 0, p->buffer_width, p->buffer_height};
    FillRect(dc, &r, brush);
    if (!DeleteObject(brush)) _fatal("failed to delete solid brush object.", "_clearscreen");
}

int _page_release(page_record* p)
{
    if (!p) return 0;
    switch (p->kind) {
    case PAGE_FRAMED:
    case PAGE_FULLSCREEN:
        if (p->dc) DeleteEnhMetaFile(CloseEnhMetaFile(p->dc));
        p->dc = nullptr;
        page_forget_picture(p);
        if (p->frame && !(console_frame && IsChild(console_frame, p->frame))) DestroyWindow(p->frame);
        p->frame = nullptr;
        p->child = nullptr;
        p->statusbar = nullptr;
        p->progressbar = nullptr;
        return 1;
    case PAGE_BUFFER:
        if (p->dc && p->previous_bitmap) SelectObject(p->dc, p->previous_bitmap);
        if (p->bitmap) DeleteObject(p->bitmap);
        if (p->dc) DeleteDC(p->dc);
        p->dc = nullptr;
        p->bitmap = p->previous_bitmap = nullptr;
        return 1;
    case PAGE_IMAGE:
        if (p->image) {
            p->image->not_owner = 0;
            _bmap_delete(p->image);
        }
        p->image = nullptr;
        return 1;
    default: return 0;
    }
}

int _page_free(int slot)
{
    if (!slot_ok(slot) || !page_table[slot]) return 0;
    page_record* p = page_table[slot];
    page_release_current(p);
    _page_release(p);
    delete p;
    page_table[slot] = nullptr;
    return 1;
}

void _page_free_at(int* slot)
{
    if (slot && slot_ok(*slot) && page_table[*slot]) _page_free(*slot);
}

// The slot's record emptied (what it held let go of), or a new one, made a
// record of `kind` with the background for new pages.
static page_record* renew_record(int slot, int kind)
{
    page_record* p = page_table[slot];
    if (p) {
        _page_release(p);
        *p = page_record();
    } else {
        p = new page_record();
        page_table[slot] = p;
    }
    p->number = slot;
    p->kind = kind;
    p->background = new_page_background;
    return p;
}

int _newbuffer(int slot, int width, int height)
{
    if (!slot_ok(slot)) return 0;
    page_record* p = page_table[slot];
    bool was_current = false;
    if (p) {
        if (p->kind == PAGE_FRAMED || p->kind == PAGE_FULLSCREEN) return 0;
        if (p->kind == PAGE_BUFFER && p->buffer_width == width && p->buffer_height == height) {
            _buffer_dc_setup(p);
            return 1;
        }
        // A current buffer stays current with its new DC; nothing else can be current here.
        was_current = p == current_page;
        if (was_current) drawing_state_unselect(p->dc);
    }
    p = renew_record(slot, PAGE_BUFFER);
    int ok = 1;
    HBITMAP bitmap;
    {
        window_dc console_dc(console_frame);
        p->dc = CreateCompatibleDC(console_dc);
        bitmap = width > 0 && height > 0 ? CreateCompatibleBitmap(console_dc, width, height) : nullptr;
        if (!bitmap) {
            bitmap = CreateCompatibleBitmap(console_dc, 9, 9);
            width = height = 9;
            ok = 0;
        }
    }
    p->bitmap = bitmap;
    p->previous_bitmap = (HBITMAP)SelectObject(p->dc, bitmap);
    p->buffer_width = width;
    p->buffer_height = height;
    _buffer_dc_setup(p);
    if (was_current) drawing_state_select(p->dc);
    return ok;
}

int _newbuffer_auto(int width, int height)
{
    int slot = PAGE_SLOTS - 1;
    while (slot >= 1 && page_table[slot]) slot--;
    if (slot < 1) return 0;
    if (!_newbuffer(slot, width, height)) {
        // A buffer that fell back to 9 x 9 is of no use to the caller.
        _page_free(slot);
        return 0;
    }
    return slot;
}

int _count_buffers()
{
    int n = 0;
    for (int i = 1; i < PAGE_SLOTS; i++)
        if (page_table[i] && page_table[i]->kind == PAGE_BUFFER) n++;
    return n;
}

int _page_set_bmap(int slot, _bmap* b)
{
    if (!slot_ok(slot) || !b) return 0;
    if (b->not_owner) return 0;  // its pixels already belong to another object
    page_record* p = page_table[slot];
    if (p) {
        if (p->kind != PAGE_FRAMED && p->kind != PAGE_FULLSCREEN && p->kind != PAGE_BUFFER && p->kind != PAGE_IMAGE)
            return 0;
        page_release_current(p);
    }
    p = renew_record(slot, PAGE_IMAGE);
    p->image = bmap_take_over(b);
    return 1;
}

int _page_to_bmap(int slot)
{
    if (!slot_ok(slot) || !page_table[slot]) return 0;
    if (page_table[slot]->kind == PAGE_IMAGE) return 1;
    _bmap* b = _bmap_from_buffer(slot);
    if (!b) return 0;
    int ok = _page_set_bmap(slot, b);
    _bmap_delete(b);
    return ok;
}

int _page_from_dib(int slot, const BITMAPINFOHEADER* dib)
{
    if (!slot_ok(slot) || !dib || dib->biSize < sizeof(BITMAPINFOHEADER)) return 0;
    int width = dib->biWidth, height = dib->biHeight < 0 ? -dib->biHeight : dib->biHeight;
    if (!_newbuffer(slot, width, height)) return 0;
    size_t colours = dib->biClrUsed;
    if (!colours && dib->biBitCount <= 8) colours = (size_t)1 << dib->biBitCount;
    size_t offset = dib->biSize + colours * sizeof(RGBQUAD);
    // The three colour masks of a bit-field DIB follow a plain header.
    if (dib->biCompression == BI_BITFIELDS && dib->biSize == sizeof(BITMAPINFOHEADER)) offset += 12;
    const BYTE* bits = (const BYTE*)dib + offset;
    page_record* p = page_table[slot];
    int rows = SetDIBits(p->dc, p->bitmap, 0, height, bits, (const BITMAPINFO*)dib, DIB_RGB_COLORS);
    return rows == height;
}

page_info _page_info(int slot)
{
    page_info r = {};
    r.kind = -1;
    if (!slot_ok(slot) || !page_table[slot]) return r;
    page_record* p = page_table[slot];
    r.kind = p->kind;
    switch (p->kind) {
    case PAGE_FRAMED: {
        RECT rc = {0, 0, 0, 0};
        if (p->frame) GetClientRect(p->frame, &rc);
        r.width = rc.right;
        r.height = rc.bottom;
        break;
    }
    case PAGE_BUFFER:
        r.width = p->buffer_width;
        r.height = p->buffer_height;
        r.dc = p->dc;
        r.bitmap = p->bitmap;
        r.bitmap_field = &p->bitmap;
        break;
    case PAGE_IMAGE:
        if (p->image) {
            r.width = p->image->width;
            r.height = p->image->height;
        }
        r.image = p->image;
        break;
    default: break;
    }
    return r;
}
