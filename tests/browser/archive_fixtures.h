// Shared pieces of the tests of archives opened as folders: archives made by
// the real tools at build time (D:\tests\archives), copied into a scratch
// folder, the stand-ins' listing, and a robot thread that answers the
// password dialog.
#pragma once
#include "browser/archive_folder.h"
#include "tests/archiver/archiver_fixtures.h"
#include "tests/browser/list_fixtures.h"
#include <atomic>
#include <thread>
#include <utility>

namespace archive_folder_test {

using archiver_test::fixture;
using archiver_test::read_tree;
using archiver_test::tree_file;

// The list state and this process's work folder, once.
inline void prepare()
{
    static bool done = false;
    if (done) return;
    done = true;
    // The bench starts tests in a folder Windows cannot name again.
    SetCurrentDirectoryA(bench::exe_folder().c_str());
    list_fixture::reset_list();
    setup_archive_work_folders();
}

// A copy of a fixture archive in the scratch folder.
inline std::string copy_fixture(const bench::scratch_dir& dir, const std::string& name)
{
    std::string to = dir.file(name);
    CopyFileA(fixture(name).c_str(), to.c_str(), FALSE);
    return to;
}

// Members as the stand-in lists them: backslash names with their sizes.
inline std::vector<std::pair<std::string, DWORD>> listed_members(const std::string& archive)
{
    std::vector<std::pair<std::string, DWORD>> out;
    _lha* lha = open_archiver_for(archive.c_str());
    if (!lha) return out;
    HARC h = lha->open_archive(nullptr, archive.c_str(), ARCHIVE_OPEN_MODE);
    if (!h) return out;
    archive_member_info info;
    for (int r = lha->find_first(h, &info); r == 0; r = lha->find_next(h, &info)) {
        std::string n = info.name;
        for (char& c : n)
            if (c == '/') c = '\\';
        if (!n.empty() && n.back() != '\\') out.push_back({ n, info.original_size });
    }
    lha->close_archive(h);
    std::sort(out.begin(), out.end());
    return out;
}

// Answers every password dialog that appears while it lives: with the
// answer (OK) or, when it is empty, with a cancel. Counts the dialogs.
class password_robot {
public:
    explicit password_robot(std::string answer) : answer_(std::move(answer)), thread_([this] { run(); }) {}
    ~password_robot()
    {
        stop_ = true;
        thread_.join();
    }
    int seen() const { return seen_; }

private:
    void run()
    {
        while (!stop_) {
            HWND d = FindWindowA("#32770", "パスワード");
            if (d && IsWindowVisible(d)) {
                seen_++;
                if (answer_.empty()) {
                    PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
                } else {
                    SetDlgItemTextA(d, 1000, answer_.c_str());
                    SetDlgItemTextA(d, 1002, answer_.c_str());
                    PostMessageA(d, WM_COMMAND, IDOK, 0);
                }
                while (IsWindow(d) && !stop_) Sleep(10);
            }
            Sleep(10);
        }
    }
    std::string answer_;
    std::atomic<bool> stop_{ false };
    std::atomic<int> seen_{ 0 };
    std::thread thread_;
};

}  // namespace archive_folder_test
