// The guarded heap of the test builds. Every block of the C runtime's heap
// ends (rounded up to 8 bytes) against a page that cannot be touched, and a
// freed block's pages go back to the system and stay out of use for a while,
// so that an overrun or a use after free faults at the faulty access instead
// of damaging a neighbour that fails much later. The few bytes of rounding
// after a block, and 16 before it, hold a pattern checked when it is freed.
//
// It is linked only into the test programs and into the program the screen
// tests start. A static initialiser that runs before the others points the
// program's own import entries for the runtime's malloc, calloc, realloc,
// free and _strdup here; operator new and delete and the image libraries
// follow, as they call those. Blocks made before that, or inside the runtime
// itself, are not in the arena: they are handed back to the runtime.
//
// Small blocks live in one arena reserved at start-up, each with its own
// committed pages followed by an uncommitted one; large blocks (decoded
// photos) get a reservation of their own. A fault in a guard page or in a
// freed block is caught by a vectored handler, which runs before any handler
// of the system's could swallow it (a fault inside a window procedure called
// back by the system may be): it writes a report and ends the process with
// HEAP_FAULT_EXIT. Other faults are left to whoever expects them.
//
// Every other way the program can end is reported the same way, the heap on
// or off (ZOTE_GUARDED_HEAP=off): an exception nobody catches, abort() (also
// the terminate of a DLL with a C++ runtime of its own, whose throw never
// reaches this one), an invalid parameter handed to the C runtime (Windows'
// own runtime ends the process there; Wine's returns an error), and an
// exception no handler takes. When a report file is named, so is an exit with
// a code other than 0 (a test program's exit code is its result, so not
// without one). Return addresses in the program are given as they are, those
// in other modules of ours (a DLL, not Wine's own) as name+offset.
#include "tests/support/guarded_heap.h"
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cxxabi.h>
#include <exception>

