// The image formats library's inside: what its own files share beyond the
// public pieces (the JPEG error manager, source and destination managers,
// lossless transforms by code, the readers of GIF-named files, the PSD
// header check, the Susie plug-in table and the TWAIN session) and the seams
// only its tests use. Included only by the library's own files (and by its
// tests, which say why); everything else goes through formats.h.
#pragma once
#include "formats/formats.h"
#include <cstdio>

struct jpeg_error_mgr;
struct jpeg_decompress_struct;
struct jpeg_compress_struct;

// ---- What a file can hold ----
// The size of an open file (its position kept), -1 when it cannot be told.
long long open_file_size(FILE* file);
// Whether the whole file, at the format's best ratio (most_per_byte bytes of
// picture data from one byte of file), can hold data_bytes: false for a
// damaged header that claims more.
bool file_can_hold(FILE* file, double data_bytes, double most_per_byte);
// The best ratios: deflate (PNG, TIFF) gives at most 1032 bytes per byte;
// LZW (GIF, TIFF) at most 4096 samples per 12-bit code; PackBits (PSD, TIFF)
// and Targa's packets 128 samples per 2 bytes; the CCITT fax codes (TIFF) at
// most a row per bit, whatever its width (a row like the one above it is one
// bit in two-dimensional coding).
enum { DEFLATE_MOST = 1032, PACKBITS_MOST = 64, FAX_ROWS_MOST = 8 };
constexpr double LZW_MOST = 4096 * 8 / 12.0;

// JPEG, beside jpeg.h.
// Every library message ends here: sets the bad-input flag, keeps the text.
void jpeg_error_box(const char* message);
// Fills `err` with the library's standard manager, our error exit and message output.
jpeg_error_mgr* setup_jpeg_error_manager(jpeg_error_mgr* err);
// Whether the open file, its header read into cinfo, is long enough for the
// blocks the header describes: false for a damaged size.
bool jpeg_file_holds_blocks(jpeg_decompress_struct* cinfo, FILE* file);

// ---- Source and destination managers ----
// Reads the open file in 4096-byte pieces; an empty or non-JPEG start suspends
// (both flags set) instead of failing; a later end of file ends the image.
void attach_jpeg_file_source(jpeg_decompress_struct* cinfo, FILE* file);
// The same source goes on reading from another handle of the file, positioned
// where the last one was left (what the source had read ahead is kept).
void reattach_jpeg_file_source(jpeg_decompress_struct* cinfo, FILE* file);
// Writes through a 4096-byte buffer; with no file the bytes are discarded.
void attach_jpeg_file_destination(jpeg_compress_struct* cinfo, FILE* file);

// ---- Lossless transforms by code ----
enum jpeg_transform_code {
    XFORM_NONE = 0,
    XFORM_FLIP_H = 1,
    XFORM_FLIP_V = 2,
    XFORM_TRANSPOSE = 3,
    XFORM_TRANSVERSE = 4,
    XFORM_ROT_90 = 5,
    XFORM_ROT_180 = 6,
    XFORM_ROT_270 = 7
};
// k clockwise quarter turns (1 to 3).
int transform_jpeg_file(FILE* source, int k, FILE* destination);
// Any of the eight transform codes; 1 written, 0 failed.
int transform_jpeg_file_by_code(FILE* source, int code, FILE* destination);

// ---- Readers for GIF-named files (BMP, PPM/PGM, GIF, Targa by the first byte) ----
extern int targa_input_flag;  // forces the Targa reader; nothing sets it
_bmap* load_via_input_readers(const char* path);
int probe_via_input_readers(const char* path, int* width, int* height, int* xdpi, int* ydpi);
// Both return the component count (1 or 3), 0 on failure.
int read_size_with_input_reader(FILE* file, int* width, int* height, int* xdpi, int* ydpi);
int read_image_with_input_reader(FILE* file, int* width, int* height, BYTE* pixels, size_t capacity);

// Dots per inch from pixels per metre, as the file formats round them (the
// other way is dpi_to_ppm in graphics/bmap.h).
inline int ppm_to_jpeg_dpi(int ppm) { return (int)(ppm * 2.54 / 100); }

// Photoshop files, beside psd.h.
enum { PSD_HEADER_SIZE = 26 };

// 1 when the 26 header bytes describe a file this reader decodes, else 0.
int check_psd_header(const unsigned char* header);

// Susie plug-ins, beside susie.h.
// The three entries, standard calling convention.
typedef int(WINAPI* susie_plugin_info_fn)(int number, LPSTR buffer, int buffer_size);
typedef int(WINAPI* susie_picture_info_fn)(LPCSTR name, LONG length, UINT flag, susie_picture_info* info);
typedef int(WINAPI* susie_picture_fn)(LPCSTR name, LONG length, UINT flag, HANDLE* info, HANDLE* bits, FARPROC progress,
                                      LONG data);

struct susie_plugin {
    const char* file_name;
    HMODULE module;
    susie_plugin_info_fn get_plugin_info;
    susie_picture_info_fn get_picture_info;
    susie_picture_fn get_picture;
};
extern susie_plugin susie_plugin_table[SUSIE_SLOTS];
int load_susie_plugin(int index);
int susie_ext_matches(const char* name, const char* ext);
int get_susie_picture_info(const char* name, int* width, int* height, int* xdpi, int* ydpi);

// TWAIN scanning, beside twain.h.
struct twain_state {
    HMODULE module;
    twain_entry_fn entry;
    HWND parent;
    int source_open;  // the source is enabled and its loop runs
    int dsm_open;
    int source_opened;  // MSG_OPENDS succeeded
    _bmap* last_image;
    TW_IDENTITY application, source;
    TW_USERINTERFACE ui;
};
extern twain_state twain;

// The source manager's DLL (fixed; tests point it at a missing name).
extern const char* twain_dsm_name;
int twain_process_event(MSG* message);
int twain_native_transfer();
void twain_end_transfer();
void twain_close();
