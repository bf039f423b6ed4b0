// Text files in a cell: the file's icon, faded when lines are drawn over it,
// and the first lines of the file in the preview font. JIS and EUC files are
// converted to Shift-JIS first through the kanji converter, by way of two
// temporary files named per instance, so that two browsers never share them.
// Every line is read, cut and tab-expanded into bounded buffers: a text file
// is whatever the user happens to browse.
#include "browser/caches/cell_extras.h"
#include "browser/caches/thumb_cache.h"
#include "browser/model/browser_list.h"
#include "browser/model/file_kind.h"
#include "base/holders.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include "kanji/unkanj.h"
#include <cstdio>
#include <cstring>

enum { PREVIEW_LINE_READ = 512, PREVIEW_LINE_KEEP = 509, PREVIEW_COPY_BYTES = 4096, KEY_COLOUR = 0x030201 };
// The icon's square and its 24-bit pixels (rows of 96 bytes need no padding).
enum { ICON_SIDE = 32, ICON_BYTES = ICON_SIDE * ICON_SIDE * 3 };

static HICON entry_icon(const char* path)
{
    size_t n = strlen(path);
    if (n >= 6 && text_equal_ci(path + n - 6, ".a.txt"))
        if (HICON own = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(101))) return CopyIcon(own);
    return file_icon(path);
}

// Whether dc can give its pixels back: a screen or a memory bitmap, not a
// page recording or a printer.
static bool pixels_readable(HDC dc)
{
    DWORD type = GetObjectType(dc);
    return type == OBJ_MEMDC || (type == OBJ_DC && GetDeviceCaps(dc, TECHNOLOGY) == DT_RASDISPLAY);
}

// The icon is put together in a memory bitmap, since neither a page recording
// nor a printer can give pixels back, and goes to dc as one picture. The
// bitmap starts as the background (dc's own where it can be read, else the
// white of paper). To fade, the icon is drawn on the key colour: the pixels
// still showing the key take the background back, the others are pulled
// toward white.
void draw_file_icon(HDC dc, int x, int y, const char* path, int fade)
{
    icon_holder icon(entry_icon(path));
    if (!icon) return;
    BITMAPINFO bi = {};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), ICON_SIDE, -ICON_SIDE, 1, 24, BI_RGB, ICON_BYTES};
    created_dc memory(CreateCompatibleDC(nullptr));
    void* bits = nullptr;
    bitmap_holder canvas(memory ? CreateDIBSection(memory.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr);
    if (!canvas || !bits) return;
    BYTE* p = static_cast<BYTE*>(bits);
    BYTE background[ICON_BYTES];
    {
        selected_object into(memory.get(), canvas.get());
        if (!pixels_readable(dc) || !BitBlt(memory.get(), 0, 0, ICON_SIDE, ICON_SIDE, dc, x, y, SRCCOPY))
            PatBlt(memory.get(), 0, 0, ICON_SIDE, ICON_SIDE, WHITENESS);
        GdiFlush();
        memcpy(background, p, sizeof background);
        if (fade > 0) {
            brush_holder key(CreateSolidBrush(KEY_COLOUR));
            RECT r = {0, 0, ICON_SIDE, ICON_SIDE};
            FillRect(memory.get(), &r, key.get());
        }
        DrawIcon(memory.get(), 0, 0, icon.get());
        GdiFlush();
    }
    for (int at = 0; fade > 0 && at < ICON_BYTES; at += 3) {
        BYTE* c = p + at;  // blue, green, red
        if (RGB(c[2], c[1], c[0]) == KEY_COLOUR) {
            memcpy(c, background + at, 3);
            continue;
        }
        for (int k = 0; k < 3; k++) c[k] = static_cast<BYTE>((c[k] + 255 * fade - 255) / fade);
    }
    StretchDIBits(dc, x, y, ICON_SIDE, ICON_SIDE, 0, 0, ICON_SIDE, ICON_SIDE, bits, &bi, DIB_RGB_COLORS, SRCCOPY);
}

