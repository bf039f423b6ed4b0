// Conversion by the `t` command: the JIS shift sequences with their KI and KO
// letters, "**" and "*", the extension kanji, line ends, pass-through, and
// pieces: characters straddling buffer boundaries and text that expands.
#include "tests/kanji/kanji_bench.h"
#include "kanji/internal.h"  // one case feeds CUnKanj pieces of a set size
#include <algorithm>

TEST(KanjiConvert, HalfWidthKanaToJisUsesShiftOutAndIn)
{
    bench::scratch_dir dir;
    EXPECT_EQ(hex("\x0E\x31\x0F"
                  "a"),
              hex(convert_text(dir, "-j -S",
                               "\xB1"
                               "a")));
    // Closed at the end of the input, also after kanji.
    EXPECT_EQ(hex("\x0E\x31\x0F"), hex(convert_text(dir, "-j -S", "\xB1")));
    EXPECT_EQ(hex("\x1B$B$\"\x1B(B"), hex(convert_text(dir, "-j -S", "\x82\xA0")));
    // Kana to kanji and back: every change leaves the old state first.
    EXPECT_EQ(hex("\x0E\x31\x0F\x1B$B$\"\x1B(B\x0E\x31\x0F"), hex(convert_text(dir, "-j -S", "\xB1\x82\xA0\xB1")));
    // EUC kana and kanji to JIS.
    EXPECT_EQ(hex("\x0E\x31\x0F\x1B$B$\"\x1B(B\n"), hex(convert_text(dir, "-j -E", "\x8E\xB1\xA4\xA2\n")));
}

TEST(KanjiConvert, KiAndKoLetters)
{
    bench::scratch_dir dir;
    std::string sj = "\x82\xA0"
                     "a";
    EXPECT_EQ(hex("\x1B$B$\"\x1B(Ba"), hex(convert_text(dir, "-j -S", sj)));
    EXPECT_EQ(hex("\x1B$@$\"\x1B(Ba"), hex(convert_text(dir, "-j -ki@ -S", sj)));
    EXPECT_EQ(hex("\x1BK$\"\x1B(Ba"), hex(convert_text(dir, "-j -kik -S", sj)));
    EXPECT_EQ(hex("\x1B$B$\"\x1B(Ja"), hex(convert_text(dir, "-j -KOJ -S", sj)));
    EXPECT_EQ(hex("\x1B$B$\"\x1BHa"), hex(convert_text(dir, "-j -koh -S", sj)));
    EXPECT_EQ(hex("\x1BK$\"\x1BHa"), hex(convert_text(dir, "-j -kiK -koH -S", sj)));
    // Every JIS introducer and closer is read back.
    std::string jis = "\x1B$@$\"\x1B(J"
                      "a"
                      "\x1BK$\"\x1BH"
                      "b"
                      "\x1B$B$\"\x1B(B"
                      "c";
    EXPECT_EQ(hex("\x82\xA0"
                  "a\x82\xA0"
                  "b\x82\xA0"
                  "c"),
              hex(convert_text(dir, "-s -J", jis)));
    EXPECT_EQ(hex("\xA4\xA2"
                  "a\xA4\xA2"
                  "b\xA4\xA2"
                  "c"),
              hex(convert_text(dir, "-e", jis)));
}

TEST(KanjiConvert, UnconvertibleCharactersAndBadBytes)
{
    bench::scratch_dir dir;
    // A user-range character becomes "**"; a bad byte "*".
    EXPECT_EQ("a**b", convert_text(dir, "-e -S",
                                   "a\xF0\x40"
                                   "b"));
    EXPECT_EQ("a*b", convert_text(dir, "-e -S",
                                  "a\x01"
                                  "b"));
    EXPECT_EQ("a**b", convert_text(dir, "-j -S",
                                   "a\xF0\x40"
                                   "b"));
    EXPECT_EQ(hex("\x1B$B$\"\x1B(B**"), hex(convert_text(dir, "-j -S", "\x82\xA0\xF0\x40")));
    // A lead byte without its trail byte is one bad byte; the line end stays.
    EXPECT_EQ("*\r\n", convert_text(dir, "-e -S", "\x82\r\n"));
    // JIS: an unknown escape sequence is a bad byte.
    EXPECT_EQ("*(Ia", convert_text(dir, "-s -J", "\x1B(Ia"));
    // JIS: a kanji byte without its partner; blanks inside kanji are kept.
    EXPECT_EQ(hex("\x82\xA0*a \x82\xA0"), hex(convert_text(dir, "-s -J", "\x1B$B$\"$\x1B(Ba\x1B$B $\"")));
    // EUC: SS2 with no kana after it.
    EXPECT_EQ("*a", convert_text(dir, "-s -E",
                                 "\x8E"
                                 "a"));
}

