// Whether a file can hold the picture its header claims: its bytes at the
// format's best ratio must cover the picture's data. A header that claims
// more describes a damaged file, refused before anything is allocated for it.
#include "formats/internal.h"
#include <cstdio>

long long open_file_size(FILE* file)
{
    if (!file) return -1;
    long long here = ftello64(file);
    if (here < 0 || fseeko64(file, 0, SEEK_END) != 0) return -1;
    long long size = ftello64(file);
    if (fseeko64(file, here, SEEK_SET) != 0) return -1;
    return size;
}

bool file_can_hold(FILE* file, double data_bytes, double most_per_byte)
{
    long long size = open_file_size(file);
    return size >= 0 && data_bytes <= (double)size * most_per_byte;
}
