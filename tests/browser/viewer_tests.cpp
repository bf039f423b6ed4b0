// The viewer on a real browser page: stepping over images, comment texts,
// other files and folders; the title and status per mode; full screen; slide
// shows on a clock that moves only when they sleep; the copy of the picture
// shown; a vanished file; and the modal loops' ends.
#include "tests/browser/viewer_fixtures.h"
#include "tests/support/clipboard_lock.h"
#include "browser/caches/entry_picture.h"
#include "browser/viewer/scroll_view.h"
#include "browser/commands/commands.h"
#include "browser/commands/keys.h"
#include "files/files.h"
#include "formats/formats.h"
#include <commctrl.h>
#include <gtest/gtest.h>

using namespace viewer_fixture;

namespace {
// a.png, its comment a.txt, b.png, a plain text c.txt, d.png and a folder.
void mixed_folder(const bench::scratch_dir& dir)
{
    write_colour_png(dir.file("a.png"), 40, 30, RGB(255, 0, 0));
    dir.write("a.txt", "comment\r\n");
    write_colour_png(dir.file("b.png"), 60, 40, RGB(0, 0, 255));
    dir.write("c.txt", "plain text\r\n");
    write_colour_png(dir.file("d.png"), 30, 60, RGB(0, 255, 0));
    CreateDirectoryA(dir.file("sub").c_str(), nullptr);
    write_colour_png(dir.file("sub\\x.png"), 20, 20, RGB(9, 9, 9));
}

std::string names()
{
    std::string s;
    for (int i = 0; i < browser_list.count; i++) s += std::string(browser_list.names[i]) + " ";
    return s;
}

std::string status_of(int index)
{
    char line[1024];
    format_viewer_status(viewer_state, index, 0, line, sizeof line);
    return line;
}
}  // namespace

TEST(Viewer, StepsOverImagesTextsAndFolders)
{
    bench::scratch_dir dir;
    mixed_folder(dir);
    viewer_page page(800, 600);
    browser_list.settings.all = 1;
    page.open(dir.path());
    ASSERT_EQ(browser_list.count, 6) << names();
    int a = page.index_of("a.png"), b = page.index_of("b.png"), c = page.index_of("c.txt"), d = page.index_of("d.png");
    int last = browser_list.count - 1;
    ASSERT_TRUE(a >= 0 && b >= 0 && c >= 0 && d >= 0) << names();
    struct step {
        int from, direction, selected_only, to;
        const char* why;
    };
    const step steps[] = {
        {a, 1, 0, b, "the comment text beside a.png is stepped over"},
        {b, 1, 0, c, "a plain text is shown"},
        {last, 1, 0, 0, "forward from the last wraps to the first"},
        {b, -1, 0, a, "backward steps over the comment text too"},
        {0, -1, 0, last, "backward from the first wraps to the last"},
        {a, 1, 1, d, "selected only: the selected comment text is stepped over"},
        {d, 1, 1, a, "selected only wraps"},
        {a, -1, 1, d, "selected only backward"},
    };
    browser_list.marks[a] = browser_list.marks[page.index_of("a.txt")] = browser_list.marks[d] = 1;
    browser_list.selected_count = 3;
    for (const step& s : steps) {
        view_one_image(viewer_state, s.from);
        viewer_state.selected_only = s.selected_only;
        viewer_step(viewer_state, s.direction);
        EXPECT_EQ(viewer_now.current_index, s.to) << s.why << ": " << names();
        EXPECT_EQ(viewer_now.mode, VIEWER_MODE_ONE);
    }
    browser_list.selected_count = 0;
    memset(browser_list.marks, 0, browser_list.count);
    viewer_state.selected_only = 0;

    // First and last as the commands show them, with the title and status of each.
    viewer_show_entry(viewer_state, 0);
    EXPECT_NE(page.title().find(" 1/6枚 - ZOTE1.67"), std::string::npos) << page.title();
    EXPECT_EQ(status_of(a).rfind("1/6 a.png 画像(", 0), 0u) << status_of(a);
    viewer_show_entry(viewer_state, last);
    EXPECT_NE(page.title().find(" 6/6枚 - ZOTE1.67"), std::string::npos) << page.title();
    EXPECT_NE(status_of(last).find("ﾌｫﾙﾀﾞ("), std::string::npos) << status_of(last);
    EXPECT_EQ(status_of(c).find("画像("), std::string::npos) << status_of(c);
    back_to_list(viewer_state);
    EXPECT_EQ(viewer_now.mode, VIEWER_MODE_LIST);
    set_browser_title(1);
    EXPECT_NE(page.title().find("画像 1/1頁 - ZOTE1.67"), std::string::npos) << page.title();
}

