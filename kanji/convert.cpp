// The conversion engine of CUnKanj: the read buffer with its refill, the
// piece loop, and the character-by-character conversion from JIS, EUC and
// Shift-JIS with the JIS shift sequences, line-end rewriting and the marking
// of bytes that cannot be text. Detection of the input code is in detect.cpp.
#include "kanji/internal.h"
#include <cstring>
#include <new>

enum { SO = 0x0E, SI = 0x0F, ESC = 0x1B, CR = 0x0D, LF = 0x0A, SS2 = 0x8E, SS3 = 0x8F };

// The most that one step can write: leaving kana, entering kanji and a pair,
// or closing kanji before CR LF.
static const size_t OUTPUT_MARGIN = 16;
// The window must hold this many bytes before a refill is due.
static const size_t REFILL_MARGIN = 5;
// Zero bytes after the data, so that the window never reads beyond it.
static const size_t BUFFER_PADDING = 3;

static void* default_allocate(size_t bytes) { return ::operator new(bytes, std::nothrow); }
void* (*unkanj_allocate)(size_t bytes) = default_allocate;

CUnKanj::CUnKanj()
    : read_size(0x10000), buffer(nullptr), buffer_size(0), read_pos(0), last_read(0), data_end(0), delivered(0),
      at_end(0), tenth(0), twentieth(0), mode(UNKANJ_CONVERT), input_code(0), output_code(0),
      line_end_mode(LINE_END_KEEP), ki_letter('B'), ko_letter('B'), gaiji(0), bad_bytes(0), jis_state(JIS_ASCII),
      ascii_so_far(1), remembered(0), converter(nullptr), c0(0), c1(0), c2(0), k0(0), k1(0), k2(0), no_converter(1),
      out_state(JIS_ASCII), decided(0), examining(0), sjis_count(0), euc_count(0), fills(0), first_read(0), started(0),
      done(0), out_(nullptr), out_len_(0)
{}

CUnKanj::~CUnKanj()
{
    if (source.is_open()) source.close();
    ::operator delete(buffer);
}

int CUnKanj::open_source(const char* name)
{
    source.open(name, std::ios::in | std::ios::binary);
    return source.is_open() && !source.fail();
}

int CUnKanj::allocate_buffer()
{
    if (buffer) return 1;
    buffer_size = size_t(read_size) + BUFFER_PADDING;
    buffer = static_cast<unsigned char*>(unkanj_allocate(buffer_size));
    if (!buffer) {
        buffer_size = 0;
        return 0;
    }
    memset(buffer, 0, buffer_size);
    return 1;
}

void CUnKanj::reset()
{
    read_pos = data_end = last_read = 0;
    delivered = 0;
    at_end = 0;
    tenth = twentieth = 0;
    bad_bytes = 0;
    jis_state = out_state = JIS_ASCII;
    ascii_so_far = 1;
    remembered = 0;
    c0 = c1 = c2 = k0 = k1 = k2 = 0;
    examining = 0;
    sjis_count = euc_count = 0;
    fills = 0;
    first_read = 0;
    decided = input_code != 0;
    done = 0;
}

// Moves the unread bytes (while detecting: from the remembered position on)
// to the buffer's start and reads the rest from the source.
void CUnKanj::fill_buffer()
{
    if (!buffer && !allocate_buffer()) throw std::bad_alloc();
    size_t keep_from = examining ? remembered : read_pos;
    size_t keep = data_end - keep_from;
    memmove(buffer, buffer + keep_from, keep);
    read_pos -= keep_from;
    remembered = examining ? 0 : read_pos;
    size_t want = read_size - keep;
    size_t got = 0;
    if (source.is_open() && source.good()) {
        source.read(reinterpret_cast<char*>(buffer) + keep, want);
        got = size_t(source.gcount());
    }
    if (got < want) at_end = 1;
    last_read = got;
    data_end = keep + got;
    memset(buffer + data_end, 0, buffer_size - data_end);
    fills++;
    if (fills == 1) first_read = got;
    if (delivered == 0) {
        tenth = got / 10;
        twentieth = got / 20;
    }
}

void CUnKanj::take_window()
{
    c0 = buffer[read_pos];
    c1 = buffer[read_pos + 1];
    c2 = buffer[read_pos + 2];
    k0 = kanji_byte_class[c0];
    k1 = kanji_byte_class[c1];
    k2 = kanji_byte_class[c2];
}

