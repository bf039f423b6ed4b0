// Archives opened as folders: kinds, availability, this instance's work
// folder, opening, leaving and the write-back. A work folder is claimed by a
// named mutex held for the life of the process and by CreateDirectory, so two
// instances starting together never share one, and the clean-up of a first
// instance never wipes a folder that a live instance holds. The write-back
// makes the new archive first, moves it beside the old one and swaps it in
// only when it is complete: a failure leaves the old archive as it was.
#include "browser/archives/archive_folder.h"
#include "browser/model/arccache.h"
#include "browser/model/browser_list.h"
#include "browser/model/busy.h"
#include "browser/model/paths.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include "base/holders.h"
#include <cstdio>
#include <cstring>

namespace {

struct kind_entry {
    const char* ext;
    int archiver;
};
// In the order of the kind numbers 1 to 6; ".tar.gz" is tried before ".gz".
const kind_entry kind_table[6] = {
    {".lzh", 0}, {".zip", 1}, {".cab", 2}, {".gz", 3}, {".tar.gz", 3}, {".z", 3},
};
const char* const compress_exts[ARCHIVE_KIND_COUNT] = {".lzh", ".zip", ".cab", ".gz"};

// The mutex that says work folder n is live; held until the process ends.
HANDLE claimed_mutex;

void claim_name(char (&name)[64], int n) { text_format(name, sizeof name, "zote_archive_work_%d", n); }

HANDLE try_claim(int n)
{
    char name[64];
    claim_name(name, n);
    HANDLE m = CreateMutexA(nullptr, FALSE, name);
    if (m && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(m);
        return nullptr;
    }
    return m;
}

bool instance_path(char* out, int n)
{
    char sub[16];
    text_format(sub, sizeof sub, "lha%d", n);
    return path_join(out, PATH_BUF, archive_work.root, sub);
}

// Removes the work folders of instances that are no longer running; changes
// one of them could not write back are kept beside their archive first.
void wipe_dead_folders()
{
    for (int n = 0; n < WORK_FOLDER_COUNT; n++) {
        HANDLE m = try_claim(n);
        if (!m) continue;  // a live instance holds it
        char path[PATH_BUF];
        if (instance_path(path, n) && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES &&
            keep_dead_instance_changes(path))
            rm_tree(path);
        CloseHandle(m);
    }
}

int count_folder_items(const char* folder)
{
    walk_item record = {};
    walk_tree(folder, "*.*", &record, count_cb, nullptr, count_cb, nullptr);
    return int(record.count);
}

int count_folder_files(const char* folder)
{
    walk_item record = {};
    walk_tree(folder, "*.*", &record, count_cb, nullptr, nullptr, nullptr);
    return int(record.count);
}

// Beside the archive, a name that does not exist yet.
bool beside_name(char* out, const char* archive, const char* tag)
{
    for (int i = 0; i < 100; i++) {
        if (!text_format(out, PATH_BUF, "%s.%s%d", archive, tag, i)) return false;
        if (GetFileAttributesA(out) == INVALID_FILE_ATTRIBUTES) return true;
    }
    return false;
}

// The full path without a trailing backslash (PATH_BUF).
int full_path_of(const char* path, char* out)
{
    char* name = nullptr;
    DWORD n = GetFullPathNameA(path, PATH_BUF, out, &name);
    if (!n || n >= PATH_BUF) return 0;
    remove_backslash(out);
    return 1;
}

}  // namespace

int archive_kind_number(const char* name)
{
    if (has_extension(name, ".tar.gz")) return 5;
    for (int i = 0; i < 6; i++)
        if (i != 4 && has_extension(name, kind_table[i].ext)) return i + 1;
    return 0;
}

int archiver_of_kind(int kind) { return kind >= 1 && kind <= 6 ? kind_table[kind - 1].archiver : -1; }

int archive_kind_available(const char* name)
{
    int a = archiver_of_kind(archive_kind_number(name));
    return archiver_available(a);
}

const char* compress_extension(int archiver)
{
    return archiver >= 0 && archiver < ARCHIVE_KIND_COUNT ? compress_exts[archiver] : nullptr;
}

