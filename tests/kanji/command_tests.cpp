// The converter's command string: switches, file names, results and their
// messages, the usage text, the destination's folders, and where messages go
// without a caller buffer.
#include "tests/kanji/kanji_bench.h"
#include "kanji/internal.h"  // switch parsing, the output folders and the allocation seam
#include "tests/support/restore.h"

static int parse(const std::string& command, CUnKanj* k = nullptr)
{
    CUnKanj local;
    std::string src, dst;
    return parse_unkanj_switches(k ? k : &local, command.c_str(), &src, &dst);
}

TEST(KanjiCommand, SwitchesAreReadIntoTheFilter)
{
    CUnKanj k;
    ASSERT_EQ(1, parse("T -e -S -CrLf -ki@ -KOJ -r4 -g1 a b", &k));
    EXPECT_EQ(UNKANJ_CONVERT, k.mode);
    EXPECT_EQ(KANJI_EUC, k.output_code);
    EXPECT_EQ(KANJI_SJIS, k.input_code);
    EXPECT_EQ(sjis_to_euc, k.converter);
    EXPECT_EQ(LINE_END_CRLF, k.line_end_mode);
    EXPECT_EQ('@', k.ki_letter);
    EXPECT_EQ('J', k.ko_letter);
    EXPECT_EQ(4096u, k.read_size);
    EXPECT_EQ(1, k.gaiji);

    CUnKanj d;
    ASSERT_EQ(1, parse("c /lf /cr x", &d));
    EXPECT_EQ(UNKANJ_CHECK, d.mode);
    EXPECT_EQ(LINE_END_CR, d.line_end_mode);
    EXPECT_EQ(0x10000u, d.read_size);
    EXPECT_EQ('B', d.ki_letter);
    EXPECT_EQ('B', d.ko_letter);
    EXPECT_EQ(0, d.gaiji);
    EXPECT_EQ(0, d.input_code);

    CUnKanj kk;
    ASSERT_EQ(1, parse("t -kik -koh -r65536 x", &kk));
    EXPECT_EQ('K', kk.ki_letter);
    EXPECT_EQ('H', kk.ko_letter);
    EXPECT_EQ(65536u * 1024, kk.read_size);

    // The converter follows the output code given before the input code.
    CUnKanj late;
    ASSERT_EQ(1, parse("t -J -s x", &late));
    EXPECT_EQ(same_code, late.converter);
}

TEST(KanjiCommand, BadCommandsAreParameterErrors)
{
    const char* bad[] = {
        "x a",     "",         "   ",      "t a b c",     "t -g0 a",       "t -g a",        "t -g2 a",  "t -r a",
        "t -r0 a", "t -rx a",  "t -r-1 a", "t -r65537 a", "t -r4194305 a", "t -r4194304 a", "t -kix a", "t -kox a",
        "t -ki a", "t -foo a", "t -J2 a",  "t -x a",      "t - a",         "t -C a",
    };
    bench::scratch_dir dir;
    std::string src = dir.write("a.txt", "text");
    for (const char* c : bad) {
        std::string command = c;
        size_t at = command.find(" a");
        if (at != std::string::npos) command.replace(at, 2, " \"" + src + "\"");
        unkanj_result r = unkanj(command);
        EXPECT_EQ(UNKANJ_PARAMETER_ERROR, r.code) << c;
        EXPECT_EQ("parameter error.", r.message) << c;
    }
    // Letters of one-letter switches are case-sensitive; longer ones are not.
    EXPECT_EQ(1, parse("t -j -J -lF -KIB -kob -R1 -G1 a"));
}

TEST(KanjiCommand, QuotedNamesKeepTheirBlanks)
{
    bench::scratch_dir dir;
    std::string src = dir.write("a b c.txt", "\x82\xA0\r\n");
    std::string dst = dir.file("out put.txt");
    unkanj_result r = unkanj("t -e \"" + src + "\" \"" + dst + "\"");
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("", r.message);
    EXPECT_EQ("\xA4\xA2\r\n", bench::read_file(dst));
    // An unclosed quote runs to the end of the command.
    CUnKanj k;
    std::string s, d;
    ASSERT_EQ(1, parse_unkanj_switches(&k, "c \"a b -e", &s, &d));
    EXPECT_EQ("a b -e", s);
    EXPECT_EQ("", d);
    ASSERT_EQ(1, parse_unkanj_switches(&k, "t\t\"x\"\t-s  y ", &s, &d));
    EXPECT_EQ("x", s);
    EXPECT_EQ("y", d);
}

TEST(KanjiCommand, UsageForTheQuestionMark)
{
    unkanj_result r = unkanj("?");
    EXPECT_EQ(0, r.code);
    EXPECT_NE(std::string::npos, r.message.find("0.05"));
    EXPECT_NE(std::string::npos, r.message.find("-crlf"));
    EXPECT_NE(std::string::npos, r.message.find("-g1"));
    EXPECT_LE(r.message.size(), 255u);
    CUnKanj k;
    EXPECT_EQ(0, parse("? a b c d", &k));
    EXPECT_EQ(UNKANJ_HELP, k.mode);
}

