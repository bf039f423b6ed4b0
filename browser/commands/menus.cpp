// The menu bar and its popups, built in code, and their state: every popup is
// brought up to date (texts, checks, greyed items, and for the size, new-window
// and tree popups the whole item list) when Windows announces it.
#include "browser/commands/command_actions.h"
#include "browser/operations/batch_rename.h"
#include "browser/model/numbering.h"
#include "browser/commands/command_parts.h"
#include "browser/archives/archive_folder.h"
#include "browser/operations/entry_ops.h"
#include "browser/model/browser_list.h"
#include "browser/model/history.h"
#include "browser/model/name_list.h"
#include "browser/model/paths.h"
#include "browser/model/scan.h"
#include "browser/commands/settings.h"
#include "browser/caches/thumb_cache.h"
#include "browser/viewer/viewer.h"
#include "base/holders.h"
#include "files/files.h"
#include "formats/formats.h"
#include "graphics/kavtrel.h"
#include <cstdio>

menu_handles browser_menus;
static browser_list_record& L = browser_list;

enum { TREE_LEVELS = 30, JUMP_ITEMS = 30 };
struct tree_menu_record {
    HMENU levels[TREE_LEVELS];
    char paths[TREE_LEVELS][PATH_BUF];
    int level_count;
    char folder[PATH_BUF];
};
static tree_menu_record tree_menu;

static void add(HMENU m, int id, const char* text) { AppendMenuA(m, MF_STRING, id, text); }
static void separator(HMENU m) { AppendMenuA(m, MF_SEPARATOR, 0, nullptr); }
static HMENU add_popup(HMENU m, const char* text)
{
    HMENU p = CreatePopupMenu();
    AppendMenuA(m, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(p), text);
    return p;
}
static void enable(HMENU m, int id, bool on) { EnableMenuItem(m, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); }
static void check(HMENU m, int id, bool on) { CheckMenuItem(m, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED)); }
static void retext(HMENU m, int id, const char* text) { ModifyMenuA(m, id, MF_BYCOMMAND | MF_STRING, id, text); }

void clear_menu(HMENU popup)
{
    for (int i = GetMenuItemCount(popup) - 1; i >= 0; i--) DeleteMenu(popup, i, MF_BYPOSITION);
}

void enable_all_menu_items(HMENU popup, int on)
{
    int n = GetMenuItemCount(popup);
    for (int i = 0; i < n; i++) EnableMenuItem(popup, i, MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED));
}

static void build_file_popup(HMENU m)
{
    add(m, CM_FOLDER_TREE, "開く(&O) \t Esc");
    browser_menus.new_window = add_popup(m, "新規ウインドウ(&N)");
    add(m, CM_EXPLORER, "エクスプローラ(&E)");
    separator(m);
    HMENU n = browser_menus.new_item = add_popup(m, "新規作成(&W)");
    add(n, CM_NEW_FOLDER, "フォルダ(&F)");
    separator(n);
    add(n, CM_NEW_ARCHIVE_FIRST, "LHA(.lzh)圧縮フォルダ(&L)");
    add(n, CM_NEW_ARCHIVE_FIRST + 1, "ZIP(.zip)圧縮フォルダ(&Z)");
    add(n, CM_NEW_ARCHIVE_FIRST + 2, "CAB(.cab)圧縮フォルダ(&C)");
    add(n, CM_NEW_ARCHIVE_LAST, "TAR(.tgz)圧縮フォルダ(&T)");
    separator(n);
    add(n, CM_NEW_TEXT, "テキスト(.txt)ファイル(&W)");
    add(n, CM_FOLDER_LISTING, "ファイル一覧-フォルダ名.txt(&F)");
    add(m, CM_NUMBER_PREFIXES, "番号部分付加/除去(&B)");
    add(m, CM_BATCH_RENAME, "選択画像の名前変更(&R)");
    add(m, CM_ARCHIVE_PASSWORD, "パスワードの追加/変更/削除(&E)");
    separator(m);
    add(m, CM_SCAN_SOURCE, "スキャナソースの選択(&L)");
    add(m, CM_SCAN, "イメージのスキャン(&M) \t Ctrl+M");
    add(m, CM_PRINT, "選択画像の印刷(&P) \t Ctrl+P");
    separator(m);
    add(m, CM_SETTINGS_SAVE, "設定の保存(&S)");
    add(m, CM_SETTINGS_INITIAL, "設定を初期値に戻す(&I)");
    add(m, CM_SETTINGS_LOAD, "設定の呼出(&G)");
    separator(m);
    add(m, 65501, "終了(&X)");
    add(m, CM_QUIT_ALL, "全終了(&Q)");
}

