// The archive commands (compress into an archive, extract, self-extracting
// archive, compress a selection, archiver versions), the clipboard staging
// of entries copied or cut inside an archive, and the path rules' slot that
// opens an archive entered as a folder.
#include "browser/operations/archive_commands.h"
#include "browser/archives/archive_folder.h"
#include "browser/model/arccache.h"
#include "browser/model/browser_list.h"
#include "browser/operations/entry_ops.h"
#include "browser/operations/file_clipboard.h"
#include "browser/operations/archive_moves.h"
#include "browser/grid/selection.h"
#include "browser/model/paths.h"
#include "files/files.h"
#include "browser/model/command_ids.h"
#include "graphics/kavtrel.h"
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
// The path of the index-th marked entry.
int marked_path(int index, char* out)
{
    for (int i = 0, seen = 0; i < browser_list.count; i++)
        if (is_marked(i) && seen++ == index) return entry_full_path(i, out);
    return 0;
}

int first_clipboard_file(char* out)
{
    clipboard_read_state state = {};
    clipboard_files_open(&state);
    int found = clipboard_query_files(&state) && clipboard_file(&state, 0, out);
    clipboard_files_close(&state);
    return found;
}

void status(const char* text) { _status_printf(browser_list.page, "%s", text); }

}  // namespace

// A marked entry that is the archive or holds it would go into itself.
static bool moves_archive_into_itself(const char* archive)
{
    char item[PATH_BUF], full[PATH_BUF];
    if (!full_path(full, sizeof full, archive)) return true;
    for (int i = 0; marked_path(i, item); i++)
        if (refuse_archive_into_itself(item, full, "移動")) return true;
    return false;
}

// The selection is copied into the archive's contents, which are packed
// again; only once the archive has been replaced do the marked entries go.
int compress_into_archive(const char* archive)
{
    _lha* lha = open_archiver_for(archive);
    if (archive_work.instance < 0 || !lha || archive_kind_available(archive) < 2) return 0;
    if (say_if_archive_held(archive)) return 0;  // not damaged: nothing moves now
    int why = archive_write_refusal(archive);
    if (why == ARCHIVE_WRITABLE && lha->is_damaged(archive)) why = ARCHIVE_DAMAGED;
    if (why != ARCHIVE_WRITABLE) {
        say_write_refused(archive, why);
        return 0;
    }
    if (moves_archive_into_itself(archive)) return 0;
    // The open archive's folder is replaced below: what it holds that is not
    // in its archive yet goes there first (or is kept at the user's word).
    if (!in_archive_folder() && !settle_archive_work()) return 0;
    status("");
    status("圧縮処理中...");
    char into[PATH_BUF];
    int done = 0;
    if (path_join(into, archive_work.instance_folder, "into")) {
        rm_tree(into);
        md_path(into);
        const char* password = password_lookup(archive);
        std::vector<std::string> copied;
        // Only an archive extracted whole is packed again: what its extraction
        // left out (refused names, links) would be lost.
        if (file_size(archive) != 0) lha->extract_all(archive, into, password);
        int left_out = lha->members_left_out(archive, into);
        if (left_out > 0) say_members_left_out(archive, left_out);
        if (left_out == 0) {
            char item[PATH_BUF], destination[PATH_BUF];
            for (int i = 0; marked_path(i, item); i++) {
                overwrite_answers answers = {};
                if (path_join(destination, into, file_name_of(item)) &&
                    place_one_item(item, destination, PLACE_COPY_FIRST, "移動", &answers))
                    copied.push_back(item);
            }
            done = repack_archive(archive, into, password);
            if (!done) say_stayed_at_source(archive, "選択したファイル");
        }
        if (done) {
            left_at_source left = {};
            for (const std::string& item : copied) {
                char destination[PATH_BUF];
                if (path_join(destination, into, file_name_of(item.c_str())))
                    remove_moved_source(item.c_str(), destination, &left);
            }
            // The archive's new contents become the open archive's folder,
            // unless the archive lies inside the open one.
            if (in_archive_folder()) {
                rm_tree(into);
            } else {
                write_open_archive(archive);
                rm_tree(archive_work.folder);
                MoveFileA(into, archive_work.folder);
                note_archive_in_step(archive);
            }
            say_left_at_source(left);
        } else {
            rm_tree(into);
        }
    }
    status("");
    return done;
}

