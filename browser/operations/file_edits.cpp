// The text-file and time-stamp editors of the list (see inplace_edit.h).
// The text editor opens only a file it can hold whole, so a commit never
// writes back less than the file had; the new text replaces the file only
// once it is written completely.
#include "browser/operations/inplace_edit.h"
#include "browser/model/browser_list.h"
#include "browser/model/dialog_items.h"
#include "browser/model/file_kind.h"
#include "browser/grid/grid.h"
#include "browser/model/paths.h"
#include "files/files.h"
#include "graphics/kavtrel.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

int run_inplace_edit_loop(HWND edit, WPARAM commit_char);
static int text_ime_state = 0;

static HWND main_window()
{
    HWND page = _page_hwnd(browser_list.page ? browser_list.page : 1);
    return page ? GetParent(page) : nullptr;
}

int load_text_for_edit(const char* path, char* out, size_t cap)
{
    out[0] = 0;
    FILE* f = fopen(path, "rb");
    if (!f) return 0;
    char line[TEXT_EDIT_LINE + 1];
    size_t used = 0;
    bool fits = true;
    while (fits && fgets(line, sizeof line, f)) {
        size_t n = strlen(line);
        bool ended = n > 0 && line[n - 1] == '\n';
        if (!ended && !feof(f)) {
            fits = false;
            break;
        }  // a line longer than the editor reads at once
        trim_right(line);
        if (!ended && line[0] == 0) break;  // an empty last line adds nothing
        n = strlen(line);
        if (used + n + 2 >= cap) {
            fits = false;
            break;
        }
        memcpy(out + used, line, n);
        memcpy(out + used + n, "\r\n", 2);
        used += n + 2;
    }
    fclose(f);
    out[fits ? used : 0] = 0;
    return fits ? 1 : 0;
}

// Writes the text beside the file and moves it over the file.
static int replace_file_text(const char* path, const char* text, size_t length)
{
    char base[PATH_BUF], temp[PATH_BUF];
    if (!text_format(base, sizeof base, "%s.zote-edit", path) || !make_unique_name(temp, base)) return 0;
    FILE* f = fopen(temp, "wb");
    if (!f) return 0;
    bool ok = fwrite(text, 1, length, f) == length;
    ok = fclose(f) == 0 && ok;
    if (!ok || !MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temp);
        return 0;
    }
    return 1;
}

int edit_text_file_in_list(const char* path, int x, int y, int width, int height)
{
    if (file_size(path) > TEXT_EDIT_BUF) return 0;
    std::vector<char> text(TEXT_EDIT_BUF);
    if (!load_text_for_edit(path, text.data(), text.size())) return 0;
    HFONT font;
    HWND edit = create_inplace_edit(x, y, width, height, "", "ＭＳ ゴシック", ES_MULTILINE | ES_AUTOVSCROLL, &font);
    if (!edit) return 0;
    SendMessageA(edit, EM_LIMITTEXT, TEXT_EDIT_BUF - 1, 0);  // typing stops where the commit would cut
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.data()));
    HWND main = main_window();
    if (main) set_ime_open(main, text_ime_state);
    int committed = run_inplace_edit_loop(edit, 10);  // Ctrl+Enter
    int length = committed ? GetWindowTextA(edit, text.data(), static_cast<int>(text.size())) : 0;
    if (main) read_ime_state_and_release(main, &text_ime_state);
    destroy_inplace_edit(edit, font);
    if (!committed) return 0;
    return replace_file_text(path, text.data(), static_cast<size_t>(length));
}

// A decimal field ended by end or by the text's end.
static bool read_field(const char*& p, int* value, char end)
{
    char* after;
    long v = strtol(p, &after, 10);
    if (after == p || (*after != end && *after != 0)) return false;
    if (v < -100000 || v > 100000) return false;
    *value = static_cast<int>(v);
    p = *after ? after + 1 : after;
    return true;
}

