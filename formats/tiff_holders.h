// Scoped libtiff resources as holders: the TIFF is closed (and a file being
// written is finished), and a buffer from _TIFFmalloc freed, on every way out.
#pragma once
#include "base/holders.h"
#include "graphics/kavtrel.h"
#include <tiffio.h>

namespace tiff_detail {
inline void close(TIFF* tif) { TIFFClose(tif); }
inline void free_buffer(unsigned char* data) { _TIFFfree(data); }
}  // namespace tiff_detail
using tiff_file = holder<null_handle_traits<TIFF*, tiff_detail::close>>;
using tiff_buffer = holder<null_handle_traits<unsigned char*, tiff_detail::free_buffer>>;

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
