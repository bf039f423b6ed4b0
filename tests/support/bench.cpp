// Shared test support (see bench.h).
#include "tests/support/bench.h"
#include "graphics/kavtrel.h"
#include <psapi.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace bench {

std::vector<message_box_record> message_boxes;
static int message_box_answer = IDOK;
static bool in_child = false;

static std::map<std::string, child_fn>& children()
{
    static std::map<std::string, child_fn> table;
    return table;
}

bool register_child(const char* name, child_fn fn)
{
    children()[name] = fn;
    return true;
}

void run_child_if_asked(int argc, char** argv)
{
    const char* flag = "--zote-child=";
    for (int i = 1; i < argc; i++) {
        if (strncmp(argv[i], flag, strlen(flag)) == 0) {
            in_child = true;
            auto it = children().find(argv[i] + strlen(flag));
            if (it == children().end()) {
                fprintf(stderr, "no child scenario %s\n", argv[i] + strlen(flag));
                exit(99);
            }
            int rc = it->second();
            fflush(stdout);
            exit(rc);
        }
    }
}

static int seam_box(HWND, const char* text, const char* title, UINT type)
{
    message_boxes.push_back({title ? title : "", text ? text : "", type});
    if (in_child) {
        printf("MSGBOX[%s]%s", title ? title : "", text ? text : "");
        fflush(stdout);
    }
    return message_box_answer;
}

void install_message_box_seam(int answer)
{
    message_box_answer = answer;
    message_boxes.clear();
    kavtrel_message_box = seam_box;
}

std::string exe_folder()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

static std::string self_path()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, n);
}

child_result run_program(const std::string& exe, const std::string& args, DWORD timeout_ms)
{
    child_result r;
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE rd = nullptr, wr = nullptr;
    if (!CreatePipe(&rd, &wr, &sa, 0)) {
        r.exit_code = (DWORD)-1;
        return r;
    }
    SetHandleInformation(rd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = wr;
    si.hStdError = wr;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::string cmd = "\"" + exe + "\" " + args;
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back(0);
    if (!CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(rd);
        CloseHandle(wr);
        r.exit_code = (DWORD)-1;
        r.output = "CreateProcess failed";
        return r;
    }
    CloseHandle(wr);
    DWORD start = GetTickCount();
    for (;;) {
        DWORD avail = 0;
        while (PeekNamedPipe(rd, nullptr, 0, nullptr, &avail, nullptr) && avail) {
            char buf[4096];
            DWORD got = 0;
            if (!ReadFile(rd, buf, sizeof buf, &got, nullptr) || !got) break;
            r.output.append(buf, got);
        }
        if (WaitForSingleObject(pi.hProcess, 20) == WAIT_OBJECT_0) break;
        if (GetTickCount() - start > timeout_ms) {
            r.timed_out = true;
            TerminateProcess(pi.hProcess, 259);
            WaitForSingleObject(pi.hProcess, 5000);
            break;
        }
    }
    DWORD got = 0;
    char buf[4096];
    while (ReadFile(rd, buf, sizeof buf, &got, nullptr) && got) r.output.append(buf, got);
    GetExitCodeProcess(pi.hProcess, &r.exit_code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(rd);
    return r;
}

child_result run_sibling(const std::string& exe_name, const std::string& args, DWORD timeout_ms)
{
    return run_program(exe_folder() + exe_name, args, timeout_ms);
}

child_result run_child(const std::string& scenario, DWORD timeout_ms)
{
    return run_program(self_path(), "--zote-child=" + scenario, timeout_ms);
}

static int scratch_counter;

scratch_dir::scratch_dir()
{
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    std::string base = std::string(tmp) + "zote-test";
    CreateDirectoryA(base.c_str(), nullptr);
    for (;;) {
        char name[64];
        snprintf(name, sizeof name, "\\%lu-%d-%lu", GetCurrentProcessId(), ++scratch_counter, GetTickCount());
        path_ = base + name;
        if (CreateDirectoryA(path_.c_str(), nullptr)) break;
    }
}

scratch_dir::~scratch_dir() { remove_tree(path_); }

std::string scratch_dir::write(const std::string& name, const std::string& bytes) const
{
    std::string full = file(name);
    for (size_t i = path_.size() + 1; i < full.size(); i++) {
        if (full[i] == '\\')
            CreateDirectoryA(full.substr(0, i).c_str(), nullptr);
        else if (mb_is_lead((unsigned char)full[i]))
            i++;
    }
    write_file(full, bytes);
    return full;
}

std::string deep_cp932_folder(const std::string& root, size_t bytes)
{
    std::string path = root;
    while (path.size() <= bytes) {
        path += "\\表ソ能表ソ能表ソ能表";
        CreateDirectoryA(path.c_str(), nullptr);
    }
    return path;
}

bool remove_tree(const std::string& path)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            std::string full = path + "\\" + name;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                remove_tree(full);
            else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDirectoryA(full.c_str());
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    return RemoveDirectoryA(path.c_str()) != 0;
}

std::string read_file(const std::string& path)
{
    std::string out;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return out;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    fclose(f);
    return out;
}

bool write_file(const std::string& path, const std::string& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

std::string noise(size_t n, unsigned seed)
{
    std::string s(n, '\0');
    for (char& c : s) {
        seed = seed * 1103515245u + 12345u;
        c = char(seed >> 16);
    }
    return s;
}

size_t peak_memory()
{
    typedef BOOL(WINAPI * info_fn)(HANDLE, PROCESS_MEMORY_COUNTERS*, DWORD);
    info_fn info = (info_fn)GetProcAddress(GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo");
    PROCESS_MEMORY_COUNTERS c = {};
    c.cb = sizeof c;
    return info && info(GetCurrentProcess(), &c, sizeof c) ? c.PeakWorkingSetSize : 0;
}

void pump_for(DWORD ms)
{
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

static BOOL CALLBACK find_process_dialog(HWND w, LPARAM out)
{
    DWORD pid;
    GetWindowThreadProcessId(w, &pid);
    char cls[32];
    if (pid == GetCurrentProcessId() && IsWindowVisible(w) && GetClassNameA(w, cls, sizeof cls) &&
        strcmp(cls, "#32770") == 0) {
        *reinterpret_cast<HWND*>(out) = w;
        return FALSE;
    }
    return TRUE;
}

HWND visible_dialog_of_process()
{
    HWND found = nullptr;
    EnumWindows(find_process_dialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string vformat(const char* fmt, va_list ap)
{
    va_list count;
    va_copy(count, ap);
    int n = _vscprintf(fmt, count);
    va_end(count);
    std::string text(n > 0 ? n : 0, '\0');
    if (n > 0) vsnprintf(&text[0], text.size() + 1, fmt, ap);
    return text;
}

int box_to_log(HWND, const char* text, const char* title, UINT)
{
    char log[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("ZOTE_BOX_LOG", log, sizeof log);
    FILE* f = n && n < sizeof log ? fopen(log, "ab") : nullptr;
    if (f) {
        fprintf(f, "MSGBOX[%s]%s\n", title ? title : "", text ? text : "");
        fclose(f);
    }
    return IDOK;
}

}  // namespace bench
