// Device-independent bitmaps: checking DIB headers, making a _bmap from a
// packed DIB, reading BMP files, and moving pictures between images, memory
// buffers and the clipboard's CF_DIB.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"
#include "base/holders.h"
#include <climits>
#include <cstring>

LONG dpi_to_ppm(double dpi) { return (LONG)(dpi * 100 / 2.54 + 0.5); }

static DWORD read_u32(const BYTE* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | ((DWORD)p[3] << 24); }
static WORD read_u16(const BYTE* p) { return (WORD)(p[0] | (p[1] << 8)); }

// Bit-field masks must be nonzero, inside the pixel and not overlap.
static bool masks_ok(const BYTE* m, int bpp)
{
    DWORD seen = 0;
    for (int i = 0; i < 3; i++) {
        DWORD mask = read_u32(m + 4 * i);
        if (mask == 0 || (seen & mask)) return false;
        if (bpp == 16 && (mask >> 16)) return false;
        seen |= mask;
    }
    return true;
}

bool read_dib_layout(const void* dib, size_t length, const void* bits, size_t bits_length, dib_layout* out)
{
    const BYTE* p = (const BYTE*)dib;
    if (!p || length < 12) return false;
    dib_layout d{};
    d.header_size = read_u32(p);
    long long width, height;
    if (d.header_size == 12) {
        width = read_u16(p + 4);
        height = read_u16(p + 6);  // always bottom-up
        d.bpp = read_u16(p + 10);
        d.compression = BI_RGB;
        d.entry_size = 3;
        if (d.bpp <= 8) d.colours = 1 << d.bpp;
    } else {
        switch (d.header_size) {
        case 40:
        case 52:
        case 56:
        case 64:
        case 108:
        case 124: break;
        default: return false;
        }
        if (length < d.header_size) return false;
        width = (LONG)read_u32(p + 4);
        height = (LONG)read_u32(p + 8);
        d.bpp = read_u16(p + 14);
        d.compression = read_u32(p + 16);
        d.xppm = (LONG)read_u32(p + 24);
        d.yppm = (LONG)read_u32(p + 28);
        DWORD used = read_u32(p + 32);
        d.entry_size = 4;
        if (d.bpp <= 8) {
            if (used > (1u << d.bpp)) return false;
            d.colours = used ? (int)used : 1 << d.bpp;
        } else {
            if (used > 256) return false;
            d.colours = (int)used;
        }
    }
    if (length < d.header_size) return false;
    d.bottom_up = height > 0;
    if (height < 0) height = -height;
    if (width <= 0 || height <= 0 || height > INT_MAX) return false;
    switch (d.bpp) {
    case 1:
    case 4:
    case 8:
    case 24:
        if (d.compression != BI_RGB) return false;
        break;
    case 16:
    case 32:
        if (d.compression != BI_RGB && d.compression != BI_BITFIELDS) return false;
        break;
    default: return false;
    }
    size_t table_at = d.header_size;
    if (d.compression == BI_BITFIELDS) {
        // A 40-byte header is followed by the three masks; longer headers hold them.
        const BYTE* masks = p + 40;
        if (d.header_size == 40) {
            if (length < 52) return false;
            table_at = 52;
        }
        if (!masks_ok(masks, d.bpp)) return false;
    }
    unsigned long long table_end = table_at + (unsigned long long)d.colours * d.entry_size;
    if (table_end > length) return false;
    d.table = p + table_at;
    d.width = (int)width;
    d.height = (int)height;
    unsigned long long row = ((unsigned long long)width * d.bpp + 31) / 32 * 4;
    unsigned long long need = row * (unsigned long long)height;
    if (need > 0x7fffffffull) return false;
    if (bits) {
        if (need > bits_length) return false;
        d.bits = (const BYTE*)bits;
    } else {
        if (need > length - table_end) return false;
        d.bits = p + table_end;
    }
    d.row_bytes = (size_t)row;
    *out = d;
    return true;
}

_bmap* _bmap_from_dib(const void* dib, size_t length, const void* bits, size_t bits_length)
{
    dib_layout d;
    if (!read_dib_layout(dib, length, bits, bits_length, &d)) return nullptr;
    if (d.compression != BI_RGB || (d.bpp != 1 && d.bpp != 4 && d.bpp != 8 && d.bpp != 24)) return nullptr;
    _bmap* b = bmap_new(d.width, d.height);
    if (!b) return nullptr;
    static const BYTE black[4] = {0, 0, 0, 0};
    for (int y = 0; y < d.height; y++) {
        const BYTE* src = d.bits + (size_t)(d.bottom_up ? d.height - 1 - y : y) * d.row_bytes;
        BYTE* dst = b->pixels + (size_t)y * b->stride;
        if (d.bpp == 24) {
            memcpy(dst, src, (size_t)d.width * 3);
            continue;
        }
        for (int x = 0; x < d.width; x++) {
            int index;
            if (d.bpp == 1)
                index = (src[x / 8] >> (7 - x % 8)) & 1;
            else if (d.bpp == 4)
                index = (x & 1) ? src[x / 2] & 15 : src[x / 2] >> 4;
            else
                index = src[x];
            // An index past the table reads as black rather than past the block.
            const BYTE* c = index < d.colours ? d.table + index * d.entry_size : black;
            dst[3 * x] = c[0];
            dst[3 * x + 1] = c[1];
            dst[3 * x + 2] = c[2];
        }
    }
    b->header.biXPelsPerMeter = d.xppm;
    b->header.biYPelsPerMeter = d.yppm;
    return b;
}

