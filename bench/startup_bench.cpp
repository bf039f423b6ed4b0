// Start-up benchmark: from starting zote.exe on a folder, as a user starts
// the installed program (it relaunches itself from its copy in the temporary
// folder), until its first grid is steady: its window shows the folder and
// the program waits for the user with nothing left to do (it says so through
// its idle probe once its main loop finds the queue empty). Floor: Wine's
// own notepad, from its start until it first waits for the user
// (WaitForInputIdle, which tells for a program that does not pump while it
// starts). The two run in turn, after one start of each that is not counted
// (the first start makes the temporary copy).
//
// startup_bench.exe [PROGRAM FOLDER [ROUNDS]]
//   default: ..\zote.exe on ..\sample beside this program, five rounds
#include "bench/bench_common.h"
#include "files/files.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
const char* const title_ending = " - ZOTE1.67";

// A visible top-level window of the process pid, or (pid 0) the program's
// window whose title names part.
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
    std::string title(t, n > 0 ? n : 0), ending = title_ending;
    bool ours = m->pid ? pid == m->pid
                       : title.size() > ending.size() &&
                             title.compare(title.size() - ending.size(), ending.size(), ending) == 0 &&
                             title.find(m->part) != std::string::npos;
    if (!ours) return TRUE;
    m->found = w;
    return FALSE;
}

HWND find_window(window_match m)
{
    EnumWindows(match_window, reinterpret_cast<LPARAM>(&m));
    return m.found;
}

// Closes a window and waits for its process to end.
void close_window(HWND w)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    kernel_object process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    PostMessageA(w, WM_CLOSE, 0, 0);
    if (process) WaitForSingleObject(process.get(), 30000);
}

const DWORD give_up = 60000;

// zote.exe on the folder: ms until its grid is steady, -1 when it was not.
double zote_start(const std::string& line, const std::string& folder_name)
{
    PROCESS_INFORMATION pi;
    double start = now_ms();
    if (!start_process(line, &pi, true)) return -1;
    kernel_object installed(pi.hProcess), thread(pi.hThread);
    // The probe only has to arrive before the program is done: a slow look
    // leaves it the processor.
    HWND frame = nullptr;
    while (!(frame = find_window({0, folder_name, nullptr})) && now_ms() - start < give_up) Sleep(10);
    DWORD pid = 0;
    if (frame) GetWindowThreadProcessId(frame, &pid);
    kernel_object idle(OpenSemaphoreA(SYNCHRONIZE, FALSE, ("kavtrel-idle-" + std::to_string(pid)).c_str()));
    double steady = -1;
    if (idle && PostMessageA(frame, RegisterWindowMessageA("kavtrel-idle-probe"), 0, 0) &&
        WaitForSingleObject(idle.get(), give_up) == WAIT_OBJECT_0)
        steady = now_ms() - start;
    if (frame) close_window(frame);
    WaitForSingleObject(pi.hProcess, 30000);
    return steady;
}

// Wine's notepad: ms until it first waits for the user.
double notepad_start()
{
    PROCESS_INFORMATION pi;
    double start = now_ms();
    if (!start_process("notepad.exe", &pi, true)) return -1;
    kernel_object process(pi.hProcess), thread(pi.hThread);
    double steady = WaitForInputIdle(pi.hProcess, give_up) == 0 ? now_ms() - start : -1;
    HWND w = nullptr;
    for (int i = 0; i < 1000 && !(w = find_window({pi.dwProcessId, "", nullptr})); i++) Sleep(5);
    if (w) close_window(w);
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
    std::string line = "\"" + program + "\" \"" + folder + "\"", name = file_name_of(folder.c_str());
    std::vector<double> z, n;
    for (int r = 0; r <= rounds; r++) {
        double a = zote_start(line, name), b = notepad_start();
        if (r == 0) continue;
        z.push_back(a);
        n.push_back(b);
    }
    say("== start-up on %s: medians of %d\n", folder.c_str(), rounds);
    report("start to a steady first grid", median(z), {{"notepad to steady", median(n)}}, 0, 2.0);
    return 0;
}
