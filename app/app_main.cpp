// The application's start: before any window, whether this process is the
// installed program (which relaunches from its temporary copy) or the copy
// (which runs the browser); then the main function hands script runs on, installs the hooks,
// creates the browser's page, loads the settings, applies the command line
// and opens the start folder.
#include "browser/model/start.h"
#include "browser/operations/archive_commands.h"
#include "browser/commands/instances.h"
#include "browser/commands/image_plugins.h"
#include "browser/archives/archive_folder.h"
#include "browser/commands/keys.h"
#include "browser/model/browser_list.h"
#include "browser/model/busy.h"
#include "browser/commands/commands.h"
#include "browser/grid/grid.h"
#include "browser/grid/list_view.h"
#include "browser/commands/toolbar.h"
#include "browser/model/paths.h"
#include "browser/commands/settings.h"
#include "browser/model/scan.h"
#include "browser/caches/thumb_cache.h"
#include "browser/viewer/viewer.h"
#include "files/files.h"
#include "formats/formats.h"
#include "app/start_up.h"
#include "browser/model/history.h"
#include "console/console.h"
#include "graphics/kavtrel.h"
#include <cstdlib>
#include <cstring>
#include <ctime>

static HWND main_frame()
{
    HWND child = _page_hwnd(browser_list.page);
    return child ? GetParent(child) : nullptr;
}

static void check_colour_depth()
{
    HWND found[4];
    int n = find_windows_by_title(instance_title_ending, TITLE_ENDS, 1, found, 4);
    if (!browser_list.checkdisp || n >= 2 || browser_list.bits_per_pixel >= 16) return;
    char text[512];
    text_format_cut(
        text, sizeof text,
        "ZOTEはこのﾃﾞｨｽﾌﾟﾚｰ(%dﾋﾞｯﾄ)に画像を正しく表示できません．\n\nﾃﾞｽｸﾄｯﾌﾟを右ｸﾘｯｸして[ﾌﾟﾛﾊﾟﾃｨ]を選び["
        "ﾃﾞｨｽﾌﾟﾚｰの詳細]\n"
        "[ｶﾗｰﾊﾟﾚｯﾄ]を High Color 65K色(16ﾋﾞｯﾄ) 以上に設定して下さい．\n\n次回起動時もこの警告を表示しますか？",
        browser_list.bits_per_pixel);
    if (kavtrel_message_box(main_frame(), text, "警告", MB_YESNO) == IDNO) browser_list.checkdisp = 0;
}

static int param_path(char* out) { return zote_bin_path("param", out); }

// Step 3: the start state handed over by the installed program or another window.
static void take_handover(const char* param)
{
    if (!read_handover(param, &start_block)) fill_handover(&start_block, early_drop_flag(), kavtrel_command_line);
    DeleteFileA(param);
    char plain[PATH_BUF];
    if (plain_folder_for(start_block.current_folder, plain)) text_copy(start_block.current_folder, plain);
    SetCurrentDirectoryA(start_block.current_folder);
    srand(static_cast<unsigned>(time(nullptr)));
}

static void create_browser_page()
{
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    _newpage(browser_list.page, 0, 0, static_cast<int>((area.right - area.left) * 0.95),
             static_cast<int>((area.bottom - area.top) * 0.95));
    _status_printf(browser_list.page, "%s", "初期化中...");
}

static bool present(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// Whether T\zote had no cache folder when this process started: the first
// start of this layout (the cache set-up makes the folder before step 8).
static bool first_start_of_layout()
{
    char cache[PATH_BUF];
    return zote_temp_path("zote\\cache", cache) && !present(cache);
}

// Versions before 1.25 kept their cache folder and settings file loose in the
// temporary folder. The first start of this layout gathers them into T\zote
// and says so.
static void gather_old_files(bool first_start)
{
    char cache[PATH_BUF], old_cache[PATH_BUF], old_settings[PATH_BUF], settings[PATH_BUF];
    if (!first_start || !zote_temp_path("zote\\cache", cache)) return;
    if (!zote_temp_path("zote_cache", old_cache) || !zote_temp_path("zote.p", old_settings) ||
        !zote_temp_path("zote\\zote.p", settings))
        return;
    bool had_cache = present(old_cache), had_settings = present(old_settings);
    if (!had_cache && !had_settings) return;
    // The old cache becomes the cache folder, which the cache set-up may have made empty.
    if (had_cache) RemoveDirectoryA(cache);
    msg_info(
        "ZOTEﾊﾞｰｼﾞｮﾝｱｯﾌﾟ情報", "%s",
        "ver1.25から一時ﾌｫﾙﾀﾞのZOTE関連ﾌｧｲﾙを\nZOTEﾌｫﾙﾀﾞ一つにまとめました．\n1.25以前のﾊﾞｰｼﾞｮﾝのZOTEとの併用は避けて下"
        "さい．");
    if (had_cache) mv_file(old_cache, cache);
    if (had_settings) mv_file(old_settings, settings);
}

// Files of older versions that this one no longer reads: the shared settings,
// history and print settings (each is per user now), and the per-user
// settings under their old name, which become the per-user zote.ini.
static void drop_old_files()
{
    char path[PATH_BUF], old_name[PATH_BUF];
    for (const char* old : {"zote\\zote.p", "zote\\history", "zote\\print.p"})
        if (zote_temp_path(old, path)) DeleteFileA(path);
    if (user_temp_folder(old_name, "zote.p") && user_temp_folder(path, "zote.ini") && present(old_name))
        mv_file(old_name, path);
}

static void temporary_housekeeping(bool first_start)
{
    char path[PATH_BUF];
    gather_old_files(first_start);
    if (zote_temp_path("zote\\cache", path)) md_path(path);
    if (zote_temp_path("zote\\clean.hst", path)) DeleteFileA(path);
    if (zote_temp_path("zote\\lhacut", path) && present(path)) rm_tree(path);
    clear_clipboard_staging();
    if (user_temp_folder(path, nullptr)) md_path(path);
    drop_old_files();
}

// Step 15: the options, the start folder as a full path (the folder this
// process started in when none is given; a relative path is taken from there)
// and a file given by name (else empty).
static void apply_command_line(start_options* o, char* folder, char* file)
{
    parse_command_line(start_block.command_line, o);
    // The slide interval of "/r": the viewer's, as the menu and the settings read it.
    if (o->interval) viewer_state.interval = o->interval;
    file[0] = 0;
    text_copy(folder, PATH_BUF, start_block.current_folder);
    if (!o->path_given) return;
    char path[PATH_BUF], target[PATH_BUF];
    // An archive named with a backslash at its end is entered as a folder.
    size_t length = strlen(o->path);
    bool folder_named = length > 0 && mb_last(o->path) == o->path + length - 1 && o->path[length - 1] == '\\';
    if (!o->path_fits || !full_path(path, sizeof path, o->path)) {
        kavtrel_message_box(main_frame(), "指定されたﾊﾟｽが長すぎます．", "ZOTE", MB_OK);
        o->path_given = 0;
        return;
    }
    if (resolve_shortcut(path, target)) text_copy(path, target);
    DWORD a = GetFileAttributesA(path);
    if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) &&
        !(folder_named && archive_kind_available(path))) {
        text_copy(file, PATH_BUF, path);
        parent_folder(path, path);
    }
    text_copy(folder, PATH_BUF, path);
}

