// Archives made by the real Linux tools, listed and extracted through the
// wrappers and the stand-in DLLs: names (a Japanese one included), sizes,
// DOS times and bytes equal the originals. Passwords, hostile member names
// and damaged archives.
#include "tests/archiver/archiver_fixtures.h"
#include <gtest/gtest.h>

using namespace archiver_test;

namespace {

struct read_case {
    const char* archive;
    const char* source;  // the tree it was made from
    bool times;          // the tool stored local DOS times
    std::vector<std::string> members;
};

const read_case read_cases[] = {
    {"stored.zip", "src", true, {"a.txt", "sub\\b.txt", "sub\\c.bin", "画像.txt"}},
    {"deflate.zip", "src", true, {"a.txt", "sub\\b.txt", "sub\\c.bin", "画像.txt"}},
    {"lh_z.lzh", "lzhsrc", true, {"a.txt", "b.txt"}},
    {"lh_o5.lzh", "lzhsrc", true, {"a.txt", "b.txt"}},
    {"lh_o6.lzh", "lzhsrc", true, {"a.txt", "b.txt"}},
    {"lh_o7.lzh", "lzhsrc", true, {"a.txt", "b.txt"}},
    // gcab stores UTC times, so only names, sizes and bytes are compared.
    {"none.cab", "src", false, {"a.txt", "sub\\b.txt", "sub\\c.bin"}},
    {"mszip.cab", "src", false, {"a.txt", "sub\\b.txt", "sub\\c.bin"}},
    {"packed.tar.gz", "src", true, {"a.txt", "sub\\b.txt", "sub\\c.bin", "画像.txt"}},
    {"packed.tgz", "src", true, {"a.txt", "sub\\b.txt", "sub\\c.bin", "画像.txt"}},
};

std::string slashes_to_backslashes(std::string s)
{
    for (char& c : s)
        if (c == '/') c = '\\';
    return s;
}

}  // namespace

TEST(ArchiverRead, ListsAndExtractsArchivesOfTheRealTools)
{
    for (const read_case& rc : read_cases) {
        SCOPED_TRACE(rc.archive);
        std::string archive = fixture(rc.archive), source = fixture(rc.source);
        _lha* lha = open_archiver_for(archive.c_str());
        ASSERT_NE(lha, nullptr);
        EXPECT_EQ(lha->member_count(archive.c_str()), static_cast<int>(rc.members.size()));

        HARC h = lha->open_archive(nullptr, archive.c_str(), ARCHIVE_OPEN_MODE);
        ASSERT_NE(h, nullptr);
        archive_member_info info;
        std::vector<std::string> listed;
        for (int r = lha->find_first(h, &info); r == 0; r = lha->find_next(h, &info)) {
            std::string name = slashes_to_backslashes(info.name);
            listed.push_back(name);
            std::string original = source + "\\" + name;
            EXPECT_EQ(info.original_size, bench::read_file(original).size()) << name;
            WORD date, time;
            file_dos_time(original, &date, &time);
            if (rc.times) {
                EXPECT_EQ(info.date, date) << name;
                EXPECT_EQ(info.time, time) << name;
            }
        }
        lha->close_archive(h);
        std::sort(listed.begin(), listed.end());
        EXPECT_EQ(listed, rc.members);

        bench::scratch_dir dir;
        ASSERT_EQ(lha->extract_all(archive.c_str(), dir.path(), nullptr), 1);
        std::vector<tree_file> got = read_tree(dir.path());
        ASSERT_EQ(got.size(), rc.members.size());
        for (const tree_file& f : got) {
            EXPECT_EQ(f.bytes, bench::read_file(source + "\\" + f.name)) << f.name;
            WORD d1, t1, d2, t2;
            file_dos_time(dir.file(f.name), &d1, &t1);
            file_dos_time(source + "\\" + f.name, &d2, &t2);
            if (rc.times) { EXPECT_EQ(d1 * 65536 + t1, d2 * 65536 + t2) << f.name; }
        }
    }
}

