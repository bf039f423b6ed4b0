// String and path helpers on cp932 text: trail bytes of 0x5C, the last
// character of names like 画像, bounded results and the size text.
#include "files/files.h"
#include "files/internal.h"  // small helpers and registry key paths, called directly
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>

namespace {

// A buffer of cap bytes between canaries.
struct guarded {
    enum { PAD = 32 };
    std::string store;
    size_t cap;
    explicit guarded(size_t c, const char* init = "") : store(c + 2 * PAD, '\xAA'), cap(c)
    {
        strncpy(buf(), init, cap - 1);
        buf()[cap - 1] = 0;
    }
    char* buf() { return &store[PAD]; }
    bool canaries_intact() const
    {
        for (size_t i = 0; i < PAD; i++)
            if (store[i] != '\xAA' || store[PAD + cap + i] != '\xAA') return false;
        return true;
    }
};

std::string repeat(const std::string& s, size_t n)
{
    std::string r;
    for (size_t i = 0; i < n; i++) r += s;
    return r;
}

}  // namespace

TEST(Strings, TrailByte5CIsNoSeparator)
{
    for (const char* ch : {"表", "ソ", "能", "予"}) {
        std::string dir = std::string("C:\\a\\") + ch;
        char path[PATH_BUF];
        text_copy(path, dir.c_str());
        EXPECT_STREQ(file_name_of(path), ch);
        remove_backslash(path);
        EXPECT_EQ(std::string(path), dir);
        char parent[PATH_BUF];
        ASSERT_TRUE(parent_folder(path, parent));
        EXPECT_STREQ(parent, "C:\\a\\");
        std::string with_ext = dir + ".jpg";
        text_copy(path, with_ext.c_str());
        strip_extension(path);
        EXPECT_EQ(std::string(path), dir);
        EXPECT_EQ(has_extension(with_ext.c_str(), ".JPG"), 1);
        // A name that is just the character: "." means no extension.
        EXPECT_EQ(has_extension(ch, "."), 1);
        text_copy(path, dir.c_str());
        ASSERT_TRUE(add_backslash(path));
        EXPECT_EQ(std::string(path), dir + "\\");
        // Quotes, tokens and trims around the character.
        std::string line = " \"" + dir + "\" " + ch + "  ";
        text_copy(path, line.c_str());
        char* rest = next_arg(path);
        ASSERT_NE(rest, nullptr);
        trim_right(rest);
        EXPECT_STREQ(rest, ch);
        unquote(path);
        EXPECT_EQ(std::string(path), dir);
    }
}

// A case key stands for a name wherever names are compared without regard to
// case: equal keys exactly for the names the compare takes as one. ッ and ィ
// differ only in a trail byte that a byte-wise fold would take for "b".
TEST(Strings, CaseKeysAgreeWithTheCompare)
{
    const struct {
        const char *a, *b;
        bool same;
    } rows[] = {
        {"C:\\写真\\P0001表.JPG", "c:\\写真\\p0001表.jpg", true},
        {"ＡＢ能.jpg", "ａｂ能.JPG", true},
        {"ッソ.jpg", "ィソ.jpg", false},
        {"表示.jpg", "表示.jpeg", false},
    };
    for (const auto& r : rows) {
        char a[PATH_BUF], b[PATH_BUF];
        ASSERT_TRUE(text_case_key(a, sizeof a, r.a) && text_case_key(b, sizeof b, r.b));
        EXPECT_EQ(strcmp(a, b) == 0, r.same) << r.a << " " << r.b;
        EXPECT_EQ(text_equal_ci(r.a, r.b) != 0, r.same) << r.a << " " << r.b;
    }
    char small[4];
    EXPECT_FALSE(text_case_key(small, sizeof small, "表示.jpg"));
}

TEST(Strings, LastCharacterByForwardScan)
{
    char path[PATH_BUF] = "C:\\画像\\";
    ASSERT_TRUE(add_backslash(path));
    EXPECT_STREQ(path, "C:\\画像\\");
    char quoted[PATH_BUF] = " \"C:\\画像\" ";
    unquote(quoted);
    EXPECT_STREQ(quoted, "C:\\画像");
    char line[PATH_BUF] = "画像 \r\n";
    trim_right(line);
    EXPECT_STREQ(line, "画像");
    char eq[PATH_BUF] = "C:\\＝\\";
    ASSERT_TRUE(add_backslash(eq));
    EXPECT_STREQ(eq, "C:\\＝\\");
    char parent[PATH_BUF];
    EXPECT_STREQ(parent_folder("C:\\画像\\x", parent), "C:\\画像\\");
}

