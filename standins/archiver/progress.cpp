// The caller's progress procedure (SetOwnerWindowEx): called with the
// registered message "wm_arcextract", a state (begin, in process) and the
// member's record, as the common archiver API has it. Its FALSE stops the
// command, which then writes nothing.
#include "standins/archiver/standin.h"
#include "files/files.h"
#include <cstring>

namespace {

HWND owner;
archiver_progress_proc procedure;
bool stopped;
archive_progress_info info;

void copy_name(char (&to)[ARCHIVE_NAME_MAX + 1], const std::string& from)
{
    size_t n = from.size() < size_t(ARCHIVE_NAME_MAX) ? from.size() : size_t(ARCHIVE_NAME_MAX);
    memcpy(to, from.data(), n);
    to[n] = 0;
}

DWORD pace()
{
    char value[16];
    DWORD n = GetEnvironmentVariableA("ZOTE_ARCHIVER_PACE", value, sizeof value);
    return n && n < sizeof value ? strtoul(value, nullptr, 10) : 0;
}

bool report(UINT state)
{
    if (!procedure || stopped) return !stopped;
    if (DWORD ms = pace()) Sleep(ms);
    static const UINT message = RegisterWindowMessageA("wm_arcextract");
    if (!procedure(owner, message, state, &info)) stopped = true;
    return !stopped;
}

}  // namespace

void set_progress_procedure(HWND window, void* proc)
{
    owner = window;
    procedure = reinterpret_cast<archiver_progress_proc>(proc);
}

void progress_command_begins() { stopped = false; }

bool progress_stopped() { return stopped; }

bool report_begin(const member& m)
{
    memset(&info, 0, sizeof info);
    info.file_size = static_cast<DWORD>(m.size);
    copy_name(info.source_name, m.source);
    copy_name(info.dest_name, m.name);
    dos_date_time(m.mtime, &info.date, &info.time);
    return report(ARCHIVE_PROGRESS_BEGIN);
}

bool report_bytes(const member& m, long long done)
{
    info.file_size = static_cast<DWORD>(m.size);
    info.write_size = static_cast<DWORD>(done);
    return report(ARCHIVE_PROGRESS_IN_PROCESS);
}
