// Moves into an archive folder that lose nothing. The items are copied into
// the folder, the archive is written back, and only then do their sources
// go. When the write-back fails the folder is put back as the archive holds
// it (what the move added removed, what it replaced or took out restored)
// and every source stays where it was; the message says so.
#pragma once
#include "browser/operations/file_clipboard.h"
#include <string>
#include <vector>

struct archive_move {
    std::string folder;                     // where the items are placed
    std::vector<std::string> names_before;  // the names it held before
    std::string aside;                      // the instance's "aside" folder
    struct kept {
        std::string path, copy;  // an item of the archive folder and where it waits
        bool taken_out;          // moved there (it leaves the folder), or copied (it may be replaced)
    };
    std::vector<kept> kept;
    struct placed {
        std::string source, destination;
        std::string leaving;  // an entry of the archive folder the source stands for (a staged cut), or ""
        bool staged;          // the source is a staged copy, no file of the user's
    };
    std::vector<placed> items;
    int next_aside = 0;
};

// Notes the folder's names; 0 when the folder for copies set aside cannot be made.
int archive_move_begin(archive_move* m, const char* folder);
// Before an item is placed at destination: what is there is copied aside,
// so that it can be put back. 0 when it could not be (nothing may go there).
int archive_move_keep(archive_move* m, const char* destination);
// An item placed: its source goes once the archive is written back; so does
// leaving, an entry of the archive folder the source stood for.
void archive_move_placed(archive_move* m, const char* source, const char* destination, const char* leaving,
                         bool staged);
// Writes the archive back. Written: the sources go (what could not is noted
// in left). Not written: the folder is put back and the message names the
// archive and says that what (such as "切り取ったファイル") stayed. 1 when
// written back (or when nothing changed).
int archive_move_finish(archive_move* m, left_at_source* left, const char* what);

// "<archive>\n書庫に書き戻せなかったので，<what>は元の場所に残っています．"
void say_stayed_at_source(const char* archive, const char* what);
// 1, after saying so, when path is the archive or a folder holding it:
// placed into the archive, it would go into itself. operation: "貼付", "移動".
int refuse_archive_into_itself(const char* path, const char* archive, const char* operation);