TEST(Strings, TrimsAndTokens)
{
    char s[64] = "abc \r\n \n";
    trim_right(s);
    EXPECT_STREQ(s, "abc");
    char blanks[16] = "    ";
    trim(blanks);
    EXPECT_STREQ(blanks, "");
    char left[16] = "  x y ";
    EXPECT_STREQ(trim_left(left), "x y ");
    EXPECT_EQ(trim_left(nullptr), nullptr);
    const char* t = "  \"a b\" c";
    EXPECT_EQ(token_end(t), t + 7);
    EXPECT_STREQ(skip_blanks("  q"), "q");
    EXPECT_EQ(is_empty_str(nullptr), 1);
    EXPECT_EQ(is_empty_str(""), 1);
    EXPECT_EQ(is_empty_str(" "), 0);
}

TEST(Strings, NextArgAndUnquote)
{
    char line[64] = "copy \"a b\" c";
    char* rest = next_arg(line);
    EXPECT_STREQ(line, "copy");
    ASSERT_NE(rest, nullptr);
    EXPECT_STREQ(rest, "\"a b\" c");
    char alone[16] = "copy";
    EXPECT_EQ(next_arg(alone), nullptr);
    EXPECT_STREQ(alone, "copy");
    char blanks[16] = "   ";
    EXPECT_EQ(next_arg(blanks), nullptr);
    EXPECT_STREQ(blanks, "");
    char trailing[16] = " a   ";
    EXPECT_EQ(next_arg(trailing), nullptr);
    EXPECT_STREQ(trailing, " a");
    EXPECT_EQ(next_arg(nullptr), nullptr);

    char q[64] = "  \"C:\\My Pictures\"  ";
    unquote(q);
    EXPECT_STREQ(q, "C:\\My Pictures");
    char pair[64] = "say \"\"hi\"\"";
    unquote(pair);
    EXPECT_STREQ(pair, "say \"hi\"");
    char lone[8] = "\"";
    unquote(lone);
    EXPECT_STREQ(lone, "");
    char run[16] = "a\"\"\"b";
    unquote(run);
    EXPECT_STREQ(run, "a\"b");
}

TEST(Strings, JoinAndParentResults)
{
    char out[PATH_BUF];
    ASSERT_TRUE(path_join(out, "C:\\a\\", "b"));
    EXPECT_STREQ(out, "C:\\a\\b");
    ASSERT_TRUE(path_join(out, "C:\\", "b"));
    EXPECT_STREQ(out, "C:\\b");
    ASSERT_TRUE(path_join(out, "C:\\a", "\\b"));
    EXPECT_STREQ(out, "C:\\a\\b");
    ASSERT_TRUE(path_join(out, "   ", "b"));
    EXPECT_STREQ(out, "\\b");
    ASSERT_TRUE(path_join(out, "", " b "));
    EXPECT_STREQ(out, " b ");
    ASSERT_TRUE(path_join(out, "C:\\表", "能"));
    EXPECT_STREQ(out, "C:\\表\\能");
    char same[PATH_BUF] = "C:\\x";
    ASSERT_TRUE(path_join(same, same, "y"));
    EXPECT_STREQ(same, "C:\\x\\y");

    EXPECT_STREQ(parent_folder("C:", out), "C:\\");
    EXPECT_STREQ(parent_folder("C:\\", out), "C:\\");
    EXPECT_STREQ(parent_folder("abc", out), "abc\\");
    EXPECT_STREQ(parent_folder("", out), "\\");
    EXPECT_STREQ(parent_folder("C:\\a\\b", out), "C:\\a\\");
    EXPECT_STREQ(parent_folder("C:\\a\\b\\", out), "C:\\a\\");
    char own[PATH_BUF] = "C:\\a\\b";
    EXPECT_EQ(parent_folder(own, own), own);
    EXPECT_STREQ(own, "C:\\a\\");
}

