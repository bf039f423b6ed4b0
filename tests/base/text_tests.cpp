// Bounded cp932 text: character walking and copies that never cut silently.
#include "base/cptext.h"
#include <gtest/gtest.h>
#include <cstring>

TEST(Text, LastCharacterIsFoundByForwardScan)
{
    const char* s = "C:\\画像\\";  // the byte before the final backslash is a trail byte 0x9C
    EXPECT_STREQ(mb_last(s), "\\");
    const char* t = "C:\\画像";
    EXPECT_STREQ(mb_last(t), "像");
    EXPECT_EQ(mb_strrchr(t, '\\'), t + 2);
    EXPECT_EQ(mb_strchr("表", '\\'), nullptr);  // 表 = 95 5C
}

TEST(Text, CopyAndFormatFailRatherThanCut)
{
    char buf[8];
    EXPECT_TRUE(text_copy(buf, "1234567"));
    EXPECT_FALSE(text_copy(buf, "12345678"));
    EXPECT_STREQ(buf, "");
    EXPECT_TRUE(text_copy(buf, "abc"));
    EXPECT_FALSE(text_append(buf, "defgh"));
    EXPECT_STREQ(buf, "abc");
    EXPECT_TRUE(text_append(buf, "defg"));
    EXPECT_STREQ(buf, "abcdefg");
    EXPECT_FALSE(text_format(buf, sizeof buf, "%d", 123456789));
    EXPECT_STREQ(buf, "");
    text_format_cut(buf, sizeof buf, "ab%s", "画像画像");  // 7 bytes room: "ab" + 画像 (4) + half
    EXPECT_STREQ(buf, "ab画像");
}
