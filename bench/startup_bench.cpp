// Start-up benchmark: from starting zote.exe on a folder, as a user starts
// the installed program (it relaunches itself from its copy in the temporary
// folder), until its first grid is steady: the window shows the folder and
// the thread behind it has stopped using the processor. Floor: Wine's own
// notepad, from its start until its window is steady in the same way. The
// two run in turn, after one start of each that is not counted (the first
// start makes the temporary copy).
//
// startup_bench.exe [PROGRAM FOLDER [ROUNDS]]
//   default: ..\zote.exe on ..\sample beside this program, five rounds
#include "bench/bench_common.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
// A visible top-level window of the process (pid), or one whose title holds
// part and ends as the program's titles end (pid 0).
struct window_match {
    DWORD pid;
    std::string part;
    HWND found;
};

BOOL CALLBACK match_window(HWND w, LPARAM lp)
{
    auto* m = reinterpret_cast<window_match*>(lp);
    if (!IsWindowVisible(w) || GetWindow(w, GW_OWNER)) return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char t[512];
    int n = GetWindowTextA(w, t, sizeof t);
    std::string title(t, n > 0 ? n : 0);
    const std::string ending = " - ZOTE1.67";
    bool ours = m->pid ? pid == m->pid
                       : title.size() > ending.size() &&
                             title.compare(title.size() - ending.size(), ending.size(), ending) == 0 &&
                             title.find(m->part) != std::string::npos;
    if (!ours) return TRUE;
    m->found = w;
    return FALSE;
}

double thread_cpu_ms(HANDLE thread)
{
    FILETIME c, e, k, u;
    if (!GetThreadTimes(thread, &c, &e, &k, &u)) return -1;
    ULARGE_INTEGER kk = {{k.dwLowDateTime, k.dwHighDateTime}}, uu = {{u.dwLowDateTime, u.dwHighDateTime}};
    return (kk.QuadPart + uu.QuadPart) / 1e4;
}

// Starts the command line and waits until the window that m finds is
// steady: shown, and its thread without processor time for `quiet` ms. The
// ms from the start to the later of the window's coming and the thread's
// last use of the processor; -1 when no window came. The window is closed
// and its process waited for.
double start_until_steady(const std::string& line, window_match m, bool match_pid)
{
    const double quiet = 500, poll = 5, give_up = 60000;
    PROCESS_INFORMATION pi;
    double start = now_ms();
    if (!start_process(line, &pi, true)) return -1;
    kernel_object started(pi.hProcess), started_thread(pi.hThread);
    if (match_pid) m.pid = pi.dwProcessId;
    kernel_object thread;
    double seen = -1, busy = -1, cpu = -1;
    while (now_ms() - start < give_up) {
        Sleep((DWORD)poll);
        if (!thread) {
            m.found = nullptr;
            EnumWindows(match_window, reinterpret_cast<LPARAM>(&m));
            if (!m.found) continue;
            seen = now_ms();
            thread.reset(OpenThread(THREAD_QUERY_INFORMATION, FALSE, GetWindowThreadProcessId(m.found, nullptr)));
            if (!thread) break;
        }
        double c = thread_cpu_ms(thread.get());
        if (c != cpu) cpu = c, busy = now_ms();
        if (now_ms() - busy >= quiet) break;
    }
    double steady = seen < 0 ? -1 : std::max(seen, busy) - start;
    if (m.found) {
        DWORD pid = 0;
        GetWindowThreadProcessId(m.found, &pid);
        kernel_object process(OpenProcess(SYNCHRONIZE, FALSE, pid));
        PostMessageA(m.found, WM_CLOSE, 0, 0);
        if (process) WaitForSingleObject(process.get(), 30000);
    }
    WaitForSingleObject(pi.hProcess, 30000);
    return steady;
}
}  // namespace

int main(int argc, char** argv)
{
    report_cpus();
    char full[MAX_PATH];
    std::string program = argc >= 3 ? argv[1] : exe_folder() + "..\\zote.exe";
    std::string folder = argc >= 3 ? argv[2] : exe_folder() + "..\\sample";
    int rounds = argc >= 4 ? atoi(argv[3]) : 5;
    if (GetFullPathNameA(folder.c_str(), sizeof full, full, nullptr)) folder = full;
    if (GetFullPathNameA(program.c_str(), sizeof full, full, nullptr)) program = full;
    if (!exists(program) || !exists(folder) || rounds < 1) {
        say("start-up: %s or %s is missing\n", program.c_str(), folder.c_str());
        return 1;
    }
    window_match zote = {0, folder.substr(folder.find_last_of('\\') + 1), nullptr}, notepad = {0, "", nullptr};
    std::string zote_line = "\"" + program + "\" \"" + folder + "\"";
    std::vector<double> z, n;
    for (int r = 0; r <= rounds; r++) {
        double a = start_until_steady(zote_line, zote, false), b = start_until_steady("notepad.exe", notepad, true);
        if (r == 0) continue;
        z.push_back(a);
        n.push_back(b);
    }
    say("== start-up on %s: medians of %d\n", folder.c_str(), rounds);
    report("start to a steady first grid", median(z), {{"notepad to steady", median(n)}}, 0, 2.0);
    return 0;
}
