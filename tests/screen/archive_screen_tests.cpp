// Archives opened as folders in the running program: a picture cut inside an
// archive is not drawn and leaves the archive only when a paste has moved
// it; a damaged archive opens read-only and says so; camera photos cut and
// pasted into an archive that cannot be written back stay where they were,
// an archive is never pasted into itself, and the menus make tar archives.
#include "tests/screen/screen_bench.h"
#include "tests/support/clipboard_lock.h"
#include "files/files.h"
#include "browser/model/command_ids.h"
#include <gtest/gtest.h>
#include <set>

namespace {
using screen::box_text;
using screen::ends_with;

// A folder holding one archive of pictures 0 to 2, packed by the archiver.
struct archive_album {
    bench::scratch_dir dir;
    std::string path, archive;
    explicit archive_album(const char* name) : path(dir.file("書庫表")), archive(path + "\\" + name)
    {
        screen::write_pictures(dir.file("src"), 0, 3);
        CreateDirectoryA(path.c_str(), nullptr);
        _lha* lha = open_archiver_for(archive.c_str());
        if (lha) lha->create(archive.c_str(), dir.file("src").c_str(), nullptr);
    }
};

std::vector<std::string> members(const std::string& archive)
{
    std::vector<std::string> names;
    _lha* lha = open_archiver_for(archive.c_str());
    HARC h = lha ? lha->open_archive(nullptr, archive.c_str(), ARCHIVE_OPEN_MODE) : nullptr;
    if (!h) return names;
    archive_member_info info;
    for (int r = lha->find_first(h, &info); r == 0; r = lha->find_next(h, &info)) names.push_back(info.name);
    lha->close_archive(h);
    return names;
}

// Camera photos and a zip of four pictures made by zip, beside them.
struct photo_album {
    bench::scratch_dir dir;
    std::string path = dir.file("写真表ソ"), archive = path + "\\旅行ソ.zip";
    static const int photos = 8;  // the zip sorts after them
    photo_album()
    {
        std::vector<std::string> names;
        for (int i = 1; i <= photos; i++) names.push_back("P000" + std::to_string(i) + "表.JPG");
        screen::copy_camera_photos(path, names);
        CopyFileA((bench::exe_folder() + "archives\\photos.zip").c_str(), archive.c_str(), FALSE);
    }
};

// The files of a tree by their contents: a file lost anywhere changes it.
std::multiset<size_t> contents(const std::string& folder)
{
    std::multiset<size_t> found;
    WIN32_FIND_DATAA f;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &f);
    if (h == INVALID_HANDLE_VALUE) return found;
    do {
        std::string name = f.cFileName, path = folder + "\\" + name;
        if (name == "." || name == "..") continue;
        if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            std::multiset<size_t> inside = contents(path);
            found.insert(inside.begin(), inside.end());
        } else {
            found.insert(std::hash<std::string>()(bench::read_file(path)));
        }
    } while (FindNextFileA(h, &f));
    FindClose(h);
    return found;
}
}  // namespace

