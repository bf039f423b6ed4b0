// The state of the archives opened as folders, as the list reads it: this
// instance's work folders (written by the archives room at start-up and while
// an archive is open), the archivers' availability (probed when first asked),
// whether a path lies in them, what a path in any instance's work folder
// stands for, the open archive's path and the folder as the title shows it.
#pragma once
#include "base/cptext.h"

enum { ARCHIVE_KIND_COUNT = 4 };

// The work folders of this instance, chosen once at start-up.
struct archive_work_record {
    int instance;                       // N of lha<N>, -1 when none could be claimed
    int available[ARCHIVE_KIND_COUNT];  // LZH, ZIP, CAB, TAR: 2 writable, 1 read only, 0 none, -1 ask the DLL
    char root[PATH_BUF];                // T\zote
    char instance_folder[PATH_BUF];     // T\zote\lha<N>
    char folder[PATH_BUF];              // ...\folder
    char folder_file[PATH_BUF];         // ...\folder.d
    char view[PATH_BUF];                // ...\view
    int damaged;                        // the open archive's listing or test reported damage
    int left_out;                       // files of the open archive its extraction did not give
    char folder_record[PATH_BUF];       // ...\folder.m
};
extern archive_work_record archive_work;

// T\zote joined with sub into out (PATH_BUF): 1 when it fit.
int zote_temp_path(char* out, const char* sub);
// 1 when path is folder or lies below it (case ignored).
bool is_prefix_folder(const char* path, const char* folder);
// The part of path below folder ("" for folder itself), or null.
const char* path_below(const char* path, const char* folder);
// The availability word of archiver kind 0..3 (LZH, ZIP, CAB, GZ/TAR): 0 when
// its DLL is not there (or before start-up), so that no archive opens as a
// folder. Start-up leaves the words to be asked: the DLL is loaded when its
// word is first asked for.
int archiver_available(int kind);
// 1 when path (or the current folder for null) lies inside "folder".
int in_archive_folder(const char* path = nullptr);
// 1 when path lies anywhere in this instance's work folder; the same for a
// path not yet made full.
int in_instance_folder(const char* path);
int in_archive_work_folder(const char* path);
// A file of exactly PATH_BUF bytes holding a path in a zero-terminated
// field ("folder.d", the clipboard staging's records), read into out
// (PATH_BUF; a file of another size reads as none) and written.
int read_path_record(const char* file, char* out);
int write_path_record(const char* file, const char* path);
// The open archive's path from "folder.d" (PATH_BUF): 0 when there is none.
int read_open_archive(char* out);
int write_open_archive(const char* archive);
// What a path inside any instance's work folder T\zote\lha<N> stands for:
// "folder" and below stand for the archive named in that instance's
// "folder.d" and the path inside it (out: PATH_BUF). No window browses a work
// folder as a plain folder: WORK_PATH_MAPPED the path to take instead,
// WORK_PATH_REFUSED a work folder that stands for nothing, WORK_PATH_NONE a
// path outside the work folders.
enum { WORK_PATH_NONE, WORK_PATH_MAPPED, WORK_PATH_REFUSED };
int work_path_meaning(const char* path, char* out);
// 1 when the full path is an instance's work folder T\zote\lha<N> itself:
// a tree listing never enters one.
int is_instance_work_folder(const char* path);
// The plain folder a window may stand in for path (out: PATH_BUF): path
// itself outside the work folders, else the nearest existing folder above
// what it stands for (the folder holding the archive), else the temporary
// folder. 0 when none fits.
int plain_folder_for(const char* path, char* out);
// The folder as the title shows it (out: PATH_BUF): 1 when it differs, as an
// opened archive's path shown in place of its work folder.
int archive_shown_folder(const char* folder, char* out);
