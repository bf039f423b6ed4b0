// Commands 115 (turn -1, clockwise) and 116 (turn +1): a picture turned by
// the rotation mark of its name.
#pragma once
#include <cstddef>

// The name with its mark advanced by turn quarter turns counter-clockwise
// (a.jpg, +1 -> a.l.jpg; a.i.jpg, -1 -> a.l.jpg). 1 when it fit in cap.
int rotated_name(const char* path, int turn, char* out, size_t cap);
// Renames an image of an enabled kind to its turned name (same folder) and
// moves its comment file along; 1 when the file was renamed.
int rotate_by_rename(const char* path, int turn);