static void build_edit_popup(HMENU m)
{
    add(m, CM_SELECT_ALL_FILTERED, "全ファイル選択(&A) \t Ctrl+A");
    add(m, CM_SELECT_ALL, "全ファイル・フォルダ選択");
    add(m, CM_CLEAR_MARKS, "全選択解除 \t Esc");
    separator(m);
    add(m, CM_COPY, "選択ファイルのコピー(&C) \t Ctrl+C");
    add(m, CM_CUT, "選択ファイルの切取(&T) \t Ctrl+X");
    add(m, CM_PASTE, "貼付(&P) \t Ctrl+V");
    add(m, CM_PASTE_SHORTCUTS, "ショートカットの貼付(&S)");
    add(m, CM_PASTE_FOLDERS, "フォルダの貼付(&F)");
    add(m, CM_RECYCLE, "選択ファイルの削除(&D) \t Del");
    separator(m);
    add(m, CM_SEARCH, "検索(&F) \t Ctrl+F");
}

static void build_view_popup(HMENU m)
{
    add(m, CM_DATE_DISPLAY, "日付表示(&D) \t D");
    add(m, CM_IMAGES_ONLY, "画像のみ(&H) \t H");
    add(m, CM_SHOW_HIDDEN, "隠しファイル(&S)");
    separator(m);
    add(m, CM_SORT_FIRST, "名前順(&N)");
    add(m, CM_SORT_FIRST + 1, "日付順(&T)");
    add(m, CM_SORT_FIRST + 2, "サイズ順(&Q)");
    add(m, CM_SORT_LAST, "種類順(&K)");
    separator(m);
    add(m, CM_SORT_DIRECTION, "降順(&X)");
    add(m, CM_FOLDERS_FIRST, "フォルダを先(&F)");
    separator(m);
    add(m, CM_RELOAD, "最新の情報に更新(&R) \t F5");
    add(m, CM_COUNT_FILES, "ファイル数のカウント(&A)");
    separator(m);
    HMENU c = browser_menus.cache = add_popup(m, "キャッシュファイル(&C)");
    add(c, CM_DRIVE_CACHE_MAKE, "ドライブに作成(&L)");
    add(c, CM_DRIVE_CACHE_COPY, "ドライブからコピー(&C)");
    add(c, CM_DRIVE_CACHE_DELETE, "ドライブから削除(&E)");
    separator(c);
    add(c, CM_CDR_CACHE, "CD-R用に作成(&R)");
    separator(c);
    add(c, CM_CACHE_SETTINGS, "設定(&S)");
    add(c, CM_CACHE_CLEAR, "削除(&R)");
    HMENU i = browser_menus.initial = add_popup(m, "設定の初期値変更(&I)");
    add(i, CM_SETTINGS_GLOBAL_SAVE, "現在の設定(&C)");
    add(i, CM_SETTINGS_GLOBAL_RESET, "標準値(&S)");
    add(m, CM_OPTIONS, "オプション(&O)");
}

