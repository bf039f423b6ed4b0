// The records that set state, followed as they would be played, for the
// metafile check: an enhanced metafile restores only levels it saved, an object is
// used only once it was made and as the kind it was made, and modes,
// extents and transforms stay within what the system handles.
#pragma once
#include <windows.h>
#include <vector>

// The parameters of one standard-metafile record: `words` 16-bit words.
struct wmf_params {
    const BYTE* p;
    unsigned long long words;
    WORD at(unsigned long long i) const { return (WORD)(p[2 * i] | p[2 * i + 1] << 8); }
    bool has(unsigned long long n) const { return words >= n; }
};

// One enhanced-metafile record of `size` bytes, its type and size included.
struct emf_record {
    const BYTE* p;
    unsigned long long size;
    DWORD at(unsigned long long offset) const
    {
        const BYTE* q = p + offset;
        return (DWORD)q[0] | (DWORD)q[1] << 8 | (DWORD)q[2] << 16 | (DWORD)q[3] << 24;
    }
};

// What playing has built up so far: the kind of object in each entry of the
// handle table, and the levels saved.
struct play_state {
    std::vector<BYTE> objects;
    unsigned long long saved = 0;
    explicit play_state(size_t handles) : objects(handles, 0) {}
};

// The levels saved after a standard metafile restores `level` with `saved`
// saved: a level not saved leaves them as they were, as the system ignores
// the record.
unsigned long long wmf_saved_after_restore(unsigned long long saved, long long level);

// The state a record sets, followed in s; false when the player could not
// follow it soundly. Sizes, counts and object numbers inside the table were
// checked before.
bool wmf_state_sound(WORD function, const wmf_params& r, play_state& s);
bool emf_state_sound(DWORD type, const emf_record& r, play_state& s);
