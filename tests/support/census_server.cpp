// The answering side of the census (census.h), linked only into the program
// the screen tests start. A thread of its own waits for the asking event of
// this process id and writes the census into the mapping: GDI handles and
// memory belong to the process, not to a thread, and the program's own
// threads are left alone. A test asks once the program waits for the user,
// so no drawing is half done.
#include "tests/support/census.h"
#include "tests/support/guarded_heap.h"
#include <psapi.h>

namespace {

struct {
    HANDLE ask, told, map;
} channel;

DWORD WINAPI answer(void*)
{
    while (WaitForSingleObject(channel.ask, INFINITE) == WAIT_OBJECT_0) {
        bench::census c;
        bench::count_gdi_objects(c);
        PROCESS_MEMORY_COUNTERS m = {sizeof m};
        if (GetProcessMemoryInfo(GetCurrentProcess(), &m, sizeof m)) c.resident_mb = m.WorkingSetSize / 1048576.0;
        size_t bytes = 0;
        c.heap_blocks = bench::heap_live(&bytes);
        c.heap_mb = bytes / 1048576.0;
        if (void* view = MapViewOfFile(channel.map, FILE_MAP_WRITE, 0, 0, sizeof c)) {
            *(bench::census*)view = c;
            UnmapViewOfFile(view);
        }
        SetEvent(channel.told);
    }
    return 0;
}

__attribute__((constructor)) void start_census_server()
{
    DWORD pid = GetCurrentProcessId();
    channel.ask = CreateEventA(nullptr, FALSE, FALSE, bench::census_name("ask", pid).c_str());
    channel.told = CreateEventA(nullptr, FALSE, FALSE, bench::census_name("told", pid).c_str());
    channel.map = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(bench::census),
                                     bench::census_name("answer", pid).c_str());
    if (!channel.ask || !channel.told || !channel.map) return;
    HANDLE thread = CreateThread(nullptr, 0, answer, nullptr, 0, nullptr);
    if (thread) CloseHandle(thread);
}

}  // namespace