namespace {

typedef void*(__cdecl* malloc_fn)(size_t);
typedef void(__cdecl* free_fn)(void*);
typedef void*(__cdecl* realloc_fn)(void*, size_t);
typedef size_t(__cdecl* msize_fn)(void*);

// The runtime's own allocator, for blocks that are not ours.
struct {
    malloc_fn malloc;
    free_fn free;
    realloc_fn realloc;
    msize_fn msize;
} runtime;

enum : size_t { PAGE = 4096, ALIGN = 8, LEAD = 16 };
enum : BYTE { PATTERN = 0xFB };
// Blocks of this size or more take a reservation of their own.
enum : size_t { LARGE = 1 << 20 };
enum { SITES = 3 };

// Where a block was made and freed: return addresses in the program.
struct sites {
    const void* at[SITES];
};

// ---- the arena of small blocks ----

enum : BYTE { FREE, DATA, GUARD, FREED };

struct block_info {
    size_t size;
    uint32_t pages;  // data pages; one guard page follows
    sites made, freed;
};

struct arena_record {
    BYTE* base;
    uint32_t pages;
    BYTE* state;       // per page
    uint32_t* owner;   // per page: the first page of its block
    block_info* info;  // at first pages
    uint32_t cursor;   // where the next search for room starts
    uint32_t free_pages;
    // Freed blocks (their first pages) wait here before their pages are reused.
    uint32_t* quarantine;
    uint32_t quarantine_cap, quarantine_head, quarantine_count, quarantine_pages, quarantine_most;
} arena;

// ---- large blocks ----

struct large_block {
    BYTE* base;  // the reservation
    size_t reserved;
    BYTE* data;  // the committed pages, ending at the guard page
    BYTE* user;
    size_t size;
    bool in_use, freed;
    sites made, freed_at;
};
enum { LARGE_SLOTS = 2048, LARGE_QUARANTINE = 16 };
large_block large[LARGE_SLOTS];
int large_quarantine[LARGE_QUARANTINE];
int large_quarantine_count;

struct {
    long blocks, live, most_live, fallbacks, foreign_frees;
    size_t live_bytes;
} counts;

CRITICAL_SECTION heap_lock;
bool guarded;

struct locked {
    locked() { EnterCriticalSection(&heap_lock); }
    ~locked() { LeaveCriticalSection(&heap_lock); }
};

size_t round_up(size_t n, size_t to) { return (n + to - 1) / to * to; }

// ---- return addresses ----

const BYTE *text_start, *text_end;

void find_program_text()
{
    BYTE* base = (BYTE*)GetModuleHandleA(nullptr);
    auto* nt = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
    IMAGE_SECTION_HEADER* s = IMAGE_FIRST_SECTION(nt);
    for (int i = 0; i < nt->FileHeader.NumberOfSections; i++, s++)
        if (memcmp(s->Name, ".text", 6) == 0) {
            text_start = base + s->VirtualAddress;
            text_end = text_start + s->Misc.VirtualSize;
        }
}

// Whether the code before p ends in a call.
bool call_before(const BYTE* p)
{
    if (p[-5] == 0xE8) return true;  // call rel32
    // call through a register or memory: FF /2 with 0 to 5 bytes after the ModRM byte
    for (int back = 2; back <= 7; back++)
        if (p[-back] == 0xFF && ((p[-back + 1] >> 3) & 7) == 2) return true;
    return false;
}

// A value on the stack that points just after a call in the program's code.
bool looks_like_return(uintptr_t v)
{
    const BYTE* p = (const BYTE*)v;
    return p >= text_start + 8 && p <= text_end && call_before(p);
}

// A value on the stack that points just after a call in the code of another
// module of ours: the module's base, or null. Wine's own DLLs say so after
// their DOS header.
const BYTE* module_return(uintptr_t v)
{
    MEMORY_BASIC_INFORMATION m;
    if (v < 0x10000 || !VirtualQuery((const void*)v, &m, sizeof m) || m.State != MEM_COMMIT || m.Type != MEM_IMAGE)
        return nullptr;
    if (!(m.Protect & (PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY)))
        return nullptr;
    const BYTE* base = (const BYTE*)m.AllocationBase;
    if (!base || base == (const BYTE*)GetModuleHandleA(nullptr) || v < (uintptr_t)m.BaseAddress + 8) return nullptr;
    if (memcmp(base + 0x40, "Wine builtin DLL", 16) == 0 || memcmp(base + 0x40, "Wine placeholder DLL", 20) == 0)
        return nullptr;
    return call_before((const BYTE*)v) ? base : nullptr;
}

const uintptr_t* stack_top() { return (const uintptr_t*)((NT_TIB*)NtCurrentTeb())->StackBase; }

// The first return addresses found on the stack from `from` up.
int return_addresses(const void* from, const void** out, int n, int words)
{
    const uintptr_t* p = (const uintptr_t*)((uintptr_t)from & ~(uintptr_t)3);
    const uintptr_t* top = stack_top();
    int found = 0;
    for (int i = 0; i < words && p < top && found < n; i++, p++)
        if (looks_like_return(*p)) out[found++] = (const void*)*p;
    for (int i = found; i < n; i++) out[i] = nullptr;
    return found;
}

sites sites_above(const void* frame)
{
    sites s;
    return_addresses(frame, s.at, SITES, 48);
    return s;
}
// The callers of the allocator's entry that uses it.
#define here() sites_above(__builtin_frame_address(0))

// ---- small blocks ----

void fill_pattern(BYTE* user, size_t size, size_t rounded)
{
    memset(user + size, PATTERN, rounded - size);
    if ((uintptr_t)user % PAGE >= LEAD) memset(user - LEAD, PATTERN, LEAD);
}

// A run of n free pages, searched from the cursor on and wrapping once;
// blocks are stepped over whole.
uint32_t find_room(uint32_t n)
{
    if (arena.free_pages < n) return UINT32_MAX;
    uint32_t i = arena.cursor, run = 0, start = 0;
    bool wrapped = false;
    for (;;) {
        if (i + (n - run) > arena.pages) {
            if (wrapped) return UINT32_MAX;
            wrapped = true;
            i = 0, run = 0;
        }
        if (wrapped && i >= arena.cursor + n) return UINT32_MAX;
        if (arena.state[i] == FREE) {
            if (run++ == 0) start = i;
            if (run == n) return start;
            i++;
        } else {
            run = 0;
            uint32_t first = arena.owner[i];
            i = first + arena.info[first].pages + 1;
        }
    }
}

void* small_block(size_t size, const sites& made)
{
    size_t rounded = round_up(size ? size : 1, ALIGN);
    uint32_t pages = (uint32_t)(round_up(rounded, PAGE) / PAGE);
    uint32_t first = find_room(pages + 1);
    if (first == UINT32_MAX) return nullptr;
    BYTE* at = arena.base + (size_t)first * PAGE;
    if (!VirtualAlloc(at, (size_t)pages * PAGE, MEM_COMMIT, PAGE_READWRITE)) return nullptr;
    for (uint32_t k = 0; k <= pages; k++) {
        arena.state[first + k] = k < pages ? DATA : GUARD;
        arena.owner[first + k] = first;
    }
    arena.info[first] = {size, pages, made, {}};
    arena.free_pages -= pages + 1;
    arena.cursor = first + pages + 1;
    BYTE* user = at + (size_t)pages * PAGE - rounded;
    fill_pattern(user, size, rounded);
    return user;
}

BYTE* small_user(uint32_t first)
{
    const block_info& b = arena.info[first];
    return arena.base + (size_t)(first + b.pages) * PAGE - round_up(b.size ? b.size : 1, ALIGN);
}

void release_oldest()
{
    uint32_t first = arena.quarantine[arena.quarantine_head];
    arena.quarantine_head = (arena.quarantine_head + 1) % arena.quarantine_cap;
    arena.quarantine_count--;
    uint32_t pages = arena.info[first].pages + 1;
    memset(arena.state + first, FREE, pages);
    arena.quarantine_pages -= pages;
    arena.free_pages += pages;
}

void free_small(uint32_t first, const sites& freed)
{
    block_info& b = arena.info[first];
    VirtualFree(arena.base + (size_t)first * PAGE, (size_t)b.pages * PAGE, MEM_DECOMMIT);
    memset(arena.state + first, FREED, b.pages);
    b.freed = freed;
    while (arena.quarantine_count == arena.quarantine_cap || arena.quarantine_pages > arena.quarantine_most)
        release_oldest();
    arena.quarantine[(arena.quarantine_head + arena.quarantine_count) % arena.quarantine_cap] = first;
    arena.quarantine_count++;
    arena.quarantine_pages += b.pages + 1;
}

bool in_arena(const void* p) { return p >= arena.base && p < arena.base + (size_t)arena.pages * PAGE; }

// ---- large blocks ----

large_block* large_of(const void* p)
{
    for (large_block& b : large)
        if (b.in_use && p >= b.base && p < b.base + b.reserved) return &b;
    return nullptr;
}

void* large_alloc(size_t size, const sites& made)
{
    large_block* slot = nullptr;
    for (large_block& b : large)
        if (!b.in_use) {
            slot = &b;
            break;
        }
    if (!slot || size > (size_t)1 << 30) return nullptr;
    size_t rounded = round_up(size, ALIGN), data = round_up(rounded, PAGE);
    // A page before the data too, so that a write before the block faults as well.
    size_t reserved = round_up(data + 2 * PAGE, 1 << 16);
    BYTE* base = (BYTE*)VirtualAlloc(nullptr, reserved, MEM_RESERVE, PAGE_NOACCESS);
    if (!base) return nullptr;
    BYTE* at = base + reserved - PAGE - data;
    if (!VirtualAlloc(at, data, MEM_COMMIT, PAGE_READWRITE)) {
        VirtualFree(base, 0, MEM_RELEASE);
        return nullptr;
    }
    *slot = {base, reserved, at, at + data - rounded, size, true, false, made, {}};
    fill_pattern(slot->user, size, rounded);
    return slot->user;
}

void free_large(large_block& b, const sites& freed)
{
    VirtualFree(b.data, round_up(round_up(b.size, ALIGN), PAGE), MEM_DECOMMIT);
    b.freed = true;
    b.freed_at = freed;
    if (large_quarantine_count == LARGE_QUARANTINE) {
        large_block& oldest = large[large_quarantine[0]];
        VirtualFree(oldest.base, 0, MEM_RELEASE);
        oldest.in_use = false;
        memmove(large_quarantine, large_quarantine + 1, sizeof large_quarantine - sizeof *large_quarantine);
        large_quarantine_count--;
    }
    large_quarantine[large_quarantine_count++] = (int)(&b - large);
}

// ---- reports ----

struct report_text {
    char text[2048];
    size_t n = 0;
    void add(const char* s)
    {
        while (*s && n + 1 < sizeof text) text[n++] = *s++;
        text[n] = 0;
    }
    void hex(uintptr_t v)
    {
        char d[11] = "0x";
        for (int i = 0; i < 8; i++) d[2 + i] = "0123456789abcdef"[(v >> (28 - 4 * i)) & 15];
        d[10] = 0;
        add(d);
    }
    void number(size_t v)
    {
        char d[24];
        int i = sizeof d - 1;
        d[i] = 0;
        do d[--i] = char('0' + v % 10);
        while ((v /= 10) && i > 0);
        add(d + i);
    }
    void addresses(const char* what, const void* const* at, int count)
    {
        if (!at[0]) return;
        add(what);
        for (int i = 0; i < count && at[i]; i++) {
            add(" ");
            hex((uintptr_t)at[i]);
        }
        add("\n");
    }
};

// Writes the report (to the file named, and to standard error).
void write_report(report_text& r)
{
    char program[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, program, sizeof program);
    r.add("program ");
    r.add(n && n < sizeof program ? program : "?");
    r.add(" at ");
    r.hex((uintptr_t)GetModuleHandleA(nullptr));
    r.add("\n");
    char file[MAX_PATH];
    DWORD f = GetEnvironmentVariableA(bench::HEAP_REPORT_VARIABLE, file, sizeof file);
    if (!f || f >= sizeof file) {
        f = n && n + 16 < sizeof file ? n : 0;
        memcpy(file, program, f);
        memcpy(file + f, ".heap-fault.txt", 16);
    }
    DWORD written;
    HANDLE h = CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        WriteFile(h, r.text, (DWORD)r.n, &written, nullptr);
        CloseHandle(h);
    }
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err && err != INVALID_HANDLE_VALUE) WriteFile(err, r.text, (DWORD)r.n, &written, nullptr);
}

