// The command dispatcher and the menus: every identifier a menu carries has
// an action, commands that act through the dispatcher's slots reach them,
// the guards keep commands out where they must not act, the status line shows
// the highlighted item's help text, the popups' states follow the situation,
// and Send-to copies, asks and never leaves the window busy.
#include "browser/commands/command_parts.h"
#include "browser/commands/commands.h"
#include "browser/archives/archive_folder.h"
#include "browser/model/arccache.h"
#include "browser/operations/archive_commands.h"
#include "browser/model/busy.h"
#include "browser/commands/keys.h"
#include "browser/commands/window_hook.h"
#include "browser/model/history.h"
#include "browser/model/seams.h"
#include "browser/model/start.h"
#include "browser/model/paths.h"
#include "browser/model/numbering.h"
#include "files/files.h"
#include "formats/formats.h"
#include "formats/internal.h"  // the chosen scanner source is read from the TWAIN session
#include "tests/browser/archive_fixtures.h"
#include "tests/browser/editor_robot.h"
#include "tests/browser/paste_fixtures.h"
#include "tests/browser/viewer_fixtures.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <functional>
#include <set>

namespace {
using viewer_fixture::viewer_page;

std::vector<int> verbs_run;  // the shell verbs handed to the program launcher

// Watches the modal windows this thread shows during a command: records each
// caption and answers it with button, as the user would.
struct dialog_watch {
    static dialog_watch* current;
    HHOOK hook;
    int button;
    std::vector<std::string> captions;
    explicit dialog_watch(int answer = IDCANCEL) : button(answer)
    {
        current = this;
        hook = SetWindowsHookExA(WH_CBT, on_activate, nullptr, GetCurrentThreadId());
    }
    ~dialog_watch()
    {
        UnhookWindowsHookEx(hook);
        current = nullptr;
    }
    dialog_watch(const dialog_watch&) = delete;
    dialog_watch& operator=(const dialog_watch&) = delete;
    static LRESULT CALLBACK on_activate(int code, WPARAM wparam, LPARAM lparam)
    {
        dialog_watch* w = current;
        HWND window = reinterpret_cast<HWND>(wparam);
        char cls[16] = "";
        if (code == HCBT_ACTIVATE && w && GetClassNameA(window, cls, sizeof cls) && strcmp(cls, "#32770") == 0) {
            char caption[256] = "";
            GetWindowTextA(window, caption, sizeof caption);
            w->captions.push_back(caption);
            PostMessageA(window, WM_COMMAND, MAKEWPARAM(w->button, BN_CLICKED), 0);
        }
        return CallNextHookEx(w ? w->hook : nullptr, code, wparam, lparam);
    }
};
dialog_watch* dialog_watch::current;

// The dispatcher on a browser page with a fixture folder and the program's
// own parts; only the program launcher is the test's.
struct command_page : viewer_page {
    scoped_restore<browser_seam_table> keep_seams{browser_seams};
    scoped_restore<current_folder_state> keep_folder{current_folder};
    bench::scratch_dir dir;
    command_page() : viewer_page(700, 500)
    {
        browser_seams.open_with = [](const char*, int verb) { return verbs_run.push_back(verb), 1; };
        verbs_run.clear();
        for (const char* n : {"a.png", "b.png", "c.png"})
            viewer_fixture::write_colour_png(dir.file(n), 40, 30, RGB(9, 9, 9));
        open(dir.path());
        HWND frame = GetParent(_page_hwnd(1));
        if (!browser_menus.bar || GetMenu(frame) != browser_menus.bar) build_main_menu(frame);
    }
    ~command_page()
    {
        busy_reset();
        // The member cache keeps what it extracted of the archives listed
        // here in the work folder; it goes with them.
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA(dir.file("*").c_str(), &found);
        if (h == INVALID_HANDLE_VALUE) return;
        do arccache_forget(dir.file(found.cFileName).c_str());
        while (FindNextFileA(h, &found));
        FindClose(h);
    }
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

// The viewer in the mode a case asks for, entered as the user's commands enter
// it (full screen from the list), and left again to the list.
void show_in_viewer(int mode, int full, int index)
{
    if (full)
        enter_fullscreen(viewer_state, index);
    else if (mode == VIEWER_MODE_ONE)
        view_one_image(viewer_state, index);
}
void back_from_viewer()
{
    leave_fullscreen(viewer_state);
    back_to_list(viewer_state);
}

// The shown folder as this instance's work folder of a ZIP archive whose
// file is read-only: nothing may be written back into it.
struct read_only_zip_folder {
    scoped_restore<archive_work_record> keep{archive_work};
    bench::scratch_dir work;
    std::string zip;
    explicit read_only_zip_folder(const command_page& p)
    {
        zip = work.write("旅表.zip", "PK\x05\x06" + std::string(18, '\0'));
        archive_work.instance = 0;
        text_copy(archive_work.folder, p.dir.path());
        text_copy(archive_work.folder_file, work.file("folder.d").c_str());
        EXPECT_TRUE(write_open_archive(zip.c_str()));
        SetFileAttributesA(zip.c_str(), FILE_ATTRIBUTE_READONLY);
        EXPECT_EQ(archive_is_read_only(), 1);
    }
    ~read_only_zip_folder() { SetFileAttributesA(zip.c_str(), FILE_ATTRIBUTE_NORMAL); }
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

// Every item of the bar, the size and tree popups and the context menu, and
// every identifier keys and clicks send, has a row with an action.
TEST(Commands, EveryIdentifierHasAnAction)
{
    command_page p;
    std::set<int> ids;
    update_menu_state(browser_menus.size, nullptr);
    update_menu_state(browser_menus.tree, nullptr);
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
// the tab, with the item's identifier (a popup's: the command of its chord)
// and the viewer mode the menu was shown in.
struct chord {
    BYTE modifiers;  // FCONTROL, FALT, FSHIFT
    WORD key;
    int id;
    std::string text;
    int mode;
};

WORD key_of(const std::string& name)
{
    if (name.size() == 1) return static_cast<WORD>(name[0]);
    if (name == "↑") return VK_UP;
    if (name == "↓") return VK_DOWN;
    if (name == "←") return VK_LEFT;
    if (name == "→") return VK_RIGHT;
    if (name == "F2") return VK_F2;
    if (name == "Enter") return VK_RETURN;
    return 0;
}

void menu_chords(HMENU m, int mode, std::vector<chord>* out)
{
    for (int i = 0; i < GetMenuItemCount(m); i++) {
        char text[256] = "";
        GetMenuStringA(m, i, text, sizeof text, MF_BYPOSITION);
        HMENU sub = GetSubMenu(m, i);
        std::string label = text;
        size_t tab = label.find('\t');
        if (tab != std::string::npos) {
            std::string keys = label.substr(label.find_first_not_of(' ', tab + 1));
            chord c = {0, 0, static_cast<int>(GetMenuItemID(m, i)), label, mode};
            for (const char* mod : {"Ctrl+", "Alt+", "Shift+"}) {
                if (keys.compare(0, strlen(mod), mod) != 0) continue;
                c.modifiers |= mod[0] == 'C' ? FCONTROL : mod[0] == 'A' ? FALT : FSHIFT;
                keys.erase(0, strlen(mod));
            }
            c.key = key_of(keys);
            // The tree menu's drive and subfolder levels are popups; their chords open them at the mouse.
            if (sub) c.id = label.find("ドライブ") == 0 ? CM_DRIVE_MENU : CM_SUBFOLDER_MENU;
            if (c.modifiers) out->push_back(c);
        }
        if (sub) menu_chords(sub, mode, out);
    }
}

// The key table's chords look at the entry under the mouse: Enter with Ctrl
// or Shift, and F2. Every other chord is the accelerator table's.
bool key_table_chord(const chord& c) { return (c.key == VK_RETURN && !(c.modifiers & FALT)) || c.key == VK_F2; }

std::vector<int> commands_seen;
int recording_hook(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m != WM_COMMAND || wp == CM_DEFERRED_LAYOUT) return app_wndproc_hook(w, m, wp, lp);
    commands_seen.push_back(LOWORD(wp));
    return 1;
}
}  // namespace

// Every chord the menus show beside an item acts: the menu bar's popups (the
// history's as it opens), the tree menu and the entry menu in the list and in
// the viewer. A chord of the accelerator table sends that item's command, and
// the table holds nothing else; a chord of the key table, pressed in the mode
// its menu was shown in with the pointer on a picture, sends or posts it.
TEST(Menus, EveryChordShownActs)
{
    command_page p;
    build_tree_menu();
    build_new_window_menu(browser_menus.new_window);
    build_history_menu(browser_menus.history);
    std::vector<chord> shown;
    menu_chords(browser_menus.bar, VIEWER_MODE_LIST, &shown);
    HMENU context = build_file_context_menu(0);
    menu_chords(context, VIEWER_MODE_LIST, &shown);
    DestroyMenu(context);
    view_one_image(viewer_state, 0);
    context = build_file_context_menu(0);
    menu_chords(context, VIEWER_MODE_ONE, &shown);
    DestroyMenu(context);
    back_from_viewer();

    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(116));
    ASSERT_NE(table, nullptr);
    std::vector<ACCEL> entries(CopyAcceleratorTableA(table, nullptr, 0));
    CopyAcceleratorTableA(table, entries.data(), static_cast<int>(entries.size()));
    std::set<std::pair<int, int>> expected;
    std::vector<chord> keyed;
    for (const chord& c : shown) {
        ASSERT_NE(c.key, 0) << c.text;
        if (key_table_chord(c))
            keyed.push_back(c);
        else
            expected.insert({(FVIRTKEY | c.modifiers) << 16 | c.key, c.id});
    }
    std::set<std::pair<int, int>> found;
    for (const ACCEL& a : entries) found.insert({a.fVirt << 16 | a.key, a.cmd});
    EXPECT_EQ(found, expected);
    EXPECT_EQ(expected.size(), 15u);

