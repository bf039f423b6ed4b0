// Scanning into a new file named by the time of the scan, and counting the
// colours of an image. The scanner itself is reached through scan_hooks.
#include "browser/operations/image_save.h"
#include "browser/model/busy.h"
#include "browser/model/browser_list.h"
#include "browser/model/paths.h"
#include "files/files.h"
#include "formats/formats.h"
#include "graphics/kavtrel.h"

// One image from the TWAIN source, without the source choice.
static _bmap* acquire_from_scanner(HWND owner)
{
    if (!load_twain_dsm(owner) || !open_twain_dsm(0)) return nullptr;
    return twain_acquire();
}
scan_hook_table scan_hooks = {.acquire = acquire_from_scanner};

static const char base36[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

void scan_name_of_time(const SYSTEMTIME* t, char out[8])
{
    int digits[7] = {(t->wYear + 16) % 36, t->wMonth,       t->wDay,       t->wHour,
                     t->wMinute / 10,      t->wMinute % 10, t->wSecond / 2};
    for (int i = 0; i < 7; i++) out[i] = base36[digits[i] % 36];
    out[7] = 0;
}

int scan_format_of_count(int colours)
{
    if (colours > 256) return SAVE_JPEG;
    if (colours > 0) return SAVE_PNG;
    if (colours == 0) return SAVE_NONE;
    if (colours >= -2) return SAVE_TIFF;
    return -SAVE_PNG;
}

static HWND owner_window()
{
    HWND page = _page_hwnd(browser_list.page ? browser_list.page : 1);
    return page ? GetParent(page) : nullptr;
}

static int write_scan(const char* path, _bmap* b, int format)
{
    switch (format) {
    case SAVE_JPEG: return save_jpeg_file(path, b, 0);
    case SAVE_PNG: return save_png_palette(path, b) || save_png_rgb(path, b) ? 1 : 0;
    case SAVE_TIFF: return save_tiff_bilevel(path, b);
    case -SAVE_PNG: return save_png_gray(path, b);
    }
    return 0;
}

int scan_to_file(char* out)
{
    out[0] = 0;
    busy_guard busy(BUSY_WAIT);
    _pump();
    _bmap* b = scan_hooks.acquire(owner_window());
    if (!b) return 0;
    SYSTEMTIME now;
    GetLocalTime(&now);
    char name[8];
    scan_name_of_time(&now, name);
    int format = scan_format_of_count(_bmap_count_colors(b));
    const char* ext = format == SAVE_JPEG ? ".jpg" : format == SAVE_TIFF ? ".tif" : ".png";
    char wanted[PATH_BUF];
    int written = 0;
    // Every format is made unique: two scans in the same two seconds keep both.
    if (format != SAVE_NONE && text_format(wanted, sizeof wanted, "_%s%s", name, ext) && make_unique_name(out, wanted))
        written = write_scan(out, b, format);
    if (!written) out[0] = 0;
    if (!written && format != SAVE_NONE) save_failed(wanted);
    _bmap_delete(b);
    _pump();
    return written;
}

int count_image_colours(const char* path)
{
    _pump();
    int n = 0;
    {
        busy_guard busy(BUSY_WAIT);
        _pump();
        int page = browser_list.page ? browser_list.page : 1;
        if (_page_hwnd(page)) _status_text(page, "...色数をｶｳﾝﾄ中");
        _bmap* b = load_image_exactly(path);
        if (b) n = _bmap_count_colors(b);
        _bmap_delete(b);
        if (_page_hwnd(page)) _status_text(page, "");
    }
    _pump();
    _pump();
    if (n == 0) return 0;
    char text[PATH_BUF + 64];
    const char* name = file_name_of(path);
    if (n > 0)
        text_format_cut(text, sizeof text, "%s には\n%d 色使われています．", name, n);
    else
        text_format_cut(text, sizeof text, "%s は\n%d 階調グレースケールです．", name, -n);
    kavtrel_message_box(owner_window(), text, "ZOTE", MB_OK | MB_ICONINFORMATION);
    return n;
}
