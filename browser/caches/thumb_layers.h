// Layered pictures: slot pictures taken out, overlaid with white as
// transparent, and the image files that make up a layer entry.
#pragma once
#include <string>
#include <vector>

struct _bmap;

// A new image with a copy of the slot's picture; the slot is then freed.
_bmap* take_slot_bitmap(int slot);
// Copies the slot's picture onto base with white transparent, then frees the slot.
void overlay_slot(int slot, _bmap* base);
// Over the common width and height, every source pixel that is not pure white
// replaces the destination's.
void overlay_copy(_bmap* to, const _bmap* from);
// The full paths of a layer entry's image files in list order, the first
// being the entry's own; empty for other entries.
std::vector<std::string> layer_files(const char* entry);
