// A stand-in Susie image plug-in for the tests: it reads the portable pixmap
// family (P2, P3, P5, P6, any maximum value) and hands colour files over as
// bottom-up 24-bit DIBs and grey files as 8-bit DIBs with a grey palette.
// Comment lines steer it: "#dpi N" sets the densities it reports, "#topdown"
// makes it hand the rows over top-down (a negative height).
#include "formats/formats.h"
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct pixmap {
    int format = 0;  // '2', '3', '5', '6'
    unsigned width = 0, height = 0, maxval = 0;
    int dpi = 0;
    bool top_down = false;
    std::vector<unsigned char> samples;  // top-down rows, R G B or grey
    bool grey() const { return format == '2' || format == '5'; }
};

struct reader {
    FILE* f;
    pixmap* p;
    int next()
    {
        int c = getc(f);
        if (c != '#') return c;
        std::string line;
        while ((c = getc(f)) != EOF && c != '\n' && c != '\r') line += (char)c;
        unsigned dpi;
        if (sscanf(line.c_str(), "dpi %u", &dpi) == 1) p->dpi = (int)dpi;
        if (line == "topdown") p->top_down = true;
        return '\n';
    }
    bool number(unsigned* out)
    {
        int c;
        do c = next();
        while (c == ' ' || c == '\t' || c == '\n' || c == '\r');
        if (c < '0' || c > '9') return false;
        unsigned long v = 0;
        while (c >= '0' && c <= '9') {
            v = v * 10 + (unsigned)(c - '0');
            if (v > 0xFFFFFF) return false;
            c = next();
        }
        *out = (unsigned)v;
        return true;
    }
};

// Reads the header, and with `body` the samples rescaled to 0..255.
bool read_pixmap(const char* name, pixmap* p, bool body)
{
    FILE* f = fopen(name, "rb");
    if (!f) return false;
    reader r{f, p};
    bool ok = getc(f) == 'P';
    if (ok) {
        p->format = getc(f);
        ok = p->format == '2' || p->format == '3' || p->format == '5' || p->format == '6';
    }
    ok = ok && r.number(&p->width) && r.number(&p->height) && r.number(&p->maxval);
    ok = ok && p->width > 0 && p->height > 0 && p->maxval > 0 && p->maxval <= 65535 && p->width <= 16384 &&
         p->height <= 16384;
    if (ok && body) {
        size_t count = (size_t)p->width * p->height * (p->grey() ? 1 : 3);
        p->samples.resize(count);
        bool raw = p->format == '5' || p->format == '6';
        for (size_t i = 0; ok && i < count; i++) {
            unsigned v = 0;
            if (!raw)
                ok = r.number(&v);
            else if (p->maxval < 256) {
                int c = getc(f);
                ok = c != EOF;
                v = (unsigned)c;
            } else {
                int a = getc(f), b = getc(f);
                ok = b != EOF;
                v = (unsigned)(a << 8 | b);
            }
            if (v > p->maxval) v = p->maxval;
            p->samples[i] = (unsigned char)((v * 255UL + p->maxval / 2) / p->maxval);
        }
    }
    fclose(f);
    return ok;
}

HLOCAL local_copy(const void* data, size_t n)
{
    HLOCAL h = LocalAlloc(LMEM_MOVEABLE, n);
    if (!h) return nullptr;
    void* at = LocalLock(h);
    memcpy(at, data, n);
    LocalUnlock(h);
    return h;
}

}  // namespace

extern "C" {

__declspec(dllexport) int WINAPI GetPluginInfo(int number, LPSTR buffer, int size)
{
    if (!buffer || size <= 0) return 0;
#ifdef SPI_UNTERMINATED_TEXT
    memset(buffer, 'A', (size_t)size);
    return size;
#else
    char text[SUSIE_TEXT];
    if (number == 0) {
        lstrcpynA(text, "00IN", sizeof text);
    } else {
        // The description names the file it was loaded from.
        char self[MAX_PATH] = "";
        HMODULE me = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           (LPCSTR)&GetPluginInfo, &me);
        GetModuleFileNameA(me, self, sizeof self);
        const char* base = strrchr(self, '\\');
        snprintf(text, sizeof text, "Test pixmaps (%s)", base ? base + 1 : self);
    }
    lstrcpynA(buffer, text, size);
    return lstrlenA(buffer);
#endif
}

__declspec(dllexport) int WINAPI GetPictureInfo(LPCSTR name, LONG, UINT flag, susie_picture_info* info)
{
    pixmap p;
    if ((flag & 7) != 0 || !info || !read_pixmap(name, &p, false)) return 2;
    memset(info, 0, sizeof *info);
    info->width = (LONG)p.width;
    info->height = (LONG)p.height;
    info->x_density = info->y_density = (WORD)p.dpi;
    info->colour_depth = p.grey() ? 8 : 24;
    info->info_text = local_copy("portable pixmap", 16);
    return 0;
}

#ifndef SPI_NO_PICTURE
__declspec(dllexport) int WINAPI
    GetPicture(LPCSTR name, LONG, UINT flag, HANDLE* info_out, HANDLE* bits_out, FARPROC, LONG)
{
    pixmap p;
    if ((flag & 7) != 0 || !info_out || !bits_out || !read_pixmap(name, &p, true)) return 2;
    int bpp = p.grey() ? 8 : 24;
    size_t row = ((size_t)p.width * bpp + 31) / 32 * 4;
    std::vector<unsigned char> header(sizeof(BITMAPINFOHEADER) + (p.grey() ? 256 * 4 : 0));
    BITMAPINFOHEADER* h = (BITMAPINFOHEADER*)header.data();
    h->biSize = sizeof *h;
    h->biWidth = (LONG)p.width;
    h->biHeight = p.top_down ? -(LONG)p.height : (LONG)p.height;
    h->biPlanes = 1;
    h->biBitCount = (WORD)bpp;
    h->biCompression = BI_RGB;
    h->biSizeImage = (DWORD)(row * p.height);
    if (p.grey()) {
        h->biClrUsed = 256;
        RGBQUAD* table = (RGBQUAD*)(h + 1);
        for (int i = 0; i < 256; i++) table[i] = RGBQUAD{(BYTE)i, (BYTE)i, (BYTE)i, 0};
    }
    std::vector<unsigned char> bits(row * p.height);
    for (unsigned y = 0; y < p.height; y++) {
        unsigned char* dst = bits.data() + row * (p.top_down ? y : p.height - 1 - y);
        const unsigned char* src = p.samples.data() + (size_t)y * p.width * (bpp / 8);
        for (unsigned x = 0; x < p.width; x++) {
            if (bpp == 8)
                dst[x] = src[x];
            else {
                dst[3 * x] = src[3 * x + 2];
                dst[3 * x + 1] = src[3 * x + 1];
                dst[3 * x + 2] = src[3 * x];
            }
        }
    }
    *info_out = local_copy(header.data(), header.size());
    *bits_out = local_copy(bits.data(), bits.size());
    return *info_out && *bits_out ? 0 : 4;
}
#endif

}  // extern "C"
