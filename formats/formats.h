// The image formats library's interface: probe, load and save of JPEG (and
// GIF), PNG, TIFF, PSD and PDF pages, the JPEG codec routines of the
// thumbnail cache and lossless rotation, Susie image plug-ins and TWAIN
// scanning. Other libraries include this header, never the pieces it
// gathers; formats/internal.h, the input readers, the TIFF holders and the
// DIB pictures of outside components are the library's own.
#pragma once
#include "formats/jpeg.h"
#include "formats/png.h"
#include "formats/tiff.h"
#include "formats/psd.h"
#include "formats/pdf.h"
#include "formats/susie.h"
#include "formats/twain.h"
