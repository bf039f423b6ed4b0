// The console words on a scratch tree, with the exact console lines they
// print: folders, deletes by pattern, renames, copies, the ".lzh" toggle,
// execd, mboxd, renas, the words refused without a script, the registry
// words and shortcuts.
#include "console_fixture.h"
#include "files/files.h"
#include "files/internal.h"  // registry values the commands wrote are read back
#include <objbase.h>
#include <vector>

namespace {

std::string expand_at(const std::string& text, const std::string& dir)
{
    std::string out;
    for (char c : text) out += c == '@' ? dir : std::string(1, c);
    return out;
}

struct tree_case {
    const char* line;  // word and rest, "@" standing for the scratch folder
    const char* out;
    std::vector<const char*> present;  // after the command
    std::vector<const char*> missing;
};

TEST(ConsoleFileWords, OnAScratchTree)
{
    const tree_case cases[] = {
        {"md a\\b", "md a\\b\n..md @\\a\n..md @\\a\\b\n", {"a\\b"}, {}},
        {"del x\\*.txt", "del x\\*.txt\n..rm @\\x\\1.txt\n", {"x\\2.jpg", "x\\y\\3.txt"}, {"x\\1.txt"}},
        {"deltree x\\*.jpg", "deltree x\\*.jpg\n..rm @\\x\\2.jpg\n", {"x\\1.txt"}, {"x\\2.jpg"}},
        {"delr x\\*.txt",
         "delr x\\*.txt\n..rm @\\x\\y\\3.txt\n..rm @\\x\\1.txt\n",
         {"x\\2.jpg"},
         {"x\\1.txt", "x\\y\\3.txt"}},
        {"rd x", "rd x\n", {"x\\1.txt"}, {}},
        {"ren x\\1.txt x\\9.txt",
         "ren x\\1.txt x\\9.txt\n..mv @\\x\\1.txt -> @\\x\\9.txt\n",
         {"x\\9.txt"},
         {"x\\1.txt"}},
        {"ren x\\1.txt", "ren x\\1.txt\n", {"x\\1.txt"}, {}},
        {"copy x\\1.txt x\\c.txt",
         "copy x\\1.txt x\\c.txt\n..cp @\\x\\1.txt -> @\\x\\c.txt\n",
         {"x\\1.txt", "x\\c.txt"},
         {}},
        {"copy x\\1.txt x\\none\\c.txt",
         "copy x\\1.txt x\\none\\c.txt\n*** @\\x\\1.txt not copied to @\\x\\none\\c.txt\n",
         {"x\\1.txt"},
         {"x\\none"}},
        {"inv a.lzh", "inv a.lzh\n..mv @\\a.lzh -> @\\a\n", {"a"}, {"a.lzh"}},
        {"inv x\\1.txt", "inv x\\1.txt\n..mv @\\x\\1.txt -> @\\x\\1.txt.lzh\n", {"x\\1.txt.lzh"}, {}},
        {"execd \"\" zero.txt", "..rm @\\zero.txt\n", {"x"}, {"zero.txt"}},
        {"execd \"\" x\\1.txt", "", {"x\\1.txt"}, {}},
        {"mboxd m",
         "mboxd m\n create emptyfile @\\m\\Inbox\n",
         {"m\\Inbox", "m\\Inbox.sbd\\Sub"},
         {"m\\Inbox.sbd\\Sub.sbd"}},
        {"renas x\\*.txt", "renas x\\*.txt\n*** renas runs only from a script\n", {"x\\1.txt"}, {}},
        {"cleanup", "cleanup \n*** cleanup runs only from a script\n", {"x\\1.txt", "a.lzh"}, {}},
        {"echo", "\n", {}, {}},
        {"sendkey", "sendkey \n", {}, {}},
    };
    for (const tree_case& c : cases) {
        bench::scratch_dir dir;
        dir.write("x\\1.txt", "one");
        dir.write("x\\2.jpg", "two");
        dir.write("x\\y\\3.txt", "three");
        dir.write("a.lzh", "archive");
        dir.write("zero.txt", "");
        dir.write("m\\Inbox.sbd\\Sub", "mail");
        console_drive d;
        SetCurrentDirectoryA(dir.path());
        char line[512];
        strcpy(line, c.line);
        char* rest = next_arg(line);
        EXPECT_EQ(CONSOLE_GO_ON, run_console_command(line, rest, nullptr)) << c.line;
        EXPECT_EQ(expand_at(c.out, dir.path()), d.out) << c.line;
        for (const char* p : c.present) EXPECT_TRUE(exists(dir.file(p))) << c.line << ": " << p;
        for (const char* p : c.missing) EXPECT_FALSE(exists(dir.file(p))) << c.line << ": " << p;
    }
}

TEST(ConsoleFileWords, RdrEmptiesAndEchoOffSilences)
{
    bench::scratch_dir dir;
    dir.write("x\\1.txt", "one");
    dir.write("x\\y\\3.txt", "three");
    console_drive d;
    SetCurrentDirectoryA(dir.path());
    d.run("rdr", "x");
    EXPECT_TRUE(is_dir(dir.file("x")));
    EXPECT_FALSE(exists(dir.file("x\\1.txt")));
    EXPECT_FALSE(exists(dir.file("x\\y")));
    d.out.clear();
    d.run("@echo", "off");
    d.run("md", "q\\r");
    EXPECT_EQ("", d.out);
    EXPECT_TRUE(is_dir(dir.file("q\\r")));
}

TEST(ConsoleFileWords, RenasNamesFilesAfterScriptLines)
{
    bench::scratch_dir dir;
    dir.write("r\\b.jpg", "b");
    dir.write("r\\A.jpg", "a");
    dir.write("r\\c.png", "c");
    dir.write("r\\01-first.jpg\\in", "taken");  // a folder in the way: reported as failed
    std::string script = dir.write("s.a.txt", "renas r\\x.jpg\nfirst\nsecond\n");
    console_drive d;
    run_script_file(script.c_str(), nullptr);
    std::string r = std::string(dir.path()) + "\\r\\";
    EXPECT_EQ("renas r\\x.jpg\n*** " + r + "A.jpg -> " + r + "01-first.jpg failed\n" + r + "b.jpg -> " + r +
                  "02-second.jpg\n",
              d.out);
    EXPECT_EQ("b", bench::read_file(r + "02-second.jpg"));
    EXPECT_EQ("a", bench::read_file(r + "A.jpg"));
    EXPECT_TRUE(exists(r + "c.png"));
}

TEST(ConsoleFileWords, CleanupFromAScriptRemovesItsFolder)
{
    bench::scratch_dir dir;
    dir.write("work\\a\\b.txt", "b");
    std::string script = dir.write("work\\s.a.txt", "cleanup\necho never\n");
    console_drive d;
    EXPECT_EQ(CONSOLE_END_RUN, run_script_file(script.c_str(), nullptr));
    EXPECT_FALSE(exists(dir.file("work")));
    EXPECT_EQ(1, d.quits);
    EXPECT_EQ(std::string::npos, d.out.find("never"));
}

TEST(ConsoleRegistryWords, RegisterReadSetDeleteAndShortcuts)
{
    bench::scratch_dir dir;
    console_drive d;
    SetCurrentDirectoryA(dir.path());
    d.run("regext", ".zzq open NULL *&Open \"C:\\Tools\\Ed.exe\" \"%1\"");
    char command[REG_TEXT_BUF];
    ASSERT_TRUE(assoc_open_command(".zzq", command));
    EXPECT_STREQ("C:\\Tools\\Ed.exe", command);
    d.run("regget", ".zzq");
    d.out.clear();
    d.run("echo", "$AppFile");
    EXPECT_EQ("c:\\tools\\ed.exe\n", d.out);
    d.run("regset", "ZZQfile Extra value");
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyA(HKEY_CLASSES_ROOT, "ZZQfile", &key));
    char value[64];
    EXPECT_TRUE(reg_read_text(key, "Extra", value, sizeof value));
    EXPECT_STREQ("value", value);
    RegCloseKey(key);
    d.run("regdel", "ZZQfile");
    d.run("regdel", ".zzq");
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyA(HKEY_CLASSES_ROOT, "ZZQfile", &key));

    std::string target = dir.write("t.txt", "t");
    d.run("ln", ("l.lnk \"" + target + "\" NULL NULL NULL NULL").c_str());
    CoInitialize(nullptr);
    char resolved[MAX_PATH] = "";
    read_shortcut_path(dir.file("l.lnk").c_str(), resolved);
    CoUninitialize();
    EXPECT_STRCASEEQ(target.c_str(), resolved);
}

