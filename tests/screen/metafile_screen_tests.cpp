// A crafted metafile in a browsed folder: an enhanced metafile recorded by
// the system with one state record changed (a restore of a level never
// saved) is refused by its thumbnail, the viewer and the copy to the
// clipboard alike, while a sound one beside it is drawn.
#include "tests/screen/screen_bench.h"
#include "browser/model/command_ids.h"
#include "tests/graphics/metafile_seeds.h"
#include "tests/support/clipboard_lock.h"
#include <gtest/gtest.h>

TEST(Metafiles, ARestoreOfALevelNeverSavedIsRefusedEverywhere)
{
    bench::scratch_dir dir;
    std::string album = dir.file("図表ソ"), crafted = seeds::rich_emf(dir);
    size_t restore = seeds::find_record(seeds::emf_records(crafted), EMR_RESTOREDC);
    ASSERT_NE(restore, 0u);
    seeds::put(crafted, restore + 8, 0x80000000u, 4);
    screen::write_pictures(album, 0, 2);
    dir.write("図表ソ\\02壊れ表.emf", crafted);
    dir.write("図表ソ\\03正常ソ.emf", seeds::sample_emf(dir));
    screen::zote_session z(album);
    ASSERT_TRUE(z.running());
    ASSERT_TRUE(z.alive()) << "the grid: " << z.fault();
    screen::grid g = z.page_grid();
    std::vector<screen::cell_expected> cells = screen::picture_cells(0, 2);
    cells.push_back({screen::ANY_PICTURE});
    cells.push_back({screen::ANY_PICTURE});
    EXPECT_EQ(screen::check_page(z.capture(), g, cells, "metafiles"), "");
    z.move_to(g.centre(2));
    z.key(VK_RETURN);
    ASSERT_TRUE(z.alive()) << "the viewer: " << z.fault();
    EXPECT_TRUE(screen::ends_with(z.title(), " 3/4枚 - ZOTE1.67")) << z.title();
    {
        bench::clipboard_lock lock;
        PostMessageA(z.frame(), WM_COMMAND, CM_COPY_FULL_SIZE, 0);
        EXPECT_TRUE(z.settle());
    }
    ASSERT_TRUE(z.alive()) << "the copy: " << z.fault();
    z.key(VK_SPACE);
    EXPECT_TRUE(screen::ends_with(z.title(), " 4/4枚 - ZOTE1.67")) << z.title();
}