TEST(Viewer, FullScreenCoversTheScreenAndLeavesToTheList)
{
    bench::scratch_dir dir;
    mixed_folder(dir);
    viewer_page page(800, 600);
    page.open(dir.path());
    int b = page.index_of("b.png");
    enter_fullscreen(viewer_state, b);
    RECT r = {};
    GetClientRect(page_drawing_window(VIEWER_PAGE), &r);
    EXPECT_EQ(r.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(r.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(viewer_now.full_screen, 1);
    EXPECT_NE(status_of(b).find("  [ESC]で終了"), std::string::npos);
    // Entered from the list: leaving goes back to it, once.
    EXPECT_EQ(leave_fullscreen(viewer_state), 1);
    EXPECT_EQ(viewer_now.mode, VIEWER_MODE_LIST);
    EXPECT_EQ(viewer_now.full_screen, 0);
    EXPECT_EQ(viewer_now.current_index, b);
}

TEST(Viewer, SlideShowOrderStopAndInterval)
{
    bench::scratch_dir dir;
    for (int i = 0; i < 5; i++)
        write_colour_png(dir.file(std::string(1, char('a' + i)) + ".png"), 20, 20, RGB(i * 40, 0, 0));
    viewer_page page(800, 600);
    page.open(dir.path());
    ASSERT_EQ(browser_list.count, 5);
    struct show {
        int start, direction, nonstop, interval, key_after;
        std::vector<int> order;
        DWORD gap;
    };
    const show shows[] = {
        {2, 1, 0, 5, 0, {3, 4}, 500},  // stops at the end of the list
        {2, -1, 0, 5, 0, {1, 0}, 500},
        {2, 1, 1, 30, 7, {3, 4, 0, 1, 2, 3, 4}, 3000},  // nonstop wraps until a key
        {3, 1, 0, 0, 0, {4}, 0},                        // interval 0: no wait at all
    };
    for (const show& s : shows) {
        view_one_image(viewer_state, s.start);
        viewer_state.nonstop = s.nonstop;
        viewer_state.interval = s.interval;
        std::vector<int> order;
        std::vector<DWORD> times;
        int seen = s.start;
        fake_clock::on_sleep = [&](int) {
            if (viewer_now.current_index != seen) {
                seen = viewer_now.current_index;
                order.push_back(seen);
                times.push_back(viewer_state.slide_start);
            }
            if (s.key_after && int(order.size()) == s.key_after) PostMessageA(_page_hwnd(1), WM_KEYDOWN, VK_SPACE, 0);
        };
        DWORD started = fake_clock::ms;
        start_slide_show(viewer_state, 0, s.direction);
        fake_clock::on_sleep = nullptr;
        if (viewer_now.current_index != seen) {
            order.push_back(viewer_now.current_index);
            times.push_back(viewer_state.slide_start);
        }
        EXPECT_EQ(order, s.order) << "from " << s.start;
        EXPECT_EQ(viewer_now.mode, VIEWER_MODE_ONE);
        if (!times.empty()) EXPECT_EQ(times[0] - started, s.gap) << "from " << s.start;
        for (size_t i = 1; i < times.size(); i++) EXPECT_EQ(times[i] - times[i - 1], s.gap);
    }
}

TEST(Viewer, ModalLoopsEndOnQuitAndClose)
{
    bench::scratch_dir dir;
    for (int i = 0; i < 3; i++)
        write_colour_png(dir.file(std::string(1, char('a' + i)) + ".png"), 20, 20, RGB(0, i * 60, 0));
    viewer_page page(800, 600);
    page.open(dir.path());
    struct end {
        const char* what;
        std::function<void()> act;
    };
    const end ends[] = {
        {"quit", [] { PostQuitMessage(7); }},
        {"close", [] { set_close_requested(1); }},
    };
    for (const end& e : ends) {
        view_one_image(viewer_state, 0);
        viewer_state.nonstop = 1;
        int after = 0;
        fake_clock::on_sleep = [&](int n) {
            if (n == 3) e.act();
            after = n;
            if (n > 200) viewer_now.mode = VIEWER_MODE_ONE;  // the loop did not see it
        };
        fake_clock::sleeps = 0;
        start_slide_show(viewer_state, 0, 1);
        fake_clock::on_sleep = nullptr;
        EXPECT_LE(after, 4) << e.what;
        EXPECT_EQ(viewer_now.mode, VIEWER_MODE_ONE) << e.what;
        set_close_requested(0);
        MSG m;
        bool quit = PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
        EXPECT_EQ(quit, std::string(e.what) == "quit") << "the quit message is kept for the main loop";
    }
}

namespace {
struct clipboard_picture {
    int width = 0, height = 0;
    COLORREF centre = CLR_INVALID;
};

// The DIB on the clipboard: its size and the colour at its centre.
clipboard_picture clipboard_dib()
{
    clipboard_picture p;
    if (!OpenClipboard(nullptr)) return p;
    HANDLE h = GetClipboardData(CF_DIB);
    const BITMAPINFOHEADER* dib = h ? static_cast<const BITMAPINFOHEADER*>(GlobalLock(h)) : nullptr;
    if (dib) {
        int w = dib->biWidth, hh = dib->biHeight < 0 ? -dib->biHeight : dib->biHeight;
        const BYTE* bits = reinterpret_cast<const BYTE*>(dib + 1) + (dib->biCompression == BI_BITFIELDS ? 12 : 0);
        int bytes = dib->biBitCount / 8, stride = (w * bytes + 3) & ~3;
        const BYTE* centre = bits + (hh / 2) * stride + (w / 2) * bytes;
        p.width = w, p.height = hh, p.centre = RGB(centre[2], centre[1], centre[0]);
        GlobalUnlock(h);
    }
    CloseClipboard();
    return p;
}
}  // namespace

TEST(Viewer, CopyTakesThePictureShownNotThePreparedNext)
{
    bench::clipboard_lock lock;
    bench::scratch_dir dir;
    mixed_folder(dir);
    viewer_page page(800, 600);
    page.open(dir.path());
    view_one_image(viewer_state, page.index_of("a.png"));
    _settle();
    ASSERT_EQ(viewer_state.shown_index, page.index_of("b.png")) << "the next picture is prepared";
    ASSERT_EQ(copy_image_shown(viewer_state), 1);
    clipboard_picture p = clipboard_dib();
    EXPECT_EQ(p.width * 3, p.height * 4) << "a.png's proportions";
    EXPECT_EQ(p.centre, RGB(255, 0, 0));
}

// The full-size copy of a file, of a folder (its first image) and of a layer
// folder (its layers composed, white being transparent), as the viewer shows them.
TEST(Viewer, FullSizeCopyIsThePictureTheEntryShows)
{
    bench::clipboard_lock lock;
    bench::scratch_dir dir;
    write_colour_png(dir.file("表.png"), 40, 30, RGB(255, 0, 0));
    CreateDirectoryA(dir.file("ソ").c_str(), nullptr);
    write_colour_png(dir.file("ソ\\1能.png"), 20, 50, RGB(0, 255, 0));
    CreateDirectoryA(dir.file("能.layer").c_str(), nullptr);
    write_colour_png(dir.file("能.layer\\1表.png"), 60, 40, RGB(255, 0, 0));
    write_colour_png(dir.file("能.layer\\2ソ.png"), 60, 40, RGB(0, 0, 255));
    viewer_page page(800, 600);
    page.open(dir.path());
    const struct {
        const char* entry;
        int width, height;
        COLORREF centre;
    } cases[] = {
        {"表.png", 40, 30, RGB(255, 0, 0)},
        {"ソ\\1能.png", 20, 50, RGB(0, 255, 0)},
        {"能.layer\\1表.png", 60, 40, RGB(0, 0, 255)},
    };
    for (const auto& c : cases) {
        int index = page.index_of(c.entry);
        ASSERT_GE(index, 0) << c.entry << ": " << names();
        ASSERT_EQ(copy_image_full_size(index), 1) << c.entry;
        clipboard_picture p = clipboard_dib();
        EXPECT_EQ(p.width, c.width) << c.entry;
        EXPECT_EQ(p.height, c.height) << c.entry;
        EXPECT_EQ(p.centre, c.centre) << c.entry;
    }
}

TEST(Viewer, VanishedFileShowsAnEmptyPictureWithoutDividingByZero)
{
    bench::scratch_dir dir;
    mixed_folder(dir);
    viewer_page page(800, 600);
    page.open(dir.path());
    int d = page.index_of("d.png");
    DeleteFileA(dir.file("d.png").c_str());
    viewer_show_entry(viewer_state, d);
    EXPECT_EQ(viewer_now.current_index, d);
    EXPECT_EQ(viewer_state.zoom, 0.0);
    EXPECT_EQ(max_actual_divisor(viewer_state), 0);
    EXPECT_EQ(actual_view_allowed(viewer_state, 1), 0);
    viewer_state.placement[1] = 0;  // the record of a header error: no picture size
    viewer_state.placement[3] = 120;
    std::string s = status_of(page.index_of("b.png"));
    EXPECT_NE(s.find("  0%)"), std::string::npos) << s;
}

TEST(Viewer, ActualSizeDivisors)
{
    viewer_state_record v;
    viewer_defaults(v);
    struct row {
        double zoom;
        int divisor;
    };
    for (row r : {row{1.0, 0}, row{0.3, 2}, row{0.1, 8}, row{0.99, 1}, row{0.2, 4}}) {
        v.zoom = r.zoom;
        EXPECT_EQ(max_actual_divisor(v), r.divisor) << r.zoom;
    }
    EXPECT_EQ(v.interval, 30);
    EXPECT_EQ(v.square, 1);
}

namespace {
std::string loaded;
_bmap* counting_png(const char* path)
{
    loaded += std::string(file_name_of(path)) + " ";
    return load_png_file(path);
}

// A pixel at the centre of the viewer's picture box as the window shows it.
COLORREF centre_shown()
{
    HWND window = _page_hwnd(1);
    ShowWindow(GetAncestor(window, GA_ROOT), SW_SHOWNOACTIVATE);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    RECT box = viewer_image_box(viewer_state);
    HDC dc = GetDC(window);
    COLORREF c = GetPixel(dc, (box.left + box.right) / 2, (box.top + box.bottom) / 2);
    ReleaseDC(window, dc);
    return c;
}

void press(int key)
{
    PostMessageA(_page_hwnd(1), WM_KEYDOWN, key, 1);
    PostMessageA(_page_hwnd(1), WM_KEYUP, key, 0xC0000001);
}
}  // namespace

// The picture after the one shown is prepared in idle time, once the shown
// one is painted: a key that is already waiting goes first. Full-size pixels
// are kept from one picture for the next of the same bytes, also when its
// shape differs, and a picture of another size gets its own.
TEST(Viewer, AKeyWaitingGoesBeforeThePreparationOfTheNextPicture)
{
    bench::scratch_dir dir;
    write_colour_png(dir.file("表0.png"), 800, 600, RGB(255, 0, 0));
    write_colour_png(dir.file("表1.png"), 800, 600, RGB(0, 0, 255));
    write_colour_png(dir.file("表2.png"), 600, 800, RGB(0, 255, 0));  // the bytes of 800 x 600
    write_colour_png(dir.file("表3.png"), 700, 500, RGB(255, 255, 0));
    viewer_page page(800, 600);
    page.open(dir.path());
    image_format_hooks.load_png = counting_png;
    loaded.clear();
    view_one_image(viewer_state, 0);
    EXPECT_EQ(loaded, "表0.png ") << "the next picture waits for idle time";
    EXPECT_EQ(centre_shown(), RGB(255, 0, 0));
    press(VK_NEXT);
    _pump();
    EXPECT_EQ(viewer_now.current_index, 1);
    EXPECT_EQ(loaded, "表0.png 表1.png ") << "the key before the preparation";
    EXPECT_EQ(centre_shown(), RGB(0, 0, 255));
    struct step {
        int index;
        COLORREF colour;
        const char* loaded_before;  // by the idle time before the key
    } steps[] = {
        {2, RGB(0, 255, 0), "表0.png 表1.png 表2.png "},
        {3, RGB(255, 255, 0), "表0.png 表1.png 表2.png 表3.png "},
        {0, RGB(255, 0, 0), "表0.png 表1.png 表2.png 表3.png 表0.png "},
    };
    for (const step& s : steps) {
        _settle();
        EXPECT_EQ(loaded, s.loaded_before) << "prepared in idle time";
        EXPECT_EQ(viewer_state.shown_index, s.index);
        press(VK_NEXT);
        _pump();
        EXPECT_EQ(viewer_now.current_index, s.index);
        EXPECT_EQ(loaded, s.loaded_before) << "shown as prepared";
        EXPECT_EQ(centre_shown(), s.colour) << s.index;
    }
    back_to_list(viewer_state);
}

namespace {
// What a viewer step sends to the windows: the page's paints with the colour
// each leaves at the middle of the picture box, the titles set and the
// status texts set.
struct step_watch {
    static std::vector<COLORREF> paints;
    static int titles, status_texts;
    static WNDPROC page_proc, frame_proc, bar_proc;
    HWND page = _page_hwnd(1), frame = GetParent(page),
         bar = FindWindowExA(frame, nullptr, STATUSCLASSNAMEA, nullptr);
    static LRESULT CALLBACK on_page(HWND w, UINT m, WPARAM wp, LPARAM lp)
    {
        LRESULT r = CallWindowProcA(page_proc, w, m, wp, lp);
        if (m == WM_PAINT) {
            RECT box = viewer_image_box(viewer_state);
            HDC dc = GetDC(w);
            paints.push_back(GetPixel(dc, (box.left + box.right) / 2, (box.top + box.bottom) / 2));
            ReleaseDC(w, dc);
        }
        return r;
    }
    static LRESULT CALLBACK on_frame(HWND w, UINT m, WPARAM wp, LPARAM lp)
    {
        titles += m == WM_SETTEXT;
        return CallWindowProcA(frame_proc, w, m, wp, lp);
    }
    static LRESULT CALLBACK on_bar(HWND w, UINT m, WPARAM wp, LPARAM lp)
    {
        status_texts += m == SB_SETTEXTA;
        return CallWindowProcA(bar_proc, w, m, wp, lp);
    }
    static WNDPROC hook(HWND w, WNDPROC with)
    {
        return (WNDPROC)SetWindowLongPtrA(w, GWLP_WNDPROC, (LONG_PTR)with);
    }
    step_watch()
    {
        paints.clear();
        titles = status_texts = 0;
        page_proc = hook(page, on_page), frame_proc = hook(frame, on_frame);
        if (bar) bar_proc = hook(bar, on_bar);
    }
    ~step_watch()
    {
        hook(page, page_proc), hook(frame, frame_proc);
        if (bar) hook(bar, bar_proc);
    }
};
std::vector<COLORREF> step_watch::paints;
int step_watch::titles, step_watch::status_texts;
WNDPROC step_watch::page_proc, step_watch::frame_proc, step_watch::bar_proc;
}  // namespace

// A step to a prepared picture changes only what changed: the window is
// painted once, with the new picture (never first cleared), the title is set
// once, the status texts not at all, and the scroll bar moves to the entry.
TEST(Viewer, AStepPaintsThePictureOnceAndSetsOnlyWhatChanged)
{
    bench::scratch_dir dir;
    write_colour_png(dir.file("表0.png"), 400, 300, RGB(255, 0, 0));
    write_colour_png(dir.file("表1.png"), 400, 300, RGB(0, 0, 255));
    viewer_page page(800, 600);
    page.open(dir.path());
    ShowWindow(GetParent(_page_hwnd(1)), SW_SHOWNOACTIVATE);
    _status_text(1, "%s", "");
    {
        step_watch watch;
        view_one_image(viewer_state, 0);
        EXPECT_EQ(watch.titles, 1) << "the same title set twice";
    }
    _settle();
    step_watch watch;
    press(VK_NEXT);
    _pump();
    EXPECT_EQ(watch.paints, std::vector<COLORREF>{RGB(0, 0, 255)});
    EXPECT_EQ(watch.titles, 1);
    EXPECT_EQ(watch.status_texts, 0);
    EXPECT_EQ(GetScrollPos(_page_hwnd(1), SB_VERT), 1);
    back_to_list(viewer_state);
}

namespace {

// A placeable metafile of one red rectangle over w x h units at 96 per inch
// (a pixel each on the bench's screen).
void write_wmf(const std::string& path, int w, int h)
{
    HDC dc = CreateMetaFileA(nullptr);
    SetWindowExtEx(dc, w, h, nullptr);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HGDIOBJ old = SelectObject(dc, red);
    Rectangle(dc, 0, 0, w, h);
    SelectObject(dc, old);
    DeleteObject(red);
    HMETAFILE mf = CloseMetaFile(dc);
    UINT n = GetMetaFileBitsEx(mf, 0, nullptr);
    std::string body(n, '\0');
    GetMetaFileBitsEx(mf, n, &body[0]);
    DeleteMetaFile(mf);
    wmf_placeable_header p{};
    p.key = WMF_PLACEABLE_KEY;
    p.right = (SHORT)w, p.bottom = (SHORT)h;
    p.units_per_inch = 96;
    bench::write_file(path, std::string((const char*)&p, sizeof p) + body);
}

void write_emf(const std::string& path, int w, int h)
{
    HDC dc = CreateEnhMetaFileA(nullptr, path.c_str(), nullptr, nullptr);
    Rectangle(dc, 0, 0, w, h);
    DeleteEnhMetaFile(CloseEnhMetaFile(dc));
}

}  // namespace

// The actual-size view at 1/2 or 1/4 shows a drawn picture (metafiles) at
// half or a quarter of its size, as it does a photo, never enlarged.
TEST(Viewer, TheActualSizeViewReducesDrawnPictures)
{
    bench::scratch_dir dir;
    write_wmf(dir.file("w.wmf"), 2400, 1800);
    write_emf(dir.file("e.emf"), 2400, 1800);
    viewer_page page(400, 300);
    page.open(dir.path());
    struct row {
        const char* name;
        int divisor;
    };
    for (row r : {row{"w.wmf", 2}, row{"w.wmf", 4}, row{"e.emf", 2}}) {
        int i = page.index_of(r.name);
        ASSERT_GE(i, 0) << r.name;
        viewer_show_entry(viewer_state, i);
        ASSERT_GE(max_actual_divisor(viewer_state), r.divisor) << r.name << " zoom " << viewer_state.zoom;
        view_actual_size(viewer_state, r.divisor);
        ASSERT_NE(viewer_state.actual_view, nullptr) << r.name;
        const _bmap* shown = viewer_state.actual_view->picture;
        int w, h, xr, yr;
        ASSERT_TRUE(_image_info(dir.file(r.name).c_str(), &w, &h, &xr, &yr));
        EXPECT_NEAR(shown->width, w / r.divisor, 1) << r.name << " at 1/" << r.divisor;
        EXPECT_NEAR(shown->height, h / r.divisor, 1) << r.name << " at 1/" << r.divisor;
        close_actual_view(viewer_state);
    }
}

// The viewer's text in the first part of the status line goes with the
// viewer, also when a click on the toolbar's path leaves it.
TEST(Viewer, LeavingThroughTheToolbarTakesItsStatusText)
{
    bench::scratch_dir dir;
    mixed_folder(dir);
    viewer_page page(800, 600);
    page.open(dir.path());
    view_one_image(viewer_state, page.index_of("b.png"));
    HWND window = page_drawing_window(1);
    auto first_part = [] {
        HWND bar = FindWindowExA(GetParent(_page_hwnd(1)), nullptr, STATUSCLASSNAMEA, nullptr);
        char text[512] = "";
        SendMessageA(bar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
        return std::string(text);
    };
    SetActiveWindow(GetParent(_page_hwnd(1)));
    SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(600, 400));
    ASSERT_EQ(first_part(), "左上でｸﾘｯｸ,Esc=一覧");
    ASSERT_GE(browser_list.button_count, 2);
    // The pointer goes to the path button of the folder that holds the one
    // shown, and clicks there.
    POINT at = {browser_list.button_left[browser_list.button_count - 2] + 1, 10}, screen = at, before = {};
    ClientToScreen(window, &screen);
    GetCursorPos(&before);
    SetCursorPos(screen.x, screen.y);
    SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
    SendMessageA(window, WM_LBUTTONDOWN, 0, MAKELPARAM(at.x, at.y));
    EXPECT_EQ(viewer_now.mode, VIEWER_MODE_LIST);
    EXPECT_EQ(first_part(), "");
    SetCursorPos(before.x, before.y);
}
