// Scoped libtiff resources: the TIFF is closed (and a file being written is
// finished), and a buffer from _TIFFmalloc freed, on every way out.
#pragma once
#include "graphics/bmap.h"
#include <tiffio.h>

struct tiff_guard {
    TIFF* tif;
    explicit tiff_guard(TIFF* t) : tif(t) {}
    ~tiff_guard() { if (tif) TIFFClose(tif); }
    tiff_guard(const tiff_guard&) = delete;
    tiff_guard& operator=(const tiff_guard&) = delete;
};

struct tiff_buffer {
    unsigned char* data = nullptr;
    tiff_buffer() = default;
    ~tiff_buffer() { if (data) _TIFFfree(data); }
    tiff_buffer(const tiff_buffer&) = delete;
    tiff_buffer& operator=(const tiff_buffer&) = delete;
};

// TIFFOpen with libtiff's own single allocations capped at the largest image
// the program accepts, so a malformed directory cannot ask for more.
inline TIFF* tiff_open(const char* path, const char* mode)
{
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, BMAP_MAX_BYTES);
    TIFF* tif = TIFFOpenExt(path, mode, options);
    TIFFOpenOptionsFree(options);
    return tif;
}
