// Renames built on the number plan (see numbering.h): the batch rename by a
// pattern, and adding, stripping and renumbering prefixes. Every entry goes
// first to a temporary name and then to its target, so a new name never
// meets an old one. Targets are checked before any file moves: a target must
// be a safe name in the entry's own folder and must not name an item of the
// folder that is not itself being renamed. A file that cannot move (held open
// by another program) puts the others back, and the user is told which.
#include "browser/model/numbering.h"
#include "browser/caches/thumb_cache.h"
#include "browser/operations/batch_rename.h"
#include "browser/model/browser_list.h"
#include "browser/model/file_kind.h"
#include "browser/model/paths.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

char renamed_first_name[PATH_BUF];

static HWND owner_window()
{
    HWND page = _page_hwnd(browser_list.page ? browser_list.page : 1);
    return page ? GetParent(page) : nullptr;
}

// The pieces of an entry's listed path: its folder (with the backslash, or
// empty), its last component, and for a file the rotation letter, the
// extension and the stem without both.
struct entry_parts {
    char folder[PATH_BUF], component[PATH_BUF], stem[PATH_BUF], ext[PATH_BUF];
    char mark;
    bool file;
};

static bool split_entry(const char* name, entry_parts* e)
{
    char listed[PATH_BUF];
    if (!entry_listed_path(name, listed)) return false;
    const char* comp = file_name_of(listed);
    if (!text_copy_n(e->folder, sizeof e->folder, listed, comp - listed) || !text_copy(e->component, comp))
        return false;
    e->file = is_plain_entry_name(name) && !mb_strchr(name, '*');
    e->mark = 0;
    e->ext[0] = 0;
    text_copy(e->stem, e->component);
    if (!e->file) return true;
    e->mark = strip_rotation_mark(e->stem);
    char* dot = mb_strrchr(e->stem, '.');
    if (dot) {
        text_copy(e->ext, dot);
        *dot = 0;
    }
    return true;
}

// The file's mark and extension behind a new stem.
static bool append_file_tail(char* out, size_t cap, const entry_parts& e)
{
    if (!e.file) return true;
    if (e.mark && !text_append_format(out, cap, ".%c", e.mark)) return false;
    return text_append(out, cap, e.ext);
}

static bool pattern_component(const rename_request* r, int index, const entry_parts& e, char* out, size_t cap)
{
    const char* old_name = e.file ? e.stem : e.component;
    int keep = r->change_prefix ? 0 : number_prefix_length(e.component);
    char old_text[PATH_BUF], prefix[PATH_BUF];
    if (!text_copy(old_text, keep ? old_name + keep : old_name)) return false;
    if (!text_copy_n(prefix, sizeof prefix, e.component, keep)) return false;
    char body[PATH_BUF];
    const char* hash = mb_strchr(r->pattern, '#');
    if (hash) {
        if (!text_copy_n(body, sizeof body, r->pattern, hash - r->pattern) ||
            !text_append_format(body, sizeof body, "%0*d%s", r->digits, r->plan->number[index], hash + 1))
            return false;
    } else if (!text_copy(body, r->pattern)) {
        return false;
    }
    if (!replace_all(body, "*", old_text)) return false;
    if (!text_format(out, cap, "%s%s", prefix, body)) return false;
    return append_file_tail(out, cap, e);
}

int build_new_name(const rename_request* r, int index, int mode, char* out, size_t cap)
{
    entry_parts e;
    if (!split_entry(r->names[index], &e)) return 0;
    char comp[PATH_BUF];
    switch (mode) {
    case NAME_PRESENT: return text_format(out, cap, "%s%s", e.folder, e.component);
    case NAME_TEMPORARY:
        if (!text_format(comp, sizeof comp, "$@!#%0*d", r->digits, r->plan->number[index]) ||
            !append_file_tail(comp, sizeof comp, e))
            return 0;
        break;
    default:
        if (r->form == TARGET_PATTERN) {
            if (!pattern_component(r, index, e, comp, sizeof comp)) return 0;
        } else if (r->form == TARGET_NUMBERED) {  // the number, ")" and the name without its old prefix
            if (!text_format(comp, sizeof comp, "%0*d)%s", r->digits, r->plan->number[index],
                             name_without_prefix(e.component)))
                return 0;
        } else if (!text_copy(comp, name_without_prefix(e.component))) {
            return 0;
        }
    }
    return text_format(out, cap, "%s%s", e.folder, comp);
}

// One entry's move: the listed name and the target, both absolute.
struct planned_move {
    char from[PATH_BUF], to[PATH_BUF], temp[PATH_BUF];
    char shown[PATH_BUF];  // the target as the list names it
};

static int move_with_cache(const char* from, const char* to)
{
    if (!mv_file(from, to)) return 0;
    thumbnail_moved(from, to);
    return 1;
}

// The names of the files a pass could not move, for the report.
struct pass_report {
    char failed[1024];
    char left_temporary[1024];
};

