// fcopy between a scratch folder and the bench's fake drives (F: removable,
// N: network): shadow paths and records, the listing rows, the direction
// keys, what is copied and what is left alone, and the network side compared
// through its shadow records.
#include "console_fixture.h"
#include "console/fcopy.h"      // shadow paths and records, drive finding and fcopy itself, called directly
#include "console/tree_copy.h"  // the mirror copy walked directly
#include "files/files.h"

namespace {

FILETIME at(int day)
{
    SYSTEMTIME st = {};
    st.wYear = 2021;
    st.wMonth = 3;
    st.wDay = (WORD)day;
    st.wHour = 9;
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

void put(const std::string& path, const std::string& bytes, FILETIME t)
{
    bench::write_file(path, bytes);
    set_file_write_time(path.c_str(), t);
}

// A fresh folder on a fake drive, removed afterwards.
struct drive_folder {
    std::string path;
    explicit drive_folder(char drive)
    {
        path = std::string(1, drive) + ":\\zote-fcopy-" + std::to_string(GetCurrentProcessId());
        bench::remove_tree(path);
        CreateDirectoryA(path.c_str(), nullptr);
    }
    ~drive_folder() { bench::remove_tree(path); }
    std::string file(const std::string& name) const { return path + "\\" + name; }
    drive_folder(const drive_folder&) = delete;
    drive_folder& operator=(const drive_folder&) = delete;
};

bool bench_has_drives() { return GetDriveTypeA("F:\\") == DRIVE_REMOVABLE && GetDriveTypeA("N:\\") == DRIVE_REMOTE; }
#define NEED_DRIVES() \
    if (!bench_has_drives()) GTEST_SKIP() << "the bench prefix predates its F:/N: drives: remove build/bench"

std::string temp_shadow_folder()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    return std::string(temp) + "zote_fcopy";
}

TEST(FcopyShadow, PathsMapBothWays)
{
    scoped_restore<char[260]> keep(shadow_root);
    strcpy(shadow_root, "C:\\T\\zote_fcopy\\");
    struct {
        const char* real;
        const char* shadow;
    } cases[] = {
        {"C:\\a\\b", "C:\\T\\zote_fcopy\\C_\\a\\b"},
        {"\\\\srv\\share\\x", "C:\\T\\zote_fcopy\\_srv\\share\\x"},
    };
    for (auto& c : cases) {
        char s[MAX_PATH], r[MAX_PATH];
        ASSERT_EQ(1, real_path_to_shadow(c.real, s, sizeof s));
        EXPECT_STREQ(c.shadow, s);
        ASSERT_EQ(1, shadow_path_to_real(s, r, sizeof r));
        EXPECT_STREQ(c.real, r);
    }
    char out[MAX_PATH];
    EXPECT_EQ(0, shadow_path_to_real("C:\\elsewhere\\x", out, sizeof out));
    shadow_root[0] = 0;
    EXPECT_EQ(0, shadow_path_to_real("C:\\T\\zote_fcopy\\C_\\a", out, sizeof out));
    EXPECT_EQ(0, real_path_to_shadow("C:\\a", out, sizeof out));
}

TEST(FcopyShadow, RecordsHoldTimeAndSizeAsDouble)
{
    bench::scratch_dir dir;
    scoped_restore<char[260]> keep(shadow_root);
    strcpy(shadow_root, (std::string(dir.path()) + "\\root\\").c_str());
    struct {
        DWORD high, low;
        const char* top;
    } cases[] = {{1, 0x40000000, "\xf4\x41"}, {1, 0, "\xf0\x41"}};
    for (auto& c : cases) {
        WIN32_FIND_DATAA found = {};
        found.ftLastWriteTime = at(5);
        found.nFileSizeHigh = c.high;
        found.nFileSizeLow = c.low;
        ASSERT_EQ(1, write_time_size_record("C:\\x\\big.bin", &found));
        std::string shadow = dir.file("root\\C_\\x\\big.bin");
        std::string bytes = bench::read_file(shadow);
        ASSERT_EQ(16u, bytes.size());
        EXPECT_EQ(0, memcmp(bytes.data(), &found.ftLastWriteTime, 8));
        EXPECT_EQ(std::string(6, '\0') + c.top, bytes.substr(8));
        FILETIME t = file_write_time(shadow.c_str());
        EXPECT_EQ(0, CompareFileTime(&t, &found.ftLastWriteTime));
        EXPECT_EQ(c.high * 4294967296.0 + c.low, shadow_size(shadow.c_str()));
    }
}

TEST(Fcopy, SecondDrivesAreFoundLastFirst)
{
    NEED_DRIVES();
    char out[MAX_PATH];
    ASSERT_EQ(1, find_removable_drive(out, sizeof out));
    EXPECT_STREQ("F:\\", out);
    ASSERT_EQ(1, find_remote_drive(out, sizeof out));
    EXPECT_STREQ("N:\\", out);
}

// The local side: "same" equal on both sides, "changed" newer here, "only1"
// only here, and a file named like a folder of the other side.
void make_sides(const bench::scratch_dir& dir, const drive_folder& two)
{
    std::string one = dir.file("one");
    CreateDirectoryA(one.c_str(), nullptr);
    for (const char* f : {"same", "changed", "only1"}) CreateDirectoryA((one + "\\" + f).c_str(), nullptr);
    put(one + "\\same\\s.txt", "same", at(2));
    put(one + "\\changed\\c.txt", "new text", at(9));
    put(one + "\\only1\\o.txt", "o", at(2));
    put(one + "\\name", "a file", at(9));
    for (const char* f : {"same", "changed", "name"}) CreateDirectoryA(two.file(f).c_str(), nullptr);
    put(two.file("same\\s.txt"), "same", at(2));
    put(two.file("changed\\c.txt"), "old", at(3));
    put(two.file("changed\\gone.txt"), "g", at(3));
    put(two.file("name\\keep.txt"), "keep", at(3));
}

TEST(Fcopy, ListsSharedFoldersAndMirrorsTheChangedOnes)
{
    NEED_DRIVES();
    bench::scratch_dir dir;
    drive_folder two('F');
    make_sides(dir, two);
    console_drive d;
    d.type("\n");
    EXPECT_EQ(0, fcopy(dir.file("one").c_str(), two.path.c_str()));
    std::string one = dir.file("one") + "\\", second = two.path + "\\";
    EXPECT_EQ(0u, d.out.find("fcopy: " + one + " - " + second + " \n"));
    char row[256];
    snprintf(row, sizeof row, " %-36s == %-36s\n", "same                   21/03/02 18:00",
             "                       21/03/02 18:00");
    EXPECT_NE(std::string::npos, d.out.find(row)) << d.out;
    snprintf(row, sizeof row, " %-36s → %-36s\n", "changed                21/03/09 18:00",
             "                       21/03/03 18:00");
    EXPECT_NE(std::string::npos, d.out.find(row)) << d.out;
    EXPECT_EQ(std::string::npos, d.out.find("only1"));
    EXPECT_EQ(std::string::npos, d.out.find(" name "));
    EXPECT_NE(std::string::npos, d.out.find("fcopy direction:\n " + one));
    EXPECT_EQ("new text", bench::read_file(two.file("changed\\c.txt")));
    EXPECT_FALSE(exists(two.file("changed\\gone.txt")));
    EXPECT_EQ("keep", bench::read_file(two.file("name\\keep.txt")));
    EXPECT_FALSE(exists(two.file("only1")));
    EXPECT_EQ(std::string::npos, d.out.find(second + "same"));
    EXPECT_EQ(" Done...\n", d.out.substr(d.out.size() - 9));
    EXPECT_NE(std::string::npos, d.status.find("select the direction. [Enter]=start [Space]=reverse [ESC]=quit"));
}

TEST(Fcopy, SpaceReversesAndEscLeavesTheShadowButNotItsRoot)
{
    NEED_DRIVES();
    bench::scratch_dir dir;
    drive_folder two('N');
    make_sides(dir, two);
    console_drive d;
    d.type("  \x1b");
    EXPECT_EQ(0, fcopy(dir.file("one").c_str(), two.path.c_str()));
    std::string one = dir.file("one") + "\\", second = two.path + "\\";
    char row[1024];
    snprintf(row, sizeof row, " %-36s → %-36s\n", one.c_str(), second.c_str());
    std::string forth = row;
    snprintf(row, sizeof row, " %-36s ← %-36s\n", one.c_str(), second.c_str());
    EXPECT_NE(std::string::npos, d.out.find(forth + row + forth)) << d.out;
    EXPECT_EQ("old", bench::read_file(two.file("changed\\c.txt")));
    EXPECT_TRUE(is_dir(temp_shadow_folder()));
    EXPECT_STREQ("", shadow_root);
    // A later zcopy onto the network folder writes real files, not records.
    put(dir.file("one\\changed\\c.txt"), "newest", at(20));
    walk_tree_copy(dir.file("one\\changed").c_str(), two.file("changed").c_str(), 1);
    EXPECT_EQ("newest", bench::read_file(two.file("changed\\c.txt")));
    bench::remove_tree(temp_shadow_folder());
}

TEST(Fcopy, TheNetworkSideIsComparedThroughItsRecords)
{
    NEED_DRIVES();
    bench::scratch_dir dir;
    drive_folder two('N');
    make_sides(dir, two);
    put(dir.file("one\\changed\\kept.txt"), "k", at(2));
    put(two.file("changed\\kept.txt"), "k", at(2));
    console_drive d;
    // At the prompt the summaries are made: a real file vanishing now is
    // still equal by its record and is not copied again.
    d.at_key = [&] {
        if (d.keys_read == 1) DeleteFileA(two.file("changed\\kept.txt").c_str());
    };
    d.type("\n");
    fcopy(dir.file("one").c_str(), two.path.c_str());
    EXPECT_EQ("new text", bench::read_file(two.file("changed\\c.txt")));
    EXPECT_FALSE(exists(two.file("changed\\kept.txt")));
    EXPECT_FALSE(exists(two.file("changed\\gone.txt")));
    EXPECT_FALSE(exists(temp_shadow_folder()));
}

TEST(Fcopy, MissingSecondFolderAndRelativeFirstFolder)
{
    NEED_DRIVES();
    bench::scratch_dir dir;
    console_drive d;
    SetCurrentDirectoryA(dir.path());
    CreateDirectoryA(dir.file("proj").c_str(), nullptr);
    CreateDirectoryA(dir.file("other").c_str(), nullptr);
    SetCurrentDirectoryA(dir.file("other").c_str());
    fcopy("..\\proj", "Q:\\nothing");
    EXPECT_EQ("fcopy: no second folder: Q:\\nothing\\, \nhit any key", d.out);
    d.out.clear();
    drive_folder two('F');
    d.type("\x1b");
    fcopy("..\\proj", two.path.c_str());
    EXPECT_EQ(0u, d.out.find("fcopy: " + dir.file("proj") + "\\ - "));
}

}  // namespace
