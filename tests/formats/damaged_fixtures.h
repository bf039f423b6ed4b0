// Files whose headers claim far more picture than their bytes can hold: one
// word of a sound file's header changed, as a damaged copy or a crafted file
// has it. Each is a few kilobytes whose picture would be hundreds of megabytes.
#pragma once
#include <zlib.h>
#include <cstdint>
#include <string>

namespace damaged {

inline void put_be32(std::string& s, uint32_t v)
{
    for (int k = 3; k >= 0; k--) s += (char)(v >> (8 * k));
}
inline std::string le16(unsigned v) { return std::string{(char)(v & 0xFF), (char)(v >> 8)}; }
inline std::string le32(uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }

inline std::string png_chunk(const char* type, const std::string& data)
{
    std::string c;
    put_be32(c, (uint32_t)data.size());
    std::string body = std::string(type, 4) + data;
    c += body;
    put_be32(c, (uint32_t)crc32(0, (const Bytef*)body.data(), (uInt)body.size()));
    return c;
}

// A 1-bit grey PNG whose header says 8193 x 16384 (384 MB as a picture) and
// whose data holds four rows.
inline std::string png()
{
    std::string ihdr;
    put_be32(ihdr, 8193);
    put_be32(ihdr, 16384);
    ihdr += std::string{1, 0, 0, 0, 0};  // depth 1, grey, deflate, no filter, no interlace
    std::string rows(1026 * 4, '\0');
    Bytef packed[1024];
    uLongf n = sizeof packed;
    compress2(packed, &n, (const Bytef*)rows.data(), (uLong)rows.size(), 9);
    std::string idat((const char*)packed, n);
    return std::string("\x89PNG\r\n\x1a\n", 8) + png_chunk("IHDR", ihdr) + png_chunk("IDAT", idat) +
           png_chunk("IEND", "");
}

// A GIF whose image descriptor says 16384 x 8193, with 4 KB of codes.
inline std::string gif()
{
    std::string g = "GIF89a" + le16(64) + le16(64) + std::string{(char)0x80, 0, 0};
    g += std::string{0, 0, 0, (char)255, (char)255, (char)255};  // two colours
    g += "," + le16(0) + le16(0) + le16(16384) + le16(8193) + std::string(1, 0);
    g += std::string(1, 2);  // code size
    for (int block = 0; block < 16; block++) g += std::string(1, (char)255) + std::string(255, '\0');
    return g + std::string(1, 0) + ";";
}

// A Photoshop RGB file whose header says 8193 x 16384, with 4 KB of raw data.
inline std::string psd()
{
    std::string p = "8BPS" + std::string{0, 1} + std::string(6, '\0') + std::string{0, 3};
    put_be32(p, 16384);
    put_be32(p, 8193);
    p += std::string{0, 8, 0, 3};
    for (int section = 0; section < 3; section++) put_be32(p, 0);
    return p + std::string{0, 0} + std::string(4096, '\x40');
}

// The encoder input readers' formats behind a ".gif" name: a 24-bit BMP, a
// raw PPM and a run-length Targa, each 16384 x 8193 with 4 KB of pixels.
inline std::string bmp()
{
    std::string b = "BM" + le32(54 + 4096) + le32(0) + le32(54);
    b += le32(40) + le32(16384) + le32(8193) + le16(1) + le16(24) + le32(0) + le32(0) + le32(0) + le32(0) + le32(0) +
         le32(0);
    return b + std::string(4096, '\x40');
}
inline std::string ppm() { return "P6\n16384 8193\n255\n" + std::string(4096, '\x40'); }
inline std::string targa()
{
    std::string t{0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    t += le16(16384) + le16(8193) + std::string{24, 0};
    for (int i = 0; i < 1024; i++) t += std::string{(char)0xFF, 1, 2, 3};  // runs of 128 pixels
    return t;
}

// A sound JPEG whose frame header (baseline or progressive) is changed to
// claim width x height; empty when it has none.
inline std::string jpeg_claiming(std::string bytes, unsigned width, unsigned height)
{
    size_t sof = bytes.find("\xFF\xC0");
    if (sof == std::string::npos) sof = bytes.find("\xFF\xC2");
    if (sof == std::string::npos) return "";
    bytes.replace(sof + 5, 4, std::string{(char)(height >> 8), (char)height, (char)(width >> 8), (char)width});
    return bytes;
}

}  // namespace damaged
