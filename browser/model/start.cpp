// The hand-over file, the relaunch from the temporary copy and the command
// line (see start.h). Every text that goes into a fixed field or buffer must
// fit whole: a command line or path that does not is refused, because a cut
// one names another folder.
#include "browser/model/start.h"
#include "browser/model/archive_work.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include "base/holders.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

handover_block start_block;

int zote_temp_path(const char* tail, char* out)
{
    char temp[PATH_BUF];
    DWORD n = GetTempPathA(sizeof temp, temp);
    return n && n < sizeof temp && text_copy(out, PATH_BUF, temp) && text_append(out, PATH_BUF, tail) ? 1 : 0;
}

int zote_bin_path(const char* name, char* out)
{
    char tail[PATH_BUF];
    return text_format(tail, sizeof tail, "zote\\bin\\%s", name) && zote_temp_path(static_cast<const char*>(tail), out);
}

static int help_path_of(const char* program, char* out)
{
    if (!text_copy(out, PATH_BUF, program)) return 0;
    char* dot = mb_strrchr(out, '.');
    char* slash = mb_strrchr(out, '\\');
    if (dot && (!slash || dot > slash)) *dot = 0;
    return text_append(out, PATH_BUF, ".hlp") ? 1 : 0;
}

int fill_handover(handover_block* b, int early_drop_flag, const char* command_line)
{
    memset(b, 0, sizeof *b);
    b->early_drop = early_drop_flag;
    char here[PATH_BUF];
    DWORD n = GetCurrentDirectoryA(sizeof here, here);
    // A window inside an archive hands over the folder holding the archive, never its work folder.
    if (!n || n >= sizeof here || !plain_folder_for(here, b->current_folder)) return 0;
    const char* start = skip_blanks(command_line ? command_line : "");
    size_t len = strlen(start);
    while (len > 0 && (start[len - 1] == ' ' || start[len - 1] == '\r' || start[len - 1] == '\n')) len--;
    if (len >= sizeof b->command_line || !text_copy_n(b->command_line, sizeof b->command_line, start, len)) return 0;
    n = GetModuleFileNameA(nullptr, b->program, sizeof b->program);
    if (!n || n >= sizeof b->program) return 0;
    long_path_name(b->program);
    return help_path_of(b->program, b->help);
}

int write_handover(const char* path, const handover_block& b)
{
    FILE* f = fopen(path, "wb");
    if (!f) return 0;
    size_t n = fwrite(&b, 1, sizeof b, f);
    return fclose(f) == 0 && n == sizeof b ? 1 : 0;
}

int read_handover(const char* path, handover_block* b)
{
    FILE* f = fopen(path, "rb");
    if (!f) return 0;
    size_t n = fread(b, 1, sizeof *b, f);
    bool longer = fgetc(f) != EOF;
    fclose(f);
    b->current_folder[PATH_BUF - 1] = b->command_line[PATH_BUF - 1] = 0;
    b->program[PATH_BUF - 1] = b->help[PATH_BUF - 1] = 0;
    return n == sizeof *b && !longer ? 1 : 0;
}

// The copy is this program's file when size and last-write time agree (a
// copy keeps its source's time); a folder in its place never is.
static bool same_file(const char* a, const char* b)
{
    WIN32_FILE_ATTRIBUTE_DATA x, y;
    if (!GetFileAttributesExA(a, GetFileExInfoStandard, &x) || !GetFileAttributesExA(b, GetFileExInfoStandard, &y))
        return false;
    if ((x.dwFileAttributes | y.dwFileAttributes) & FILE_ATTRIBUTE_DIRECTORY) return false;
    return x.nFileSizeHigh == y.nFileSizeHigh && x.nFileSizeLow == y.nFileSizeLow &&
           CompareFileTime(&x.ftLastWriteTime, &y.ftLastWriteTime) == 0;
}

// Copies older programs were moved aside to (below), and copies a start
// left half made; one still running refuses to go and goes at a later start.
static void remove_left_copies(const char* folder)
{
    for (const char* pattern : {"zote.*.old", "zote.*.part"}) {
        char mask[PATH_BUF], path[PATH_BUF];
        if (!path_join(mask, folder, pattern)) continue;
        WIN32_FIND_DATAA d;
        find_handle find(FindFirstFileA(mask, &d));
        if (!find) continue;
        do {
            if (path_join(path, folder, d.cFileName)) DeleteFileA(path);
        } while (FindNextFileA(find.get(), &d));
    }
}

