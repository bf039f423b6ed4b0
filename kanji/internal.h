// The kanji converter's inside: byte classes, the per-character converters,
// the extension kanji tables, the filter itself (CUnKanj) and its command
// parsing. Included only by the converter's own files (and by its tests);
// everything else goes through unkanj.h.
#pragma once
#include "kanji/unkanj.h"
#include <cstddef>
#include <fstream>
#include <string>

// Byte classes: one set of flag bits per byte value; 0 is a bad byte.
enum {
    KC_ASCII = 0x01,  // text in ASCII
    KC_JIS = 0x02,    // a byte of a JIS double-byte code
    KC_EUC = 0x04,    // a byte of an EUC double-byte code
    KC_SJIS_LEAD = 0x08,
    KC_SJIS_TRAIL = 0x10,
    KC_KANA = 0x20,   // half-width katakana
    KC_SHIFT = 0x40,  // SO, SI, ESC
    KC_SS = 0x80,     // EUC single shift 0x8E, 0x8F
};
extern const unsigned char kanji_byte_class[256];

// Per-character converters: a 16-bit code (first byte high) to another, 0 when
// the code cannot be converted.
typedef unsigned (*kanji_converter)(unsigned code);
unsigned jis_to_sjis(unsigned code);
unsigned sjis_to_jis(unsigned code);
unsigned euc_to_jis(unsigned code);
unsigned jis_to_euc(unsigned code);
unsigned euc_to_sjis(unsigned code);
unsigned sjis_to_euc(unsigned code);
unsigned same_code(unsigned code);

// The IBM extension kanji of Shift-JIS (0xFA40-0xFC4B) and their EUC codes:
// the code after SS3 0x8F, or a plain two-byte code (0xA2CC, 0xA2E8).
struct gaiji_forward_entry {
    unsigned short sjis, euc;
};
struct gaiji_reverse_entry {
    unsigned short sjis, euc;
};
enum { GAIJI_FORWARD_COUNT = 388, GAIJI_REVERSE_COUNT = 386 };
extern const gaiji_forward_entry gaiji_forward_table[GAIJI_FORWARD_COUNT];  // by Shift-JIS code
extern const gaiji_reverse_entry gaiji_reverse_table[GAIJI_REVERSE_COUNT];  // by EUC code
// The EUC code of a Shift-JIS extension kanji, or 0.
unsigned gaiji_sjis_to_euc(unsigned sjis);
// The Shift-JIS code of an EUC code after SS3 (0xA2C3-0xF4FE), or 0.
unsigned gaiji_euc_to_sjis(unsigned euc);

// Allocation of the converter's buffers; null means out of memory (-7).
// A seam so that the memory failure can be tested.
extern void* (*unkanj_allocate)(size_t bytes);

// Modes of the filter.
enum { UNKANJ_CONVERT = 0, UNKANJ_CHECK = 1, UNKANJ_HELP = 2 };
// Line-end modes.
enum { LINE_END_KEEP = 0, LINE_END_CRLF = 1, LINE_END_LF = 2, LINE_END_CR = 3 };
// JIS shift states.
enum { JIS_ASCII = 0, JIS_KANJI = 1, JIS_KANA = 2 };

class CUnKanj {
public:
    CUnKanj();
    virtual ~CUnKanj();

    // Opens the source for binary input (it must exist); 1 on success.
    int open_source(const char* name);
    // Allocates the read buffer (read size plus a few bytes); 0 when out of memory.
    int allocate_buffer();
    // Records the input code and picks the converter for (input, output);
    // 0 when the pair has none (the text then passes through).
    int select_converter(int input);
    // Converts the next piece into out (never more than size bytes); returns
    // the bytes delivered, 0 at the end. Throws std::bad_alloc when out of memory.
    size_t convert(unsigned char* out, size_t size);
    // True once the whole input has been worked (or the run ended as binary,
    // or a check has decided).
    bool finished() const { return done != 0; }

    unsigned read_size;  // bytes read per buffer
    std::ifstream source;
    unsigned char* buffer;  // read buffer: read size + padding
    size_t buffer_size;
    size_t read_pos;          // the current byte
    size_t last_read;         // bytes read by the last fill
    size_t data_end;          // end of the usable data
    unsigned long delivered;  // bytes delivered by earlier pieces
    int at_end;               // nothing more to read
    size_t tenth, twentieth;  // detection thresholds
    int mode;
    int input_code;   // 0 = detect
    int output_code;  // 0 = none given
    int line_end_mode;
    char ki_letter, ko_letter;
    int gaiji;
    int bad_bytes;
    int jis_state;  // shift state of a JIS input
    int ascii_so_far;
    size_t remembered;  // where detection goes back to
    kanji_converter converter;
    unsigned char c0, c1, c2;  // look-ahead window
    unsigned char k0, k1, k2;  // and its classes
    int no_converter;

private:
    void reset();
    void fill_buffer();
    void take_window();
    void put(unsigned char b) { out_[out_len_++] = b; }
    void put_stars();
    void line_end();
    void copy_ascii();
    void set_jis_state(int state);
    void mark_bad();
    void decide(int code);
    void decide_by_counts();
    void detect_step();
    void pass_through();
    void from_jis();
    void from_euc();
    void from_sjis();
    void put_kana(unsigned char kana);
    void put_pair(unsigned code);

    int out_state;  // shift state of a JIS output
    int decided;    // the input code is known
    int examining;  // detection past the ASCII text
    int sjis_count, euc_count;
    int fills;          // buffers filled so far
    size_t first_read;  // bytes read by the first fill
    int started;
    int done;
    unsigned char* out_;
    size_t out_len_;
};

// Parses the command into k; source and destination receive the file names
// (empty when absent). 1 when the command is 'T' or 'C' and every switch and
// name is valid, else 0 (also for '?', which sets the help mode).
int parse_unkanj_switches(CUnKanj* k, const char* command, std::string* source, std::string* destination);

// Makes every missing folder of path; 1 when the last folder exists afterwards.
int make_output_dirs(const char* path);
