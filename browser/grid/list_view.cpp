// Folder loading, the redraw with its passes, the validity check against the
// disk, and the window title (see list_view.h).
#include "browser/grid/list_view.h"
#include "base/holders.h"
#include "browser/model/archive_work.h"
#include "browser/model/clipboard_files.h"
#include "browser/caches/thumb_cache.h"
#include "browser/grid/toolbar.h"
#include "browser/model/browser_list.h"
#include "browser/model/busy.h"
#include "browser/grid/grid.h"
#include "browser/model/paths.h"
#include "browser/model/scan.h"
#include "browser/model/viewer_now.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

static browser_list_record& L = browser_list;

// Entries missing by their names that their folder still holds: names the
// code page cannot give back (the listing names "café.jpg" best-fit
// "cafe.jpg", which opens nothing) and names Windows cannot open ("a?.jpg").
// No reload mends them: the checks pass over them while that folder is
// shown. Keyed by listed path.
static char unmendable_folder[PATH_BUF];
static std::unordered_set<std::string> unmendable;

namespace {
// Shows what the page holds so far: its recording is closed into the page's
// picture (an invalidation alone would repaint the picture of before) and the
// window painted from it.
void repaint_page() { _selectpage(0, L.page); }

// The progress bookkeeping of one drawing pass.
struct draw_pass {
    int repaint;
    int total, done, last_repaint;
    DWORD start, last_update;
    const char* status;
};

void pass_begin(draw_pass* p, int repaint, int total, const char* status)
{
    DWORD now = GetTickCount();
    *p = {repaint, total, 0, -1, now - 750, now - 750, status};
    _status_printf(L.page, "%s", status);
}

void pass_step(draw_pass* p)
{
    p->done++;
    DWORD now = GetTickCount();
    if (now - p->last_update <= static_cast<DWORD>(L.busy_time)) return;
    p->last_update = now;
    _status_printf(L.page, "%s", p->status);
    _progress(L.page, p->done, 0, p->total);
    if (p->done != p->last_repaint && (p->repaint || p->last_repaint >= 0)) {
        repaint_page();
        p->last_repaint = p->done;
    }
    _pump();
}

void pass_finish(draw_pass* p)
{
    if (p->done != p->last_repaint) repaint_page();
    if (GetTickCount() - p->start > static_cast<DWORD>(L.busy_time)) _status_printf(L.page, "%s", "");
}

bool enter_current_folder()
{
    cache_current_dir();
    if (current_folder.drive_list) return enter_folder("\\") != 0;
    return enter_folder(current_folder.folder) != 0;
}

void rescan()
{
    if (!enter_current_folder()) {
        set_tree_expansion(0);
        if (!enter_current_folder()) {
            char windows[PATH_BUF];
            UINT n = GetWindowsDirectoryA(windows, sizeof windows);
            if (n && n < sizeof windows) enter_folder(windows);
        }
    }
    scan_pass_begin("ﾌｫﾙﾀﾞ検索中...");
    char** names = nullptr;
    int flag = 0, depth = L.tree_depth;
    int count = scan_listing(current_folder.folder, &names, &flag, &depth);
    ::pass_end();
    L.tree_flag = flag;
    // The levels the listing opened; a tree that opened none is no tree.
    if (L.tree_depth && depth)
        L.tree_depth = depth;
    else if (L.tree_depth)
        set_tree_expansion(0);
    browser_list_set_entries(names, count);
    index_thumbnails_of_list();
}

// The entry being named moves to the first cell of the page, where its name
// is typed in place; the entries between shift by one, with their marks.
void move_new_entry_to_page()
{
    int first = L.first_row * L.columns;
    if (first < 0 || first >= L.count) return;
    int i = 0;
    while (i < L.count && !is_new_entry_name(L.names[i])) i++;
    if (i == L.count || i == first) return;
    char* name = L.names[i];
    unsigned char mark = L.marks ? L.marks[i] : 0;
    int from = i < first ? i + 1 : first, to = i < first ? i : first + 1, n = i < first ? first - i : i - first;
    memmove(&L.names[to], &L.names[from], n * sizeof *L.names);
    if (L.marks) memmove(&L.marks[to], &L.marks[from], n);
    L.names[first] = name;
    if (L.marks) L.marks[first] = mark;
    // The records follow their names.
    browser_list_set_entries(L.names, L.count);
    index_thumbnails_of_list();
}

// Kept marks come back on the entries drawn; a cut entry, which is not drawn,
// loses its mark (the cut list is read first).
void reset_selection(const unsigned char* kept, int kept_count)
{
    free(L.marks);
    L.marks = L.count > 0 ? static_cast<unsigned char*>(calloc(L.count, 1)) : nullptr;
    L.selected_count = 0;
    if (!L.marks || !kept || kept_count != L.count) return;
    for (int i = 0; i < L.count; i++) {
        L.marks[i] = kept[i] && !is_cut_entry(L.names[i]) ? 1 : 0;
        L.selected_count += L.marks[i];
    }
}
}  // namespace

