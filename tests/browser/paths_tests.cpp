// The browser's path rules on real folders, with double-byte names whose
// trail byte is 0x5C (表 95 5C, ソ 83 5C, 能 94 5C) and ア/ッ pairs.
#include "browser/archives/archive_folder.h"
#include "browser/model/paths.h"
#include "files/files.h"
#include "browser/model/browser_list.h"
#include "base/cptext.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <objbase.h>
#include <cstring>
#include <string>

namespace {
struct com_environment : testing::Environment {
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override { CoUninitialize(); }
};
testing::Environment* const com_env = testing::AddGlobalTestEnvironment(new com_environment);

// The list's tree depth for the scope.
struct depth_hook {
    explicit depth_hook(int depth) { browser_list.tree_depth = depth; }
    ~depth_hook() { browser_list.tree_depth = 0; }
};

// Restores the process's current folder and the browser's folder state.
struct folder_restored {
    char saved[MAX_PATH];
    current_folder_state state;
    folder_restored()
    {
        GetCurrentDirectoryA(MAX_PATH, saved);
        state = current_folder;
    }
    ~folder_restored()
    {
        SetCurrentDirectoryA(saved);
        current_folder = state;
    }
};
}  // namespace

TEST(EntryPaths, CutToTheListingDepth)
{
    char out[PATH_BUF];
    EXPECT_EQ(backslash_depth("表\\ソ\\a.jpg"), 2);
    EXPECT_EQ(backslash_depth("表\\"), 0);
    EXPECT_EQ(backslash_depth("表ソ能"), 0);
    EXPECT_EQ(backslash_depth("C:\\"), 0);
    {
        depth_hook depth(0);
        ASSERT_TRUE(entry_listed_path("表\\ソ\\a.jpg", out));
        EXPECT_STREQ(out, "表");
        EXPECT_STREQ(entry_path_static("能.jpg"), "能.jpg");
        EXPECT_STREQ(entry_path_static("能\\"), "能");
        ASSERT_TRUE(entry_listed_path("C:\\", out));
        EXPECT_STREQ(out, "C:\\");
    }
    {
        depth_hook depth(1);
        ASSERT_TRUE(entry_listed_path("表\\ソ\\a.jpg", out));
        EXPECT_STREQ(out, "表\\ソ");
        EXPECT_STREQ(entry_path_static("表\\ソ.jpg"), "表\\ソ.jpg");
    }
}

TEST(EntryPaths, NamesAndExtensions)
{
    EXPECT_EQ(is_valid_name("表ソ能.jpg"), 1);
    EXPECT_EQ(is_valid_name("a\\b"), 0);
    for (const char* bad : {"a*", "a?", "a<", "a>"}) EXPECT_EQ(is_valid_name(bad), 0) << bad;

    EXPECT_NE(same_folder("C:\\ア", "C:\\ッ\\"), 0);
    EXPECT_EQ(same_folder("C:\\A\\", "c:\\a"), 0);
    EXPECT_EQ(same_folder("C:\\表", "c:\\表\\"), 0);

    EXPECT_EQ(file_ext_of("表\\ソ"), nullptr);
    EXPECT_STREQ(file_ext_of("x.y\\表.JPG"), ".JPG");
    char p[PATH_BUF];
    text_copy(p, "d.x\\表");
    ASSERT_TRUE(replace_extension(p, sizeof p, ".txt"));
    EXPECT_STREQ(p, "d.x\\表.txt");
    ASSERT_TRUE(replace_extension(p, sizeof p, ".jpg"));
    EXPECT_STREQ(p, "d.x\\表.jpg");
    text_copy(p, "C:\\ソ\\");
    ASSERT_TRUE(append_suffix(p, sizeof p, ".layer"));
    EXPECT_STREQ(p, "C:\\ソ.layer");
    ASSERT_TRUE(append_suffix(p, sizeof p, ".LAYER"));
    EXPECT_STREQ(p, "C:\\ソ.layer");
    char small[8] = "abcdef";
    EXPECT_FALSE(replace_extension(small, sizeof small, ".jpeg"));
    EXPECT_STREQ(small, "abcdef");
}

