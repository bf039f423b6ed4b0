// The script runner and console mode: turns the process into a console tool
// for one job and ends it with 1961. Every key wait and every typed line goes
// through the console hooks and the seams below, so that a run can be driven
// without a window.
#include "console/script.h"
#include "console/commands.h"
#include "console/archive_commands.h"
#include "browser/commands/instances.h"
#include "browser/model/start.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include "graphics/kavtrel.h"
#include <cstdarg>
#include <cstring>

int script_echo_mode = 0;

// The script being read, or null once cleanup closed it, and the number of
// its lines read so far (renas reads its lines too).
static FILE* running_script;
static int running_line;

void close_running_script(FILE* script)
{
    if (!script || script != running_script) return;
    fclose(running_script);
    running_script = nullptr;
}

static void say_line_too_long(int number, const char* line)
{
    // The line's start, whole characters only, so that the user finds it.
    char head[40];
    text_copy_n(head, sizeof head, line, sizeof head - 1);
    if (number > 0)
        con_out("*** line %d too long (over %d bytes): %s...\n", number, SCRIPT_LINE_BUF - 1, head);
    else
        con_out("*** line too long (over %d bytes): %s...\n", CONSOLE_LINE_BUF - 1, head);
}

// A line longer than the buffer is read to its line feed, so that its tail
// is never taken for a line of its own; the buffer keeps its start.
int read_script_line(FILE* script, char* line, int size)
{
    if (!fgets(line, size, script)) return 0;
    if (script == running_script) running_line++;
    size_t n = strlen(line);
    if (n + 1 < (size_t)size || line[n - 1] == '\n') return 1;
    int c = fgetc(script);
    if (c == EOF || c == '\n') return 1;
    while ((c = fgetc(script)) != EOF && c != '\n') {}
    return -1;
}

void say_script_line_too_long(const char* line) { say_line_too_long(running_line, line); }

namespace {

void real_hooks()
{
    console_hooks.printf_hook = con_printf;
    console_hooks.getchar_hook = con_getchar;
    console_hooks.status_hook = _status_printf;
    console_hooks.logging_on = console_output_on;
    app_hooks.help_hook = show_help;
}

int real_visible()
{
    HWND w = console_window();
    return w && IsWindowVisible(w) ? 1 : 0;
}

void real_setup(double width, double height, const char* title) { _page_resize(0, width, height, title); }

void real_title(const char* title)
{
    HWND w = console_window();
    if (w) SetWindowTextA(w, title);
}

bool ends_script_name(const char* token)
{
    size_t n = strlen(token);
    return has_extension(token, ".myc") || (n >= 5 && text_equal_ci(token + n - 5, "a.txt"));
}

// Tabs to columns of 4, blanks off both ends (a double-byte blank is kept).
// False when the tabs make the line too long for its buffer: a cut line is
// another command.
bool clean_line(char* line)
{
    char whole[SCRIPT_LINE_BUF];
    text_copy(whole, line);
    if (!expand_tabs(line, SCRIPT_LINE_BUF, 4)) {
        say_line_too_long(running_line, whole);
        return false;
    }
    trim_right(line);
    char* start = skip_blanks(line);
    memmove(line, start, strlen(start) + 1);
    trim_right(line);
    return true;
}

// The token and the rest are the command: the archiver forms it, and one
// too long for it is refused and named there, never run cut.
void run_lha_line(const char* token, const char* rest)
{
    con_out("[lha %s %s]\n", token, rest);
    _lha* lha = open_archiver_for(".lzh");
    if (lha) lha->run(nullptr, ARCHIVER_OUTPUT_DEFAULT, "%s %s", token, rest);
}

void wait_when_shown()
{
    if (console_output_on() == 1) con_key();
}

void run_single(char* token)
{
    if (!*token || mb_strchr(token, '?') || mb_strchr(token, '*')) {
        console_mode();
        return;
    }
    char full[PATH_BUF];
    if (!full_path(full, sizeof full, token)) {
        console_mode();
        return;
    }
    if (ends_script_name(full)) {
        script_echo_mode = 2;
        script_seams.console_title(full);
        run_script_file(full, nullptr);
        wait_when_shown();
        return;
    }
    DWORD a = GetFileAttributesA(full);
    if (a == INVALID_FILE_ATTRIBUTES) {
        console_mode();
        return;
    }
    long_path_name(full);
    char title[PATH_BUF + 16];
    if (a & FILE_ATTRIBUTE_DIRECTORY) {
        text_format_cut(title, sizeof title, "%s %s", "Pack", full);
        script_seams.console_title(title);
        pack_tree(full);
        script_seams.reload();
    } else if (has_extension(full, ".lzh")) {
        text_format_cut(title, sizeof title, "%s %s", "UnPack", full);
        script_seams.console_title(title);
        unpack_archive(full);
        script_seams.reload();
    }
}

}  // namespace

