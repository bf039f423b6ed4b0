// Metafile pictures held to their frame: before a checked metafile is drawn,
// probed or copied, a dry run measures where each of its drawing records
// would draw; standard metafiles are played record by record as their
// format defines them.
#pragma once
#include <windows.h>

// The mapping a metafile picture is played through: ext_x x ext_y units of
// the picture fill width x height pixels, whose row `top` is the DC's row 0.
void set_picture_mapping(HDC dc, int ext_x, int ext_y, int width, int height, int top);

// True when no drawing record of the metafile, played through that mapping
// into a width x height picture, draws far outside the picture or asks for a
// pen, radius, stroke or text far larger than it. An enhanced metafile is
// played into the frame (0, 0, ext_x, ext_y).
bool wmf_within_frame(HMETAFILE mf, int ext_x, int ext_y, int width, int height);
bool emf_within_frame(HENHMETAFILE emf, int ext_x, int ext_y, int width, int height);

// Plays a checked standard metafile into dc: a palette is selected by the
// index its record gives, each bitmap goes to the system with the size of
// its bits taken from its width, height and depth, and a restore of a level
// the metafile has not saved is left out.
void wmf_play(HDC dc, HMETAFILE mf);
