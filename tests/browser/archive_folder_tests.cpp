// Archives opened as folders: a zip and an LZH made by the real tools are
// opened, changed inside and written back; a failed write-back keeps the
// archive; empty and folder-only archives open without a password question;
// an encrypted one asks and remembers; two instances keep separate folders.
#include "browser/model/arccache.h"
#include "browser/operations/archive_commands.h"
#include "browser/commands/commands.h"
#include "browser/model/history.h"
#include "browser/commands/keys.h"
#include "browser/model/paths.h"
#include "browser/commands/toolbar.h"
#include "browser/operations/inplace_edit.h"
#include "tests/browser/editor_robot.h"
#include "browser/commands/window_hook.h"
#include "browser/operations/file_clipboard.h"
#include "browser/model/numbering.h"
#include "files/files.h"
#include "tests/browser/archive_fixtures.h"
#include "tests/browser/dialog_player.h"
#include "tests/support/held_file.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <memory>

using namespace archive_folder_test;

namespace {

struct edit_case {
    const char* archive;
    const char* removed;
    const char* renamed_from;
    const char* renamed_to;
    std::vector<std::string> members;  // after the write-back
};

const edit_case edit_cases[] = {
    {"images.zip", "n.txt", "p2.bmp", "p2x.bmp", {"p1.bmp", "p2x.bmp", "sub\\p3.bmp"}},
    {"images.lzh", "n.txt", "p2.bmp", "p2x.bmp", {"p1.bmp", "p2x.bmp", "sub\\p3.bmp"}},
};

struct in_work_folder {
    char saved[MAX_PATH];
    in_work_folder()
    {
        GetCurrentDirectoryA(MAX_PATH, saved);
        SetCurrentDirectoryA(archive_work.folder);
    }
    ~in_work_folder() { SetCurrentDirectoryA(saved); }
};

}  // namespace

TEST(ArchiveFolder, ChangesInsideAreWrittenBack)
{
    prepare();
    ASSERT_GE(archive_work.instance, 0);
    for (const edit_case& c : edit_cases) {
        SCOPED_TRACE(c.archive);
        bench::scratch_dir dir;
        std::string archive = copy_fixture(dir, c.archive);
        ASSERT_EQ(open_archive_as_folder(archive.c_str()), 1);
        std::string field = bench::read_file(archive_work.folder_file);
        ASSERT_EQ(field.size(), 260u);
        EXPECT_EQ(std::string(field.c_str()), archive);
        {
            in_work_folder inside;
            char shown[PATH_BUF];
            ASSERT_TRUE(archive_display_path(shown));
            EXPECT_EQ(std::string(shown), archive);
            ASSERT_TRUE(DeleteFileA(c.removed));
            ASSERT_TRUE(MoveFileA(c.renamed_from, c.renamed_to));
            ASSERT_EQ(write_back_archive(nullptr), 1);
        }
        leave_archive_folder(archive.c_str());
        EXPECT_FALSE(archiver_test::exists(archive_work.folder));

        std::vector<std::string> names;
        for (auto& m : listed_members(archive)) names.push_back(m.first);
        EXPECT_EQ(names, c.members);
        bench::scratch_dir out;
        ASSERT_TRUE(open_archiver_for(archive.c_str())->extract_all(archive.c_str(), out.path(), nullptr));
        for (const tree_file& f : read_tree(out.path())) {
            std::string original = f.name == c.renamed_to ? c.renamed_from : f.name;
            EXPECT_EQ(f.bytes, bench::read_file(fixture("pics\\" + original))) << f.name;
        }
        // The real tools read the same archive back in the archive_folder_readback step.
        CreateDirectoryA(archiver_test::written("").c_str(), nullptr);
        CopyFileA(archive.c_str(), archiver_test::written(std::string("folder_") + c.archive).c_str(), FALSE);
    }
}

TEST(ArchiveFolder, FailedWriteBackKeepsTheArchive)
{
    prepare();
    for (const char* name : {"images.zip", "images.lzh"}) {
        SCOPED_TRACE(name);
        bench::scratch_dir dir;
        std::string archive = copy_fixture(dir, name);
        std::string before = bench::read_file(archive);
        ASSERT_EQ(open_archive_as_folder(archive.c_str()), 1);
        {
            in_work_folder inside;
            ASSERT_TRUE(DeleteFileA("p1.bmp"));
            archiver_test::env_guard fail("ZOTE_ARCHIVER_FAIL", "Zip Unlha UnZip");
            EXPECT_EQ(write_back_archive(nullptr), 0);
        }
        EXPECT_EQ(bench::read_file(archive), before);
        EXPECT_EQ(read_tree(dir.path()).size(), 1u);  // nothing left beside it
        leave_archive_folder(archive.c_str());
    }
}

TEST(ArchiveFolder, EmptyingTheFolderLeavesAnEmptyArchive)
{
    prepare();
    bench::scratch_dir dir;
    std::string archive = copy_fixture(dir, "deep.zip");
    ASSERT_EQ(open_archive_as_folder(archive.c_str()), 1);
    {
        in_work_folder inside;
        ASSERT_TRUE(DeleteFileA("a.txt"));
        bench::remove_tree(std::string(archive_work.folder) + "\\sub");
        EXPECT_EQ(write_back_archive(nullptr), 1);
    }
    EXPECT_EQ(bench::read_file(archive).size(), 0u);
    leave_archive_folder(archive.c_str());
}

TEST(ArchiveFolder, ArchivesWithoutEncryptedMembersNeverAskForAPassword)
{
    prepare();
    for (const char* name : {"zero.zip", "zero.lzh", "folders.zip"}) {
        SCOPED_TRACE(name);
        bench::scratch_dir dir;
        std::string archive = copy_fixture(dir, name);
        dialog_robot robot({{IDCANCEL, false}});
        EXPECT_EQ(open_archive_as_folder(archive.c_str()), 1);
        EXPECT_EQ(robot.answered(), 0);
        leave_archive_folder(archive.c_str());
    }
}

