// JPEG front end of the format layer: probe, load and save hooks (the JPEG
// hooks also read GIF-named files), the codec routines the thumbnail cache
// calls, lossless rotation, and the shared JPEG error state all of them use.
#pragma once
#include <windows.h>
#include <cstdio>
#include <csetjmp>
#include <cstddef>

struct _bmap;

// ---- Shared error state (one set for all JPEG work; never nested) ----
extern int jpeg_bad_input_flag;     // bad, empty or foreign input, or any library message
extern int jpeg_stop_flag;          // decoding must stop at once
extern int jpeg_fatal_flag;         // set by the error exit just before it jumps back
extern int jpeg_damaged_data_flag;  // a warning said the compressed picture data is damaged
extern jmp_buf jpeg_jump_buffer;    // the single recovery point; the error exit returns -1
enum { JPEG_LAST_MESSAGE_BUF = 256 };
extern char jpeg_last_message[JPEG_LAST_MESSAGE_BUF];
extern const char* jpeg_registered_file;      // shown in the error box when set
extern const char* jpeg_registered_function;  // the box is shown only when this is set

// Clears the registered names and the flags (every entry point does this).
void reset_jpeg_error_state();

// ---- Reading ----
int probe_jpeg_file(const char* path, int* width, int* height, int* xdpi, int* ydpi);
// A new image decoded at scale 1/divisor (sized from the decoder's output), or null.
_bmap* load_jpeg_file(const char* path, int divisor, int fast);
int read_jpeg_header_info(FILE* file, int* width, int* height, int* xdpi, int* ydpi);
// Decodes into `pixels` (24-bit rows padded to 4 bytes, blue green red) holding
// `capacity` bytes; fails (0) when the decoded image would not fit.
int decompress_jpeg_to_bitmap(FILE* file, int* width, int* height, int divisor, int fast, BYTE* pixels,
                              size_t capacity);
// The same decoding a band of rows at a time, for a caller that looks for
// input between bands. Each reader has a decompressor of its own, so other
// JPEG work may run between its bands.
struct jpeg_band_reader;
// Starts decoding a file named as a JPEG at scale 1/divisor, as
// load_jpeg_file would: null when it cannot (no JPEG, a damaged header, a
// size refused).
jpeg_band_reader* jpeg_bands_open(const char* path, int divisor, int fast);
// Up to `rows` more rows: 1 while rows remain, 0 once the image is complete,
// -1 when decoding failed.
int jpeg_bands_read(jpeg_band_reader* r, int rows);
// The complete image, taken over by the caller; null before it is complete.
_bmap* jpeg_bands_take(jpeg_band_reader* r);
// Ends the decoding and frees what the reader still holds (null is fine).
void jpeg_bands_close(jpeg_band_reader* r);

// Fills the two JPEG slots of image_format_hooks (probe 0, loader 6).
void install_jpeg_hooks();

// ---- Writing ----
// `file` may be null: the encoded bytes are then discarded.
int compress_bitmap_to_jpeg(FILE* file, int width, int height, int xdpi, int ydpi, const BYTE* pixels, int quality);
// Quality 0 keeps the library's default; the picture is written turned by
// the rotation code (graphics/imageops.h).
int save_jpeg_file(const char* path, _bmap* image, int quality, int rotation = 0);

// ---- Lossless transforms ----
// Angle counts counter-clockwise; 1 written, 0 failed (the destination is
// created even when the angle asks for no turn, but not for a source the
// probe refuses).
int rotate_jpeg_file(const char* source, int angle, const char* destination);