TEST(KanjiCommand, FilesThatCannotBeOpened)
{
    bench::scratch_dir dir;
    std::string missing = dir.file("missing.txt");
    unkanj_result r = unkanj("c \"" + missing + "\"");
    EXPECT_EQ(UNKANJ_SOURCE_ERROR, r.code);
    EXPECT_EQ("error:\"" + missing + "\" can not open.", r.message);

    // A destination that is a folder cannot be opened, even after its
    // folders were made.
    std::string src = dir.write("a.txt", "abc");
    std::string folder = dir.file("folder");
    CreateDirectoryA(folder.c_str(), nullptr);
    r = unkanj("t -s \"" + src + "\" \"" + folder + "\"");
    EXPECT_EQ(UNKANJ_DESTINATION_ERROR, r.code);
    EXPECT_EQ("error:\"" + folder + "\" can not open.", r.message);
    r = unkanj("t -s \"" + src + "\" \"" + folder + "\\\"");
    EXPECT_EQ(UNKANJ_DESTINATION_ERROR, r.code);

    // A long name makes a message cut to 255 bytes.
    std::string long_name = dir.file(std::string(300, 'n') + ".txt");
    r = unkanj("c \"" + long_name + "\"");
    EXPECT_EQ(UNKANJ_SOURCE_ERROR, r.code);
    EXPECT_EQ(255u, r.message.size());
    EXPECT_EQ(0u, r.message.find("error:\""));
}

TEST(KanjiCommand, DestinationFoldersAreMade)
{
    bench::scratch_dir dir;
    // Double-byte names, with 0x5C trail bytes (表, ソ, 能).
    std::string src = dir.write("表\\ソ.txt", "\x82\xA0\n");
    std::string dst = dir.file("new\\能\\表ソ\\out.txt");
    unkanj_result r = unkanj("t -e \"" + src + "\" \"" + dst + "\"");
    EXPECT_EQ(0, r.code) << r.message;
    EXPECT_EQ("\xA4\xA2\n", bench::read_file(dst));
    EXPECT_EQ(KANJI_EUC, unkanj("c \"" + dst + "\"").code);

    std::string deep = dir.file("a\\b\\c");
    EXPECT_EQ(1, make_output_dirs(deep.c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(deep.c_str()));
    std::string trailing = dir.file("d\\e\\");
    EXPECT_EQ(1, make_output_dirs(trailing.c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(dir.file("d\\e").c_str()));
    // An existing folder counts as made; a UNC path of no server fails at once.
    EXPECT_EQ(1, make_output_dirs(deep.c_str()));
    EXPECT_EQ(0, make_output_dirs("\\\\nosuchserver\\share\\x"));
    EXPECT_EQ(0, make_output_dirs(""));
}

TEST(KanjiCommand, MemoryFailureGivesMinusSeven)
{
    bench::scratch_dir dir;
    std::string src = dir.write("a.txt", "abc");
    unkanj_result r;
    {
        scoped_restore keep_allocator(unkanj_allocate);
        unkanj_allocate = [](size_t) -> void* { return nullptr; };
        r = unkanj("t -s \"" + src + "\" \"" + dir.file("b.txt") + "\"");
    }
    EXPECT_EQ(UNKANJ_MEMORY_ERROR, r.code);
    EXPECT_EQ("error:memory error is ocured.\n", r.message);
    // The destination created before the failure stays.
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(dir.file("b.txt").c_str()));
}

// Without a caller buffer, messages go to the standard error stream, the
// check text to the standard output, and converted text without a
// destination to the standard output.
ZOTE_CHILD(kanji_streams)
{
    bench::scratch_dir dir;
    std::string src = dir.write("a.txt", "\x82\xA0\r\n");
    int c = unkanj_main(("c \"" + src + "\"").c_str(), nullptr);
    fputs("|", stdout);
    char message[UNKANJ_MESSAGE_BUF] = "untouched";
    int c2 = unkanj_main(("c \"" + src + "\"").c_str(), message);
    printf("|%s|", message);
    // Classifying for the browser's list writes nothing.
    int quiet = kanji_code_of_file(src.c_str());
    fputs("quiet|", stdout);
    fflush(stdout);
    int t = unkanj_main(("t -e \"" + src + "\"").c_str(), nullptr);
    fflush(stdout);
    int e = unkanj_main("x", nullptr);
    return c == KANJI_SJIS && c2 == KANJI_SJIS && quiet == KANJI_SJIS && t == 0 && e == UNKANJ_PARAMETER_ERROR ? 7 : 1;
}

TEST(KanjiCommand, MessagesWithoutABufferGoToTheStandardStreams)
{
    bench::child_result r = bench::run_child("kanji_streams");
    EXPECT_EQ(7u, r.exit_code) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("check ok -> may be <<shift-jis>> file.|"));
    // The check text went to the standard output, not into the buffer.
    EXPECT_NE(std::string::npos, r.output.find("||quiet|"));
    EXPECT_NE(std::string::npos, r.output.find("\xA4\xA2\r\n"));
    EXPECT_NE(std::string::npos, r.output.find("parameter error."));
}
