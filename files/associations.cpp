// File-type associations and their verbs below HKEY_CLASSES_ROOT
// (see associations.h). Registry failures are silent: the operations stop.
#include "files/associations.h"
#include "base/holders.h"
#include "files/internal.h"
#include "files/strings.h"
#include "graphics/kavtrel.h"
#include <cstring>

int is_absent_arg(const char* text) { return !text || !*text || strncmp(text, "NULL", 4) == 0; }

static void log_text(const char* fmt, const char* a, const char* b)
{
    if (!console_hooks.logging_on()) return;
    char line[REG_TEXT_BUF * 2 + 8];
    text_format_cut(line, sizeof line, fmt, a, b);
    console_hooks.printf_hook("%s", line);
}

int reg_read_text(HKEY key, const char* value_name, char* out, DWORD cap)
{
    out[0] = 0;
    if (!key || cap < 2) return 0;
    DWORD type = 0, size = cap;
    LONG r = RegQueryValueExA(key, value_name, nullptr, &type, reinterpret_cast<BYTE*>(out), &size);
    if (r == ERROR_FILE_NOT_FOUND) {
        out[0] = 0;
        return 1;
    }  // a key without that value
    if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        out[0] = 0;
        return 0;
    }
    // The text may be stored with or without its terminator; it fits when
    // a terminator fits behind it.
    DWORD length = size;
    if (length > 0 && out[length - 1] == 0) length--;
    if (length >= cap) {
        out[0] = 0;
        return 0;
    }
    out[length] = 0;
    return 1;
}

static LONG set_default(HKEY key, const char* text)
{
    return RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(strlen(text) + 1));
}

// Deletes a key with all its subkeys (RegDeleteKeyA refuses keys that have any).
static LONG delete_key_tree(HKEY parent, const char* name)
{
    {
        reg_key key;
        LONG r = RegOpenKeyA(parent, name, key.receive());
        if (r != ERROR_SUCCESS) return r;
        char sub[REG_VERB_BUF];
        while (RegEnumKeyA(key.get(), 0, sub, sizeof sub) == ERROR_SUCCESS)
            if (delete_key_tree(key.get(), sub) != ERROR_SUCCESS) break;
    }
    return RegDeleteKeyA(parent, name);
}

// "a \"b c\" d" -> "a\\b c\\d" for the platform's calls that take a subkey path.
static bool key_path_to_subkey(const char* path, char* out, size_t cap)
{
    char work[REG_TEXT_BUF];
    if (!text_copy(work, path)) return false;
    out[0] = 0;
    char* p = work;
    while (p && *skip_blanks(p)) {
        char* rest = next_arg(p);
        unquote(p);
        if (*p) {
            if (out[0] && !text_append(out, cap, "\\")) return false;
            if (!text_append(out, cap, p)) return false;
        }
        p = rest;
    }
    return out[0] != 0;
}

LONG reg_set_string(const char* key_path, const char* value_name, const char* text)
{
    reg_key key;
    key.reset(reg_open_key_path(HKEY_CLASSES_ROOT, key_path, 0));
    if (!key) return ERROR_FILE_NOT_FOUND;
    if (!text) text = "";
    return RegSetValueExA(key.get(), value_name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(strlen(text) + 1));
}

LONG reg_delete_key(const char* key_path, const char* subkey)
{
    if (is_absent_arg(subkey)) {
        char sub[REG_TEXT_BUF];
        if (!key_path_to_subkey(key_path, sub, sizeof sub)) return ERROR_INVALID_PARAMETER;
        return delete_key_tree(HKEY_CLASSES_ROOT, sub);
    }
    reg_key key;
    key.reset(reg_open_key_path(HKEY_CLASSES_ROOT, key_path, 1));
    if (!key) return ERROR_FILE_NOT_FOUND;
    return delete_key_tree(key.get(), subkey);
}

// The verb key's name: the given key name, else the verb text without its '&' marks.
static bool verb_key_name(const char* verb_text, const char* verb_key, char* out, size_t cap)
{
    if (!is_absent_arg(verb_key)) return text_copy(out, cap, verb_key);
    size_t n = 0;
    for (const char* p = verb_text; *p;) {
        const char* q = mb_next(p);
        if (!(q - p == 1 && *p == '&')) {
            if (n + (q - p) >= cap) {
                out[0] = 0;
                return false;
            }
            memcpy(out + n, p, q - p);
            n += q - p;
        }
        p = q;
    }
    out[n] = 0;
    return true;
}

