// The mirror copy: which files are copied, asked about or deleted, with the
// exact console lines; the overwrite answers; folders replaced by files; a
// target whose name extends the source's; a missing source; files held open.
#include "console_fixture.h"
#include "console/fcopy.h"      // the shadow root is set and cleared around a case
#include "console/tree_copy.h"  // the mirror copy, its time comparison and overwrite answers, called directly
#include "files/files.h"
#include "tests/support/small_drive.h"

namespace {

FILETIME at(int year, int second)
{
    SYSTEMTIME st = {};
    st.wYear = (WORD)year;
    st.wMonth = 6;
    st.wDay = 1;
    st.wHour = 12;
    st.wSecond = (WORD)second;
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

std::string put(const bench::scratch_dir& dir, const std::string& name, const std::string& bytes, FILETIME t)
{
    std::string p = dir.write(name, bytes);
    set_file_write_time(p.c_str(), t);
    return p;
}

struct copy_case {
    const char* what;
    const char* src_bytes;
    int src_second;
    const char* dst_bytes;
    int dst_second;
    const char* keys;
    const char* out;  // "S" and "T" stand for the two paths
    const char* dst_after;
};

std::string subst(const std::string& text, const std::string& s, const std::string& t)
{
    std::string out;
    for (char c : text) out += c == 'S' ? s : c == 'T' ? t : std::string(1, c);
    return out;
}

TEST(TreeCopy, NewerSameSlotOtherSizeAndOlderWithAnswers)
{
    const char* ask = "..a  S\n  copy old file -> new file?\n  [y=yes, n=no, a=yes for all, i=no for all]";
    const copy_case cases[] = {
        {"newer", "new", 10, "old", 4, "", "..t..cp S -> T\n", "new"},
        {"same slot, same size", "aaa", 11, "bbb", 10, "", "", "bbb"},
        {"same time, other size", "long", 10, "bbb", 10, "", "..s..cp S -> T\n", "long"},
        {"older, same size", "aaa", 4, "bbb", 10, "", "", "bbb"},
        {"older, y", "older", 4, "bbb", 10, "y", "*..cp S -> T\n", "older"},
        {"older, n", "older", 4, "bbb", 10, "n", "*", "bbb"},
        {"older, Y", "older", 4, "bbb", 10, "Y", "*", "bbb"},
        {"older, i", "older", 4, "bbb", 10, "i", "*", "bbb"},
    };
    for (const copy_case& c : cases) {
        bench::scratch_dir dir;
        console_drive d;
        scoped_restore<char> keep_answer(overwrite_answer);
        overwrite_answer = 'y';
        std::string s = put(dir, "s\\f.txt", c.src_bytes, at(2020, c.src_second));
        std::string t = put(dir, "t\\f.txt", c.dst_bytes, at(2020, c.dst_second));
        d.type(c.keys);
        EXPECT_EQ(1, walk_tree_copy(dir.file("s").c_str(), dir.file("t").c_str(), 0));
        std::string want = c.out[0] == '*' ? std::string(ask) + (c.out + 1) : c.out;
        EXPECT_EQ(subst(want, s, t), d.out) << c.what;
        EXPECT_EQ(c.dst_after, bench::read_file(t)) << c.what;
    }
}

TEST(TreeCopy, AnswerAllStopsTheQuestionsForTheProcess)
{
    bench::scratch_dir dir;
    console_drive d;
    scoped_restore<char> keep_answer(overwrite_answer);
    overwrite_answer = 'y';
    for (const char* n : {"1.txt", "2.txt"}) {
        put(dir, std::string("s\\") + n, "older", at(2020, 4));
        put(dir, std::string("t\\") + n, "new", at(2020, 20));
    }
    d.type("a");
    walk_tree_copy(dir.file("s").c_str(), dir.file("t").c_str(), 0);
    EXPECT_EQ(1, d.keys_read);
    EXPECT_EQ("older", bench::read_file(dir.file("t\\1.txt")));
    EXPECT_EQ("older", bench::read_file(dir.file("t\\2.txt")));
}

TEST(TreeCopy, MirrorsDeletesAfterTheCopyAndReplacesFolders)
{
    bench::scratch_dir dir;
    console_drive d;
    put(dir, "s\\a.txt", "a", at(2020, 10));
    put(dir, "s\\sub\\b.txt", "b", at(2020, 10));
    put(dir, "s\\f.txt", "file", at(2020, 10));
    put(dir, "t\\gone.txt", "x", at(2020, 10));
    put(dir, "t\\old\\c.txt", "c", at(2020, 10));
    put(dir, "t\\f.txt\\inner.txt", "in a folder", at(2020, 10));
    EXPECT_EQ(1, walk_tree_copy(dir.file("s").c_str(), dir.file("t").c_str(), 0));
    EXPECT_EQ("a", bench::read_file(dir.file("t\\a.txt")));
    EXPECT_EQ("b", bench::read_file(dir.file("t\\sub\\b.txt")));
    EXPECT_EQ("file", bench::read_file(dir.file("t\\f.txt")));
    EXPECT_FALSE(exists(dir.file("t\\gone.txt")));
    EXPECT_FALSE(exists(dir.file("t\\old")));
    // Every copy line comes before the first delete line.
    EXPECT_LT(d.out.rfind("..cp"), d.out.find("..rm " + dir.file("t\\gone.txt")));
}

TEST(TreeCopy, TargetNamedAfterTheSourceMissingSourceAndTargetInside)
{
    bench::scratch_dir dir;
    console_drive d;
    put(dir, "photos\\p\\1.jpg", "1", at(2020, 10));
    EXPECT_EQ(1, walk_tree_copy(dir.file("photos").c_str(), dir.file("photos_old").c_str(), 0));
    EXPECT_EQ("1", bench::read_file(dir.file("photos_old\\p\\1.jpg")));
    EXPECT_EQ(0, walk_tree_copy(dir.file("photoz").c_str(), dir.file("photos_old").c_str(), 0));
    EXPECT_EQ("1", bench::read_file(dir.file("photos_old\\p\\1.jpg")));
    EXPECT_EQ(0, walk_tree_copy(dir.file("photos").c_str(), dir.file("photos\\backup").c_str(), 0));
    EXPECT_FALSE(exists(dir.file("photos\\backup")));
}

TEST(TreeCopy, WithoutAShadowRootTargetsGetRealFiles)
{
    bench::scratch_dir dir;
    console_drive d;
    scoped_restore<char[260]> keep_root(shadow_root);
    shadow_root[0] = 0;
    put(dir, "s\\a.txt", "real bytes", at(2020, 10));
    put(dir, "t\\a.txt", "stale", at(2020, 2));
    walk_tree_copy(dir.file("s").c_str(), dir.file("t").c_str(), 1);
    EXPECT_EQ("real bytes", bench::read_file(dir.file("t\\a.txt")));
}

TEST(TreeCopy, AFileHeldOpenLosesNothing)
{
    for (bool lock_source : {true, false}) {
        bench::scratch_dir dir;
        console_drive d;
        std::string s = put(dir, "s\\a.txt", "new", at(2020, 10));
        std::string t = put(dir, "t\\a.txt", "old", at(2020, 2));
        put(dir, "t\\only.txt", "keep", at(2020, 2));
        put(dir, "t\\dir.txt\\held.txt", "held", at(2020, 2));
        put(dir, "s\\dir.txt", "file over a folder", at(2020, 10));
        HANDLE h = CreateFileA((lock_source ? s : t).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        HANDLE held =
            CreateFileA(dir.file("t\\dir.txt\\held.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        EXPECT_EQ(1, walk_tree_copy(dir.file("s").c_str(), dir.file("t").c_str(), 0));
        CloseHandle(h);
        CloseHandle(held);
        EXPECT_EQ("old", bench::read_file(t));
        EXPECT_EQ("keep", bench::read_file(dir.file("t\\only.txt")));
        EXPECT_EQ("held", bench::read_file(dir.file("t\\dir.txt\\held.txt")));
        EXPECT_NE(std::string::npos, d.out.find("nothing deleted"));
    }
}

// Updating a nearly full drive (S:, the bench's 1 MB drive of 4 KB
// clusters), by zcopy and by fcopy: five files of ten clusters replace older
// ones of the same size, and the target holds a stale file of five clusters
// the source lacks. With room the copy goes first; with too little room the
// stale and the replaced files go first, which the source makes good; when
// even that would not fit (a new file of thirty clusters more), nothing is
// touched.
TEST(TreeCopy, ANearlyFullTargetIsUpdatedWhereTheUpdateFits)
{
    bench::small_drive drive;
    if (!drive.unusable().empty()) GTEST_SKIP() << drive.unusable();
    const size_t cluster = 4096;
    struct {
        const char* command;
        double free_clusters;
        bool new_file;
        const char* refusal;
        bool deletes_first;
    } cases[] = {
        {"zcopy", 60, false, nullptr, false},
        {"zcopy", 10, false, nullptr, true},
        {"fcopy", 10, false, nullptr, true},
        {"zcopy", 10, true,
         "*** not enough space on S:\\控え表\\写真表: 328KB needed, 41KB free, 225KB more once replaced and stale "
         "files are deleted\n",
         false},
        {"fcopy", 10, true, "*** not enough space on S:\\控え表\\写真表: 328KB needed", false},
    };
    ASSERT_EQ(cluster, drive.cluster_bytes());
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " " + std::to_string(c.free_clusters) + (c.new_file ? " new" : ""));
        bench::scratch_dir dir;
        console_drive d;
        scoped_restore<char> keep_answer(overwrite_answer);
        std::string source = dir.file("元\\写真表"), target = drive.file("控え表\\写真表");
        ASSERT_TRUE(CreateDirectoryA(drive.file("控え表").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
        for (int i = 0; i < 5; i++) {
            std::string name = "\\ソ" + std::to_string(i) + ".jpg";
            put(dir, "元\\写真表" + name, std::string(10 * cluster, char('n' + i)), at(2021, 10));
            ASSERT_TRUE(bench::write_file(target + name, std::string(10 * cluster, 'o')));
            set_file_write_time((target + name).c_str(), at(2020, 10));
        }
        if (c.new_file) put(dir, "元\\写真表\\新能.jpg", std::string(30 * cluster, 'N'), at(2021, 10));
        ASSERT_TRUE(bench::write_file(target + "\\古い能.jpg", std::string(5 * cluster, 's')));
        set_file_write_time((target + "\\古い能.jpg").c_str(), at(2020, 10));  // fcopy: the source side is newer
        ASSERT_TRUE(drive.leave_free(c.free_clusters));
        if (std::string(c.command) == "zcopy") {
            d.run("zcopy", ("\"" + source + "\" \"" + target + "\"").c_str());
        } else {
            d.type("\n");
            fcopy(dir.file("元").c_str(), drive.file("控え表").c_str());
        }
        std::string old_name = target + "\\古い能.jpg";
        if (c.refusal) {
            EXPECT_NE(std::string::npos, d.out.find(c.refusal)) << d.out;
            EXPECT_TRUE(exists(old_name));
            EXPECT_TRUE(std::string(10 * cluster, 'o') == bench::read_file(target + "\\ソ0.jpg"));
            EXPECT_FALSE(exists(target + "\\新能.jpg"));
        } else {
            EXPECT_EQ(std::string::npos, d.out.find("***")) << d.out;
            EXPECT_FALSE(exists(old_name)) << d.out;
            for (int i = 0; i < 5; i++)
                EXPECT_TRUE(std::string(10 * cluster, char('n' + i)) ==
                            bench::read_file(target + "\\ソ" + std::to_string(i) + ".jpg"))
                    << i;
            size_t first_copy = d.out.find("..cp "), stale_gone = d.out.find("..rm " + old_name);
            ASSERT_NE(std::string::npos, first_copy);
            ASSERT_NE(std::string::npos, stale_gone);
            EXPECT_EQ(c.deletes_first, stale_gone < first_copy) << d.out;
        }
        DeleteFileA(drive.file(bench::small_drive::filler_name).c_str());
        bench::remove_tree(drive.file("控え表"));
    }
}

TEST(TreeCopy, CompareFileTimes)
{
    struct {
        FILETIME a, b;
        int want;
    } cases[] = {
        {at(2020, 10), at(2020, 10), 0}, {at(2020, 10), at(2020, 11), 0}, {at(2020, 10), at(2020, 12), -1},
        {at(2021, 0), at(2020, 58), 1},  {at(1970, 0), at(1971, 0), -1},  {at(1975, 3), at(1975, 2), 1},
    };
    for (auto& c : cases) EXPECT_EQ(c.want, compare_file_times(&c.a, &c.b));
}

}  // namespace
