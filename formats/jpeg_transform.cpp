// Lossless JPEG transforms: the DCT coefficient blocks of a file are read,
// mirrored, transposed or turned, and written to a new file without decoding
// to pixels. Markers (comments, APPn) are copied in order and an Exif block's
// pixel-size tags follow the new size.
#include "base/holders.h"
#include "formats/jpeg.h"
#include "formats/internal.h"
#include "graphics/kavtrel.h"
#include <cstring>
#include <jpeglib.h>
#include <jerror.h>

static long div_round_up(long a, long b) { return (a + b - 1) / b; }
static long round_up(long a, long b) { return div_round_up(a, b) * b; }

enum { COPY_NO_MARKERS = 0, COPY_COMMENTS = 1, COPY_ALL_MARKERS = 2 };

// One transform request. This program asks for the transform alone; the
// perfect, trim, grayscale and crop options are for other callers.
struct xform_request {
    int transform;
    bool perfect;
    bool trim;
    bool force_grayscale;
    bool crop;
    JDIMENSION crop_width, crop_height, crop_xoffset, crop_yoffset;
    bool crop_width_set, crop_height_set;
    // Filled by xform_request_workspace.
    JDIMENSION output_width, output_height;
    JDIMENSION full_width, full_height;     // transformed size before cropping
    JDIMENSION x_crop_imcus, y_crop_imcus;  // crop offset in whole iMCUs
    int imcu_width, imcu_height;            // output iMCU size in pixels
    int num_components;
    jvirt_barray_ptr* workspace;  // destination block arrays, or null
};

static bool transposes(int code)
{
    return code == XFORM_TRANSPOSE || code == XFORM_TRANSVERSE || code == XFORM_ROT_90 || code == XFORM_ROT_270;
}
static bool mirrors_across(int code)  // left-right, in output space
{
    return code == XFORM_FLIP_H || code == XFORM_TRANSVERSE || code == XFORM_ROT_90 || code == XFORM_ROT_180;
}
static bool mirrors_down(int code)  // top-bottom, in output space
{
    return code == XFORM_FLIP_V || code == XFORM_TRANSVERSE || code == XFORM_ROT_270 || code == XFORM_ROT_180;
}

// Output width reduced to whole iMCUs (the partial column is dropped).
static void xform_trim_right_edge(xform_request* req)
{
    JDIMENSION whole = req->full_width / req->imcu_width * req->imcu_width;
    if (whole > 0) req->full_width = whole;
}

static void xform_trim_bottom_edge(xform_request* req)
{
    JDIMENSION whole = req->full_height / req->imcu_height * req->imcu_height;
    if (whole > 0) req->full_height = whole;
}

// Sizes the output and requests destination block arrays from the source's
// memory manager (before the source's own arrays are realised). False when
// perfect mode is asked and partial edge blocks would have to move.
static bool xform_request_workspace(j_decompress_ptr src, xform_request* req)
{
    int code = req->transform;
    bool turn = transposes(code);
    req->num_components = req->force_grayscale ? 1 : src->num_components;
    int hsamp = src->max_h_samp_factor * DCTSIZE, vsamp = src->max_v_samp_factor * DCTSIZE;
    req->imcu_width = turn ? vsamp : hsamp;
    req->imcu_height = turn ? hsamp : vsamp;
    req->full_width = turn ? src->image_height : src->image_width;
    req->full_height = turn ? src->image_width : src->image_height;
    bool partial_across = mirrors_across(code) && req->full_width % req->imcu_width != 0;
    bool partial_down = mirrors_down(code) && req->full_height % req->imcu_height != 0;
    if (req->perfect && (partial_across || partial_down)) return false;
    if (req->trim) {
        if (partial_across) xform_trim_right_edge(req);
        if (partial_down) xform_trim_bottom_edge(req);
    }
    req->output_width = req->full_width;
    req->output_height = req->full_height;
    req->x_crop_imcus = req->y_crop_imcus = 0;
    if (req->crop) {
        JDIMENSION x = req->crop_xoffset < req->full_width ? req->crop_xoffset : 0;
        JDIMENSION y = req->crop_yoffset < req->full_height ? req->crop_yoffset : 0;
        req->x_crop_imcus = x / req->imcu_width;
        req->y_crop_imcus = y / req->imcu_height;
        JDIMENSION left = req->x_crop_imcus * req->imcu_width;
        JDIMENSION top = req->y_crop_imcus * req->imcu_height;
        JDIMENSION w = req->full_width - x, h = req->full_height - y;
        if (req->crop_width_set && req->crop_width > 0 && req->crop_width < w) w = req->crop_width;
        if (req->crop_height_set && req->crop_height > 0 && req->crop_height < h) h = req->crop_height;
        req->output_width = w + (x - left);
        req->output_height = h + (y - top);
    }
    req->workspace = nullptr;
    bool in_place = !req->crop && (code == XFORM_NONE || code == XFORM_FLIP_H);
    if (in_place) return true;
    req->workspace = (jvirt_barray_ptr*)(*src->mem->alloc_small)((j_common_ptr)src, JPOOL_IMAGE,
                                                                 sizeof(jvirt_barray_ptr) * req->num_components);
    for (int ci = 0; ci < req->num_components; ci++) {
        jpeg_component_info* comp = src->comp_info + ci;
        int h = turn ? comp->v_samp_factor : comp->h_samp_factor;
        int v = turn ? comp->h_samp_factor : comp->v_samp_factor;
        JDIMENSION wb = (JDIMENSION)div_round_up((long)req->output_width * h, req->imcu_width);
        JDIMENSION hb = (JDIMENSION)div_round_up((long)req->output_height * v, req->imcu_height);
        req->workspace[ci] =
            (*src->mem->request_virt_barray)((j_common_ptr)src, JPOOL_IMAGE, FALSE, (JDIMENSION)round_up(wb, h),
                                             (JDIMENSION)round_up(hb, v), (JDIMENSION)v);
    }
    return true;
}