    app_hooks.window_hook = recording_hook;
    HWND window = _page_hwnd(1);
    for (const chord& c : keyed) {
        if (c.mode == VIEWER_MODE_ONE) view_one_image(viewer_state, 0);
        POINT centre = {int(browser_list.left_margin + browser_list.cell_width / 2),
                        int(browser_list.top_margin + browser_list.cell_height / 2)};
        ClientToScreen(window, &centre);
        SetCursorPos(centre.x, centre.y);
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = (c.modifiers & FSHIFT) ? 0x80 : 0;
        keys[VK_CONTROL] = (c.modifiers & FCONTROL) ? 0x80 : 0;
        SetKeyboardState(keys);
        commands_seen.clear();
        browser_keydown(window, c.key);
        bench::pump_for(50);
        keys[VK_SHIFT] = keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
        EXPECT_EQ(commands_seen, std::vector<int>{c.id}) << c.text << " in mode " << c.mode;
        if (c.mode == VIEWER_MODE_ONE) back_from_viewer();
    }
    EXPECT_EQ(keyed.size(), 5u) << "the list's Ctrl+F2, Ctrl+Enter, Ctrl+Shift+Enter; the viewer's last two";
}

namespace {
bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
bool is_folder(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}
int files_like(const command_page& p, const char* pattern)
{
    int n = 0;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(p.dir.file(pattern).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return 0;
    do n++;
    while (FindNextFileA(h, &found));
    FindClose(h);
    return n;
}
int index_of(const char* name)
{
    for (int i = 0; i < browser_list.count; i++)
        if (strncmp(browser_list.names[i], name, strlen(name)) == 0) return i;
    return -1;
}
int printed_selection;  // what the printing library was handed
}  // namespace

// Each command reaches the part that carries it out, with its entry: a
// mark, the clipboard, a file made, moved or gone, the dialog it opens
// (cancelled here), the in-list editor it opens (left with Esc), the
// program it starts or the print job it hands over.
TEST(Commands, CommandsReachTheirParts)
{
    archive_folder_test::prepare();
    bench::clipboard_lock lock;
    static std::string edited;  // what the in-list editor showed
    struct command_case {
        int id;
        const char* entry;               // the entry the command names
        std::vector<const char*> marks;  // the entries marked before
        const char* dialog;              // the caption of the dialog it opens ("" the shell's), or null
        const char* typed;               // it opens the in-list editor: typed and Enter ("": Esc); null: none
        std::function<void(command_page&)> before;
        std::function<bool(command_page&)> done;
    };
    auto none = [](command_page&) {};
    auto selected = [](int n) { return [n](command_page&) { return browser_list.selected_count == n; }; };
    auto shown = [](command_page&) { return true; };
    auto seen = [](const char* text) { return [text](command_page&) { return edited == text; }; };
    auto archive_copied = [](const char* name) {
        return [name](command_page& p) {
            archive_folder_test::copy_fixture(p.dir, name);
            p.open(p.dir.path());
        };
    };
    auto folder_made = [](command_page& p) {
        CreateDirectoryA(p.dir.file("束表").c_str(), nullptr);
        viewer_fixture::write_colour_png(p.dir.file("束表\\d.png"), 40, 30, RGB(9, 9, 9));
        p.open(p.dir.path());
    };
    const command_case cases[] = {
        {CM_SELECT_ALL, "a.png", {}, nullptr, nullptr, none, selected(3)},
        {CM_CLEAR_MARKS, "a.png", {"a.png", "b.png"}, nullptr, nullptr, none, selected(0)},
        {CM_SELECT_ALL_FILTERED, "a.png", {}, nullptr, nullptr, none, selected(3)},
        {CM_MARK_ENTRY, "c.png", {}, nullptr, nullptr, none, [](command_page&) { return browser_list.marks[2] == 1; }},
        {CM_MARK_RANGE, "c.png", {"a.png"}, nullptr, nullptr, none, selected(3)},
        {CM_COPY,
         "a.png",
         {"b.png", "c.png"},
         nullptr,
         nullptr,
         none,
         [](command_page&) { return clipboard_holds_files() == 1 && browser_list.selected_count == 0; }},
        {CM_CUT,
         "a.png",
         {"b.png"},
         nullptr,
         nullptr,
         none,
         [](command_page&) { return clipboard_holds_files() == 2; }},
        {CM_RECYCLE,
         "a.png",
         {"a.png"},
         "",
         nullptr,
         none,
         [](command_page& p) { return !exists(p.dir.file("a.png")); }},
        {CM_MOVE_INTO,
         "束表",
         {"a.png"},
         nullptr,
         nullptr,
         folder_made,
         [](command_page& p) { return exists(p.dir.file("束表\\a.png")) && !exists(p.dir.file("a.png")); }},
        {CM_NUMBER_PREFIXES,
         "a.png",
         {},
         nullptr,
         nullptr,
         none,
         [](command_page& p) { return !exists(p.dir.file("a.png")) && files_like(p, "*.png") == 3; }},
        {CM_FOLDER_LISTING,
         "a.png",
         {},
         nullptr,
         nullptr,
         none,
         [](command_page& p) { return exists(p.dir.file(std::string(file_name_of(p.dir.path())) + ".txt")); }},
        {CM_EXPAND_ALL,
         "a.png",
         {},
         nullptr,
         nullptr,
         folder_made,
         [](command_page&) { return browser_list.tree_depth != 0; }},
        {CM_SEARCH, "a.png", {}, "ﾌｧｲﾙの検索", nullptr, none, shown},
        {CM_BATCH_RENAME, "a.png", {"a.png", "b.png"}, "選択ﾌｧｲﾙの名前をまとめて変更", nullptr, none, shown},
        {CM_SAVE_AS, "a.png", {}, "形式を変えて保存", nullptr, none, shown},
        {CM_CACHE_SETTINGS, "a.png", {}, "ﾌｧｲﾙｷｬｯｼｭの設定", nullptr, none, shown},
        {CM_SIZE_DIALOG, "a.png", {}, "一覧表示の画像ｻｲｽﾞ設定", nullptr, none, shown},
        {CM_COUNT_COLOURS,
         "b.png",
         {},
         nullptr,
         nullptr,
         none,
         [](command_page&) {
             return bench::message_boxes.size() == 1 && bench::message_boxes[0].text.find("b.png") == 0;
         }},
        {CM_RENAME, "b.png", {}, nullptr, "", none, seen("b")},
        {CM_RENAME_WITH_NUMBER, "b.png", {}, nullptr, "", none, seen("b")},
        {CM_TIME_STAMP, "b.png", {}, nullptr, "", none, [](command_page&) { return !edited.empty(); }},
        {CM_SHELL_VERB_FIRST,
         "a.png",
         {},
         nullptr,
         nullptr,
         none,
         [](command_page&) { return verbs_run == std::vector<int>{0}; }},
        {CM_SHELL_VERB_LAST,
         "a.png",
         {},
         nullptr,
         nullptr,
         none,
         [](command_page&) { return verbs_run == std::vector<int>{9}; }},
        {CM_PRINT,
         "a.png",
         {"a.png", "c.png"},
         nullptr,
         nullptr,
         none,
         [](command_page&) { return printed_selection == 2; }},
        {CM_PACK_FIRST + 1,
         "b.png",
         {"b.png"},
         nullptr,
         nullptr,
         none,
         [](command_page& p) { return files_like(p, "*.zip") == 1; }},
        {CM_NEW_FOLDER,
         "a.png",
         {},
         nullptr,
         "新表",
         none,
         [](command_page& p) { return is_folder(p.dir.file("新表")); }},
        {CM_NEW_TEXT,
         "a.png",
         {},
         nullptr,
         "新表",
         [](command_page&) { browser_list.settings.textpic = 1; },  // text files listed, as by default
         [](command_page& p) { return exists(p.dir.file("新表.txt")) && files_like(p, "*.newfolder*") == 0; }},
        {CM_EXTRACT,
         "images.zip",
         {},
         nullptr,
         nullptr,
         archive_copied("images.zip"),
         [](command_page& p) { return is_folder(p.dir.file("images")) && files_like(p, "images\\*.*") > 0; }},
        {CM_SFX,
         "images.lzh",
         {},
         nullptr,
         nullptr,
         archive_copied("images.lzh"),
         [](command_page& p) { return exists(p.dir.file("images.exe")); }},
    };
    for (const command_case& c : cases) {
        SCOPED_TRACE(c.id);
        command_page p;
        browser_seams.print_selection = [](int, const unsigned char*, int selected, char* const*) {
            return printed_selection = selected, 1;
        };
        printed_selection = 0;
        c.before(p);
        bench::install_message_box_seam(IDYES);  // the prefixes' question
        for (const char* name : c.marks) p.select(index_of(name));
        int index = index_of(c.entry);
        std::string listed;
        for (int i = 0; i < browser_list.count; i++) listed += std::string(browser_list.names[i]) + "|";
        ASSERT_GE(index, 0) << c.entry << " in " << listed;
        bench::message_boxes.clear();
        edited.clear();
        dialog_watch watch(c.dialog && !c.dialog[0] ? IDYES : IDCANCEL);
        if (c.typed) {
            const char* typed = c.typed;
            editor_robot::robot user([typed](HWND edit) {
                if (!typed[0]) {
                    PostMessageA(edit, WM_CHAR, VK_ESCAPE, 0);
                    return;
                }
                SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed));
                PostMessageA(edit, WM_CHAR, VK_RETURN, 0);
            });
            p.command(c.id, index);
            edited = user.done();
        } else {
            p.command(c.id, index);
        }
        if (c.dialog && c.dialog[0]) EXPECT_EQ(watch.captions, std::vector<std::string>{c.dialog});
        if (c.dialog && !c.dialog[0]) EXPECT_EQ(watch.captions.size(), 1u) << "the shell's question";
        if (!c.dialog) EXPECT_TRUE(watch.captions.empty());
        std::string boxes;
        for (auto& b : bench::message_boxes) boxes += b.title + ": " + b.text + "|";
        EXPECT_TRUE(c.done(p)) << "editor showed " << edited << " boxes " << boxes << " png " << files_like(p, "*.png");
        SetCurrentDirectoryA(p.dir.path());
    }
}

