// The renderer's parts that need no recording: the layout of the cells on
// the page, the scale of a picture in its cell, tiles of posters, and the
// caption and information texts, shortened to their room.
#include "print/page_render.h"
#include "print/page_geometry.h"
#include "print/print_settings.h"
#include "browser/model/browser_list.h"
#include "browser/model/file_kind.h"
#include "browser/model/image_kinds.h"
#include "base/holders.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include <cmath>
#include <cstring>

static int clamp_int(double v)
{
    if (v > 1e9) return 1000000000;
    if (v < -1e9) return -1000000000;
    return (int)v;
}

// Header, caption and information reserves above and below the cells.
static int reserves(const print_settings_record& r)
{
    int total = 0;
    if (r.header_folder || r.title[0] || r.header_page_number) total += r.header_height;
    if (r.caption_comment || r.caption_name) total += r.gap_y;
    if (r.show_date || r.show_size || r.show_time) total += r.info_font;
    return total;
}

static int header_reserves(const print_settings_record& r)
{
    int total = 0;
    if (r.header_folder || r.title[0] || r.header_page_number) total += r.header_height;
    if (r.caption_comment || r.caption_name) total += r.gap_y;
    return total;
}

// Unprintable right and bottom borders of the printer, tenths of a millimetre.
static void far_offsets(int* right, int* bottom)
{
    *right = *bottom = 0;
    HDC dc = print_settings.printer_dc;
    if (!dc) return;
    int dx = GetDeviceCaps(dc, LOGPIXELSX), dy = GetDeviceCaps(dc, LOGPIXELSY);
    if (dx <= 0 || dy <= 0) return;
    int rx = GetDeviceCaps(dc, PHYSICALWIDTH) - GetDeviceCaps(dc, HORZRES) - GetDeviceCaps(dc, PHYSICALOFFSETX);
    int ry = GetDeviceCaps(dc, PHYSICALHEIGHT) - GetDeviceCaps(dc, VERTRES) - GetDeviceCaps(dc, PHYSICALOFFSETY);
    *right = (int)(rx * 254.0 / dx + 0.5);
    *bottom = (int)(ry * 254.0 / dy + 0.5);
}

static void even_out(int* first, int* second, int first_offset, int second_offset)
{
    int d = (tenth_mm_to_screen_px(first_offset) - tenth_mm_to_screen_px(second_offset)) + (*first - *second);
    if (d < 1)
        *first -= d;
    else
        *second += d;
}

void layout_cells()
{
    print_settings_state& s = print_settings;
    print_settings_record& r = s.record;
    if (r.columns < 1) r.columns = 4;
    if (r.rows < 1) r.rows = 4;
    if (r.cell_width_mm < 1) r.cell_width_mm = 40;
    if (r.cell_height_mm < 1) r.cell_height_mm = 40;
    if (s.page_width <= 0 || s.page_height <= 0) return;
    s.margin_left = r.margin_left, s.margin_top = r.margin_top;
    s.margin_right = r.margin_right, s.margin_bottom = r.margin_bottom;
    long long columns = r.poster ? 1 : r.columns, rows = r.poster ? 1 : r.rows;
    int right_offset, bottom_offset;
    far_offsets(&right_offset, &bottom_offset);
    if (r.centre_on_paper) {
        even_out(&s.margin_left, &s.margin_right, s.offset_x, right_offset);
        even_out(&s.margin_top, &s.margin_bottom, s.offset_y, bottom_offset);
    }
    double usable_w = s.page_width - s.margin_left - s.margin_right;
    double usable_h = s.page_height - s.margin_top - s.margin_bottom;
    int reserve = reserves(r);
    double cw, ch;
    if (!r.fixed_cell_size) {
        // Gaps, margins and reserves wider than the page leave cells of one unit, never of a negative size.
        cw = std::fmax(1, (usable_w - (columns - 1) * (double)r.gap_x) / columns);
        if (r.square_cells && cw + r.gap_y > 0) {
            double q = (usable_h + r.gap_y - reserve) / (cw + r.gap_y);
            rows = (long long)q + (q - std::floor(q) > 0.5 ? 1 : 0);
            if (rows < 1) rows = 1;
        }
        ch = std::fmax(1, (usable_h - (rows - 1) * (double)r.gap_y - reserve) / rows);
        if (r.square_cells && ch < cw) {
            double spare = (cw - ch) * columns;
            cw = ch;
            s.margin_left += clamp_int(spare / 2);
            s.margin_right += clamp_int(spare / 2);
        }
        r.cell_width_mm = clamp_int(screen_px_to_tenth_mm(cw) / 10);
        r.cell_height_mm = clamp_int(screen_px_to_tenth_mm(ch) / 10);
    } else {
        cw = tenth_mm_to_screen_px(r.cell_width_mm * 10.0);
        ch = tenth_mm_to_screen_px(r.cell_height_mm * 10.0);
        columns = (long long)((usable_w + r.gap_x) / (cw + r.gap_x));
        rows = (long long)((usable_h + r.gap_y - reserve) / (ch + r.gap_y));
        if (columns < 1) columns = 1;
        if (rows < 1) rows = 1;
    }
    s.margin_top += header_reserves(r);
    if (r.centre_on_paper) {
        // The grid centred on the paper, the printable area being offset within it.
        double grid_w = columns * cw + (columns - 1) * (double)r.gap_x;
        double grid_h = rows * ch + (rows - 1) * (double)r.gap_y + reserve;
        double paper_w = s.page_width + tenth_mm_to_screen_px(s.offset_x) + tenth_mm_to_screen_px(right_offset);
        double paper_h = s.page_height + tenth_mm_to_screen_px(s.offset_y) + tenth_mm_to_screen_px(bottom_offset);
        s.margin_left = clamp_int((paper_w - grid_w) / 2 - tenth_mm_to_screen_px(s.offset_x));
        s.margin_top = clamp_int((paper_h - grid_h) / 2 - tenth_mm_to_screen_px(s.offset_y)) + header_reserves(r);
        s.margin_right = clamp_int(s.page_width - s.margin_left - grid_w);
        s.margin_bottom = clamp_int(s.page_height - s.margin_top - grid_h);
    }
    s.cell_width = cw;
    s.cell_height = ch;
    if (!r.poster) {
        r.columns = (int)(columns > 32767 ? 32767 : columns);
        r.rows = (int)(rows > 32767 ? 32767 : rows);
    }
}