void setup_archive_work_folders()
{
    for (int& a : archive_work.available) a = -1;  // each archiver's DLL loads when first asked for
    if (!zote_temp_path(archive_work.root, nullptr)) return;
    md_path(archive_work.root);
    HWND others[4];
    if (find_windows_by_title(instance_title_ending, TITLE_ENDS, 1, others, 4) == 0) wipe_dead_folders();
    for (int n = 0; n < WORK_FOLDER_COUNT && archive_work.instance < 0; n++) {
        char path[PATH_BUF];
        HANDLE m = try_claim(n);
        if (!m) continue;
        if (instance_path(path, n) && CreateDirectoryA(path, nullptr)) {
            claimed_mutex = m;
            archive_work.instance = n;
            text_copy(archive_work.instance_folder, path);
        } else {
            CloseHandle(m);
        }
    }
    if (archive_work.instance < 0) return;  // all ten in use: archives stay plain files
    char cache[PATH_BUF];
    const char* base = archive_work.instance_folder;
    if (!path_join(archive_work.folder, base, "folder") || !path_join(archive_work.folder_file, base, "folder.d") ||
        !path_join(archive_work.folder_record, base, "folder.m") || !path_join(archive_work.view, base, "view")) {
        archive_work.instance = -1;
        return;
    }
    md_path(archive_work.view);
    if (zote_temp_path(cache, "cache_arc")) md_path(cache);
}

int work_folder_live(int n)
{
    char name[64];
    claim_name(name, n);
    HANDLE m = OpenMutexA(SYNCHRONIZE, FALSE, name);
    if (m) CloseHandle(m);
    return m ? 1 : 0;
}

void remove_archive_work_folder()
{
    if (archive_work.instance < 0 || folder_holds_unsaved_changes()) return;
    char here[PATH_BUF];
    DWORD n = GetCurrentDirectoryA(sizeof here, here);
    if (n && n < sizeof here && is_prefix_folder(here, archive_work.instance_folder))
        SetCurrentDirectoryA(archive_work.root);
    rm_tree(archive_work.instance_folder);
}

int archive_write_refusal(const char* archive)
{
    if (has_extension(archive, ".zip") && archiver_available(1) < 2) return ARCHIVE_NO_CREATOR;
    char open[PATH_BUF];
    if ((archive_work.damaged || archive_work.left_out) && read_open_archive(open) && text_equal_ci(open, archive))
        return archive_work.damaged ? ARCHIVE_DAMAGED : ARCHIVE_MEMBERS_LEFT_OUT;
    DWORD a = GetFileAttributesA(archive);
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY)) return ARCHIVE_READ_ONLY_FILE;
    return ARCHIVE_WRITABLE;
}

int archive_is_read_only()
{
    char archive[PATH_BUF];
    return in_archive_folder() && read_open_archive(archive) && archive_write_refusal(archive) != ARCHIVE_WRITABLE ? 1
                                                                                                                   : 0;
}

void say_write_refused(const char* archive, int why)
{
    if (why == ARCHIVE_DAMAGED)
        msg_info("ZOTE", "%s\n書庫が壊れているので書き戻しません．", archive);
    else if (why == ARCHIVE_READ_ONLY_FILE)
        msg_info("ZOTE", "%s\n書庫が読み出し専用なので書き戻しません．", archive);
    else if (why == ARCHIVE_MEMBERS_LEFT_OUT)
        say_members_left_out(archive, archive_work.left_out);
}

int archive_change_allowed()
{
    char archive[PATH_BUF];
    if (!in_archive_folder() || !read_open_archive(archive)) return 1;
    int why = archive_write_refusal(archive);
    if (why == ARCHIVE_WRITABLE) return 1;
    say_write_refused(archive, why);
    return 0;
}

int say_if_archive_held(const char* archive)
{
    _lha* lha = open_archiver_for(archive);
    if (!lha || !lha->is_held(archive)) return 0;
    msg_info("ZOTE", "%s\n他のプログラムが使用中なので開けません．", archive);
    return 1;
}