bool bmp_read_block(FILE* file, std::vector<BYTE>& block, size_t* bits_offset)
{
    if (!file) return false;
    long start = ftell(file);
    if (start < 0 || fseek(file, 0, SEEK_END) != 0) return false;
    long end = ftell(file);
    if (end < 0 || fseek(file, start, SEEK_SET) != 0) return false;
    BITMAPFILEHEADER fh;
    static_assert(sizeof fh == 14, "file header is 14 bytes");
    if (fread(&fh, 14, 1, file) != 1) return false;
    if (fh.bfType != 0x4D42) return false;
    long long available = (long long)end - start;
    if (fh.bfSize < 14 + 12 || (long long)fh.bfSize > available) return false;
    if (fh.bfSize - 14 > (DWORD)BMAP_MAX_BYTES + 4096 || !can_allocate(fh.bfSize - 14)) return false;
    block.resize(fh.bfSize - 14);
    if (fread(block.data(), 1, block.size(), file) != block.size()) return false;
    size_t offset = 0;
    if (fh.bfOffBits != 0) {
        // The rows start at bfOffBits; it may not point into the header or past the block.
        DWORD header = read_u32(block.data());
        if (fh.bfOffBits < 14 + header || fh.bfOffBits - 14 > block.size()) return false;
        offset = fh.bfOffBits - 14;
    }
    *bits_offset = offset;
    return true;
}

static _bmap* bmap_from_block(const std::vector<BYTE>& block, size_t offset)
{
    if (offset) return _bmap_from_dib(block.data(), offset, block.data() + offset, block.size() - offset);
    return _bmap_from_dib(block.data(), block.size());
}

_bmap* _bmap_read_bmp(const char* path)
{
    c_file file(fopen(path, "rb"));
    std::vector<BYTE> block;
    size_t offset;
    if (!bmp_read_block(file.get(), block, &offset)) return nullptr;
    return bmap_from_block(block, offset);
}

_bmap* _bmap_load_bmp(const char* path)
{
    if (_bmap* b = _bmap_read_bmp(path)) return b;
    int slot = _newbuffer_auto(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    if (slot < 1) return nullptr;
    _bmap* b = nullptr;
    if (_page_load_icon(slot, path)) b = _bmap_from_buffer(slot);
    _page_free(slot);
    return b;
}

_bmap* _bmap_from_buffer(int slot)
{
    page_info info = _page_info(slot);
    if (info.kind != PAGE_BUFFER || !info.dc || !info.bitmap) return nullptr;
    if (info.width < 1 || info.height < 1) return nullptr;
    _bmap* b = bmap_new((int)info.width, (int)info.height);
    if (!b) return nullptr;
    LONG xppm = b->header.biXPelsPerMeter, yppm = b->header.biYPelsPerMeter;
    int rows = GetDIBits(info.dc, info.bitmap, 0, (UINT)b->height, b->pixels, (BITMAPINFO*)&b->header, DIB_RGB_COLORS);
    b->header.biXPelsPerMeter = xppm;
    b->header.biYPelsPerMeter = yppm;
    b->init_header();
    if (rows != b->height) {
        _bmap_delete(b);
        return nullptr;
    }
    return b;
}

int _page_from_bmap(int slot, _bmap* b)
{
    if (slot < 1 || !b || !b->pixels) return 0;
    if (!_newbuffer(slot, b->width, b->height)) return 0;
    page_info info = _page_info(slot);
    return SetDIBits(info.dc, info.bitmap, 0, (UINT)b->height, b->pixels, (const BITMAPINFO*)&b->header,
                     DIB_RGB_COLORS);
}

int page_from_dib_checked(int slot, const void* dib, size_t length, size_t bits_offset)
{
    if (slot < 1) return 0;
    dib_layout d;
    const BYTE* p = (const BYTE*)dib;
    bool ok = bits_offset ? read_dib_layout(p, bits_offset, p + bits_offset, length - bits_offset, &d)
                          : read_dib_layout(p, length, nullptr, 0, &d);
    if (!ok || !bmap_size_ok(d.width, d.height)) return 0;
    if (!_newbuffer(slot, d.width, d.height)) return 0;
    page_info info = _page_info(slot);
    int rows = SetDIBits(info.dc, info.bitmap, 0, (UINT)d.height, d.bits, (const BITMAPINFO*)dib, DIB_RGB_COLORS);
    return rows == d.height ? 1 : 0;
}

int _page_load_bmp(int slot, FILE* file)
{
    std::vector<BYTE> block;
    size_t offset;
    if (slot < 1 || !bmp_read_block(file, block, &offset)) return 0;
    return page_from_dib_checked(slot, block.data(), block.size(), offset);
}

int _page_from_clipboard(int slot)
{
    if (slot < 1) return 0;
    clipboard_open clip(console_frame);
    if (!clip) return 0;
    HANDLE h = GetClipboardData(CF_DIB);
    if (!h) return 0;
    size_t length = GlobalSize(h);
    const void* dib = GlobalLock(h);
    if (!dib) return 0;
    int ok = page_from_dib_checked(slot, dib, length, 0);
    GlobalUnlock(h);
    return ok;
}

void _page_fill(int slot, COLORREF colour)
{
    page_info info = _page_info(slot);
    if (!info.dc || info.width <= 0 || info.height <= 0) return;
    owned_object brush(CreateSolidBrush(colour));
    if (!brush.get()) return;
    RECT r = {0, 0, (LONG)info.width, (LONG)info.height};
    FillRect(info.dc, &r, (HBRUSH)brush.get());
}
