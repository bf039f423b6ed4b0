// TIFF files: the probe and load hooks, the writers (24-bit colour, 8-bit
// grey, bilevel with CCITT Group 4) the save and scan commands choose between
// by colour count, and the split of a multipage file into one file per page.
#pragma once

struct _bmap;

// Width and height, and dots per inch when both resolution outputs are given
// (0 without resolution tags); 1 success, 0 failure.
int probe_tiff_file(const char* path, int* width, int* height, int* xdpi, int* ydpi);
// A new image (resolution in pixels per metre, 0 when the file has none), or null.
_bmap* load_tiff_file(const char* path);
// The picture turned by the rotation code (graphics/imageops.h); 1 success,
// 0 failure (also for an absent image).
int save_tiff_rgb(const char* path, _bmap* image, int rotation = 0);
int save_tiff_gray(const char* path, _bmap* image, int rotation = 0);
int save_tiff_bilevel(const char* path, _bmap* image, int rotation = 0);
// Writes every page of a multipage TIFF as "<folder>\\%08d.tif" into a new
// folder named after the file without its extension; 1 when every page was
// written, 0 otherwise (pages already written stay).
int split_multipage_tiff(const char* path);