// Puts a copy of source at target (in folder): made whole under a name of
// this process first, then moved over the target. A target that another
// window runs from can be neither replaced nor deleted, but it can be
// renamed: it is moved aside, and that window runs on from there.
static int place_copy(const char* source, const char* target, const char* folder)
{
    char part[PATH_BUF], aside[PATH_BUF], name[64];
    DWORD id = GetCurrentProcessId();
    if (!text_format(name, sizeof name, "zote.%lu.part", id) || !path_join(part, folder, name)) return 0;
    if (!text_format(name, sizeof name, "zote.%lu.old", id) || !path_join(aside, folder, name)) return 0;
    if (!CopyFileA(source, part, FALSE)) {
        DeleteFileA(part);
        return 0;
    }
    if (MoveFileExA(part, target, MOVEFILE_REPLACE_EXISTING)) return 1;
    DWORD a = GetFileAttributesA(target);
    bool moved_aside = a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) &&
                       MoveFileExA(target, aside, MOVEFILE_REPLACE_EXISTING);
    if (moved_aside && MoveFileA(part, target)) {
        DeleteFileA(aside);  // gone unless a window still runs from it
        return 1;
    }
    if (moved_aside) MoveFileA(aside, target);
    DeleteFileA(part);
    return 0;
}

// The copy is made again whenever it is not this program's file: missing
// (a cleaner removed it), or another build's. "ver.txt" is written after
// the copy as it always was, but the files themselves decide.
static int refresh_temporary_copy(const handover_block& b, const char* exe)
{
    char folder[PATH_BUF], version[PATH_BUF], help[PATH_BUF];
    if (!zote_temp_path("zote\\bin", folder) || !zote_bin_path("ver.txt", version) || !zote_bin_path("zote.hlp", help))
        return 0;
    remove_left_copies(folder);
    bool exe_current = same_file(b.program, exe);
    bool help_current = GetFileAttributesA(b.help) == INVALID_FILE_ATTRIBUTES || same_file(b.help, help);
    if (exe_current && help_current) return 1;
    if (!exe_current && !place_copy(b.program, exe, folder)) return 0;
    if (!help_current && !place_copy(b.help, help, folder)) return 0;
    FILE* f = fopen(version, "w");
    if (!f) return 0;
    fprintf(f, "%d\n", BUILD_NUMBER);
    return fclose(f) == 0 ? 1 : 0;
}

int relaunch_from_temporary_copy(const char* command_line)
{
    char exe[PATH_BUF], param[PATH_BUF], folder[PATH_BUF];
    if (!zote_temp_path("zote\\bin", folder) || !zote_bin_path("zote.exe", exe) || !zote_bin_path("param", param)) {
        kavtrel_message_box(nullptr, "一時ﾌｫﾙﾀﾞのﾊﾟｽが長すぎます．", "ZOTE", MB_OK | MB_ICONERROR);
        return APP_QUIT_AT_ONCE;
    }
    md_path(folder);
    handover_block b;
    if (!fill_handover(&b, early_drop_flag(), command_line)) {
        kavtrel_message_box(nullptr, "ｺﾏﾝﾄﾞﾗｲﾝまたはﾊﾟｽが長すぎます．", "ZOTE", MB_OK | MB_ICONERROR);
        return APP_QUIT_AT_ONCE;
    }
    // Without a fresh copy the program runs from where it was installed.
    const char* target = refresh_temporary_copy(b, exe) ? exe : b.program;
    if (!write_handover(param, b)) {
        DeleteFileA(param);
        kavtrel_message_box(nullptr, "起動情報を書けません．", "ZOTE", MB_OK | MB_ICONERROR);
        return APP_QUIT_AT_ONCE;
    }
    if (!run_program("\"%s\"", target)) {
        // A stale "param" would hand this start's line to the next start.
        DeleteFileA(param);
        kavtrel_message_box(nullptr, "ZOTEを起動できません．", "ZOTE", MB_OK | MB_ICONERROR);
    }
    return APP_QUIT_AT_ONCE;
}

// The command line ---------------------------------------------------------------

static int number_after(const char* p, int* out)
{
    if (*p == '-') p++;
    if (*p < '0' || *p > '9') return 0;
    *out = atoi(p);
    return 1;
}

