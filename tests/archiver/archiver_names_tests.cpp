// Japanese member names through the wrappers and the stand-in DLLs: archives
// made by zip, jlha, gcab and tar hold cp932 names (trail bytes 0x5C in 表,
// ソ, 能, 十, 予) or UTF-8 ones; the listing hands every name over in cp932,
// byte for byte, extraction writes the files under those names, and empty
// folders come out too.
#include "tests/archiver/archiver_fixtures.h"
#include "base/cptext.h"
#include <gtest/gtest.h>

using namespace archiver_test;

namespace {

struct names_case {
    const char* archive;
    bool folders;  // the format keeps folders, the empty one included
};

const names_case names_cases[] = {
    {"jp.zip", true},  {"jp_utf8.zip", true},   {"jp.lzh", true},    {"jp_l0.lzh", false},
    {"jp.cab", false}, {"jp_mszip.cab", false}, {"jp.tar.gz", true}, {"jp_utf8.tar.gz", true},
};

std::vector<std::string> japanese_files()
{
    std::vector<std::string> names = {"readme.txt", "ソフト\\十\\予定.txt", "ソフト\\能力.txt",
                                      "写真.jpg",   "日本語.txt",           "表示.txt"};
    std::sort(names.begin(), names.end());
    return names;
}

// The listing's "/" separators as backslashes, double-byte characters
// stepped over: a "/" in place of a trail byte stays and shows.
std::string backslashes(std::string s)
{
    for (const char* p = s.c_str(); *p; p = mb_next(p))
        if (*p == '/') s[p - s.c_str()] = '\\';
    return s;
}

// A file's size and hash, short enough to show in a failure.
std::string fingerprint(const std::string& bytes)
{
    return std::to_string(bytes.size()) + ":" + std::to_string(std::hash<std::string>()(bytes));
}

std::vector<std::string> listed_names(_lha* lha, const std::string& archive)
{
    std::vector<std::string> names;
    HARC h = lha->open_archive(nullptr, archive.c_str(), ARCHIVE_OPEN_MODE);
    if (!h) return names;
    archive_member_info info;
    for (int r = lha->find_first(h, &info); r == 0; r = lha->find_next(h, &info))
        names.push_back(backslashes(info.name));
    lha->close_archive(h);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(ArchiverNames, JapaneseNamesListAndExtractByteForByte)
{
    std::vector<tree_file> originals = read_tree(fixture("jsrc"));
    ASSERT_EQ(originals.size(), 6u);
    for (const names_case& c : names_cases) {
        SCOPED_TRACE(c.archive);
        std::string archive = fixture(c.archive);
        _lha* lha = open_archiver_for(archive.c_str());
        ASSERT_NE(lha, nullptr);
        EXPECT_EQ(listed_names(lha, archive), japanese_files());
        EXPECT_EQ(lha->member_count(archive.c_str()), 6);

        bench::scratch_dir dir;
        EXPECT_EQ(lha->extract_all(archive.c_str(), dir.path(), nullptr), 1);
        std::vector<std::string> got, want;
        for (const tree_file& f : read_tree(dir.path())) got.push_back(f.name + " " + fingerprint(f.bytes));
        for (const tree_file& f : originals) want.push_back(f.name + " " + fingerprint(f.bytes));
        EXPECT_EQ(got, want);
        DWORD empty = GetFileAttributesA(dir.file("空").c_str());
        if (c.folders) {
            EXPECT_NE(empty, INVALID_FILE_ATTRIBUTES);
            EXPECT_TRUE(empty & FILE_ATTRIBUTE_DIRECTORY);
        }
    }
}

TEST(ArchiverNames, OneMemberWithATrailByteBackslashExtracts)
{
    for (const char* name : {"jp.zip", "jp.lzh", "jp_mszip.cab", "jp.tar.gz"}) {
        SCOPED_TRACE(name);
        std::string archive = fixture(name);
        bench::scratch_dir dir;
        _lha* lha = open_archiver_for(archive.c_str());
        ASSERT_NE(lha, nullptr);
        ASSERT_EQ(lha->extract_one(archive.c_str(), dir.path(), "ソフト\\十\\予定.txt"), 1);
        EXPECT_EQ(bench::read_file(dir.file("予定.txt")), "yotei\r\n");
    }
}

// Packing a Japanese tree like each archive of the tools: names come back
// byte for byte and in the archive's own encoding, empty folders where the
// format keeps folders. The copies in D:\tests\archives_out are read by the
// real tools in the archiver_readback step.
TEST(ArchiverNames, CreateLikeAModelKeepsItsNameEncoding)
{
    struct {
        const char* model;
        const char* written;
        int utf8;
        bool folders;
    } cases[] = {
        {"jp.zip", "written_jp.zip", 0, true},       {"jp_utf8.zip", "written_jp_utf8.zip", 1, true},
        {"jp.lzh", "written_jp.lzh", 0, true},       {"jp.cab", "written_jp.cab", 0, false},
        {"jp.tar.gz", "written_jp.tar.gz", 0, true}, {"jp_utf8.tar.gz", "written_jp_utf8.tar.gz", 1, true},
    };
    CreateDirectoryA(written("").c_str(), nullptr);
    std::vector<tree_file> originals = read_tree(fixture("jsrc"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        std::string model = fixture(c.model), archive = written(c.written);
        _lha* lha = open_archiver_for(archive.c_str());
        ASSERT_NE(lha, nullptr);
        EXPECT_EQ(lha->names_in_utf8(model.c_str()), c.utf8);
        bench::scratch_dir dir;
        copy_tree(fixture("jsrc"), dir.file("tree"));
        ASSERT_EQ(lha->create_like(archive.c_str(), dir.file("tree").c_str(), nullptr, model.c_str()), 1);
        EXPECT_EQ(lha->names_in_utf8(archive.c_str()), c.utf8);
        EXPECT_EQ(listed_names(lha, archive), japanese_files());
        EXPECT_EQ(lha->holds_folder(archive.c_str(), dir.file("tree").c_str()), 1);

        ASSERT_EQ(lha->extract_all(archive.c_str(), dir.file("out").c_str(), nullptr), 1);
        std::vector<std::string> got, want;
        for (const tree_file& f : read_tree(dir.file("out"))) got.push_back(f.name + " " + fingerprint(f.bytes));
        for (const tree_file& f : originals) want.push_back(f.name + " " + fingerprint(f.bytes));
        EXPECT_EQ(got, want);
        std::vector<std::string> folders = {"ソフト", "ソフト\\十"};
        if (c.folders) folders.push_back("空");
        std::sort(folders.begin(), folders.end());
        EXPECT_EQ(read_folders(dir.file("out")), folders);
    }
}

// A pack that leaves a file out (LHA skips hidden and system files without
// -a1) is found by comparing the listing with the folder.
TEST(ArchiverNames, HoldsFolderFindsWhatAPackLeftOut)
{
    struct {
        const char* archive;
        int held;
    } cases[] = {{"h.lzh", 0}, {"h.zip", 1}, {"h.tgz", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.archive);
        bench::scratch_dir dir;
        dir.write("tree\\表示.txt", "shown");
        std::string hidden = dir.write("tree\\ソフト\\隠し.txt", "hidden");
        SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
        std::string archive = dir.file(c.archive);
        _lha* lha = open_archiver_for(archive.c_str());
        ASSERT_EQ(lha->create(archive.c_str(), dir.file("tree").c_str(), nullptr), 1);
        EXPECT_EQ(lha->holds_folder(archive.c_str(), dir.file("tree").c_str()), c.held);
        dir.write("tree\\表示.txt", "shown, and longer");  // the same name with another size
        EXPECT_EQ(lha->holds_folder(archive.c_str(), dir.file("tree").c_str()), 0);
    }
}

// Also the damage libarchive reads past: a gzip CRC, a gzip stream or a
// cabinet cut short, a cabinet block's checksum.
TEST(ArchiverNames, DamageIsFoundByTheListingOrTheTest)
{
    struct {
        const char* archive;
        int damaged;
    } cases[] = {
        {"truncated.zip", 1}, {"truncated.lzh", 1}, {"badheader.lzh", 1}, {"truncated.tar", 1}, {"zero.zip", 0},
        {"deflate.zip", 0},   {"crypt.zip", 0},     {"jp.cab", 0},        {"jp.lzh", 0},        {"packed.tgz", 0},
        {"crc.tar.gz", 1},    {"crc.txt.gz", 1},    {"truncated.cab", 1}, {"checksum.cab", 1},  {"truncated.tar.gz", 1},
        {"b.txt.gz", 0},      {"links.tar.gz", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.archive);
        std::string archive = fixture(c.archive);
        _lha* lha = open_archiver_for(archive.c_str());
        if (!lha) lha = open_archiver_for("a.gz");  // a plain .tar goes to the tar archiver
        EXPECT_EQ(lha->is_damaged(archive.c_str()), c.damaged);
    }
}
