// Archives opened as folders: the archive kinds and which can be written
// back, this instance's work folder T\zote\lha<N> ("folder" with the extracted
// archive, "folder.d" naming it, "folder.m" recording it as last in step,
// "view" for single members, "into" and "temp.<ext>" while packing), opening
// and leaving, the write-back after a change, changes kept when it fails, the
// ring of remembered passwords and the archive commands.
#pragma once
#include "base/cptext.h"
#include "browser/model/archive_work.h"

class _lha;

enum { PASSWORD_RING_SIZE = 10, WORK_FOLDER_COUNT = 10 };

// The ring of remembered passwords; memory only.
struct password_ring_entry {
    char path[PATH_BUF];
    char password[PATH_BUF];
};
struct password_ring_record {
    password_ring_entry entries[PASSWORD_RING_SIZE];
    int next;
    // The last password confirmed in either dialog; both open showing it.
    char last_typed[PATH_BUF];
};
extern password_ring_record password_ring;

// Kind 1 to 6 by the name's last extension (.lzh .zip .cab .gz .tar.gz .z), else 0.
int archive_kind_number(const char* name);
// The archiver (0..3) that serves a kind number, -1 for none.
int archiver_of_kind(int kind);
int archive_kind_available(const char* name);
// The kind's extension for the compress commands 241 to 244 (0..3).
const char* compress_extension(int archiver);

// Start-up: the archivers left to be asked (archiver_available), the
// instance's folder (claimed atomically), "view" and cache_arc. At exit: the
// instance's folder removed.
void setup_archive_work_folders();
// At exit: the instance's folder removed, unless it holds changes that are
// not in the archive (settle_archive_work asks first).
void remove_archive_work_folder();
// 1 while an instance (this one too) holds work folder n.
int work_folder_live(int n);

int archive_is_read_only();
// Why an archive cannot be written: 0 it can; ARCHIVE_NO_CREATOR (a zip
// without the creation DLL, refused silently); ARCHIVE_DAMAGED and
// ARCHIVE_MEMBERS_LEFT_OUT (the open archive, as found when it was opened:
// damage, or files its extraction did not give); ARCHIVE_READ_ONLY_FILE.
enum { ARCHIVE_WRITABLE, ARCHIVE_NO_CREATOR, ARCHIVE_DAMAGED, ARCHIVE_READ_ONLY_FILE, ARCHIVE_MEMBERS_LEFT_OUT };
int archive_write_refusal(const char* archive);
// Tells the user why a change cannot go into the archive (a zip without its
// creation DLL is refused silently).
void say_write_refused(const char* archive, int why);
// Asked before a change is made in the shown folder: 0, with the user told
// why, inside an archive folder whose archive cannot be written back, so
// that nothing is put into the folder that the archive would not hold.
int archive_change_allowed();
// Tells the user that count files of the archive could not be extracted, so
// that nothing is written back.
void say_members_left_out(const char* archive, int count);
// 1, after telling the user, when another program holds the archive, so
// that it cannot be opened now (which is no damage).
int say_if_archive_held(const char* archive);
// 0, leaving the folder shown as it was, when another program holds the archive.
int open_archive_as_folder(const char* path);
// Enters a folder ("\..." selects the drive list); an archive, or a path
// below the opened one, enters its work folder. 1 on success.
int change_folder(const char* path);
void leave_archive_folder(const char* path);
// The current folder with "folder" replaced by the archive's path (PATH_BUF).
int archive_display_path(char* out);
// Packs "folder" into the open archive again. password: null keeps the
// remembered one, "" removes it. 1 when the archive was replaced;
// ARCHIVE_MERGED when another window or program had changed the archive
// since, and "folder" now holds their changes too (the list is out of date).
enum { ARCHIVE_MERGED = 2 };
int write_back_archive(const char* new_password);
// The same wherever the current folder is, for a change made to "folder" from outside it.
int write_back_open_archive(const char* new_password);
// The write-back without the message of a failed pack, for callers that say
// what the failure means to them (a refusal is still said). 1 when replaced.
int pack_open_archive(const char* new_password);
int set_archive_password();
// Extracts everything, asking for a password while nothing came out of an
// archive that has encrypted members. 1 when the folder holds the contents.
int extract_archive_all(const char* archive, const char* folder);

void password_ring_add(const char* path, const char* password);
// Replaces the remembered password of path, or adds one.
void password_ring_set(const char* path, const char* password);
// The remembered password or null.
const char* password_lookup(const char* path);
// Shows the password question; the ring's password or null when cancelled.
const char* ask_archive_password(const char* path);
// The dialogs 214 (set, with confirmation) and 215 (ask): 1 and the text in
// out (PATH_BUF) when confirmed.
int password_dialog(int id, char* out);

// Packs source into archive through "temp" beside the work folder and swaps
// it in only when it lists every file of source. Names keep the encoding
// archive had; carry (source was extracted from archive with this password):
// what did not change is copied from archive as it is stored. 1 when the
// archive was replaced.
int repack_archive(const char* archive, const char* source, const char* password, int carry = 1);

// What "folder" holds against the archive (archive_sync.cpp). The record
// "folder.m" of the archive as now in step with "folder": written after the
// extraction and after each write-back. 1 when written.
int note_archive_in_step(const char* archive);
// 1 when the archive's size or time is no longer what the record says.
int archive_changed_elsewhere(const char* archive);
// Brings into "folder" what the archive gained, changed or lost since the
// record, where this window had not changed the same file; where both did,
// theirs is kept beside under a free name. 1 when done.
int merge_changed_archive(const char* archive, const char* password);
// 1 when "folder" differs from its record (or has none): changes not yet in the archive.
int folder_holds_unsaved_changes();
// Before the open archive's folder may go (another archive opened, the folder
// left, the program ended): unsaved changes are written back; when that
// fails the user is asked, and they are kept in a folder the question names
// (the archive closed) or thrown away at the user's word. 1 when nothing
// unsaved is left in "folder"; 0 when they could be kept nowhere else.
int settle_archive_work();
// Start-up, for a work folder whose instance no longer runs: its unsaved
// changes are kept beside their archive, and the user told where. 0 when they
// could not be, so that the folder is not wiped.
int keep_dead_instance_changes(const char* instance);