// A verb as register and unregister take it: "*" in front marks the default.
struct verb_names {
    bool is_default;
    const char* text;        // the menu text, without the "*"
    char key[REG_VERB_BUF];  // the verb key's name
};

// False when no verb is given or its key name would be empty or too long.
static bool read_verb(const char* verb_text, const char* verb_key, verb_names* v)
{
    if (is_absent_arg(verb_text)) return false;
    v->is_default = verb_text[0] == '*';
    v->text = v->is_default ? verb_text + 1 : verb_text;
    return verb_key_name(v->text, verb_key, v->key, sizeof v->key) && v->key[0];
}

// The type of an extension: the default value of its key. 0 when unreadable.
static int extension_type(const char* ext, char* type)
{
    type[0] = 0;
    reg_key key;
    if (RegOpenKeyA(HKEY_CLASSES_ROOT, ext, key.receive()) != ERROR_SUCCESS) return 0;
    return reg_read_text(key.get(), nullptr, type, REG_TEXT_BUF);
}

void register_file_type(const char* name, const char* verb_key, const char* icon, const char* verb_text,
                        const char* command)
{
    if (!name || !*name) return;
    reg_key type_key;
    if (name[0] == '.') {
        char type[REG_TEXT_BUF], description[REG_TEXT_BUF];
        reg_key ext_key;
        bool read = RegOpenKeyA(HKEY_CLASSES_ROOT, name, ext_key.receive()) == ERROR_SUCCESS &&
                    reg_read_text(ext_key.get(), nullptr, type, sizeof type);
        if (!read) {
            type[0] = 0;
            if (!ext_key && RegCreateKeyA(HKEY_CLASSES_ROOT, name, ext_key.receive()) != ERROR_SUCCESS) return;
        }
        if (is_absent_arg(type)) {
            // .jpg gives the type JPGfile described as "JPG file".
            char upper[REG_TEXT_BUF];
            if (!text_copy(upper, name + 1)) return;
            for (char* p = upper; *p; p = const_cast<char*>(mb_next(p)))
                if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
            if (!text_format(type, sizeof type, "%sfile", upper)) return;
            if (!text_format(description, sizeof description, "%s file", upper)) return;
            set_default(ext_key.get(), type);
            if (RegCreateKeyA(HKEY_CLASSES_ROOT, type, type_key.receive()) != ERROR_SUCCESS) return;
            set_default(type_key.get(), description);
        } else {
            if (RegOpenKeyA(HKEY_CLASSES_ROOT, type, type_key.receive()) != ERROR_SUCCESS) return;
            reg_read_text(type_key.get(), nullptr, description, sizeof description);
        }
        log_text(" %s(%s)\n", type, description);
        if (!is_absent_arg(icon)) {
            reg_key icon_key;
            if (RegCreateKeyA(type_key.get(), "DefaultIcon", icon_key.receive()) == ERROR_SUCCESS)
                set_default(icon_key.get(), icon);
        }
    } else if (RegOpenKeyA(HKEY_CLASSES_ROOT, name, type_key.receive()) != ERROR_SUCCESS) {
        return;
    }
    verb_names v;
    if (!read_verb(verb_text, verb_key, &v)) return;
    reg_key shell, verb, cmd;
    if (RegCreateKeyA(type_key.get(), "Shell", shell.receive()) != ERROR_SUCCESS) return;
    if (v.is_default) set_default(shell.get(), v.key);
    if (RegCreateKeyA(shell.get(), v.key, verb.receive()) != ERROR_SUCCESS) return;
    set_default(verb.get(), v.text);
    if (RegCreateKeyA(verb.get(), "command", cmd.receive()) != ERROR_SUCCESS) return;
    set_default(cmd.get(), command ? command : "");
}

