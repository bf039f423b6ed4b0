// The chords and keys the menus and the toolbar show, pressed in the running
// program: select all without any dialog, copy and paste a picture into a
// subfolder, cut one away, the history's Alt chords, the viewer's Ctrl+Enter
// and the size buttons' ";" and "-". A cut picture loses its mark with its
// cell, in this window and when another program cuts.
// The clipboard is shared by every process on the display: the clipboard
// stories hold the tests' clipboard lock.
#include "tests/screen/screen_bench.h"
#include "tests/support/clipboard_lock.h"
#include <gtest/gtest.h>
#include <shlobj.h>

using screen::cell_expected;

namespace {
using screen::ends_with;

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
}  // namespace

TEST(Shortcuts, CtrlAMarksEveryCellAndOpensNoDialog)
{
    screen::picture_folder album("全部表", 12);
    screen::zote_session z(album.path);
    ASSERT_TRUE(z.running());
    screen::grid g = z.page_grid();
    z.move_to(g.centre(3));  // A alone acts on the picture under the mouse
    z.key('A', {VK_CONTROL});
    std::vector<HWND> opened = z.other_windows();
    EXPECT_TRUE(opened.empty()) << "a window opened";
    for (HWND w : opened) PostMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_TRUE(ends_with(z.title(), " 12.12画像 1/1頁 - ZOTE1.67")) << z.title();
    screen::shot s = z.capture();
    for (int i = 0; i < 12; i++) EXPECT_TRUE(screen::framed(s, g, i)) << "cell " << i + 1;
    EXPECT_FALSE(screen::framed(s, g, 12));
}

// A picture marked with Ctrl+click, copied with Ctrl+C (the mark goes) and
// pasted with Ctrl+V inside a subfolder: the file is there and shown.
TEST(Shortcuts, CopyAndPasteIntoASubfolder)
{
    bench::clipboard_lock lock;
    screen::picture_folder album("写真ソ", 3);
    std::string inner = album.file("中表");
    CreateDirectoryA(inner.c_str(), nullptr);
    screen::zote_session z(album.path);
    ASSERT_TRUE(z.running());
    screen::grid g = z.page_grid();
    const cell_expected folder = {screen::ANY_PICTURE};
    z.click(g.centre(1), {VK_CONTROL});  // the folder comes first: cell 2 is picture 0
    EXPECT_TRUE(screen::framed(z.capture(), g, 1));
    z.key('C', {VK_CONTROL});
    std::vector<cell_expected> cells = {folder};
    for (const cell_expected& c : screen::picture_cells(0, 3)) cells.push_back(c);
    EXPECT_EQ(screen::check_page(z.capture(), g, cells, "copied"), "") << "the copy leaves no mark";
    EXPECT_TRUE(ends_with(z.title(), " 4画像 1/1頁 - ZOTE1.67")) << z.title();
    z.double_click(g.centre(0));
    z.key('V', {VK_CONTROL});
    EXPECT_TRUE(exists(inner + "\\" + screen::picture_name(0)));
    EXPECT_EQ(screen::check_page(z.capture(), g, screen::picture_cells(0, 1), "pasted"), "");
}

// The history's Alt+Left steps back to the folder before and Alt+Right
// forward again; Alt+Enter brings back the marks a folder had; ";" makes the
// thumbnails bigger (one column fewer) and "-" smaller again; Ctrl+Enter
// marks the picture the viewer shows.
TEST(Shortcuts, EveryShownKeyActs)
{
    screen::picture_folder album("鍵表", 3);
    screen::write_pictures(album.file("奥ソ"), 3, 2);
    screen::zote_session z(album.path);
    ASSERT_TRUE(z.running());
    screen::grid g = z.page_grid();
    z.double_click(g.centre(0));  // the folder comes first
    const std::string inner = "/鍵表/奥ソ/ 2";
    ASSERT_TRUE(ends_with(z.title(), inner + "画像 1/1頁 - ZOTE1.67")) << z.title();
    z.click(g.centre(0), {VK_CONTROL});
    z.key(VK_LEFT, {VK_MENU});
    EXPECT_TRUE(ends_with(z.title(), "/鍵表/ 4画像 1/1頁 - ZOTE1.67")) << "back: " << z.title();
    z.key(VK_RIGHT, {VK_MENU});
    ASSERT_TRUE(ends_with(z.title(), inner + "画像 1/1頁 - ZOTE1.67")) << "forward: " << z.title();
    z.key(VK_RETURN, {VK_MENU});
    EXPECT_TRUE(ends_with(z.title(), inner + ".1画像 1/1頁 - ZOTE1.67")) << "marks again: " << z.title();
    EXPECT_TRUE(screen::framed(z.capture(), g, 0));
    z.key(VK_ESCAPE);

    screen::shot s = z.capture();
    z.key(LOBYTE(VkKeyScanA(';')));
    screen::grid bigger = screen::grid::at_columns(s, g.columns - 1);
    EXPECT_EQ(screen::check_page(z.capture(), bigger, screen::picture_cells(3, 2), "bigger"), "");
    z.key(LOBYTE(VkKeyScanA('-')));
    screen::grid back = screen::grid::at_columns(s, g.columns);
    EXPECT_EQ(screen::check_page(z.capture(), back, screen::picture_cells(3, 2), "smaller"), "");

    z.double_click(back.centre(1));
    ASSERT_TRUE(ends_with(z.title(), " 2/2枚 - ZOTE1.67")) << z.title();
    z.key(VK_RETURN, {VK_CONTROL});
    EXPECT_TRUE(ends_with(z.title(), ".1枚 - ZOTE1.67")) << "marked: " << z.title();
}