// Writes the report and ends the process at once.
[[noreturn]] void report_and_end(report_text& r)
{
    write_report(r);
    TerminateProcess(GetCurrentProcess(), bench::HEAP_FAULT_EXIT);
    ExitProcess(bench::HEAP_FAULT_EXIT);
}

// The return addresses above a point of the stack: the program's, then those
// in other modules of ours.
void stack_above(report_text& r, const char* what, const void* from, int words)
{
    const void* stack[16];
    return_addresses(from, stack, 16, words);
    r.addresses(what, stack, 16);
    const uintptr_t* p = (const uintptr_t*)((uintptr_t)from & ~(uintptr_t)3);
    const uintptr_t* top = stack_top();
    int found = 0;
    for (int i = 0; i < words && p < top && found < 12; i++, p++) {
        const BYTE* base = module_return(*p);
        if (!base) continue;
        char path[MAX_PATH];
        DWORD n = GetModuleFileNameA((HMODULE)base, path, sizeof path);
        const char* name = path;
        for (DWORD k = 0; k < n; k++)
            if (path[k] == '\\' || path[k] == '/') name = path + k + 1;
        r.add(found++ ? " " : "  in other modules ");
        r.add(n && n < sizeof path ? name : "?");
        r.add("+");
        r.hex(*p - (uintptr_t)base);
    }
    if (found) r.add("\n");
}

