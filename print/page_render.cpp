// Recording one page of a print run: the header line, then each cell's
// picture, caption, information line and frame, in page units, into an
// enhanced metafile whose reference is the printer. Text is measured on the
// printer with the same fonts, so that what fits here fits on paper.
#include "print/page_render.h"
#include "print/page_geometry.h"
#include "print/print_settings.h"
#include "print/printer.h"
#include "browser/model/archive_work.h"
#include "browser/model/browser_list.h"
#include "browser/caches/cell_extras.h"
#include "browser/model/comment_files.h"
#include "browser/model/file_kind.h"
#include "browser/model/image_kinds.h"
#include "browser/model/numbering.h"
#include "browser/model/paths.h"
#include "browser/caches/thumb_cache.h"
#include "base/holders.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

int rendered_page_count;

enum { CAPTION_BUF = 1024, HEADER_BUF = 640, CAPTION_LINES = 16 };

namespace {

// An image for the scope of one cell, with the turn it still has to make (a
// rotation code of _bmap_zoom): a picture that is shrunk for the printer is
// turned by the same pass, so that a photo is never turned at its decoded size.
struct picture_holder {
    _bmap* b = nullptr;
    int turn = 0;
    ~picture_holder() { _bmap_delete(b); }
    void replace(_bmap* next)
    {
        if (next != b) _bmap_delete(b);
        b = next;
    }
    // The size as the picture is drawn, turned.
    int width() const { return turn & 1 ? b->height : b->width; }
    int height() const { return turn & 1 ? b->width : b->height; }
    // The turn made now, for a step that needs the turned pixels.
    void make_turn()
    {
        int angle = turn == 2 ? 180 : turn * 90;
        turn = 0;
        if (angle && b) replace(_bmap_rotate(b, angle));
    }
};

// The DC that measures text: the printer, or the screen when there is none.
struct measuring {
    window_dc screen;
    HDC dc;
    measuring()
        : screen(print_settings.printer_dc ? nullptr : GetDesktopWindow()),
          dc(print_settings.printer_dc ? print_settings.printer_dc : screen.get())
    {}
};

HFONT make_font(int height)
{
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, DEFAULT_PITCH, "ＭＳ Ｐ明朝");
}

// A font selected into the recording and the measuring DC for the scope.
struct page_font {
    font_holder font;
    selected_object in_page, in_measure;
    page_font(HDC page, HDC measure, int height)
        : font(make_font(height)), in_page(page, font.get()), in_measure(measure, font.get())
    {}
};

// Text drawn where it was measured: each character's advance comes from the
// measuring DC, where the font has the size the paper gives it. Left to the
// recording, the advances would come from the font at its page-unit height,
// whose whole-pixel widths print the text wider than it was measured.
void put_text(HDC dc, HDC measure, int x, int y, const char* text, COLORREF colour)
{
    SetTextColor(dc, colour);
    SetBkColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, OPAQUE);
    int length = (int)strlen(text);
    std::vector<wchar_t> wide(length + 1);
    int n = MultiByteToWideChar(CP_ACP, 0, text, length, wide.data(), length + 1);
    std::vector<INT> ends(n > 0 ? n : 1);
    SIZE size;
    if (n <= 0 || !GetTextExtentExPointW(measure, wide.data(), n, 0, nullptr, ends.data(), &size)) {
        TextOutA(dc, x, y, text, length);
        return;
    }
    // Advances from the ends of the characters, so that no rounding adds up.
    std::vector<INT> advances(n);
    for (int i = 0; i < n; i++) advances[i] = ends[i] - (i ? ends[i - 1] : 0);
    ExtTextOutW(dc, x, y, 0, nullptr, wide.data(), n, advances.data());
}

void header_text(int page, char* out, size_t cap)
{
    const print_settings_record& r = print_settings.record;
    out[0] = 0;
    if (r.header_folder) {
        const current_folder_state& f = current_folder;
        if (f.drive_list)
            text_copy(out, cap, "ﾏｲ ｺﾝﾋﾟｭｰﾀ");
        else if (f.desktop_exact)
            text_copy(out, cap, "ﾃﾞｽｸﾄｯﾌﾟ");
        else if (f.personal_exact || f.personal_length)
            text_format(out, cap, "ﾏｲ ﾄﾞｷｭﾒﾝﾄ%s", f.personal_exact ? "" : f.folder + f.personal_length + 1);
        else if (f.folder[0]) {
            // Inside an archive, its own path, as the title bar shows it.
            char folder[PATH_BUF];
            if (!archive_shown_folder(f.folder, folder)) text_copy(folder, f.folder);
            char drive = folder[0];
            if (drive >= 'a' && drive <= 'z') drive = (char)(drive - 'a' + 'A');
            text_format(out, cap, "%c%s", drive, folder + 1);
        }
    }
    // A blank parts the folder from the title.
    if (r.title[0]) text_append_format(out, cap, out[0] ? " %s " : "%s ", r.title);
    if (r.header_page_number) text_append_format(out, cap, "  %d ", page + r.page_number_base);
}

