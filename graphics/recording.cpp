// Page recording: framed and full-screen pages keep no pixels; drawing goes
// into an enhanced metafile, closed into the page's stored picture whenever
// another page becomes current, and painting replays the stored picture.
//
// The stored picture is kept flat: closing a recording appends the new
// records to the stored picture's records in one metafile, instead of
// replaying the stored picture into each new recording. So re-selecting a
// page never re-records (no transform rounding can creep in), and a
// recording that drew nothing adds nothing.
//
// A page drawn on while it stays current (a mark toggled, a status line
// redrawn) closes a recording at every stroke; appending each to a picture
// of megabytes would copy the megabytes each time. Those recordings go to
// the page's recent part instead, painted after the picture, and are
// joined to the picture when they have grown or the whole is wanted.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"
#include "base/holders.h"
#include <cstring>
#include <vector>

// Every recording shares one frame: twenty times the screen, in the
// reference device's 0.01 mm units, so that its device size is exactly
// 20 x HORZRES by 20 x VERTRES and playback maps one unit to one unit.
static RECT recording_frame()
{
    window_dc screen(nullptr);
    RECT r = {0, 0, 2000 * GetDeviceCaps(screen, HORZSIZE), 2000 * GetDeviceCaps(screen, VERTSIZE)};
    return r;
}

static HDC new_recording_dc()
{
    RECT frame = recording_frame();
    return CreateEnhMetaFileA(nullptr, nullptr, &frame, nullptr);
}

// Plays a recording so that its logical units land on the DC's logical units.
void play_recording(HDC dc, HENHMETAFILE picture)
{
    ENHMETAHEADER h;
    if (!picture || !GetEnhMetaFileHeader(picture, sizeof h, &h)) return;
    double kx = h.szlDevice.cx / (h.szlMillimeters.cx * 100.0);
    double ky = h.szlDevice.cy / (h.szlMillimeters.cy * 100.0);
    RECT r;
    r.left = (LONG)(h.rclFrame.left * kx + (h.rclFrame.left < 0 ? -0.5 : 0.5));
    r.top = (LONG)(h.rclFrame.top * ky + (h.rclFrame.top < 0 ? -0.5 : 0.5));
    r.right = (LONG)(h.rclFrame.right * kx + 0.5);
    r.bottom = (LONG)(h.rclFrame.bottom * ky + 0.5);
    PlayEnhMetaFile(dc, picture, &r);
}

// A recording's bytes, in a vector with room for `more` bytes after them.
static std::vector<BYTE> recording_bytes(HENHMETAFILE m, size_t more = 0)
{
    std::vector<BYTE> v;
    UINT n = GetEnhMetaFileBits(m, 0, nullptr);
    if (!n) return v;
    v.reserve(n + more);
    v.resize(n);
    GetEnhMetaFileBits(m, n, v.data());
    return v;
}

static DWORD rec_type(const BYTE* r)
{
    DWORD t;
    memcpy(&t, r, 4);
    return t;
}
static DWORD rec_size(const BYTE* r)
{
    DWORD s;
    memcpy(&s, r + 4, 4);
    return s;
}

// Records that only change state; a recording made of these alone drew nothing.
static bool state_only(DWORD type)
{
    switch (type) {
    case EMR_HEADER:
    case EMR_EOF:
    case EMR_CREATEPEN:
    case EMR_EXTCREATEPEN:
    case EMR_CREATEBRUSHINDIRECT:
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT:
    case EMR_EXTCREATEFONTINDIRECTW:
    case EMR_SELECTOBJECT:
    case EMR_DELETEOBJECT:
    case EMR_SETTEXTCOLOR:
    case EMR_SETBKCOLOR:
    case EMR_SETBKMODE:
    case EMR_SETTEXTALIGN:
    case EMR_SETSTRETCHBLTMODE:
    case EMR_SETBRUSHORGEX:
    case EMR_SETMAPMODE:
    case EMR_SETWINDOWORGEX:
    case EMR_SETWINDOWEXTEX:
    case EMR_SETVIEWPORTORGEX:
    case EMR_SETVIEWPORTEXTEX:
    case EMR_GDICOMMENT: return true;
    default: return false;
    }
}

static bool creates_object(DWORD type)
{
    return type == EMR_CREATEPEN || type == EMR_EXTCREATEPEN || type == EMR_CREATEBRUSHINDIRECT ||
           type == EMR_CREATEMONOBRUSH || type == EMR_CREATEDIBPATTERNBRUSHPT || type == EMR_EXTCREATEFONTINDIRECTW ||
           type == EMR_CREATEPALETTE;
}

