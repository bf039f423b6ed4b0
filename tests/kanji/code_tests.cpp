// Byte classes, the per-character converters and the extension-kanji tables,
// and every JIS X 0208 character converted between the three codes against
// texts made by iconv.
#include "tests/kanji/kanji_bench.h"
#include "kanji/internal.h"  // byte classes, converters and extension tables are checked one by one

// The class of each byte, built from the meaning of each bit.
static unsigned expected_class(unsigned b)
{
    unsigned k = 0;
    if (b == 0x00 || b == 0x09 || b == 0x0A || b == 0x0D || (b >= 0x20 && b <= 0x7E)) k |= KC_ASCII;
    if (b >= 0x21 && b <= 0x7E) k |= KC_JIS;
    if (b >= 0xA1 && b <= 0xFE) k |= KC_EUC;
    if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) k |= KC_SJIS_LEAD;
    if ((b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC)) k |= KC_SJIS_TRAIL;
    if (b >= 0xA1 && b <= 0xDF) k |= KC_KANA;
    if (b == 0x0E || b == 0x0F || b == 0x1B) k |= KC_SHIFT;
    if (b == 0x8E || b == 0x8F) k |= KC_SS;
    return k;
}

TEST(KanjiCodes, EveryByteHasItsClass)
{
    for (unsigned b = 0; b < 256; b++) EXPECT_EQ(expected_class(b), kanji_byte_class[b]) << "byte " << std::hex << b;
    // Spot values as listed for the table.
    EXPECT_EQ(0x13, kanji_byte_class[0x40]);
    EXPECT_EQ(0x98, kanji_byte_class[0x8E]);
    EXPECT_EQ(0x34, kanji_byte_class[0xB1]);
    EXPECT_EQ(0x1C, kanji_byte_class[0xE0]);
    EXPECT_EQ(0x04, kanji_byte_class[0xFD]);
    EXPECT_EQ(0, kanji_byte_class[0xFF]);
    EXPECT_EQ(0, kanji_byte_class[0x7F]);
}

TEST(KanjiCodes, ConvertersKeepToTheirRanges)
{
    EXPECT_EQ(0x8140u, jis_to_sjis(0x2121));
    EXPECT_EQ(0xEFFCu, jis_to_sjis(0x7E7E));
    EXPECT_EQ(0x82A0u, jis_to_sjis(0x2422));
    EXPECT_EQ(0u, jis_to_sjis(0x2120));
    EXPECT_EQ(0u, jis_to_sjis(0x217F));
    EXPECT_EQ(0u, jis_to_sjis(0x7F21));
    EXPECT_EQ(0x2422u, sjis_to_jis(0x82A0));
    EXPECT_EQ(0u, sjis_to_jis(0xF040));  // user range
    EXPECT_EQ(0u, sjis_to_jis(0x817F));  // 0x7F is no trail byte
    EXPECT_EQ(0u, sjis_to_jis(0x8130));
    EXPECT_EQ(0u, sjis_to_jis(0xB1B1));  // half-width kana is no lead byte
    EXPECT_EQ(0u, sjis_to_euc(0xF040));
    EXPECT_EQ(0xA4A2u, sjis_to_euc(0x82A0));
    EXPECT_EQ(0x2422u, euc_to_jis(0xA4A2));
    EXPECT_EQ(0xA4A2u, jis_to_euc(0x2422));
    EXPECT_EQ(0x82A0u, euc_to_sjis(0xA4A2));
    EXPECT_EQ(0x1234u, same_code(0x1234));
}

TEST(KanjiCodes, ConverterChoiceFollowsTheCodes)
{
    struct {
        int in, out;
        kanji_converter conv;
    } cases[] = {
        {KANJI_JIS, KANJI_EUC, jis_to_euc},
        {KANJI_JIS, KANJI_SJIS, jis_to_sjis},
        {KANJI_JIS, KANJI_JIS, same_code},
        {KANJI_JIS, 0, same_code},
        {KANJI_EUC, KANJI_JIS, euc_to_jis},
        {KANJI_EUC, KANJI_SJIS, euc_to_sjis},
        {KANJI_SJIS, KANJI_JIS, sjis_to_jis},
        {KANJI_SJIS, KANJI_EUC, sjis_to_euc},
        {KANJI_EUC, KANJI_EUC, nullptr},
        {KANJI_SJIS, KANJI_SJIS, nullptr},
        {KANJI_EUC, 0, nullptr},
        {KANJI_SJIS, 0, nullptr},
        {KANJI_ASCII, KANJI_SJIS, nullptr},
    };
    for (auto& c : cases) {
        CUnKanj k;
        k.output_code = c.out;
        EXPECT_EQ(c.conv ? 1 : 0, k.select_converter(c.in));
        EXPECT_EQ(c.in, k.input_code);
        EXPECT_EQ(c.conv, k.converter) << c.in << "->" << c.out;
        EXPECT_EQ(c.conv ? 0 : 1, k.no_converter);
    }
}

