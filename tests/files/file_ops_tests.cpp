// Logged file operations on real files: exact log lines and their order,
// moves across drives (C: is the prefix, D: the build tree), tree copies
// that fail, and folders copied into themselves.
#include "files/files.h"
#include "files/internal.h"  // clear_tree is called directly
#include "tests/files/log_capture.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <string>

namespace {

bool exists(const std::string& p) { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A fresh folder on drive D:, removed afterwards.
struct d_drive_dir {
    std::string path;
    d_drive_dir()
    {
        char name[64];
        snprintf(name, sizeof name, "D:\\zote-files-%lu-%lu", GetCurrentProcessId(), GetTickCount());
        path = name;
        CreateDirectoryA(path.c_str(), nullptr);
    }
    ~d_drive_dir() { bench::remove_tree(path); }
};

}  // namespace

TEST(FileOps, RemoveFileLogsPlainAndReadOnly)
{
    bench::scratch_dir dir;
    std::string a = dir.write("a.txt", "x");
    std::string ro = dir.write("表.txt", "x");
    SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_READONLY);
    log_capture log;
    EXPECT_EQ(rm_file(a.c_str()), 1);
    EXPECT_EQ(rm_file(ro.c_str()), 1);
    EXPECT_EQ(rm_file(a.c_str()), 0);
    EXPECT_EQ(log.text(), "..rm " + a + "\n..RM " + ro + "\n");
    EXPECT_FALSE(exists(ro));
}

TEST(FileOps, LoggingNeedsTheFlagAndTheQuery)
{
    bench::scratch_dir dir;
    std::string a = dir.write("a.txt", "x");
    std::string b = dir.write("b.txt", "x");
    EXPECT_EQ(file_op_logging, 1);
    {
        log_capture log;
        set_file_op_logging(0);
        EXPECT_EQ(rm_file(a.c_str()), 1);
        set_file_op_logging(1);
        EXPECT_EQ(log.text(), "");
    }
    // The flag on but the console's logging query saying no: nothing either.
    log_capture log;
    console_hooks.logging_on = [] { return 0; };
    EXPECT_EQ(rm_file(b.c_str()), 1);
    EXPECT_EQ(log.text(), "");
    EXPECT_EQ(md_path(dir.file("m").c_str()), 1);
    EXPECT_EQ(log.text(), "");
}

TEST(FileOps, MakePathOutermostFirst)
{
    bench::scratch_dir dir;
    std::string deep = dir.file("x\\能\\z");
    log_capture log;
    EXPECT_EQ(md_path(deep.c_str()), 1);
    EXPECT_EQ(log.text(), "..md " + dir.file("x") + "\n..md " + dir.file("x\\能") + "\n..md " + deep + "\n");
    log.text().clear();
    EXPECT_EQ(md_path(deep.c_str()), 0);
    EXPECT_EQ(md_path("Q:\\a\\b"), 0);
    EXPECT_EQ(log.text(), "");
}

TEST(FileOps, CopyTreeAndRemoveTreeLogLines)
{
    bench::scratch_dir dir;
    dir.write("src\\one.txt", "1");
    dir.write("src\\画像\\two.txt", "22");
    dir.write("src\\画像\\deeper\\three.txt", "333");
    std::string src = dir.file("src"), dst = dir.file("dst");
    log_capture log;
    EXPECT_EQ(cp_file(src.c_str(), dst.c_str()), 1);
    // One "..md" for the destination, the tree's folders outermost first,
    // then one "..cp"; the files themselves are copied without lines.
    EXPECT_EQ(log.text(), "..md " + dst + "\n..md " + dst + "\\画像\n..md " + dst + "\\画像\\deeper\n..cp " + src +
                              " -> " + dst + "\n");
    EXPECT_EQ(bench::read_file(dst + "\\画像\\deeper\\three.txt"), "333");
    EXPECT_EQ(bench::read_file(dst + "\\one.txt"), "1");

    log.text().clear();
    EXPECT_EQ(rm_tree(dst.c_str()), 1);
    std::string expect_files[] = {dst + "\\one.txt", dst + "\\画像\\two.txt", dst + "\\画像\\deeper\\three.txt"};
    std::string text = log.text();
    for (auto& f : expect_files) EXPECT_NE(text.find("..rm " + f + "\n"), std::string::npos) << f;
    size_t deeper = text.find("..rd " + dst + "\\画像\\deeper\\\n");
    size_t middle = text.find("..rd " + dst + "\\画像\\\n");
    size_t top = text.find("..rd " + dst + "\\\n");
    ASSERT_NE(deeper, std::string::npos);
    ASSERT_NE(middle, std::string::npos);
    ASSERT_NE(top, std::string::npos);
    EXPECT_LT(deeper, middle);
    EXPECT_LT(middle, top);
    // Every file goes before any folder, and nothing else is logged.
    EXPECT_LT(text.rfind("..rm "), text.find("..rd "));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6);
    EXPECT_EQ(top + 5 + dst.size() + 2, text.size());
    EXPECT_FALSE(exists(dst));
}

