// Message boxes through the seam, and the print-settings file dialogs and the
// folder picker driven headless: a second thread finds the dialog of this
// process, reads its title, folder, filter and owner, types a name and
// presses a button.
#include "files/dialogs.h"
#include "graphics/kavtrel.h"
#include "files/strings.h"
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
    int (*saved)(HWND, const char*, const char*, UINT);
    explicit seam(int answer) : saved(kavtrel_message_box)
    {
        box_answer = answer;
        kavtrel_message_box = recording_box;
    }
    ~seam() { kavtrel_message_box = saved; }
};

// What the driver thread saw and what it does.
struct dialog_driver {
    std::string type;       // text for the file-name field; empty: none
    WPARAM button = IDOK;   // IDOK or IDCANCEL; 0: WM_CLOSE
    bool file_dialog = true; // the folder picker takes the same message numbers otherwise
    std::string selected;    // folder picker: wait until its tree selects this name
    std::string title, folder, filter;
    HWND owner = nullptr;
    bool found = false;
    HANDLE thread = nullptr;

    static BOOL CALLBACK find_dialog(HWND w, LPARAM out)
    {
        DWORD pid;
        GetWindowThreadProcessId(w, &pid);
        char cls[32];
        if (pid == GetCurrentProcessId() && IsWindowVisible(w) && GetClassNameA(w, cls, sizeof cls) &&
            strcmp(cls, "#32770") == 0) {
            *reinterpret_cast<HWND*>(out) = w;
            return FALSE;
        }
        return TRUE;
    }
    static BOOL CALLBACK find_edit(HWND w, LPARAM out)
    {
        char cls[32];
        if (GetClassNameA(w, cls, sizeof cls) && lstrcmpiA(cls, "Edit") == 0) {
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
    // The picker selects its start folder while its tree fills; pressing OK
    // before that would return another folder.
    static void wait_for_selection(HWND dlg, const std::string& name)
    {
        for (int i = 0; i < 200; i++) {
            HWND tree = nullptr;
            EnumChildWindows(dlg, find_tree, reinterpret_cast<LPARAM>(&tree));
            HTREEITEM item = tree ? TreeView_GetSelection(tree) : nullptr;
            char text[PATH_BUF] = "";
            TVITEMA tv = {};
            tv.mask = TVIF_TEXT;
            tv.hItem = item;
            tv.pszText = text;
            tv.cchTextMax = sizeof text;
            if (item && SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv)) && name == text) return;
            Sleep(50);
        }
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
                if (lstrcmpiA(cls, "Edit") == 0) edit = name_box;
                else EnumChildWindows(name_box, find_edit, reinterpret_cast<LPARAM>(&edit));
            }
            if (edit) SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(d->type.c_str()));
        }
        if (d->button) PostMessageA(dlg, WM_COMMAND, d->button, 0);
        else PostMessageA(dlg, WM_CLOSE, 0, 0);
    }
    static DWORD WINAPI run(void* p)
    {
        auto* d = static_cast<dialog_driver*>(p);
        HWND dlg = nullptr;
        for (int i = 0; i < 1800 && !dlg; i++) {  // a cold start of the shell can take long
            Sleep(50);
            EnumWindows(find_dialog, reinterpret_cast<LPARAM>(&dlg));
        }
        if (!dlg) return 0;
        Sleep(500);
        d->found = true;
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
        } else if (!d->selected.empty()) {
            wait_for_selection(dlg, d->selected);
        }
        act(d, dlg);
        // A dialog that missed the first press (still starting up, or a
        // message box in front of it) is pressed again, then closed.
        for (int retry = 0; retry < 60; retry++) {
            Sleep(1000);
            HWND still = nullptr;
            EnumWindows(find_dialog, reinterpret_cast<LPARAM>(&still));
            if (!still) break;
            if (retry < 5) act(d, still);
            else PostMessageA(still, WM_CLOSE, 0, 0);
        }
        return 0;
    }
    void start() { thread = CreateThread(nullptr, 0, run, this, 0, nullptr); }
    void finish()
    {
        if (thread) {
            WaitForSingleObject(thread, 120000);
            CloseHandle(thread);
            thread = nullptr;
        }
    }
};

// The file dialogs move the current folder into the scratch folder.
struct cwd_keeper {
    char saved[MAX_PATH];
    cwd_keeper() { GetCurrentDirectoryA(MAX_PATH, saved); }
    ~cwd_keeper() { SetCurrentDirectoryA(saved); }
};

struct owner_window {
    HWND w;
    owner_window() { w = CreateWindowA("STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr); }
    ~owner_window() { DestroyWindow(w); }
};

}  // namespace

TEST(Dialogs, MessageBoxesThroughTheSeam)
{
    HWND saved_owner = message_box_owner;
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
    message_box_owner = saved_owner;
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

TEST(Dialogs, LoadDialogHeadless)
{
    cwd_keeper keep;
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
    ASSERT_TRUE(d.found);
    EXPECT_EQ(d.title, "印刷設定の読込");
    EXPECT_EQ(d.owner, owner.w);
    EXPECT_EQ(d.filter, "印刷設定ﾌｧｲﾙ");
    EXPECT_EQ(d.folder, std::string(dir.path()));
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
    EXPECT_EQ(print_settings_selection, nullptr);
    EXPECT_EQ(print_settings_next, nullptr);
}

TEST(Dialogs, SaveDialogHeadless)
{
    cwd_keeper keep;
    bench::scratch_dir dir;
    owner_window owner;
    HWND saved_owner = message_box_owner;
    message_box_owner = owner.w;
    char name[PATH_BUF] = "ユーザー設定";
    dialog_driver d;
    d.start();
    EXPECT_EQ(save_print_settings_dialog(nullptr, dir.path(), name), 1);
    d.finish();
    EXPECT_EQ(d.title, "印刷設定の保存");
    EXPECT_EQ(d.owner, owner.w);
    EXPECT_EQ(std::string(name), dir.file("ユーザー設定"));

    dialog_driver cancel;
    cancel.button = IDCANCEL;
    cancel.start();
    EXPECT_EQ(save_print_settings_dialog(nullptr, dir.path(), name), 0);
    cancel.finish();
    EXPECT_EQ(std::string(name), dir.file("ユーザー設定"));
    message_box_owner = saved_owner;
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
    if (cancelled != 0) return 14;
    if (std::string(folder) != sub) return 15;

    // An empty buffer opens without a preselection; OK gives some folder.
    folder[0] = 0;
    dialog_driver plain;
    plain.file_dialog = false;
    plain.start();
    int any = browse_for_folder(owner.w, folder, "フォルダの選択");
    plain.finish();
    if (!plain.found) return 16;
    if (any == 1 && !folder[0]) return 17;
    CoUninitialize();
    return 0;
}

TEST(Dialogs, FolderPickerOpensAtTheFolder)
{
    // Wine's picker now and then fills its tree after the selection was set
    // (about one run in fifteen) and shows the desktop instead: a timing of
    // the emulated dialog, so a failed run is tried again, up to three times.
    bench::child_result r;
    for (int attempt = 0; attempt < 3; attempt++) {
        r = bench::run_child("folder_picker", 240000);
        if (!r.timed_out && r.exit_code == 0) break;
    }
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_code, 0u) << r.output;
}
