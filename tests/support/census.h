// What a running program holds, as a test asks it: its live GDI objects by
// type, its resident memory and the guarded heap's live blocks. GDI handles
// belong to their process, so the program that the screen tests start
// (zote_guarded.exe, which links census_server.cpp) counts its own and
// answers through named objects of its process id; zote.exe has no such part.
#pragma once
#include <windows.h>
#include <string>

namespace bench {

struct census {
    enum { TYPES = 15 };
    long gdi[TYPES] = {};  // by GetObjectType's answer: OBJ_PEN (1) ... OBJ_COLORSPACE (14)
    long gdi_total = 0;
    double resident_mb = 0;    // the working set: VmRSS of the process under Wine
    long heap_blocks = 0;      // live blocks of the guarded heap (0 when it is off)
    double heap_mb = 0;        // and their bytes
    double recordings_kb = 0;  // the bytes of every live enhanced metafile (the pages' recordings)
    // "memdc 3 bitmap 5 ..." for the types with objects.
    std::string gdi_text() const;
    // The name of a type ("memdc" for OBJ_MEMDC).
    static const char* type_name(int type);
};

// The GDI objects of this process by type. Under Wine a handle is an index
// plus a reuse count above bit 16, and a handle given with no reuse count
// names whatever lives at its index; so every index is asked once.
inline void count_gdi_objects(census& c)
{
    c.gdi_total = 0;
    c.recordings_kb = 0;
    for (long& n : c.gdi) n = 0;
    for (ULONG_PTR index = 1; index < 0x10000; index++) {
        DWORD type = GetObjectType((HGDIOBJ)index);
        if (type > 0 && type < census::TYPES) {
            c.gdi[type]++;
            c.gdi_total++;
        }
        if (type == OBJ_ENHMETAFILE) c.recordings_kb += GetEnhMetaFileBits((HENHMETAFILE)index, 0, nullptr) / 1024.0;
    }
    SetLastError(0);
}

// The names of the named objects through which process pid answers.
std::string census_name(const char* what, DWORD pid);

// Asks the guarded program pid for its census; false when it does not answer within ms.
bool ask_census(DWORD pid, census* out, DWORD ms = 10000);

}  // namespace bench
