// Saving an image in another format (see image_save.h). Nothing here may lose
// the original: an image that does not decode writes and deletes nothing, a
// new file is written under a temporary name in the target's folder and put
// in place by one replacing move, and the source is deleted (when asked) only
// after that. The source's time is read before anything is written. A save
// that fails says so, and one of a drawing too large to be drawn whole names
// the smaller size it was saved at.
#include "browser/operations/image_save.h"
#include "browser/model/busy.h"
#include "browser/model/browser_list.h"
#include "browser/model/paths.h"
#include "files/files.h"
#include "formats/formats.h"
#include "graphics/kavtrel.h"
#include <cstdio>

static const char* const format_exts[] = {".bmp", ".jpg", ".png", ".tif"};

int source_format_index(const char* path)
{
    for (int i = 0; i < 4; i++)
        if (has_extension(path, format_exts[i])) return i;
    return 4;
}

static bool between(int v, int low, int high) { return v >= low && v <= high; }

int default_resolution(int* xdpi, int* ydpi, int width, int height)
{
    if (*xdpi > 1) return 1;
    bool page = (between(width, 2106, 2160) && between(height, 1278, 1302)) ||
                (between(height, 2106, 2160) && between(width, 1278, 1302));
    *xdpi = *ydpi = page ? 600 : 300;
    return 1;
}

_bmap* load_image_exactly(const char* path, SIZE* asked)
{
    image_format_hook_table& hooks = image_format_hooks;
    if (has_extension(path, ".bmp")) return _bmap_load_bmp(path);
    if (has_extension(path, ".ico") || has_extension(path, ".cur")) return _bmap_icon_image(path);
    if (has_extension(path, ".emf")) return emf_load_whole(path, asked);
    if (has_extension(path, ".wmf")) return wmf_load_whole(path, asked);
    if (has_extension(path, ".png")) return hooks.load_png ? hooks.load_png(path) : nullptr;
    if (has_extension(path, ".tif") || has_extension(path, ".tiff"))
        return hooks.load_tiff ? hooks.load_tiff(path) : nullptr;
    if (has_extension(path, ".psd") || has_extension(path, ".pdd"))
        return hooks.load_psd ? hooks.load_psd(path) : nullptr;
    if (has_extension(path, ".pdf")) return hooks.load_pdf ? hooks.load_pdf(path, 100) : nullptr;
    bool jpeg = has_extension(path, ".jpg") || has_extension(path, ".jpeg") || has_extension(path, ".jpe") ||
                has_extension(path, ".gif");
    if (!jpeg) return hooks.load_plugin ? hooks.load_plugin(path) : nullptr;
    if (!hooks.load_jpeg) return nullptr;
    _bmap* b = hooks.load_jpeg(path, 1, 0);
    if (b && jpeg_bad_input_flag && has_extension(path, ".gif") == 0) {  // a damaged stream decodes only in part
        _bmap_delete(b);
        return nullptr;
    }
    return b;
}

// A free name in the target's folder for the file being written.
static bool temporary_beside(const char* target, char* out)
{
    char base[PATH_BUF];
    return text_format(base, sizeof base, "%s.zote-save", target) && make_unique_name(out, base);
}

// The rotation code (graphics/imageops.h) of the dialog's turn.
static int turn_of(const save_choice* c)
{
    static const int codes[] = {ROTATE_NONE, ROTATE_CW, ROTATE_HALF, ROTATE_CCW};
    return c->rotation > 0 && c->rotation <= 3 ? codes[c->rotation] : ROTATE_NONE;
}

// The writers take the picture turned a band of rows at a time: a save holds
// the picture and a band, never a second copy.
static int write_format(const char* path, _bmap* b, const save_choice* c)
{
    int turn = turn_of(c);
    switch (c->format) {
    case SAVE_BMP: {
        FILE* f = fopen(path, "wb");
        return f ? _bmap_save_bmp(b, f, turn) : 0;  // the writer closes the file
    }
    case SAVE_JPEG: return save_jpeg_file(path, b, c->quality, turn);
    case SAVE_PNG: return save_png_palette(path, b, turn) || save_png_rgb(path, b, turn) ? 1 : 0;
    case SAVE_TIFF: {
        int n = _bmap_count_colors(b);
        if (n > 0) return save_tiff_rgb(path, b, turn);
        if (n >= -2) return save_tiff_bilevel(path, b, turn);
        return save_tiff_gray(path, b, turn);
    }
    }
    return 0;
}

