// The cell painter's pictures besides shrunk images: BMP files drawn straight
// from their checked bytes, text previews, file and drive icons, and archive
// members.
#pragma once
#include <windows.h>
#include <cstddef>

class file_kind_base;
struct dib_layout;

// A ".bmp" file drawn from its bytes into the slot at the scale; 0 when the
// file is no BMP the checked reader accepts or the slot cannot be made.
int draw_bmp_file(const char* path, int slot, double scale);
// The checked DIB drawn into a new slot buffer of its size at the scale.
int draw_dib_scaled(const void* info, const dib_layout& d, int slot, double scale);
// The shell's icon of the path centred in the slot; 0 when there is none.
int draw_associated_icon(const char* path, int slot);
// The program's removable-drive icon (resource 182, else the drive's own) at (x, y).
int draw_drive_icon(HDC dc, int x, int y, const char* root);
// The file's icon at (x, y), faded toward white by fade (> 0); drawn as one
// picture, so that page recordings and printers show it too.
void draw_file_icon(HDC dc, int x, int y, const char* path, int fade);
// The icon and the first lines of a text file, as the settings `txticon` and
// `txtcont` ask: size is the thumbnail size,
// drawn the height of the picture area, (x0, y0) its corner.
void draw_text_preview(const file_kind_base* k, HDC dc, int font_height, const char* face, COLORREF colour, double size,
                       double drawn, double x0, double y0);