TEST(FileOps, MoveOnOneDriveAndAcrossDrives)
{
    bench::scratch_dir dir;
    d_drive_dir d;
    std::string a = dir.write("a.txt", "A");
    std::string b = dir.file("b.txt");
    log_capture log;
    EXPECT_EQ(mv_file(a.c_str(), b.c_str()), 1);
    EXPECT_EQ(log.text(), "..mv " + a + " -> " + b + "\n");
    std::string c = dir.write("c.txt", "C");
    EXPECT_EQ(mv_file(c.c_str(), b.c_str()), 0);  // no overwrite
    EXPECT_EQ(bench::read_file(b), "A");

    // Across drives onto an existing destination: nothing changes.
    std::string taken = d.path + "\\taken.txt";
    bench::write_file(taken, "T");
    EXPECT_EQ(mv_file(c.c_str(), taken.c_str()), 0);
    EXPECT_EQ(bench::read_file(c), "C");
    EXPECT_EQ(bench::read_file(taken), "T");

    // A folder across drives: copy, delete, then "..mv".
    dir.write("tree\\x.txt", "x");
    std::string tree = dir.file("tree"), target = d.path + "\\tree";
    log.text().clear();
    EXPECT_EQ(mv_file(tree.c_str(), target.c_str()), 1);
    EXPECT_EQ(log.text(), "..md " + target + "\n..cp " + tree + " -> " + target + "\n..rm " + tree + "\\x.txt\n..rd " +
                              tree + "\\\n..mv " + tree + " -> " + target + "\n");
    EXPECT_FALSE(exists(tree));
    EXPECT_EQ(bench::read_file(target + "\\x.txt"), "x");
}

