// Saves a global (a hook table, a seam, a switch array, a state record) and
// puts it back when the scope ends, however the test leaves it.
#pragma once
#include <cstring>
#include <type_traits>

template <class T> class scoped_restore {
    static_assert(std::is_trivially_copyable<T>::value, "saved byte for byte");

public:
    explicit scoped_restore(T& target) : target_(target) { std::memcpy(saved_, &target, sizeof(T)); }
    ~scoped_restore() { std::memcpy(&target_, saved_, sizeof(T)); }
    scoped_restore(const scoped_restore&) = delete;
    scoped_restore& operator=(const scoped_restore&) = delete;

private:
    T& target_;
    alignas(T) unsigned char saved_[sizeof(T)];
};
