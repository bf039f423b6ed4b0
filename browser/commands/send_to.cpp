// The right-button menu of a list entry and its "送る" items: the entries of
// the shell's SendTo folder, each a folder to copy into, the Desktop (a
// ".desklink": shortcuts there), the documents folder (".mydocs") or a
// program started with the files on its command line.
#include "browser/commands/command_actions.h"
#include "browser/commands/command_parts.h"
#include "browser/model/browser_list.h"
#include "browser/model/busy.h"
#include "browser/operations/file_clipboard.h"
#include "browser/model/file_kind.h"
#include "browser/model/names.h"
#include "browser/model/paths.h"
#include "browser/model/scan.h"
#include "browser/viewer/viewer.h"
#include "base/holders.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include <string>
#include <vector>

static browser_list_record& L = browser_list;

// The Send-to record: the target paths in item order.
static std::vector<std::string> send_to_targets;

int fill_send_to_menu(HMENU popup)
{
    send_to_targets.clear();
    char folder[PATH_BUF], pattern[PATH_BUF];
    if (!get_special_folder("SendTo", folder) || !path_join(pattern, sizeof pattern, folder, "*.*")) return 0;
    WIN32_FIND_DATAA fd;
    find_handle find(FindFirstFileA(pattern, &fd));
    if (!find) return 0;
    do {
        if (strcmp(fd.cFileName, ".") == 0 || strcmp(fd.cFileName, "..") == 0) continue;
        if (has_extension(fd.cFileName, ".mapimail")) continue;
        char path[PATH_BUF], label[PATH_BUF];
        if (!path_join(path, sizeof path, folder, fd.cFileName) || !text_copy(label, fd.cFileName)) continue;
        char* dot = const_cast<char*>(mb_strrchr(label, '.'));
        if (dot) *dot = 0;
        AppendMenuA(popup, MF_STRING, CM_SEND_TO_FIRST + send_to_targets.size(), label);
        send_to_targets.push_back(path);
    } while (FindNextFileA(find.get(), &fd));
    return static_cast<int>(send_to_targets.size());
}

int send_to_command_line(const char* target, const char* const* files, int count, char* out, size_t cap)
{
    auto quoted = [](const char* s) { return strchr(s, ' ') ? "\"%s\"" : "%s"; };
    if (!text_format(out, cap, quoted(target), target)) return 0;
    for (int i = 0; i < count; i++) {
        if (!text_append(out, cap, " ") || !text_append_format(out, cap, quoted(files[i]), files[i])) return 0;
    }
    return 1;
}

// An existing destination asks the overwrite question ("上書きの確認"):
// yes over it, no under a unique name, cancel skips it. With "全て" ticked,
// one answer stands for the rest of the command.
static bool place_existing(char* to, const char* kind, const char* operation, overwrite_answers* answers)
{
    if (GetFileAttributesA(to) == INVALID_FILE_ATTRIBUTES) return true;
    ask_overwrite_or_rename(operation, kind, kind, to, answers);
    if (answers->cancel) return false;
    return answers->yes || make_name_unique_in_place(to);
}

static void copy_into(const char* folder, const std::vector<std::string>& files)
{
    overwrite_answers answers = {};
    for (const std::string& f : files) {
        char to[PATH_BUF];
        if (!path_join(to, sizeof to, folder, file_name_of(f.c_str()))) continue;
        if (place_existing(to, "ファイル", "ｺﾋﾟｰ", &answers)) cp_file(f.c_str(), to);
    }
}

static void links_on_desktop(const std::vector<std::string>& files)
{
    overwrite_answers answers = {};
    char desktop[PATH_BUF];
    if (!get_special_folder("Desktop", desktop)) return;
    for (const std::string& f : files) {
        char link[PATH_BUF];
        if (!path_join(link, sizeof link, desktop, file_name_of(f.c_str())) || !text_append(link, ".lnk")) continue;
        if (place_existing(link, "ﾘﾝｸ", "作成", &answers))
            create_shortcut(link, f.c_str(), nullptr, nullptr, nullptr, nullptr);
    }
}

