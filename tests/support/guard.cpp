// Guard-page memory for tests (see guard.h).
#include "tests/support/guard.h"
#include <cstring>

namespace bench {

guard_block::guard_block(size_t bytes) : size_(bytes)
{
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    size_t page = si.dwPageSize;
    size_t body = (bytes + page - 1) / page * page;
    if (body == 0) body = page;
    reserved_ = body + page;
    base_ = (BYTE*)VirtualAlloc(nullptr, reserved_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!base_) return;
    DWORD old;
    VirtualProtect(base_ + body, page, PAGE_NOACCESS, &old);
    data_ = base_ + body - bytes;
}

guard_block::~guard_block()
{
    if (base_) VirtualFree(base_, 0, MEM_RELEASE);
}

guard_block* guard_block::of(const std::string& bytes)
{
    guard_block* g = new guard_block(bytes.size());
    if (g->data_ && !bytes.empty()) memcpy(g->data_, bytes.data(), bytes.size());
    return g;
}

}  // namespace bench
