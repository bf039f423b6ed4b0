// The cell painter: one list entry's picture in an image slot, scaled to fit
// the thumbnail area and turned by the rotation mark of its name, or a red
// error text on the background when it cannot be made. The result's error
// flag keeps such substitutes out of the disk cache.
#include "browser/caches/thumb_cache.h"
#include "browser/model/arccache.h"
#include "browser/model/browser_list.h"
#include "browser/model/file_kind.h"
#include "browser/model/image_kinds.h"
#include "browser/caches/cell_extras.h"
#include "files/files.h"
#include "base/holders.h"
#include "graphics/kavtrel.h"
#include <cstring>

static browser_list_record& L = browser_list;

double fit_scale(int rotation, double w, double h, double box_w, double box_h)
{
    if (rotation % 2) {
        double t = w;
        w = h;
        h = t;
    }
    double r = 1;
    if (w > box_w) r = box_w / w;
    if (box_h < r * h) r = box_h / h;
    return r;
}

void placeholder_cell(cell_result* r, int slot, const char* text, double w, double h)
{
    *r = {};
    r->width = static_cast<int>(w);
    r->height = static_cast<int>(h);
    r->error = text ? 1 : 0;
    if (slot >= 1 && !_newbuffer(slot, r->width, r->height)) return;
    _page_fill(slot, L.colours[COLOUR_BK]);
    if (!text) return;
    page_info info = _page_info(slot);
    if (!info.dc) return;
    SetBkMode(info.dc, TRANSPARENT);
    SetTextColor(info.dc, RGB(255, 0, 0));
    TextOutA(info.dc, 0, 20, text, static_cast<int>(strlen(text)));
}

// The blue frame of a wildcard entry, 4:3 and centred.
static void wildcard_frame(cell_result* r, int slot, double w, double h)
{
    placeholder_cell(r, slot, nullptr, w, h);
    page_info info = _page_info(slot);
    if (!info.dc) return;
    int fw = static_cast<int>(w * 0.8);
    double fh = fw * 480.0 / 640.0 < h * 0.8 ? fw * 480.0 / 640.0 : h * 0.8;
    int x = static_cast<int>((w - fw) / 2), y = static_cast<int>((h - fh) / 2);
    owned_object pen(CreatePen(PS_SOLID, 1, 0xFF0000));
    selected_object use_pen(info.dc, pen.get());
    selected_object no_fill(info.dc, GetStockObject(NULL_BRUSH));
    Rectangle(info.dc, x, y, x + fw, y + static_cast<int>(fh));
}

// The loaded picture scaled by r, then turned (a scaled picture is turned
// too, so a shrunk photo shows upright), into the slot.
static void finish_cell_picture(cell_result* r, int rotation, _bmap* b, int slot, double scale, double w, double h)
{
    if (!b) {
        placeholder_cell(r, slot, "read error", w, h);
        return;
    }
    _bmap* picture = b;
    if (scale != 1.0) {
        picture = _bmap_scale(scale, 0.14, b);
        _bmap_delete(b);
        if (!picture) {
            placeholder_cell(r, slot, "stretch error", w, h);
            return;
        }
    }
    if (rotation) {
        if (_bmap* turned = _bmap_rotate(picture, rotation * 90)) {
            _bmap_delete(picture);
            picture = turned;
        }
    }
    *r = {0, static_cast<int>((w - picture->width) / 2), static_cast<int>((h - picture->height) / 2), picture->width,
          picture->height};
    if (slot >= 1) _page_set_bmap(slot, picture);
    _bmap_delete(picture);
}

void draw_archive_member_cell(cell_result* r, const char* member, int slot, double w, double h, int jpeg, int slide)
{
    file_kind k;
    make_file_kind(member, &k, 1, 0);
    draw_file_cell(r, &k, w, h, slot, jpeg, slide);
}

// Entries that are no image: a removable drive's icon, a text preview, an
// archive's member, or the shell's icon of the file.
static void draw_other_cell(cell_result* r, const file_kind_base* k, double w, double h, int slot, int jpeg, int slide)
{
    char name[PATH_BUF];
    if (!k->name(name)) name[0] = 0;
    if (k->drive_root && k->drive_type == DRIVE_REMOVABLE) {
        *r = {};
        if (slot >= 1 && !_newbuffer(slot, k->width > 0 ? k->width : 32, k->height > 0 ? k->height : 32)) return;
        _page_fill(slot, L.colours[COLOUR_BK]);
        draw_drive_icon(_page_info(slot).dc, 0, 0, name);
        return;
    }
    if (k->text) {
        placeholder_cell(r, slot, nullptr, w, h);
        COLORREF colour = slide ? L.settings.sldtxtcolor : L.colours[COLOUR_TXT];
        draw_text_preview(k, _page_info(slot).dc, 12, "ＭＳ ゴシック", colour, w, h, 0, 0);
        return;
    }
    char member[PATH_BUF];
    if (k->archive && name[0] && arccache_member_path(name, member)) {
        draw_archive_member_cell(r, member, slot, w, h, jpeg, slide);
        return;
    }
    placeholder_cell(r, slot, nullptr, w, h);
    if (!name[0] || !draw_associated_icon(name, slot)) placeholder_cell(r, slot, "read error", w, h);
    r->error = 1;  // a substitute, never stored
}