void say_members_left_out(const char* archive, int count)
{
    msg_info("ZOTE", "%s\n解凍できないファイルが%d個あるので書き戻しません．", archive, count);
}

int extract_archive_all(const char* archive, const char* folder)
{
    _lha* lha = open_archiver_for(archive);
    if (!lha) return 0;
    current_folder_kept keep;
    int extracted;
    {
        busy_guard busy(BUSY_WAIT);
        extracted = lha->extract_all(archive, folder, password_lookup(archive));
    }
    if (count_folder_files(folder) > 0) return 1;
    // Nothing out of an empty archive, or of one holding only folders, is
    // no sign of a password: only encrypted members make the question.
    if (file_size(archive) == 0 || !lha->is_encrypted(archive)) return extracted;
    while (count_folder_files(folder) == 0) {
        const char* password = ask_archive_password(archive);
        if (!password) {
            rm_tree(folder);
            return 0;
        }
        busy_guard busy(BUSY_WAIT);
        lha->extract_all(archive, folder, password);
    }
    return 1;
}

int open_archive_as_folder(const char* path)
{
    if (archive_work.instance < 0 || !archive_kind_available(path)) return 0;
    char archive[PATH_BUF];
    if (!full_path_of(path, archive)) return 0;
    // An archive another program holds is not damaged: it cannot be opened
    // now, and the folder shown stays.
    if (say_if_archive_held(archive) || !settle_archive_work()) return 0;
    busy_guard busy(BUSY_WAIT);
    if (in_archive_folder()) SetCurrentDirectoryA(archive_work.instance_folder);
    rm_tree(archive_work.folder);
    DeleteFileA(archive_work.folder_file);
    DeleteFileA(archive_work.folder_record);
    md_path(archive_work.folder);
    archive_work.damaged = 0;
    archive_work.left_out = 0;
    int extracted = extract_archive_all(archive, archive_work.folder);
    _lha* lha = open_archiver_for(archive);
    if (!lha || GetFileAttributesA(archive_work.folder) == INVALID_FILE_ATTRIBUTES) return 0;  // password cancelled
    // What a damaged archive still gives, even nothing, is shown; so is an
    // archive whose extraction left files out (names that climb out of the
    // folder, links). Neither is ever written back: the pack would drop what
    // the folder lacks.
    int left_out = 0;
    if (lha->is_damaged(archive) || (left_out = lha->members_left_out(archive, archive_work.folder)) < 0)
        archive_work.damaged = 1;
    else
        archive_work.left_out = left_out;
    if (archive_work.damaged && say_if_archive_held(archive)) {  // held since the check above
        archive_work.damaged = 0;
        rm_tree(archive_work.folder);
        return 0;
    }
    if (!extracted && !archive_work.damaged && !left_out) return 0;
    note_archive_in_step(archive);
    if (!write_open_archive(archive)) return 0;
    if (archive_work.damaged)
        msg_info("ZOTE", "%s\n書庫が壊れているので読み出し専用で開きます．", archive);
    else if (left_out)
        msg_info("ZOTE", "%s\n解凍できないファイルが%d個あるので読み出し専用で開きます．", archive, left_out);
    return 1;
}

void leave_archive_folder(const char* path)
{
    char archive[PATH_BUF], probe[PATH_BUF];
    if (in_archive_folder() || !read_open_archive(archive) || !full_path_of(path, probe)) return;
    // Walk up to an existing path, stopping at a drive root.
    while (GetFileAttributesA(probe) == INVALID_FILE_ATTRIBUTES && !is_drive_root(probe)) {
        char parent[PATH_BUF];
        if (!parent_folder(probe, parent) || !parent[0] || !text_copy(probe, parent)) return;
        remove_backslash(probe);
    }
    if ((!text_equal_ci(probe, archive) && !is_prefix_folder(archive, probe)) || !settle_archive_work()) return;
    rm_tree(archive_work.folder);
    DeleteFileA(archive_work.folder_file);
    DeleteFileA(archive_work.folder_record);
}

