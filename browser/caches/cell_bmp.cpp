// BMP files in a cell are drawn straight from their bytes with halftone
// stretching, which is quicker than a full load. The bytes come through the
// window library's checked BMP reader: the header, bit fields and the V4 and
// V5 headers, the offset of the rows and the rows themselves are checked
// against the bytes read before any of them reaches the system.
#include "browser/caches/cell_extras.h"
#include "base/holders.h"
#include "graphics/kavtrel.h"
#include <vector>

int draw_dib_scaled(const void* info, const dib_layout& d, int slot, double scale)
{
    int w = static_cast<int>(d.width * scale), h = static_cast<int>(d.height * scale);
    if (w < 1 || h < 1) return 0;
    if (scale > 1.0) {
        // Enlargements go through the image's own scaling where it reads the format.
        std::vector<BYTE> packed;
        if (_bmap* b = _bmap_from_dib(info, static_cast<size_t>(d.bits - static_cast<const BYTE*>(info)), d.bits,
                                      d.row_bytes * d.height)) {
            _bmap* s = _bmap_scale(scale, 0.14, b);
            _bmap_delete(b);
            if (!s) return 0;
            int ok = _page_set_bmap(slot, s);
            _bmap_delete(s);
            return ok;
        }
    }
    if (!_newbuffer(slot, w, h)) return 0;
    page_info p = _page_info(slot);
    if (!p.dc) return 0;
    int old_mode = SetStretchBltMode(p.dc, HALFTONE);
    SetBrushOrgEx(p.dc, 0, 0, nullptr);
    int rows = StretchDIBits(p.dc, 0, 0, w, h, 0, 0, d.width, d.height, d.bits, static_cast<const BITMAPINFO*>(info),
                             DIB_RGB_COLORS, SRCCOPY);
    SetStretchBltMode(p.dc, old_mode);
    return rows > 0 ? 1 : 0;
}

int draw_bmp_file(const char* path, int slot, double scale)
{
    c_file file(fopen(path, "rb"));
    std::vector<BYTE> block;
    size_t offset = 0;
    if (!file || !bmp_read_block(file.get(), block, &offset)) return 0;
    dib_layout d;
    bool ok = offset ? read_dib_layout(block.data(), offset, block.data() + offset, block.size() - offset, &d)
                     : read_dib_layout(block.data(), block.size(), nullptr, 0, &d);
    if (!ok || !bmap_size_ok(d.width, d.height)) return 0;
    // The rows as the system will read them: bottom-up or top-down, they must
    // all lie inside the block.
    const BYTE* end = block.data() + block.size();
    if (d.bits < block.data() || d.bits > end || d.row_bytes * static_cast<size_t>(d.height) > size_t(end - d.bits))
        return 0;
    return draw_dib_scaled(block.data(), d, slot, scale);
}

int draw_associated_icon(const char* path, int slot)
{
    icon_holder icon(file_icon(path));
    if (!icon) return 0;
    page_info p = _page_info(slot);
    if (!p.dc) return 0;
    ICONINFO ii;
    int iw = GetSystemMetrics(SM_CXICON), ih = GetSystemMetrics(SM_CYICON);
    if (GetIconInfo(icon.get(), &ii)) {
        BITMAP bm;
        if (ii.hbmColor && GetObjectA(ii.hbmColor, sizeof bm, &bm)) iw = bm.bmWidth, ih = bm.bmHeight;
        if (ii.hbmColor) DeleteObject(ii.hbmColor);
        if (ii.hbmMask) DeleteObject(ii.hbmMask);
    }
    return DrawIcon(p.dc, static_cast<int>((p.width - iw) / 2), static_cast<int>((p.height - ih) / 2), icon.get()) ? 1
                                                                                                                   : 0;
}

int draw_drive_icon(HDC dc, int x, int y, const char* root)
{
    HICON own = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(182));
    if (own) return DrawIcon(dc, x, y, own) ? 1 : 0;
    icon_holder icon(file_icon(root));
    return icon && DrawIcon(dc, x, y, icon.get()) ? 1 : 0;
}
