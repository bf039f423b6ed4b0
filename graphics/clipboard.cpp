// Images and pages leaving the program: packed DIBs, the clipboard (CF_DIB,
// metafiles, a page's picture) and BMP files.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"
#include "base/holders.h"
#include <cstring>
#include <vector>

namespace {

// Header with a positive height, then the rows bottom-up.
bool write_packed_dib(_bmap* b, BYTE* out)
{
    BITMAPINFOHEADER h = b->header;
    h.biSize = sizeof h;
    h.biWidth = b->width;
    h.biHeight = b->height;
    h.biPlanes = 1;
    h.biBitCount = (WORD)b->bpp;
    h.biCompression = BI_RGB;
    h.biSizeImage = 0;
    h.biClrUsed = h.biClrImportant = 0;
    memcpy(out, &h, sizeof h);
    out += sizeof h;
    for (int y = 0; y < b->height; y++)
        memcpy(out + (size_t)(b->height - 1 - y) * b->stride, b->pixels + (size_t)y * b->stride, (size_t)b->stride);
    return true;
}

// Hands a block to the clipboard; on failure the block is freed here.
int set_clipboard(HWND owner, UINT format, HGLOBAL block)
{
    clipboard_open clip(owner);
    if (clip && EmptyClipboard() && SetClipboardData(format, block)) return 1;
    GlobalFree(block);
    return 0;
}
}  // namespace

HGLOBAL _bmap_to_packed_dib(_bmap* b, size_t* size)
{
    if (!b || !b->pixels || b->bpp != 24) return nullptr;
    size_t bytes = sizeof(BITMAPINFOHEADER) + (size_t)b->stride * b->height;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!block) return nullptr;
    {
        global_lock lock(block);
        if (!lock.get()) {
            GlobalFree(block);
            return nullptr;
        }
        write_packed_dib(b, lock.get());
    }
    if (size) *size = bytes;
    return block;
}

int _bmap_to_clipboard(_bmap* b)
{
    if (!b || !b->pixels || b->bpp != 24) return 0;
    size_t bytes = sizeof(BITMAPINFOHEADER) + (size_t)b->stride * b->height;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes);
    if (!block) return 0;
    {
        global_lock lock(block);
        if (!lock.get()) {
            GlobalFree(block);
            return 0;
        }
        write_packed_dib(b, lock.get());
    }
    return set_clipboard(console_frame, CF_DIB, block);
}

int _bmp_file_to_clipboard(const char* path)
{
    std::vector<BYTE> data;
    size_t offset;
    bool ok;
    {
        c_file file(fopen(path, "rb"));
        if (!file.get()) return 0;
        ok = bmp_read_block(file.get(), data, &offset);
    }
    // Only a DIB whose rows follow its table can be handed on as one block.
    dib_layout d;
    if (!ok || !read_dib_layout(data.data(), data.size(), nullptr, 0, &d)) return 0;
    if (offset && data.data() + offset != d.bits) return 0;
    HGLOBAL block = GlobalAlloc(GHND, data.size());
    if (!block) return 0;
    {
        global_lock lock(block);
        if (!lock.get()) {
            GlobalFree(block);
            return 0;
        }
        memcpy(lock.get(), data.data(), data.size());
    }
    return set_clipboard(console_frame, CF_DIB, block);
}

int _file_to_clipboard(const char* path)
{
    const char* ext = path_extension(path);
    if (extension_is(ext, ".BMP")) return _bmp_file_to_clipboard(path);
    if (extension_is(ext, ".EMF")) return _emf_to_clipboard(path);
    if (extension_is(ext, ".WMF")) return _wmf_to_clipboard(path);
    return 0;
}

