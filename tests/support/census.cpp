// The asking side of the census (census.h): the program's answer comes
// through a mapping of its process id, after an event that it sets.
#include "tests/support/census.h"
#include "base/holders.h"
#include <cstdio>

namespace bench {

std::string census_name(const char* what, DWORD pid)
{
    char name[64];
    snprintf(name, sizeof name, "zote-census-%s-%lu", what, pid);
    return name;
}

const char* census::type_name(int type)
{
    static const char* const names[TYPES] = {"?",       "pen",    "brush",     "dc",          "metadc",
                                             "palette", "font",   "bitmap",    "region",      "metafile",
                                             "memdc",   "extpen", "enhmetadc", "enhmetafile", "colorspace"};
    return type > 0 && type < TYPES ? names[type] : "?";
}

std::string census::gdi_text() const
{
    std::string text;
    for (int t = 1; t < TYPES; t++)
        if (gdi[t]) text += std::string(text.empty() ? "" : " ") + type_name(t) + " " + std::to_string(gdi[t]);
    return text;
}

bool ask_census(DWORD pid, census* out, DWORD ms)
{
    kernel_object ask(OpenEventA(EVENT_MODIFY_STATE, FALSE, census_name("ask", pid).c_str()));
    kernel_object told(OpenEventA(SYNCHRONIZE, FALSE, census_name("told", pid).c_str()));
    kernel_object map(OpenFileMappingA(FILE_MAP_READ, FALSE, census_name("answer", pid).c_str()));
    if (!ask || !told || !map) return false;
    if (!SetEvent(ask.get()) || WaitForSingleObject(told.get(), ms) != WAIT_OBJECT_0) return false;
    const void* view = MapViewOfFile(map.get(), FILE_MAP_READ, 0, 0, sizeof(census));
    if (!view) return false;
    *out = *(const census*)view;
    UnmapViewOfFile(view);
    return true;
}

}  // namespace bench
