// Script files and console mode: labels, end markers, comments, tabs, blocks
// switched off by questions, over-long lines, variables and the word table.
#include "console_fixture.h"
#include <cstring>
#include <vector>

namespace {

std::string run_script(console_drive& d, const bench::scratch_dir& dir, const std::string& text,
                       const char* label = nullptr, int* result = nullptr)
{
    std::string path = dir.write("s.a.txt", text);
    int r = run_script_file(path.c_str(), label);
    if (result) *result = r;
    return d.out;
}

TEST(ConsoleWords, PrefixMatchInTableOrder)
{
    struct {
        const char* typed;
        const char* runs;
    } cases[] = {
        {"deltree", "del"},   {"delete", "del"},
        {"delr", "delr"},     {"sync", "s"},
        {"view", "v"},        {"shellquit", "shellquit"},
        {"shell", "shell"},   {"regextrm", "regextrm"},
        {"regext", "regext"}, {"unpackr", "unpackr"},
        {"unpack", "unpack"}, {"packr", "packr"},
        {"pack", "pack"},     {"rdr", "rdr"},
        {"rd", "rd"},         {"renas", "renas"},
        {"ren", "ren"},       {"@echo", "@echo"},
        {"echo", "echo"},     {"cp", nullptr},
        {"", nullptr},
    };
    for (auto& c : cases) {
        const char* w = console_word_for(c.typed);
        EXPECT_STREQ(c.runs, w) << c.typed;
    }
}

TEST(ScriptFile, LabelsEndMarkersCommentsAndTabs)
{
    bench::scratch_dir dir;
    const std::string text =
        "[one]\necho in one\n:\n[two]\necho in two\n// a comment\n  echo\ttabbed\n\n:\necho never\n";
    struct {
        const char* label;
        const char* out;
        int reloads;
    } cases[] = {
        {"[two]", "[two]\nin two\ntabbed\n", 1},
        {"[one]", "[one]\nin one\n", 1},
        {"[none]", "", 0},
        {nullptr, "*** bad command: [one]\n", 1},
    };
    for (auto& c : cases) {
        console_drive d;
        int r = 0;
        EXPECT_EQ(c.out, run_script(d, dir, text, c.label, &r)) << (c.label ? c.label : "(none)");
        EXPECT_EQ(c.reloads, d.reloads);
    }
}

TEST(ScriptFile, BlanksBeforeMarkersMakeBadCommands)
{
    bench::scratch_dir dir;
    for (const char* line : {" :x", " //c"}) {
        console_drive d;
        int r = 0;
        run_script(d, dir, std::string("echo a\n") + line + "\necho b\n", nullptr, &r);
        EXPECT_EQ(std::string("a\n*** bad command: ") + (line + 1) + "\n", d.out);
        EXPECT_EQ(CONSOLE_END_RUN, r);
        EXPECT_EQ(1, d.quits);
        EXPECT_EQ(1, d.reloads);
    }
}

std::string times(const std::string& s, int n)
{
    std::string out;
    for (int i = 0; i < n; i++) out += s;
    return out;
}

// A line too long for its 512-byte buffer is an error that names the line,
// and never two commands: its tail (here "md 危険表", at the buffer's edge
// behind 表 = 95 5C, or behind the lead byte of a split 表) never runs, and
// the run ends, for a script line, a renas name line, a line that tabs make
// too long and a line typed in console mode. A line of 511 bytes fits; a
// comment may be of any length.
TEST(ScriptFile, OverlongLinesAreErrorsNamingTheLineNeverTwoCommands)
{
    const std::string fits = "echo " + times("表", 253);  // 511 bytes
    const std::string cut_after_trail = fits + "md 危険表";
    const std::string cut_in_char = "echo  " + times("表", 253) + "md 危険表";
    const std::string bad = "*** line 2 too long (over 511 bytes): ";
    struct {
        const char* what;
        std::string script;  // empty: console mode with the lines below
        std::vector<std::string> lines;
        std::string out;
        int result;
    } cases[] = {
        {"clean cut",
         "echo a\n" + cut_after_trail + "\necho never\n",
         {},
         "a\n" + bad + "echo " + times("表", 17) + "...\n",
         CONSOLE_END_RUN},
        {"cut in a character",
         "echo a\n" + cut_in_char + "\necho never\n",
         {},
         "a\n" + bad + "echo  " + times("表", 16) + "...\n",
         CONSOLE_END_RUN},
        {"511 bytes", "echo a\n" + fits + "\necho b\n", {}, "a\n" + times("表", 253) + "\nb\n", CONSOLE_GO_ON},
        {"long comment", "echo a\n// " + cut_after_trail + "\necho b\n", {}, "a\nb\n", CONSOLE_GO_ON},
        {"tabs",
         "echo a\necho" + std::string(300, '\t') + "md 危険表\necho never\n",
         {},
         "a\n" + bad + "echo" + std::string(35, '\t') + "...\n",
         CONSOLE_END_RUN},
        {"renas",
         "renas r\\*.jpg\n一\n" + times("表", 255) + "xmd 危険表\necho never\n",
         {},
         "renas r\\*.jpg\n@\\r\\a.jpg -> @\\r\\01-一.jpg\n*** line 3 too long (over 511 bytes): " + times("表", 19) +
             "...\n",
         CONSOLE_END_RUN},
        {"console",
         "",
         {cut_after_trail, "echo b"},
         "*** line too long (over 511 bytes): echo " + times("表", 17) + "...\nb\n",
         CONSOLE_GO_ON},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bench::scratch_dir dir;
        dir.write("r\\a.jpg", "a");
        dir.write("r\\b.jpg", "b");
        console_drive d;
        int r = CONSOLE_GO_ON;
        if (c.script.empty()) {
            d.type("ab");
            d.lines.assign(c.lines.begin(), c.lines.end());
            console_mode();
        } else {
            run_script(d, dir, c.script, nullptr, &r);
        }
        EXPECT_EQ(c.out, expand_at_root(d.out, dir.path()));
        EXPECT_EQ(c.result, r);
        EXPECT_EQ(c.result == CONSOLE_END_RUN ? 1 : 0, d.quits);
        EXPECT_FALSE(exists(dir.file("危険表")));
        EXPECT_TRUE(exists(dir.file("r\\b.jpg")));
    }
}

TEST(ScriptBlocks, QuestionsSwitchBlocksOffIncludingNestedOnes)
{
    bench::scratch_dir dir;
    const std::string nested =
        "question yn Install?\n{\necho inst\nquestion yn Docs?\n{\necho docs\n}\n}\necho after\n";
    struct {
        const char* keys;
        const char* out;
    } cases[] = {
        {"n", "Install?\nafter\n"},
        {"yn", "Install?\ninst\nDocs?\nafter\n"},
        {"yy", "Install?\ninst\nDocs?\ndocs\nafter\n"},
    };
    for (auto& c : cases) {
        console_drive d;
        d.type(c.keys);
        EXPECT_EQ(c.out, run_script(d, dir, nested)) << c.keys;
        EXPECT_EQ(0, console_blocks.depth);
    }
}

TEST(ScriptBlocks, StrayCloseAndDeepNestingAreClamped)
{
    bench::scratch_dir dir;
    {
        console_drive d;
        d.type("n");
        EXPECT_EQ("Q?\nafter\n", run_script(d, dir, "}\n}\nquestion yn Q?\n{\necho in\nnosuchword\n}\necho after\n"));
        EXPECT_EQ(0, console_blocks.depth);
    }
    {
        console_drive d;
        std::string text;
        for (int i = 0; i < 200; i++) text += "{\n";
        int r = 0;
        run_script(d, dir, text + "echo deep\n", nullptr, &r);
        EXPECT_EQ(CONSOLE_END_RUN, r);
        EXPECT_EQ("*** blocks nested too deep\n", d.out);
        EXPECT_EQ(BLOCK_DEPTH_MAX, console_blocks.depth);
    }
}

TEST(ConsoleVariables, ExpandBoundedAndRefuseSelfContainingValues)
{
    console_drive d;
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    char buf[EXPANDED_BUF];
    struct {
        const char* temp;
        const char* app_dir;
        const char* in;
        std::string want;
        bool ok;
    } cases[] = {
        {"C:\\tmpx\\", nullptr, "$WinDrv:\\x", std::string(1, windows[0]) + ":\\x", true},
        {"C:\\tmpx\\", nullptr, "  $temp\\a  ", "C:\\tmpx\\a", true},
        {"C:\\tmpx", nullptr, "$AppDir", std::string(1, windows[0]) + ":\\progra~1", true},
        {"C:\\tmpx", "D:\\apps", "$AppDir\\z", "D:\\apps\\z", true},
        {"C:\\$temp", nullptr, "$temp\\a", "", false},
    };
    char saved_temp[MAX_PATH] = "";
    GetEnvironmentVariableA("temp", saved_temp, sizeof saved_temp);
    for (auto& c : cases) {
        SetEnvironmentVariableA("temp", c.temp);
        SetEnvironmentVariableA("AppDir", c.app_dir);
        EXPECT_EQ(c.ok, expand_variables(c.in, buf, sizeof buf)) << c.in;
        EXPECT_EQ(c.want, buf) << c.in;
    }
    std::string many;
    for (int i = 0; i < 150; i++) many += "$WinDir";  // 1,500 bytes once expanded
    EXPECT_FALSE(expand_variables(many.c_str(), buf, sizeof buf));
    EXPECT_STREQ("", buf);
    SetEnvironmentVariableA("temp", saved_temp);
    SetEnvironmentVariableA("AppDir", nullptr);
    // Through a command: a refused expansion runs nothing and ends a script.
    SetEnvironmentVariableA("temp", "C:\\$temp");
    EXPECT_EQ(CONSOLE_END_RUN, d.run("echo", "$temp"));
    EXPECT_EQ("*** cannot expand: echo\n", d.out);
    SetEnvironmentVariableA("temp", saved_temp);
}

TEST(ConsoleVariables, CutAfterExe)
{
    struct {
        const char* in;
        const char* line;
        const char* args;
    } cases[] = {
        {"\"C:\\Prog\\Ed.EXE\" %1", "c:\\prog\\ed.exe", "%1"},
        {"\"C:\\a.exe\\b.exe /x\"", "c:\\a.exe\\b.exe", "/x"},
        {"C:\\ed.exe", "c:\\ed.exe", nullptr},
        {"notepad %1", "notepad %1", nullptr},
    };
    for (auto& c : cases) {
        char line[512];
        strcpy(line, c.in);
        char* args = cut_after_exe(line);
        EXPECT_STREQ(c.line, line) << c.in;
        EXPECT_STREQ(c.args, args) << c.in;
    }
}

TEST(ScriptMode, DispatchesOneShotsScriptsAndConsoleMode)
{
    bench::scratch_dir dir;
    std::string script = dir.write("job.a.txt", "echo from script\n");
    {
        console_drive d;
        EXPECT_EQ(1961, script_mode("/echo hello"));
        EXPECT_EQ("hello\n", d.out);
        EXPECT_EQ("Script - ZOTE\n", d.titles);
    }
    {
        console_drive d;
        d.type("x");
        EXPECT_EQ(1961, script_mode(script.c_str()));
        EXPECT_EQ("from script\n", d.out);
        EXPECT_EQ(1, d.keys_read);  // one key after the run, the output being on
        EXPECT_EQ(1, d.reloads);
    }
    {
        console_drive d;  // a wildcard opens console mode: two lines typed, then ESC
        d.type("ab");
        d.lines = {"echo typed", "   "};
        EXPECT_EQ(1961, script_mode("*.jpg"));
        EXPECT_EQ("typed\n*** bad command: \n", d.out);
        EXPECT_NE(std::string::npos, d.status.find("Console Mode"));
    }
    {
        console_drive d;  // a script with a label: its title is the script's name
        std::string labelled = dir.write("lab.a.txt", "[x]\necho labelled\n");
        EXPECT_EQ(1961, script_mode((labelled + " [x]").c_str()));
        EXPECT_EQ("[x]\nlabelled\n", d.out);
        EXPECT_EQ("Script - ZOTE\nScript - lab.a.txt\n", d.titles);
    }
    {
        console_drive d;  // "/script fcopy": the command once, then the end
        SetCurrentDirectoryA(dir.path());
        EXPECT_EQ(1961, script_mode("/fcopy"));
        EXPECT_EQ(0u, d.out.find("fcopy: " + std::string(dir.path()) + "\\ - "));
    }
    {
        console_drive d;  // an argument longer than its buffer is refused whole
        std::string arg = "/echo " + std::string(300, 'x');
        EXPECT_EQ(1961, script_mode(arg.c_str()));
        EXPECT_EQ("*** argument too long\n", d.out);
    }
}

TEST(ScriptMode, EchoModeTransitions)
{
    console_drive d;
    struct {
        int mode, visible, logging, answer, mode_after;
    } cases[] = {
        {2, 0, 1, 1, 1}, {1, 0, 1, 0, 1}, {1, 1, 1, 1, 1}, {0, 1, 1, 0, 0}, {2, 1, 0, 0, 2},
    };
    for (auto& c : cases) {
        script_echo_mode = c.mode;
        d.visible = c.visible;
        file_op_logging = c.logging;
        EXPECT_EQ(c.answer, console_output_on());
        EXPECT_EQ(c.mode_after, script_echo_mode);
    }
}

}  // namespace