// Swaps the destination's sampling factors and transposes its quantisation
// tables, for the transforms that exchange rows and columns.
static void xform_transpose_parameters(j_compress_ptr dst)
{
    for (int ci = 0; ci < dst->num_components; ci++) {
        jpeg_component_info* comp = dst->comp_info + ci;
        int t = comp->h_samp_factor;
        comp->h_samp_factor = comp->v_samp_factor;
        comp->v_samp_factor = t;
    }
    for (int q = 0; q < NUM_QUANT_TBLS; q++) {
        JQUANT_TBL* table = dst->quant_tbl_ptrs[q];
        if (!table) continue;
        for (int row = 0; row < DCTSIZE; row++)
            for (int col = row + 1; col < DCTSIZE; col++) {
                UINT16 t = table->quantval[row * DCTSIZE + col];
                table->quantval[row * DCTSIZE + col] = table->quantval[col * DCTSIZE + row];
                table->quantval[col * DCTSIZE + row] = t;
            }
    }
}

static unsigned exif_get16(const JOCTET* p, bool motorola)
{
    return motorola ? (p[0] << 8) | p[1] : p[0] | (p[1] << 8);
}
static unsigned long exif_get32(const JOCTET* p, bool motorola)
{
    return motorola ? ((unsigned long)p[0] << 24) | ((unsigned long)p[1] << 16) | (p[2] << 8) | p[3]
                    : p[0] | (p[1] << 8) | ((unsigned long)p[2] << 16) | ((unsigned long)p[3] << 24);
}
static void exif_put16(JOCTET* p, bool motorola, unsigned v)
{
    if (motorola) {
        p[0] = (JOCTET)(v >> 8);
        p[1] = (JOCTET)v;
    } else {
        p[0] = (JOCTET)v;
        p[1] = (JOCTET)(v >> 8);
    }
}
static void exif_put32(JOCTET* p, bool motorola, unsigned long v)
{
    for (int i = 0; i < 4; i++) p[motorola ? 3 - i : i] = (JOCTET)(v >> (8 * i));
}