// What an extraction into folder did not give is said, as the opening of
// the archive as a folder says it: the damage, and how many files are missing.
static void say_what_extraction_left(const char* archive, const char* folder)
{
    _lha* lha = open_archiver_for(archive);
    if (!lha) return;
    int damaged = lha->is_damaged(archive);
    int left_out = lha->members_left_out(archive, folder);
    if (damaged && left_out > 0)
        msg_info("ZOTE", "%s\n書庫が壊れているので解凍できないファイルが%d個あります．", archive, left_out);
    else if (damaged)
        msg_info("ZOTE", "%s\n書庫が壊れているので読み出せた部分だけを解凍しました．", archive);
    else if (left_out > 0)
        msg_info("ZOTE", "%s\n解凍できないファイルが%d個あります．", archive, left_out);
}

// 1 when the folder was made: what a damaged archive gave is listed too.
int extract_archive(const char* path)
{
    char target[PATH_BUF];
    if (!text_copy(target, path)) return 0;
    strip_extension(target);
    if (!target[0] || GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES || say_if_archive_held(path)) return 0;
    status("解凍中...");
    md_path(target);
    extract_archive_all(path, target);
    status("");
    if (GetFileAttributesA(target) == INVALID_FILE_ATTRIBUTES) return 0;  // the password question given up
    say_what_extraction_left(path, target);
    return 1;
}

int make_self_extracting(const char* path)
{
    _lha* lha = open_archiver_for(path);
    if (!lha) return 0;
    status("自己解凍書庫作成中...");
    int done = lha->make_sfx(path);
    status("");
    return done;
}

int compress_selection(const char* path, const char* extension)
{
    char source[PATH_BUF], archive[PATH_BUF];
    if (!text_copy(source, path)) return 0;
    remove_backslash(source);
    if (!text_format(archive, sizeof archive, "%s%s", source, extension)) return 0;
    _lha* lha = open_archiver_for(archive);
    if (!lha || GetFileAttributesA(archive) != INVALID_FILE_ATTRIBUTES) return 0;
    status("圧縮中...");
    int done = lha->create(archive, source, nullptr);
    status("");
    return done;
}

void list_archiver_versions(char* out, size_t cap)
{
    static const char* const probes[ARCHIVE_KIND_COUNT] = {"a.lzh", "a.zip", "a.cab", "a.gz"};
    out[0] = 0;
    for (const char* p : probes) {
        _lha* lha = open_archiver_for(p);
        char line[256];
        if (lha && lha->version_text(line, sizeof line)) text_append_format(out, cap, "%s\n", line);
    }
    if (!out[0]) text_copy(out, cap, "なし\n");
}

// Each list copied or cut inside an archive folder is staged in a folder of
// its own below T\zote\lzhclip, named after this instance, this process and
// the list ("<N>-<process>-<k>", ASCII), beside a record "<name>.d" holding
// the archive's path (as "folder.d"): the clipboard's paths name the cut,
// another instance that pastes it reads where it came from, and no list of
// another window ever shares this one's folder or clears it.
namespace {
struct staging_record {
    char folder[PATH_BUF];  // the list's folder, made when its first entry is staged
    bool for_new_list;      // it is the last list's: the first entry staged clears it away
    unsigned serial;        // lists this process staged
};
staging_record staging;

// Removes a list's folder with its record.
void remove_staging(const char* folder)
{
    char record[PATH_BUF];
    if (item_exists(folder)) rm_tree(folder);
    if (text_format(record, sizeof record, "%s.d", folder)) DeleteFileA(record);
}

int make_staging_folder(const char* archive)
{
    char root[PATH_BUF], name[64], record[PATH_BUF];
    text_format(name, sizeof name, "%d-%lx-%u", archive_work.instance, GetCurrentProcessId(), ++staging.serial);
    if (!zote_temp_path(root, "lzhclip") || !path_join(staging.folder, root, name) ||
        !text_format(record, sizeof record, "%s.d", staging.folder)) {
        staging.folder[0] = 0;
        return 0;
    }
    md_path(staging.folder);
    if (is_folder(staging.folder) && write_path_record(record, archive)) return 1;
    remove_staging(staging.folder);
    staging.folder[0] = 0;
    return 0;
}
}  // namespace

void begin_clipboard_staging()
{
    staged_cuts_reset();
    staging.for_new_list = true;
}

