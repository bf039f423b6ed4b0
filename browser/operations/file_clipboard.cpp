// The file clipboard (see file_clipboard.h): the shell's CF_HDROP list with
// its "Preferred DropEffect", written from the marked entries and read
// through the OLE clipboard, so that Explorer and other instances exchange
// files with the browser; the paste loops with their space check.
#include "browser/operations/file_clipboard.h"
#include "browser/model/clipboard_files.h"
#include "browser/model/browser_list.h"
#include "browser/model/busy.h"
#include "browser/operations/entry_ops.h"
#include "browser/operations/archive_commands.h"
#include "browser/operations/archive_moves.h"
#include "browser/archives/archive_folder.h"
#include "browser/model/paths.h"
#include "browser/grid/selection.h"
#include "base/holders.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include <ole2.h>
#include <shlobj.h>
#include <cstring>
#include <vector>

paste_record last_paste;

static browser_list_record& L = browser_list;

// Writing -----------------------------------------------------------------------

// The drive test writes a file on the drive: each drive is tried once per list.
namespace {
struct drive_answers {
    signed char read_only[256] = {};  // by the path's first byte: 0 not tried, 1 read-only, -1 writable
    bool of(const char* path)
    {
        signed char& a = read_only[BYTE(path[0])];
        if (!a) a = is_drive_writable(path) != 0 ? 1 : -1;
        return a > 0;
    }
};
}  // namespace

int clipboard_set_file_list(int cut)
{
    // One path slot with its terminator per entry, the header, the final terminator.
    size_t cap = sizeof(DROPFILES) + size_t(L.selected_count) * PATH_BUF + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, cap);
    if (!block) return 0;
    bool ok = L.selected_count > 0;
    begin_clipboard_staging();
    drive_answers drives;
    {
        global_lock bytes(block);
        if (!bytes) ok = false;
        DROPFILES* header = reinterpret_cast<DROPFILES*>(bytes.get());
        if (ok) header->pFiles = sizeof(DROPFILES);
        size_t used = sizeof(DROPFILES);
        for (int i = 0; ok && i < L.count; i++) {
            if (!is_marked(i)) continue;
            char path[PATH_BUF], listed[PATH_BUF];
            if (!entry_full_path(i, path) || !clipboard_entry_path(path, cut, listed))
                ok = false;
            else if (cut && drives.of(listed))
                ok = false;
            else if (used + strlen(listed) + 2 > cap)
                ok = false;
            else {
                memcpy(bytes.get() + used, listed, strlen(listed) + 1);
                used += strlen(listed) + 1;
            }
        }
    }
    if (!ok || !SetClipboardData(CF_HDROP, block)) {
        GlobalFree(block);
        return 0;
    }
    return 1;
}

int copy_or_cut_to_clipboard(int cut)
{
    clipboard_open open(GetAncestor(_page_hwnd(L.page), GA_ROOT));
    if (!open) return 0;
    EmptyClipboard();
    HGLOBAL effect = GlobalAlloc(GMEM_MOVEABLE, sizeof(DWORD));
    if (effect) {
        DWORD value = cut ? DROPEFFECT_MOVE : (DROPEFFECT_COPY | DROPEFFECT_LINK);
        {
            global_lock bytes(effect);
            if (bytes) memcpy(bytes.get(), &value, sizeof value);
        }
        if (!SetClipboardData(drop_effect_format(), effect)) GlobalFree(effect);
    }
    if (clipboard_set_file_list(cut)) return 1;
    kavtrel_message_box(message_box_owner, "このファイルは切り取れません．", "ZOTE - 警告", MB_ICONEXCLAMATION);
    EmptyClipboard();
    return 0;
}

// The space check ------------------------------------------------------------------

namespace {
struct space_need {
    double kilobytes;
    double clusters;
    drive_clusters drive;
};
space_need* current_need;

void add_file(space_need* n, double size)
{
    n->kilobytes += size * 0.001;
    n->clusters += clusters_for(size, n->drive);
}

int need_file_cb(walk_item* item)
{
    const WIN32_FIND_DATAA& f = *item->find_data;
    add_file(current_need, f.nFileSizeHigh * 4294967296.0 + f.nFileSizeLow);
    return 1;
}
}  // namespace