struct record_walk {
    std::vector<const BYTE*> records;  // header and EOF excluded
    const ENHMETAHEADER* header = nullptr;
    bool draws = false;
};

static bool walk(const std::vector<BYTE>& bytes, record_walk& w)
{
    size_t at = 0;
    while (at + 8 <= bytes.size()) {
        const BYTE* r = bytes.data() + at;
        DWORD size = rec_size(r);
        if (size < 8 || size % 4 || at + size > bytes.size()) return false;
        DWORD type = rec_type(r);
        if (type == EMR_HEADER)
            w.header = (const ENHMETAHEADER*)r;
        else if (type == EMR_EOF)
            break;
        else {
            w.records.push_back(r);
            if (!state_only(type)) w.draws = true;
        }
        at += size;
    }
    return w.header != nullptr;
}

static void put_record(std::vector<BYTE>& out, const void* r, size_t size)
{
    const BYTE* b = (const BYTE*)r;
    out.insert(out.end(), b, b + size);
}

static void put_dwords(std::vector<BYTE>& out, std::initializer_list<DWORD> words)
{
    for (DWORD w : words) put_record(out, &w, 4);
}

static bool bounds_empty(const RECTL& r) { return r.right < r.left || r.bottom < r.top; }

static DWORD stored_handles(HENHMETAFILE m)
{
    ENHMETAHEADER h;
    return GetEnhMetaFileHeader(m, sizeof h, &h) ? h.nHandles : 0;
}

// The stored picture followed by the new recording, as one metafile. Objects
// still alive at the end of the stored picture are let go of first, so the
// new records' object numbers stay valid and the handle table stays small.
static HENHMETAFILE append_recording(HENHMETAFILE stored, HENHMETAFILE added)
{
    // The stored picture is read straight into the result, which it begins:
    // a page near its bound is megabytes, held once, not twice.
    std::vector<BYTE> b = recording_bytes(added);
    std::vector<BYTE> out = recording_bytes(stored, b.size() + 12 * (3 + stored_handles(stored)) + 20);
    record_walk wa, wb;
    if (!walk(out, wa) || !walk(b, wb)) return nullptr;
    ENHMETAHEADER stored_header = *wa.header;
    const BYTE* stored_end = wa.records.empty() ? (const BYTE*)wa.header + wa.header->nSize
                                                : wa.records.back() + rec_size(wa.records.back());
    size_t kept = (size_t)(stored_end - out.data());

    std::vector<bool> live(stored_header.nHandles + 1, false);
    for (const BYTE* r : wa.records) {
        DWORD type = rec_type(r), index;
        if (rec_size(r) < 12) continue;
        memcpy(&index, r + 8, 4);
        if (index >= live.size()) continue;
        if (creates_object(type))
            live[index] = true;
        else if (type == EMR_DELETEOBJECT)
            live[index] = false;
    }
    out.resize(kept);  // the stored picture's end record goes
    put_dwords(out, {EMR_SELECTOBJECT, 12, 0x80000000u | BLACK_PEN});
    put_dwords(out, {EMR_SELECTOBJECT, 12, 0x80000000u | WHITE_BRUSH});
    put_dwords(out, {EMR_SELECTOBJECT, 12, 0x80000000u | SYSTEM_FONT});
    for (DWORD i = 1; i < live.size(); i++)
        if (live[i]) put_dwords(out, {EMR_DELETEOBJECT, 12, i});

    for (const BYTE* r : wb.records) put_record(out, r, rec_size(r));
    put_dwords(out, {EMR_EOF, 20, 0, 16, 20});

    ENHMETAHEADER* h = (ENHMETAHEADER*)out.data();
    DWORD count = 0;
    for (size_t at = 0; at < out.size(); at += rec_size(out.data() + at)) count++;
    h->nBytes = (DWORD)out.size();
    h->nRecords = count;
    h->nHandles = (WORD)(stored_header.nHandles > wb.header->nHandles ? stored_header.nHandles : wb.header->nHandles);
    h->nPalEntries = 0;
    const RECTL& nb = wb.header->rclBounds;
    if (!bounds_empty(nb)) {
        if (bounds_empty(h->rclBounds))
            h->rclBounds = nb;
        else {
            if (nb.left < h->rclBounds.left) h->rclBounds.left = nb.left;
            if (nb.top < h->rclBounds.top) h->rclBounds.top = nb.top;
            if (nb.right > h->rclBounds.right) h->rclBounds.right = nb.right;
            if (nb.bottom > h->rclBounds.bottom) h->rclBounds.bottom = nb.bottom;
        }
    }
    return SetEnhMetaFileBits((UINT)out.size(), out.data());
}

