// The walk of a metafile's state records for the metafile check
// (metafile_check.cpp), which has already held every record's sizes, counts
// and object numbers against the bytes present. Here the records are
// followed as they would be played. The enhanced-metafile player walks off
// its list of saved states on a restore of a level never saved. A standard
// metafile names a level either counted back from the last (negative) or by
// its number (positive), as the value SaveDC gave; a recording DC gives 1
// for every level, so a program that keeps that value inside levels of its
// own restores to none saved and then counts back from levels gone. The
// system ignores such a restore, and so does the player here.
#include "graphics/metafile_state.h"
#include <cmath>
#include <cstring>

namespace {

// What an entry of a metafile's object table holds.
enum : BYTE { NO_OBJECT, PEN, BRUSH, FONT, PALETTE, REGION, COLOUR_SPACE };
// Deeper than this no metafile saves its state.
enum : unsigned long long { SAVE_MOST = 1024 };
// Extents, origins and offsets stay inside the coordinates the system keeps.
const double COORDINATE_MOST = 1 << 27;

bool in_range(long long value, long long low, long long high) { return value >= low && value <= high; }
bool coordinate(double v) { return std::fabs(v) <= COORDINATE_MOST; }
bool extent(double v) { return v != 0 && coordinate(v); }

bool holds(const play_state& s, unsigned long long index, BYTE kind)
{
    return index < s.objects.size() && s.objects[index] == kind;
}

bool save(play_state& s) { return ++s.saved <= SAVE_MOST; }

// A level saved before, counted back from the last (-1).
bool restore_relative(play_state& s, long long level)
{
    if (level >= 0 || (unsigned long long)-level > s.saved) return false;
    s.saved -= (unsigned long long)-level;
    return true;
}

// No recorder writes a level of 0; what the system makes of it is not known.
bool restore_wmf(play_state& s, long long level)
{
    if (level == 0) return false;
    s.saved = wmf_saved_after_restore(s.saved, level);
    return true;
}

// ---- standard metafiles ----

// A standard metafile's object takes the first free entry of the table
// (none when the table is full).
void wmf_make(play_state& s, BYTE kind)
{
    for (BYTE& o : s.objects)
        if (o == NO_OBJECT) {
            o = kind;
            return;
        }
}

// ---- enhanced metafiles ----

// A world transform: numbers, within the coordinates, that can be undone.
bool transform_sound(const BYTE* p)
{
    float m[6];
    memcpy(m, p, sizeof m);
    for (float v : m)
        if (!std::isfinite(v) || !coordinate(v)) return false;
    double determinant = (double)m[0] * m[3] - (double)m[1] * m[2];
    return determinant != 0 && std::isfinite(determinant);
}

bool emf_make(play_state& s, DWORD index, BYTE kind)
{
    s.objects[index] = kind;  // the index was checked with the record
    return true;
}

}  // namespace

unsigned long long wmf_saved_after_restore(unsigned long long saved, long long level)
{
    if (level < 0) return (unsigned long long)-level <= saved ? saved - (unsigned long long)-level : saved;
    return level >= 1 && (unsigned long long)level <= saved ? (unsigned long long)level - 1 : saved;
}

// The parameters are stored in the reverse of the call's order: a region
// fill holds its brush, then its region.
bool wmf_state_sound(WORD function, const wmf_params& r, play_state& s)
{
    auto word = [&r](unsigned long long i) { return (long long)(SHORT)r.at(i); };
    switch (function) {
    case META_SAVEDC: return save(s);
    case META_RESTOREDC: return r.has(1) && restore_wmf(s, word(0));
    case META_CREATEPENINDIRECT: wmf_make(s, PEN); return true;
    case META_CREATEBRUSHINDIRECT:
    case META_CREATEPATTERNBRUSH:
    case META_DIBCREATEPATTERNBRUSH: wmf_make(s, BRUSH); return true;
    case META_CREATEFONTINDIRECT: wmf_make(s, FONT); return true;
    case META_CREATEPALETTE: wmf_make(s, PALETTE); return true;
    case META_CREATEREGION: wmf_make(s, REGION); return true;
    case META_DELETEOBJECT: s.objects[r.at(0)] = NO_OBJECT; return true;
    case META_SELECTOBJECT: {
        BYTE kind = s.objects[r.at(0)];
        return kind != NO_OBJECT && kind != PALETTE;
    }
    case META_SELECTPALETTE: return holds(s, r.at(0), PALETTE);
    case META_SELECTCLIPREGION: return r.at(0) == 0 || holds(s, r.at(0), REGION);
    case META_FILLREGION: return holds(s, r.at(1), REGION) && holds(s, r.at(0), BRUSH);
    case META_FRAMEREGION: return holds(s, r.at(3), REGION) && holds(s, r.at(2), BRUSH);
    case META_PAINTREGION:
    case META_INVERTREGION: return holds(s, r.at(0), REGION);
    case META_SETMAPMODE: return r.has(1) && in_range(word(0), MM_TEXT, MM_ANISOTROPIC);
    case META_SETWINDOWEXT:
    case META_SETVIEWPORTEXT: return r.has(2) && word(0) != 0 && word(1) != 0;
    case META_SCALEWINDOWEXT:
    case META_SCALEVIEWPORTEXT: return r.has(4) && word(0) && word(1) && word(2) && word(3);
    case META_SETBKMODE: return r.has(1) && in_range(word(0), TRANSPARENT, OPAQUE);
    case META_SETPOLYFILLMODE: return r.has(1) && in_range(word(0), ALTERNATE, WINDING);
    case META_SETROP2: return r.has(1) && in_range(word(0), R2_BLACK, R2_WHITE);
    case META_SETSTRETCHBLTMODE: return r.has(1) && in_range(word(0), BLACKONWHITE, HALFTONE);
    default: return true;
    }
}

