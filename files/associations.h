// File-type associations below HKEY_CLASSES_ROOT: registering and removing a
// type's verbs, and reading the verbs and commands of a type. Key paths are
// texts of blank-separated key names, each optionally in double quotes.
#pragma once
#include <windows.h>

enum { REG_TEXT_BUF = 512, REG_VERB_BUF = 256, MAX_SHELL_VERBS = 10 };

// Sets a string value of a key path below HKEY_CLASSES_ROOT (created as needed).
LONG reg_set_string(const char* key_path, const char* value_name, const char* text);
// Deletes the key path itself (no subkey given) or the subkey below it, with
// everything below the deleted key.
LONG reg_delete_key(const char* key_path, const char* subkey);

// name: ".ext" or a type name ("Folder", "*"). A verb text beginning with '*'
// becomes the default verb; the verb key is verb_key, or the verb text without '&'.
void register_file_type(const char* name, const char* verb_key, const char* icon, const char* verb_text,
                        const char* command);
void unregister_file_type(const char* name, const char* verb_text, const char* verb_key);

// The command of the default verb (512 bytes).
int assoc_open_command(const char* ext, char* command);
// Up to 10 verbs with their menu texts (256 bytes each); the number of verbs.
int list_shell_verbs(const char* ext, char verbs[][REG_VERB_BUF], char texts[][REG_VERB_BUF]);
