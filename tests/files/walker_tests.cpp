// The directory walker on real trees: patterns applied to folders, stops,
// post-order leave steps, depth limits, paths past the 260-byte buffer, and
// links: a link out of a tree keeps its target's files, a cycle ends. The
// links come from the bench (C:\zote-links), since Wine cannot make them.
#include "files/files.h"
#include "files/internal.h"  // wildcard names and the skipped-item count are checked directly
#include "tests/files/log_capture.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<std::string> events;

int note_file(walk_item* item)
{
    events.push_back("file " + std::string(item->path));
    return 1;
}
int note_leave(walk_item* item)
{
    events.push_back("leave " + std::string(item->path));
    return 1;
}
int note_enter(walk_item* item)
{
    events.push_back("enter " + std::string(item->path));
    return 1;
}
int note_leaf(walk_item* item)
{
    events.push_back("leaf " + std::string(item->path));
    return 1;
}
int stop_at_file(walk_item* item)
{
    events.push_back("file " + std::string(item->path));
    return 0;
}
int stop_in_stop(walk_item* item)
{
    events.push_back("file " + std::string(item->path));
    return strstr(item->path, "\\stop\\") ? 0 : 1;
}
int skip_named_skip(walk_item* item) { return strcmp(item->find_data->cFileName, "skip") == 0; }

size_t position(const std::string& e)
{
    auto it = std::find(events.begin(), events.end(), e);
    return it == events.end() ? std::string::npos : (size_t)(it - events.begin());
}