int archive_display_path(char* out)
{
    char here[PATH_BUF], archive[PATH_BUF];
    DWORD n = GetCurrentDirectoryA(sizeof here, here);
    if (!n || n >= sizeof here) return 0;
    if (!in_archive_folder(here) || !read_open_archive(archive)) return text_copy(out, PATH_BUF, here);
    return text_format(out, PATH_BUF, "%s%s", archive, here + strlen(archive_work.folder));
}

// The temporary archive "temp" with the archive's extension, a stale one deleted.
static int temporary_archive(const char* archive, char* out)
{
    int kind = archive_kind_number(archive);
    const char* ext = kind == 5 ? ".tar.gz" : kind ? kind_table[kind - 1].ext : nullptr;
    char name[32];
    if (!ext || !text_format(name, sizeof name, "temp%s", ext) ||
        !path_join(out, PATH_BUF, archive_work.instance_folder, name))
        return 0;
    if (GetFileAttributesA(out) != INVALID_FILE_ATTRIBUTES && !DeleteFileA(out)) return 0;
    return 1;
}

static int replace_archive_with(const char* archive, const char* made)
{
    char fresh[PATH_BUF], old[PATH_BUF];
    if (!beside_name(fresh, archive, "new") || !beside_name(old, archive, "old")) return 0;
    if (!MoveFileExA(made, fresh, MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(fresh);
        return 0;
    }
    if (!MoveFileA(archive, old)) {
        DeleteFileA(fresh);
        return 0;
    }
    if (!MoveFileA(fresh, archive)) {
        MoveFileA(old, archive);
        DeleteFileA(fresh);
        return 0;
    }
    DeleteFileA(old);
    return 1;
}

int repack_archive(const char* archive, const char* source, const char* password, int carry)
{
    _lha* lha = open_archiver_for(archive);
    char made[PATH_BUF];
    if (!lha || !temporary_archive(archive, made)) return 0;
    current_folder_kept keep;
    // A DLL that skipped a file (hidden, system, a name it could not take)
    // would lose it with the old archive: the new one must list them all.
    if (!lha->create_like(made, source, password, archive, carry) ||
        GetFileAttributesA(made) == INVALID_FILE_ATTRIBUTES || !lha->holds_folder(made, source)) {
        DeleteFileA(made);
        return 0;
    }
    arccache_forget(archive);
    if (replace_archive_with(archive, made)) return 1;
    DeleteFileA(made);
    return 0;
}

// The write-back's progress bar on the page's status bar, by the bytes of
// the folder's files, and Esc, which stops the archiver between two blocks.
struct write_back_progress {
    int page;
    double total, before, member_size;
    DWORD shown_at;
};

static double folder_bytes_found;
static int add_file_bytes(walk_item* item)
{
    const WIN32_FIND_DATAA* f = item->find_data;
    folder_bytes_found += double(f->nFileSizeHigh) * 4294967296.0 + f->nFileSizeLow;
    return 1;
}

static double folder_bytes(const char* folder)
{
    folder_bytes_found = 0;
    walk_item record = {};
    walk_tree(folder, "*.*", &record, add_file_bytes, nullptr, nullptr, nullptr);
    return folder_bytes_found;
}

static int show_write_back(const archiver_progress& p, void* data)
{
    write_back_progress& w = *static_cast<write_back_progress*>(data);
    if (p.state == ARCHIVE_PROGRESS_BEGIN) {
        w.before += w.member_size;
        w.member_size = p.size;
    }
    double done = p.state == ARCHIVE_PROGRESS_BEGIN ? 0 : p.done < p.size ? p.done : p.size;
    // The window answers and paints between the blocks; the bar and the
    // pump cost little, but a DLL may call for every few kilobytes.
    DWORD now = GetTickCount();
    if (p.state == ARCHIVE_PROGRESS_BEGIN || now - w.shown_at >= 30) {
        w.shown_at = now;
        _progress(w.page, w.before + done, 0, w.total);
        _pump();
    }
    return busy_escape_pressed() ? 0 : 1;
}

// The windows of this program write one archive back in turn: each one's
// check that the archive did not change since it had it in step, its pack
// and its swap are one step, which no other window's swap lands inside. The
// turn is a mutex named after the archive's path, as case is ignored; the
// window answers while it waits.
struct archive_turn {
    kernel_object mutex;
    bool owned = false;
    explicit archive_turn(const char* archive)
    {
        char key[PATH_BUF], name[48];
        unsigned hash = 2166136261u;
        if (!text_case_key(key, sizeof key, archive)) return;
        for (const char* p = key; *p; p++) hash = (hash ^ BYTE(*p)) * 16777619u;
        text_format(name, sizeof name, "zote_archive_turn_%08x", hash);
        mutex.reset(CreateMutexA(nullptr, FALSE, name));
        for (DWORD r = WAIT_TIMEOUT; mutex && r == WAIT_TIMEOUT;) {
            r = WaitForSingleObject(mutex.get(), 50);
            owned = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
            if (r == WAIT_TIMEOUT) _pump();
        }
    }
    ~archive_turn()
    {
        if (owned) ReleaseMutex(mutex.get());
    }
    archive_turn(const archive_turn&) = delete;
    archive_turn& operator=(const archive_turn&) = delete;
};

// Packs "folder" into the archive under the busy state, the status and the
// progress bar drawn before and while the archiver works; Esc stops it and
// leaves the archive as it was. 1 when replaced; *stopped says Esc ended it.
static int pack_folder_into(const char* archive, const char* new_password, bool* stopped)
{
    busy_guard busy(BUSY_WAIT);
    // An Esc that ended what came before (a paste) is not this write-back's.
    busy_forget_escape();
    int page = browser_list.page;
    _status_printf(page, "%s", "");
    _status_printf(page, "%s", "圧縮処理中...");
    write_back_progress shown = {page, folder_bytes(archive_work.folder), 0, 0, GetTickCount()};
    _progress(page, 0, 0, shown.total);
    _pump();
    const char* password = password_lookup(archive);
    if (new_password) {
        if (new_password[0]) {
            password_ring_set(archive, new_password);
            password = new_password;
        } else {
            password = nullptr;
            if (password_lookup(archive)) password_ring_set(archive, "");
        }
    }
    archive_turn turn(archive);
    // An archive changed by another window or program since this window had
    // it in step is never replaced by this window's older copy: this
    // window's changes are made again on what it holds now.
    int changed = archive_changed_elsewhere(archive);
    if (changed && !merge_changed_archive(archive, password)) {
        _status_text(page, "%s", "");
        _status_printf(page, "%s", "");
        return 0;
    }
    int done;
    {
        // Members are carried over from the archive only when its password stays.
        archiver_progress_scope watching(show_write_back, &shown);
        done = repack_archive(archive, archive_work.folder, password, new_password == nullptr);
        *stopped = watching.stopped();
    }
    if (!done && !*stopped && GetFileAttributesA(archive_work.folder) != INVALID_FILE_ATTRIBUTES &&
        count_folder_items(archive_work.folder) == 0) {
        // Every entry removed: the archive becomes an empty file.
        arccache_forget(archive);
        char fresh[PATH_BUF];
        if (beside_name(fresh, archive, "new")) {
            c_file f(fopen(fresh, "wb"));
            bool made = static_cast<bool>(f);
            f.reset();
            done = made && replace_archive_with(archive, fresh);
            if (!done) DeleteFileA(fresh);
        }
    }
    _status_text(page, "%s", "");
    _status_printf(page, "%s", "");
    if (!done) return 0;
    note_archive_in_step(archive);
    if (!changed) return 1;
    msg_info("ZOTE", "%s\n書庫がほかで変更されていたので，その変更を取り込んで書き戻しました．", archive);
    return ARCHIVE_MERGED;
}

int write_back_archive(const char* new_password)
{
    return in_archive_folder() ? write_back_open_archive(new_password) : 0;
}

// The write-back unless the archive refuses it (which is said).
static int pack_unless_refused(const char* archive, const char* new_password, bool* stopped)
{
    if (int why = archive_write_refusal(archive)) {
        say_write_refused(archive, why);
        return 0;
    }
    return pack_folder_into(archive, new_password, stopped);
}

int pack_open_archive(const char* new_password)
{
    char archive[PATH_BUF];
    bool stopped = false;
    return read_open_archive(archive) ? pack_unless_refused(archive, new_password, &stopped) : 0;
}

int write_back_open_archive(const char* new_password)
{
    char archive[PATH_BUF];
    if (!read_open_archive(archive)) return 0;
    bool stopped = false;
    int done = pack_unless_refused(archive, new_password, &stopped);
    if (stopped)
        msg_info("ZOTE", "%s\n書き戻しを中止しました．書庫は元のままです．", archive);
    else if (!done && !archive_write_refusal(archive))
        msg_info("ZOTE", "%s\n書庫に書き戻せませんでした．", archive);
    return done;
}

int set_archive_password()
{
    if (!in_archive_folder() || archive_is_read_only()) return 0;
    char password[PATH_BUF];
    if (!password_dialog(214, password)) return 0;
    return write_back_archive(password);
}

namespace {
enum { PATH_PLAIN, PATH_MAPPED, PATH_REFUSED };

// The archive at path, or the nearest existing item above it when that is an
// archive: its path in archive (PATH_BUF). 0 when there is none.
int archive_above(const char* path, char* archive)
{
    if (!text_copy(archive, PATH_BUF, path)) return 0;
    while (!item_exists(archive)) {
        char parent[PATH_BUF];
        if (!parent_folder(archive, parent)) return 0;
        remove_backslash(parent);
        if (!parent[0] || text_equal_ci(parent, archive)) return 0;
        text_copy(archive, PATH_BUF, parent);
    }
    return !is_folder(archive) && archive_kind_available(archive);
}

// The path inside this instance's "folder" that rest below the archive names.
int inside_folder(const char* rest, char* out)
{
    return *rest ? path_join(out, PATH_BUF, archive_work.folder, rest) : text_copy(out, PATH_BUF, archive_work.folder);
}

// An archive, or a path below one, enters this instance's work folder: the
// open archive's as it is when it holds changes not yet written back,
// else the archive opened (again). A path in any instance's work folder is
// taken for the archive path it stands for; this instance's own "folder" is
// entered as it is, anything else there is refused.
int map_archive_path(const char* path, char* out)
{
    char full[PATH_BUF], stood[PATH_BUF], archive[PATH_BUF], open[PATH_BUF];
    if (!full_path_of(path, full)) return PATH_PLAIN;
    if (in_instance_folder(full)) return in_archive_folder(full) && read_open_archive(open) ? PATH_PLAIN : PATH_REFUSED;
    int meaning = work_path_meaning(full, stood);
    if (meaning == WORK_PATH_REFUSED) return PATH_REFUSED;
    if (meaning == WORK_PATH_MAPPED) text_copy(full, stood);
    if (archive_work.instance < 0 || !archive_above(full, archive))
        return meaning == WORK_PATH_MAPPED ? PATH_REFUSED : PATH_PLAIN;
    const char* rest = path_below(full, archive);
    bool open_here = read_open_archive(open) && text_equal_ci(open, archive) && is_folder(archive_work.folder);
    bool reopen = !open_here || (!*rest && !folder_holds_unsaved_changes());
    if (reopen && !open_archive_as_folder(archive)) return PATH_REFUSED;
    return inside_folder(rest, out) ? PATH_MAPPED : PATH_REFUSED;
}
}  // namespace

int change_folder(const char* path)
{
    char mapped[PATH_BUF];
    bool drive_list = path[0] == '\\' && path[1] != '\\';
    int how = drive_list ? PATH_PLAIN : map_archive_path(path, mapped);
    if (how == PATH_REFUSED) return 0;
    bool was_inside = in_archive_folder() != 0;
    if (!enter_folder(how == PATH_MAPPED ? mapped : path)) return 0;
    // Leaving the archive folder: what could not be written back is tried again.
    if (was_inside && (drive_list || !in_archive_folder())) settle_archive_work();
    return 1;
}
