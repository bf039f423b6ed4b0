// Message boxes through the seam, and the print-settings file dialogs and the
// folder picker driven headless: a second thread finds the dialog of this
// process, reads its title, folder, filter, owner and the number of items its
// list shows, types a name and presses a button.
#include "files/files.h"
#include "files/internal.h"  // a multiple selection is rewritten directly
#include "graphics/kavtrel.h"
#include "base/holders.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <commdlg.h>
#include <commctrl.h>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

HWND seen_owner;
UINT seen_type;
std::string seen_text, seen_title;
int box_answer;

int recording_box(HWND owner, const char* text, const char* title, UINT type)
{
    seen_owner = owner;
    seen_type = type;
    seen_text = text;
    seen_title = title;
    return box_answer;
}

struct seam {
    scoped_restore<int (*)(HWND, const char*, const char*, UINT)> keep{kavtrel_message_box};
    explicit seam(int answer)
    {
        box_answer = answer;
        kavtrel_message_box = recording_box;
    }
};

// What the driver thread saw and what it does.
struct dialog_driver {
    std::string type;         // text for the file-name field; empty: none
    WPARAM button = IDOK;     // IDOK or IDCANCEL; 0: WM_CLOSE
    bool file_dialog = true;  // the folder picker takes the same message numbers otherwise
    std::string selected;     // folder picker: wait until its tree selects this name
    std::string title, folder, filter;
    int listed = -1;  // file dialog: the items its list shows
    HWND owner = nullptr;
    bool found = false;
    std::string failure;  // why the driver could not press, or ""
    HANDLE thread = nullptr;

