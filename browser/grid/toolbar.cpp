// Drawing the toolbar line and the left strip, and the pictures they use.
// Every range recorded here is bounded by its array: the path, the tree
// levels and the tree end share the line's hundred buttons, the column
// counts the strip's fifty.
#include "browser/grid/toolbar.h"
#include "browser/model/archive_work.h"
#include "browser/model/browser_list.h"
#include "browser/model/history.h"
#include "browser/model/paths.h"
#include "browser/model/settings.h"
#include "browser/model/viewer_now.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include <cstring>
#include <vector>

static browser_list_record& L = browser_list;

struct toolbar_picture {
    int resource, slot;
};
static const toolbar_picture pictures[TOOLBAR_PICTURES] = {
    {127, 31}, {131, 32}, {130, 30}, {138, 33}, {141, 34}, {140, 35}, {142, 36}, {149, 37}, {150, 38}, {151, 39},
    {152, 40}, {153, 41}, {195, 44}, {164, 45}, {209, 47}, {208, 46}, {166, 48}, {167, 49}, {197, 42}, {154, 43},
};

// The magenta key, and the same as a 16-bit display gives it back.
static const COLORREF KEY = 0xFF00FF, KEY_16BIT = 0xFC02FC;
static const COLORREF BLACK = 0x000000, GREY = 0x808080, WHITE = 0xFFFFFF, RED = 0x0000FF;

void recolor_toolbar_bitmap(int slot)
{
    page_info info = _page_info(slot);
    if (!info.dc) return;
    for (int y = 0; y < static_cast<int>(info.height); y++)
        for (int x = 0; x < static_cast<int>(info.width); x++) {
            COLORREF c = GetPixel(info.dc, x, y);
            if (c == KEY || c == KEY_16BIT) SetPixel(info.dc, x, y, L.toolbar_colour);
        }
}

// A 24-bit picture's magenta pixels given the colour in its own bits, before
// any page holds it (a pixel at a time through the page's DC is slow). False
// for other formats, which are recoloured once they are pages.
static bool recolor_dib_bits(std::vector<BYTE>& dib, COLORREF colour)
{
    if (dib.size() < sizeof(BITMAPINFOHEADER)) return false;
    BITMAPINFOHEADER h;
    memcpy(&h, dib.data(), sizeof h);
    if (h.biSize < sizeof h || h.biBitCount != 24 || h.biCompression != BI_RGB || h.biWidth <= 0 || h.biHeight == 0 ||
        h.biWidth > 4096 || h.biHeight > 4096 || h.biHeight < -4096)
        return false;
    size_t stride = (size_t(h.biWidth) * 3 + 3) & ~size_t(3), rows = size_t(h.biHeight < 0 ? -h.biHeight : h.biHeight);
    if (h.biSize > dib.size() || stride * rows > dib.size() - h.biSize) return false;
    for (size_t y = 0; y < rows; y++) {
        BYTE* p = dib.data() + h.biSize + y * stride;
        for (LONG x = 0; x < h.biWidth; x++, p += 3)
            if (p[0] == 0xFF && p[1] == 0 && p[2] == 0xFF)
                p[0] = GetBValue(colour), p[1] = GetGValue(colour), p[2] = GetRValue(colour);
    }
    return true;
}

int load_toolbar_bitmaps(COLORREF colour)
{
    L.toolbar_colour = colour;
    HMODULE module = GetModuleHandleA(nullptr);
    int loaded = 0;
    for (const toolbar_picture& p : pictures) {
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(p.resource), MAKEINTRESOURCEA(2));  // RT_BITMAP
        HGLOBAL block = found ? LoadResource(module, found) : nullptr;
        const BYTE* bits = block ? static_cast<const BYTE*>(LockResource(block)) : nullptr;
        if (!bits) continue;
        std::vector<BYTE> dib(bits, bits + SizeofResource(module, found));
        bool recoloured = recolor_dib_bits(dib, colour);
        if (!page_from_dib_checked(p.slot, dib.data(), dib.size(), 0)) continue;
        if (!recoloured) recolor_toolbar_bitmap(p.slot);
        loaded++;
    }
    return loaded == TOOLBAR_PICTURES ? 1 : 0;
}

