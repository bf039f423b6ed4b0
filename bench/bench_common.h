// What the benchmarks share: a millisecond clock and medians, whole
// processes started as a user starts them, the floor of libjpeg-turbo's own
// i686 djpeg in the same Wine, one report line per figure (the figure, its
// floors, the ratios and the target), and the camera photos the tests use too.
//
// No benchmark pins itself: under Wine SetProcessAffinityMask moves a process
// to host CPU 0 whatever `taskset` asked. The caller pins the whole run
// (`taskset -c 3 bash bench/run.sh`); every program and floor inherits it.
#pragma once
#include "base/cptext.h"
#include "base/holders.h"
#include "graphics/kavtrel.h"
#include "tests/support/photos.h"
#include <windows.h>
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>


// Where the figures go: the output this program was started with (a
// benchmark that runs the program itself sends the program's own output to
// NUL, as zote.exe has none).
inline FILE* bench_out = stdout;

// A line of the report, written at once.
inline void say(const char* format, ...) __attribute__((format(printf, 1, 2)));
inline void say(const char* format, ...)
{
    va_list ap;
    va_start(ap, format);
    std::vfprintf(bench_out, format, ap);
    va_end(ap);
    std::fflush(bench_out);
}

inline double now_ms()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return c.QuadPart * 1000.0 / f.QuadPart;
}

inline double median(std::vector<double> t)
{
    if (t.empty()) return -1;
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

inline std::string temp_folder()
{
    char t[MAX_PATH];
    GetTempPathA(sizeof t, t);
    return t;
}

// The folder of this program, with its backslash.
inline std::string exe_folder()
{
    char p[MAX_PATH];
    GetModuleFileNameA(nullptr, p, sizeof p);
    const char* slash = mb_strrchr(p, '\\');
    return std::string(p, slash ? slash + 1 - p : 0);
}

inline bool exists(const std::string& p) { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Starts a command line with creation flags 0 (CREATE_NO_WINDOW would make
// `cmd` several times slower under Wine than a user's start), in the
// temporary folder (the Unix folder a benchmark was started from has no
// Windows name). quiet: the program's own output goes to NUL, unseen as
// when a user starts it. The caller owns pi's handles.
inline bool start_process(const std::string& line, PROCESS_INFORMATION* pi, bool quiet = false)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    file_handle nul(quiet ? CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr)
                          : INVALID_HANDLE_VALUE);
    STARTUPINFOA si = {sizeof si};
    if (nul) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = si.hStdOutput = si.hStdError = nul.get();
    }
    std::vector<char> cmd(line.begin(), line.end());
    cmd.push_back(0);
    std::string cwd = temp_folder();
    return CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, nul ? TRUE : FALSE, 0, nullptr, cwd.c_str(), &si, pi);
}

// Starts a command line and waits for it: ms, -1 when it could not start.
inline double run_process(const std::string& line)
{
    PROCESS_INFORMATION pi;
    double start = now_ms();
    if (!start_process(line, &pi)) return -1;
    kernel_object process(pi.hProcess), thread(pi.hThread);
    WaitForSingleObject(pi.hProcess, INFINITE);
    return now_ms() - start;
}

// The i686 djpeg beside the benchmark: median ms of `djpeg ARGS -outfile NUL
// FILE` over the files (rounds times each), less the median cost of starting
// it (the same on an 8x8 picture). -1 without djpeg.
inline double djpeg_floor(const std::string& args, const std::vector<std::string>& files, int rounds = 1)
{
    std::string djpeg = exe_folder() + "djpeg.exe";
    if (!exists(djpeg) || files.empty()) return -1;
    std::string tiny = temp_folder() + "zote_bench_tiny.jpg";
    if (!exists(tiny)) write_camera_photo(tiny, 8, 8);
    auto run = [&](const std::string& f) {
        return run_process("\"" + djpeg + "\" " + args + " -outfile NUL \"" + f + "\"");
    };
    std::vector<double> start, decode;
    for (int r = 0; r < rounds; r++)
        for (const std::string& f : files) {
            start.push_back(run(tiny));
            decode.push_back(run(f));
        }
    return median(decode) - median(start);
}

// A floor: what the least a machine does for the same result costs.
struct floor_figure {
    const char* name;
    double ms;  // in the figure's unit; 0 or less: not measured
};

// One figure: its value, each floor with the ratio to it, and the target,
// either in the figure's unit (target_ms) or as a ratio to the first floor
// (target_ratio); 0 for none. Figures are ms unless a unit is given.
inline void report(const char* what, double ms, std::initializer_list<floor_figure> floors = {}, double target_ms = 0,
                   double target_ratio = 0, const char* unit = "ms")
{
    char line[512];
    size_t n = ms < 0 ? std::snprintf(line, sizeof line, "%-46s  not observed", what)
                      : std::snprintf(line, sizeof line, "%-46s %9.1f %s", what, ms, unit);
    auto add = [&](const char* format, auto... values) {
        if (n < sizeof line) n += std::snprintf(line + n, sizeof line - n, format, values...);
    };
    for (const floor_figure& f : floors) {
        if (f.ms <= 0) add(" | %s: not measured", f.name);
        if (f.ms > 0) add(" | %s %.1f %s", f.name, f.ms, unit);
        if (f.ms > 0 && ms >= 0) add(": %.2fx", ms / f.ms);
    }
    const char* verdict = ms < 0 ? "" : ms <= target_ms ? ": within" : ": over";
    if (target_ms > 0) add(" | target <= %.0f %s%s", target_ms, unit, verdict);
    double first = floors.size() ? floors.begin()->ms : 0;
    verdict = ms < 0 || first <= 0 ? "" : ms <= target_ratio * first ? ": within" : ": over";
    if (target_ratio > 0) add(" | target <= %.2fx%s", target_ratio, verdict);
    say("%s\n", line);
}

// The processors this run may use, as the caller pinned it.
inline void report_cpus()
{
    DWORD_PTR process = 0, system = 0;
    GetProcessAffinityMask(GetCurrentProcess(), &process, &system);
    say("CPUS affinity 0x%lx of 0x%lx (pinned by the caller, inherited by every floor)\n",
        static_cast<unsigned long>(process), static_cast<unsigned long>(system));
}

// Camera photos at paths, each another picture, made only when missing: the
// corpus is kept between runs.
inline void make_photos(const std::vector<std::string>& paths, int w, int h)
{
    for (size_t i = 0; i < paths.size(); i++)
        if (!exists(paths[i])) write_camera_photo(paths[i], w, h, (int)i);
}
