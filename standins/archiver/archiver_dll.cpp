// The exports of a stand-in archiver DLL. ARCHIVER_PREFIX names the command
// entry and begins every other entry's name (UnlhaGetVersion, ...);
// ARCHIVER_KIND fixes the command syntax. Every command line received is
// appended to the file named by ZOTE_ARCHIVER_LOG ("prefix<TAB>command").
// For tests, ZOTE_ARCHIVER_FAIL (a list of prefixes) makes commands fail
// untouched, ZOTE_ARCHIVER_OUTPUT replaces the output text,
// ZOTE_ARCHIVER_FILL fills the whole output buffer without a terminator,
// ZOTE_ARCHIVER_NO_COUNT makes GetFileCount answer -1, and
// ZOTE_ARCHIVER_THROW (a list of prefixes) makes commands run out of memory.
// A caller's progress procedure registered through SetOwnerWindowEx is told
// of every member and block a pack writes; its FALSE ends the command with
// RESULT_CANCELLED, nothing written (ZOTE_ARCHIVER_PACE slows each report).
// Nothing thrown inside crosses into the caller, whose C++ runtime is not
// this DLL's (a throw would end the calling program): a fault inside, memory
// running out among them, ends the call with an error and does nothing.
#include "files/files.h"
#include "standins/archiver/commands.h"
#include <cstring>
#include <memory>
#include <new>

#define JOIN2(a, b) a##b
#define JOIN(a, b) JOIN2(a, b)
#define ENTRY(name) JOIN(ARCHIVER_PREFIX, name)
#define QUOTE2(a) #a
#define QUOTE(a) QUOTE2(a)
#define EXPORT extern "C" __declspec(dllexport)

namespace {

std::string env(const char* name)
{
    char value[4096];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n && n < sizeof value ? std::string(value, n) : std::string();
}

void log_command(const char* line)
{
    std::string path = env("ZOTE_ARCHIVER_LOG");
    if (path.empty()) return;
    HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    std::string text = std::string(QUOTE(ARCHIVER_PREFIX)) + "\t" + line + "\n";
    DWORD done;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
    CloseHandle(h);
}

// Whether the list of prefixes in the variable names this DLL.
bool named_in(const char* variable)
{
    std::string list = " " + env(variable) + " ";
    return list.find(" " QUOTE(ARCHIVER_PREFIX) " ") != std::string::npos;
}

void write_output(const std::string& text, LPSTR output, DWORD size)
{
    if (!output || size == 0) return;
    if (!env("ZOTE_ARCHIVER_FILL").empty()) {
        memset(output, 'x', size);
        return;
    }
    size_t n = text.size() < size - 1 ? text.size() : size - 1;
    memcpy(output, text.data(), n);
    output[n] = 0;
}

struct open_listing {
    member_list list;
    size_t next = 0;
    std::string pattern;
};

void fill_info(const member& m, archive_member_info* info)
{
    memset(info, 0, sizeof *info);
    info->original_size = static_cast<DWORD>(m.size);
    info->compressed_size = static_cast<DWORD>(m.size);
    info->ratio = 1000;
    dos_date_time(m.mtime, &info->date, &info->time);
    // zip and tar name folders with "/", the others with "\".
    bool slashes = ARCHIVER_KIND == KIND_UNZIP || ARCHIVER_KIND == KIND_TAR;
    std::string name = slashes ? swap_separators(m.name, '\\', '/') : m.name;
    size_t n = name.size() < size_t(ARCHIVE_NAME_MAX) ? name.size() : size_t(ARCHIVE_NAME_MAX);
    memcpy(info->name, name.data(), n);
    if (m.utf8) info->flag |= ARCHIVE_FLAG_NAME_UTF8;
    memcpy(info->attribute, m.encrypted ? "---a-e" : "---a--", 6);
    memcpy(info->mode, m.encrypted ? "crypt" : "stored", m.encrypted ? 5 : 6);
}

// The next file member matching the listing's pattern; -1 at the end, an
// error code where a damaged listing stops.
int step(open_listing* l, archive_member_info* info)
{
    while (l->next < l->list.members.size()) {
        const member& m = l->list.members[l->next++];
        if (m.folder || !member_matches(l->pattern, m.name, true)) continue;
        if (info) fill_info(m, info);
        return 0;
    }
    return l->list.damaged ? RESULT_DAMAGED_LISTING : -1;
}

template <class R, class F> R guarded(R on_fault, F body)
{
    try {
        return body();
    } catch (...) {
        return on_fault;
    }
}

}  // namespace