void describe_block(report_text& r, const void* user, size_t size, const sites& made, const sites* freed)
{
    r.add("the block of ");
    r.number(size);
    r.add(" bytes at ");
    r.hex((uintptr_t)user);
    r.add("\n");
    r.addresses("  made from", made.at, SITES);
    if (freed) r.addresses("  freed from", freed->at, SITES);
}

// Where an address lies against a block: before it, inside it or after it.
void place(report_text& r, uintptr_t address, const BYTE* user, size_t size)
{
    uintptr_t start = (uintptr_t)user, end = start + size;
    if (address >= end) {
        r.number(address - end);
        r.add(" bytes past the end of ");
    } else if (address < start) {
        r.number(start - address);
        r.add(" bytes before ");
    } else {
        r.add("byte ");
        r.number(address - start);
        r.add(" of ");
    }
}

// A bad free or realloc: the pointer and where it came from.
[[noreturn]] void bad_pointer(const char* what, const void* p)
{
    report_text r;
    r.add("guarded heap: ");
    r.add(what);
    r.add(" ");
    r.hex((uintptr_t)p);
    r.add("\n");
    if (in_arena(p) && arena.state[((BYTE*)p - arena.base) / PAGE] != FREE) {
        uint32_t first = arena.owner[((BYTE*)p - arena.base) / PAGE];
        const block_info& b = arena.info[first];
        r.add("  near ");
        describe_block(r, small_user(first), b.size, b.made, arena.state[first] == FREED ? &b.freed : nullptr);
    } else if (large_block* b = large_of(p)) {
        r.add("  near ");
        describe_block(r, b->user, b->size, b->made, b->freed ? &b->freed_at : nullptr);
    }
    const void* stack[8];
    return_addresses(__builtin_frame_address(0), stack, 8, 256);
    r.addresses("  called from", stack, 8);
    report_and_end(r);
}