TEST(ArchiverRead, ExtractsOneMemberWithoutItsFolder)
{
    const char* const cases[][2] = {
        {"deflate.zip", "sub/b.txt"}, {"lh_o5.lzh", "b.txt"}, {"mszip.cab", "sub\\b.txt"}, {"packed.tgz", "sub/b.txt"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        std::string archive = fixture(c[0]);
        bench::scratch_dir dir;
        _lha* lha = open_archiver_for(archive.c_str());
        ASSERT_NE(lha, nullptr);
        ASSERT_EQ(lha->extract_one(archive.c_str(), dir.path(), c[1]), 1);
        EXPECT_EQ(bench::read_file(dir.file("b.txt")), bench::read_file(fixture("src\\sub\\b.txt")));
    }
}

TEST(ArchiverRead, LoneGzipFileIsOneMember)
{
    std::string archive = fixture("b.txt.gz");
    _lha* tar = open_archiver_for(archive.c_str());
    ASSERT_NE(tar, nullptr);
    EXPECT_EQ(tar->member_count(archive.c_str()), 1);
    bench::scratch_dir dir;
    ASSERT_EQ(tar->extract_all(archive.c_str(), dir.path(), nullptr), 1);
    EXPECT_EQ(bench::read_file(dir.file("b.txt")), bench::read_file(fixture("src\\sub\\b.txt")));
}

TEST(ArchiverRead, EncryptedZipNeedsItsPassword)
{
    std::string crypt = fixture("crypt.zip"), plain = fixture("deflate.zip");
    _lha* zip = open_archiver_for(crypt.c_str());
    ASSERT_NE(zip, nullptr);
    EXPECT_EQ(zip->is_encrypted(crypt.c_str()), 1);
    EXPECT_EQ(zip->is_encrypted(plain.c_str()), 0);
    struct {
        const char* password;
        int result;
        size_t files;
    } cases[] = {
        {nullptr, 0, 0},
        {"", 0, 0},
        {"wrong", 0, 0},
        {"sesame42", 1, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.password ? c.password : "(none)");
        bench::scratch_dir dir;
        EXPECT_EQ(zip->extract_all(crypt.c_str(), dir.path(), c.password), c.result);
        std::vector<tree_file> got = read_tree(dir.path());
        EXPECT_EQ(got.size(), c.files);
        for (const tree_file& f : got) EXPECT_EQ(f.bytes, bench::read_file(fixture("src\\" + f.name)));
    }
}

TEST(ArchiverRead, HostileMembersLandNowhereOutsideTheTarget)
{
    for (const char* name : {"hostile.zip", "hostile.tar.gz"}) {
        SCOPED_TRACE(name);
        std::string archive = fixture(name);
        bench::scratch_dir dir;
        std::string out = dir.file("deep\\out");
        CreateDirectoryA(dir.file("deep").c_str(), nullptr);
        CreateDirectoryA(out.c_str(), nullptr);
        _lha* lha = open_archiver_for(archive.c_str());
        ASSERT_NE(lha, nullptr);
        EXPECT_EQ(lha->extract_all(archive.c_str(), out.c_str(), nullptr), 0) << "refused members are reported";
        EXPECT_EQ(bench::read_file(out + "\\good.txt"), "good");
        std::vector<tree_file> inside = read_tree(dir.path());
        ASSERT_EQ(inside.size(), 1u) << inside.back().name;
        for (const char* outside : {"C:\\evil3.txt", "C:\\evil4.txt", "C:\\tmp\\evil5.txt", "C:\\evil1.txt",
                                    "C:\\evil2.txt", "C:\\evil6.txt"})
            EXPECT_FALSE(exists(outside)) << outside;
        // The caller refuses such names before the DLL sees them.
        for (const char* member :
             {"../evil1.txt", "..\\evil2.txt", "C:\\evil3.txt", "\\evil4.txt", "/tmp/evil5.txt", "sub/../../evil6.txt"})
            EXPECT_EQ(lha->extract_one(archive.c_str(), out.c_str(), member), 0) << member;
    }
}

TEST(ArchiverRead, DamagedArchivesFailCleanly)
{
    struct {
        const char* name;
        int extracted;
        int count;
        int count_by_listing;
    } cases[] = {
        {"zero.zip", 1, -1, -1},  // an empty archive counts as extracted
        {"truncated.zip", 0, -1, -1},
        {"truncated.lzh", 0, 2, 2},    // both headers whole, the data cut
        {"badheader.lzh", 0, -1, -1},  // the listing stops at a damaged header
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string archive = fixture(c.name);
        _lha* lha = open_archiver_for(archive.c_str());
        ASSERT_NE(lha, nullptr);
        bench::scratch_dir dir;
        EXPECT_EQ(lha->extract_all(archive.c_str(), dir.path(), nullptr), c.extracted);
        EXPECT_EQ(lha->member_count(archive.c_str()), c.count);
        env_guard no_count("ZOTE_ARCHIVER_NO_COUNT", "1");
        EXPECT_EQ(lha->member_count(archive.c_str()), c.count_by_listing);
        EXPECT_EQ(lha->check_archive(archive.c_str(), ARCHIVE_CHECK_FULL_CRC), FALSE);
    }
    env_guard no_count("ZOTE_ARCHIVER_NO_COUNT", "1");
    std::string good = fixture("lh_o6.lzh");
    EXPECT_EQ(open_archiver_for(good.c_str())->member_count(good.c_str()), 2);
}
