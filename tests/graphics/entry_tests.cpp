// Process entry, menus, accelerators, the pump and the end of the program:
// the elapsed-time text, the console menu as built, the Window menu, the
// order in which accelerators are offered, and how the process ends.
#include "tests/graphics/library.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <string>
#include <vector>

// Child output without the CR that text-mode output puts before each LF.
static std::string plain(const std::string& s)
{
    std::string r;
    for (char c : s)
        if (c != '\r') r += c;
    return r;
}

static std::string elapsed(double s)
{
    char out[64];
    elapsed_format(s, out, sizeof out);
    return out;
}

TEST(Elapsed, EachRuleStartsAtItsEdge)
{
    EXPECT_EQ(elapsed(0.0), "0msec");
    EXPECT_EQ(elapsed(0.999), "999msec");
    EXPECT_EQ(elapsed(1.0), "1.0sec");
    EXPECT_EQ(elapsed(9.96), "10.0sec");  // one decimal, rounded
    EXPECT_EQ(elapsed(10.0), "10sec");
    EXPECT_EQ(elapsed(59.9), "59sec");
    EXPECT_EQ(elapsed(60.0), "1min0sec");
    EXPECT_EQ(elapsed(3599.0), "59min59sec");
    EXPECT_EQ(elapsed(3600.0), "1hour0min");
    EXPECT_EQ(elapsed(7322.0), "2hour2min");
}

TEST(Elapsed, GoesToPartOneOfTheConsoleStatusBar)
{
    library_ready();
    _elapsed_text();
    char text[256] = {};
    SendMessageA(console_statusbar, SB_GETTEXTA, 1, (LPARAM)text);
    EXPECT_EQ(std::string(text).rfind("Done. ", 0), 0u) << text;
}

struct menu_item {
    std::string text;
    UINT id;
    bool separator, checked;
};

static std::vector<menu_item> items_of(HMENU menu)
{
    std::vector<menu_item> v;
    int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; i++) {
        char text[700] = {};
        MENUITEMINFOA mi = {};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING;
        mi.dwTypeData = text;
        mi.cch = sizeof text;
        GetMenuItemInfoA(menu, i, TRUE, &mi);
        v.push_back({text, mi.wID, (mi.fType & MFT_SEPARATOR) != 0, (mi.fState & MFS_CHECKED) != 0});
    }
    return v;
}

TEST(ConsoleMenu, TextsAndCommandsAsBuilt)
{
    library_ready();
    HMENU bar = GetMenu(console_frame);
    ASSERT_TRUE(bar);
    ASSERT_EQ(GetMenuItemCount(bar), 4);
    const char* popups[] = {"&File", "&Edit", "&Window", "&Help"};
    for (int i = 0; i < 4; i++) {
        char text[64] = {};
        GetMenuStringA(bar, i, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, popups[i]);
    }
    auto file = items_of(GetSubMenu(bar, 0));
    ASSERT_EQ(file.size(), 1u);
    EXPECT_EQ(file[0].text, "E&xit");
    EXPECT_EQ(file[0].id, 65501u);

    auto edit = items_of(GetSubMenu(bar, 1));
    struct {
        const char* text;
        UINT id;
    } want[] = {{"&Undo", 65508},
                {nullptr, 0},
                {"Cu&t \t Ctrl+X", 65505},
                {"&Copy \t Ctrl+C", 65503},
                {"&Paste \t Ctrl+V", 65504},
                {"Clea&r All", 65506},
                {"Select &All \t Ctrl+A", 65507},
                {nullptr, 0},
                {"&Find \t F3", 65509},
                {nullptr, 0},
                {"font &Big", 65511},
                {"font &Normal", 65512},
                {"font &Small", 65513}};
    ASSERT_EQ(edit.size(), sizeof want / sizeof want[0]);
    for (size_t i = 0; i < edit.size(); i++) {
        if (!want[i].text) {
            EXPECT_TRUE(edit[i].separator) << i;
            continue;
        }
        EXPECT_EQ(edit[i].text, want[i].text) << i;
        EXPECT_EQ(edit[i].id, want[i].id) << i;
    }

    auto help = items_of(GetSubMenu(bar, 3));
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(help[0].text, "&Help");
    EXPECT_EQ(help[0].id, 65510u);
}