TEST(ArchiveFolder, HostileMemberNamesStayInsideTheWorkFolder)
{
    prepare();
    for (const char* name : {"hostile.zip", "hostile.tar.gz"}) {
        SCOPED_TRACE(name);
        bench::scratch_dir dir;
        CreateDirectoryA(dir.file("deep").c_str(), nullptr);
        std::string archive = dir.file(std::string("deep\\") + name);
        CopyFileA(fixture(name).c_str(), archive.c_str(), FALSE);
        ASSERT_EQ(open_archive_as_folder(archive.c_str()), 1);
        std::vector<std::string> inside;
        // Member pictures cached by earlier tests' pages (view\) are not this archive's.
        for (const tree_file& f : read_tree(archive_work.instance_folder))
            if (f.name.compare(0, 5, "view\\") != 0) inside.push_back(f.name);
        EXPECT_EQ(inside, (std::vector<std::string>{"folder.d", "folder.m", "folder\\good.txt"}));
        EXPECT_EQ(read_tree(dir.path()).size(), 1u);
        EXPECT_FALSE(archiver_test::exists(std::string(archive_work.root) + "\\evil1.txt"));
        leave_archive_folder(archive.c_str());
    }
}

TEST(ArchiveFolder, EncryptedArchiveAsksAndRemembersThePassword)
{
    prepare();
    bench::scratch_dir dir;
    std::string archive = copy_fixture(dir, "crypt.zip");
    {
        dialog_robot robot({{IDOK, false, "sesame42"}});
        ASSERT_EQ(open_archive_as_folder(archive.c_str()), 1);
        EXPECT_EQ(robot.answered(), 1);
    }
    ASSERT_NE(password_lookup(archive.c_str()), nullptr);
    EXPECT_STREQ(password_lookup(archive.c_str()), "sesame42");
    EXPECT_EQ(bench::read_file(std::string(archive_work.folder) + "\\a.txt"), bench::read_file(fixture("src\\a.txt")));
    leave_archive_folder(archive.c_str());
    // A cancelled question removes the half-made folder; the ring is not asked again.
    password_ring = {};
    dialog_robot cancel({{IDCANCEL, false}});
    EXPECT_EQ(open_archive_as_folder(archive.c_str()), 0);
    EXPECT_EQ(cancel.answered(), 1);
    EXPECT_FALSE(archiver_test::exists(archive_work.folder));
}

TEST(PasswordRing, TheEleventhPasswordOverwritesTheFirst)
{
    password_ring = {};
    for (int i = 0; i < 11; i++) {
        std::string path = "c:\\a" + std::to_string(i) + ".zip", pw = "pw" + std::to_string(i);
        password_ring_add(path.c_str(), pw.c_str());
    }
    EXPECT_EQ(password_lookup("c:\\a0.zip"), nullptr);
    EXPECT_STREQ(password_lookup("c:\\a10.zip"), "pw10");
    EXPECT_STREQ(password_ring.entries[0].path, "c:\\a10.zip");
    EXPECT_STREQ(password_lookup("c:\\a5.zip"), "pw5");
    EXPECT_EQ(password_lookup("C:\\A5.ZIP"), nullptr);  // exact match only
    EXPECT_EQ(password_ring.next, 1);
    password_ring = {};
}

// A second process: claims its work folder, puts a file in it, says where,
// and once told to go on checks that the file is still there.
ZOTE_CHILD(twin_work_folder)
{
    char dir[MAX_PATH];
    if (!GetEnvironmentVariableA("ZOTE_TWIN_DIR", dir, sizeof dir)) return 2;
    setup_archive_work_folders();
    if (archive_work.instance < 0) return 3;
    std::string mine = std::string(archive_work.instance_folder) + "\\mine.txt";
    bench::write_file(mine, "mine");
    std::string id = std::to_string(GetCurrentProcessId());
    bench::write_file(std::string(dir) + "\\ready" + id, archive_work.instance_folder);
    for (int i = 0; i < 3000 && !archiver_test::exists(std::string(dir) + "\\go"); i++) Sleep(10);
    bench::write_file(std::string(dir) + "\\kept" + id, bench::read_file(mine) == "mine" ? "kept" : "lost");
    remove_archive_work_folder();
    return 0;
}

TEST(ArchiveFolder, InstancesStartedTogetherKeepTheirOwnWorkFolders)
{
    prepare();
    bench::scratch_dir dir;
    archiver_test::env_guard env("ZOTE_TWIN_DIR", dir.path());
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string line = std::string("\"") + self + "\" --zote-child=twin_work_folder";
    PROCESS_INFORMATION pi[2];
    for (PROCESS_INFORMATION& p : pi) {
        STARTUPINFOA si = {sizeof si};
        std::vector<char> cmd(line.begin(), line.end());
        cmd.push_back(0);
        ASSERT_TRUE(CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &p));
    }
    HANDLE both[2] = {pi[0].hProcess, pi[1].hProcess};
    for (int i = 0; i < 3000 && read_tree(dir.path()).size() < 2; i++) Sleep(10);
    bench::write_file(dir.file("go"), "");
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 30000), WAIT_OBJECT_0);
    std::vector<std::string> folders, kept;
    for (const tree_file& f : read_tree(dir.path())) {
        if (f.name.compare(0, 5, "ready") == 0) folders.push_back(f.bytes);
        if (f.name.compare(0, 4, "kept") == 0) kept.push_back(f.bytes);
    }
    for (PROCESS_INFORMATION& p : pi) {
        CloseHandle(p.hProcess);
        CloseHandle(p.hThread);
    }
    ASSERT_EQ(folders.size(), 2u);
    EXPECT_NE(folders[0], folders[1]);
    EXPECT_NE(folders[0], archive_work.instance_folder);
    EXPECT_NE(folders[1], archive_work.instance_folder);
    EXPECT_EQ(kept, (std::vector<std::string>{"kept", "kept"}));
    EXPECT_TRUE(archiver_test::exists(archive_work.view));  // ours survived their clean-up
}

