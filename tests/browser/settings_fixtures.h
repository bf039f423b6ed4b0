// Keeps the live settings of the shared browser state across a settings test,
// so that the list tests running later in the same program see them as before.
#pragma once
#include "browser/viewer/viewer.h"
#include "browser/model/browser_list.h"
#include "browser/model/image_kinds.h"
#include "browser/commands/settings.h"
#include "browser/caches/thumb_cache.h"

struct live_settings_kept {
    bool started = (browser_list_init(), true);
    settings_record saved;
    settings_record live = browser_list.settings;
    int saved_size = browser_list.saved_size;
    int (*chooser)(HWND, COLORREF*, COLORREF, const char*) = colour_chooser;
    text_ext_list_record text_list = text_ext_list;
    thumb_cache_dir cache = thumb_cache.dir;
    viewer_state_record viewer = viewer_state;
    live_settings_kept() { snapshot_settings(&saved); }
    ~live_settings_kept()
    {
        apply_settings(&saved);
        browser_list.settings = live;
        browser_list.saved_size = saved_size;
        colour_chooser = chooser;
        text_ext_list = text_list;
        thumb_cache.dir = cache;
        viewer_state = viewer;
    }
    live_settings_kept(const live_settings_kept&) = delete;
    live_settings_kept& operator=(const live_settings_kept&) = delete;
};
