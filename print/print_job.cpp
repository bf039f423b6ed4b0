// Sending a print run to the printer under the busy state. Each page's
// recording lives only while it is played, so one page at a time is in memory.
#include "print/print_job.h"
#include "print/page_geometry.h"
#include "print/page_render.h"
#include "print/print_settings.h"
#include "print/printer.h"
#include "browser/model/busy.h"
#include "graphics/kavtrel.h"

static void report(const char* text)
{
    kavtrel_message_box(console_window(), text, "ZOTE", MB_OK | MB_ICONEXCLAMATION);
}

// One page played into the printer; false when the printer refused it.
static bool print_one_page(HDC dc, int page)
{
    if (StartPage(dc) <= 0) return false;
    {
        printer_page_mapping mapping(dc);
        if (HENHMETAFILE recording = render_print_pages(page)) {
            RECT area = page_rect();
            PlayEnhMetaFile(dc, recording, &area);
            DeleteEnhMetaFile(recording);
        }
    }
    if (EndPage(dc) <= 0) return false;
    print_settings.pages_sent++;
    return true;
}

int print_pages()
{
    print_settings.pages_sent = 0;
    if (print_settings.job.selected <= 0) return 0;
    HDC dc = print_settings.printer_dc;
    if (!dc) {
        report("cannot use phdc");
        return 0;
    }
    _progress(1, 0, 0, 1);
    busy_guard busy(BUSY_WAIT);
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    _pump();
    _status_text(1, "印刷準備中...");
    DOCINFOA doc = {};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = "ZOTE";
    if (StartDocA(dc, &doc) <= 0) {
        report("印刷を開始できませんでした");
        return 0;
    }
    int pages = print_page_count();
    bool sent = true;
    for (int i = 0; i < pages && sent; i++) {
        if (print_settings.page_filter == -1 || print_settings.page_filter == i) sent = print_one_page(dc, i);
    }
    // A page or the document the printer could not take (a port that cannot
    // be written fails only here) is said, as a job that cannot start is.
    if (sent)
        sent = EndDoc(dc) > 0;
    else
        AbortDoc(dc);
    if (!sent) {
        print_settings.pages_sent = 0;
        report("印刷を完了できませんでした");
    }
    _pump();
    return 0;
}
