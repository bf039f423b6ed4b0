// Shared set-up of the printing tests: the print settings saved and put back,
// files in a scratch "print setting" folder, a job over a mark array, a fixed
// page unit, and pictures written as BMP files.
#pragma once
#include "print/print.h"
#include "print/page_geometry.h"  // page units pinned to a fixed resolution; cells and pages counted directly
#include "app/start_up.h"
#include "graphics/kavtrel.h"
#include "browser/model/start.h"
#include "tests/support/bench.h"
#include "tests/support/photos.h"
#include "tests/support/test_printer.h"
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
    job_marks(int count, std::vector<int> marked, const std::string& folder = "") : marks(count), names(count)
    {
        for (int i = 0; i < count; i++)
            names[i] = folder.empty() ? "x" + std::to_string(i) + ".bmp" : folder + "\\" + std::to_string(i) + ".bmp";
        for (int i : marked) marks[i] = 1;
        for (std::string& n : names) name_ptrs.push_back(&n[0]);
        print_settings.job = {count, marks.data(), (int)marked.size(), name_ptrs.data()};
    }
};

// A width x height BMP file in one colour (blue, green, red).
inline void write_bmp(const std::string& path, int width, int height, unsigned char b = 0, unsigned char g = 0,
                      unsigned char r = 255)
{
    _bmap* image = bmap_new(width, height);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            BYTE* p = image->pixels + y * image->stride + x * 3;
            p[0] = b, p[1] = g, p[2] = r;
        }
    _bmap_save_bmp(image, fopen(path.c_str(), "wb"));
    _bmap_delete(image);
}

// The image formats the program installs at start-up, for the scope.
struct program_image_formats {
    scoped_restore<image_format_hook_table> keep{image_format_hooks};
    program_image_formats() { install_image_format_hooks(); }
};

// A 4000 x 3000 camera photo under a cp932 name, made once per test program
// ("" when it could not be written).
inline std::string camera_photo()
{
    static bench::scratch_dir dir;
    static const std::string path = dir.file("表ソ能の写真.jpg");
    static const bool made = write_camera_photo(path);
    return made ? path : "";
}

}  // namespace print_fixture

namespace print_fixture {

const char* const test_printer = bench::test_printer_name;
const char* const printer_output = bench::test_printer_output;
inline bool printer_ready() { return bench::test_printer_ready(); }

}  // namespace print_fixture

namespace print_fixture {

// One record of a page recording, copied out.
struct emf_record {
    DWORD type;
    std::vector<BYTE> bytes;
    template <class T> const T& as() const { return *reinterpret_cast<const T*>(bytes.data()); }
};

inline int CALLBACK collect_record(HDC, HANDLETABLE*, const ENHMETARECORD* r, int, LPARAM data)
{
    auto* out = reinterpret_cast<std::vector<emf_record>*>(data);
    const BYTE* p = reinterpret_cast<const BYTE*>(r);
    out->push_back({r->iType, std::vector<BYTE>(p, p + r->nSize)});
    return 1;
}

// The records of a recording (deleted afterwards).
inline std::vector<emf_record> records_of(HENHMETAFILE page)
{
    std::vector<emf_record> out;
    if (page) {
        EnumEnhMetaFile(nullptr, page, collect_record, &out, nullptr);
        DeleteEnhMetaFile(page);
    }
    return out;
}

inline std::vector<emf_record> records_of_type(const std::vector<emf_record>& all, DWORD type)
{
    std::vector<emf_record> out;
    for (const emf_record& r : all)
        if (r.type == type) out.push_back(r);
    return out;
}

// Text records, recorded in either form.
inline std::vector<emf_record> text_records(const std::vector<emf_record>& all)
{
    std::vector<emf_record> out;
    for (const emf_record& r : all)
        if (r.type == EMR_EXTTEXTOUTA || r.type == EMR_EXTTEXTOUTW) out.push_back(r);
    return out;
}

// The text of a text record, in the ANSI code page.
inline std::string text_of(const emf_record& r)
{
    const EMREXTTEXTOUTA& t = r.as<EMREXTTEXTOUTA>();
    const char* at = reinterpret_cast<const char*>(r.bytes.data()) + t.emrtext.offString;
    if (r.type == EMR_EXTTEXTOUTA) return std::string(at, t.emrtext.nChars);
    char out[2048];
    int n = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(at), t.emrtext.nChars, out, sizeof out,
                                nullptr, nullptr);
    return std::string(out, n > 0 ? n : 0);
}

}  // namespace print_fixture
