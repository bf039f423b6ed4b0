// Metafile images: placeable Windows metafiles (".WMF") and enhanced
// metafiles (".EMF") probed, rendered into a _bmap and put on the clipboard.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdio>

struct _bmap;

// The 22-byte placeable header at the start of a ".WMF" file.
#pragma pack(push, 2)
struct wmf_placeable_header {
    DWORD key;  // 0x9AC6CDD7
    WORD handle;
    SHORT left, top, right, bottom;
    WORD units_per_inch;
    DWORD reserved;
    WORD checksum;
};
#pragma pack(pop)
static_assert(sizeof(wmf_placeable_header) == 22, "placeable header is 22 bytes");
static_assert(offsetof(wmf_placeable_header, units_per_inch) == 14, "units per inch at 14");

enum : DWORD { WMF_PLACEABLE_KEY = 0x9AC6CDD7u };

// Working state of one WMF operation. The metafile body is loaded from memory,
// so concurrent instances never share a file.
struct wmf_context {
    wmf_placeable_header header;
    int header_size;     // 22
    int width, height;   // bounding box, in metafile units
    HMETAFILE metafile;  // null until loaded
};

void _wmf_context_init(wmf_context* c);
// Reads the header from the start of the file; 0 for a plain metafile (no key,
// or 0 units per inch) or an empty box.
int wmf_read_header(wmf_context* c, FILE* file);
// Header and metafile body; 1 when both were read and the metafile loaded.
int _wmf_read(wmf_context* c, FILE* file);
void _wmf_size(wmf_context* c, int* width, int* height, int* units_per_inch);
void _wmf_context_free(wmf_context* c);
int _wmf_info(const char* path, int* width, int* height, int* xres, int* yres);
// Drawn to be shown: no larger than metafile_bound (graphics/bmap.h).
_bmap* _wmf_load(const char* path, double scale);
int _wmf_to_clipboard(const char* path);
int _emf_info(const char* path, int* width, int* height, int* xres, int* yres);
_bmap* _emf_load(const char* path, double scale);
int _emf_to_clipboard(const char* path);
// The picture at its own size, for saving and counting its colours: at most
// 256 MB of pixels (a larger one is drawn at the largest that fits, its
// proportions kept). `asked` gets its own size, which the image has unless it
// had to be drawn smaller.
_bmap* wmf_load_whole(const char* path, SIZE* asked = nullptr);
_bmap* emf_load_whole(const char* path, SIZE* asked = nullptr);
