// Write-back of archives with Japanese names, made by zip, jlha, gcab and tar
// (trail bytes 0x5C in 表, ソ, 十, 予; a nested and an empty folder): a
// delete, a rename and an add each keep every other member byte for byte,
// under its own name and in the archive's own name encoding. Damaged,
// incompletely extracted and read-only archives open read-only and refuse
// the write-back with a message, leaving nothing behind; a pack that would
// leave a file out never replaces the archive. A zip's write-back copies
// what did not change as it is stored. The archives written here are read
// by the real tools in the archive_folder_readback step.
#include "browser/archives/archive_folder.h"
#include "browser/operations/archive_commands.h"
#include "files/files.h"
#include "tests/browser/archive_fixtures.h"
#include <gtest/gtest.h>

using namespace archive_folder_test;

namespace {

struct in_folder {
    char saved[MAX_PATH];
    in_folder()
    {
        GetCurrentDirectoryA(MAX_PATH, saved);
        SetCurrentDirectoryA(archive_work.folder);
    }
    ~in_folder() { SetCurrentDirectoryA(saved); }
};

std::string work(const std::string& name) { return std::string(archive_work.folder) + "\\" + name; }

// The members as the DLL lists them, with their bytes, read back by
// extracting the archive: "name size:hash", and the folders.
std::vector<std::string> contents(const std::string& archive, std::vector<std::string>* folders)
{
    bench::scratch_dir out;
    open_archiver_for(archive.c_str())->extract_all(archive.c_str(), out.path(), password_lookup(archive.c_str()));
    std::vector<std::string> lines;
    for (const tree_file& f : read_tree(out.path()))
        lines.push_back(f.name + " " + std::to_string(f.bytes.size()) + ":" +
                        std::to_string(std::hash<std::string>()(f.bytes)));
    if (folders) *folders = archiver_test::read_folders(out.path());
    return lines;
}

std::string original(const std::string& name) { return bench::read_file(fixture("jsrc\\" + name)); }

// The zip with the UTF-8 flag cleared in every local header (a name stored
// in UTF-8 without it gets it when the member is copied).
std::string unflagged(std::string zip)
{
    for (size_t at = zip.find("PK\3\4"); at != std::string::npos && at + 30 <= zip.size();
         at = zip.find("PK\3\4", at + 4))
        zip[at + 7] &= ~0x08;
    return zip;
}

// The local headers of a zip's files with the first bytes of their data: a
// member copied as it is stored keeps them verbatim, one compressed anew
// cannot (its header differs at least in the fields the writer sets).
std::vector<std::string> stored_heads(const std::string& zip)
{
    std::vector<std::string> heads;
    auto at16 = [&](size_t i) { return size_t(BYTE(zip[i])) | size_t(BYTE(zip[i + 1])) << 8; };
    for (size_t at = zip.find("PK\3\4"); at != std::string::npos && at + 30 <= zip.size();
         at = zip.find("PK\3\4", at + 4)) {
        size_t head = 30 + at16(at + 26) + at16(at + 28), data = at16(at + 18) < 16 ? at16(at + 18) : 16;
        if (at + head + data <= zip.size() && zip[at + 30 + at16(at + 26) - 1] != '/')
            heads.push_back(zip.substr(at, head + data));
    }
    return heads;
}

}  // namespace

