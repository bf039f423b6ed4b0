// The stand-in archiver DLL's inside: one source built under each DLL name
// the program loads, with the entry prefix and the kind fixed at build time.
// Archives are read through libarchive; zip is written through it too, tar
// (gzipped by libarchive), LZH (-lh0-, level 2) and cabinets (uncompressed)
// by small writers of our own. Member names are cp932 bytes as the archive
// stores them, handed over unchanged; names an archive stores in UTF-8 are
// handed over in cp932 and marked, and written in UTF-8 again when asked
// (zip -UN=UTF8, tar --format=pax). Nothing here shows a window.
#pragma once
#include <windows.h>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

enum standin_kind { KIND_LHA = 1, KIND_UNZIP, KIND_ZIP, KIND_CAB, KIND_TAR, KIND_PROBE };

// Result codes of the command entry (0 is success).
enum {
    RESULT_OK = 0,
    RESULT_WARNING = 0x8001,  // done, but some member was refused or failed
    RESULT_BAD_COMMAND = 0x8002,
    RESULT_NO_ARCHIVE = 0x8003,
    RESULT_BAD_ARCHIVE = 0x8004,
    RESULT_PASSWORD = 0x8005,
    RESULT_WRITE = 0x8006,
    RESULT_NOTHING = 0x8007,  // no member or file matched
    RESULT_TOLD_TO_FAIL = 0x8008,
    RESULT_DAMAGED_LISTING = 0x8009,
};

struct member {
    std::string name;  // cp932, folders separated by backslashes
    bool folder = false;
    bool utf8 = false;  // the archive stores the name in UTF-8
    bool encrypted = false;
    bool loaded = false;  // data holds the member's bytes
    bool failed = false;  // wanted, but its bytes could not be read
    std::string data;
    std::string source;     // the file it comes from, when packing
    std::string link;       // a symbolic link's target (no bytes of its own)
    bool hardlink = false;  // link names an earlier member instead
    long long size = 0;
    time_t mtime = 0;
    DWORD attributes = 0;
};

struct member_list {
    std::vector<member> members;
    bool any_encrypted = false;
    bool damaged = false;  // the listing stops at an error
};

// Reading (reader.cpp). The bytes of the members that want() accepts are read
// and checked (want may be empty: headers only); one that cannot be read
// (wrong password, damage) is marked failed. A lone compressed file (.gz, .z)
// is one member named after the archive.
typedef std::function<bool(const member&)> member_filter;
int read_archive(const char* path, const char* password, const member_filter& want, member_list* out);
std::string raw_member_name(const char* archive);

// Damage libarchive lets through. gzip (gzip_stream.cpp): libarchive checks
// no gzip CRC and gives up on a cut stream at its first read-ahead.
enum { GZIP_NONE, GZIP_SOUND, GZIP_DAMAGED };
// Inflates every gzip member of the file, its CRC and length checked; out (or
// null) receives what inflated before any damage.
int gzip_stream_state(const char* path, std::string* out);
// Cabinets (cabinet.cpp): the file table's names and sizes, and which members
// lie in a data block whose checksum is wrong or that the file does not hold
// (libarchive checks a block only once it is read to its end, after the
// members ending inside it were handed over). Empty when the table cannot be read.
struct cab_name {
    std::string bytes;
    unsigned long size;
    bool damaged;
};
std::vector<cab_name> cabinet_names(const char* path);

// Names and patterns (paths.cpp). Names are cp932: a lead byte begins a
// double-byte character whose trail byte may be 0x5C, the backslash.
inline bool lead_byte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
// Every separator `from` made `to`, double-byte characters stepped over.
std::string swap_separators(const std::string& s, char from, char to);
std::string to_backslashes(const std::string& s);
// The path without trailing backslashes (a drive's root keeps its own).
std::string strip_slash(std::string s);
bool ends_in_backslash(const std::string& s);
bool name_is_safe(const std::string& name);
bool wildcard_match(const char* pattern, const char* name);
bool member_matches(const std::string& pattern, const std::string& name, bool recursive);
std::string base_name(const std::string& path);
bool is_folder_path(const std::string& path);
bool file_exists(const std::string& path);
bool make_folders(const std::string& folder);
bool write_whole_file(const std::string& path, const std::string& bytes, time_t mtime);
bool read_whole_file(const std::string& path, std::string* out);
time_t filetime_to_time(const FILETIME& ft);
FILETIME time_to_filetime(time_t t);
void dos_date_time(time_t t, WORD* date, WORD* time);
std::string absolute_path(const std::string& path);

// What a pack takes from the folders it walks.
struct source_rules {
    bool recursive = false;
    bool folders = false;      // every folder walked becomes a member too (empty ones are kept)
    bool skip_hidden = false;  // hidden and system files stay out, as LHA does without -a1
    std::string exclude;       // the archive itself
};
// Collects the files to pack: patterns relative to base (or absolute paths).
// A folder named directly, or a pattern with recursion, takes the tree below.
bool collect_sources(const std::string& base, const std::vector<std::string>& patterns, const source_rules& rules,
                     std::vector<member>* out);

// Writing (writers.cpp): the whole archive anew, through a temporary file
// that replaces the target only when everything was written.
int write_lzh(const std::string& path, std::vector<member>& members);
int write_cab(const std::string& path, std::vector<member>& members);
// zip and tar keep names as cp932 bytes, or store them in UTF-8.
int write_zip(const std::string& path, std::vector<member>& members, const char* password, bool utf8);
int write_tar_gz(const std::string& path, std::vector<member>& members, bool utf8);
bool load_member_data(member* m);
