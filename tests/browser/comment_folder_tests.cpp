// Comment files beside images and the folder operations, on real files with
// double-byte names whose trail byte is 0x5C.
#include "browser/model/comment_files.h"
#include "browser/model/folder_ops.h"
#include "browser/caches/thumb_cache.h"
#include "browser/operations/entry_ops.h"
#include "browser/model/image_kinds.h"
#include "browser/model/paths.h"
#include "tests/browser/list_fixtures.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>

namespace {
using list_fixture::in_folder;
bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
}  // namespace

TEST(CommentFiles, PairedWithTheirImages)
{
    bench::scratch_dir dir;
    in_folder here(dir.path());
    bench::write_file(dir.file("表.jpg"), "x");
    char name[260];
    ASSERT_TRUE(comment_file_name("表.jpg", name));
    EXPECT_EQ(std::string(name), dir.file("表.txt"));
    ASSERT_TRUE(comment_file_name("ソ", name));
    EXPECT_EQ(std::string(name), dir.file("ソ.txt"));

    EXPECT_EQ(is_comment_text("ソ.txt"), 0);
    EXPECT_EQ(create_comment_file("表.jpg"), 1);
    EXPECT_EQ(bench::read_file(dir.file("表.txt")), "\r\n");
    EXPECT_EQ(create_comment_file("表.jpg"), 0);  // exists already
    EXPECT_EQ(is_comment_text("表.txt"), 1);
    EXPECT_EQ(is_comment_text("表.TXT"), 1);
    EXPECT_EQ(is_comment_text("表.jpg"), 0);

    bench::write_file(dir.file("能.txt"), "x");
    EXPECT_EQ(is_comment_text("能.txt"), 0);  // no image beside it
    bench::write_file(dir.file("能.Tiff"), "x");
    EXPECT_EQ(is_comment_text("能.txt"), 1);
    image_kind_enabled[KIND_TIF] = 0;
    EXPECT_EQ(is_comment_text("能.txt"), 0);  // the image's kind is switched off
    image_kind_enabled[KIND_TIF] = 1;

    char n0[] = "表.txt", n1[] = "能.txt", n2[] = "表.jpg";
    char* names[] = {n0, n1, n2};
    unsigned char marks[] = {0, 1, 1};
    EXPECT_EQ(comment_file_selected("表.jpg", marks, names, 3), 0);
    marks[0] = 1;
    EXPECT_EQ(comment_file_selected("表.jpg", marks, names, 3), 1);
    EXPECT_EQ(comment_file_selected("能.txt", marks, names, 3), 0);

    // Renaming the image takes its comment along.
    MoveFileA("表.jpg", "ソ.jpg");
    EXPECT_EQ(move_comment_with_entry("表.jpg", "ソ.jpg"), 1);
    EXPECT_FALSE(exists(dir.file("表.txt")));
    EXPECT_TRUE(exists(dir.file("ソ.txt")));
    EXPECT_EQ(move_comment_with_entry("表.jpg", "ソ.jpg"), 0);
}

TEST(CommentFiles, LinesTrimmedAndWrapped)
{
    bench::scratch_dir dir;
    bench::write_file(dir.file("a.png"), "x");
    bench::write_file(dir.file("a.txt"), "first line   \r\nWWWWWWWWWW\r\n\r\n表ソ能\r\n");
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, GetStockObject(SYSTEM_FIXED_FONT));
    SIZE w = {0, 0};
    GetTextExtentPoint32A(dc, "WWWW", 4, &w);
    auto lines = read_comment_lines(dir.file("a.png").c_str(), dc, 10000);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "first line");
    EXPECT_EQ(lines[1], "WWWWWWWWWW");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], "表ソ能");

    lines = read_comment_lines(dir.file("a.png").c_str(), dc, w.cx);  // four characters to a line
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[0], "firs");
    EXPECT_EQ(lines[1], "t li");
    EXPECT_EQ(lines[2], "ne");
    EXPECT_EQ(lines[3], "WWWW");
    EXPECT_EQ(lines[4], "WWWW");
    EXPECT_EQ(lines[5], "WW");
    EXPECT_EQ(lines[6], "");
    std::string joined;
    for (size_t i = 7; i < lines.size(); i++) {
        EXPECT_FALSE(lines[i].empty());
        joined += lines[i];
    }
    EXPECT_EQ(joined, "表ソ能");  // wrapped between whole characters

    EXPECT_TRUE(read_comment_lines(dir.file("a.txt").c_str(), dc, 100).empty());  // not an image
    EXPECT_TRUE(read_comment_lines(dir.file("b.png").c_str(), dc, 100).empty());
    DeleteDC(dc);
}

