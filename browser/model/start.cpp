// The hand-over file, the relaunch from the temporary copy and the command
// line (see start.h). Every text that goes into a fixed field or buffer must
// fit whole: a command line or path that does not is refused, because a cut
// one names another folder.
#include "browser/model/start.h"
#include "browser/model/archive_work.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
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

static int read_version(const char* path)
{
    FILE* f = fopen(path, "r");
    if (!f) return 0;
    int v = 0;
    if (fscanf(f, "%d", &v) != 1) v = 0;
    fclose(f);
    return v;
}

// Replaces the copy of a file in the bin folder; a missing source has nothing to copy.
static int refresh_copy(const char* source, const char* target, bool optional)
{
    if (optional && GetFileAttributesA(source) == INVALID_FILE_ATTRIBUTES) return 1;
    DeleteFileA(target);
    return CopyFileA(source, target, FALSE) ? 1 : 0;
}

// The copy holds this build when its version file says so; the version is
// written only after both files were copied, so a copy that failed (the old
// build still running from there) is tried again at the next start.
static int refresh_temporary_copy(const handover_block& b, const char* exe)
{
    char version[PATH_BUF], help[PATH_BUF];
    if (!zote_bin_path("ver.txt", version) || !zote_bin_path("zote.hlp", help)) return 0;
    if (read_version(version) >= BUILD_NUMBER) return 1;
    if (!refresh_copy(b.program, exe, false) || !refresh_copy(b.help, help, true)) return 0;
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
