// Detection of the input code by the `c` command: the kanji_code results and
// their messages, the thresholds of the counts and the binary rule.
#include "tests/kanji/kanji_bench.h"

static const std::string sjis_hiragana = "\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8";  // あいうえお
static const std::string euc_hiragana = "\xA4\xA2\xA4\xA4\xA4\xA6\xA4\xA8\xA4\xAA";

TEST(KanjiDetect, EachCodeIsRecognised)
{
    bench::scratch_dir dir;
    EXPECT_EQ(KANJI_ASCII, check_text(dir, ""));
    EXPECT_EQ(KANJI_ASCII, check_text(dir, "plain text\r\nwith\ttabs\n"));
    EXPECT_EQ(KANJI_SJIS, check_text(dir, "x " + sjis_hiragana + "\r\n"));
    EXPECT_EQ(KANJI_EUC, check_text(dir, "x " + euc_hiragana + "\n"));
    EXPECT_EQ(KANJI_JIS, check_text(dir, "a\x1B$B$\"$$\x1B(Bb\n"));
    EXPECT_EQ(KANJI_JIS, check_text(dir, "abc\x1B(Jdef\n"));
    EXPECT_EQ(KANJI_JIS, check_text(dir, "abc\x1BK\"$\x1BH\n"));
    // SO and a kana byte, 8-bit or 7-bit.
    EXPECT_EQ(KANJI_JIS, check_text(dir, "a\x0E\xB1\x0F"));
    EXPECT_EQ(KANJI_JIS, check_text(dir, "a\x0E\x31\x0F"));
    // An EUC pair whose second byte is 0xFD/0xFE cannot be Shift-JIS.
    EXPECT_EQ(KANJI_EUC, check_text(dir, std::string(200, 'a') + "\xB0\xFE" + "a"));
    // A first byte 0xFD/0xFE decides EUC at once.
    EXPECT_EQ(KANJI_EUC, check_text(dir, std::string(200, 'a') + "\xFE\xA1" + "a"));
}

TEST(KanjiDetect, MessagesNameTheCode)
{
    bench::scratch_dir dir;
    struct {
        std::string text;
        int code;
        const char* message;
    } cases[] = {
        {"", 0, "check ok -> may be <<ascii>> file."},
        {"\x1B$B$\"\x1B(B", 1, "check ok -> may be <<jis>> file."},
        {euc_hiragana, 2, "check ok -> may be <<euc>> file."},
        {sjis_hiragana, 3, "check ok -> may be <<shift-jis>> file."},
        {std::string(30, '\x01'), -1, "check ok -> may be <<binary>> file."},
    };
    for (auto& c : cases) {
        std::string src = dir.write("m.txt", c.text);
        unkanj_result r = unkanj("c \"" + src + "\" \"" + dir.file("m.out") + "\"");
        EXPECT_EQ(c.code, r.code);
        EXPECT_EQ(c.message, r.message);
    }
}

TEST(KanjiDetect, JisEscapeAfterLongAsciiText)
{
    bench::scratch_dir dir;
    std::string prefix;
    while (prefix.size() < 3 * 1024) prefix += "an ascii line of text\r\n";
    EXPECT_EQ(KANJI_JIS, check_text(dir, prefix + "\x1B$B$\"\x1B(B\r\n"));
    EXPECT_EQ(KANJI_SJIS, check_text(dir, prefix + sjis_hiragana));
    // Converted, the prefix is written once and the rest converted.
    std::string out = convert_text(dir, "-s", prefix + "\x1B$B$\"\x1B(B\r\n");
    EXPECT_EQ(prefix + "\x82\xA0\r\n", out);
}

TEST(KanjiDetect, EqualCountsGoToShiftJis)
{
    bench::scratch_dir dir;
    // One EUC-only pair with a kana first byte (counted) and one pair only
    // Shift-JIS can lead; too few of either to pass the thresholds.
    std::string text = std::string(100, 'a') + "\xA4\xA2" + " " + "\x88\x9F" + " " + std::string(100, 'b');
    EXPECT_EQ(KANJI_SJIS, check_text(dir, text));
    // Two EUC pairs against one Shift-JIS pair: EUC.
    text = std::string(100, 'a') + "\xA4\xA2 \xA4\xA4 \x88\x9F " + std::string(100, 'b');
    EXPECT_EQ(KANJI_EUC, check_text(dir, text));
}

TEST(KanjiDetect, BinaryNeedsMoreThanTenBadBytesAndAFifth)
{
    bench::scratch_dir dir;
    auto with_bad = [](size_t size, size_t bad) {
        std::string s(size, 'a');
        for (size_t i = 0; i < bad; i++) s[5 + i * 3] = '\x01';
        return s;
    };
    EXPECT_EQ(KANJI_ASCII, check_text(dir, with_bad(100, 11)));
    EXPECT_EQ(KANJI_ASCII, check_text(dir, with_bad(100, 20)));
    EXPECT_EQ(KANJI_BINARY, check_text(dir, with_bad(100, 21)));
    EXPECT_EQ(KANJI_ASCII, check_text(dir, with_bad(40, 10)));
    EXPECT_EQ(KANJI_BINARY, check_text(dir, with_bad(40, 11)));
    // Bytes 0x7F and 0xFF are bad too.
    EXPECT_EQ(KANJI_BINARY, check_text(dir, std::string(20, '\x7F') + std::string(20, '\xFF')));
}

TEST(KanjiDetect, UnlikelyTextsArePinned)
{
    bench::scratch_dir dir;
    // UTF-8 Japanese (あいう) reads as Shift-JIS pairs.
    EXPECT_EQ(KANJI_SJIS, check_text(dir, "\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\n"));
    // A given input code is the result without looking.
    EXPECT_EQ(KANJI_EUC, check_text(dir, sjis_hiragana, "-E"));
}

TEST(KanjiDetect, EucThreeByteCharactersAreSteppedWhole)
{
    bench::scratch_dir dir;
    // JIS X 0212 characters (SS3 and two bytes; 伳 勡 槅, as iconv's EUC-JP
    // writes them) whose last byte could lead a Shift-JIS pair with the
    // ASCII byte behind it.
    std::string supplementary = "\x8F\xB0\xE0"
                                "a"
                                "\x8F\xB3\xF0"
                                "b"
                                "\x8F\xC4\xE5"
                                "\r\n";
    // Alone they read as Shift-JIS pairs as well and count for neither code;
    // beside EUC hiragana the text is EUC.
    struct {
        std::string unit;
        int code;
    } cases[] = {
        {supplementary, KANJI_ASCII},
        {euc_hiragana + supplementary, KANJI_EUC},
    };
    for (auto& c : cases) {
        const std::string& unit = c.unit;
        std::string text;
        for (int i = 0; i < 40; i++) text += unit;
        EXPECT_EQ(c.code, check_text(dir, text)) << hex(unit);
        // EUC to EUC passes the text through unchanged.
        int code = 99;
        EXPECT_EQ(hex(text), hex(convert_text(dir, "-e", text, &code)));
        EXPECT_EQ(0, code);
    }
}