TEST(ArchiveFolder, OpensInTheGridWithItsPictures)
{
    prepare();
    bench::scratch_dir dir;
    std::string archive = copy_fixture(dir, "images.zip");
    arccache_forget(archive.c_str());
    list_fixture::browser_page page(800, 600);
    ASSERT_TRUE(change_folder(dir.path()));
    load_folder(nullptr, 0, 0, nullptr, 0);
    ASSERT_EQ(browser_list.count, 1);
    {
        entry_ref shown(0);
        ASSERT_NE(shown.shown, nullptr);
        EXPECT_NE(shown.shown->archive, 0);
        EXPECT_EQ(bench::read_file(shown.path), bench::read_file(fixture("pics\\p1.bmp")));  // the cell's picture
    }
    ASSERT_TRUE(change_folder(archive.c_str()));
    load_folder(nullptr, 0, 0, nullptr, 0);
    std::vector<std::string> names;
    for (int i = 0; i < browser_list.count; i++) names.push_back(file_name_of(browser_list.names[i]));
    EXPECT_NE(std::find(names.begin(), names.end(), "p1.bmp"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "p2.bmp"), names.end());
    char shown_path[PATH_BUF];
    ASSERT_TRUE(archive_display_path(shown_path));
    EXPECT_EQ(std::string(shown_path), archive);
    std::string title = archive + "/";
    for (char& c : title)
        if (c == '\\') c = '/';
    EXPECT_EQ(page.title().compare(0, title.size(), title), 0) << page.title();
    SetCurrentDirectoryA(dir.path());
    leave_archive_folder(archive.c_str());
}

TEST(ArchiveCommands, CompressExtractAndVersions)
{
    prepare();
    bench::scratch_dir dir;
    // Compress a folder, then extract it beside: ".tar.gz" drops only ".gz".
    struct {
        const char* ext;
        const char* folder;
    } cases[] = {
        {".zip", "box"},
        {".lzh", "box"},
        {".tar.gz", "box.tar"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ext);
        dir.write("box\\a.txt", "alpha");
        ASSERT_EQ(compress_selection((dir.file("box") + "\\").c_str(), c.ext), 1);
        EXPECT_EQ(compress_selection(dir.file("box").c_str(), c.ext), 0);  // never over an existing archive
        std::string archive = dir.file("box") + c.ext;
        ASSERT_EQ(listed_members(archive).size(), 1u);
        bench::remove_tree(dir.file("box"));
        ASSERT_EQ(extract_archive(archive.c_str()), 1);
        EXPECT_EQ(bench::read_file(dir.file(c.folder) + "\\a.txt"), "alpha");
        EXPECT_EQ(extract_archive(archive.c_str()), 0);  // an existing folder is left alone
        bench::remove_tree(dir.file(c.folder));
    }
    std::string lzh = copy_fixture(dir, "images.lzh");
    EXPECT_EQ(make_self_extracting(lzh.c_str()), 1);
    EXPECT_TRUE(archiver_test::exists(dir.file("images.exe")));
    char versions[1024];
    list_archiver_versions(versions, sizeof versions);
    EXPECT_EQ(std::count(versions, versions + strlen(versions), '\n'), 4);
}

// The marked file moves into the archive; one another program holds open
// stays where it was, and the move says so with the cut paste's message; an
// archive that cannot be written leaves the file where it was, and says so.
TEST(ArchiveCommands, CompressIntoAnArchiveMovesTheSelectionIn)
{
    prepare();
    enum { FREE, HELD, UNWRITABLE };
    for (int c : {FREE, HELD, UNWRITABLE}) {
        SCOPED_TRACE(c == FREE ? "free" : c == HELD ? "held" : "unwritable");
        bench::scratch_dir dir;
        std::string archive = copy_fixture(dir, "images.zip");
        std::string before = bench::read_file(archive);
        std::string source = dir.file("新表.txt");
        dir.write("新表.txt", "fresh");
        bench::install_message_box_seam(IDOK);
        {
            one_marked marked(dir.path(), "新表.txt");
            std::unique_ptr<bench::held_file> holder;
            if (c == HELD) holder.reset(new bench::held_file(source));
            archiver_test::env_guard fail("ZOTE_ARCHIVER_FAIL", c == UNWRITABLE ? "Zip" : "");
            ASSERT_EQ(compress_into_archive(archive.c_str()), c == UNWRITABLE ? 0 : 1);
        }
        EXPECT_EQ(bench::read_file(source) == "fresh", c != FREE);
        if (c == UNWRITABLE) {
            ASSERT_EQ(bench::message_boxes.size(), 1u);
            EXPECT_EQ(bench::message_boxes[0].text,
                      archive + "\n書庫に書き戻せなかったので，選択したファイルは元の場所に残っています．");
            EXPECT_EQ(bench::read_file(archive), before);
            continue;
        }
        if (c == HELD) {
            ASSERT_EQ(bench::message_boxes.size(), 1u);
            EXPECT_EQ(bench::message_boxes[0].text,
                      "次のファイルは移動できず，元の場所に残っています．\n　\n" + source + "\n");
        } else {
            EXPECT_TRUE(bench::message_boxes.empty());
            std::vector<std::string> names;
            for (auto& m : listed_members(archive)) names.push_back(m.first);
            EXPECT_EQ(names, (std::vector<std::string>{"n.txt", "p1.bmp", "p2.bmp", "sub\\p3.bmp", "新表.txt"}));
            EXPECT_EQ(bench::read_file(std::string(archive_work.folder) + "\\新表.txt"), "fresh");
        }
        char open[PATH_BUF];
        ASSERT_TRUE(read_open_archive(open));
        EXPECT_EQ(std::string(open), archive);
        leave_archive_folder(archive.c_str());
    }
}

