// The outside image components joined at start-up: plug-ins found beside the
// installed program enable their kinds and load through the image hooks;
// the scanner's source manager is loaded with the browser and unloaded with
// the console.
#include "browser/commands/image_plugins.h"
#include "browser/model/image_kinds.h"
#include "browser/model/start.h"
#include "formats/formats.h"
#include "graphics/kavtrel.h"
#include "tests/formats/susie_fixtures.h"
#include <gtest/gtest.h>

TEST(ImagePlugins, PluginsBesideTheInstalledProgramEnableTheirKinds)
{
    scoped_restore<int[IMAGE_KIND_COUNT]> keep_switches{image_kind_enabled};
    scoped_restore<int (*)(const char*)> keep_lookup{image_plugin_lookup};
    scoped_restore<image_format_hook_table> keep_hooks{image_format_hooks};
    scoped_restore<void (*)()> keep_unload{scanner_unload_hook};
    plugin_folder installed;
    ASSERT_TRUE(installed.install("ifmag.spi"));
    susie_plugin_folder[0] = 0;
    install_image_plugins(installed.dir.file("zote.exe").c_str());
    EXPECT_EQ(installed.dir.path() + std::string("\\"), susie_plugin_folder);
    init_image_kinds();
    EXPECT_EQ(1, image_kind_enabled[KIND_MAG]);
    EXPECT_EQ(0, image_kind_enabled[KIND_PI]);
    EXPECT_EQ(0, image_kind_enabled[KIND_PIC]);
    std::string picture = installed.dir.write("x.mag", "P6 3 2 255\n" + std::string(18, '\x7f'));
    int w = 0, h = 0, xd, yd;
    EXPECT_EQ(1, _image_info(picture.c_str(), &w, &h, &xd, &yd));
    EXPECT_EQ(3, w);
    EXPECT_EQ(2, h);
    _bmap* b = _bmap_load(picture.c_str(), 0, 1.0);
    ASSERT_TRUE(b);
    EXPECT_EQ(3, b->width);
    EXPECT_EQ(0x7f, b->pixels[0]);
    _bmap_delete(b);
    EXPECT_EQ(unload_twain_dsm, scanner_unload_hook);
}
