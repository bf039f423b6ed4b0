// Per-character code conversion between JIS, EUC and Shift-JIS (JIS X 0208),
// the choice of converter for a pair of codes, and the look-ups in the
// extension-kanji tables.
#include "kanji/internal.h"

static bool jis_byte(unsigned b) { return b >= 0x21 && b <= 0x7E; }

unsigned jis_to_sjis(unsigned code)
{
    unsigned hi = code >> 8, lo = code & 0xFF;
    if (code > 0xFFFF || !jis_byte(hi) || !jis_byte(lo)) return 0;
    unsigned s1 = ((hi + 1) >> 1) + (hi <= 0x5E ? 0x70 : 0xB0);
    unsigned s2;
    if (hi & 1)
        s2 = lo + (lo < 0x60 ? 0x1F : 0x20);
    else
        s2 = lo + 0x7E;
    return s1 << 8 | s2;
}

unsigned sjis_to_jis(unsigned code)
{
    unsigned s1 = code >> 8, s2 = code & 0xFF;
    if (code > 0xFFFF || !(kanji_byte_class[s1] & KC_SJIS_LEAD) || s2 < 0x40 || s2 == 0x7F || s2 > 0xFC) return 0;
    unsigned hi = (s1 <= 0x9F ? s1 - 0x70 : s1 - 0xB0) * 2 - 1;
    unsigned lo;
    if (s2 >= 0x9F) {
        hi++;
        lo = s2 - 0x7E;
    } else {
        lo = s2 - (s2 >= 0x80 ? 0x20 : 0x1F);
    }
    if (!jis_byte(hi) || !jis_byte(lo)) return 0;
    return hi << 8 | lo;
}

unsigned euc_to_jis(unsigned code) { return code & 0x7F7F; }
unsigned jis_to_euc(unsigned code) { return code | 0x8080; }
unsigned euc_to_sjis(unsigned code) { return jis_to_sjis(code & 0x7F7F); }

unsigned sjis_to_euc(unsigned code)
{
    unsigned jis = sjis_to_jis(code);
    return jis ? (jis | 0x8080) : 0;
}

unsigned same_code(unsigned code) { return code; }

int CUnKanj::select_converter(int input)
{
    input_code = input;
    converter = nullptr;
    switch (input) {
    case KANJI_JIS:
        converter = output_code == KANJI_EUC ? jis_to_euc : output_code == KANJI_SJIS ? jis_to_sjis : same_code;
        break;
    case KANJI_EUC:
        converter = output_code == KANJI_JIS ? euc_to_jis : output_code == KANJI_SJIS ? euc_to_sjis : nullptr;
        break;
    case KANJI_SJIS:
        converter = output_code == KANJI_JIS ? sjis_to_jis : output_code == KANJI_EUC ? sjis_to_euc : nullptr;
        break;
    }
    no_converter = converter ? 0 : 1;
    return converter ? 1 : 0;
}

unsigned gaiji_sjis_to_euc(unsigned sjis)
{
    int lo = 0, hi = GAIJI_FORWARD_COUNT - 1;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        unsigned key = gaiji_forward_table[mid].sjis;
        if (key == sjis) return gaiji_forward_table[mid].euc;
        if (key < sjis)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return 0;
}

unsigned gaiji_euc_to_sjis(unsigned euc)
{
    if (euc < 0xA2C3 || euc > 0xF4FE) return 0;
    int lo = 0, hi = GAIJI_REVERSE_COUNT - 1;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        unsigned key = gaiji_reverse_table[mid].euc;
        if (key == euc) return gaiji_reverse_table[mid].sjis;
        if (key < euc)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return 0;
}
