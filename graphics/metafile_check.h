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
