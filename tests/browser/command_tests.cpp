// The command dispatcher and the menus: every identifier a menu carries has
// an action, commands that act through the dispatcher's slots reach them,
// the guards keep commands out where they must not act, the status line shows
// the highlighted item's help text, the popups' states follow the situation,
// and Send-to copies, asks and never leaves the window busy.
#include "browser/commands/commands.h"
#include "browser/model/busy.h"
#include "browser/commands/keys.h"
#include "browser/model/op_hooks.h"
#include "browser/model/paths.h"
#include "browser/model/numbering.h"
#include "files/files.h"
#include "formats/formats.h"
#include "formats/internal.h"  // the chosen scanner source is read from the TWAIN session
#include "tests/browser/paste_fixtures.h"
#include "tests/browser/viewer_fixtures.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <set>

namespace {
using viewer_fixture::viewer_page;

std::vector<int> reached;  // identifiers that reached a hook
int clipboard_answer;      // what clipboard_open says
int read_only_answer, archive_folder_answer;

int record(int id, int, char*) { return reached.push_back(id), 1; }

// The dispatcher on a browser page with a fixture folder, every missing part
// replaced by a recorder.
struct command_page : viewer_page {
    scoped_restore<command_hook_table> keep_hooks{command_hooks};
    scoped_restore<browser_op_hook_table> keep_ops{browser_op_hooks};
    scoped_restore<current_folder_state> keep_folder{current_folder};
    bench::scratch_dir dir;
    command_page() : viewer_page(700, 500)
    {
        install_command_hooks();
        install_command_parts();
        install_edit_parts();
        command_hook_table& h = command_hooks;
        int (**slots)(int, int, char*) = &h.new_entry;
        for (int (**s)(int, int, char*) = slots; s <= &h.prefixes_on; s++) *s = record;
        h.clipboard_open = [](int, int, char*) { return clipboard_answer; };
        h.archive_read_only = [](int, int, char*) { return read_only_answer; };
        h.in_archive_folder = [](int, int, char*) { return archive_folder_answer; };
        h.archive_kind_available = [](int, int, char*) { return 0; };
        h.write_back_archive = [](int, int, char*) { return 0; };
        h.prefixes_on = [](int, int, char*) { return 0; };
        h.size_dialog = [](int, int, char*) { return 0; };
        reached.clear();
        clipboard_answer = 1;
        read_only_answer = archive_folder_answer = 0;
        for (const char* n : {"a.png", "b.png", "c.png"})
            viewer_fixture::write_colour_png(dir.file(n), 40, 30, RGB(9, 9, 9));
        open(dir.path());
        HWND frame = GetParent(_page_hwnd(1));
        if (!browser_menus.bar || GetMenu(frame) != browser_menus.bar) build_main_menu(frame);
    }
    ~command_page() { busy_reset(); }
    void select(int i)
    {
        if (!browser_list.marks[i]) browser_list.selected_count++;
        browser_list.marks[i] = 1;
    }
    static void command(int id, int index = 0)
    {
        browser_command(index, _page_hwnd(1), WM_COMMAND, static_cast<WPARAM>(id), 0);
    }
    static std::string status()
    {
        HWND bar = FindWindowExA(GetParent(_page_hwnd(1)), nullptr, STATUSCLASSNAMEA, nullptr);
        char text[512] = "";
        SendMessageA(bar, SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(text));
        return text;
    }
    static std::string highlighted(int id, UINT flags = MF_STRING)
    {
        browser_command(0, _page_hwnd(1), WM_MENUSELECT, MAKEWPARAM(id, flags), 0);
        return status();
    }
};

// Every identifier of a menu, walked into its popups.
void menu_ids(HMENU m, std::set<int>* ids)
{
    for (int i = 0; i < GetMenuItemCount(m); i++) {
        HMENU sub = GetSubMenu(m, i);
        if (sub)
            menu_ids(sub, ids);
        else if (GetMenuItemID(m, i) != 0 && GetMenuItemID(m, i) != static_cast<UINT>(-1))
            ids->insert(GetMenuItemID(m, i));
    }
}

UINT state_of(HMENU m, int id) { return GetMenuState(m, id, MF_BYCOMMAND); }
bool greyed(HMENU m, int id) { return (state_of(m, id) & MF_GRAYED) != 0; }
std::string text_of(HMENU m, int id)
{
    char t[256] = "";
    GetMenuStringA(m, id, t, sizeof t, MF_BYCOMMAND);
    return t;
}
}  // namespace