// The pattern around a block is whole when it is freed.
void check_pattern(const BYTE* user, size_t size)
{
    size_t rounded = round_up(size ? size : 1, ALIGN);
    bool whole = true;
    for (size_t i = size; i < rounded; i++) whole = whole && user[i] == PATTERN;
    if ((uintptr_t)user % PAGE >= LEAD)
        for (size_t i = 1; i <= LEAD; i++) whole = whole && user[-(ptrdiff_t)i] == PATTERN;
    if (!whole) bad_pointer("the bytes around a block were overwritten: freeing", user);
}

LONG CALLBACK on_fault(EXCEPTION_POINTERS* e)
{
    EXCEPTION_RECORD* x = e->ExceptionRecord;
    if (x->ExceptionCode != EXCEPTION_ACCESS_VIOLATION || x->NumberParameters < 2) return EXCEPTION_CONTINUE_SEARCH;
    uintptr_t address = x->ExceptionInformation[1];
    const void* p = (const void*)address;
    report_text r;
    r.add("guarded heap: ");
    r.add(x->ExceptionInformation[0] == 1 ? "a write at " : "a read at ");
    r.hex(address);
    r.add(", ");
    if (in_arena(p)) {
        uint32_t page = (uint32_t)(((const BYTE*)p - arena.base) / PAGE);
        BYTE state = arena.state[page];
        if (state == DATA) return EXCEPTION_CONTINUE_SEARCH;
        if (state == FREE) {
            r.add("in the heap outside any block\n");
        } else {
            uint32_t first = arena.owner[page];
            const block_info& b = arena.info[first];
            const BYTE* user = small_user(first);
            place(r, address, user, b.size);
            r.add(state == FREED ? "a freed block: " : "");
            describe_block(r, user, b.size, b.made, state == FREED ? &b.freed : nullptr);
        }
    } else if (large_block* b = large_of(p)) {
        bool inside = p >= b->data && p < b->data + round_up(round_up(b->size, ALIGN), PAGE);
        if (inside && !b->freed) return EXCEPTION_CONTINUE_SEARCH;
        place(r, address, b->user, b->size);
        r.add(b->freed ? "a freed block: " : "");
        describe_block(r, b->user, b->size, b->made, b->freed ? &b->freed_at : nullptr);
    } else {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    r.add("  at ");
    r.hex(e->ContextRecord->Eip);
    r.add("\n");
    const void* stack[12];
    return_addresses((const void*)e->ContextRecord->Esp, stack, 12, 1024);
    r.addresses("  called from", stack, 12);
    report_and_end(r);
}

// ---- the allocator ----

void note_made(size_t size)
{
    counts.blocks++;
    counts.live_bytes += size;
    if (++counts.live > counts.most_live) counts.most_live = counts.live;
}

void* guarded_alloc(size_t size, const sites& made)
{
    void* p = nullptr;
    {
        locked l;
        p = size >= LARGE ? large_alloc(size, made) : small_block(size, made);
        if (p)
            note_made(size);
        else
            counts.fallbacks++;
    }
    return p ? p : runtime.malloc(size);
}

// The size of a block of ours, or -1 for a block of the runtime's.
ptrdiff_t our_size(void* p, bool freeing, const sites& freed)
{
    locked l;
    if (in_arena(p)) {
        uint32_t page = (uint32_t)(((BYTE*)p - arena.base) / PAGE);
        uint32_t first = arena.owner[page];
        if (arena.state[page] == FREED && small_user(first) == p) bad_pointer("freed twice:", p);
        if (arena.state[page] != DATA || small_user(first) != p) bad_pointer("not a block:", p);
        size_t size = arena.info[first].size;
        if (freeing) {
            check_pattern((BYTE*)p, size);
            free_small(first, freed);
            counts.live--;
            counts.live_bytes -= size;
        }
        return (ptrdiff_t)size;
    }
    if (large_block* b = large_of(p)) {
        if (b->freed) bad_pointer("freed twice:", p);
        if (b->user != p) bad_pointer("not a block:", p);
        size_t size = b->size;
        if (freeing) {
            check_pattern(b->user, size);
            free_large(*b, freed);
            counts.live--;
            counts.live_bytes -= size;
        }
        return (ptrdiff_t)size;
    }
    return -1;
}

void* __cdecl g_malloc(size_t size) { return guarded_alloc(size, here()); }

void* __cdecl g_calloc(size_t n, size_t size)
{
    if (size && n > SIZE_MAX / size) return nullptr;
    void* p = guarded_alloc(n * size, here());
    // Fresh pages are zero; a block the runtime made is not.
    if (p && !in_arena(p) && !large_of(p)) memset(p, 0, n * size);
    return p;
}

void __cdecl g_free(void* p)
{
    if (!p) return;
    if (our_size(p, true, here()) < 0) {
        InterlockedIncrement(&counts.foreign_frees);
        runtime.free(p);
    }
}

// Every reallocation moves the block, so that a pointer kept to the old one faults.
void* __cdecl g_realloc(void* p, size_t size)
{
    if (!p) return guarded_alloc(size, here());
    if (size == 0) {
        g_free(p);
        return nullptr;
    }
    ptrdiff_t old = our_size(p, false, {});
    size_t keep = old >= 0 ? (size_t)old : runtime.msize(p);
    void* q = guarded_alloc(size, here());
    if (!q) return nullptr;
    memcpy(q, p, keep < size ? keep : size);
    if (old >= 0)
        our_size(p, true, here());
    else
        runtime.free(p);
    return q;
}

size_t __cdecl g_msize(void* p)
{
    ptrdiff_t n = our_size(p, false, {});
    return n >= 0 ? (size_t)n : runtime.msize(p);
}

char* __cdecl g_strdup(const char* s)
{
    if (!s) return nullptr;
    size_t n = strlen(s) + 1;
    char* copy = (char*)guarded_alloc(n, here());
    if (copy) memcpy(copy, s, n);
    return copy;
}

// ---- exceptions nobody catches ----

// The largest run of address space still free, in bytes.
size_t largest_free_region()
{
    size_t most = 0;
    MEMORY_BASIC_INFORMATION m;
    for (BYTE* at = nullptr; VirtualQuery(at, &m, sizeof m) == sizeof m; at = (BYTE*)m.BaseAddress + m.RegionSize) {
        if (m.State == MEM_FREE && m.RegionSize > most) most = m.RegionSize;
        if ((BYTE*)m.BaseAddress + m.RegionSize <= at) break;
    }
    return most;
}

// An exception that reaches the top (a failed operator new among them) is
// reported like a fault: where it was thrown, and what the heap held then.
// The throwing frames are still on the stack when no handler was found.
[[noreturn]] void report_uncaught()
{
    report_text r;
    r.add("guarded heap: an exception nobody catches: ");
    const std::type_info* t = abi::__cxa_current_exception_type();
    r.add(t ? t->name() : "?");
    r.add("\n  arena pages free ");
    r.number(arena.free_pages);
    r.add(" of ");
    r.number(arena.pages);
    r.add(", waiting ");
    r.number(arena.quarantine_pages);
    size_t live = 0, bytes = 0, waiting = 0;
    for (const large_block& b : large) {
        if (!b.in_use) continue;
        if (b.freed) {
            waiting += b.reserved;
        } else {
            live++;
            bytes += b.size;
        }
    }
    r.add("; large blocks ");
    r.number(live);
    r.add(" of ");
    r.number(bytes);
    r.add(" bytes, ");
    r.number(waiting);
    r.add(" bytes reserved by freed ones; largest free address range ");
    r.number(largest_free_region());
    r.add(" bytes\n");
    stack_above(r, "  thrown from", __builtin_frame_address(0), 1 << 16);
    report_and_end(r);
}

// ---- every other end ----

extern "C" void on_abort(int)
{
    report_text r;
    r.add("guarded heap: the program was aborted (abort(), or a terminate in a DLL with a C++ runtime of its own)\n");
    stack_above(r, "  called from", __builtin_frame_address(0), 1 << 16);
    report_and_end(r);
}

void __cdecl on_invalid_parameter(const wchar_t*, const wchar_t*, const wchar_t*, unsigned, uintptr_t)
{
    report_text r;
    r.add("guarded heap: an invalid parameter handed to the C runtime\n");
    stack_above(r, "  called from", __builtin_frame_address(0), 1 << 16);
    report_and_end(r);
}

LONG CALLBACK on_unhandled(EXCEPTION_POINTERS* e)
{
    report_text r;
    r.add("guarded heap: an exception no handler takes: code ");
    r.hex(e->ExceptionRecord->ExceptionCode);
    r.add(" at ");
    r.hex((uintptr_t)e->ExceptionRecord->ExceptionAddress);
    r.add("\n");
    stack_above(r, "  called from", (const void*)e->ContextRecord->Esp, 1 << 16);
    report_and_end(r);
}

typedef void(__cdecl* exit_fn)(int);
typedef void(WINAPI* exit_process_fn)(UINT);
struct {
    exit_fn exit, exit_now;
    exit_process_fn exit_process;
    bool report;  // a report file is named
} ends;

void note_exit(UINT code)
{
    if (!code || !ends.report) return;
    report_text r;
    r.add("guarded heap: the program ended with exit code ");
    r.number(code);
    r.add("\n");
    stack_above(r, "  called from", __builtin_frame_address(0), 1 << 16);
    write_report(r);
}

void __cdecl g_exit(int code)
{
    note_exit((UINT)code);
    ends.exit(code);
}

void __cdecl g_exit_now(int code)
{
    note_exit((UINT)code);
    ends.exit_now(code);
}

void WINAPI g_exit_process(UINT code)
{
    note_exit(code);
    ends.exit_process(code);
}

// ---- start-up ----

bool reserve_arena()
{
    char text[16];
    DWORD n = GetEnvironmentVariableA("ZOTE_HEAP_ARENA_MB", text, sizeof text);
    size_t mb = n && n < sizeof text ? (size_t)atoi(text) : 512;
    for (; mb >= 32; mb /= 2) {
        size_t bytes = mb << 20;
        arena.base = (BYTE*)VirtualAlloc(nullptr, bytes, MEM_RESERVE, PAGE_NOACCESS);
        if (arena.base) {
            arena.pages = (uint32_t)(bytes / PAGE);
            break;
        }
    }
    if (!arena.base) return false;
    size_t pages = arena.pages;
    arena.quarantine_cap = arena.pages / 2;
    size_t table = pages * (1 + sizeof(uint32_t) + sizeof(block_info)) + arena.quarantine_cap * sizeof(uint32_t);
    BYTE* t = (BYTE*)VirtualAlloc(nullptr, table, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!t) return false;
    arena.info = (block_info*)t;
    arena.owner = (uint32_t*)(t + pages * sizeof(block_info));
    arena.quarantine = arena.owner + pages;
    arena.state = (BYTE*)(arena.quarantine + arena.quarantine_cap);
    arena.free_pages = arena.pages;
    // A quarter of the arena waits in quarantine before it is used again.
    arena.quarantine_most = arena.pages / 4;
    return true;
}

struct replacement {
    const char* dll;
    const char* name;
    void* function;
};

const replacement allocator[] = {
    {"msvcrt.dll", "malloc", (void*)g_malloc},   {"msvcrt.dll", "calloc", (void*)g_calloc},
    {"msvcrt.dll", "realloc", (void*)g_realloc}, {"msvcrt.dll", "free", (void*)g_free},
    {"msvcrt.dll", "_msize", (void*)g_msize},    {"msvcrt.dll", "_strdup", (void*)g_strdup},
    {"msvcrt.dll", "strdup", (void*)g_strdup},   {nullptr, nullptr, nullptr},
};
const replacement exits[] = {
    {"msvcrt.dll", "exit", (void*)g_exit},
    {"msvcrt.dll", "_exit", (void*)g_exit_now},
    {"kernel32.dll", "ExitProcess", (void*)g_exit_process},
    {nullptr, nullptr, nullptr},
};

// Points the program's import entries of the functions named here.
void patch_imports(const replacement* ours)
{
    BYTE* base = (BYTE*)GetModuleHandleA(nullptr);
    auto* nt = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
    IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress) return;
    for (auto* d = (IMAGE_IMPORT_DESCRIPTOR*)(base + dir.VirtualAddress); d->Name; d++) {
        auto* names = (IMAGE_THUNK_DATA*)(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk));
        auto* slots = (IMAGE_THUNK_DATA*)(base + d->FirstThunk);
        for (; names->u1.AddressOfData; names++, slots++) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const char* name = (const char*)((IMAGE_IMPORT_BY_NAME*)(base + names->u1.AddressOfData))->Name;
            for (const replacement* r = ours; r->name; r++) {
                if (lstrcmpiA((const char*)base + d->Name, r->dll) != 0 || strcmp(name, r->name) != 0) continue;
                DWORD old;
                VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
                slots->u1.Function = (ULONG_PTR)r->function;
                VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
            }
        }
    }
}