TEST(EntryPaths, LayerEntries)
{
    bench::scratch_dir dir;
    depth_hook depth(0);
    EXPECT_EQ(is_layer_entry("表.layer\\a.png"), 1);
    EXPECT_EQ(is_layer_entry("表.layer\\a.txt"), 0);  // not an image
    EXPECT_EQ(is_layer_entry("表\\a.png"), 0);
    EXPECT_EQ(is_layer_entry("a.png"), 0);  // a plain file
    EXPECT_EQ(is_layer_entry("表.layer\\*.png"), 0);
}

TEST(UniqueNames, CharactersBeforeTheExtension)
{
    bench::scratch_dir dir;
    char out[PATH_BUF];
    std::string ka = dir.file("ソ能.tar.gz");
    ASSERT_TRUE(make_unique_name(out, ka.c_str()));
    EXPECT_EQ(std::string(out), ka);  // free: the name itself
    bench::write_file(ka, "x");
    ASSERT_TRUE(make_unique_name(out, ka.c_str()));
    EXPECT_EQ(std::string(out), dir.file("ソ能0.tar.gz"));  // the extension starts at the first dot

    // A folder whose name ends in 0x5C: a.jpg, a0 ... az, then a00.
    std::string folder = std::string(dir.path()) + "\\表";
    CreateDirectoryA(folder.c_str(), nullptr);
    const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    bench::write_file(folder + "\\表.jpg", "x");
    ASSERT_TRUE(make_unique_name(out, (folder + "\\表.jpg").c_str()));
    EXPECT_EQ(std::string(out), folder + "\\表0.jpg");
    for (const char* d = digits; *d; d++) bench::write_file(folder + "\\表" + *d + ".jpg", "x");
    ASSERT_TRUE(make_unique_name(out, (folder + "\\表.jpg").c_str()));
    EXPECT_EQ(std::string(out), folder + "\\表00.jpg");

    char in_place[PATH_BUF];
    text_copy(in_place, (folder + "\\表.jpg").c_str());
    ASSERT_TRUE(make_name_unique_in_place(in_place));
    EXPECT_EQ(std::string(in_place), folder + "\\表00.jpg");
    std::string bare = folder + "\\ソ";
    bench::write_file(bare, "x");
    ASSERT_TRUE(make_unique_name(out, bare.c_str()));
    EXPECT_EQ(std::string(out), bare + "0");
}

TEST(FolderChange, DriveListAndSpecialFolderBytes)
{
    folder_restored restore;
    bench::scratch_dir dir;
    ASSERT_EQ(change_folder("\\"), 1);
    EXPECT_EQ(current_folder.drive_list, 1);
    cache_current_dir();
    EXPECT_STREQ(current_folder.folder, "\\");
    EXPECT_STREQ(current_folder.copy, "\\");

    std::string sub = dir.file("表");
    CreateDirectoryA(sub.c_str(), nullptr);
    ASSERT_EQ(change_folder(sub.c_str()), 1);
    EXPECT_EQ(current_folder.drive_list, 0);
    EXPECT_EQ(current_folder.personal_length, 0);
    EXPECT_EQ(current_folder.desktop_exact, 0);
    cache_current_dir();
    EXPECT_EQ(lstrcmpiA(current_folder.folder, sub.c_str()), 0);
    EXPECT_EQ(change_folder(dir.file("missing").c_str()), 0);

    char personal[PATH_BUF];
    ASSERT_TRUE(get_special_folder("Personal", personal));
    ASSERT_EQ(change_folder(personal), 1);
    std::string p = personal;
    if (p.back() == '\\') p.pop_back();
    EXPECT_EQ(current_folder.personal_exact, 1);
    EXPECT_EQ(current_folder.personal_length, p.size() - 1);
    std::string inside = p + "\\zote_表_test";
    CreateDirectoryA(inside.c_str(), nullptr);
    ASSERT_EQ(change_folder(inside.c_str()), 1);
    EXPECT_EQ(current_folder.personal_exact, 0);
    EXPECT_EQ(current_folder.personal_length, p.size() - 1);
    std::string beside = p + "2";  // a name the documents folder's begins
    CreateDirectoryA(beside.c_str(), nullptr);
    ASSERT_EQ(change_folder(beside.c_str()), 1);
    EXPECT_EQ(current_folder.personal_length, 0);
    SetCurrentDirectoryA(dir.path());
    RemoveDirectoryA(inside.c_str());
    RemoveDirectoryA(beside.c_str());
}