static bool draws_anything(HENHMETAFILE m)
{
    std::vector<BYTE> v = recording_bytes(m);
    record_walk w;
    return walk(v, w) && w.draws;
}

// The records of a metafile, its header and end included.
static DWORD records_in(HENHMETAFILE m)
{
    ENHMETAHEADER h;
    return GetEnhMetaFileHeader(m, sizeof h, &h) ? h.nRecords : 0;
}

// The screen's size in pixels: every recording's frame is twenty times it.
static SIZE screen_pixels()
{
    window_dc screen(nullptr);
    return {GetDeviceCaps(screen, HORZRES), GetDeviceCaps(screen, VERTRES)};
}

// What replaying a recording costs, counted in bytes: a record (a pen made,
// a line, a text) takes Wine about as long as 2 KB of 24-bit pixels, about
// a microsecond, so a page drawn on in thousands of small strokes (marks
// toggled) costs far more than its bytes say.
enum { RECORD_COST = 2048 };

static double replay_cost(double records, double bytes) { return bytes + RECORD_COST * records; }

static double picture_cost(HENHMETAFILE m)
{
    ENHMETAHEADER h;
    return m && GetEnhMetaFileHeader(m, sizeof h, &h) ? replay_cost(h.nRecords, h.nBytes) : 0;
}

static double stored_cost(const page_record* page) { return picture_cost(page->picture) + picture_cost(page->recent); }

// The most a page's recording may cost: twice the screen's pixels at three
// bytes each, a few milliseconds a paint.
static double cost_bound()
{
    SIZE s = screen_pixels();
    return 2.0 * 3 * s.cx * s.cy;
}

// A page that is drawn on again and again without being cleared (marks
// toggled, a line redrawn) would keep every drawing: its recording grows
// with each, and so does the time each paint takes. Past its bound, the
// recording is flattened into one picture of what it shows, the screen's
// area of the page on the page's background, which paints the same pixels.
// The pixels are kept at 32 bits, which Wine copies to a window as they are
// (a 24-bit picture of the screen takes it twenty times as long).
static HENHMETAFILE flattened(const page_record* page, HENHMETAFILE picture)
{
    SIZE s = screen_pixels();
    BITMAPINFOHEADER header = {sizeof header, s.cx, s.cy, 1, 32, BI_RGB};
    header.biSizeImage = (DWORD)(4 * s.cx) * (DWORD)s.cy;
    void* bits = nullptr;
    owned_object dib(CreateDIBSection(nullptr, (BITMAPINFO*)&header, DIB_RGB_COLORS, &bits, nullptr, 0));
    created_dc memory(dib.get() && bits ? CreateCompatibleDC(nullptr) : nullptr);
    if (!memory) return nullptr;
    {
        selected_object into(memory.get(), dib.get());
        owned_object fill(CreateSolidBrush(page->background));
        RECT all = {0, 0, s.cx, s.cy};
        FillRect(memory.get(), &all, (HBRUSH)fill.get());
        SetMapMode(memory.get(), MM_ANISOTROPIC);
        SetWindowExtEx(memory.get(), 20 * s.cx, 20 * s.cy, nullptr);
        SetViewportExtEx(memory.get(), s.cx, s.cy, nullptr);
        play_recording(memory.get(), picture);
        GdiFlush();
    }
    HDC dc = new_recording_dc();
    if (!dc) return nullptr;
    StretchDIBits(dc, 0, 0, 20 * s.cx, 20 * s.cy, 0, 0, s.cx, s.cy, bits, (BITMAPINFO*)&header, DIB_RGB_COLORS,
                  SRCCOPY);
    return CloseEnhMetaFile(dc);
}

// The stored picture kept within its bound.
static void keep_bounded(page_record* page)
{
    if (stored_cost(page) <= cost_bound()) return;
    if (HENHMETAFILE flat = flattened(page, page->picture)) {
        DeleteEnhMetaFile(page->picture);
        page->picture = flat;
    }
}

// The whole stored picture, a recent part joined to it and kept within
// the bound.
static void join_recent(page_record* page)
{
    if (!page->recent) return;
    HENHMETAFILE joined = page->picture ? append_recording(page->picture, page->recent) : nullptr;
    if (joined || !page->picture) {
        if (page->picture) DeleteEnhMetaFile(page->picture);
        page->picture = joined ? joined : page->recent;
    }
    if (page->picture != page->recent) DeleteEnhMetaFile(page->recent);
    page->recent = nullptr;
    keep_bounded(page);
}