TEST(ArchiveCommands, NewAndEmptyPasswordsAtWriteBack)
{
    prepare();
    bench::scratch_dir dir;
    std::string archive = copy_fixture(dir, "deep.zip");
    password_ring = {};
    ASSERT_EQ(open_archive_as_folder(archive.c_str()), 1);
    _lha* zip = open_archiver_for(archive.c_str());
    {
        in_work_folder inside;
        ASSERT_EQ(write_back_archive("secret7"), 1);
        EXPECT_EQ(zip->is_encrypted(archive.c_str()), 1);
        EXPECT_STREQ(password_lookup(archive.c_str()), "secret7");
        ASSERT_EQ(write_back_archive(""), 1);
        EXPECT_EQ(zip->is_encrypted(archive.c_str()), 0);
    }
    leave_archive_folder(archive.c_str());
    password_ring = {};
}

TEST(ArchiveCommands, ClipboardStagingRebuildsThePathBelowTheFolder)
{
    prepare();
    bench::scratch_dir dir;
    std::string archive = copy_fixture(dir, "images.zip");
    ASSERT_EQ(open_archive_as_folder(archive.c_str()), 1);
    char staged[PATH_BUF], root[PATH_BUF];
    ASSERT_TRUE(zote_temp_path(root, "lzhclip"));
    {
        in_work_folder inside;
        std::string member = std::string(archive_work.folder) + "\\sub\\p3.bmp";
        ASSERT_EQ(stage_for_clipboard(member.c_str(), 0, staged), 1);
        EXPECT_EQ(bench::read_file(staged), bench::read_file(member));
    }
    // In a folder of this list's own, beside its record of the archive.
    std::string list = std::string(staged).substr(0, strlen(staged) - strlen("\\sub\\p3.bmp"));
    EXPECT_EQ(list.rfind('\\'), strlen(root)) << staged;
    char named[PATH_BUF];
    EXPECT_TRUE(read_path_record((list + ".d").c_str(), named) && archive == named);
    bench::clipboard_lock lock;
    ASSERT_EQ(put_on_clipboard(staged), 1);
    clear_clipboard_staging();  // the clipboard lists it: the staging stays
    EXPECT_TRUE(archiver_test::exists(staged));
    ASSERT_EQ(put_on_clipboard(dir.write("elsewhere.txt", "other")), 1);
    clear_clipboard_staging();  // it lists something else: the staging goes
    EXPECT_FALSE(archiver_test::exists(list));
    EXPECT_FALSE(archiver_test::exists(list + ".d"));
    leave_archive_folder(archive.c_str());
}

TEST(ArchiveFolder, PastedAndRenamedEntriesAreWrittenBack)
{
    prepare();
    bench::clipboard_lock lock;
    bench::scratch_dir dir;
    std::string archive = copy_fixture(dir, "images.zip");
    dir.write("src\\new.bmp", bench::read_file(fixture("pics\\p1.bmp")));
    keys_fixture::browser_page page(800, 600);
    paste_fixture::mark_and_put(page, dir.file("src"), {"new.bmp"}, 0);
    ASSERT_EQ(paste_fixture::paste_into(archive), 1);  // entering the archive opens it
    write_back_archive(nullptr);
    // A rename inside the work folder, as the in-list rename makes it.
    ASSERT_TRUE(MoveFileA((std::string(archive_work.folder) + "\\p2.bmp").c_str(),
                          (std::string(archive_work.folder) + "\\p2x.bmp").c_str()));
    write_back_archive(nullptr);
    std::vector<std::string> names;
    for (auto& m : listed_members(archive)) names.push_back(m.first);
    EXPECT_EQ(names, (std::vector<std::string>{"n.txt", "new.bmp", "p1.bmp", "p2x.bmp", "sub\\p3.bmp"}));
    SetCurrentDirectoryA(dir.path());
    leave_archive_folder(archive.c_str());
}

