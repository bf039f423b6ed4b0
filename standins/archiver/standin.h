// The stand-in archiver DLL's inside: one source built under each DLL name
// the program loads, with the entry prefix and the kind fixed at build time.
// Archives are read through libarchive; zip is written through it too (or,
// updated beside an old zip, by a writer of ours that copies what did not
// change), tar (gzipped by libarchive), LZH (-lh0-, level 2) and cabinets
// (uncompressed) by small writers of our own. Member names are cp932 bytes as the archive
// stores them, handed over unchanged; names an archive stores in UTF-8 are
// handed over in cp932 and marked, and written in UTF-8 again when asked
// (zip -UN=UTF8, tar --format=pax). Nothing here shows a window.
// A member's bytes never stay in memory whole: they are read from and written
// to files a block at a time, so that archives of thousands of photos (more
// than the process's address space) are packed and unpacked.
#pragma once
#include <windows.h>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Little-endian fields of the archive formats, read from bytes and appended to text.
inline unsigned get16(const unsigned char* p) { return p[0] | (p[1] << 8); }
inline unsigned long get32(const unsigned char* p) { return get16(p) | (static_cast<unsigned long>(get16(p + 2)) << 16); }
inline void put16(std::string& s, unsigned v)
{
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
inline void put32(std::string& s, unsigned long v)
{
    put16(s, v & 0xFFFF);
    put16(s, (v >> 16) & 0xFFFF);
}

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
    RESULT_FAULT = 0x800A,      // memory ran out, or another fault inside: nothing was done
    RESULT_IN_USE = 0x800B,     // another program holds the archive: it cannot be opened now (no damage)
    RESULT_CANCELLED = 0x800C,  // the caller's progress procedure stopped it: nothing was written
};

struct member {
    std::string name;  // cp932, folders separated by backslashes
    bool folder = false;
    bool utf8 = false;  // the archive stores the name in UTF-8
    bool encrypted = false;
    bool failed = false;    // wanted, but its bytes could not be read
    std::string source;     // the file holding its bytes: a file packed, or a member read
    std::string link;       // a symbolic link's target (no bytes of its own)
    bool hardlink = false;  // link names an earlier member instead
    long long size = 0;
    time_t mtime = 0;
    DWORD attributes = 0;
};

// A folder of the temporary folder that holds the bytes of members read from
// an archive, one file each; it goes with what it holds when the last list
// holding it goes.
class spill_folder {
public:
    ~spill_folder();
    // A new file's path in it (the folder made on first use); empty when it cannot be made.
    std::string new_file();

private:
    std::string path_;
    std::vector<std::string> files_;
};

struct member_list {
    std::vector<member> members;
    bool any_encrypted = false;
    bool damaged = false;                 // the listing stops at an error
    std::shared_ptr<spill_folder> spill;  // where the members read keep their bytes
    bool bytes_kept = true;               // false: read and checked, then dropped
};

// Reading (reader.cpp). The bytes of the members that want() accepts are read
// and checked (want may be empty: headers only) into files of the list's
// spill folder, which become their sources; one that cannot be read (wrong
// password, damage) is marked failed. A lone compressed file (.gz, .z) is one
// member named after the archive.
typedef std::function<bool(const member&)> member_filter;
int read_archive(const char* path, const char* password, const member_filter& want, member_list* out);
std::string raw_member_name(const char* archive);

// Damage libarchive lets through. gzip (gzip_stream.cpp): libarchive checks
// no gzip CRC and gives up on a cut stream at its first read-ahead.
enum { GZIP_NONE, GZIP_SOUND, GZIP_DAMAGED };
// Inflates every gzip member of the file, its CRC and length checked; the file
// inflated_to (or none) receives what inflated before any damage.
int gzip_stream_state(const char* path, const char* inflated_to);
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
// The file's bytes a block at a time, in order: false when it cannot be read
// or take() refuses a block.
bool each_block(const std::string& path, const std::function<bool(const char*, size_t)>& take);
// A file written a block at a time, given its time when closed; it is removed
// unless close() says all went well.
class file_writer {
public:
    explicit file_writer(const std::string& path);
    ~file_writer();
    bool ok() const { return h_ != INVALID_HANDLE_VALUE && !failed_; }
    bool put(const void* bytes, size_t n);
    bool put(const std::string& bytes) { return put(bytes.data(), bytes.size()); }
    bool close(time_t mtime = 0);

private:
    std::string path_;
    HANDLE h_;
    bool failed_ = false;
};
// A member's bytes placed at target with its time: moved from its spilled file.
bool place_member(const member& m, const std::string& target);
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
std::string temp_name(const std::string& path);
// The temporary file moved onto path when ok, else deleted: RESULT_OK or RESULT_WRITE.
int finish_archive(const std::string& path, const std::string& temp, bool ok);
int write_lzh(const std::string& path, std::vector<member>& members);
int write_cab(const std::string& path, std::vector<member>& members);
// zip and tar keep names as cp932 bytes, or store them in UTF-8.
int write_zip(const std::string& path, std::vector<member>& members, const char* password, bool utf8);
int write_tar_gz(const std::string& path, std::vector<member>& members, bool utf8);
// A zip of the members written to `out` beside the zip `old` (Info-ZIP's
// --filesync with --out): a file whose name, size, time, CRC and encryption
// are those of an old member is copied as old stores it, compressed and
// encrypted; the others are compressed anew, pictures that do not compress
// (JPEG, PNG, GIF) stored. An old archive that cannot be read so, or a new
// one that would need zip64, is written whole as write_zip does. `old` is
// only read.
int update_zip(const std::string& old, const std::string& out, std::vector<member>& members, const char* password,
               bool utf8);
// Pictures that do not compress (.jpg, .jpeg, .png, .gif): zip stores them.
bool stored_kind(const std::string& name);

// Progress (progress.cpp): the caller's procedure registered through
// SetOwnerWindowEx, told of each member begun and of its bytes as they are
// handled. Its FALSE stops the command: stopped() says so until the next
// command begins. ZOTE_ARCHIVER_PACE (milliseconds) makes every report wait
// that long, for tests that watch a long command.
void set_progress_procedure(HWND owner, void* procedure);
void progress_command_begins();
bool progress_stopped();
// false: stop. done counts the member's bytes handled so far.
bool report_begin(const member& m);
bool report_bytes(const member& m, long long done);