    static BOOL CALLBACK find_edit(HWND w, LPARAM out)
    {
        char cls[32];
        if (GetClassNameA(w, cls, sizeof cls) && lstrcmpiA(cls, "Edit") == 0) {
            *reinterpret_cast<HWND*>(out) = w;
            return FALSE;
        }
        return TRUE;
    }
    static BOOL CALLBACK find_list(HWND w, LPARAM out)
    {
        char cls[32];
        if (GetClassNameA(w, cls, sizeof cls) && strcmp(cls, WC_LISTVIEWA) == 0) {
            *reinterpret_cast<HWND*>(out) = w;
            return FALSE;
        }
        return TRUE;
    }
    static BOOL CALLBACK find_tree(HWND w, LPARAM out)
    {
        char cls[32];
        if (GetClassNameA(w, cls, sizeof cls) && strcmp(cls, WC_TREEVIEWA) == 0) {
            *reinterpret_cast<HWND*>(out) = w;
            return FALSE;
        }
        return TRUE;
    }
    // The text of the tree's selected item ("" when there is none).
    static std::string selected_text(HWND dlg)
    {
        HWND tree = nullptr;
        EnumChildWindows(dlg, find_tree, reinterpret_cast<LPARAM>(&tree));
        HTREEITEM item = tree ? TreeView_GetSelection(tree) : nullptr;
        char text[PATH_BUF] = "";
        TVITEMA tv = {};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = sizeof text;
        if (!item || !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv))) return "";
        return text;
    }
    // Whether the dialog is ready for the press: its OK button enabled, a
    // file dialog showing its folder, and the picker's tree showing the start
    // folder (it selects it while the tree fills; OK before that returns
    // another folder).
    bool ready(HWND dlg) const
    {
        HWND ok = GetDlgItem(dlg, IDOK);
        if (!ok || !IsWindowEnabled(ok)) return false;
        if (file_dialog) {
            char folder_now[PATH_BUF] = "";
            return SendMessageA(dlg, CDM_GETFOLDERPATH, sizeof folder_now, reinterpret_cast<LPARAM>(folder_now)) > 1;
        }
        return selected.empty() || selected_text(dlg) == selected;
    }
    static void act(dialog_driver* d, HWND dlg)
    {
        if (!d->type.empty()) {
            HWND edit = nullptr;
            HWND name_box = GetDlgItem(dlg, cmb13);
            if (!name_box) name_box = GetDlgItem(dlg, edt1);
            if (name_box) {
                char cls[32];
                GetClassNameA(name_box, cls, sizeof cls);
                if (lstrcmpiA(cls, "Edit") == 0)
                    edit = name_box;
                else
                    EnumChildWindows(name_box, find_edit, reinterpret_cast<LPARAM>(&edit));
            }
            if (edit) SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(d->type.c_str()));
        }
        if (d->button)
            PostMessageA(dlg, WM_COMMAND, d->button, 0);
        else
            PostMessageA(dlg, WM_CLOSE, 0, 0);
    }
    // Polls cond every 50 ms for at most a minute (a cold start of the shell
    // can take long); false when it never held.
    template <class Cond> static bool wait_until(Cond cond)
    {
        for (int i = 0; i < 1200; i++) {
            if (cond()) return true;
            Sleep(50);
        }
        return cond();
    }
    static HWND dialog_of_process() { return bench::visible_dialog_of_process(); }
    static DWORD WINAPI run(void* p)
    {
        auto* d = static_cast<dialog_driver*>(p);
        HWND dlg = nullptr;
        if (!wait_until([&] { return (dlg = dialog_of_process()) != nullptr; })) {
            d->failure = "no dialog appeared";
            return 0;
        }
        d->found = true;
        if (!wait_until([&] { return d->ready(dlg); })) {
            d->failure = "the dialog never became ready (selected: \"" + selected_text(dlg) + "\")";
            PostMessageA(dlg, WM_CLOSE, 0, 0);
            return 0;
        }
        char buf[PATH_BUF];
        GetWindowTextA(dlg, buf, sizeof buf);
        d->title = buf;
        d->owner = GetWindow(dlg, GW_OWNER);
        if (d->file_dialog) {
            buf[0] = 0;
            SendMessageA(dlg, CDM_GETFOLDERPATH, sizeof buf, reinterpret_cast<LPARAM>(buf));
            d->folder = buf;
            buf[0] = 0;
            GetDlgItemTextA(dlg, cmb1, buf, sizeof buf);
            d->filter = buf;
            HWND list = nullptr;
            EnumChildWindows(dlg, find_list, reinterpret_cast<LPARAM>(&list));
            if (list) d->listed = int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        }
        act(d, dlg);
        // One press, once ready: a dialog still open after it is a failure,
        // closed so that the test goes on.
        if (!wait_until([&] { return !IsWindow(dlg); })) {
            d->failure = "the dialog stayed open after the press";
            PostMessageA(dlg, WM_CLOSE, 0, 0);
        }
        return 0;
    }
    void start() { thread = CreateThread(nullptr, 0, run, this, 0, nullptr); }
    void finish()
    {
        if (thread) {
            WaitForSingleObject(thread, INFINITE);  // the driver's own waits are bounded
            CloseHandle(thread);
            thread = nullptr;
        }
    }
};

struct owner_window {
    HWND w;
    owner_window()
    {
        w = CreateWindowA("STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                          nullptr, nullptr);
    }
    ~owner_window() { DestroyWindow(w); }
};

}  // namespace

TEST(Dialogs, MessageBoxesThroughTheSeam)
{
    scoped_restore keep_owner(message_box_owner);
    message_box_owner = reinterpret_cast<HWND>(0x1234);
    {
        seam s(IDOK);
        msg_info("題名", "%d 個の%s", 3, "画像");
        EXPECT_EQ(seen_title, "題名");
        EXPECT_EQ(seen_text, "3 個の画像");
        EXPECT_EQ(seen_type, (UINT)(MB_OK | MB_ICONINFORMATION));
        EXPECT_EQ(seen_owner, reinterpret_cast<HWND>(0x1234));
    }
    {
        seam s(IDYES);
        EXPECT_EQ(msg_yesno("q", "delete %s?", "x"), 1);
        EXPECT_EQ(seen_type, (UINT)(MB_YESNO | MB_ICONQUESTION));
    }
    {
        seam s(IDNO);
        EXPECT_EQ(msg_yesno("q", "x"), 0);
    }
    {
        seam s(IDCANCEL);
        EXPECT_EQ(msg_yesno("q", "x"), -1);
        // A text past the 2048-byte buffer is cut, never overrun.
        std::string big(5000, 'x');
        msg_info("t", "%s", big.c_str());
        EXPECT_EQ(seen_text.size(), 2047u);
    }
}