void draw_header(HDC page_dc, HDC measure, int page)
{
    const print_settings_state& s = print_settings;
    const print_settings_record& r = s.record;
    page_font font(page_dc, measure, r.header_font);
    char text[HEADER_BUF];
    header_text(page, text, sizeof text);
    if (!text[0]) return;
    int available = s.page_width - s.margin_left - s.margin_right;
    char shown[HEADER_BUF];
    int width = caption_text(text, measure, shown, sizeof shown, 1, available);
    int x = s.margin_left;
    if (r.header_align == 1)
        x += (available - width) / 2;
    else if (r.header_align == 2)
        x += available - width;
    put_text(page_dc, measure, x, 0, shown, RGB(0, 0, 0));
}

// The path that names the item's picture, its entry record, and its name as
// the list shows it (with the subfolders of an expanded tree; the file name
// for a job of paths from elsewhere).
struct cell_entry {
    file_kind own;
    const file_kind_base* record = nullptr;
    char path[PATH_BUF] = "";
    char shown[PATH_BUF] = "";
    explicit cell_entry(int item)
    {
        const print_job& job = print_settings.job;
        if (item < 0 || item >= job.count || !job.names || !job.names[item]) return;
        if (job.names == browser_list.names && item < browser_list.count) {
            entry_ref ref(item);
            if (ref.effective) {
                record = ref.effective;
                if (ref.path[0])
                    text_copy(path, ref.path);
                else
                    record->name(path);
                if (file_kind* listed = list_entry_kind(item)) listed->name(shown);
                return;
            }
        }
        if (!text_copy(path, job.names[item])) return;
        record = make_file_kind(path, &own, 1, 0);
        if (record->base_name) text_copy(shown, record->base_name);
    }
};

long long page_pixel_total(int page, int cells)
{
    const print_settings_record& r = print_settings.record;
    long long total = 0;
    for (int c = 0; c < cells; c++) {
        int item = item_of_cell(page, c);
        const print_job& job = print_settings.job;
        if (item < 0 || !job.names[item] || mb_strchr(job.names[item], '*')) continue;
        int w = 32, h = 32, xr, yr;
        if (image_kind_of_path(job.names[item]) && !_image_info(job.names[item], &w, &h, &xr, &yr)) w = h = 32;
        long long n = (long long)w * h;
        if (r.poster) n /= (long long)(r.columns < 1 ? 1 : r.columns) * (r.rows < 1 ? 1 : r.rows);
        total += n;
    }
    return total;
}

// A copy of the browser's cached thumbnail of a list item; the cache keeps its own.
_bmap* thumbnail_copy(int item)
{
    const print_job& job = print_settings.job;
    if (job.names != browser_list.names || item >= browser_list.count || !browser_list.thumb_cache) return nullptr;
    thumb_cache_draw(item, &thumb_cache, 0);
    int slot = thumb_image_index(item, &thumb_cache);
    page_info info = _page_info(slot);
    if (slot < 1 || info.kind < 0) return nullptr;
    if (info.kind == PAGE_BUFFER) return _bmap_from_buffer(slot);
    if (info.kind != PAGE_IMAGE || !info.image || !info.image->pixels) return nullptr;
    _bmap* copy = bmap_new(info.image->width, info.image->height);
    if (copy) memcpy(copy->pixels, info.image->pixels, (size_t)copy->stride * copy->height);
    return copy;
}