// A member cut inside an archive folder stays in the archive until a paste
// has moved it: another change written back keeps it, so does a cut given up
// (the clipboard names something else, the staging is cleared as at exit),
// and a paste where it already is moves nothing. Pasted into a subfolder it
// moves inside the archive; pasted outside it leaves the archive, written
// back from there; pasted into another archive it stays, and the paste says
// so. The archive is read back by unzip afterwards.
TEST(ArchiveFolder, CutMembersStayInTheArchiveUntilPasted)
{
    prepare();
    bench::clipboard_lock lock;
    bench::scratch_dir dir;
    std::string archive = copy_fixture(dir, "images.zip");
    keys_fixture::browser_page page(800, 600);
    page.load(archive);
    const std::string folder = archive_work.folder;
    auto members = [&] {
        std::vector<std::string> names;
        for (auto& m : listed_members(archive)) names.push_back(m.first);
        return names;
    };
    auto command_at = [&](const std::string& at, const char* marked, int id) {
        page.load(at);
        for (int i = 0; marked && i < browser_list.count; i++)
            if (std::string(file_name_of(browser_list.names[i])) == marked) toggle_mark(i);
        browser_command(0, nullptr, WM_COMMAND, id, 0);
    };
    typedef std::vector<std::string> names;

    command_at(folder, "p1.bmp", CM_CUT);
    ASSERT_TRUE(DeleteFileA((folder + "\\n.txt").c_str()));
    write_back_archive(nullptr);
    EXPECT_EQ(members(), (names{"p1.bmp", "p2.bmp", "sub\\p3.bmp"})) << "another change keeps the cut member";
    ASSERT_EQ(put_on_clipboard(dir.write("other.txt", "other")), 1);
    clear_clipboard_staging();
    EXPECT_EQ(members(), (names{"p1.bmp", "p2.bmp", "sub\\p3.bmp"})) << "a cut given up keeps it";

    command_at(folder, "p2.bmp", CM_CUT);
    command_at(folder, nullptr, CM_PASTE);
    EXPECT_EQ(members(), (names{"p1.bmp", "p2.bmp", "sub\\p3.bmp"})) << "pasted where it is";
    command_at(folder, "p2.bmp", CM_CUT);
    command_at(folder + "\\sub", nullptr, CM_PASTE);
    EXPECT_EQ(members(), (names{"p1.bmp", "sub\\p2.bmp", "sub\\p3.bmp"})) << "moved into the subfolder";
    command_at(folder, "p1.bmp", CM_CUT);
    command_at(dir.path(), nullptr, CM_PASTE);
    EXPECT_EQ(members(), (names{"sub\\p2.bmp", "sub\\p3.bmp"})) << "moved out";
    EXPECT_EQ(bench::read_file(dir.file("p1.bmp")), bench::read_file(fixture("pics\\p1.bmp")));
    // Pasted into another archive, it is a copy: it stays in its own, and the paste says so.
    command_at(folder + "\\sub", "p2.bmp", CM_CUT);
    std::string other = copy_fixture(dir, "deep.zip");
    bench::message_boxes.clear();
    command_at(other, nullptr, CM_PASTE);
    EXPECT_EQ(members(), (names{"sub\\p2.bmp", "sub\\p3.bmp"})) << "it stays in the archive it was cut in";
    std::vector<std::string> in_other;
    for (auto& m : listed_members(other)) in_other.push_back(m.first);
    EXPECT_EQ(in_other, (names{"a.txt", "p2.bmp", "sub\\p3.bmp"}));
    ASSERT_EQ(bench::message_boxes.size(), 1u);
    EXPECT_EQ(bench::message_boxes[0].text,
              "次のファイルは移動できず，元の場所に残っています．\n　\n" + archive + "\\sub\\p2.bmp\n");
    CopyFileA(archive.c_str(), archiver_test::written("folder_cut.zip").c_str(), FALSE);
    SetCurrentDirectoryA(dir.path());
    leave_archive_folder(other.c_str());
}

// The dispatcher's pack (151-154) and extract (155) commands act on the
// entry they are given and reload the list.
TEST(ArchiveCommands, TheDispatcherPacksAndExtractsTheEntry)
{
    prepare();
    bench::scratch_dir dir;
    dir.write("box\\a.txt", "alpha");
    list_fixture::browser_page page(800, 600);
    auto index_of = [](const char* name) {
        for (int i = 0; i < browser_list.count; i++)
            if (strncmp(browser_list.names[i], name, strlen(name)) == 0) return i;
        return -1;
    };
    ASSERT_TRUE(change_folder(dir.path()));
    load_folder(nullptr, 0, 0, nullptr, 0);
    int box = index_of("box\\");
    ASSERT_GE(box, 0);
    browser_command(box, nullptr, WM_COMMAND, CM_PACK_FIRST + 1, 0);
    ASSERT_EQ(listed_members(dir.file("box.zip")).size(), 1u);
    bench::remove_tree(dir.file("box"));
    load_folder(nullptr, 0, 0, nullptr, 0);
    int zip = index_of("box.zip");
    ASSERT_GE(zip, 0);
    browser_command(zip, nullptr, WM_COMMAND, CM_EXTRACT, 0);
    EXPECT_EQ(bench::read_file(dir.file("box\\a.txt")), "alpha");
    SetCurrentDirectoryA(bench::exe_folder().c_str());
}

// Command 105 through the dispatcher: dialog 214 keeps a password with a
// blank out without a word, and a confirmation that differs says so and
// empties both fields; only a password typed twice alike is set, and the
// dialog opens again showing it.
TEST(ArchiveCommands, PasswordDialogRefusesBlanksAndMismatches)
{
    prepare();
    bench::scratch_dir dir;
    std::string archive = copy_fixture(dir, "deep.zip");
    password_ring = {};
    list_fixture::browser_page page(800, 600);
    ASSERT_EQ(open_archive_as_folder(archive.c_str()), 1);
    in_work_folder inside;
    ASSERT_TRUE(change_folder(archive_work.folder));
    load_folder(nullptr, 0, 0, nullptr, 0);
    ASSERT_GE(browser_list.count, 1);
    struct attempt {
        const char* first;
        const char* again;
        size_t boxes;  // the mismatch message
        bool emptied;  // both fields emptied
    } attempts[] = {
        {"表 ソ", "表 ソ", 0, false},
        {" ", " ", 0, false},
        {"能登", "能登x", 1, true},
    };
    bench::message_boxes.clear();
    std::vector<std::string> seen;
    dialog_player::arm([&](HWND d) {
        for (const attempt& a : attempts) {
            size_t before = bench::message_boxes.size();
            dialog_player::type(d, 1000, a.first);
            dialog_player::type(d, 1002, a.again);
            dialog_player::click(d, IDOK);
            EXPECT_TRUE(IsWindowVisible(d)) << a.first;
            EXPECT_EQ(bench::message_boxes.size() - before, a.boxes) << a.first;
            std::string left = dialog_player::text_of(d, 1000) + "|" + dialog_player::text_of(d, 1002);
            EXPECT_EQ(left == "|", a.emptied) << a.first << ": " << left;
        }
        dialog_player::type(d, 1000, "表7");
        dialog_player::type(d, 1002, "表7");
        dialog_player::click(d, IDOK);
    });
    browser_command(0, nullptr, WM_COMMAND, CM_ARCHIVE_PASSWORD, 0);
    std::string shown;
    dialog_player::arm([&](HWND d) {
        shown = dialog_player::text_of(d, 1000) + "|" + dialog_player::text_of(d, 1002);
        dialog_player::click(d, IDCANCEL);
    });
    browser_command(0, nullptr, WM_COMMAND, CM_ARCHIVE_PASSWORD, 0);
    EXPECT_EQ(shown, "表7|表7") << "the dialog opens with the password last confirmed";
    ASSERT_EQ(bench::message_boxes.size(), 1u);
    EXPECT_EQ(bench::message_boxes[0].text, "パスワードが違います．再入力してください．");
    EXPECT_EQ(bench::message_boxes[0].title, "警告");
    ASSERT_NE(password_lookup(archive.c_str()), nullptr);
    EXPECT_STREQ(password_lookup(archive.c_str()), "表7");
    EXPECT_EQ(open_archiver_for(archive.c_str())->is_encrypted(archive.c_str()), 1);
    SetCurrentDirectoryA(dir.path());
    leave_archive_folder(archive.c_str());
    password_ring = {};
}