size_t CUnKanj::convert(unsigned char* out, size_t size)
{
    if (!started) {
        reset();
        started = 1;
    }
    out_ = out;
    out_len_ = 0;
    if (size < OUTPUT_MARGIN) return 0;
    while (!done && out_len_ + OUTPUT_MARGIN <= size) {
        if (!at_end && data_end - read_pos < REFILL_MARGIN) {
            // Detection looks no further than one buffer from where it began.
            if (examining && remembered == 0 && fills > 0)
                decide_by_counts();
            else
                fill_buffer();
            continue;
        }
        if (read_pos >= data_end) {
            if (examining) {
                decide_by_counts();
                continue;
            }
            if (output_code == KANJI_JIS) set_jis_state(JIS_ASCII);
            done = 1;
            break;
        }
        take_window();
        if (!decided) {
            if (ascii_so_far && (k0 & KC_ASCII))
                copy_ascii();
            else
                detect_step();
        } else if (no_converter) {
            pass_through();
        } else if (input_code == KANJI_JIS) {
            from_jis();
        } else if (input_code == KANJI_EUC) {
            from_euc();
        } else if (input_code == KANJI_SJIS) {
            from_sjis();
        } else {
            pass_through();
        }
    }
    delivered += out_len_;
    return out_len_;
}

// A byte that cannot be text: '*' in the output (nothing while only
// examining). Too many of them in the first buffer make the file binary.
void CUnKanj::mark_bad()
{
    if (!examining) {
        if (output_code == KANJI_JIS) set_jis_state(JIS_ASCII);
        put('*');
    }
    bad_bytes++;
    read_pos++;
    if (fills == 1 && bad_bytes > 10 && size_t(bad_bytes) * 5 > first_read) {
        input_code = KANJI_BINARY;
        decided = 1;
        examining = 0;
        done = 1;
    }
}

void CUnKanj::put_stars()
{
    if (output_code == KANJI_JIS) set_jis_state(JIS_ASCII);
    put('*');
    put('*');
}

// A JIS output changes state with its shift sequences. Leaving kanji closes
// it with ESC ( and the KO letter; leaving kana with SI; so that every
// decoder sees ASCII again after SI.
void CUnKanj::set_jis_state(int state)
{
    if (out_state == state) return;
    if (out_state == JIS_KANA) {
        put(SI);
    } else if (out_state == JIS_KANJI) {
        put(ESC);
        if (ko_letter != 'H') put('(');
        put(static_cast<unsigned char>(ko_letter));
    }
    if (state == JIS_KANJI) {
        put(ESC);
        if (ki_letter != 'K') put('$');
        put(static_cast<unsigned char>(ki_letter));
    } else if (state == JIS_KANA) {
        put(SO);
    }
    out_state = state;
}

void CUnKanj::line_end()
{
    if (line_end_mode == LINE_END_KEEP) {
        put(c0);
        read_pos++;
        return;
    }
    read_pos += (c0 == CR && c1 == LF) ? 2 : 1;
    if (line_end_mode == LINE_END_CRLF) {
        put(CR);
        put(LF);
    } else if (line_end_mode == LINE_END_LF) {
        put(LF);
    } else {
        put(CR);
    }
}

void CUnKanj::copy_ascii()
{
    if (output_code == KANJI_JIS) set_jis_state(JIS_ASCII);
    if (c0 == CR || c0 == LF) {
        line_end();
    } else {
        put(c0);
        read_pos++;
    }
}

void CUnKanj::put_kana(unsigned char kana)
{
    if (output_code == KANJI_EUC) {
        put(SS2);
        put(kana);
    } else if (output_code == KANJI_JIS) {
        set_jis_state(JIS_KANA);
        put(kana & 0x7F);
    } else {
        put(kana);
    }
}

void CUnKanj::put_pair(unsigned code)
{
    if (output_code == KANJI_JIS) set_jis_state(JIS_KANJI);
    put(static_cast<unsigned char>(code >> 8));
    put(static_cast<unsigned char>(code));
}

// No converter for the pair of codes: bytes are copied, only line ends rewritten.
void CUnKanj::pass_through()
{
    if (line_end_mode != LINE_END_KEEP && (c0 == CR || c0 == LF)) {
        line_end();
    } else {
        put(c0);
        read_pos++;
    }
}

