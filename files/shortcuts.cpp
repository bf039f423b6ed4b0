// Shortcut files through IShellLinkA and IPersistFile (see shortcuts.h).
#include "files/shortcuts.h"
#include "files/internal.h"
#include "files/associations.h"
#include "base/cptext.h"
#include "base/holders.h"
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <cstdlib>
#include <cstring>

static bool to_wide(const char* s, WCHAR (&w)[MAX_PATH])
{
    return MultiByteToWideChar(CP_ACP, 0, s, -1, w, MAX_PATH) > 0;
}

int create_shortcut(const char* shortcut, const char* target, const char* arguments, const char* folder,
                    const char* show, const char* icon)
{
    com_init com;
    com_ptr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(link.receive()))))
        return 0;
    link.get()->SetPath(target ? target : "");
    if (!is_absent_arg(arguments)) link.get()->SetArguments(arguments);
    if (!is_absent_arg(folder)) link.get()->SetWorkingDirectory(folder);
    if (!is_absent_arg(show)) {
        if (strstr(show, "min"))
            link.get()->SetShowCmd(SW_SHOWMINIMIZED);
        else if (strstr(show, "max"))
            link.get()->SetShowCmd(SW_SHOWMAXIMIZED);
    }
    if (!is_absent_arg(icon)) {
        char file[PATH_BUF];
        int index = 0;
        const char* comma = mb_strchr(icon, ',');
        bool fits = comma ? text_copy_n(file, sizeof file, icon, comma - icon) : text_copy(file, icon);
        if (comma) index = atoi(comma + 1);
        if (fits) link.get()->SetIconLocation(file, index);
    }
    com_ptr<IPersistFile> persist;
    if (FAILED(link.get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(persist.receive())))) return 0;
    WCHAR wide[MAX_PATH];
    if (!to_wide(shortcut, wide)) return 0;
    return SUCCEEDED(persist.get()->Save(wide, TRUE)) ? 1 : 0;
}

long read_shortcut_path(const char* shortcut, char* out)
{
    out[0] = 0;
    com_ptr<IShellLinkA> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(link.receive()));
    if (FAILED(hr)) return hr;
    com_ptr<IPersistFile> persist;
    hr = link.get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(persist.receive()));
    if (FAILED(hr)) return hr;
    WCHAR wide[MAX_PATH];
    if (!to_wide(shortcut, wide)) return E_INVALIDARG;
    hr = persist.get()->Load(wide, STGM_READ);
    if (FAILED(hr)) return hr;
    char target[MAX_PATH];
    target[0] = 0;
    hr = link.get()->GetPath(target, sizeof target, nullptr, SLGP_SHORTPATH);
    if (hr != S_OK || !text_copy(out, PATH_BUF, target)) out[0] = 0;
    return hr;
}