// The scale of a thumbnail that stands for the real picture: drawn as the
// paper draws the real picture, fitted to the cell and never enlarged. A
// thumbnail whose proportion differs from the file's by more than 6 % is
// taken as turned.
double thumbnail_scale(const char* path, const _bmap* thumb, double cw, double ch)
{
    int rw, rh, xr, yr;
    if (!_image_info(path, &rw, &rh, &xr, &yr) || rw < 1 || rh < 1)
        return std::fmin(cw / thumb->width, ch / thumb->height);
    double proportion = ((double)rw / thumb->width) / ((double)rh / thumb->height);
    if (std::fabs(proportion - 1) > 0.06) std::swap(rw, rh);
    double s = (double)rw / thumb->width;
    double fit = std::fmin(1.0, std::fmin(cw / rw, ch / rh));
    if (std::fabs(s - 1) < 0.06 && fit >= 1) return 1.0;
    return s * fit;
}

// Turning: to the cell's orientation, or by the name's marks.
// The turn is left to the shrink that follows; a thumbnail is small and turned
// at once, as is an angle that is no quarter or half turn (which gives no picture).
void turn_picture(picture_holder& pic, const char* path, double cw, double ch, bool thumbnail)
{
    const print_settings_record& r = print_settings.record;
    if (!pic.b) return;
    int angle = 0;
    if (r.turn_to_fit) {
        bool cell_wide = cw > ch, picture_wide = pic.b->width > pic.b->height;
        if (cw != ch && pic.b->width != pic.b->height && cell_wide != picture_wide) angle = r.turn_to_fit * -90;
    } else if (!thumbnail) {
        angle = rotation_from_name(path) * 90;
    }
    int code = angle == 90 ? 1 : angle == -90 ? -1 : angle == 180 || angle == -180 ? 2 : 0;
    if (angle && (thumbnail || !code))
        pic.replace(_bmap_rotate(pic.b, angle));
    else
        pic.turn = code;
}

// Keeps the cell's proportion of the picture's centre; the scale follows the cut.
double crop_picture(picture_holder& pic, double cw, double ch, double scale)
{
    _bmap* b = pic.b;
    double ratio = (b->width / cw) / (b->height / ch);
    if (ratio > 1.01) {
        int w = (int)(b->width / ratio);
        if (w < 1) return scale;
        _bmap* cut = bmap_new(w, b->height);
        if (!cut) return scale;
        int x0 = (b->width - w) / 2;
        for (int y = 0; y < b->height; y++)
            memcpy(cut->pixels + (size_t)y * cut->stride, b->pixels + (size_t)y * b->stride + (size_t)x0 * 3,
                   (size_t)w * 3);
        pic.replace(cut);
        return scale * ratio;
    }
    if (ratio < 0.99) {
        int h = (int)(b->height * ratio);
        if (h < 1) return scale;
        _bmap* cut = bmap_new(b->width, h);
        if (!cut) return scale;
        int y0 = (b->height - h) / 2;
        for (int y = 0; y < h; y++)
            memcpy(cut->pixels + (size_t)y * cut->stride, b->pixels + (size_t)(y0 + y) * b->stride,
                   (size_t)b->width * 3);
        pic.replace(cut);
        return scale / ratio;
    }
    return scale;
}

// Never larger than the picture's physical size from its resolution.
double physical_limit(const char* path, const _bmap* b, double dw, double dh)
{
    int w, h, xr = 0, yr = 0;
    if (print_settings.record.poster || !_image_info(path, &w, &h, &xr, &yr)) {
        w = b->width, h = b->height;
        xr = yr = 0;
    }
    if ((w > h) != (dw > dh)) std::swap(w, h), std::swap(xr, yr);
    if (xr <= 1 || yr <= 1 || dw <= 0 || dh <= 0) return 1;
    int lpx = page_unit_dpi();
    double m = std::fmin((w / (double)xr) / (dw / lpx), (h / (double)yr) / (dh / lpx));
    return std::fmin(1.0, m);
}

// Printer pixels per page unit across and down, or 0 when there is no printer.
double printer_pixels_per_unit(bool across)
{
    const print_settings_state& s = print_settings;
    if (!s.printer_dc || s.page_width <= 0 || s.page_height <= 0) return 0;
    return across ? (double)GetDeviceCaps(s.printer_dc, HORZRES) / s.page_width
                  : (double)GetDeviceCaps(s.printer_dc, VERTRES) / s.page_height;
}

}  // namespace