// Every item of the bar, the size popup and the context menu, and every
// identifier keys and clicks send, has a row with an action.
TEST(Commands, EveryIdentifierHasAnAction)
{
    command_page p;
    std::set<int> ids;
    update_menu_state(browser_menus.size, nullptr);
    menu_ids(browser_menus.bar, &ids);
    HMENU context = build_file_context_menu(0);
    menu_ids(context, &ids);
    DestroyMenu(context);
    for (int id : {101, 113, 360, 378, 331, 498, 499, 5000, 5199, 2001, 2255, 1030, 3601, 5219}) ids.insert(id);
    ids.erase(65501);  // the library's close and help
    ids.erase(65510);
    EXPECT_GT(ids.size(), 140u);
    for (int id : ids) {
        const command_row* row = find_command_row(id);
        ASSERT_NE(row, nullptr) << "no row for " << id;
        EXPECT_NE(row->action, nullptr) << id;
    }
}

namespace {
// The Ctrl and Alt chords of a menu's items, as their texts give them after
// the tab, with the item's identifier (a popup's: the command of its chord).
struct chord {
    BYTE modifiers;  // FCONTROL, FALT, FSHIFT
    WORD key;
    int id;
    std::string text;
};

WORD key_of(const std::string& name)
{
    if (name.size() == 1) return static_cast<WORD>(name[0]);
    if (name == "↑") return VK_UP;
    if (name == "↓") return VK_DOWN;
    if (name == "F2") return VK_F2;
    if (name == "Enter") return VK_RETURN;
    return 0;
}

void menu_chords(HMENU m, std::vector<chord>* out)
{
    for (int i = 0; i < GetMenuItemCount(m); i++) {
        char text[256] = "";
        GetMenuStringA(m, i, text, sizeof text, MF_BYPOSITION);
        HMENU sub = GetSubMenu(m, i);
        std::string label = text;
        size_t tab = label.find('\t');
        if (tab != std::string::npos) {
            std::string keys = label.substr(label.find_first_not_of(' ', tab + 1));
            chord c = {0, 0, static_cast<int>(GetMenuItemID(m, i)), label};
            for (const char* mod : {"Ctrl+", "Alt+", "Shift+"}) {
                if (keys.compare(0, strlen(mod), mod) != 0) continue;
                c.modifiers |= mod[0] == 'C' ? FCONTROL : mod[0] == 'A' ? FALT : FSHIFT;
                keys.erase(0, strlen(mod));
            }
            c.key = key_of(keys);
            // The tree menu's drive and subfolder levels are popups; their chords open them at the mouse.
            if (sub) c.id = label.find("ドライブ") == 0 ? CM_DRIVE_MENU : CM_SUBFOLDER_MENU;
            if (c.modifiers & (FCONTROL | FALT)) out->push_back(c);
        }
        if (sub) menu_chords(sub, out);
    }
}
}  // namespace

// Every Ctrl and Alt chord the menus show beside an item is in the window's
// accelerator table with that item's command, and the table holds nothing
// else. The chords with Enter and F2 are the key table's (it looks at the
// entry under the mouse).
TEST(Menus, EveryChordShownIsAnAccelerator)
{
    command_page p;
    build_tree_menu();
    build_new_window_menu(browser_menus.new_window);
    std::vector<chord> shown;
    menu_chords(browser_menus.bar, &shown);
    HMENU context = build_file_context_menu(0);
    menu_chords(context, &shown);
    DestroyMenu(context);
    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(116));
    ASSERT_NE(table, nullptr);
    std::vector<ACCEL> entries(CopyAcceleratorTableA(table, nullptr, 0));
    CopyAcceleratorTableA(table, entries.data(), static_cast<int>(entries.size()));
    std::set<std::pair<int, int>> expected;
    for (const chord& c : shown) {
        if (c.key == VK_RETURN || c.key == VK_F2) continue;
        ASSERT_NE(c.key, 0) << c.text;
        expected.insert({(FVIRTKEY | c.modifiers) << 16 | c.key, c.id});
    }
    std::set<std::pair<int, int>> found;
    for (const ACCEL& a : entries) found.insert({a.fVirt << 16 | a.key, a.cmd});
    EXPECT_EQ(found, expected);
    EXPECT_EQ(expected.size(), 12u);
}