static void start_program(const char* target, const std::vector<std::string>& files)
{
    std::vector<const char*> list;
    for (const std::string& f : files) list.push_back(f.c_str());
    heap_buffer<char> line(static_cast<char*>(malloc(SEND_TO_COMMAND_CAP)));
    if (!line ||
        !send_to_command_line(target, list.data(), static_cast<int>(list.size()), line.get(), SEND_TO_COMMAND_CAP))
        return;
    STARTUPINFOA si = {sizeof si};
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(nullptr, line.get(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

int run_send_to(int id, const char* entry_name)
{
    int n = id - CM_SEND_TO_FIRST;
    if (n < 0 || n >= SEND_TO_ACTING || n >= static_cast<int>(send_to_targets.size())) return 0;
    busy_guard busy(BUSY_WAIT);
    _pump();
    char target[PATH_BUF];
    if (!text_copy(target, send_to_targets[n].c_str())) return 0;
    if (has_extension(target, ".lnk")) {
        char resolved[PATH_BUF];
        if (!resolve_shortcut(target, resolved)) return 0;
        text_copy(target, resolved);
    }
    if (GetFileAttributesA(target) == INVALID_FILE_ATTRIBUTES && !has_extension(target, ".desklink") &&
        !has_extension(target, ".mydocs"))
        return 0;
    std::vector<std::string> files;
    char path[PATH_BUF], listed[PATH_BUF];
    if (!entry_listed_path(entry_name, listed) || !full_path(path, sizeof path, listed)) return 0;
    files.push_back(path);
    for (int i = 0; L.marks && i < L.count; i++) {
        char other[PATH_BUF];
        if (L.marks[i] && entry_full_path(i, other) && !text_equal_ci(other, path)) files.push_back(other);
    }
    DWORD a = GetFileAttributesA(target);
    if (has_extension(target, ".desklink")) {
        links_on_desktop(files);
    } else if (has_extension(target, ".mydocs")) {
        char docs[PATH_BUF];
        if (get_special_folder("Personal", docs)) copy_into(docs, files);
    } else if (a & FILE_ATTRIBUTE_DIRECTORY) {
        copy_into(target, files);
    } else {
        start_program(target, files);
    }
    _pump();
    return 1;
}

// ---- The file context menu ----

static void item(HMENU m, int id, const char* text, bool grey)
{
    AppendMenuA(m, MF_STRING | (grey ? MF_GRAYED : 0), id, text);
}
static void separator(HMENU m) { AppendMenuA(m, MF_SEPARATOR, 0, nullptr); }

// The verbs of the entry's type (of "Folder" for a folder), "open" first.
static void add_shell_verbs(HMENU m, const char* name, bool plain)
{
    static char verbs[10][REG_VERB_BUF], texts[10][REG_VERB_BUF];
    const char* dot = plain ? mb_strrchr(file_name_of(name), '.') : nullptr;
    int n = list_shell_verbs(plain ? (dot ? dot : "") : "Folder", verbs, texts);
    if (n <= 0) {
        item(m, 340, "実行(&O) \t O", !(has_extension(name, ".exe") || has_extension(name, ".lnk")));
        return;
    }
    int d = 0;
    for (int i = 0; i < n; i++)
        if (text_equal_ci(verbs[i], "open")) d = i;
    char text[REG_VERB_BUF + 32];
    text_format_cut(text, sizeof text, "実行 - %s (&O) \t O", texts[d]);
    item(m, 340 + d, text, false);
    if (n < 2) return;
    HMENU others = CreatePopupMenu();
    for (int i = 0; i < n; i++)
        if (i != d) item(others, 340 + i, texts[i], false);
    AppendMenuA(m, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(others), "実行 - その他(&G)");
}

HMENU build_file_context_menu(int index)
{
    if (index < 0 || index >= L.count || !L.names) return nullptr;
    HMENU m = CreatePopupMenu();
    if (m) fill_file_context_menu(m, index);
    return m;
}

void fill_file_context_menu(HMENU m, int index)
{
    if (index < 0 || index >= L.count || !L.names) return;
    file_kind* k = list_entry_kind(index);
    viewer_state_record& v = viewer_state;
    int mode = viewer_now.mode;
    bool list = mode == 0, view = v.actual_view != nullptr;
    bool t = L.tree_depth != 0, r = in_read_only_archive() != 0;
    bool p = k && k->plain, image = k && k->image_kind != 0;
    const char* name = L.names[index];
    item(m, 312, "拡大(&Z) \t Enter", !(list || (mode == 1 && !view)));
    item(m, 313, "フルスクリーン(&F) \t F", viewer_now.full_screen != 0);
    separator(m);
    if (mode == 1) {
        int fit = max_actual_divisor(v);
        if (view)
            item(m, 451, "原寸(&1) \t Enter", v.actual_divisor == 1 || fit < 1);
        else
            item(m, 451, "原寸(&1) \t 1, Enter", fit < 1);
        for (int n = 2; n <= 8; n *= 2) {
            char text[32];
            text_format(text, sizeof text, "1/%d(&%d) \t %d", n, n, n);
            item(m, 450 + n, text, (view && v.actual_divisor == n) || n > fit);
        }
        separator(m);
    }
    if (list) {
        if (p) item(m, 280, "フォルダに変換(&B)", r || t);
        if (!p && !is_drive_root(name)) {
            bool wild = strchr(name, '*') != nullptr;
            item(m, 310, "フォルダから出す(&B)", r || t || wild);
            item(m, 315, "先頭ファイル名に変更(&R)", r || t || wild);
        }
        if (!at_drive_list()) {
            if (p && k->archive) {
                int kind = archive_kind_of(name);
                int available = kind >= 0 ? archive_kind_ready(kind) : 0;
                item(m, 155, "解凍(&X)", !available);
                // Only some archivers make self-extracting archives (zip and tar cannot).
                _lha* archiver = available ? open_archiver_for(name) : nullptr;
                item(m, 156, "自己解凍書庫の作成(&S)", !archiver || archiver->kind != 1);
            } else {
                HMENU pack = CreatePopupMenu();
                const char* const labels[4] = {"LHA(&P)", "ZIP(&Z)", "CAB(&C)", "TGZ(&T)"};
                for (int i = 0; i < 4; i++) item(pack, 151 + i, labels[i], archive_kind_ready(i) <= 1);
                AppendMenuA(m, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(pack), "圧縮(&P)");
            }
            if (p && has_extension(name, ".txt"))
                item(m, 282, "テキストファイルの編集(&E)", r);
            else
                item(m, 281, "コメントファイル作成(&E)", r);
        }
        separator(m);
    }
    HMENU copy = CreatePopupMenu();
    item(copy, 355, "原寸で(&C)", false);
    item(copy, 356, "表示サイズで(&S)", false);
    AppendMenuA(m, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(copy), "クリップボードにコピー(&C)");
    add_shell_verbs(m, name, p);
    if (is_drive_root(name)) return;
    HMENU send = CreatePopupMenu();
    fill_send_to_menu(send);
    AppendMenuA(m, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(send), "送る(&T)");
    separator(m);
    HMENU turn = CreatePopupMenu();
    item(turn, 115, "右回転(&R)", !(p && image));
    item(turn, 116, "左回転(&L)", !(p && image));
    AppendMenuA(m, MF_POPUP | MF_STRING | (p && image ? 0 : MF_GRAYED), reinterpret_cast<UINT_PTR>(turn), "回転(&R)");
    char full[PATH_BUF];
    if (!is_plain_entry_name(name) && entry_full_path(index, full) && has_extension(full, ".layer"))
        item(m, 316, "重ねない(&O)", false);
    else
        item(m, 316, "重ねる(&O)", p);
    item(m, 110, "形式を変えて保存(&A) \t A", !(p && image));
    item(m, 283, "ページの分割(&S)", !(p && image && (has_extension(name, ".tif") || has_extension(name, ".tiff"))));
    item(m, 190, "色数を数える(&N)", !(p && image));
    if (list) {
        separator(m);
        item(m, 330, "名前変更(&M) \t F2", r);
        item(m, 332, "更新時刻の変更(&U) \t Ctrl+F2", r || !p);
    }
    if (mode == 1 && view) return;
    separator(m);
    item(m, 162, "選択/解除(&S) \t Ctrl+Enter", false);
    item(m, 335, "ここまで選択(&H) \t Ctrl+Shift+Enter", false);
    bool folder = !p;
    if (list &&
        (folder || (p && k->archive && archive_kind_of(name) >= 0 && archive_kind_ready(archive_kind_of(name)) > 1)))
        item(m, 311, "選択をこの中へ移動(&I) \t Shift+Enter", (L.marks && L.marks[index]) || L.selected_count <= 0);
    return;
}
