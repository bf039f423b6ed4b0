// Archives written through the wrappers: a folder and a single file packed
// by every kind and read back through the wrappers; the copies left in
// D:\tests\archives_out are checked by the real Linux tools in a later ctest
// step. The one-file work folder, the cabinet's time, and a create that
// never revives the members of a stale archive. Photos of more bytes than
// the memory left are packed and unpacked a member at a time.
#include "tests/archiver/archiver_fixtures.h"
#include "files/files.h"
#include "files/internal.h"  // a file is isolated and put back directly
#include <gtest/gtest.h>

using namespace archiver_test;

namespace {

struct write_case {
    const char* archive;  // written into archives_out
    const char* password;
};

const write_case write_cases[] = {
    {"written.lzh", nullptr}, {"written.zip", nullptr}, {"written_crypt.zip", "sesame42"},
    {"written.cab", nullptr}, {"written.tgz", nullptr}, {"written.tar.gz", nullptr},
};

// Takes the address space but about `left` bytes of it (reserved, never used).
void leave_free(size_t left)
{
    std::vector<void*> taken;
    while (void* p = VirtualAlloc(nullptr, 16 << 20, MEM_RESERVE, PAGE_NOACCESS)) taken.push_back(p);
    for (size_t freed = 0; freed < left && !taken.empty(); freed += 16 << 20) {
        VirtualFree(taken.back(), 0, MEM_RELEASE);
        taken.pop_back();
    }
}

}  // namespace

// Packs the folder 写真表 of the folder ZOTE_BIG_FOLDER into an LZH beside it
// and unpacks it again, with 128 MB of address space left.
ZOTE_CHILD(pack_beyond_memory)
{
    char folder[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("ZOTE_BIG_FOLDER", folder, sizeof folder);
    if (!n || n >= sizeof folder) return 2;
    std::string source = std::string(folder) + "\\写真表", archive = source + ".lzh", out = source + "-out";
    _lha* lha = open_archiver_for(archive.c_str());
    if (!lha) return 3;
    leave_free(128 << 20);
    int packed = lha->create(archive.c_str(), source.c_str(), nullptr);
    CreateDirectoryA(out.c_str(), nullptr);
    int unpacked = packed && lha->extract_all(archive.c_str(), out.c_str(), nullptr);
    printf("packed %d, unpacked %d, members %d, left out %d\n", packed, unpacked, lha->member_count(archive.c_str()),
           lha->members_left_out(archive.c_str(), out.c_str()));
    return 0;
}

TEST(ArchiverWrite, MoreBytesThanTheMemoryLeftPackAndUnpack)
{
    bench::scratch_dir dir;
    std::string photos = dir.file("写真表");
    CreateDirectoryA(photos.c_str(), nullptr);
    // 330 MB in 110 photos: one file of 3 MB under every name.
    std::string bytes(3 << 20, '\0');
    for (size_t i = 0; i < bytes.size(); i++) bytes[i] = char((i * 2654435761u) >> 24);
    std::string first = photos + "\\P0000能.jpg";
    ASSERT_TRUE(bench::write_file(first, bytes));
    for (int i = 1; i < 110; i++) {
        char name[32];
        snprintf(name, sizeof name, "\\P%04dソ.jpg", i);
        ASSERT_TRUE(CreateHardLinkA((photos + name).c_str(), first.c_str(), nullptr));
    }
    env_guard folder("ZOTE_BIG_FOLDER", dir.path());
    bench::child_result r = bench::run_child("pack_beyond_memory", 300000);
    EXPECT_EQ(r.exit_code, 0u) << r.output;
    EXPECT_NE(r.output.find("packed 1, unpacked 1, members 110, left out 0"), std::string::npos) << r.output;
    EXPECT_TRUE(bench::read_file(photos + "-out\\P0109ソ.jpg") == bytes);
}

TEST(ArchiverWrite, FolderRoundTripThroughEveryKind)
{
    CreateDirectoryA(written("").c_str(), nullptr);
    for (const write_case& wc : write_cases) {
        SCOPED_TRACE(wc.archive);
        bench::scratch_dir dir;
        std::string source = dir.file("tree"), archive = written(wc.archive);
        copy_tree(fixture("src"), source);
        _lha* lha = open_archiver_for(archive.c_str());
        ASSERT_NE(lha, nullptr);
        ASSERT_EQ(lha->create(archive.c_str(), source.c_str(), wc.password), 1);
        EXPECT_EQ(lha->member_count(archive.c_str()), 4);
        EXPECT_EQ(lha->is_encrypted(archive.c_str()), wc.password ? 1 : 0);
        std::string out = dir.file("out");
        CreateDirectoryA(out.c_str(), nullptr);
        ASSERT_EQ(lha->extract_all(archive.c_str(), out.c_str(), wc.password), 1);
        std::vector<tree_file> want = read_tree(source), got = read_tree(out);
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < got.size(); i++) {
            EXPECT_EQ(got[i].name, want[i].name);
            EXPECT_EQ(got[i].bytes, want[i].bytes) << got[i].name;
            WORD d1, t1, d2, t2;
            file_dos_time(out + "\\" + got[i].name, &d1, &t1);
            file_dos_time(source + "\\" + want[i].name, &d2, &t2);
            EXPECT_EQ(d1, d2) << got[i].name;
            EXPECT_EQ(t1 / 2, t2 / 2) << got[i].name;  // two-second DOS steps
        }
    }
}

