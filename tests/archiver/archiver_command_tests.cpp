// The wrappers' exact command strings per kind and operation, read back from
// the stand-ins' command log; the factory, versions, output handling, status
// texts, and the command-line faults (long commands, unsafe passwords,
// unterminated output, missing archives).
#include "tests/archiver/archiver_fixtures.h"
#include "files/files.h"
#include "files/internal.h"  // the kinds table, DLL loading and output line counts, used directly
#include <gtest/gtest.h>

using namespace archiver_test;

namespace {

// Four small archives that exist (their contents do not matter: the
// stand-ins are told to fail) and a source folder and file.
struct command_bench {
    bench::scratch_dir dir;
    command_log log{dir};
    env_guard fail{"ZOTE_ARCHIVER_FAIL", "Unlha UnZip Zip Cab Tar"};
    std::string out = dir.file("out");
    std::string src = dir.file("src");
    std::string file = dir.file("one.txt");
    command_bench()
    {
        for (const char* a : {"a.lzh", "a.zip", "a.cab", "a.tgz"}) dir.write(a, "not empty");
        dir.write("src\\x.txt", "x");
        dir.write("one.txt", "one");
    }
    std::string arc(const char* ext) const { return dir.file(std::string("a") + ext); }
    std::string take()
    {
        std::string t = log.text();
        DeleteFileA(log.path.c_str());
        return t;
    }
};

}  // namespace