TEST(KanjiConvert, ExtensionKanjiWithAndWithoutTheGaijiSwitch)
{
    bench::scratch_dir dir;
    std::string sj = "\xFA\x40\xFA\x54\xFA\x5B\xFC\x4B";
    EXPECT_EQ(hex("\x8F\xF3\xF3\xA2\xCC\xA2\xE8\x8F\xF4\xFE"), hex(convert_text(dir, "-e -g1 -S", sj)));
    EXPECT_EQ("********", convert_text(dir, "-e -S", sj));
    std::string euc = "\x8F\xF3\xF3\x8F\xA2\xC3\x8F\xF4\xFE";
    EXPECT_EQ(hex("\xFA\x40\xFA\x55\xFC\x4B"), hex(convert_text(dir, "-s -g1 -E", euc)));
    EXPECT_EQ("******", convert_text(dir, "-s -E", euc));
    // JIS output has no way to write them.
    EXPECT_EQ("**", convert_text(dir, "-j -g1 -E", "\x8F\xF3\xF3"));
    // A JIS X 0212 code outside the extension range: bad with -g1, "**" without.
    EXPECT_EQ("*a", convert_text(dir, "-s -g1 -E",
                                 "\x8F\xA2\xAF"
                                 "a"));
    EXPECT_EQ("*a", convert_text(dir, "-s -g1 -E",
                                 "\x8F\xF5\xA1"
                                 "a"));
    EXPECT_EQ("**a", convert_text(dir, "-s -E",
                                  "\x8F\xA2\xAF"
                                  "a"));
    // A code in range but not in the table.
    EXPECT_EQ("**", convert_text(dir, "-s -g1 -E", "\x8F\xB0\xA1"));
    // The plain EUC codes of 0xFA54 and 0xFA5B are ordinary characters.
    EXPECT_EQ(hex("\x81\xCA\x81\xE6"), hex(convert_text(dir, "-s -g1 -E", "\xA2\xCC\xA2\xE8")));
}

TEST(KanjiConvert, LineEnds)
{
    bench::scratch_dir dir;
    std::string text = "a\r\nb\rc\nd\r\n\r\n";
    EXPECT_EQ("a\nb\nc\nd\n\n", convert_text(dir, "-e -S -lf", text));
    EXPECT_EQ("a\r\nb\r\nc\r\nd\r\n\r\n", convert_text(dir, "-e -S -CRLF", text));
    EXPECT_EQ("a\rb\rc\rd\r\r", convert_text(dir, "-e -S -cr", text));
    EXPECT_EQ(text, convert_text(dir, "-e -S", text));
    // Kanji closed before the line end.
    EXPECT_EQ(hex("\x1B$B$\"\x1B(B\r\n"), hex(convert_text(dir, "-j -S -crlf", "\x82\xA0\n")));
}

TEST(KanjiConvert, SameCodePassesThrough)
{
    bench::scratch_dir dir;
    std::string all;
    for (int i = 0; i < 256; i++) all += char(i);
    all += "\x82\xA0\xA4\xA2\r\n\r";
    EXPECT_TRUE(all == convert_text(dir, "-s -S", all));
    EXPECT_TRUE(all == convert_text(dir, "-e -E", all));
    std::string euc = "abc\xA4\xA2\xA4\xA4\xA4\xA6\r\n";
    EXPECT_EQ(euc, convert_text(dir, "-e", euc));
    EXPECT_EQ("abc\xA4\xA2\xA4\xA4\xA4\xA6\n", convert_text(dir, "-e -lf", euc));
    // JIS input given before the output code keeps the same-code converter:
    // the shift sequences are consumed and the pairs stand alone.
    EXPECT_EQ("a$\"b", convert_text(dir, "-J -s", "a\x1B$B$\"\x1B(Bb"));
}

// Builds a text of n bytes by repeating unit.
static std::string repeat(const std::string& unit, size_t n)
{
    std::string s;
    while (s.size() < n) s += unit;
    return s;
}

TEST(KanjiConvert, CharactersStraddlingOneKilobytePieces)
{
    bench::scratch_dir dir;
    for (size_t shift = 0; shift < 6; shift++) {
        // A pair, an escape sequence, CR|LF and an SS3 triple across 1024 and 2048.
        std::string head(1020 + shift, 'a');
        std::string sj = head + "\x82\xA0" + std::string(1020, 'b') + "\r\n" + std::string(1020, 'c') + "\x88\x9F";
        std::string euc = head + "\xA4\xA2" + std::string(1020, 'b') + "\n" + std::string(1020, 'c') + "\xB0\xA1";
        EXPECT_EQ(euc, convert_text(dir, "-r1 -e -S -lf", sj)) << shift;
        std::string jis =
            head + "\x1B$B$\"\x1B(B" + std::string(1020, 'b') + "\r\n" + std::string(1020, 'c') + "\x1B$B0!\x1B(B";
        std::string sj_crlf = head + "\x82\xA0" + std::string(1020, 'b') + "\r\n" + std::string(1020, 'c') + "\x88\x9F";
        EXPECT_EQ(sj_crlf, convert_text(dir, "-r1 -s -J", jis)) << shift;
        EXPECT_EQ(jis, convert_text(dir, "-r1 -j -S -crlf", sj)) << shift;
        std::string triple = head + "\x8F\xF3\xF3" + std::string(1020, 'b') + "\x8F\xF4\xFE" + "z";
        EXPECT_EQ(head + "\xFA\x40" + std::string(1020, 'b') + "\xFC\x4B" + "z",
                  convert_text(dir, "-r1 -g1 -s -E", triple))
            << shift;
    }
}

