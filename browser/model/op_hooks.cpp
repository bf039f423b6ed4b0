// The defaults of browser_op_hooks (see op_hooks.h), in place until start-up
// fills the slots: each does the least that keeps the browser usable.
#include "browser/model/op_hooks.h"
#include "files/files.h"
#include "base/cptext.h"

namespace {
void nothing() {}
void no_menu(HMENU) {}
void no_toolbar(int, int, toolbar_hit* out) { *out = {BAR_NONE, 0}; }
void no_entry_menu(HMENU, int) {}
void no_folder_menu(HMENU, const char*) {}
int no_prefix(int) { return 0; }
void no_renumber(int, int) {}
int zero() { return 0; }
void no_leave(const char*) {}
int none_at(int) { return 0; }
int full_path_only(const char* path, int, char* out) { return full_path(out, PATH_BUF, path) != nullptr; }
int no_editor(int, int, char*) { return 0; }
const char* no_archive_kind(int) { return nullptr; }
void no_step(int, int) {}
int default_interval() { return 30; }
}  // namespace

browser_op_hook_table browser_op_hooks = {
    .record_selection = nothing,
    .build_history_menu = no_menu,
    .toolbar_hit_test = no_toolbar,
    .build_entry_menu = no_entry_menu,
    .build_folder_menu = no_folder_menu,
    .add_number_prefix = no_prefix,
    .renumber = no_renumber,
    .number_order = zero,
    .write_back_archive = nothing,
    .archive_read_only = zero,
    .leave_archive_folder = no_leave,
    .archive_creation = none_at,
    .compress_into_archive = none_at,
    .stage_for_clipboard = full_path_only,
    .rename_in_list = no_editor,
    .viewer_step = no_step,
    .slide_show = no_step,
    .viewer_status = nothing,
    .slide_interval = default_interval,
    .slide_repeats = zero,
    .slide_running = zero,
    .archive_extension = no_archive_kind,
    .open_with = open_with_association,
};
