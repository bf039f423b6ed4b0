// Dialog 206, the choices of a save in another format. Its values are kept
// for the run; the first time, the format is the source's own (none for a
// source of another kind).
#include "browser/operations/image_save.h"
#include "browser/model/browser_list.h"
#include "browser/model/dialog_items.h"
#include "browser/model/paths.h"
#include "graphics/kavtrel.h"
#include "resources/small_dialogs.h"

save_choice save_dialog_values = {SAVE_NONE, 0, 0, 1, 0, 0, 0};

static const int turn_ids[] = {IDC_TURN_0, IDC_TURN_90, IDC_TURN_180, IDC_TURN_270};

static struct {
    int source_index;
    int xdpi, ydpi, unknown;
} save_dialog_input;

static int checked_format(HWND dialog)
{
    for (int f = SAVE_BMP; f <= SAVE_TIFF; f++)
        if (IsDlgButtonChecked(dialog, IDC_FORMAT_BMP + f - 1) == BST_CHECKED) return f;
    return SAVE_NONE;
}

static int checked_turn(HWND dialog)
{
    for (int r = 0; r < 4; r++)
        if (IsDlgButtonChecked(dialog, turn_ids[r]) == BST_CHECKED) return r;
    return 0;
}

// The source's own format cannot delete the source; a JPEG turned into
// itself is turned without loss, so its quality does not apply.
static void derive_enabling(HWND dialog)
{
    int format = checked_format(dialog);
    bool own = format == save_dialog_input.source_index + 1;
    EnableWindow(GetDlgItem(dialog, IDC_CHECK0), !own);
    EnableWindow(GetDlgItem(dialog, IDC_FIELD0), !(own && format == SAVE_JPEG && checked_turn(dialog) != 0));
}

static void on_init(HWND dialog)
{
    save_choice& v = save_dialog_values;
    if (v.format >= SAVE_BMP && v.format <= SAVE_TIFF)
        CheckDlgButton(dialog, IDC_FORMAT_BMP + v.format - 1, BST_CHECKED);
    CheckDlgButton(dialog, turn_ids[v.rotation >= 0 && v.rotation < 4 ? v.rotation : 0], BST_CHECKED);
    set_dlg_int(dialog, IDC_FIELD0, v.quality);
    set_dlg_int(dialog, IDC_FIELD1, save_dialog_input.xdpi);
    set_dlg_int(dialog, IDC_FIELD2, save_dialog_input.ydpi);
    SetDlgItemTextA(dialog, IDC_NOTE, save_dialog_input.unknown ? "(解像度が不明です．この値は推定値です．)" : "");
    set_dlg_check(dialog, IDC_CHECK0, v.delete_source);
    set_dlg_check(dialog, IDC_CHECK1, v.keep_date);
    derive_enabling(dialog);
}

static void on_ok(HWND dialog)
{
    save_choice& v = save_dialog_values;
    v.format = checked_format(dialog);
    v.rotation = checked_turn(dialog);
    v.delete_source = get_dlg_check(dialog, IDC_CHECK0);
    v.keep_date = get_dlg_check(dialog, IDC_CHECK1);
    int quality = get_dlg_int(dialog, IDC_FIELD0);
    if (quality < 0 || quality > 100) {
        kavtrel_message_box(dialog, "JPEGの圧縮率が範囲外です．", "警告", MB_OK | MB_ICONINFORMATION);
        set_dlg_int(dialog, IDC_FIELD0, v.quality);
        return;
    }
    v.quality = quality;
    int x = get_dlg_int(dialog, IDC_FIELD1), y = get_dlg_int(dialog, IDC_FIELD2);
    if (x >= 0) v.xdpi = x;
    if (y >= 0) v.ydpi = y;
    EndDialog(dialog, v.format);
}

static INT_PTR CALLBACK save_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        on_init(dialog);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    int id = LOWORD(wparam);
    if (id == IDOK)
        on_ok(dialog);
    else if (id == IDCANCEL)
        EndDialog(dialog, 0);
    else if (HIWORD(wparam) == BN_CLICKED) {
        // The labels between the format buttons split their group, so the
        // buttons are kept exclusive here.
        if (id >= IDC_FORMAT_BMP && id <= IDC_FORMAT_TIF) CheckRadioButton(dialog, IDC_FORMAT_BMP, IDC_FORMAT_TIF, id);
        if (id >= IDC_TURN_0 && id <= IDC_TURN_270) CheckRadioButton(dialog, IDC_TURN_0, IDC_TURN_270, id);
        derive_enabling(dialog);
    }
    return TRUE;
}

int run_save_dialog(HWND owner, const char* source, int xdpi, int ydpi, int resolution_unknown)
{
    save_choice& v = save_dialog_values;
    if (v.rotation < 0) v.rotation = 0;
    save_dialog_input.source_index = source_format_index(source);
    if (v.format == SAVE_NONE) v.format = save_dialog_input.source_index + 1;
    save_dialog_input.xdpi = v.xdpi = xdpi;
    save_dialog_input.ydpi = v.ydpi = ydpi;
    save_dialog_input.unknown = resolution_unknown;
    INT_PTR r = DialogBoxParamA(kavtrel_instance, MAKEINTRESOURCEA(IDD_SAVE_AS), owner, save_dialog_proc, 0);
    ime_off();
    return static_cast<int>(r);
}
