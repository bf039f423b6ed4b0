// The shared JPEG error state: flags, the single recovery point, and the
// error manager whose exit jumps back there instead of ending the process.
#include "formats/jpeg.h"
#include "formats/internal.h"
#include "graphics/kavtrel.h"
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>

int jpeg_bad_input_flag = 0;
int jpeg_stop_flag = 0;
int jpeg_fatal_flag = 0;
int jpeg_damaged_data_flag = 0;
jmp_buf jpeg_jump_buffer;
char jpeg_last_message[JPEG_LAST_MESSAGE_BUF];
const char* jpeg_registered_file = nullptr;
const char* jpeg_registered_function = nullptr;

void reset_jpeg_error_state()
{
    jpeg_registered_file = nullptr;
    jpeg_registered_function = nullptr;
    jpeg_bad_input_flag = 0;
    jpeg_stop_flag = 0;
    jpeg_fatal_flag = 0;
    jpeg_damaged_data_flag = 0;
}

void jpeg_error_box(const char* message)
{
    jpeg_bad_input_flag = 1;
    text_copy(jpeg_last_message, message);
    if (jpeg_registered_function && jpeg_fatal_flag) {
        char text[768];
        text_format_cut(text, sizeof text, "%s\n \n%s\n \nat function %s",
                        jpeg_registered_file ? jpeg_registered_file : "", message, jpeg_registered_function);
        kavtrel_message_box(console_window(), text, "Jpeg-Lib Error", MB_OK | MB_ICONERROR);
    }
}

static void output_jpeg_message(j_common_ptr cinfo)
{
    char buffer[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, buffer);
    fprintf(stderr, "%s\n", buffer);
    jpeg_error_box(buffer);
}

static void exit_jpeg_error(j_common_ptr cinfo)
{
    jpeg_fatal_flag = 1;
    (*cinfo->err->output_message)(cinfo);
    // Frees every pool; the object is left idle without a memory manager.
    jpeg_destroy(cinfo);
    longjmp(jpeg_jump_buffer, -1);
}

// The warnings that say the compressed picture data itself is damaged (the
// decoder goes on, filling what it cannot read). Warnings about markers, and
// stray bytes skipped before a marker (which phone photos often carry after
// their last block), are not among them.
static bool damaged_data_warning(int code)
{
    switch (code) {
    case JWRN_ARITH_BAD_CODE:
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_JPEG_EOF:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL: return true;
    }
    return false;
}

static void (*library_emit_message)(j_common_ptr, int);

// Every warning is looked at here: the library outputs only the first one of
// an object, which may be a harmless one before the damage.
static void emit_jpeg_message(j_common_ptr cinfo, int level)
{
    if (level < 0 && damaged_data_warning(cinfo->err->msg_code)) jpeg_damaged_data_flag = 1;
    library_emit_message(cinfo, level);
}

jpeg_error_mgr* setup_jpeg_error_manager(jpeg_error_mgr* err)
{
    jpeg_std_error(err);
    library_emit_message = err->emit_message;
    err->emit_message = emit_jpeg_message;
    err->error_exit = exit_jpeg_error;
    err->output_message = output_jpeg_message;
    err->trace_level = 0;
    return err;
}
