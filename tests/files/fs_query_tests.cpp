// File system queries on real files under Wine: roots, existence, absolute
// and long paths, disk space past 4 GB, sizes past 4 GiB, the drive policy and
// time round trips (the bench runs in Asia/Tokyo, without daylight saving).
#include "files/files.h"
#include "files/internal.h"  // disk space and the newest time below a folder, asked directly
#include "base/holders.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>

TEST(FsQuery, PathRoots)
{
    char out[PATH_BUF];
    EXPECT_EQ(path_root("C:\\a\\b", out, sizeof out), 1);
    EXPECT_STREQ(out, "C:\\");
    EXPECT_EQ(path_root("\\\\srv\\share\\dir\\x", out, sizeof out), 1);
    EXPECT_STREQ(out, "\\\\srv\\share\\");
    EXPECT_EQ(path_root("\\\\srv\\share", out, sizeof out), 1);
    EXPECT_STREQ(out, "\\\\srv\\share\\");
    EXPECT_EQ(path_root("\\\\srv", out, sizeof out), 0);
    EXPECT_STREQ(out, "\\\\srv");
    EXPECT_EQ(path_root("\\\\表\\能", out, sizeof out), 1);
    EXPECT_STREQ(out, "\\\\表\\能\\");
    // Server or share names past the buffer (300 bytes, 4 KB) give nothing.
    for (const std::string& over : {"\\\\srv\\" + std::string(300, 's') + "\\x", "\\\\" + std::string(4096, 'v')}) {
        char guarded_out[PATH_BUF + 32];
        memset(guarded_out, 0xAA, sizeof guarded_out);
        EXPECT_EQ(path_root(over.c_str(), guarded_out, PATH_BUF), 0);
        EXPECT_STREQ(guarded_out, "");
        for (size_t i = PATH_BUF; i < sizeof guarded_out; i++) EXPECT_EQ(guarded_out[i], '\xAA') << i;
    }
}

TEST(FsQuery, ExistenceAndHiddenItems)
{
    bench::scratch_dir dir;
    std::string file = dir.write("表.txt", "x");
    std::string sub = dir.file("画像");
    ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
    EXPECT_EQ(path_exists("C:\\", 0), 1);
    EXPECT_EQ(path_exists("c:", 0), 1);
    EXPECT_EQ(path_exists("Q:\\", 0), 0);
    EXPECT_EQ(path_exists((sub + "\\").c_str(), 0), 1);
    EXPECT_EQ(path_exists(file.c_str(), 0), 1);
    EXPECT_EQ(path_exists(dir.file("*.txt").c_str(), 0), 1);
    EXPECT_EQ(path_exists(dir.file("*.jpg").c_str(), 0), 0);
    EXPECT_EQ(path_exists("", 0), 0);
    // "C:x" is not a drive root: it names an item x on drive C.
    EXPECT_EQ(path_exists("C:zz-none", 0), 0);
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(path_exists(file.c_str(), 1), 0);
    EXPECT_EQ(path_exists(file.c_str(), 0), 1);
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(drive_present("c:\\x"), 1);
    EXPECT_EQ(drive_present("Q:\\"), 0);
}

