// Shell services under Wine: file-type associations and their verbs in the
// prefix's registry, shortcuts through the shell-link object, special
// folders and the search for the program's windows across processes.
#include "files/files.h"
#include "files/internal.h"  // registry values, default verbs and the title search callback, asked directly
#include "graphics/kavtrel.h"
#include "base/cptext.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <cstring>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
// Start-up initialises COM on the user-interface thread; so do the tests.
struct com_environment : testing::Environment {
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override { CoUninitialize(); }
};
testing::Environment* const com_env = testing::AddGlobalTestEnvironment(new com_environment);

bool key_exists(const char* path)
{
    HKEY k;
    if (RegOpenKeyA(HKEY_CLASSES_ROOT, path, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

std::string default_value(const char* path)
{
    HKEY k;
    if (RegOpenKeyA(HKEY_CLASSES_ROOT, path, &k) != ERROR_SUCCESS) return "<no key>";
    char buf[512] = "";
    DWORD size = sizeof buf - 1, type = 0;
    LONG r = RegQueryValueExA(k, nullptr, nullptr, &type, (BYTE*)buf, &size);
    RegCloseKey(k);
    return r == ERROR_SUCCESS ? std::string(buf) : "<no value>";
}

void remove_class_key(const char* path) { reg_delete_key(path, nullptr); }
}  // namespace

TEST(ShellAssociations, RegisterListAndUnregisterVerbs)
{
    remove_class_key(".zqa");
    remove_class_key("ZQAfile");
    register_file_type(".zqa", nullptr, "C:\\windows\\notepad.exe,1", "*&Open", "notepad.exe \"%1\"");
    EXPECT_EQ(default_value(".zqa"), "ZQAfile");
    EXPECT_EQ(default_value("ZQAfile"), "ZQA file");
    EXPECT_EQ(default_value("ZQAfile\\DefaultIcon"), "C:\\windows\\notepad.exe,1");
    EXPECT_EQ(default_value("ZQAfile\\Shell"), "Open");
    EXPECT_EQ(default_value("ZQAfile\\Shell\\Open"), "&Open");
    EXPECT_EQ(default_value("ZQAfile\\Shell\\Open\\command"), "notepad.exe \"%1\"");

    // A second verb with its own key name on the now existing type.
    register_file_type(".zqa", "print2", "NULL", "印刷(&P)", "notepad.exe /p \"%1\"");
    EXPECT_EQ(default_value("ZQAfile\\Shell\\print2"), "印刷(&P)");

    char verbs[MAX_SHELL_VERBS][REG_VERB_BUF], texts[MAX_SHELL_VERBS][REG_VERB_BUF];
    ASSERT_EQ(list_shell_verbs(".zqa", verbs, texts), 2);
    EXPECT_STREQ(verbs[0], "Open");
    EXPECT_STREQ(texts[0], "&Open");
    EXPECT_STREQ(verbs[1], "print2");
    EXPECT_STREQ(texts[1], "印刷(&P)");
    char verb[REG_VERB_BUF], command[REG_TEXT_BUF];
    ASSERT_EQ(default_verb(".zqa", verb), 1);
    EXPECT_STREQ(verb, "Open");
    ASSERT_EQ(assoc_open_command(".zqa", command), 1);
    EXPECT_STREQ(command, "notepad.exe \"%1\"");

    // Unregistering removes the verb keys with their command subkeys.
    unregister_file_type(".zqa", "*&Open", nullptr);
    EXPECT_FALSE(key_exists("ZQAfile\\Shell\\Open"));
    EXPECT_FALSE(key_exists("ZQAfile\\DefaultIcon"));
    EXPECT_EQ(default_value("ZQAfile\\Shell"), "<no value>");
    unregister_file_type(".zqa", "印刷(&P)", "print2");
    EXPECT_FALSE(key_exists("ZQAfile\\Shell\\print2"));
    EXPECT_EQ(list_shell_verbs(".zqa", verbs, texts), 0);
    EXPECT_TRUE(key_exists(".zqa"));  // the extension and type keys stay

    // Deleting a key path removes the whole tree below it.
    EXPECT_EQ(reg_delete_key("ZQAfile", nullptr), ERROR_SUCCESS);
    EXPECT_EQ(reg_delete_key(".zqa", "NULL"), ERROR_SUCCESS);
    EXPECT_FALSE(key_exists("ZQAfile"));
    EXPECT_FALSE(key_exists(".zqa"));
}

TEST(ShellAssociations, MissingDefaultValuesReadAsEmpty)
{
    // A type whose verb keys carry no menu text and whose shell key names no
    // default verb (as Wine's own txtfile and Folder are registered).
    remove_class_key(".zqb");
    remove_class_key("zqbtype");
    ASSERT_EQ(reg_set_string(".zqb", nullptr, "zqbtype"), ERROR_SUCCESS);
    ASSERT_EQ(reg_set_string("zqbtype shell open command", nullptr, "notepad.exe %1"), ERROR_SUCCESS);
    ASSERT_EQ(reg_set_string("zqbtype shell \"print it\" command", nullptr, "notepad.exe /p %1"), ERROR_SUCCESS);
    EXPECT_TRUE(key_exists("zqbtype\\shell\\print it\\command"));
    char verbs[MAX_SHELL_VERBS][REG_VERB_BUF], texts[MAX_SHELL_VERBS][REG_VERB_BUF];
    ASSERT_EQ(list_shell_verbs(".zqb", verbs, texts), 2);
    EXPECT_STREQ(texts[0], "open");
    EXPECT_STREQ(texts[1], "print it");
    char verb[REG_VERB_BUF], command[REG_TEXT_BUF];
    ASSERT_EQ(default_verb(".zqb", verb), 1);
    EXPECT_STREQ(verb, "open");
    ASSERT_EQ(assoc_open_command(".zqb", command), 1);
    EXPECT_STREQ(command, "notepad.exe %1");
    EXPECT_GE(list_shell_verbs("Folder", verbs, texts), 1);
    // Wine's own txtfile verbs carry no menu texts either.
    ASSERT_EQ(reg_set_string(".zqt", nullptr, "txtfile"), ERROR_SUCCESS);
    ASSERT_EQ(list_shell_verbs(".zqt", verbs, texts), 2);
    EXPECT_STREQ(texts[0], "open");
    EXPECT_STREQ(texts[1], "print");
    ASSERT_EQ(default_verb(".zqt", verb), 1);
    EXPECT_STREQ(verb, "open");
    ASSERT_EQ(assoc_open_command(".zqt", command), 1);
    EXPECT_NE(strstr(command, "notepad.exe"), nullptr) << command;
    reg_delete_key(".zqt", nullptr);
    EXPECT_EQ(list_shell_verbs(".zqnone", verbs, texts), 0);
    reg_delete_key("zqbtype", nullptr);
    reg_delete_key(".zqb", nullptr);
    EXPECT_FALSE(key_exists("zqbtype"));
}

namespace {
std::string wait_for_file(const std::string& path)
{
    for (int i = 0; i < 200; i++) {
        std::string text = bench::read_file(path);
        if (!text.empty()) {
            Sleep(50);
            return bench::read_file(path);
        }
        Sleep(50);
    }
    return "";
}

std::string logged;
int capture_printf(const char* fmt, ...)
{
    char line[1024];
    va_list ap;
    va_start(ap, fmt);
    text_vformat(line, sizeof line, fmt, ap);
    va_end(ap);
    logged += line;
    return 0;
}
int logging_yes() { return 1; }
}  // namespace

TEST(ShellExecution, OpensWithTheChosenVerb)
{
    bench::scratch_dir dir;
    std::string file = dir.write("表.zqm", "x");
    std::string marker = dir.file("marker.txt");
    remove_class_key(".zqm");
    remove_class_key("ZQMfile");
    {
        scoped_restore keep_hooks(console_hooks);
        console_hooks.printf_hook = capture_printf;
        console_hooks.logging_on = logging_yes;
        logged.clear();
        register_file_type(".zqm", nullptr, nullptr, "*first", ("cmd.exe /c echo first>\"" + marker + "\"").c_str());
        register_file_type(".zqm", nullptr, nullptr, "second", ("cmd.exe /c echo second>\"" + marker + "\"").c_str());
    }
    EXPECT_EQ(logged, " ZQMfile(ZQM file)\n ZQMfile(ZQM file)\n");

    ASSERT_EQ(open_with_association(file.c_str(), 1), 1);
    EXPECT_EQ(wait_for_file(marker), "second\r\n");
    DeleteFileA(marker.c_str());
    ASSERT_EQ(open_with_association(file.c_str(), -1), 1);  // the default verb
    EXPECT_EQ(wait_for_file(marker), "first\r\n");
    DeleteFileA(marker.c_str());
    ASSERT_EQ(open_with_association(file.c_str(), 3), 1);  // beyond the list: no verb
    EXPECT_EQ(wait_for_file(marker), "first\r\n");
    DeleteFileA(marker.c_str());

    reg_delete_key("ZQMfile", nullptr);
    reg_delete_key(".zqm", nullptr);
}

TEST(ShellExecution, FailuresAreReported)
{
    bench::scratch_dir dir;
    std::string file = dir.write("a.zqnone", "x");
    EXPECT_EQ(open_with_association(file.c_str(), 0), 0);  // no association at all
    EXPECT_EQ(run_program("%s", "C:\\no\\such\\program.exe"), 0);
    EXPECT_EQ(run_program("%s", "cmd.exe /c exit"), 1);
}

TEST(Shortcuts, RoundTripOfTargetArgumentsFolderAndShowState)
{
    bench::scratch_dir dir;
    std::string target = dir.write("target.txt", "x");
    std::string lnk = dir.file("a.lnk");
    ASSERT_EQ(
        create_shortcut(lnk.c_str(), target.c_str(), "-x \"y z\"", dir.path(), "max", "C:\\windows\\notepad.exe,3"), 1);
    std::string bytes = bench::read_file(lnk);
    ASSERT_GT(bytes.size(), 0x40u);
    EXPECT_EQ(bytes[0x3C], 3);  // show maximised

    char out[PATH_BUF];
    EXPECT_EQ(read_shortcut_path(lnk.c_str(), out), S_OK);
    EXPECT_EQ(lstrcmpiA(out, target.c_str()), 0);

    IShellLinkA* link = nullptr;
    ASSERT_TRUE(
        SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void**)&link)));
    IPersistFile* persist = nullptr;
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&persist)));
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, lnk.c_str(), -1, wide, MAX_PATH);
    ASSERT_TRUE(SUCCEEDED(persist->Load(wide, STGM_READ)));
    char text[MAX_PATH];
    int index = -1;
    link->GetArguments(text, sizeof text);
    EXPECT_STREQ(text, "-x \"y z\"");
    link->GetWorkingDirectory(text, sizeof text);
    EXPECT_EQ(lstrcmpiA(text, dir.path()), 0);
    link->GetIconLocation(text, sizeof text, &index);
    EXPECT_STREQ(text, "C:\\windows\\notepad.exe");
    EXPECT_EQ(index, 3);
    persist->Release();
    link->Release();

    std::string lnk2 = dir.file("b.lnk");
    ASSERT_EQ(create_shortcut(lnk2.c_str(), target.c_str(), "NULL", "", "minimised", nullptr), 1);
    EXPECT_EQ(bench::read_file(lnk2)[0x3C], 2);  // show minimised
    std::string lnk3 = dir.file("c.lnk");
    ASSERT_EQ(create_shortcut(lnk3.c_str(), target.c_str(), nullptr, nullptr, "normal", nullptr), 1);
    EXPECT_EQ(bench::read_file(lnk3)[0x3C], 1);
}