// Writes the new size into ExifImageWidth/Height of the Exif sub-IFD, in
// place. Every offset is checked against the block's length.
static void xform_adjust_exif(JOCTET* data, unsigned length, JDIMENSION width, JDIMENSION height)
{
    if (length < 6 + 8 || memcmp(data, "Exif\0\0", 6) != 0) return;
    JOCTET* tiff = data + 6;
    unsigned long size = length - 6;
    bool motorola;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        motorola = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        motorola = true;
    else
        return;
    if (exif_get16(tiff + 2, motorola) != 42) return;
    unsigned long ifd = exif_get32(tiff + 4, motorola);
    if (ifd > size - 2) return;
    unsigned count = exif_get16(tiff + ifd, motorola);
    if ((size - ifd - 2) / 12 < count) return;
    unsigned long sub = 0;
    for (unsigned i = 0; i < count; i++) {
        const JOCTET* entry = tiff + ifd + 2 + 12 * i;
        if (exif_get16(entry, motorola) == 0x8769) sub = exif_get32(entry + 8, motorola);
    }
    if (sub == 0 || sub > size - 2) return;
    count = exif_get16(tiff + sub, motorola);
    if ((size - sub - 2) / 12 < count) return;
    for (unsigned i = 0; i < count; i++) {
        JOCTET* entry = tiff + sub + 2 + 12 * i;
        unsigned tag = exif_get16(entry, motorola);
        if (tag != 0xA002 && tag != 0xA003) continue;
        JDIMENSION value = tag == 0xA002 ? width : height;
        unsigned type = exif_get16(entry + 2, motorola);
        if (type == 3)
            exif_put16(entry + 8, motorola, value > 65535 ? 65535 : value);
        else if (type == 4)
            exif_put32(entry + 8, motorola, value);
    }
}

// Sets the destination up for the transformed image and says which block
// arrays to write.
static jvirt_barray_ptr* xform_adjust_parameters(j_decompress_ptr src, j_compress_ptr dst, jvirt_barray_ptr* src_arrays,
                                                 xform_request* req)
{
    if (req->force_grayscale && src->jpeg_color_space == JCS_YCbCr && src->num_components == 3) {
        jpeg_set_colorspace(dst, JCS_GRAYSCALE);
        dst->comp_info[0] = src->comp_info[0];
        dst->comp_info[0].component_index = 0;
    }
    if (transposes(req->transform)) xform_transpose_parameters(dst);
    dst->image_width = req->output_width;
    dst->image_height = req->output_height;
#if JPEG_LIB_VERSION >= 70
    dst->jpeg_width = req->output_width;
    dst->jpeg_height = req->output_height;
#endif
    jpeg_saved_marker_ptr first = src->marker_list;
    if (first && first->marker == JPEG_APP0 + 1)
        xform_adjust_exif(first->data, first->data_length, req->output_width, req->output_height);
    return req->workspace ? req->workspace : src_arrays;
}

// The one block mover behind every worker. Output block (ox, oy) sits at
// (ox + crop, oy + crop) of the whole transformed image; a mirror moves only
// the blocks of whole iMCUs, so a partial edge strip stays where it is; a
// transposing transform then reads the source across the diagonal.
static void move_blocks(j_decompress_ptr src, j_compress_ptr dst, JDIMENSION x_crop_imcus, JDIMENSION y_crop_imcus,
                        jvirt_barray_ptr* src_arrays, jvirt_barray_ptr* dst_arrays, const xform_request* req, bool turn,
                        bool across, bool down)
{
    for (int ci = 0; ci < dst->num_components; ci++) {
        jpeg_component_info* dcomp = dst->comp_info + ci;
        jpeg_component_info* scomp = src->comp_info + ci;
        int h = dcomp->h_samp_factor, v = dcomp->v_samp_factor;
        JDIMENSION src_cols = (JDIMENSION)round_up(scomp->width_in_blocks, scomp->h_samp_factor);
        JDIMENSION src_rows = (JDIMENSION)round_up(scomp->height_in_blocks, scomp->v_samp_factor);
        JDIMENSION dst_cols = (JDIMENSION)round_up(div_round_up((long)req->output_width * h, req->imcu_width), h);
        JDIMENSION dst_rows = (JDIMENSION)round_up(div_round_up((long)req->output_height * v, req->imcu_height), v);
        JDIMENSION whole_cols = req->full_width / req->imcu_width * h;
        JDIMENSION whole_rows = req->full_height / req->imcu_height * v;
        JDIMENSION x0 = x_crop_imcus * h, y0 = y_crop_imcus * v;
        for (JDIMENSION oy = 0; oy < dst_rows; oy++) {
            JBLOCKROW out = (*src->mem->access_virt_barray)((j_common_ptr)src, dst_arrays[ci], oy, 1, TRUE)[0];
            JDIMENSION fy = oy + y0;
            bool flip_v = down && fy < whole_rows;
            JDIMENSION ty = flip_v ? whole_rows - 1 - fy : fy;
            for (JDIMENSION ox = 0; ox < dst_cols; ox++) {
                JDIMENSION fx = ox + x0;
                bool flip_h = across && fx < whole_cols;
                JDIMENSION tx = flip_h ? whole_cols - 1 - fx : fx;
                JDIMENSION sx = turn ? ty : tx, sy = turn ? tx : ty;
                JCOEF* o = out[ox];
                if (sx >= src_cols || sy >= src_rows) {
                    memset(o, 0, sizeof(JBLOCK));
                    continue;
                }
                const JCOEF* in =
                    (*src->mem->access_virt_barray)((j_common_ptr)src, src_arrays[ci], sy, 1, FALSE)[0][sx];
                for (int r = 0; r < DCTSIZE; r++)
                    for (int c = 0; c < DCTSIZE; c++) {
                        JCOEF value = turn ? in[c * DCTSIZE + r] : in[r * DCTSIZE + c];
                        if ((flip_h && (c & 1)) != (flip_v && (r & 1))) value = (JCOEF)-value;
                        o[r * DCTSIZE + c] = value;
                    }
            }
        }
    }
}