EXPORT int WINAPI ARCHIVER_PREFIX(HWND, LPCSTR command, LPSTR output, DWORD size)
{
    if (!command) return RESULT_BAD_COMMAND;
    if (output && size) output[0] = 0;
    return guarded(int(RESULT_FAULT), [&] {
        log_command(command);
        if (named_in("ZOTE_ARCHIVER_FAIL")) return int(RESULT_TOLD_TO_FAIL);
        if (named_in("ZOTE_ARCHIVER_THROW")) throw std::bad_alloc();
        std::string text;
        progress_command_begins();
        int result = run_command(ARCHIVER_KIND, command, &text);
        if (result != RESULT_OK && progress_stopped()) result = RESULT_CANCELLED;
        std::string fixed = env("ZOTE_ARCHIVER_OUTPUT");
        write_output(fixed.empty() ? text : fixed, output, size);
        return result;
    });
}

EXPORT int WINAPI ENTRY(Extract)(HWND window, LPCSTR command, LPSTR output, DWORD size)
{
    return ARCHIVER_PREFIX(window, command, output, size);
}

#ifndef ARCHIVER_NO_VERSION
EXPORT WORD WINAPI ENTRY(GetVersion)() { return ARCHIVER_VERSION; }
#endif

EXPORT BOOL WINAPI ENTRY(SetBackGroundMode)(BOOL) { return TRUE; }

EXPORT BOOL WINAPI ENTRY(SetOwnerWindowEx)(HWND window, archiver_progress_proc procedure)
{
    set_progress_procedure(window, reinterpret_cast<void*>(procedure));
    return TRUE;
}

EXPORT BOOL WINAPI ENTRY(KillOwnerWindowEx)(HWND)
{
    set_progress_procedure(nullptr, nullptr);
    return TRUE;
}
EXPORT BOOL WINAPI ENTRY(SetCursorMode)(BOOL) { return TRUE; }

EXPORT BOOL WINAPI ENTRY(CheckArchive)(LPCSTR archive, int)
{
    return guarded(FALSE, [&] { return archive && check_archive_file(archive, nullptr) ? TRUE : FALSE; });
}

EXPORT int WINAPI ENTRY(GetFileCount)(LPCSTR archive)
{
    if (!archive || !env("ZOTE_ARCHIVER_NO_COUNT").empty()) return -1;
    return guarded(-1, [&] {
        member_list list;
        if (read_archive(archive, nullptr, member_filter(), &list) != RESULT_OK || list.damaged) return -1;
        int count = 0;
        for (const member& m : list.members)
            if (!m.folder) count++;
        return count;
    });
}

// Null when the archive cannot be listed; the thread's last error then says
// why: ERROR_SHARING_VIOLATION while another program holds it (no damage),
// ERROR_FILE_NOT_FOUND, ERROR_BAD_FORMAT for what is no archive it reads.
EXPORT HARC WINAPI ENTRY(OpenArchive)(HWND, LPCSTR archive, DWORD)
{
    if (!archive) return nullptr;
    DWORD why = ERROR_NOT_ENOUGH_MEMORY;
    HARC opened = guarded(HARC(nullptr), [&] {
        std::unique_ptr<open_listing> l(new open_listing);
        int r = read_archive(archive, nullptr, member_filter(), &l->list);
        if (r != RESULT_OK && !l->list.damaged) {
            why = r == RESULT_IN_USE       ? ERROR_SHARING_VIOLATION
                  : r == RESULT_NO_ARCHIVE ? ERROR_FILE_NOT_FOUND
                                           : ERROR_BAD_FORMAT;
            return HARC(nullptr);
        }
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExA(archive, GetFileExInfoStandard, &data))
            for (member& m : l->list.members)
                if (m.mtime == 0) m.mtime = filetime_to_time(data.ftLastWriteTime);
        return reinterpret_cast<HARC>(l.release());
    });
    // Set last: the listing's clean-up above calls the system too.
    if (!opened) SetLastError(why);
    return opened;
}

EXPORT int WINAPI ENTRY(CloseArchive)(HARC archive)
{
    delete reinterpret_cast<open_listing*>(archive);
    return 0;
}

EXPORT int WINAPI ENTRY(FindFirst)(HARC archive, LPCSTR wildcard, archive_member_info* info)
{
    open_listing* l = reinterpret_cast<open_listing*>(archive);
    if (!l) return RESULT_BAD_COMMAND;
    return guarded(int(RESULT_FAULT), [&] {
        l->next = 0;
        l->pattern = wildcard && *wildcard ? wildcard : "*.*";
        return step(l, info);
    });
}

EXPORT int WINAPI ENTRY(FindNext)(HARC archive, archive_member_info* info)
{
    open_listing* l = reinterpret_cast<open_listing*>(archive);
    return l ? guarded(int(RESULT_FAULT), [&] { return step(l, info); }) : RESULT_BAD_COMMAND;
}

EXPORT int WINAPI ENTRY(GetAttribute)(HARC archive)
{
    open_listing* l = reinterpret_cast<open_listing*>(archive);
    if (!l) return -1;
    return l->list.any_encrypted ? ARCHIVE_ENCRYPTED_BIT : 0;
}