TEST(FolderOps, FolderFromFile)
{
    bench::scratch_dir dir;
    std::string file = dir.write("ソ.jpg", "x");
    ASSERT_EQ(make_folder_from_file(file.c_str()), 1);
    EXPECT_TRUE(exists(dir.file("ソ\\ソ.jpg")));
    EXPECT_FALSE(exists(file));

    std::string other = dir.write("ソ.png", "y");  // the folder exists now
    EXPECT_EQ(make_folder_from_file(other.c_str()), 0);
    EXPECT_TRUE(exists(other));
    EXPECT_FALSE(exists(dir.file("ソ\\ソ.png")));

    std::string image = dir.write("表.png", "z");
    ASSERT_EQ(move_entry_into_folder(image.c_str(), dir.file("ソ").c_str()), 1);
    EXPECT_TRUE(exists(dir.file("ソ\\表")));  // an image loses its extension
    std::string text = dir.write("能.txt", "z");
    ASSERT_EQ(move_entry_into_folder(text.c_str(), dir.file("ソ").c_str()), 1);
    EXPECT_TRUE(exists(dir.file("ソ\\能.txt")));
}

TEST(FolderOps, LayerFolderImagesGoThroughTheScan)
{
    bench::scratch_dir dir;
    for (const char* name : {"表.layer\\a.png", "表.layer\\bソ.png", "表.layer\\c.txt", "表\\a.png", "表\\b.png"}) {
        CreateDirectoryA(dir.file(std::string(name).substr(0, std::string(name).find('\\'))).c_str(), nullptr);
        dir.write(name, "x");
    }
    current_folder_kept keep;
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path()));
    EXPECT_EQ(scan_layer_images("表.layer\\a.png"), 2) << "the layer folder's images";
    EXPECT_EQ(scan_layer_images("表\\a.png"), 0) << "a plain folder has no layers";
}

TEST(FolderOps, DissolveIntoParent)
{
    bench::scratch_dir dir;
    scoped_restore<thumb_cache_record> keep_cache(thumb_cache);
    dir.write("表\\a.jpg", "a");
    dir.write("表\\ソ.jpg", "b");
    // The cached picture of a moved file follows it.
    thumb_cache_entry& cached = thumb_cache.entries[1];
    cached = {};
    ASSERT_TRUE(text_copy(cached.path, dir.file("表\\ソ.jpg").c_str()));
    EXPECT_EQ(dissolve_folder(dir.file("表").c_str()), 0);
    EXPECT_FALSE(exists(dir.file("表")));
    EXPECT_EQ(bench::read_file(dir.file("ソ.jpg")), "b");
    EXPECT_EQ(std::string(cached.path), dir.file("ソ.jpg"));

    // A clashing name keeps the folder and the clashing file.
    dir.write("能\\ソ.jpg", "new");
    dir.write("能\\c.jpg", "c");
    EXPECT_EQ(dissolve_folder(dir.file("能").c_str()), 1);
    EXPECT_TRUE(exists(dir.file("能\\ソ.jpg")));
    EXPECT_EQ(bench::read_file(dir.file("ソ.jpg")), "b");
    EXPECT_TRUE(exists(dir.file("c.jpg")));

    // A subfolder keeps the folder (a plain removal, never a tree removal).
    dir.write("十\\sub\\d.jpg", "d");
    dir.write("十\\e.jpg", "e");
    EXPECT_EQ(dissolve_folder(dir.file("十").c_str()), 0);
    EXPECT_TRUE(exists(dir.file("十\\sub\\d.jpg")));
    EXPECT_TRUE(exists(dir.file("e.jpg")));
    EXPECT_EQ(dissolve_folder(dir.file("missing").c_str()), -1);
}