// Mirror left-right inside the source arrays: whole-iMCU columns swap.
static void xform_flip_h_in_place(j_decompress_ptr src, j_compress_ptr dst, jvirt_barray_ptr* arrays,
                                  const xform_request* req)
{
    for (int ci = 0; ci < dst->num_components; ci++) {
        jpeg_component_info* comp = src->comp_info + ci;
        JDIMENSION whole = req->full_width / req->imcu_width * comp->h_samp_factor;
        JDIMENSION rows = (JDIMENSION)round_up(comp->height_in_blocks, comp->v_samp_factor);
        for (JDIMENSION y = 0; y < rows; y++) {
            JBLOCKROW row = (*src->mem->access_virt_barray)((j_common_ptr)src, arrays[ci], y, 1, TRUE)[0];
            for (JDIMENSION x = 0; x < (whole + 1) / 2; x++) {
                JCOEF* a = row[x];
                JCOEF* b = row[whole - 1 - x];
                for (int k = 0; k < DCTSIZE2; k++) {
                    JCOEF sign = (k & 1) ? -1 : 1;
                    JCOEF t = a[k];
                    a[k] = (JCOEF)(sign * b[k]);
                    if (a != b) b[k] = (JCOEF)(sign * t);
                }
            }
        }
    }
}

// How each transform, by its code, moves the blocks: transposed, mirrored
// left-right, mirrored top-bottom. A quarter turn clockwise is a transpose
// then a mirror left-right; three quarters, a transpose then a mirror
// top-bottom; a half turn, both mirrors.
struct block_moves {
    bool turn, across, down;
};
static const block_moves xform_moves[] = {
    {false, false, false},  // XFORM_NONE: a crop only
    {false, true, false},   // XFORM_FLIP_H
    {false, false, true},   // XFORM_FLIP_V
    {true, false, false},   // XFORM_TRANSPOSE
    {true, true, true},     // XFORM_TRANSVERSE
    {true, true, false},    // XFORM_ROT_90
    {false, true, true},    // XFORM_ROT_180
    {true, false, true},    // XFORM_ROT_270
};
static_assert(sizeof xform_moves / sizeof xform_moves[0] == XFORM_ROT_270 + 1, "one row per transform code");

static void xform_execute(j_decompress_ptr src, j_compress_ptr dst, jvirt_barray_ptr* src_arrays,
                          const xform_request* req)
{
    if (req->transform < XFORM_NONE || req->transform > XFORM_ROT_270) return;
    jvirt_barray_ptr* out = req->workspace;
    if (!out && req->transform == XFORM_NONE) return;
    if (!out && req->transform == XFORM_FLIP_H) {
        xform_flip_h_in_place(src, dst, src_arrays, req);
        return;
    }
    const block_moves& m = xform_moves[req->transform];
    move_blocks(src, dst, req->x_crop_imcus, req->y_crop_imcus, src_arrays, out, req, m.turn, m.across, m.down);
}

static void xform_copy_markers_setup(j_decompress_ptr src, int option)
{
    if (option == COPY_NO_MARKERS) return;
    jpeg_save_markers(src, JPEG_COM, 0xFFFF);
    if (option == COPY_ALL_MARKERS)
        for (int m = 0; m < 16; m++) jpeg_save_markers(src, JPEG_APP0 + m, 0xFFFF);
}

