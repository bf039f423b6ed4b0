// The byte-class table of the kanji converter: what each byte value can be in
// ASCII, JIS, EUC and Shift-JIS text. A byte of class 0 cannot occur in text.
#include "kanji/internal.h"

#define R2(v) v, v
#define R4(v) R2(v), R2(v)
#define R8(v) R4(v), R4(v)
#define R16(v) R8(v), R8(v)
#define R32(v) R16(v), R16(v)
#define R64(v) R32(v), R32(v)

const unsigned char kanji_byte_class[256] = {
    0x01,                                                      // 0x00
    R8(0),                                                     // 0x01-0x08
    R2(0x01),                                                  // 0x09-0x0A tab, LF
    R2(0),                                                     // 0x0B-0x0C
    0x01,                                                      // 0x0D CR
    R2(0x40),                                                  // 0x0E-0x0F SO, SI
    R8(0),     R2(0),     0,                                   // 0x10-0x1A
    0x40,                                                      // 0x1B ESC
    R4(0),                                                     // 0x1C-0x1F
    0x01,                                                      // 0x20
    R16(0x03), R8(0x03),  R4(0x03), R2(0x03), 0x03,            // 0x21-0x3F
    R32(0x13), R16(0x13), R8(0x13), R4(0x13), R2(0x13), 0x13,  // 0x40-0x7E
    0,                                                         // 0x7F
    0x10,                                                      // 0x80
    R8(0x18),  R4(0x18),  0x18,                                // 0x81-0x8D
    R2(0x98),                                                  // 0x8E-0x8F SS2, SS3
    R16(0x18),                                                 // 0x90-0x9F
    0x10,                                                      // 0xA0
    R32(0x34), R16(0x34), R8(0x34), R4(0x34), R2(0x34), 0x34,  // 0xA1-0xDF
    R16(0x1C), R8(0x1C),  R4(0x1C), 0x1C,                      // 0xE0-0xFC
    R2(0x04),                                                  // 0xFD-0xFE
    0,                                                         // 0xFF
};
static_assert(sizeof kanji_byte_class == 256, "one class per byte value");
