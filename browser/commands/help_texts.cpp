// The help line of the browser: the kind text of the entry under the mouse,
// the help text for the entry, gap, corner or page halves, and the toolbar
// buttons' texts. The texts are the status line's; nothing here acts.
#include "browser/commands/keys.h"
#include "browser/model/browser_list.h"
#include "browser/model/file_kind.h"
#include "browser/grid/grid.h"
#include "browser/commands/toolbar.h"
#include "browser/model/paths.h"
#include "browser/grid/selection.h"
#include "browser/model/viewer_now.h"
#include "files/files.h"

static browser_list_record& L = browser_list;

static const char* const kind_short_names[17] = {
    "BMP", "CUR", "EMF", "GIF", "ICO", "JPG", "MAG", "PDD", "PDF", "PI", "PIC", "P2", "PNG", "PSD", "Q4", "TIF", "WMF",
};

void entry_kind_text(const file_kind_base* k, char* out, size_t cap)
{
    char first[128];
    if (k->drive_root) {
        text_copy(out, cap, "ﾄﾞﾗｲﾌﾞ");
    } else if (!k->plain) {
        text_copy(first, format_image_size(k, 0));
        text_format_cut(out, cap, "ﾌｫﾙﾀﾞ %s %s", first, format_archive_count(k));
    } else if (k->image_kind >= 1 && k->image_kind <= 17) {
        text_format_cut(out, cap, "%s %s", kind_short_names[k->image_kind - 1], format_image_size(k, 0));
    } else if (k->shortcut) {
        text_format_cut(out, cap, "ﾘﾝｸ %s", format_size(k->file_size));
    } else if (k->archive) {
        text_format_cut(out, cap, "圧縮 %.0d+%.0d %s", k->summary.image_count, k->summary.other_count,
                        format_size(k->file_size));
    } else if (k->text) {
        // Only JIS and EUC are named; ASCII, Shift-JIS and an unknown code show none.
        const char* code = k->kanji_code == 1 ? "JIS" : k->kanji_code == 2 ? "EUC" : "";
        text_format_cut(out, cap, "%sﾃｷｽﾄ %s", code, format_size(k->file_size));
    } else {
        text_format_cut(out, cap, "ﾌｧｲﾙ %s", format_size(k->file_size));
    }
}

// The help text for an entry, by its kind, its mark and whether anything is marked.
static const char* entry_help(const file_kind_base* k, bool marked, bool any)
{
    if (k->drive_root) return "ﾀﾞﾌﾞﾙｸﾘｯｸ=ﾄﾞﾗｲﾌﾞに入る｜右ｸﾘｯｸ,App,M=ﾒﾆｭｰ";
    if (!k->plain) {
        if (marked) return "ﾀﾞﾌﾞﾙｸﾘｯｸ=ﾌｫﾙﾀﾞに入る｜Ctrl+ｸﾘｯｸ=選択解除";
        return any ? "ﾀﾞﾌﾞﾙｸﾘｯｸ=入る｜Ctrl(+Shift)+ｸﾘｯｸ=(ここ迄)選択｜Shift+ｸﾘｯｸ=中へ移動｜右ｸﾘｯｸ,App,M=ﾒﾆｭｰ"
                   : "ﾀﾞﾌﾞﾙｸﾘｯｸ=ﾌｫﾙﾀﾞに入る｜Ctrl+ｸﾘｯｸ=選択｜右ｸﾘｯｸ,App,M=ﾒﾆｭｰ";
    }
    if (k->image_kind)
        return marked ? "ﾀﾞﾌﾞﾙｸﾘｯｸ=拡大｜Ctrl+ｸﾘｯｸ=選択解除｜右ｸﾘｯｸ,App,M=ﾒﾆｭｰ"
                      : "ﾀﾞﾌﾞﾙｸﾘｯｸ=拡大｜Ctrl(+Shift)+ｸﾘｯｸ=(ここ迄)選択｜右ｸﾘｯｸ,App,M=ﾒﾆｭｰ";
    if (k->archive) {
        if (marked) return "ﾀﾞﾌﾞﾙｸﾘｯｸ=ﾌｫﾙﾀﾞに入る｜Ctrl+ｸﾘｯｸ=選択解除｜右ｸﾘｯｸ,App,M=ﾒﾆｭｰ";
        return any ? "ﾀﾞﾌﾞﾙｸﾘｯｸ=ﾌｫﾙﾀﾞに入る｜Ctrl(+Shift)+ｸﾘｯｸ=(ここ迄)選択｜Shift+ｸﾘｯｸ=中へ移動｜右ｸﾘｯｸ,App,M=ﾒﾆｭｰ"
                   : "ﾀﾞﾌﾞﾙｸﾘｯｸ=ﾌｫﾙﾀﾞに入る｜Ctrl(+Shift)+ｸﾘｯｸ=(ここ迄)選択｜右ｸﾘｯｸ,App,M=ﾒﾆｭｰ";
    }
    return marked ? "ﾀﾞﾌﾞﾙｸﾘｯｸ=開く｜Ctrl+ｸﾘｯｸ=選択解除｜右ｸﾘｯｸ,App,M=ﾒﾆｭｰ"
                  : "ﾀﾞﾌﾞﾙｸﾘｯｸ=開く｜Ctrl(+Shift)+ｸﾘｯｸ=(ここ迄)選択｜右ｸﾘｯｸ,App,M=ﾒﾆｭｰ";
}

