// Shared set-up of the printing tests: the print settings saved and put back,
// files in a scratch "print setting" folder, a job over a mark array, a fixed
// page unit, and pictures written as BMP files.
#pragma once
#include "print/print_settings.h"
#include "print/page_geometry.h"
#include "graphics/kavtrel.h"
#include "tests/support/bench.h"
#include <string>
#include <vector>

namespace print_fixture {

inline int dpi_96() { return 96; }

// The settings as a fresh start gives them, in a scratch folder, restored afterwards.
struct fresh_settings {
    scoped_restore<print_settings_state> keep{print_settings};
    scoped_restore<int (*)()> keep_dpi{page_unit_dpi};
    bench::scratch_dir dir;
    fresh_settings()
    {
        print_settings_init();
        print_settings_record& r = print_settings.record;
        r.version = PRINT_SETTINGS_VERSION;
        print_settings_defaults(&r);
        print_settings.page_filter = -1;
        print_settings.printer_dc = nullptr;
        text_copy(print_settings.settings_file, dir.file("print.p").c_str());
        CreateDirectoryA(dir.file("print setting").c_str(), nullptr);
        text_copy(print_settings.settings_folder, dir.file("print setting").c_str());
        page_unit_dpi = dpi_96;
    }
};

// A job over `count` items of which the listed ones are marked.
struct job_marks {
    std::vector<unsigned char> marks;
    std::vector<std::string> names;
    std::vector<char*> name_ptrs;
    job_marks(int count, std::vector<int> marked, const std::string& folder = "")
        : marks(count), names(count)
    {
        for (int i = 0; i < count; i++) names[i] = folder.empty() ? "x" + std::to_string(i) + ".bmp"
                                                                  : folder + "\\" + std::to_string(i) + ".bmp";
        for (int i : marked) marks[i] = 1;
        for (std::string& n : names) name_ptrs.push_back(&n[0]);
        print_settings.job = {count, marks.data(), (int)marked.size(), name_ptrs.data()};
    }
};

// A width x height BMP file in one colour (blue, green, red).
inline void write_bmp(const std::string& path, int width, int height, unsigned char b = 0,
                      unsigned char g = 0, unsigned char r = 255)
{
    _bmap* image = _bmap_new(width, height);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            BYTE* p = image->pixels + y * image->stride + x * 3;
            p[0] = b, p[1] = g, p[2] = r;
        }
    _bmap_save_bmp(image, fopen(path.c_str(), "wb"));
    _bmap_delete(image);
}

}  // namespace print_fixture