static void note_name(char* list, size_t cap, const char* path)
{
    text_append_format(list, cap, "%s%s", list[0] ? "\n" : "", file_name_of(path));
}

// Puts a parked entry back under its own name; when even that fails it keeps
// the temporary name, which the report then shows.
static void move_back(const planned_move& m, pass_report* report)
{
    if (!move_with_cache(m.temp, m.from)) note_name(report->left_temporary, sizeof report->left_temporary, m.temp);
}

static void show_report(const char* what, const pass_report& report, const char* title)
{
    char text[2200];
    text_format_cut(text, sizeof text, "%s\n\n%s%s%s", what, report.failed,
                    report.left_temporary[0] ? "\n\n次のﾌｧｲﾙは一時的な名前のまま残っています．\n" : "",
                    report.left_temporary);
    kavtrel_message_box(owner_window(), text, title, MB_OK | MB_ICONEXCLAMATION);
}

// Pass 1 takes every entry to a free temporary name, pass 2 to its target;
// with unique set a target that exists by then is made unique. An entry that
// cannot leave its name in pass 1 (a file held open) stops the rename: the
// entries already parked go back to their names. An entry that cannot reach
// its target in pass 2 goes back to its old name. Either way the user is told
// which files. Returns the entries renamed.
static int run_two_passes(std::vector<planned_move>& moves, const rename_request* r, const std::vector<int>& order,
                          bool unique, const char* title)
{
    renamed_first_name[0] = 0;
    pass_report report = {};
    size_t parked = 0;
    for (; parked < moves.size(); parked++) {
        char temp[PATH_BUF];
        planned_move& m = moves[parked];
        if (!build_new_name(r, order[parked], NAME_TEMPORARY, temp, sizeof temp) ||
            !full_path(m.temp, sizeof m.temp, temp) || (path_exists(m.temp, 0) && !make_name_unique_in_place(m.temp)) ||
            !move_with_cache(m.from, m.temp))
            break;
    }
    if (parked < moves.size()) {
        note_name(report.failed, sizeof report.failed, moves[parked].from);
        while (parked-- > 0) move_back(moves[parked], &report);
        show_report("次のﾌｧｲﾙの名前を変更できないので処理を中止しました．", report, title);
        return 0;
    }
    int renamed = 0;
    for (planned_move& m : moves) {
        char target[PATH_BUF];
        text_copy(target, m.to);
        if ((unique && path_exists(target, 0) && !make_name_unique_in_place(target)) ||
            !move_with_cache(m.temp, target)) {
            note_name(report.failed, sizeof report.failed, m.from);
            move_back(m, &report);
            continue;
        }
        renamed++;
        if (!renamed_first_name[0]) {
            char shown[PATH_BUF];
            text_copy(shown, m.shown);
            *file_name_of(shown) = 0;
            if (!text_append(shown, file_name_of(target))) shown[0] = 0;
            text_copy(renamed_first_name, shown);
        }
    }
    if (report.failed[0]) show_report("次のﾌｧｲﾙの名前を変更できませんでした．", report, title);
    return renamed;
}

// The move of one entry; false when the target does not fit or is not a safe
// name inside the entry's own folder.
static bool prepare_move(const rename_request* r, int index, planned_move* m)
{
    char present[PATH_BUF];
    if (!build_new_name(r, index, NAME_PRESENT, present, sizeof present) ||
        !build_new_name(r, index, NAME_TARGET, m->shown, sizeof m->shown))
        return false;
    size_t folder = static_cast<size_t>(file_name_of(present) - present);
    if (std::strncmp(present, m->shown, folder) != 0 || !is_safe_new_name(m->shown + folder)) return false;
    return full_path(m->from, sizeof m->from, present) && full_path(m->to, sizeof m->to, m->shown);
}

static const char rename_title[] = "選択ﾌｧｲﾙの名前変更", add_title[] = "番号部分付加について",
                  strip_title[] = "番号部分除去について";

int rename_selected(const char* pattern_in, const char* first_in, int change_prefix, char* const* names, int count,
                    unsigned char* marks)
{
    char pattern[PATH_BUF], first[PATH_BUF];
    if (!text_copy(pattern, pattern_in) || !text_copy(first, first_in)) return 0;
    trim(pattern);
    trim(first);
    int start = atoi(first);
    rename_plan plan;
    rename_plan_alloc(&plan, names, count, start);
    rename_plan_mark_partners(&plan, marks);
    int digits = rename_plan_digits(&plan);
    int typed = static_cast<int>(std::strlen(first));
    if (typed > digits) digits = typed < 10 ? typed : 10;
    rename_request r = {names, count, &plan, digits, TARGET_PATTERN, pattern, change_prefix};

    std::vector<planned_move> moves;
    std::vector<int> order;
    for (int i = 0; i < count; i++) {
        if (!marks[i]) continue;
        planned_move m;
        if (!prepare_move(&r, i, &m)) {
            kavtrel_message_box(owner_window(), "不正なﾌｧｲﾙが生じるので処理を中止します．", rename_title, MB_OK);
            return 0;
        }
        moves.push_back(m);
        order.push_back(i);
    }
    for (size_t k = 0; k < moves.size(); k++) {
        bool clash = false;
        for (size_t j = 0; j < k && !clash; j++) clash = text_equal_ci(moves[k].to, moves[j].to) != 0;
        if (!clash && path_exists(moves[k].to, 0)) {  // an item of the folder that keeps its name
            clash = true;
            for (const planned_move& other : moves)
                if (text_equal_ci(other.from, moves[k].to)) clash = false;
        }
        if (clash) {
            kavtrel_message_box(owner_window(), "同じ名前のﾌｧｲﾙが生じるので処理を中止します．", rename_title, MB_OK);
            return 0;
        }
    }
    return run_two_passes(moves, &r, order, false, rename_title);
}

