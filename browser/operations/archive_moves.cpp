// Moves into an archive folder (see archive_moves.h). What the folder held
// before waits in the instance's "aside" folder until the archive is written
// back: a copy of an item the move may replace, or an entry that leaves the
// folder. Everything lies on the drive of the work folder, so putting it
// back is a rename.
#include "browser/operations/archive_moves.h"
#include "browser/archives/archive_folder.h"
#include "browser/model/paths.h"
#include "base/holders.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include <algorithm>

namespace {

std::vector<std::string> names_in(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA f;
    find_handle h(FindFirstFileA((folder + "\\*").c_str(), &f));
    if (!h) return names;
    do {
        if (strcmp(f.cFileName, ".") != 0 && strcmp(f.cFileName, "..") != 0) names.push_back(f.cFileName);
    } while (FindNextFileA(h.get(), &f));
    return names;
}

bool listed(const std::vector<std::string>& names, const char* name)
{
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& n) { return text_equal_ci(n.c_str(), name); });
}

// A free name in the aside folder (PATH_BUF).
bool aside_name(archive_move* m, char* out)
{
    char name[16];
    text_format(name, sizeof name, "%d", m->next_aside++);
    return path_join(out, PATH_BUF, m->aside.c_str(), name);
}

// The entries that leave the folder go aside; a folder that holds the copy
// pasted into it stays, as the cut paste leaves it.
void take_out_leaving(archive_move* m)
{
    for (const archive_move::placed& p : m->items) {
        const char* leaving = p.leaving.c_str();
        char copy[PATH_BUF];
        if (!*leaving || !item_exists(leaving) || (is_folder(leaving) && is_prefix_folder(p.destination.c_str(), leaving)))
            continue;
        if (aside_name(m, copy) && MoveFileA(leaving, copy)) m->kept.push_back({leaving, copy, true});
    }
}

// The folder as the archive holds it: what the move added goes, what it
// replaced or took out comes back.
void put_back(archive_move* m)
{
    for (const std::string& name : names_in(m->folder)) {
        char path[PATH_BUF];
        if (!listed(m->names_before, name.c_str()) && path_join(path, m->folder.c_str(), name.c_str()))
            rm_item(path);
    }
    for (auto k = m->kept.rbegin(); k != m->kept.rend(); ++k) {
        rm_item(k->path.c_str());
        MoveFileA(k->copy.c_str(), k->path.c_str());
    }
}

}  // namespace

int archive_move_begin(archive_move* m, const char* folder)
{
    char aside[PATH_BUF];
    m->folder = folder;
    m->names_before = names_in(m->folder);
    if (!path_join(aside, archive_work.instance_folder, "aside")) return 0;
    m->aside = aside;
    rm_tree(aside);
    md_path(aside);
    return is_folder(aside) ? 1 : 0;
}

int archive_move_keep(archive_move* m, const char* destination)
{
    if (!item_exists(destination)) return 1;
    char copy[PATH_BUF];
    if (!aside_name(m, copy) || !cp_file(destination, copy)) return 0;
    m->kept.push_back({destination, copy, false});
    return 1;
}

void archive_move_placed(archive_move* m, const char* source, const char* destination, const char* leaving,
                         bool staged)
{
    m->items.push_back({source, destination, leaving ? leaving : "", staged});
}

int archive_move_finish(archive_move* m, left_at_source* left, const char* what)
{
    char archive[PATH_BUF] = "";
    int written = 1;
    if (!m->items.empty()) {
        take_out_leaving(m);
        written = read_open_archive(archive) && pack_open_archive(nullptr);
    }
    if (written) {
        for (const archive_move::placed& p : m->items)
            if (p.staged)
                rm_item(p.source.c_str());
            else
                remove_moved_source(p.source.c_str(), p.destination.c_str(), left);
    } else {
        put_back(m);
        say_stayed_at_source(archive, what);
    }
    rm_tree(m->aside.c_str());
    return written;
}

void say_stayed_at_source(const char* archive, const char* what)
{
    char text[1024];
    text_format_cut(text, sizeof text, "%s\n書庫に書き戻せなかったので，%sは元の場所に残っています．", archive, what);
    kavtrel_message_box(message_box_owner, text, "ZOTE - 警告", MB_OK | MB_ICONEXCLAMATION);
}

int refuse_archive_into_itself(const char* path, const char* archive, const char* operation)
{
    char full[PATH_BUF];
    if (!full_path(full, sizeof full, path)) return 0;
    remove_backslash(full);
    bool itself = text_equal_ci(full, archive) || same_item(full, archive) == 1 ||
                  (is_folder(full) && is_prefix_folder(archive, full));
    if (!itself) return 0;
    char text[1024];
    text_format_cut(text, sizeof text, "%s\n書庫をその書庫自身の中へ%sすることはできないので，%sを中止します．",
                    archive, operation, operation);
    kavtrel_message_box(message_box_owner, text, "ZOTE - 警告", MB_OK | MB_ICONEXCLAMATION);
    return 1;
}