// The commands that act through the dispatcher's slots reach them, with the entry.
TEST(Commands, SlotCommandsAreReachedWithTheirEntry)
{
    command_page p;
    const int hooked[] = {240, 245, 246, 370, 126, 128, 300, 301, 120, 121, 122, 162, 335, 311, 236, 295,
                          105, 155, 156, 151, 154, 112, 110, 190, 195, 330, 331, 332, 340, 349, 135};
    for (int id : hooked) {
        p.select(0);  // a reload by the command before cleared the marks
        p.select(1);
        reached.clear();
        p.command(id, 1);
        EXPECT_NE(std::find(reached.begin(), reached.end(), id), reached.end()) << id;
    }
}

// The program's start-up fills every slot of the dispatcher with a part.
TEST(Commands, StartUpFillsEverySlot)
{
    const command_hook_table defaults = command_hooks;
    scoped_restore<command_hook_table> keep(command_hooks);
    install_command_hooks();
    install_command_parts();
    install_edit_parts();
    typedef int (*slot)(int, int, char*);
    const slot* before = &defaults.new_entry;
    const slot* after = &command_hooks.new_entry;
    const int count = int(&command_hooks.prefixes_on - &command_hooks.new_entry) + 1;
    for (int i = 0; i < count; i++) EXPECT_NE(before[i], after[i]) << "slot " << i << " keeps its default";
}

// Navigation commands stay out of full screen, display commands out of the
// viewer, entry commands out of an empty list.
TEST(Commands, GuardsKeepCommandsOut)
{
    command_page p;
    static int mode, full;
    browser_ui_hooks.viewer_mode = [] { return mode; };
    browser_ui_hooks.viewer_full_screen = [] { return full; };
    struct {
        int id, mode, full, count;
        bool acts;
    } cases[] = {
        {240, 0, 0, 3, true}, {370, 0, 0, 3, true},  {370, 1, 0, 3, false}, {127, 1, 0, 3, false},
        {135, 0, 0, 3, true}, {135, 1, 0, 3, false}, {126, 0, 0, 0, false}, {330, 0, 0, 0, false},
        {330, 1, 0, 3, true}, {340, 1, 1, 3, true},
    };
    for (auto& c : cases) {
        mode = c.mode, full = c.full;
        int saved = browser_list.count;
        browser_list.count = c.count;
        p.select(0);
        reached.clear();
        p.command(c.id);
        browser_list.count = saved;
        EXPECT_EQ(std::count(reached.begin(), reached.end(), c.id) > 0, c.acts) << c.id << " mode " << c.mode;
    }
    // Version box: a navigation command, kept out of full screen.
    mode = 0, full = 1;
    bench::message_boxes.clear();
    p.command(131);
    EXPECT_TRUE(bench::message_boxes.empty());
    full = 0;
    p.command(131);
    ASSERT_EQ(bench::message_boxes.size(), 1u);
    EXPECT_EQ(bench::message_boxes[0].title, "ZOTEバージョン情報");
}

// The highlighted item's help text in status field 1.
TEST(Commands, HelpTextOfTheHighlightedItem)
{
    command_page p;
    EXPECT_EQ(p.highlighted(250), "画面を更新します．");
    EXPECT_EQ(p.highlighted(65501), "このウインドウを閉じます．");
    EXPECT_EQ(p.highlighted(703), "一覧画像のサイズを横に 3 枚表示する大きさに変更します．");
    EXPECT_EQ(p.highlighted(152),
              "ファイル/フォルダを同名zipファイルに圧縮します．zip32j.dll, zip32.dll(またはizip32j.dll)が必要です．");
    browser_list.tree_depth = 1;
    EXPECT_EQ(p.highlighted(370), "サブフォルダを全て畳みます．");
    browser_list.tree_depth = 0;
    EXPECT_EQ(p.highlighted(370), "サブフォルダを全て展開します．");
    EXPECT_EQ(p.highlighted(250, MF_POPUP), "");
    build_drive_menu("c:\\", nullptr, 1000);
    EXPECT_EQ(p.highlighted(1001), "ドライブに移動します．Ctrlを押しながら選ぶと新規ウインドウで開きます．");
    p.highlighted(250);
    EXPECT_EQ(p.highlighted(499), "画面を更新します．");  // no help: the text stays
    browser_list_set_entries(nullptr, 0);
    EXPECT_EQ(p.highlighted(250), "");  // entry commands say nothing on an empty list
    // Through the window hook, as a menu sends it.
    SendMessageA(_page_hwnd(1), WM_MENUSELECT, MAKEWPARAM(231, MF_STRING), 0);
    EXPECT_EQ(p.status(), "デスクトップへ移動します．");
}

