// The stand-in plug-in installed for one test: a scratch plug-in folder that
// the program searches, holding copies of a built stand-in under plug-in
// names. Every plug-in is unloaded before the folder goes.
#pragma once
#include "formats/formats.h"
#include "tests/support/bench.h"
#include <string>

struct plugin_folder {
    bench::scratch_dir dir;
    scoped_restore<char[PATH_BUF]> keep_folder{susie_plugin_folder};
    plugin_folder()
    {
        free_susie_plugins();
        text_copy(susie_plugin_folder, dir.path());
    }
    ~plugin_folder() { free_susie_plugins(); }
    // Copies the stand-in `built` (a file beside the test program) as `name`.
    bool install(const char* name, const char* built = "standin_susie.spi") const
    {
        return CopyFileA((bench::exe_folder() + built).c_str(), dir.file(name).c_str(), FALSE) != 0;
    }
};
