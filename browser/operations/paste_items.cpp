// One-item operations of the file clipboard and of moves inside the browser:
// copy, move, shortcut or folder structure to a destination, with the
// overwrite-or-rename question when the name is taken (see file_clipboard.h),
// and the message naming what a move left at its source.
// Identity decides "the same item", not the spelling: a short name or a case
// variant of the source is the source. A replaced file is set aside under a
// free name until its replacement is complete, and put back if that fails.
#include "browser/operations/file_clipboard.h"
#include "browser/caches/thumb_cache.h"
#include "browser/model/paths.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include <cstring>
#include <cwchar>

static const char* kind_word(const char* path) { return is_folder(path) ? "フォルダ" : "ファイル"; }

// The same item, or one that cannot be told apart: never written over.
static bool same_or_unknown(const char* a, const char* b)
{
    char fa[PATH_BUF], fb[PATH_BUF];
    if (full_path(fa, sizeof fa, a) && full_path(fb, sizeof fb, b) && text_equal_ci(fa, fb)) return true;
    return same_item(a, b) != 0;
}

// The question dialog ----------------------------------------------------------------

enum { ID_TEXT = 1000, ID_ALL = 1005, ID_YES = 1, ID_NO = 4, ID_CANCEL = 2 };

namespace {
struct question {
    const char* text;
    overwrite_answers* answers;
};

// An in-memory dialog template: header, then items, each DWORD-aligned.
struct template_writer {
    WORD words[1024];
    int used = 0;
    void word(WORD w)
    {
        if (used < 1024) words[used++] = w;
    }
    void align()
    {
        if (used & 1) word(0);
    }
    void text(const char* cp932)
    {
        wchar_t wide[128];
        int n = MultiByteToWideChar(932, 0, cp932, -1, wide, 128);
        if (n <= 0) {
            word(0);
            return;
        }
        for (int i = 0; i < n; i++) word(WORD(wide[i]));
    }
    void header(DWORD style, int items, int cx, int cy, const char* title)
    {
        word(LOWORD(style));
        word(HIWORD(style));
        word(0);
        word(0);
        word(WORD(items));
        word(0);
        word(0);
        word(WORD(cx));
        word(WORD(cy));
        word(0);
        word(0);
        text(title);
        word(9);
        text("MS UI Gothic");
    }
    void item(DWORD style, int x, int y, int cx, int cy, WORD id, WORD cls, const char* title)
    {
        align();
        style |= WS_CHILD | WS_VISIBLE;
        word(LOWORD(style));
        word(HIWORD(style));
        word(0);
        word(0);
        word(WORD(x));
        word(WORD(y));
        word(WORD(cx));
        word(WORD(cy));
        word(id);
        word(0xFFFF);
        word(cls);
        text(title);
        word(0);
    }
};

INT_PTR CALLBACK question_proc(HWND dialog, UINT message, WPARAM wp, LPARAM lp)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lp);
        question* q = reinterpret_cast<question*>(lp);
        SetDlgItemTextA(dialog, ID_TEXT, q->text);
        SendDlgItemMessageA(dialog, 1001, STM_SETICON, WPARAM(LoadIcon(nullptr, IDI_QUESTION)), 0);
        RECT r, p;
        HWND parent = GetParent(dialog) ? GetParent(dialog) : GetDesktopWindow();
        GetWindowRect(dialog, &r);
        GetWindowRect(parent, &p);
        SetWindowPos(dialog, nullptr, (p.left + p.right - (r.right - r.left)) / 2,
                     (p.top + p.bottom - (r.bottom - r.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        SetFocus(GetDlgItem(dialog, ID_YES));
        return FALSE;
    }
    if (message != WM_COMMAND && message != WM_CLOSE) return FALSE;
    int id = message == WM_CLOSE ? ID_CANCEL : LOWORD(wp);
    if (id != ID_YES && id != ID_NO && id != ID_CANCEL) return FALSE;
    question* q = reinterpret_cast<question*>(GetWindowLongPtrA(dialog, DWLP_USER));
    q->answers->yes = id == ID_YES;
    q->answers->no = id == ID_NO;
    q->answers->cancel = id == ID_CANCEL;
    q->answers->all = IsDlgButtonChecked(dialog, ID_ALL) == BST_CHECKED;
    EndDialog(dialog, id);
    return TRUE;
}
}  // namespace

