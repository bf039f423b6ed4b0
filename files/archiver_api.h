// The calling convention shared by the archiver DLLs: the entry types that
// the wrappers resolve by name, the open-mode and attribute bits, and the
// published 560-byte member record that FindFirst and FindNext fill. The
// stand-in DLLs include this header too, so both sides agree on the layout.
#pragma once
#include <windows.h>
#include <cstddef>

typedef HANDLE HARC;

enum {
    ARCHIVE_NAME_MAX = 512,        // longest member name, without the terminator
    ARCHIVE_OPEN_MODE = 0x2002,    // OpenArchive mode used for listings
    ARCHIVE_ENCRYPTED_BIT = 0x40,  // GetAttribute: some member is encrypted
    ARCHIVE_CHECK_FULL_CRC = 2,    // CheckArchive mode: read and check every member
    // Member record flag: the archive stores the name in UTF-8 (the record
    // holds it in cp932, as every name). Writing the archive again keeps it so.
    ARCHIVE_FLAG_NAME_UTF8 = 0x0800,
};

// One member of a listing, as the DLLs publish it.
struct archive_member_info {
    DWORD original_size;
    DWORD compressed_size;
    DWORD crc;
    UINT flag;
    UINT os_type;
    WORD ratio;  // per mille
    WORD date;   // DOS date
    WORD time;   // DOS time
    char name[ARCHIVE_NAME_MAX + 1];
    char reserved[3];
    char attribute[8];
    char mode[8];
};
static_assert(sizeof(archive_member_info) == 560, "the published member record is 560 bytes");
static_assert(offsetof(archive_member_info, original_size) == 0, "size at 0");
static_assert(offsetof(archive_member_info, date) == 22, "date word at 22");
static_assert(offsetof(archive_member_info, name) == 26, "name at 26");
static_assert(offsetof(archive_member_info, attribute) == 542, "attribute text at 542");

// The entries, all stdcall and exported under undecorated names.
typedef int(WINAPI* archiver_command_fn)(HWND window, LPCSTR command, LPSTR output, DWORD size);
typedef int(WINAPI* archiver_get_attribute_fn)(HARC archive);
typedef WORD(WINAPI* archiver_get_version_fn)();
typedef BOOL(WINAPI* archiver_set_mode_fn)(BOOL on);
typedef BOOL(WINAPI* archiver_check_fn)(LPCSTR archive, int mode);
typedef int(WINAPI* archiver_file_count_fn)(LPCSTR archive);
// Null when the archive cannot be listed; the thread's last error then says
// why: ERROR_SHARING_VIOLATION (or ERROR_LOCK_VIOLATION) while another
// program holds the file, which is no damage: it cannot be opened now.
typedef HARC(WINAPI* archiver_open_fn)(HWND window, LPCSTR archive, DWORD mode);
typedef int(WINAPI* archiver_close_fn)(HARC archive);
typedef int(WINAPI* archiver_find_first_fn)(HARC archive, LPCSTR wildcard, archive_member_info* info);
typedef int(WINAPI* archiver_find_next_fn)(HARC archive, archive_member_info* info);

// Progress: a caller registers its procedure with SetOwnerWindowEx and
// removes it with KillOwnerWindowEx. While a command runs the DLL calls it
// with the registered message "wm_arcextract", a state and the record below:
// once as a member begins, again as its bytes are handled. FALSE from the
// procedure stops the command; a DLL without the entries tells nothing.
enum {
    ARCHIVE_PROGRESS_BEGIN = 0,
    ARCHIVE_PROGRESS_IN_PROCESS = 1,
    ARCHIVE_PROGRESS_END = 2,
};
struct archive_progress_info {
    DWORD file_size;   // the member's bytes
    DWORD write_size;  // its bytes handled so far
    char source_name[ARCHIVE_NAME_MAX + 1];
    char reserved1[3];
    char dest_name[ARCHIVE_NAME_MAX + 1];
    char reserved2[3];
    DWORD compressed_size;
    DWORD crc;
    UINT os_type;
    WORD ratio;
    WORD date;
    WORD time;
    char attribute[8];
    char mode[8];
};
static_assert(sizeof(archive_progress_info) == 1076, "the published progress record is 1076 bytes");
static_assert(offsetof(archive_progress_info, source_name) == 8, "source name at 8");
static_assert(offsetof(archive_progress_info, dest_name) == 524, "member name at 524");
static_assert(offsetof(archive_progress_info, compressed_size) == 1040, "the extended part at 1040");
typedef BOOL(CALLBACK* archiver_progress_proc)(HWND window, UINT message, UINT state, LPVOID info);
typedef BOOL(WINAPI* archiver_set_owner_fn)(HWND window, archiver_progress_proc procedure);
typedef BOOL(WINAPI* archiver_kill_owner_fn)(HWND window);