// The popups' states in the situations that change them.
TEST(Menus, StatesFollowTheSituation)
{
    command_page p;
    static int mode, full;
    browser_ui_hooks.viewer_mode = [] { return mode; };
    browser_ui_hooks.viewer_full_screen = [] { return full; };
    menu_handles& m = browser_menus;
    mode = full = 0;
    update_menu_state(m.edit, nullptr);
    EXPECT_TRUE(greyed(m.edit, 126));  // nothing selected
    EXPECT_FALSE(greyed(m.edit, 127));
    EXPECT_EQ(text_of(m.edit, 120), "全選択解除 \t Esc");
    p.select(1);
    update_menu_state(m.edit, nullptr);
    EXPECT_FALSE(greyed(m.edit, 126));
    read_only_answer = 1;  // a ZIP folder that cannot be written
    update_menu_state(m.edit, nullptr);
    EXPECT_TRUE(greyed(m.edit, 128) && greyed(m.edit, 300) && greyed(m.edit, 127));
    EXPECT_FALSE(greyed(m.edit, 126));
    read_only_answer = 0;
    update_menu_state(m.file, nullptr);
    EXPECT_TRUE(greyed(m.file, 105));
    archive_folder_answer = 1;
    update_menu_state(m.file, nullptr);
    EXPECT_FALSE(greyed(m.file, 105));
    EXPECT_FALSE(greyed(m.file, 112));
    update_menu_state(m.view, nullptr);
    EXPECT_FALSE(greyed(m.view, 379));
    EXPECT_TRUE((state_of(m.view, 380) & MF_CHECKED) != 0);
    mode = 1;  // one image
    update_menu_state(m.view, nullptr);
    EXPECT_TRUE(greyed(m.view, 379) && greyed(m.view, 380));
    update_menu_state(m.file, nullptr);
    EXPECT_EQ(text_of(m.file, 1000), "開く(&O)");
    full = 1;
    update_menu_state(m.file, nullptr);
    EXPECT_TRUE(greyed(m.file, 112));
    mode = full = 0;
    viewer_state.interval = 25;
    update_menu_state(m.slide, nullptr);
    EXPECT_EQ(text_of(m.slide, 3000), "他の値 2.5秒 (&V)");
    viewer_state.interval = 20;
    update_menu_state(m.slide, nullptr);
    EXPECT_EQ(text_of(m.slide, 3000), "他の値 (&V)");
    EXPECT_TRUE((state_of(m.slide, 3021) & MF_CHECKED) != 0);
    browser_list.strip_numbers = 11;
    update_menu_state(m.size, nullptr);
    EXPECT_EQ(text_of(m.size, 709), "横 &9 枚 \t 9");
    EXPECT_EQ(text_of(m.size, 710), "横 10 枚");
    // The drive list: no current drive, so no drive-cache command and no parent.
    current_folder.drive_list = 1;
    update_menu_state(m.cache, nullptr);
    EXPECT_TRUE(greyed(m.cache, 139) && greyed(m.cache, 140) && greyed(m.cache, 141));
    build_tree_menu();
    EXPECT_TRUE(greyed(m.tree, 230) && greyed(m.tree, 233));
}