void print_counts()
{
    report_text r;
    r.add("guarded heap: ");
    r.number((size_t)counts.blocks);
    r.add(" blocks, at most ");
    r.number((size_t)counts.most_live);
    r.add(" at once, ");
    r.number((size_t)counts.fallbacks);
    r.add(" left to the runtime, ");
    r.number((size_t)counts.foreign_frees);
    r.add(" of the runtime's freed; arena ");
    r.number((size_t)arena.pages * PAGE >> 20);
    r.add(" MB\n");
    DWORD written;
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err && err != INVALID_HANDLE_VALUE) WriteFile(err, r.text, (DWORD)r.n, &written, nullptr);
}

// Makes the code at from jump to to. Wine's msvcrt, like the old ones, has no
// _set_invalid_parameter_handler: every check of its own calls its
// _invalid_parameter, which is diverted here instead.
void divert(void* from, void* to)
{
    BYTE* p = (BYTE*)from;
    DWORD old;
    if (!VirtualProtect(p, 5, PAGE_EXECUTE_READWRITE, &old)) return;
    p[0] = 0xE9;  // jmp rel32
    int32_t offset = (int32_t)((BYTE*)to - (p + 5));
    memcpy(p + 1, &offset, sizeof offset);
    VirtualProtect(p, 5, old, &old);
    FlushInstructionCache(GetCurrentProcess(), p, 5);
}

