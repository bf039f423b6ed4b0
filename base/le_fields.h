// Fields of stored records in little-endian byte order: the records are
// written and read field by field, so the files never depend on the
// compiler's padding or on the host's byte order.
#pragma once
#include <cstdint>
#include <cstring>

inline void put32(unsigned char* p, uint32_t v)
{
    for (int i = 0; i < 4; i++) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
inline uint32_t get32(const unsigned char* p)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; i++) v |= uint32_t(p[i]) << (8 * i);
    return v;
}
inline void put64(unsigned char* p, uint64_t v)
{
    put32(p, uint32_t(v));
    put32(p + 4, uint32_t(v >> 32));
}
inline uint64_t get64(const unsigned char* p) { return get32(p) | (uint64_t(get32(p + 4)) << 32); }

// The bits of a 4-byte value (float, int) as a word, and back.
template <class T> uint32_t bits32(T v)
{
    static_assert(sizeof(T) == 4, "word");
    uint32_t u;
    memcpy(&u, &v, 4);
    return u;
}
template <class T> T from32(uint32_t u)
{
    static_assert(sizeof(T) == 4, "word");
    T v;
    memcpy(&v, &u, 4);
    return v;
}
