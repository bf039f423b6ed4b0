// Print benchmark: camera photos (4000x3000 JPEGs) printed through the
// program's own print path to the bench's PostScript test printer (A4 at
// 600 dpi, spooled to a file): the spool's size, the job's time and the
// size of a page's recording for the default 4 x 4 page of 16 photos, the contact
// sheet, two pages of 24 and one photo alone.
// Target: a page of 16 camera photos spools in under 100 MB and under 10 s.
// The printer's PostScript carries a picture as ASCII85 RGB, about 3.8 bytes
// per printer pixel: a photo drawn 1144 x 1525 pixels in a 4 x 4 cell spools
// 6.7 MB, whatever the camera's size. Targets are reported, never enforced.
#include "bench/bench_common.h"
#include "print/print.h"
#include "tests/support/test_printer.h"
#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>

static double file_mb(const char* path)
{
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &a)) return -1;
    return ((double)a.nFileSizeHigh * 4294967296.0 + a.nFileSizeLow) / 1e6;
}

// The size of the first page's recording, which holds every picture of the page.
static double recording_mb()
{
    HENHMETAFILE page = render_print_pages(0);
    double mb = page ? GetEnhMetaFileBits(page, 0, nullptr) / 1e6 : -1;
    if (page) DeleteEnhMetaFile(page);
    return mb;
}

struct layout {
    const char* name;
    int photos;
    void (*arrange)(print_settings_record*);
    double spool_target_mb, time_target_s;  // 0: no target
};

static void default_page(print_settings_record*) {}
static void three_by_four(print_settings_record* r) { r->columns = 3, r->rows = 4; }

int main()
{
    install_jpeg_hooks();
    print_settings_init();
    if (!bench::test_printer_ready() || !select_printer(nullptr)) {
        std::printf("print bench: no test printer \"%s\"\n", bench::test_printer_name);
        return 1;
    }
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "zote_print_bench";
    CreateDirectoryA(folder.c_str(), nullptr);
    const int most = 24;
    std::vector<std::string> names;
    for (int i = 0; i < most; i++) {
        char name[64];
        std::snprintf(name, sizeof name, "\\写真表%02d.jpg", i + 1);
        names.push_back(folder + name);
    }
    double t = now_ms();
    if (!write_camera_photo(names[0])) {
        std::printf("print bench: could not write %s\n", names[0].c_str());
        return 1;
    }
    for (int i = 1; i < most; i++) CopyFileA(names[0].c_str(), names[i].c_str(), FALSE);
    std::printf("%d camera photos 4000x3000 q90 made (%.1f s)\n", most, (now_ms() - t) / 1000);
    std::vector<char*> pointers;
    for (std::string& n : names) pointers.push_back(&n[0]);
    std::vector<unsigned char> marks(most);

    const layout layouts[] = {
        {"default 4x4 page, 16 photos", 16, default_page, 100, 10},
        {"contact sheet, 16 photos", 16, preset_contact_sheet, 100, 10},
        {"3x4 pages, 24 photos", 24, three_by_four, 0, 0},
        {"one photo in a 4x4 cell", 1, default_page, 0, 0},
    };
    for (const layout& l : layouts) {
        print_settings_record& r = print_settings.record;
        r.version = PRINT_SETTINGS_VERSION;
        print_settings_defaults(&r);
        l.arrange(&r);
        for (int i = 0; i < most; i++) marks[i] = i < l.photos;
        print_settings.job = {most, marks.data(), l.photos, pointers.data()};
        print_settings.page_filter = -1;
        layout_cells();
        double recorded = recording_mb();
        DeleteFileA(bench::test_printer_output);
        t = now_ms();
        print_pages();
        double seconds = (now_ms() - t) / 1000, mb = file_mb(bench::test_printer_output);
        bool ok = (!l.spool_target_mb || (mb >= 0 && mb < l.spool_target_mb)) &&
                  (!l.time_target_s || seconds < l.time_target_s);
        std::printf(
            "%-30s %d page(s): spool %.1f MB, %.1f s, first page recorded in %.1f MB%s\n", l.name,
            print_settings.pages_sent, mb, seconds, recorded,
            l.spool_target_mb ? (ok ? "  (target < 100 MB, < 10 s: met)" : "  (target < 100 MB, < 10 s: MISSED)") : "");
    }
    for (const std::string& n : names) DeleteFileA(n.c_str());
    RemoveDirectoryA(folder.c_str());
    release_printer();
    return 0;
}