TEST(ArchiverCommands, ExactCommandStringsPerKindAndOperation)
{
    command_bench b;
    _lha* lha = open_archiver_for(b.arc(".lzh").c_str());
    _lha* zip = open_archiver_for(b.arc(".zip").c_str());
    _lha* cab = open_archiver_for(b.arc(".cab").c_str());
    _lha* tar = open_archiver_for(b.arc(".tgz").c_str());
    ASSERT_TRUE(lha && zip && cab && tar);
    const std::string L = b.arc(".lzh"), Z = b.arc(".zip"), C = b.arc(".cab"), T = b.arc(".tgz"), O = b.out;
    struct row {
        std::function<void()> act;
        std::string expected;
    };
    const row rows[] = {
        {[&] { lha->extract_all(L.c_str(), O.c_str(), nullptr); }, "Unlha\tx -- -n1 \"" + L + "\" \"" + O + "\\\"\n"},
        {[&] { lha->extract_all(L.c_str(), (O + "\\").c_str(), nullptr); },
         "Unlha\tx -- -n1 \"" + L + "\" \"" + O + "\\\"\n"},
        {[&] { zip->extract_all(Z.c_str(), O.c_str(), nullptr); },
         "UnZip\t-x --i -qq -Pmirkal \"" + Z + "\" \"" + O + "\\\"\n"},
        {[&] { zip->extract_all(Z.c_str(), O.c_str(), "pw"); },
         "UnZip\t-x --i -qq -Ppw \"" + Z + "\" \"" + O + "\\\"\n"},
        {[&] { cab->extract_all(C.c_str(), (O + "\\").c_str(), nullptr); },
         "Cab\t-x -i -o \"" + C + "\" \"" + O + "\\\" *.*\n"},
        {[&] { tar->extract_all(T.c_str(), O.c_str(), nullptr); },
         "Tar\t--display-dialog=0 -x \"" + T + "\" \"" + O + "\\\"\n"},
        {[&] { lha->extract_one(L.c_str(), O.c_str(), "m.jpg"); },
         "Unlha\te -- -y -n1 \"" + L + "\" \"" + O + "\\\" \"m.jpg\"\n"},
        {[&] { zip->extract_one(Z.c_str(), O.c_str(), "d/m.jpg"); },
         "UnZip\t-x -j --i -o -qq -Pmirkal \"" + Z + "\" \"" + O + "\\\" \"d/m.jpg\"\n"},
        {[&] { cab->extract_one(C.c_str(), O.c_str(), "m.jpg"); },
         "Cab\t-x -i -j -o \"" + C + "\" \"" + O + "\\\" \"m.jpg\"\n"},
        {[&] { tar->extract_one(T.c_str(), O.c_str(), "m.jpg"); },
         "Tar\t--display-dialog=0 --use-directory=0 -x \"" + T + "\" \"" + O + "\\\" \"m.jpg\"\n"},
        {[&] { lha->create(L.c_str(), (b.src + "\\").c_str(), nullptr); },
         "Unlha\ta -- -d1 -z2 -t -n1 \"" + L + "\" \"" + b.src + "\\\"\n"},
        {[&] { lha->create(L.c_str(), b.file.c_str(), nullptr); },
         "Unlha\ta -- -d1 -z2 -t -n1 \"" + L + "\" \"" + b.file + "\"\n"},
        {[&] { zip->create(Z.c_str(), b.src.c_str(), nullptr); }, "Zip\t-r -o -q \"" + Z + "\" *.*\n"},
        {[&] { zip->create(Z.c_str(), b.src.c_str(), ""); }, "Zip\t-r -o -q \"" + Z + "\" *.*\n"},
        {[&] { zip->create(Z.c_str(), b.file.c_str(), "pw"); }, "Zip\t-r -o -q -P pw \"" + Z + "\" *.*\n"},
        {[&] { cab->create(C.c_str(), b.src.c_str(), nullptr); }, "Cab\t-a -r -i \"" + C + "\" *.*\n"},
        {[&] { tar->create(T.c_str(), b.file.c_str(), nullptr); },
         "Tar\t--display-dialog=0 -c -z -f \"" + T + "\" *.*\n"},
        // Written like an archive whose names are UTF-8, or like one in cp932.
        {[&] { zip->create_like(Z.c_str(), b.src.c_str(), nullptr, fixture("jp_utf8.zip").c_str()); },
         "Zip\t-r -o -q -UN=UTF8 \"" + Z + "\" *.*\n"},
        {[&] { zip->create_like(Z.c_str(), b.src.c_str(), "pw", fixture("jp_utf8.zip").c_str()); },
         "Zip\t-r -o -q -UN=UTF8 -P pw \"" + Z + "\" *.*\n"},
        {[&] { zip->create_like(Z.c_str(), b.src.c_str(), nullptr, fixture("jp.zip").c_str()); },
         "Zip\t-r -o -q \"" + Z + "\" *.*\n"},
        {[&] { tar->create_like(T.c_str(), b.src.c_str(), nullptr, fixture("jp_utf8.tar.gz").c_str()); },
         "Tar\t--display-dialog=0 -c -z --format=pax -f \"" + T + "\" *.*\n"},
        {[&] { tar->create_like(T.c_str(), b.src.c_str(), nullptr, fixture("jp.tar.gz").c_str()); },
         "Tar\t--display-dialog=0 -c -z -f \"" + T + "\" *.*\n"},
        {[&] { lha->make_sfx(L.c_str()); }, "Unlha\ts -x -n1 -gw3 \"" + L + "\"\n"},
        {[&] { cab->make_sfx(C.c_str()); }, "Cab\t-f -i \"" + C + "\"\n"},
    };
    for (const row& r : rows) {
        // create deletes its target first: bring the archive back each time.
        for (const char* a : {"a.lzh", "a.zip", "a.cab", "a.tgz"}) b.dir.write(a, "not empty");
        r.act();
        EXPECT_EQ(b.take(), r.expected);
    }
    EXPECT_EQ(bench::read_file(b.file), "one") << "the isolated file is back";
}