// The work buffer is as long as a command line, so that a path whose macros
// shorten it (a drive letter for "$WinDrv") is judged by its expanded length.
int expand_macros(char* path, size_t cap)
{
    char work[COMMAND_LINE_BUF], value[PATH_BUF];
    if (!text_copy(work, sizeof work, path)) return 0;
    UINT n = GetWindowsDirectoryA(value, sizeof value);
    char drive[2] = {n ? value[0] : 'C', 0};
    if (!replace_all(work, sizeof work, "$WinDrv", drive)) return 0;
    if (n && n < sizeof value && !replace_all(work, sizeof work, "$WinDir", value)) return 0;
    n = GetSystemDirectoryA(value, sizeof value);
    if (n && n < sizeof value && !replace_all(work, sizeof work, "$WinSys", value)) return 0;
    static const char* const macros[][2] = {
        {"$Desktop", "Desktop"},       {"$Mydocuments", "Personal"}, {"$Mypictures", "Mypictures"},
        {"$Commondocs", "Commondocs"}, {"$SendTo", "SendTo"},
    };
    for (const auto& m : macros)
        if (strstr(work, m[0]) && get_special_folder(m[1], value) && !replace_all(work, sizeof work, m[0], value))
            return 0;
    // A result that does not fit leaves the caller's path as it was.
    if (strlen(work) >= cap) return 0;
    return text_copy(path, cap, work) ? 1 : 0;
}

void parse_command_line(const char* line, start_options* o)
{
    memset(o, 0, sizeof *o);
    o->path_fits = 1;
    char work[COMMAND_LINE_BUF], last[COMMAND_LINE_BUF] = "";
    if (!text_copy(work, sizeof work, line ? line : "")) {
        o->path_fits = 0;
        return;
    }
    char* token = skip_blanks(work);
    while (*token) {
        char* end = token_end(token);
        char saved = *end;
        *end = 0;
        text_copy(last, sizeof last, token);
        const char* slash = mb_strchr(token, '/');
        if (slash) {
            const char* p = slash + 1;
            int n = 0;
            switch (*p) {
            case 'x':
                o->expand_level = number_after(p + 1, &n) && n > 0 ? n : -2;
                o->any_option = 1;
                break;
            case 'z':
                o->viewer = 1;
                o->any_option = 1;
                break;
            case 'r':
                o->viewer = 1;
                o->direction = p[1] == '-' ? -1 : 1;
                if (number_after(p + 1, &n)) {
                    if (n < 0) n = -n;
                    if (n >= 1 && n <= 600) o->interval = n;
                }
                o->any_option = 1;
                break;
            case 'f':
                o->full_screen = 1;
                o->any_option = 1;
                break;
            default: break;
            }
        } else {
            o->path_given = 1;
        }
        *end = saved;
        token = skip_blanks(end);
    }
    if (o->full_screen) o->viewer = 0;
    if (!o->path_given) return;
    unquote(last);
    if (!expand_macros(last, sizeof last) || !text_copy(o->path, sizeof o->path, last)) {
        o->path[0] = 0;
        o->path_fits = 0;
    }
}

int script_text_of(const char* line, char* out, size_t cap)
{
    out[0] = 0;
    if (!line) return 0;
    if (strstr(line, "/script")) {
        char work[COMMAND_LINE_BUF];
        if (!text_copy(work, sizeof work, line)) return 0;
        char* first = skip_blanks(work);
        char* end = token_end(first);
        if (!*end) return 0;
        char saved = *end;
        *end = 0;
        bool script = strstr(first, "/script") != nullptr;
        *end = saved;
        if (!script || !*skip_blanks(end)) return 0;
        *end = '/';
        return text_copy(out, cap, end) ? 1 : 0;
    }
    if (!strstr(line, ".a.txt")) return 0;
    const char* first = skip_blanks(line);
    const char* end = token_end(first);
    if (*skip_blanks(end)) return 0;
    char token[COMMAND_LINE_BUF];
    if (!text_copy_n(token, sizeof token, first, end - first)) return 0;
    unquote(token);
    DWORD a = GetFileAttributesA(token);
    if (!has_extension(token, ".a.txt") && !(strlen(token) >= 6 && text_equal_ci(token + strlen(token) - 6, ".a.txt")))
        return 0;
    if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY)) return 0;
    return text_copy(out, cap, line) ? 1 : 0;
}
