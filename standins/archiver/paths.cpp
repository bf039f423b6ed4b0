// Names, patterns, files and times for the stand-in archiver. Names are
// cp932: a trail byte may be 0x5C, so every walk steps over double-byte
// characters. "*.*" matches names without a dot, as on Windows.
#include "standins/archiver/standin.h"
#include <cstdio>

namespace {

char fold(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

bool match_here(const char* p, const char* n)
{
    while (*p) {
        if (*p == '*') {
            while (*p == '*') p++;
            // "*.*" and "*." accept a name without a dot.
            if (p[0] == '.' && (p[1] == '*' || p[1] == 0) && (p[1] == 0 || p[2] == 0)) {
                bool has_dot = false;
                for (const char* q = n; *q; q += lead_byte(*q) && q[1] ? 2 : 1)
                    if (*q == '.') has_dot = true;
                if (!has_dot) return true;
            }
            for (const char* q = n;; q += lead_byte(*q) && q[1] ? 2 : 1) {
                if (match_here(p, q)) return true;
                if (!*q) return false;
            }
        }
        if (!*n) return false;
        if (*p == '?') {
            n += lead_byte(*n) && n[1] ? 2 : 1;
            p++;
            continue;
        }
        if (lead_byte(*p)) {
            if (p[0] != n[0] || p[1] != n[1]) return false;
            p += 2;
            n += 2;
            continue;
        }
        if (fold(*p) != fold(*n)) return false;
        p++;
        n++;
    }
    return *n == 0;
}

}  // namespace

std::string swap_separators(const std::string& s, char from, char to)
{
    std::string out = s;
    for (size_t i = 0; i < out.size(); i++) {
        if (lead_byte(out[i]) && i + 1 < out.size()) {
            i++;
            continue;
        }
        if (out[i] == from) out[i] = to;
    }
    return out;
}

std::string to_backslashes(const std::string& s) { return swap_separators(s, '/', '\\'); }

bool ends_in_backslash(const std::string& s)
{
    if (s.empty()) return false;
    size_t last = 0;
    for (size_t i = 0; i < s.size(); i += lead_byte(s[i]) && i + 1 < s.size() ? 2 : 1) last = i;
    return s[last] == '\\';
}

std::string strip_slash(std::string s)
{
    while (s.size() > 3 && ends_in_backslash(s)) s.pop_back();
    return s;
}

bool name_is_safe(const std::string& name)
{
    if (name.empty() || name[0] == '\\' || name[0] == '/') return false;
    size_t start = 0;
    for (size_t i = 0; i <= name.size(); i++) {
        if (i < name.size() && lead_byte(name[i]) && i + 1 < name.size()) {
            i++;
            continue;
        }
        if (i < name.size() && name[i] == ':') return false;
        if (i == name.size() || name[i] == '\\' || name[i] == '/') {
            if (name.compare(start, i - start, "..") == 0 && i - start == 2) return false;
            start = i + 1;
        }
    }
    return true;
}

bool wildcard_match(const char* pattern, const char* name) { return match_here(pattern, name); }

std::string base_name(const std::string& path)
{
    size_t cut = 0;
    for (size_t i = 0; i < path.size(); i++) {
        if (lead_byte(path[i]) && i + 1 < path.size()) {
            i++;
            continue;
        }
        if (path[i] == '\\' || path[i] == '/' || path[i] == ':') cut = i + 1;
    }
    return path.substr(cut);
}

bool member_matches(const std::string& pattern, const std::string& name, bool recursive)
{
    std::string p = to_backslashes(pattern);
    if (wildcard_match(p.c_str(), name.c_str())) return true;
    // A pattern without a folder also names members by their file name.
    if (base_name(p) == p) return wildcard_match(p.c_str(), base_name(name).c_str());
    return false;
}

bool is_folder_path(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool file_exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool make_folders(const std::string& folder)
{
    if (folder.empty() || is_folder_path(folder)) return true;
    std::string parent = strip_slash(folder.substr(0, folder.size() - base_name(folder).size()));
    if (parent != folder && !parent.empty() && !make_folders(parent)) return false;
    return CreateDirectoryA(folder.c_str(), nullptr) || is_folder_path(folder);
}

time_t filetime_to_time(const FILETIME& ft)
{
    ULARGE_INTEGER u;
    u.LowPart = ft.dwLowDateTime;
    u.HighPart = ft.dwHighDateTime;
    return static_cast<time_t>((u.QuadPart - 116444736000000000ULL) / 10000000ULL);
}

FILETIME time_to_filetime(time_t t)
{
    ULARGE_INTEGER u;
    u.QuadPart = static_cast<unsigned long long>(t) * 10000000ULL + 116444736000000000ULL;
    FILETIME ft = {u.LowPart, u.HighPart};
    return ft;
}

void dos_date_time(time_t t, WORD* date, WORD* time)
{
    FILETIME utc = time_to_filetime(t), local;
    *date = *time = 0;
    if (FileTimeToLocalFileTime(&utc, &local)) FileTimeToDosDateTime(&local, date, time);
}

file_writer::file_writer(const std::string& path) : path_(path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    h_ = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

file_writer::~file_writer()
{
    if (h_ == INVALID_HANDLE_VALUE) return;
    CloseHandle(h_);
    DeleteFileA(path_.c_str());
}

bool file_writer::put(const void* bytes, size_t n)
{
    DWORD done = 0;
    if (ok() && n && (!WriteFile(h_, bytes, static_cast<DWORD>(n), &done, nullptr) || done != n)) failed_ = true;
    return ok();
}

bool file_writer::close(time_t mtime)
{
    if (h_ == INVALID_HANDLE_VALUE) return false;
    FILETIME ft = time_to_filetime(mtime);
    if (ok() && mtime) SetFileTime(h_, nullptr, nullptr, &ft);
    bool kept = ok();
    kept = CloseHandle(h_) && kept;
    h_ = INVALID_HANDLE_VALUE;
    if (!kept) DeleteFileA(path_.c_str());
    return kept;
}

bool write_whole_file(const std::string& path, const std::string& bytes, time_t mtime)
{
    file_writer w(path);
    return w.put(bytes) && w.close(mtime);
}

bool each_block(const std::string& path, const std::function<bool(const char*, size_t)>& take)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    std::vector<char> block(65536);
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(h, block.data(), static_cast<DWORD>(block.size()), &got, nullptr) != 0) && got)
        if (!take(block.data(), got)) {
            ok = false;
            break;
        }
    CloseHandle(h);
    return ok;
}