int _bmap_save_bmp(_bmap* b, FILE* file, int rotation)
{
    if (!file) return 0;
    bool ok = b && b->pixels && b->bpp == 24;
    if (ok) {
        turned_rows rows(b, rotation);
        size_t bytes = (size_t)rows.width * 3, stride = (bytes + 3) / 4 * 4;
        BITMAPINFOHEADER h = {};
        h.biSize = sizeof h;
        h.biWidth = rows.width;
        h.biHeight = rows.height;
        h.biPlanes = 1;
        h.biBitCount = 24;
        h.biCompression = BI_RGB;
        h.biXPelsPerMeter = rows.xppm;
        h.biYPelsPerMeter = rows.yppm;
        BITMAPFILEHEADER fh;
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof h;
        fh.bfSize = (DWORD)(fh.bfOffBits + stride * rows.height);
        fh.bfReserved1 = fh.bfReserved2 = 0;
        ok = fwrite(&fh, sizeof fh, 1, file) == 1 && fwrite(&h, sizeof h, 1, file) == 1;
        // Bottom-up: the last row first, each padded to four bytes.
        static const BYTE pad[4] = {};
        for (int y = rows.height - 1; ok && y >= 0; y--) {
            const BYTE* row = rows.row(y);
            ok = row && fwrite(row, 1, bytes, file) == bytes && fwrite(pad, 1, stride - bytes, file) == stride - bytes;
        }
        ok = ok && fflush(file) == 0;
    }
    if (fclose(file) != 0) ok = false;
    return ok ? 1 : 0;
}

// The page's picture in pixels, framed at the client size in 0.01 mm of the
// screen, as an enhanced metafile (32-bit coordinates, any page width).
static HENHMETAFILE page_copy_emf(HENHMETAFILE picture, int cw, int ch)
{
    window_dc screen(nullptr);
    double mm_x = GetDeviceCaps(screen, HORZSIZE) * 100.0 / GetDeviceCaps(screen, HORZRES);
    double mm_y = GetDeviceCaps(screen, VERTSIZE) * 100.0 / GetDeviceCaps(screen, VERTRES);
    RECT frame = {0, 0, (LONG)(cw * mm_x + 0.5), (LONG)(ch * mm_y + 0.5)};
    HDC record = CreateEnhMetaFileA(screen, nullptr, &frame, nullptr);
    if (!record) return nullptr;
    SetMapMode(record, MM_ANISOTROPIC);
    SetWindowExtEx(record, 20 * cw, 20 * ch, nullptr);
    SetViewportExtEx(record, cw, ch, nullptr);
    play_recording(record, picture);
    return CloseEnhMetaFile(record);
}

// The page's picture replayed into a standard metafile at twenty units per
// pixel, as recorded. Only for pages whose extent fits 16-bit coordinates.
static HMETAFILE page_copy_wmf_vector(HENHMETAFILE picture, int cw, int ch)
{
    ENHMETAHEADER eh;
    if (!GetEnhMetaFileHeader(picture, sizeof eh, &eh) || eh.szlMillimeters.cx <= 0 || eh.szlMillimeters.cy <= 0)
        return nullptr;
    HDC record = CreateMetaFileA(nullptr);
    if (!record) return nullptr;
    SetWindowOrgEx(record, 0, 0, nullptr);
    SetWindowExtEx(record, 20 * cw, 20 * ch, nullptr);
    double kx = eh.szlDevice.cx / (eh.szlMillimeters.cx * 100.0);
    double ky = eh.szlDevice.cy / (eh.szlMillimeters.cy * 100.0);
    RECT frame = {(LONG)(eh.rclFrame.left * kx), (LONG)(eh.rclFrame.top * ky), (LONG)(eh.rclFrame.right * kx + 0.5),
                  (LONG)(eh.rclFrame.bottom * ky + 0.5)};
    PlayEnhMetaFile(record, picture, &frame);
    return CloseMetaFile(record);
}

