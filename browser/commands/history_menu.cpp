// The history menu: back, forward and the earlier selection, then one item
// per remembered folder, newest first, with the path shown with "/".
#include "browser/model/history.h"
#include "browser/model/paths.h"
#include "browser/model/viewer_now.h"
#include "base/cptext.h"
#include <cstring>

static const char access_keys[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// Every backslash of the text (outside double-byte characters) becomes "/".
static void slashes(char* text)
{
    for (char* p = text; *p; p = const_cast<char*>(mb_next(p)))
        if (*p == '\\') *p = '/';
}

static void entry_text(const history_entry& e, char key, char* out, size_t cap)
{
    char mark = e.depth == 0 ? ' ' : '*';
    if (e.drive_list)
        text_format_cut(out, cap, "&%c ﾏｲ ｺﾝﾋﾟｭｰﾀ %c", key, mark);
    else if (e.desktop)
        text_format_cut(out, cap, "&%c ﾃﾞｽｸﾄｯﾌﾟ %c", key, mark);
    else if (e.personal_length && strlen(e.path) > e.personal_length)
        text_format_cut(out, cap, "&%c ﾏｲ ﾄﾞｷｭﾒﾝﾄ%s %c", key, e.path + e.personal_length + 1, mark);
    else {
        char drive = e.path[0] >= 'a' && e.path[0] <= 'z' ? static_cast<char>(e.path[0] - 'a' + 'A') : e.path[0];
        text_format_cut(out, cap, "&%c %c%s %c", key, drive, e.path[0] ? e.path + 1 : "", mark);
    }
    slashes(out);
}

void build_history_menu(HMENU menu)
{
    while (GetMenuItemCount(menu) > 0 && DeleteMenu(menu, 0, MF_BYPOSITION)) {}
    const uint8_t* order;
    int count = history_order(&order);
    bool viewing = viewer_now.mode >= 2 || viewer_now.full_screen;
    int flags = history_nav_flags();
    auto state = [&](bool on) { return MF_STRING | (on && !viewing && count > 0 ? MF_ENABLED : MF_GRAYED); };
    AppendMenuA(menu, state(flags & 1), CM_HISTORY_BACK, "戻る(&P) \t Alt+←");
    AppendMenuA(menu, state(flags & 2), CM_HISTORY_FORWARD, "進む(&G) \t Alt+→");
    AppendMenuA(menu, state(has_history_selection()), CM_HISTORY_SELECTION, "以前の選択(&S) \t Alt+Enter");
    if (count > 0) AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    char here[PATH_BUF];
    history_kept_path(current_folder.folder, here);
    for (int i = count - 1; i >= 0; i--) {
        const history_entry& e = browser_history.block.entries[order[i]];
        char text[PATH_BUF + 32];
        entry_text(e, access_keys[count - 1 - i], text, sizeof text);
        bool current = strcmp(e.path, here) == 0;
        AppendMenuA(menu, MF_STRING | (current || viewing ? MF_GRAYED : MF_ENABLED), CM_HISTORY_FIRST + i, text);
    }
}
