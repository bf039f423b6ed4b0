// The command entry of the stand-in archiver: parses a command line the way
// the program forms it (blanks split, double quotes toggle and are dropped,
// backslashes are literal; "--" does not end the switches), runs it, and
// writes the DLL's text output. The command word or switch that selects the
// operation depends on the kind the DLL was built as.
#include "standins/archiver/commands.h"
#include <algorithm>
#include <cstdio>

namespace {

struct command_line {
    std::string word;  // LHA and tar: the command word ("x", "tvf", ...)
    std::vector<std::string> switches;
    std::vector<std::string> args;  // the archive, then folder and patterns
    std::string password;
    std::string out;  // zip --out: the archive written, the one named only read
    bool has(const char* s) const { return std::find(switches.begin(), switches.end(), s) != switches.end(); }
};

// Splits into tokens; quoted tells whether a token began with a quote.
void tokenize(const char* s, std::vector<std::string>* tokens, std::vector<bool>* quoted)
{
    for (;;) {
        while (*s == ' ' || *s == '\t') s++;
        if (!*s) return;
        std::string t;
        bool in_quotes = false;
        quoted->push_back(*s == '"');
        while (*s && (in_quotes || (*s != ' ' && *s != '\t'))) {
            if (lead_byte(*s) && s[1]) {
                t += s[0];
                t += s[1];
                s += 2;
                continue;
            }
            if (*s == '"')
                in_quotes = !in_quotes;
            else
                t += *s;
            s++;
        }
        tokens->push_back(t);
    }
}

bool is_word(int kind, const std::string& t)
{
    static const char* const lha[] = {"a", "m", "u", "d", "x", "e", "l", "v", "s", "t"};
    static const char* const tar[] = {"x", "c", "t", "tf", "tvf", "xf", "xvf", "cf", "czf", "xzf"};
    if (kind == KIND_LHA) return std::find(std::begin(lha), std::end(lha), t) != std::end(lha);
    if (kind == KIND_TAR) return std::find(std::begin(tar), std::end(tar), t) != std::end(tar);
    return false;
}

command_line parse(int kind, const char* text)
{
    std::vector<std::string> tokens;
    std::vector<bool> quoted;
    tokenize(text, &tokens, &quoted);
    command_line c;
    bool takes_password = kind == KIND_UNZIP || kind == KIND_ZIP;
    for (size_t i = 0; i < tokens.size(); i++) {
        const std::string& t = tokens[i];
        if (!quoted[i] && t.size() > 1 && t[0] == '-') {
            if (kind == KIND_ZIP && t == "--out") {
                if (i + 1 < tokens.size()) c.out = tokens[++i];
            } else if (takes_password && t.compare(0, 2, "-P") == 0) {
                if (t.size() > 2)
                    c.password = t.substr(2);
                else if (i + 1 < tokens.size())
                    c.password = tokens[++i];
            } else {
                c.switches.push_back(t);
            }
        } else if (c.word.empty() && c.args.empty() && !quoted[i] && is_word(kind, t)) {
            c.word = t;
        } else {
            c.args.push_back(t);
        }
    }
    return c;
}

// LHA names its archive ".lzh" when the name has no extension.
std::string lha_archive_name(const std::string& name)
{
    std::string base = base_name(name);
    return base.find('.') == std::string::npos ? name + ".lzh" : name;
}

std::string current_folder()
{
    char cwd[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(sizeof cwd, cwd);
    return n && n < sizeof cwd ? std::string(cwd) : std::string();
}

bool any_match(const std::vector<std::string>& patterns, const std::string& name, bool recursive)
{
    if (patterns.empty()) return true;
    for (const std::string& p : patterns)
        if (member_matches(p, name, recursive)) return true;
    return false;
}

std::string dos_text(time_t t)
{
    WORD date, time;
    dos_date_time(t, &date, &time);
    char s[32];
    snprintf(s, sizeof s, "%04d-%02d-%02d %02d:%02d:%02d", 1980 + (date >> 9), (date >> 5) & 15, date & 31, time >> 11,
             (time >> 5) & 63, (time & 31) * 2);
    return s;
}

// The archive's own time stands in for a lone compressed file's.
void fill_missing_times(const std::string& archive, member_list* list)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(archive.c_str(), GetFileExInfoStandard, &data)) return;
    for (member& m : list->members)
        if (m.mtime == 0) m.mtime = filetime_to_time(data.ftLastWriteTime);
}

