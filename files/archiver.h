// The archiver-DLL wrappers: one `_lha` object per archive kind, made on the
// first request for its kind and kept for the whole run. Each kind knows its
// command strings; every command goes through a bounded buffer and is refused
// when it does not fit, and the console is told which command it was. The
// browser and the console reach the DLL's listing entries directly through
// the object's fields.
#pragma once
#include <windows.h>
#include "files/archiver_api.h"
#include "base/cptext.h"
#include "base/holders.h"

enum {
    ARCHIVER_NAMES = 100,
    // Room for three full paths and the longest format; a longer command is refused.
    ARCHIVER_COMMAND_BUF = 1024,
    ARCHIVER_OUTPUT_DEFAULT = 60000,
};

class _lha {
public:
    char names[ARCHIVER_NAMES];  // prefix, NUL, DLL name, NUL
    int usable;                  // loaded; for ZIP: creation available
    int kind;                    // 1: can make self-extracting archives
    archiver_command_fn command_entry;
    archiver_get_attribute_fn get_attribute;
    archiver_command_fn extract_entry;
    archiver_get_version_fn get_version;
    archiver_set_mode_fn set_background_mode;
    archiver_check_fn check_archive;
    archiver_file_count_fn get_file_count;
    archiver_set_mode_fn set_cursor_mode;
    archiver_open_fn open_archive;
    archiver_close_fn close_archive;
    archiver_find_first_fn find_first_entry;
    archiver_find_next_fn find_next;
    archiver_set_owner_fn set_owner_window_ex;  // progress entries; null when the DLL lacks them
    archiver_kill_owner_fn kill_owner_window_ex;
    HMODULE module;

    _lha();
    virtual ~_lha() {}
    _lha(const _lha&) = delete;
    _lha& operator=(const _lha&) = delete;

    virtual int make_sfx(const char* archive);
    virtual int run(char* output, int size, const char* fmt, ...) __attribute__((format(gnu_printf, 4, 5)));
    virtual int is_encrypted(const char* archive);
    virtual int version_text(char* out, size_t cap);
    virtual int create(const char* archive, const char* source, const char* password);
    virtual int extract_all(const char* archive, const char* folder, const char* password);
    virtual int extract_one(const char* archive, const char* folder, const char* member);

    const char* prefix() const { return names; }
    const char* dll_name() const;
    // 1 when the command entry returned 0.
    int command(const char* fmt, ...) __attribute__((format(gnu_printf, 2, 3)));
    int member_count(const char* archive);
    int find_first(HARC archive, archive_member_info* info);

    // Calls fn with each member the listing gives (folders included as the
    // DLL lists them) until fn answers 0. 1 when the whole listing was read.
    int for_each_member(const char* archive, int (*fn)(const archive_member_info& info, void* data), void* data);
    // 1 when the archive's listing stops at damage or its full test fails.
    // An empty file is not damaged; an encrypted archive's test needs its
    // password, so only its listing counts; nor is an archive that another
    // program holds (is_held).
    int is_damaged(const char* archive);
    // 1 when the DLL cannot open the archive now because another program
    // holds it (OpenArchive fails with a sharing or lock violation).
    int is_held(const char* archive);
    // 1 when the archive stores some member's name in UTF-8.
    int names_in_utf8(const char* archive);
    // create(), with the member names stored as model stores them: cp932
    // bytes, or UTF-8 when model's are so. carry: model is the archive that
    // source was extracted from, with this password; a kind that can (zip)
    // copies the members whose files did not change from it as they are
    // stored, and model is only read. A DLL that cannot is asked to create.
    int create_like(const char* archive, const char* source, const char* password, const char* model, int carry = 0);
    // 1 when the archive lists every file below folder under its name there
    // (without regard to case) with its size: nothing a pack skipped is lost
    // when the folder goes.
    int holds_folder(const char* archive, const char* folder);
    // How many files the listing holds that an extraction into folder did not
    // give under their names and sizes (refused names, links, members the DLL
    // could not read, two names of one file): a pack of the folder would lose
    // them. -1 when the listing cannot be read whole.
    int members_left_out(const char* archive, const char* folder);

protected:
    int utf8_names;             // the create in progress stores names in UTF-8
    char carry_from[PATH_BUF];  // the create in progress carries members over from this archive (or "")

    // Forms the command and calls the entry with the status text shown;
    // -1 when nothing was called (no module, or the command did not fit).
    int call(char* output, DWORD size, const char* fmt, va_list ap);
    // The opening of run(): the command called with an output text of the
    // caller's size (or the default); null when it was not run or failed.
    heap_buffer<char> run_output(char* output, int size, const char* fmt, va_list ap);
    // Runs the command through the creator or this object inside the source
    // (its folder, or a one-file work folder); archive is absolute.
    int create_in_source(_lha* runner, const char* source, const char* fmt, const char* a1, const char* a2);
};

// The object for the archive's kind, or null for another extension or when
// the kind's DLL did not load (it is tried once per run).
_lha* open_archiver_for(const char* archive);

// What the DLL of a running command tells of its progress: a member begun
// (state ARCHIVE_PROGRESS_BEGIN), or `done` of its `size` bytes handled.
struct archiver_progress {
    int state;
    const char* member;
    unsigned long size;
    unsigned long done;
};
// Answers 0 to stop the command.
typedef int (*archiver_progress_fn)(const archiver_progress& progress, void* data);
// While it lives, every command is run with fn as the DLL's progress
// procedure (through its SetOwnerWindowEx entry; a DLL without it tells
// nothing and cannot be stopped). stopped(): fn stopped a command.
class archiver_progress_scope {
public:
    archiver_progress_scope(archiver_progress_fn fn, void* data);
    ~archiver_progress_scope();
    archiver_progress_scope(const archiver_progress_scope&) = delete;
    archiver_progress_scope& operator=(const archiver_progress_scope&) = delete;
    bool stopped() const;
};
// Whether a progress procedure stopped a command since its scope began.
bool archiver_stopped();
