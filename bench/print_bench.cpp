// Print benchmark: camera photos (4000x3000 JPEGs) printed through the
// program's own print path to the bench's PostScript test printer (A4 at
// 600 dpi, spooled to a file), for the default 4 x 4 page of 16 photos, the
// contact sheet, two pages of 24 and one photo alone: the job's time and the
// spool's size. Floors of the job: the same decodes (libjpeg-turbo's own
// i686 djpeg at the reduction the page decodes at) with one bulk write of
// the spool's bytes; and the system's share, the printer driver playing the
// same page recordings into a job of its own. Targets: a page of 16 photos
// within 3 s on one core and 100 MB of spool, in proportion for other counts.
// The driver carries a picture as ASCII85 RGB, about 3.8 bytes per printer
// pixel: a photo drawn 1144 x 1525 pixels in a 4 x 4 cell spools 6.7 MB,
// whatever the camera's size.
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

// The ms of writing mb megabytes to a new file in one go (1 MB writes).
static double bulk_write_ms(double mb)
{
    std::string path = temp_folder() + "zote_print_bench.bulk";
    std::vector<char> block(1 << 20, 'x');
    double t = now_ms();
    {
        file_handle f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written;
        for (double left = mb * 1e6; f && left > 0; left -= block.size())
            WriteFile(f.get(), block.data(), (DWORD)block.size(), &written, nullptr);
    }
    t = now_ms() - t;
    DeleteFileA(path.c_str());
    return t;
}

// The ms of the printer driver playing the run's page recordings as a job of
// their own (the recordings made beforehand, not timed).
static double driver_ms()
{
    std::vector<HENHMETAFILE> pages;
    for (int i = 0; i < print_settings.pages_sent; i++)
        if (HENHMETAFILE page = render_print_pages(i)) pages.push_back(page);
    HDC dc = print_settings.printer_dc;
    DOCINFOA doc = {sizeof doc, "ZOTE"};
    RECT area = page_rect();
    double t = now_ms();
    if (StartDocA(dc, &doc) > 0) {
        for (HENHMETAFILE page : pages) {
            StartPage(dc);
            SetMapMode(dc, MM_ANISOTROPIC);
            SetWindowExtEx(dc, area.right, area.bottom, nullptr);
            SetViewportExtEx(dc, GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES), nullptr);
            PlayEnhMetaFile(dc, page, &area);
            EndPage(dc);
        }
        EndDoc(dc);
    }
    t = now_ms() - t;
    for (HENHMETAFILE page : pages) DeleteEnhMetaFile(page);
    return t;
}

struct layout {
    const char* name;
    int photos;
    void (*arrange)(print_settings_record*);
};

static void default_page(print_settings_record*) {}
static void three_by_four(print_settings_record* r) { r->columns = 3, r->rows = 4; }

int main()
{
    report_cpus();
    install_jpeg_hooks();
    print_settings_init();
    if (!bench::test_printer_ready() || !select_printer(nullptr)) {
        say("print bench: no test printer \"%s\"\n", bench::test_printer_name);
        return 1;
    }
    std::string folder = temp_folder() + "zote_print_bench";
    CreateDirectoryA(folder.c_str(), nullptr);
    const int most = 24;
    std::vector<std::string> names;
    for (int i = 0; i < most; i++) {
        char name[64];
        std::snprintf(name, sizeof name, "\\写真表%02d.jpg", i + 1);
        names.push_back(folder + name);
    }
    if (!write_camera_photo(names[0])) {
        say("print bench: could not write %s\n", names[0].c_str());
        return 1;
    }
    for (int i = 1; i < most; i++) CopyFileA(names[0].c_str(), names[i].c_str(), FALSE);
    std::vector<char*> pointers;
    for (std::string& n : names) pointers.push_back(&n[0]);
    std::vector<unsigned char> marks(most);

    const layout layouts[] = {
        {"default 4x4 page, 16 photos", 16, default_page},
        {"contact sheet, 16 photos", 16, preset_contact_sheet},
        {"3x4 pages, 24 photos", 24, three_by_four},
        {"one photo in a 4x4 cell", 1, default_page},
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
        int divisor = load_divisor(names[0].c_str(), print_settings.cell_width, print_settings.cell_height);
        DeleteFileA(bench::test_printer_output);
        double t = now_ms();
        print_pages();
        double job = now_ms() - t, mb = file_mb(bench::test_printer_output);
        std::string scale = divisor > 1 ? "-scale 1/" + std::to_string(divisor) : "";
        double decodes = djpeg_floor(scale, {names[0]}, 3) * l.photos + bulk_write_ms(mb);
        double driver = driver_ms();
        say("== %s: %d page(s), the photos decoded at 1/%d\n", l.name, print_settings.pages_sent, divisor);
        std::string floor_name = "decodes (djpeg" + (scale.empty() ? "" : " " + scale) + ") + one bulk write";
        report("the job (print_pages)", job, {{floor_name.c_str(), decodes}, {"the driver's playback", driver}},
               3000.0 * l.photos / 16);
        report("the spool", mb, {}, 100.0 * l.photos / 16, 0, "MB");
    }
    for (const std::string& n : names) DeleteFileA(n.c_str());
    RemoveDirectoryA(folder.c_str());
    release_printer();
    return 0;
}
