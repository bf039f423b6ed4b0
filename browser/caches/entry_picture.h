// An entry's full picture by its kind, for the viewer, the clipboard and
// printing: loaded at a reduction, turned by the mark of its name, and for a
// layer entry composed of all its layers. Command 355 copies an entry's
// picture to the clipboard, 356 in the grid a cell's picture.
#pragma once

class file_kind_base;
struct _bmap;

// A new image of the entry by its kind: JPEG at 1/factor, metafiles and PDF
// pages drawn at 1/factor, the plug-in kinds through the plug-in, the others
// at full size and then zoomed by 1/factor; turned by the name's mark when
// rotate is set (always when reduced). Null when the entry has no picture.
_bmap* load_entry_picture(const file_kind_base* k, int rotate, int factor);
// The scale _bmap_load takes for a picture of image kind `kind` (0-based)
// wanted at 1/divisor: the JPEG decoder's divisor, the drawing scale of
// metafiles and PDF pages, and 1 (whole) for the kinds that load only whole.
double reduced_load_scale(int kind, int divisor);
// List entry i's picture with its layers composed (white transparent);
// none for a wildcard entry.
_bmap* load_entry_pages(int index, int rotate, int factor);
// Command 355: the image of entry i at full size to the clipboard (BMP and
// metafiles as files). 1 when the clipboard took it.
int copy_image_full_size(int index);
// Command 356 in the grid: entry i's cell picture as shown (the viewer copies
// its own). Entries whose name holds '*' are refused.
int copy_cell_picture(int index);
