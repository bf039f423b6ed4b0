// Opening registry key paths written as blank-separated key names.
#include "files/internal.h"
#include "files/strings.h"
#include "graphics/kavtrel.h"

HKEY reg_open_key_path(HKEY root, const char* key_path, int open_only)
{
    enum { KEY_PATH_BUF = 1024 };
    if (!root || is_empty_str(key_path)) return nullptr;
    char line[KEY_PATH_BUF];
    if (!text_copy(line, key_path)) return nullptr;
    HKEY current = root;
    bool opened_any = false;
    for (char* name = line; name;) {
        char* rest = next_arg(name);
        unquote(name);
        if (*name) {
            HKEY next = nullptr;
            if (RegOpenKeyA(current, name, &next) != ERROR_SUCCESS) {
                next = nullptr;
                if (!open_only) {
                    if (console_hooks.logging_on()) console_hooks.printf_hook(" %s created\n", name);
                    if (RegCreateKeyA(current, name, &next) != ERROR_SUCCESS) next = nullptr;
                }
            }
            if (opened_any) RegCloseKey(current);
            if (!next) return nullptr;
            current = next;
            opened_any = true;
        }
        name = rest;
    }
    return opened_any ? current : nullptr;
}
