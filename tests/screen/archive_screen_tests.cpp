// Archives opened as folders in the running program: a picture cut inside an
// archive is not drawn and leaves the archive only when a paste has moved
// it; a damaged archive opens read-only and says so; camera photos cut and
// pasted into an archive that cannot be written back stay where they were,
// an archive is never pasted into itself, and a long write-back shows its
// progress and stops at Esc. With two windows, and with an archive held by
// another program, no photo or typed text is lost.
#include "tests/screen/screen_bench.h"
#include "tests/support/clipboard_lock.h"
#include "tests/support/held_file.h"
#include "tests/archiver/archiver_fixtures.h"
#include "files/files.h"
#include "browser/model/command_ids.h"
#include "graphics/kavtrel.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <memory>
#include <set>

namespace {
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

// The files of a tree by their contents, an archive by its members': a
// file lost anywhere, in or out of an archive, changes it.
std::multiset<size_t> contents(const std::string& folder);

std::multiset<size_t> members_contents(const std::string& archive)
{
    bench::scratch_dir out;
    _lha* lha = open_archiver_for(archive.c_str());
    if (lha) lha->extract_all(archive.c_str(), out.path(), nullptr);
    return contents(out.path());
}

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
        } else if (ends_with(name, ".zip")) {
            std::multiset<size_t> inside = members_contents(path);
            found.insert(inside.begin(), inside.end());
        } else {
            found.insert(std::hash<std::string>()(bench::read_file(path)));
        }
    } while (FindNextFileA(h, &f));
    FindClose(h);
    return found;
}

// Every file of the folders, with the members of the archives in them, and
// the members of the other archives named.
std::multiset<size_t> everything(const std::vector<std::string>& folders, const std::vector<std::string>& archives)
{
    std::multiset<size_t> found;
    for (const std::string& folder : folders) {
        std::multiset<size_t> files = contents(folder);
        found.insert(files.begin(), files.end());
    }
    for (const std::string& archive : archives) {
        bool inside = false;
        for (const std::string& folder : folders) inside = inside || archive.rfind(folder + "\\", 0) == 0;
        if (inside) continue;
        std::multiset<size_t> members = members_contents(archive);
        found.insert(members.begin(), members.end());
    }
    return found;
}

size_t hash_of(const std::string& bytes) { return std::hash<std::string>()(bytes); }

bool holds_all(const std::multiset<size_t>& now, const std::multiset<size_t>& before)
{
    return std::includes(now.begin(), now.end(), before.begin(), before.end());
}

// The text of a message box of another process.
std::string box_text(HWND box)
{
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[32], text[1024];
        GetClassNameA(c, cls, sizeof cls);
        int n = GetWindowTextA(c, text, sizeof text);
        if (lstrcmpiA(cls, "Static") == 0 && n > 0) return std::string(text, n);
    }
    return "";
}

