// Registry key paths: blank-separated key names, each optionally in double
// quotes, opened (or created) one below the other.
#pragma once
#include <windows.h>

// Opens each name of key_path in turn below root. A missing key gives null
// when open_only is set; otherwise it is created (printing " %s created\n"
// while logging is on). The result is the last key (close it with
// RegCloseKey), or null when nothing could be opened or the path is empty.
HKEY reg_open_key_path(HKEY root, const char* key_path, int open_only);