TEST(Shortcuts, DoubleByteTargetAndFailures)
{
    bench::scratch_dir dir;
    std::string target = dir.write("表ソ能\\十.jpg", "x");
    std::string lnk = dir.file("表.lnk");
    ASSERT_EQ(create_shortcut(lnk.c_str(), target.c_str(), nullptr, nullptr, nullptr, nullptr), 1);
    char out[PATH_BUF];
    EXPECT_EQ(read_shortcut_path(lnk.c_str(), out), S_OK);
    EXPECT_STREQ(out, target.c_str());

    // Saving into a folder that does not exist is a failure.
    std::string missing = dir.file("no\\such\\x.lnk");
    EXPECT_EQ(create_shortcut(missing.c_str(), target.c_str(), nullptr, nullptr, nullptr, nullptr), 0);
    // A shortcut that cannot be read leaves the output empty.
    std::string bogus = dir.write("bogus.lnk", "not a shortcut");
    text_copy(out, "stale");
    EXPECT_NE(read_shortcut_path(bogus.c_str(), out), S_OK);
    EXPECT_STREQ(out, "");
}

TEST(SpecialFolders, EachNameGivesAnExistingFolder)
{
    struct {
        const char* name;
        const char* ends;
    } cases[] = {
        {"Personal", "Documents"}, {"Mypictures", "Pictures"}, {"Commondocs", "Documents"}, {"SendTo", "SendTo"},
        {"Desktop", "Desktop"},    {"Mypics", "Desktop"},      {"PersonalX", "Documents"},
    };
    for (auto& c : cases) {
        char out[PATH_BUF] = "x";
        ASSERT_EQ(get_special_folder(c.name, out), 1) << c.name;
        std::string path = out;
        while (!path.empty() && path.back() == '\\') path.pop_back();
        EXPECT_GE(path.size(), strlen(c.ends));
        EXPECT_EQ(path.substr(path.size() - strlen(c.ends)), c.ends) << c.name << ": " << out;
        DWORD a = GetFileAttributesA(out);
        EXPECT_TRUE(a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) << out;
    }
    char common[PATH_BUF], personal[PATH_BUF];
    get_special_folder("Commondocs", common);
    get_special_folder("Personal", personal);
    EXPECT_NE(lstrcmpiA(common, personal), 0);
}

