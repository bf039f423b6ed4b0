// Metafile images: placeable WMF files (22-byte header, then a standard
// metafile) and EMF files, probed for size, rendered into a _bmap a band of
// rows at a time, and put on the clipboard. The WMF body is loaded
// from memory, so no temporary file is shared between instances. Every
// record is checked first, and every drawing record measured against the
// picture's frame, before any of them is drawn, probed or copied.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"
#include "base/holders.h"
#include "graphics/metafile_check.h"
#include "graphics/metafile_play.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

// Largest metafile body read into memory.
enum { WMF_MAX_BYTES = 256 * 1024 * 1024 };

void _wmf_context_init(wmf_context* c)
{
    memset(&c->header, 0, sizeof c->header);
    c->header_size = sizeof(wmf_placeable_header);
    c->width = c->height = 0;
    c->metafile = nullptr;
}

int wmf_read_header(wmf_context* c, FILE* file)
{
    if (!file || fseek(file, 0, SEEK_SET) != 0) return 0;
    if (fread(&c->header, sizeof c->header, 1, file) != 1) return 0;
    // A plain metafile has no key and 0 units per inch, which sizes nothing.
    if (c->header.key != WMF_PLACEABLE_KEY || c->header.units_per_inch == 0) return 0;
    c->width = c->header.right - c->header.left;
    c->height = c->header.bottom - c->header.top;
    return c->width > 0 && c->height > 0;
}

int _wmf_read(wmf_context* c, FILE* file)
{
    if (!wmf_read_header(c, file)) return 0;
    long start = ftell(file);
    if (start < 0 || fseek(file, 0, SEEK_END) != 0) return 0;
    long end = ftell(file);
    if (end <= start || end - start > WMF_MAX_BYTES || fseek(file, start, SEEK_SET) != 0) return 0;
    if (!can_allocate((size_t)(end - start))) return 0;
    std::vector<BYTE> body((size_t)(end - start));
    if (fread(body.data(), 1, body.size(), file) != body.size()) return 0;
    // Only a body whose every record was checked reaches the player.
    if (!wmf_body_sound(body.data(), body.size())) return 0;
    c->metafile = SetMetaFileBitsEx((UINT)body.size(), body.data());
    return c->metafile != nullptr;
}

void _wmf_size(wmf_context* c, int* width, int* height, int* units_per_inch)
{
    int xdpi, ydpi;
    screen_dpi(&xdpi, &ydpi);
    double upi = c->header.units_per_inch ? c->header.units_per_inch : 1;
    *width = (int)(c->width / upi * xdpi);
    *height = (int)(c->height / upi * ydpi);
    *units_per_inch = c->header.units_per_inch;
}

void _wmf_context_free(wmf_context* c)
{
    if (c->metafile) DeleteMetaFile(c->metafile);
    c->metafile = nullptr;
}

