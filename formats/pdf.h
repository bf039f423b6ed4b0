// PDF files: the first page's size and picture from the PDF automation
// server (late-bound dispatch on the classes "AcroExch.PDDoc" and
// "AcroExch.Rect"), which renders the page onto the clipboard. Without the
// server both hooks fail at once.
#pragma once

struct _bmap;

// The first page's width and height in points; both resolutions 0. 1, or 0
// when the server cannot open or size the file, or PROBE_NO_READER when there
// is no server (or one that does not answer these calls).
int probe_pdf_file(const char* path, int* width, int* height, int* xdpi, int* ydpi);
// The first page at zoom_percent of its size in points, or null.
_bmap* load_pdf_page(const char* path, int zoom_percent);

// The classes created (fixed; tests point them at an unregistered name).
extern const char* pdf_document_class;
extern const char* pdf_rect_class;