// The reports of every end, whether the heap is guarded or not.
void report_every_end(HMODULE crt)
{
    find_program_text();
    std::set_terminate(report_uncaught);
    signal(SIGABRT, on_abort);
    typedef void(__cdecl * parameter_handler)(const wchar_t*, const wchar_t*, const wchar_t*, unsigned, uintptr_t);
    typedef parameter_handler(__cdecl * set_handler_fn)(parameter_handler);
    if (auto set = (set_handler_fn)GetProcAddress(crt, "_set_invalid_parameter_handler"))
        set(on_invalid_parameter);
    else if (void* runtime_handler = (void*)GetProcAddress(crt, "_invalid_parameter"))
        divert(runtime_handler, (void*)on_invalid_parameter);
    SetUnhandledExceptionFilter(on_unhandled);
    char file[MAX_PATH];
    DWORD f = GetEnvironmentVariableA(bench::HEAP_REPORT_VARIABLE, file, sizeof file);
    ends.report = f && f < sizeof file;
    ends.exit = (exit_fn)GetProcAddress(crt, "exit");
    ends.exit_now = (exit_fn)GetProcAddress(crt, "_exit");
    ends.exit_process = (exit_process_fn)GetProcAddress(GetModuleHandleA("kernel32.dll"), "ExitProcess");
    if (ends.exit && ends.exit_now && ends.exit_process) patch_imports(exits);
}