TEST(ArchiveWriteBack, JapaneseNamesSurviveDeleteRenameAndAdd)
{
    prepare();
    struct {
        const char* archive;
        int utf8;
        bool folders;
    } cases[] = {
        {"jp.zip", 0, true},  {"jp_utf8.zip", 1, true}, {"jp.lzh", 0, true},
        {"jp.cab", 0, false}, {"jp.tar.gz", 0, true},   {"jp_utf8.tar.gz", 1, true},
    };
    CreateDirectoryA(archiver_test::written("").c_str(), nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.archive);
        bench::scratch_dir dir;
        std::string archive = copy_fixture(dir, c.archive);
        ASSERT_EQ(open_archive_as_folder(archive.c_str()), 1);
        EXPECT_EQ(archive_is_read_only(), 0);
        {
            in_folder inside;
            ASSERT_TRUE(DeleteFileA(work("日本語.txt").c_str()));
            ASSERT_EQ(write_back_archive(nullptr), 1);
            ASSERT_TRUE(MoveFileA(work("表示.txt").c_str(), work("予定表.txt").c_str()));
            ASSERT_EQ(write_back_archive(nullptr), 1);
            ASSERT_TRUE(bench::write_file(work("ソフト\\十\\予備.txt"), "yobi\r\n"));
            ASSERT_EQ(write_back_archive(nullptr), 1);
        }
        leave_archive_folder(archive.c_str());
        std::vector<std::string> folders, want_folders = {"ソフト", "ソフト\\十"};
        if (c.folders) want_folders.push_back("空");
        std::sort(want_folders.begin(), want_folders.end());
        std::vector<std::string> want;
        for (const char* name : {"readme.txt", "写真.jpg", "ソフト\\能力.txt", "ソフト\\十\\予定.txt"})
            want.push_back(name + std::string(" ") + std::to_string(original(name).size()) + ":" +
                           std::to_string(std::hash<std::string>()(original(name))));
        std::string added = "yobi\r\n";
        want.push_back("ソフト\\十\\予備.txt " + std::to_string(added.size()) + ":" +
                       std::to_string(std::hash<std::string>()(added)));
        want.push_back("予定表.txt " + std::to_string(original("表示.txt").size()) + ":" +
                       std::to_string(std::hash<std::string>()(original("表示.txt"))));
        std::sort(want.begin(), want.end());
        EXPECT_EQ(contents(archive, &folders), want);
        EXPECT_EQ(folders, want_folders);
        EXPECT_EQ(open_archiver_for(archive.c_str())->names_in_utf8(archive.c_str()), c.utf8);
        EXPECT_EQ(read_tree(dir.path()).size(), 1u) << "nothing left beside the archive";
        CopyFileA(archive.c_str(), archiver_test::written(std::string("folder_") + c.archive).c_str(), FALSE);
    }
}