static int ask(const char* text, const char* title)
{
    return kavtrel_message_box(owner_window(), text, title, MB_YESNO) == IDYES;
}

// Every name of the list, numbered in the given order, to its numbered or
// stripped name.
static int rename_all(char* const* names, int count, const std::vector<int>& order, bool numbered, const char* title)
{
    std::vector<char*> ordered;
    for (int i : order) ordered.push_back(names[i]);
    rename_plan plan;
    rename_plan_alloc(&plan, ordered.data(), count, 1);
    rename_request r = {
        ordered.data(), count, &plan, rename_plan_digits(&plan), numbered ? TARGET_NUMBERED : TARGET_STRIPPED,
        nullptr,        1};
    std::vector<planned_move> moves;
    std::vector<int> index;
    for (int k = 0; k < count; k++) {
        planned_move m;
        if (!prepare_move(&r, k, &m)) continue;  // a name that cannot grow keeps its place
        moves.push_back(m);
        index.push_back(k);
    }
    return run_two_passes(moves, &r, index, !numbered, title) > 0;
}

static int any_prefix(char* const* names, int count)
{
    for (int i = 0; i < count; i++)
        if (number_prefix_length(file_name_of(entry_path_static(names[i])))) return 1;
    return 0;
}

int strip_number_prefix(char* const* names, int count, int mode)
{
    if (count <= 0) return 0;
    if (mode == 1) {
        if (!ask("ﾌｧｲﾙ名の先頭に 番号) を付加して，\n表示順をデフォルトの名前昇順に戻します．\nよろしいですか？",
                 add_title))
            return 0;
        bool folders = false;
        for (int i = 0; i < count; i++) folders = folders || !is_plain_entry_name(names[i]);
        if (folders && !ask("このﾌｫﾙﾀﾞにはｻﾌﾞﾌｫﾙﾀﾞが含まれています．\n番号付けしてよろしいですか？\n", add_title))
            return 0;
    } else if (mode == 0) {
        std::vector<char*> comps;
        std::vector<std::string> keep;
        for (int i = 0; i < count; i++) keep.emplace_back(file_name_of(entry_path_static(names[i])));
        for (std::string& s : keep) comps.push_back(&s[0]);
        const char* text =
            prefix_strip_clashes(comps.data(), count)
                ? "番号部分を除去すると同名ﾌｧｲﾙが生じます．\n同名ﾌｧｲﾙに適当な名前をつけて番号部分を除去しますか？"
                : "ﾌｧｲﾙ名から番号部分を除去します．\nよろしいですか？";
        if (!ask(text, strip_title)) return 0;
    }
    std::vector<int> order;
    for (int i = 0; i < count; i++) order.push_back(i);
    return rename_all(names, count, order, mode != 0, mode == 0 ? strip_title : add_title);
}

int add_number_prefix(int position, char* const* names, int count, unsigned char* marks, int no_question)
{
    if (count <= 0) return 0;
    rename_plan plan;
    rename_plan_alloc(&plan, names, count, 1);
    rename_plan_mark_partners(&plan, marks);
    std::vector<int> order;
    for (int i = 0; i < position && i < count; i++)
        if (!marks[i]) order.push_back(i);
    for (int i = 0; i < count; i++)
        if (marks[i]) order.push_back(i);
    for (int i = position < 0 ? 0 : position; i < count; i++)
        if (!marks[i]) order.push_back(i);
    if (!no_question &&
        !ask("この操作でﾌｧｲﾙ名の先頭に 番号) が付加され，\n表示順がデフォルトの名前昇順に戻ります．\nよろしいですか？",
             add_title))
        return 0;
    return rename_all(names, count, order, true, add_title);
}

int number_prefix_command()
{
    browser_list_record& l = browser_list;
    return strip_number_prefix(l.names, l.count, any_prefix(l.names, l.count) ? 0 : 1);
}

int renumber_command() { return strip_number_prefix(browser_list.names, browser_list.count, 2); }

int move_selection_numbered(int position)
{
    browser_list_record& l = browser_list;
    if (!l.marks) return 0;
    return add_number_prefix(position, l.names, l.count, l.marks, 0);
}