// Alt+Left three times in a row steps back three folders and Alt+Right three
// times forward again, typed as a person types them: a chord that acted
// leaves no menu bar armed to swallow the next one.
TEST(Shortcuts, AltArrowsActEveryTimeInARow)
{
    screen::picture_folder album("歴表", 1);
    const std::string one = album.file("一ソ"), two = one + "\\二能", three = two + "\\三表";
    ASSERT_EQ(SHCreateDirectoryExA(nullptr, three.c_str(), nullptr), ERROR_SUCCESS);
    const std::string folders[] = {album.path, one, two, three};
    screen::zote_session z(three);
    ASSERT_TRUE(z.running());
    auto shows = [&](int i) { return z.title().rfind(screen::shown_folder(folders[i]) + "/ ", 0) == 0; };
    for (int i = 2; i >= 0; i--) {
        z.key(VK_BACK);
        ASSERT_TRUE(shows(i)) << z.title();
    }
    for (int i = 1; i <= 3; i++) {
        ASSERT_TRUE(z.typed("alt+Left"));
        EXPECT_TRUE(shows(i)) << "back " << i << ": " << z.title();
    }
    for (int i = 2; i >= 0; i--) {
        ASSERT_TRUE(z.typed("alt+Right"));
        EXPECT_TRUE(shows(i)) << "forward " << 3 - i << ": " << z.title();
    }
}

namespace {
// What another program leaves on the clipboard when it cuts path.
void cut_by_another_program(const std::string& path)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL effect = GlobalAlloc(GMEM_MOVEABLE, sizeof(DWORD));
    *static_cast<DWORD*>(GlobalLock(effect)) = DROPEFFECT_MOVE;
    GlobalUnlock(effect);
    SetClipboardData(RegisterClipboardFormatA("Preferred DropEffect"), effect);
    HGLOBAL list = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + path.size() + 2);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(list));
    drop->pFiles = sizeof(DROPFILES);
    memcpy(reinterpret_cast<char*>(drop + 1), path.c_str(), path.size());
    GlobalUnlock(list);
    SetClipboardData(CF_HDROP, list);
    CloseClipboard();
}

// What another program leaves on the clipboard when it copies a line of text.
void text_by_another_program(const std::string& text)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
}

int files_on_the_clipboard()
{
    if (!OpenClipboard(nullptr)) return -1;
    auto list = static_cast<HDROP>(GetClipboardData(CF_HDROP));
    int n = list ? int(DragQueryFileA(list, 0xFFFFFFFF, nullptr, 0)) : 0;
    CloseClipboard();
    return n;
}
}  // namespace

// Ctrl+X takes the marked pictures off the page and their marks with them:
// the title counts no selection and no frame is left, and F5 keeps them away
// (a cut moves nothing before the paste). When another program cuts a
// picture instead, the window shows it once it is activated again, whatever
// the case it names it in. A line of text another program copies then ends
// the cut and changes nothing in the folder: Ctrl+A marks the four pictures
// without a box, and Ctrl+C copies them.
TEST(Shortcuts, MarksGoWithTheCellsACutTakesAway)
{
    bench::clipboard_lock lock;
    screen::picture_folder album("印表ソ", 4);
    screen::zote_session z(album.path);
    ASSERT_TRUE(z.running());
    screen::grid g = z.page_grid();
    z.click(g.centre(1), {VK_CONTROL});
    z.click(g.centre(2), {VK_CONTROL});
    ASSERT_TRUE(ends_with(z.title(), " 4.2画像 1/1頁 - ZOTE1.67")) << z.title();
    z.key('X', {VK_CONTROL});
    EXPECT_TRUE(ends_with(z.title(), " 4画像 1/1頁 - ZOTE1.67")) << "marks left: " << z.title();
    std::vector<cell_expected> cells = screen::picture_cells(0, 4);
    cells[1].picture = cells[2].picture = screen::NOTHING;
    screen::shot s = z.capture();
    EXPECT_EQ(screen::check_page(s, g, cells, "cut-marks"), "");
    EXPECT_FALSE(screen::framed(s, g, 1) || screen::framed(s, g, 2));
    z.key(VK_F5);
    EXPECT_EQ(screen::check_page(z.capture(), g, cells, "cut-reload"), "");
    EXPECT_TRUE(exists(album.file(screen::picture_name(1)))) << "a cut moves nothing before the paste";

    // It names the file in capitals of its own: the mark follows the name, not its case.
    std::string name = screen::picture_name(3);
    cut_by_another_program(album.file(name.substr(0, name.size() - 4) + ".JPG"));
    // Another window comes to the front and goes again.
    HWND other =
        CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    bench::pump_for(100);
    SetForegroundWindow(z.frame());
    DestroyWindow(other);
    EXPECT_TRUE(z.settle());
    cells = screen::picture_cells(0, 4);
    cells[3].picture = screen::NOTHING;
    EXPECT_EQ(screen::check_page(z.capture(), g, cells, "cut-elsewhere"), "");

    text_by_another_program("一行表");
    z.key('A', {VK_CONTROL});
    std::vector<HWND> boxes = z.other_windows();
    EXPECT_TRUE(boxes.empty()) << "a box opened";
    for (HWND w : boxes) PostMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_TRUE(ends_with(z.title(), " 4.4画像 1/1頁 - ZOTE1.67")) << z.title();
    z.key('C', {VK_CONTROL});
    EXPECT_EQ(files_on_the_clipboard(), 4);
}