static void build_slide_popup(HMENU m)
{
    add(m, CM_VIEW_ONE, "拡大(&Z) \t Enter");
    add(m, CM_FULL_SCREEN, "フルスクリーン(&F) \t F");
    separator(m);
    add(m, CM_ZOOM_ONE, "原寸(&Z) \t Enter");
    for (int n = 2; n <= 8; n *= 2) {
        char text[32];
        text_format(text, sizeof text, "1/%d(&%d)", n, n);
        add(m, CM_ZOOM_BASE + n, text);
    }
    separator(m);
    add(m, CM_SLIDE_SHOW, "スライドショー(&L)");
    add(m, CM_SELECTED_SLIDE_SHOW, "選択画像のスライドショー(&S)");
    add(m, CM_SCREEN_SAVER, "スクリーンセーバー(&R) \t R");
    separator(m);
    add(m, CM_NONSTOP, "繰り返し(&C)");
    add(m, CM_SQUARE, "正方形領域(&I)");
    separator(m);
    add(m, CM_INTERVAL_FIRST, " &0.0 秒 間隔");
    const char* const seconds[] = {" &1.0 秒", " &2.0 秒", " &3.0 秒", " &4.0 秒", " &5.0 秒"};
    for (int i = 0; i < 5; i++) add(m, CM_INTERVAL_FIRST + 10 + 10 * i, seconds[i]);
    add(m, CM_INTERVAL_FIRST + 90, " &9.0 秒");
    add(m, CM_INTERVAL_DIALOG, " 他の値(&V)");
}

void build_main_menu(HWND window)
{
    HMENU bar = GetMenu(window);
    if (!bar) {
        bar = CreateMenu();
        SetMenu(window, bar);
    }
    menu_handles& h = browser_menus;
    h.bar = bar;
    build_file_popup(h.file = add_popup(bar, "ファイル(&F)"));
    build_edit_popup(h.edit = add_popup(bar, "編集(&E)"));
    build_view_popup(h.view = add_popup(bar, "表示(&V)"));
    h.size = add_popup(bar, "サイズ(&S)");
    build_slide_popup(h.slide = add_popup(bar, "スライド(&L)"));
    h.tree = add_popup(bar, "移動(&M)");
    h.history = add_popup(bar, "履歴(&G)");
    h.help = add_popup(bar, "ヘルプ(&H)");
    add(h.help, 65510, "ヘルプ(&H)");
    separator(h.help);
    add(h.help, CM_UNINSTALL, "アンインストール(&U)");
    add(h.help, CM_VERSION, "バージョン情報(&V)");
    // The tree popup is filled when it first opens, for the folder shown then:
    // at start-up no folder is shown yet.
    tree_menu.folder[0] = 0;
    DrawMenuBar(window);
    SetFocus(window);
}

// ---- Drive, subfolder, new-window, cursor and tree popups ----

static int is_drive_spec(const char* path) { return path[0] && path[1] == ':' && strlen(path) <= 3; }

HMENU build_drive_menu(const char* path, HMENU popup, int first_id)
{
    scan_subfolders(path);
    if (!popup) return nullptr;
    bool drives = is_drive_spec(path) || current_folder.drive_list;
    if (!drives) cache_current_dir();
    for (int i = 0; i < tree_names.count && i < JUMP_ITEMS; i++) {
        const char* entry = jump_entry(i);
        if (!entry) break;
        char text[PATH_BUF + 64];
        UINT flags = MF_STRING;
        if (drives) {
            char kind[64];
            char letter = entry[0] >= 'a' && entry[0] <= 'z' ? static_cast<char>(entry[0] - 32) : entry[0];
            text_format_cut(text, sizeof text, "&%c: %s %s", letter, "", drive_kind_text(entry, kind, sizeof kind));
        } else {
            char trimmed[PATH_BUF];
            text_copy(trimmed, entry);
            remove_backslash(trimmed);
            const char* cut = mb_strrchr(trimmed, '\\');
            if (!cut) cut = mb_strrchr(trimmed, ':');
            text_copy(text, sizeof text, cut ? cut + 1 : trimmed);
            if (same_folder(trimmed, current_folder.folder) == 0) flags |= MF_GRAYED;
        }
        AppendMenuA(popup, flags, first_id + 1 + i, text);
    }
    return popup;
}

void build_new_window_menu(HMENU popup)
{
    clear_menu(popup);
    add(popup, CM_NEW_WINDOW, "新規ｳｲﾝﾄﾞｳ(&N) \t Ctrl+N");
    separator(popup);
    build_drive_menu("c:\\", popup, CM_DRIVE_NEW_WINDOW);
}