TEST(ArchiverCommands, RefusedWithoutCallingTheDll)
{
    command_bench b;
    _lha* lha = open_archiver_for(b.arc(".lzh").c_str());
    _lha* zip = open_archiver_for(b.arc(".zip").c_str());
    ASSERT_TRUE(lha && zip);
    b.dir.write("empty.zip", "");
    std::string long_name(1100, 'a');
    struct {
        const char* what;
        std::function<int()> act;
        int result;
    } rows[] = {
        {"empty archive counts as extracted",
         [&] { return zip->extract_all(b.dir.file("empty.zip").c_str(), b.out.c_str(), nullptr); }, 1},
        {"missing archive", [&] { return zip->extract_all(b.dir.file("none.zip").c_str(), b.out.c_str(), nullptr); },
         0},
        {"missing source", [&] { return lha->create(b.arc(".lzh").c_str(), b.dir.file("nothing").c_str(), nullptr); },
         0},
        {"command past the buffer", [&] { return lha->command("l \"%s\"", long_name.c_str()); }, 0},
        {"password with a blank", [&] { return zip->extract_all(b.arc(".zip").c_str(), b.out.c_str(), "open sesame"); },
         0},
        {"password with a quote", [&] { return zip->extract_all(b.arc(".zip").c_str(), b.out.c_str(), "a\"b"); }, 0},
        {"create password with a blank",
         [&] { return zip->create(b.arc(".zip").c_str(), b.src.c_str(), "x \"y\" *.*"); }, 0},
        {"output buffer without its size",
         [&] {
             char buf[8];
             return zip->run(buf, 0, "-v \"%s\"", b.arc(".zip").c_str());
         },
         0},
        {"unsafe member", [&] { return lha->extract_one(b.arc(".lzh").c_str(), b.out.c_str(), "..\\x"); }, 0},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(r.act(), r.result) << r.what;
        EXPECT_EQ(b.take(), "") << r.what;
    }
    EXPECT_TRUE(exists(b.arc(".zip"))) << "a refused create leaves the archive";
}

TEST(ArchiverCommands, StatusTextShowsThePrefixAndIsClearedAlsoOnFailure)
{
    command_bench b;
    _lha* cab = open_archiver_for(b.arc(".cab").c_str());
    ASSERT_NE(cab, nullptr);
    console_capture console;
    EXPECT_EQ(cab->extract_all(b.arc(".cab").c_str(), b.out.c_str(), nullptr), 0);
    EXPECT_EQ(console.status(), "-1:Cab\n-1:\n");
}

TEST(ArchiverCommands, LhaRunCountsOutputLines)
{
    char text[] = "\n a\n\n b\n";
    char* rest = nullptr;
    EXPECT_EQ(count_output_lines(text, &rest), 3);
    EXPECT_STREQ(rest, " a \n b\n");
    char single[] = "no line feed";
    EXPECT_EQ(count_output_lines(single, &rest), 1);

    bench::scratch_dir dir;
    std::string archive = dir.write("x.lzh", "x");
    env_guard output("ZOTE_ARCHIVER_OUTPUT", "\n a\n\n b\n");
    console_capture console;
    _lha* lha = open_archiver_for(archive.c_str());
    ASSERT_NE(lha, nullptr);
    EXPECT_EQ(lha->run(nullptr, 0, "%s", "l \"D:\\none.lzh\""), 0) << "a failing command counts nothing";
    EXPECT_EQ(lha->run(nullptr, 0, "s -x \"%s\"", archive.c_str()), 0);
    dir.write("m.txt", "m");
    std::string lzh = dir.file("m.lzh");
    ASSERT_EQ(lha->create(lzh.c_str(), dir.file("m.txt").c_str(), nullptr), 1);
    console.printed().clear();
    EXPECT_EQ(lha->run(nullptr, 0, "l \"%s\"", lzh.c_str()), 3);
    EXPECT_EQ(console.printed(), " a \n b\n");
}

TEST(ArchiverCommands, OutputThatFillsTheBufferIsTerminated)
{
    std::string archive = fixture("deflate.zip");
    _lha* zip = open_archiver_for(archive.c_str());
    ASSERT_NE(zip, nullptr);
    env_guard fill("ZOTE_ARCHIVER_FILL", "1");
    console_capture console;
    EXPECT_EQ(zip->run(nullptr, 0, "-v \"%s\"", archive.c_str()), 1);
    EXPECT_EQ(console.printed(), std::string(ARCHIVER_OUTPUT_DEFAULT, 'x'));
    char small[16];
    memset(small, 'y', sizeof small);
    EXPECT_EQ(zip->run(small, sizeof small, "-v \"%s\"", archive.c_str()), 1);
    EXPECT_EQ(std::string(small), std::string(15, 'x'));
}

