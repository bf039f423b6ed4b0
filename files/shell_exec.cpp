// Shell execution of verbs and programs (see shell_exec.h).
#include "files/shell_exec.h"
#include "files/internal.h"
#include "files/associations.h"
#include "files/fs_query.h"
#include "files/strings.h"
#include "base/cptext.h"
#include <windows.h>
#include <shellapi.h>
#include <cstdarg>

static int shell_open(const char* verb, const char* path)
{
    HINSTANCE r = ShellExecuteA(nullptr, verb, path, nullptr, nullptr, SW_SHOWDEFAULT);
    return reinterpret_cast<INT_PTR>(r) > 32 ? 1 : 0;
}

int open_with_association(const char* path, int choice)
{
    char full[PATH_BUF];
    if (!full_path(full, sizeof full, path)) return 0;
    const char* ext;
    DWORD attributes = GetFileAttributesA(full);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ext = "Folder";
    } else {
        ext = mb_strrchr(file_name_of(full), '.');
        if (!ext) {
            shell_open(nullptr, path);
            return 0;
        }
    }
    char verbs[MAX_SHELL_VERBS][REG_VERB_BUF], texts[MAX_SHELL_VERBS][REG_VERB_BUF];
    const char* verb = nullptr;
    if (choice >= 0) {
        int n = list_shell_verbs(ext, verbs, texts);
        if (choice < n) verb = verbs[choice];
    } else if (default_verb(ext, verbs[0])) {
        verb = verbs[0];
    }
    return shell_open(verb, path);
}

int run_program(const char* format, ...)
{
    char line[512];
    va_list ap;
    va_start(ap, format);
    bool fits = text_vformat(line, sizeof line, format, ap);
    va_end(ap);
    if (!fits) return 0;
    return WinExec(line, SW_SHOWNORMAL) > 31 ? 1 : 0;
}
