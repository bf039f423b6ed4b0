// The defaults of browser_op_hooks (see op_hooks.h), in place until start-up
// fills the slots: each does the least that keeps the browser usable.
#include "browser/op_hooks.h"
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
    nothing,          no_menu,        no_toolbar, no_entry_menu, no_folder_menu,  no_prefix,
    no_renumber,      zero,           nothing,    zero,          no_leave,        none_at,
    none_at,          full_path_only, no_editor,  no_step,       no_step,         nothing,
    default_interval, zero,           zero,       nothing,       no_archive_kind, open_with_association,
};