TEST(Dialogs, MultipleSelectionIsReordered)
{
    char buffer[64] = {};
    memcpy(buffer, "F\\ps\0a\0b\0c\0", 12);
    EXPECT_EQ(reorder_multi_selection(buffer, sizeof buffer), 4);
    EXPECT_STREQ(buffer, "F\\ps\\b");
    EXPECT_STREQ(buffer + 7, "c");
    EXPECT_STREQ(buffer + 9, "a");
    EXPECT_EQ(buffer[11], 0);
    memcpy(buffer, "C:\\\0a\0b\0\0", 10);
    EXPECT_EQ(reorder_multi_selection(buffer, sizeof buffer), 3);
    EXPECT_STREQ(buffer, "C:\\b");
    EXPECT_STREQ(buffer + 5, "a");
    memcpy(buffer, "C:\\x\\one\0\0", 11);
    EXPECT_EQ(reorder_multi_selection(buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "C:\\x\\one");
}

// The options each file dialog was asked with; the real dialog runs.
DWORD asked_flags;
BOOL WINAPI open_and_note(OPENFILENAMEA* ofn)
{
    asked_flags = ofn->Flags;
    return GetOpenFileNameA(ofn);
}
BOOL WINAPI save_and_note(OPENFILENAMEA* ofn)
{
    asked_flags = ofn->Flags;
    return GetSaveFileNameA(ofn);
}

TEST(Dialogs, LoadDialogHeadless)
{
    scoped_restore keep_call(open_file_dialog_call);
    open_file_dialog_call = open_and_note;
    current_folder_kept keep;  // the file dialog moves the current folder
    bench::scratch_dir dir;
    dir.write("a", "1");
    dir.write("b", "2");
    dir.write("c", "3");
    owner_window owner;
    static char buffer[PRINT_SETTINGS_SELECTION_BUF];
    dialog_driver d;
    d.type = "\"a\" \"b\" \"c\"";
    d.start();
    int n = load_print_settings_dialog(buffer, dir.path(), owner.w);
    d.finish();
    EXPECT_EQ(d.failure, "");
    ASSERT_TRUE(d.found);
    EXPECT_EQ(d.title, "印刷設定の読込");
    EXPECT_EQ(d.owner, owner.w);
    EXPECT_EQ(d.filter, "印刷設定ﾌｧｲﾙ");
    EXPECT_EQ(d.listed, 3) << "the files a, b and c";
    EXPECT_EQ(d.folder, std::string(dir.path()));
    EXPECT_EQ(asked_flags & (OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST), (DWORD)(OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST));
    ASSERT_EQ(n, 4);
    EXPECT_EQ(std::string(buffer), dir.file("b"));
    EXPECT_EQ(print_settings_selection, buffer);
    EXPECT_STREQ(print_settings_next, "c");
    EXPECT_STREQ(print_settings_next + 2, "a");

    dialog_driver cancel;
    cancel.button = IDCANCEL;
    cancel.start();
    EXPECT_EQ(load_print_settings_dialog(buffer, dir.path(), owner.w), 0);
    cancel.finish();
    EXPECT_EQ(cancel.failure, "");
    EXPECT_EQ(print_settings_selection, nullptr);
    EXPECT_EQ(print_settings_next, nullptr);
}

TEST(Dialogs, SaveDialogHeadless)
{
    current_folder_kept keep;  // the file dialog moves the current folder
    bench::scratch_dir dir;
    owner_window owner;
    scoped_restore keep_owner(message_box_owner);
    message_box_owner = owner.w;
    scoped_restore keep_call(save_file_dialog_call);
    save_file_dialog_call = save_and_note;
    char name[PATH_BUF] = "ユーザー設定";
    dialog_driver d;
    d.start();
    EXPECT_EQ(save_print_settings_dialog(nullptr, dir.path(), name), 1);
    d.finish();
    EXPECT_EQ(d.failure, "");
    EXPECT_EQ(d.title, "印刷設定の保存");
    EXPECT_EQ(d.owner, owner.w);
    EXPECT_EQ(std::string(name), dir.file("ユーザー設定"));
    // A settings file is saved under a new name: the file need not exist, its folder must.
    EXPECT_EQ(asked_flags & (OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST), (DWORD)OFN_PATHMUSTEXIST);
    EXPECT_EQ(GetFileAttributesA(name), INVALID_FILE_ATTRIBUTES);

    dialog_driver cancel;
    cancel.button = IDCANCEL;
    cancel.start();
    EXPECT_EQ(save_print_settings_dialog(nullptr, dir.path(), name), 0);
    cancel.finish();
    EXPECT_EQ(cancel.failure, "");
    EXPECT_EQ(std::string(name), dir.file("ユーザー設定"));
}

// The child reports what the driver saw instead of pressing.
static int driver_failed(const dialog_driver& d)
{
    printf("%s\n", d.failure.c_str());
    return 18;
}

// The picker runs in a fresh process: a shell that has already listed a
// folder in a file dialog may not know a subfolder made since. Its folder
// lies outside the user's profile, which Wine's picker cannot preselect in.
struct picker_folder {
    std::string top, sub;
    picker_folder()
    {
        char name[64];
        snprintf(name, sizeof name, "C:\\zote-pick-%lu", GetCurrentProcessId());
        top = name;
        sub = top + "\\画像";
        CreateDirectoryA(top.c_str(), nullptr);
        CreateDirectoryA(sub.c_str(), nullptr);
        // Each folder is listed once now, as a folder a user picks has been:
        // the first listing after a change moves the folder's access time,
        // which the shell's items carry and the picker compares byte for
        // byte. A move between parsing the start folder and filling the tree
        // would leave the tree with no selection.
        for (const std::string* f : {&top, &sub}) {
            WIN32_FIND_DATAA found;
            HANDLE h = FindFirstFileA((*f + "\\*").c_str(), &found);
            if (h != INVALID_HANDLE_VALUE) FindClose(h);
        }
    }
    ~picker_folder() { bench::remove_tree(top); }
};

ZOTE_CHILD(folder_picker)
{
    picker_folder dir;
    const std::string& sub = dir.sub;
    if (GetFileAttributesA(sub.c_str()) == INVALID_FILE_ATTRIBUTES) return 10;
    owner_window owner;
    CoInitialize(nullptr);
    char folder[PATH_BUF];
    text_copy(folder, sub.c_str());
    dialog_driver d;
    d.file_dialog = false;
    d.selected = "画像";
    d.start();
    int chosen = browse_for_folder(owner.w, folder, "フォルダの選択");
    d.finish();
    if (!d.failure.empty()) return driver_failed(d);
    if (chosen != 1) return 11;
    if (d.owner != owner.w) return 12;
    if (std::string(folder) != sub) {
        printf("chose \"%s\"\n", folder);
        return 13;
    }

    dialog_driver cancel;
    cancel.file_dialog = false;
    cancel.button = IDCANCEL;
    cancel.start();
    int cancelled = browse_for_folder(owner.w, folder, "フォルダの選択");
    cancel.finish();
    if (!cancel.failure.empty()) return driver_failed(cancel);
    if (cancelled != 0) return 14;
    if (std::string(folder) != sub) return 15;

    // An empty buffer opens without a preselection; OK gives some folder.
    folder[0] = 0;
    dialog_driver plain;
    plain.file_dialog = false;
    plain.start();
    int any = browse_for_folder(owner.w, folder, "フォルダの選択");
    plain.finish();
    if (!plain.failure.empty()) return driver_failed(plain);
    if (!plain.found) return 16;
    if (any == 1 && !folder[0]) return 17;
    CoUninitialize();
    return 0;
}

TEST(Dialogs, FolderPickerOpensAtTheFolder)
{
    bench::child_result r = bench::run_child("folder_picker", 240000);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_code, 0u) << r.output;
}
