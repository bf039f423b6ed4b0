// The installers app_main runs (see start_up.h), each called here once.
#include "app/start_up.h"
#include "browser/archives/archive_folder.h"
#include "browser/operations/archive_commands.h"
#include "browser/commands/instances.h"
#include "browser/commands/commands.h"
#include "browser/commands/keys.h"
#include "browser/commands/toolbar.h"
#include "browser/caches/thumb_cache.h"
#include "browser/grid/list_view.h"
#include "browser/model/settings.h"
#include "browser/model/start.h"
#include "browser/model/numbering.h"
#include "browser/model/seams.h"
#include "browser/commands/window_hook.h"
#include "browser/operations/file_clipboard.h"
#include "browser/viewer/idle_work.h"
#include "browser/viewer/viewer.h"
#include "formats/formats.h"
#include "graphics/kavtrel.h"
#include "print/print.h"
#include "files/files.h"

void install_image_format_hooks()
{
    image_format_hooks.probe_jpeg = probe_jpeg_file;
    image_format_hooks.probe_png = probe_png_file;
    image_format_hooks.probe_psd = probe_psd_file;
    image_format_hooks.probe_tiff = probe_tiff_file;
    image_format_hooks.load_jpeg = load_jpeg_file;
    image_format_hooks.load_psd = load_psd_file;
    image_format_hooks.load_png = load_png_file;
    image_format_hooks.load_tiff = load_tiff_file;
    image_format_hooks.probe_pdf = probe_pdf_file;
    image_format_hooks.load_pdf = load_pdf_page;
}

void install_program_hooks()
{
    start_thumbnail_cache();
    console_hooks.printf_hook = con_printf;
    console_hooks.getchar_hook = _getchar_entry;
    console_hooks.status_hook = _status_printf;
    app_hooks.window_hook = app_wndproc_hook;
    app_hooks.exit_hook = app_on_exit;
    app_hooks.help_hook = show_help;
    set_settings_start_folder(start_block.current_folder);
    install_idle_work();
    install_browser_seams();
}

void install_drop_hook() { app_hooks.drop_hook = app_on_drop; }

void install_browser_seams()
{
    browser_seams = {
        .win_help = WinHelpA,
        .print_selection = open_print_dialog,
        .open_with = open_with_association,
    };
}
