// The print dialog (resource 114): the record shown in its controls and read
// back after every change, the printer's paper and margins in its title and
// labels, the layouts, and named settings files. A field read back that still
// shows what was filled keeps its exact value, so lengths do not drift by the
// rounding to whole millimetres on every click.
#include "print/print_dialog.h"
#include "print/page_geometry.h"
#include "print/page_render.h"
#include "print/preview.h"
#include "print/print_job.h"
#include "print/print_settings.h"
#include "print/printer.h"
#include "resources/print_dialog.h"
#include "files/files.h"
#include "base/holders.h"
#include "graphics/kavtrel.h"
#include <commctrl.h>
#include <cmath>
#include <cstdlib>
#include <cstring>

static int default_load_dialog(char* buffer, const char* folder, HWND owner)
{
    return load_print_settings_dialog(buffer, folder, owner);
}
print_dialog_hook_table print_dialog_hooks = {
    .opened = nullptr,
    .open_preview = open_preview_dialog,
    .load_dialog = default_load_dialog,
    .save_dialog = save_print_settings_dialog,
};

namespace {

typedef int32_t print_settings_record::*field_ptr;
struct control_field {
    int id;
    field_ptr field;
};
struct pair_field {
    int first, second;
    field_ptr field;
};

const control_field boxes[] = {
    {IDC_PR_FRAME, &print_settings_record::frame},
    {IDC_PR_CROP, &print_settings_record::crop},
    {IDC_PR_FILL, &print_settings_record::fill_page},
    {IDC_PR_SQUARE, &print_settings_record::square_cells},
    {IDC_PR_CAPTION_NAME, &print_settings_record::caption_name},
    {IDC_PR_CAPTION_COMMENT, &print_settings_record::caption_comment},
    {IDC_PR_AT_PICTURE, &print_settings_record::caption_at_picture},
    {IDC_PR_KEEP_PREFIX, &print_settings_record::keep_number_prefix},
    {IDC_PR_HEADER_FOLDER, &print_settings_record::header_folder},
    {IDC_PR_PAGE_NUMBER, &print_settings_record::header_page_number},
    {IDC_PR_DATE, &print_settings_record::show_date},
    {IDC_PR_TIME, &print_settings_record::show_time},
    {IDC_PR_SIZE, &print_settings_record::show_size},
    {IDC_PR_CENTRE, &print_settings_record::centre_on_paper},
};
const control_field three_state[] = {
    {IDC_PR_POSTER, &print_settings_record::poster},
    {IDC_PR_QUIRK, &print_settings_record::printer_quirk},
    {IDC_PR_DIB_MODE, &print_settings_record::dib_mode},
    {IDC_PR_FIXED, &print_settings_record::fixed_cell_size},
};
const control_field numbers[] = {
    {IDC_PR_COLUMNS, &print_settings_record::columns},
    {IDC_PR_ROWS, &print_settings_record::rows},
    {IDC_PR_PAGE_BASE, &print_settings_record::page_number_base},
    {IDC_PR_START_CELL, &print_settings_record::start_cell},
    {IDC_PR_CELL_W, &print_settings_record::cell_width_mm},
    {IDC_PR_CELL_H, &print_settings_record::cell_height_mm},
};
const control_field lengths[] = {
    {IDC_PR_GAP_X, &print_settings_record::gap_x},
    {IDC_PR_GAP_Y, &print_settings_record::gap_y},
    {IDC_PR_CAPTION_FONT, &print_settings_record::caption_font},
    {IDC_PR_HEADER_FONT, &print_settings_record::header_font},
    {IDC_PR_INFO_FONT, &print_settings_record::info_font},
    {IDC_PR_HEADER_HEIGHT, &print_settings_record::header_height},
};
const control_field margins[] = {
    {IDC_PR_MARGIN_TOP, &print_settings_record::margin_top},
    {IDC_PR_MARGIN_BOTTOM, &print_settings_record::margin_bottom},
    {IDC_PR_MARGIN_LEFT, &print_settings_record::margin_left},
    {IDC_PR_MARGIN_RIGHT, &print_settings_record::margin_right},
};
const pair_field pairs[] = {
    {IDC_PR_SIZE_NATURAL, IDC_PR_SIZE_FILL, &print_settings_record::size_mode},
    {IDC_PR_HEADER_CENTRE, IDC_PR_HEADER_RIGHT, &print_settings_record::header_align},
    {IDC_PR_ALIGN_MIDDLE, IDC_PR_ALIGN_BOTTOM, &print_settings_record::align_y},
    {IDC_PR_ALIGN_CENTRE, IDC_PR_ALIGN_RIGHT, &print_settings_record::align_x},
    {IDC_PR_INFO_CENTRE, IDC_PR_INFO_RIGHT, &print_settings_record::info_align},
};

int whole_mm(int units) { return screen_px_to_tenth_mm(units) / 10; }

int read_int(HWND dialog, int id)
{
    char text[32] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    long v = strtol(text, nullptr, 10);
    return v > 0x7fffffffL ? 0x7fffffff : v < -0x7fffffffL ? -0x7fffffff : (int)v;
}

// A length: the exact value when the field still shows it, else the typed millimetres.
int read_length(HWND dialog, int id, int current)
{
    int mm = read_int(dialog, id);
    if (mm == whole_mm(current)) return current;
    return tenth_mm_to_screen_px(mm * 10.0);
}

int box_state(int value) { return value == 0 ? BST_UNCHECKED : value < 0 ? BST_INDETERMINATE : BST_CHECKED; }
int state_value(UINT state) { return state == BST_CHECKED ? 1 : state == BST_INDETERMINATE ? -1 : 0; }

void set_int(HWND dialog, int id, int value)
{
    char text[16];
    text_format(text, sizeof text, "%d", value);
    SetDlgItemTextA(dialog, id, text);
}

void enable(HWND dialog, int id, bool on) { EnableWindow(GetDlgItem(dialog, id), on); }

void read_print_margins(HWND dialog, print_settings_record* r, int flag)
{
    bool centred = IsDlgButtonChecked(dialog, IDC_PR_CENTRE) == BST_CHECKED;
    if (flag ? !centred : centred) return;
    for (const control_field& f : margins) r->*f.field = read_length(dialog, f.id, r->*f.field);
}

}  // namespace