TEST(FileOps, FailedCrossDriveMoveKeepsItsSource)
{
    bench::scratch_dir dir;
    d_drive_dir d;
    dir.write("tree\\ok.txt", "ok");
    std::string locked = dir.write("tree\\sub\\locked.txt", "locked");
    std::string tree = dir.file("tree"), target = d.path + "\\tree";
    HANDLE h = CreateFileA(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    log_capture log;
    EXPECT_EQ(mv_file(tree.c_str(), target.c_str()), 0);
    CloseHandle(h);
    EXPECT_EQ(bench::read_file(locked), "locked");
    EXPECT_EQ(bench::read_file(dir.file("tree\\ok.txt")), "ok");
    EXPECT_EQ(log.text().find("..rm "), std::string::npos);
    EXPECT_EQ(log.text().find("..mv "), std::string::npos);
    EXPECT_EQ(cp_tree(tree.c_str(), (d.path + "\\again").c_str()), 1);
}

TEST(FileOps, FolderIntoItselfIsRefused)
{
    bench::scratch_dir dir;
    dir.write("a\\f.txt", "f");
    std::string a = dir.file("a");
    EXPECT_EQ(cp_tree(a.c_str(), (a + "\\inner").c_str()), 0);
    EXPECT_EQ(cp_tree(a.c_str(), a.c_str()), 0);
    EXPECT_FALSE(exists(a + "\\inner"));
    // The console's copy into the folder itself would make a\a.
    EXPECT_EQ(cp_command(("\"" + a + "\" \"" + a + "\"").c_str()), 0);
    EXPECT_FALSE(exists(a + "\\a"));
    // A sibling whose name starts the same is no part of the source.
    EXPECT_EQ(cp_tree(a.c_str(), (a + "b").c_str()), 1);
    EXPECT_EQ(bench::read_file(a + "b\\f.txt"), "f");
    // A source ending in 表 (trail byte 0x5C) is no prefix of its siblings.
    dir.write("表\\f.txt", "f");
    std::string hyo = dir.file("表");
    EXPECT_EQ(cp_tree(hyo.c_str(), (hyo + "\\in").c_str()), 0);
    EXPECT_EQ(cp_tree(hyo.c_str(), (hyo + "b").c_str()), 1);
    EXPECT_EQ(bench::read_file(hyo + "b\\f.txt"), "f");
}

TEST(FileOps, CopyCommandWithPatterns)
{
    bench::scratch_dir dir;
    dir.write("src\\a.txt", "a");
    dir.write("src\\b.txt", "b");
    dir.write("src\\c.jpg", "c");
    CreateDirectoryA(dir.file("src\\folder.txt").c_str(), nullptr);
    CreateDirectoryA(dir.file("out").c_str(), nullptr);
    std::string line = dir.file("src\\*.txt") + " " + dir.file("out");
    EXPECT_EQ(cp_command(line.c_str()), 1);
    EXPECT_EQ(bench::read_file(dir.file("out\\a.txt")), "a");
    EXPECT_EQ(bench::read_file(dir.file("out\\b.txt")), "b");
    EXPECT_FALSE(exists(dir.file("out\\c.jpg")));
    EXPECT_FALSE(exists(dir.file("out\\folder.txt")));

    // A pattern onto an existing file copies the first match onto it.
    std::string single = dir.write("one\\target.dat", "old");
    line = dir.file("src\\c.*") + " " + single;
    EXPECT_EQ(cp_command(line.c_str()), 1);
    EXPECT_EQ(bench::read_file(single), "c");

    // A plain file into an existing folder keeps its name; a wildcard
    // destination is resolved to the matching item.
    line = "\"" + dir.file("src\\c.jpg") + "\" " + dir.file("on*");
    EXPECT_EQ(cp_command(line.c_str()), 1);
    EXPECT_EQ(bench::read_file(dir.file("one\\c.jpg")), "c");
    EXPECT_EQ(cp_command((dir.file("missing.txt") + " " + dir.file("out")).c_str()), 0);
}

TEST(FileOps, RemoveMatchingAndCounts)
{
    bench::scratch_dir dir;
    dir.write("a.jpg", "");
    dir.write("b.jpg", "");
    dir.write("c.png", "");
    dir.write("sub\\d.jpg", "");
    dir.write("sub\\deep\\e.jpg", "");
    dir.write("sub\\deep\\f.png", "");
    EXPECT_EQ(count_files(dir.path(), "*.jpg"), 2);
    EXPECT_EQ(count_files(dir.path(), "*.*"), 3);
    EXPECT_EQ(count_files_tree(dir.file("*.jpg").c_str(), "*"), 4);
    EXPECT_EQ(rm_matching("%s\\%s", dir.path(), "*.jpg"), 1);
    EXPECT_EQ(count_files(dir.path(), "*.*"), 1);
    EXPECT_EQ(count_files_tree(dir.file("*.jpg").c_str(), "*"), 2);
    EXPECT_EQ(rm_matching_tree("%s\\*.jpg", dir.path()), 1);
    EXPECT_EQ(count_files_tree(dir.file("*.*").c_str(), "*"), 2);
    // A formed path past the path buffer deletes nothing.
    dir.write("x.png", "");
    std::string pad(300, 'p');
    EXPECT_EQ(rm_matching("%s\\%s\\..\\..\\*.png", dir.path(), pad.c_str()), 0);
    EXPECT_EQ(count_files(dir.path(), "*.png"), 2);
}

TEST(FileOps, MoveWhoseDestinationNamesDoNotFitKeepsItsSource)
{
    bench::scratch_dir dir;
    d_drive_dir d;
    std::string file = dir.write("tree\\a-rather-long-file-name.txt", "keep");
    std::string tree = dir.file("tree");
    std::string target = d.path + "\\" + std::string(220, 'x');
    ASSERT_LT(target.size(), 259u);
    ASSERT_GT(target.size() + 32, 259u);
    EXPECT_EQ(mv_file(tree.c_str(), target.c_str()), 0);
    EXPECT_EQ(bench::read_file(file), "keep");
}

TEST(FileOps, ClearTreeEmptiesTheTree)
{
    bench::scratch_dir dir;
    dir.write("t\\a.txt", "");
    dir.write("t\\sub\\b.txt", "");
    std::string t = dir.file("t");
    clear_tree(t.c_str());
    EXPECT_FALSE(exists(t + "\\a.txt"));
    EXPECT_FALSE(exists(t + "\\sub"));
}

namespace {

// A path on D: of more bytes than the path buffer holds but fewer than 260
// characters, which the platform still opens: dir\表…\能….txt.
std::string long_d_path(const d_drive_dir& d)
{
    std::string folder = d.path + "\\";
    for (int i = 0; i < 70; i++) folder += "表";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string file = folder + "\\";
    for (int i = 0; i < 50; i++) file += "能";
    return file + ".txt";
}

}  // namespace

TEST(FileOps, MoveOntoADestinationThatCannotBeTestedIsRefused)
{
    bench::scratch_dir dir;
    d_drive_dir d;
    std::string taken = long_d_path(d);
    ASSERT_GT(taken.size(), 259u);
    ASSERT_TRUE(bench::write_file(taken, "T"));
    std::string source = dir.write("s.txt", "S");
    EXPECT_EQ(mv_file(source.c_str(), taken.c_str()), 0);
    EXPECT_EQ(bench::read_file(taken), "T");
    EXPECT_EQ(bench::read_file(source), "S");
    // The same holds when the untestable destination does not exist.
    std::string missing = taken.substr(0, taken.size() - 4) + ".new";
    EXPECT_EQ(mv_file(source.c_str(), missing.c_str()), 0);
    EXPECT_EQ(bench::read_file(source), "S");
}

TEST(FileOps, FolderIntoItselfUnderAnotherNameIsRefused)
{
    bench::scratch_dir dir;
    dir.write("a-long-folder-name\\f.txt", "f");
    std::string source = dir.file("a-long-folder-name");
    char short_name[PATH_BUF];
    DWORD n = GetShortPathNameA(source.c_str(), short_name, sizeof short_name);
    ASSERT_TRUE(n > 0 && n < sizeof short_name);
    ASSERT_NE(std::string(short_name), source);
    // M: is mapped onto C:\zote-mapped and C:\zote-links\tree\out links to
    // C:\zote-links\outside (both made by the bench).
    bool mapped = exists("M:\\") && exists("C:\\zote-mapped");
    bool linked = exists("C:\\zote-links\\tree\\out") && exists("C:\\zote-links\\outside");
    std::string mapped_source = "C:\\zote-mapped\\tree";
    if (mapped) bench::write_file((CreateDirectoryA(mapped_source.c_str(), nullptr), mapped_source + "\\f.txt"), "f");
    struct {
        bool usable;
        std::string source, inner, real_inner;
    } cases[] = {
        {true, source, std::string(short_name) + "\\inner", source + "\\inner"},
        {mapped, mapped_source, "M:\\tree\\inner", mapped_source + "\\inner"},
        {linked, "C:\\zote-links\\outside", "C:\\zote-links\\tree\\out\\copy", "C:\\zote-links\\outside\\copy"},
    };
    for (auto& c : cases) {
        if (!c.usable) {
            // A prefix made before the fixture existed: remake the bench.
            printf("note: the bench made no fixture for %s\n", c.inner.c_str());
            continue;
        }
        EXPECT_EQ(cp_tree(c.source.c_str(), c.inner.c_str()), 0) << c.inner;
        EXPECT_FALSE(exists(c.real_inner)) << c.inner;
        bench::remove_tree(c.real_inner);
    }
    if (mapped) bench::remove_tree(mapped_source);
    // Another folder of the same drive is still a fine destination.
    EXPECT_EQ(cp_tree(short_name, dir.file("copy").c_str()), 1);
    EXPECT_EQ(bench::read_file(dir.file("copy\\f.txt")), "f");
}

TEST(FileOps, FailedCrossDriveMoveRemovesOnlyWhatItMade)
{
    bench::scratch_dir dir;
    d_drive_dir d;
    std::string keep = d.path + "\\keep.txt";
    bench::write_file(keep, "keep");
    dir.write("tree\\ok.txt", "ok");
    std::string locked = dir.write("tree\\sub\\locked.txt", "locked");
    std::string tree = dir.file("tree");
    // The destination alone is new, or a new folder above it as well.
    struct {
        std::string target, made;
    } cases[] = {
        {d.path + "\\tree", d.path + "\\tree"},
        {d.path + "\\new\\deeper\\tree", d.path + "\\new"},
    };
    for (auto& c : cases) {
        HANDLE h = CreateFileA(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_EQ(mv_file(tree.c_str(), c.target.c_str()), 0) << c.target;
        CloseHandle(h);
        EXPECT_FALSE(exists(c.made)) << c.target;
        EXPECT_EQ(bench::read_file(keep), "keep");
        EXPECT_EQ(bench::read_file(locked), "locked");
    }
    // Nothing is left in the way of the retry.
    std::string target = cases[1].target;
    EXPECT_EQ(mv_file(tree.c_str(), target.c_str()), 1);
    EXPECT_EQ(bench::read_file(target + "\\sub\\locked.txt"), "locked");
    EXPECT_FALSE(exists(tree));
}
