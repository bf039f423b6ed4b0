// Shortcut files (.lnk) written and read through the shell-link object.
#pragma once

// Writes a shortcut to target. Optional texts (null, empty or beginning with
// "NULL" mean absent): arguments, working folder, show state ("min" or "max"
// anywhere in it), icon "file,index". 1 when the shortcut was saved, else 0.
int create_shortcut(const char* shortcut, const char* target, const char* arguments, const char* folder,
                    const char* show, const char* icon);

// The target path of a shortcut into out (260 bytes); out stays empty when the
// shortcut cannot be read. COM must be initialised on the calling thread.
// Returns the platform's result of reading the target.
long read_shortcut_path(const char* shortcut, char* out);
