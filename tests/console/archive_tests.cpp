// The archive commands through the stand-in archiver DLLs, which log every
// command line: the exact commands, packing and unpacking in place, lhup in
// both directions with a failing DLL, lhtest, the viewer's keys, and the
// cleaning of ShellNew keys.
#include "console_fixture.h"
#include "console/archive_commands.h"  // packing and unpacking in place, called directly
#include "files/files.h"
#include <vector>

namespace {

struct env_set {
    std::string name;
    env_set(const char* n, const std::string& v) : name(n) { SetEnvironmentVariableA(n, v.c_str()); }
    ~env_set() { SetEnvironmentVariableA(name.c_str(), nullptr); }
    env_set(const env_set&) = delete;
    env_set& operator=(const env_set&) = delete;
};

// A scratch folder that is the current folder, with the DLLs' command log.
struct archive_bench {
    bench::scratch_dir dir;
    console_drive d;
    env_set log{"ZOTE_ARCHIVER_LOG", dir.file("commands.log")};
    current_folder_kept back;  // the current folder comes back before the scratch folder goes
    archive_bench() { SetCurrentDirectoryA(dir.path()); }
    std::string p(const std::string& name) const { return dir.file(name); }
    // The logged commands, "@" standing for the scratch folder.
    std::string commands() const
    {
        std::string text = bench::read_file(dir.file("commands.log")), out;
        std::string root = dir.path();
        for (size_t i = 0; i < text.size();) {
            if (text.compare(i, root.size(), root) == 0) {
                out += '@';
                i += root.size();
            } else {
                out += text[i++];
            }
        }
        return out;
    }
    void clear_log() const { DeleteFileA(dir.file("commands.log").c_str()); }
    void make_lzh(const std::string& archive, const std::vector<std::string>& members)
    {
        for (const std::string& m : members) dir.write("src@\\" + m, "bytes of " + m);
        std::string parent = p(archive);
        CreateDirectoryA(parent.substr(0, parent.rfind('\\')).c_str(), nullptr);
        ASSERT_TRUE(open_archiver_for(".lzh"));
        ASSERT_TRUE(
            open_archiver_for(".lzh")->command("a -r -x1 \"%s\" \"%s\\\"", p(archive).c_str(), p("src@").c_str()));
        bench::remove_tree(p("src@"));
        clear_log();
    }
};

TEST(ArchiveCommands, PackAndUnpackInPlace)
{
    archive_bench b;
    b.dir.write("my docs\\a.txt", "A");
    b.dir.write("my docs\\sub\\b.txt", "B");
    b.d.run("pack", "\"my docs\"");
    EXPECT_EQ("pack \"my docs\"\nPacking @\\my docs\\\n", expand_at_root(b.d.out, b.dir.path()));
    EXPECT_EQ("Unlha\tm -d1 -z2 -t -n1 \"@\\my docs\" \"@\\my docs.圧縮中\\\"\n", b.commands());
    EXPECT_TRUE(exists(b.p("my docs.lzh")));
    EXPECT_FALSE(exists(b.p("my docs")));
    EXPECT_FALSE(exists(b.p("my docs.圧縮中")));

    b.clear_log();
    b.d.out.clear();
    b.d.run("unpack", "\"my docs.lzh\"");
    EXPECT_EQ("Unlha\tx -n1 -a1 -jf0 \"@\\my docs.lzh\" \"@\\my docs.lzh.解凍中\\\"\n", b.commands());
    EXPECT_TRUE(is_dir(b.p("my docs.lzh")));
    EXPECT_EQ("B", bench::read_file(b.p("my docs.lzh\\sub\\b.txt")));
}

// The DLL packs no hidden or system file without -a1: the folder is deleted
// only as far as the archive holds it; what it does not hold stays under the
// folder's own name.
TEST(ArchiveCommands, PackingInPlaceKeepsWhatTheArchiveDoesNotHold)
{
    archive_bench b;
    b.dir.write("写真\\表示.txt", "shown");
    b.dir.write("写真\\ソフト\\能力.txt", "ability");
    std::string hidden = b.dir.write("写真\\ソフト\\隠し.txt", "hidden");
    std::string system = b.dir.write("写真\\十.sys", "system");
    SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA(system.c_str(), FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(1, pack_folder(b.p("写真").c_str()));
    EXPECT_FALSE(exists(b.p("写真.圧縮中")));
    EXPECT_EQ("hidden", bench::read_file(hidden));
    EXPECT_EQ("system", bench::read_file(system));
    EXPECT_FALSE(exists(b.p("写真\\表示.txt")));
    EXPECT_NE(std::string::npos, b.d.out.find("*** " + b.p("写真") + " kept: files the archive does not hold\n"));
    bench::scratch_dir out;
    ASSERT_TRUE(open_archiver_for(".lzh")->extract_all(b.p("写真.lzh").c_str(), out.path(), nullptr));
    EXPECT_EQ("shown", bench::read_file(out.file("表示.txt")));
    EXPECT_EQ("ability", bench::read_file(out.file("ソフト\\能力.txt")));
    EXPECT_FALSE(exists(out.file("ソフト\\隠し.txt")));
}

TEST(ArchiveCommands, PackAndUnpackRefusals)
{
    archive_bench b;
    b.dir.write("x.lzh\\a.txt", "A");
    EXPECT_EQ(1, pack_folder(b.p("x.lzh").c_str()));
    EXPECT_EQ("", b.commands());
    {
        env_set fail("ZOTE_ARCHIVER_FAIL", "Unlha");
        b.dir.write("keep\\a.txt", "A");
        pack_folder(b.p("keep").c_str());
        EXPECT_EQ("A", bench::read_file(b.p("keep\\a.txt")));
        EXPECT_FALSE(exists(b.p("keep.lzh")));
        EXPECT_FALSE(exists(b.p("keep.圧縮中")));
    }
    b.make_lzh("y.lzh", {"m.txt"});
    for (const char* busy : {"y.lzh.解凍中", "y.lzh.圧縮中", "y.圧縮中"}) {
        CreateDirectoryA(b.p(busy).c_str(), nullptr);
        EXPECT_EQ(0, unpack_archive(b.p("y.lzh").c_str())) << busy;
        EXPECT_FALSE(is_dir(b.p("y.lzh"))) << busy;
        RemoveDirectoryA(b.p(busy).c_str());
    }
    env_set fail("ZOTE_ARCHIVER_FAIL", "Unlha");
    EXPECT_EQ(1, unpack_archive(b.p("y.lzh").c_str()));
    EXPECT_FALSE(is_dir(b.p("y.lzh")));
    EXPECT_FALSE(exists(b.p("y.lzh.解凍中")));
}

TEST(ArchiveCommands, LhupUpdatesAndRefreshesButNeverOnAFailedListing)
{
    archive_bench b;
    b.dir.write("f\\a.txt", "A");
    b.dir.write("f\\b.txt", "B");
    b.d.run("lhup", "u ar f *.*");
    EXPECT_EQ("Unlha\tu -x -t -a1 -n1 \"@\\ar\" \"*.*\"\nUnlha\tl \"@\\ar\" \"*.*\"\n", b.commands());
    // A file lost from the folder: the archive is made again without it.
    DeleteFileA(b.p("f\\b.txt").c_str());
    b.clear_log();
    b.d.run("lhup", "u ar f *.*");
    EXPECT_EQ("Unlha\tu -x -t -a1 -n1 \"@\\ar\" \"*.*\"\nUnlha\tl \"@\\ar\" \"*.*\"\n"
              "Unlha\tu -x -t -a1 -n1 \"@\\ar\" \"*.*\"\n",
              b.commands());
    EXPECT_EQ(1, open_archiver_for(".lzh")->member_count(b.p("ar.lzh").c_str()));
    EXPECT_FALSE(exists(b.p("ar.lzh.old@")));

    // Folder from archive: an extra file goes, through a staging folder.
    b.dir.write("f\\extra.txt", "E");
    b.d.run("lhup", "x ar.lzh f *.*");
    EXPECT_TRUE(exists(b.p("f\\a.txt")));
    EXPECT_FALSE(exists(b.p("f\\extra.txt")));
    EXPECT_FALSE(exists(b.p("f.lhup@")));

    // With the DLL failing nothing is deleted on either side.
    b.dir.write("f\\extra.txt", "E");
    env_set fail("ZOTE_ARCHIVER_FAIL", "Unlha");
    b.d.run("lhup", "x ar.lzh f *.*");
    b.d.run("lhup", "u ar f *.*");
    EXPECT_TRUE(exists(b.p("f\\a.txt")));
    EXPECT_TRUE(exists(b.p("f\\extra.txt")));
    EXPECT_TRUE(exists(b.p("ar.lzh")));

    b.d.out.clear();
    b.d.run("lhup", "u ar nowhere *.*");
    EXPECT_NE(std::string::npos, b.d.out.find("nowhere does not exist!\n"));
}

// An archiver command too long for its buffer (here a pattern a variable made
// long) is refused whole and named on the console: the DLL gets nothing, cut
// or whole, and neither the archive nor the folder changes.
TEST(ArchiveCommands, CommandTooLongIsNamedAndNeverRun)
{
    archive_bench b;
    b.make_lzh("ar.lzh", {"a.txt"});
    b.dir.write("f\\a.txt", "A");
    env_set app_dir("AppDir", "sub\\" + std::string(960, 'd'));
    const struct {
        const char* rest;
        const char* named;
    } cases[] = {
        {"u ar.lzh f $AppDir\\*.txt", "*** Unlha command too long (over 1023 bytes): u -x -t -a1 -n1 \""},
        {"x ar.lzh f $AppDir\\*.txt", "*** Unlha command too long (over 1023 bytes): x -a1 -n1 -s \""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rest);
        b.d.out.clear();
        b.d.run("lhup", c.rest);
        EXPECT_EQ("", b.commands());
        size_t named = b.d.out.find(c.named);
        ASSERT_NE(std::string::npos, named) << b.d.out;
        EXPECT_EQ("...\n", b.d.out.substr(b.d.out.find('\n', named) - 3, 4));
        EXPECT_EQ("A", bench::read_file(b.p("f\\a.txt")));
        EXPECT_EQ(1, open_archiver_for(".lzh")->member_count(b.p("ar.lzh").c_str()));
    }
}

// The path of exactly length bytes under root: deep cp932 folders, then one
// of ASCII letters.
static std::string folder_of_length(const std::string& root, size_t length)
{
    std::string deep = bench::deep_cp932_folder(root, length - 30);
    std::string path = deep + "\\" + std::string(length - deep.size() - 1, 'a');
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

// When lhup must make an archive again, or refresh a folder, through a path
// that does not fit (the old archive put aside, the staging folder), it says
// so and leaves the archive and the folder as they were.
TEST(ArchiveCommands, LhupSaysWhenItsWorkPathIsTooLong)
{
    archive_bench b;
    std::string parent = folder_of_length(b.dir.path(), MAX_PATH - 11);  // ar.lzh fits, ar.lzh.old@ does not
    std::string archive = parent + "\\ar";
    b.dir.write("f\\a.txt", "A");
    b.dir.write("f\\b.txt", "B");
    b.d.run("lhup", ("u \"" + archive + "\" \"" + b.p("f") + "\" *.*").c_str());
    ASSERT_EQ(2, open_archiver_for(".lzh")->member_count((archive + ".lzh").c_str()));
    DeleteFileA(b.p("f\\b.txt").c_str());
    b.d.out.clear();
    b.d.run("lhup", ("u \"" + archive + "\" \"" + b.p("f") + "\" *.*").c_str());
    EXPECT_NE(std::string::npos, b.d.out.find("*** path too long, " + archive + ".lzh not made again\n")) << b.d.out;
    EXPECT_EQ(2, open_archiver_for(".lzh")->member_count((archive + ".lzh").c_str()));

    // Short names fit in the folder; the staging folder beside it does not.
    CreateDirectoryA(b.p("x").c_str(), nullptr);
    std::string folder = folder_of_length(b.p("x"), MAX_PATH - 6);
    b.make_lzh("z.lzh", {"a"});
    ASSERT_TRUE(bench::write_file(folder + "\\e", "E"));
    b.d.out.clear();
    b.d.run("lhup", ("x \"" + b.p("z.lzh") + "\" \"" + folder + "\" *.*").c_str());
    EXPECT_NE(std::string::npos, b.d.out.find("*** path too long, " + folder + " not refreshed\n")) << b.d.out;
    EXPECT_EQ("E", bench::read_file(folder + "\\e"));
    EXPECT_EQ("bytes of a", bench::read_file(folder + "\\a"));
}

// lhup works in the folder it synchronises and comes back to the current
// folder; one too long to be read back leaves both folders alone.
TEST(ArchiveCommands, LhupComesBackToTheCurrentFolderOrDoesNothing)
{
    archive_bench b;
    b.dir.write("表ソ能\\a.txt", "A");
    std::string plain = b.p("十予"), deep = bench::deep_cp932_folder(b.dir.path(), MAX_PATH + 10);
    CreateDirectoryA(plain.c_str(), nullptr);
    std::string args = "u \"" + b.p("ar") + "\" \"" + b.p("表ソ能") + "\" *.*";
    struct {
        std::string start;
        bool runs;
    } cases[] = {{plain, true}, {deep, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start);
        b.clear_log();
        b.d.out.clear();
        ASSERT_TRUE(SetCurrentDirectoryA(c.start.c_str()));
        b.d.run("lhup", args.c_str());
        char now[4 * MAX_PATH];
        GetCurrentDirectoryA(sizeof now, now);
        EXPECT_EQ(now, c.start);
        EXPECT_EQ(b.commands().empty(), !c.runs);
        EXPECT_EQ(b.d.out.find("*** current folder too long, " + b.p("表ソ能") + " left alone\n") != std::string::npos,
                  !c.runs);
    }
}

TEST(ArchiveCommands, LhtestReportsEachArchive)
{
    archive_bench b;
    b.dir.write("t\\other.txt", "x");
    b.dir.write("t\\bad.lzh", "not an archive");
    b.make_lzh("t\\good.lzh", {"g.txt"});
    b.d.run("lhtest", "t");
    std::string t = b.p("t");
    EXPECT_EQ(0u, b.d.out.find("lhtest " + t + ".........statrt\n"));
    EXPECT_NE(std::string::npos, b.d.out.find(t + "\\good.lzh\n"));
    EXPECT_NE(std::string::npos, b.d.out.find(t + "\\bad.lzh CRC error!\n"));
    EXPECT_EQ(std::string::npos, b.d.out.find("other.txt"));
    EXPECT_EQ(b.d.out.size() - (t.size() + 25), b.d.out.rfind("lhtest " + t + ".........finished\n"));
    EXPECT_EQ(1, b.d.keys_read);
}

TEST(ArchiveCommands, ViewerKeys)
{
    struct {
        const char* keys;
        const char* commands;
    } cases[] = {
        {"q", "Unlha\tl \"@\\my arch.lzh\"\n"},
        {"vq", "Unlha\tl \"@\\my arch.lzh\"\nUnlha\tv \"@\\my arch.lzh\"\n"},
        {"x", "Unlha\tl \"@\\my arch.lzh\"\nUnlha\tx -n1 -a1 -jf0 \"@\\my arch.lzh\" \"@\\my arch\\\"\n"},
        {"s", "Unlha\tl \"@\\my arch.lzh\"\nUnlha\ts -x -gw3 -n1 \"@\\my arch.lzh\"\n"},
    };
    for (auto& c : cases) {
        archive_bench b;
        b.make_lzh("my arch.lzh", {"m.txt"});
        b.d.type(c.keys);
        b.d.run("view", "\"my arch.lzh\"");
        EXPECT_EQ(c.commands, b.commands()) << c.keys;
        EXPECT_NE(std::string::npos, b.d.status.find("select command. viewing " + b.p("my arch.lzh"))) << c.keys;
        if (c.keys[0] == 'x') EXPECT_EQ("bytes of m.txt", bench::read_file(b.p("my arch\\m.txt")));
    }
}

TEST(ArchiveCommands, CleanShellNewStopsOnAKeyItCannotDelete)
{
    console_drive d;
    struct {
        const char* key;
        bool gone_after;
    } keys[] = {
        {".zzabc\\ShellNew", true},
        {".zzdef\\Type\\ShellNew", true},
        {".lnk\\ShellNew", false},
        {".zzghi\\ShellNew\\Sub", false},
    };
    for (auto& k : keys) {
        HKEY h;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CLASSES_ROOT, k.key, &h));
        RegCloseKey(h);
    }
    d.run("cleanshellnew");
    EXPECT_NE(std::string::npos, d.out.find(" .zzabc\n"));
    EXPECT_NE(std::string::npos, d.out.find(" .zzdef\n"));
    EXPECT_NE(std::string::npos, d.out.find("*** .zzghi\\...\\ShellNew not deleted"));
    HKEY h;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyA(HKEY_CLASSES_ROOT, ".zzabc\\ShellNew", &h));
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyA(HKEY_CLASSES_ROOT, ".zzdef\\Type\\ShellNew", &h));
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyA(HKEY_CLASSES_ROOT, ".lnk\\ShellNew", &h));
    RegCloseKey(h);
    RegDeleteKeyA(HKEY_CLASSES_ROOT, ".lnk\\ShellNew");
    for (const char* k : {".zzghi\\ShellNew\\Sub", ".zzghi\\ShellNew", ".zzghi", ".zzdef\\Type", ".zzdef", ".zzabc"})
        RegDeleteKeyA(HKEY_CLASSES_ROOT, k);
}

}  // namespace