// The archive password command (105) opens its dialog inside an archive folder.
TEST(Commands, PasswordOfTheShownArchive)
{
    archive_folder_test::prepare();
    command_page p;
    std::string archive = archive_folder_test::copy_fixture(p.dir, "images.zip");
    ASSERT_EQ(open_archive_as_folder(archive.c_str()), 1);
    ASSERT_TRUE(change_folder(archive_work.folder));
    load_folder(nullptr, 0, 0, nullptr, 0);
    {
        dialog_watch watch;
        p.command(CM_ARCHIVE_PASSWORD);
        EXPECT_EQ(watch.captions, std::vector<std::string>{"パスワード"});
    }
    SetCurrentDirectoryA(p.dir.path());
    leave_archive_folder(archive.c_str());
}

// Navigation commands stay out of full screen, display commands out of the
// viewer, entry commands out of an empty list.
TEST(Commands, GuardsKeepCommandsOut)
{
    command_page p;
    bench::install_message_box_seam(IDOK);
    bench::clipboard_lock lock;
    std::string listing = p.dir.file(std::string(file_name_of(p.dir.path())) + ".txt");
    CreateDirectoryA(p.dir.file("束表").c_str(), nullptr);  // something to expand
    viewer_fixture::write_colour_png(p.dir.file("束表\\d.png"), 40, 30, RGB(9, 9, 9));
    struct {
        int id, mode, full, count;
        bool acts;
    } cases[] = {
        {CM_FOLDER_LISTING, 0, 0, 3, true}, {CM_EXPAND_ALL, 0, 0, 3, true},
        {CM_EXPAND_ALL, 1, 0, 3, false},    {CM_PASTE, 1, 0, 3, false},
        {CM_CACHE_SETTINGS, 0, 0, 3, true}, {CM_CACHE_SETTINGS, 1, 0, 3, false},
        {CM_COPY, 0, 0, 0, false},          {CM_COUNT_COLOURS, 0, 0, 0, false},
        {CM_COUNT_COLOURS, 1, 0, 3, true},  {CM_SHELL_VERB_FIRST, 1, 1, 3, true},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.id);
        p.open(p.dir.path());
        const int a = index_of("a.png");
        p.select(a);
        ASSERT_EQ(copy_or_cut_to_clipboard(0), 1);  // a.png waits to be pasted
        if (c.id == CM_COPY) {
            OpenClipboard(nullptr);
            EmptyClipboard();
            CloseClipboard();
        }
        DeleteFileA(listing.c_str());
        browser_list.tree_depth = 0;
        verbs_run.clear();
        bench::message_boxes.clear();
        show_in_viewer(c.mode, c.full, a);
        ASSERT_EQ(viewer_now.mode, c.mode);
        ASSERT_EQ(viewer_now.full_screen, c.full);
        int saved = browser_list.count;
        browser_list.count = c.count;
        p.select(a);
        dialog_watch watch;
        p.command(c.id, a);
        if (browser_list.count == c.count) browser_list.count = saved;
        bool acted = exists(listing) || browser_list.tree_depth != 0 || !watch.captions.empty() ||
                     (c.id == CM_COPY && clipboard_holds_files()) || !bench::message_boxes.empty() ||
                     !verbs_run.empty() || files_like(p, "*.png") != 3;
        EXPECT_EQ(acted, c.acts) << c.id << " mode " << c.mode;
        back_from_viewer();
    }
    DeleteFileA(listing.c_str());
    p.open(p.dir.path());
    // Version box: a navigation command, kept out of full screen.
    show_in_viewer(VIEWER_MODE_LIST, 1, 0);
    bench::message_boxes.clear();
    p.command(CM_VERSION);
    EXPECT_TRUE(bench::message_boxes.empty());
    back_from_viewer();
    int buffer = _newbuffer_auto(4, 4);  // one memory buffer at least
    p.command(CM_VERSION);
    ASSERT_EQ(bench::message_boxes.size(), 1u);
    EXPECT_EQ(bench::message_boxes[0].title, "ZOTEバージョン情報");
    // "HDC" counts the memory buffers among the page slots.
    std::string buffers = "HDC = " + std::to_string(_count_buffers()) + ",";
    EXPECT_NE(bench::message_boxes[0].text.find(buffers), std::string::npos) << bench::message_boxes[0].text;
    _page_free(buffer);
    // Both it and the uninstall hint name the program's folder in the temporary folder.
    char zote[PATH_BUF];
    ASSERT_TRUE(zote_temp_path("zote", zote));
    CreateDirectoryA(zote, nullptr);
    GetLongPathNameA(zote, zote, PATH_BUF);
    for (int id : {CM_VERSION, CM_UNINSTALL}) {
        p.command(id);
        std::string text = bench::message_boxes.back().text;
        EXPECT_NE(text.find("\n<ZOTEフォルダ>\n" + std::string(zote) + "\n\n"), std::string::npos) << text;
    }
}