bool is_link(const char* path)
{
    DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

TEST(Walker, PatternsStopsAndLeaveOrder)
{
    bench::scratch_dir dir;
    dir.write("a.jpg", "");
    dir.write("b.txt", "");
    dir.write("pics.jpg\\c.jpg", "");
    dir.write("pics.jpg\\inner\\d.jpg", "");
    dir.write("other\\e.jpg", "");
    std::string top = dir.path();
    events.clear();
    walk_tree(top.c_str(), "*.jpg", nullptr, note_file, note_leave, note_enter, nullptr);
    // "other" does not match the pattern: never entered.
    EXPECT_EQ(position("file " + top + "\\other\\e.jpg"), std::string::npos);
    EXPECT_EQ(position("file " + top + "\\b.txt"), std::string::npos);
    EXPECT_NE(position("file " + top + "\\a.jpg"), std::string::npos);
    size_t enter = position("enter " + top + "\\pics.jpg");
    size_t inside = position("file " + top + "\\pics.jpg\\c.jpg");
    size_t leave_sub = position("leave " + top + "\\pics.jpg\\");
    size_t leave_top = position("leave " + top + "\\");
    ASSERT_NE(enter, std::string::npos);
    ASSERT_NE(leave_sub, std::string::npos);
    EXPECT_LT(enter, inside);
    EXPECT_LT(inside, leave_sub);
    EXPECT_EQ(leave_top, events.size() - 1);
    // "inner" does not match "*.jpg" either.
    EXPECT_EQ(position("file " + top + "\\pics.jpg\\inner\\d.jpg"), std::string::npos);

    // A file callback's 0 stops the folder's listing, but its leave step runs
    // and the parent goes on.
    dir.write("stop\\f1.txt", "");
    dir.write("stop\\f2.txt", "");
    dir.write("z.txt", "");
    events.clear();
    walk_item rec = {};
    walk_tree((top + "\\stop").c_str(), "*.*", &rec, stop_at_file, note_leave, nullptr, nullptr);
    EXPECT_EQ(events.size(), 2u);
    EXPECT_EQ(events.back(), "leave " + top + "\\stop\\");
    // The same stop below the top folder: the top's own listing goes on.
    events.clear();
    walk_tree(top.c_str(), "*.*", nullptr, stop_in_stop, note_leave, nullptr, nullptr);
    for (const char* f : {"\\a.jpg", "\\b.txt", "\\z.txt", "\\other\\e.jpg", "\\pics.jpg\\inner\\d.jpg"})
        EXPECT_NE(position("file " + top + f), std::string::npos) << f;
    EXPECT_EQ(position("file " + top + "\\stop\\f1.txt") == std::string::npos,
              position("file " + top + "\\stop\\f2.txt") != std::string::npos);
    EXPECT_NE(position("leave " + top + "\\stop\\"), std::string::npos);
    EXPECT_EQ(events.back(), "leave " + top + "\\");

    // Nothing found: no leave step at all.
    events.clear();
    walk_tree(top.c_str(), "*.none", nullptr, note_file, note_leave, nullptr, nullptr);
    EXPECT_TRUE(events.empty());

    // A skip callback keeps a folder from being entered.
    dir.write("skip\\hidden.txt", "");
    events.clear();
    walk_tree(top.c_str(), "*.*", nullptr, note_file, nullptr, nullptr, skip_named_skip);
    EXPECT_EQ(position("file " + top + "\\skip\\hidden.txt"), std::string::npos);
    EXPECT_NE(position("file " + top + "\\stop\\f1.txt"), std::string::npos);

    // One level: folders and files to their callbacks, nothing deeper.
    events.clear();
    walk_folder(note_enter, top.c_str(), "*.*", nullptr, note_file);
    EXPECT_NE(position("enter " + top + "\\other"), std::string::npos);
    EXPECT_NE(position("file " + top + "\\z.txt"), std::string::npos);
    EXPECT_EQ(position("file " + top + "\\other\\e.jpg"), std::string::npos);
}

TEST(Walker, DepthLimits)
{
    bench::scratch_dir dir;
    dir.write("a\\b\\c\\f.txt", "");
    dir.write("x\\g.txt", "");
    std::string top = dir.path();
    events.clear();
    EXPECT_EQ(walk_tree_depth(0, top.c_str(), "*.*", nullptr, note_file, note_leaf, nullptr, 5), 5);
    EXPECT_NE(position("leaf " + top + "\\a"), std::string::npos);
    EXPECT_NE(position("leaf " + top + "\\x"), std::string::npos);
    EXPECT_EQ(events.size(), 2u);
    events.clear();
    EXPECT_EQ(walk_tree_depth(1, top.c_str(), "*.*", nullptr, note_file, note_leaf, nullptr, 0), 1);
    EXPECT_NE(position("leaf " + top + "\\a\\b"), std::string::npos);
    EXPECT_NE(position("file " + top + "\\x\\g.txt"), std::string::npos);
    EXPECT_EQ(walk_tree_depth(9, top.c_str(), "*.*", nullptr, nullptr, nullptr, nullptr, 0), 3);
}

TEST(Walker, CollectNamesWithinTheBuffer)
{
    bench::scratch_dir dir;
    dir.write("bb.txt", "");
    dir.write("a.txt", "");
    dir.write("表.txt", "");
    char buffer[64];
    char* table[8] = {buffer};
    walk_item rec = {};
    rec.names = table;
    rec.names_max = 8;
    rec.names_end = buffer + sizeof buffer;
    walk_folder(nullptr, dir.path(), "*.*", &rec, collect_name_cb);
    ASSERT_EQ(rec.count, 3);
    qsort(table, 3, sizeof table[0], compare_names_ci);
    EXPECT_STREQ(table[0], "a.txt");
    EXPECT_STREQ(table[1], "bb.txt");
    EXPECT_STREQ(table[2], "表.txt");
    // A buffer too small for the names stops collecting; nothing is written past it.
    char tiny[12];
    tiny[11] = 'Z';
    char* small_table[8] = {tiny};
    walk_item small = {};
    small.names = small_table;
    small.names_max = 8;
    small.names_end = tiny + 11;
    walk_folder(nullptr, dir.path(), "*.*", &small, collect_name_cb);
    EXPECT_LT(small.count, 3);
    EXPECT_GT(small.failures, 0);
    EXPECT_EQ(tiny[11], 'Z');

    char path[PATH_BUF];
    text_copy(path, dir.file("b*.txt").c_str());
    EXPECT_EQ(resolve_wildcard_name(path), 1);
    EXPECT_EQ(std::string(path), dir.file("bb.txt"));
}

TEST(Walker, PathsPastTheBufferAreSkippedAndReported)
{
    bench::scratch_dir dir;
    std::string base = dir.path();
    std::string a = base + "\\";
    for (int i = 0; i < 70; i++) a += "表";
    ASSERT_TRUE(CreateDirectoryA(a.c_str(), nullptr));
    ASSERT_LT(a.size(), 259u);
    bench::write_file(a + "\\s.txt", "s");
    std::string b = a + "\\";
    for (int i = 0; i < 40; i++) b += "能";
    ASSERT_GT(b.size(), 260u);
    ASSERT_TRUE(CreateDirectoryA(b.c_str(), nullptr));  // more bytes than 260, fewer characters
    bench::write_file(b + "\\deep.txt", "d");
    events.clear();
    long before = walk_skipped_items;
    walk_item rec = {};
    walk_tree(base.c_str(), "*.*", &rec, note_file, nullptr, nullptr, nullptr);
    EXPECT_EQ(events.size(), 1u);
    EXPECT_EQ(rec.failures, 1);
    EXPECT_EQ(walk_skipped_items, before + 1);
    // Deleting the tree leaves what it cannot name.
    rm_tree(a.c_str());
    EXPECT_EQ(bench::read_file(b + "\\deep.txt"), "d");
    EXPECT_TRUE(bench::read_file(a + "\\s.txt").empty());
}

TEST(Walker, LinksAreNotFollowedByDestructiveWalks)
{
    const char* tree = "C:\\zote-links\\tree";
    if (!is_link("C:\\zote-links\\tree\\out") || !is_link("C:\\zote-links\\tree\\a\\up"))
        GTEST_SKIP() << "the bench made no link fixtures";
    bench::write_file("C:\\zote-links\\outside\\keep.txt", "keep");
    bench::write_file("C:\\zote-links\\tree\\mine.txt", "m");
    bench::write_file("C:\\zote-links\\tree\\a\\inner.txt", "i");

    // Counting without following: the tree's own two files.
    walk_item rec = {};
    walk_tree(tree, "*.*", &rec, count_cb, nullptr, nullptr, nullptr);
    EXPECT_EQ(rec.count, 2);
    // Following links: the outside file once more, and the cycle ends.
    walk_item follow = {};
    follow.flags = WALK_FOLLOW_LINKS;
    walk_tree(tree, "*.*", &follow, count_cb, nullptr, nullptr, nullptr);
    EXPECT_EQ(follow.count, 3);
    EXPECT_GE(follow.failures, 1);
    EXPECT_LE(walk_tree_depth(50, tree, "*.*", &follow, nullptr, nullptr, nullptr, 0), 3);

    // A copy follows the links and stops at the cycle, which makes it incomplete.
    bench::scratch_dir dir;
    std::string copy = dir.file("copy");
    EXPECT_EQ(cp_tree(tree, copy.c_str()), 0);
    EXPECT_EQ(bench::read_file(copy + "\\out\\keep.txt"), "keep");
    EXPECT_EQ(bench::read_file(copy + "\\a\\inner.txt"), "i");

    log_capture log;
    EXPECT_EQ(rm_tree(tree), 1);
    EXPECT_EQ(bench::read_file("C:\\zote-links\\outside\\keep.txt"), "keep");
    EXPECT_TRUE(bench::read_file("C:\\zote-links\\tree\\mine.txt").empty());
    EXPECT_TRUE(bench::read_file("C:\\zote-links\\tree\\a\\inner.txt").empty());
    EXPECT_EQ(log.text().find("keep.txt"), std::string::npos);
    // The fixtures stay for the next run.
    CreateDirectoryA(tree, nullptr);
    CreateDirectoryA("C:\\zote-links\\tree\\a", nullptr);
}

TEST(Walker, FoldersJustShortOfTheBufferAreWalked)
{
    bench::scratch_dir dir;
    for (size_t length : {256u, 257u}) {
        std::string folder = std::string(dir.path()) + "\\" + std::to_string(length);
        while (folder.size() + 2 <= length) folder += "表";
        if (folder.size() < length) folder += "x";
        ASSERT_EQ(folder.size(), length);
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << length;
        ASSERT_TRUE(bench::write_file(folder + "\\a", "a"));
        events.clear();
        walk_item rec = {};
        walk_folder(nullptr, folder.c_str(), "*.*", &rec, note_file);
        walk_tree(folder.c_str(), "*.*", &rec, note_file, nullptr, nullptr, nullptr);
        walk_tree_depth(1, folder.c_str(), "*", &rec, note_file, nullptr, nullptr, 0);
        EXPECT_EQ(events, std::vector<std::string>(3, "file " + folder + "\\a")) << length;
        EXPECT_EQ(rec.failures, 0) << length;
        EXPECT_EQ(count_files(folder.c_str(), "*.*"), 1) << length;
    }
}