void unregister_file_type(const char* name, const char* verb_text, const char* verb_key)
{
    if (!name || !*name) return;
    reg_key type_key;
    if (name[0] == '.') {
        char type[REG_TEXT_BUF], description[REG_TEXT_BUF];
        if (!extension_type(name, type) || !type[0]) return;
        if (RegOpenKeyA(HKEY_CLASSES_ROOT, type, type_key.receive()) != ERROR_SUCCESS) return;
        reg_read_text(type_key.get(), nullptr, description, sizeof description);
        log_text(" %s(%s)\n", type, description);
    } else if (RegOpenKeyA(HKEY_CLASSES_ROOT, name, type_key.receive()) != ERROR_SUCCESS) {
        return;
    }
    verb_names v;
    if (!read_verb(verb_text, verb_key, &v)) return;
    delete_key_tree(type_key.get(), "DefaultIcon");
    reg_key shell;
    if (RegOpenKeyA(type_key.get(), "Shell", shell.receive()) != ERROR_SUCCESS) return;
    delete_key_tree(shell.get(), v.key);
    if (v.is_default) RegDeleteValueA(shell.get(), nullptr);
}

int open_type_shell_key(const char* ext, char* type, HKEY* type_key, HKEY* shell_key)
{
    *type_key = *shell_key = nullptr;
    type[0] = 0;
    if (!ext) return 0;
    if (strncmp(ext, "Folder", 6) == 0) {
        if (!text_copy(type, REG_TEXT_BUF, ext)) return 0;
    } else if (!extension_type(ext, type)) {
        return 0;
    }
    if (!type[0]) return 0;
    if (RegOpenKeyA(HKEY_CLASSES_ROOT, type, type_key) != ERROR_SUCCESS) {
        *type_key = nullptr;
        return 0;
    }
    if (RegOpenKeyA(*type_key, "shell", shell_key) != ERROR_SUCCESS) {
        RegCloseKey(*type_key);
        *type_key = *shell_key = nullptr;
        return 0;
    }
    return 1;
}

static int default_verb_of(HKEY shell, char* verb)
{
    if (!reg_read_text(shell, nullptr, verb, REG_VERB_BUF)) return 0;
    trim(verb);
    if (!verb[0]) text_copy(verb, REG_VERB_BUF, "open");
    return 1;
}

int default_verb(const char* ext, char* verb)
{
    verb[0] = 0;
    char type[REG_TEXT_BUF];
    reg_key type_key, shell;
    if (!open_type_shell_key(ext, type, type_key.receive(), shell.receive())) return 0;
    return default_verb_of(shell.get(), verb);
}

int assoc_open_command(const char* ext, char* command)
{
    command[0] = 0;
    char type[REG_TEXT_BUF], verb[REG_VERB_BUF], sub[REG_VERB_BUF + 16];
    reg_key type_key, shell, cmd;
    if (!open_type_shell_key(ext, type, type_key.receive(), shell.receive())) return 0;
    if (!default_verb_of(shell.get(), verb)) return 0;
    if (!text_format(sub, sizeof sub, "%s\\command", verb)) return 0;
    if (RegOpenKeyA(shell.get(), sub, cmd.receive()) != ERROR_SUCCESS) return 0;
    if (!reg_read_text(cmd.get(), nullptr, command, REG_TEXT_BUF)) return 0;
    return command[0] ? 1 : 0;
}

int list_shell_verbs(const char* ext, char verbs[][REG_VERB_BUF], char texts[][REG_VERB_BUF])
{
    char type[REG_TEXT_BUF];
    reg_key type_key, shell;
    if (!open_type_shell_key(ext, type, type_key.receive(), shell.receive())) return 0;
    int n = 0;
    while (n < MAX_SHELL_VERBS && RegEnumKeyA(shell.get(), n, verbs[n], REG_VERB_BUF) == ERROR_SUCCESS) n++;
    for (int i = 0; i < n; i++) {
        reg_key verb;
        if (RegOpenKeyA(shell.get(), verbs[i], verb.receive()) != ERROR_SUCCESS) return 0;
        if (!reg_read_text(verb.get(), nullptr, texts[i], REG_VERB_BUF)) return 0;
        trim(texts[i]);
        if (!texts[i][0]) text_copy(texts[i], REG_VERB_BUF, verbs[i]);
    }
    return n;
}
