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
    {"jp.zip", true},         {"jp_utf8.zip", true}, {"jp.lzh", true},      {"jp_l0.lzh", false},
    {"jp.cab", false},        {"jp_mszip.cab", false}, {"jp.tar.gz", true}, {"jp_utf8.tar.gz", true},
};

std::vector<std::string> japanese_files()
{
    std::vector<std::string> names = {"readme.txt", "ソフト\\十\\予定.txt", "ソフト\\能力.txt",
                                      "写真.jpg",   "日本語.txt",          "表示.txt"};
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
    for (int r = lha->find_first(h, &info); r == 0; r = lha->find_next(h, &info)) names.push_back(backslashes(info.name));
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
