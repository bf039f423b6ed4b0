// DIBs from outside components into pictures. Palette and 24-bit rows are
// read directly; 16- and 32-bit rows (plain or with bit fields) go through a
// memory buffer page, where the system's own DIB conversion reads them.
#include "formats/dib_picture.h"
#include "graphics/kavtrel.h"
#include <vector>
#include <cstring>

static _bmap* through_buffer(const dib_layout& d, const void* info)
{
    int slot = _newbuffer_auto(d.width, d.height);
    if (slot < 1) return nullptr;
    _bmap* b = nullptr;
    page_info page = _page_info(slot);
    if (page.dc && page.bitmap && page.width == d.width && page.height == d.height) {
        int rows = SetDIBits(page.dc, page.bitmap, 0, (UINT)d.height, d.bits, (const BITMAPINFO*)info, DIB_RGB_COLORS);
        if (rows == d.height) b = _bmap_from_buffer(slot);
    }
    _page_free(slot);
    if (b) {
        b->header.biXPelsPerMeter = d.xppm;
        b->header.biYPelsPerMeter = d.yppm;
    }
    return b;
}

_bmap* picture_from_dib(const void* info, size_t info_length, const void* bits, size_t bits_length)
{
    dib_layout d;
    if (!info || !read_dib_layout(info, info_length, bits, bits_length, &d)) return nullptr;
    if (!bmap_size_ok(d.width, d.height)) return nullptr;
    if (d.compression == BI_RGB && d.bpp != 16 && d.bpp != 32)
        return _bmap_from_dib(info, info_length, bits, bits_length);
    if (d.header_size < 40) return nullptr;
    return through_buffer(d, info);
}