HMENU build_cursor_menu()
{
    HMENU m = CreatePopupMenu();
    add(m, CM_FIRST_PAGE, "先頭頁(&T) \t T");
    add(m, CM_PAGE_BACK, "前頁(&P) \t PgUp");
    add(m, CM_PAGE_NEXT, "次頁(&N) \t PgDn Space");
    add(m, CM_LAST_PAGE, "末尾頁(&B) \t B");
    separator(m);
    add(m, CM_POINTER_UP, "ｶｰｿﾙを上へ \t ↑");
    add(m, CM_POINTER_DOWN, "ｶｰｿﾙを下へ \t ↓");
    add(m, CM_POINTER_LEFT, "ｶｰｿﾙを左へ \t ←");
    add(m, CM_POINTER_RIGHT, "ｶｰｿﾙを右へ \t →");
    add(m, CM_POINTER_HOME, "ｶｰｿﾙを左上角に(&H) \t Home");
    add(m, CM_POINTER_NAME, "ｶｰｿﾙをファイル名位置に(&I) \t I");
    separator(m);
    add(m, CM_PREVIOUS_SELECTED_PAGE, "前の選択画像へ \t Alt+↑");
    add(m, CM_NEXT_SELECTED_PAGE, "次の選択画像へ \t Alt+↓");
    return m;
}

static void tree_menu_state()
{
    HMENU m = browser_menus.tree;
    int mode = viewer_now.mode;
    bool subfolders = folder_has_subfolders() != 0;
    for (int k = 0; k < tree_menu.level_count; k++)
        EnableMenuItem(m, k + 1, MF_BYPOSITION | (mode >= 2 ? MF_GRAYED : MF_ENABLED));
    EnableMenuItem(m, tree_menu.level_count, MF_BYPOSITION | (mode < 2 && subfolders ? MF_ENABLED : MF_GRAYED));
    enable(m, CM_EXPAND_ALL, mode == 0 && (subfolders || L.tree_depth != 0));
    enable(m, CM_EXPAND_ONE, mode == 0 && subfolders);
    enable(m, CM_COLLAPSE_ONE, mode == 0 && L.tree_depth != 0);
    enable(m, CM_PARENT, mode == 0 && !at_drive_list());
    bool nav = mode < 2 && !viewer_now.full_screen;
    enable(m, CM_DESKTOP, nav);
    enable(m, CM_PERSONAL, nav);
    enable(m, CM_DRIVE_LIST, nav && !at_drive_list());
    enable(m, CM_DRIVE_ROOT, nav && !at_drive_list());
}

void build_tree_menu()
{
    HMENU m = browser_menus.tree;
    if (!m) return;
    cache_current_dir();
    if (GetMenuItemCount(m) > 0 && text_equal_ci(tree_menu.folder, current_folder.folder)) return tree_menu_state();
    text_copy(tree_menu.folder, current_folder.folder);
    clear_menu(m);
    tree_menu.level_count = 0;
    bool list = viewer_now.mode == 0;
    add(m, CM_FOLDER_TREE, list ? "ﾂﾘｰで選択(&O) \t Esc" : "ﾂﾘｰで選択(&O)");
    char path[PATH_BUF];
    if (!path_join(path, sizeof path, current_folder.folder, "dummy\\")) path[0] = 0;
    int levels = 0;
    // A drive root has two levels too: the drives and its subfolders.
    if (path[0] && !current_folder.drive_list) {
        for (const char* p = mb_next(path); *p; p = mb_next(p))
            if (*p == '\\' && p[1]) levels++;
        levels++;
    } else {
        levels = 1;
    }
    if (levels > TREE_LEVELS) levels = TREE_LEVELS;
    static const char marks[] = "0123456789ABEFHIJKNQRUWZ";
    const char* p = path;
    for (int k = 0; k < levels; k++) {
        // The level path: up to (not including) the (k + 1)-th backslash.
        const char* end = p;
        int seen = 0;
        for (const char* q = path; *q; q = mb_next(q))
            if (*q == '\\' && ++seen == k + 1) {
                end = q;
                break;
            }
        if (seen < k + 1) end = path + strlen(path);
        text_copy_n(tree_menu.paths[k], PATH_BUF, path, static_cast<size_t>(end - path));
        if (k == 0 && tree_menu.paths[0][1] == ':') text_append(tree_menu.paths[0], "\\");
        char label[PATH_BUF + 16];
        if (k == 0)
            text_copy(label, "ドライブ(&D) \t Ctrl+D");
        else if (k == levels - 1)
            text_copy(label, "サブフォルダ(&S) \t Ctrl+S");
        else {
            const char* own = mb_strrchr(tree_menu.paths[k], '\\');
            text_format_cut(label, sizeof label, "&%c <%s>", marks[(k - 1) % 24], own ? own + 1 : tree_menu.paths[k]);
        }
        tree_menu.levels[k] = add_popup(m, label);
        build_drive_menu(tree_menu.paths[k], tree_menu.levels[k], CM_FOLDER_TREE);
    }
    tree_menu.level_count = levels;
    separator(m);
    add(m, CM_EXPAND_ALL, "全展開(&X) \t X");
    add(m, CM_EXPAND_ONE, "展開(&V) \t V");
    add(m, CM_COLLAPSE_ONE, "たたむ(&C) \t C");
    separator(m);
    add(m, CM_DESKTOP, "デスクトップへ(&T)");
    add(m, CM_PERSONAL, "マイドキュメントへ(&M)");
    add(m, CM_DRIVE_LIST, "マイコンピュータへ(&L) \t L");
    add(m, CM_DRIVE_ROOT, "ルートフォルダへ(&Y) \t Y");
    separator(m);
    add(m, CM_PARENT, "親フォルダへ(&P) \t BackSpace");
    browser_menus.cursor = build_cursor_menu();
    AppendMenuA(m, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(browser_menus.cursor), "カーソル(&M)");
    tree_menu_state();
}