bool place_member(const member& m, const std::string& target)
{
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!MoveFileExA(m.source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) return false;
    HANDLE h = CreateFileA(target.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return true;
    FILETIME ft = time_to_filetime(m.mtime);
    if (m.mtime) SetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);
    return true;
}

spill_folder::~spill_folder()
{
    for (const std::string& f : files_) DeleteFileA(f.c_str());
    if (!path_.empty()) RemoveDirectoryA(path_.c_str());
}

std::string spill_folder::new_file()
{
    if (path_.empty()) {
        char temp[MAX_PATH];
        DWORD n = GetTempPathA(sizeof temp, temp);
        if (!n || n >= sizeof temp) return std::string();
        static unsigned made;
        for (int tries = 0; tries < 100 && path_.empty(); tries++) {
            char name[64];
            snprintf(name, sizeof name, "zote-archiver-%lu-%u", GetCurrentProcessId(), made++);
            std::string p = std::string(temp) + name;
            if (CreateDirectoryA(p.c_str(), nullptr)) path_ = p;
        }
        if (path_.empty()) return std::string();
    }
    files_.push_back(path_ + "\\" + std::to_string(files_.size()));
    return files_.back();
}

std::string absolute_path(const std::string& path)
{
    char out[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof out, out, nullptr);
    return n && n < sizeof out ? std::string(out) : std::string();
}

namespace {

void add_tree(const std::string& folder, const std::string& prefix, const std::string& pattern, bool recursive,
              const source_rules& rules, std::vector<member>* out)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        std::string path = folder + "\\" + name;
        member m;
        m.name = prefix + name;
        m.source = path;
        m.mtime = filetime_to_time(fd.ftLastWriteTime);
        m.attributes = fd.dwFileAttributes;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!recursive) continue;
            if (rules.folders) {
                m.folder = true;
                out->push_back(m);
            }
            add_tree(path, prefix + name + "\\", pattern, true, rules, out);
            continue;
        }
        if (rules.skip_hidden && (fd.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) continue;
        if (!wildcard_match(pattern.c_str(), name.c_str())) continue;
        if (!rules.exclude.empty() && lstrcmpiA(path.c_str(), rules.exclude.c_str()) == 0) continue;
        m.size = (static_cast<long long>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
        out->push_back(m);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

}  // namespace

bool collect_sources(const std::string& base, const std::vector<std::string>& patterns, const source_rules& rules,
                     std::vector<member>* out)
{
    std::vector<std::string> list = patterns;
    if (list.empty()) list.push_back("*.*");
    for (const std::string& raw : list) {
        std::string p = to_backslashes(raw);
        bool absolute = p.size() > 1 && (p[1] == ':' || p[0] == '\\');
        std::string path = absolute ? p : base + "\\" + p;
        std::string name = base_name(p);
        std::string dir_part = p.substr(0, p.size() - name.size());
        std::string folder = path.substr(0, path.size() - name.size());
        while (ends_in_backslash(folder)) folder.pop_back();
        std::string prefix = absolute ? std::string() : dir_part;
        if (name.find_first_of("*?") != std::string::npos) {
            add_tree(folder, prefix, name, rules.recursive, rules, out);
        } else if (is_folder_path(path)) {
            if (rules.folders) {
                member m;
                m.name = prefix + name;
                m.folder = true;
                m.source = path;
                out->push_back(m);
            }
            add_tree(path, prefix + name + "\\", "*", true, rules, out);
        } else if (file_exists(path)) {
            size_t before = out->size();
            add_tree(folder, prefix, name, false, rules, out);
            if (out->size() == before) return false;
        } else {
            return false;
        }
    }
    return true;
}