double image_scale_in_cell(const char* path, _bmap** picture, double cell_width, double cell_height,
                           int cells_on_this_page, long long page_pixels)
{
    _bmap* b = *picture;
    if (!b || b->width <= 0 || b->height <= 0) return 0;
    double fit = std::fmin(std::fmin(cell_width / b->width, cell_height / b->height), 1.0);
    const print_settings_record& r = print_settings.record;
    if (r.printer_quirk == 1 && cells_on_this_page > 0 && page_pixels > r.pixel_budget) {
        long long q = r.pixel_budget / cells_on_this_page;
        long long pixels = (long long)b->width * b->height;
        if (q > 0 && pixels > q) {
            double k = std::sqrt((double)q / pixels);
            if (fit < k) {
                if (_bmap* smaller = _bmap_zoom(b, 0, k)) {
                    // fit / k, measured on the pixels the zoom really gave
                    double scale = fit * b->width / smaller->width;
                    _bmap_delete(b);
                    *picture = smaller;
                    return scale;
                }
            }
        }
    }
    return fit;
}

_bmap* cut_tile(_bmap* picture, int columns, int rows, int index, int quarter_turns)
{
    if (!picture || columns < 1 || rows < 1) {
        _bmap_delete(picture);
        return nullptr;
    }
    int col = index % columns, row = (index / columns) % rows;
    // The tile as shown, found in the stored picture.
    int turns = ((quarter_turns % 4) + 4) % 4;
    int stored_col = col, stored_row = row, stored_columns = columns, stored_rows = rows;
    switch (turns) {
    case 1: stored_columns = rows, stored_rows = columns, stored_col = rows - 1 - row, stored_row = col; break;
    case 3: stored_columns = rows, stored_rows = columns, stored_col = row, stored_row = columns - 1 - col; break;
    case 2: stored_col = columns - 1 - col, stored_row = rows - 1 - row; break;
    }
    int tw = picture->width / stored_columns, th = picture->height / stored_rows;
    _bmap* tile = nullptr;
    if (tw >= 1 && th >= 1 && (tile = bmap_new(tw, th))) {
        for (int y = 0; y < th; y++)
            memcpy(tile->pixels + (size_t)y * tile->stride,
                   picture->pixels + (size_t)(stored_row * th + y) * picture->stride + (size_t)stored_col * tw * 3,
                   (size_t)tw * 3);
    }
    _bmap_delete(picture);
    return tile;
}

static double text_width(HDC dc, const char* text)
{
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, (int)strlen(text), &size);
    return size.cx;
}

// Shortens text in place with ".." until narrower than max_width; the width.
static int shorten(HDC given, char* text, size_t cap, double max_width)
{
    window_dc screen(given ? nullptr : GetDesktopWindow());
    HDC dc = given ? given : screen.get();
    double width = text_width(dc, text);
    if (width < max_width || cap < 3) return (int)width;
    // Cut the last character of the base text until the text with ".." fits, or the base is empty.
    size_t base = strlen(text);
    for (;;) {
        text[base] = 0;
        const char* last = mb_last(text);
        base = (size_t)(last - text);
        text[base] = 0;
        if (base + 3 > cap) continue;
        memcpy(text + base, "..", 3);
        width = text_width(dc, text);
        if (width < max_width || base == 0) return (int)width;
    }
}

int caption_text(const char* path, HDC dc, char* out, size_t cap, int whole_path, double max_width)
{
    if (!cap) return 0;
    out[0] = 0;
    const char* from = path;
    // A leading drive goes ("C:\a\b.jpg" shows as "a/b.jpg"); colons inside titles stay.
    if (from[0] && from[1] == ':' && !mb_is_lead((unsigned char)from[0])) from += from[2] ? 3 : 2;
    text_copy_n(out, cap, from, cap - 1);
    if (!whole_path && !browser_list.picext) {
        const char* ext = file_ext_of(out);
        if (ext && image_kind_of_ext(ext)) out[ext - out] = 0;
    }
    for (char* p = out; *p; p = (char*)mb_next(p))
        if (*p == '\\') *p = '/';
    return shorten(dc, out, cap, max_width);
}

int date_size_text(const file_kind_base* entry, HDC dc, char* out, size_t cap, int date, int time, int size,
                   double max_width)
{
    if (!cap) return 0;
    out[0] = 0;
    if (date || time) text_copy(out, cap, format_file_time(entry, date && time ? 3 : date ? 1 : 2));
    if (size && !entry->drive_root) {
        if (entry->image_kind)
            text_append_format(out, cap, " (%s)", format_image_size(entry, 0));
        else if (entry->plain)
            text_append_format(out, cap, " (%s)", format_size(entry->file_size));
        else
            text_append_format(out, cap, " (%s %s)", format_image_size(entry, 0), format_archive_count(entry));
    }
    return shorten(dc, out, cap, max_width);
}