void ask_overwrite_or_rename(const char* operation, const char* placed_kind, const char* existing_kind,
                             const char* existing_path, overwrite_answers* answers)
{
    if (answers->all) return;
    char text[1024];
    text_format_cut(text, sizeof text,
                    "%sしようとしている%sと同名の%s\r\n\r\n%s\r\n\r\nが存在します．\r\n上書きしてよろしいですか？\r\n"
                    "「いいえ」を押すと名前を変えて%sします．",
                    operation, placed_kind, existing_kind, file_name_of(existing_path), operation);
    *answers = {};
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    template_writer t;
    t.header(DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU, 6, 260, 110, "上書きの確認");
    t.item(SS_ICON, 8, 8, 20, 20, 1001, 0x0082, "");
    t.item(ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_BORDER, 36, 8, 216, 66, ID_TEXT, 0x0081, "");
    t.item(BS_DEFPUSHBUTTON | WS_TABSTOP, 36, 84, 50, 16, ID_YES, 0x0080, "はい");
    t.item(BS_PUSHBUTTON | WS_TABSTOP, 92, 84, 50, 16, ID_NO, 0x0080, "いいえ");
    t.item(BS_PUSHBUTTON | WS_TABSTOP, 148, 84, 50, 16, ID_CANCEL, 0x0080, "ｷｬﾝｾﾙ");
    t.item(BS_AUTOCHECKBOX | WS_TABSTOP, 206, 86, 46, 14, ID_ALL, 0x0080, "全て");
    question q = {text, answers};
    if (DialogBoxIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(t.words),
                                message_box_owner, question_proc, LPARAM(&q)) <= 0)
        answers->cancel = 1;
}

// Unique names ---------------------------------------------------------------------

int copy_as_unique(const char* source, const char* destination)
{
    char name[PATH_BUF];
    return make_unique_name(name, destination) && cp_file(source, name);
}

int move_as_unique(const char* source, const char* destination)
{
    char name[PATH_BUF];
    return make_unique_name(name, destination) && mv_file(source, name);
}

int shortcut_as_unique(const char* source, const char* destination)
{
    char name[PATH_BUF];
    return make_unique_name(name, destination) && create_shortcut(name, source, nullptr, nullptr, nullptr, nullptr);
}

// Replacing ------------------------------------------------------------------------

// Removes an existing item of the other kind: a file, or an empty folder.
static bool clear_other_kind(const char* source, const char* destination)
{
    bool folder = is_folder(destination);
    if (folder == is_folder(source)) return true;
    if (folder)
        rd_folder(destination);
    else
        rm_file(destination);
    return !item_exists(destination);
}

// A file moved over an existing file: the old one is set aside first and
// removed only once the move is complete; on failure it is put back.
static int move_over_file(const char* source, const char* destination)
{
    char aside[PATH_BUF];
    if (!make_unique_name(aside, destination) || !MoveFileA(destination, aside)) return 0;
    if (mv_file(source, destination)) {
        rm_file(aside);
        return 1;
    }
    MoveFileA(aside, destination);
    return 0;
}

// A folder moved onto an existing folder merges into it: its source goes only
// when every item was copied.
static int move_into_folder(const char* source, const char* destination)
{
    if (!cp_tree(source, destination)) return 0;
    return rm_tree(source);
}

static int place_over(const char* source, const char* destination, bool move)
{
    if (!clear_other_kind(source, destination)) return 0;
    if (!move) return cp_file(source, destination);
    if (!item_exists(destination)) return mv_file(source, destination);
    return is_folder(source) ? move_into_folder(source, destination) : move_over_file(source, destination);
}

int place_one_item(const char* source, const char* destination, int how, const char* operation,
                   overwrite_answers* answers)
{
    answers->done = 0;
    if (!item_exists(source)) return 0;
    bool move = how == PLACE_MOVE, as_move = how != PLACE_COPY;
    if (!item_exists(destination)) {
        answers->done = (move ? mv_file(source, destination) : cp_file(source, destination)) ? 1 : 0;
    } else if (same_or_unknown(source, destination)) {
        if (!as_move) answers->done = copy_as_unique(source, destination) ? 1 : 0;
    } else {
        ask_overwrite_or_rename(operation, kind_word(source), kind_word(destination), destination, answers);
        if (answers->cancel) return 0;
        if (answers->yes)
            answers->done = place_over(source, destination, move) ? 1 : 0;
        else
            answers->done = (move ? move_as_unique(source, destination) : copy_as_unique(source, destination)) ? 1 : 0;
    }
    return answers->done;
}

int paste_one_item(const char* source, const char* destination, int cut, overwrite_answers* answers)
{
    return place_one_item(source, destination, cut ? PLACE_MOVE : PLACE_COPY, "ペースト", answers);
}

