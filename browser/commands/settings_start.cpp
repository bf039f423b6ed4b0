// The zote.ini files loaded into and saved from the live state: at start-up
// the defaults, the loaded record and the record applied; the grid's saved
// size, read once there and again whenever a file is saved.
#include "browser/commands/settings.h"
#include "browser/model/browser_list.h"

int load_settings(settings_record* r)
{
    snapshot_settings(r);
    return read_global_settings(r);
}

int load_global_and_user_settings(settings_record* r, int hidden_counts)
{
    snapshot_settings(r);
    return read_global_and_user_settings(r, hidden_counts);
}

// The size the files give, else the one loaded at start; 0 for none.
static void note_saved_size()
{
    browser_list_record& l = browser_list;
    settings_record r;
    if (load_global_and_user_settings(&r, 1))
        l.saved_size = r.w;
    else
        l.saved_size = l.loaded_settings.w > 0 ? l.loaded_settings.w : 0;
}

void save_user_settings()
{
    settings_record now;
    snapshot_settings(&now);
    write_user_settings(now);
    note_saved_size();
}

void save_global_settings()
{
    settings_record now;
    snapshot_settings(&now);
    write_global_settings(now);
    note_saved_size();
}

void forget_global_settings()
{
    reset_global_settings();
    note_saved_size();
}

int user_settings_changed()
{
    settings_record now;
    snapshot_settings(&now);
    return user_settings_differ(now);
}

void write_handover_settings(settings_record* r)
{
    snapshot_settings(r);
    write_handover_file(r);
}

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
    note_saved_size();
}
