// The browser's operations onto a full drive (S:, the bench's 1 MB drive):
// a paste is weighed in whole clusters before its first item, a write-back
// whose archive does not fit leaves the archive as it was, and a save that
// does not fit says so.
#include "files/files.h"
#include "app/start_up.h"
#include "browser/operations/image_save.h"
#include "formats/formats.h"
#include "tests/browser/archive_fixtures.h"
#include "tests/support/small_drive.h"
#include <gtest/gtest.h>
#include <algorithm>

using namespace archive_folder_test;
using namespace paste_fixture;

namespace {

std::vector<std::string> names_in(const std::string& folder)
{
    std::vector<std::string> names;
    for (const tree_file& f : read_tree(folder)) names.push_back(f.name);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

// Twelve files of 100 bytes need twelve clusters (96 sectors), though their
// twelve sectors would fit in the 80 sectors of ten free clusters.
TEST(FullDrive, PasteCountsClustersNotSectors)
{
    bench::small_drive drive;
    if (!drive.unusable().empty()) GTEST_SKIP() << drive.unusable();
    bench::clipboard_lock lock;
    bench::scratch_dir dir;
    std::vector<std::string> names;
    for (int i = 0; i < 12; i++) {
        names.push_back("表ソ" + std::to_string(i) + ".jpg");
        dir.write("能\\" + names.back(), std::string(100, char('a' + i)));
    }
    std::string to = drive.file("貼付表");
    ASSERT_TRUE(CreateDirectoryA(to.c_str(), nullptr));
    struct {
        double free_clusters;
        size_t pasted;
        const char* box;
    } cases[] = {
        {10, 0,
         "ディスク容量が足りないので貼付を中止します．\n　\n  空き容量  41KB (80セクタ)\n  必要容量  1KB (96セクタ)\n"},
        {13, 12, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.free_clusters);
        ASSERT_TRUE(drive.leave_free(c.free_clusters));
        bench::install_message_box_seam(IDOK);
        keys_fixture::browser_page page(800, 600);
        mark_and_put(page, dir.file("能"), names, 0);
        paste_into(to);
        EXPECT_EQ(names_in(to).size(), c.pasted);
        ASSERT_EQ(bench::message_boxes.size(), c.box ? 1u : 0u);
        if (c.box) { EXPECT_EQ(bench::message_boxes[0].text, c.box); }
    }
}

TEST(FullDrive, WriteBackThatDoesNotFitKeepsTheArchive)
{
    prepare();
    bench::small_drive drive;
    if (!drive.unusable().empty()) GTEST_SKIP() << drive.unusable();
    std::string folder = drive.file("書庫表");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    for (const char* fixture_name : {"images.zip", "images.lzh"}) {
        SCOPED_TRACE(fixture_name);
        std::string archive = folder + "\\写真ソ" + strchr(fixture_name, '.');
        ASSERT_TRUE(CopyFileA(fixture(fixture_name).c_str(), archive.c_str(), FALSE));
        std::string before = bench::read_file(archive);
        ASSERT_EQ(open_archive_as_folder(archive.c_str()), 1);
        ASSERT_TRUE(bench::write_file(std::string(archive_work.folder) + "\\大きな能.bin", bench::noise(200000, 7)));
        ASSERT_TRUE(drive.leave_free(10));
        {
            list_fixture::in_folder inside(archive_work.folder);
            EXPECT_EQ(write_back_archive(nullptr), 0);
        }
        EXPECT_TRUE(bench::read_file(archive) == before);
        EXPECT_EQ(names_in(folder), std::vector<std::string>{std::string(file_name_of(archive.c_str()))});
        EXPECT_EQ(drive.free_clusters(), 10.0);
        bench::install_message_box_seam(IDNO);  // the change that could not go in is given up
        leave_archive_folder(archive.c_str());
        bench::install_message_box_seam(IDOK);
        DeleteFileA(archive.c_str());
    }
}

// A picture no format makes small, saved in each format beside itself on a
// full drive: every save says it failed, and the drive keeps the source and
// no part of a file.
TEST(FullDrive, ASaveThatDoesNotFitSaysSo)
{
    bench::small_drive drive;
    if (!drive.unusable().empty()) GTEST_SKIP() << drive.unusable();
    install_image_format_hooks();
    _bmap* b = bmap_new(256, 256);
    std::string noise = bench::noise((size_t)b->size, 52);
    memcpy(b->pixels, noise.data(), noise.size());
    std::string source = drive.file("表.png");
    ASSERT_EQ(save_png_rgb(source.c_str(), b), 1);
    _bmap_delete(b);
    std::string bytes = bench::read_file(source);
    ASSERT_TRUE(drive.leave_free(2));
    const char* names[] = {"表.bmp", "表.jpg", "表.png", "表.tif"};
    for (int format = SAVE_BMP; format <= SAVE_TIFF; format++) {
        bench::install_message_box_seam(IDYES);
        save_choice choice = {format, 100, 0, 1, 96, 96, 0};
        EXPECT_EQ(save_image_with_choice(source.c_str(), &choice), 0) << names[format - 1];
        ASSERT_EQ(bench::message_boxes.size(), 1u) << names[format - 1];
        EXPECT_EQ(bench::message_boxes[0].text, std::string(names[format - 1]) + " を保存できませんでした．");
    }
    EXPECT_TRUE(bench::read_file(source) == bytes);
    EXPECT_EQ(names_in("S:"), (std::vector<std::string>{bench::small_drive::filler_name, "表.png"}));
}