int split_path_components(char* path, char** parts)
{
    int n = 0;
    char* start = path;
    for (char* p = path;;) {
        if (*p != 0 && *p != '\\') {
            p = const_cast<char*>(mb_next(p));
            continue;
        }
        bool end = *p == 0;
        *p = 0;
        if (*start && n < TOOLBAR_PATH_PARTS) parts[n++] = start;
        if (end) break;
        start = ++p;  // a backslash is one byte
    }
    return n;
}

// The library's font is made for the recording's twenty units per pixel.
static double text_width(const char* text) { return _text_extent(text).width / 20.0; }

static double text_at(double x, double y, const char* text, COLORREF colour)
{
    _settextcolor(colour);
    _moveto(x, y);
    _puttext(text, TRANSPARENT);
    return x + text_width(text);
}

static void set_strip(int i, int top, int bottom) { L.strip_top[i] = top, L.strip_bottom[i] = bottom; }

static void draw_column_numbers(int top)
{
    L.strip_numbers = 0;
    for (int n = 1; n <= TOOLBAR_MAX_COLUMNS && TOOLBAR_STRIP_FIXED + n <= TOOLBAR_FIXED; n++) {
        if (!size_for_columns(n)) break;
        char text[8];
        text_format(text, sizeof text, "%d", n);
        int y = top + (n - 1) * 20;
        COLORREF c = n != L.columns ? BLACK : columns_at_saved_size() == n ? RED : WHITE;
        text_at((20 - text_width(text)) / 2, y + 4, text, c);
        set_strip(TOOLBAR_STRIP_FIXED + n - 1, y, y + 20);
        L.strip_numbers = n;
    }
}

static void draw_zoom_steps(int top)
{
    static const int steps[] = {1, 2, 4, 8};
    int current = viewer_now.zoom_step;
    L.strip_numbers = 0;
    for (int i = 0; i < 4; i++) {
        char text[8];
        text_format(text, sizeof text, "/%d", steps[i]);
        text_at((20 - text_width(text)) / 2, top + i * 20 + 4, text, steps[i] == current ? WHITE : BLACK);
        set_strip(TOOLBAR_STRIP_FIXED + i, top + i * 20, top + (i + 1) * 20);
        L.strip_numbers = i + 1;
    }
}

static void draw_left_strip(bool viewer)
{
    int t = L.top_margin;
    _drawpage(current_folder.drive_list ? SLOT_UP_OFF : SLOT_UP, 2, t + 8, 1.0);
    if (!viewer) _drawpage(SLOT_VIEW_LIST, 2, t + 33, 1.0);
    _drawpage(SLOT_VIEW_STRIP, 2, t + 52, 1.0);
    set_strip(0, t + 8, t + 25);
    set_strip(1, t + 33, viewer ? t + 32 : t + 52);
    set_strip(2, t + 52, t + 73);
    set_strip(3, t + 73, t + 96);
    set_strip(4, t + 96, t + 123);
    if (viewer)
        draw_zoom_steps(t + 127);
    else
        draw_column_numbers(t + 127);
}

static void set_fixed(int i, int left, int right) { L.fixed_left[i] = left, L.fixed_right[i] = right; }

// The drive's icon, letter and free space from x; the end of what was drawn.
static int draw_drive(int x)
{
    const char* folder = current_folder.folder;
    if (current_folder.drive_list || folder[1] != ':') return x;
    char root[4] = {folder[0], ':', '\\', 0};
    UINT type = GetDriveTypeA(root);
    int icon = type == DRIVE_REMOVABLE ? SLOT_DRIVE_REMOVABLE
               : type == DRIVE_CDROM   ? SLOT_DRIVE_CDROM
                                       : SLOT_DRIVE_FIXED;
    _drawpage(icon, x, 2, 1.0);
    char text[64];
    text_format(text, sizeof text, "%c:", folder[0]);
    double end = text_at(x + 18, 3, text, BLACK);
    text_format_cut(text, sizeof text, "%s空", format_size(disk_free_bytes(root)));
    end = text_at(end + 2, 3, text, GREY);
    return static_cast<int>(end) + 6;
}

