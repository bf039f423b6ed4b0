// The print library's interface: the print settings record and its files,
// the print dialog the browser's print command opens (and its installer),
// the chosen printer, the page renderer and the print job. Other libraries
// include this header, never the pieces it gathers; the page geometry and
// the preview are the library's own.
#pragma once
#include "print/print_settings.h"
#include "print/printer.h"
#include "print/page_render.h"
#include "print/print_job.h"
#include "print/print_dialog.h"