// Outside every cell: the gap, the first cell's corner, the page halves.
static const char* background_help(HWND window, hit_record* hit)
{
    if (L.tree_depth == 0 && L.selected_count > 0 && near_cell_gap(hit))
        return "Shift+ｸﾘｯｸ=ここへ移動｜右ｸﾘｯｸ,App,M=履歴";
    if (in_first_cell_corner(*hit))
        return current_folder.desktop_exact ? "右ｸﾘｯｸ,App,M=履歴" : "ｸﾘｯｸ=親ﾌｫﾙﾀﾞへ｜右ｸﾘｯｸ,App,M=履歴";
    if (L.count > L.per_page)
        return in_upper_half(window, *hit) ? "ｸﾘｯｸ=前頁へ｜Alt+ｸﾘｯｸ=前の選択画像の頁へ｜右ｸﾘｯｸ,App,M=履歴"
                                           : "ｸﾘｯｸ=次頁へ｜Alt+ｸﾘｯｸ=次の選択画像の頁へ｜右ｸﾘｯｸ,App,M=履歴";
    return "右ｸﾘｯｸ,App,M=履歴";
}

void list_help_texts(HWND window, LPARAM position, char* help, char* kind, size_t cap)
{
    help[0] = kind[0] = 0;
    hit_record hit;
    hit_test_list_cell(position, &hit);
    if (hit.x < L.left_margin) {
        if (hit.y >= L.top_margin) text_format_cut(kind, cap, "一覧ｻｲｽﾞ %d*%d", int(L.thumb_size), int(L.thumb_size));
        return;
    }
    if (hit.y < L.top_margin) return;
    if (!hit.on_entry) {
        text_copy(help, cap, background_help(window, &hit));
        return;
    }
    // Over a cell the kind shows; the entry's help only near its centre.
    file_kind* k = list_entry_kind(hit.index);
    const file_kind_base* t = k->target();
    if (on_name_line(hit)) {
        char line[2 * PATH_BUF];
        if (format_name_with_target(k, line, sizeof line)) {
            replace_all(line, "\\", "/");
            text_copy(kind, cap, line);
        }
    } else {
        entry_kind_text(t, kind, cap);
    }
    if (near_cell_centre(hit))
        text_copy(help, cap, entry_help(t, is_marked(hit.index), L.selected_count > 0));
    else
        text_copy(help, cap, background_help(window, &hit));
}

static int list_mode() { return viewer_now.mode == 0; }

static void button_help(int n, char* out, size_t cap)
{
    bool list = list_mode();
    switch (n) {
    case 1: text_copy(out, cap, "親ﾌｫﾙﾀﾞへ(BackSpace)"); return;
    case 2: text_copy(out, cap, L.settings.all ? "画像のみ表示する(H)" : "画像以外も表示する(H)"); return;
    case 3: text_copy(out, cap, "元のｻｲｽﾞに戻す(0)"); return;
    case 4: text_copy(out, cap, list ? "一覧ｻｲｽﾞを大きくする(;)" : "画像の倍率を大きくする(;)"); return;
    case 5: text_copy(out, cap, list ? "一覧ｻｲｽﾞを小さくする(-)" : "画像の倍率を小さくする(-)"); return;
    default: break;
    }
    if (list) {
        int k = n - 5;
        if (k < 10)
            text_format_cut(out, cap, "一覧ｻｲｽﾞを横 %d 枚分にする(%d)", k, k);
        else
            text_format_cut(out, cap, "一覧ｻｲｽﾞを横 %d 枚分にする", k);
    } else {
        int z = 1 << (n - 6 < 30 ? n - 6 : 30);
        if (z == 1)
            text_format_cut(out, cap, "画像を 1/%d 倍に表示する(%d, Enter)", z, z);
        else
            text_format_cut(out, cap, "画像を 1/%d 倍に表示する(%d)", z, z);
    }
}