namespace {
LRESULT CALLBACK host_proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}
}  // namespace

// A child process that shows top-level windows with the titles in
// ZOTE_HOST_TITLES ("|"-separated; a leading "-" keeps one hidden) until it
// is ended or 20 seconds have passed.
ZOTE_CHILD(title_windows)
{
    // The titles travel hex-encoded: the environment is not byte-exact for cp932.
    char hex[2048] = "";
    GetEnvironmentVariableA("ZOTE_HOST_TITLES", hex, sizeof hex);
    std::string titles;
    for (size_t i = 0; hex[i] && hex[i + 1]; i += 2)
        titles += (char)strtol(std::string(hex + i, 2).c_str(), nullptr, 16);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = host_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "zoteHostWindow";
    RegisterClassA(&wc);
    std::string line = titles;
    size_t start = 0;
    int y = 0;
    while (start <= line.size()) {
        size_t end = line.find('|', start);
        if (end == std::string::npos) end = line.size();
        std::string title = line.substr(start, end - start);
        bool hidden = !title.empty() && title[0] == '-';
        if (hidden) title.erase(0, 1);
        HWND w = CreateWindowA("zoteHostWindow", title.c_str(), WS_OVERLAPPEDWINDOW, 10, 10 + y, 300, 100, nullptr,
                               nullptr, wc.hInstance, nullptr);
        if (w && !hidden) ShowWindow(w, SW_SHOWNOACTIVATE);
        y += 30;
        start = end + 1;
    }
    DWORD until = GetTickCount() + 20000;
    MSG msg;
    while ((LONG)(GetTickCount() - until) < 0) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return 0;
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    return 0;
}