int redraw_checked(int focus, int scroll_bar, int force, int repaint, bool check);

int new_entry_pending;

int is_new_entry_name(const char* name)
{
    if (!name || !name[0] || mb_is_lead(static_cast<unsigned char>(name[0]))) return 0;
    static const char tail[] = ".newfolder";
    size_t n = sizeof tail - 1;
    if (strncmp(name + 1, tail, n) != 0) return 0;
    char after = name[1 + n];
    return after == 0 || after == '.' || after == '\\';
}

void load_folder(const unsigned char* kept, int kept_count, int first_hint, const char* name_hint, int flags)
{
    busy_guard busy(BUSY_WAIT);
    L.reload_counter++;
    _pump();
    // Without a rescan the old names stay; the records are made afresh either way.
    if (!(flags & LOAD_NO_RESCAN)) {
        rescan();
    } else {
        browser_list_set_entries(L.names, L.count);
        index_thumbnails_of_list();
    }
    read_cut_list();
    reset_selection(kept, kept_count);
    layout_list();
    if (L.count >= 1)
        show_entry(name_hint, first_hint);
    else
        L.first_row = 0;
    set_browser_title(L.first_row / (L.rows > 0 ? L.rows : 1) + 1);
    if (new_entry_pending) move_new_entry_to_page();
    if (!(flags & LOAD_NO_REDRAW)) redraw_checked(1, 1, 0, 1, false);
}

void on_size_relayout(int first_index)
{
    int n = L.count;
    unsigned char* kept = n > 0 && L.marks ? static_cast<unsigned char*>(malloc(n)) : nullptr;
    if (kept) memcpy(kept, L.marks, n);
    load_folder(kept, n, first_index, nullptr, LOAD_NO_RESCAN);
    free(kept);
}

