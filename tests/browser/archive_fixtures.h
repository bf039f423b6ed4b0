// Shared pieces of the tests of archives opened as folders: archives made by
// the real tools at build time (D:\tests\archives), copied into a scratch
// folder, and the stand-ins' listing.
#pragma once
#include "browser/archives/archive_folder.h"
#include "files/files.h"
#include "tests/archiver/archiver_fixtures.h"
#include "tests/browser/list_fixtures.h"
#include "tests/browser/paste_fixtures.h"
#include <utility>

namespace archive_folder_test {

using archiver_test::fixture;
using archiver_test::read_tree;
using archiver_test::tree_file;
using paste_fixture::dialog_robot;

// The list state and this process's work folder, once.
inline void prepare()
{
    static bool done = false;
    if (done) return;
    done = true;
    // The bench starts tests in a folder Windows cannot name again.
    SetCurrentDirectoryA(bench::exe_folder().c_str());
    list_fixture::reset_list();
    // Failed and refused write-backs say so in message boxes (so may the start-up).
    bench::install_message_box_seam(IDOK);
    setup_archive_work_folders();
}

// A copy of a fixture archive in the scratch folder.
inline std::string copy_fixture(const bench::scratch_dir& dir, const std::string& name)
{
    std::string to = dir.file(name);
    CopyFileA(fixture(name).c_str(), to.c_str(), FALSE);
    return to;
}

// The list of a folder's entries with the one named name alone marked, as
// the user leaves it before compress-into or a copy to the clipboard.
struct one_marked {
    list_fixture::in_folder at;
    int all = browser_list.settings.all;
    one_marked(const std::string& folder, const std::string& name) : at(folder.c_str())
    {
        browser_list.settings.all = 1;  // every file is listed, not only images
        list_fixture::listing();
        selection_reset();
        for (int i = 0; i < browser_list.count; i++)
            if (name == browser_list.names[i]) browser_list.marks[i] = 1, browser_list.selected_count = 1;
    }
    ~one_marked()
    {
        selection_free();
        browser_list_set_entries(nullptr, 0);
        browser_list.settings.all = all;
    }
    one_marked(const one_marked&) = delete;
    one_marked& operator=(const one_marked&) = delete;
};

// The file at path alone on the clipboard, copied by the browser's own writer.
inline int put_on_clipboard(const std::string& path)
{
    char folder[PATH_BUF];
    if (!parent_folder(path.c_str(), folder)) return 0;
    one_marked marked(folder, file_name_of(path.c_str()));
    return copy_or_cut_to_clipboard(0);
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
        if (!n.empty() && n.back() != '\\') out.push_back({n, info.original_size});
    }
    lha->close_archive(h);
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace archive_folder_test