void fill_print_dialog(HWND dialog)
{
    layout_cells();
    const print_settings_record& r = print_settings.record;
    for (const control_field& f : boxes) CheckDlgButton(dialog, f.id, r.*f.field ? BST_CHECKED : BST_UNCHECKED);
    for (const control_field& f : three_state) CheckDlgButton(dialog, f.id, box_state(r.*f.field));
    for (const control_field& f : numbers) set_int(dialog, f.id, r.*f.field);
    for (const control_field& f : lengths) set_int(dialog, f.id, whole_mm(r.*f.field));
    const int effective[] = {print_settings.margin_top, print_settings.margin_bottom, print_settings.margin_left,
                             print_settings.margin_right};
    for (int i = 0; i < 4; i++)
        set_int(dialog, margins[i].id, whole_mm(r.centre_on_paper ? effective[i] : r.*margins[i].field));
    for (const pair_field& p : pairs) {
        CheckDlgButton(dialog, p.first, r.*p.field & 1 ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, p.second, r.*p.field & 2 ? BST_CHECKED : BST_UNCHECKED);
    }
    CheckDlgButton(dialog, IDC_PR_TURN, r.turn_to_fit ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_PR_TURN_LEFT, r.turn_to_fit < 0 ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemTextA(dialog, IDC_PR_BUDGET, r.pixel_budget_text);
    SetDlgItemTextA(dialog, IDC_PR_TITLE, r.title);
    bool free_size = r.fixed_cell_size == 0;
    for (int id : {IDC_PR_COLUMNS, IDC_PR_ROWS, IDC_PR_COLUMNS_SPIN, IDC_PR_ROWS_SPIN, IDC_PR_POSTER})
        enable(dialog, id, free_size);
    enable(dialog, IDC_PR_START_CELL, r.poster == 0);
    enable(dialog, IDC_PR_FILL, r.poster == 0);
    enable(dialog, IDC_PR_TURN_LEFT, r.turn_to_fit != 0);
    SendDlgItemMessageA(dialog, IDC_PR_BUDGET, EM_SETREADONLY, r.printer_quirk == 0, 0);
}

void read_print_dialog(HWND dialog, print_settings_record* r, int margins_flag)
{
    for (const control_field& f : boxes) r->*f.field = IsDlgButtonChecked(dialog, f.id) == BST_CHECKED;
    for (const control_field& f : three_state) r->*f.field = state_value(IsDlgButtonChecked(dialog, f.id));
    for (const control_field& f : numbers) r->*f.field = read_int(dialog, f.id);
    for (const control_field& f : lengths) r->*f.field = read_length(dialog, f.id, r->*f.field);
    read_print_margins(dialog, r, margins_flag);
    for (const pair_field& p : pairs)
        r->*p.field = (IsDlgButtonChecked(dialog, p.first) == BST_CHECKED) +
                      2 * (IsDlgButtonChecked(dialog, p.second) == BST_CHECKED);
    int turn = state_value(IsDlgButtonChecked(dialog, IDC_PR_TURN));
    if (IsDlgButtonChecked(dialog, IDC_PR_TURN_LEFT) != BST_UNCHECKED) turn = -turn;
    r->turn_to_fit = turn;
    GetDlgItemTextA(dialog, IDC_PR_BUDGET, r->pixel_budget_text, sizeof r->pixel_budget_text);
    GetDlgItemTextA(dialog, IDC_PR_TITLE, r->title, sizeof r->title);
    evaluate_pixel_budget(r);
}

namespace {

// The printer's own limits by name, checked when another printer is chosen.
void apply_printer_quirks()
{
    const char* name = printer_device_name();
    if (!strcmp(name, print_settings.last_printer)) return;
    text_copy(print_settings.last_printer, name);
    print_settings_record& r = print_settings.record;
    text_copy(r.pixel_budget_text, "1152*864*20");
    r.printer_quirk = 0;
    global_lock lock(print_settings.devmode);
    const DEVMODEA* dm = (const DEVMODEA*)lock.get();
    if (!dm || dm->dmFields != DM_COLOR || dm->dmColor != DMCOLOR_COLOR) return;
    if (strstr(name, "HP DeskJet 970C")) r.printer_quirk = 1;
    if (strstr(name, "EPSON PM-770C") || strstr(name, "EPSON PM-700C")) {
        r.printer_quirk = 1;
        text_copy(r.pixel_budget_text, "1152*864*5");
    }
}

}  // namespace

void update_print_dialog(HWND dialog)
{
    HDC dc = print_settings.printer_dc;
    enable(dialog, IDOK, dc != nullptr);
    const int labels[] = {IDC_PR_LABEL_TOP, IDC_PR_LABEL_BOTTOM, IDC_PR_LABEL_LEFT, IDC_PR_LABEL_RIGHT};
    const char* const names[] = {"上", "下", "左", "右"};
    if (!dc) {
        for (int i = 0; i < 4; i++) SetDlgItemTextA(dialog, labels[i], names[i]);
        return;
    }
    double paper_w = paper_width_mm(), paper_h = paper_height_mm();
    double left = print_settings.offset_x, top = print_settings.offset_y;
    double right = std::floor((paper_w - GetDeviceCaps(dc, HORZSIZE)) * 10 - left + 0.5);
    double bottom = std::floor((paper_h - GetDeviceCaps(dc, VERTSIZE)) * 10 - top + 0.5);
    const double offsets[] = {top, bottom, left, right};
    for (int i = 0; i < 4; i++) {
        char label[32];
        text_format(label, sizeof label, "%s %2.0lf+", names[i], offsets[i] / 10);
        SetDlgItemTextA(dialog, labels[i], label);
    }
    char title[160];
    text_format_cut(title, sizeof title, "印刷 - %s%d部 %s(%dｘ%ddpi)", paper_size_text(paper_w, paper_h),
                    printer_copies(), printer_device_name(), GetDeviceCaps(dc, LOGPIXELSX),
                    GetDeviceCaps(dc, LOGPIXELSY));
    SetWindowTextA(dialog, title);
    apply_printer_quirks();
    const print_settings_record& r = print_settings.record;
    CheckDlgButton(dialog, IDC_PR_QUIRK, box_state(r.printer_quirk));
    SetDlgItemTextA(dialog, IDC_PR_BUDGET, r.pixel_budget_text);
    SendDlgItemMessageA(dialog, IDC_PR_BUDGET, EM_SETREADONLY, r.printer_quirk == 0, 0);
}

namespace {

void refresh(HWND dialog)
{
    fill_print_dialog(dialog);
    update_print_dialog(dialog);
}

void save_named(HWND dialog)
{
    current_folder_kept keep;  // the file dialog moves the current folder
    char name[PATH_BUF] = "ユーザー設定";
    if (print_dialog_hooks.save_dialog(dialog, print_settings.settings_folder, name))
        save_print_settings(&print_settings.record, name);
}

void load_named(HWND dialog)
{
    current_folder_kept keep;  // the file dialog moves the current folder
    static char selection[PRINT_SETTINGS_SELECTION_BUF];
    if (print_dialog_hooks.load_dialog(selection, print_settings.settings_folder, dialog)) {
        int other_version = 0;
        if (load_print_settings(&print_settings.record, selection, &other_version)) {
            refresh(dialog);
        } else if (other_version) {
            // Only a file that was opened and found of another version is offered for deletion.
            char path[PATH_BUF];
            if (kavtrel_message_box(
                    message_box_owner,
                    "印刷設定ファイルのバージョンが違います．\n\nこのファイルを削除してよろしいですか？",
                    "印刷設定の読込", MB_YESNO | MB_ICONEXCLAMATION) == IDYES &&
                print_settings_path(selection, path))
                DeleteFileA(path);
        }
    }
}

void apply_preset(HWND dialog, void (*preset)(print_settings_record*))
{
    preset(&print_settings.record);
    refresh(dialog);
}

void on_command(HWND dialog, int id)
{
    print_settings_record& r = print_settings.record;
    switch (id) {
    case IDOK:
        read_print_dialog(dialog, &r, 0);
        if (r.columns <= 0 || r.rows <= 0 || r.pixel_budget <= 0) return;
        layout_cells();
        if (print_dialog_hooks.open_preview(dialog)) EndDialog(dialog, 1);
        return;
    case IDCANCEL: EndDialog(dialog, 0); return;
    case IDC_PR_PRINTER:
        choose_printer(dialog, 0);
        update_print_dialog(dialog);
        break;
    case IDC_PR_DEFAULTS:
        print_settings_defaults(&r);
        refresh(dialog);
        return;
    case IDC_PR_POSTER_2X1: apply_preset(dialog, preset_poster_2x1); return;
    case IDC_PR_CONTACT: apply_preset(dialog, preset_contact_sheet); return;
    case IDC_PR_FULL_DATED: apply_preset(dialog, preset_full_page_dated); return;
    case IDC_PR_FULL_CROPPED: apply_preset(dialog, preset_full_page_cropped); return;
    case IDC_PR_STICKERS: apply_preset(dialog, preset_sticker_sheet); return;
    case IDC_PR_SAVE: save_named(dialog); return;
    case IDC_PR_LOAD: load_named(dialog); return;
    case IDC_PR_CENTRE: read_print_margins(dialog, &r, 1); break;
    }
    read_print_dialog(dialog, &r, 0);
    refresh(dialog);
}

INT_PTR CALLBACK print_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        SendDlgItemMessageA(dialog, IDC_PR_COLUMNS_SPIN, UDM_SETRANGE, 0, MAKELPARAM(32767, 1));
        SendDlgItemMessageA(dialog, IDC_PR_ROWS_SPIN, UDM_SETRANGE, 0, MAKELPARAM(32767, 1));
        refresh(dialog);
        if (print_dialog_hooks.opened) print_dialog_hooks.opened(dialog);
        return TRUE;
    case WM_COMMAND:
        // Typing in a field is read when the user clicks next, not on every key.
        if (HIWORD(wparam) != 0 && HIWORD(wparam) != 1) return FALSE;
        on_command(dialog, LOWORD(wparam));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int open_print_dialog(int count, const unsigned char* marks, int selected, char* const* names)
{
    static bool exit_registered;
    if (!exit_registered) exit_registered = atexit(release_printer) == 0;
    print_settings_init();
    print_settings.job = {count, marks, selected, names};
    load_print_settings(&print_settings.record, nullptr);
    HWND owner = _page_hwnd(1);
    INT_PTR result =
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PRINT), owner, print_dialog_proc, 0);
    if (result == 1) print_pages();
    save_print_settings(&print_settings.record, nullptr);
    return result == 1;
}
