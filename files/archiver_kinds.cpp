// The archive kinds' operations and their exact command strings, and the
// one-file work folder through which a single file is packed. A folder
// argument always passes through strip_backslash_copy so that the command's
// "%s\" ends in exactly one backslash. Before a create the target is
// deleted: the DLLs add to an existing archive, which would bring back
// members of a stale one.
#include "files/archiver.h"
#include "files/internal.h"
#include "base/dll_load.h"
#include "base/holders.h"
#include "files/dialogs.h"
#include "files/file_ops.h"
#include "files/fs_query.h"
#include "files/strings.h"
#include <cstdlib>
#include <cstring>

namespace {

const char zip_dummy_password[] = "mirkal";

// The folder argument without its trailing backslash; null when it is empty
// or does not fit (an empty one would name the drive's root).
const char* folder_arg(const char* folder)
{
    if (!folder || !*folder) return nullptr;
    const char* f = strip_backslash_copy(folder);
    return *f ? f : nullptr;
}

// A missing archive is not extracted; an empty one counts as extracted.
// 1: go on with the command; 0: fail; 2: done.
int extract_precheck(const _lha* object, const char* archive)
{
    if (!object->module || !path_exists(archive, 0) || is_folder(archive)) return 0;
    return file_size(archive) == 0 ? 2 : 1;
}

// Deletes an earlier archive of the same name; 0 when one stays.
int remove_stale(const char* archive)
{
    DWORD a = GetFileAttributesA(archive);
    if (a == INVALID_FILE_ATTRIBUTES) return 1;
    if (a & FILE_ATTRIBUTE_DIRECTORY) return 0;
    SetFileAttributesA(archive, FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(archive) ? 1 : 0;
}

// The sfx command goes straight to the entry: the DLL may show its dialogs.
int run_sfx(_lha* object, const char* fmt, const char* archive)
{
    if (!object->module || !object->command_entry) return 0;
    char line[ARCHIVER_COMMAND_BUF];
    if (!form_archiver_command(object, line, fmt, archive)) return 0;
    return object->command_entry(message_box_owner, line, nullptr, 0) == 0 ? 1 : 0;
}

// Runs a formed command inside the source: its folder, or a one-file work folder.
int run_in_source(_lha* runner, const char* source, const char* line)
{
    if (!is_folder(source)) {
        isolated_file record;
        if (!isolate_file(&record, source)) return 0;
        int result = runner->command("%s", line);
        isolate_file_undo(&record);
        return result;
    }
    char folder[PATH_BUF];
    if (!full_path(folder, sizeof folder, source)) return 0;
    current_folder_kept keep;
    if (!keep || !SetCurrentDirectoryA(folder)) return 0;
    return runner->command("%s", line);
}

// The common start of the ZIP, cabinet and tar creates: the absolute archive
// path, the source present, the stale archive gone.
bool prepare_create(const char* archive, const char* source, char (&absolute)[PATH_BUF])
{
    if (!source || !path_exists(source, 0)) return false;
    if (!full_path(absolute, sizeof absolute, archive)) return false;
    return remove_stale(absolute) != 0;
}

// Cabinet and tar archives take the source's time (a folder's newest file).
int create_stamped(_lha* object, const char* archive, const char* source, const char* fmt)
{
    if (!object->module) return 0;
    char absolute[PATH_BUF], line[ARCHIVER_COMMAND_BUF];
    if (!prepare_create(archive, source, absolute)) return 0;
    if (!form_archiver_command(object, line, fmt, absolute)) return 0;
    SYSTEMTIME time;
    item_local_systime(source, &time);
    int result = run_in_source(object, source, line);
    set_file_local_systime(absolute, &time);
    return result;
}

}  // namespace

// LHA

int _lha_lha::make_sfx(const char* archive) { return run_sfx(this, "s -x -n1 -gw3 \"%s\"", archive); }

int _lha_lha::create(const char* archive, const char* source, const char*)
{
    if (!module || !source || !path_exists(source, 0)) return 0;
    if (!remove_stale(archive)) return 0;
    if (is_folder(source)) {
        const char* folder = folder_arg(source);
        return folder ? command("a -- -d1 -z2 -t -n1 \"%s\" \"%s\\\"", archive, folder) : 0;
    }
    return command("a -- -d1 -z2 -t -n1 \"%s\" \"%s\"", archive, source);
}

int _lha_lha::extract_all(const char* archive, const char* folder, const char*)
{
    int pre = extract_precheck(this, archive);
    if (pre != 1) return pre == 2 ? 1 : 0;
    const char* f = folder_arg(folder);
    return f ? command("x -- -n1 \"%s\" \"%s\\\"", archive, f) : 0;
}

int _lha_lha::extract_one(const char* archive, const char* folder, const char* member)
{
    if (!module || !member_name_is_safe(member)) return 0;
    const char* f = folder_arg(folder);
    return f ? command("e -- -y -n1 \"%s\" \"%s\\\" \"%s\"", archive, f, member) : 0;
}

// ZIP

void _lha_zip::load_creator()
{
    usable = 0;
    if (!module) return;
    lha_load(&creator, "zip32j.dll", "Zip", 0);
    if (!creator.module) return;
    HMODULE probe = load_installed_dll("zip32.dll");
    if (!probe) probe = load_installed_dll("izip32j.dll");
    if (probe) {
        usable = 1;
        FreeLibrary(probe);
    }
}

int _lha_zip::is_encrypted(const char* archive)
{
    if (!module || !get_attribute || !open_archive || !close_archive) return 0;
    HARC handle = open_archive(nullptr, archive, ARCHIVE_OPEN_MODE);
    if (!handle) return 0;
    int attribute = get_attribute(handle);
    close_archive(handle);
    return attribute != -1 && (attribute & ARCHIVE_ENCRYPTED_BIT) ? 1 : 0;
}

int _lha_zip::version_text(char* out, size_t cap)
{
    if (!module) return 0;
    if (!usable) return _lha::version_text(out, cap);
    double own = get_version ? get_version() / 100.0 : 0.0;
    double made = creator.get_version ? creator.get_version() / 100.0 : 0.0;
    text_format(out, cap, "Zip %s ver.%4.2lf and zip32j.dll ver.%4.2lf", dll_name(), own, made);
    return 1;
}

int _lha_zip::create(const char* archive, const char* source, const char* password)
{
    if (!module || !usable) return 0;
    // An empty password means none; one that would split the command is refused.
    bool with_password = password && *password;
    if (with_password && !archive_password_is_safe(password)) return 0;
    char absolute[PATH_BUF], line[ARCHIVER_COMMAND_BUF];
    if (!prepare_create(archive, source, absolute)) return 0;
    // Names stay as the archive had them: -UN=UTF8 stores them in UTF-8.
    const char* names = utf8_names ? " -UN=UTF8" : "";
    bool formed;
    if (carry_from[0]) {
        // Info-ZIP's update into a new archive: the old one is only read, and
        // what did not change is copied from it as it is stored.
        formed = with_password
                     ? form_archiver_command(&creator, line, "-r -o -q --filesync%s -P %s \"%s\" *.* --out \"%s\"",
                                             names, password, carry_from, absolute)
                     : form_archiver_command(&creator, line, "-r -o -q --filesync%s \"%s\" *.* --out \"%s\"", names,
                                             carry_from, absolute);
    } else {
        formed = with_password
                     ? form_archiver_command(&creator, line, "-r -o -q%s -P %s \"%s\" *.*", names, password, absolute)
                     : form_archiver_command(&creator, line, "-r -o -q%s \"%s\" *.*", names, absolute);
    }
    return formed ? run_in_source(&creator, source, line) : 0;
}

int _lha_zip::extract_all(const char* archive, const char* folder, const char* password)
{
    int pre = extract_precheck(this, archive);
    if (pre != 1) return pre == 2 ? 1 : 0;
    const char* f = folder_arg(folder);
    if (!f) return 0;
    if (!password || !*password) return command("-x --i -qq -P%s \"%s\" \"%s\\\"", zip_dummy_password, archive, f);
    if (!archive_password_is_safe(password)) return 0;
    return command("-x --i -qq -P%s \"%s\" \"%s\\\"", password, archive, f);
}

int _lha_zip::extract_one(const char* archive, const char* folder, const char* member)
{
    if (!module || !member_name_is_safe(member)) return 0;
    const char* f = folder_arg(folder);
    return f ? command("-x -j --i -o -qq -Pmirkal \"%s\" \"%s\\\" \"%s\"", archive, f, member) : 0;
}

// Cabinet

int _lha_cab::make_sfx(const char* archive) { return run_sfx(this, "-f -i \"%s\"", archive); }

int _lha_cab::create(const char* archive, const char* source, const char*)
{
    return create_stamped(this, archive, source, "-a -r -i \"%s\" *.*");
}

int _lha_cab::extract_all(const char* archive, const char* folder, const char*)
{
    int pre = extract_precheck(this, archive);
    if (pre != 1) return pre == 2 ? 1 : 0;
    const char* f = folder_arg(folder);
    return f ? command("-x -i -o \"%s\" \"%s\\\" *.*", archive, f) : 0;
}

int _lha_cab::extract_one(const char* archive, const char* folder, const char* member)
{
    if (!module || !member_name_is_safe(member)) return 0;
    const char* f = folder_arg(folder);
    return f ? command("-x -i -j -o \"%s\" \"%s\\\" \"%s\"", archive, f, member) : 0;
}

// tar

int _lha_tar::create(const char* archive, const char* source, const char*)
{
    // pax stores the names in UTF-8 when the archive had them so.
    return create_stamped(this, archive, source,
                          utf8_names ? "--display-dialog=0 -c -z --format=pax -f \"%s\" *.*"
                                     : "--display-dialog=0 -c -z -f \"%s\" *.*");
}

int _lha_tar::extract_all(const char* archive, const char* folder, const char*)
{
    int pre = extract_precheck(this, archive);
    if (pre != 1) return pre == 2 ? 1 : 0;
    const char* f = folder_arg(folder);
    return f ? command("--display-dialog=0 -x \"%s\" \"%s\\\"", archive, f) : 0;
}

int _lha_tar::extract_one(const char* archive, const char* folder, const char* member)
{
    if (!module || !member_name_is_safe(member)) return 0;
    const char* f = folder_arg(folder);
    return f ? command("--display-dialog=0 --use-directory=0 -x \"%s\" \"%s\\\" \"%s\"", archive, f, member) : 0;
}

// The one-file work folder

int isolate_file(isolated_file* record, const char* file)
{
    memset(record, 0, sizeof *record);
    char parent[PATH_BUF];
    if (!full_path(record->full, sizeof record->full, file)) return 0;
    if (!parent_folder(record->full, parent)) return 0;
    int n = 0;
    for (;; n++) {
        if (n > 9999 || !text_format(record->work, sizeof record->work, "%sfdir@%d", parent, n)) return 0;
        if (!path_exists(record->work, 0)) break;
    }
    if (!md_path(record->work)) return 0;
    if (!path_join(record->inside, record->work, file_name_of(record->full)) ||
        !mv_file(record->full, record->inside)) {
        rd_folder(record->work);
        return 0;
    }
    // The command must run inside the work folder: without the saved folder
    // or the change, the file goes back and nothing runs.
    record->saved_cwd = static_cast<char*>(malloc(PATH_BUF));
    DWORD got = record->saved_cwd ? GetCurrentDirectoryA(PATH_BUF, record->saved_cwd) : 0;
    if (got == 0 || got >= PATH_BUF || !SetCurrentDirectoryA(record->work)) {
        free(record->saved_cwd);
        record->saved_cwd = nullptr;
        mv_file(record->inside, record->full);
        rd_folder(record->work);
        return 0;
    }
    return 1;
}

void isolate_file_undo(isolated_file* record)
{
    if (record->saved_cwd) {
        SetCurrentDirectoryA(record->saved_cwd);
        free(record->saved_cwd);
        record->saved_cwd = nullptr;
    }
    mv_file(record->inside, record->full);
    rd_folder(record->work);
}
