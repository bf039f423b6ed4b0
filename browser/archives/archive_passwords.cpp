// The ring of ten remembered archive passwords and the two password dialogs:
// 214 sets the open archive's password (typed twice), 215 asks for one when
// an encrypted archive gave nothing. The ring lives in memory only.
#include "browser/archives/archive_folder.h"
#include "browser/model/browser_list.h"
#include "graphics/kavtrel.h"
#include <cstring>

password_ring_record password_ring;

void password_ring_add(const char* path, const char* password)
{
    password_ring_entry& e = password_ring.entries[password_ring.next];
    if (!text_copy(e.path, path) || !text_copy(e.password, password)) e.path[0] = e.password[0] = 0;
    password_ring.next = (password_ring.next + 1) % PASSWORD_RING_SIZE;
}

static password_ring_entry* ring_find(const char* path)
{
    if (!path || !path[0]) return nullptr;
    for (password_ring_entry& e : password_ring.entries)
        if (strcmp(e.path, path) == 0) return &e;  // exact bytes: double-byte safe
    return nullptr;
}

void password_ring_set(const char* path, const char* password)
{
    password_ring_entry* e = ring_find(path);
    if (!e) {
        password_ring_add(path, password);
        return;
    }
    if (!text_copy(e->password, password)) e->password[0] = 0;
}

const char* password_lookup(const char* path)
{
    password_ring_entry* e = ring_find(path);
    return e ? e->password : nullptr;
}

namespace {

struct dialog_text {
    int id;
    char text[PATH_BUF];
};

INT_PTR CALLBACK password_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    dialog_text* d = reinterpret_cast<dialog_text*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        SendDlgItemMessageA(dialog, 1000, EM_LIMITTEXT, PATH_BUF - 1, 0);
        SendDlgItemMessageA(dialog, 1002, EM_LIMITTEXT, PATH_BUF - 1, 0);
        SetDlgItemTextA(dialog, 1000, password_ring.last_typed);
        if (reinterpret_cast<dialog_text*>(lparam)->id == 214) SetDlgItemTextA(dialog, 1002, password_ring.last_typed);
        SetFocus(GetDlgItem(dialog, 1000));
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK && d) {
            char typed[PATH_BUF];
            GetDlgItemTextA(dialog, 1000, typed, PATH_BUF);
            // A password with a blank cannot go on the archiver's command
            // line: the dialog stays, without a word.
            if (strchr(typed, ' ')) return TRUE;
            if (d->id == 214) {
                char again[PATH_BUF];
                GetDlgItemTextA(dialog, 1002, again, PATH_BUF);
                if (strcmp(again, typed) != 0) {  // the confirmation must match
                    kavtrel_message_box(dialog, "パスワードが違います．再入力してください．", "警告",
                                        MB_OK | MB_ICONEXCLAMATION);
                    SetDlgItemTextA(dialog, 1000, "");
                    SetDlgItemTextA(dialog, 1002, "");
                    SetFocus(GetDlgItem(dialog, 1000));
                    return TRUE;
                }
            }
            text_copy(d->text, typed);
            text_copy(password_ring.last_typed, typed);
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wparam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

HWND dialog_owner()
{
    HWND child = _page_hwnd(browser_list.page);
    return child ? GetParent(child) : nullptr;
}

}  // namespace

int password_dialog(int id, char* out)
{
    dialog_text d = {id, {}};
    INT_PTR r = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), dialog_owner(), password_proc,
                                reinterpret_cast<LPARAM>(&d));
    if (r != IDOK) return 0;
    return text_copy(out, PATH_BUF, d.text) ? 1 : 0;
}

const char* ask_archive_password(const char* path)
{
    char typed[PATH_BUF];
    if (!password_dialog(215, typed)) return nullptr;
    password_ring_set(path, typed);
    return password_lookup(path);
}