int jpeg_reduction(double scale) { return scale <= 0.125 ? 8 : scale <= 0.25 ? 4 : scale <= 0.5 ? 2 : 1; }

int reduced_jpeg_of(const file_kind_base* k, double w, double h, char* name)
{
    if (k->wildcard || k->image_kind - 1 != KIND_JPG || !entry_picture_name(k, name) || !name[0]) return 0;
    double scale = fit_scale(rotation_from_name(name), k->width, k->height, w, h);
    if (k->width < 1 || k->height < 1 || !k->probed || k->width * scale < 1 || k->height * scale < 1) return 0;
    return jpeg_reduction(scale);
}

void finish_reduced_jpeg_cell(cell_result* r, const char* name, _bmap* b, double w, double h, int slot)
{
    int rotation = rotation_from_name(name);
    finish_cell_picture(r, rotation, b, slot, b ? fit_scale(rotation, b->width, b->height, w, h) : 1.0, w, h);
}

void draw_file_cell(cell_result* r, const file_kind_base* k, double w, double h, int slot, int jpeg, int slide)
{
    if (k->wildcard) {
        wildcard_frame(r, slot, w, h);
        return;
    }
    if (!k->image_kind) {
        draw_other_cell(r, k, w, h, slot, jpeg, slide);
        return;
    }
    char name[PATH_BUF];
    if (!entry_picture_name(k, name) || !name[0]) {
        placeholder_cell(r, slot, "read error", w, h);
        return;
    }
    int kind = k->image_kind - 1;
    int rotation = rotation_from_name(name);
    // A top-down BMP's probe gives its height negative; the reader takes it.
    int width = k->width, height = kind == KIND_BMP && k->height < 0 ? -k->height : k->height;
    double scale = fit_scale(rotation, width, height, w, h);
    if (width < 1 || height < 1 || !k->probed) {
        placeholder_cell(r, slot, "header error", w, h);
        return;
    }
    if (width * scale < 1 || height * scale < 1) {
        placeholder_cell(r, slot, "too small", w, h);
        return;
    }
    _bmap* b;
    if (kind == KIND_BMP) {
        if (!draw_bmp_file(name, slot, scale)) {
            placeholder_cell(r, slot, "too big", w, h);
            return;
        }
        // Drawn at its place; the mark turns the drawn picture.
        b = rotation ? _bmap_from_buffer(slot) : nullptr;
        if (!b) {
            page_info p = _page_info(slot);
            *r = {0, static_cast<int>((w - p.width) / 2), static_cast<int>((h - p.height) / 2),
                  static_cast<int>(p.width), static_cast<int>(p.height)};
            return;
        }
        scale = 1.0;
    } else if (kind == KIND_EMF || kind == KIND_WMF) {
        b = _bmap_load(name, 0, scale);
        scale = 1.0;
    } else if (kind == KIND_JPG && jpeg != CELL_JPEG_FULL) {
        b = _bmap_load(name, jpeg == CELL_JPEG_FAST ? 1 : 0, jpeg_reduction(scale));
        if (b) scale = fit_scale(rotation, b->width, b->height, w, h);
    } else if (is_plugin_kind(kind) && image_format_hooks.load_plugin) {
        b = image_format_hooks.load_plugin(name);
    } else {
        b = _bmap_load(name, 0, 1);
    }
    finish_cell_picture(r, rotation, b, slot, scale, w, h);
}

int fit_slot_picture(int slot, double w, double h)
{
    if (!_page_to_bmap(slot)) return 0;
    page_info info = _page_info(slot);
    if (!info.image) return 0;
    double r = fit_scale(0, info.width, info.height, w, h);
    if (r >= 1.0) return 1;
    _bmap* s = _bmap_scale(r, 0.14, info.image);
    if (!s) return 0;
    int ok = _page_set_bmap(slot, s);
    _bmap_delete(s);
    return ok;
}