// At the drive list, 140 writes nothing into the process's current folder.
TEST(Commands, CdrPreparationNeedsTheShownFolder)
{
    command_page p;
    bench::install_message_box_seam(IDYES);
    bench::scratch_dir elsewhere;
    viewer_fixture::write_colour_png(elsewhere.file("x.png"), 40, 30, RGB(1, 2, 3));
    SetCurrentDirectoryA(elsewhere.path());
    current_folder.drive_list = 1;
    p.command(140);
    current_folder.drive_list = 0;
    EXPECT_EQ(GetFileAttributesA(elsewhere.file("autorun.inf").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA(elsewhere.file("zote").c_str()), INVALID_FILE_ATTRIBUTES);
    SetCurrentDirectoryA(p.dir.path());
}

// A paste with no files on the clipboard pastes nothing and closes the
// clipboard again.
TEST(Commands, PasteOfNoFilesLeavesTheClipboardClosed)
{
    command_page p;
    bench::clipboard_lock lock;
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    p.command(CM_PASTE);
    EXPECT_EQ(browser_list.count, 3) << "nothing was pasted";
    EXPECT_TRUE(OpenClipboard(nullptr)) << "the paste left the clipboard open";
    CloseClipboard();
}

// Rotated in the viewer, the same picture is shown again under its new name,
// though the rename moved it past its neighbour.
TEST(Commands, RotationInTheViewerReopensByName)
{
    command_page p;
    bench::scratch_dir d;
    list_fixture::write_image(d.file("x.jpg"), 40, 30);
    list_fixture::write_image(d.file("x.m.jpg"), 40, 30);
    p.open(d.path());
    ASSERT_EQ(p.index_of("x.jpg"), 0);
    view_one_image(viewer_state, 0);
    p.command(115, 0);
    ASSERT_EQ(p.index_of("x.r.jpg"), 1);
    EXPECT_EQ(viewer_state.mode, VIEWER_MODE_ONE);
    EXPECT_EQ(viewer_state.current_index, 1);
    back_to_list(viewer_state);
    SetCurrentDirectoryA(p.dir.path());
}

// Send-to: a folder target copies with the overwrite question (dialog
// "上書きの確認", whose "全て" answers for the rest of the command); a target
// that is gone ends the command with the window no longer busy.
TEST(SendTo, FolderTargetAndMissingTarget)
{
    command_page p;
    char send_to[MAX_PATH];
    ASSERT_TRUE(get_special_folder("SendTo", send_to));
    CreateDirectoryA(send_to, nullptr);
    std::string target = std::string(send_to) + "\\zz 送る表";
    CreateDirectoryA(target.c_str(), nullptr);
    bench::write_file(std::string(send_to) + "\\hidden.mapimail", "");
    HMENU popup = CreatePopupMenu();
    int n = fill_send_to_menu(popup);
    int id = 0;
    for (int i = 0; i < n; i++) {
        char t[MAX_PATH];
        GetMenuStringA(popup, i, t, sizeof t, MF_BYPOSITION);
        EXPECT_STRNE(t, "hidden");
        if (std::string(t) == "zz 送る表") id = GetMenuItemID(popup, i);
    }
    DestroyMenu(popup);
    ASSERT_NE(id, 0);
    p.select(1);
    p.select(2);
    using paste_fixture::answer;
    struct {
        const char* what;
        std::vector<answer> answers;
        int asked;
        bool replaced;  // a.png and b.png hold the picture
        bool unique;    // a0.png and b0.png were made
    } cases[] = {
        {"cancel each", {{IDCANCEL, false}, {IDCANCEL, false}}, 2, false, false},
        {"no to all", {{4, true}}, 1, false, true},
        {"yes to all", {{1, true}}, 1, true, false},
        {"no, then yes", {{4, false}, {1, false}}, 2, false, false},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* name : {"a.png", "b.png"}) bench::write_file(target + "\\" + name, "old");
        for (const char* name : {"a0.png", "b0.png", "c.png"}) DeleteFileA((target + "\\" + name).c_str());
        {
            paste_fixture::dialog_robot robot(c.answers);
            p.command(id, 0);
            EXPECT_EQ(robot.answered(), c.asked);
        }
        auto exists = [&](const char* name) {
            return GetFileAttributesA((target + "\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES;
        };
        EXPECT_EQ(bench::read_file(target + "\\a.png") != "old", c.replaced);
        if (std::string(c.what) != "no, then yes") {
            EXPECT_EQ(bench::read_file(target + "\\b.png") != "old", c.replaced);
            EXPECT_EQ(exists("a0.png"), c.unique);
            EXPECT_EQ(exists("b0.png"), c.unique);
        } else {
            EXPECT_TRUE(exists("a0.png"));
            EXPECT_NE(bench::read_file(target + "\\b.png"), "old");
        }
        EXPECT_TRUE(exists("c.png"));  // no question: it was not there
        EXPECT_EQ(busy_state.counter, 0);
    }
    bench::remove_tree(target);
    DeleteFileA((std::string(send_to) + "\\hidden.mapimail").c_str());
    EXPECT_EQ(run_send_to(id, "a.png"), 0);
    EXPECT_EQ(busy_state.counter, 0);
}

// A program's command line quotes paths with blanks and is refused, not
// cut, past its cap.
TEST(SendTo, ProgramCommandLine)
{
    const char* files[] = {"C:\\a b\\x.jpg", "C:\\y.jpg"};
    char line[64];
    ASSERT_EQ(send_to_command_line("C:\\tools\\v.exe", files, 2, line, sizeof line), 1);
    EXPECT_STREQ(line, "C:\\tools\\v.exe \"C:\\a b\\x.jpg\" C:\\y.jpg");
    EXPECT_EQ(send_to_command_line("C:\\my tools\\v.exe", files, 2, line, 30), 0);
}

// With the built parts in the slots, the selection commands mark for real,
// and highlighting a menu item never carries it out.
TEST(Commands, BuiltPartsAreWired)
{
    command_page p;
    install_command_parts();
    p.command(121);
    EXPECT_EQ(browser_list.selected_count, browser_list.count);
    p.highlighted(120);
    EXPECT_EQ(browser_list.selected_count, browser_list.count);
    p.command(120);
    EXPECT_EQ(browser_list.selected_count, 0);
    p.command(162, 2);
    EXPECT_EQ(browser_list.marks[2], 1);
}

// Command 315 renames a folder after the first file it lists (without its
// extension); a name already taken leaves everything as it was.
TEST(Commands, FolderRenamedAfterItsFirstFile)
{
    struct {
        const char* what;
        bool taken;  // a folder of the new name exists already
        const char* expected;
    } cases[] = {
        {"free name", false, "01ソ"},
        {"name taken", true, "束ね表"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        command_page p;
        CreateDirectoryA(p.dir.file("束ね表").c_str(), nullptr);
        for (const char* n : {"束ね表\\02能.png", "束ね表\\01ソ.png"})
            viewer_fixture::write_colour_png(p.dir.file(n), 40, 30, RGB(9, 9, 9));
        if (c.taken) CreateDirectoryA(p.dir.file("01ソ").c_str(), nullptr);
        p.open(p.dir.path());
        auto folder_entry = [](const std::string& name) {
            for (int i = 0; i < browser_list.count; i++)
                if (strncmp(browser_list.names[i], name.c_str(), name.size()) == 0) return i;
            return -1;
        };
        int folder = folder_entry("束ね表");
        ASSERT_GE(folder, 0);
        p.command(315, folder);
        EXPECT_NE(GetFileAttributesA(p.dir.file(std::string(c.expected) + "\\01ソ.png").c_str()),
                  INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(GetFileAttributesA(p.dir.file("束ね表").c_str()) != INVALID_FILE_ATTRIBUTES, c.taken);
        EXPECT_GE(folder_entry(c.expected), 0);
    }
}

// Command 195 lets the user choose the scanner's source in the source
// manager's own dialog (answered here with its first source).
namespace {
HHOOK source_choice_hook;
LRESULT CALLBACK choose_first_source(int code, WPARAM wparam, LPARAM lparam)
{
    if (code == HCBT_ACTIVATE) PostMessageA((HWND)wparam, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return CallNextHookEx(source_choice_hook, code, wparam, lparam);
}
}  // namespace

TEST(Commands, ScannerSourceChoice)
{
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    std::string installed = std::string(windows) + "\\twain_32\\sane.ds";
    std::string built = bench::exe_folder() + "standin_twain.ds";
    if (bench::read_file(installed) != bench::read_file(built)) CopyFileA(built.c_str(), installed.c_str(), FALSE);
    command_page p;
    install_command_hooks();
    install_command_parts();
    install_edit_parts();
    memset(twain.source.ProductName, 0, sizeof twain.source.ProductName);
    source_choice_hook = SetWindowsHookExA(WH_CBT, choose_first_source, nullptr, GetCurrentThreadId());
    p.command(195);
    UnhookWindowsHookEx(source_choice_hook);
    EXPECT_STREQ(twain.source.ProductName, "ZOTE test scanner");
    EXPECT_EQ(twain.dsm_open, 0);
}
