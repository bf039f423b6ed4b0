// The preview draws the browser's cached thumbnails, sized and placed as the
// paper shows the real pictures, and leaves the cache's slots holding them.
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

// The cells' drawn rectangles of page 0, in the preview or for paper.
std::vector<RECT> drawn_cells(int preview)
{
    print_settings.preview = preview;
    std::vector<RECT> out;
    for (const emf_record& r : records_of_type(records_of(render_print_pages(0)), EMR_STRETCHDIBITS)) {
        const EMRSTRETCHDIBITS& d = r.as<EMRSTRETCHDIBITS>();
        if (preview && d.cxSrc >= 400) out.push_back({});  // the file itself, not a thumbnail
        else out.push_back({d.xDest, d.yDest, d.xDest + d.cxDest, d.yDest + d.cyDest});
    }
    print_settings.preview = 0;
    return out;
}

// In a child process: page 1 shows a folder of a picture larger than its
// print cell and one smaller than the cell but larger than its thumbnail; the
// preview renders page 0 from the thumbnails and must draw each picture where
// and as large as the paper does, in every size mode. Exit code 0 when all is well.
ZOTE_CHILD(preview_from_thumbnails)
{
    if (!printer_ready() || !select_printer(nullptr)) return 10;
    bench::scratch_dir dir;
    write_bmp(dir.file("a.bmp"), 400, 300);
    write_bmp(dir.file("b.bmp"), 160, 120);
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
    if (print_settings.cell_width <= 160 || print_settings.cell_height <= 120) return 13;
    for (int mode : {1, 0, 2}) {
        print_settings.record.size_mode = mode;
        std::vector<RECT> preview = drawn_cells(1), paper = drawn_cells(0);
        if (preview.size() != 2 || paper.size() != 2) return 14;
        for (int i = 0; i < 2; i++) {
            const RECT &p = preview[i], &q = paper[i];
            printf("size mode %d cell %d: preview %ld,%ld-%ld,%ld paper %ld,%ld-%ld,%ld\n", mode, i, p.left, p.top,
                   p.right, p.bottom, q.left, q.top, q.right, q.bottom);
            if (p.right == 0) return 15;
            if (std::abs(p.left - q.left) > 2 || std::abs(p.top - q.top) > 2 || std::abs(p.right - q.right) > 2 ||
                std::abs(p.bottom - q.bottom) > 2)
                return 16;
        }
    }
    for (int i = 0; i < 2; i++) {
        int slot = thumb_image_index(i, &thumb_cache);
        if (slot < 1 || _page_info(slot).kind < 0) return 17;
    }
    use_printer_dc(nullptr);
    return 0;
}

TEST(PreviewThumbnails, ThePreviewShowsTheCachedThumbnailsAsThePaperShowsThePictures)
{
    bench::child_result r = bench::run_child("preview_from_thumbnails");
    EXPECT_EQ(r.exit_code, 0u) << r.output;
}

}  // namespace
