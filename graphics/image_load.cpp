// Probing and loading image files by extension: BMP, icons, cursors and
// metafiles are read here; every other kind goes to the image-format hooks
// that the application installs, with the file's icon as the fall-back.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"
#include "base/holders.h"

const char* path_extension(const char* path)
{
    if (!path) return nullptr;
    return mb_strrchr(path, '.');
}

static bool same_text(const char* a, const char* b)
{
    return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a, -1, b, -1) == CSTR_EQUAL;
}

bool extension_is(const char* ext, const char* a, const char* b, const char* c, const char* d)
{
    if (!ext) return false;
    return same_text(ext, a) || (b && same_text(ext, b)) || (c && same_text(ext, c)) || (d && same_text(ext, d));
}

int _bmp_info(const char* path, int* width, int* height, int* xres, int* yres)
{
    BYTE head[14 + 44];
    size_t got;
    {
        c_file file(fopen(path, "rb"));
        if (!file.get()) return 0;
        got = fread(head, 1, sizeof head, file.get());
    }
    // The 14-byte file header and the start of the bitmap header in one read.
    if (got < 14 + 12 || head[0] != 'B' || head[1] != 'M') return 0;
    if (head[14] == 12 && !head[15] && !head[16] && !head[17]) {
        // The OS/2 header: 16-bit sizes, no resolution.
        *width = head[18] | head[19] << 8;
        *height = head[20] | head[21] << 8;
        return 1;
    }
    if (got < 14 + 40) return 0;
    BITMAPINFOHEADER h;
    memcpy(&h, head + 14, sizeof h);
    if (h.biSize < 40) return 0;
    *width = h.biWidth;
    *height = h.biHeight;
    *xres = (int)(h.biXPelsPerMeter * 2.54 / 100 + 0.5);
    *yres = (int)(h.biYPelsPerMeter * 2.54 / 100 + 0.5);
    return 1;
}

int _image_info(const char* path, int* width, int* height, int* xres, int* yres)
{
    if (_image_probe(path, width, height, xres, yres) > 0) return 1;
    *xres = 0;
    *yres = 0;
    return _icon_info(path, width, height, xres, yres);
}

int _image_probe(const char* path, int* width, int* height, int* xres, int* yres)
{
    *xres = 0;
    *yres = 0;
    const char* ext = path_extension(path);
    image_format_hook_table& hooks = image_format_hooks;
    int ok = 0;
    if (!ext)
        ok = _icon_info(path, width, height, xres, yres);
    else if (extension_is(ext, ".BMP"))
        ok = _bmp_info(path, width, height, xres, yres);
    else if (extension_is(ext, ".CUR"))
        ok = _cursor_info(path, width, height, xres, yres);
    else if (extension_is(ext, ".EMF"))
        ok = _emf_info(path, width, height, xres, yres);
    else if (extension_is(ext, ".ICO"))
        ok = _icon_info(path, width, height, xres, yres);
    else if (extension_is(ext, ".JPG", ".JPEG", ".JPE", ".GIF"))
        ok = hooks.probe_jpeg(path, width, height, xres, yres);
    else if (extension_is(ext, ".PNG"))
        ok = hooks.probe_png(path, width, height, xres, yres);
    else if (extension_is(ext, ".PDD", ".PSD"))
        ok = hooks.probe_psd(path, width, height);
    else if (extension_is(ext, ".PDF"))
        ok = hooks.probe_pdf(path, width, height, xres, yres);
    else if (extension_is(ext, ".TIF", ".TIFF"))
        ok = hooks.probe_tiff(path, width, height, xres, yres);
    else if (extension_is(ext, ".WMF"))
        ok = _wmf_info(path, width, height, xres, yres);
    else
        ok = hooks.probe_plugin(path, width, height, xres, yres);
    return ok;
}

_bmap* _bmap_load(const char* path, int flag, double scale)
{
    const char* ext = path_extension(path);
    if (!ext) return nullptr;
    image_format_hook_table& hooks = image_format_hooks;
    _bmap* b;
    if (extension_is(ext, ".BMP"))
        b = _bmap_load_bmp(path);
    else if (extension_is(ext, ".CUR", ".ICO"))
        b = _bmap_icon_image(path);
    else if (extension_is(ext, ".EMF"))
        b = _emf_load(path, scale);
    else if (extension_is(ext, ".JPG", ".JPEG", ".JPE", ".GIF"))
        b = hooks.load_jpeg(path, (int)scale, flag);
    else if (extension_is(ext, ".PNG"))
        b = hooks.load_png(path);
    else if (extension_is(ext, ".PDD", ".PSD"))
        b = hooks.load_psd(path);
    else if (extension_is(ext, ".PDF"))
        b = hooks.load_pdf(path, (int)(scale * 100));
    else if (extension_is(ext, ".TIF", ".TIFF"))
        b = hooks.load_tiff(path);
    else if (extension_is(ext, ".WMF"))
        b = _wmf_load(path, scale);
    else
        b = hooks.load_plugin(path);
    if (!b) b = _bmap_icon_image(path);
    return b;
}