int move_one_item(const char* source, const char* destination, overwrite_answers* answers)
{
    return place_one_item(source, destination, PLACE_MOVE, "移動", answers);
}

// What stayed at its source ---------------------------------------------------------

void note_left_named(left_at_source* left, const char* path)
{
    if (left->more == 0 && text_append_format(left->names, sizeof left->names, "%s\n", path))
        left->listed++;
    else
        left->more++;
}

namespace {
left_at_source* current_left;

int note_left_cb(walk_item* item)
{
    note_left_named(current_left, item->path);
    return 1;
}
}  // namespace

// A folder is named by the files left in it; a folder left with none (its
// empty subfolders) by itself.
void note_left_at_source(left_at_source* left, const char* source, const char* destination)
{
    if (!item_exists(source) || same_or_unknown(source, destination)) return;
    int before = left->listed + left->more;
    if (is_folder(source)) {
        walk_item record = {};
        current_left = left;
        walk_tree(source, "*.*", &record, note_left_cb, nullptr, nullptr, nullptr);
        current_left = nullptr;
    }
    if (left->listed + left->more == before) note_left_named(left, source);
}

void remove_moved_source(const char* source, const char* destination, left_at_source* left)
{
    if (same_or_unknown(source, destination)) return;
    rm_item(source);
    note_left_at_source(left, source, destination);
}

void say_left_at_source(const left_at_source& left)
{
    if (!left.listed && !left.more) return;
    char more[64] = "";
    if (left.more) text_format(more, sizeof more, "ほか%d個\n", left.more);
    char text[1200];
    text_format_cut(text, sizeof text, "次のファイルは移動できず，元の場所に残っています．\n　\n%s%s", left.names,
                    more);
    kavtrel_message_box(message_box_owner, text, "ZOTE - 警告", MB_OK | MB_ICONEXCLAMATION);
}

int paste_one_shortcut(const char* source, const char* shortcut, overwrite_answers* answers)
{
    answers->done = 0;
    if (!item_exists(source)) return 0;
    if (!item_exists(shortcut)) {
        answers->done = create_shortcut(shortcut, source, nullptr, nullptr, nullptr, nullptr) ? 1 : 0;
    } else if (same_or_unknown(source, shortcut)) {
        answers->done = shortcut_as_unique(source, shortcut) ? 1 : 0;
    } else {
        ask_overwrite_or_rename("ペースト", "ショートカット", kind_word(shortcut), shortcut, answers);
        if (answers->cancel) return 0;
        if (answers->yes) {
            if (is_folder(shortcut)) rd_folder(shortcut);
            answers->done =
                !is_folder(shortcut) && create_shortcut(shortcut, source, nullptr, nullptr, nullptr, nullptr);
        } else {
            answers->done = shortcut_as_unique(source, shortcut) ? 1 : 0;
        }
    }
    return answers->done;
}

// Folder structure only ------------------------------------------------------------

namespace {
struct tree_copy {
    size_t source_length;
    char root[PATH_BUF];
    int failures;
};
tree_copy* current_tree;

int make_folder_cb(walk_item* item)
{
    tree_copy& t = *current_tree;
    if (!(item->find_data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return 1;
    char target[PATH_BUF];
    const char* relative = item->path + t.source_length;
    while (*relative == '\\') relative++;
    if (!path_join(target, t.root, relative))
        t.failures++;
    else if (!item_exists(target) && !md_path(target))
        t.failures++;
    return 1;
}
}  // namespace

int paste_folder_tree_only(const char* source, const char* folder, overwrite_answers* answers)
{
    answers->done = 0;
    if (!is_folder(source)) return 0;
    tree_copy t = {strlen(source), "", 0};
    if (!path_join(t.root, folder, file_name_of(source))) return 0;
    if (same_or_unknown(source, t.root) && item_exists(t.root)) return 0;
    if (!item_exists(t.root) && !md_path(t.root)) return 0;
    walk_item record = {};
    current_tree = &t;
    walk_tree(source, "*.*", &record, nullptr, nullptr, make_folder_cb, nullptr);
    current_tree = nullptr;
    answers->done = t.failures == 0;
    return answers->done;
}

void rename_file_and_cache(const char* old_name, const char* new_name)
{
    char from[PATH_BUF], to[PATH_BUF];
    if (!full_path(from, sizeof from, old_name) || !full_path(to, sizeof to, new_name)) return;
    thumbnail_moved(from, to);
}