// The JPEG decoder's reduction (1, 2, 4 or 8) that still leaves a picture at
// least the pixels of the largest it can be drawn in its cell (covering it),
// counted in page units and in printer pixels alike: a camera photo in a
// small cell is then decoded, turned and shrunk at a fraction of its size.
// Posters and sizes that cannot be probed are decoded whole.
int load_divisor(const char* path, double cw, double ch)
{
    const print_settings_record& r = print_settings.record;
    double per_x = printer_pixels_per_unit(true), per_y = printer_pixels_per_unit(false);
    const char* ext = path_extension(path);
    int w, h, xr, yr;
    if (r.poster || !per_x || !per_y || !extension_is(ext, ".JPG", ".JPEG", ".JPE") ||
        !_image_info(path, &w, &h, &xr, &yr) || w < 1 || h < 1)
        return 1;
    // Turned as turn_picture will turn it.
    bool turned = r.turn_to_fit ? cw != ch && w != h && (cw > ch) != (w > h) : (rotation_from_name(path) & 1) != 0;
    if (turned) std::swap(w, h);
    double cover = std::fmax(cw * std::fmax(per_x, 1) / w, ch * std::fmax(per_y, 1) / h);
    int divisor = 1;
    while (divisor < 8 && 2 * divisor * cover <= 1) divisor *= 2;
    return divisor;
}

