// What the benchmarks share: a millisecond clock, and the photo-like
// pictures and camera photos the tests use too.
#pragma once
#include "tests/support/photos.h"
#include <windows.h>

inline double now_ms()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return c.QuadPart * 1000.0 / f.QuadPart;
}