// A zip's write-back copies every member whose file did not change as the
// old zip stores it (encrypted ones with their password's encryption), and
// compresses anew a renamed file and one changed under its old size and
// time. The archives are tested by unzip in the archive_folder_readback step.
TEST(ArchiveWriteBack, AZipWriteBackCopiesWhatDidNotChange)
{
    prepare();
    struct {
        const char *archive, *password, *renamed, *changed;
    } cases[] = {
        {"jp.zip", nullptr, "表示.txt", "ソフト\\能力.txt"},
        {"jp_utf8.zip", nullptr, "日本語.txt", "readme.txt"},
        {"crypt.zip", "sesame42", "画像.txt", "sub\\b.txt"},
        {"photos.zip", nullptr, "写真1表.jpg", "写真2表.jpg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.archive);
        bench::scratch_dir dir;
        std::string archive = copy_fixture(dir, c.archive);
        if (c.password) password_ring_add(archive.c_str(), c.password);
        std::vector<std::string> old_heads = stored_heads(unflagged(bench::read_file(archive))),
                                 before = contents(archive, nullptr);
        ASSERT_EQ(open_archive_as_folder(archive.c_str()), 1);
        std::string changed;
        {
            in_folder inside;
            ASSERT_TRUE(MoveFileA(work(c.renamed).c_str(), work(std::string("新") + c.renamed).c_str()));
            changed = bench::read_file(work(c.changed));
            changed[changed.size() / 2] ^= 1;
            WIN32_FILE_ATTRIBUTE_DATA times;
            ASSERT_TRUE(GetFileAttributesExA(work(c.changed).c_str(), GetFileExInfoStandard, &times));
            ASSERT_TRUE(bench::write_file(work(c.changed), changed));
            HANDLE h =
                CreateFileA(work(c.changed).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            SetFileTime(h, nullptr, nullptr, &times.ftLastWriteTime);
            CloseHandle(h);
            ASSERT_EQ(write_back_archive(nullptr), 1);
        }
        leave_archive_folder(archive.c_str());
        std::string written = unflagged(bench::read_file(archive));
        size_t copied = 0;
        for (const std::string& head : old_heads) copied += written.find(head) != std::string::npos;
        EXPECT_EQ(copied, old_heads.size() - 2);
        std::vector<std::string> after = contents(archive, nullptr);
        EXPECT_EQ(after.size(), before.size());
        bool renamed_kept = false, changed_kept = false;
        for (const std::string& line : after) {
            renamed_kept |= line.compare(0, strlen(c.renamed) + 3, std::string("新") + c.renamed + " ") == 0;
            changed_kept |= line == std::string(c.changed) + " " + std::to_string(changed.size()) + ":" +
                                        std::to_string(std::hash<std::string>()(changed));
        }
        EXPECT_TRUE(renamed_kept && changed_kept);
        CopyFileA(archive.c_str(), archiver_test::written(std::string("carried_") + c.archive).c_str(), FALSE);
    }
}

// An archive whose write-back would lose members opens read-only and says
// why: damaged (what can still be read is shown), or holding
// files its extraction leaves out (names that climb out of the folder,
// symbolic links, two names of one file). A read-only file says so only
// when a change would go in. None is ever written back, and nothing is left
// beside it.
TEST(ArchiveWriteBack, ArchivesThatWouldLoseMembersOpenReadOnly)
{
    prepare();
    const std::string damaged = "\n書庫が壊れているので読み出し専用で開きます．";
    const std::string damaged_refused = "\n書庫が壊れているので書き戻しません．";
    const std::string read_only = "\n書庫が読み出し専用なので書き戻しません．";
    auto left_out = [](int n, const char* then) {
        return "\n解凍できないファイルが" + std::to_string(n) + "個あるので" + then;
    };
    const char *opens = "読み出し専用で開きます．", *stays = "書き戻しません．";
    struct {
        const char* archive;
        bool read_only_file;
        std::string opened;  // the message on opening, if any
        std::string refused;
        std::vector<std::string> shown;  // empty: not checked
    } cases[] = {
        {"truncated.lzh", false, damaged, damaged_refused, {}},
        {"truncated.zip", false, damaged, damaged_refused, {}},
        {"noend.zip", false, damaged, damaged_refused, {"n.txt", "p1.bmp", "p2.bmp", "sub\\p3.bmp"}},
        {"badcdoff.zip", false, damaged, damaged_refused, {"n.txt", "p1.bmp", "p2.bmp", "sub\\p3.bmp"}},
        {"badcount.zip", false, damaged, damaged_refused, {"n.txt", "p1.bmp", "p2.bmp", "sub\\p3.bmp"}},
        {"crc.tar.gz", false, damaged, damaged_refused, {"a.txt", "sub\\b.txt", "sub\\c.bin", "画像.txt"}},
        {"crc.txt.gz", false, damaged, damaged_refused, {"crc.txt"}},
        {"truncated.tar.gz", false, damaged, damaged_refused, {"a.txt"}},
        {"truncated.cab", false, damaged, damaged_refused, {"a.txt"}},
        {"checksum.cab", false, damaged, damaged_refused, {"a.txt"}},
        {"hostile.zip", false, left_out(6, opens), left_out(6, stays), {"good.txt"}},
        {"hostile.tar.gz", false, left_out(6, opens), left_out(6, stays), {"good.txt"}},
        {"links.tar.gz", false, left_out(1, opens), left_out(1, stays), {"a.txt"}},
        {"links.zip", false, left_out(1, opens), left_out(1, stays), {"a.txt"}},
        {"case.zip", false, left_out(1, opens), left_out(1, stays), {}},
        {"images.zip", true, "", read_only, {}},
        {"jp.lzh", true, "", read_only, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.archive);
        bench::scratch_dir dir;
        std::string archive = copy_fixture(dir, c.archive);
        std::string before = bench::read_file(archive);
        if (c.read_only_file) ASSERT_TRUE(SetFileAttributesA(archive.c_str(), FILE_ATTRIBUTE_READONLY));
        bench::message_boxes.clear();
        ASSERT_EQ(open_archive_as_folder(archive.c_str()), 1);
        std::vector<std::string> said, want;
        if (!c.opened.empty()) want.push_back(archive + c.opened);
        {
            in_folder inside;
            EXPECT_EQ(archive_is_read_only(), 1);
            std::vector<tree_file> shown = read_tree(archive_work.folder);
            std::vector<std::string> names;
            for (const tree_file& f : shown) names.push_back(f.name);
            if (!c.shown.empty()) EXPECT_EQ(names, c.shown);
            ASSERT_FALSE(shown.empty());
            ASSERT_TRUE(DeleteFileA(work(shown[0].name).c_str()));
            ASSERT_TRUE(bench::write_file(work("new.txt"), "new"));
            EXPECT_EQ(write_back_archive(nullptr), 0);
            want.push_back(archive + c.refused);
        }
        for (const auto& box : bench::message_boxes) said.push_back(box.text);
        EXPECT_EQ(said, want);
        EXPECT_TRUE(bench::read_file(archive) == before) << "the archive is unchanged";
        if (c.read_only_file) EXPECT_TRUE(GetFileAttributesA(archive.c_str()) & FILE_ATTRIBUTE_READONLY);
        EXPECT_EQ(read_tree(dir.path()).size(), 1u) << "no old copy beside it";
        leave_archive_folder(archive.c_str());
        SetFileAttributesA(archive.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    // A sound archive opened next is writable again.
    bench::scratch_dir dir;
    std::string sound = copy_fixture(dir, "images.zip");
    ASSERT_EQ(open_archive_as_folder(sound.c_str()), 1);
    {
        in_folder inside;
        EXPECT_EQ(archive_is_read_only(), 0);
    }
    leave_archive_folder(sound.c_str());
}

// LHA packs no hidden or system file without -a1: the new archive would lose
// it, so the old one stays and the user is told.
TEST(ArchiveWriteBack, APackThatLeavesAFileOutKeepsTheArchive)
{
    prepare();
    bench::scratch_dir dir;
    std::string archive = copy_fixture(dir, "jp.lzh");
    std::string before = bench::read_file(archive);
    ASSERT_EQ(open_archive_as_folder(archive.c_str()), 1);
    bench::message_boxes.clear();
    {
        in_folder inside;
        ASSERT_TRUE(bench::write_file(work("ソフト\\隠し.txt"), "hidden"));
        ASSERT_TRUE(SetFileAttributesA(work("ソフト\\隠し.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
        EXPECT_EQ(write_back_archive(nullptr), 0);
    }
    ASSERT_EQ(bench::message_boxes.size(), 1u);
    EXPECT_EQ(bench::message_boxes[0].text, archive + "\n書庫に書き戻せませんでした．");
    EXPECT_EQ(bench::read_file(archive), before);
    EXPECT_EQ(read_tree(dir.path()).size(), 1u);
    EXPECT_EQ(read_tree(archive_work.instance_folder + std::string("\\folder")).size(), 7u) << "the folder keeps it";
    leave_archive_folder(archive.c_str());
}

// Moving the selection into an archive that cannot take it leaves the
// selection where it was.
TEST(ArchiveWriteBack, CompressIntoARefusedArchiveKeepsTheSelection)
{
    prepare();
    struct {
        const char* archive;
        const char* fail;  // stand-ins told to fail
        bool read_only;
    } cases[] = {{"truncated.zip", "", false}, {"crc.tar.gz", "", false}, {"hostile.zip", "", false},
                 {"links.tar.gz", "", false},  {"images.zip", "", true},  {"images.zip", "Zip", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.archive) + " " + c.fail);
        bench::scratch_dir dir;
        std::string archive = copy_fixture(dir, c.archive);
        std::string before = bench::read_file(archive);
        std::string selected = dir.write("表示.txt", "chosen");
        if (c.read_only) SetFileAttributesA(archive.c_str(), FILE_ATTRIBUTE_READONLY);
        archiver_test::env_guard fail("ZOTE_ARCHIVER_FAIL", c.fail);
        {
            one_marked marked(dir.path(), "表示.txt");
            EXPECT_EQ(compress_into_archive(archive.c_str()), 0);
        }
        EXPECT_EQ(bench::read_file(selected), "chosen");
        EXPECT_TRUE(bench::read_file(archive) == before) << "the archive is unchanged";
        SetFileAttributesA(archive.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}