TEST(ConsoleMode, BadCommandsAreIgnoredAndTheConsoleGoesOn)
{
    console_drive d;
    d.type("a"
           "k"
           "b");  // a line, the key of the bad command, the next line
    d.lines = {"cp x y", "echo still here"};
    console_mode();
    EXPECT_EQ("*** bad command: cp\nstill here\n", d.out);
}

}  // namespace

namespace {

TEST(ConsoleWords, FolderReloadExitPauseAndShellQuit)
{
    bench::scratch_dir dir;
    dir.write("sub\\f.txt", "f");
    console_drive d;
    SetCurrentDirectoryA(dir.path());
    struct {
        const char* word;
        const char* rest;
        int result;
        const char* out;
        int reloads;
        int keys;
    } cases[] = {
        {"cd", "sub", CONSOLE_GO_ON, "cd sub\n", 0, 0},
        {"zote", nullptr, CONSOLE_GO_ON, "zote \nsent reload message to ZOTE\n", 1, 0},
        {"pause", nullptr, CONSOLE_GO_ON, "", 0, 1},
        {"exit", nullptr, CONSOLE_END_RUN, "exit \n", 0, 0},
        {"shellquit", nullptr, CONSOLE_END_RUN, "", 0, 0},
        {"question", "yn Go?", CONSOLE_GO_ON, "Go?\n", 0, 1},
    };
    for (auto& c : cases) {
        d.out.clear();
        d.reloads = d.keys_read = 0;
        EXPECT_EQ(c.result, d.run(c.word, c.rest)) << c.word;
        EXPECT_EQ(c.out, d.out) << c.word;
        EXPECT_EQ(c.reloads, d.reloads) << c.word;
        EXPECT_EQ(c.keys, d.keys_read) << c.word;
    }
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof cwd, cwd);
    EXPECT_EQ(dir.file("sub"), cwd);
}

}  // namespace
