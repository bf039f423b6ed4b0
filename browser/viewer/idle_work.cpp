// The browser's idle work (see idle_work.h): the viewer's next picture, then
// the first listed files of the listing's folders that no drawing has needed yet.
#include "browser/viewer/idle_work.h"
#include "browser/model/browser_list.h"
#include "browser/model/busy.h"
#include "browser/model/scan.h"
#include "browser/viewer/viewer.h"
#include "graphics/kavtrel.h"

// A step stays short, so that input waits no longer than this for it.
static const DWORD step_ms = 10;

int browser_idle_step()
{
    if (busy_state.counter > 0 || !_page_hwnd(browser_list.page)) return 0;
    return viewer_idle_step() || find_first_files_step(step_ms);
}

void install_idle_work() { kavtrel_idle_hook = browser_idle_step; }
