// The command identifiers in the order the dispatcher tests them: the
// application and navigation commands, the display commands, then the
// commands on entries (which need at least one entry). Each row keeps its
// help text beside its action, so an identifier cannot gain a menu item
// without something that carries it out.
#include "browser/commands/command_actions.h"

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
// An entry command that changes the shown folder.
#define CHANGE(a, b, h, hv, act)                    \
    {                                               \
        a, b, GROUP_ENTRY, GUARD_WRITES, h, hv, act \
    }

const command_row command_table[] = {
    APP(CM_QUIT_ALL, CM_QUIT_ALL, GUARD_NONE, "全てのZOTEを終了します．", act_quit_all),
    APP(CM_VERSION, CM_VERSION, GUARD_NAV, "ﾊﾞｰｼﾞｮﾝ情報，動作情報を表示します．", act_version),
    APP(CM_UNINSTALL, CM_UNINSTALL, GUARD_NAV, "ZOTEをｱﾝｲﾝｽﾄｰﾙ（ｼｽﾃﾑから削除）します．", act_uninstall),
    APP(CM_FOLDER_TREE, CM_FOLDER_TREE, GUARD_NAV, "一覧するフォルダをﾀﾞｲｱﾛｸﾞﾎﾞｯｸｽで選びます．", act_open_dialog),
    // The help text depends on the jump table (drives or folders).
    APP(CM_JUMP_FIRST, CM_JUMP_LAST, GUARD_NONE,
        "フォルダに移動します．Ctrlを押しながら選ぶと新規ウインドウで開きます．", act_jump),
    APP(CM_DRIVE_MENU, CM_DRIVE_MENU, GUARD_NAV, nullptr, act_drive_popup),
    APP(CM_SUBFOLDER_MENU, CM_SUBFOLDER_MENU, GUARD_NAV, nullptr, act_subfolder_popup),
    APP(CM_NEW_WINDOW, CM_NEW_WINDOW, GUARD_NONE, "現在のフォルダを新規ウインドウで表示します．", act_new_window),
    APP(CM_DRIVE_NEW_WINDOW_FIRST, CM_DRIVE_NEW_WINDOW_LAST, GUARD_NONE, "ドライブのルートを新規ウインドウで開きます．",
        act_new_window_drive),
    APP(CM_EXPLORER, CM_EXPLORER, GUARD_NONE, "現在のフォルダをエクスプローラで表示します．", act_explorer),
    APP(CM_NEW_FOLDER, CM_NEW_ARCHIVE_LAST, GUARD_WRITES, "サブフォルダ/圧縮フォルダを新規作成します．", act_new_entry),
    APP(CM_NEW_TEXT, CM_NEW_TEXT, GUARD_WRITES, "テキストファイル(.txt)を新規作成します．", act_new_entry),
    APP(CM_FOLDER_LISTING, CM_FOLDER_LISTING, GUARD_WRITES,
        "フォルダ内のファイル一覧をフォルダ名.txtファイルに新規作成します．", act_new_entry),
    APP(CM_PARENT, CM_PARENT, GUARD_NAV, "親フォルダへ移動します．", act_parent),
    APP(CM_DESKTOP, CM_DESKTOP, GUARD_NAV, "デスクトップへ移動します．", act_special_folder),
    APP(CM_PERSONAL, CM_PERSONAL, GUARD_NAV, "マイドキュメントへ移動します．", act_special_folder),
    APP(CM_DRIVE_LIST, CM_DRIVE_LIST, GUARD_NAV, "ドライブ一覧(マイコンピュータ)へ移動します．", act_drive_list),
    APP(CM_DRIVE_ROOT, CM_DRIVE_ROOT, GUARD_NAV, "ルートフォルダへ移動します．", act_root),
    APP(CM_HISTORY_BACK, CM_HISTORY_BACK, GUARD_NAV, "履歴を戻ったフォルダへ移動します．", act_history),
    APP(CM_HISTORY_FORWARD, CM_HISTORY_FORWARD, GUARD_NAV, "履歴を進めたフォルダへ移動します．", act_history),
    APP(CM_HISTORY_SELECTION, CM_HISTORY_SELECTION, GUARD_NAV,
        "以前このフォルダで選択したファイル/フォルダを選択します．", act_history),
    APP(CM_HISTORY_FIRST, CM_HISTORY_LAST, GUARD_NAV, "このフォルダへ移動します．", act_history),
    APP(CM_PASTE, CM_PASTE, GUARD_LIST | GUARD_WRITES, "[編集][コピー],[切取]したファイル/フォルダを貼り付けます．",
        act_paste),
    APP(CM_PASTE_SHORTCUTS, CM_PASTE_SHORTCUTS, GUARD_LIST | GUARD_WRITES,
        "[編集][コピー]したファイル/フォルダのショートカットを貼り付けます．", act_paste),
    APP(CM_PASTE_FOLDERS, CM_PASTE_FOLDERS, GUARD_LIST | GUARD_WRITES,
        "[編集][コピー]したファイル/フォルダのうちフォルダだけを貼り付けます．", act_paste),
    // CM_EXPAND_ALL's text depends on the expansion depth.
    APP(CM_EXPAND_ALL, CM_EXPAND_ALL, GUARD_LIST, "サブフォルダを全て展開します．", act_expand_all),
    APP(CM_EXPAND_ONE, CM_EXPAND_ONE, GUARD_LIST, "サブフォルダを1階層展開します．", act_expand_one),
    APP(CM_COLLAPSE_ONE, CM_COLLAPSE_ONE, GUARD_LIST, "サブフォルダを1階層たたみます．", act_collapse_one),

    DISP(CM_FOLDERS_FIRST, CM_FOLDERS_FIRST, GUARD_LIST, "チェックするとサブフォルダを先に表示します．",
         act_folders_first),
    DISP(CM_SORT_FIRST, CM_SORT_LAST, GUARD_LIST, "チェックすると表示順を変更します．", act_sort),
    DISP(CM_SORT_DIRECTION, CM_SORT_DIRECTION, GUARD_LIST, "チェックすると表示順を変更します．", act_sort_direction),
    DISP(CM_SIZE_DIALOG, CM_SIZE_DIALOG, GUARD_LIST, "一覧画像のサイズを任意の値に変更します．", act_size_dialog),
    // "%d" is filled with the identifier less CM_FULL_SIZE.
    DISP(CM_COLUMNS_FIRST, CM_COLUMNS_LAST, GUARD_LIST, "一覧画像のサイズを横に %d 枚表示する大きさに変更します．",
         act_columns),
    DISP(CM_SMALLER, CM_SMALLER, GUARD_NONE, nullptr, act_more_columns),
    DISP(CM_BIGGER, CM_BIGGER, GUARD_NONE, nullptr, act_fewer_columns),
    DISP(CM_THUMB_SIZE_FIRST, CM_THUMB_SIZE_LAST, GUARD_LIST, "一覧画像のサイズを変更します．", act_thumb_size),
    DISP(CM_FIT_WINDOW, CM_FIT_WINDOW, GUARD_LIST, "ウインドウのサイズを小さくして右側と下の余白をつめます．",
         act_fit_window),
    DISP(CM_CACHE_SETTINGS, CM_CACHE_SETTINGS, GUARD_LIST, "一時フォルダ作成するファイルキャッシュの設定を変更します．",
         act_cache_settings),
    DISP(CM_CACHE_CLEAR, CM_CACHE_CLEAR, GUARD_LIST, "一時フォルダのキャッシュファイルを削除します．", act_cache_clear),
    DISP(CM_DRIVE_CACHE_MAKE, CM_DRIVE_CACHE_MAKE, GUARD_LIST, "画像のキャッシュファイルをドライブに作成します．",
         act_drive_cache_make),
    DISP(CM_CDR_CACHE, CM_CDR_CACHE, GUARD_LIST | GUARD_WRITES, "CD-R用のキャッシュファイルを作成します．", act_cdr),
    DISP(CM_DRIVE_CACHE_DELETE, CM_DRIVE_CACHE_DELETE, GUARD_LIST, "ドライブのキャッシュファイルを削除します．",
         act_drive_cache_delete),
    DISP(CM_DRIVE_CACHE_COPY, CM_DRIVE_CACHE_COPY, GUARD_LIST,
         "ドライブのキャッシュファイルをHDのキャッシュフォルダにｺﾋﾟｰします．", act_drive_cache_copy),
    DISP(CM_SETTINGS_SAVE, CM_SETTINGS_SAVE, GUARD_NONE, "設定（ウインドウ位置，画像サイズなど）を保存します．",
         act_settings_save),
    DISP(CM_SETTINGS_INITIAL, CM_SETTINGS_INITIAL, GUARD_NONE,
         "設定（ウインドウ位置，画像サイズなど）を初期値に戻します．", act_settings_initial),
    DISP(CM_SETTINGS_LOAD, CM_SETTINGS_LOAD, GUARD_NONE,
         "保存されている設定（ウインドウ位置，画像サイズなど）を呼び出します．", act_settings_load),
    DISP(CM_SETTINGS_GLOBAL_SAVE, CM_SETTINGS_GLOBAL_SAVE, GUARD_NONE,
         "現在の設定を[ファイル][設定...]メニューの初期値にします．", act_settings_global_save),
    DISP(CM_SETTINGS_GLOBAL_RESET, CM_SETTINGS_GLOBAL_RESET, GUARD_NONE,
         "[ファイル][設定...]メニューの初期値を標準値に戻します．", act_settings_global_reset),
    DISP(CM_FULL_SIZE, CM_FULL_SIZE, GUARD_NONE, "元のサイズに戻します．", act_columns_saved),
    DISP(CM_IMAGES_ONLY, CM_IMAGES_ONLY, GUARD_LIST, "チェックすると画像以外のファイルを表示しません．",
         act_toggle_images_only),
    DISP(CM_TEXT_FILES, CM_TEXT_FILES, GUARD_LIST, "チェックすると画像のみ表示時，ﾃｷｽﾄファイルも表示します．",
         act_toggle_text_files),
    DISP(CM_SHOW_HIDDEN, CM_SHOW_HIDDEN, GUARD_LIST, "チェックすると隠し属性，ｼｽﾃﾑ属性のファイルも表示します．",
         act_toggle_hidden),
    DISP(CM_DATE_DISPLAY, CM_DATE_DISPLAY, GUARD_LIST, "画像の日付表示を，日付→時刻→サイズ→非表示の順に切り替えます．",
         act_date_mode),
    DISP(CM_OPTIONS, CM_OPTIONS, GUARD_NONE, "設定ﾀﾞｲｱﾛｸﾞﾎﾞｯｸｽを表示します．", act_options),
    DISP(CM_INTERVAL_FIRST, CM_INTERVAL_LAST, GUARD_NONE, "ｽﾗｲﾄﾞｼｮｰの間隔を設定します．", act_interval),
    DISP(CM_NONSTOP, CM_NONSTOP, GUARD_NONE, "最後の画像で止めずにｽﾗｲﾄﾞｼｮｰを続けます．", act_toggle_nonstop),
    DISP(CM_SQUARE, CM_SQUARE, GUARD_NONE,
         "ﾌﾙｽｸﾘｰﾝの画像表示領域を正方形にします（縦，横の写真が大きさで表示されます）．", act_toggle_square),
    DISP(CM_ZOOM_BASE, CM_ZOOM_LAST, GUARD_NONE, "拡大表示のとき画像を原寸(又は1/2, 1/4, 1/8)で表示します．", act_zoom),
    DISP(CM_INTERVAL_DIALOG, CM_INTERVAL_DIALOG, GUARD_NONE, "ｽﾗｲﾄﾞｼｮｰの間隔を任意の値に設定します．",
         act_interval_dialog),
    DISP(CM_SCAN_SOURCE, CM_SCAN_SOURCE, GUARD_NONE, "スキャナソースを選択します．", act_scanner),
    DISP(CM_SCAN, CM_SCAN, GUARD_WRITES, "スキャナでイメージをスキャンします．", act_scanner),

    ENTRY(CM_POINTER_DOWN, CM_POINTER_DOWN, "下の画像へﾏｳｽｶｰｿﾙを移動します．", nullptr, act_pointer_key),
    ENTRY(CM_POINTER_UP, CM_POINTER_UP, "上の画像へﾏｳｽｶｰｿﾙを移動します．", nullptr, act_pointer_key),
    ENTRY(CM_POINTER_LEFT, CM_POINTER_LEFT, "左隣の画像へﾏｳｽｶｰｿﾙを移動します．", nullptr, act_pointer_key),
    ENTRY(CM_POINTER_RIGHT, CM_POINTER_RIGHT, "右隣の画像へﾏｳｽｶｰｿﾙを移動します．", nullptr, act_pointer_key),
    ENTRY(CM_POINTER_HOME, CM_POINTER_HOME, "ﾏｳｽｶｰｿﾙを左上角の画像に移動します．", nullptr, act_pointer_key),
    ENTRY(CM_POINTER_NAME, CM_POINTER_NAME, "ﾏｳｽｶｰｿﾙをファイル名の位置へ移動します．", nullptr, act_pointer_name),
    ENTRY(CM_PAGE_NEXT, CM_PAGE_NEXT, "次頁へ移動します．", "次の画像を表示します．", act_next_page),
    ENTRY(CM_PAGE_BACK, CM_PAGE_BACK, "前頁へ移動します．", "前の画像を表示します．", act_previous_page),
    ENTRY(CM_FIRST_PAGE, CM_FIRST_PAGE, "先頭頁へ移動します．", "先頭の画像を表示します．", act_first_page),
    ENTRY(CM_LAST_PAGE, CM_LAST_PAGE, "末尾頁へ移動します．", "最後の画像を表示します．", act_last_page),
    ENTRY(CM_NEXT_SELECTED_PAGE, CM_NEXT_SELECTED_PAGE, "次の選択画像がある頁へ移動します．",
          "次の選択画像を表示します．", act_next_selected),
    ENTRY(CM_PREVIOUS_SELECTED_PAGE, CM_PREVIOUS_SELECTED_PAGE, "前の選択画像がある頁へ移動します．",
          "前の選択画像を表示します．", act_previous_selected),
    CHANGE(CM_BATCH_RENAME, CM_BATCH_RENAME, "選択した画像の名前をまとめて変更します．", nullptr, act_batch_rename),
    CHANGE(CM_NUMBER_PREFIXES, CM_NUMBER_PREFIXES, "ファイル/サブフォルダ名に番号部分(数字+小括弧)を付加/除去します．",
           nullptr, act_number_prefixes),
    CHANGE(CM_ARCHIVE_PASSWORD, CM_ARCHIVE_PASSWORD, "ZIP圧縮ファイルにパスワードを追加したり，変更/削除します．",
           nullptr, act_password),
    ENTRY(CM_PRINT, CM_PRINT, "選択した画像を印刷します．", nullptr, act_print),
    ENTRY(CM_RELOAD, CM_RELOAD, "画面を更新します．", nullptr, act_reload),
    ENTRY(CM_COUNT_FILES, CM_COUNT_FILES, "画面を更新してフォルダ内のファイル数を数えます．", nullptr, act_count_files),
    ENTRY(CM_CLEAR_MARKS, CM_CLEAR_MARKS, "画像の選択を全て解除します．", nullptr, act_selection),
    ENTRY(CM_SELECT_ALL, CM_SELECT_ALL, "全ての画像とサブフォルダを選択します．", nullptr, act_selection),
    ENTRY(CM_SELECT_ALL_FILTERED, CM_SELECT_ALL_FILTERED, "全ての画像を選択します．", nullptr, act_selection),
    ENTRY(CM_BACK_TO_LIST, CM_BACK_TO_LIST, "ｽﾗｲﾄﾞﾓｰﾄﾞから抜けます．", nullptr, act_leave_slide),
    ENTRY(CM_SCREEN_SAVER, CM_SCREEN_SAVER, "画像をﾌﾙｽｸﾘｰﾝでﾗﾝﾀﾞﾑ位置に表示してｽｸﾘｰﾝｾｰﾊﾞｰにします．", nullptr,
          act_screen_saver),
    ENTRY(CM_SLIDE_SHOW, CM_SLIDE_SHOW, "画像をﾌﾙｽｸﾘｰﾝでｽﾗｲﾄﾞｼｮｰします．", nullptr, act_slide_show),
    ENTRY(CM_SELECTED_SLIDE_SHOW, CM_SELECTED_SLIDE_SHOW, "選択画像のみをﾌﾙｽｸﾘｰﾝでｽﾗｲﾄﾞｼｮｰします．", nullptr,
          act_selected_slide_show),
    ENTRY(CM_COPY, CM_COPY, "選択したファイルをｺﾋﾟｰします．別のフォルダへ貼り付ける事ができます．", nullptr,
          act_copy_files),
    CHANGE(CM_CUT, CM_CUT, "選択したファイルを切り取ります．別のフォルダへ貼り付ける事ができます．", nullptr,
           act_cut_files),
    CHANGE(CM_RECYCLE, CM_RECYCLE, "選択されたファイルをごみ箱に入れます．", nullptr, act_delete_files),
    ENTRY(CM_SEARCH, CM_SEARCH, "フォルダ内のファイルをファイル名で検索します．", nullptr, act_search),

    CHANGE(CM_FOLDER_FROM_FILE, CM_FOLDER_FROM_FILE,
           "このファイルと同じ名前のフォルダを作り，このファイルをその中へ移動します．", nullptr, act_folder_from_file),
    CHANGE(CM_DISSOLVE_FOLDER, CM_DISSOLVE_FOLDER,
           "このフォルダ内のファイルを現在のフォルダに移動してフォルダを消去します．", nullptr, act_dissolve_folder),
    CHANGE(CM_RENAME_TO_FIRST, CM_RENAME_TO_FIRST,
           "このフォルダの名前をフォルダの中の先頭のファイル名と同じ名前に変更します．", nullptr, act_rename_to_first),
    CHANGE(CM_MOVE_INTO, CM_MOVE_INTO, "選択したファイル/フォルダをこのフォルダの中に移動します．", nullptr,
           act_move_into),
    CHANGE(CM_COMMENT_FILE, CM_COMMENT_FILE, "ｺﾒﾝﾄファイル(同じ名前のﾃｷｽﾄファイル)を作り編集します．", nullptr,
           act_comment_file),
    CHANGE(CM_EXTRACT, CM_EXTRACT,
           "圧縮ファイルを拡張子を除いたフォルダに解凍します．unlha32,unzip32,cab32,tar32.dllが必要です．", nullptr,
           act_extract),
    CHANGE(CM_SFX, CM_SFX, "LHA,CAB自己解凍書庫を作成します．unlha32.dll,cab32.dllが必要です．", nullptr, act_sfx),
    // "%s" and "%s": the extension and the archiver DLL of the identifier less CM_PACK_FIRST.
    CHANGE(CM_PACK_FIRST, CM_PACK_LAST, "ファイル/フォルダを同名%sファイルに圧縮します．%sが必要です．", nullptr,
           act_pack),
    CHANGE(CM_SPLIT_PAGES, CM_SPLIT_PAGES, "この画像を同じ名前のフォルダを作ってページ毎に分割します．", nullptr,
           act_split_pages),
    CHANGE(CM_SAVE_AS, CM_SAVE_AS, "この画像を別の形式で保存します．", nullptr, act_save_as),
    ENTRY(CM_COUNT_COLOURS, CM_COUNT_COLOURS, "この画像に使われている色数を数えます．", nullptr, act_count_colours),
    CHANGE(CM_RENAME, CM_RENAME, "このファイルの名前を変更します．番号部分は変更しません．", nullptr, act_rename),
    CHANGE(CM_RENAME_WITH_NUMBER, CM_RENAME_WITH_NUMBER, "このファイルの名前を番号部分も含めて変更します．", nullptr,
           act_rename),
    // CM_LAYER's text depends on the entry (".layer" or not).
    CHANGE(CM_LAYER, CM_LAYER, "フォルダの先頭画像にフォルダ内の同じサイズの画像を重ねます．", nullptr, act_layer),
    CHANGE(CM_TIME_STAMP, CM_TIME_STAMP,
           "このファイルの更新時刻を変更します．日付の後に時刻が続いていますのでご注意下さい．", nullptr,
           act_edit_time),
    CHANGE(CM_EDIT_TEXT, CM_EDIT_TEXT, "小さなﾃｷｽﾄファイルを直接編集します．", nullptr, act_edit_text),
    ENTRY(CM_SHELL_VERB_FIRST, CM_SHELL_VERB_LAST, "関連づけられたｱﾌﾟﾘｹｰｼｮﾝで実行します．", nullptr, act_shell_verb),
    ENTRY(CM_SEND_TO_FIRST, CM_SEND_TO_LAST, "この画像と選択された画像をここへ送ります．", nullptr, act_send_to),
    ENTRY(CM_COPY_FULL_SIZE, CM_COPY_FULL_SIZE, "この画像を原寸でｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰします．", nullptr, act_copy_full),
    ENTRY(CM_COPY_SHOWN, CM_COPY_SHOWN, "この画像を表示サイズでｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰします．", nullptr, act_copy_shown),
    ENTRY(CM_VIEW_ONE, CM_VIEW_ONE, "この画像を拡大表示します．", nullptr, act_view_one),
    ENTRY(CM_FULL_SCREEN, CM_FULL_SCREEN, "この画像をﾌﾙｽｸﾘｰﾝで拡大表示します．", nullptr, act_view_full),
    ENTRY(CM_MARK_ENTRY, CM_MARK_ENTRY, "画像を選択します．", nullptr, act_toggle_mark),
    ENTRY(CM_MARK_RANGE, CM_MARK_RANGE, "直前の選択された画像から，ここまで連続して選択します．", nullptr,
          act_select_range),
    CHANGE(CM_ROTATE_RIGHT, CM_ROTATE_RIGHT, "この画像を右に90度回転します．", nullptr, act_rotate),
    CHANGE(CM_ROTATE_LEFT, CM_ROTATE_LEFT, "この画像を左に90度回転します．", nullptr, act_rotate),
};
const int command_table_rows = sizeof command_table / sizeof command_table[0];

const command_row* find_command_row(int id)
{
    for (int i = 0; i < command_table_rows; i++)
        if (id >= command_table[i].first && id <= command_table[i].last) return &command_table[i];
    return nullptr;
}
