// JPEG fixtures for the format tests: files written with libjpeg itself, a
// coefficient reader for checking lossless transforms, and a marker lister.
#pragma once
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>
#include <jpeglib.h>

namespace jpegfix {

struct options {
    int width = 64, height = 48;
    bool grey = false;
    bool progressive = false;
    bool jfif = true;
    int density_unit = 1, xdensity = 72, ydensity = 72;
    int quality = 90;
    int h_samp = 2, v_samp = 2;                        // luma sampling (chroma 1x1)
    std::vector<std::pair<int, std::string>> markers;  // written after the header, in order
};

// A smooth pattern so that decoded pixels stay close to the source.
inline BYTE sample(int x, int y, int c) { return (BYTE)((x * (3 + c) + y * (5 - c) + c * 40) & 255); }

inline bool write(const std::string& path, const options& o)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = o.width;
    c.image_height = o.height;
    c.input_components = o.grey ? 1 : 3;
    c.in_color_space = o.grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, o.quality, TRUE);
    if (!o.grey) {
        c.comp_info[0].h_samp_factor = o.h_samp;
        c.comp_info[0].v_samp_factor = o.v_samp;
    }
    if (o.progressive) jpeg_simple_progression(&c);
    c.write_JFIF_header = o.jfif ? TRUE : FALSE;
    c.density_unit = (UINT8)o.density_unit;
    c.X_density = (UINT16)o.xdensity;
    c.Y_density = (UINT16)o.ydensity;
    jpeg_start_compress(&c, TRUE);
    for (auto& m : o.markers) jpeg_write_marker(&c, m.first, (const JOCTET*)m.second.data(), (unsigned)m.second.size());
    std::vector<JSAMPLE> row((size_t)o.width * 3);
    while (c.next_scanline < c.image_height) {
        int y = (int)c.next_scanline;
        for (int x = 0; x < o.width; x++) {
            if (o.grey)
                row[x] = sample(x, y, 0);
            else
                for (int k = 0; k < 3; k++) row[3 * x + k] = sample(x, y, k);
        }
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&c, &p, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    fclose(f);
    return true;
}

struct component {
    int h_samp = 0, v_samp = 0;
    int width_blocks = 0, height_blocks = 0;
    std::vector<JCOEF> blocks;  // width_blocks x height_blocks blocks of 64
    std::vector<UINT16> quant;  // 64 values
    const JCOEF* block(int bx, int by) const { return &blocks[((size_t)by * width_blocks + bx) * 64]; }
};

struct coefficients {
    bool ok = false;
    int width = 0, height = 0;
    int density_unit = -1, xdensity = 0, ydensity = 0;
    bool saw_jfif = false;
    std::vector<component> comps;
    std::vector<std::pair<int, std::string>> markers;
};

inline coefficients read(const std::string& path)
{
    coefficients r;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return r;
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_stdio_src(&d, f);
    jpeg_save_markers(&d, JPEG_COM, 0xFFFF);
    for (int m = 0; m < 16; m++) jpeg_save_markers(&d, JPEG_APP0 + m, 0xFFFF);
    jpeg_read_header(&d, TRUE);
    jvirt_barray_ptr* arrays = jpeg_read_coefficients(&d);
    r.width = (int)d.image_width;
    r.height = (int)d.image_height;
    r.saw_jfif = d.saw_JFIF_marker;
    r.density_unit = d.density_unit;
    r.xdensity = d.X_density;
    r.ydensity = d.Y_density;
    for (jpeg_saved_marker_ptr m = d.marker_list; m; m = m->next)
        r.markers.push_back({m->marker, std::string((const char*)m->data, m->data_length)});
    for (int ci = 0; ci < d.num_components; ci++) {
        jpeg_component_info* ci_info = d.comp_info + ci;
        component c;
        c.h_samp = ci_info->h_samp_factor;
        c.v_samp = ci_info->v_samp_factor;
        c.width_blocks = (int)ci_info->width_in_blocks;
        c.height_blocks = (int)ci_info->height_in_blocks;
        c.blocks.resize((size_t)c.width_blocks * c.height_blocks * 64);
        for (int by = 0; by < c.height_blocks; by++) {
            JBLOCKARRAY rows = (*d.mem->access_virt_barray)((j_common_ptr)&d, arrays[ci], by, 1, FALSE);
            memcpy(&c.blocks[(size_t)by * c.width_blocks * 64], rows[0], sizeof(JBLOCK) * c.width_blocks);
        }
        c.quant.assign(ci_info->quant_table->quantval, ci_info->quant_table->quantval + 64);
        r.comps.push_back(c);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    fclose(f);
    r.ok = true;
    return r;
}

// An APP1 Exif block (little- or big-endian) whose Exif sub-IFD holds
// ExifImageWidth as a LONG and ExifImageHeight as a SHORT.
inline std::string exif_block(bool motorola, unsigned width, unsigned height)
{
    std::string t;
    auto p16 = [&](unsigned v) {
        if (motorola) {
            t += (char)(v >> 8);
            t += (char)v;
        } else {
            t += (char)v;
            t += (char)(v >> 8);
        }
    };
    auto p32 = [&](unsigned long v) {
        if (motorola) {
            p16((unsigned)(v >> 16));
            p16((unsigned)v);
        } else {
            p16((unsigned)v);
            p16((unsigned)(v >> 16));
        }
    };
    t += motorola ? "MM" : "II";
    p16(42);
    p32(8);
    p16(1);  // IFD0: one entry
    p16(0x8769);
    p16(4);
    p32(1);
    p32(26);
    p32(0);
    p16(3);  // Exif IFD at 26
    p16(0x9000);
    p16(7);
    p32(4);
    t += "0230";
    p16(0xA002);
    p16(4);
    p32(1);
    p32(width);
    p16(0xA003);
    p16(3);
    p32(1);
    p16(height);
    p16(0);
    p32(0);
    return std::string("Exif\0\0", 6) + t;
}

// Reads back the ExifImageWidth/Height values written by exif_block.
inline std::pair<unsigned, unsigned> exif_size(const std::string& block)
{
    const unsigned char* t = (const unsigned char*)block.data() + 6;
    bool mm = t[0] == 'M';
    auto g16 = [&](size_t o) { return mm ? (unsigned)(t[o] << 8 | t[o + 1]) : (unsigned)(t[o] | t[o + 1] << 8); };
    auto g32 = [&](size_t o) { return mm ? (g16(o) << 16 | g16(o + 2)) : (g16(o) | g16(o + 2) << 16); };
    size_t e = 26 + 2;
    return {g32(e + 12 + 8), g16(e + 24 + 8)};
}

}  // namespace jpegfix