namespace {

// A picture goes to the printer with no more pixels than it covers there:
// shrunk to its drawn size in printer pixels before it is recorded, so that a
// page of camera photos is recorded and spooled at the paper's resolution,
// not at the cameras'.
void shrink_to_printer_pixels(picture_holder& pic, double dw, double dh)
{
    double across = std::ceil(dw * printer_pixels_per_unit(true)),
           down = std::ceil(dh * printer_pixels_per_unit(false));
    double f = std::fmax(across / pic.width(), down / pic.height());
    if (f > 0 && f < 1) {
        if (_bmap* smaller = _bmap_zoom(pic.b, pic.turn, f)) {
            pic.replace(smaller);
            pic.turn = 0;
        }
    }
    pic.make_turn();
}

// A metafile is drawn no larger than its print cell in printer pixels (a
// poster's whole picture, its cells together), either way round, since the
// picture may be turned to the cell, for the scope.
struct metafile_bound_scope {
    metafile_bound_record saved = metafile_bound;
    metafile_bound_scope(double cw, double ch)
    {
        const print_settings_record& r = print_settings.record;
        double across = printer_pixels_per_unit(true), down = printer_pixels_per_unit(false);
        if (!across || !down) return;
        int columns = r.poster && r.columns > 1 ? r.columns : 1, rows = r.poster && r.rows > 1 ? r.rows : 1;
        int side = (int)std::ceil(std::fmax(cw * across * columns, ch * down * rows));
        metafile_bound = {side, side};
    }
    ~metafile_bound_scope() { metafile_bound = saved; }
};

void draw_picture(HDC page_dc, _bmap* b, int x, int y, int dw, int dh)
{
    SetStretchBltMode(page_dc, HALFTONE);
    SetBrushOrgEx(page_dc, 0, 0, nullptr);
    // Straight when the system stretches DIBs, else through a bitmap compatible with the printer.
    if (print_settings.record.dib_mode == 0 && direct_dib_stretch) {
        StretchDIBits(page_dc, x, y, dw, dh, 0, 0, b->width, b->height, b->pixels, (const BITMAPINFO*)&b->header,
                      DIB_RGB_COLORS, SRCCOPY);
        return;
    }
    HDC printer = print_settings.printer_dc;
    HDC memory = printer ? CreateCompatibleDC(printer) : nullptr;
    bitmap_holder bitmap(memory ? CreateCompatibleBitmap(printer, b->width, b->height) : nullptr);
    if (!memory || !bitmap) {
        if (memory) DeleteDC(memory);
        kavtrel_message_box(console_window(), "cannot use phdc", "ZOTE", MB_OK);
        return;
    }
    {
        selected_object in_memory(memory, bitmap.get());
        SetDIBitsToDevice(memory, 0, 0, b->width, b->height, 0, 0, 0, b->height, b->pixels,
                          (const BITMAPINFO*)&b->header, DIB_RGB_COLORS);
        stretch_bitmap_into(page_dc, x, y, dw, dh, memory, bitmap.get(), b->width, b->height);
    }
    DeleteDC(memory);
}

// The caption's name: the rotation mark (".r", ".l", ".i" before the
// extension) never shows; the number prefix goes while the browser hides it,
// unless the settings keep it.
static void caption_name(const cell_entry& entry, char* name, size_t cap)
{
    const print_settings_record& r = print_settings.record;
    text_copy_n(name, cap, entry.shown[0] ? entry.shown : entry.path, cap - 1);
    if (rotation_from_name(name)) {
        char* dot = mb_strrchr(name, '.');
        if (dot && dot - name >= 2 && dot[-2] == '.') memmove(dot - 2, dot, strlen(dot) + 1);
    }
    char* last = file_name_of(name);
    char without[CAPTION_BUF];
    if (!r.keep_number_prefix && display_name_without_prefix(last, without, sizeof without))
        text_copy(last, cap - (last - name), without);
}

void draw_caption(HDC page_dc, HDC measure, const cell_entry& entry, int x, int y, double width)
{
    const print_settings_record& r = print_settings.record;
    page_font font(page_dc, measure, r.caption_font);
    char name[CAPTION_BUF];
    caption_name(entry, name, sizeof name);
    std::vector<std::string> lines;
    const print_job& job = print_settings.job;
    if (r.caption_comment && !comment_file_selected(entry.path, job.marks, job.names, job.count))
        lines = read_comment_lines(entry.path, measure, (int)width);
    char text[CAPTION_BUF];
    if (!lines.empty()) {
        if (r.caption_name) {
            caption_text(name, measure, text, sizeof text, 0, width);
            text_append(text, " ");
        } else {
            // Without the name the comment still tells the subfolder it belongs to.
            *file_name_of(name) = 0;
            caption_text(name, measure, text, sizeof text, 1, width);
        }
    } else if (r.caption_name) {
        caption_text(name, measure, text, sizeof text, 0, width);
    } else {
        return;
    }
    int line_y = y - r.caption_font;
    if (text[0]) put_text(page_dc, measure, x, line_y, text, RGB(0, 0, 0));
    int count = 0;
    for (const std::string& line : lines) {
        if (++count > CAPTION_LINES) break;
        char bounded[CAPTION_BUF];
        text_copy_n(bounded, sizeof bounded, line.c_str(), sizeof bounded - 1);
        line_y += r.caption_font;
        put_text(page_dc, measure, x, line_y, bounded, RGB(0, 0, 0));
    }
}

// Date, time and size in grey, aligned within `width` from `left`, never left of it.
void draw_info_line(HDC page_dc, HDC measure, const file_kind_base* entry, double left, double top, double width)
{
    const print_settings_record& r = print_settings.record;
    page_font font(page_dc, measure, r.info_font);
    char text[CAPTION_BUF];
    int shown = date_size_text(entry, measure, text, sizeof text, r.show_date, r.show_time, r.show_size, width);
    double x = left;
    if (r.info_align == 1)
        x += (width - shown) / 2;
    else if (r.info_align == 2)
        x += width - shown;
    put_text(page_dc, measure, (int)std::fmax(x, left), (int)top, text, RGB(0x80, 0x80, 0x80));
}

void draw_cell(HDC page_dc, HDC measure, int page, int cell, int cells, long long page_pixels)
{
    print_settings_state& s = print_settings;
    const print_settings_record& r = s.record;
    int item = item_of_cell(page, cell);
    if (item < 0) return;
    cell_entry entry(item);
    if (!entry.path[0] || mb_strchr(entry.path, '*')) return;
    double cw = s.cell_width, ch = s.cell_height;
    int start = first_page_offset(page);
    long long columns = r.columns < 1 ? 1 : r.columns;
    int column = r.poster ? 0 : (int)((start + cell) % columns), row = r.poster ? 0 : (int)((start + cell) / columns);
    double x = s.margin_left + column * (cw + r.gap_x);
    double y = s.margin_top + row * (ch + r.gap_y);

    picture_holder pic;
    bool image = entry.record && entry.record->image_kind;
    bool thumbnail = false;
    if (image) {
        if (print_settings.preview && !r.poster) thumbnail = (pic.b = thumbnail_copy(item)) != nullptr;
        if (!pic.b) {
            metafile_bound_scope bound(cw, ch);
            pic.b = _bmap_load(entry.path, 0, load_divisor(entry.path, cw, ch));
        }
        if (pic.b && r.poster) {
            int turns = r.turn_to_fit ? 0 : rotation_from_name(entry.path);
            long long per_image = columns * (r.rows < 1 ? 1 : r.rows);
            pic.b = cut_tile(pic.b, (int)columns, r.rows < 1 ? 1 : r.rows, (int)(page % per_image), turns);
        }
        turn_picture(pic, entry.path, cw, ch, thumbnail);
    }
    // Cutting and the pixel budget work on the turned pixels.
    if (r.crop || r.printer_quirk == 1) pic.make_turn();
    double dw = 0, dh = 0, xo = 0, yo = 0;
    if (pic.b) {
        // A picture still to be turned fits the cell turned the other way.
        bool across = pic.turn & 1;
        double scale = thumbnail ? thumbnail_scale(entry.path, pic.b, cw, ch)
                                 : image_scale_in_cell(entry.path, &pic.b, across ? ch : cw, across ? cw : ch, cells,
                                                       page_pixels);
        if (r.crop) scale = crop_picture(pic, cw, ch, scale);
        dw = pic.width() * scale, dh = pic.height() * scale;
        if (r.size_mode == 0) {
            double m = physical_limit(entry.path, pic.b, dw, dh);
            dw *= m, dh *= m;
        } else if (r.size_mode == 2 && dw > 0 && dh > 0) {
            double m = std::fmin(cw / dw, ch / dh);
            dw *= m, dh *= m;
        }
        xo = (cw - dw) * r.align_x * 0.5;
        yo = (ch - dh) * r.align_y * 0.5;
        shrink_to_printer_pixels(pic, dw, dh);
        draw_picture(page_dc, pic.b, (int)(x + xo), (int)(y + yo), (int)dw, (int)dh);
    } else if (entry.record && entry.record->text) {
        draw_text_preview(entry.record, page_dc, 9, "ＭＳ 明朝", RGB(0, 0, 0), cw, ch, x, y);
    }
    if (r.caption_comment || r.caption_name) {
        bool at_picture = r.caption_at_picture && pic.b;
        draw_caption(page_dc, measure, entry, (int)(at_picture ? x + xo : x), (int)(at_picture ? y + yo : y),
                     at_picture ? dw : cw);
    }
    if (image && (r.show_date || r.show_size || r.show_time)) {
        // Under the picture; without one (a file gone since it was listed) across the cell where it would stand.
        if (pic.b)
            draw_info_line(page_dc, measure, entry.record, x + xo, y + yo + dh, dw);
        else
            draw_info_line(page_dc, measure, entry.record, x, y + ch * r.align_y * 0.5, cw);
    }
    if (r.frame) {
        pen_holder pen(CreatePen(PS_SOLID, 0, RGB(0, 0, 0)));
        selected_object with_pen(page_dc, pen.get());
        selected_object no_fill(page_dc, GetStockObject(NULL_BRUSH));
        Rectangle(page_dc, (int)x, (int)y, (int)(x + cw), (int)(y + ch));
    }
}

}  // namespace

