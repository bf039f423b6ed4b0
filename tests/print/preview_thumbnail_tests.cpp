// The preview draws the browser's cached thumbnails, sized as the real
// pictures, and leaves the cache's slots holding their pictures.
#include "app/start_up.h"
#include "tests/print/print_fixtures.h"
#include "print/print.h"
#include "browser/archives/archive_folder.h"
#include "browser/model/browser_list.h"
#include "browser/grid/list_view.h"
#include "browser/model/paths.h"
#include "browser/model/start.h"
#include "browser/caches/thumb_cache.h"
#include <gtest/gtest.h>
#include <cmath>

using namespace print_fixture;

namespace {

// In a child process: page 1 shows a folder of two 400 x 300 pictures; the
// preview renders page 0 from the thumbnails. Exit code 0 when all is well.
ZOTE_CHILD(preview_from_thumbnails)
{
    if (!printer_ready() || !select_printer(nullptr)) return 10;
    bench::scratch_dir dir;
    for (const char* name : {"a.bmp", "b.bmp"}) write_bmp(dir.file(name), 400, 300);
    kavtrel_start(GetModuleHandleA(nullptr), nullptr, "");
    browser_list_init();
    install_image_format_hooks();
    start_thumbnail_cache();
    _newpage(1, 0, 0, -900, -600);
    if (!change_folder(dir.path())) return 11;
    load_folder(nullptr, 0, 0, nullptr, 0);
    if (browser_list.count < 2) return 12;
    std::vector<unsigned char> marks(browser_list.count, 1);
    print_settings_init();
    print_settings.job = {browser_list.count, marks.data(), browser_list.count, browser_list.names};
    print_settings.record.turn_to_fit = 0;
    layout_cells();
    print_settings.preview = 1;
    std::vector<emf_record> cells = records_of_type(records_of(render_print_pages(0)), EMR_STRETCHDIBITS);
    print_settings.preview = 0;
    if (cells.size() != 2) return 13;
    const EMRSTRETCHDIBITS& d = cells[0].as<EMRSTRETCHDIBITS>();
    printf("source %ld x %ld, drawn %ld x %ld\n", d.cxSrc, d.cySrc, d.cxDest, d.cyDest);
    if (d.cxSrc >= 400) return 14;  // a thumbnail, not the file
    // Drawn as the real picture fitted to the cell.
    double fit = std::fmin(print_settings.cell_width / 400, print_settings.cell_height / 300);
    if (std::fabs(d.cxDest - 400 * fit) > 2) return 15;
    for (int i = 0; i < 2; i++) {
        int slot = thumb_image_index(i, &thumb_cache);
        if (slot < 1 || _page_info(slot).kind < 0) return 16;
    }
    use_printer_dc(nullptr);
    return 0;
}

TEST(PreviewThumbnails, ThePreviewCopiesTheCachedThumbnails)
{
    bench::child_result r = bench::run_child("preview_from_thumbnails");
    EXPECT_EQ(r.exit_code, 0u) << r.output;
}

}  // namespace