// The highlighted item's help text in status field 1.
TEST(Commands, HelpTextOfTheHighlightedItem)
{
    command_page p;
    EXPECT_EQ(p.highlighted(CM_RELOAD), "画面を更新します．");
    EXPECT_EQ(p.highlighted(65501), "このウインドウを閉じます．");
    EXPECT_EQ(p.highlighted(CM_FULL_SIZE + 3), "一覧画像のサイズを横に 3 枚表示する大きさに変更します．");
    EXPECT_EQ(p.highlighted(CM_PACK_FIRST + 1),
              "ファイル/フォルダを同名zipファイルに圧縮します．zip32j.dll, zip32.dll(またはizip32j.dll)が必要です．");
    browser_list.tree_depth = 1;
    EXPECT_EQ(p.highlighted(CM_EXPAND_ALL), "サブフォルダを全て畳みます．");
    browser_list.tree_depth = 0;
    EXPECT_EQ(p.highlighted(CM_EXPAND_ALL), "サブフォルダを全て展開します．");
    EXPECT_EQ(p.highlighted(CM_RELOAD, MF_POPUP), "");
    build_drive_menu("c:\\", nullptr, CM_FOLDER_TREE);
    EXPECT_EQ(p.highlighted(CM_JUMP_FIRST), "ドライブに移動します．Ctrlを押しながら選ぶと新規ウインドウで開きます．");
    p.highlighted(CM_RELOAD);
    EXPECT_EQ(p.highlighted(CM_SMALLER), "画面を更新します．");  // no help: the text stays
    browser_list_set_entries(nullptr, 0);
    EXPECT_EQ(p.highlighted(CM_RELOAD), "");  // entry commands say nothing on an empty list
    // Through the window hook, as a menu sends it.
    SendMessageA(_page_hwnd(1), WM_MENUSELECT, MAKEWPARAM(CM_DESKTOP, MF_STRING), 0);
    EXPECT_EQ(p.status(), "デスクトップへ移動します．");
}

