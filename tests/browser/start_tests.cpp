// Start-up through real processes: the installed program copies itself to
// the temporary folder and relaunches the copy on the same folder; a copy
// that fails or a start that fails are handled; the hand-over file and the
// command line are refused rather than cut; other instances are found and
// closed.
#include "browser/archives/archive_folder.h"
#include "browser/model/start.h"
#include "browser/commands/instances.h"
#include "browser/model/browser_list.h"
#include "browser/model/paths.h"
#include "tests/browser/list_fixtures.h"
#include "tests/support/guard.h"
#include <gtest/gtest.h>
#include <string>

namespace {
const char* const title_ending = " - ZOTE1.67";

struct found_window {
    const char* part;
    HWND window;
    HWND other_than;
};

BOOL CALLBACK match_title(HWND w, LPARAM lp)
{
    auto* f = reinterpret_cast<found_window*>(lp);
    char t[512];
    int n = GetWindowTextA(w, t, sizeof t);
    std::string title(t, n > 0 ? n : 0);
    size_t e = strlen(title_ending);
    if (w != f->other_than && IsWindowVisible(w) && title.size() > e &&
        title.compare(title.size() - e, e, title_ending) == 0 && title.find(f->part) != std::string::npos) {
        f->window = w;
        return FALSE;
    }
    return TRUE;
}

// The browser window whose title names part (other than a known one), waited for while it starts.
HWND wait_for_browser(const char* part, HWND other_than = nullptr, DWORD ms = 30000)
{
    DWORD start = GetTickCount();
    found_window f = {part, nullptr, other_than};
    while (EnumWindows(match_title, reinterpret_cast<LPARAM>(&f)), !f.window && GetTickCount() - start < ms)
        bench::pump_for(50);
    return f.window;
}

// Closes another process's browser and waits until that process has ended.
void close_browser(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    PostMessageA(window, WM_CLOSE, 0, 0);
    if (process) {
        WaitForSingleObject(process, 30000);
        CloseHandle(process);
    }
}

// An installed program in inst\zote.exe (with its help file), a temporary
// folder of its own in temp\ (through TMP and TEMP, which children inherit)
// and a folder of pictures pics\relaunch_album.
struct install_bench {
    bench::scratch_dir dir;
    std::string temp, bin, program, album;
    char saved_tmp[MAX_PATH], saved_temp[MAX_PATH], saved_cd[MAX_PATH];
    install_bench()
    {
        SetEnvironmentVariableA("ZOTE_BOX_LOG", dir.file("boxes.txt").c_str());
        GetEnvironmentVariableA("TMP", saved_tmp, MAX_PATH);
        GetEnvironmentVariableA("TEMP", saved_temp, MAX_PATH);
        GetCurrentDirectoryA(MAX_PATH, saved_cd);
        temp = dir.file("temp");
        bin = temp + "\\zote\\bin\\";
        CreateDirectoryA(temp.c_str(), nullptr);
        SetEnvironmentVariableA("TMP", temp.c_str());
        SetEnvironmentVariableA("TEMP", temp.c_str());
        program = dir.write("inst\\zote.exe", "");
        CopyFileA((bench::exe_folder() + "host_zote.exe").c_str(), program.c_str(), FALSE);
        dir.write("inst\\zote.hlp", "help");
        dir.write("pics\\relaunch_album\\a.jpg", "x");
        album = dir.file("pics\\relaunch_album");
    }
    ~install_bench()
    {
        SetCurrentDirectoryA(saved_cd);
        SetEnvironmentVariableA("TMP", saved_tmp);
        SetEnvironmentVariableA("TEMP", saved_temp);
        SetEnvironmentVariableA("ZOTE_BOX_LOG", nullptr);
    }
    // Starts the installed program from the pictures folder on a relative
    // path and waits for it (not for the copy it starts). No handle of ours is
    // inherited: the copy outlives it.
    bool start()
    {
        std::string line = "\"" + program + "\" relaunch_album";
        STARTUPINFOA si = {sizeof si};
        PROCESS_INFORMATION pi;
        if (!CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, dir.file("pics").c_str(),
                            &si, &pi))
            return false;
        bool ended = WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0;
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return ended;
    }
    std::string boxes() const { return bench::read_file(dir.file("boxes.txt")); }
    bool exists(const std::string& name) const
    {
        return GetFileAttributesA((bin + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
};
}  // namespace

// The copy is made again whenever it is not the installed program's file,
// also while a window runs from the old one; when it cannot be made at all (a
// folder in its place) the installed program runs itself.
TEST(Relaunch, CopyHandOverAndFailures)
{
    enum { FRESH, COPY_FAILS, COPY_REMOVED, OTHER_BUILD, OTHER_BUILD_RUNNING };
    struct {
        int setup;
        bool copied;
        const char* version;
    } table[] = {
        {FRESH, true, "2350\r\n"},
        {COPY_FAILS, false, ""},
        {COPY_REMOVED, true, "2350\r\n"},
        {OTHER_BUILD, true, "2350\r\n"},
        {OTHER_BUILD_RUNNING, true, "2350\r\n"},
    };
    for (const auto& t : table) {
        install_bench b;
        HWND first = nullptr;
        if (t.setup == COPY_FAILS || t.setup == OTHER_BUILD) {
            CreateDirectoryA((b.temp + "\\zote").c_str(), nullptr);
            CreateDirectoryA(b.bin.c_str(), nullptr);
        }
        if (t.setup == COPY_FAILS) CreateDirectoryA((b.bin + "zote.exe").c_str(), nullptr);
        if (t.setup == OTHER_BUILD) {
            bench::write_file(b.bin + "zote.exe", bench::read_file(b.program) + "another build");
            bench::write_file(b.bin + "ver.txt", "2350\r\n");
        }
        if (t.setup == COPY_REMOVED || t.setup == OTHER_BUILD_RUNNING) {
            ASSERT_TRUE(b.start());
            first = wait_for_browser("relaunch_album");
            ASSERT_TRUE(first) << t.setup;
        }
        if (t.setup == COPY_REMOVED) {
            close_browser(first);
            first = nullptr;
            ASSERT_TRUE(DeleteFileA((b.bin + "zote.exe").c_str()));  // a cleaner's work
        }
        if (t.setup == OTHER_BUILD_RUNNING) bench::write_file(b.program, bench::read_file(b.program) + "a new build");
        ASSERT_TRUE(b.start()) << t.setup;
        HWND window = wait_for_browser("relaunch_album", first);
        EXPECT_TRUE(window) << t.setup;
        // The relaunched program took the hand-over file.
        EXPECT_FALSE(b.exists("param")) << t.setup;
        EXPECT_EQ(bench::read_file(b.bin + "ver.txt"), t.version) << t.setup;
        if (t.copied) {
            EXPECT_TRUE(bench::read_file(b.bin + "zote.exe") == bench::read_file(b.program)) << t.setup;
            EXPECT_EQ(bench::read_file(b.bin + "zote.hlp"), "help");
        }
        EXPECT_EQ(b.boxes(), "") << t.setup;
        if (first) {
            EXPECT_TRUE(IsWindow(first)) << "the window running the old copy runs on";
            close_browser(first);
        }
        if (window) {
            char title[512];
            GetWindowTextA(window, title, sizeof title);
            std::string shown = b.album + "\\";
            for (char& c : shown)
                if (c == '\\') c = '/';
            EXPECT_EQ(std::string(title).find(shown), 0u) << title;
            close_browser(window);
        }
    }
}

namespace {
bool exists(const std::string& p) { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The bench's installed cabinet DLL moved aside for a scope, as on a machine
// that has none; put back however the test ends (or at the next start, were
// a run cut short).
struct cabinet_dll_absent {
    std::string installed, aside;
    cabinet_dll_absent()
    {
        char system[MAX_PATH];
        GetSystemDirectoryA(system, sizeof system);
        installed = std::string(system) + "\\cab32.dll";
        aside = installed + ".zote-test-aside";
        if (!exists(installed) && exists(aside)) MoveFileA(aside.c_str(), installed.c_str());
        MoveFileA(installed.c_str(), aside.c_str());
    }
    ~cabinet_dll_absent() { MoveFileA(aside.c_str(), installed.c_str()); }
};
}  // namespace

// Started from a folder that holds DLLs of the names it loads (a download
// folder, say), with no cabinet DLL installed: none of them ever runs, in the
// start folder or in the folder shown.
TEST(Relaunch, DllsPlantedInTheStartFolderNeverRun)
{
    install_bench b;
    cabinet_dll_absent no_cabinet;
    ASSERT_FALSE(exists(no_cabinet.installed));
    b.dir.write("pics\\relaunch_album\\表ソ能.jpg", "x");
    const char* names[] = {"cab32.dll",   "unlha32.dll", "unzip32.dll",  "zip32j.dll",   "zip32.dll",
                           "izip32j.dll", "tar32.dll",   "twain_32.dll", "riched32.dll", "imm32.dll"};
    const std::string folders[] = {b.dir.file("pics"), b.album};
    std::string planted = bench::exe_folder() + "standin_planted.dll";
    for (const std::string& f : folders)
        for (const char* n : names) ASSERT_TRUE(CopyFileA(planted.c_str(), (f + "\\" + n).c_str(), FALSE));
    ASSERT_TRUE(b.start());
    HWND window = wait_for_browser("relaunch_album");
    ASSERT_TRUE(window);
    close_browser(window);
    for (const std::string& f : folders)
        for (const char* n : names) EXPECT_FALSE(exists(f + "\\" + n + ".ran")) << f << "\\" << n;
}

TEST(Relaunch, HandOverFileReadWhole)
{
    bench::scratch_dir dir;
    handover_block full;
    memset(&full, 'A', sizeof full);  // no field terminated
    std::string bytes(reinterpret_cast<const char*>(&full), sizeof full);
    struct {
        size_t size;
        int ok;
    } table[] = {{0, 0}, {1043, 0}, {1044, 1}, {1045, 0}, {2088, 0}};
    for (const auto& t : table) {
        std::string body = bytes;
        body.resize(t.size, 'A');
        std::string path = dir.write("param", body);
        // The block ends where reading past it faults.
        bench::guard_block g(sizeof(handover_block));
        auto* b = reinterpret_cast<handover_block*>(g.data());
        EXPECT_EQ(read_handover(path.c_str(), b), t.ok) << t.size;
        if (!t.ok) continue;
        for (const char* field : {b->current_folder, b->command_line, b->program, b->help})
            EXPECT_EQ(strlen(field), size_t(PATH_BUF - 1)) << t.size;
    }
}

TEST(CommandLine, TooLongIsRefusedNeverCut)
{
    char windows[PATH_BUF];
    size_t windir = GetWindowsDirectoryA(windows, sizeof windows);
    // Lengths in bytes after trimming and expanding; 259 is the most a field holds.
    struct {
        const char* head;
        size_t macro_growth;
    } shapes[] = {
        {"", 0},
        {"$WinDir\\", windir - 7},
        {"$WinDir\\$WinDrv\\", windir - 7 + 1 - 7},
    };
    for (const auto& s : shapes) {
        for (size_t want : {250u, 258u, 259u, 260u, 261u, 400u}) {
            size_t head = strlen(s.head), grown = head + s.macro_growth;
            std::string tail(want - grown, 'p');
            std::string path = std::string(s.head) + tail;
            start_options o;
            parse_command_line(("/z " + path).c_str(), &o);
            bool fits = want <= PATH_BUF - 1;
            EXPECT_EQ(o.path_fits, fits ? 1 : 0) << s.head << want;
            EXPECT_EQ(strlen(o.path), fits ? want : 0u) << s.head << want;
            EXPECT_EQ(o.viewer, 1);
            // expand_macros into a buffer of exactly the path's capacity.
            bench::guard_block g(PATH_BUF);
            char* buf = reinterpret_cast<char*>(g.data());
            if (path.size() < PATH_BUF) {
                memcpy(buf, path.c_str(), path.size() + 1);
                EXPECT_EQ(expand_macros(buf, PATH_BUF), fits ? 1 : 0) << s.head << want;
                EXPECT_EQ(strlen(buf), fits ? want : path.size()) << "refused leaves the path as it was";
            }
        }
    }
    // The hand-over block's command line: trimmed, then whole or refused.
    for (size_t n : {258u, 259u, 260u, 600u}) {
        std::string line = "  " + std::string(n, 'c') + " \r\n";
        handover_block b;
        int ok = fill_handover(&b, 0, line.c_str());
        EXPECT_EQ(ok, n <= PATH_BUF - 1 ? 1 : 0) << n;
        if (ok) { EXPECT_EQ(std::string(b.command_line), std::string(n, 'c')); }
    }
}

TEST(Instances, SecondFindsFirstAndClosesOthersNotItself)
{
    install_bench b;
    ASSERT_TRUE(b.start());
    HWND first = wait_for_browser("relaunch_album");
    ASSERT_TRUE(first);
    POINT at;
    ASSERT_EQ(measure_other_instances(&at), 1);
    WINDOWPLACEMENT wp = {sizeof wp};
    GetWindowPlacement(first, &wp);
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    int step = GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYBORDER) + GetSystemMetrics(SM_CYCAPTION);
    EXPECT_EQ(at.x, wp.rcNormalPosition.left + area.left + step);
    EXPECT_EQ(at.y, wp.rcNormalPosition.top + area.top + step);

    // This process as the second instance, on a folder of its own.
    list_fixture::browser_page page(400, 300);
    ASSERT_TRUE(change_folder(b.dir.file("pics").c_str()));
    load_folder(nullptr, 0, 0, nullptr, 0);
    HWND own = GetParent(_page_hwnd(1));
    ShowWindow(own, SW_SHOWNA);
    ASSERT_EQ(measure_other_instances(&at), 2);
    DWORD pid = 0;
    GetWindowThreadProcessId(first, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    close_other_instances();
    EXPECT_EQ(WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
    CloseHandle(process);
    // Its own frame stands; its close waits in the queue for the dispatch to end.
    EXPECT_TRUE(IsWindow(own));
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, own, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(m.wParam, WPARAM(CMD_EXIT));
    EXPECT_FALSE(PeekMessageA(&m, own, WM_COMMAND, WM_COMMAND, PM_REMOVE));
}

namespace {
RECT window_rect(HWND w)
{
    RECT r = {};
    GetWindowRect(w, &r);
    return r;
}

std::string user_file(const char* name)
{
    char path[MAX_PATH];
    return user_temp_folder(path, name) ? path : "";
}

// Writes a file inside the bench's temporary folder, making its folders.
bool write_made(const install_bench& b, const std::string& path, const std::string& bytes)
{
    if (path.compare(0, b.dir.file("").size(), b.dir.file("")) != 0) return false;
    return b.dir.write(path.substr(b.dir.file("").size()), bytes) == path;
}
}  // namespace

// A first start after versions before 1.25 gathers their loose cache folder
// and settings file into the program's folder and says so once; files that
// this version no longer reads go, and the per-user settings under their old
// name become the per-user zote.ini.
TEST(Housekeeping, OldVersionFilesGatheredOnceOldNamesDropped)
{
    install_bench b;
    b.dir.write("temp\\zote_cache\\$.表.jpg.0", "thumb");
    b.dir.write("temp\\zote.p", "old settings");
    b.dir.write("temp\\zote\\history", "old history");
    b.dir.write("temp\\zote\\print.p", "old print settings");
    std::string old_user = user_file("zote.p"), user = user_file("zote.ini");
    ASSERT_FALSE(old_user.empty());
    ASSERT_TRUE(write_made(b, old_user, "picext=1\n"));

    ASSERT_TRUE(b.start());
    HWND window = wait_for_browser("relaunch_album");
    ASSERT_TRUE(window);
    const std::string box =
        "MSGBOX[ZOTEﾊﾞｰｼﾞｮﾝｱｯﾌﾟ情報]ver1.25から一時ﾌｫﾙﾀﾞのZOTE関連ﾌｧｲﾙを\nZOTEﾌｫﾙﾀﾞ一つにまとめました．\n"
        "1.25以前のﾊﾞｰｼﾞｮﾝのZOTEとの併用は避けて下さい．\n";
    EXPECT_EQ(b.boxes(), box);
    EXPECT_EQ(bench::read_file(b.temp + "\\zote\\cache\\$.表.jpg.0"), "thumb");
    for (const char* gone : {"\\zote_cache", "\\zote.p", "\\zote\\zote.p", "\\zote\\history", "\\zote\\print.p"})
        EXPECT_FALSE(exists(b.temp + gone)) << gone;
    EXPECT_FALSE(exists(old_user));
    EXPECT_NE(bench::read_file(user).find("picext=1"), std::string::npos);
    close_browser(window);

    // The next start finds everything in place and says nothing.
    ASSERT_TRUE(b.start());
    window = wait_for_browser("relaunch_album");
    ASSERT_TRUE(window);
    EXPECT_EQ(b.boxes(), box);
    close_browser(window);
}

// A second window opens down and right of the first; that offset is no
// place of the user's: once both are closed, the next window opens where the
// first one did, whether or not the per-user settings differ from the global ones.
TEST(Instances, CascadeOffsetIsNeverSavedAsThePlace)
{
    for (bool own_settings : {false, true}) {
        install_bench b;
        if (own_settings) { ASSERT_TRUE(write_made(b, user_file("zote.ini"), "picext=1\n")); }
        ASSERT_TRUE(b.start());
        HWND first = wait_for_browser("relaunch_album");
        ASSERT_TRUE(first);
        RECT at_first = window_rect(first);
        ASSERT_TRUE(b.start());
        HWND second = wait_for_browser("relaunch_album", first);
        ASSERT_TRUE(second) << own_settings;
        RECT at_second = window_rect(second);
        int step = GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYBORDER) + GetSystemMetrics(SM_CYCAPTION);
        EXPECT_EQ(at_second.left, at_first.left + step) << own_settings;
        EXPECT_EQ(at_second.top, at_first.top + step) << own_settings;
        close_browser(second);
        close_browser(first);

        ASSERT_TRUE(b.start());
        HWND next = wait_for_browser("relaunch_album");
        ASSERT_TRUE(next);
        RECT at_next = window_rect(next);
        EXPECT_TRUE(EqualRect(&at_next, &at_first)) << own_settings << ": " << at_next.left << "," << at_next.top
                                                    << " not " << at_first.left << "," << at_first.top;
        close_browser(next);
    }
}