int parse_time_text(const char* text_in, SYSTEMTIME* time)
{
    char text[64];
    if (!text_copy(text, text_in)) return 0;
    trim(text);
    if (!text[0]) return 0;
    SYSTEMTIME t = *time;
    t.wMilliseconds = 0;
    std::vector<char*> fields;
    for (char* p = strtok(text, " "); p; p = strtok(nullptr, " ")) fields.push_back(p);
    if (fields.size() > 4) return 0;
    int v;
    const int low[] = {1601, 1, 1}, high[] = {30827, 12, 31};
    WORD* date[] = {&t.wYear, &t.wMonth, &t.wDay};
    for (size_t i = 0; i < fields.size() && i < 3; i++) {
        const char* p = fields[i];
        if (!read_field(p, &v, ' ') || *p || v < low[i] || v > high[i]) return 0;
        *date[i] = static_cast<WORD>(v);
    }
    if (fields.size() == 4) {
        const char* p = fields[3];
        const int limit[] = {23, 59, 59};
        WORD* clock[] = {&t.wHour, &t.wMinute, &t.wSecond};
        for (int i = 0; i < 3 && *p; i++) {
            if (!read_field(p, &v, ':') || v < 0 || v > limit[i]) return 0;
            *clock[i] = static_cast<WORD>(v);
        }
        if (*p) return 0;
    }
    *time = t;
    return 1;
}

static int text_width(HWND edit, const char* text)
{
    HDC dc = GetDC(edit);
    if (!dc) return 0;
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(edit, WM_GETFONT, 0, 0)));
    SIZE s = {0, 0};
    GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &s);
    SelectObject(dc, old);
    ReleaseDC(edit, dc);
    return s.cx;
}

int edit_file_time_in_list(const char* path, int display_mode, int x, int y, int width, int height)
{
    SYSTEMTIME t;
    file_local_systime(path, &t);
    if (t.wYear == 0) return 0;
    char full[64], drawn[64];
    text_format(full, sizeof full, "%04d %02d %02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                t.wSecond);
    if (display_mode == 1)
        text_format(drawn, sizeof drawn, "%04d %02d %02d", t.wYear, t.wMonth, t.wDay);
    else if (display_mode == 2)
        text_format(drawn, sizeof drawn, "%04d %02d %02d %02d:%02d  ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
    else
        text_copy(drawn, full);
    HFONT font;
    HWND edit = create_inplace_edit(x, y, width, height, full, "ＭＳ Ｐゴシック", ES_NUMBER, &font);
    if (!edit) return 0;
    // Over the date as the cell draws it (right-aligned), wide enough for the full form.
    int left = x + width - text_width(edit, drawn) - 4;
    int wide = text_width(edit, full) + 8;
    MoveWindow(edit, left, y, wide > x + width - left ? wide : x + width - left, height, TRUE);
    HWND main = main_window();
    if (main) set_ime_open(main, 0);
    int committed = run_inplace_edit_loop(edit, VK_RETURN);
    char text[64] = "";
    GetWindowTextA(edit, text, sizeof text);
    destroy_inplace_edit(edit, font);
    return committed && parse_time_text(text, &t) && set_file_local_systime(path, &t) ? 1 : 0;
}

int edit_text_command(int index)
{
    browser_list_record& l = browser_list;
    if (index < 0 || index >= l.count) return 0;
    cell_rect r = text_area_rect(index);
    char path[PATH_BUF];
    return full_path(path, sizeof path, l.names[index]) && edit_text_file_in_list(path, r.x, r.y, r.width, r.height);
}

int edit_time_command(int index)
{
    browser_list_record& l = browser_list;
    if (index < 0 || index >= l.count || !is_plain_entry_name(l.names[index])) return 0;
    cell_rect r = detail_line_rect(index);
    char path[PATH_BUF];
    return full_path(path, sizeof path, l.names[index]) &&
           edit_file_time_in_list(path, l.time, r.x, r.y, r.width, r.height + 4);
}