TEST(ArchiveFolders, CutPictureLeavesTheArchiveOnlyWhenPasted)
{
    bench::clipboard_lock lock;
    archive_album album("写真.zip");
    ASSERT_EQ(members(album.archive).size(), 3u);
    screen::zote_session z(album.path);
    ASSERT_TRUE(z.running());
    z.double_click(z.page_grid().centre(0));
    screen::grid g = z.page_grid();
    EXPECT_EQ(screen::check_page(z.capture(), g, screen::picture_cells(0, 3), "archive"), "");
    z.click(g.centre(1), {VK_CONTROL});
    z.key('X', {VK_CONTROL});
    std::vector<screen::cell_expected> cells = screen::picture_cells(0, 3);
    cells[1].picture = screen::NOTHING;
    EXPECT_EQ(screen::check_page(z.capture(), g, cells, "archive-cut"), "");
    EXPECT_EQ(members(album.archive).size(), 3u) << "the cut picture stays in the archive";
    z.key(VK_BACK);
    z.key('V', {VK_CONTROL});
    EXPECT_TRUE(GetFileAttributesA((album.path + "\\" + screen::picture_name(1)).c_str()) != INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(members(album.archive), (std::vector<std::string>{screen::picture_name(0), screen::picture_name(2)}));
}

TEST(ArchiveFolders, DamagedArchiveOpensReadOnlyAndSaysSo)
{
    archive_album album("壊れ.tar.gz");
    std::string bytes = bench::read_file(album.archive);
    ASSERT_GT(bytes.size(), 8u);
    bytes[bytes.size() - 8] ^= 0x55;  // the gzip CRC
    ASSERT_TRUE(bench::write_file(album.archive, bytes));
    screen::zote_session z(album.path);
    ASSERT_TRUE(z.running());
    z.double_click(z.page_grid().centre(0));
    std::vector<HWND> boxes = z.other_windows();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(ends_with(box_text(boxes[0]), "\n書庫が壊れているので読み出し専用で開きます．")) << box_text(boxes[0]);
    z.key(VK_RETURN);
    EXPECT_TRUE(z.other_windows().empty());
    EXPECT_EQ(screen::check_page(z.capture(), z.page_grid(), screen::picture_cells(0, 3), "damaged"), "");
    EXPECT_TRUE(bench::read_file(album.archive) == bytes);
}

// In a damaged archive nothing is pasted (the greyed paste item takes its
// Ctrl+V), and a delete (Delete) and a rename (F2) are refused, each with
// the reason: the grid still shows what the archive holds.
TEST(ArchiveFolders, ReadOnlyArchiveRefusesChangesAndSaysWhy)
{
    bench::clipboard_lock lock;
    archive_album album("壊れ.tar.gz");
    std::string bytes = bench::read_file(album.archive);
    ASSERT_GT(bytes.size(), 8u);
    bytes[bytes.size() - 8] ^= 0x55;  // the gzip CRC
    ASSERT_TRUE(bench::write_file(album.archive, bytes));
    screen::write_pictures(album.path, 3, 1);  // beside the archive, sorted before it
    screen::zote_session z(album.path);
    ASSERT_TRUE(z.running());
    screen::grid g = z.page_grid();
    z.click(g.centre(0), {VK_CONTROL});
    z.key('C', {VK_CONTROL});
    z.double_click(g.centre(1));
    ASSERT_EQ(z.other_windows().size(), 1u);
    z.key(VK_RETURN);
    z.key('V', {VK_CONTROL});
    EXPECT_TRUE(z.other_windows().empty());
    EXPECT_EQ(screen::check_page(z.capture(), g, screen::picture_cells(0, 3), "refused-paste"), "");
    auto refused = [&](const char* change) {
        std::vector<HWND> boxes = z.other_windows();
        ASSERT_EQ(boxes.size(), 1u) << change;
        EXPECT_TRUE(ends_with(box_text(boxes[0]), "\n書庫が壊れているので書き戻しません．")) << box_text(boxes[0]);
        z.key(VK_RETURN);
        EXPECT_TRUE(z.other_windows().empty()) << change;
    };
    z.click(g.centre(1), {VK_CONTROL});
    z.key(VK_DELETE);
    refused("delete");
    z.key(VK_ESCAPE);  // the mark goes
    z.move_to(g.centre(0));
    z.key(VK_F2);
    refused("rename");
    EXPECT_EQ(screen::check_page(z.capture(), g, screen::picture_cells(0, 3), "refused"), "");
    EXPECT_TRUE(bench::read_file(album.archive) == bytes);
}

// All the photos cut, the zip entered, and the zip held by another program
// (this test) with no sharing while the paste writes it back: the paste
// says that the photos stayed, and after the program's end every one is there.
TEST(ArchiveFolders, ACutPasteIntoAHeldArchiveLosesNothing)
{
    bench::clipboard_lock lock;
    photo_album album;
    ASSERT_EQ(members(album.archive).size(), 4u);
    std::multiset<size_t> before = contents(album.path);
    {
        screen::zote_session z(album.path);
        ASSERT_TRUE(z.running());
        screen::grid g = z.page_grid();
        z.key('A', {VK_CONTROL});
        z.click(g.centre(photo_album::photos), {VK_CONTROL});  // the zip unmarked
        z.key('X', {VK_CONTROL});
        z.double_click(g.centre(photo_album::photos));
        ASSERT_NE(z.title().find("旅行ソ.zip"), std::string::npos) << z.title();
        HANDLE held = CreateFileA(album.archive.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        z.key('V', {VK_CONTROL});
        std::vector<HWND> boxes = z.other_windows();
        CloseHandle(held);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(box_text(boxes[0]),
                  album.archive + "\n書庫に書き戻せなかったので，切り取ったファイルは元の場所に残っています．");
        z.key(VK_RETURN);
        EXPECT_TRUE(z.close());
        EXPECT_EQ(z.fault(), "");
    }
    EXPECT_TRUE(contents(album.path) == before) << "a photo or the zip changed or went";
    EXPECT_EQ(members(album.archive).size(), 4u);
}

// All the photos and the zip cut, the zip entered again through the history:
// the paste is refused before anything moves.
TEST(ArchiveFolders, AnArchiveIsNeverPastedIntoItself)
{
    bench::clipboard_lock lock;
    photo_album album;
    std::multiset<size_t> before = contents(album.path);
    {
        screen::zote_session z(album.path);
        ASSERT_TRUE(z.running());
        screen::grid g = z.page_grid();
        z.double_click(g.centre(photo_album::photos));
        z.key(VK_BACK);
        z.key('A', {VK_CONTROL});
        z.key('X', {VK_CONTROL});
        PostMessageA(z.frame(), WM_COMMAND, CM_HISTORY_BACK, 0);
        ASSERT_TRUE(z.settle());
        ASSERT_NE(z.title().find("旅行ソ.zip"), std::string::npos) << z.title();
        z.key('V', {VK_CONTROL});
        std::vector<HWND> boxes = z.other_windows();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(box_text(boxes[0]),
                  album.archive + "\n書庫をその書庫自身の中へ貼付することはできないので，貼付を中止します．");
        z.key(VK_RETURN);
        EXPECT_TRUE(z.close());
        EXPECT_EQ(z.fault(), "");
    }
    EXPECT_TRUE(contents(album.path) == before) << "a photo or the zip changed or went";
    EXPECT_EQ(members(album.archive).size(), 4u);
}

// 圧縮 > TGZ in a folder's menu packs it; 新規作成 > TAR(.tgz)圧縮フォルダ in
// the file menu makes an archive that the folder is then moved into
// (Shift+click). Both are gzipped tar archives, read back by the real tar
// (tools/check_menu_archives.sh).
TEST(ArchiveFolders, TgzArchivesAreMadeFromTheMenus)
{
    bench::scratch_dir dir;
    std::string path = dir.file("書庫表"), packed = path + "\\束ソ.gz", made = path + "\\new.gz";
    std::string out = bench::exe_folder() + "archives_out";
    CreateDirectoryA(out.c_str(), nullptr);
    DeleteFileA((out + "\\menu_packed.gz").c_str());
    DeleteFileA((out + "\\menu_made.gz").c_str());
    CreateDirectoryA(path.c_str(), nullptr);
    screen::write_pictures(path + "\\束ソ", 0, 2);
    screen::zote_session z(path);
    ASSERT_TRUE(z.running());
    screen::grid g = z.page_grid();
    z.move_to(g.centre(0));
    z.key('M');  // the folder's menu: 圧縮 > TGZ
    z.key('P');
    z.key('T');
    z.key('F', {VK_MENU});  // ファイル > 新規作成 > TAR(.tgz)圧縮フォルダ, named "new"
    z.key('W');
    z.key('T');
    for (WORD k : {WORD('N'), WORD('E'), WORD('W'), WORD(VK_RETURN)}) z.key(k);
    ASSERT_TRUE(GetFileAttributesA(made.c_str()) != INVALID_FILE_ATTRIBUTES);
    z.click(g.centre(0), {VK_CONTROL});  // 束ソ, 'new <GZ>', '束ソ <GZ>'
    z.click(g.centre(1), {VK_SHIFT});
    std::string name0 = screen::picture_name(0), name1 = screen::picture_name(1);
    EXPECT_EQ(members(packed), (std::vector<std::string>{name0, name1}));
    EXPECT_EQ(members(made), (std::vector<std::string>{"束ソ/" + name0, "束ソ/" + name1}));
    EXPECT_TRUE(CopyFileA(packed.c_str(), (out + "\\menu_packed.gz").c_str(), FALSE));
    EXPECT_TRUE(CopyFileA(made.c_str(), (out + "\\menu_made.gz").c_str(), FALSE));
}