int extract(const command_line& c, bool junk, std::string* out)
{
    if (c.args.empty()) return RESULT_BAD_COMMAND;
    std::string archive = c.args[0];
    size_t first_pattern = 1;
    std::string folder = current_folder();
    if (c.args.size() > 1 && ends_in_backslash(c.args[1])) {
        folder = strip_slash(absolute_path(c.args[1]));
        first_pattern = 2;
    }
    std::vector<std::string> patterns(c.args.begin() + first_pattern, c.args.end());
    bool recursive = true;
    member_list list;
    auto want = [&](const member& m) { return any_match(patterns, m.name, recursive); };
    int result = read_archive(archive.c_str(), c.password.c_str(), want, &list);
    if (result == RESULT_NO_ARCHIVE || list.members.empty()) return result == RESULT_OK ? RESULT_OK : result;
    fill_missing_times(archive, &list);
    if (folder.empty() || !make_folders(folder)) return RESULT_WRITE;
    int matched = 0;
    for (const member& m : list.members) {
        if (!any_match(patterns, m.name, recursive)) continue;
        matched++;
        // A name that climbs out of the folder, or names a drive or a root, is never
        // written; nor is a link, which a file of its name would silently replace.
        if (!name_is_safe(m.name) || !m.link.empty()) {
            *out += (m.link.empty() ? "refused: " : "refused link: ") + m.name + "\n";
            result = RESULT_WARNING;
            continue;
        }
        if (m.folder) {
            if (!junk) make_folders(folder + "\\" + m.name);
            continue;
        }
        if (m.failed) {
            *out += (m.encrypted ? "password: " : "damaged: ") + m.name + "\n";
            result = m.encrypted ? RESULT_PASSWORD : RESULT_BAD_ARCHIVE;
            continue;
        }
        std::string target = folder + "\\" + (junk ? base_name(m.name) : m.name);
        std::string parent = target.substr(0, target.size() - base_name(target).size());
        if (!make_folders(strip_slash(parent)) || !place_member(m, target)) {
            result = RESULT_WRITE;
            continue;
        }
        *out += "extracted: " + m.name + "\n";
    }
    if (!patterns.empty() && matched == 0 && result == RESULT_OK) result = RESULT_NOTHING;
    if (result == RESULT_OK && gzip_stream_state(archive.c_str(), nullptr) == GZIP_DAMAGED) {
        *out += "damaged: " + base_name(archive) + "\n";
        result = RESULT_BAD_ARCHIVE;
    }
    return result;
}

int write_kind(int kind, const std::string& archive, std::vector<member>& members, const std::string& password,
               bool utf8)
{
    switch (kind) {
    case KIND_LHA: return write_lzh(archive, members);
    case KIND_CAB: return write_cab(archive, members);
    case KIND_ZIP: return write_zip(archive, members, password.c_str(), utf8);
    default: return write_tar_gz(archive, members, utf8);
    }
}