// Every file takes whole clusters of the current drive, so the need is
// counted in clusters; the message shows them as sectors. A move on one
// drive needs none.
int paste_space_check(clipboard_read_state* s, bool moves)
{
    space_need need = {};
    if (!get_drive_clusters(current_folder.folder, &need.drive)) return 1;
    double free_bytes = disk_free_bytes(current_folder.folder);
    char first[PATH_BUF] = "";
    clipboard_file(s, 0, first);
    if (moves && first[0] &&
        CharUpperA(LPSTR(size_t(BYTE(first[0])))) == CharUpperA(LPSTR(size_t(BYTE(current_folder.folder[0])))))
        return 1;
    for (int i = 0; i < s->count; i++) {
        char path[PATH_BUF];
        if (!clipboard_file(s, i, path)) continue;
        // One look at each file: thousands of them are checked before the first is pasted.
        WIN32_FILE_ATTRIBUTE_DATA a;
        if (!GetFileAttributesExA(path, GetFileExInfoStandard, &a)) continue;
        if (a.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            walk_item record = {};
            current_need = &need;
            walk_tree(path, "*.*", &record, need_file_cb, nullptr, nullptr, nullptr);
            current_need = nullptr;
        } else {
            add_file(&need, a.nFileSizeHigh * 4294967296.0 + a.nFileSizeLow);
        }
    }
    if (need.clusters < need.drive.free_clusters) return 1;
    double per_cluster = need.drive.sectors_per_cluster;
    double free_sectors = per_cluster * need.drive.free_clusters, needed = per_cluster * need.clusters;
    char text[1024];
    // The needed sectors are formatted as an integer, so they are passed as one.
    int needed_sectors = needed > 2147483647.0 ? 2147483647 : int(needed);
    text_format_cut(text, sizeof text,
                    "ディスク容量が足りないので貼付を中止します．\n　\n  空き容量  %.0lfKB (%.0lfセクタ)\n  必要容量  "
                    "%.0lfKB (%dセクタ)\n%s",
                    free_bytes * 0.001, free_sectors, need.kilobytes, needed_sectors,
                    s->cut ? "\n切り取ったファイル/フォルダは復元されます．" : "");
    kavtrel_message_box(message_box_owner, text, "ZOTE", MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

// The paste loops ------------------------------------------------------------------

enum paste_kind { PASTE_ITEMS, PASTE_SHORTCUTS, PASTE_FOLDERS };

// An entry cut inside the archive folder is as it was cut when its staged
// copy (this list's own, by its path) has its size and time; a folder when
// it holds the same names, folder for folder, and every file is so. Only
// then does the entry go once the copy has arrived: a file put into the
// folder since the cut would go with it without ever being pasted.
static bool same_as_staged(const char* original, const char* staged)
{
    WIN32_FILE_ATTRIBUTE_DATA a, b;
    if (!GetFileAttributesExA(original, GetFileExInfoStandard, &a) ||
        !GetFileAttributesExA(staged, GetFileExInfoStandard, &b))
        return false;
    bool folder = (a.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (folder != ((b.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)) return false;
    if (!folder)
        return a.nFileSizeLow == b.nFileSizeLow && a.nFileSizeHigh == b.nFileSizeHigh &&
               CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) == 0;
    // Every name of the original has its like in the copy, and the copy holds no more.
    int names = 0, copies = 0;
    char pattern[PATH_BUF], in_original[PATH_BUF], in_copy[PATH_BUF];
    WIN32_FIND_DATAA f;
    for (const char* side : {original, staged}) {
        if (!path_join(pattern, side, "*")) return false;
        find_handle h(FindFirstFileA(pattern, &f));
        if (!h) return false;
        do {
            if (!strcmp(f.cFileName, ".") || !strcmp(f.cFileName, "..")) continue;
            if (side == staged) {
                copies++;
                continue;
            }
            names++;
            if (!path_join(in_original, original, f.cFileName) || !path_join(in_copy, staged, f.cFileName) ||
                !same_as_staged(in_original, in_copy))
                return false;
        } while (FindNextFileA(h.get(), &f));
    }
    return names == copies;
}

// Pasted into an archive folder, the open archive itself, or a folder
// holding it, would go into itself: the paste is refused before it starts.
static bool pastes_archive_into_itself(clipboard_read_state* s)
{
    char archive[PATH_BUF], source[PATH_BUF];
    if (!in_archive_folder() || !read_open_archive(archive)) return false;
    for (int i = 0; i < s->count; i++)
        if (clipboard_file(s, i, source) && refuse_archive_into_itself(source, archive, "貼付")) return true;
    return false;
}

// A cut pasted into an archive folder is copied in; its sources go once the
// archive has been written back (archive_moves.h).
static int place_in_archive(archive_move* move, const char* source, const char* destination, const char* leaving,
                            bool staged, overwrite_answers* answers, left_at_source* left)
{
    if (!archive_move_keep(move, destination)) {
        note_left_at_source(left, source, destination);
        return 0;
    }
    int done = place_one_item(source, destination, PLACE_COPY_FIRST, "ペースト", answers);
    if (done) archive_move_placed(move, source, destination, leaving, staged);
    return done;
}

static int paste_loop(clipboard_read_state* s, paste_kind kind)
{
    static const char* const status[] = {"ファイル/フォルダを貼付中...", "ショートカットを貼付中...",
                                         "フォルダのみを貼付中..."};
    if (!s->valid || !clipboard_query_files(s)) return 0;
    busy_guard busy(BUSY_WAIT);
    bool items = kind == PASTE_ITEMS, cut = items && s->cut, into_archive = in_archive_folder() != 0;
    if (items && pastes_archive_into_itself(s)) return 0;
    archive_move move;
    bool copy_first = cut && into_archive && archive_move_begin(&move, current_folder.folder);
    if (cut && into_archive && !copy_first) return 0;
    if (!paste_space_check(s, cut && !copy_first)) return 0;
    last_paste = {};
    _status_printf(L.page, "%s", status[kind]);
    overwrite_answers answers = {};
    std::vector<pasted_cut> cuts;
    left_at_source left = {};
    bool stopped = false;
    for (int i = 0; i < s->count; i++) {
        char source[PATH_BUF], destination[PATH_BUF], name[PATH_BUF], original[PATH_BUF], shown[PATH_BUF];
        if (!clipboard_file(s, i, source)) continue;
        bool formed = kind == PASTE_SHORTCUTS ? text_format(name, sizeof name, "%s.lnk", file_name_of(source))
                                              : text_copy(name, file_name_of(source));
        if (!formed || !path_join(destination, current_folder.folder, name)) continue;
        // A copy of an entry cut inside the archive folder: pasted where the
        // entry is, nothing moves; pasted elsewhere, the entry goes once its
        // copy has arrived (unless it changed since the cut). An entry cut in
        // an archive that is no longer open stays there, and is said to.
        bool staged = cut && staged_cut_original(source, original);
        if (staged && text_equal_ci(original, destination)) continue;
        bool unchanged = staged && same_as_staged(original, source);
        bool elsewhere = cut && !staged && staged_cut_elsewhere(source, shown);
        int done = copy_first ? place_in_archive(&move, source, destination, unchanged ? original : nullptr,
                                                 staged || elsewhere, &answers, &left)
                   : items    ? paste_one_item(source, destination, s->cut, &answers)
                   : kind == PASTE_SHORTCUTS ? paste_one_shortcut(source, destination, &answers)
                                             : paste_folder_tree_only(source, current_folder.folder, &answers);
        if (!copy_first && unchanged && done && GetFileAttributesA(source) == INVALID_FILE_ATTRIBUTES)
            cuts.push_back({original, destination});
        if (answers.cancel && answers.all) break;
        if (elsewhere && done) note_left_named(&left, shown);
        if (cut && !copy_first && !answers.cancel) note_left_at_source(&left, source, destination);
        if (done && last_paste.placed++ == 0) text_copy(last_paste.first_name, name);
        _progress(L.page, i + 1, 0, s->count);
        Sleep(kind == PASTE_ITEMS ? 10 : 100);
        _pump();  // the window answers between items, however many there are
        if (i + 1 < s->count && busy_escape_pressed()) {
            stopped = true;
            break;
        }
    }
    _status_printf(L.page, "%s", "");
    bool written_back = true;
    if (copy_first) {
        written_back = archive_move_finish(&move, &left, "切り取ったファイル") != 0;
        if (!written_back) left = {};  // its message says that everything stayed
    } else if (into_archive && last_paste.placed) {
        write_back_archive(nullptr);
    }
    if (!cuts.empty()) finish_pasted_cuts(cuts);
    if (cut && !stopped && written_back) OleSetClipboard(nullptr);
    say_left_at_source(left);
    if (stopped) msg_info("ZOTE", "貼付を中止しました．\n%d個のうち%d個を貼り付けました．", s->count, last_paste.placed);
    return 1;
}

int paste_files(clipboard_read_state* s) { return paste_loop(s, PASTE_ITEMS); }
int paste_shortcuts(clipboard_read_state* s) { return paste_loop(s, PASTE_SHORTCUTS); }
int paste_folders_only(clipboard_read_state* s) { return paste_loop(s, PASTE_FOLDERS); }