HENHMETAFILE page_picture(page_record* page)
{
    join_recent(page);
    return page->picture;
}

void page_forget_picture(page_record* page)
{
    if (page->picture) DeleteEnhMetaFile(page->picture);
    if (page->recent) DeleteEnhMetaFile(page->recent);
    page->picture = page->recent = nullptr;
}

void record_close(page_record* page)
{
    if (!page || !page->dc || (page->kind != PAGE_FRAMED && page->kind != PAGE_FULLSCREEN)) return;
    HENHMETAFILE added = CloseEnhMetaFile(page->dc);
    page->dc = nullptr;
    if (!added) return;
    if (!page->recent && (!page->picture || records_in(page->picture) <= 2)) {
        // Nothing stored (a page just cleared): the recording is the picture,
        // with no copy of its records.
        page_forget_picture(page);
        page->picture = added;
        keep_bounded(page);
        return;
    }
    if (!draws_anything(added)) {
        DeleteEnhMetaFile(added);
        return;
    }
    if (!page->recent) {
        page->recent = added;
    } else if (HENHMETAFILE joined = append_recording(page->recent, added)) {
        DeleteEnhMetaFile(page->recent);
        DeleteEnhMetaFile(added);
        page->recent = joined;
    } else {
        DeleteEnhMetaFile(added);
    }
    double bound = cost_bound(), recent = picture_cost(page->recent);
    if (recent > bound / 4 || stored_cost(page) > bound) join_recent(page);
}

// The open recording may cost what the stored picture leaves of the bound,
// and at least an eighth of the bound (a picture that could not be made
// flat must not have the recording closed at every stroke).
void record_open(page_record* page)
{
    if (!page || page->dc || (page->kind != PAGE_FRAMED && page->kind != PAGE_FULLSCREEN)) return;
    page->dc = new_recording_dc();
    drawing_state_select(page->dc);
    double bound = cost_bound();
    page->open_cost = 0;
    page->open_room = bound - stored_cost(page);
    if (page->open_room < bound / 8) page->open_room = bound / 8;
}

// A page that stays current while it is drawn on (the viewer's status line
// drawn again at every mark) would never close its recording into the
// stored picture, where the bound is kept: past its room it is closed there
// and opened again, as re-selecting the page does.
void record_drew(int records, double bytes)
{
    page_record* p = current_page;
    if (!p || !p->dc || (p->kind != PAGE_FRAMED && p->kind != PAGE_FULLSCREEN)) return;
    p->open_cost += replay_cost(records, bytes);
    if (p->open_cost <= p->open_room) return;
    record_close(p);
    record_open(p);
}

void _paint_page(HWND window, HDC dc, HENHMETAFILE picture, page_record* page)
{
    RECT rc;
    GetClientRect(window, &rc);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, (int)(20 * page->x_origin), (int)(20 * page->y_origin), nullptr);
    SetWindowExtEx(dc, 20 * rc.right, 20 * rc.bottom, nullptr);
    SetViewportExtEx(dc, rc.right, rc.bottom, nullptr);
    play_recording(dc, picture);
    if (picture == page->picture && page->recent) play_recording(dc, page->recent);
}

int _replay_page(int page, double x, double y)
{
    if (!current_page || !current_page->dc || page < 1 || page >= PAGE_SLOTS) return 0;
    page_record* m = page_table[page];
    if (!m || m == current_page || m->kind == PAGE_BUFFER) return 0;
    HDC dc = current_page->dc;
    POINT o;
    GetWindowOrgEx(dc, &o);
    SetWindowOrgEx(dc, o.x - (int)(20 * x), o.y - (int)(20 * y), nullptr);
    HENHMETAFILE picture = page_picture(m);
    play_recording(dc, picture);
    SetWindowOrgEx(dc, o.x, o.y, nullptr);
    ENHMETAHEADER h;
    if (picture && GetEnhMetaFileHeader(picture, sizeof h, &h)) record_drew(2 + h.nRecords, h.nBytes);
    return 1;
}