// a, m, u (LHA), the ZIP creator, cabinet -a and tar -c: the archive's
// members (kept unless the kind makes a new one) and the sources.
int pack(int kind, const command_line& c, bool fresh, bool move_sources, std::string* out)
{
    if (c.args.empty()) return RESULT_BAD_COMMAND;
    std::string archive = absolute_path(kind == KIND_LHA ? lha_archive_name(c.args[0]) : c.args[0]);
    if (archive.empty()) return RESULT_BAD_COMMAND;
    std::string base = current_folder();
    size_t first_pattern = 1;
    bool whole_tree = false;
    if (c.args.size() > 1 && ends_in_backslash(c.args[1])) {
        base = strip_slash(absolute_path(c.args[1]));
        first_pattern = 2;
        whole_tree = c.args.size() == 2;
    }
    std::vector<std::string> patterns(c.args.begin() + first_pattern, c.args.end());
    // zip --filesync --out: the archive named is the old one, only read.
    bool update = kind == KIND_ZIP && c.has("--filesync") && !c.out.empty();
    std::string written = update ? absolute_path(c.out) : archive;
    if (update && (written.empty() || lstrcmpiA(written.c_str(), archive.c_str()) == 0)) return RESULT_BAD_COMMAND;
    source_rules rules;
    rules.recursive = whole_tree || kind == KIND_TAR || c.has("-r") || c.has("-x1");
    // zip -r, tar and LHA -d1 store folders as members; cabinets hold files only.
    rules.folders = kind == KIND_TAR || (kind == KIND_ZIP && c.has("-r")) || (kind == KIND_LHA && c.has("-d1"));
    rules.skip_hidden = kind == KIND_LHA && !c.has("-a1") && !c.has("-a2");
    rules.exclude = written;
    std::vector<member> sources;
    if (!collect_sources(base, patterns, rules, &sources)) return RESULT_NOTHING;
    if (update) {
        if (sources.empty()) return RESULT_NOTHING;
        return update_zip(archive, written, sources, c.password.c_str(), c.has("-UN=UTF8"));
    }
    member_list existing;
    if (!fresh && file_exists(archive)) {
        int r = read_archive(
            archive.c_str(), c.password.c_str(), [](const member&) { return true; }, &existing);
        if (r != RESULT_OK) return r;
        for (const member& m : existing.members)
            if (m.failed) return RESULT_BAD_ARCHIVE;
    }
    std::vector<member> all;
    for (member& m : existing.members) {
        bool replaced = false;
        for (const member& s : sources)
            if (lstrcmpiA(s.name.c_str(), m.name.c_str()) == 0) replaced = true;
        if (!replaced) all.push_back(m);
    }
    all.insert(all.end(), sources.begin(), sources.end());
    if (all.empty()) return RESULT_NOTHING;
    // Names in UTF-8 when asked (zip -UN=UTF8, tar --format=pax) or when the
    // archive added to has them so; cp932 bytes otherwise.
    bool utf8 = c.has("-UN=UTF8") || c.has("--format=pax");
    for (const member& m : existing.members)
        if (m.utf8) utf8 = true;
    int result = write_kind(kind, archive, all, c.password, utf8);
    if (result != RESULT_OK) return result;
    for (const member& s : sources) {
        if (s.folder) continue;
        *out += "added: " + s.name + "\n";
        if (move_sources) {
            SetFileAttributesA(s.source.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(s.source.c_str());
        }
    }
    return RESULT_OK;
}

int remove_members(const command_line& c, std::string* out)
{
    if (c.args.size() < 2) return RESULT_BAD_COMMAND;
    std::string archive = lha_archive_name(c.args[0]);
    std::vector<std::string> patterns(c.args.begin() + 1, c.args.end());
    member_list list;
    int r = read_archive(
        archive.c_str(), nullptr, [](const member&) { return true; }, &list);
    if (r != RESULT_OK) return r;
    std::vector<member> kept;
    for (member& m : list.members) {
        if (m.failed) return RESULT_BAD_ARCHIVE;
        if (!m.folder && any_match(patterns, m.name, c.has("-r")))
            *out += "deleted: " + m.name + "\n";
        else
            kept.push_back(m);
    }
    return write_lzh(archive, kept);
}

// The listing: exactly seven lines besides one line per matching file.
int list(int kind, const command_line& c, bool verbose, std::string* out)
{
    if (c.args.empty()) return RESULT_BAD_COMMAND;
    std::string archive = kind == KIND_LHA ? lha_archive_name(c.args[0]) : c.args[0];
    std::vector<std::string> patterns(c.args.begin() + 1, c.args.end());
    member_list members;
    int r = read_archive(archive.c_str(), nullptr, member_filter(), &members);
    if (r != RESULT_OK) return r;
    fill_missing_times(archive, &members);
    long long total = 0;
    int files = 0;
    std::string body;
    for (const member& m : members.members) {
        if (m.folder || !any_match(patterns, m.name, c.has("-r") || kind != KIND_LHA)) continue;
        char line[64];
        snprintf(line, sizeof line, "%12lld %s%s ", m.size, dos_text(m.mtime).c_str(), m.encrypted ? " +" : "  ");
        body += (verbose || kind == KIND_LHA ? std::string(line) : std::string()) + m.name + "\n";
        total += m.size;
        files++;
    }
    char summary[96];
    snprintf(summary, sizeof summary, "%12lld %d file(s)\n", total, files);
    *out += "Listing of archive: " + archive + "\n";
    *out += verbose ? "Verbose listing\n" : "Listing\n";
    *out += "    Original Date       Time        Name\n";
    *out += "------------ ---------- --------    ----------------\n";
    *out += body;
    *out += "------------ ---------- --------    ----------------\n";
    *out += summary;
    *out += "End of listing\n";
    return RESULT_OK;
}

int test_archive(const command_line& c)
{
    if (c.args.empty()) return RESULT_BAD_COMMAND;
    return check_archive_file(c.args[0].c_str(), c.password.c_str()) ? RESULT_OK : RESULT_BAD_ARCHIVE;
}

// Self-extracting output is a marker file beside the archive.
int make_sfx_marker(int kind, const command_line& c, std::string* out)
{
    if (c.args.empty()) return RESULT_BAD_COMMAND;
    std::string archive = kind == KIND_LHA ? lha_archive_name(c.args[0]) : c.args[0];
    if (!check_archive_file(archive.c_str(), nullptr)) return RESULT_BAD_ARCHIVE;
    std::string exe = archive.substr(0, archive.size() - base_name(archive).size());
    std::string name = base_name(archive);
    size_t dot = name.rfind('.');
    exe += (dot == std::string::npos ? name : name.substr(0, dot)) + ".exe";
    std::string text = "ZOTE stand-in self-extracting marker for " + base_name(archive) + "\r\n";
    if (!write_whole_file(exe, text, 0)) return RESULT_WRITE;
    *out += "made: " + exe + "\n";
    return RESULT_OK;
}

}  // namespace