TEST(ConsoleMenu, FontItemFollowsBothFormats)
{
    library_ready();
    LONG a = console_format.yHeight, b = printf_format.yHeight;
    console_format.yHeight = printf_format.yHeight = 270;
    _update_window_menu(edit_popup);
    EXPECT_EQ(GetMenuState(edit_popup, 65511, MF_BYCOMMAND) & MF_CHECKED, (UINT)MF_CHECKED);
    EXPECT_EQ(GetMenuState(edit_popup, 65513, MF_BYCOMMAND) & MF_CHECKED, 0u);
    printf_format.yHeight = 180;  // mixed: nothing checked
    _update_window_menu(edit_popup);
    for (UINT id = 65511; id <= 65513; id++) EXPECT_EQ(GetMenuState(edit_popup, id, MF_BYCOMMAND) & MF_CHECKED, 0u);
    console_format.yHeight = a;
    printf_format.yHeight = b;
}

TEST(WindowMenu, NumbersPagesAfterTheVisibleConsole)
{
    library_ready();
    ASSERT_EQ(_newpage(5, 0, 0, 300, 200), 1);
    ASSERT_EQ(_newpage(6, 0, 0, 300, 200), 1);
    SetWindowTextA(page_table[5]->frame, "five");
    SetWindowTextA(page_table[6]->frame, std::string(2000, 'x').c_str());  // bounded in the menu

    ShowWindow(console_frame, SW_SHOWNA);
    _update_window_menu(window_popup);
    auto shown = items_of(window_popup);
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].text, "&W console \t- Console 1.13 ");
    EXPECT_EQ(shown[0].id, 65514u);
    EXPECT_TRUE(shown[1].separator);
    EXPECT_EQ(shown[2].text, "&1 page 5 \t- five");
    EXPECT_EQ(shown[2].id, 65515u);
    EXPECT_EQ(shown[3].text.rfind("&2 page 6 \t- xxx", 0), 0u);
    EXPECT_LT(shown[3].text.size(), 600u);
    EXPECT_EQ(shown[3].id, 65516u);

    ShowWindow(console_frame, SW_HIDE);
    _update_window_menu(window_popup);
    auto hidden = items_of(window_popup);
    ASSERT_EQ(hidden.size(), 2u);
    EXPECT_EQ(hidden[0].text, "&0 page 5 \t- five");
    EXPECT_EQ(hidden[0].id, 65514u);
    EXPECT_EQ(hidden[1].id, 65515u);

    _page_free(5);
    _page_free(6);
}

// Records the commands that reach the console frame through the window hook.
static std::vector<UINT> hooked_commands;
static int record_commands(HWND w, UINT m, WPARAM wp, LPARAM)
{
    if (w == console_frame && m == WM_COMMAND) hooked_commands.push_back(LOWORD(wp));
    return 0;
}
static std::vector<UINT> page_commands;
static LRESULT CALLBACK accel_target(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_COMMAND) page_commands.push_back(LOWORD(wp));
    return DefWindowProcA(w, m, wp, lp);
}

TEST(Accelerators, ConsoleFindComesBeforeTheApplicationsKeys)
{
    library_ready();
    HWND target = hidden_window(accel_target, "accel_target");
    ACCEL keys[2] = {{FVIRTKEY, VK_F3, 777}, {FVIRTKEY, VK_F4, 778}};
    HACCEL accel = CreateAcceleratorTableA(keys, 2);
    scoped_restore keep_accels(page_accels);
    page_accels.count = 0;
    ASSERT_EQ(add_page_accel(target, accel), 1);
    scoped_restore keep_hooks(app_hooks);
    app_hooks.window_hook = record_commands;
    hooked_commands.clear();
    page_commands.clear();

    HWND console = _page_hwnd(0);
    PostMessageA(console, WM_KEYDOWN, VK_F3, 1);
    _pump();
    PostMessageA(console, WM_KEYDOWN, VK_F4, 1);
    _pump();

    EXPECT_EQ(hooked_commands, std::vector<UINT>({65509}));  // F3: the console's Find
    EXPECT_EQ(page_commands, std::vector<UINT>({778}));      // F4: the application's, F3 never

    DestroyAcceleratorTable(accel);
    DestroyWindow(target);
}