script_seam_table script_seams = {
    real_hooks, con_getline, real_visible, real_setup, real_title, reload_other_instances, _quit_loop,
};

int con_out(const char* fmt, ...)
{
    char text[4096];
    va_list ap;
    va_start(ap, fmt);
    text_vformat_cut(text, sizeof text, fmt, ap);
    va_end(ap);
    return console_hooks.printf_hook("%s", text);
}

int con_key() { return console_hooks.getchar_hook(); }

void con_status(const char* text) { console_hooks.status_hook(-1, "%s", text); }

int console_output_on()
{
    if (!file_op_logging) return 0;
    if (script_echo_mode == 2) {
        script_echo_mode = 1;
        return 1;
    }
    if (script_echo_mode == 0) return 0;
    return script_seams.console_visible();
}

int script_mode(const char* text)
{
    script_seams.install_hooks();
    script_seams.console_setup(520, 320, "Script - ZOTE");
    script_echo_mode = 0;
    char arg[SCRIPT_ARG_BUF];
    if (!text || !text_copy(arg, text)) {
        con_out("*** argument too long\n");
        return CONSOLE_END_RUN;
    }
    trim(arg);
    char* rest = next_arg(arg);
    if (arg[0] == '/') {
        run_console_command(arg + 1, rest, nullptr);
        return CONSOLE_END_RUN;
    }
    if (!rest) {
        unquote(arg);
        run_single(arg);
        return CONSOLE_END_RUN;
    }
    if (ends_script_name(arg)) {
        script_echo_mode = 2;
        char full[PATH_BUF];
        unquote(arg);
        if (full_path(full, sizeof full, arg)) {
            char title[PATH_BUF + 16];
            text_format_cut(title, sizeof title, "Script - %s", file_name_of(full));
            script_seams.console_title(title);
            run_script_file(full, rest);
        }
    } else {
        run_lha_line(arg, rest);
    }
    wait_when_shown();
    return CONSOLE_END_RUN;
}

int run_script_file(const char* path, const char* label)
{
    char folder[PATH_BUF];
    if (!parent_folder(path, folder)) return CONSOLE_GO_ON;
    SetCurrentDirectoryA(folder);
    FILE* f = fopen(path, "r");
    if (!f) return CONSOLE_GO_ON;
    running_script = f;
    running_line = 0;
    char line[SCRIPT_LINE_BUF];
    if (label && *label) {
        bool found = false;
        int got;
        while (!found && (got = read_script_line(f, line, sizeof line)) != 0)
            found = got > 0 && strncmp(line, label, strlen(label)) == 0;
        if (!found) {
            close_running_script(f);
            return CONSOLE_GO_ON;
        }
        con_out("%s", line);
    }
    int got;
    while ((got = read_script_line(f, line, sizeof line)) != 0) {
        if (line[0] == ':') break;
        if (line[0] == '/' && line[1] == '/') continue;
        int result;
        if (got < 0) say_script_line_too_long(line);
        if (got < 0 || !clean_line(line)) {
            // A line that does not fit its buffer is an error, as a bad command is: the run ends.
            con_key();
            result = CONSOLE_END_RUN;
        } else if (!line[0]) {
            continue;
        } else {
            char* rest = next_arg(line);
            result = run_console_command(line, rest, f);
        }
        if (result == CONSOLE_END_RUN) {
            close_running_script(f);
            script_seams.reload();
            script_seams.quit();
            return CONSOLE_END_RUN;
        }
    }
    close_running_script(f);
    script_seams.reload();
    return CONSOLE_GO_ON;
}

void console_mode()
{
    con_status("Console Mode");
    int key = con_key();
    while (key != KEY_ESC && key != EOF) {
        char line[CONSOLE_LINE_BUF];
        line[0] = 0;
        bool whole = script_seams.getline(line, sizeof line) != nullptr;
        line[sizeof line - 1] = 0;
        trim_right(line);
        if (!whole) {
            say_line_too_long(0, line);
        } else if (!*skip_blanks(line)) {
            run_console_command("", nullptr, nullptr);
        } else {
            char* start = skip_blanks(line);
            char* rest = next_arg(start);
            run_console_command(start, rest, nullptr);
        }
        key = con_key();
    }
}
