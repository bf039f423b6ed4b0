// The guarded heap of the test builds (guarded_heap.cpp): what a test that
// starts a guarded program needs to know of its reports.
#pragma once
#include <windows.h>

namespace bench {

// The exit code of a process the guarded heap ended on a fault.
enum : DWORD { HEAP_FAULT_EXIT = 0x4847 };
// The environment variable that names the file a fault report goes to
// (without it, "<program>.heap-fault.txt" beside the program). Set to "off",
// ZOTE_GUARDED_HEAP leaves the runtime's own heap in place.
constexpr const char* HEAP_REPORT_VARIABLE = "ZOTE_HEAP_REPORT";

// Whether the running program's allocator is the guarded heap.
bool heap_is_guarded();
// The guarded heap's live blocks, and their bytes in *bytes (both 0 when it is off).
long heap_live(size_t* bytes);

}  // namespace bench