TEST(ArchiverWrite, SingleFileGoesThroughAWorkFolder)
{
    for (const char* name : {"one.lzh", "one.zip", "one.cab", "one.tgz"}) {
        SCOPED_TRACE(name);
        bench::scratch_dir dir;
        std::string file = dir.write("画像.txt", "one file");
        std::string archive = dir.file(name);
        char before[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, before);
        _lha* lha = open_archiver_for(archive.c_str());
        ASSERT_NE(lha, nullptr);
        ASSERT_EQ(lha->create(archive.c_str(), file.c_str(), nullptr), 1);
        EXPECT_EQ(bench::read_file(file), "one file");
        EXPECT_FALSE(exists(dir.file("fdir@0")));
        char after[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, after);
        EXPECT_STREQ(after, before);
        std::string out = dir.file("out");
        CreateDirectoryA(out.c_str(), nullptr);
        ASSERT_EQ(lha->extract_all(archive.c_str(), out.c_str(), nullptr), 1);
        EXPECT_EQ(bench::read_file(out + "\\画像.txt"), "one file");
    }
}

TEST(ArchiverWrite, IsolateFileTakesTheNextFreeWorkFolder)
{
    bench::scratch_dir dir;
    std::string file = dir.write("f.txt", "f");
    CreateDirectoryA(dir.file("fdir@0").c_str(), nullptr);
    char before[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, before);
    isolated_file record;
    ASSERT_EQ(isolate_file(&record, file.c_str()), 1);
    EXPECT_EQ(std::string(record.work), dir.file("fdir@1"));
    EXPECT_EQ(bench::read_file(dir.file("fdir@1\\f.txt")), "f");
    char inside[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, inside);
    EXPECT_EQ(std::string(inside), dir.file("fdir@1"));
    isolate_file_undo(&record);
    EXPECT_EQ(bench::read_file(file), "f");
    EXPECT_FALSE(exists(dir.file("fdir@1")));
    char after[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, after);
    EXPECT_STREQ(after, before);
}

TEST(ArchiverWrite, CabinetAndTarTakeTheNewestFileTime)
{
    for (const char* name : {"t.cab", "t.tgz"}) {
        SCOPED_TRACE(name);
        bench::scratch_dir dir;
        std::string older = dir.write("src\\a.txt", "a"), newest = dir.write("src\\sub\\b.txt", "b");
        SYSTEMTIME t2008 = {2008, 3, 0, 4, 5, 6, 8, 0}, t2010 = {2010, 7, 0, 8, 9, 10, 12, 0};
        set_file_local_systime(older.c_str(), &t2008);
        set_file_local_systime(newest.c_str(), &t2010);
        std::string archive = dir.file(name);
        ASSERT_EQ(open_archiver_for(archive.c_str())->create(archive.c_str(), dir.file("src").c_str(), nullptr), 1);
        SYSTEMTIME got;
        file_local_systime(archive.c_str(), &got);
        EXPECT_EQ(got.wYear, 2010);
        EXPECT_EQ(got.wMonth, 7);
        EXPECT_EQ(got.wDay, 8);
        EXPECT_EQ(got.wHour, 9);
        EXPECT_EQ(got.wMinute, 10);
    }
}

TEST(ArchiverWrite, CreateNeverAddsToAStaleArchive)
{
    for (const char* name : {"s.lzh", "s.zip", "s.cab", "s.tgz"}) {
        SCOPED_TRACE(name);
        bench::scratch_dir dir;
        std::string archive = dir.file(name);
        _lha* lha = open_archiver_for(archive.c_str());
        dir.write("old\\gone.txt", "old");
        dir.write("new\\kept.txt", "new");
        ASSERT_EQ(lha->create(archive.c_str(), dir.file("old").c_str(), nullptr), 1);
        ASSERT_EQ(lha->create(archive.c_str(), dir.file("new").c_str(), nullptr), 1);
        EXPECT_EQ(lha->member_count(archive.c_str()), 1);
        std::string out = dir.file("out");
        CreateDirectoryA(out.c_str(), nullptr);
        ASSERT_EQ(lha->extract_all(archive.c_str(), out.c_str(), nullptr), 1);
        EXPECT_FALSE(exists(out + "\\gone.txt"));
        EXPECT_EQ(bench::read_file(out + "\\kept.txt"), "new");
    }
}

TEST(ArchiverWrite, SelfExtractingOutputIsAMarkerBesideTheArchive)
{
    bench::scratch_dir dir;
    dir.write("src\\a.txt", "a");
    for (const char* name : {"x.lzh", "x.cab"}) {
        std::string archive = dir.file(name);
        _lha* lha = open_archiver_for(archive.c_str());
        ASSERT_EQ(lha->create(archive.c_str(), dir.file("src").c_str(), nullptr), 1);
        DeleteFileA(dir.file("x.exe").c_str());
        EXPECT_EQ(lha->make_sfx(archive.c_str()), 1) << name;
        EXPECT_TRUE(exists(dir.file("x.exe"))) << name;
    }
    EXPECT_EQ(open_archiver_for("x.lzh")->make_sfx(dir.file("missing.lzh").c_str()), 0);
}

// Adding to a zip through the creation DLL keeps its symbolic link a link
// (zipinfo reads it back), never an empty file.
TEST(ArchiverWrite, AddingToAZipKeepsItsLinks)
{
    bench::scratch_dir dir;
    std::string archive = written("written_links.zip");
    ASSERT_TRUE(CopyFileA(fixture("links.zip").c_str(), archive.c_str(), FALSE));
    dir.write("add\\new.txt", "new");
    _lha_zip* zip = dynamic_cast<_lha_zip*>(open_archiver_for(archive.c_str()));
    ASSERT_NE(zip, nullptr);
    char before[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, before);
    SetCurrentDirectoryA(dir.file("add").c_str());
    EXPECT_EQ(zip->creator.command("-r -o -q \"%s\" *.*", archive.c_str()), 1);
    SetCurrentDirectoryA(before);
    EXPECT_EQ(zip->member_count(archive.c_str()), 3);
}
