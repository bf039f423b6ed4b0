// The guarded heap the tests run on: a fault at a block's edge or in a freed
// block ends the process with a report at the faulty access, also where the
// system would swallow the fault, and so does every other way a program can
// end badly (an exception nobody catches, abort(), an invalid parameter to
// the C runtime, an exception no handler takes; an exit code other than 0 is
// reported beside a report file); everything else allocates as before.
#include "tests/support/bench.h"
#include "tests/support/guarded_heap.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

volatile char sink;

// A timer procedure's fault is swallowed by the system's dispatch.
char* timer_block;
void CALLBACK overrun_in_timer(HWND, UINT, UINT_PTR, DWORD) { timer_block[24] = 1; }

}  // namespace

ZOTE_CHILD(heap_fault)
{
    char which[32] = "";
    GetEnvironmentVariableA("ZOTE_HEAP_CASE", which, sizeof which);
    std::string c = which;
    if (c == "write past") {
        char* volatile p = static_cast<char*>(malloc(16));
        p[16] = 1;
    } else if (c == "read after free") {
        int* volatile p = new int(5);
        delete p;
        sink = char(*p);
    } else if (c == "rounding") {
        char* volatile p = static_cast<char*>(malloc(13));
        p[14] = 1;
        free(p);
    } else if (c == "freed twice") {
        char* volatile p = new char[40];
        delete[] p;
        delete[] p;
    } else if (c == "large write past") {
        char* volatile p = static_cast<char*>(malloc(3 << 20));
        p[3 << 20] = 1;
    } else if (c == "uncaught") {
        volatile size_t most = size_t(-1) / 4;
        sink = *new char[most];  // operator new throws, and nothing catches it
    } else if (c == "abort") {
        abort();
    } else if (c == "invalid parameter") {
        typedef int(__cdecl * copy_fn)(char*, size_t, const char*);
        auto copy = reinterpret_cast<copy_fn>(GetProcAddress(GetModuleHandleA("msvcrt.dll"), "strcpy_s"));
        if (copy) copy(nullptr, 4, "表");
    } else if (c == "no handler") {
        *static_cast<volatile int*>(nullptr) = 1;
    } else if (c == "exit code") {
        exit(5);
    } else if (c == "in a timer") {
        timer_block = static_cast<char*>(malloc(24));
        SetTimer(nullptr, 0, 1, overrun_in_timer);
        MSG m;
        for (DWORD start = GetTickCount(); GetTickCount() - start < 2000;)
            if (GetMessageA(&m, nullptr, 0, 0)) DispatchMessageA(&m);
    }
    printf("no fault\n");
    return 0;
}

TEST(GuardedHeap, FaultsAreReportedWhereTheyHappen)
{
    ASSERT_TRUE(bench::heap_is_guarded());
    const DWORD fault = bench::HEAP_FAULT_EXIT;
    struct {
        const char* name;
        const char* report;
        DWORD exit_code;
    } cases[] = {
        {"write past", "a write at", fault},
        {"read after free", "a freed block", fault},
        {"rounding", "the bytes around a block were overwritten", fault},
        {"freed twice", "freed twice", fault},
        {"large write past", "0 bytes past the end of the block of 3145728 bytes", fault},
        {"in a timer", "0 bytes past the end of the block of 24 bytes", fault},
        {"uncaught", "an exception nobody catches: St9bad_alloc", fault},
        {"abort", "the program was aborted", fault},
        {"invalid parameter", "an invalid parameter handed to the C runtime", fault},
        {"no handler", "an exception no handler takes: code 0xc0000005", fault},
        {"exit code", "the program ended with exit code 5", 5},
    };
    bench::scratch_dir dir;
    std::string report = dir.file("report.txt");
    SetEnvironmentVariableA(bench::HEAP_REPORT_VARIABLE, report.c_str());
    for (const auto& c : cases) {
        SetEnvironmentVariableA("ZOTE_HEAP_CASE", c.name);
        DeleteFileA(report.c_str());
        bench::child_result r = bench::run_child("heap_fault");
        EXPECT_EQ(r.exit_code, c.exit_code) << c.name << "\n" << r.output;
        EXPECT_NE(bench::read_file(report).find(c.report), std::string::npos) << c.name << "\n" << r.output;
    }
    SetEnvironmentVariableA("ZOTE_HEAP_CASE", nullptr);
    SetEnvironmentVariableA(bench::HEAP_REPORT_VARIABLE, nullptr);
}

TEST(GuardedHeap, AllocatesAsTheRuntimeDoes)
{
    char* z = static_cast<char*>(calloc(1000, 3));
    EXPECT_EQ(std::string(z, 3000), std::string(3000, '\0'));
    strcpy(z, "表ソ能");
    char* moved = static_cast<char*>(realloc(z, 70000));
    EXPECT_STREQ(moved, "表ソ能");
    char* big = static_cast<char*>(realloc(moved, 5 << 20));
    EXPECT_STREQ(big, "表ソ能");
    big[(5 << 20) - 1] = 1;
    free(big);
    // Blocks the runtime made itself go back to it.
    typedef char*(__cdecl * strdup_fn)(const char*);
    auto runtime_strdup = reinterpret_cast<strdup_fn>(GetProcAddress(GetModuleHandleA("msvcrt.dll"), "_strdup"));
    char* foreign = runtime_strdup("runtime");
    free(realloc(foreign, 100));
    free(_strdup("ours"));
    // Freed blocks come back into use after their quarantine.
    for (int i = 0; i < 200000; i++) {
        char* volatile p = new char[1 + i % 5000];
        delete[] p;
    }
    EXPECT_EQ(malloc(size_t(-1) / 2), nullptr);
}