void CUnKanj::from_jis()
{
    if (k0 == 0) {
        mark_bad();
        return;
    }
    if (c0 == ESC) {
        if (c1 == '$' && (c2 == 'B' || c2 == '@')) {
            jis_state = JIS_KANJI;
            read_pos += 3;
        } else if (c1 == 'K') {
            jis_state = JIS_KANJI;
            read_pos += 2;
        } else if (c1 == '(' && (c2 == 'J' || c2 == 'B')) {
            jis_state = JIS_ASCII;
            read_pos += 3;
        } else if (c1 == 'H') {
            jis_state = JIS_ASCII;
            read_pos += 2;
        } else {
            mark_bad();
        }
        return;
    }
    if (c0 == SO || c0 == SI) {
        jis_state = c0 == SO ? JIS_KANA : JIS_ASCII;
        read_pos++;
        return;
    }
    if (c0 == CR || c0 == LF) {
        copy_ascii();
        return;
    }
    if (jis_state == JIS_KANJI) {
        if (k0 & KC_JIS) {
            // A byte without its partner is bad.
            unsigned code = (k1 & KC_JIS) ? converter(unsigned(c0) << 8 | c1) : 0;
            if (code) {
                put_pair(code);
                read_pos += 2;
            } else {
                mark_bad();
                if (k1 & KC_JIS) mark_bad();
            }
        } else if (k0 & KC_ASCII) {
            copy_ascii();
        } else {
            mark_bad();
        }
    } else if (jis_state == JIS_KANA) {
        unsigned char kana = c0 | 0x80;
        if (kanji_byte_class[kana] & KC_KANA) {
            put_kana(kana);
            read_pos++;
        } else {
            mark_bad();
        }
    } else if (c0 < 0x80) {
        copy_ascii();
    } else if (k0 & KC_KANA) {
        put_kana(c0);
        read_pos++;
    } else {
        mark_bad();
    }
}

void CUnKanj::from_euc()
{
    if (k0 == 0) {
        mark_bad();
    } else if (c0 < 0x80 && (k0 & KC_ASCII)) {
        copy_ascii();
    } else if (c0 == SS2) {
        if (k1 & KC_KANA) {
            put_kana(c1);
            read_pos += 2;
        } else {
            mark_bad();
        }
    } else if (c0 == SS3) {
        if (!(k1 & KC_EUC) || !(k2 & KC_EUC)) {
            mark_bad();
            return;
        }
        unsigned code = unsigned(c1) << 8 | c2;
        if (gaiji && (code < 0xA2C3 || code > 0xF4FE)) {
            // One bad character of three bytes.
            mark_bad();
            read_pos += 2;
            return;
        }
        unsigned sjis = gaiji && output_code == KANJI_SJIS ? gaiji_euc_to_sjis(code) : 0;
        if (sjis) {
            put(static_cast<unsigned char>(sjis >> 8));
            put(static_cast<unsigned char>(sjis));
        } else {
            put_stars();
        }
        read_pos += 3;
    } else if ((k0 & KC_EUC) && (k1 & KC_EUC)) {
        unsigned code = converter(unsigned(c0) << 8 | c1);
        if (code) {
            put_pair(code);
            read_pos += 2;
        } else {
            mark_bad();
            mark_bad();
        }
    } else {
        mark_bad();
    }
}

void CUnKanj::from_sjis()
{
    if (k0 == 0) {
        mark_bad();
    } else if (c0 < 0x80 && (k0 & KC_ASCII)) {
        copy_ascii();
    } else if ((k0 & KC_SJIS_LEAD) && (k1 & KC_SJIS_TRAIL)) {
        unsigned sjis = unsigned(c0) << 8 | c1;
        unsigned code = converter(sjis);
        read_pos += 2;
        if (!code && gaiji && output_code == KANJI_EUC) {
            unsigned euc = gaiji_sjis_to_euc(sjis);
            if (euc) {
                if (euc != 0xA2CC && euc != 0xA2E8) put(SS3);
                put(static_cast<unsigned char>(euc >> 8));
                put(static_cast<unsigned char>(euc));
                return;
            }
        }
        if (code)
            put_pair(code);
        else
            put_stars();
    } else if (k0 & KC_KANA) {
        put_kana(c0);
        read_pos++;
    } else {
        mark_bad();
    }
}