__attribute__((constructor(101))) void start_guarded_heap()
{
    HMODULE crt = GetModuleHandleA("msvcrt.dll");
    if (!crt) return;
    report_every_end(crt);
    char off[8];
    DWORD n = GetEnvironmentVariableA("ZOTE_GUARDED_HEAP", off, sizeof off);
    if (n && n < sizeof off && lstrcmpiA(off, "off") == 0) return;
    runtime.malloc = (malloc_fn)GetProcAddress(crt, "malloc");
    runtime.free = (free_fn)GetProcAddress(crt, "free");
    runtime.realloc = (realloc_fn)GetProcAddress(crt, "realloc");
    runtime.msize = (msize_fn)GetProcAddress(crt, "_msize");
    if (!runtime.malloc || !runtime.free || !runtime.realloc || !runtime.msize) return;
    InitializeCriticalSection(&heap_lock);
    if (!reserve_arena()) return;
    AddVectoredExceptionHandler(1, on_fault);
    patch_imports(allocator);
    guarded = true;
    if (GetEnvironmentVariableA("ZOTE_HEAP_STATS", off, sizeof off)) atexit(print_counts);
}

}  // namespace

bool bench::heap_is_guarded() { return guarded; }

long bench::heap_live(size_t* bytes)
{
    if (!guarded) {
        *bytes = 0;
        return 0;
    }
    locked l;
    *bytes = counts.live_bytes;
    return counts.live;
}
