// The settings the list model reads. The settings file (with its full record)
// fills these; until it does, the defaults below hold.
#pragma once

struct list_settings {
    int hidden;   // list hidden entries
    int all;      // list every file, whatever its extension (but ".msg")
    int textpic;  // list text files
};
