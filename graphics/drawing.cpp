// The drawing state shared by every page, and the drawing calls: pens, fill
// patterns, fonts, text and rectangles. Coordinates are page units, handed to
// the page's DC times 20 and truncated.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"
#include "base/holders.h"
#include <cstdlib>
#include <cstring>

drawing_state drawing;

static HDC cur_dc() { return current_page ? current_page->dc : nullptr; }

static int units(double v) { return (int)(v * 20); }

// Every DC that becomes the current page's drawing DC gets the library's
// pen, brush, font and colours, so drawing looks the same on every page
// whether or not a setter runs after the selection.
void drawing_state_select(HDC dc)
{
    if (!dc) return;
    if (drawing.pen) SelectObject(dc, drawing.pen);
    if (drawing.brush) SelectObject(dc, drawing.brush);
    if (drawing.font) SelectObject(dc, drawing.font);
    SetTextColor(dc, drawing.text_colour);
    SetBkColor(dc, drawing.back_colour);
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
    if (drawing.pen) DeleteObject(drawing.pen);
    if (drawing.brush) DeleteObject(drawing.brush);
    if (drawing.font) DeleteObject(drawing.font);
    drawing.pen = nullptr;
    drawing.brush = nullptr;
    drawing.font = nullptr;
}

static HBRUSH mask_brush(const char* function, const char* message)
{
    WORD rows[8];
    for (int i = 0; i < 8; i++) rows[i] = drawing.fill_mask[i];  // low byte first: the row's 8 pixels
    HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, rows);
    HBRUSH brush = CreatePatternBrush(bitmap);
    if (!DeleteObject(bitmap)) _fatal(message, function);
    return brush;
}

void init_CurWnd()
{
    if (!drawing.pen) drawing.pen = CreatePen(PS_SOLID, 1, 0);
    if (!drawing.brush) drawing.brush = mask_brush("init_CurWnd", "failed to delete bitmap object.");
    if (!drawing.font)
        drawing.font = CreateFontA(15, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "ＭＳ ゴシック");
    drawing_state_select(cur_dc());
}

void _page_defaults()
{
    drawing.line_width = 0.2;
    drawing.pen_style = PS_SOLID;
    _setcolor(0);
    _setfillmask();
    _setfont("t'System' h15");
    HDC dc = cur_dc();
    if (!dc) return;
    drawing.text_colour = 0;
    drawing.back_colour = 0xffffff;
    SetTextColor(dc, 0);
    SetBkColor(dc, 0xffffff);
}

COLORREF _setcolor(COLORREF colour)
{
    HDC dc = cur_dc();
    if (!dc) return (COLORREF)-1;
    HPEN pen = CreatePen(drawing.pen_style, units(drawing.line_width), colour);
    SelectObject(dc, pen);
    if (drawing.pen && !DeleteObject(drawing.pen)) _fatal("failed to delete pen object.", "_setcolor");
    drawing.pen = pen;
    COLORREF previous = drawing.pen_colour;
    drawing.pen_colour = colour;
    record_drew(3, 52);  // the pen made, selected, the old one deleted
    return previous;
}

void _setfillmask()
{
    HDC dc = cur_dc();
    if (!dc) return;
    HBRUSH brush = mask_brush("_setfillmask", "failed to delete bitmap object");
    SelectObject(dc, brush);
    if (drawing.brush && !DeleteObject(drawing.brush)) _fatal("failed to delete brush object.", "_setfillmask");
    drawing.brush = brush;
    record_drew(3, 140);
}

COLORREF _settextcolor(COLORREF colour)
{
    HDC dc = cur_dc();
    if (!dc) return (COLORREF)-1;
    drawing.text_colour = colour;
    COLORREF previous = SetTextColor(dc, colour);
    record_drew(1, 12);
    return previous;
}

point_d _moveto(double x, double y)
{
    point_d old = drawing.text_at;
    drawing.text_at = {x, y};
    return old;
}

text_size _text_extent(const char* text)
{
    text_size r = {0, 0};
    window_dc dc(console_frame);
    if (!dc) return r;
    selected_object font(dc, drawing.font);
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
    drawing.back_colour = current_page->background;
    SetBkColor(dc, drawing.back_colour);
    SetTextAlign(dc, TA_TOP | TA_LEFT);
    TextOutA(dc, units(drawing.text_at.x), units(drawing.text_at.y), text, (int)strlen(text));
    record_drew(4, 112 + 6.0 * strlen(text));  // the modes, and the text with its advances
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
    HFONT font =
        CreateFontA(units(height), 0, drawing.font_angle * 10, drawing.font_orientation * 10, FW_NORMAL, drawing.italic,
                    drawing.underline, drawing.strikeout, DEFAULT_CHARSET, 0, 0, 0, 0, face_buf);
    if (!font) return 0;
    text_copy(drawing.font_face, face_buf);
    SelectObject(dc, font);
    if (drawing.font && !DeleteObject(drawing.font)) _fatal("failed to delete font object.", "_setfont");
    drawing.font = font;
    record_drew(3, 356);
    return 1;
}

int _rectangle(int mode, double x1, double y1, double x2, double y2)
{
    HDC dc = cur_dc();
    if (!dc) return 0;
    int done = 0;
    if (mode == 0) done = Rectangle(dc, units(x1), units(y1), units(x2), units(y2));
    if (mode == 1) {
        POINT p[5] = {{units(x1), units(y1)},
                      {units(x2), units(y1)},
                      {units(x2), units(y2)},
                      {units(x1), units(y2)},
                      {units(x1), units(y1)}};
        done = Polyline(dc, p, 5);
    }
    if (mode == 0 || mode == 1) record_drew(1, 68);
    return done;
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
int current_page_number() { return current_page ? current_page->number : 0; }
int early_drop_flag() { return early_drop; }

HWND page_drawing_window(int page)
{
    if (page <= 0 || page >= PAGE_SLOTS || !page_table[page]) return nullptr;
    const page_record* p = page_table[page];
    return p->child ? p->child : p->frame;
}

measuring_dc::measuring_dc(int page)
    : dc_(page >= 1 && page < PAGE_SLOTS && page_table[page] ? page_table[page]->dc : nullptr), font_(dc_, drawing.font)
{}
