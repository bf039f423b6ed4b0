// The archive commands on entries and the selection, and the clipboard
// staging of entries copied or cut inside an archive folder.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

int compress_into_archive(const char* archive);
int extract_archive(const char* path);
int make_self_extracting(const char* path);
int compress_selection(const char* path, const char* extension);
void list_archiver_versions(char* out, size_t cap);
// Before the clipboard lists new entries: the earlier staged copies and cuts go.
void begin_clipboard_staging();
int stage_for_clipboard(const char* path, int cut, char* staged);
void clear_clipboard_staging();
// After a paste moved the staged copies of entries cut inside the archive
// folder to their destinations: the entries leave the folder and the archive
// is written back (by the paste's own write-back when it pasted inside it).
struct pasted_cut {
    std::string original, destination;
};
void finish_pasted_cuts(const std::vector<pasted_cut>& pasted);
// The list entry at index: above 1 when it is an archive its archiver can
// write; compressing the selection into it.
int entry_archive_creation(int index);
int compress_into_entry(int index);
// The path to list on the clipboard for a list entry (out: PATH_BUF); entries
// inside an archive folder are staged first.
int clipboard_entry_path(const char* path, int cut, char* out);