// The one message box the window shows, answered with Enter: its text.
std::string answer_box(screen::zote_session& z)
{
    std::vector<HWND> boxes = z.other_windows();
    EXPECT_EQ(boxes.size(), 1u);
    if (boxes.size() != 1) return "";
    std::string text = box_text(boxes[0]);
    z.key(VK_RETURN);
    return text;
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

// Ctrl+N inside a zip opens the zip in the new window, as an archive folder
// of its own: a photo cut in the album and pasted in the new window goes
// into the zip.
TEST(ArchiveFolders, ANewWindowFromInsideAZipOpensTheZip)
{
    bench::clipboard_lock lock;
    photo_album album;
    std::multiset<size_t> before = contents(album.path);
    {
        screen::zote_session z(album.path);
        ASSERT_TRUE(z.running());
        screen::grid g = z.page_grid();
        z.click(g.centre(0), {VK_CONTROL});
        z.key('X', {VK_CONTROL});
        z.double_click(g.centre(photo_album::photos));
        z.chord_key('N', VK_CONTROL);
        screen::zote_session second(z.new_window(), screen::zote_session::opened());
        ASSERT_TRUE(second.running());
        EXPECT_NE(second.title().find(screen::shown_folder(album.archive) + "/"), std::string::npos) << second.title();
        second.key('V', {VK_CONTROL});
        EXPECT_TRUE(second.other_windows().empty());
    }
    EXPECT_TRUE(contents(album.path) == before) << "a photo was lost";
    EXPECT_EQ(members(album.archive).size(), 5u);
}

// Two windows in one zip: the first moves a photo in, the second, which
// opened the zip before, then renames a member. The second window's write-back
// says that the zip had changed and keeps both changes. (Once two windows
// show, they are driven by keys: a click that brings a window to the front is
// not taken as a click.)
TEST(ArchiveFolders, TwoWindowsInOneZipKeepEachOthersChanges)
{
    bench::clipboard_lock lock;
    photo_album album;
    std::multiset<size_t> before = contents(album.path);
    {
        screen::zote_session z(album.path);
        ASSERT_TRUE(z.running());
        screen::grid g = z.page_grid();
        z.click(g.centre(0), {VK_CONTROL});
        z.key('X', {VK_CONTROL});
        z.chord_key('N', VK_CONTROL);
        screen::zote_session second(z.new_window(), screen::zote_session::opened());
        ASSERT_TRUE(second.running());
        for (screen::zote_session* s : {&second, &z}) {
            s->move_to(g.centre(photo_album::photos));
            s->key(VK_RETURN);
        }
        z.key('V', {VK_CONTROL});
        ASSERT_EQ(members(album.archive).size(), 5u);
        second.move_to(g.centre(0));
        second.key(VK_F2);
        second.key(VK_END);
        second.key('R');
        second.key(VK_RETURN);
        EXPECT_EQ(answer_box(second),
                  album.archive + "\n書庫がほかで変更されていたので，その変更を取り込んで書き戻しました．");
        EXPECT_TRUE(screen::ends_with(second.title(), " 5画像 1/1頁 - ZOTE1.67")) << second.title();
    }
    EXPECT_TRUE(contents(album.path) == before) << "a photo was lost";
    std::vector<std::string> names = members(album.archive);
    EXPECT_EQ(names.size(), 5u);
    EXPECT_EQ(std::count_if(names.begin(), names.end(), [](const std::string& n) { return ends_with(n, "r.jpg"); }), 1);
}

// A text file made (245) and typed (282) inside a zip another program holds:
// each write-back fails and says so. When the hold ends before the folder is
// left, leaving writes the text back; when it lasts to the program's end,
// the end asks, and the changed files are kept beside the zip.
TEST(ArchiveFolders, TextTypedInAHeldZipIsKept)
{
    bench::clipboard_lock lock;
    const std::string failed = "\n書庫に書き戻せませんでした．";
    for (bool hold_ends : {true, false}) {
        SCOPED_TRACE(hold_ends ? "the hold ends first" : "held to the end");
        photo_album album;
        std::multiset<size_t> before = contents(album.path);
        {
            screen::zote_session z(album.path);
            ASSERT_TRUE(z.running());
            screen::grid g = z.page_grid();
            z.double_click(g.centre(photo_album::photos));
            auto hold = std::make_unique<bench::held_file>(album.archive);
            ASSERT_TRUE(hold->held());
            PostMessageA(z.frame(), WM_COMMAND, CM_NEW_TEXT, 0);
            ASSERT_TRUE(z.settle());
            for (char c : std::string("MEMO")) z.key(WORD(c));  // the name, ".txt" added
            z.key(VK_RETURN);
            EXPECT_EQ(answer_box(z), album.archive + failed);
            z.move_to(g.centre(0));  // the text file sorts first
            z.key('M');              // the entry's menu
            z.key('E');              // テキストファイルの編集(&E)
            for (char c : std::string("NOTE")) z.key(WORD(c));
            z.key(VK_RETURN, {VK_CONTROL});
            EXPECT_EQ(answer_box(z), album.archive + failed);
            if (hold_ends) {
                hold.reset();
                z.key(VK_BACK);
                EXPECT_TRUE(z.other_windows().empty());
            } else {
                PostMessageA(z.frame(), WM_COMMAND, CMD_EXIT, 0);
                ASSERT_TRUE(z.settle());
                std::vector<HWND> boxes = z.other_windows();
                ASSERT_EQ(boxes.size(), 1u);
                EXPECT_EQ(box_text(boxes[0]), album.archive + failed + "\n\n変更したﾌｧｲﾙをﾌｫﾙﾀﾞ\n" + album.archive +
                                                  ".未保存\nに残しますか？\n\n[いいえ]を選ぶと変更は失われます．");
                z.input({screen::key_event(VK_RETURN, true), screen::key_event(VK_RETURN, false)}, 30000);
                EXPECT_TRUE(z.close());
                hold.reset();
            }
        }
        std::multiset<size_t> after = contents(album.path);
        EXPECT_TRUE(holds_all(after, before)) << "a photo was lost";
        EXPECT_EQ(after.count(hash_of("note")), 1u) << "the typed text was lost";
        EXPECT_EQ(members(album.archive).size(), hold_ends ? 5u : 4u);
    }
}

// Two windows, each in a zip of its own, cut a folder of the same name. The
// first window's paste brings what the clipboard holds, the second's cut,
// which stays in its zip too, and says so; the first zip keeps its folder.
TEST(ArchiveFolders, TwoWindowsCuttingSameNamedFoldersLoseNothing)
{
    bench::clipboard_lock lock;
    bench::scratch_dir dir;
    std::string one = dir.file("一表"), two = dir.file("二ソ"), a = one + "\\旅行表.zip", b = two + "\\旅行能.zip";
    for (const auto& made : {std::make_pair(one, a), std::make_pair(two, b)}) {
        CreateDirectoryA(made.first.c_str(), nullptr);
        std::string fixture = bench::exe_folder() + "archives\\same" + (made.first == one ? "1" : "2") + ".zip";
        ASSERT_TRUE(CopyFileA(fixture.c_str(), made.second.c_str(), FALSE));
    }
    std::multiset<size_t> before = everything({one, two}, {a, b}), in_a = everything({}, {a});
    ASSERT_EQ(in_a.size(), 2u);
    {
        auto cut_the_folder = [](screen::zote_session& z) {
            ASSERT_TRUE(z.running());
            z.double_click(z.page_grid().centre(0));
            z.click(z.page_grid().centre(0), {VK_CONTROL});
            z.key('X', {VK_CONTROL});
        };
        screen::zote_session z1(one);
        cut_the_folder(z1);
        screen::zote_session z2(two, z1);
        cut_the_folder(z2);
        z1.key(VK_BACK);
        z1.key('V', {VK_CONTROL});
        std::vector<HWND> boxes = z1.other_windows();
        EXPECT_EQ(boxes.size(), 1u);
        for (HWND box : boxes) {
            EXPECT_EQ(box_text(box), "次のファイルは移動できず，元の場所に残っています．\n　\n" + b + "\\写真表\n");
            z1.key(VK_RETURN);
        }
    }
    std::multiset<size_t> after = everything({one, two}, {a, b});
    EXPECT_TRUE(std::includes(after.begin(), after.end(), before.begin(), before.end())) << "a photo went";
    EXPECT_TRUE(everything({}, {a}) == in_a) << "the first zip lost its folder";
    EXPECT_TRUE(contents(one + "\\写真表") == everything({}, {b})) << "the second zip's folder was pasted";
}

// A zip held by another program (this test, with no sharing) is in use, not
// damaged: opening it says so and the album stays shown. Once the hold ends
// it opens writable: a photo cut in the album moves in.
TEST(ArchiveFolders, AHeldArchiveIsInUseNotDamaged)
{
    bench::clipboard_lock lock;
    photo_album album;
    std::multiset<size_t> before = everything({album.path}, {album.archive});
    {
        screen::zote_session z(album.path);
        ASSERT_TRUE(z.running());
        screen::grid g = z.page_grid();
        z.click(g.centre(0), {VK_CONTROL});
        z.key('X', {VK_CONTROL});
        HANDLE held = CreateFileA(album.archive.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        z.double_click(g.centre(photo_album::photos));
        std::vector<HWND> boxes = z.other_windows();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(box_text(boxes[0]), album.archive + "\n他のプログラムが使用中なので開けません．");
        z.key(VK_RETURN);
        CloseHandle(held);
        EXPECT_EQ(z.title().find("旅行ソ.zip"), std::string::npos) << z.title();
        z.double_click(g.centre(photo_album::photos));
        EXPECT_TRUE(z.other_windows().empty());
        ASSERT_NE(z.title().find("旅行ソ.zip"), std::string::npos) << z.title();
        z.key('V', {VK_CONTROL});
        EXPECT_TRUE(z.other_windows().empty());
    }
    EXPECT_EQ(members(album.archive).size(), 5u) << "the photo moved in";
    EXPECT_TRUE(everything({album.path}, {album.archive}) == before) << "a photo changed or went";
}

// A rename in a zip of camera photos, the archiver slowed to a few
// milliseconds a block: while the write-back runs its progress bar is drawn
// and the window answers; Esc stops it, says so, and the zip is byte for
// byte as it was, nothing left beside it.
TEST(ArchiveFolders, AWriteBackShowsItsProgressAndEscStopsIt)
{
    bench::scratch_dir dir;
    std::string album = dir.file("写真表ソ"), zip = album + "\\旅行ソ.zip";
    std::vector<std::string> names;
    for (int i = 1; i <= 6; i++) names.push_back("P000" + std::to_string(i) + "表.JPG");
    screen::copy_camera_photos(dir.file("src"), names);
    CreateDirectoryA(album.c_str(), nullptr);
    ASSERT_EQ(open_archiver_for(zip.c_str())->create(zip.c_str(), dir.file("src").c_str(), nullptr), 1);
    std::string before = bench::read_file(zip);
    archiver_test::env_guard pace("ZOTE_ARCHIVER_PACE", "20");
    screen::zote_session z(album);
    ASSERT_TRUE(z.running());
    screen::grid g = z.page_grid();
    z.double_click(g.centre(0));
    z.move_to(g.centre(0));
    z.key(VK_F2);
    z.key(VK_END);
    z.key('X');
    INPUT enter[2] = {};
    for (INPUT& in : enter) in.type = INPUT_KEYBOARD, in.ki.wVk = VK_RETURN;
    enter[1].ki.dwFlags = KEYEVENTF_KEYUP;
    z.input({enter[0], enter[1]}, 0);
    HWND bar = FindWindowExA(FindWindowExA(z.frame(), nullptr, "msctls_statusbar32", nullptr), nullptr,
                             "msctls_progress32", nullptr);
    ASSERT_NE(bar, nullptr);
    // The bar shows and fills while the write-back goes on.
    const COLORREF filled = GetSysColor(COLOR_HIGHLIGHT);
    auto drawn = [&] {
        screen::shot s = screen::zote_session::capture_of(bar);
        return IsWindowVisible(bar) && s.count({0, 0, s.width, s.height}, filled) > 0;
    };
    for (DWORD start = GetTickCount(); !drawn() && GetTickCount() - start < 30000;) Sleep(20);
    ASSERT_TRUE(drawn()) << "no progress bar drawn";
    DWORD_PTR r;
    EXPECT_TRUE(SendMessageTimeoutA(z.frame(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &r))
        << "the window stopped answering";
    z.key(VK_ESCAPE);
    std::vector<HWND> boxes = z.other_windows();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(box_text(boxes[0]), zip + "\n書き戻しを中止しました．書庫は元のままです．");
    z.key(VK_RETURN);
    EXPECT_FALSE(IsWindowVisible(bar));
    EXPECT_TRUE(bench::read_file(zip) == before) << "the zip changed";
    WIN32_FIND_DATAA f;
    int items = 0;
    HANDLE h = FindFirstFileA((album + "\\*").c_str(), &f);
    for (bool more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileA(h, &f)) items += f.cFileName[0] != '.';
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    EXPECT_EQ(items, 1) << "something was left beside the zip";
    EXPECT_TRUE(z.close());
    EXPECT_EQ(z.fault(), "");
}