// A DLL's own fault (its memory running out, say) is an error of the call:
// its C++ runtime is not the program's, and a throw left to it would end the
// program.
TEST(ArchiverCommands, AFaultInsideTheDllIsAnErrorOfTheCall)
{
    bench::scratch_dir dir;
    dir.write("写真表\\能.jpg", "jpeg");
    env_guard fault("ZOTE_ARCHIVER_THROW", "Unlha UnZip Zip Cab Tar");
    for (const char* name : {"表.lzh", "表.zip", "表.cab", "表.tgz"}) {
        std::string archive = dir.file(name);
        _lha* lha = open_archiver_for(archive.c_str());
        ASSERT_NE(lha, nullptr) << name;
        EXPECT_EQ(lha->create(archive.c_str(), dir.file("写真表").c_str(), nullptr), 0) << name;
        EXPECT_FALSE(exists(archive)) << name;
    }
}

TEST(ArchiverCommands, ListingHasSevenLinesBesidesTheMembers)
{
    std::string archive = fixture("lh_o5.lzh");
    _lha* lha = open_archiver_for(archive.c_str());
    ASSERT_NE(lha, nullptr);
    EXPECT_EQ(lha->run(nullptr, 0, "l \"%s\"", archive.c_str()) - 7, 2);
    EXPECT_EQ(lha->run(nullptr, 0, "l \"%s\" \"%s\"", archive.c_str(), "b.*") - 7, 1);
    EXPECT_EQ(lha->check_archive(archive.c_str(), ARCHIVE_CHECK_FULL_CRC), TRUE);
}

TEST(ArchiverFactory, OneObjectPerKindByExtension)
{
    struct {
        const char* name;
        const char* prefix;
    } rows[] = {
        {"x.LZH", "Unlha"}, {"x.zip", "UnZip"}, {"x.Cab", "Cab"},   {"x.gz", "Tar"},    {"x.tar.gz", "Tar"},
        {"x.TGZ", "Tar"},   {"x.z", "Tar"},     {"x.rar", nullptr}, {"x.tar", nullptr},
    };
    for (const auto& r : rows) {
        _lha* a = open_archiver_for(r.name);
        if (!r.prefix) {
            EXPECT_EQ(a, nullptr) << r.name;
            continue;
        }
        ASSERT_NE(a, nullptr) << r.name;
        EXPECT_STREQ(a->prefix(), r.prefix);
        EXPECT_EQ(a, open_archiver_for(r.name)) << "one object for the run";
    }
    EXPECT_EQ(open_archiver_for("x.tgz"), open_archiver_for("y.z"));
    EXPECT_EQ(open_archiver_for("x.lzh")->kind, 1);
    EXPECT_EQ(open_archiver_for("x.cab")->kind, 1);
    EXPECT_EQ(open_archiver_for("x.zip")->usable, 1) << "zip32j.dll and zip32.dll are there";
}

ZOTE_CHILD(missing_dll_tried_once)
{
    std::string late = bench::exe_folder() + "late32.dll";
    archiver_kinds[0].dll = "late32.dll";
    if (open_archiver_for("x.lzh")) return 1;
    if (!CopyFileA((bench::exe_folder() + "unlha32.dll").c_str(), late.c_str(), FALSE)) return 2;
    _lha* second = open_archiver_for("y.lzh");
    DeleteFileA(late.c_str());
    return second ? 3 : 0;
}

TEST(ArchiverFactory, MissingDllIsTriedOnceForTheRun)
{
    EXPECT_EQ(bench::run_child("missing_dll_tried_once").exit_code, 0u);
}

TEST(ArchiverFactory, VersionTexts)
{
    char text[128];
    ASSERT_EQ(open_archiver_for("x.lzh")->version_text(text, sizeof text), 1);
    EXPECT_STREQ(text, "Unlha unlha32.dll ver.2.55");
    ASSERT_EQ(open_archiver_for("x.zip")->version_text(text, sizeof text), 1);
    EXPECT_STREQ(text, "Zip unzip32.dll ver.5.54 and zip32j.dll ver.2.26");
    _lha no_version;
    lha_load(&no_version, "nover32.dll", "Nover", 0);
    ASSERT_EQ(no_version.version_text(text, sizeof text), 1);
    EXPECT_STREQ(text, "Nover nover32.dll ver.0.00");
    _lha missing;
    lha_load(&missing, "missing32.dll", "Missing", 0);
    EXPECT_EQ(missing.version_text(text, sizeof text), 0);
    EXPECT_EQ(missing.extract_all("x", "y", nullptr), 0);
    EXPECT_EQ(missing.member_count("x"), 0);
}
