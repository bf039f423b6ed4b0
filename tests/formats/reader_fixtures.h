// Byte builders for the reader tests: a small GIF writer with its own LZW
// encoder, and BMP, PPM and Targa files assembled byte by byte.
#pragma once
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace readfix {

inline void put16(std::string& s, unsigned v)
{
    s += (char)(v & 255);
    s += (char)((v >> 8) & 255);
}
inline void put32(std::string& s, unsigned long v)
{
    put16(s, (unsigned)(v & 0xFFFF));
    put16(s, (unsigned)(v >> 16));
}

struct rgb {
    unsigned char r, g, b;
};

// LZW codes for `indices`, least significant bit first. The code width
// follows the decoder's table exactly; `clear_when_full` false keeps
// emitting 12-bit codes once the table holds 4096 entries.
inline std::string lzw(const std::vector<int>& indices, int min_code, bool clear_when_full = true)
{
    std::string out;
    unsigned long acc = 0;
    int nbits = 0;
    const int clear = 1 << min_code, end = clear + 1;
    int width = min_code + 1, dec_next = end + 1;
    bool first = true;
    auto emit = [&](int code) {
        acc |= (unsigned long)code << nbits;
        nbits += width;
        while (nbits >= 8) {
            out += (char)(acc & 255);
            acc >>= 8;
            nbits -= 8;
        }
        if (code == clear) {
            width = min_code + 1;
            dec_next = end + 1;
            first = true;
        } else if (code == end) {
        } else if (first)
            first = false;
        else if (dec_next < 4096) {
            dec_next++;
            if (dec_next >= (1 << width) && width < 12) width++;
        }
    };
    std::map<std::pair<int, int>, int> table;
    int enc_next = end + 1;
    emit(clear);
    int prefix = indices.empty() ? 0 : indices[0];
    for (size_t i = 1; i < indices.size(); i++) {
        int c = indices[i];
        auto it = table.find({prefix, c});
        if (it != table.end()) {
            prefix = it->second;
            continue;
        }
        emit(prefix);
        if (enc_next < 4096)
            table[{prefix, c}] = enc_next++;
        else if (clear_when_full) {
            emit(clear);
            table.clear();
            enc_next = end + 1;
        }
        prefix = c;
    }
    emit(prefix);
    emit(end);
    if (nbits > 0) out += (char)(acc & 255);
    return out;
}

inline std::string sub_blocks(const std::string& data)
{
    std::string s;
    for (size_t i = 0; i < data.size(); i += 255) {
        size_t n = std::min<size_t>(255, data.size() - i);
        s += (char)n;
        s += data.substr(i, n);
    }
    s += '\0';
    return s;
}

struct gif_options {
    std::string version = "89a";
    std::vector<rgb> global, local;
    bool interlaced = false;
    int min_code = 0;          // 0: from the palette size
    std::string before_image;  // extension blocks or stray bytes
    bool clear_when_full = true;
    int aspect = 0;
};

inline std::string palette_bytes(const std::vector<rgb>& p, int* bits)
{
    int n = 1;
    while ((2 << (n - 1)) < (int)p.size()) n++;
    std::string s;
    for (int i = 0; i < (2 << (n - 1)); i++) {
        rgb c = i < (int)p.size() ? p[i] : rgb{0, 0, 0};
        s += (char)c.r;
        s += (char)c.g;
        s += (char)c.b;
    }
    *bits = n - 1;
    return s;
}

// `rows` of indices in display order; interlaced files store them by pass.
inline std::string gif(int w, int h, const std::vector<int>& pixels, const gif_options& o)
{
    std::string s = "GIF" + o.version;
    put16(s, w);
    put16(s, h);
    int gbits = 0;
    std::string gtable = o.global.empty() ? "" : palette_bytes(o.global, &gbits);
    s += (char)(o.global.empty() ? 0 : 0x80 | gbits);
    s += '\0';
    s += (char)o.aspect;
    s += gtable;
    s += o.before_image;
    s += ',';
    put16(s, 0);
    put16(s, 0);
    put16(s, w);
    put16(s, h);
    int lbits = 0;
    std::string ltable = o.local.empty() ? "" : palette_bytes(o.local, &lbits);
    s += (char)((o.local.empty() ? 0 : 0x80 | lbits) | (o.interlaced ? 0x40 : 0));
    s += ltable;
    std::vector<int> order;
    if (o.interlaced) {
        int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
        for (int p = 0; p < 4; p++)
            for (int y = starts[p]; y < h; y += steps[p]) order.push_back(y);
    } else {
        for (int y = 0; y < h; y++) order.push_back(y);
    }
    std::vector<int> stored;
    for (int y : order)
        for (int x = 0; x < w; x++) stored.push_back(pixels[y * w + x]);
    int table_size = (int)std::max(o.global.size(), o.local.size());
    int min_code = o.min_code;
    if (min_code == 0) {
        min_code = 2;
        while ((1 << min_code) < table_size) min_code++;
    }
    s += (char)min_code;
    s += sub_blocks(lzw(stored, min_code, o.clear_when_full));
    s += ';';
    return s;
}

// Windows (40 or 64) or OS/2 (12) header; rows given top-down, stored bottom-up.
struct bmp_options {
    int header = 40;
    int bits = 24;
    int planes = 1;
    int compression = 0;
    int colours_used = 0;
    long xppm = 2835, yppm = 2835;
    std::vector<rgb> palette;
    bool top_down = false;  // negative height
};

inline std::string bmp(int w, int h, const std::vector<std::string>& rows_top_down, const bmp_options& o)
{
    std::string info;
    put32(info, o.header);
    if (o.header == 12) {
        put16(info, w);
        put16(info, h);
        put16(info, o.planes);
        put16(info, o.bits);
    } else {
        put32(info, w);
        put32(info, o.top_down ? (unsigned long)-h : h);
        put16(info, o.planes);
        put16(info, o.bits);
        put32(info, o.compression);
        put32(info, 0);
        put32(info, o.xppm);
        put32(info, o.yppm);
        put32(info, o.colours_used);
        put32(info, 0);
        info.resize(o.header, '\0');
    }
    std::string table;
    for (const rgb& c : o.palette) {
        table += (char)c.b;
        table += (char)c.g;
        table += (char)c.r;
        if (o.header != 12) table += '\0';
    }
    std::string bits;
    size_t row_bytes = ((size_t)w * o.bits + 31) / 32 * 4;
    for (int i = 0; i < h; i++) {
        std::string r = rows_top_down[o.top_down ? i : h - 1 - i];
        r.resize(row_bytes, '\0');
        bits += r;
    }
    std::string s = "BM";
    put32(s, 14 + info.size() + table.size() + bits.size());
    put32(s, 0);
    put32(s, 14 + info.size() + table.size());
    return s + info + table + bits;
}

// An 18-byte Targa header, then the id, colour map and data as given.
inline std::string tga_header(int type, int w, int h, int bits, int flags, int map_type = 0, int map_length = 0,
                              int map_bits = 0, int id_length = 0)
{
    std::string s;
    s += (char)id_length;
    s += (char)map_type;
    s += (char)type;
    put16(s, 0);
    put16(s, map_length);
    s += (char)map_bits;
    put16(s, 0);
    put16(s, 0);
    put16(s, w);
    put16(s, h);
    s += (char)bits;
    s += (char)flags;
    return s;
}

}  // namespace readfix