TEST(FolderPaths, TempFolderDriveTestAndFirstExisting)
{
    char out[PATH_BUF], temp[PATH_BUF], user[257];
    GetTempPathA(sizeof temp, temp);
    DWORD size = sizeof user;
    GetUserNameA(user, &size);
    ASSERT_TRUE(user_temp_folder(out, "表"));
    EXPECT_EQ(std::string(out), std::string(temp) + "zote\\user\\" + user + "\\表");
    ASSERT_TRUE(user_temp_folder(out, nullptr));
    EXPECT_EQ(std::string(out), std::string(temp) + "zote\\user\\" + user);

    EXPECT_EQ(is_drive_writable("C:\\anything"), 0);
    EXPECT_EQ(GetFileAttributesA("C:\\@readonlytest@"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(is_drive_writable("Q:\\"), 1);  // no such drive

    bench::scratch_dir dir;
    bench::write_file(dir.file("ソ.jpg"), "x");
    const char* const names[] = {"missing.jpg", "ソ.jpg", "C:\\", nullptr};
    EXPECT_STREQ(first_existing(names, dir.path()), "ソ.jpg");
    const char* const roots[] = {"Q:\\", "C:", nullptr};
    EXPECT_STREQ(first_existing(roots, dir.path()), "C:");
    const char* const none[] = {"nothing", nullptr};
    EXPECT_EQ(first_existing(none, dir.path()), nullptr);
}

TEST(Shortcuts, ResolvedToFileOrFolder)
{
    bench::scratch_dir dir;
    std::string file = dir.write("表\\ソ.jpg", "x");
    std::string folder = dir.file("表");
    std::string to_file = dir.file("a.lnk"), to_folder = dir.file("b.LNK"), to_gone = dir.file("c.lnk");
    ASSERT_EQ(create_shortcut(to_file.c_str(), file.c_str(), nullptr, nullptr, nullptr, nullptr), 1);
    ASSERT_EQ(create_shortcut(to_folder.c_str(), folder.c_str(), nullptr, nullptr, nullptr, nullptr), 1);
    std::string gone = dir.write("gone.jpg", "x");
    ASSERT_EQ(create_shortcut(to_gone.c_str(), gone.c_str(), nullptr, nullptr, nullptr, nullptr), 1);
    DeleteFileA(gone.c_str());

    char out[PATH_BUF];
    EXPECT_EQ(resolve_shortcut(to_file.c_str(), out), 1);
    EXPECT_EQ(lstrcmpiA(out, file.c_str()), 0) << out;
    EXPECT_EQ(resolve_shortcut(to_folder.c_str(), out), 2);
    EXPECT_EQ(lstrcmpiA(out, folder.c_str()), 0) << out;
    EXPECT_EQ(resolve_shortcut(to_folder.c_str(), nullptr), 2);
    EXPECT_EQ(resolve_shortcut(to_gone.c_str(), out), 0);
    EXPECT_EQ(resolve_shortcut(file.c_str(), out), 0);  // not a shortcut
}