int toolbar_shown_path(char* out)
{
    if (archive_shown_folder(current_folder.folder, out)) return 0;
    text_copy(out, PATH_BUF, current_folder.folder);
    size_t n = current_folder.personal_length;
    return n && strlen(out) > n ? static_cast<int>(n + 1) : 0;
}

// The path as buttons, then the tree levels and the tree end, all within
// the line's hundred buttons.
static void draw_path(int x)
{
    L.button_count = L.level_count = 0;
    if (current_folder.drive_list) return;
    char path[PATH_BUF];
    char* shown = path + toolbar_shown_path(path);
    char* parts[TOOLBAR_PATH_PARTS];
    int n = split_path_components(shown, parts);
    for (int i = 0; i < n; i++) {
        if (i > 0) {
            _drawpage(SLOT_SEPARATOR, x, 3, 1.0);
            x += 24;
        }
        L.button_left[i] = x;
        x = static_cast<int>(text_at(x, 3, parts[i], BLACK));
        L.button_right[i] = x;
        x += 2;
    }
    L.button_count = n;
    if (L.tree_depth == 0 && L.fldfirst) text_at(x, 3, "/", GREY);
    int room = TOOLBAR_BUTTONS - n - 1;  // one button stays for the tree end
    int levels = L.tree_depth < room ? L.tree_depth : (room > 0 ? room : 0);
    for (int i = 0; i < levels; i++, x += 26) {
        _drawpage(SLOT_TREE_LEVEL, x, 3, 1.0);
        L.button_left[n + i] = x, L.button_right[n + i] = x + 24;
    }
    L.level_count = levels;
    if (L.tree_flag && n + levels < TOOLBAR_BUTTONS) {
        _drawpage(SLOT_SEPARATOR, x, 3, 1.0);
        L.button_left[n + levels] = x, L.button_right[n + levels] = x + 24;
    }
}

static void draw_top_line()
{
    _drawpage(SLOT_TREE, 4, 3, 1.0);
    cache_current_dir();
    int nav = history_nav_flags();
    _drawpage(nav & 1 ? SLOT_BACK : SLOT_BACK_OFF, 22, 2, 1.0);
    _drawpage(nav & 2 ? SLOT_FORWARD : SLOT_FORWARD_OFF, 44, 2, 1.0);
    bool in_documents = current_folder.personal_length && !current_folder.desktop_length;
    if (!in_documents) _drawpage(SLOT_DOCUMENTS, 67, 1, 1.0);
    set_fixed(0, 22, 42);
    set_fixed(1, 44, 64);
    set_fixed(2, 0, 0);  // no picture of its own on this line
    set_fixed(3, 67, 85);
    set_fixed(5, 4, 19);
    int end = draw_drive(88);
    set_fixed(4, 88, end);
    draw_path(end);
}

void draw_toolbar()
{
    SIZE s = list_client_size();
    // The fill brush is a one-bit pattern: its set bits take the text colour.
    _setcolor(L.toolbar_colour);
    _settextcolor(L.toolbar_colour);
    _rectangle(0, 0, 0, s.cx, L.top_margin);
    _rectangle(0, 0, 0, L.left_margin, s.cy);
    int mode = viewer_now.mode;
    if (mode >= 2) return;
    draw_left_strip(mode == 1);
    draw_top_line();
}

// Pictures already loaded in the toolbar colour are kept: start-up applies
// the settings and then shows the window, and each asks for them.
void reload_toolbar_pictures()
{
    static COLORREF loaded_colour;
    static bool loaded;
    bool all_there = loaded && loaded_colour == L.toolbar_colour;
    for (const toolbar_picture& p : pictures)
        if (!_page_info(p.slot).dc) all_there = false;
    if (all_there) return;
    loaded = load_toolbar_bitmaps(L.toolbar_colour) != 0;
    loaded_colour = L.toolbar_colour;
}
