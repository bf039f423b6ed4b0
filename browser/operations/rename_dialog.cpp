// Dialog 113, the batch rename of the selection (command 236). The pattern,
// the first number and the check box are kept for the run.
#include "browser/model/numbering.h"
#include "browser/model/browser_list.h"
#include "browser/model/dialog_items.h"
#include "browser/model/paths.h"
#include "base/cptext.h"
#include "graphics/kavtrel.h"
#include "resources/small_dialogs.h"

static struct {
    char pattern[DIALOG_TEXT_BUF];
    char first[DIALOG_TEXT_BUF];
    int change_prefix;
} rename_fields = {"", "1", 0};

static INT_PTR CALLBACK batch_rename_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        SendDlgItemMessageA(dialog, IDC_FIELD0, EM_LIMITTEXT, DIALOG_TEXT_BUF - 1, 0);
        SendDlgItemMessageA(dialog, IDC_FIELD1, EM_LIMITTEXT, DIALOG_TEXT_BUF - 1, 0);
        SetDlgItemTextA(dialog, IDC_FIELD0, rename_fields.pattern);
        SetDlgItemTextA(dialog, IDC_FIELD1, rename_fields.first);
        set_dlg_check(dialog, IDC_CHECK0, rename_fields.change_prefix);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    if (LOWORD(wparam) == IDOK) {
        get_dlg_text(dialog, IDC_FIELD0, rename_fields.pattern, sizeof rename_fields.pattern);
        get_dlg_text(dialog, IDC_FIELD1, rename_fields.first, sizeof rename_fields.first);
        rename_fields.change_prefix = get_dlg_check(dialog, IDC_CHECK0);
        EndDialog(dialog, 1);
    } else if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, 0);
    }
    return TRUE;
}

int batch_rename_dialog(HWND owner, char* const* names, int count, unsigned char* marks)
{
    INT_PTR r = DialogBoxParamA(kavtrel_instance, MAKEINTRESOURCEA(IDD_BATCH_RENAME), owner, batch_rename_proc, 0);
    ime_off();
    if (r != 1) return 0;
    return rename_selected(rename_fields.pattern, rename_fields.first, rename_fields.change_prefix, names, count,
                           marks);
}

int batch_rename_command()
{
    browser_list_record& l = browser_list;
    if (!l.marks || l.selected_count < 2) return 0;
    HWND page = _page_hwnd(l.page ? l.page : 1);
    return batch_rename_dialog(page ? GetParent(page) : nullptr, l.names, l.count, l.marks) > 0;
}
