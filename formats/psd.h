// Photoshop files (.psd, .pdd): the probe and load hooks of the program's own
// reader for flattened bitmap, grey, indexed and RGB images.
#pragma once

struct _bmap;

// Width and height from the header (no resolution); 1 success, 0 failure.
int probe_psd_file(const char* path, int* width, int* height);
// A new image, or null.
_bmap* load_psd_file(const char* path);
