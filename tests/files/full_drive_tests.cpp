// Copies and moves onto a full drive (S:, the bench's 1 MB drive): a copy
// that cannot complete leaves its target as it was and no part of a file
// behind, a move across drives keeps its source, and the room of a drive is
// counted in whole clusters.
#include "files/files.h"
#include "tests/support/bench.h"
#include "tests/support/small_drive.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

std::vector<std::string> names_in(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::string n = fd.cFileName;
        if (n != "." && n != "..") names.push_back(n);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(FullDrive, CopiesAndMovesThatDoNotFitLeaveEverythingAsItWas)
{
    bench::small_drive drive;
    if (!drive.unusable().empty()) GTEST_SKIP() << drive.unusable();
    ASSERT_EQ(drive.cluster_bytes(), 4096.0);
    bench::scratch_dir dir;
    const std::string picture = bench::noise(30000, 1), other = bench::noise(9000, 2), old = bench::noise(10000, 3);
    std::string source = dir.write("大表\\写真ソ.jpg", picture);
    dir.write("大表\\能.jpg", other);
    std::string folder = drive.file("保存表");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    std::string target = folder + "\\写真ソ.jpg";
    ASSERT_TRUE(bench::write_file(target, old));
    // 30,000 bytes take 8 clusters of 4,096; three are left.
    ASSERT_TRUE(drive.leave_free(3));
    struct {
        const char* what;
        std::function<int()> act;
    } cases[] = {
        {"copy over a file", [&] { return cp_file(source.c_str(), target.c_str()); }},
        {"copy to a new name", [&] { return cp_file(source.c_str(), (folder + "\\新しい表.jpg").c_str()); }},
        {"move a file across drives", [&] { return mv_file(source.c_str(), (folder + "\\移動ソ.jpg").c_str()); }},
        {"move a folder across drives", [&] { return mv_file(dir.file("大表").c_str(), (folder + "\\大表").c_str()); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.act(), 0);
        EXPECT_TRUE(bench::read_file(target) == old);
        EXPECT_EQ(names_in(folder), std::vector<std::string>{"写真ソ.jpg"});
        EXPECT_EQ(drive.free_clusters(), 3.0);
        EXPECT_TRUE(bench::read_file(source) == picture);
        EXPECT_TRUE(bench::read_file(dir.file("大表\\能.jpg")) == other);
    }
    // A folder copy that does not fit keeps the files that fitted, each one whole.
    std::string copied = folder + "\\大表";
    EXPECT_EQ(cp_file(dir.file("大表").c_str(), copied.c_str()), 0);
    EXPECT_TRUE(bench::read_file(target) == old);
    EXPECT_EQ(names_in(copied), std::vector<std::string>{"能.jpg"});
    EXPECT_TRUE(bench::read_file(copied + "\\能.jpg") == other);
    bench::remove_tree(copied);
    // With room, the same copy replaces the target whole and leaves nothing else.
    ASSERT_TRUE(DeleteFileA(drive.file(drive.filler_name).c_str()));
    EXPECT_EQ(cp_file(source.c_str(), target.c_str()), 1);
    EXPECT_TRUE(bench::read_file(target) == picture);
    EXPECT_EQ(names_in(folder), std::vector<std::string>{"写真ソ.jpg"});
}

TEST(FullDrive, RoomIsCountedInClusters)
{
    bench::small_drive drive;
    if (!drive.unusable().empty()) GTEST_SKIP() << drive.unusable();
    drive_clusters d;
    ASSERT_EQ(get_drive_clusters(drive.file("表ソ能\\a.jpg").c_str(), &d), 1);
    EXPECT_EQ(d.cluster_bytes, double(d.sectors_per_cluster) * d.bytes_per_sector);
    EXPECT_EQ(d.free_clusters, drive.free_clusters());
    struct {
        double size, clusters;
    } table[] = {{0, 0}, {1, 1}, {4096, 1}, {4097, 2}, {30000, 8}};
    for (const auto& t : table) EXPECT_EQ(clusters_for(t.size, d), t.clusters) << t.size;
    EXPECT_EQ(get_drive_clusters("\\\\", &d), 0);
    EXPECT_EQ(d.cluster_bytes, 0.0);
}
