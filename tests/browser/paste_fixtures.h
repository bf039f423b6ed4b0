// A robot that answers this process's dialogs from a second thread: it waits
// (bounded) for each visible "#32770" window, optionally ticks a check box,
// and presses a button; and the marks-then-copy step of the paste tests.
#pragma once
#include "browser/archives/archive_folder.h"
#include "browser/operations/file_clipboard.h"
#include "browser/grid/selection.h"
#include "tests/browser/keys_fixtures.h"
#include "tests/support/clipboard_lock.h"
#include <cstring>

namespace paste_fixture {

// text, when given, is typed into the edit fields 1000 and 1002 first.
struct answer {
    int button;
    bool tick_all;
    const char* text = nullptr;
};

class dialog_robot {
public:
    explicit dialog_robot(std::vector<answer> answers) : answers_(std::move(answers))
    {
        thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
    }
    ~dialog_robot()
    {
        stop_ = true;
        WaitForSingleObject(thread_, 15000);
        CloseHandle(thread_);
    }
    dialog_robot(const dialog_robot&) = delete;
    dialog_robot& operator=(const dialog_robot&) = delete;
    // Dialogs answered so far.
    int answered() const { return answered_; }
    std::string last_text() const { return text_; }

private:
    static DWORD WINAPI run(void* self)
    {
        dialog_robot& r = *static_cast<dialog_robot*>(self);
        for (const answer& a : r.answers_) {
            HWND dialog = nullptr;
            for (DWORD start = GetTickCount(); !dialog && GetTickCount() - start < 10000 && !r.stop_; Sleep(20))
                dialog = bench::visible_dialog_of_process();
            if (!dialog) return 0;
            char text[1024] = "";
            GetDlgItemTextA(dialog, 1000, text, sizeof text);
            r.text_ = text;
            if (a.tick_all) SendDlgItemMessageA(dialog, 1005, BM_SETCHECK, BST_CHECKED, 0);
            if (a.text) {
                SetDlgItemTextA(dialog, 1000, a.text);
                SetDlgItemTextA(dialog, 1002, a.text);
            }
            r.answered_++;
            PostMessageA(dialog, WM_COMMAND, a.button, 0);
            for (DWORD start = GetTickCount(); IsWindow(dialog) && GetTickCount() - start < 10000; Sleep(20)) {}
        }
        return 0;
    }
    std::vector<answer> answers_;
    HANDLE thread_;
    volatile bool stop_ = false;
    volatile int answered_ = 0;
    std::string text_;
};

// Loads folder, marks the entries whose names end with one of names, and
// puts them on the clipboard (cut or copy).
inline void mark_and_put(keys_fixture::browser_page& page, const std::string& folder,
                         const std::vector<std::string>& names, int cut)
{
    page.load(folder);
    for (int i = 0; i < browser_list.count; i++)
        for (const std::string& n : names) {
            std::string name = browser_list.names[i];
            if (name.size() >= n.size() && name.compare(name.size() - n.size(), n.size(), n) == 0) toggle_mark(i);
        }
    ASSERT_EQ(browser_list.selected_count, int(names.size()));
    ASSERT_EQ(copy_or_cut_to_clipboard(cut), 1);
}

// Pastes the clipboard's files into folder.
inline int paste_into(const std::string& folder)
{
    change_folder(folder.c_str());
    cache_current_dir();
    clipboard_read_state s;
    clipboard_files_open(&s);
    int done = paste_files(&s);
    clipboard_files_close(&s);
    return done;
}

}  // namespace paste_fixture