// This instance's pair of converter files in the temporary folder, named once.
static bool preview_temp_files(const char** in, const char** out)
{
    static char in_name[PATH_BUF], out_name[PATH_BUF];
    if (!in_name[0]) {
        char temp[PATH_BUF];
        DWORD n = GetTempPathA(sizeof temp, temp);
        DWORD id = GetCurrentProcessId();
        char a[32], b[32];
        text_format(a, sizeof a, "in%lu.txt", static_cast<unsigned long>(id));
        text_format(b, sizeof b, "sj%lu.txt", static_cast<unsigned long>(id));
        if (!n || n >= sizeof temp || !path_join(in_name, temp, a) || !path_join(out_name, temp, b)) {
            in_name[0] = 0;
            return false;
        }
    }
    *in = in_name;
    *out = out_name;
    return true;
}

static bool copy_head(const char* from, const char* to)
{
    c_file src(fopen(from, "rb"));
    if (!src) return false;
    c_file dst(fopen(to, "wb"));
    if (!dst) return false;
    char buf[PREVIEW_COPY_BYTES];
    size_t n = fread(buf, 1, sizeof buf, src.get());
    return fwrite(buf, 1, n, dst.get()) == n;
}

// The file to read the lines from: the file itself, or its Shift-JIS
// conversion (into converted, which the caller deletes). Null when a
// conversion failed.
static const char* preview_source(const char* path, int code, const char** converted)
{
    *converted = nullptr;
    if (code != KANJI_JIS && code != KANJI_EUC) return path;
    const char *in, *out;
    if (!preview_temp_files(&in, &out) || !copy_head(path, in)) return nullptr;
    char command[3 * PATH_BUF], message[UNKANJ_MESSAGE_BUF];
    bool ok = text_format(command, sizeof command, "t -s -%c \"%s\" \"%s\"", code == KANJI_JIS ? 'J' : 'E', in, out) &&
              unkanj_main(command, message) == 0;
    DeleteFileA(in);
    if (!ok) return nullptr;
    *converted = out;
    return out;
}

// Reads the next line into line (at most 511 bytes); a longer line is cut at
// 509 bytes and the rest of it skipped. False at the end of the file.
static bool next_preview_line(FILE* f, char* line, size_t cap)
{
    if (!fgets(line, static_cast<int>(cap), f)) return false;
    size_t n = strlen(line);
    if (n && line[n - 1] != '\n' && !feof(f)) {
        int c;
        while ((c = fgetc(f)) != EOF && c != '\n') {}
    }
    if (n > PREVIEW_LINE_KEEP) {
        // Cut on a character boundary.
        const char* p = line;
        while (*p && static_cast<size_t>(mb_next(p) - line) <= PREVIEW_LINE_KEEP) p = mb_next(p);
        line[p - line] = 0;
    }
    return true;
}

static void fit_line(HDC dc, char* text, double width)
{
    size_t len = strlen(text);
    SIZE s;
    while (len && GetTextExtentPoint32A(dc, text, static_cast<int>(len), &s) && s.cx >= width)
        len = static_cast<size_t>(mb_prev(text, text + len) - text);
    text[len] = 0;
}

void draw_text_preview(const file_kind_base* k, HDC dc, int font_height, const char* face, COLORREF colour, double size,
                       double drawn, double x0, double y0)
{
    char path[PATH_BUF];
    if (!dc || !k->name(path)) return;
    if (browser_list.settings.txticon)
        draw_file_icon(dc, static_cast<int>(x0 + (size - ICON_SIDE) / 2),
                       static_cast<int>(y0 + (drawn - ICON_SIDE) / 2), path, browser_list.settings.txtcont ? 3 : 0);
    if (!browser_list.settings.txtcont) return;
    font_holder font(CreateFontA(font_height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face));
    selected_object use_font(dc, font.get());
    SIZE a;
    if (!GetTextExtentPoint32A(dc, "A", 1, &a) || a.cy < 1) return;
    const char* converted;
    const char* source = preview_source(path, k->kanji_code, &converted);
    if (!source) return;
    {
        c_file f(fopen(source, "rb"));
        if (f) {
            int reserved = drawn >= 96 ? 3 : 2;
            double margin = size > 128 ? 10 : 0;
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, colour);
            char line[PREVIEW_LINE_READ], shown[1024];
            for (double y = a.cy; y + reserved * a.cy < drawn && next_preview_line(f.get(), line, sizeof line);
                 y += a.cy) {
                text_copy(shown, line);
                expand_tabs(shown, sizeof shown, 8);
                fit_line(dc, shown, size - margin);
                TextOutA(dc, static_cast<int>(x0 + margin), static_cast<int>(y0 + y), shown,
                         static_cast<int>(strlen(shown)));
            }
        }
    }
    if (converted) DeleteFileA(converted);
}