void build_size_menu(HMENU m)
{
    clear_menu(m);
    add(m, CM_FULL_SIZE, "戻す(&0) \t 0");
    add(m, CM_FIT_WINDOW, "余白(&W)");
    separator(m);
    for (int n = 2; n <= L.strip_numbers + 1 && n <= 30; n++) {
        char text[64];
        if (n < 10)
            text_format(text, sizeof text, "横 &%d 枚 \t %d", n, n);
        else
            text_format(text, sizeof text, "横 %d 枚", n);
        AppendMenuA(m, MF_STRING | (n == L.columns ? MF_CHECKED : 0), CM_FULL_SIZE + n, text);
    }
    separator(m);
    add(m, CM_SIZE_DIALOG + 64, "064 * 064  小(&M)");
    add(m, CM_SIZE_DIALOG + 96, "096 * 096  小さめ(&S)");
    add(m, CM_SIZE_DIALOG + 128, "128 * 128  標準(&N)");
    add(m, CM_SIZE_DIALOG + 160, "160 * 160  大きめ(&L)");
    add(m, CM_SIZE_DIALOG + 192, "192 * 192  大(&H)");
    separator(m);
    add(m, CM_SIZE_DIALOG, "他の値(&V)");
    enable_all_menu_items(m, viewer_now.mode == 0);
}

// ---- State of each popup ----

static void file_state(HMENU m)
{
    int mode = viewer_now.mode;
    bool list = mode == 0, entries = list_has_entries(), ro = in_read_only_archive() != 0;
    retext(m, CM_FOLDER_TREE, list ? "開く(&O) \t Esc" : "開く(&O)");
    enable(m, CM_BATCH_RENAME, L.selected_count > 1 && !at_drive_list() && !ro);
    bool twain = twain_dsm_available() != 0;
    enable(m, CM_SCAN_SOURCE, twain);
    enable(m, CM_SCAN, twain && drive_cache_commands_allowed());
    enable(m, CM_PRINT, entries && !viewer_now.full_screen && L.selected_count > 0);
    enable(m, CM_ARCHIVE_PASSWORD, in_archive_folder() != 0);
    retext(m, CM_NUMBER_PREFIXES, number_order_on() ? "番号部分除去(&B)" : "番号部分付加(&B)");
    enable(m, CM_NUMBER_PREFIXES, list && L.tree_depth == 0 && entries && !at_drive_list() && !ro);
    settings_record live;
    snapshot_settings(&live);
    bool differ = !settings_equal(&live, &L.loaded_settings);
    int user_changed = user_settings_changed();
    char user[PATH_BUF];
    bool user_file = user_settings_path(user) && GetFileAttributesA(user) != INVALID_FILE_ATTRIBUTES;
    enable(m, CM_SETTINGS_SAVE, list && differ && user_changed);
    enable(m, CM_SETTINGS_INITIAL, list && differ);
    enable(m, CM_SETTINGS_LOAD, list && user_file && user_changed == 1);
}

