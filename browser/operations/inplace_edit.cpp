// The in-list editors' control, message loop and the rename editor (see
// inplace_edit.h). The loop ends as a cancel on Escape, on the loss of focus,
// on the close command (also when another instance sends it) and on WM_QUIT,
// which it puts back for the program's own loop.
#include "browser/operations/inplace_edit.h"
#include "browser/caches/thumb_cache.h"
#include "browser/model/browser_list.h"
#include "browser/model/comment_files.h"
#include "browser/model/dialog_items.h"
#include "browser/model/file_kind.h"
#include "browser/grid/grid.h"
#include "browser/model/numbering.h"
#include "browser/model/paths.h"
#include "files/files.h"
#include "graphics/kavtrel.h"

enum { CLOSE_COMMAND = 65501, EDIT_FONT_HEIGHT = 12 };

static struct {
    int active;
} edit_loop;

static HWND main_window()
{
    HWND page = _page_hwnd(browser_list.page ? browser_list.page : 1);
    return page ? GetParent(page) : nullptr;
}

HWND create_inplace_edit(int x, int y, int width, int height, const char* text, const char* face, DWORD style,
                         HFONT* font)
{
    *font = nullptr;
    HWND parent = page_drawing_window(browser_list.page ? browser_list.page : 1);
    if (!parent) return nullptr;
    HWND edit = CreateWindowExA(0, "EDIT", text, WS_CHILD | WS_BORDER | ES_AUTOHSCROLL | style, x, y, width, height,
                                parent, nullptr, kavtrel_instance, nullptr);
    if (!edit) return nullptr;
    *font = CreateFontA(EDIT_FONT_HEIGHT, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
    if (*font) SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(*font), FALSE);
    ShowWindow(edit, SW_SHOW);
    SetFocus(edit);
    return edit;
}

void destroy_inplace_edit(HWND edit, HFONT font)
{
    HWND main = main_window();
    if (main) set_ime_open(main, 0);
    if (edit) DestroyWindow(edit);
    if (font) DeleteObject(font);
}

static bool is_close(const MSG& m)
{
    return (m.message == WM_SYSCOMMAND && (m.wParam & 0xFFF0) == SC_CLOSE) ||
           (m.message == WM_COMMAND && LOWORD(m.wParam) == CLOSE_COMMAND);
}

int inplace_edit_active() { return edit_loop.active; }

// Runs the editor's loop until commit_char commits (1) or anything ends it
// as a cancel (0). The loop takes its messages in Unicode: a double-byte
// character typed comes read for an ANSI loop as two WM_CHAR of one byte
// each, and Wine's ANSI EDIT turns each byte into a character of its own
// (the lead byte alone into "・", a trail byte 0x5C into a backslash). In
// Unicode the control gets the character whole, as in a dialog's loop.
int run_inplace_edit_loop(HWND edit, WPARAM commit_char)
{
    edit_loop.active = 1;
    int result = 0;
    for (;;) {
        MSG m;
        _idle_before_wait();
        BOOL got = GetMessageW(&m, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(m.wParam));
            break;
        }
        if (got == -1) break;
        if (is_close(m)) {
            PostMessageA(m.hwnd, m.message, m.wParam, m.lParam);  // handled once the editor has gone
            break;
        }
        if (m.hwnd == edit && m.message == WM_CHAR) {
            if (m.wParam == commit_char) {
                result = 1;
                break;
            }
            if (m.wParam == VK_ESCAPE) break;
        }
        TranslateMessage(&m);
        DispatchMessageW(&m);
        if (GetFocus() != edit) break;
    }
    edit_loop.active = 0;
    return result;
}

// The IME open state each editor had when it last ended.
int rename_ime_state = 0;

int edit_name_in_list(const char* entry, int mode, int hide_prefix, char* out, int x, int y, int width, int height)
{
    out[0] = 0;
    char old_path[PATH_BUF], folder[PATH_BUF], shown[PATH_BUF], ext[PATH_BUF] = "", prefix[PATH_BUF] = "";
    if (!entry_listed_path(entry, old_path) || !full_path(old_path, sizeof old_path, old_path)) return 0;
    const char* comp = file_name_of(old_path);
    if (!text_copy_n(folder, sizeof folder, old_path, comp - old_path) || !text_copy(shown, comp)) return 0;
    bool file = is_plain_entry_name(entry) && !mb_strchr(entry, '*');
    char mark = 0;
    if (file) {
        mark = strip_rotation_mark(shown);
        char* dot = mb_strrchr(shown, '.');
        if (dot) {
            text_copy(ext, dot);
            *dot = 0;
        }
    } else if (has_extension(shown, ".layer")) {
        text_copy(ext, ".layer");  // put back on commit: the folder stays a layer folder
        *mb_strrchr(shown, '.') = 0;
    }
    if (mode == 0 && hide_prefix) {
        int n = number_prefix_length(shown);
        text_copy_n(prefix, sizeof prefix, shown, n);
        text_copy(shown, shown + n);
    }
    if (mode == 2) shown[0] = 0;

    HFONT font;
    HWND edit = create_inplace_edit(x, y, width, height, shown, "ＭＳ Ｐゴシック", 0, &font);
    if (!edit) return 0;
    SendMessageA(edit, EM_LIMITTEXT, PATH_BUF - 1, 0);
    HWND main = main_window();
    if (main) set_ime_open(main, rename_ime_state);
    int committed = run_inplace_edit_loop(edit, VK_RETURN);
    char text[PATH_BUF] = "";
    GetWindowTextA(edit, text, sizeof text);
    if (main) read_ime_state_and_release(main, &rename_ime_state);
    destroy_inplace_edit(edit, font);
    if (!committed) return 0;

    trim(text);
    char name[PATH_BUF], target[PATH_BUF];
    if (!text_format(name, sizeof name, "%s%s", prefix, text)) return 0;
    if (mode != 2) {
        if (mark && !text_append_format(name, sizeof name, ".%c", mark)) return 0;
        if (!text_append(name, ext)) return 0;
    }
    // A name that would leave the folder, or an item that exists, is refused.
    if (!text[0] || !is_safe_new_name(name) || !text_format(target, sizeof target, "%s%s", folder, name)) return 0;
    if (path_exists(target, 0)) return 0;
    if (!mv_file(old_path, target)) return 0;
    thumbnail_moved(old_path, target);
    if (file) move_comment_with_entry(old_path, target);
    return text_copy(out, PATH_BUF, target);
}

int rename_entry_command(int index, int mode, char* new_path)
{
    browser_list_record& l = browser_list;
    if (index < 0 || index >= l.count) return 0;
    cell_rect r = name_rect(index);
    return edit_name_in_list(l.names[index], mode, number_order_on(), new_path, r.x, r.y, r.width, r.height + 4);
}