// Commands 282 (edit a text file) and 281 (make the comment file of a
// picture and edit it) inside an archive folder: the editor opens over the
// cell, and what is typed with Ctrl+Enter is in the archive when it is
// opened again.
namespace {
const char* typed_text;
void type_and_commit(HWND edit)
{
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed_text));
    PostMessageA(edit, WM_CHAR, 10, 0);  // Ctrl+Enter
}
}  // namespace

TEST(ArchiveFolder, TextEditedInTheListIsWrittenBack)
{
    prepare();
    bench::scratch_dir dir;
    list_fixture::browser_page page(800, 600);
    scoped_restore<app_hook_table> keep_app(app_hooks);
    browser_list.settings.textpic = 1;  // text files are listed
    app_hooks.window_hook = app_wndproc_hook;
    HWND frame = GetParent(_page_hwnd(1));
    ShowWindow(frame, SW_SHOW);
    SetForegroundWindow(frame);
    for (DWORD until = GetTickCount() + 10000; GetForegroundWindow() != frame && GetTickCount() < until;)
        bench::pump_for(50);
    bench::pump_for(50);
    struct {
        int command;
        const char* entry;   // the entry the command is given
        const char* member;  // the text file edited
        const char* text;
    } cases[] = {
        {CM_EDIT_TEXT, "n.txt", "n.txt", "表ソ能\r\nnotes"},
        {CM_COMMENT_FILE, "p1.bmp", "p1.txt", "コメント表"},
    };
    std::string archive = copy_fixture(dir, "images.zip");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.member);
        ASSERT_EQ(open_archive_as_folder(archive.c_str()), 1);
        ASSERT_TRUE(change_folder(archive_work.folder));
        load_folder(nullptr, 0, 0, nullptr, 0);
        int index = -1;
        for (int i = 0; i < browser_list.count; i++)
            if (strcmp(file_name_of(browser_list.names[i]), c.entry) == 0) index = i;
        std::string names;
        for (int i = 0; i < browser_list.count; i++) names += std::string(browser_list.names[i]) + " ";
        ASSERT_GE(index, 0) << names;
        typed_text = c.text;
        editor_robot::robot typist(type_and_commit);
        browser_command(index, _page_hwnd(1), WM_COMMAND, c.command, 0);
        typist.done();
        SetCurrentDirectoryA(dir.path());
        leave_archive_folder(archive.c_str());
        ASSERT_EQ(open_archive_as_folder(archive.c_str()), 1);
        EXPECT_EQ(bench::read_file(std::string(archive_work.folder) + "\\" + c.member), c.text);
        leave_archive_folder(archive.c_str());
    }
    SetCurrentDirectoryA(dir.path());
}

// The grid inside images.zip, which lies in the folder 外表, entered as a
// double click enters it, with the real keys, mouse, dispatcher, toolbar,
// archive part and history.
namespace {
struct archive_entered {
    bench::scratch_dir dir;
    std::string outer = dir.file("外表"), archive = dir.file("外表\\images.zip");
    list_fixture::browser_page page{800, 600};
    scoped_restore<app_hook_table> keep_app{app_hooks};
    scoped_restore<history_state> keep_history{browser_history};
    archive_entered()
    {
        prepare();
        CreateDirectoryA(outer.c_str(), nullptr);
        CopyFileA(fixture("images.zip").c_str(), archive.c_str(), FALSE);
        browser_history = {};
        load_toolbar_bitmaps(0xFFDEDE);
        app_hooks.window_hook = app_wndproc_hook;
        EXPECT_TRUE(change_folder(outer.c_str()));
        load_folder(nullptr, 0, 0, nullptr, 0);
        history_push(0, 0);
        EXPECT_TRUE(change_folder(archive.c_str()));
        history_push_entered();
        load_folder(nullptr, 0, 0, nullptr, 0);
        EXPECT_TRUE(in_archive_folder());
    }
    ~archive_entered()
    {
        SetCurrentDirectoryA(dir.path());
        leave_archive_folder(archive.c_str());
    }
    bool in_outer() const
    {
        cache_current_dir();
        return same_folder(current_folder.folder, outer.c_str()) == 0;
    }
    static std::vector<std::string> paths_kept()
    {
        std::vector<std::string> out;
        for (const history_entry& e : browser_history.block.entries)
            if (e.path[0]) out.push_back(e.path);
        return out;
    }
};
}  // namespace

// A path inside any instance's work folder, typed or from the history, the
// tree or a command line, is taken for the archive path it stands for (the
// archive then opens in this window's own work folder) or refused: no window
// browses a work folder as a plain folder. A path below an archive that is
// not open opens it.
namespace {
// Another instance's work folder with the archive open in it.
std::string other_work_folder(const std::string& archive)
{
    std::string other = std::string(archive_work.root) + "\\lha97", field = archive;
    field.resize(PATH_BUF, '\0');
    rm_tree(other.c_str());
    md_path((other + "\\folder\\sub").c_str());
    md_path((other + "\\view").c_str());
    bench::write_file(other + "\\folder.d", field);
    return other;
}
}  // namespace