TEST(Strings, ExtensionsAndDriveRoots)
{
    EXPECT_EQ(has_extension("C:\\x\\name", "."), 1);
    EXPECT_EQ(has_extension("C:\\x\\name.", "."), 1);
    EXPECT_EQ(has_extension("C:\\x\\name.txt", "."), 0);
    EXPECT_EQ(has_extension("C:\\x\\PIC.JPG", ".jpg"), 1);
    EXPECT_EQ(has_extension("C:\\x\\jpg", ".jpg"), 0);
    EXPECT_EQ(has_extension("a.lzh", ".lzhx"), 0);
    // The tail must start at a character: "ア" is 83 41, "A" alone must not match its trail.
    EXPECT_EQ(has_extension("xア", "A"), 0);
    EXPECT_EQ(is_drive_root("C:\\"), 1);
    EXPECT_EQ(is_drive_root("C:"), 1);
    EXPECT_EQ(is_drive_root("C:x"), 1);
    EXPECT_EQ(is_drive_root("C:\\a"), 0);
    EXPECT_EQ(is_drive_root("1:"), 0);
    EXPECT_STREQ(file_name_of("C:name"), "name");
    EXPECT_STREQ(file_name_of("plain"), "plain");
}

TEST(Strings, FormatSizeTable)
{
    struct {
        double x;
        const char* text;
    } rows[] = {
        {0, "0KB"},           {1, "0.001KB"},   {99, "0.099KB"},       {100, "0.10KB"},    {999, "1.00KB"},
        {1000, "1.0KB"},      {9999, "10.0KB"}, {10000, "10KB"},       {999999, "1000KB"}, {1e6, "1.0MB"},
        {9999999, "10.0MB"},  {1e7, "10MB"},    {123456789, "123MB"},  {1e9, "1.0GB"},     {1e10, "10GB"},
        {1e12 - 1, "1000GB"}, {1e12, "1.00TB"}, {1e13 - 1, "10.00TB"}, {1e13, "10TB"},
    };
    for (auto& r : rows) EXPECT_STREQ(format_size(r.x), r.text) << r.x;
    const char* a = format_size(1);
    const char* b = format_size(2e6);
    EXPECT_STREQ(a, "0.001KB");
    EXPECT_STREQ(b, "2.0MB");
    const char* c = format_size(5);
    EXPECT_EQ(c, a);
    EXPECT_STREQ(b, "2.0MB");
    // A huge size never overruns its 50-byte buffer.
    EXPECT_LT(strlen(format_size(1e300)), 50u);
}

TEST(Strings, BoundedJoinFailsInsteadOfCutting)
{
    // Results of 259, 260 and 261 bytes: only the first fits.
    for (size_t len : {259u, 260u, 261u}) {
        std::string folder = "C:\\" + std::string(len - 5, 'f');  // len - 2 bytes
        guarded out(PATH_BUF);
        bool ok = path_join(out.buf(), out.cap, folder.c_str(), "b");
        EXPECT_TRUE(out.canaries_intact());
        if (folder.size() + 2 <= 259) {
            EXPECT_TRUE(ok) << len;
            EXPECT_EQ(strlen(out.buf()), folder.size() + 2);
        } else {
            EXPECT_FALSE(ok) << len;
            EXPECT_STREQ(out.buf(), "");
        }
    }
    std::string big = "C:\\" + repeat("画像", 75);  // 303 bytes, 153 characters
    guarded out(PATH_BUF);
    EXPECT_FALSE(path_join(out.buf(), out.cap, big.c_str(), "x"));
    EXPECT_FALSE(path_join(out.buf(), out.cap, "C:\\a", big.c_str()));
    EXPECT_EQ(parent_folder(big.c_str(), out.buf(), out.cap), nullptr);
    EXPECT_STREQ(out.buf(), "");
    std::string four_k(4096, 'x');
    EXPECT_FALSE(path_join(out.buf(), out.cap, four_k.c_str(), "x"));
    EXPECT_EQ(parent_folder(four_k.c_str(), out.buf(), out.cap), nullptr);
    EXPECT_TRUE(out.canaries_intact());

    // add_backslash at the edge: 259 bytes of text leave no room.
    guarded full(PATH_BUF, std::string(259, 'a').c_str());
    EXPECT_FALSE(add_backslash(full.buf(), full.cap));
    EXPECT_EQ(strlen(full.buf()), 259u);
    guarded room(PATH_BUF, std::string(258, 'a').c_str());
    EXPECT_TRUE(add_backslash(room.buf(), room.cap));
    EXPECT_EQ(strlen(room.buf()), 259u);
    EXPECT_TRUE(full.canaries_intact() && room.canaries_intact());

    guarded fmt(PATH_BUF, "C:\\");
    EXPECT_TRUE(strcat_printf(fmt.buf(), fmt.cap, "%s", std::string(256, 'z').c_str()));
    EXPECT_FALSE(strcat_printf(fmt.buf(), fmt.cap, "%s", "q"));
    EXPECT_EQ(strlen(fmt.buf()), 259u);
    EXPECT_TRUE(fmt.canaries_intact());
}