namespace {
struct host_process {
    PROCESS_INFORMATION pi = {};
    explicit host_process(const char* titles)
    {
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, sizeof self);
        std::string line = std::string("\"") + self + "\" --zote-child=title_windows";
        std::string hex;
        char two[3];
        for (const char* p = titles; *p; p++) {
            text_format(two, sizeof two, "%02x", (unsigned char)*p);
            hex += two;
        }
        SetEnvironmentVariableA("ZOTE_HOST_TITLES", hex.c_str());
        STARTUPINFOA si = {sizeof si};
        CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
        SetEnvironmentVariableA("ZOTE_HOST_TITLES", nullptr);
    }
    ~host_process()
    {
        if (!pi.hProcess) return;
        TerminateProcess(pi.hProcess, 0);
        WaitForSingleObject(pi.hProcess, 5000);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
};

bool wait_for_window(const char* title)
{
    for (int i = 0; i < 200; i++) {
        if (FindWindowA("zoteHostWindow", title)) return true;
        Sleep(50);
    }
    return false;
}
}  // namespace

TEST(WindowSearch, FindsVisibleInstanceWindowsOfOtherProcesses)
{
    host_process a("C:\\a - ZOTE1.67|-C:\\hidden - ZOTE1.67| - ZOTE1.67 B - ZOTE1.67x");
    host_process b("C:\\表 - ZOTE1.67|other - ZOTE1.67 x");
    ASSERT_TRUE(a.pi.hProcess && b.pi.hProcess);
    ASSERT_TRUE(wait_for_window("other - ZOTE1.67 x"));
    ASSERT_TRUE(wait_for_window(" - ZOTE1.67 B - ZOTE1.67x"));

    HWND table[16];
    int n = find_windows_by_title(instance_title_ending, TITLE_ENDS, 1, table, 16);
    ASSERT_EQ(n, 2);
    char t0[512], t1[512];
    GetWindowTextA(table[0], t0, sizeof t0);
    GetWindowTextA(table[1], t1, sizeof t1);
    std::string both = std::string(t0) + "|" + t1;
    EXPECT_NE(both.find("C:\\a - ZOTE1.67"), std::string::npos) << both;
    EXPECT_NE(both.find("C:\\表 - ZOTE1.67"), std::string::npos) << both;

    // Hidden windows count when visible-only is off.
    EXPECT_EQ(find_windows_by_title(instance_title_ending, TITLE_ENDS, 0, table, 16), 3);
    // The text occurs twice, the first time not at the end: no match in mode 2.
    EXPECT_EQ(find_windows_by_title(" - ZOTE1.67 B", TITLE_ENDS, 1, table, 16), 0);
    EXPECT_EQ(find_windows_by_title(" - ZOTE1.67 B", 0, 1, table, 16), 1);
    EXPECT_EQ(find_windows_by_title("C:\\", TITLE_BEGINS, 1, table, 16), 2);
    // A small table holds what fits.
    EXPECT_EQ(find_windows_by_title(" - ZOTE1.67", 0, 0, table, 2), 2);

    // The callback on its own, as callers use it.
    window_search record = {"other", 1, TITLE_BEGINS, 0, table, 16};
    window_search_record = &record;
    EnumWindows(find_window_by_title_cb, 0);
    window_search_record = nullptr;
    EXPECT_EQ(record.count, 1);
}

TEST(ShellAssociations, TextsThatFillTheBufferExactly)
{
    remove_class_key(".zqf");
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, ".zqf", &key), ERROR_SUCCESS);
    // With or without its terminator stored: 511 bytes fit the 512-byte
    // buffer, 512 do not.
    struct {
        size_t length;
        bool terminated;
        int result;
    } cases[] = {
        {511, true, 1}, {511, false, 1}, {512, true, 0}, {512, false, 0}, {0, true, 1},
    };
    for (auto& c : cases) {
        std::string text(c.length, 'c');
        if (c.length > 1) text.replace(c.length / 2, 2, "表");
        ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ, (const BYTE*)text.c_str(),
                                 (DWORD)(text.size() + (c.terminated ? 1 : 0))),
                  ERROR_SUCCESS);
        char out[REG_TEXT_BUF];
        memset(out, 'x', sizeof out);
        EXPECT_EQ(reg_read_text(key, nullptr, out, sizeof out), c.result) << c.length << c.terminated;
        EXPECT_EQ(std::string(out), c.result ? text : "") << c.length << c.terminated;
    }
    RegCloseKey(key);
    remove_class_key(".zqf");
}
