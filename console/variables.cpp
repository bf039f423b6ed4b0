// The dollar variables of console commands and the text-editor command that
// $AppFile stands for. Expansion works in a bounded buffer of its own: a rest
// that would grow past it is refused rather than cut, and a value that holds
// a variable's token is refused rather than expanded again and again.
#include "console/commands.h"
#include "files/files.h"
#include <windows.h>
#include <cctype>
#include <cstring>

char text_editor_command[512];

namespace {

bool editor_looked_up = false;

void look_up_editor()
{
    if (editor_looked_up) return;
    editor_looked_up = true;
    char command[REG_TEXT_BUF];
    if (!assoc_open_command(".txt", command)) return;
    cut_after_exe(command);
    text_copy(text_editor_command, command);
}

char windows_drive()
{
    char windows[PATH_BUF];
    return GetWindowsDirectoryA(windows, sizeof windows) ? windows[0] : 'C';
}

void env_or(const char* name, char* out, size_t cap, const char* fallback_fmt)
{
    DWORD n = GetEnvironmentVariableA(name, out, (DWORD)cap);
    if (n && n < cap) return;
    text_format(out, cap, fallback_fmt, windows_drive());
}

// The value of variable i into out (PATH_BUF bytes at least).
void value_of(int i, char* out, size_t cap)
{
    out[0] = 0;
    switch (i) {
    case 0: text_format(out, cap, "%c", windows_drive()); break;
    case 1: GetWindowsDirectoryA(out, (UINT)cap); break;
    case 2: GetSystemDirectoryA(out, (UINT)cap); break;
    case 3: get_special_folder("Desktop", out); break;
    case 4:
        if (get_special_folder("Desktop", out) && parent_folder(out, out, cap)) remove_backslash(out);
        break;
    case 5: get_special_folder("Personal", out); break;
    case 6: get_special_folder("Mypictures", out); break;
    case 7: get_special_folder("Commondocs", out); break;
    case 8: get_special_folder("SendTo", out); break;
    case 9: break;  // $FD: nothing in the program sets it
    case 10: env_or("AppDir", out, cap, "%c:\\progra~1"); break;
    case 11:
        env_or("temp", out, cap, "%c:");
        remove_backslash(out);
        break;
    case 12:
        look_up_editor();
        text_copy(out, cap, text_editor_command);
        break;
    case 13: GetWindowsDirectoryA(out, (UINT)cap); break;
    case 14: GetSystemDirectoryA(out, (UINT)cap); break;
    }
}

const char* const variables[] = {
    "$WinDrv", "$WinDir", "$WinSys", "$Desktop", "$Local",   "$Mydocuments", "$Mypictures", "$Commondocs",
    "$SendTo", "$FD",     "$AppDir", "$temp",    "$AppFile", "$Bin",         "$Dlls",
};

}  // namespace

bool expand_variables(const char* text, char* out, size_t cap)
{
    if (!text_copy(out, cap, text ? text : "")) return false;
    trim(out);
    if (!mb_strchr(out, '$')) return true;
    for (int i = 0; i < (int)(sizeof variables / sizeof variables[0]); i++) {
        if (!mb_strstr(out, variables[i])) continue;
        char value[1024];
        value_of(i, value, sizeof value);
        for (const char* v : variables)
            if (mb_strstr(value, v)) {
                out[0] = 0;
                return false;
            }
        if (!replace_all(out, cap, variables[i], value)) {
            out[0] = 0;
            return false;
        }
    }
    return true;
}

char* cut_after_exe(char* line)
{
    if (!line) return nullptr;
    trim(line);
    size_t n = strlen(line);
    if (n >= 2 && line[0] == '"' && line[n - 1] == '"') {
        memmove(line, line + 1, n - 2);
        line[n - 2] = 0;
    } else if (line[0] == '"') {
        // "C:\x\a.exe" args: the quotes around the program alone
        char* close = mb_strchr(line + 1, '"');
        if (close) {
            memmove(close, close + 1, strlen(close + 1) + 1);
            memmove(line, line + 1, strlen(line + 1) + 1);
        }
    }
    for (char* p = line; *p; p = const_cast<char*>(mb_next(p))) {
        if (p[0] != '.' || tolower((unsigned char)p[1]) != 'e' || tolower((unsigned char)p[2]) != 'x' ||
            tolower((unsigned char)p[3]) != 'e')
            continue;
        if (p[4] == '\\') continue;
        char* after = p + 4;
        char follower = *after;
        *after = 0;
        CharLowerA(line);
        if (!follower) return nullptr;
        return *(after + 1) ? after + 1 : nullptr;
    }
    return nullptr;
}
