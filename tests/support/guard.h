// Guard-page memory for tests: bytes that end exactly where a no-access page
// begins, so that any read past the end faults at once.
#pragma once
#include <windows.h>
#include <cstddef>
#include <string>

namespace bench {

class guard_block {
public:
    explicit guard_block(size_t bytes);
    ~guard_block();
    guard_block(const guard_block&) = delete;
    guard_block& operator=(const guard_block&) = delete;
    BYTE* data() const { return data_; }
    size_t size() const { return size_; }
    // Copies bytes into a new guarded block's data.
    static guard_block* of(const std::string& bytes);

private:
    BYTE* base_ = nullptr;
    size_t reserved_ = 0;
    BYTE* data_ = nullptr;
    size_t size_ = 0;
};

}  // namespace bench
