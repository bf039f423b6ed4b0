// The page renderer: one page of a print run recorded into an enhanced
// metafile in page units (header, then per cell the picture, caption,
// information line and frame), replayed by the print job and the preview.
#pragma once
#include <windows.h>
#include <cstddef>

struct _bmap;
class file_kind_base;

// The page's recording (the caller deletes it), or null when it has no cells.
HENHMETAFILE render_print_pages(int page);
// Effective margins, cell size, and the columns and rows in fixed-size mode.
void layout_cells();
// The JPEG decoder's reduction (1, 2, 4 or 8) for a picture in a cell of
// cell_width x cell_height page units: the most that still covers the cell in
// printer pixels.
int load_divisor(const char* path, double cell_width, double cell_height);
// The picture's scale in the cell; may replace *picture by a shrunken copy.
double image_scale_in_cell(const char* path, _bmap** picture, double cell_width, double cell_height,
                           int cells_on_this_page, long long page_pixels);
// The text of a path for a caption or header, shortened with ".." to less
// than max_width on dc (a screen DC when null). out: cap bytes. Its width.
int caption_text(const char* path, HDC dc, char* out, size_t cap, int whole_path, double max_width);
// Date, time and size of an entry, shortened the same way. Its width.
int date_size_text(const file_kind_base* entry, HDC dc, char* out, size_t cap, int date, int time, int size,
                   double max_width);
// Tile `index` of a picture cut into columns x rows, the index counted in the
// picture as it is shown after `quarter_turns`; null when it cannot be cut.
// The source is deleted.
_bmap* cut_tile(_bmap* picture, int columns, int rows, int index, int quarter_turns);

// The playback rectangle of a page recording in page units.
RECT page_rect();
// Pages rendered since start (the preview renders each page once).
extern int rendered_page_count;