namespace {
enum entry_state { ENTRY_CURRENT, ENTRY_MISSING, ENTRY_CUT_CHANGED };

// Whether entry i still matches the disk, and the clipboard's cut marks as
// last read; path: its listed path.
entry_state state_of_entry(int i, char* path)
{
    const char* name = L.names[i];
    if (is_drive_root(name) || mb_strchr(name, '*')) return ENTRY_CURRENT;
    if (!entry_listed_path(name, path)) return ENTRY_CURRENT;
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return ENTRY_MISSING;
    file_kind* k = list_entry_kind(i);
    if (k && (k->cut_mark != 0) != (is_cut_entry(name) != 0)) return ENTRY_CUT_CHANGED;
    return ENTRY_CURRENT;
}

// The entries checked: the shown page and the pages beside it.
void checked_entries(int* from, int* to)
{
    int first = L.first_row * L.columns;
    *from = first - L.per_page > 0 ? first - L.per_page : 0;
    *to = first + 2 * L.per_page < L.count ? first + 2 * L.per_page : L.count;
}

std::unordered_set<std::string>& unmendable_here()
{
    if (strcmp(unmendable_folder, current_folder.folder) != 0) {
        unmendable.clear();
        if (!text_copy(unmendable_folder, current_folder.folder)) unmendable_folder[0] = 0;
    }
    return unmendable;
}

// Lists the folder of a missing entry (its listed path) in Unicode, once
// for all the names there that the code page cannot give back: each becomes
// unmendable, and so does the entry when the folder still lists it. One
// listing of the folder, only when an entry is missing: nothing is asked of
// each entry of the list.
bool still_in_its_folder(const char* path)
{
    std::unordered_set<std::string>& known = unmendable_here();
    if (known.count(path)) return true;
    const char* leaf = file_name_of(path);
    std::string folder(path, leaf - path);
    wchar_t pattern[PATH_BUF + 1];
    int n = folder.empty() ? 0 : MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, pattern, PATH_BUF) - 1;
    if (n < 0) return false;
    pattern[n] = L'*';
    pattern[n + 1] = 0;
    WIN32_FIND_DATAW item;
    find_handle find(FindFirstFileW(pattern, &item));
    if (!find) return false;
    bool listed = false;
    do {
        char name[PATH_BUF];
        wchar_t back[MAX_PATH];
        if (!WideCharToMultiByte(CP_ACP, 0, item.cFileName, -1, name, sizeof name, nullptr, nullptr)) continue;
        if (strcmp(name, leaf) == 0) listed = true;
        if (!MultiByteToWideChar(CP_ACP, 0, name, -1, back, MAX_PATH) || wcscmp(back, item.cFileName) != 0)
            known.insert(folder + name);
    } while (FindNextFileW(find.get(), &item));
    if (listed) known.insert(path);
    return listed;
}

// What the checked entries show changed, passing over the unmendable ones
// when asked: a missing entry before cut marks.
int checked_entries_change(bool pass_over_unmendable)
{
    if (L.count <= 0 || !L.names) return LIST_UNCHANGED;
    // The clipboard as it is now, which another window may have changed; the
    // entries keep the cut marks they were drawn with.
    read_cut_list();
    int from, to, change = LIST_UNCHANGED;
    checked_entries(&from, &to);
    for (int i = from; i < to; i++) {
        char path[PATH_BUF];
        entry_state state = state_of_entry(i, path);
        if (state == ENTRY_CUT_CHANGED) change = LIST_CUT_MARKS_CHANGED;
        if (state != ENTRY_MISSING || (pass_over_unmendable && still_in_its_folder(path))) continue;
        return LIST_FOLDER_CHANGED;
    }
    return change;
}
}  // namespace

int list_still_valid() { return checked_entries_change(false) == LIST_UNCHANGED ? 1 : 0; }

int list_shown_entries_changed() { return checked_entries_change(true); }

void follow_list_change(int change, int first_hint)
{
    if (change == LIST_FOLDER_CHANGED)
        load_folder(nullptr, 0, first_hint, nullptr, 0);
    else if (change == LIST_CUT_MARKS_CHANGED)
        on_size_relayout(first_hint);  // records made again; the selection stays but on entries now cut
}

static void say(const char* text)
{
    kavtrel_message_box(_page_hwnd(L.page) ? GetParent(_page_hwnd(L.page)) : console_window(), text, "ZOTE", MB_OK);
}

