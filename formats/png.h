// PNG files: the probe and load hooks, and the three writers (palette,
// 24-bit colour, 8-bit grey) the save and scan commands choose between.
#pragma once

struct _bmap;

// Width, height and resolution in dots per inch (0 without a pHYs chunk); 1 success, 0 failure.
int probe_png_file(const char* path, int* width, int* height, int* xdpi, int* ydpi);
// A new image (resolution from pHYs in pixels per metre, 0 without), or null.
_bmap* load_png_file(const char* path);
// The writers write the picture turned by the rotation code (graphics/imageops.h).
// Palette PNG of at most 256 colours: the bit depth written (1, 2, 4 or 8), or 0
// when the image has more colours (no file is made) or on failure.
int save_png_palette(const char* path, _bmap* image, int rotation = 0);
// 24-bit colour PNG; 1 success, 0 failure.
int save_png_rgb(const char* path, _bmap* image, int rotation = 0);
// 8-bit grey PNG; 1 success, 0 failure.
int save_png_gray(const char* path, _bmap* image, int rotation = 0);
