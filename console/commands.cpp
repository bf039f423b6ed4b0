// The console command interpreter: the table of words, matched by prefix in
// table order (so "delete" runs del and "delr" is tried before it), the block
// state that question switches, and the words themselves. A word whose
// arguments are missing does nothing beyond its echo.
#include "console/commands.h"
#include "console/archive_commands.h"
#include "console/fcopy.h"
#include "console/script.h"
#include "console/tree_copy.h"
#include "files/files.h"
#include <windows.h>
#include <cstring>

block_state console_blocks;

namespace {

enum { MAX_TOKENS = 8 };

// The rest split into quote-aware tokens, each unquoted; absent ones are "".
struct tokens {
    char buf[EXPANDED_BUF];
    const char* t[MAX_TOKENS];
    int count;
};

void split(const char* rest, tokens* out)
{
    out->count = 0;
    for (const char*& t : out->t) t = "";
    if (!rest || !text_copy(out->buf, rest)) return;
    char* p = skip_blanks(out->buf);
    while (*p && out->count < MAX_TOKENS) {
        char* next = next_arg(p);
        unquote(p);
        out->t[out->count++] = p;
        if (!next) break;
        p = next;
    }
}

// The rest's first token, unquoted and made a full path; false when absent.
bool full_arg(const char* rest, char* out, size_t cap)
{
    tokens a;
    split(rest, &a);
    if (!a.count || !*a.t[0]) return false;
    return full_path(out, cap, a.t[0]) != nullptr;
}

bool is_file(const char* path)
{
    DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

void run_archiver(const char* ext, const char* rest)
{
    _lha* lha = open_archiver_for(ext);
    if (lha) lha->run(nullptr, ARCHIVER_OUTPUT_DEFAULT, "%s", rest);
}

typedef int (*word_fn)(const char* word, const char* rest, FILE* script);

int w_open(const char*, const char*, FILE*)
{
    block_state& b = console_blocks;
    if (b.depth >= BLOCK_DEPTH_MAX) {
        con_out("*** blocks nested too deep\n");
        return CONSOLE_END_RUN;
    }
    // A block inside a skipped block is skipped as well.
    if (b.skip[b.depth]) b.skip[b.depth + 1] = 1;
    b.depth++;
    return CONSOLE_GO_ON;
}

int w_close(const char*, const char*, FILE*)
{
    block_state& b = console_blocks;
    if (b.depth == 0) return CONSOLE_GO_ON;  // a stray "}"
    b.skip[b.depth] = 0;
    b.depth--;
    return CONSOLE_GO_ON;
}

int w_zote(const char*, const char*, FILE*)
{
    script_seams.reload();
    if (console_output_on()) con_out("sent reload message to ZOTE\n");
    return CONSOLE_GO_ON;
}

int w_lhtest(const char* word, const char* rest, FILE*)
{
    char folder[PATH_BUF];
    if (!full_path(folder, sizeof folder, rest ? rest : "")) return CONSOLE_GO_ON;
    lha_test_tree(word, folder);
    return CONSOLE_GO_ON;
}

int w_lhup(const char*, const char* rest, FILE*)
{
    if (rest) sync_folder_with_archive(rest);
    return CONSOLE_GO_ON;
}

int w_lha(const char*, const char* rest, FILE*)
{
    if (rest) run_archiver(".lzh", rest);
    return CONSOLE_GO_ON;
}

int archiver_or_console(const char* ext, const char* rest)
{
    if (!rest)
        console_mode();
    else
        run_archiver(ext, rest);
    return CONSOLE_GO_ON;
}

int w_unzip(const char*, const char* rest, FILE*) { return archiver_or_console(".zip", rest); }
int w_tar(const char*, const char* rest, FILE*) { return archiver_or_console(".z", rest); }
int w_cab(const char*, const char* rest, FILE*) { return archiver_or_console(".cab", rest); }

int w_zip(const char*, const char* rest, FILE*)
{
    if (!rest) {
        console_mode();
        return CONSOLE_GO_ON;
    }
    script_echo_mode = 2;
    run_archiver(".z", rest);
    con_out("\nhit any key\n");
    con_key();
    return CONSOLE_GO_ON;
}

int w_cd(const char*, const char* rest, FILE*)
{
    char folder[PATH_BUF];
    if (full_arg(rest, folder, sizeof folder)) SetCurrentDirectoryA(folder);
    return CONSOLE_GO_ON;
}

int w_regextrm(const char*, const char* rest, FILE*)
{
    tokens a;
    split(rest, &a);
    if (a.count) unregister_file_type(a.t[0], a.t[3], a.t[1]);
    return CONSOLE_GO_ON;
}

int w_regext(const char*, const char* rest, FILE*)
{
    tokens a;
    split(rest, &a);
    if (a.count) register_file_type(a.t[0], a.t[1], a.t[2], a.t[3], a.t[4]);
    return CONSOLE_GO_ON;
}

int w_cleanshellnew(const char* word, const char*, FILE*)
{
    if (console_output_on()) con_out("%s\n", word);
    clean_shellnew();
    return CONSOLE_GO_ON;
}

int w_regset(const char*, const char* rest, FILE*)
{
    tokens a;
    split(rest, &a);
    if (a.count >= 2) reg_set_string(a.t[0], a.t[1], a.t[2]);
    return CONSOLE_GO_ON;
}

int w_regdel(const char*, const char* rest, FILE*)
{
    tokens a;
    split(rest, &a);
    if (a.count) reg_delete_key(a.t[0], a.count > 1 ? a.t[1] : nullptr);
    return CONSOLE_GO_ON;
}

int w_regget(const char*, const char* rest, FILE*)
{
    tokens a;
    split(rest, &a);
    char command[REG_TEXT_BUF];
    if (!a.count || !assoc_open_command(a.t[0], command)) return CONSOLE_GO_ON;
    cut_after_exe(command);
    text_copy(text_editor_command, command);
    return CONSOLE_GO_ON;
}

int w_sendkey(const char*, const char* rest, FILE*)
{
    tokens a;
    split(rest, &a);
    if (a.count && *a.t[0]) sendkey_to_windows(a.t[0]);
    return CONSOLE_GO_ON;
}

int w_start(const char*, const char* rest, FILE*)
{
    char path[PATH_BUF];
    if (full_arg(rest, path, sizeof path)) open_with_association(path, -1);
    return CONSOLE_GO_ON;
}

int w_ln(const char*, const char* rest, FILE*)
{
    tokens a;
    split(rest, &a);
    char link[PATH_BUF];
    if (a.count < 2 || !full_path(link, sizeof link, a.t[0])) return CONSOLE_GO_ON;
    create_shortcut(link, a.t[1], a.t[2], a.t[3], a.t[4], a.t[5]);
    return CONSOLE_GO_ON;
}

int w_unpackr(const char*, const char* rest, FILE*)
{
    char folder[PATH_BUF];
    if (full_arg(rest, folder, sizeof folder) && is_folder(folder)) unpack_tree(folder);
    return CONSOLE_GO_ON;
}

int w_unpack(const char*, const char* rest, FILE*)
{
    char path[PATH_BUF];
    if (full_arg(rest, path, sizeof path) && is_file(path)) unpack_archive(path);
    return CONSOLE_GO_ON;
}

int w_packr(const char*, const char* rest, FILE*)
{
    char folder[PATH_BUF];
    if (full_arg(rest, folder, sizeof folder) && is_folder(folder)) pack_subfolders(folder);
    return CONSOLE_GO_ON;
}

int w_pack(const char*, const char* rest, FILE*)
{
    char folder[PATH_BUF];
    if (full_arg(rest, folder, sizeof folder) && is_folder(folder)) pack_folder(folder);
    return CONSOLE_GO_ON;
}

int w_zcopy(const char*, const char* rest, FILE*)
{
    tokens a;
    split(rest, &a);
    char source[PATH_BUF], target[PATH_BUF];
    if (a.count < 2 || !full_path(source, sizeof source, a.t[0]) || !full_path(target, sizeof target, a.t[1]))
        return CONSOLE_GO_ON;
    walk_tree_copy(source, target, 0);
    return CONSOLE_GO_ON;
}

int w_delr(const char*, const char* rest, FILE*)
{
    char path[PATH_BUF];
    if (full_arg(rest, path, sizeof path)) rm_matching_tree("%s", path);
    return CONSOLE_GO_ON;
}

int clear_item_cb(walk_item* item)
{
    if (item->find_data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        rm_tree(item->path);
    else
        rm_file(item->path);
    return 1;
}

int w_rdr(const char*, const char* rest, FILE*)
{
    char folder[PATH_BUF];
    if (!full_arg(rest, folder, sizeof folder) || !is_folder(folder) || is_drive_root(folder)) return CONSOLE_GO_ON;
    walk_item rec = {};
    walk_folder(clear_item_cb, folder, "*.*", &rec, clear_item_cb);
    return CONSOLE_GO_ON;
}

// Deletes the current folder's tree. Only from a script (a one-shot or a
// console line would delete wherever the program happened to start), and
// never a drive root.
int w_cleanup(const char*, const char*, FILE* script)
{
    char folder[PATH_BUF];
    if (!script) {
        con_out("*** cleanup runs only from a script\n");
        return CONSOLE_GO_ON;
    }
    if (!full_path(folder, sizeof folder, nullptr) || is_drive_root(folder)) {
        con_out("*** cleanup refused here\n");
        return CONSOLE_GO_ON;
    }
    close_running_script(script);
    char windows[PATH_BUF];
    GetWindowsDirectoryA(windows, sizeof windows);
    SetCurrentDirectoryA(windows);
    rm_tree(folder);
    return CONSOLE_END_RUN;
}

int sbd_leave_cb(walk_item* item)
{
    char folder[PATH_BUF];
    if (!text_copy(folder, item->path)) return 1;
    remove_backslash(folder);
    size_t n = strlen(folder);
    if (n < 5 || !text_equal_ci(folder + n - 4, ".sbd")) return 1;
    folder[n - 4] = 0;
    if (GetFileAttributesA(folder) != INVALID_FILE_ATTRIBUTES) return 1;
    FILE* f = fopen(folder, "wb");
    if (!f) return 1;
    fclose(f);
    if (console_output_on()) con_out(" create emptyfile %s\n", folder);
    return 1;
}

int w_mboxd(const char*, const char* rest, FILE*)
{
    char folder[PATH_BUF];
    if (!full_arg(rest, folder, sizeof folder) || !is_folder(folder)) return CONSOLE_GO_ON;
    walk_item rec = {};
    walk_tree(folder, "*.*", &rec, nullptr, sbd_leave_cb, nullptr, nullptr);
    return CONSOLE_GO_ON;
}

int w_at_echo(const char*, const char* rest, FILE*)
{
    script_echo_mode = rest && strstr(rest, "off") ? 0 : 2;
    return CONSOLE_GO_ON;
}

int w_echo(const char*, const char* rest, FILE*)
{
    con_out("%s\n", rest ? rest : "");
    return CONSOLE_GO_ON;
}

int w_exit(const char*, const char*, FILE*) { return CONSOLE_END_RUN; }

int w_console(const char*, const char*, FILE*)
{
    console_mode();
    return CONSOLE_GO_ON;
}

int w_pause(const char*, const char*, FILE*)
{
    con_key();
    return CONSOLE_GO_ON;
}

int w_question(const char*, const char* rest, FILE*)
{
    char keys[EXPANDED_BUF];
    text_copy(keys, rest ? rest : "");
    char* prompt = next_arg(keys);
    unquote(keys);
    con_out("%s", prompt ? prompt : "");
    int key = con_key();
    block_state& b = console_blocks;
    if (b.depth < BLOCK_DEPTH_MAX) b.skip[b.depth + 1] = keys[0] && key == (unsigned char)keys[0] ? 0 : 1;
    con_out("\n");
    return CONSOLE_GO_ON;
}

int w_md(const char*, const char* rest, FILE*)
{
    char folder[PATH_BUF];
    if (full_arg(rest, folder, sizeof folder)) md_path(folder);
    return CONSOLE_GO_ON;
}

int w_rd(const char*, const char* rest, FILE*)
{
    char folder[PATH_BUF];
    if (full_arg(rest, folder, sizeof folder) && is_folder(folder)) rd_folder(folder);
    return CONSOLE_GO_ON;
}

int w_del(const char*, const char* rest, FILE*)
{
    char path[PATH_BUF];
    if (full_arg(rest, path, sizeof path)) rm_matching("%s", path);
    return CONSOLE_GO_ON;
}

int w_renas(const char*, const char* rest, FILE* script)
{
    tokens a;
    split(rest, &a);
    if (!script) {
        con_out("*** renas runs only from a script\n");
        return CONSOLE_GO_ON;
    }
    if (a.count && numbered_copy(a.t[0], script) < 0) {
        // The names that follow the long one would run as commands: the run ends.
        con_key();
        return CONSOLE_END_RUN;
    }
    return CONSOLE_GO_ON;
}

int w_ren(const char*, const char* rest, FILE*)
{
    tokens a;
    split(rest, &a);
    char source[PATH_BUF], target[PATH_BUF];
    if (a.count < 2 || !full_path(source, sizeof source, a.t[0]) || !full_path(target, sizeof target, a.t[1]))
        return CONSOLE_GO_ON;
    mv_file(source, target);
    return CONSOLE_GO_ON;
}

void make_current_parent(const char* path)
{
    char folder[PATH_BUF];
    if (parent_folder(path, folder)) SetCurrentDirectoryA(folder);
}

int w_execd(const char*, const char* rest, FILE*)
{
    char line[EXPANDED_BUF];
    text_copy(line, rest ? rest : "");
    char* path_text = next_arg(line);
    char path[PATH_BUF];
    if (path_text && full_path(path, sizeof path, path_text)) {
        DWORD a = GetFileAttributesA(path);
        if (a == INVALID_FILE_ATTRIBUTES) {
            char parent[PATH_BUF];
            if (parent_folder(path, parent) && is_folder(parent)) SetCurrentDirectoryA(parent);
        } else if (a & FILE_ATTRIBUTE_DIRECTORY) {
            SetCurrentDirectoryA(path);
        } else {
            if (file_size(path) == 0) rm_file(path);
            make_current_parent(path);
        }
    }
    unquote(line);
    if (line[0]) run_program("%s", line);
    return CONSOLE_GO_ON;
}

int w_shellquit(const char*, const char* rest, FILE*)
{
    if (rest) run_program("%s", rest);
    return CONSOLE_END_RUN;
}

int w_shell(const char*, const char* rest, FILE*)
{
    if (rest) run_program("%s", rest);
    return CONSOLE_GO_ON;
}

int w_inv(const char*, const char* rest, FILE*)
{
    char path[PATH_BUF], other[PATH_BUF];
    if (!full_arg(rest, path, sizeof path)) return CONSOLE_GO_ON;
    size_t n = strlen(path);
    if (has_extension(path, ".lzh")) {
        if (!text_copy_n(other, sizeof other, path, n - 4)) return CONSOLE_GO_ON;
    } else if (!text_format(other, sizeof other, "%s.lzh", path)) {
        return CONSOLE_GO_ON;
    }
    mv_file(path, other);
    return CONSOLE_GO_ON;
}

int w_copy(const char*, const char* rest, FILE*)
{
    if (rest) cp_command(rest);
    return CONSOLE_GO_ON;
}

int w_fcopy(const char*, const char* rest, FILE*)
{
    tokens a;
    split(rest, &a);
    fcopy(a.count > 0 ? a.t[0] : nullptr, a.count > 1 ? a.t[1] : nullptr);
    return CONSOLE_GO_ON;
}

int w_view(const char*, const char* rest, FILE*)
{
    char path[PATH_BUF];
    if (full_arg(rest, path, sizeof path)) view_archive(path);
    return CONSOLE_GO_ON;
}

int w_sfx(const char*, const char* rest, FILE*)
{
    char path[PATH_BUF];
    if (full_arg(rest, path, sizeof path)) make_sfx_from_lzh(path);
    return CONSOLE_GO_ON;
}

enum { ECHO = 1, RUN_SKIPPED = 2, ALWAYS_ECHO = 4 };
struct console_word {
    const char* word;
    word_fn run;
    int flags;
};

const console_word words[] = {
    {"{", w_open, RUN_SKIPPED},
    {"}", w_close, RUN_SKIPPED},
    {"zote", w_zote, ECHO},
    {"lhtest", w_lhtest, 0},
    {"lhup", w_lhup, ECHO},
    {"lha", w_lha, ECHO},
    {"unzip", w_unzip, ECHO},
    {"tar", w_tar, ECHO},
    {"cab", w_cab, ECHO},
    {"zip", w_zip, ALWAYS_ECHO},
    {"cd", w_cd, ECHO},
    {"regextrm", w_regextrm, ECHO},
    {"regext", w_regext, ECHO},
    {"cleanshellnew", w_cleanshellnew, 0},
    {"regset", w_regset, ECHO},
    {"regdel", w_regdel, ECHO},
    {"regget", w_regget, ECHO},
    {"sendkey", w_sendkey, ECHO},
    {"start", w_start, ECHO},
    {"ln", w_ln, ECHO},
    {"unpackr", w_unpackr, ECHO},
    {"unpack", w_unpack, ECHO},
    {"packr", w_packr, ECHO},
    {"pack", w_pack, ECHO},
    {"zcopy", w_zcopy, ECHO},
    {"delr", w_delr, ECHO},
    {"rdr", w_rdr, ECHO},
    {"cleanup", w_cleanup, ECHO},
    {"mboxd", w_mboxd, ECHO},
    {"@echo", w_at_echo, 0},
    {"echo", w_echo, 0},
    {"exit", w_exit, ECHO},
    {"console", w_console, ECHO},
    {"pause", w_pause, 0},
    {"question", w_question, 0},
    {"md", w_md, ECHO},
    {"rd", w_rd, ECHO},
    {"del", w_del, ECHO},
    {"renas", w_renas, ECHO},
    {"ren", w_ren, ECHO},
    {"execd", w_execd, 0},
    {"shellquit", w_shellquit, 0},
    {"shell", w_shell, 0},
    {"inv", w_inv, ECHO},
    {"copy", w_copy, ECHO},
    {"fcopy", w_fcopy, 0},
    {"v", w_view, 0},
    {"s", w_sfx, 0},
};
static_assert(sizeof words / sizeof words[0] == 48, "the 48 words");

const console_word* find_word(const char* word)
{
    if (!word) return nullptr;
    for (const console_word& w : words)
        if (strncmp(word, w.word, strlen(w.word)) == 0) return &w;
    return nullptr;
}

}  // namespace

const char* console_word_for(const char* word)
{
    const console_word* w = find_word(word);
    return w ? w->word : nullptr;
}

int run_console_command(const char* word, const char* rest, FILE* script)
{
    const console_word* w = find_word(word);
    if (!(w && (w->flags & RUN_SKIPPED)) && console_blocks.skip[console_blocks.depth]) return CONSOLE_GO_ON;
    char expanded[EXPANDED_BUF];
    const char* args = nullptr;
    if (rest) {
        if (!expand_variables(rest, expanded, sizeof expanded)) {
            con_out("*** cannot expand: %s\n", word);
            return CONSOLE_END_RUN;
        }
        args = expanded[0] ? expanded : nullptr;
    }
    if (!w) {
        con_out("*** bad command: %s\n", word ? word : "");
        con_key();
        return CONSOLE_END_RUN;
    }
    if (w->flags & ALWAYS_ECHO)
        con_out("%s %s\n", word, args ? args : "");
    else if ((w->flags & ECHO) && console_output_on())
        con_out("%s %s\n", word, args ? args : "");
    return w->run(word, args, script);
}