// An enhanced metafile restores only levels counted back from the last.
bool emf_state_sound(DWORD type, const emf_record& r, play_state& s)
{
    auto value = [&r](unsigned long long offset) { return (long long)(LONG)r.at(offset); };
    auto stock = [&r](unsigned long long offset) { return (r.at(offset) & 0x80000000u) != 0; };
    switch (type) {
    case EMR_SAVEDC: return save(s);
    case EMR_RESTOREDC: return restore_relative(s, value(8));
    case EMR_CREATEPEN:
    case EMR_EXTCREATEPEN: return emf_make(s, r.at(8), PEN);
    case EMR_CREATEBRUSHINDIRECT:
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT: return emf_make(s, r.at(8), BRUSH);
    case EMR_EXTCREATEFONTINDIRECTW: return emf_make(s, r.at(8), FONT);
    case EMR_CREATEPALETTE: return emf_make(s, r.at(8), PALETTE);
    case EMR_CREATECOLORSPACE:
    case EMR_CREATECOLORSPACEW: return r.size >= 12 && r.at(8) < s.objects.size() && emf_make(s, r.at(8), COLOUR_SPACE);
    case EMR_DELETEOBJECT:
    case EMR_DELETECOLORSPACE: s.objects[r.at(8)] = NO_OBJECT; return true;
    case EMR_SELECTOBJECT:
        return stock(8) || holds(s, r.at(8), PEN) || holds(s, r.at(8), BRUSH) || holds(s, r.at(8), FONT);
    case EMR_SELECTPALETTE: return stock(8) || holds(s, r.at(8), PALETTE);
    case EMR_RESIZEPALETTE:
    case EMR_SETPALETTEENTRIES:
    case EMR_COLORCORRECTPALETTE: return holds(s, r.at(8), PALETTE);
    case EMR_SETCOLORSPACE: return holds(s, r.at(8), COLOUR_SPACE);
    case EMR_FILLRGN:
    case EMR_FRAMERGN: return holds(s, r.at(28), BRUSH);
    case EMR_SETMAPMODE: return in_range(value(8), MM_TEXT, MM_ANISOTROPIC);
    case EMR_SETWINDOWEXTEX:
    case EMR_SETVIEWPORTEXTEX: return extent(value(8)) && extent(value(12));
    case EMR_SETWINDOWORGEX:
    case EMR_SETVIEWPORTORGEX:
    case EMR_SETBRUSHORGEX:
    case EMR_OFFSETCLIPRGN: return coordinate(value(8)) && coordinate(value(12));
    case EMR_SCALEVIEWPORTEXTEX:
    case EMR_SCALEWINDOWEXTEX: return extent(value(8)) && extent(value(12)) && extent(value(16)) && extent(value(20));
    case EMR_SETWORLDTRANSFORM: return transform_sound(r.p + 8);
    case EMR_MODIFYWORLDTRANSFORM: {
        long long mode = value(32);  // identity, multiplied on the left or the right, or set
        return in_range(mode, MWT_IDENTITY, 4) && (mode == MWT_IDENTITY || transform_sound(r.p + 8));
    }
    case EMR_SELECTCLIPPATH: return in_range(value(8), RGN_AND, RGN_COPY);
    case EMR_EXTSELECTCLIPRGN: return in_range(value(12), RGN_AND, RGN_COPY);
    case EMR_SETBKMODE: return in_range(value(8), TRANSPARENT, OPAQUE);
    case EMR_SETPOLYFILLMODE: return in_range(value(8), ALTERNATE, WINDING);
    case EMR_SETROP2: return in_range(value(8), R2_BLACK, R2_WHITE);
    case EMR_SETSTRETCHBLTMODE: return in_range(value(8), BLACKONWHITE, HALFTONE);
    case EMR_SETARCDIRECTION: return in_range(value(8), AD_COUNTERCLOCKWISE, AD_CLOCKWISE);
    case EMR_SETICMMODE: return in_range(value(8), ICM_OFF, ICM_DONE_OUTSIDEDC);
    case EMR_SETLAYOUT: return (r.at(8) & ~(DWORD)(LAYOUT_RTL | LAYOUT_BITMAPORIENTATIONPRESERVED)) == 0;
    default: return true;
    }
}
