// Icon pictures of files: the size probes of icons and cursors, a file's
// icon drawn into a buffer slot, and the icon image that stands in for any
// file that cannot be loaded.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"
#include "base/holders.h"
#include <shellapi.h>

int _icon_info(const char*, int* width, int* height, int* xres, int* yres)
{
    *width = GetSystemMetrics(SM_CXICON);
    *height = GetSystemMetrics(SM_CYICON);
    screen_dpi(xres, yres);
    return 1;
}

int _cursor_info(const char*, int* width, int* height, int* xres, int* yres)
{
    *width = GetSystemMetrics(SM_CXCURSOR);
    *height = GetSystemMetrics(SM_CYCURSOR);
    screen_dpi(xres, yres);
    return 1;
}

HICON file_icon(const char* path)
{
    if (!path || !*path) return nullptr;
    const char* ext = path_extension(path);
    // Icon and cursor files show themselves.
    if (extension_is(ext, ".ICO"))
        return (HICON)LoadImageA(nullptr, path, IMAGE_ICON, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE);
    if (extension_is(ext, ".CUR"))
        return (HICON)LoadImageA(nullptr, path, IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE);
    SHFILEINFOA info{};
    if (!SHGetFileInfoA(path, 0, &info, sizeof info, SHGFI_ICON)) return nullptr;
    return info.hIcon;
}

int _page_load_icon(int slot, const char* path)
{
    if (extension_is(path_extension(path), ".BMP")) {
        c_file file(fopen(path, "rb"));
        if (file.get() && _page_load_bmp(slot, file.get())) return 1;
    }
    icon_holder icon(file_icon(path), icon_traits{extension_is(path_extension(path), ".CUR")});
    if (!icon) return 0;
    if (slot >= 1) {
        if (!_newbuffer(slot, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON))) return 0;
        DrawIcon(_page_info(slot).dc, 0, 0, icon.get());
    }
    return 1;
}

_bmap* _bmap_icon_image(const char* path)
{
    bool cursor = extension_is(path_extension(path), ".CUR");
    icon_holder icon(file_icon(path), icon_traits{cursor});
    if (!icon) return nullptr;
    int w = 0, h = 0, xres = 0, yres = 0;
    _image_info(path, &w, &h, &xres, &yres);
    // The picture is only the icon: never larger than the icon, whatever
    // size a damaged file's header claims.
    int cap_w = GetSystemMetrics(cursor ? SM_CXCURSOR : SM_CXICON);
    int cap_h = GetSystemMetrics(cursor ? SM_CYCURSOR : SM_CYICON);
    if (w < 1 || w > cap_w) w = cap_w;
    if (h < 1 || h > cap_h) h = cap_h;
    int slot = _newbuffer_auto(w, h);
    if (slot < 1) return nullptr;
    DrawIcon(_page_info(slot).dc, 0, 0, icon.get());
    _bmap* b = _bmap_from_buffer(slot);
    _page_free(slot);
    if (!b) return nullptr;
    if (xres <= 0 || yres <= 0) screen_dpi(&xres, &yres);
    b->header.biXPelsPerMeter = dpi_to_ppm(xres);
    b->header.biYPelsPerMeter = dpi_to_ppm(yres);
    return b;
}