int redraw_checked(int focus, int scroll_bar, int force, int repaint, bool check)
{
    {
        busy_guard busy(BUSY_WAIT);
        L.reload_counter++;
        if (check && !enter_current_folder()) {
            say("ﾒﾃﾞｨｱが交換されました．");
            follow_list_change(LIST_FOLDER_CHANGED, 0);
            return 1;
        }
        int change = check ? list_shown_entries_changed() : LIST_UNCHANGED;
        if (change == LIST_FOLDER_CHANGED) say("ﾌｫﾙﾀﾞの内容が変更されました．再読み込みします．");
        if (change != LIST_UNCHANGED) {
            follow_list_change(change, change == LIST_FOLDER_CHANGED ? 0 : L.first_row * L.columns);
            return 1;
        }
        if (!_selectpage(0, L.page)) return 0;
        _setbkcolor(L.colours[COLOUR_BK]);
        _clearscreen(2 | 4);
        _setfont("t'ＭＳ Ｐゴシック' h12");
        clamp_first_row();
        draw_toolbar();
        fill_outside_grid();
        set_browser_title(L.first_row / L.rows + 1);
        HWND window = _page_hwnd(L.page);
        if (scroll_bar)
            update_list_scrollbar(L.first_row / L.rows, L.count > 0 ? (L.count - 1) / L.per_page : 0, window);
        else if (focus)
            SetFocus(window);
        int first = L.first_row * L.columns;
        int end = first + L.per_page < L.count ? first + L.per_page : L.count;
        int serial = L.reload_counter;
        draw_pass pass;
        pass_begin(&pass, repaint, end - first, "描画中...");
        for (int i = first; i < end && serial == L.reload_counter; i++) {
            draw_list_cell(i, force);
            pass_step(&pass);
        }
        pass_begin(&pass, repaint, end - first, "ﾌｧｲﾙ数ｶｳﾝﾄ中...");
        for (int i = first; i < end && serial == L.reload_counter; i++) {
            draw_cell_details(i);
            pass_step(&pass);
        }
        pass_finish(&pass);
        _status_printf(L.page, "%s", "");
    }
    return prefetch_next_page();
}

int redraw_list(int focus, int scroll_bar, int force, int repaint)
{
    return redraw_checked(focus, scroll_bar, force, repaint, true);
}

int prefetch_next_page()
{
    if (L.per_page * 6 > L.cache_working_size || L.count <= 0) return 0;
    int serial = L.reload_counter;
    int first = L.first_row * L.columns;
    int end = first + 2 * L.per_page < L.count ? first + 2 * L.per_page : L.count;
    for (int i = first + L.per_page; i < end; i++) {
        if (thumb_cache_current(i)) continue;
        _pump();
        if (serial != L.reload_counter) return 1;
    }
    for (int i = first - 1; i >= 0 && i >= first - L.per_page; i--) {
        if (thumb_cache_current(i)) continue;
        _pump();
        if (serial != L.reload_counter) return 1;
    }
    return 0;
}

// The title ---------------------------------------------------------------------

static void display_folder(char* out, size_t cap)
{
    char folder[PATH_BUF];
    if (!archive_shown_folder(current_folder.folder, folder)) text_copy(folder, current_folder.folder);
    if (folder[0] && folder[1] == ':' && folder[0] >= 'a' && folder[0] <= 'z') folder[0] = char(folder[0] - 'a' + 'A');
    if (!current_folder.drive_list) add_backslash(folder);
    for (char* p = folder; *p; p = const_cast<char*>(mb_next(p)))
        if (*p == '\\') *p = '/';
    text_copy_n(out, cap, folder, strlen(folder));
}

void format_browser_title(char* out, size_t cap, int number)
{
    char folder[PATH_BUF], suffix[16] = "";
    display_folder(folder, sizeof folder);
    if (L.selected_count > 0) text_format(suffix, sizeof suffix, ".%d", L.selected_count);
    if (viewer_now.mode == VIEWER_MODE_LIST)
        text_format_cut(out, cap, "%s %d%s画像 %d/%d頁 - ZOTE1.67", folder, L.count, suffix, number, L.page_count);
    else
        text_format_cut(out, cap, "%s %d/%d%s枚 - ZOTE1.67", folder, number, L.count, suffix);
}

void set_browser_title(int number)
{
    HWND child = _page_hwnd(L.page);
    HWND frame = child ? GetParent(child) : nullptr;
    if (!frame) return;
    char title[512], now[512];
    format_browser_title(title, sizeof title, number);
    // Set only when it changes: a frame redraws its caption at every setting.
    if (GetWindowTextA(frame, now, sizeof now) > 0 && strcmp(now, title) == 0) return;
    SetWindowTextA(frame, title);
}

// What the window hook asks of the list ----------------------------------------------

int list_scroll_position(WPARAM code)
{
    scroll_state* s = on_list_vscroll(code, _page_hwnd(L.page));
    return s ? s->position : -1;
}

void redraw_whole_list() { redraw_list(1, 1, 0, 1); }