TEST(ArchiveFolder, WorkFoldersAreNeverBrowsedAsPlainFolders)
{
    prepare();
    bench::scratch_dir dir;
    std::string archive = copy_fixture(dir, "images.zip"), other = other_work_folder(archive);
    struct {
        std::string path;
        bool entered;  // into sub of this window's own work folder for the archive
    } cases[] = {
        {other + "\\folder\\sub", true},
        {archive + "\\sub", true},
        {other + "\\view", false},
        {other, false},
        {std::string(archive_work.instance_folder) + "\\view", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        ASSERT_TRUE(change_folder(dir.path()));
        leave_archive_folder(archive.c_str());
        EXPECT_EQ(change_folder(c.path.c_str()), c.entered ? 1 : 0);
        char here[MAX_PATH], open[PATH_BUF];
        GetCurrentDirectoryA(MAX_PATH, here);
        EXPECT_EQ(std::string(here), c.entered ? std::string(archive_work.folder) + "\\sub" : dir.path());
        EXPECT_EQ(read_open_archive(open) ? std::string(open) : "", c.entered ? archive : "");
    }
    SetCurrentDirectoryA(dir.path());
    leave_archive_folder(archive.c_str());
    rm_tree(other.c_str());
}

// The work folder of an instance that ended without writing its change back
// (it crashed, or nothing could take the change) is not wiped at the next
// start unless it holds nothing but what its archive holds: its files are
// kept beside the archive first, and the user told where.
TEST(ArchiveFolder, ADeadInstancesUnsavedChangeIsKept)
{
    prepare();
    for (bool changed : {true, false}) {
        SCOPED_TRACE(changed ? "changed" : "as extracted");
        bench::scratch_dir dir;
        std::string archive = copy_fixture(dir, "images.zip"), dead = std::string(archive_work.root) + "\\lha98";
        ASSERT_EQ(open_archive_as_folder(archive.c_str()), 1);
        rm_tree(dead.c_str());
        ASSERT_TRUE(cp_tree(archive_work.instance_folder, dead.c_str()));
        if (changed) ASSERT_TRUE(bench::write_file(dead + "\\folder\\sub\\メモ表.txt", "typed"));
        bench::message_boxes.clear();
        EXPECT_EQ(keep_dead_instance_changes(dead.c_str()), 1);
        std::string kept = archive + ".未保存";
        EXPECT_EQ(bench::read_file(kept + "\\sub\\メモ表.txt"), changed ? "typed" : "");
        EXPECT_EQ(bench::message_boxes.size(), changed ? 1u : 0u);
        if (changed && !bench::message_boxes.empty()) {
            EXPECT_EQ(bench::message_boxes[0].text,
                      archive + "\n前回書庫に書き戻せなかった変更をﾌｫﾙﾀﾞ\n" + kept + "\nに残しました．");
        }
        rm_tree(dead.c_str());
        leave_archive_folder(archive.c_str());
    }
}

// BackSpace at the top of an archive folder goes to the folder that holds the
// archive, and the history keeps the archive's own path, never the work folder.
TEST(ArchiveFolder, BackSpaceLeavesToTheArchivesFolder)
{
    archive_entered a;
    SendMessageA(_page_hwnd(1), WM_KEYDOWN, VK_BACK, 0);
    EXPECT_TRUE(a.in_outer()) << current_folder.folder;
    std::vector<std::string> kept = a.paths_kept();
    EXPECT_NE(std::find(kept.begin(), kept.end(), a.archive), kept.end());
    for (const std::string& p : kept)
        EXPECT_EQ(p.find(archive_work.instance_folder), std::string::npos) << "a work folder kept: " << p;
}

// Inside an archive folder the toolbar's path shows the archive's own path,
// and its buttons lead to the folders of that path, not into the work folder.
TEST(ArchiveFolder, ToolbarPathIsTheArchivesOwn)
{
    archive_entered a;
    char shown[PATH_BUF];
    char* parts[TOOLBAR_PATH_PARTS];
    ASSERT_TRUE(text_copy(shown, a.archive.c_str()));
    ASSERT_EQ(browser_list.button_count, split_path_components(shown, parts)) << a.archive;
    int i = browser_list.button_count - 2;  // 外表, before images.zip
    int x = (browser_list.button_left[i] + browser_list.button_right[i]) / 2;
    SendMessageA(_page_hwnd(1), WM_LBUTTONDOWN, 0, MAKELPARAM(x, 10));
    EXPECT_TRUE(a.in_outer()) << current_folder.folder;
}

// Inside an archive that cannot be written back (damaged, or a read-only
// file), every change is refused before anything is written, and the user
// is told why: the folder keeps what the archive holds and no editor opens.
namespace {
// Notes every in-list editor made on this thread and cancels it at once.
struct editor_watch {
    static int made;
    HHOOK hook = SetWindowsHookExA(WH_CBT, on_create, nullptr, GetCurrentThreadId());
    editor_watch() { made = 0; }
    ~editor_watch() { UnhookWindowsHookEx(hook); }
    static LRESULT CALLBACK on_create(int code, WPARAM wparam, LPARAM lparam)
    {
        HWND w = reinterpret_cast<HWND>(wparam);
        char cls[16] = "";
        if (code == HCBT_CREATEWND && GetClassNameA(w, cls, sizeof cls) && lstrcmpiA(cls, "EDIT") == 0) {
            made++;
            PostMessageA(w, WM_CHAR, VK_ESCAPE, 0);
        }
        return CallNextHookEx(nullptr, code, wparam, lparam);
    }
};
int editor_watch::made;

int entry_named(const char* start)
{
    for (int i = 0; i < browser_list.count; i++)
        if (strncmp(browser_list.names[i], start, strlen(start)) == 0) return i;
    return -1;
}
}  // namespace

TEST(ArchiveFolder, ChangesInAReadOnlyArchiveAreRefusedAndSaid)
{
    prepare();
    bench::clipboard_lock lock;
    bench::scratch_dir dir;
    ASSERT_EQ(put_on_clipboard(dir.write("外.txt", "outside")), 1);
    keys_fixture::browser_page page(800, 600);
    browser_list.settings.all = 1;
    struct {
        const char* archive;
        bool read_only_file;
        const char* said;
        const char* text;  // a text file of the archive
    } archives[] = {
        {"crc.tar.gz", false, "\n書庫が壊れているので書き戻しません．", "a.txt"},
        {"images.zip", true, "\n書庫が読み出し専用なので書き戻しません．", "n.txt"},
    };
    struct {
        const char* change;
        int command;  // 0: Shift+click on the folder "sub" with the text file marked
        bool marked;  // the text file marked first
    } changes[] = {
        {"paste", CM_PASTE, false},
        {"new folder", CM_NEW_FOLDER, false},
        {"rename", CM_RENAME, false},
        {"time stamp", CM_TIME_STAMP, false},
        {"text edit", CM_EDIT_TEXT, false},
        {"delete", CM_RECYCLE, true},
        {"cut", CM_CUT, true},
        {"move into a folder", 0, true},
    };
    for (const auto& a : archives) {
        std::string archive = copy_fixture(dir, a.archive), before = bench::read_file(archive);
        if (a.read_only_file) ASSERT_TRUE(SetFileAttributesA(archive.c_str(), FILE_ATTRIBUTE_READONLY));
        page.load(archive);
        std::vector<tree_file> held = read_tree(archive_work.folder);
        for (const auto& c : changes) {
            SCOPED_TRACE(std::string(a.archive) + ": " + c.change);
            page.load(archive_work.folder);
            int text = entry_named(a.text), sub = entry_named("sub\\");
            ASSERT_TRUE(text >= 0 && sub >= 0);
            if (c.marked) toggle_mark(text);
            bench::message_boxes.clear();
            editor_watch editors;
            if (c.command)
                browser_command(text, page.window(), WM_COMMAND, c.command, 0);
            else
                on_list_left_button(page.window(), MK_SHIFT,
                                    page.centre(sub % browser_list.columns, sub / browser_list.columns));
            std::vector<std::string> said;
            for (const auto& box : bench::message_boxes) said.push_back(box.text);
            EXPECT_EQ(said, std::vector<std::string>{archive + a.said});
            EXPECT_EQ(editors.made, 0);
            std::vector<tree_file> now = read_tree(archive_work.folder);
            EXPECT_TRUE(now.size() == held.size() && std::equal(now.begin(), now.end(), held.begin(),
                                                                [](const tree_file& x, const tree_file& y) {
                                                                    return x.name == y.name && x.bytes == y.bytes;
                                                                }))
                << "the folder holds what the archive holds";
        }
        EXPECT_TRUE(bench::read_file(archive) == before);
        SetCurrentDirectoryA(dir.path());
        leave_archive_folder(archive.c_str());
        SetFileAttributesA(archive.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

// Extract (155) of an archive that is damaged or holds files its extraction
// leaves out gives what can be read, lists it, and says what it could not
// give, as opening the archive as a folder does.
TEST(ArchiveCommands, ExtractSaysWhatItCouldNotGive)
{
    prepare();
    bench::scratch_dir dir;
    list_fixture::browser_page page(800, 600);
    browser_list.settings.all = 1;
    struct {
        const char* archive;
        const char* folder;
        const char* said;  // after the archive's path; "" for nothing
    } cases[] = {
        {"images.zip", "images\\", ""},
        {"crc.tar.gz", "crc.tar\\", "\n書庫が壊れているので読み出せた部分だけを解凍しました．"},
        {"truncated.cab", "truncated\\", "\n書庫が壊れているので解凍できないファイルが2個あります．"},
        {"hostile.zip", "hostile\\", "\n解凍できないファイルが6個あります．"},
        {"links.tar.gz", "links.tar\\", "\n解凍できないファイルが1個あります．"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.archive);
        std::string archive = copy_fixture(dir, c.archive);
        ASSERT_TRUE(change_folder(dir.path()));
        load_folder(nullptr, 0, 0, nullptr, 0);
        bench::message_boxes.clear();
        browser_command(entry_named(c.archive), nullptr, WM_COMMAND, CM_EXTRACT, 0);
        std::vector<std::string> said, want;
        for (const auto& box : bench::message_boxes) said.push_back(box.text);
        if (c.said[0]) want.push_back(archive + c.said);
        EXPECT_EQ(said, want);
        EXPECT_GE(entry_named(c.folder), 0) << "the folder is listed";
        DeleteFileA(archive.c_str());
    }
    SetCurrentDirectoryA(bench::exe_folder().c_str());
}

// The entry menu offers a self-extracting archive (156) only for the kinds
// whose archivers make one: LZH and cabinet, not zip and tar.
TEST(ArchiveCommands, SelfExtractingArchiveOnlyWhereTheArchiverMakesOne)
{
    prepare();
    bench::scratch_dir dir;
    list_fixture::browser_page page(800, 600);
    browser_list.settings.all = 1;
    const struct {
        const char* archive;
        bool offered;
    } cases[] = {{"jp.lzh", true}, {"jp.cab", true}, {"jp.zip", false}, {"jp.tar.gz", false}};
    for (const auto& c : cases) copy_fixture(dir, c.archive);
    ASSERT_TRUE(change_folder(dir.path()));
    load_folder(nullptr, 0, 0, nullptr, 0);
    for (const auto& c : cases) {
        int i = entry_named(c.archive);
        ASSERT_GE(i, 0) << c.archive;
        HMENU menu = build_file_context_menu(i);
        UINT state = GetMenuState(menu, CM_SFX, MF_BYCOMMAND);
        ASSERT_NE(state, UINT(-1)) << c.archive;
        EXPECT_EQ((state & MF_GRAYED) == 0, c.offered) << c.archive;
        DestroyMenu(menu);
    }
    SetCurrentDirectoryA(bench::exe_folder().c_str());
}
