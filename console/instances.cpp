// The console's dealings with other windows and with numbered renames: the
// reload command posted to every instance, keys sent to windows by title, and
// renas, which names a folder's files after the lines of the running script.
#include "console/commands.h"
#include "console/script.h"
#include "files/files.h"
#include <windows.h>
#include <cstdlib>
#include <cstring>

namespace {
enum { MAX_WINDOWS = 64, CMD_RELOAD = 250, RENAS_NAMES = 4096, RENAS_NAME_BYTES = 256 * 1024 };
}

void reload_other_instances()
{
    HWND windows[MAX_WINDOWS];
    int n = find_windows_by_title(instance_title_ending, TITLE_ENDS, 1, windows, MAX_WINDOWS);
    for (int i = 0; i < n; i++) PostMessageA(windows[i], WM_COMMAND, CMD_RELOAD, 0);
}

void sendkey_to_windows(const char* title)
{
    if (!title || !*title) return;
    HWND windows[MAX_WINDOWS];
    int n = find_windows_by_title(title, 0, 1, windows, MAX_WINDOWS);
    for (int i = 0; i < n; i++) {
        SetForegroundWindow(windows[i]);
        ShowWindow(windows[i], SW_SHOW);
        keybd_event(VK_HOME, 0, 0, 0);
        keybd_event(VK_HOME, 0, KEYEVENTF_KEYUP, 0);
        keybd_event(VK_F10, 0, 0, 0);
    }
}

int numbered_copy(const char* pattern_text, FILE* script)
{
    if (!script || !pattern_text) return 0;
    char pattern[PATH_BUF];
    if (!full_path(pattern, sizeof pattern, pattern_text)) return 0;
    char folder[PATH_BUF];
    if (!parent_folder(pattern, folder)) return 0;
    char name_pattern[PATH_BUF];
    const char* name = file_name_of(pattern);
    if (!mb_strchr(name, '*')) {
        const char* dot = mb_strrchr(name, '.');
        if (!text_format(name_pattern, sizeof name_pattern, "*%s", dot ? dot : "")) return 0;
    } else if (!text_copy(name_pattern, name)) {
        return 0;
    }
    // The name table lives on the heap with its own bounds; a folder with
    // more names than it holds stops the listing (counted as a failure).
    char** names = static_cast<char**>(calloc(RENAS_NAMES, sizeof(char*)));
    char* bytes = static_cast<char*>(malloc(RENAS_NAME_BYTES));
    if (!names || !bytes) {
        free(names);
        free(bytes);
        return 0;
    }
    names[0] = bytes;
    walk_item rec = {};
    rec.names = names;
    rec.names_max = RENAS_NAMES;
    rec.names_end = bytes + RENAS_NAME_BYTES;
    walk_folder(nullptr, folder, name_pattern, &rec, collect_name_cb);
    int count = (int)rec.count;
    qsort(names, count, sizeof(char*), compare_names_ci);
    int result = 1;
    for (int i = 0; i < count; i++) {
        char line[SCRIPT_LINE_BUF];
        int got = read_script_line(script, line, sizeof line);
        if (got < 0) {
            say_script_line_too_long(line);
            result = -1;
        }
        if (got <= 0) break;
        trim(line);
        const char* dot = mb_strrchr(names[i], '.');
        char from[PATH_BUF], to_name[PATH_BUF], to[PATH_BUF];
        if (!path_join(from, folder, names[i]) ||
            !text_format(to_name, sizeof to_name, "%02d-%s%s", i + 1, line, dot ? dot : "") ||
            !path_join(to, folder, to_name))
            continue;
        if (MoveFileA(from, to))
            con_out("%s -> %s\n", from, to);
        else
            con_out("*** %s -> %s failed\n", from, to);
    }
    free(names);
    free(bytes);
    return result;
}