// The popups' states in the situations that change them.
TEST(Menus, StatesFollowTheSituation)
{
    command_page p;
    menu_handles& m = browser_menus;
    bench::clipboard_lock lock;
    p.select(0);
    ASSERT_EQ(copy_or_cut_to_clipboard(0), 1);  // a file to paste
    clear_selection();
    update_menu_state(m.edit, nullptr);
    EXPECT_TRUE(greyed(m.edit, CM_COPY));  // nothing selected
    EXPECT_FALSE(greyed(m.edit, CM_PASTE));
    EXPECT_EQ(text_of(m.edit, CM_CLEAR_MARKS), "全選択解除 \t Esc");
    p.select(1);
    update_menu_state(m.edit, nullptr);
    EXPECT_FALSE(greyed(m.edit, CM_COPY));
    {
        read_only_zip_folder zip(p);
        update_menu_state(m.edit, nullptr);
        EXPECT_TRUE(greyed(m.edit, CM_CUT) && greyed(m.edit, CM_RECYCLE) && greyed(m.edit, CM_PASTE));
        EXPECT_FALSE(greyed(m.edit, CM_COPY));
    }
    update_menu_state(m.file, nullptr);
    EXPECT_TRUE(greyed(m.file, CM_ARCHIVE_PASSWORD));
    scoped_restore<archive_work_record> keep_work(archive_work);
    archive_work.instance = 0;  // the shown folder as this instance's archive work folder
    ASSERT_TRUE(text_copy(archive_work.folder, p.dir.path()));
    update_menu_state(m.file, nullptr);
    EXPECT_FALSE(greyed(m.file, CM_ARCHIVE_PASSWORD));
    EXPECT_FALSE(greyed(m.file, CM_PRINT));
    update_menu_state(m.view, nullptr);
    EXPECT_FALSE(greyed(m.view, CM_IMAGES_ONLY));
    EXPECT_TRUE((state_of(m.view, CM_SORT_FIRST) & MF_CHECKED) != 0);
    show_in_viewer(VIEWER_MODE_ONE, 0, 0);
    update_menu_state(m.view, nullptr);
    EXPECT_TRUE(greyed(m.view, CM_IMAGES_ONLY) && greyed(m.view, CM_SORT_FIRST));
    update_menu_state(m.file, nullptr);
    EXPECT_EQ(text_of(m.file, CM_FOLDER_TREE), "開く(&O)");
    show_in_viewer(VIEWER_MODE_ONE, 1, 0);
    update_menu_state(m.file, nullptr);
    EXPECT_TRUE(greyed(m.file, CM_PRINT));
    back_from_viewer();
    viewer_state.interval = 25;
    update_menu_state(m.slide, nullptr);
    EXPECT_EQ(text_of(m.slide, CM_INTERVAL_DIALOG), "他の値 2.5秒 (&V)");
    viewer_state.interval = 20;
    update_menu_state(m.slide, nullptr);
    EXPECT_EQ(text_of(m.slide, CM_INTERVAL_DIALOG), "他の値 (&V)");
    EXPECT_TRUE((state_of(m.slide, CM_INTERVAL_FIRST + 20) & MF_CHECKED) != 0);
    browser_list.strip_numbers = 11;
    update_menu_state(m.size, nullptr);
    EXPECT_EQ(text_of(m.size, CM_FULL_SIZE + 9), "横 &9 枚 \t 9");
    EXPECT_EQ(text_of(m.size, CM_FULL_SIZE + 10), "横 10 枚");
    // A new text file is made only where the list shows text files.
    browser_list.settings.all = browser_list.settings.textpic = 0;
    update_menu_state(m.new_item, nullptr);
    EXPECT_TRUE(greyed(m.new_item, CM_NEW_TEXT));
    EXPECT_FALSE(greyed(m.new_item, CM_FOLDER_LISTING));
    browser_list.settings.textpic = 1;
    update_menu_state(m.new_item, nullptr);
    EXPECT_FALSE(greyed(m.new_item, CM_NEW_TEXT));
    // A drive root's tree menu: the drives, then its subfolders.
    SetCurrentDirectoryA("C:\\");
    build_tree_menu();
    char level[64] = "";
    GetMenuStringA(m.tree, 2, level, sizeof level, MF_BYPOSITION);
    EXPECT_STREQ(level, "サブフォルダ(&S) \t Ctrl+S");
    EXPECT_GT(GetMenuItemCount(GetSubMenu(m.tree, 2)), 0);
    SetCurrentDirectoryA(p.dir.path());
    // The drive list: no current drive, so no drive-cache command and no
    // parent, and no folder for a new text file or a listing.
    current_folder.drive_list = 1;
    update_menu_state(m.cache, nullptr);
    EXPECT_TRUE(greyed(m.cache, CM_DRIVE_CACHE_MAKE) && greyed(m.cache, CM_CDR_CACHE) &&
                greyed(m.cache, CM_DRIVE_CACHE_DELETE));
    build_tree_menu();
    EXPECT_TRUE(greyed(m.tree, CM_PARENT) && greyed(m.tree, CM_DRIVE_LIST));
    update_menu_state(m.new_item, nullptr);
    EXPECT_TRUE(greyed(m.new_item, CM_NEW_TEXT) && greyed(m.new_item, CM_FOLDER_LISTING));
}