// A cut entry is staged as a copy too: it stays in the archive until a paste
// has moved the copy, and a cut given up loses nothing.
int stage_for_clipboard(const char* path, int cut, char* staged)
{
    char archive[PATH_BUF], full[PATH_BUF];
    char* name = nullptr;
    DWORD n = GetFullPathNameA(path, sizeof full, full, &name);  // no ".." climbs out of the staging folder
    if (!n || n >= sizeof full) return 0;
    const char* inside = path_below(full, archive_work.folder);
    if (!inside || !*inside || (cut && archive_is_read_only()) || !read_open_archive(archive)) return 0;
    if (staging.for_new_list && staging.folder[0]) remove_staging(staging.folder);
    if (staging.for_new_list) staging.folder[0] = 0;
    staging.for_new_list = false;
    if (!staging.folder[0] && !make_staging_folder(archive)) return 0;
    if (!path_join(staged, PATH_BUF, staging.folder, inside)) return 0;
    char parent[PATH_BUF];
    if (parent_folder(staged, parent) && parent[0]) md_path(parent);
    if (!cp_file(full, staged)) return 0;
    if (cut) staged_cut_add(staged, full);
    return 1;
}

void finish_pasted_cuts(const std::vector<pasted_cut>& pasted)
{
    bool changed = false;
    for (const pasted_cut& p : pasted) {
        const char* original = p.original.c_str();
        DWORD a = GetFileAttributesA(original);
        if (a == INVALID_FILE_ATTRIBUTES) continue;
        if (!(a & FILE_ATTRIBUTE_DIRECTORY))
            changed |= rm_file(original) != 0;
        else if (!is_prefix_folder(p.destination.c_str(), original))  // a folder pasted into itself holds its copy
            changed |= rm_tree(original) != 0;
    }
    if (changed && !in_archive_folder()) write_back_open_archive(nullptr);
}

// A list's folder (or its record) whose name says that a live instance
// other than this one staged it.
static bool staged_by_live_instance(const char* name)
{
    int n = atoi(name);
    return name[0] >= '0' && name[0] <= '9' && n != archive_work.instance && work_folder_live(n);
}

// At start and at exit: every list's folder goes (with its record), except
// the one the clipboard lists and those of other live instances.
void clear_clipboard_staging()
{
    char root[PATH_BUF], listed[PATH_BUF] = "";
    if (!zote_temp_path(root, "lzhclip") || !is_folder(root)) return;
    const char* below = first_clipboard_file(listed) ? path_below(listed, root) : nullptr;
    char* end = below ? mb_strchr(listed + (below - listed), '\\') : nullptr;
    if (end) *end = 0;  // the name of the list's folder
    std::vector<std::string> names;
    WIN32_FIND_DATAA f;
    find_handle h(FindFirstFileA((std::string(root) + "\\*").c_str(), &f));
    if (h) {
        do {
            if (strcmp(f.cFileName, ".") && strcmp(f.cFileName, "..")) names.push_back(f.cFileName);
        } while (FindNextFileA(h.get(), &f));
        h.reset();
    }
    for (const std::string& name : names) {
        size_t stem = name.size() > 2 && name.compare(name.size() - 2, 2, ".d") == 0 ? name.size() - 2 : name.size();
        if ((below && text_equal_ci(name.substr(0, stem).c_str(), below)) || staged_by_live_instance(name.c_str()))
            continue;
        char path[PATH_BUF];
        if (path_join(path, root, name.c_str())) rm_item(path);
    }
    if (staging.folder[0] && !item_exists(staging.folder)) staging.folder[0] = 0;
}

int entry_archive_creation(int index)
{
    char path[PATH_BUF];
    return entry_full_path(index, path) ? archive_kind_available(path) : 0;
}

int compress_into_entry(int index)
{
    char path[PATH_BUF];
    return entry_full_path(index, path) ? compress_into_archive(path) : 0;
}

// Entries inside the archive folder go on the clipboard as staged copies.
int clipboard_entry_path(const char* path, int cut, char* out)
{
    char full[PATH_BUF];
    if (!full_path(full, PATH_BUF, path)) return 0;
    if (in_archive_folder(full)) return stage_for_clipboard(full, cut, out);
    return text_copy(out, PATH_BUF, full) ? 1 : 0;
}