TEST(FsQuery, FullAndLongPaths)
{
    bench::scratch_dir dir;
    current_folder_kept keep;
    std::string sub = dir.file("Long Folder Name 画像");
    ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
    std::string file = dir.write("Long Folder Name 画像\\another name.jpeg", "x");
    char out[PATH_BUF];
    std::string quoted = "\"" + sub + "\\\"";
    ASSERT_NE(full_path(out, sizeof out, quoted.c_str()), nullptr);
    EXPECT_EQ(std::string(out), sub);
    ASSERT_TRUE(SetCurrentDirectoryA(sub.c_str()));
    ASSERT_NE(full_path(out, sizeof out, "x.txt"), nullptr);
    EXPECT_EQ(std::string(out), sub + "\\x.txt");
    ASSERT_NE(full_path(out, sizeof out, "   "), nullptr);
    EXPECT_EQ(std::string(out), sub);
    ASSERT_NE(full_path(out, sizeof out, nullptr), nullptr);
    EXPECT_EQ(std::string(out), sub);
    ASSERT_NE(full_path(out, sizeof out, "C:\\"), nullptr);
    EXPECT_STREQ(out, "C:\\");
    ASSERT_NE(full_path(out, sizeof out, "\\"), nullptr);
    EXPECT_STREQ(out, "C:\\");
    // A result past the buffer fails cleanly.
    std::string over = "C:\\" + std::string(250, 'a') + "\\" + std::string(20, 'b');
    char small[PATH_BUF];
    EXPECT_EQ(full_path(small, sizeof small, over.c_str()), nullptr);
    EXPECT_STREQ(small, "");
    // A short relative name whose absolute form passes the buffer (more
    // bytes than 260, fewer characters) fails without writing past it.
    std::string deep = std::string(dir.path()) + "\\" + std::string(100, 'a');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    deep += "\\" + std::string(240 - deep.size(), 'b');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    ASSERT_TRUE(SetCurrentDirectoryA(deep.c_str()));
    std::string name = "画像画像画像画像画像.jpg";
    ASSERT_GT(deep.size() + 1 + name.size(), 260u);
    char guarded_out[PATH_BUF + 32];
    memset(guarded_out, 0xAA, sizeof guarded_out);
    EXPECT_EQ(full_path(guarded_out, PATH_BUF, name.c_str()), nullptr);
    EXPECT_STREQ(guarded_out, "");
    for (size_t i = PATH_BUF; i < sizeof guarded_out; i++) EXPECT_EQ(guarded_out[i], '\xAA') << i;
    ASSERT_NE(full_path(guarded_out, PATH_BUF, "x.jpg"), nullptr);
    EXPECT_EQ(std::string(guarded_out), deep + "\\x.jpg");
    ASSERT_TRUE(SetCurrentDirectoryA(sub.c_str()));

    char shortname[PATH_BUF];
    DWORD n = GetShortPathNameA(file.c_str(), shortname, sizeof shortname);
    ASSERT_GT(n, 0u);
    ASSERT_LT(n, sizeof shortname);
    EXPECT_NE(std::string(shortname), file);
    EXPECT_EQ(long_path_name(shortname), 1);
    EXPECT_EQ(std::string(shortname), file);
    char missing[PATH_BUF];
    std::string gone = dir.file("nothing\\here");
    text_copy(missing, gone.c_str());
    EXPECT_EQ(long_path_name(missing), 0);
    EXPECT_EQ(std::string(missing), gone);
    // "." and ".." name the folder they lead to.
    const std::pair<std::string, std::string> dotted[] = {
        {sub + "\\..", dir.path()}, {sub + "\\.\\another name.jpeg", file}, {file + "\\..\\..\\.", dir.path()}};
    for (const auto& d : dotted) {
        text_copy(missing, d.first.c_str());
        EXPECT_EQ(long_path_name(missing), 1) << d.first;
        EXPECT_EQ(std::string(missing), d.second) << d.first;
    }
}

TEST(FsQuery, DiskSpaceAndSizesAsDoubles)
{
    ULARGE_INTEGER avail, total, total_free;
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &avail, &total, &total_free));
    double free_bytes = disk_free_bytes("C:\\users");
    double total_bytes = disk_total_bytes("C:\\");
    EXPECT_DOUBLE_EQ(total_bytes, (double)total.QuadPart);
    // Free space moves while other programs write: compare within 1 GB.
    EXPECT_NEAR(free_bytes, (double)avail.QuadPart, 1e9);
    if (total.QuadPart > 4294967296ull) { EXPECT_GT(total_bytes, 4294967296.0); }
    double a = -1, b = -1, c = -1;
    get_disk_free("Q:\\", &a, &b, &c);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(c, 0);
    EXPECT_STRNE(format_size(total_bytes), "");

    bench::scratch_dir dir;
    std::string big = dir.file("sparse.bin");
    {
        HANDLE h = CreateFileA(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        LARGE_INTEGER at;
        at.QuadPart = 4294967296ll;
        SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
        SetEndOfFile(h);
        CloseHandle(h);
    }
    double on_disk = -1;
    EXPECT_EQ(file_size(big.c_str(), &on_disk), 4294967296.0);
    EXPECT_EQ(on_disk, 0);
    EXPECT_EQ(compressed_file_size(big.c_str()), 4294967296.0);
    EXPECT_EQ(file_size(dir.file("none").c_str()), 0);
}

TEST(FsQuery, DriveKindsAndLabels)
{
    char out[64] = "unchanged";
    EXPECT_STREQ(drive_kind_text("C:\\x", out, sizeof out), "固定");
    text_copy(out, "unchanged");
    EXPECT_STREQ(drive_kind_text("Q:\\", out, sizeof out), "unchanged");
    text_copy(out, "unchanged");
    volume_label_text("Q:\\", out, sizeof out);
    EXPECT_STREQ(out, "");
    volume_label_text("C:\\", out, sizeof out);
    const char* open = strchr(out, '[');
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(out[strlen(out) - 1], ']');
}

