// The drawing state shared by every page, and the drawing calls: pens, fill
// patterns, fonts, text and rectangles. Coordinates are page units, handed to
// the page's DC times 20 and truncated.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"
#include "base/holders.h"
#include <cstdlib>
#include <cstring>

double draw_line_width = 0.2;
int draw_pen_style = PS_SOLID;
COLORREF draw_pen_colour = 0;
COLORREF draw_text_colour = 0;
COLORREF draw_back_colour = 0xffffff;
unsigned char draw_fill_mask[8];
int draw_font_angle, draw_font_orientation;
BYTE draw_italic, draw_underline, draw_strikeout;
char draw_font_face[LF_FACESIZE];
HPEN draw_pen;
HBRUSH draw_brush;
HFONT draw_font;
static double text_x, text_y;

static HDC cur_dc() { return current_page ? current_page->dc : nullptr; }

static int units(double v) { return (int)(v * 20); }

// Every DC that becomes the current page's drawing DC gets the library's
// pen, brush, font and colours, so drawing looks the same on every page
// whether or not a setter runs after the selection.
void drawing_state_select(HDC dc)
{
    if (!dc) return;
    if (draw_pen) SelectObject(dc, draw_pen);
    if (draw_brush) SelectObject(dc, draw_brush);
    if (draw_font) SelectObject(dc, draw_font);
    SetTextColor(dc, draw_text_colour);
    SetBkColor(dc, draw_back_colour);
}

// A buffer DC that stops being current lets go of the shared objects, so a
// setter may delete them later.
void drawing_state_unselect(HDC dc)
{
    if (!dc) return;
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
}

void drawing_objects_delete()
{
    if (draw_pen) DeleteObject(draw_pen);
    if (draw_brush) DeleteObject(draw_brush);
    if (draw_font) DeleteObject(draw_font);
    draw_pen = nullptr;
    draw_brush = nullptr;
    draw_font = nullptr;
}

static HBRUSH mask_brush(const char* function, const char* message)
{
    WORD rows[8];
    for (int i = 0; i < 8; i++) rows[i] = draw_fill_mask[i];  // low byte first: the row's 8 pixels
    HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, rows);
    HBRUSH brush = CreatePatternBrush(bitmap);
    if (!DeleteObject(bitmap)) _fatal(message, function);
    return brush;
}

void init_CurWnd()
{
    if (!draw_pen) draw_pen = CreatePen(PS_SOLID, 1, 0);
    if (!draw_brush) draw_brush = mask_brush("init_CurWnd", "failed to delete bitmap object.");
    if (!draw_font)
        draw_font = CreateFontA(15, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "ＭＳ ゴシック");
    drawing_state_select(cur_dc());
}

void _page_defaults()
{
    draw_line_width = 0.2;
    draw_pen_style = PS_SOLID;
    _setcolor(0);
    _setfillmask();
    _setfont("t'System' h15");
    HDC dc = cur_dc();
    if (!dc) return;
    draw_text_colour = 0;
    draw_back_colour = 0xffffff;
    SetTextColor(dc, 0);
    SetBkColor(dc, 0xffffff);
}

COLORREF _setcolor(COLORREF colour)
{
    HDC dc = cur_dc();
    if (!dc) return (COLORREF)-1;
    HPEN pen = CreatePen(draw_pen_style, units(draw_line_width), colour);
    SelectObject(dc, pen);
    if (draw_pen && !DeleteObject(draw_pen)) _fatal("failed to delete pen object.", "_setcolor");
    draw_pen = pen;
    COLORREF previous = draw_pen_colour;
    draw_pen_colour = colour;
    return previous;
}

void _setfillmask()
{
    HDC dc = cur_dc();
    if (!dc) return;
    HBRUSH brush = mask_brush("_setfillmask", "failed to delete bitmap object");
    SelectObject(dc, brush);
    if (draw_brush && !DeleteObject(draw_brush)) _fatal("failed to delete brush object.", "_setfillmask");
    draw_brush = brush;
}