static void new_item_state(HMENU m)
{
    bool base = viewer_now.mode == 0 && L.tree_depth == 0 && !at_drive_list() && !in_read_only_archive();
    enable(m, CM_NEW_FOLDER, base);
    for (int k = 0; k < 4; k++) enable(m, CM_NEW_ARCHIVE_FIRST + k, base && archive_kind_ready(k) > 1);
    // A text file the list would not show could not be named in it; the
    // drive list has no folder to list.
    enable(m, CM_NEW_TEXT, new_text_file_possible());
    enable(m, CM_FOLDER_LISTING, !at_drive_list());
}

static void edit_state(HMENU m)
{
    int mode = viewer_now.mode;
    bool list = mode == 0, a = list_has_entries() && !viewer_now.full_screen, s = L.selected_count > 0;
    bool w = !in_read_only_archive(), l = list && list_has_entries();
    retext(m, CM_CLEAR_MARKS, list ? "全選択解除 \t Esc" : "全選択解除");
    enable(m, CM_CLEAR_MARKS, a && s);
    enable(m, CM_SELECT_ALL, a);
    enable(m, CM_SELECT_ALL_FILTERED, a);
    enable(m, CM_COPY, l && s);
    enable(m, CM_CUT, l && s && w);
    enable(m, CM_RECYCLE, l && s && w);
    int clip = clipboard_holds_files();
    enable(m, CM_PASTE, clip > 0 && list && w);
    enable(m, CM_PASTE_SHORTCUTS, clip == 1 && list && w);
    enable(m, CM_PASTE_FOLDERS, clip == 1 && list && w);
    enable(m, CM_SEARCH, l);
}

static void view_state(HMENU m)
{
    bool list = viewer_now.mode == 0;
    enable_all_menu_items(m, list);
    check(m, CM_SHOW_HIDDEN, L.settings.hidden != 0);
    for (int id = 380; id <= CM_SORT_LAST; id++) check(m, id, L.sort_key[0] == id - 380);
    check(m, CM_SORT_DIRECTION, L.sort_direction < 1);
    check(m, CM_FOLDERS_FIRST, L.fldfirst != 0);
    check(m, CM_IMAGES_ONLY, L.settings.all == 0);
    enable(m, CM_COUNT_FILES, list && list_has_entries());
}

// The bytes and the number of files in the cache folder.
static double cache_folder_bytes(const char* root, int* files)
{
    char pattern[PATH_BUF];
    double bytes = 0;
    *files = 0;
    if (!path_join(pattern, sizeof pattern, root, "*.*")) return 0;
    WIN32_FIND_DATAA fd;
    find_handle find(FindFirstFileA(pattern, &fd));
    if (!find) return 0;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        (*files)++;
        bytes += fd.nFileSizeHigh * 4294967296.0 + fd.nFileSizeLow;
    } while (FindNextFileA(find.get(), &fd));
    return bytes;
}

static void cache_state(HMENU m)
{
    char text[128];
    const thumb_cache_dir& d = thumb_cache.dir;
    if (d.cache_size <= 0)
        text_copy(text, "設定(&S) 上限0MB (キャッシュファイル OFF)");
    else {
        int files = 0;
        double bytes = cache_folder_bytes(d.primary_root, &files);
        int percent = static_cast<int>(bytes / (d.cache_size * 1000.0 * 1000.0) * 100.0);
        text_format(text, sizeof text, "設定(&S) 上限%dMB (%d%%使用 %d個)", d.cache_size, percent, files);
    }
    retext(m, CM_CACHE_SETTINGS, text);
    bool drive = drive_cache_commands_allowed() != 0;
    enable(m, CM_DRIVE_CACHE_MAKE, drive && drive_cache_available(&thumb_cache.dir, 0));
    enable(m, CM_CDR_CACHE, drive);
    bool folder = drive && drive_cache_available(&thumb_cache.dir, 1);
    enable(m, CM_DRIVE_CACHE_DELETE, folder);
    enable(m, CM_DRIVE_CACHE_COPY, folder);
}

