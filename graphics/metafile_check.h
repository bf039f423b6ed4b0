// Checks on metafile bytes from browsed folders, made before anything plays,
// probes or converts them: the system's players trust sizes, counts and
// object numbers inside the records.
#pragma once
#include <windows.h>
#include <cstddef>

// A standard metafile body (the 18-byte header and its records, after any
// placeable header).
bool wmf_body_sound(const BYTE* body, size_t length);
// An enhanced metafile, from its header record on.
bool emf_bytes_sound(const BYTE* bytes, size_t length);
// The bitmap a standard-metafile record hands to the system's bitmap calls:
// where its header starts in the record's parameters, and the bytes of bits
// its width, height and depth describe (its own image size is not trusted).
// False for records without one.
bool wmf_record_bitmap(WORD function, const BYTE* params, size_t bytes, size_t* header_at, DWORD* bits_size);
