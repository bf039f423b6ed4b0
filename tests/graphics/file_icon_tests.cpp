// The shell's icon of a file: kinds that show one icon for every file are
// asked for once and must still look exactly as the shell draws each file's
// icon; kinds whose icon lives in the file are never shared.
#include "graphics/kavtrel.h"
#include "base/holders.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <shellapi.h>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The icon drawn on white, as 32 x 32 pixels; empty without an icon.
std::vector<uint32_t> drawn(HICON icon)
{
    icon_holder held(icon);
    if (!icon) return {};
    BITMAPINFO bi = {};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 32, -32, 1, 32, BI_RGB};
    void* bits = nullptr;
    created_dc dc(CreateCompatibleDC(nullptr));
    owned_object canvas(CreateDIBSection(dc.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!canvas.get() || !bits) return {};
    {
        selected_object into(dc.get(), canvas.get());
        PatBlt(dc.get(), 0, 0, 32, 32, WHITENESS);
        DrawIcon(dc.get(), 0, 0, icon);
        GdiFlush();
    }
    auto* p = static_cast<uint32_t*>(bits);
    return std::vector<uint32_t>(p, p + 32 * 32);
}

std::vector<uint32_t> shell_drawn(const std::string& path)
{
    SHFILEINFOA info{};
    return SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_ICON) ? drawn(info.hIcon) : drawn(nullptr);
}

void put16(std::string& s, size_t at, uint16_t v) { memcpy(&s[at], &v, 2); }
void put32(std::string& s, size_t at, uint32_t v) { memcpy(&s[at], &v, 4); }

// A program (a copy of this one) whose icon is a 32 x 32 square of one colour,
// put into it as a real icon resource.
std::string program_with_icon(const bench::scratch_dir& dir, const std::string& as, uint32_t bgr)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string to = dir.file(as);
    EXPECT_TRUE(CopyFileA(self, to.c_str(), FALSE));
    // The icon image: header of double height, 24-bit rows, the AND mask all opaque.
    std::string image(40 + 32 * 32 * 3 + 32 * 4, '\0');
    put32(image, 0, 40);
    put32(image, 4, 32);
    put32(image, 8, 64);
    put16(image, 12, 1);
    put16(image, 14, 24);
    for (size_t at = 40; at < 40 + 32 * 32 * 3; at += 3) memcpy(&image[at], &bgr, 3);
    std::string group(6 + 14, '\0');
    put16(group, 2, 1);
    put16(group, 4, 1);
    group[6] = group[7] = 32;
    put16(group, 10, 1);
    put16(group, 12, 24);
    put32(group, 14, static_cast<uint32_t>(image.size()));
    put16(group, 18, 1);
    HANDLE update = BeginUpdateResourceA(to.c_str(), FALSE);
    EXPECT_TRUE(update);
    if (!update) return to;
    WORD lang = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    EXPECT_TRUE(UpdateResourceA(update, MAKEINTRESOURCEA(3), MAKEINTRESOURCEA(1), lang, &image[0],
                                static_cast<DWORD>(image.size())));  // RT_ICON
    EXPECT_TRUE(UpdateResourceA(update, MAKEINTRESOURCEA(14), MAKEINTRESOURCEA(1), lang, &group[0],
                                static_cast<DWORD>(group.size())));  // RT_GROUP_ICON
    EXPECT_TRUE(EndUpdateResourceA(update, FALSE));
    return to;
}

// A file class registered for the test, taken away after it.
struct registered_class {
    std::string ext, type;
    registered_class(const std::string& e, const std::string& t, const char* default_icon) : ext(e), type(t)
    {
        RegSetValueA(HKEY_CLASSES_ROOT, ext.c_str(), REG_SZ, type.c_str(), 0);
        RegSetValueA(HKEY_CLASSES_ROOT, (type + "\\DefaultIcon").c_str(), REG_SZ, default_icon, 0);
    }
    ~registered_class()
    {
        RegDeleteKeyA(HKEY_CLASSES_ROOT, (type + "\\DefaultIcon").c_str());
        RegDeleteKeyA(HKEY_CLASSES_ROOT, type.c_str());
        RegDeleteKeyA(HKEY_CLASSES_ROOT, ext.c_str());
    }
};

TEST(FileIcon, EveryFileShowsTheShellsIconForIt)
{
    bench::scratch_dir dir;
    registered_class own(".zoteown", "zoteown_file", "%1");
    struct named {
        const char* name;
        uint32_t icon;  // a program with an icon of this colour; 0: a small text
    };
    const named files[] = {
        {"表示1.xyz", 0},
        {"ソ2.xyz", 0},
        {"能.txt", 0},
        {"表.TXT", 0},
        {"表示00003.zip", 0},
        {"ソ", 0},
        {"表示.exe", 0x0000ff},
        {"ソ.exe", 0xff0000},
        {"能.zoteown", 0x0000ff},
        {"表.zoteown", 0xff0000},
    };
    std::vector<std::string> paths;
    for (const named& f : files)
        paths.push_back(f.icon ? program_with_icon(dir, f.name, f.icon) : dir.write(f.name, "x"));
    // Twice over: the second round meets every kind asked for before.
    for (int round = 0; round < 2; round++)
        for (const std::string& p : paths) {
            std::vector<uint32_t> want = shell_drawn(p);
            ASSERT_FALSE(want.empty()) << p;
            EXPECT_EQ(drawn(file_icon(p.c_str())), want) << p << " round " << round;
        }
    // Files of a class whose icon is the file's own keep their own.
    EXPECT_NE(shell_drawn(paths[8]), shell_drawn(paths[9]));
}

TEST(FileIcon, AFolderNamedLikeAFileShowsTheFoldersIcon)
{
    bench::scratch_dir dir;
    std::string text = dir.write("表.txt", "x");
    std::string folder = dir.file("ソ.txt");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    EXPECT_FALSE(drawn(file_icon(text.c_str())).empty());
    std::vector<uint32_t> want = shell_drawn(folder);
    EXPECT_EQ(drawn(file_icon(folder.c_str())), want);
    EXPECT_NE(want, shell_drawn(text));
}

}  // namespace
