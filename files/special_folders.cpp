// Special-folder paths through the shell's item lists (see special_folders.h).
#include "files/special_folders.h"
#include "files/dialogs.h"
#include "base/cptext.h"
#include "base/holders.h"
#include <windows.h>
#include <shlobj.h>
#include <cstring>

static bool begins_with(const char* s, const char* word) { return strncmp(s, word, strlen(word)) == 0; }

int get_special_folder(const char* name, char* out)
{
    out[0] = 0;
    if (!name) name = "";
    int csidl = CSIDL_DESKTOPDIRECTORY;
    if (begins_with(name, "Personal"))
        csidl = CSIDL_PERSONAL;
    else if (begins_with(name, "Mypictures"))
        csidl = CSIDL_MYPICTURES;
    else if (begins_with(name, "Commondocs"))
        csidl = CSIDL_COMMON_DOCUMENTS;
    else if (begins_with(name, "SendTo"))
        csidl = CSIDL_SENDTO;

    com_ptr<IMalloc> shell_malloc;
    if (FAILED(SHGetMalloc(shell_malloc.receive())) || !shell_malloc) return 0;
    LPITEMIDLIST items = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(message_box_owner, csidl, &items)) || !items) return 0;
    char path[MAX_PATH];
    path[0] = 0;
    BOOL ok = SHGetPathFromIDListA(items, path);
    shell_malloc.get()->Free(items);
    if (!ok || !text_copy(out, PATH_BUF, path)) {
        out[0] = 0;
        return 0;
    }
    return 1;
}
