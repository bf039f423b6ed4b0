// JPEG front end of the format layer: probe, load and save hooks, the codec
// routines the thumbnail cache calls, lossless rotation, the readers for
// GIF-named files, and the shared JPEG error state all of them use.
#pragma once
#include <windows.h>
#include <cstdio>
#include <csetjmp>
#include <cstddef>

struct _bmap;
struct jpeg_error_mgr;
struct jpeg_decompress_struct;
struct jpeg_compress_struct;

// ---- Shared error state (one set for all JPEG work; never nested) ----
extern int jpeg_bad_input_flag;   // bad, empty or foreign input, or any library message
extern int jpeg_stop_flag;        // decoding must stop at once
extern int jpeg_fatal_flag;       // set by the error exit just before it jumps back
extern jmp_buf jpeg_jump_buffer;  // the single recovery point; the error exit returns -1
enum { JPEG_LAST_MESSAGE_BUF = 256 };
extern char jpeg_last_message[JPEG_LAST_MESSAGE_BUF];
extern const char* jpeg_registered_file;      // shown in the error box when set
extern const char* jpeg_registered_function;  // the box is shown only when this is set

// Clears the registered names and the three flags (every entry point does this).
void reset_jpeg_error_state();
// Every library message ends here: sets the bad-input flag, keeps the text.
void jpeg_error_box(const char* message);
// Fills `err` with the library's standard manager, our error exit and message output.
jpeg_error_mgr* setup_jpeg_error_manager(jpeg_error_mgr* err);

// ---- Source and destination managers ----
// Reads the open file in 4096-byte pieces; an empty or non-JPEG start suspends
// (both flags set) instead of failing; a later end of file ends the image.
void attach_jpeg_file_source(jpeg_decompress_struct* cinfo, FILE* file);
// Writes through a 4096-byte buffer; with no file the bytes are discarded.
void attach_jpeg_file_destination(jpeg_compress_struct* cinfo, FILE* file);

// ---- Reading ----
int probe_jpeg_file(const char* path, int* width, int* height, int* xdpi, int* ydpi);
// A new image decoded at scale 1/divisor (sized from the decoder's output), or null.
_bmap* load_jpeg_file(const char* path, int divisor, int fast);
int read_jpeg_header_info(FILE* file, int* width, int* height, int* xdpi, int* ydpi);
// Decodes into `pixels` (24-bit rows padded to 4 bytes, blue green red) holding
// `capacity` bytes; fails (0) when the decoded image would not fit.
int decompress_jpeg_to_bitmap(FILE* file, int* width, int* height, int divisor, int fast, BYTE* pixels,
                              size_t capacity);
// Fills the two JPEG slots of image_format_hooks (probe 0, loader 6).
void install_jpeg_hooks();

// ---- Writing ----
// `file` may be null: the encoded bytes are then discarded.
int compress_bitmap_to_jpeg(FILE* file, int width, int height, int xdpi, int ydpi, const BYTE* pixels, int quality);
// Quality 0 keeps the library's default.
int save_jpeg_file(const char* path, _bmap* image, int quality);

// ---- Lossless transforms ----
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
// Angle counts counter-clockwise; 1 written, 0 failed (the destination is
// created even when the angle asks for no turn).
int rotate_jpeg_file(const char* source, int angle, const char* destination);
// k clockwise quarter turns (1 to 3).
int transform_jpeg_file(FILE* source, int k, FILE* destination);
// Any of the eight transform codes (the others have no caller in the program
// yet); 1 written, 0 failed.
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
