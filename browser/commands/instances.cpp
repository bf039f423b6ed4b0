// Other instances (found by the common ending of their titles), new windows,
// help, and what every instance does when it ends or gets files dropped on it.
#include "browser/model/start.h"
#include "browser/operations/archive_commands.h"
#include "browser/commands/instances.h"
#include "browser/viewer/viewer.h"
#include "browser/model/seams.h"
#include "browser/model/browser_list.h"
#include "browser/model/busy.h"
#include "browser/grid/grid.h"
#include "browser/grid/list_view.h"
#include "browser/model/paths.h"
#include "files/files.h"
#include "browser/model/history.h"
#include "browser/caches/thumb_cache.h"
#include "browser/archives/archive_folder.h"
#include "browser/commands/settings.h"
#include "graphics/kavtrel.h"
#include <cstring>

enum { INSTANCE_MAX = 64 };

static int find_instances(HWND* table)
{
    return find_windows_by_title(instance_title_ending, TITLE_ENDS, 1, table, INSTANCE_MAX);
}

static HWND main_frame()
{
    HWND child = _page_hwnd(browser_list.page);
    return child ? GetParent(child) : nullptr;
}

int measure_other_instances(POINT* out)
{
    HWND found[INSTANCE_MAX];
    int n = find_instances(found);
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    *out = {0, 0};
    for (int i = 0; i < n; i++) {
        WINDOWPLACEMENT wp = {sizeof wp};
        if (!GetWindowPlacement(found[i], &wp)) continue;
        LONG x = wp.rcNormalPosition.left + area.left, y = wp.rcNormalPosition.top + area.top;
        if (x > out->x) out->x = x;
        if (y > out->y) out->y = y;
    }
    if (n > 0) {
        int step = GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYBORDER) + GetSystemMetrics(SM_CYCAPTION);
        out->x += step;
        out->y += step;
    }
    return n;
}

// The windows are collected before any is closed; the others get the close
// command first, and this instance's own frame is closed by a posted command,
// so that its pages are not freed while its own dispatch is still running.
void close_other_instances()
{
    HWND found[INSTANCE_MAX];
    int n = find_instances(found);
    HWND own = main_frame();
    for (int i = 0; i < n; i++)
        if (found[i] != own) SendMessageA(found[i], WM_COMMAND, CMD_EXIT, 0);
    for (int i = 0; i < n; i++)
        if (found[i] == own) PostMessageA(own, WM_COMMAND, CMD_EXIT, 0);
}

void start_new_instance(const char* command_line)
{
    settings_record handed;
    write_handover_settings(&handed);
    handover_block b;
    char exe[PATH_BUF], param[PATH_BUF];
    if (!fill_handover(&b, 0, command_line) || !zote_bin_path("zote.exe", exe) || !zote_bin_path("param", param)) {
        kavtrel_message_box(main_frame(), "ｺﾏﾝﾄﾞﾗｲﾝまたはﾊﾟｽが長すぎます．", "ZOTE", MB_OK);
        return;
    }
    // The new window runs this instance's own program when no copy exists.
    if (GetFileAttributesA(exe) == INVALID_FILE_ATTRIBUTES) text_copy(exe, b.program);
    if (!write_handover(param, b)) return;
    if (!run_program("\"%s\"", exe)) DeleteFileA(param);
}

void open_new_window_on_ctrl_release(const char* command_line)
{
    {
        busy_guard busy(BUSY_WAIT);
        _pump();
        while (GetKeyState(VK_CONTROL) < 0) {
            _pump();
            _status_printf(browser_list.page, "%s", "Ctrlｷｰを離すと新ｳｨﾝﾄﾞｳが開きます...");
            Sleep(20);
        }
        start_new_instance(command_line);
        _pump();
    }
    _pump();
}

// A folder inside this window's archive is named by the archive's own path
// with a backslash at its end: the new window opens the archive as a folder
// of its own, never this window's work folder.
int new_window_line(const char* path, char* line, size_t cap)
{
    char shown[PATH_BUF];
    if (!archive_shown_folder(path, shown)) return text_format(line, cap, "\"%s\"", path);
    remove_backslash(shown);
    return text_format(line, cap, "\"%s\\\"", shown);
}

void open_folder_on_ctrl_release(const char* folder)
{
    char line[PATH_BUF + 4];
    if (new_window_line(folder, line, sizeof line)) open_new_window_on_ctrl_release(line);
}

void open_new_window_for_path(const char* path)
{
    char line[PATH_BUF + 3];
    if (!text_format(line, sizeof line, "\"%s\"", path)) return;
    busy_guard busy(BUSY_WAIT);
    start_new_instance(line);
}

void show_help()
{
    char help[PATH_BUF];
    DWORD n = GetModuleFileNameA(nullptr, help, sizeof help);
    if (!n || n >= sizeof help) return;
    char* dot = mb_strrchr(help, '.');
    if (dot) *dot = 0;
    if (!text_append(help, ".hlp")) return;
    RECT a;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &a, 0);
    int half = (a.right - a.left) / 2;
    int W = GetSystemMetrics(SM_CXSCREEN), H = GetSystemMetrics(SM_CYSCREEN);
    HELPWININFOA info = {};
    info.wStructSize = sizeof info;
    info.x = (a.left + half) * 1024 / W;
    info.y = a.top * 1024 / H;
    info.dx = half * 1024 / W;
    info.dy = ((a.bottom - a.top) * 3 / 4) * 1024 / H;
    info.wMax = 5;
    HWND window = current_page_frame() ? current_page_frame() : console_window();
    browser_seams.win_help(window, help, HELP_FORCEFILE, 0);
    browser_seams.win_help(window, help, HELP_SETWINPOS, reinterpret_cast<ULONG_PTR>(&info));
}

void app_on_exit()
{
    history_push(0, 0);
    HWND found[INSTANCE_MAX];
    if (find_instances(found) < 2) {
        busy_guard busy(BUSY_WAIT);
        _status_printf(browser_list.page, "%s", "終了中...");
        cache_clean(&thumb_cache.dir);
    }
    // Changes not yet in the archive are written back, or kept at the user's word, while the window still shows.
    settle_archive_work();
    HWND frame = main_frame();
    if (frame) ShowWindow(frame, SW_HIDE);
    clear_clipboard_staging();
    remove_archive_work_folder();
    HWND window = current_page_frame() ? current_page_frame() : console_window();
    browser_seams.win_help(window, nullptr, HELP_QUIT, 0);
}

void app_on_drop(int page, int count, char** names)
{
    if (page != 1 || count <= 0 || viewer_now.mode > 1 || viewer_now.full_screen) return;
    char opened[PATH_BUF] = "";
    for (int i = 0; i < count; i++) {
        char path[PATH_BUF];
        if (!names[i] || !text_copy(path, names[i]) || !path_exists(path, 0)) continue;
        char target[PATH_BUF];
        if (resolve_shortcut(path, target)) text_copy(path, target);
        unquote(path);
        DWORD a = GetFileAttributesA(path);
        if (a == INVALID_FILE_ATTRIBUTES) continue;
        if (!(a & FILE_ATTRIBUTE_DIRECTORY) && !parent_folder(path, path)) continue;
        // The files of one folder open it once, however many were dropped.
        if (opened[0] && text_equal_ci(path, opened)) continue;
        history_push(0, 0);
        if (!change_folder(path)) continue;
        text_copy(opened, path);
        leave_viewer(viewer_state);
        int first = history_push_entered();
        load_folder(nullptr, 0, first, nullptr, 0);
    }
}
