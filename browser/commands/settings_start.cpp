// The settings at start-up: the defaults, the loaded record and the record
// applied.
#include "browser/model/settings.h"
#include "browser/model/browser_list.h"

// The defaults are the state before any file is read; the loaded record is
// what the global file says; the hand-over file, or else the global and
// per-user files, give what is applied.
void load_start_settings()
{
    browser_list_record& l = browser_list;
    snapshot_settings(&l.default_settings);
    load_settings(&l.loaded_settings);
    settings_record r;
    snapshot_settings(&r);
    if (!load_handover_settings(&r)) load_global_and_user_settings(&r, 1);
    apply_settings(&r);
}