RECT page_rect() { return RECT{0, 0, print_settings.page_width, print_settings.page_height}; }

HENHMETAFILE render_print_pages(int page)
{
    int cells = cells_on_page(page);
    if (cells <= 0) return nullptr;
    measuring m;
    // The frame in hundredths of a millimetre of the reference device, so that
    // playing into page_rect() maps one recorded unit to one page unit.
    RECT frame = page_rect();
    int hs = GetDeviceCaps(m.dc, HORZSIZE), hr = GetDeviceCaps(m.dc, HORZRES);
    int vs = GetDeviceCaps(m.dc, VERTSIZE), vr = GetDeviceCaps(m.dc, VERTRES);
    if (hr > 0 && vr > 0) {
        frame.right = MulDiv(frame.right, hs * 100, hr);
        frame.bottom = MulDiv(frame.bottom, vs * 100, vr);
    }
    HDC page_dc = CreateEnhMetaFileA(print_settings.printer_dc, nullptr, &frame, "ZOTE");
    if (!page_dc) return nullptr;
    // Text is measured as the paper shows it, whatever state the printer DC was left in.
    printer_page_mapping paper(print_settings.printer_dc);
    rendered_page_count++;
    draw_header(page_dc, m.dc, page);
    long long pixels = page_pixel_total(page, cells);
    for (int c = 0; c < cells; c++) {
        _pump();
        draw_cell(page_dc, m.dc, page, c, cells, pixels);
        _progress(1, progress_fraction(page, c), 0, 1);
        SetCursor(LoadCursor(nullptr, IDC_WAIT));
    }
    return CloseEnhMetaFile(page_dc);
}