// A wider or taller page cannot keep twenty units per pixel in 16 bits, and
// replaying cannot rescale coordinates into a standard metafile (it has no
// world transform). Such a page goes as its pixels over the window's
// background, at as many units per pixel as fit.
static HMETAFILE page_copy_wmf_pixels(HENHMETAFILE picture, HWND window, int cw, int ch)
{
    int longest = cw > ch ? cw : ch;
    int units = 32767 / longest;
    if (units < 1 || !bmap_size_ok(cw, ch)) return nullptr;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = cw;
    bi.bmiHeader.biHeight = -ch;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    // The size of the bits is given: a metafile keeps no pixels without it.
    bi.bmiHeader.biSizeImage = (DWORD)(((cw * 24 + 31) / 32) * 4) * (DWORD)ch;
    void* bits = nullptr;
    owned_object dib(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib.get() || !bits) return nullptr;
    created_dc memory(CreateCompatibleDC(nullptr));
    HDC dc = memory.get();
    if (!dc) return nullptr;
    {
        selected_object into(dc, dib.get());
        RECT all = {0, 0, cw, ch};
        HBRUSH background = (HBRUSH)GetClassLongPtrA(window, GCLP_HBRBACKGROUND);
        FillRect(dc, &all, background ? background : (HBRUSH)GetStockObject(WHITE_BRUSH));
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, 20 * cw, 20 * ch, nullptr);
        SetViewportExtEx(dc, cw, ch, nullptr);
        play_recording(dc, picture);
        GdiFlush();
    }
    memory.reset();
    HDC record = CreateMetaFileA(nullptr);
    if (!record) return nullptr;
    SetWindowOrgEx(record, 0, 0, nullptr);
    SetWindowExtEx(record, units * cw, units * ch, nullptr);
    StretchDIBits(record, 0, 0, units * cw, units * ch, 0, 0, cw, ch, bits, &bi, DIB_RGB_COLORS, SRCCOPY);
    return CloseMetaFile(record);
}

int _page_copy(HENHMETAFILE picture, HWND window)
{
    if (!picture || !window) return 0;
    RECT client;
    GetClientRect(window, &client);
    int cw = client.right, ch = client.bottom;
    if (cw < 1 || ch < 1) return 0;
    int xdpi, ydpi;
    {
        window_dc dc(window);
        xdpi = GetDeviceCaps(dc, LOGPIXELSX);
        ydpi = GetDeviceCaps(dc, LOGPIXELSY);
    }
    HMETAFILE copy = cw <= 32767 / 20 && ch <= 32767 / 20 ? page_copy_wmf_vector(picture, cw, ch)
                                                          : page_copy_wmf_pixels(picture, window, cw, ch);
    if (!copy) return 0;
    if (!metafile_pict_to_clipboard(window, copy, MM_ANISOTROPIC, (LONG)(cw * 1000.0 / xdpi * 2.54),
                                    (LONG)(2.54 * (1000.0 * ch / ydpi))))
        return 0;
    // Beside the old picture, the enhanced one, so that the clipboard need
    // not convert (it would convert the 16-bit picture).
    HENHMETAFILE emf = page_copy_emf(picture, cw, ch);
    if (!emf) return 1;
    clipboard_open clip(window);
    if (!clip || !SetClipboardData(CF_ENHMETAFILE, emf)) DeleteEnhMetaFile(emf);
    return 1;
}

int metafile_pict_to_clipboard(HWND owner, HMETAFILE picture, LONG mapping, LONG x_ext, LONG y_ext)
{
    HGLOBAL block = GlobalAlloc(GHND, sizeof(METAFILEPICT));
    bool filled = false;
    if (block) {
        global_lock lock(block);
        if (lock.get()) {
            METAFILEPICT* pict = (METAFILEPICT*)lock.get();
            pict->mm = mapping;
            pict->xExt = x_ext;
            pict->yExt = y_ext;
            pict->hMF = picture;
            filled = true;
        }
    }
    // set_clipboard frees the block when the clipboard refuses it.
    if (filled && set_clipboard(owner, CF_METAFILEPICT, block)) return 1;
    if (block && !filled) GlobalFree(block);
    DeleteMetaFile(picture);
    return 0;
}
