// The base archiver object: loading a DLL and its entries, running commands
// with the status text shown, listings and counts, and the factory that keeps
// one object per archive kind for the run. The kinds' own command strings
// live in archiver_kinds.cpp.
#include "files/archiver.h"
#include "files/internal.h"
#include "base/dll_load.h"
#include "files/dialogs.h"
#include "files/fs_query.h"
#include "files/strings.h"
#include "files/walker.h"
#include "graphics/kavtrel.h"
#include <cstdlib>
#include <cstring>
#include <set>
#include <tuple>
#include <vector>

namespace {

// A zeroed heap text with one byte more than asked, so it always ends in a
// terminator whatever the DLL wrote.
heap_buffer<char> output_buffer(DWORD size) { return heap_buffer<char>(static_cast<char*>(calloc(size + 1, 1))); }

// Copies the output as a string into the caller's buffer of size bytes.
void copy_output(char* out, int size, const char* text)
{
    size_t n = strlen(text);
    if (n >= static_cast<size_t>(size)) n = size - 1;
    text_copy_n(out, size, text, n);
}

const char* const entry_suffixes[] = {"GetAttribute", "Extract",      "GetVersion",    "SetBackGroundMode",
                                      "CheckArchive", "GetFileCount", "SetCursorMode", "OpenArchive",
                                      "CloseArchive", "FindFirst",    "FindNext"};

}  // namespace

_lha::_lha()
    : names(), usable(0), kind(0), command_entry(nullptr), get_attribute(nullptr), extract_entry(nullptr),
      get_version(nullptr), set_background_mode(nullptr), check_archive(nullptr), get_file_count(nullptr),
      set_cursor_mode(nullptr), open_archive(nullptr), close_archive(nullptr), find_first_entry(nullptr),
      find_next(nullptr), set_owner_window_ex(nullptr), kill_owner_window_ex(nullptr), module(nullptr), utf8_names(0),
      carry_from()
{}

const char* _lha::dll_name() const { return names + strlen(names) + 1; }

void lha_load(_lha* object, const char* dll, const char* prefix, int kind)
{
    size_t np = strlen(prefix), nd = strlen(dll);
    if (np + nd + 2 > sizeof object->names) return;
    HMODULE module = load_installed_dll(dll);
    if (!module) return;
    memset(object->names, 0, sizeof object->names);
    memcpy(object->names, prefix, np);
    memcpy(object->names + np + 1, dll, nd);
    object->module = module;
    object->usable = 1;
    object->kind = kind;
    object->command_entry = reinterpret_cast<archiver_command_fn>(GetProcAddress(module, prefix));
    FARPROC entries[11];
    for (int i = 0; i < 11; i++) {
        char name[64];
        entries[i] =
            text_format(name, sizeof name, "%s%s", prefix, entry_suffixes[i]) ? GetProcAddress(module, name) : nullptr;
    }
    object->get_attribute = reinterpret_cast<archiver_get_attribute_fn>(entries[0]);
    object->extract_entry = reinterpret_cast<archiver_command_fn>(entries[1]);
    object->get_version = reinterpret_cast<archiver_get_version_fn>(entries[2]);
    object->set_background_mode = reinterpret_cast<archiver_set_mode_fn>(entries[3]);
    object->check_archive = reinterpret_cast<archiver_check_fn>(entries[4]);
    object->get_file_count = reinterpret_cast<archiver_file_count_fn>(entries[5]);
    object->set_cursor_mode = reinterpret_cast<archiver_set_mode_fn>(entries[6]);
    object->open_archive = reinterpret_cast<archiver_open_fn>(entries[7]);
    object->close_archive = reinterpret_cast<archiver_close_fn>(entries[8]);
    object->find_first_entry = reinterpret_cast<archiver_find_first_fn>(entries[9]);
    object->find_next = reinterpret_cast<archiver_find_next_fn>(entries[10]);
    char name[64];
    if (text_format(name, sizeof name, "%sSetOwnerWindowEx", prefix))
        object->set_owner_window_ex = reinterpret_cast<archiver_set_owner_fn>(GetProcAddress(module, name));
    if (text_format(name, sizeof name, "%sKillOwnerWindowEx", prefix))
        object->kill_owner_window_ex = reinterpret_cast<archiver_kill_owner_fn>(GetProcAddress(module, name));
    if (object->set_background_mode) object->set_background_mode(FALSE);
}