TEST(Accelerators, AnEleventhPairIsRefused)
{
    scoped_restore keep_accels(page_accels);
    page_accels.count = 0;
    for (int i = 0; i < PAGE_ACCEL_MAX; i++) EXPECT_EQ(add_page_accel(nullptr, nullptr), 1);
    EXPECT_EQ(add_page_accel(nullptr, nullptr), 0);
    EXPECT_EQ(page_accels.count, PAGE_ACCEL_MAX);
}

TEST(Hooks, DefaultsAreHarmless)
{
    EXPECT_EQ(console_hooks.logging_on(), 0);
    EXPECT_EQ(console_hooks.printf_hook("x%d", 1), 1);
    EXPECT_EQ(console_hooks.status_hook(1, "x"), 1);
    int w = 0, h = 0, xr = 0, yr = 0;
    EXPECT_EQ(image_format_hooks.probe_jpeg("a.jpg", &w, &h, &xr, &yr), PROBE_NO_READER);
    EXPECT_EQ(image_format_hooks.load_png("a.png"), nullptr);
    EXPECT_EQ(kavtrel_busy_query(), 0);
}

ZOTE_CHILD(pump_meets_quit)
{
    library_ready();
    printf("pumping\n");
    fflush(stdout);
    PostQuitMessage(0);
    _pump();
    printf("after the pump\n");
    return 7;
}

TEST(Pump, QuitMessageEndsTheProcessWithCodeZero)
{
    auto r = bench::run_child("pump_meets_quit");
    EXPECT_EQ(r.exit_code, 0u);
    EXPECT_NE(r.output.find("pumping"), std::string::npos);
    EXPECT_EQ(r.output.find("after the pump"), std::string::npos);
}

ZOTE_CHILD(fatal_report)
{
    bench::install_message_box_seam();
    library_ready();
    _newpage(0, 0, 0, 100, 100);
    printf("not reached\n");
    return 9;
}

TEST(Fatal, ReportTitleTextAndExitCode)
{
    auto r = bench::run_child("fatal_report");
    EXPECT_EQ(r.exit_code, 0u);
    EXPECT_EQ(plain(r.output), "MSGBOX[KAVTREL ERROR]in _newpage\n    page=0. 0 means console.\n");
}

// The program as a whole: the host's app_main does what its command line says.
static void expect_host_output(const char* mode, const char* expected)
{
    auto r = bench::run_sibling("host_app.exe", mode, 20000);
    EXPECT_FALSE(r.timed_out) << mode;
    EXPECT_EQ(r.exit_code, 0u) << mode;
    EXPECT_EQ(plain(r.output), expected) << mode;
}

TEST(Program, Result1961BeforeWindowsEndsWithNoneMade)
{
    expect_host_output("before-windows-1961", "before windows, none made\ncommon controls not loaded\n");
}

TEST(Program, Result1961EndsAtOnceConsoleVisible) { expect_host_output("visible-1961", "app_main\nexit hook\n"); }

TEST(Program, Result1961EndsAtOnceConsoleHidden) { expect_host_output("hidden-1961", "app_main\nexit hook\n"); }

TEST(Program, HiddenConsoleWithoutPageEndsAtOnce) { expect_host_output("hidden-no-page", "app_main\nexit hook\n"); }

TEST(Program, ClosingAPageEndsTheProgramInOrder)
{
    expect_host_output("close-page",
                       "app_main\nexit hook, pages standing\nscanner unloaded, slots freed\nslots freed\n");
}

TEST(Program, CloseWhileBusyIsRecordedAndHonouredLater)
{
    expect_host_output("close-while-busy", "app_main\nstill running, close recorded\nexit hook\n");
}
