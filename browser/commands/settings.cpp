// The settings record taken from the live state and applied back to it. The
// live values live where their parts read them (browser_list's listing bytes
// and colours, the thumbnail cache, the viewer, the image-kind switches); the
// rest is kept in browser_list.settings.
#include "browser/commands/settings.h"
#include "browser/commands/toolbar.h"
#include "browser/model/browser_list.h"
#include "browser/model/busy.h"
#include "browser/model/image_kinds.h"
#include "browser/caches/thumb_cache.h"
#include "browser/viewer/viewer.h"
#include "base/cptext.h"
#include "graphics/kavtrel.h"
#include <cstring>

static HWND main_window()
{
    HWND child = _page_hwnd(browser_list.page);
    return child ? GetAncestor(child, GA_ROOT) : nullptr;
}

static RECT cascade_given, cascade_moved;
static bool cascaded;

void note_cascade_move(const RECT& given, const RECT& moved)
{
    cascade_given = given;
    cascade_moved = moved;
    cascaded = !EqualRect(&given, &moved);
}

// The record is zeroed first, text fields included, so that equal settings
// compare equal word for word.
void snapshot_settings(settings_record* out)
{
    const browser_list_record& l = browser_list;
    const settings_record& live = l.settings;
    memset(out, 0, sizeof *out);
    RECT rc;
    HWND main = main_window();
    if (main && GetWindowRect(main, &rc)) {
        if (cascaded && EqualRect(&rc, &cascade_moved)) rc = cascade_given;
        out->left = rc.left, out->top = rc.top, out->right = rc.right, out->bottom = rc.bottom;
    }
    out->w = static_cast<int>(l.thumb_size);
    out->time = l.time, out->timetrans = l.timetrans, out->curstop = live.curstop;
    memcpy(out->use_lzh, l.use_lzh, sizeof out->use_lzh);
    out->countfile = l.countfile, out->countfile_limit = l.countfile_limit;
    out->startfolder = l.startfolder, out->picext = l.picext, out->fldfirst = l.fldfirst;
    out->checkdisp = l.checkdisp;
    // The cache folder is the user's only when it moved from the default.
    const thumb_cache_dir& cache = thumb_cache.dir;
    out->cache_size = cache.cache_size, out->cachemag = cache.cachemag;
    if (strcmp(cache.primary_root, cache.default_root) != 0) text_copy(out->cachepath, cache.primary_root);
    // The slide options live in the viewer, whose commands change them.
    out->interval = viewer_state.interval, out->nonstop = viewer_state.nonstop, out->square = viewer_state.square;
    out->all = live.all, out->textpic = live.textpic, out->txticon = live.txticon, out->txtcont = live.txtcont;
    text_copy(out->txtext, live.txtext);
    out->tbcolor = l.toolbar_colour;
    // In the order of the colour roles (COLOUR_BK ... COLOUR_TXT).
    COLORREF* list_colours[BROWSER_COLOURS] = {&out->bkcolor,  &out->selcolor,  &out->filecolor, &out->linkcolor,
                                               &out->syscolor, &out->datecolor, &out->outcolor,  &out->txtcolor};
    for (int i = 0; i < BROWSER_COLOURS; i++) *list_colours[i] = l.colours[i];
    out->sldbkcolor = live.sldbkcolor, out->sldtxtcolor = live.sldtxtcolor;
    out->hidden = live.hidden;
    memcpy(out->kinds, image_kind_enabled, sizeof out->kinds);
}

void apply_settings(const settings_record* r)
{
    busy_guard busy(BUSY_PLAIN);
    browser_list_record& l = browser_list;
    settings_record& live = l.settings;
    l.thumb_size = r->w;
    l.time = static_cast<unsigned char>(r->time);
    l.timetrans = static_cast<unsigned char>(r->timetrans);
    live.curstop = r->curstop;
    memcpy(l.use_lzh, r->use_lzh, sizeof l.use_lzh);
    l.countfile = r->countfile, l.countfile_limit = r->countfile_limit;
    l.startfolder = r->startfolder, l.picext = r->picext;
    l.fldfirst = static_cast<unsigned char>(r->fldfirst);
    l.checkdisp = r->checkdisp;
    thumb_cache.dir.cache_size = r->cache_size, thumb_cache.dir.cachemag = r->cachemag;
    set_cache_path(&thumb_cache.dir, r->cachepath);
    live.hidden = r->hidden, live.all = r->all, live.textpic = r->textpic;
    live.txticon = r->txticon, live.txtcont = r->txtcont;
    if (!text_copy(live.txtext, r->txtext)) live.txtext[0] = 0;
    parse_text_ext_list(live.txtext);
    l.toolbar_colour = r->tbcolor;
    reload_toolbar_pictures();
    const COLORREF list_colours[BROWSER_COLOURS] = {r->bkcolor,  r->selcolor,  r->filecolor, r->linkcolor,
                                                    r->syscolor, r->datecolor, r->outcolor,  r->txtcolor};
    memcpy(l.colours, list_colours, sizeof l.colours);
    live.sldbkcolor = r->sldbkcolor, live.sldtxtcolor = r->sldtxtcolor;
    viewer_state.interval = r->interval, viewer_state.nonstop = r->nonstop, viewer_state.square = r->square;
    for (int k = 0; k < IMAGE_KIND_COUNT; k++)
        if (image_kind_of_ext2(image_ext_table[k], k)) image_kind_enabled[k] = r->kinds[k];
    HWND main = main_window();
    if (!main) return;
    _selectpage(0, l.page);
    _clearscreen(2);
    MoveWindow(main, r->left, r->top, r->right - r->left, r->bottom - r->top, TRUE);
}
