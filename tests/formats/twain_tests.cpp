// Scanning through Wine's TWAIN source manager with the stand-in source
// installed as "sane.ds": a picture in each bit depth saved as a new file,
// the resolution rules, a source asking for its status, and cancel, failure
// and close requests that end with nothing scanned and everything closed.
#include "formats/formats.h"
#include "formats/internal.h"  // the TWAIN session and the source manager name, read and set directly
#include "graphics/kavtrel.h"
#include "tests/formats/pixel_fixtures.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {

// The stand-in where the source manager loads it, for a prefix made before it was built.
void install_source()
{
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    std::string target = std::string(windows) + "\\twain_32\\sane.ds";
    std::string built = bench::read_file(bench::exe_folder() + "standin_twain.ds");
    if (bench::read_file(target) != built)
        CopyFileA((bench::exe_folder() + "standin_twain.ds").c_str(), target.c_str(), FALSE);
}

struct twain_session {
    bench::scratch_dir dir;
    HWND parent =
        CreateWindowA("STATIC", "scan parent", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    std::string log = dir.file("calls.log");
    explicit twain_session(const char* mode)
    {
        install_source();
        SetEnvironmentVariableA("ZOTE_TWAIN_MODE", mode);
        SetEnvironmentVariableA("ZOTE_TWAIN_LOG", log.c_str());
    }
    ~twain_session()
    {
        SetEnvironmentVariableA("ZOTE_TWAIN_MODE", nullptr);
        SetEnvironmentVariableA("ZOTE_TWAIN_LOG", nullptr);
        DestroyWindow(parent);
    }
    _bmap* scan()
    {
        if (!load_twain_dsm(parent) || !open_twain_dsm(0)) return nullptr;
        return twain_acquire();
    }
    std::string calls() const { return bench::read_file(log); }
};

const char* const full_scan =
    "OPENDS\nCAPABILITY SET XFERCOUNT 1\nENABLEDS\nEVENT\nIMAGEINFO\nNATIVEXFER\nENDXFER\nDISABLEDS\nCLOSEDS\n";

}  // namespace

TEST(Twain, ScansEachDepthIntoANewFile)
{
    struct {
        const char* mode;
        LONG ppm;
    } cases[] = {{"24", 11811}, {"8", 11811}, {"16", 11811}, {"32", 11811}, {"ppm", 3780}};
    for (const auto& c : cases) {
        twain_session s(c.mode);
        _bmap* b = s.scan();
        ASSERT_TRUE(b) << c.mode;
        EXPECT_EQ(full_scan, s.calls()) << c.mode;
        EXPECT_EQ(c.ppm, b->header.biXPelsPerMeter) << c.mode;
        EXPECT_EQ(c.ppm, b->header.biYPelsPerMeter) << c.mode;
        std::string file = s.dir.file("_scan.png");
        ASSERT_EQ(1, save_png_rgb(file.c_str(), b));
        _bmap_delete(b);
        _bmap* saved = load_png_file(file.c_str());
        ASSERT_TRUE(saved);
        ASSERT_EQ(4, saved->width);
        ASSERT_EQ(2, saved->height);
        for (int i = 0; i < 8; i++) {
            rgb want{i & 1 ? 255 : 0, i & 2 ? 255 : 0, i & 4 ? 255 : 0};
            EXPECT_EQ(want, at(saved, i % 4, i / 4)) << c.mode << " pixel " << i;
        }
        _bmap_delete(saved);
    }
}

TEST(Twain, ASourceAskingForItsStatusStillScans)
{
    twain_session s("checkstatus");
    _bmap* b = s.scan();
    ASSERT_TRUE(b);
    EXPECT_NE(std::string::npos, s.calls().find("CAPABILITY SET XFERCOUNT 1\nCAPABILITY GET\nENABLEDS\n"));
    _bmap_delete(b);
}

TEST(Twain, CancelFailureAndCloseLeaveNothingAndCloseEverything)
{
    int live = bmap_live_count;
    struct {
        const char* mode;
        const char* calls;
    } cases[] = {
        {"cancel",
         "OPENDS\nCAPABILITY SET XFERCOUNT 1\nENABLEDS\nEVENT\nIMAGEINFO\nNATIVEXFER\nENDXFER\nDISABLEDS\nCLOSEDS\n"},
        {"failure",
         "OPENDS\nCAPABILITY SET XFERCOUNT 1\nENABLEDS\nEVENT\nIMAGEINFO\nNATIVEXFER\nRESET\nDISABLEDS\nCLOSEDS\n"},
        {"close", "OPENDS\nCAPABILITY SET XFERCOUNT 1\nENABLEDS\nEVENT\nDISABLEDS\nCLOSEDS\n"},
        {"noenable", "OPENDS\nCAPABILITY SET XFERCOUNT 1\nENABLEDS\nCLOSEDS\n"},
        {"noopen", "OPENDS\n"},
    };
    for (const auto& c : cases) {
        {
            twain_session s(c.mode);
            EXPECT_EQ(nullptr, s.scan()) << c.mode;
            EXPECT_EQ(c.calls, s.calls()) << c.mode;
            EXPECT_EQ(0, twain.dsm_open) << c.mode;
        }
        // The source manager was closed: the next scan opens it afresh and succeeds.
        twain_session next("24");
        _bmap* b = next.scan();
        EXPECT_TRUE(b) << "after " << c.mode;
        if (b) _bmap_delete(b);
    }
    EXPECT_EQ(live, bmap_live_count);
}

TEST(Twain, WithoutTheSourceManagerNothingIsAvailable)
{
    twain_state kept = twain;
    scoped_restore<const char*> keep_name{twain_dsm_name};
    twain = {};
    twain_dsm_name = "no_such_twain.dll";
    EXPECT_EQ(0, twain_dsm_available());
    EXPECT_EQ(0, load_twain_dsm(nullptr));
    EXPECT_EQ(nullptr, twain.module);
    EXPECT_EQ(0, open_twain_dsm(0));
    EXPECT_EQ(nullptr, twain_acquire());
    twain = kept;
}

// The menus learn that the source manager is there without loading it.
TEST(Twain, TheSourceManagerIsFoundWithoutLoadingIt)
{
    unload_twain_dsm();
    EXPECT_EQ(1, twain_dsm_available());
    EXPECT_EQ(nullptr, GetModuleHandleA(twain_dsm_name));
}

namespace {
// Answers the source manager's selection dialog as a user would: OK on the
// first source, as soon as the dialog is activated.
HHOOK selection_hook;
LRESULT CALLBACK choose_first_source(int code, WPARAM wparam, LPARAM lparam)
{
    if (code == HCBT_ACTIVATE) PostMessageA((HWND)wparam, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return CallNextHookEx(selection_hook, code, wparam, lparam);
}
}  // namespace

TEST(Twain, SelectingASourceClosesTheManagerAgain)
{
    twain_session s("24");
    ASSERT_EQ(1, load_twain_dsm(s.parent));
    selection_hook = SetWindowsHookExA(WH_CBT, choose_first_source, nullptr, GetCurrentThreadId());
    int chosen = open_twain_dsm(1);
    UnhookWindowsHookEx(selection_hook);
    EXPECT_EQ(1, chosen);
    EXPECT_STREQ("ZOTE test scanner", twain.source.ProductName);
    EXPECT_EQ(0, twain.dsm_open);
    _bmap* b = s.scan();
    EXPECT_TRUE(b);
    if (b) _bmap_delete(b);
}