// The folder's listing never overwrites a file of its name (a comment file,
// say) unless the user says so.
TEST(Commands, FolderListingAsksBeforeOverwriting)
{
    command_page p;
    std::string listing = p.dir.file(std::string(file_name_of(p.dir.path())) + ".txt");
    bench::write_file(listing, "mine");
    bench::install_message_box_seam(IDNO);
    bench::message_boxes.clear();
    p.command(CM_FOLDER_LISTING);
    EXPECT_EQ(bench::message_boxes.size(), 1u);
    EXPECT_EQ(bench::read_file(listing), "mine");
    bench::install_message_box_seam(IDYES);
    p.command(CM_FOLDER_LISTING);
    EXPECT_NE(bench::read_file(listing).find("a.png"), std::string::npos);
    bench::install_message_box_seam(IDOK);
    DeleteFileA(listing.c_str());
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
    p.command(CM_CDR_CACHE);
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
    p.command(CM_ROTATE_RIGHT, 0);
    ASSERT_EQ(p.index_of("x.r.jpg"), 1);
    EXPECT_EQ(viewer_now.mode, VIEWER_MODE_ONE);
    EXPECT_EQ(viewer_now.current_index, 1);
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

// The selection commands mark for real, and highlighting a menu item never
// carries it out.
TEST(Commands, SelectionCommandsMarkAndHighlightingDoesNot)
{
    command_page p;
    p.command(CM_SELECT_ALL);
    EXPECT_EQ(browser_list.selected_count, browser_list.count);
    p.highlighted(CM_CLEAR_MARKS);
    EXPECT_EQ(browser_list.selected_count, browser_list.count);
    p.command(CM_CLEAR_MARKS);
    EXPECT_EQ(browser_list.selected_count, 0);
    p.command(CM_MARK_ENTRY, 2);
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
        p.command(CM_RENAME_TO_FIRST, folder);
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
    memset(twain.source.ProductName, 0, sizeof twain.source.ProductName);
    source_choice_hook = SetWindowsHookExA(WH_CBT, choose_first_source, nullptr, GetCurrentThreadId());
    p.command(CM_SCAN_SOURCE);
    UnhookWindowsHookEx(source_choice_hook);
    EXPECT_STREQ(twain.source.ProductName, "ZOTE test scanner");
    EXPECT_EQ(twain.dsm_open, 0);
}