TEST(Strings, ReplaceAllIsBoundedAndEnds)
{
    guarded s(PATH_BUF, "a\\b\\c");
    EXPECT_TRUE(replace_all(s.buf(), s.cap, "\\", "/"));
    EXPECT_STREQ(s.buf(), "a/b/c");
    // The replacement holds the token: one pass, no endless loop.
    guarded grow(PATH_BUF, "x-x");
    EXPECT_TRUE(replace_all(grow.buf(), grow.cap, "x", "xx"));
    EXPECT_STREQ(grow.buf(), "xx-xx");
    // A trail byte 0x5C is not a backslash.
    guarded dbcs(PATH_BUF, "表\\ソ");
    EXPECT_TRUE(replace_all(dbcs.buf(), dbcs.cap, "\\", "/"));
    EXPECT_STREQ(dbcs.buf(), "表/ソ");
    // A result past the buffer fails and leaves the text as it was.
    std::string many(200, '*');
    guarded over(PATH_BUF, many.c_str());
    EXPECT_FALSE(replace_all(over.buf(), over.cap, "*", "ab"));
    EXPECT_EQ(std::string(over.buf()), many);
    EXPECT_TRUE(s.canaries_intact() && grow.canaries_intact() && over.canaries_intact());
    EXPECT_TRUE(replace_all(over.buf(), over.cap, "", "x"));
    EXPECT_TRUE(replace_all(over.buf(), over.cap, "q", "x"));
}

TEST(Strings, ExpandTabsIsBounded)
{
    char s[64] = "a\tbc\t画\td  ";
    EXPECT_TRUE(expand_tabs(s, sizeof s, 4));
    EXPECT_STREQ(s, "a   bc  画  d");
    guarded tabs(512, std::string(300, '\t').c_str());
    EXPECT_FALSE(expand_tabs(tabs.buf(), tabs.cap, 8));
    EXPECT_EQ(strlen(tabs.buf()), 504u);  // whole tab stops only, below 512
    EXPECT_TRUE(tabs.canaries_intact());
    std::string long_tabs(4096, '\t');
    guarded big(4096 + 1, long_tabs.c_str());
    EXPECT_FALSE(expand_tabs(big.buf(), big.cap, 4));
    EXPECT_LT(strlen(big.buf()), 1024u);
    EXPECT_TRUE(big.canaries_intact());
    char none[16] = "abc  ";
    EXPECT_TRUE(expand_tabs(none, sizeof none, 4));
    EXPECT_STREQ(none, "abc");
}

TEST(Strings, PathEnvironmentByWholeEntries)
{
    char saved[32768];
    DWORD had = GetEnvironmentVariableA("PATH", saved, sizeof saved);
    std::string path = std::string(300, 'p') + ";C:\\windows\\system32; C:\\Windows ;C:\\表";
    SetEnvironmentVariableA("PATH", path.c_str());
    EXPECT_EQ(is_in_path_env("C:\\windows"), 1);
    EXPECT_EQ(is_in_path_env("c:\\WINDOWS\\SYSTEM32"), 1);
    EXPECT_EQ(is_in_path_env("C:\\表"), 1);
    EXPECT_EQ(is_in_path_env("C:\\win"), 0);
    EXPECT_EQ(is_in_path_env(""), 0);
    SetEnvironmentVariableA("PATH", had ? saved : nullptr);
}

TEST(Strings, RegistryKeyPath)
{
    HKEY key = reg_open_key_path(HKEY_CURRENT_USER, "Software \"Zote Test Key\" Sub", 1);
    EXPECT_EQ(key, nullptr);
    key = reg_open_key_path(HKEY_CURRENT_USER, "Software \"Zote Test Key\" Sub", 0);
    ASSERT_NE(key, nullptr);
    RegCloseKey(key);
    HKEY check;
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Zote Test Key\\Sub", &check), ERROR_SUCCESS);
    RegCloseKey(check);
    key = reg_open_key_path(HKEY_CURRENT_USER, "Software \"Zote Test Key\" Sub", 1);
    EXPECT_NE(key, nullptr);
    RegCloseKey(key);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Zote Test Key\\Sub");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Zote Test Key");
    EXPECT_EQ(reg_open_key_path(HKEY_CURRENT_USER, "", 0), nullptr);
}
