// Settings: the default lines, the round trip through a real zote.ini, the
// line rules of the reader, hand-edited values clamped, long texts, and the
// global, per-user and hand-over files.
#include "browser/commands/settings.h"
#include "browser/grid/grid.h"
#include "tests/browser/list_fixtures.h"
#include "tests/browser/settings_fixtures.h"
#include <gtest/gtest.h>
#include <cstring>
#include <shlobj.h>

namespace {

using list_fixture::reset_list;

settings_record parsed(const std::string& path, const settings_record& start)
{
    settings_record r = start;
    FILE* f = fopen(path.c_str(), "r");
    EXPECT_TRUE(f) << path;
    if (f) parse_settings_file(&r, f);
    return r;
}

// A record unlike the defaults in every field a file carries.
settings_record sample()
{
    settings_record r = {};
    r.left = 10, r.top = 20, r.right = 810, r.bottom = 620, r.w = 96;
    r.time = 1, r.timetrans = 0, r.curstop = 1;
    r.use_lzh[0] = 0, r.use_lzh[1] = -1, r.use_lzh[2] = 1, r.use_lzh[3] = 0;
    r.countfile = 1, r.countfile_limit = 77, r.startfolder = 0, r.picext = 1, r.fldfirst = 0, r.checkdisp = 0;
    r.cache_size = 16, r.cachemag = 1.5;
    strcpy(r.cachepath, "C:\\キャッシュ\\表");
    r.interval = 45, r.nonstop = 1, r.square = 0, r.all = 0, r.textpic = 0, r.txticon = 0, r.txtcont = 1;
    strcpy(r.txtext, ".c .h .ソ");
    COLORREF* colours = &r.tbcolor;
    for (int i = 0; i < 11; i++) colours[i] = 0x010203 * (i + 1);
    r.hidden = 1;
    for (int k = 0; k < SETTINGS_KINDS; k++) r.kinds[k] = is_plugin_kind(k) ? 0 : k % 2;
    return r;
}

std::string lines(const std::string& path) { return bench::read_file(path); }

ZOTE_CHILD(default_settings_file)
{
    browser_list_init();
    start_thumbnail_cache();
    settings_record r;
    snapshot_settings(&r);
    char out[MAX_PATH];
    GetEnvironmentVariableA("ZOTE_SETTINGS_OUT", out, sizeof out);
    return write_settings_file(out, r) ? 0 : 1;
}

TEST(Settings, DefaultLinesInTheirOrder)
{
    bench::scratch_dir dir;
    std::string path = dir.file("zote.ini");
    SetEnvironmentVariableA("ZOTE_SETTINGS_OUT", path.c_str());
    ASSERT_EQ(bench::run_child("default_settings_file").exit_code, 0u);
    std::string want =
        "left=0\r\ntop=0\r\nright=0\r\nbottom=0\r\nw=128\r\ntime=0\r\ntimetrans=1\r\ncurstop=0\r\n"
        "use_lzh[0]=1\r\nuse_lzh[1]=1\r\nuse_lzh[2]=1\r\nuse_lzh[3]=1\r\ncountfile=-1\r\ncountfile_limit=50\r\n"
        "startfolder=1\r\npicext=0\r\nfldfirst=1\r\ncheckdisp=1\r\ncache_size=32\r\ncachemag=1.000000\r\n"
        "cachepath=\r\ninterval=30\r\nnonstop=0\r\nsquare=1\r\nall=1\r\ntextpic=1\r\nhidden=0\r\ntxticon=1\r\n"
        "txtcont=1\r\ntxtext=.bat .c .cc .cgi .cpp .dat .f .for .h .inf .ini .mac .myc .js .log .pl .tex .txt .vbs\r\n"
        "tbcolor=16768734\r\nbkcolor=" +
        std::to_string(GetSysColor(COLOR_WINDOW)) +
        "\r\nselcolor=8421504\r\n"
        "filecolor=0\r\nlinkcolor=16711680\r\nsyscolor=8421504\r\ndatecolor=33023\r\noutcolor=8421504\r\n"
        "txtcolor=0\r\nsldbkcolor=0\r\nsldtxtcolor=8421504\r\n"
        "BMP=1\r\nCUR=1\r\nEMF=1\r\nGIF=1\r\nICO=1\r\nJPG=1\r\nMAG=0\r\nPDD=1\r\nPDF=1\r\nPI=0\r\nPIC=0\r\nP2=0\r\n"
        "PNG=1\r\nPSD=1\r\nQ4=0\r\nTIF=1\r\nWMF=1\r\n";
    EXPECT_EQ(lines(path), want);
}

TEST(Settings, RoundTripThroughFileAndLiveState)
{
    live_settings_kept kept;
    reset_list();
    bench::scratch_dir dir;
    std::string path = dir.file("zote.ini");
    settings_record r = sample();
    ASSERT_EQ(write_settings_file(path.c_str(), r), 1);
    settings_record back = parsed(path, settings_record{});
    EXPECT_EQ(settings_equal(&back, &r), 1);
    // Through the live state: no main window, so no rectangle; the cache
    // folder must exist to be taken.
    r.left = r.top = r.right = r.bottom = 0;
    std::string cache = dir.file("キャッシュ\\");
    CreateDirectoryA(cache.c_str(), nullptr);
    strcpy(r.cachepath, cache.c_str());
    apply_settings(&r);
    settings_record now;
    snapshot_settings(&now);
    EXPECT_EQ(settings_equal(&now, &r), 1);
    EXPECT_EQ(browser_list.thumb_size, 96.0);
    // The slide options reach the viewer, their home; the full-screen colours
    // stay the settings' own, which the viewer paints from.
    EXPECT_EQ(viewer_state.interval, 45);
    EXPECT_EQ(viewer_state.nonstop, 1);
    EXPECT_EQ(browser_list.settings.sldtxtcolor, r.sldtxtcolor);
    EXPECT_NE(is_text_name("a.ソ"), 0);
    EXPECT_EQ(is_text_name("a.txt"), 0);
}

// Equal settings compare equal whatever lay in the record or behind the
// terminators of the live texts.
TEST(Settings, SnapshotsOfEqualStateAreEqual)
{
    live_settings_kept kept;
    reset_list();
    settings_record live = sample();
    apply_settings(&live);
    memset(thumb_cache.dir.primary_root + strlen(thumb_cache.dir.primary_root) + 1, 'x', 40);
    settings_record a, b;
    memset(&a, 0xCC, sizeof a);
    memset(&b, 0x5A, sizeof b);
    snapshot_settings(&a);
    memset(browser_list.settings.txtext + strlen(browser_list.settings.txtext) + 1, 'y', 40);
    snapshot_settings(&b);
    EXPECT_EQ(settings_equal(&a, &b), 1);
}

TEST(Settings, LineRules)
{
    bench::scratch_dir dir;
    struct {
        const char* name;
        std::string text;
        int want_w;
        int want_time;
    } table[] = {
        {"only w", "w=96\n", 96, 7},
        {"blanks before the key", " w=96\n", 128, 7},
        {"other case", "W=96\nTime=5\n", 128, 7},
        {"later line wins", "w=70\nw=96\n", 96, 7},
        {"carriage return cut", "w=96\r\ntime=3\r\n", 96, 3},
        {"last line without line end", "time=3\nw=96", 128, 3},
        {"unknown keys", "width=96\nfoo\n=3\n", 128, 7},
        {"tail of an overlong line", "cachepath=" + std::string(1010, 'a') + "w=96\ntime=3\n", 128, 3},
    };
    for (auto& t : table) {
        settings_record start = sample();
        start.w = 128, start.time = 7;
        settings_record r = parsed(dir.write("zote.ini", t.text), start);
        EXPECT_EQ(r.w, t.want_w) << t.name;
        EXPECT_EQ(r.time, t.want_time) << t.name;
        r.w = start.w, r.time = start.time;
        EXPECT_EQ(settings_equal(&r, &start), 1) << t.name << ": nothing else changes";
    }
}

// Each bad line read over the sample, written again: the line the file then holds.
TEST(Settings, HandEditedValuesAreClamped)
{
    bench::scratch_dir dir;
    struct {
        const char* line;
        const char* written;
    } table[] = {
        {"w=0", "w=64"},
        {"w=-20", "w=64"},
        {"w=100000", "w=1024"},
        {"interval=0", "interval=1"},
        {"interval=99999", "interval=600"},
        {"countfile_limit=-4", "countfile_limit=11"},
        {"countfile=-9", "countfile=-1"},
        {"use_lzh[2]=7", "use_lzh[2]=1"},
        {"cache_size=-5", "cache_size=0"},
        {"cachemag=-1", "cachemag=0.000000"},
        {"cachemag=nan", "cachemag=0.000000"},
        {"cachemag=1e300", "cachemag=1000.000000"},
        {"right=-5", "right=10"},
        {"top=-99999", "top=-32000"},
        {"JPG=5", "JPG=1"},
    };
    std::string out = dir.file("out.ini");
    for (auto& t : table) {
        settings_record r = parsed(dir.write("zote.ini", std::string(t.line) + "\n"), sample());
        ASSERT_EQ(write_settings_file(out.c_str(), r), 1);
        EXPECT_NE(lines(out).find(std::string("\n") + t.written + "\r\n"), std::string::npos) << t.line;
    }
}

TEST(Settings, LongTextsSurviveOrAreRefusedWhole)
{
    bench::scratch_dir dir;
    struct {
        const char* key;
        size_t length;
        bool kept;
    } table[] = {
        {"cachepath", 250, true}, {"cachepath", 263, true}, {"cachepath", 264, false},
        {"txtext", 255, true},    {"txtext", 256, false},
    };
    const settings_record start = sample();
    for (auto& t : table) {
        std::string value = "C:\\" + std::string(t.length - 3, 'p');
        settings_record r = parsed(dir.write("zote.ini", std::string(t.key) + "=" + value + "\nw=96\n"), start);
        bool path = strcmp(t.key, "cachepath") == 0;
        const char* got = path ? r.cachepath : r.txtext;
        const char* before = path ? start.cachepath : start.txtext;
        EXPECT_EQ(std::string(got), t.kept ? value : std::string(before)) << t.key << " " << t.length;
        EXPECT_EQ(r.w, 96) << t.key << " " << t.length;
        if (!t.kept) continue;
        std::string again = dir.file("again.ini");
        ASSERT_EQ(write_settings_file(again.c_str(), r), 1);
        settings_record back = parsed(again, settings_record{});
        EXPECT_EQ(settings_equal(&back, &r), 1) << t.key << " " << t.length;
    }
}

// The global file in a scratch start folder; the per-user files where the
// program keeps them.
struct settings_files : ::testing::Test {
    bench::scratch_dir dir;
    char user[MAX_PATH], global[MAX_PATH], handover[MAX_PATH];
    live_settings_kept kept;
    void SetUp() override
    {
        reset_list();
        set_settings_start_folder(dir.path());
        char folder[MAX_PATH];
        ASSERT_TRUE(user_temp_folder(folder, nullptr));
        SHCreateDirectoryExA(nullptr, folder, nullptr);
        user_settings_path(user);
        global_settings_path(global);
        handover_settings_path(handover);
        SetFileAttributesA(user, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(user);
        settings_defaults(&browser_list.settings);
        snapshot_settings(&browser_list.default_settings);
        browser_list.loaded_settings = browser_list.default_settings;
    }
    void TearDown() override
    {
        SetFileAttributesA(user, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(user);
        DeleteFileA(handover);
        set_settings_start_folder("");
    }
};

TEST_F(settings_files, UnchangedUserFileIsHiddenAndReadOnlyWhenAsked)
{
    viewer_state.interval = 55;
    save_user_settings();
    EXPECT_EQ(GetFileAttributesA(user) & FILE_ATTRIBUTE_HIDDEN, 0u);
    snapshot_settings(&browser_list.loaded_settings);
    EXPECT_EQ(user_settings_changed(), 0);
    save_user_settings();
    EXPECT_NE(GetFileAttributesA(user) & FILE_ATTRIBUTE_HIDDEN, 0u);
    viewer_state.interval = 30;
    settings_record r;
    load_global_and_user_settings(&r, 1);
    EXPECT_EQ(r.interval, 55);
    load_global_and_user_settings(&r, 0);
    EXPECT_EQ(r.interval, 30);
}

// Settings brought back to those loaded at start are what the next start
// reads, not what an earlier save wrote.
TEST_F(settings_files, SettingsBackToTheLoadedOnesReachTheNextStart)
{
    const int loaded = browser_list.loaded_settings.interval;
    viewer_state.interval = loaded + 25;
    save_user_settings();
    viewer_state.interval = loaded;
    save_user_settings();
    EXPECT_NE(GetFileAttributesA(user) & FILE_ATTRIBUTE_HIDDEN, 0u);
    settings_record r;
    load_global_and_user_settings(&r, 1);
    EXPECT_EQ(r.interval, loaded);
}

TEST_F(settings_files, GlobalFileAtDefaultsIsDeleted)
{
    viewer_state.nonstop = 1;
    save_global_settings();
    settings_record r;
    ASSERT_EQ(load_settings(&r), 1);
    EXPECT_EQ(r.nonstop, 1);
    viewer_state.nonstop = 0;
    save_global_settings();
    EXPECT_EQ(GetFileAttributesA(global), INVALID_FILE_ATTRIBUTES);
}

TEST_F(settings_files, HandOverFileIsReadOnce)
{
    viewer_state.square = 0;
    settings_record sent, got;
    write_handover_settings(&sent);
    viewer_state.square = 1;
    snapshot_settings(&got);
    ASSERT_NE(load_handover_settings(&got), 0);
    EXPECT_EQ(settings_equal(&got, &sent), 1);
    EXPECT_EQ(GetFileAttributesA(handover), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(load_handover_settings(&got), 0);
}

// Start-up: the defaults before any file, the global file loaded and applied,
// and the grid's saved size read from the files once there, never on a
// layout, and again when the settings are saved.
TEST_F(settings_files, StartSettingsApplyTheGlobalFile)
{
    set_settings_start_folder(dir.path());
    browser_list.thumb_size = 128.0;
    settings_record r;
    snapshot_settings(&r);
    r.w = 96;
    ASSERT_EQ(write_settings_file(global, r), 1);
    load_start_settings();
    EXPECT_EQ(browser_list.default_settings.w, 128);
    EXPECT_EQ(browser_list.loaded_settings.w, 96);
    EXPECT_EQ(browser_list.thumb_size, 96.0);
    EXPECT_EQ(browser_list.saved_size, 96);
    r.w = 200;  // another window saves its size
    ASSERT_EQ(write_settings_file(global, r), 1);
    compute_grid(1000, 700);
    EXPECT_EQ(browser_list.saved_size, 96) << "as read at start";
    DeleteFileA(global);
    browser_list.thumb_size = 160.0;
    save_user_settings();
    EXPECT_EQ(browser_list.saved_size, 160) << "as saved";
    forget_global_settings();
    EXPECT_EQ(browser_list.saved_size, 160) << "the per-user file still gives it";
}

}  // namespace