// Writes through a temporary file and moves it over the target; on any
// failure the temporary file goes and the target is as it was.
static int write_in_place(const char* target, _bmap* b, const save_choice* c)
{
    char temp[PATH_BUF];
    if (!temporary_beside(target, temp)) return 0;
    if (!write_format(temp, b, c) || !MoveFileExA(temp, target, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temp);
        return 0;
    }
    return 1;
}

// A JPEG turned into itself without loss, replacing the source only once the
// turned file is complete; the write time stays the old one.
static int rotate_jpeg_in_place(const char* source, int rotation)
{
    busy_guard busy(BUSY_WAIT);
    SYSTEMTIME before;
    file_local_systime(source, &before);
    char temp[PATH_BUF];
    if (!temporary_beside(source, temp)) return 0;
    if (!rotate_jpeg_file(source, rotation * -90, temp) || !MoveFileExA(temp, source, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temp);
        return 0;
    }
    set_file_local_systime(source, &before);
    return 1;
}

static HWND owner_window()
{
    HWND page = _page_hwnd(browser_list.page ? browser_list.page : 1);
    return page ? GetParent(page) : nullptr;
}

int save_failed(const char* name)
{
    char text[PATH_BUF + 64];
    text_format_cut(text, sizeof text, "%s を保存できませんでした．", name);
    kavtrel_message_box(owner_window(), text, "警告", MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

// A drawing larger than a picture drawn whole may be is saved smaller; the
// size it was saved at is named.
static void saved_smaller(const char* name, int width, int height)
{
    char text[PATH_BUF + 96];
    text_format_cut(text, sizeof text, "%s は大きすぎるので\n%d×%d ﾋﾟｸｾﾙに縮小して保存しました．", name, width, height);
    kavtrel_message_box(owner_window(), text, "ZOTE", MB_OK | MB_ICONINFORMATION);
}

int save_image_with_choice(const char* source, const save_choice* c)
{
    if (c->format < SAVE_BMP || c->format > SAVE_TIFF) return 0;
    char target[PATH_BUF];
    if (!text_copy(target, source) || !replace_extension(target, sizeof target, format_exts[c->format - 1]))
        return save_failed(file_name_of(source));
    bool same = text_equal_ci(file_name_of(target), file_name_of(source)) != 0;
    busy_guard busy(BUSY_WAIT);
    _pump();
    if (path_exists(target, 0)) {
        // A read-only file is never replaced (the platform's move may not refuse it).
        DWORD attributes = GetFileAttributesA(target);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            return save_failed(file_name_of(target));
        if (!same && kavtrel_message_box(owner_window(), "同じ名前のファイルが存在します．上書きしてよろしいですか？",
                                         "警告", MB_YESNO) != IDYES)
            return 0;
        if (same && c->format == SAVE_JPEG && c->rotation != 0)
            return rotate_jpeg_in_place(source, c->rotation) ? 1 : save_failed(file_name_of(target));
    }
    SYSTEMTIME source_time;
    file_local_systime(source, &source_time);
    SIZE asked = {0, 0};
    _bmap* b = load_image_exactly(source, &asked);
    if (!b) return save_failed(file_name_of(target));
    // The resolution asked for is the saved picture's, which a quarter turn gives the image's other way.
    bool quarter = turn_of(c) & 1;
    b->header.biXPelsPerMeter = dpi_to_ppm(quarter ? c->ydpi : c->xdpi);
    b->header.biYPelsPerMeter = dpi_to_ppm(quarter ? c->xdpi : c->ydpi);
    int written = write_in_place(target, b, c);
    bool smaller = asked.cx > b->width || asked.cy > b->height;
    int width = quarter ? b->height : b->width, height = quarter ? b->width : b->height;
    _bmap_delete(b);
    if (!written) return save_failed(file_name_of(target));
    if (c->keep_date) set_file_local_systime(target, &source_time);
    if (c->delete_source && !same) rm_file(source);
    if (smaller) saved_smaller(file_name_of(target), width, height);
    _pump();
    return 1;
}

int save_image_as_format(const char* entry)
{
    char source[PATH_BUF];
    if (!full_path(source, sizeof source, entry)) return 0;
    int width = 0, height = 0, xres = 0, yres = 0;
    if (!_image_info(source, &width, &height, &xres, &yres)) return 0;
    int xdpi = xres, ydpi = yres;
    int unknown = xres <= 1;
    default_resolution(&xdpi, &ydpi, width, height);
    if (!run_save_dialog(owner_window(), source, xdpi, ydpi, unknown)) return 0;
    return save_image_with_choice(source, &save_dialog_values);
}