namespace {

// unpackr walks every folder of the tree, whatever its name: archives made by
// the real lha, at the top, in subfolders and in a folder named like an
// archive, each become a folder of their members; the folders unpacking
// makes are not walked again, and other files stay.
TEST(ArchiveCommands, UnpackrReachesArchivesInSubfolders)
{
    archive_bench b;
    std::string real = bench::exe_folder() + "archives\\lh_o5.lzh";
    ASSERT_TRUE(exists(real)) << "made by tools/make_archive_fixtures.sh";
    const char* archives[] = {"t\\top.lzh", "t\\写真\\x.lzh", "t\\写真\\深い表\\y.lzh", "t\\済み.lzh\\z.LZH"};
    for (const char* a : archives) {
        b.dir.write(a, "");
        ASSERT_TRUE(CopyFileA(real.c_str(), b.p(a).c_str(), FALSE));
    }
    b.dir.write("t\\写真\\note.txt", "note");
    b.d.run("unpackr", "t");
    for (const char* a : archives) {
        EXPECT_TRUE(is_dir(b.p(a))) << a;
        EXPECT_EQ("hello archive\r\n", bench::read_file(b.p(a) + "\\a.txt")) << a;
        EXPECT_EQ(17200u, bench::read_file(b.p(a) + "\\b.txt").size()) << a;
    }
    EXPECT_EQ("note", bench::read_file(b.p("t\\写真\\note.txt")));
}

TEST(ArchiveCommands, ArchiverWordsAndTreeWords)
{
    archive_bench b;
    b.make_lzh("t\\a.lzh", {"m.txt"});
    b.dir.write("t\\p\\q.txt", "q");
    b.d.run("lha", "l t\\a.lzh");
    b.d.run("tar", "tf t\\none.tgz");
    b.d.run("zip", "tf t\\none.tgz");
    b.d.run("unzip", "-v t\\none.zip");
    b.d.run("unpackr", "t");
    b.d.run("packr", "t");
    EXPECT_EQ("Unlha\tl t\\a.lzh\nTar\ttf t\\none.tgz\nTar\ttf t\\none.tgz\nUnZip\t-v t\\none.zip\n"
              "Unlha\tx -n1 -a1 -jf0 \"@\\t\\a.lzh\" \"@\\t\\a.lzh.解凍中\\\"\n"
              "Unlha\tm -d1 -z2 -t -n1 \"@\\t\\p\" \"@\\t\\p.圧縮中\\\"\n",
              b.commands());
    EXPECT_NE(std::string::npos, b.d.out.find("zip tf t\\none.tgz\n"));
    EXPECT_NE(std::string::npos, b.d.out.find("\nhit any key\n"));
    EXPECT_TRUE(is_dir(b.p("t\\a.lzh")));
    EXPECT_TRUE(exists(b.p("t\\p.lzh")));
}

}  // namespace