// Into a recording the bitmap goes as its pixels: Wine records a blit from a
// device-dependent bitmap into an enhanced metafile through a memory DC and a
// DIB section of the source's size that it never deletes, so every page drawn
// would keep a DC and a copy of every buffer drawn on it (megabytes for a
// viewer's picture, and for a printed one).
void stretch_bitmap_into(HDC dc, int x, int y, int w, int h, HDC source, HBITMAP bitmap, int width, int height)
{
    if (GetObjectType(dc) == OBJ_ENHMETADC) {
        BITMAPINFOHEADER header = {sizeof header, width, height, 1, 24, BI_RGB};
        header.biSizeImage = (DWORD)((width * 3 + 3) / 4 * 4) * height;
        std::vector<BYTE> pixels(header.biSizeImage);
        if (GetDIBits(source, bitmap, 0, height, pixels.data(), (BITMAPINFO*)&header, DIB_RGB_COLORS) == height) {
            StretchDIBits(dc, x, y, w, h, 0, 0, width, height, pixels.data(), (BITMAPINFO*)&header, DIB_RGB_COLORS,
                          SRCCOPY);
            return;
        }
    }
    StretchBlt(dc, x, y, w, h, source, 0, 0, width, height, SRCCOPY);
}

// The bytes of a picture's pixels recorded at 24 bits, with their headers.
static double recorded_pixels(int width, int height) { return 120 + (double)((width * 3 + 3) / 4 * 4) * height; }

// A buffer's whole bitmap stretched into dc.
static void stretch_buffer(HDC dc, int x, int y, int w, int h, const page_record* buffer)
{
    stretch_bitmap_into(dc, x, y, w, h, buffer->dc, buffer->bitmap, buffer->buffer_width, buffer->buffer_height);
}

void _drawpage(int slot, double x, double y, double scale)
{
    if (!current_page || !current_page->dc || slot < 1 || slot >= PAGE_SLOTS || !page_table[slot]) return;
    page_record* m = page_table[slot];
    switch (m->kind) {
    case PAGE_FRAMED: _replay_page(slot, x, y); break;
    case PAGE_BUFFER:
        stretch_buffer(current_page->dc, (int)(20 * x), (int)(20 * y), (int)(m->buffer_width * scale * 20),
                       (int)(m->buffer_height * scale * 20), m);
        record_drew(1, recorded_pixels(m->buffer_width, m->buffer_height));
        break;
    case PAGE_IMAGE: _draw_bmap(m->image, x, y, scale); break;
    default: break;
    }
}

void _draw_bmap(_bmap* b, double x, double y, double scale)
{
    if (!b || !b->pixels || !current_page || !current_page->dc) return;
    HDC dc = current_page->dc;
    int w = (int)(b->width * scale * 20), h = (int)(b->height * scale * 20);
    if (direct_dib_stretch) {
        StretchDIBits(dc, (int)(20 * x), (int)(20 * y), w, h, 0, 0, b->width, b->height, b->pixels,
                      (BITMAPINFO*)&b->header, DIB_RGB_COLORS, SRCCOPY);
        record_drew(1, recorded_pixels(b->width, b->height));
        return;
    }
    int slot = _newbuffer_auto(b->width, b->height);
    if (!slot) return;
    page_record* t = page_table[slot];
    SetDIBits(t->dc, t->bitmap, 0, b->height, b->pixels, (BITMAPINFO*)&b->header, DIB_RGB_COLORS);
    stretch_buffer(dc, (int)(20 * x), (int)(20 * y), w, h, t);
    _page_free(slot);
    record_drew(1, recorded_pixels(b->width, b->height));
}

static HENHMETAFILE empty_recording() { return CloseEnhMetaFile(new_recording_dc()); }

void _clearscreen(int flags)
{
    page_record* p = current_page;
    if ((flags & 2) && p) {
        if (p->kind == PAGE_BUFFER || p->kind == PAGE_IMAGE) {
            _buffer_dc_setup(p);
            return;
        }
        page_forget_picture(p);
        if (p->dc) DeleteEnhMetaFile(CloseEnhMetaFile(p->dc));
        p->dc = nullptr;
        p->picture = empty_recording();
        record_open(p);
        if (p->kind == PAGE_FRAMED && !p->child && p->background != GetSysColor(COLOR_WINDOW)) {
            HBRUSH brush = CreateSolidBrush(p->background);
            RECT r = {0, 0, 20 * GetSystemMetrics(SM_CXSCREEN), 20 * GetSystemMetrics(SM_CYSCREEN)};
            FillRect(p->dc, &r, brush);
            if (!DeleteObject(brush)) _fatal("failed to delete solid brush object.", "_clearscreen");
        }
        if (!(flags & 4)) {
            HWND w = p->child ? p->child : p->frame;
            InvalidateRect(w, nullptr, TRUE);
            UpdateWindow(w);
        }
        _page_defaults();
    }
    if (flags & 1) {
        if (console_edit) SetWindowTextA(console_edit, "");
        if (console_frame) UpdateWindow(console_frame);
    }
}
