// Icon pictures of files: the size probes of icons and cursors, the shell's
// icon of a file (kept by kind where every file of the kind shows the same),
// a file's icon drawn into a buffer slot, and the icon image that stands in
// for any file that cannot be loaded.
#include "graphics/kavtrel.h"
#include "graphics/internal.h"
#include "base/holders.h"
#include <shellapi.h>
#include <cstring>
#include <vector>

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

// The shell's icons by kind of file. Asking the shell for an icon takes about
// 14 ms under Wine, and a page of text files, archives and unknown files asks
// for dozens; most kinds show one icon for every file, so that icon is asked
// for once per run. Kinds whose icon the shell takes from the file itself
// (programs, shortcuts, icon files, classes whose DefaultIcon is "%1" or that
// have an icon handler) are always asked for afresh.
//
// A kind's icon is kept as the bytes of an icon resource, not as an icon:
// under Wine an icon holds three GDI bitmaps, so every kind met in a session
// would keep three for good.
namespace {
enum { KIND_ICONS = 64, KIND_TEXT = 16 };
struct kind_icon {
    char ext[KIND_TEXT];      // with its dot, as the file name has it
    std::vector<BYTE> image;  // a header of twice the icon's height, 32-bit colours, the AND mask
    int width, height;
};
kind_icon kind_icons[KIND_ICONS];
int kind_icon_count;

// The extension of the file name part of path (a dot in a folder name is no
// extension), or null.
const char* file_extension(const char* path)
{
    const char* slash = mb_strrchr(path, '\\');
    const char* name = slash ? slash + 1 : path;
    const char* dot = mb_strrchr(name, '.');
    return dot && dot[1] ? dot : nullptr;
}

bool class_value(const char* key, char* out, LONG cap)
{
    LONG n = cap;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, key, out, &n) != ERROR_SUCCESS || n < 1 || n > cap) return false;
    out[n - 1] = 0;
    return true;
}

reg_key class_key(const char* key)
{
    HKEY k = nullptr;
    return reg_key(RegOpenKeyExA(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &k) == ERROR_SUCCESS ? k : nullptr);
}

bool icon_inside_file(const char* ext)
{
    if (extension_is(ext, ".EXE", ".LNK", ".PIF", ".URL") || extension_is(ext, ".ICO", ".CUR", ".ANI")) return true;
    char type[PATH_BUF], key[PATH_BUF + 32], icon[PATH_BUF];
    if (!class_value(ext, type, sizeof type) || !type[0]) return false;
    if (text_format(key, sizeof key, "%s\\DefaultIcon", type) && class_value(key, icon, sizeof icon) &&
        strstr(icon, "%1"))
        return true;
    if (!text_format(key, sizeof key, "%s\\shellex\\IconHandler", type) || class_key(key)) return true;
    reg_key k = class_key(type);
    return k && RegQueryValueExA(k.get(), "IsShortcut", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

kind_icon* find_kind_icon(const char* ext)
{
    for (int i = 0; i < kind_icon_count; i++)
        if (extension_is(ext, kind_icons[i].ext)) return &kind_icons[i];
    return nullptr;
}

// The icon as resource bytes; false for an icon without colours.
bool keep_icon(HICON icon, kind_icon* k)
{
    ICONINFO ii;
    if (!GetIconInfo(icon, &ii)) return false;
    owned_object colours(ii.hbmColor), mask(ii.hbmMask);
    BITMAP bm;
    if (!colours.get() || !mask.get() || !GetObjectA(colours.get(), sizeof bm, &bm)) return false;
    int w = bm.bmWidth, h = bm.bmHeight;
    size_t colour_bytes = (size_t)w * h * 4, mask_bytes = (size_t)(w + 31) / 32 * 4 * h;
    std::vector<BYTE> image(sizeof(BITMAPINFOHEADER) + colour_bytes + mask_bytes);
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD table[2];
    } info = {{sizeof(BITMAPINFOHEADER), w, h, 1, 32, BI_RGB}, {}};
    window_dc screen(nullptr);
    BYTE* bits = image.data() + sizeof(BITMAPINFOHEADER);
    if (GetDIBits(screen, (HBITMAP)colours.get(), 0, h, bits, (BITMAPINFO*)&info, DIB_RGB_COLORS) != h) return false;
    info.header = {sizeof(BITMAPINFOHEADER), w, h, 1, 1, BI_RGB};
    if (GetDIBits(screen, (HBITMAP)mask.get(), 0, h, bits + colour_bytes, (BITMAPINFO*)&info, DIB_RGB_COLORS) != h)
        return false;
    BITMAPINFOHEADER header = {sizeof header, w, 2 * h, 1, 32, BI_RGB};
    memcpy(image.data(), &header, sizeof header);
    k->image.swap(image);
    k->width = w;
    k->height = h;
    return true;
}

HICON kept_icon(kind_icon& k)
{
    return CreateIconFromResourceEx(k.image.data(), (DWORD)k.image.size(), TRUE, 0x00030000, k.width, k.height,
                                    LR_DEFAULTCOLOR);
}

HICON shell_icon(const char* path)
{
    SHFILEINFOA info{};
    if (!SHGetFileInfoA(path, 0, &info, sizeof info, SHGFI_ICON)) return nullptr;
    return info.hIcon;
}

// The icon of a plain file whose kind shows one icon, from the kinds asked
// for before, or asked for now and kept. Null when the file is none of those.
HICON kind_icon_of(const char* path, bool* asked)
{
    *asked = false;
    const char* ext = file_extension(path);
    if (!ext || strlen(ext) >= KIND_TEXT) return nullptr;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return nullptr;
    if (kind_icon* known = find_kind_icon(ext)) return kept_icon(*known);
    if (kind_icon_count == KIND_ICONS || icon_inside_file(ext)) return nullptr;
    *asked = true;
    HICON icon = shell_icon(path);
    if (!icon) return nullptr;
    kind_icon& k = kind_icons[kind_icon_count];
    if (keep_icon(icon, &k)) {
        text_copy(k.ext, ext);
        kind_icon_count++;
    }
    return icon;
}
}  // namespace

HICON file_icon(const char* path)
{
    if (!path || !*path) return nullptr;
    const char* ext = path_extension(path);
    // Icon and cursor files show themselves.
    if (extension_is(ext, ".ICO"))
        return (HICON)LoadImageA(nullptr, path, IMAGE_ICON, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE);
    if (extension_is(ext, ".CUR"))
        return (HICON)LoadImageA(nullptr, path, IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE);
    bool asked;
    if (HICON icon = kind_icon_of(path, &asked)) return icon;
    return asked ? nullptr : shell_icon(path);
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
