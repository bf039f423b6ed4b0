// Image kinds by extension with their switches, and the text-file list.
#include "browser/model/image_kinds.h"
#include "browser/model/paths.h"
#include "tests/support/restore.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <string>

namespace {
struct kinds_restored {
    scoped_restore<int[IMAGE_KIND_COUNT]> keep_switches{image_kind_enabled};
    scoped_restore<int (*)(const char*)> keep_lookup{image_plugin_lookup};
};
}  // namespace

TEST(ImageKinds, EachExtensionCaseInsensitively)
{
    kinds_restored restore;
    for (int k = 0; k < IMAGE_KIND_COUNT; k++) image_kind_enabled[k] = 1;
    struct {
        const char* name;
        int kind;
    } cases[] = {
        {"a.bmp", KIND_BMP},   {"a.CUR", KIND_CUR}, {"a.Emf", KIND_EMF},
        {"a.gif", KIND_GIF},   {"a.ICO", KIND_ICO}, {"a.jpg", KIND_JPG},
        {"a.JPEG", KIND_JPG},  {"a.jpe", KIND_JPG}, {"a.mag", KIND_MAG},
        {"a.PDD", KIND_PDD},   {"a.pdf", KIND_PDF}, {"a.pi", KIND_PI},
        {"a.PIC", KIND_PIC},   {"a.p2", KIND_P2},   {"a.png", KIND_PNG},
        {"a.psd", KIND_PSD},   {"a.Q4", KIND_Q4},   {"a.tif", KIND_TIF},
        {"a.tiff", KIND_TIF},  {"a.WMF", KIND_WMF}, {"C:\\表\\ソ.JPG", KIND_JPG},
        {"d.b.png", KIND_PNG},
    };
    for (auto& c : cases) EXPECT_EQ(image_kind_of_path(c.name), c.kind + 1) << c.name;
    EXPECT_EQ(image_kind_of_path("a.tar.gz"), 0);
    EXPECT_STREQ(file_ext_of("a.tar.gz"), ".gz");
    EXPECT_EQ(image_kind_of_path("jpg"), 0);       // no dot: no kind
    EXPECT_EQ(image_kind_of_path("a.jpg\\b"), 0);  // the dot is in the folder part
    EXPECT_EQ(image_kind_of_path("a.jpgx"), 0);
    EXPECT_EQ(image_kind_of_ext(".PNG"), KIND_PNG + 1);
    EXPECT_STREQ(image_kind_keys[KIND_P2], "P2");

    image_kind_enabled[KIND_JPG] = 0;
    EXPECT_EQ(image_kind_of_path("a.jpeg"), 0);
    EXPECT_EQ(image_kind_of_path("a.jpg"), 0);
    EXPECT_EQ(image_kind_of_ext2(".jpg", KIND_JPG), KIND_JPG + 1);  // available though switched off
    EXPECT_EQ(image_kind_of_ext2(".png", KIND_JPG), 0);
}

TEST(ImageKinds, PluginKindsNeedTheirPlugin)
{
    kinds_restored restore;
    init_image_kinds();
    for (int k = 0; k < IMAGE_KIND_COUNT; k++) EXPECT_EQ(image_kind_enabled[k], is_plugin_kind(k) ? 0 : 1) << k;
    EXPECT_EQ(image_kind_of_path("a.mag"), 0);
    EXPECT_EQ(image_kind_of_ext2(".q4", KIND_Q4), 0);

    image_plugin_lookup = [](const char* name) { return lstrcmpiA(name, "x.mag") == 0 ? 3 : 0; };
    init_image_kinds();
    EXPECT_EQ(image_kind_of_path("a.MAG"), KIND_MAG + 1);
    EXPECT_EQ(image_kind_of_path("a.pi"), 0);
    EXPECT_EQ(image_kind_of_ext2(".mag", KIND_MAG), KIND_MAG + 1);
}

TEST(StringTables, DoubleByteAwareAndNullFindsDot)
{
    const char* const table[] = {".ア", ".", ".txt", ""};
    EXPECT_EQ(find_in_string_table(".ッ", table), 0);  // a byte-wise fold calls these equal
    EXPECT_EQ(find_in_string_table(".ア", table), 1);
    EXPECT_EQ(find_in_string_table(nullptr, table), 2);
    EXPECT_EQ(find_in_string_table(".TXT", table), 3);
    EXPECT_EQ(find_in_string_table(".c", table), 0);
}

TEST(TextExtensions, DefaultListAndParsing)
{
    parse_text_ext_list(default_text_extensions);
    ASSERT_EQ(text_ext_list.count, 20);
    EXPECT_STREQ(text_ext_list.ext[0], ".");
    EXPECT_STREQ(text_ext_list.ext[19], ".vbs");
    EXPECT_STREQ(text_ext_list.ext[20], "");
    EXPECT_EQ(is_text_name("README"), 1);  // no extension counts as text
    EXPECT_EQ(is_text_name("表\\a.TXT"), 19);
    EXPECT_EQ(is_text_name("a.cpp"), 6);
    EXPECT_EQ(is_text_name("a.jpg"), 0);

    parse_text_ext_list(".a . .b");  // holds ". ": taken as it is
    ASSERT_EQ(text_ext_list.count, 3);
    EXPECT_STREQ(text_ext_list.ext[0], ".a");
    EXPECT_STREQ(text_ext_list.ext[1], ".");
    EXPECT_STREQ(text_ext_list.ext[2], ".b");

    std::string many;
    for (int i = 0; i < 85; i++) many += ".a ";
    many.resize(254);
    many += "z";
    parse_text_ext_list(many.c_str());  // 255 characters and ". " in front still fit
    EXPECT_EQ(text_ext_list.count, 64);
    EXPECT_STREQ(text_ext_list.ext[0], ".");
    EXPECT_STREQ(text_ext_list.ext[63], ".a");
    many.resize(12);  // ".a .a .a .a " then a last entry ending the text
    many += ".zz";
    parse_text_ext_list(many.c_str());
    EXPECT_EQ(text_ext_list.count, 6);
    EXPECT_STREQ(text_ext_list.ext[5], ".zz");

    parse_text_ext_list(default_text_extensions);
}
