// The browser's small dialogs (see small_dialogs.h). The search dialog holds
// a level of the busy state while it is open, so that no command run from
// its message loop (a reload posted by the console or another instance)
// replaces the list it searches; it also reads the list afresh on each press.
#include "browser/operations/small_dialogs.h"
#include "browser/model/browser_list.h"
#include "browser/model/busy.h"
#include "browser/model/dialog_items.h"
#include "browser/model/paths.h"
#include "browser/caches/thumb_cache.h"
#include "browser/grid/list_view.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include "resources/small_dialogs.h"
#include <cstring>

char search_text[256];

static HWND main_window()
{
    HWND page = _page_hwnd(browser_list.page ? browser_list.page : 1);
    return page ? GetParent(page) : nullptr;
}

static INT_PTR run_dialog(int id, DLGPROC proc, HWND owner)
{
    INT_PTR r = DialogBoxParamA(kavtrel_instance, MAKEINTRESOURCEA(id), owner, proc, 0);
    ime_off();
    return r;
}

// ---- File search ----

static struct {
    int first_shown, columns, rows;
} search_state;

// Single-byte letters upper-cased; double-byte characters stay as they are.
static void upper_mb(char* s)
{
    for (char* p = s; *p; p = const_cast<char*>(mb_next(p)))
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
}

int find_files_by_substring(HWND owner)
{
    browser_list_record& l = browser_list;
    int page = search_state.columns * search_state.rows;
    if (page <= 0 || l.count <= 0 || !l.names) return 0;
    int current = search_state.first_shown / page;
    int start = search_state.first_shown + page;
    char wanted[sizeof search_text], name[PATH_BUF];
    text_copy(wanted, search_text);
    upper_mb(wanted);
    int hit = -1;
    for (int i = start; i < start + l.count && hit < 0; i++) {
        int index = i % l.count;
        if (!text_copy(name, l.names[index])) continue;
        upper_mb(name);
        if (mb_strstr(name, wanted)) hit = index;
    }
    if (hit < 0) {
        char text[512];
        text_format_cut(text, sizeof text, "文字列「%s」を含む画像ファイルはありません．", search_text);
        kavtrel_message_box(owner, text, "ファイル検索", MB_OK);
        return 0;
    }
    if (hit / page == current) return 0;
    search_state.first_shown = (hit / page) * page;
    int v = search_state.first_shown < l.count ? search_state.first_shown : l.count - 1;
    int row = (v / page) * search_state.rows;
    int last = ((l.count - 1) / page) * search_state.rows;
    if (row > last) row = last;
    l.first_row = row < 0 ? 0 : row;
    redraw_whole_list();
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    return 1;
}

static INT_PTR CALLBACK search_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        SendDlgItemMessageA(dialog, IDC_FIELD0, EM_LIMITTEXT, sizeof search_text - 1, 0);
        SetDlgItemTextA(dialog, IDC_FIELD0, search_text);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    if (LOWORD(wparam) == IDOK) {
        get_dlg_text(dialog, IDC_FIELD0, search_text, sizeof search_text);
        find_files_by_substring(dialog);
    } else if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, 0);
    }
    return TRUE;
}

void open_search_dialog()
{
    static bool searched = false;
    if (!searched) search_text[0] = 0;
    searched = true;
    browser_list_record& l = browser_list;
    search_state = {l.columns * l.first_row, l.columns, l.rows};
    busy_guard busy(BUSY_PLAIN);
    run_dialog(IDD_SEARCH, search_proc, main_window());
}

// ---- Thumbnail size ----

static int thumb_size_value;

static INT_PTR CALLBACK thumb_size_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        set_dlg_int(dialog, IDC_FIELD0, thumb_size_value);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    if (LOWORD(wparam) == IDOK) {
        int size = get_dlg_int(dialog, IDC_FIELD0);
        if (size < 64) {
            kavtrel_message_box(dialog, "ｻｲｽﾞは64以上で指定して下さい．", "警告", MB_OK | MB_ICONEXCLAMATION);
            return TRUE;
        }
        thumb_size_value = size;
        EndDialog(dialog, 1);
    } else if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, 0);
    }
    return TRUE;
}

int open_thumb_size_dialog(int current)
{
    thumb_size_value = current;
    return run_dialog(IDD_THUMB_SIZE, thumb_size_proc, main_window()) == 1 ? thumb_size_value : 0;
}

// ---- Thumbnail cache settings ----

static void fill_cache_fields(HWND dialog, const thumb_cache_dir& d)
{
    set_dlg_int(dialog, IDC_FIELD0, d.cache_size);
    set_dlg_double(dialog, IDC_FIELD1, d.cachemag, "%4.2lf");
    char root[PATH_BUF];
    text_copy(root, d.primary_root);
    if (d.primary_end > 0 && d.primary_end < PATH_BUF) root[d.primary_end] = 0;
    SetDlgItemTextA(dialog, IDC_FIELD2, root);
}

static bool is_existing_folder(const char* path)
{
    DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

static void on_cache_ok(HWND dialog)
{
    int size = get_dlg_int(dialog, IDC_FIELD0);
    double mag = get_dlg_double(dialog, IDC_FIELD1);
    char folder[PATH_BUF];
    // A folder longer than the field's buffer is refused, never cut to another folder's name.
    int length = get_dlg_text(dialog, IDC_FIELD2, folder, sizeof folder);
    bool whole = length < PATH_BUF - 1;
    if (size >= 0 && mag >= 0 && whole && is_existing_folder(folder) && set_cache_path(&thumb_cache.dir, folder)) {
        thumb_cache.dir.cache_size = size;
        thumb_cache.dir.cachemag = mag;
        EndDialog(dialog, 1);
        return;
    }
    kavtrel_message_box(dialog, "ｻｲｽﾞは0MB～，倍率は0～の範囲で指定して下さい．", "警告", MB_OK | MB_ICONEXCLAMATION);
}

static INT_PTR CALLBACK cache_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        SendDlgItemMessageA(dialog, IDC_FIELD2, EM_LIMITTEXT, PATH_BUF - 1, 0);
        fill_cache_fields(dialog, thumb_cache.dir);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wparam)) {
    case IDOK: on_cache_ok(dialog); break;
    case IDCANCEL: EndDialog(dialog, 0); break;
    case IDC_FOLDER_PICK: {
        char folder[PATH_BUF];
        text_copy(folder, thumb_cache.dir.primary_root);
        remove_backslash(folder);
        if (browse_for_folder(dialog, folder, "cacheフォルダの選択")) SetDlgItemTextA(dialog, IDC_FIELD2, folder);
        break;
    }
    case IDC_DEFAULTS: {
        thumb_cache_dir scratch;
        cache_init(&scratch);
        fill_cache_fields(dialog, scratch);
        break;
    }
    }
    return TRUE;
}

int open_cache_dialog() { return run_dialog(IDD_CACHE, cache_proc, main_window()) == 1 ? 1 : 0; }