static void tree_switch_help(char* out, size_t cap)
{
    const char* menu = current_folder.drive_list ? "履歴" : "ﾌｫﾙﾀﾞ";
    if (!list_mode())
        text_format_cut(out, cap, "右ｸﾘｯｸ,App,M=%sﾒﾆｭｰ｜Ctrl+ｸﾘｯｸ=新規ｳｲﾝﾄﾞｳ", menu);
    else if (L.tree_depth == 0)
        text_format_cut(out, cap, "ｸﾘｯｸ=ｻﾌﾞﾌｫﾙﾀﾞを全展開｜右ｸﾘｯｸ,App,M=%sﾒﾆｭｰ｜Ctrl+ｸﾘｯｸ=新規ｳｲﾝﾄﾞｳ", menu);
    else
        text_format_cut(out, cap, "ｸﾘｯｸ=ｻﾌﾞﾌｫﾙﾀﾞを全てたたむ｜右ｸﾘｯｸ,App,M=%sﾒﾆｭｰ｜Ctrl+ｸﾘｯｸ=新規ｳｲﾝﾄﾞｳ", menu);
}

int toolbar_help_text(toolbar_hit hit, char* out, size_t cap)
{
    static const char* const special[] = {
        "ｸﾘｯｸ=ﾃﾞｽｸﾄｯﾌﾟへ｜右ｸﾘｯｸ,App,M=履歴",
        "ｸﾘｯｸ=ﾏｲ ﾄﾞｷｭﾒﾝﾄへ｜右ｸﾘｯｸ,App,M=履歴",
        "ｸﾘｯｸ,L=ﾏｲ ｺﾝﾋﾟｭｰﾀへ｜右ｸﾘｯｸ,App,M=履歴",
        "ｸﾘｯｸ,Esc=ﾌｫﾙﾀﾞ選択ﾂﾘｰ｜右ｸﾘｯｸ,App,M=履歴",
    };
    out[0] = 0;
    switch (hit.kind) {
    case BAR_BUTTON: button_help(hit.number, out, cap); break;
    case BAR_LEFT_MARGIN: return 1;
    case BAR_PATH_SEGMENT: text_copy(out, cap, "ｸﾘｯｸ=親ﾌｫﾙﾀﾞへ｜右ｸﾘｯｸ,App,M=ﾌｫﾙﾀﾞﾒﾆｭｰ｜Ctrl+ｸﾘｯｸ=新規ｳｲﾝﾄﾞｳ"); break;
    case BAR_HISTORY_BACK: text_copy(out, cap, "ｸﾘｯｸ=履歴を戻したﾌｫﾙﾀﾞへ｜右ｸﾘｯｸ,App,M=履歴"); break;
    case BAR_HISTORY_FORWARD: text_copy(out, cap, "ｸﾘｯｸ=履歴を進めたﾌｫﾙﾀﾞへ｜右ｸﾘｯｸ,App,M=履歴"); break;
    case BAR_SPECIAL:
        if (hit.number < 1 || hit.number > 4) return 0;
        text_copy(out, cap, special[hit.number - 1]);
        break;
    case BAR_TREE_SWITCH: tree_switch_help(out, cap); break;
    case BAR_TREE_LEVEL:
        text_copy(out, cap,
                  hit.number > 0 ? "ｸﾘｯｸ=展開されたｻﾌﾞﾌｫﾙﾀﾞをここまでたたむ"
                                 : "ｸﾘｯｸ=ｻﾌﾞﾌｫﾙﾀﾞを展開する｜右ｸﾘｯｸ,App,M=ｻﾌﾞﾌｫﾙﾀﾞﾒﾆｭｰ");
        break;
    default: return 0;
    }
    return 1;
}

int bar_help_text(HWND, LPARAM position, char* out, size_t cap)
{
    return toolbar_help_text(toolbar_hit_at(short(LOWORD(position)), short(HIWORD(position))), out, cap);
}