bool check_archive_file(const char* archive, const char* password)
{
    member_list list;
    list.bytes_kept = false;
    int r = read_archive(
        archive, password, [](const member&) { return true; }, &list);
    if (r != RESULT_OK || list.damaged) return false;
    for (const member& m : list.members)
        if (m.failed) return false;
    return gzip_stream_state(archive, nullptr) != GZIP_DAMAGED;
}

int run_command(int kind, const char* text, std::string* out)
{
    command_line c = parse(kind, text);
    switch (kind) {
    case KIND_LHA:
        if (c.word == "x" || c.word == "e") return extract(c, c.word == "e", out);
        if (c.word == "a" || c.word == "u") return pack(kind, c, false, false, out);
        if (c.word == "m") return pack(kind, c, false, true, out);
        if (c.word == "d") return remove_members(c, out);
        if (c.word == "l" || c.word == "v") return list(kind, c, c.word == "v", out);
        if (c.word == "t") return test_archive(c);
        if (c.word == "s") return make_sfx_marker(kind, c, out);
        return RESULT_BAD_COMMAND;
    case KIND_UNZIP:
        if (c.has("-x")) return extract(c, c.has("-j"), out);
        if (c.has("-v") || c.has("-lv") || c.has("-l")) return list(kind, c, !c.has("-l"), out);
        if (c.has("-t")) return test_archive(c);
        return RESULT_BAD_COMMAND;
    case KIND_ZIP: return pack(kind, c, false, c.has("-m"), out);
    case KIND_CAB:
        if (c.has("-x")) return extract(c, c.has("-j"), out);
        if (c.has("-a")) return pack(kind, c, false, false, out);
        if (c.has("-f")) return make_sfx_marker(kind, c, out);
        if (c.has("-l")) return list(kind, c, false, out);
        return RESULT_BAD_COMMAND;
    case KIND_TAR:
        if (c.word == "tf" || c.word == "t") return list(kind, c, false, out);
        if (c.word == "tvf") return list(kind, c, true, out);
        if (c.word == "x" || c.word == "xf" || c.word == "xvf" || c.word == "xzf" || c.has("-x"))
            return extract(c, c.has("--use-directory=0"), out);
        if (c.word == "c" || c.word == "cf" || c.word == "czf" || c.has("-c")) return pack(kind, c, true, false, out);
        return RESULT_BAD_COMMAND;
    default: return RESULT_BAD_COMMAND;
    }
}