namespace {

// The progress procedure of the commands run now (archiver_progress_scope).
struct progress_sink {
    archiver_progress_fn fn;
    void* data;
    bool stopped;
};
progress_sink progress_now;

BOOL CALLBACK forward_progress(HWND, UINT, UINT state, LPVOID record)
{
    if (!progress_now.fn) return TRUE;
    const archive_progress_info* info = static_cast<const archive_progress_info*>(record);
    char member[ARCHIVE_NAME_MAX + 1] = "";
    archiver_progress p = {static_cast<int>(state), member, 0, 0};
    if (info) {
        text_copy_n(member, sizeof member, info->dest_name, strnlen(info->dest_name, ARCHIVE_NAME_MAX));
        p.size = info->file_size;
        p.done = info->write_size;
    }
    if (progress_now.fn(p, progress_now.data)) return TRUE;
    progress_now.stopped = true;
    return FALSE;
}

}  // namespace

archiver_progress_scope::archiver_progress_scope(archiver_progress_fn fn, void* data)
{
    progress_now = {fn, data, false};
}

archiver_progress_scope::~archiver_progress_scope() { progress_now = {nullptr, nullptr, false}; }

bool archiver_progress_scope::stopped() const { return progress_now.stopped; }

bool archiver_stopped() { return progress_now.stopped; }

bool vform_archiver_command(const _lha* object, char (&line)[ARCHIVER_COMMAND_BUF], const char* fmt, va_list ap)
{
    va_list again;
    va_copy(again, ap);
    bool fits = text_vformat(line, sizeof line, fmt, ap);
    if (!fits) {
        // Its start names it: the command word and the archive's path.
        char head[PATH_BUF + 64];
        text_vformat_cut(head, sizeof head, fmt, again);
        console_hooks.printf_hook("*** %s command too long (over %d bytes): %s...\n", object->prefix(),
                                  ARCHIVER_COMMAND_BUF - 1, head);
    }
    va_end(again);
    return fits;
}

bool form_archiver_command(const _lha* object, char (&line)[ARCHIVER_COMMAND_BUF], const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    bool fits = vform_archiver_command(object, line, fmt, ap);
    va_end(ap);
    return fits;
}

int _lha::call(char* output, DWORD size, const char* fmt, va_list ap)
{
    if (!module || !command_entry) return -1;
    char line[ARCHIVER_COMMAND_BUF];
    if (!vform_archiver_command(this, line, fmt, ap)) return -1;
    console_hooks.status_hook(-1, "%s", names);
    // The progress procedure goes with this command only.
    bool watched = progress_now.fn && set_owner_window_ex && kill_owner_window_ex &&
                   set_owner_window_ex(message_box_owner, forward_progress);
    int result = command_entry(nullptr, line, output, size);
    if (watched) kill_owner_window_ex(message_box_owner);
    console_hooks.status_hook(-1, "");
    return result;
}

int _lha::command(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    int result = call(nullptr, 0, fmt, ap);
    va_end(ap);
    return result == 0 ? 1 : 0;
}

int _lha::make_sfx(const char*) { return 0; }
int _lha::is_encrypted(const char*) { return 0; }
int _lha::create(const char*, const char*, const char*) { return 0; }
int _lha::extract_all(const char*, const char*, const char*) { return 0; }
int _lha::extract_one(const char*, const char*, const char*) { return 0; }

heap_buffer<char> _lha::run_output(char* output, int size, const char* fmt, va_list ap)
{
    // A caller's buffer needs its size: the output is never copied blind.
    if (!module || (output && size <= 0)) return heap_buffer<char>();
    DWORD n = size > 0 ? static_cast<DWORD>(size) : DWORD(ARCHIVER_OUTPUT_DEFAULT);
    heap_buffer<char> text = output_buffer(n);
    if (text && call(text.get(), n, fmt, ap) != 0) text.reset();
    return text;
}

int _lha::run(char* output, int size, const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    heap_buffer<char> text = run_output(output, size, fmt, ap);
    va_end(ap);
    if (!text) return 0;
    if (console_hooks.logging_on()) console_hooks.printf_hook("%s", text.get());
    if (output) copy_output(output, size, text.get());
    return 1;
}

int _lha_lha::run(char* output, int size, const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    heap_buffer<char> text = run_output(output, size, fmt, ap);
    va_end(ap);
    if (!text) return 0;
    if (output) {
        copy_output(output, size, text.get());
        return 1;
    }
    char* rest = text.get();
    int lines = count_output_lines(text.get(), &rest);
    if (console_hooks.logging_on()) console_hooks.printf_hook("%s", rest);
    return lines;
}

int _lha::version_text(char* out, size_t cap)
{
    if (!module) return 0;
    double version = get_version ? get_version() / 100.0 : 0.0;
    text_format(out, cap, "%s %s ver.%4.2lf", names, dll_name(), version);
    return 1;
}

