// Paths of the shell's special folders, chosen by name.
#pragma once

// "Personal" documents (CSIDL 5), "Mypictures" (39), "Commondocs" (46),
// "SendTo" (9); any other name the desktop folder on disk (16). The name is
// matched by its start. Writes a 260-byte path; 1 on success, 0 otherwise.
int get_special_folder(const char* name, char* out);