TEST(KanjiConvert, ThreefoldExpansionNeverOverruns)
{
    bench::scratch_dir dir;
    // Kanji and LF alternating: each 3 input bytes become 10.
    std::string in = repeat("\x82\xA0\n", 3 * 3500);
    std::string expect = repeat("\x1B$B$\"\x1B(B\r\n", 10 * 3500);
    std::string out = convert_text(dir, "-r1 -j -S -crlf", in);
    EXPECT_EQ(expect.size(), out.size());
    EXPECT_TRUE(expect == out);
    // Half-width kana into EUC doubles.
    std::string kana(5000, '\xB1');
    EXPECT_TRUE(repeat("\x8E\xB1", 10000) == convert_text(dir, "-r1 -e -S", kana));
    // The engine never writes past the piece it is given.
    std::string src = dir.write("x.txt", in);
    CUnKanj k;
    k.output_code = KANJI_JIS;
    k.line_end_mode = LINE_END_CRLF;
    k.read_size = 1024;
    k.select_converter(KANJI_SJIS);
    ASSERT_TRUE(k.open_source(src.c_str()));
    std::vector<unsigned char> piece(64 + 8, 0xEE);
    std::string joined;
    for (int guard = 0; guard < 100000 && !k.finished(); guard++) {
        size_t n = k.convert(piece.data(), 64);
        ASSERT_LE(n, 64u);
        for (size_t i = 64; i < piece.size(); i++) ASSERT_EQ(0xEE, piece[i]);
        joined.append(reinterpret_cast<char*>(piece.data()), n);
    }
    EXPECT_TRUE(expect == joined);
}

TEST(KanjiConvert, PassThroughWithLineEndsOverManyPieces)
{
    bench::scratch_dir dir;
    std::string in, lf;
    for (int i = 0; i < 400; i++) {
        std::string line = "line " + std::to_string(i) + " \x82\xA0\x82\xA2";
        in += line + "\r\n";
        lf += line + "\n";
    }
    ASSERT_GT(in.size(), 3u * 1024);
    EXPECT_TRUE(lf == convert_text(dir, "-r1 -s -S -lf", in));
    EXPECT_TRUE(in == convert_text(dir, "-r1 -s -S -crlf", lf));
    // Detected Shift-JIS to Shift-JIS after a long ASCII start: the start is
    // written once, then the rest passes through.
    std::string head = repeat("ascii only\r\n", 1500);
    EXPECT_TRUE(head + in == convert_text(dir, "-r1 -s", head + in));
    std::string head_lf = repeat("ascii only\n", 1500 / 12 * 11);
    std::string out = convert_text(dir, "-r1 -s -lf", head + in);
    EXPECT_EQ(head.size() / 12 * 11 + lf.size(), out.size());
    EXPECT_TRUE(out == head_lf.substr(0, head.size() / 12 * 11) + lf);
}

TEST(KanjiConvert, BinaryInputEndsTheRun)
{
    bench::scratch_dir dir;
    int code = 99;
    std::string out = convert_text(dir, "-s", std::string(100, '\x01'), &code);
    EXPECT_EQ(KANJI_BINARY, code);
    EXPECT_EQ("", out);
}

namespace {
std::vector<std::string> folder_names(const bench::scratch_dir& dir)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(dir.file("*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (fd.cFileName[0] != '.') names.push_back(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}
}  // namespace

TEST(KanjiConvert, BinaryInputLeavesNoCutDestination)
{
    bench::scratch_dir dir;
    std::string text_then_binary = std::string("some text\r\n") + std::string(40, '\x01');
    std::string src = dir.file("in.txt"), dst = dir.file("out.txt");
    // Whether the destination existed before or not, and whether converted
    // text came before the binary bytes or not.
    struct {
        std::string input;
        bool existed;
    } cases[] = {
        {std::string(100, '\x01'), false},
        {text_then_binary, false},
        {std::string(100, '\x01'), true},
        {text_then_binary, true},
    };
    for (auto& c : cases) {
        DeleteFileA(dst.c_str());
        bench::write_file(src, c.input);
        if (c.existed) bench::write_file(dst, "old");
        unkanj_result r = unkanj("t -s \"" + src + "\" \"" + dst + "\"");
        EXPECT_EQ(KANJI_BINARY, r.code);
        EXPECT_EQ("check ok -> may be <<binary>> file.", r.message);
        if (c.existed) EXPECT_EQ("old", bench::read_file(dst));
        std::vector<std::string> expect = {"in.txt"};
        if (c.existed) expect.push_back("out.txt");
        EXPECT_EQ(expect, folder_names(dir)) << c.existed;
    }
    // A text replaces the destination that was there.
    bench::write_file(src, "\xA4\xA2\n");
    EXPECT_EQ(0, unkanj("t -s -E \"" + src + "\" \"" + dst + "\"").code);
    EXPECT_EQ("\x82\xA0\n", bench::read_file(dst));
    EXPECT_EQ((std::vector<std::string>{"in.txt", "out.txt"}), folder_names(dir));
}
