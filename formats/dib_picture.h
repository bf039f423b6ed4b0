// Pictures handed over as DIBs by outside components (image plug-ins,
// scanner sources): checked against their blocks, then turned into a _bmap.
#pragma once
#include <cstddef>

struct _bmap;

// A picture from a DIB whose header and colour table lie in `info` and whose
// rows lie in `bits` (null: right after the table in `info`): every depth the
// system's DIB calls take (1 to 32 bits, bit fields), rows top-down or
// bottom-up, the size taken from the height's magnitude. Null for a block
// that does not hold what its header claims.
_bmap* picture_from_dib(const void* info, size_t info_length, const void* bits, size_t bits_length);