TEST(FsQuery, DriveKindsFromTheDriveSettings)
{
    // E: to H: come from the bench's drive settings (a prefix made before
    // them has none).
    if (GetDriveTypeA("E:\\") != DRIVE_CDROM) GTEST_SKIP() << "the bench made no drive fixtures";
    struct {
        const char* path;
        const char* kind;
    } rows[] = {
        {"E:\\", "CD-ROM"},
        {"f:\\x", "ﾘﾑｰﾊﾞﾌﾞﾙ"},
        {"G:", "RAMﾃﾞｨｽｸ"},
        {"H:\\画像", "固定"},
    };
    for (auto& r : rows) {
        char out[64] = "unchanged";
        EXPECT_STREQ(drive_kind_text(r.path, out, sizeof out), r.kind) << r.path;
    }
    char label[64] = "unchanged";
    EXPECT_STREQ(volume_label_text("H:\\", label, sizeof label), "DATA[NTFS]");
}

TEST(FsQuery, DrivePolicy)
{
    const char* path = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path, &key), ERROR_SUCCESS);
    RegDeleteValueA(key, "NoDrives");
    EXPECT_EQ(drive_hidden_by_policy("D:\\"), 0);
    DWORD mask = 8 | (1u << 25);
    RegSetValueExA(key, "NoDrives", 0, REG_DWORD, reinterpret_cast<BYTE*>(&mask), sizeof mask);
    EXPECT_EQ(drive_hidden_by_policy("D:\\"), 1);
    EXPECT_EQ(drive_hidden_by_policy("d:"), 1);
    EXPECT_EQ(drive_hidden_by_policy("C:\\"), 0);
    EXPECT_EQ(drive_hidden_by_policy("Z:\\"), 1);
    EXPECT_EQ(drive_hidden_by_policy("\\\\server"), 0);
    RegDeleteValueA(key, "NoDrives");
    RegCloseKey(key);
}

TEST(FsQuery, TimesRoundTrip)
{
    bench::scratch_dir dir;
    current_folder_kept keep;
    std::string file = dir.write("t.txt", "x");
    SYSTEMTIME set = {};
    set.wYear = 2010;
    set.wMonth = 6;
    set.wDay = 15;
    set.wHour = 12;
    ASSERT_EQ(set_file_local_systime(file.c_str(), &set), 1);
    SYSTEMTIME got;
    file_local_systime(file.c_str(), &got);
    EXPECT_EQ(got.wYear, 2010);
    EXPECT_EQ(got.wMonth, 6);
    EXPECT_EQ(got.wDay, 15);
    EXPECT_EQ(got.wHour, 12);
    EXPECT_EQ(got.wMinute, 0);
    FILETIME raw = file_write_time(file.c_str());
    SYSTEMTIME utc;
    FileTimeToSystemTime(&raw, &utc);
    EXPECT_EQ(utc.wHour, 3);  // Tokyo is UTC+9

    SYSTEMTIME zero;
    memset(&got, 0xFF, sizeof got);
    file_local_systime(dir.file("missing").c_str(), &got);
    memset(&zero, 0, sizeof zero);
    EXPECT_EQ(memcmp(&got, &zero, sizeof got), 0);

    // A folder without files gives its own time; otherwise its newest file below.
    std::string empty = dir.file("empty");
    ASSERT_TRUE(CreateDirectoryA(empty.c_str(), nullptr));
    SYSTEMTIME folder_time = set;
    folder_time.wYear = 2005;
    ASSERT_EQ(set_file_local_systime(empty.c_str(), &folder_time), 1);
    item_local_systime((empty + "\\").c_str(), &got);
    EXPECT_EQ(got.wYear, 2005);
    std::string deep = dir.write("tree\\a\\b\\new.txt", "x");
    std::string old = dir.write("tree\\a\\old.txt", "x");
    SYSTEMTIME newer = set;
    newer.wYear = 2012;
    set_file_local_systime(deep.c_str(), &newer);
    set_file_local_systime(old.c_str(), &set);
    SetCurrentDirectoryA(empty.c_str());
    item_local_systime(dir.file("tree").c_str(), &got);
    EXPECT_EQ(got.wYear, 2012);
    char now[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, now);
    EXPECT_EQ(std::string(now), empty);
    item_local_systime(old.c_str(), &got);
    EXPECT_EQ(got.wYear, 2010);
}