static void initial_state(HMENU m)
{
    settings_record live;
    snapshot_settings(&live);
    enable(m, CM_SETTINGS_GLOBAL_SAVE, !settings_equal(&live, &L.loaded_settings));
    enable(m, CM_SETTINGS_GLOBAL_RESET, !settings_equal(&L.loaded_settings, &L.default_settings));
}

static void slide_state(HMENU m)
{
    viewer_state_record& v = viewer_state;
    for (int i = GetMenuItemCount(m) - 1; i >= 0; i--) {
        int id = static_cast<int>(GetMenuItemID(m, i));
        if (id >= CM_INTERVAL_FIRST && id <= CM_INTERVAL_LAST) check(m, id, false);
    }
    int interval = v.interval;
    char text[64];
    if (CheckMenuItem(m, CM_INTERVAL_FIRST + interval, MF_BYCOMMAND | MF_CHECKED) == static_cast<DWORD>(-1))
        text_format(text, sizeof text, "他の値 %3.1f秒 (&V)", interval / 10.0);
    else
        text_copy(text, "他の値 (&V)");
    retext(m, CM_INTERVAL_DIALOG, text);
    int mode = viewer_now.mode;
    bool view = v.actual_view != nullptr;
    enable(m, CM_VIEW_ONE, !(mode == 1 && !view));
    enable(m, CM_FULL_SCREEN, mode == 0 || mode == 1);
    retext(m, CM_ZOOM_ONE, mode == 1 && view ? "原寸(&Z)" : "原寸(&Z) \t Enter");
    for (int n = 1; n <= 8; n *= 2) enable(m, CM_ZOOM_BASE + n, mode == 1 && actual_view_allowed(v, n));
    enable(m, CM_SELECTED_SLIDE_SHOW, L.selected_count > 0);
    check(m, CM_NONSTOP, v.nonstop != 0);
    check(m, CM_SQUARE, v.square != 0);
}

static void cursor_state(HMENU m)
{
    int mode = viewer_now.mode;
    bool a2 = mode == 0 && list_has_entries(), b2 = mode != 2 && list_has_entries();
    for (int id : {CM_POINTER_UP, CM_POINTER_DOWN, CM_PAGE_BACK, CM_PAGE_NEXT, CM_FIRST_PAGE, CM_LAST_PAGE})
        enable(m, id, b2);
    for (int id : {CM_POINTER_LEFT, CM_POINTER_RIGHT, CM_POINTER_HOME, CM_POINTER_NAME}) enable(m, id, a2);
    enable(m, CM_PREVIOUS_SELECTED_PAGE, b2 && L.selected_count > 0);
    enable(m, CM_NEXT_SELECTED_PAGE, b2 && L.selected_count > 0);
}

int update_menu_state(HMENU popup, HWND window)
{
    menu_handles& h = browser_menus;
    if (popup != h.size && popup != h.history && popup != h.new_window) enable_all_menu_items(popup, 1);
    if (popup == h.file)
        file_state(popup);
    else if (popup == h.new_item)
        new_item_state(popup);
    else if (popup == h.new_window)
        build_new_window_menu(popup);
    else if (popup == h.edit)
        edit_state(popup);
    else if (popup == h.view)
        view_state(popup);
    else if (popup == h.cache)
        cache_state(popup);
    else if (popup == h.initial)
        initial_state(popup);
    else if (popup == h.size)
        build_size_menu(popup);
    else if (popup == h.slide)
        slide_state(popup);
    else if (popup == h.cursor)
        cursor_state(popup);
    else if (popup == h.history)
        build_history_menu(popup);
    else if (popup == h.tree)
        build_tree_menu();
    else {
        for (int k = 0; k < tree_menu.level_count; k++)
            if (popup == tree_menu.levels[k]) scan_subfolders(tree_menu.paths[k]);
    }
    return 1;
}