// Step 16: the start folder is entered once; its listing takes it from the
// cache. A folder that cannot be entered leaves the one this process started in.
static void open_start_folder(const start_options& o, const char* folder, const char* file)
{
    if (!change_folder(folder)) cache_current_dir();
    history_push(0, 0);
    ime_off();
    if (!start_block.early_drop && !o.path_given && browser_list.startfolder &&
        history_go(HISTORY_GO_BACK, change_folder)) {
        load_folder(nullptr, 0, history_update_entered(), nullptr, o.any_option);
    } else if (!file[0]) {
        load_folder(nullptr, 0, 0, nullptr, o.any_option);
    } else {
        load_folder(nullptr, 0, 0, file_name_of(file), o.any_option);
    }
}

// Step 2 before the library's console frame and fonts exist: the installed
// program only copies itself, writes the hand-over file and starts the copy,
// none of which needs a window.
int app_before_windows(const char* command_line)
{
    char param[PATH_BUF];
    if (!param_path(param)) return APP_QUIT_AT_ONCE;
    if (GetFileAttributesA(param) != INVALID_FILE_ATTRIBUTES) return 0;
    return relaunch_from_temporary_copy(command_line);
}

int app_main()
{
    install_image_format_hooks();
    char param[PATH_BUF];
    if (!param_path(param)) return APP_QUIT_AT_ONCE;
    if (GetFileAttributesA(param) == INVALID_FILE_ATTRIBUTES) return relaunch_from_temporary_copy(kavtrel_command_line);
    take_handover(param);
    install_image_plugins(start_block.program);
    char script[COMMAND_LINE_BUF];
    if (script_text_of(start_block.command_line, script, sizeof script)) return script_mode(script);

    bool first_start = first_start_of_layout();
    browser_list_init();
    install_program_hooks();
    setup_archive_work_folders();
    create_browser_page();
    temporary_housekeeping(first_start);
    _selectpage(0, browser_list.page);
    build_main_menu(main_frame());
    HACCEL accel = LoadAcceleratorsA(kavtrel_instance, MAKEINTRESOURCEA(116));
    if (accel) add_page_accel(main_frame(), accel);
    // The program's message boxes and dialogs belong to its window: modal to
    // it, and seen by it while they wait for the user.
    message_box_owner = main_frame();

    {
        busy_guard busy(BUSY_WAIT);
        layout_list();
        fit_window_to_list();
        _page_resize(browser_list.page, 0, 0, nullptr);
        load_start_settings();
        HWND frame = main_frame();
        POINT at;
        if (measure_other_instances(&at) > 0) {
            RECT given, moved;
            GetWindowRect(frame, &given);
            _page_move(browser_list.page, at.x, at.y);
            GetWindowRect(frame, &moved);
            note_cascade_move(given, moved);
        }
        _progress(browser_list.page, 0, 0, 1);
        UpdateWindow(frame);
        SetForegroundWindow(frame);
        ShowWindow(frame, SW_SHOWNORMAL);
        reload_toolbar_pictures();
        HDC dc = GetDC(frame);
        browser_list.bits_per_pixel = GetDeviceCaps(dc, BITSPIXEL);
        ReleaseDC(frame, dc);
        check_colour_depth();
        save_user_settings();

        start_options o;
        char folder[PATH_BUF], file[PATH_BUF];
        apply_command_line(&o, folder, file);
        open_start_folder(o, folder, file);
        if (o.expand_level) confirm_expand_all(o.expand_level, o.viewer || o.full_screen);
        // The viewer steps over the entries by their names.
        if (o.viewer || o.full_screen) find_all_first_files();
        if (o.viewer) open_viewer(0, o.direction, 0);
        if (o.full_screen) open_viewer(0, o.direction, 1);
        install_drop_hook();
        _pump();
    }
    _pump();
    return 0;
}