COLORREF _settextcolor(COLORREF colour)
{
    HDC dc = cur_dc();
    if (!dc) return (COLORREF)-1;
    draw_text_colour = colour;
    return SetTextColor(dc, colour);
}

point_d _moveto(double x, double y)
{
    point_d old = {text_x, text_y};
    text_x = x;
    text_y = y;
    return old;
}

text_size _text_extent(const char* text)
{
    text_size r = {0, 0};
    window_dc dc(console_frame);
    if (!dc) return r;
    selected_object font(dc, draw_font);
    SIZE s = {0, 0};
    GetTextExtentPoint32A(dc, text, (int)strlen(text), &s);
    r.width = s.cx;
    r.height = s.cy;
    return r;
}

void _puttext(const char* text, int background_mode)
{
    HDC dc = cur_dc();
    if (!dc || !text) return;
    SetBkMode(dc, background_mode);
    draw_back_colour = current_page->background;
    SetBkColor(dc, draw_back_colour);
    SetTextAlign(dc, TA_TOP | TA_LEFT);
    TextOutA(dc, units(text_x), units(text_y), text, (int)strlen(text));
}

int _setfont(const char* description)
{
    HDC dc = cur_dc();
    if (!dc || !description) return 0;
    const char* t = mb_strchr(description, 't');
    if (!t || t[1] != '\'') return 0;
    const char* face = t + 2;
    const char* end = mb_strchr(face, '\'');
    if (!end) return 0;
    char face_buf[LF_FACESIZE];
    if (!text_copy_n(face_buf, sizeof face_buf, face, (size_t)(end - face))) return 0;
    if ((size_t)(end - face) >= sizeof face_buf) return 0;
    const char* h = mb_strchr(description, 'h');
    if (!h) return 0;
    double height = strtod(h + 1, nullptr);
    if (units(height) == 0) return 0;
    HFONT font = CreateFontA(units(height), 0, draw_font_angle * 10, draw_font_orientation * 10, FW_NORMAL, draw_italic,
                             draw_underline, draw_strikeout, DEFAULT_CHARSET, 0, 0, 0, 0, face_buf);
    if (!font) return 0;
    text_copy(draw_font_face, face_buf);
    SelectObject(dc, font);
    if (draw_font && !DeleteObject(draw_font)) _fatal("failed to delete font object.", "_setfont");
    draw_font = font;
    return 1;
}

int _rectangle(int mode, double x1, double y1, double x2, double y2)
{
    HDC dc = cur_dc();
    if (!dc) return 0;
    if (mode == 0) return Rectangle(dc, units(x1), units(y1), units(x2), units(y2));
    if (mode == 1) {
        POINT p[5] = {{units(x1), units(y1)},
                      {units(x2), units(y1)},
                      {units(x2), units(y2)},
                      {units(x1), units(y2)},
                      {units(x1), units(y1)}};
        return Polyline(dc, p, 5);
    }
    return 0;
}

char dialog_title[256];

INT_PTR CALLBACK _title_dlgproc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG && dialog_title[0]) SetWindowTextA(dialog, dialog_title);
    return 0;
}

HWND console_window() { return console_frame; }
HWND console_edit_window() { return console_edit; }
HWND current_page_frame() { return current_page ? current_page->frame : nullptr; }
int early_drop_flag() { return early_drop; }

HWND page_drawing_window(int page)
{
    if (page <= 0 || page >= PAGE_SLOTS || !page_table[page]) return nullptr;
    const page_record* p = page_table[page];
    return p->child ? p->child : p->frame;
}

measuring_dc::measuring_dc(int page)
    : dc_(page >= 1 && page < PAGE_SLOTS && page_table[page] ? page_table[page]->dc : nullptr), font_(dc_, draw_font)
{}
