// Susie plug-ins through the stand-in plug-in DLL: the choice of plug-in by
// extension, pictures equal to the program's own pixmap reader's, bad files,
// faulty plug-ins, the description list, and where plug-ins are loaded from.
#include "formats/formats.h"
#include "formats/internal.h"  // the plug-in table and extension matching, checked directly
#include "graphics/kavtrel.h"
#include "tests/formats/susie_fixtures.h"
#include "base/holders.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {

std::string pixmap(const char* magic, int w, int h, int maxval, const std::string& comments, bool text)
{
    std::string s = std::string(magic) + "\n" + comments + std::to_string(w) + " " + std::to_string(h) + "\n" +
                    std::to_string(maxval) + "\n";
    int per = magic[1] == '3' || magic[1] == '6' ? 3 : 1;
    for (int i = 0; i < w * h * per; i++) {
        int v = (i * 37 + 11) % (maxval + 1);
        if (text)
            s += std::to_string(v) + (i % 12 == 11 ? "\n" : " ");
        else if (maxval > 255)
            s += std::string{(char)(v >> 8), (char)(v & 255)};
        else
            s += (char)v;
    }
    return s;
}

}  // namespace

TEST(Susie, ChoosesThePluginByExtension)
{
    plugin_folder plugins;
    ASSERT_TRUE(plugins.install("iftiff.spi"));
    ASSERT_TRUE(plugins.install("ifpic.spi"));
    struct {
        const char* name;
        int index;
    } cases[] = {
        {"a.TIF", 1}, {"a.tiff", 1}, {"A.PIC", 7},  {"a.pic.bak", 0},
        {"a.mag", 0}, {"noext", 0},  {"表.pic", 7}, {"a.png", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(c.index, find_susie_plugin(c.name)) << c.name;
    ASSERT_TRUE(plugins.install("iftiff6.spi"));
    EXPECT_EQ(2, find_susie_plugin("b.tif"));
    EXPECT_EQ(1, susie_ext_matches("noext", "."));
    EXPECT_EQ(0, susie_ext_matches("noext", ".pic"));
}

TEST(Susie, PicturesEqualTheProgramsOwnReader)
{
    plugin_folder plugins;
    ASSERT_TRUE(plugins.install("ifmag.spi"));
    struct {
        const char* magic;
        int w, h, maxval;
        const char* comments;
        bool text;
    } cases[] = {
        {"P6", 7, 5, 255, "", false},   // colour, rows padded
        {"P5", 9, 4, 255, "", false},   // grey through an 8-bit palette
        {"P3", 3, 3, 15, "", true},     // text, rescaled
        {"P6", 5, 3, 1000, "", false},  // two bytes a sample
        {"P6", 6, 4, 255, "#topdown\n", false},
        {"P2", 4, 2, 255, "#topdown\n", true},
    };
    for (const auto& c : cases) {
        std::string bytes = pixmap(c.magic, c.w, c.h, c.maxval, c.comments, c.text);
        std::string via_plugin = plugins.dir.write("p.mag", bytes), via_reader = plugins.dir.write("p.gif", bytes);
        _bmap* mine = load_susie_file(via_plugin.c_str());
        _bmap* own = load_jpeg_file(via_reader.c_str(), 1, 0);
        ASSERT_TRUE(mine && own) << c.magic << c.comments;
        ASSERT_EQ(c.w, mine->width);
        ASSERT_EQ(c.h, mine->height);
        for (int y = 0; y < c.h; y++)
            EXPECT_EQ(0, memcmp(mine->pixels + y * mine->stride, own->pixels + y * own->stride, (size_t)c.w * 3))
                << c.magic << c.comments << " row " << y;
        int w = 0, h = 0, xd = -1, yd = -1;
        EXPECT_EQ(1, probe_susie_file(via_plugin.c_str(), &w, &h, &xd, &yd));
        EXPECT_EQ(c.w, w);
        EXPECT_EQ(c.h, h);
        _bmap_delete(mine);
        _bmap_delete(own);
    }
}

TEST(Susie, DensitiesBecomePixelsPerMetre)
{
    plugin_folder plugins;
    ASSERT_TRUE(plugins.install("ifpi.spi"));
    struct {
        const char* comments;
        LONG ppm;
    } cases[] = {{"#dpi 300\n", 11811}, {"#dpi 72\n", 2835}, {"", 0}};
    for (const auto& c : cases) {
        std::string path = plugins.dir.write("d.pi", pixmap("P6", 2, 2, 255, c.comments, false));
        _bmap* b = load_susie_file(path.c_str());
        ASSERT_TRUE(b);
        EXPECT_EQ(c.ppm, b->header.biXPelsPerMeter) << c.comments;
        EXPECT_EQ(c.ppm, b->header.biYPelsPerMeter) << c.comments;
        _bmap_delete(b);
    }
}

TEST(Susie, BadFilesAndFaultyPluginsFailCleanly)
{
    plugin_folder plugins;
    ASSERT_TRUE(plugins.install("ifmag.spi"));
    ASSERT_TRUE(plugins.install("ifpic.spi", "standin_susie_noentry.spi"));
    int live = bmap_live_count;
    const char* bad[] = {"", "P6\n", "GIF89a", "P6 4 4 255\nshort"};
    int w, h, xd, yd;
    for (const char* bytes : bad) {
        std::string path = plugins.dir.write("bad.mag", bytes);
        EXPECT_EQ(nullptr, load_susie_file(path.c_str())) << bytes;
        if (strlen(bytes) < 10) { EXPECT_EQ(0, probe_susie_file(path.c_str(), &w, &h, &xd, &yd)) << bytes; }
    }
    EXPECT_EQ(nullptr, load_susie_file(plugins.dir.file("missing.mag").c_str()));
    // A DLL of a plug-in's name without GetPicture is not taken as a plug-in.
    std::string pic = plugins.dir.write("x.pic", pixmap("P6", 2, 2, 255, "", false));
    EXPECT_EQ(0, find_susie_plugin(pic.c_str()));
    EXPECT_EQ(PROBE_NO_READER, probe_susie_file(pic.c_str(), &w, &h, &xd, &yd));  // not a damaged file
    EXPECT_EQ(nullptr, load_susie_file(pic.c_str()));
    EXPECT_EQ(live, bmap_live_count);
}

TEST(Susie, ListsTheLoadedPluginsDescriptions)
{
    plugin_folder plugins;
    char text[SUSIE_LIST_BUF];
    memset(text, 'x', sizeof text);
    EXPECT_EQ(0, list_susie_plugins(text, sizeof text));
    EXPECT_STREQ("Susie Plug-in is not loaded.", text);
    ASSERT_TRUE(plugins.install("ifpi.spi"));
    ASSERT_TRUE(plugins.install("ifmag.spi"));
    ASSERT_TRUE(plugins.install("ifpic.spi", "standin_susie_noterm.spi"));
    ASSERT_EQ(4, find_susie_plugin("a.pi"));
    ASSERT_EQ(5, find_susie_plugin("a.mag"));
    memset(text, 'x', sizeof text);
    EXPECT_EQ(2, list_susie_plugins(text, sizeof text));
    EXPECT_STREQ("Test pixmaps (ifpi.spi)\nTest pixmaps (ifmag.spi)", text);
    // A plug-in that fills all 256 bytes without a terminator gives its 256 bytes, no more.
    ASSERT_EQ(7, find_susie_plugin("a.pic"));
    memset(text, 'x', sizeof text);
    EXPECT_EQ(3, list_susie_plugins(text, sizeof text));
    EXPECT_EQ(std::string("Test pixmaps (ifpi.spi)\nTest pixmaps (ifmag.spi)\n") + std::string(256, 'A'), text);
    EXPECT_EQ(3, list_susie_plugins(nullptr, 0));
    free_susie_plugins();
    EXPECT_EQ(0, list_susie_plugins(nullptr, 0));
    free_susie_plugins();
    for (const susie_plugin& p : susie_plugin_table) EXPECT_EQ(nullptr, p.module);
}

// Plug-ins are found where a user installs them (the installed program's
// folder, the system folder, the Windows folder), always by full path, and
// never in the browsed folder, which is the current one. The system and
// Windows folders get a plug-in name no other test uses.
TEST(Susie, PluginsComeFromInstalledFoldersNeverTheBrowsedOne)
{
    char system[MAX_PATH], windows[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryA(system, sizeof system), 0u);
    ASSERT_GT(GetWindowsDirectoryA(windows, sizeof windows), 0u);
    enum where { PROGRAM, SYSTEM, WINDOWS, BROWSED };
    struct {
        where place;
        int index;
    } cases[] = {{PROGRAM, 9}, {SYSTEM, 9}, {WINDOWS, 9}, {BROWSED, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.place);
        plugin_folder plugins;
        bench::scratch_dir browsed;
        std::string folder = c.place == PROGRAM   ? plugins.dir.path()
                             : c.place == SYSTEM  ? system
                             : c.place == WINDOWS ? windows
                                                  : browsed.path();
        std::string installed = folder + "\\ifmm.spi";
        ASSERT_TRUE(CopyFileA((bench::exe_folder() + "standin_susie.spi").c_str(), installed.c_str(), FALSE));
        std::string picture = browsed.write("x.mpg", pixmap("P6", 2, 2, 255, "", false));
        {
            current_folder_kept back;
            ASSERT_TRUE(SetCurrentDirectoryA(browsed.path()));
            EXPECT_EQ(c.index, find_susie_plugin("x.mpg"));
            _bmap* b = load_susie_file("x.mpg");
            EXPECT_EQ(c.index != 0, b != nullptr);
            if (b) _bmap_delete(b);
            char loaded[MAX_PATH] = "";
            HMODULE m = susie_plugin_table[9].module;
            if (m) GetModuleFileNameA(m, loaded, sizeof loaded);
            EXPECT_EQ(0, lstrcmpiA(c.index ? installed.c_str() : "", loaded)) << loaded;
        }
        free_susie_plugins();
        DeleteFileA(installed.c_str());
    }
}
