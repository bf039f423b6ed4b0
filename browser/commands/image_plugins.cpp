// The outside image components joined to the browser at start-up: Susie
// plug-ins for the plug-in kinds (looked for in the installed program's
// folder, since this process runs from its temporary copy, then in the copy's
// own folder, the system folder and the Windows folder) and the plug-ins'
// unloading at exit; the scanner's source manager, loaded by the first scan
// command and unloaded with the console.
#include "browser/model/start.h"
#include "browser/commands/image_plugins.h"
#include "browser/model/image_kinds.h"
#include "formats/formats.h"
#include "graphics/kavtrel.h"
#include <cstdlib>

void install_image_plugins(const char* program_path)
{
    static bool exit_registered = false;
    char folder[PATH_BUF];
    if (program_path && text_copy(folder, program_path)) {
        char* slash = mb_strrchr(folder, '\\');
        if (slash) {
            slash[1] = 0;
            text_copy(susie_plugin_folder, folder);
        }
    }
    image_format_hooks.probe_plugin = probe_susie_file;
    image_format_hooks.load_plugin = load_susie_file;
    image_plugin_lookup = find_susie_plugin;
    scanner_unload_hook = unload_twain_dsm;
    if (!exit_registered) exit_registered = atexit(free_susie_plugins) == 0;
}
