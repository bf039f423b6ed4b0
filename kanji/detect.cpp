// Detection of the input code of CUnKanj: after the ASCII text, the bytes are
// examined from the first one that is not ASCII until JIS escapes or an
// EUC-only form decide, or the Shift-JIS and EUC counts pass their
// thresholds; otherwise the counts decide at the end of the buffer. The
// conversion then goes back to the remembered byte.
#include "kanji/internal.h"

enum { SO = 0x0E, ESC = 0x1B, SS2 = 0x8E, SS3 = 0x8F };

void CUnKanj::decide(int code)
{
    examining = 0;
    decided = 1;
    ascii_so_far = 0;
    if (mode == UNKANJ_CHECK) {
        input_code = code;
        done = 1;
        return;
    }
    read_pos = remembered;
    bad_bytes = 0;
    select_converter(code);
}

// Undecided at the end of the examined text: the larger count wins, a tie
// going to Shift-JIS; no counts at all means ASCII.
void CUnKanj::decide_by_counts()
{
    if (sjis_count == 0 && euc_count == 0)
        decide(KANJI_ASCII);
    else if (sjis_count >= euc_count)
        decide(KANJI_SJIS);
    else
        decide(KANJI_EUC);
}

static bool jis_escape(unsigned char b1, unsigned char b2)
{
    return (b1 == '$' && (b2 == 'B' || b2 == '@')) || b1 == 'K' || (b1 == '(' && (b2 == 'J' || b2 == 'B')) || b1 == 'H';
}

void CUnKanj::detect_step()
{
    if (!examining) {
        examining = 1;
        ascii_so_far = 0;
        remembered = read_pos;
        sjis_count = euc_count = 0;
        bad_bytes = 0;
    }
    if (k0 == 0) {
        mark_bad();
        return;
    }
    if (c0 == ESC && jis_escape(c1, c2)) {
        decide(KANJI_JIS);
        return;
    }
    // SO and a kana byte, with its high bit (8-bit) or without (7-bit).
    if (c0 == SO && (kanji_byte_class[c1 | 0x80] & KC_KANA)) {
        decide(KANJI_JIS);
        return;
    }
    if (k0 == KC_EUC && (k1 & KC_EUC) && (k2 & 0xA5)) {
        decide(KANJI_EUC);
        return;
    }
    if (k0 == (KC_SJIS_LEAD | KC_SJIS_TRAIL) && (k1 & KC_SJIS_TRAIL) && (k2 & 0x39)) {
        sjis_count++;
        read_pos += 2;
        if (size_t(sjis_count) > tenth) decide(KANJI_SJIS);
        return;
    }
    if (c0 < 0x80) {
        read_pos++;
        return;
    }
    bool sjis_pair = (k0 & KC_SJIS_LEAD) && (k1 & KC_SJIS_TRAIL);
    bool euc_pair = (k0 & KC_EUC) && (k1 & KC_EUC);
    bool euc_kana = c0 == SS2 && (k1 & KC_KANA);
    bool euc_triple = c0 == SS3 && (k1 & KC_EUC) && (k2 & KC_EUC);
    bool euc_form = euc_pair || euc_kana || euc_triple;
    if (sjis_pair && !euc_form) {
        read_pos += 2;
        if (output_code != KANJI_SJIS) sjis_count++;
        if (size_t(sjis_count) > twentieth) decide(KANJI_SJIS);
    } else if (euc_form && !sjis_pair) {
        read_pos += euc_triple ? 3 : 2;
        if (output_code == KANJI_EUC) return;
        if (!(k0 & KC_KANA)) {
            decide(KANJI_EUC);
            return;
        }
        euc_count++;
        if (size_t(euc_count) > twentieth) decide(KANJI_EUC);
    } else {
        // Both readings fit (or neither): nothing is counted. An SS3 triple
        // is stepped whole, or its last byte would lead a false pair.
        read_pos += euc_triple ? 3 : sjis_pair ? 2 : 1;
    }
}
