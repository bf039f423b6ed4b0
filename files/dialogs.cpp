// Message boxes, print-settings file dialogs and the folder picker (see dialogs.h).
#include "files/dialogs.h"
#include "files/internal.h"
#include "files/strings.h"
#include "base/holders.h"
#include "graphics/kavtrel.h"
#include <commdlg.h>
#include <shlobj.h>
#include <cstdarg>
#include <cstring>

HWND message_box_owner;
BOOL(WINAPI* open_file_dialog_call)(OPENFILENAMEA*) = GetOpenFileNameA;
BOOL(WINAPI* save_file_dialog_call)(OPENFILENAMEA*) = GetSaveFileNameA;
char* print_settings_selection;
char* print_settings_next;

// The picker's start folder and result buffer, shared with its callback.
static char* browse_folder_target;

enum { MESSAGE_BUF = 2048 };

// A message box of the formed text (cut to the buffer) over the owner.
static int message_box_formed(const char* title, UINT type, const char* fmt, va_list ap)
{
    char text[MESSAGE_BUF];
    text_vformat_cut(text, sizeof text, fmt, ap);
    return kavtrel_message_box(message_box_owner, text, title, type);
}

void msg_info(const char* title, const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    message_box_formed(title, MB_OK | MB_ICONINFORMATION, fmt, ap);
    va_end(ap);
}

int msg_yesno(const char* title, const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    int answer = message_box_formed(title, MB_YESNO | MB_ICONQUESTION, fmt, ap);
    va_end(ap);
    return answer == IDYES ? 1 : answer == IDNO ? 0 : -1;
}

// "印刷設定ﾌｧｲﾙ|*.*|" with every '|' made a NUL: one entry, pattern "*.*",
// ended by the text's own terminator after the last one. The walk runs to
// the length taken before, past the NULs it writes.
static void print_settings_filter(char* out, size_t cap)
{
    text_copy(out, cap, "印刷設定ﾌｧｲﾙ|*.*|");
    size_t n = strlen(out);
    for (size_t i = 0; i < n; i += mb_is_lead(static_cast<unsigned char>(out[i])) ? 2 : 1)
        if (out[i] == '|') out[i] = 0;
}

static void initial_folder(const char* folder, char* out)
{
    if (!is_empty_str(folder) && text_copy(out, PATH_BUF, folder)) return;
    DWORD n = GetCurrentDirectoryA(PATH_BUF, out);
    if (n == 0 || n >= PATH_BUF) out[0] = 0;
}

int reorder_multi_selection(char* buffer, size_t cap)
{
    int n = 0;
    const char* p = buffer;
    while (*p && (size_t)(p - buffer) < cap) {
        n++;
        p += strlen(p) + 1;
    }
    if (n <= 1) return n;
    size_t used = (p - buffer) + 1;
    char* copy = new char[used];
    memcpy(copy, buffer, used);
    const char* folder = copy;
    const char* first = folder + strlen(folder) + 1;
    const char* second = first + strlen(first) + 1;
    // The new order: the second name onwards, then the first.
    const char* lead = n > 2 ? second : first;
    char joined[PATH_BUF];
    if (!path_join(joined, folder, lead)) {
        delete[] copy;
        return 0;
    }
    char* out = buffer;
    size_t len = strlen(joined) + 1;
    memcpy(out, joined, len);
    out += len;
    if (n > 2) {
        for (const char* q = second + strlen(second) + 1; *q; q += strlen(q) + 1) {
            len = strlen(q) + 1;
            memcpy(out, q, len);
            out += len;
        }
        len = strlen(first) + 1;
        memcpy(out, first, len);
        out += len;
    }
    *out = 0;
    delete[] copy;
    return n;
}

int load_print_settings_dialog(char* buffer, const char* folder, HWND owner)
{
    buffer[0] = 0;
    buffer[1] = 0;
    print_settings_selection = nullptr;
    print_settings_next = nullptr;
    char start[PATH_BUF], filter[64];
    initial_folder(folder, start);
    print_settings_filter(filter, sizeof filter);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner ? owner : message_box_owner;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer;
    ofn.nMaxFile = PRINT_SETTINGS_SELECTION_BUF;
    ofn.lpstrInitialDir = start[0] ? start : nullptr;
    ofn.lpstrTitle = "印刷設定の読込";
    ofn.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_SHOWHELP;
    if (!open_file_dialog_call(&ofn)) return 0;
    int n = reorder_multi_selection(buffer, PRINT_SETTINGS_SELECTION_BUF);
    if (n == 0) return 0;
    print_settings_selection = buffer;
    print_settings_next = buffer + strlen(buffer) + 1;
    return n;
}

int save_print_settings_dialog(HWND owner, const char* folder, char* name)
{
    char start[PATH_BUF], filter[64], file[PATH_BUF] = "";
    initial_folder(folder, start);
    print_settings_filter(filter, sizeof filter);
    if (name) text_copy(file, name);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner ? owner : message_box_owner;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrInitialDir = start[0] ? start : nullptr;
    ofn.lpstrTitle = "印刷設定の保存";
    ofn.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_SHOWHELP;
    if (!save_file_dialog_call(&ofn)) return 0;
    return name && text_copy(name, PATH_BUF, file) ? 1 : 0;
}

int CALLBACK browse_folder_cb(HWND dialog, UINT message, LPARAM param, LPARAM data)
{
    if (message != BFFM_INITIALIZED || is_empty_str(browse_folder_target)) return 0;
    // Selected by item list: the path form of the message does not
    // preselect everywhere.
    WCHAR wide[PATH_BUF];
    LPITEMIDLIST items = nullptr;
    if (MultiByteToWideChar(CP_ACP, 0, browse_folder_target, -1, wide, PATH_BUF) &&
        SUCCEEDED(SHParseDisplayName(wide, nullptr, &items, 0, nullptr)) && items) {
        SendMessageA(dialog, BFFM_SETSELECTIONA, FALSE, (LPARAM)items);
        CoTaskMemFree(items);
    }
    return 0;
}

namespace {
// An item list from the shell, given back to the shell's allocator.
void free_item_list(LPITEMIDLIST items)
{
    com_ptr<IMalloc> shell_malloc;
    if (SUCCEEDED(SHGetMalloc(shell_malloc.receive())) && shell_malloc) shell_malloc.get()->Free(items);
}
using item_list = holder<null_handle_traits<LPITEMIDLIST, free_item_list>>;
}  // namespace

int browse_for_folder(HWND owner, char* folder, const char* title)
{
    browse_folder_target = folder;
    char display[PATH_BUF];
    BROWSEINFOA bi = {};
    bi.hwndOwner = owner ? owner : message_box_owner;
    bi.pidlRoot = nullptr;
    bi.pszDisplayName = display;
    bi.lpszTitle = title;
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
    bi.lpfn = browse_folder_cb;
    item_list items(SHBrowseForFolderA(&bi));
    if (!items) return 0;
    char path[MAX_PATH] = "";
    BOOL ok = SHGetPathFromIDListA(items.get(), path);
    items.reset();
    if (!ok || !text_copy(folder, PATH_BUF, path)) return 0;
    return 1;
}