static void xform_copy_markers_execute(j_decompress_ptr src, j_compress_ptr dst, int option)
{
    for (jpeg_saved_marker_ptr m = src->marker_list; m; m = m->next) {
        // The encoder's own JFIF or Adobe marker replaces the source's.
        if (dst->write_JFIF_header && m->marker == JPEG_APP0 && m->data_length >= 5 && memcmp(m->data, "JFIF", 5) == 0)
            continue;
        if (dst->write_Adobe_marker && m->marker == JPEG_APP0 + 14 && m->data_length >= 5 &&
            memcmp(m->data, "Adobe", 5) == 0)
            continue;
        jpeg_write_marker(dst, m->marker, m->data, m->data_length);
    }
}

static jpeg_decompress_struct xform_source;
static jpeg_compress_struct xform_destination;
static jpeg_error_mgr xform_source_errors, xform_destination_errors;

int transform_jpeg_file(FILE* source, int k, FILE* destination)
{
    if (k < 1 || k > 3) return 0;
    return transform_jpeg_file_by_code(source, 4 + k, destination);
}

int transform_jpeg_file_by_code(FILE* source, int code, FILE* destination)
{
    if (code < XFORM_NONE || code > XFORM_ROT_270) return 0;
    if (!source || !destination) return 0;
    xform_request req;
    memset(&req, 0, sizeof req);
    req.transform = code;
    xform_source.err = setup_jpeg_error_manager(&xform_source_errors);
    xform_destination.err = setup_jpeg_error_manager(&xform_destination_errors);
    if (setjmp(jpeg_jump_buffer)) {
        jpeg_destroy_compress(&xform_destination);
        jpeg_destroy_decompress(&xform_source);
        return 0;
    }
    jpeg_create_decompress(&xform_source);
    jpeg_create_compress(&xform_destination);
    // Both block arrays (the source's and the turned copy) come from the
    // source's memory manager: together no more than the largest image.
    xform_source.mem->max_memory_to_use = BMAP_MAX_BYTES;
    xform_destination.mem->max_memory_to_use = BMAP_MAX_BYTES;
    xform_destination.err->trace_level = xform_source.err->trace_level;
    attach_jpeg_file_source(&xform_source, source);
    xform_copy_markers_setup(&xform_source, COPY_ALL_MARKERS);
    if (jpeg_read_header(&xform_source, TRUE) != JPEG_HEADER_OK ||
        !bmap_size_ok(xform_source.image_width, xform_source.image_height) ||
        !jpeg_file_holds_blocks(&xform_source, source) || !xform_request_workspace(&xform_source, &req)) {
        jpeg_destroy_compress(&xform_destination);
        jpeg_destroy_decompress(&xform_source);
        return 0;
    }
    jvirt_barray_ptr* src_arrays = jpeg_read_coefficients(&xform_source);
    jpeg_copy_critical_parameters(&xform_source, &xform_destination);
    xform_destination.write_JFIF_header = FALSE;
    jvirt_barray_ptr* dst_arrays = xform_adjust_parameters(&xform_source, &xform_destination, src_arrays, &req);
    attach_jpeg_file_destination(&xform_destination, destination);
    jpeg_write_coefficients(&xform_destination, dst_arrays);
    xform_copy_markers_execute(&xform_source, &xform_destination, COPY_ALL_MARKERS);
    xform_execute(&xform_source, &xform_destination, src_arrays, &req);
    jpeg_finish_compress(&xform_destination);
    jpeg_destroy_compress(&xform_destination);
    jpeg_finish_decompress(&xform_source);
    jpeg_destroy_decompress(&xform_source);
    return 1;
}

int rotate_jpeg_file(const char* source, int angle, const char* destination)
{
    // A file the probe refuses (a damaged size among them) is not turned:
    // nothing is written for it.
    int width, height, xdpi, ydpi;
    if (!probe_jpeg_file(source, &width, &height, &xdpi, &ydpi)) return 0;
    reset_jpeg_error_state();
    c_file in(fopen(source, "rb"));
    if (!in.get()) return 0;
    c_file out(fopen(destination, "wb"));
    if (!out.get()) return 0;
    int k = ((1800 - angle) % 360) / 90;
    return transform_jpeg_file(in.get(), k, out.get());
}