TEST(KanjiCodes, GaijiTablesHoldTheExtensionKanji)
{
    // Every valid Shift-JIS code of the range has an entry, in order.
    int valid = 0;
    for (unsigned code = 0xFA40; code <= 0xFC4B; code++) {
        unsigned t = code & 0xFF;
        if ((t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC)) valid++;
    }
    EXPECT_EQ(GAIJI_FORWARD_COUNT, valid);
    for (int i = 1; i < GAIJI_FORWARD_COUNT; i++)
        ASSERT_LT(gaiji_forward_table[i - 1].sjis, gaiji_forward_table[i].sjis);
    for (int i = 1; i < GAIJI_REVERSE_COUNT; i++) ASSERT_LT(gaiji_reverse_table[i - 1].euc, gaiji_reverse_table[i].euc);
    EXPECT_EQ(0xFA55, gaiji_reverse_table[0].sjis);
    EXPECT_EQ(0xA2C3, gaiji_reverse_table[0].euc);
    EXPECT_EQ(0xFC4B, gaiji_reverse_table[GAIJI_REVERSE_COUNT - 1].sjis);
    EXPECT_EQ(0xF4FE, gaiji_reverse_table[GAIJI_REVERSE_COUNT - 1].euc);

    struct {
        unsigned sjis, euc;
    } samples[] = {
        {0xFA40, 0xF3F3}, {0xFA41, 0xF3F4}, {0xFA4A, 0xF3FD}, {0xFA54, 0xA2CC}, {0xFA55, 0xA2C3}, {0xFA58, 0xF4AB},
        {0xFA59, 0xF4AC}, {0xFA5A, 0xF4AD}, {0xFA5B, 0xA2E8}, {0xFA5C, 0xD4E3}, {0xFC4B, 0xF4FE},
    };
    for (auto& s : samples) {
        EXPECT_EQ(s.euc, gaiji_sjis_to_euc(s.sjis)) << std::hex << s.sjis;
        if (s.euc != 0xA2CC && s.euc != 0xA2E8) { EXPECT_EQ(s.sjis, gaiji_euc_to_sjis(s.euc)) << std::hex << s.euc; }
    }
    // The two plain codes have no way back; every other entry goes both ways.
    int both_ways = 0;
    for (auto& e : gaiji_forward_table)
        if (gaiji_euc_to_sjis(e.euc) == e.sjis) both_ways++;
    EXPECT_EQ(GAIJI_REVERSE_COUNT, both_ways);
    EXPECT_EQ(0u, gaiji_sjis_to_euc(0xFA7F));
    EXPECT_EQ(0u, gaiji_euc_to_sjis(0xA2C2));
    EXPECT_EQ(0u, gaiji_euc_to_sjis(0xF5A1));
}

// Lines of one character each (two bytes, or ESC $ B, two bytes, ESC ( B).
static std::vector<unsigned> reference_codes(const std::string& text, size_t line)
{
    std::vector<unsigned> codes;
    for (size_t i = 0; i + line <= text.size(); i += line) {
        size_t at = line == 9 ? i + 3 : i;
        codes.push_back(unsigned((unsigned char)text[at]) << 8 | (unsigned char)text[at + 1]);
    }
    return codes;
}

TEST(KanjiCodes, EveryJisX0208CharacterMatchesIconv)
{
    std::string sjis = reference_text("sjis.txt");
    std::string euc = reference_text("euc.txt");
    std::string jis = reference_text("jis.txt");
    ASSERT_EQ(6879u * 3, sjis.size());
    ASSERT_EQ(6879u * 3, euc.size());
    ASSERT_EQ(6879u * 9, jis.size());

    std::vector<unsigned> s = reference_codes(sjis, 3), e = reference_codes(euc, 3), j = reference_codes(jis, 9);
    int wrong = 0;
    for (size_t i = 0; i < s.size(); i++) {
        wrong += jis_to_sjis(j[i]) != s[i];
        wrong += sjis_to_jis(s[i]) != j[i];
        wrong += euc_to_jis(e[i]) != j[i];
        wrong += jis_to_euc(j[i]) != e[i];
        wrong += euc_to_sjis(e[i]) != s[i];
        wrong += sjis_to_euc(s[i]) != e[i];
    }
    EXPECT_EQ(0, wrong);

    // Whole files through the filter, all six directions, byte-exact.
    bench::scratch_dir dir;
    struct {
        const char* switches;
        const std::string* from;
        const std::string* to;
    } runs[] = {
        {"-s -J", &jis, &sjis},
        {"-e -J", &jis, &euc},
        {"-s -E", &euc, &sjis},
        {"-j -E", &euc, &jis},
        {"-j -S", &sjis, &jis},
        {"-e -S", &sjis, &euc},
        // Detected rather than given.
        {"-s", &jis, &sjis},
        {"-j", &euc, &jis},
        {"-e", &sjis, &euc},
    };
    for (auto& r : runs) {
        std::string out = convert_text(dir, r.switches, *r.from);
        EXPECT_TRUE(out == *r.to) << r.switches << ": " << out.size() << " bytes";
    }
    EXPECT_EQ(KANJI_SJIS, check_text(dir, sjis));
    EXPECT_EQ(KANJI_EUC, check_text(dir, euc));
    EXPECT_EQ(KANJI_JIS, check_text(dir, jis));
}
