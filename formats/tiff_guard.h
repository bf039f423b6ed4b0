// A scoped libtiff handle: the TIFF is closed (and a file being written is
// finished) on every way out.
#pragma once
#include <tiffio.h>

struct tiff_guard {
    TIFF* tif;
    explicit tiff_guard(TIFF* t) : tif(t) {}
    ~tiff_guard() { if (tif) TIFFClose(tif); }
    tiff_guard(const tiff_guard&) = delete;
    tiff_guard& operator=(const tiff_guard&) = delete;
};
