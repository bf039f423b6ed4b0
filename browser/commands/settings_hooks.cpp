// Plugs the settings files and the navigation history into the slots that
// start-up, the grid and page drawing keep for them.
#include "browser/model/settings.h"
#include "browser/model/app_hooks.h"
#include "browser/model/browser_list.h"
#include "browser/model/history.h"
#include "browser/model/start.h"

// The size `w` as the settings files give it now, else as they gave it at start.
static int saved_thumb_size()
{
    settings_record r;
    if (load_global_and_user_settings(&r, 1)) return r.w;
    return browser_list.loaded_settings.w > 0 ? browser_list.loaded_settings.w : -1;
}

// The defaults are the state before any file is read; the loaded record is
// what the global file says; the hand-over file, or else the global and
// per-user files, give what is applied.
static void load_start_settings()
{
    browser_list_record& l = browser_list;
    snapshot_settings(&l.default_settings);
    load_settings(&l.loaded_settings);
    settings_record r;
    snapshot_settings(&r);
    if (!load_handover_settings(&r)) load_global_and_user_settings(&r, 1);
    apply_settings(&r);
}

static void handover()
{
    settings_record r;
    write_handover_settings(&r);
}
static int curstop() { return browser_list.settings.curstop; }
static void push_folder(const char*) { history_push(0, 0); }
static int go_back() { return history_go(HISTORY_GO_BACK); }

void install_settings_and_history()
{
    set_settings_start_folder(start_block.current_folder);
    browser_app_hooks.saved_thumb_size = saved_thumb_size;
    browser_app_hooks.load_start_settings = load_start_settings;
    browser_app_hooks.save_user_settings = save_user_settings;
    browser_app_hooks.write_handover_settings = handover;
    browser_app_hooks.curstop = curstop;
    browser_app_hooks.history_push = push_folder;
    browser_app_hooks.history_go_back = go_back;
    browser_app_hooks.history_update_entered = history_update_entered;
    browser_app_hooks.history_push_entered = history_push_entered;
    browser_app_hooks.history_position = history_position;
}