namespace {
// One WMF operation on a file: the context's metafile is freed, and the file
// closed, at the end of the scope.
using wmf_context_holder = holder<null_handle_traits<wmf_context*, _wmf_context_free>>;
struct wmf_scope {
    wmf_context c;
    wmf_context_holder freed;
    c_file file;
    explicit wmf_scope(const char* path) : freed(&c), file(fopen(path, "rb")) { _wmf_context_init(&c); }
    // Header and body read and the metafile loaded.
    bool read() { return file && _wmf_read(&c, file.get()); }
};

// Rows rendered at a time: the picture is played once per band into a small
// bitmap, so that the image itself is the only full-size copy.
enum { BAND_BYTES = 8 * 1024 * 1024 };

// Renders a picture of ext_x x ext_y units into a new width x height image
// over the background for new pages; `play` plays it into the DC given.
template <class Play> _bmap* render_in_bands(int width, int height, int ext_x, int ext_y, Play play)
{
    _bmap* b = bmap_new(width, height);
    if (!b) return nullptr;
    int band = b->stride > BAND_BYTES ? 1 : BAND_BYTES / b->stride;
    if (band > height) band = height;
    BITMAPINFO bi = {};
    bi.bmiHeader = b->header;
    bi.bmiHeader.biHeight = -band;
    void* bits = nullptr;
    owned_object dib(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    created_dc memory(dib.get() && bits ? CreateCompatibleDC(nullptr) : nullptr);
    HDC dc = memory.get();
    if (!dc) {
        _bmap_delete(b);
        return nullptr;
    }
    {
        selected_object into(dc, dib.get());
        owned_object fill(CreateSolidBrush(new_page_background));
        for (int top = 0; top < height; top += band) {
            // A metafile may leave levels saved and its own mapping behind:
            // every band starts as the first, with none saved (as the check
            // counted them) and with our mapping.
            SaveDC(dc);
            RestoreDC(dc, 1);
            SetMapMode(dc, MM_TEXT);
            SetWindowOrgEx(dc, 0, 0, nullptr);
            SetViewportOrgEx(dc, 0, 0, nullptr);
            RECT all = {0, 0, width, band};
            FillRect(dc, &all, (HBRUSH)fill.get());
            SetStretchBltMode(dc, COLORONCOLOR);
            set_picture_mapping(dc, ext_x, ext_y, width, height, top);
            play(dc);
            GdiFlush();
            int rows = height - top < band ? height - top : band;
            memcpy(b->pixels + (size_t)top * b->stride, bits, (size_t)rows * b->stride);
        }
    }
    return b;
}
}  // namespace

metafile_bound_record metafile_bound = {0, 0};

// The longest side and the bytes of pixels of a picture drawn: what a _bmap
// may take, less the padding its rows may add. One drawn whole (to be saved
// or its colours counted) takes at most half that, so that a save holding it
// and a band of its rows still fits beside the program.
const double SIDE_MOST = 65535;
const double PIXEL_BYTES_MOST = (double)BMAP_MAX_BYTES - 3 * SIDE_MOST;
const double WHOLE_PIXEL_BYTES_MOST = (double)BMAP_MAX_BYTES / 2 - 3 * SIDE_MOST;

// The size a metafile is drawn at for a request of w x h: never more than a
// _bmap may take, when it is drawn whole no more than a whole picture may,
// and when it is to be shown, within what can be shown, so that one header
// word (a few units per inch) cannot ask for a picture of hundreds of
// megabytes. Proportions are kept. False when nothing is left to draw.
static bool drawn_size(double w, double h, double scale, bool shown, int* width, int* height)
{
    double tw = w * scale, th = h * scale;
    if (!(tw >= 1 && th >= 1)) return false;
    double bytes = shown ? PIXEL_BYTES_MOST : WHOLE_PIXEL_BYTES_MOST;
    double f = std::min({1.0, SIDE_MOST / tw, SIDE_MOST / th, std::sqrt(bytes / (3 * tw * th))});
    if (shown) {
        int bw = metafile_bound.width, bh = metafile_bound.height;
        if (bw < 1 || bh < 1) bw = GetSystemMetrics(SM_CXSCREEN), bh = GetSystemMetrics(SM_CYSCREEN);
        f = std::min({f, bw / tw, bh / th});
    }
    *width = (int)(tw * f);
    *height = (int)(th * f);
    return *width >= 1 && *height >= 1;
}

// The picture at its full size must stay within its frame.
static bool wmf_full_size_within_frame(wmf_context* c)
{
    int w, h, upi;
    _wmf_size(c, &w, &h, &upi);
    return wmf_within_frame(c->metafile, c->width, c->height, w > 1 ? w : 1, h > 1 ? h : 1);
}

int _wmf_info(const char* path, int* width, int* height, int* xres, int* yres)
{
    wmf_scope s(path);
    if (!s.read() || !wmf_full_size_within_frame(&s.c)) return 0;
    int upi;
    _wmf_size(&s.c, width, height, &upi);
    screen_dpi(xres, yres);
    return 1;
}

static _bmap* wmf_load_at(const char* path, double scale, bool shown, SIZE* asked = nullptr)
{
    wmf_scope s(path);
    if (!s.read()) return nullptr;
    int w, h, upi, tw, th;
    _wmf_size(&s.c, &w, &h, &upi);
    if (asked) *asked = SIZE{w, h};
    if (!drawn_size(w, h, scale, shown, &tw, &th)) return nullptr;
    HMETAFILE metafile = s.c.metafile;
    if (!wmf_within_frame(metafile, s.c.width, s.c.height, tw, th)) return nullptr;
    _bmap* b = render_in_bands(tw, th, s.c.width, s.c.height, [metafile](HDC dc) { wmf_play(dc, metafile); });
    if (!b) return nullptr;
    b->header.biXPelsPerMeter = b->header.biYPelsPerMeter = dpi_to_ppm(upi);
    return b;
}

_bmap* _wmf_load(const char* path, double scale) { return wmf_load_at(path, scale, true); }
_bmap* wmf_load_whole(const char* path, SIZE* asked) { return wmf_load_at(path, 1, false, asked); }

int _wmf_to_clipboard(const char* path)
{
    wmf_scope s(path);
    if (!s.read() || !wmf_full_size_within_frame(&s.c)) return 0;
    // The clipboard keeps its own copy, made by playing the picture.
    HDC record = CreateMetaFileA(nullptr);
    if (!record) return 0;
    wmf_play(record, s.c.metafile);
    HMETAFILE copy = CloseMetaFile(record);
    if (!copy) return 0;
    double upi = s.c.header.units_per_inch;
    return metafile_pict_to_clipboard(console_frame, copy, MM_LOENGLISH, (LONG)(s.c.width / upi * 100),
                                      (LONG)(100 * (s.c.height / upi)));
}

// An EMF file read whole and checked record by record before the system
// sees it; null when unreadable or unsound.
static HENHMETAFILE emf_open(const char* path)
{
    c_file file(fopen(path, "rb"));
    if (!file.get() || fseek(file.get(), 0, SEEK_END) != 0) return nullptr;
    long end = ftell(file.get());
    if (end < 88 || end > WMF_MAX_BYTES || fseek(file.get(), 0, SEEK_SET) != 0) return nullptr;
    if (!can_allocate((size_t)end)) return nullptr;
    std::vector<BYTE> bytes((size_t)end);
    if (fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return nullptr;
    if (!emf_bytes_sound(bytes.data(), bytes.size())) return nullptr;
    const ENHMETAHEADER* h = (const ENHMETAHEADER*)bytes.data();
    return SetEnhMetaFileBits(h->nBytes, bytes.data());
}

// The picture size of an EMF: its bounds' right and bottom edges.
static bool emf_size(HENHMETAFILE emf, int* width, int* height)
{
    ENHMETAHEADER h;
    if (GetEnhMetaFileHeader(emf, sizeof h, &h) < 88) return false;
    *width = h.rclBounds.right;
    *height = h.rclBounds.bottom;
    return *width > 0 && *height > 0;
}

int _emf_info(const char* path, int* width, int* height, int* xres, int* yres)
{
    enh_metafile_holder emf(emf_open(path));
    if (!emf || !emf_size(emf.get(), width, height)) return 0;
    if (!emf_within_frame(emf.get(), *width, *height, *width, *height)) return 0;
    screen_dpi(xres, yres);
    return 1;
}

static _bmap* emf_load_at(const char* path, double scale, bool shown, SIZE* asked = nullptr)
{
    enh_metafile_holder held(emf_open(path));
    int w, h, tw, th;
    if (!held || !emf_size(held.get(), &w, &h)) return nullptr;
    if (asked) *asked = SIZE{w, h};
    if (!drawn_size(w, h, scale, shown, &tw, &th)) return nullptr;
    if (!emf_within_frame(held.get(), w, h, tw, th)) return nullptr;
    RECT frame = {0, 0, w, h};
    HENHMETAFILE emf = held.get();
    _bmap* b = render_in_bands(tw, th, w, h, [emf, &frame](HDC dc) { PlayEnhMetaFile(dc, emf, &frame); });
    if (!b) return nullptr;
    int xdpi, ydpi;
    screen_dpi(&xdpi, &ydpi);
    b->header.biXPelsPerMeter = b->header.biYPelsPerMeter = dpi_to_ppm(xdpi);
    return b;
}

_bmap* _emf_load(const char* path, double scale) { return emf_load_at(path, scale, true); }
_bmap* emf_load_whole(const char* path, SIZE* asked) { return emf_load_at(path, 1, false, asked); }

int _emf_to_clipboard(const char* path)
{
    enh_metafile_holder emf(emf_open(path));
    if (!emf) return 0;
    int w, h;
    if (!emf_size(emf.get(), &w, &h)) w = h = 1;  // no extent: held to a single pixel
    if (!emf_within_frame(emf.get(), w, h, w, h)) return 0;
    {
        clipboard_open clip(console_frame);
        if (!clip || !EmptyClipboard() || !SetClipboardData(CF_ENHMETAFILE, emf.get())) return 0;
        emf.release();  // the clipboard owns it now
    }
    _pump();
    return 1;
}
