// The renames, in-list editors, saving, scanning and colour count the
// command actions call.
#include "browser/model/browser_list.h"
#include "browser/operations/batch_rename.h"
#include "browser/commands/command_parts.h"
#include "browser/commands/commands.h"
#include "browser/operations/image_save.h"
#include "browser/operations/inplace_edit.h"
#include "browser/model/numbering.h"
#include "browser/operations/small_dialogs.h"
#include "browser/model/paths.h"
#include "files/files.h"
#include "formats/formats.h"
#include "graphics/kavtrel.h"

namespace {
void give_name(char* name, const char* text)
{
    if (name) text_copy(name, PATH_BUF, text);
}

}  // namespace

int batch_rename_naming(char* name)
{
    if (!batch_rename_command()) return 0;
    give_name(name, renamed_first_name);
    return 1;
}

int number_prefixes_naming(char* name)
{
    if (!number_prefix_command()) return 0;
    give_name(name, number_order_on() ? renamed_first_name : "");
    return 1;
}

int save_entry_as(int index)
{
    if (index < 0 || index >= browser_list.count) return 0;
    return save_image_as_format(browser_list.names[index]);
}

int count_entry_colours(int index)
{
    char path[PATH_BUF];
    if (index < 0 || index >= browser_list.count || !full_path(path, sizeof path, browser_list.names[index])) return 0;
    return count_image_colours(path) != 0;
}

static HWND main_frame()
{
    HWND child = _page_hwnd(browser_list.page);
    return child ? GetParent(child) : nullptr;
}

// 195 lets the user choose the scanner's source; 196 scans into the shown folder.
int scanner_command(int id, char* name)
{
    if (id == CM_SCAN_SOURCE) return load_twain_dsm(main_frame()) && open_twain_dsm(1);
    if (id != CM_SCAN) return 0;
    char out[PATH_BUF];
    if (!scan_to_file(out)) return 0;
    give_name(name, out);
    return 1;
}

// The in-list editors: the rename (330 without, 331 with the number part)
// and the time stamp (332).
int edit_entry_in_list(int id, int index, char* name)
{
    if (id == CM_TIME_STAMP) return edit_time_command(index);
    if (id != CM_RENAME && id != CM_RENAME_WITH_NUMBER) return 0;
    char renamed[PATH_BUF] = "";
    if (!rename_entry_command(index, id - CM_RENAME, renamed)) return 0;
    give_name(name, renamed);
    return 1;
}
