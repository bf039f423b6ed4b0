// The command identifiers in the order the dispatcher tests them: the
// application and navigation commands, the display commands, then the
// commands on entries (which need at least one entry). Each row keeps its
// help text beside its action, so an identifier cannot gain a menu item
// without something that carries it out.
#include "browser/command_actions.h"

#define APP(a, b, g, h, act)                \
    {                                       \
        a, b, GROUP_APP, g, h, nullptr, act \
    }
#define DISP(a, b, g, h, act)                   \
    {                                           \
        a, b, GROUP_DISPLAY, g, h, nullptr, act \
    }
#define ENTRY(a, b, h, hv, act)                   \
    {                                             \
        a, b, GROUP_ENTRY, GUARD_NONE, h, hv, act \
    }

const command_row command_table[] = {
    APP(111, 111, GUARD_NONE, "全てのZOTEを終了します．", act_quit_all),
    APP(131, 131, GUARD_NAV, "ﾊﾞｰｼﾞｮﾝ情報，動作情報を表示します．", act_version),
    APP(132, 132, GUARD_NAV, "ZOTEをｱﾝｲﾝｽﾄｰﾙ（ｼｽﾃﾑから削除）します．", act_uninstall),
    APP(1000, 1000, GUARD_NAV, "一覧するフォルダをﾀﾞｲｱﾛｸﾞﾎﾞｯｸｽで選びます．", act_open_dialog),
    // The help text depends on the jump table (drives or folders).
    APP(1001, 1030, GUARD_NONE, "フォルダに移動します．Ctrlを押しながら選ぶと新規ウインドウで開きます．", act_jump),
    APP(101, 101, GUARD_NAV, nullptr, act_drive_popup),
    APP(113, 113, GUARD_NAV, nullptr, act_subfolder_popup),
    APP(100, 100, GUARD_NONE, "現在のフォルダを新規ウインドウで表示します．", act_new_window),
    APP(2001, 2255, GUARD_NONE, "ドライブのルートを新規ウインドウで開きます．", act_new_window_drive),
    APP(247, 247, GUARD_NONE, "現在のフォルダをエクスプローラで表示します．", act_explorer),
    APP(240, 244, GUARD_NONE, "サブフォルダ/圧縮フォルダを新規作成します．", act_new_entry),
    APP(245, 245, GUARD_NONE, "テキストファイル(.txt)を新規作成します．", act_new_entry),
    APP(246, 246, GUARD_NONE, "フォルダ内のファイル一覧をフォルダ名.txtファイルに新規作成します．", act_new_entry),
    APP(230, 230, GUARD_NAV, "親フォルダへ移動します．", act_parent),
    APP(231, 231, GUARD_NAV, "デスクトップへ移動します．", act_special_folder),
    APP(232, 232, GUARD_NAV, "マイドキュメントへ移動します．", act_special_folder),
    APP(233, 233, GUARD_NAV, "ドライブ一覧(マイコンピュータ)へ移動します．", act_drive_list),
    APP(234, 234, GUARD_NAV, "ルートフォルダへ移動します．", act_root),
    APP(5101, 5101, GUARD_NAV, "履歴を戻ったフォルダへ移動します．", act_history),
    APP(5102, 5102, GUARD_NAV, "履歴を進めたフォルダへ移動します．", act_history),
    APP(5103, 5103, GUARD_NAV, "以前このフォルダで選択したファイル/フォルダを選択します．", act_history),
    APP(5000, 5199, GUARD_NAV, "このフォルダへ移動します．", act_history),
    APP(127, 127, GUARD_LIST, "[編集][コピー],[切取]したファイル/フォルダを貼り付けます．", act_paste),
    APP(129, 129, GUARD_LIST, "[編集][コピー]したファイル/フォルダのショートカットを貼り付けます．", act_paste),
    APP(130, 130, GUARD_LIST, "[編集][コピー]したファイル/フォルダのうちフォルダだけを貼り付けます．", act_paste),
    // 370's text depends on the expansion depth.
    APP(370, 370, GUARD_LIST, "サブフォルダを全て展開します．", act_expand_all),
    APP(371, 371, GUARD_LIST, "サブフォルダを1階層展開します．", act_expand_one),
    APP(372, 372, GUARD_LIST, "サブフォルダを1階層たたみます．", act_collapse_one),

    DISP(385, 385, GUARD_LIST, "チェックするとサブフォルダを先に表示します．", act_folders_first),
    DISP(380, 383, GUARD_LIST, "チェックすると表示順を変更します．", act_sort),
    DISP(384, 384, GUARD_LIST, "チェックすると表示順を変更します．", act_sort_direction),
    DISP(500, 500, GUARD_LIST, "一覧画像のサイズを任意の値に変更します．", act_size_dialog),
    // "%d" is filled with id - 700.
    DISP(701, 730, GUARD_LIST, "一覧画像のサイズを横に %d 枚表示する大きさに変更します．", act_columns),
    DISP(499, 499, GUARD_NONE, nullptr, act_more_columns),
    DISP(498, 498, GUARD_NONE, nullptr, act_fewer_columns),
    DISP(564, 699, GUARD_LIST, "一覧画像のサイズを変更します．", act_thumb_size),
    DISP(403, 403, GUARD_LIST, "ウインドウのサイズを小さくして右側と下の余白をつめます．", act_fit_window),
    DISP(135, 135, GUARD_LIST, "一時フォルダ作成するファイルキャッシュの設定を変更します．", act_cache_settings),
    DISP(137, 137, GUARD_LIST, "一時フォルダのキャッシュファイルを削除します．", act_cache_clear),
    DISP(139, 139, GUARD_LIST, "画像のキャッシュファイルをドライブに作成します．", act_drive_cache_make),
    DISP(140, 140, GUARD_LIST, "CD-R用のキャッシュファイルを作成します．", act_cdr),
    DISP(141, 141, GUARD_LIST, "ドライブのキャッシュファイルを削除します．", act_drive_cache_delete),
    DISP(142, 142, GUARD_LIST, "ドライブのキャッシュファイルをHDのキャッシュフォルダにｺﾋﾟｰします．",
         act_drive_cache_copy),
    DISP(404, 404, GUARD_NONE, "設定（ウインドウ位置，画像サイズなど）を保存します．", act_settings_save),
    DISP(405, 405, GUARD_NONE, "設定（ウインドウ位置，画像サイズなど）を初期値に戻します．", act_settings_initial),
    DISP(406, 406, GUARD_NONE, "保存されている設定（ウインドウ位置，画像サイズなど）を呼び出します．",
         act_settings_load),
    DISP(407, 407, GUARD_NONE, "現在の設定を[ファイル][設定...]メニューの初期値にします．", act_settings_global_save),
    DISP(408, 408, GUARD_NONE, "[ファイル][設定...]メニューの初期値を標準値に戻します．", act_settings_global_reset),
    DISP(700, 700, GUARD_NONE, "元のサイズに戻します．", act_columns_saved),
    DISP(379, 379, GUARD_LIST, "チェックすると画像以外のファイルを表示しません．", act_toggle_images_only),
    DISP(378, 378, GUARD_LIST, "チェックすると画像のみ表示時，ﾃｷｽﾄファイルも表示します．", act_toggle_text_files),
    DISP(350, 350, GUARD_LIST, "チェックすると隠し属性，ｼｽﾃﾑ属性のファイルも表示します．", act_toggle_hidden),
    DISP(375, 375, GUARD_LIST, "画像の日付表示を，日付→時刻→サイズ→非表示の順に切り替えます．", act_date_mode),
    DISP(397, 397, GUARD_NONE, "設定ﾀﾞｲｱﾛｸﾞﾎﾞｯｸｽを表示します．", act_options),
    DISP(3001, 3601, GUARD_NONE, "ｽﾗｲﾄﾞｼｮｰの間隔を設定します．", act_interval),
    DISP(398, 398, GUARD_NONE, "最後の画像で止めずにｽﾗｲﾄﾞｼｮｰを続けます．", act_toggle_nonstop),
    DISP(399, 399, GUARD_NONE, "ﾌﾙｽｸﾘｰﾝの画像表示領域を正方形にします（縦，横の写真が大きさで表示されます）．",
         act_toggle_square),
    DISP(450, 458, GUARD_NONE, "拡大表示のとき画像を原寸(又は1/2, 1/4, 1/8)で表示します．", act_zoom),
    DISP(3000, 3000, GUARD_NONE, "ｽﾗｲﾄﾞｼｮｰの間隔を任意の値に設定します．", act_interval_dialog),
    DISP(195, 195, GUARD_NONE, "スキャナソースを選択します．", act_scanner),
    DISP(196, 196, GUARD_NONE, "スキャナでイメージをスキャンします．", act_scanner),

    ENTRY(171, 171, "下の画像へﾏｳｽｶｰｿﾙを移動します．", nullptr, act_pointer_key),
    ENTRY(170, 170, "上の画像へﾏｳｽｶｰｿﾙを移動します．", nullptr, act_pointer_key),
    ENTRY(164, 164, "左隣の画像へﾏｳｽｶｰｿﾙを移動します．", nullptr, act_pointer_key),
    ENTRY(166, 166, "右隣の画像へﾏｳｽｶｰｿﾙを移動します．", nullptr, act_pointer_key),
    ENTRY(160, 160, "ﾏｳｽｶｰｿﾙを左上角の画像に移動します．", nullptr, act_pointer_key),
    ENTRY(161, 161, "ﾏｳｽｶｰｿﾙをファイル名の位置へ移動します．", nullptr, act_pointer_name),
    ENTRY(173, 173, "次頁へ移動します．", "次の画像を表示します．", act_next_page),
    ENTRY(172, 172, "前頁へ移動します．", "前の画像を表示します．", act_previous_page),
    ENTRY(174, 174, "先頭頁へ移動します．", "先頭の画像を表示します．", act_first_page),
    ENTRY(175, 175, "末尾頁へ移動します．", "最後の画像を表示します．", act_last_page),
    ENTRY(222, 222, "次の選択画像がある頁へ移動します．", "次の選択画像を表示します．", act_next_selected),
    ENTRY(221, 221, "前の選択画像がある頁へ移動します．", "前の選択画像を表示します．", act_previous_selected),
    ENTRY(236, 236, "選択した画像の名前をまとめて変更します．", nullptr, act_batch_rename),
    ENTRY(295, 295, "ファイル/サブフォルダ名に番号部分(数字+小括弧)を付加/除去します．", nullptr, act_number_prefixes),
    ENTRY(105, 105, "ZIP圧縮ファイルにパスワードを追加したり，変更/削除します．", nullptr, act_password),
    ENTRY(112, 112, "選択した画像を印刷します．", nullptr, act_print),
    ENTRY(250, 250, "画面を更新します．", nullptr, act_reload),
    ENTRY(251, 251, "画面を更新してフォルダ内のファイル数を数えます．", nullptr, act_count_files),
    ENTRY(120, 120, "画像の選択を全て解除します．", nullptr, act_selection),
    ENTRY(121, 121, "全ての画像とサブフォルダを選択します．", nullptr, act_selection),
    ENTRY(122, 122, "全ての画像を選択します．", nullptr, act_selection),
    ENTRY(360, 360, "ｽﾗｲﾄﾞﾓｰﾄﾞから抜けます．", nullptr, act_leave_slide),
    ENTRY(366, 366, "画像をﾌﾙｽｸﾘｰﾝでﾗﾝﾀﾞﾑ位置に表示してｽｸﾘｰﾝｾｰﾊﾞｰにします．", nullptr, act_screen_saver),
    ENTRY(367, 367, "画像をﾌﾙｽｸﾘｰﾝでｽﾗｲﾄﾞｼｮｰします．", nullptr, act_slide_show),
    ENTRY(368, 368, "選択画像のみをﾌﾙｽｸﾘｰﾝでｽﾗｲﾄﾞｼｮｰします．", nullptr, act_selected_slide_show),
    ENTRY(126, 126, "選択したファイルをｺﾋﾟｰします．別のフォルダへ貼り付ける事ができます．", nullptr, act_copy_files),
    ENTRY(128, 128, "選択したファイルを切り取ります．別のフォルダへ貼り付ける事ができます．", nullptr, act_cut_files),
    ENTRY(300, 300, "選択されたファイルをごみ箱に入れます．", nullptr, act_delete_files),
    ENTRY(301, 301, "フォルダ内のファイルをファイル名で検索します．", nullptr, act_search),

    ENTRY(280, 280, "このファイルと同じ名前のフォルダを作り，このファイルをその中へ移動します．", nullptr,
          act_folder_from_file),
    ENTRY(310, 310, "このフォルダ内のファイルを現在のフォルダに移動してフォルダを消去します．", nullptr,
          act_dissolve_folder),
    ENTRY(315, 315, "このフォルダの名前をフォルダの中の先頭のファイル名と同じ名前に変更します．", nullptr,
          act_rename_to_first),
    ENTRY(311, 311, "選択したファイル/フォルダをこのフォルダの中に移動します．", nullptr, act_move_into),
    ENTRY(281, 281, "ｺﾒﾝﾄファイル(同じ名前のﾃｷｽﾄファイル)を作り編集します．", nullptr, act_comment_file),
    ENTRY(155, 155, "圧縮ファイルを拡張子を除いたフォルダに解凍します．unlha32,unzip32,cab32,tar32.dllが必要です．",
          nullptr, act_extract),
    ENTRY(156, 156, "LHA,CAB自己解凍書庫を作成します．unlha32.dll,cab32.dllが必要です．", nullptr, act_sfx),
    // "%s" and "%s": the extension and the archiver DLL of id - 151.
    ENTRY(151, 154, "ファイル/フォルダを同名%sファイルに圧縮します．%sが必要です．", nullptr, act_pack),
    ENTRY(283, 283, "この画像を同じ名前のフォルダを作ってページ毎に分割します．", nullptr, act_split_pages),
    ENTRY(110, 110, "この画像を別の形式で保存します．", nullptr, act_save_as),
    ENTRY(190, 190, "この画像に使われている色数を数えます．", nullptr, act_count_colours),
    ENTRY(330, 330, "このファイルの名前を変更します．番号部分は変更しません．", nullptr, act_rename),
    ENTRY(331, 331, "このファイルの名前を番号部分も含めて変更します．", nullptr, act_rename),
    // 316's text depends on the entry (".layer" or not).
    ENTRY(316, 316, "フォルダの先頭画像にフォルダ内の同じサイズの画像を重ねます．", nullptr, act_layer),
    ENTRY(332, 332, "このファイルの更新時刻を変更します．日付の後に時刻が続いていますのでご注意下さい．", nullptr,
          act_edit_time),
    ENTRY(282, 282, "小さなﾃｷｽﾄファイルを直接編集します．", nullptr, act_edit_text),
    ENTRY(340, 349, "関連づけられたｱﾌﾟﾘｹｰｼｮﾝで実行します．", nullptr, act_shell_verb),
    ENTRY(5200, 5219, "この画像と選択された画像をここへ送ります．", nullptr, act_send_to),
    ENTRY(355, 355, "この画像を原寸でｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰします．", nullptr, act_copy_full),
    ENTRY(356, 356, "この画像を表示サイズでｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰします．", nullptr, act_copy_shown),
    ENTRY(312, 312, "この画像を拡大表示します．", nullptr, act_view_one),
    ENTRY(313, 313, "この画像をﾌﾙｽｸﾘｰﾝで拡大表示します．", nullptr, act_view_full),
    ENTRY(162, 162, "画像を選択します．", nullptr, act_toggle_mark),
    ENTRY(335, 335, "直前の選択された画像から，ここまで連続して選択します．", nullptr, act_select_range),
    ENTRY(115, 115, "この画像を右に90度回転します．", nullptr, act_rotate),
    ENTRY(116, 116, "この画像を左に90度回転します．", nullptr, act_rotate),
};
const int command_table_rows = sizeof command_table / sizeof command_table[0];

const command_row* find_command_row(int id)
{
    for (int i = 0; i < command_table_rows; i++)
        if (id >= command_table[i].first && id <= command_table[i].last) return &command_table[i];
    return nullptr;
}