int _lha::member_count(const char* archive)
{
    if (!module || !get_file_count) return 0;
    int n = get_file_count(archive);
    if (n != -1) return n;
    if (!open_archive || !find_first_entry || !find_next || !close_archive) return -1;
    HARC handle = open_archive(nullptr, archive, ARCHIVE_OPEN_MODE);
    if (!handle) return -1;
    // FindNext answers 0 for a member, -1 at the end and anything else for a
    // damaged listing, whose count is unknown.
    int count = 0;
    int step = find_first_entry(handle, "*.*", nullptr);
    while (step == 0) {
        count++;
        step = find_next(handle, nullptr);
    }
    close_archive(handle);
    return step == -1 ? count : -1;
}

int _lha::for_each_member(const char* archive, int (*fn)(const archive_member_info& info, void* data), void* data)
{
    if (!module || !open_archive || !find_first_entry || !find_next || !close_archive) return 0;
    HARC handle = open_archive(nullptr, archive, ARCHIVE_OPEN_MODE);
    if (!handle) return 0;
    archive_member_info info;
    int step = find_first_entry(handle, "*.*", &info);
    while (step == 0) {
        info.name[ARCHIVE_NAME_MAX] = 0;
        if (!fn(info, data)) break;
        step = find_next(handle, &info);
    }
    close_archive(handle);
    return step == -1 ? 1 : 0;
}

int _lha::is_damaged(const char* archive)
{
    if (!module || file_size(archive) == 0) return 0;
    if (member_count(archive) < 0) return is_held(archive) ? 0 : 1;
    if (is_encrypted(archive) || !check_archive) return 0;
    return check_archive(archive, ARCHIVE_CHECK_FULL_CRC) || is_held(archive) ? 0 : 1;
}

