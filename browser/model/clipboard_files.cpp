// The file clipboard as read (see clipboard_files.h): the shell's CF_HDROP
// list with its "Preferred DropEffect" through the OLE clipboard, and the cut
// marks drawn on entries that wait to be moved.
#include "browser/model/clipboard_files.h"
#include "browser/model/archive_work.h"
#include "browser/model/paths.h"
#include "base/holders.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include <shellapi.h>
#include <cstring>
#include <new>
#include <string>
#include <unordered_map>
#include <unordered_set>

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
    delete s->files;
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
    if (!s->files) s->files = new (std::nothrow) std::vector<std::string>;
    if (!s->files) return 0;
    _drop_list_paths(s->medium.hGlobal, s->files);
    s->count = int(s->files->size());
    return 1;
}

int clipboard_file(clipboard_read_state* s, int i, char* out)
{
    out[0] = 0;
    if (!s->files || i < 0 || i >= int(s->files->size())) return 0;
    const std::string& path = (*s->files)[i];
    return !path.empty() && text_copy(out, PATH_BUF, path.c_str()) ? 1 : 0;
}

// Cut marks -------------------------------------------------------------------------

namespace {
// A path's key for the lookups below (see text_case_key); empty when it does not fit.
std::string case_key(const char* path)
{
    char key[PATH_BUF];
    return text_case_key(key, sizeof key, path) ? std::string(key) : std::string();
}

// The clipboard's cut files, read once per change of the clipboard (or of
// the open archive, which tells where a staged copy stands): their folder and
// the keys of their full paths, so that each entry is looked up at once
// however many were cut.
struct cut_list_record {
    int count;
    char folder[PATH_BUF];
    std::unordered_set<std::string> keys;
    bool read;
    DWORD clipboard_serial;
    char archive[PATH_BUF];
};
cut_list_record cut_list;

// Entries cut inside the open archive's folder, by the key of their staged copy.
struct staged_cut {
    std::string original, archive;
};
std::unordered_map<std::string, staged_cut> staged_cuts;

int staged_original_in(const char* archive, const char* staged, char* original)
{
    if (staged_cuts.empty() || !archive[0]) return 0;
    auto found = staged_cuts.find(case_key(staged));
    if (found == staged_cuts.end() || !text_equal_ci(found->second.archive.c_str(), archive)) return 0;
    return text_copy(original, PATH_BUF, found->second.original.c_str()) ? 1 : 0;
}
}  // namespace

void read_cut_list()
{
    char archive[PATH_BUF];
    read_open_archive(archive);
    DWORD serial = GetClipboardSequenceNumber();
    if (cut_list.read && serial == cut_list.clipboard_serial && !strcmp(archive, cut_list.archive)) return;
    cut_list.keys.clear();
    cut_list.count = 0;
    cut_list.folder[0] = 0;
    cut_list.read = true;
    cut_list.clipboard_serial = serial;
    text_copy(cut_list.archive, archive);
    if (!IsClipboardFormatAvailable(CF_HDROP)) return;
    clipboard_read_state s;
    clipboard_files_open(&s);
    if (s.cut && clipboard_query_files(&s)) {
        for (int i = 0; i < s.count; i++) {
            char path[PATH_BUF];
            if (!clipboard_file(&s, i, path)) continue;
            staged_original_in(archive, path, path);
            if (cut_list.count == 0 && parent_folder(path, cut_list.folder)) remove_backslash(cut_list.folder);
            cut_list.keys.insert(case_key(path));
            cut_list.count++;
        }
    }
    clipboard_files_close(&s);
}

int is_cut_entry(const char* name)
{
    if (cut_list.count == 0) return 0;
    char folder[PATH_BUF], path[PATH_BUF];
    if (!text_copy(folder, current_folder.folder)) return 0;
    remove_backslash(folder);
    if (!text_equal_ci(folder, cut_list.folder) || !full_path(path, sizeof path, name)) return 0;
    return cut_list.keys.count(case_key(path)) ? 1 : 0;
}

// Staged cuts ----------------------------------------------------------------------

void staged_cuts_reset() { staged_cuts.clear(); }

void staged_cut_add(const char* staged, const char* original)
{
    char archive[PATH_BUF];
    // A later cut staged at the same place stands for another entry.
    if (read_open_archive(archive)) staged_cuts.insert_or_assign(case_key(staged), staged_cut{original, archive});
}

int staged_cut_original(const char* staged, char* original)
{
    char archive[PATH_BUF];
    return !staged_cuts.empty() && read_open_archive(archive) && staged_original_in(archive, staged, original);
}

// Another instance's cut: the record beside its staging folder names the
// archive, and the path below that folder is the entry's inside it.
static int staged_by_another(const char* staged, char* shown)
{
    char root[PATH_BUF], cut[PATH_BUF], record[PATH_BUF], archive[PATH_BUF];
    const char* below = zote_temp_path(root, "lzhclip") ? path_below(staged, root) : nullptr;
    const char* inside = below ? mb_strchr(below, '\\') : nullptr;
    if (!inside || !inside[1] || !text_copy_n(cut, sizeof cut, below, size_t(inside - below))) return 0;
    return text_format(record, sizeof record, "%s\\%s.d", root, cut) && read_path_record(record, archive) &&
                   path_join(shown, PATH_BUF, archive, inside + 1)
               ? 1
               : 0;
}

int staged_cut_elsewhere(const char* staged, char* shown)
{
    char archive[PATH_BUF];
    if (!read_open_archive(archive)) archive[0] = 0;
    auto found = staged_cuts.find(case_key(staged));
    if (found == staged_cuts.end()) return staged_by_another(staged, shown);
    if (text_equal_ci(found->second.archive.c_str(), archive)) return 0;
    const char* inside = path_below(found->second.original.c_str(), archive_work.folder);
    return inside && *inside && path_join(shown, PATH_BUF, found->second.archive.c_str(), inside) ? 1 : 0;
}
