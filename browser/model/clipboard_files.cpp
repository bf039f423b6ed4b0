// The file clipboard as read (see clipboard_files.h): the shell's CF_HDROP
// list with its "Preferred DropEffect" through the OLE clipboard, and the cut
// marks drawn on entries that wait to be moved.
#include "browser/model/clipboard_files.h"
#include "browser/model/archive_work.h"
#include "browser/model/name_list.h"
#include "browser/model/paths.h"
#include "base/holders.h"
#include "files/files.h"
#include <shellapi.h>
#include <cstring>
#include <string>
#include <vector>

UINT drop_effect_format() { return RegisterClipboardFormatA("Preferred DropEffect"); }

// Reading -----------------------------------------------------------------------

static DWORD read_effect(IDataObject* data, FORMATETC* format)
{
    STGMEDIUM medium = {};
    DWORD effect = 0;
    if (FAILED(data->GetData(format, &medium))) return 0;
    if (medium.tymed == TYMED_HGLOBAL && GlobalSize(medium.hGlobal) >= sizeof(DWORD)) {
        global_lock bytes(medium.hGlobal);
        if (bytes) memcpy(&effect, bytes.get(), sizeof effect);
    }
    ReleaseStgMedium(&medium);
    return effect;
}

void clipboard_files_open(clipboard_read_state* s)
{
    memset(s, 0, sizeof *s);
    s->ole = SUCCEEDED(OleInitialize(nullptr));
    if (FAILED(OleGetClipboard(&s->data)) || !s->data) return;
    IEnumFORMATETC* formats = nullptr;
    if (FAILED(s->data->EnumFormatEtc(DATADIR_GET, &formats)) || !formats) return;
    com_ptr<IEnumFORMATETC> list(formats);
    bool effect_found = false, drop_found = false;
    FORMATETC f;
    while (!(effect_found && drop_found) && list.get()->Next(1, &f, nullptr) == S_OK) {
        if (f.cfFormat == drop_effect_format()) {
            s->effect = read_effect(s->data, &f);
            effect_found = true;
        } else if (f.cfFormat == CF_HDROP) {
            s->drop_format = f;
            drop_found = true;
        }
        if (f.ptd) CoTaskMemFree(f.ptd);
        if (drop_found) s->drop_format.ptd = nullptr;
    }
    s->valid = effect_found && drop_found;
    s->cut = (s->effect & DROPEFFECT_MOVE) != 0;
}

void clipboard_files_close(clipboard_read_state* s)
{
    if (s->medium.tymed != TYMED_NULL) ReleaseStgMedium(&s->medium);
    if (s->data) s->data->Release();
    if (s->ole) OleUninitialize();
    memset(s, 0, sizeof *s);
}

int clipboard_query_files(clipboard_read_state* s)
{
    if (!s->data || !s->valid) return 0;
    if (s->medium.tymed == TYMED_NULL) {
        FORMATETC f = s->drop_format;
        f.tymed = TYMED_HGLOBAL;
        if (FAILED(s->data->GetData(&f, &s->medium)) || s->medium.tymed != TYMED_HGLOBAL) return 0;
    }
    s->count = int(DragQueryFileA(HDROP(s->medium.hGlobal), 0xFFFFFFFF, nullptr, 0));
    return 1;
}

int clipboard_file(clipboard_read_state* s, int i, char* out)
{
    out[0] = 0;
    if (s->medium.tymed != TYMED_HGLOBAL || i < 0 || i >= s->count) return 0;
    HDROP drop = HDROP(s->medium.hGlobal);
    UINT length = DragQueryFileA(drop, UINT(i), nullptr, 0);
    if (length == 0 || length >= PATH_BUF) return 0;
    return DragQueryFileA(drop, UINT(i), out, PATH_BUF) == length;
}

// Cut marks -------------------------------------------------------------------------

namespace {
struct cut_list_record {
    int count;
    char folder[PATH_BUF];
    name_list paths;
};
cut_list_record cut_list;
}  // namespace

void read_cut_list()
{
    strlist_clear(&cut_list.paths);
    cut_list.count = 0;
    cut_list.folder[0] = 0;
    if (!IsClipboardFormatAvailable(CF_HDROP)) return;
    clipboard_read_state s;
    clipboard_files_open(&s);
    if (s.cut && clipboard_query_files(&s)) {
        for (int i = 0; i < s.count; i++) {
            char path[PATH_BUF];
            if (!clipboard_file(&s, i, path)) continue;
            staged_cut_original(path, path);
            if (cut_list.count == 0 && parent_folder(path, cut_list.folder)) remove_backslash(cut_list.folder);
            strlist_add(&cut_list.paths, path);
            cut_list.count++;
        }
    }
    clipboard_files_close(&s);
    if (cut_list.count) strlist_to_array(&cut_list.paths);
}

int is_cut_entry(const char* name)
{
    if (cut_list.count == 0) return 0;
    char folder[PATH_BUF], path[PATH_BUF];
    if (!text_copy(folder, current_folder.folder)) return 0;
    remove_backslash(folder);
    if (!text_equal_ci(folder, cut_list.folder) || !full_path(path, sizeof path, name)) return 0;
    char** paths = reinterpret_cast<char**>(cut_list.paths.array);
    for (int i = 0; paths && paths[i]; i++)
        if (text_equal_ci(paths[i], path)) return 1;
    return 0;
}

// Staged cuts ----------------------------------------------------------------------

namespace {
struct staged_cut {
    std::string staged, original, archive;
};
std::vector<staged_cut> staged_cuts;
}  // namespace

void staged_cuts_reset() { staged_cuts.clear(); }

void staged_cut_add(const char* staged, const char* original)
{
    char archive[PATH_BUF];
    if (read_open_archive(archive)) staged_cuts.push_back({staged, original, archive});
}

int staged_cut_original(const char* staged, char* original)
{
    char archive[PATH_BUF];
    if (staged_cuts.empty() || !read_open_archive(archive)) return 0;
    for (const staged_cut& c : staged_cuts)
        if (text_equal_ci(c.staged.c_str(), staged) && text_equal_ci(c.archive.c_str(), archive))
            return text_copy(original, PATH_BUF, c.original.c_str()) ? 1 : 0;
    return 0;
}

int staged_cut_elsewhere(const char* staged, char* shown)
{
    char archive[PATH_BUF];
    if (!read_open_archive(archive)) archive[0] = 0;
    for (const staged_cut& c : staged_cuts) {
        if (!text_equal_ci(c.staged.c_str(), staged) || text_equal_ci(c.archive.c_str(), archive)) continue;
        const char* inside = path_below(c.original.c_str(), archive_work.folder);
        return inside && *inside && path_join(shown, PATH_BUF, c.archive.c_str(), inside) ? 1 : 0;
    }
    return 0;
}