int _lha::is_held(const char* archive)
{
    if (!module || !open_archive || !close_archive) return 0;
    // Opened here as the DLLs open it, nothing holds it, and no listing is read.
    file_handle h(CreateFileA(archive, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (h) return 0;
    HARC handle = open_archive(nullptr, archive, ARCHIVE_OPEN_MODE);
    if (handle) {
        close_archive(handle);
        return 0;
    }
    DWORD why = GetLastError();
    return why == ERROR_SHARING_VIOLATION || why == ERROR_LOCK_VIOLATION ? 1 : 0;
}

static int utf8_member(const archive_member_info& info, void* found)
{
    if (info.flag & ARCHIVE_FLAG_NAME_UTF8) *static_cast<int*>(found) = 1;
    return *static_cast<int*>(found) == 0;
}

int _lha::names_in_utf8(const char* archive)
{
    int found = 0;
    for_each_member(archive, utf8_member, &found);
    return found;
}

int _lha::create_like(const char* archive, const char* source, const char* password, const char* model, int carry)
{
    utf8_names = model && names_in_utf8(model);
    if (!carry || !model || !full_path(carry_from, sizeof carry_from, model)) carry_from[0] = 0;
    int result = create(archive, source, password);
    // A DLL that cannot carry members over fails the command: it is asked to
    // create instead, unless the user stopped it.
    if (!result && carry_from[0] && !archiver_stopped()) {
        carry_from[0] = 0;
        result = create(archive, source, password);
    }
    carry_from[0] = 0;
    utf8_names = 0;
    return result;
}

namespace {

// A listed member's name as a path below the folder: backslashes, no "./".
void member_path(const char* name, char* out, size_t cap)
{
    text_copy_n(out, cap, name, strlen(name));
    for (char* p = out; *p; p = const_cast<char*>(mb_next(p)))
        if (*p == '/') *p = '\\';
    while (out[0] == '.' && out[1] == '\\') memmove(out, out + 2, strlen(out + 2) + 1);
}

struct member_entry {
    char name[ARCHIVE_NAME_MAX + 1];
    DWORD size;
};

int collect_member(const archive_member_info& info, void* data)
{
    member_entry m;
    member_path(info.name, m.name, sizeof m.name);
    m.size = info.original_size;
    static_cast<std::vector<member_entry>*>(data)->push_back(m);
    return 1;
}

// The walk of the folder's files against the listing.
struct holds_state {
    const std::vector<member_entry>* members;
    size_t root;  // length of the folder's path with its backslash
    bool all_held;
};
holds_state* holding;

int check_held_cb(walk_item* item)
{
    const char* below = item->path + holding->root;
    DWORD size = item->find_data->nFileSizeLow;
    for (const member_entry& m : *holding->members)
        if (m.size == size && lstrcmpiA(m.name, below) == 0) return 1;
    holding->all_held = false;
    return 0;
}

}  // namespace

int _lha::holds_folder(const char* archive, const char* folder)
{
    std::vector<member_entry> members;
    char root[PATH_BUF];
    if (!for_each_member(archive, collect_member, &members) || !text_copy(root, folder)) return 0;
    add_backslash(root);
    holds_state state = {&members, strlen(root), true};
    holding = &state;
    walk_item record = {};
    walk_tree(folder, "*.*", &record, check_held_cb, nullptr, nullptr, nullptr);
    holding = nullptr;
    return state.all_held && record.failures == 0 ? 1 : 0;
}

namespace {

// The walk of the listing against the extracted folder.
struct left_out_state {
    const char* root;
    std::set<std::tuple<DWORD, DWORD, DWORD>> found;  // files already matched, by identity
    int missing;
};

int check_extracted_cb(const archive_member_info& info, void* data)
{
    left_out_state& s = *static_cast<left_out_state*>(data);
    char name[ARCHIVE_NAME_MAX + 1], path[PATH_BUF];
    member_path(info.name, name, sizeof name);
    const char* last = mb_last(name);
    if (!*name || *last == '\\') return 1;  // a folder
    BY_HANDLE_FILE_INFORMATION file;
    file_handle h;
    if (member_name_is_safe(name) && path_join(path, s.root, name))
        h.reset(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h || !GetFileInformationByHandle(h.get(), &file)) {
        s.missing++;
        return 1;
    }
    // A folder listed without its separator holds nothing of its own.
    if (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (info.original_size != 0) s.missing++;
        return 1;
    }
    // Two members on one file (names equal but for case): one of them is lost.
    bool sized = file.nFileSizeHigh == 0 && file.nFileSizeLow == info.original_size;
    if (!sized ||
        !s.found.insert(std::make_tuple(file.dwVolumeSerialNumber, file.nFileIndexHigh, file.nFileIndexLow)).second)
        s.missing++;
    return 1;
}

}  // namespace

int _lha::members_left_out(const char* archive, const char* folder)
{
    if (!module) return -1;
    if (file_size(archive) == 0) return 0;
    left_out_state state = {folder, {}, 0};
    return for_each_member(archive, check_extracted_cb, &state) ? state.missing : -1;
}

int _lha::find_first(HARC archive, archive_member_info* info)
{
    // Without the DLL nothing is found (0 would claim a member).
    if (!module || !find_first_entry) return -1;
    return find_first_entry(archive, "*.*", info);
}

int count_output_lines(char* text, char** rest)
{
    int count = 0;
    bool leading = text[0] == '\n';
    for (char* p = text; *p; p++) {
        if (*p != '\n') continue;
        count++;
        if (p[1] == '\n') *p = ' ';
    }
    *rest = text;
    if (leading) {
        count--;
        *rest = text + 1;
    }
    return count < 1 ? 1 : count;
}

const char* strip_backslash_copy(const char* path)
{
    static char buffer[PATH_BUF];
    if (!text_copy(buffer, path)) return buffer;
    remove_backslash(buffer);
    return buffer;
}

int member_name_is_safe(const char* member)
{
    if (!member || !*member || *member == '\\' || *member == '/') return 0;
    const char* start = member;
    for (const char* p = member;; p = mb_next(p)) {
        if (*p == ':' || *p == '"') return 0;
        if (*p == '\\' || *p == '/' || *p == 0) {
            if (p - start == 2 && start[0] == '.' && start[1] == '.') return 0;
            if (*p == 0) return 1;
            start = p + 1;
        }
    }
}

int archive_password_is_safe(const char* password)
{
    if (!password || !*password) return 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(password); *p; p++)
        if (*p <= ' ' || *p == '"') return 0;
    return 1;
}

static _lha* make_plain(const archiver_kind& k, _lha* object)
{
    lha_load(object, k.dll, k.prefix, k.kind);
    return object;
}

static _lha* make_lha_object() { return new _lha_lha; }
static _lha* make_zip_object() { return new _lha_zip; }
static _lha* make_cab_object() { return new _lha_cab; }
static _lha* make_tar_object() { return new _lha_tar; }

archiver_kind archiver_kinds[ARCHIVER_KINDS] = {
    {{".lzh", nullptr, nullptr}, "unlha32.dll", "Unlha", 1, make_lha_object, nullptr},
    {{".zip", nullptr, nullptr}, "unzip32.dll", "UnZip", 0, make_zip_object, nullptr},
    {{".cab", nullptr, nullptr}, "cab32.dll", "Cab", 1, make_cab_object, nullptr},
    {{".gz", ".tgz", ".z"}, "tar32.dll", "Tar", 0, make_tar_object, nullptr},
};

_lha* open_archiver_for(const char* archive)
{
    for (archiver_kind& k : archiver_kinds) {
        bool match = false;
        for (const char* ext : k.extensions)
            if (ext && has_extension(archive, ext)) match = true;
        if (!match) continue;
        if (!k.object) {
            k.object = make_plain(k, k.make());
            if (_lha_zip* zip = dynamic_cast<_lha_zip*>(k.object)) zip->load_creator();
        }
        return k.object->module ? k.object : nullptr;
    }
    return nullptr;
}
