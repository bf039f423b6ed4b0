// Thumbnail benchmark: how long a folder of photographs takes to show as
// thumbnails, cold (empty memory and disk caches, files in the OS cache) and
// warm (a new process, every thumbnail from the disk cache), beside the floor
// of libjpeg-turbo's own `djpeg -scale 1/8` run under the same Wine. The
// corpus is made here: N photo-like 4000x3000 JPEGs at quality 90 and a PNG
// and a TIFF set. Everything runs on one core. Peak working sets are printed
// for 100 and 1,000 images: the slots bound memory, not the folder size.
//
// thumbs.exe [N]                  the whole run (N JPEGs, default 100)
// thumbs.exe pass FOLDER COUNT    one pass in this process: ms per image,
//                                 decodes and peak working set
#include "bench/bench_common.h"
#include "browser/browser_list.h"
#include "browser/file_kind.h"
#include "browser/grid.h"
#include "browser/start.h"
#include "browser/thumb_cache.h"
#include "files/strings.h"
#include "formats/jpeg.h"
#include "formats/png.h"
#include "formats/tiff.h"
#include "graphics/kavtrel.h"
#include <windows.h>
#include <psapi.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// A block of the picture changed per image, so that no two files are equal.
static void stamp(_bmap* b, int i)
{
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++) b->pixels[(size_t)y * b->stride + 3 * x] = (BYTE)(i * 37 + x + y);
}

static bool exists(const std::string& p) { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

static std::string temp_folder()
{
    char t[MAX_PATH];
    GetTempPathA(sizeof t, t);
    return t;
}

static std::string numbered(const std::string& folder, int i, const char* ext)
{
    char name[32];
    snprintf(name, sizeof name, "\\p%04d.%s", i, ext);
    return folder + name;
}

// The corpus is kept between runs; a missing file is made again.
static void make_set(const std::string& folder, int count, int w, int h, const char* ext)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    _bmap* b = nullptr;
    for (int i = 0; i < count; i++) {
        std::string path = numbered(folder, i, ext);
        if (exists(path)) continue;
        if (!b) b = photo_like(w, h);
        stamp(b, i);
        if (ext[0] == 'j')
            save_jpeg_file(path.c_str(), b, 90);
        else if (ext[0] == 'p')
            save_png_rgb(path.c_str(), b);
        else
            save_tiff_rgb(path.c_str(), b);
    }
    _bmap_delete(b);
}

// The 1,000-image folder: hard links to the JPEG set under new names, so the
// caches see 1,000 different images without 1,000 files' worth of disk.
static void make_linked_set(const std::string& folder, const std::string& from, int from_count, int count)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int i = 0; i < count; i++) {
        std::string path = numbered(folder, i, "jpg");
        if (!exists(path)) CreateHardLinkA(path.c_str(), numbered(from, i % from_count, "jpg").c_str(), nullptr);
    }
}

static std::vector<std::string> files_of(const std::string& folder)
{
    std::vector<std::string> out;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*.*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) out.push_back(folder + "\\" + fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(out.begin(), out.end());
    return out;
}

static void warm_os_cache(const std::vector<std::string>& files)
{
    std::vector<char> buf(1 << 20);
    for (const std::string& f : files)
        if (FILE* fp = fopen(f.c_str(), "rb")) {
            while (fread(buf.data(), 1, buf.size(), fp) == buf.size()) {}
            fclose(fp);
        }
}

static int decodes;
static load_jpeg_hook real_jpeg;
static load_path_hook real_png, real_tiff;
static _bmap* count_jpeg(const char* p, int d, int f)
{
    decodes++;
    return real_jpeg(p, d, f);
}
static _bmap* count_png(const char* p)
{
    decodes++;
    return real_png(p);
}
static _bmap* count_tiff(const char* p)
{
    decodes++;
    return real_tiff(p);
}

// The browser's thumbnail path for every image of the folder at size 128:
// the disk cache, else the cell painter and a new cache file. Slots cycle
// through the memory cache's 255 as the grid's cache does.
static int one_pass(const std::string& folder, int count, const std::string& cache_root)
{
    kavtrel_start(GetModuleHandleA(nullptr), nullptr, "");
    browser_list_init();
    install_image_format_hooks();
    real_jpeg = image_format_hooks.load_jpeg, real_png = image_format_hooks.load_png,
    real_tiff = image_format_hooks.load_tiff;
    image_format_hooks.load_jpeg = count_jpeg, image_format_hooks.load_png = count_png,
    image_format_hooks.load_tiff = count_tiff;
    browser_list.thumb_size = browser_list.drawn_size = 128;
    browser_list.bits_per_pixel = 32;
    thumb_cache_dir dir;
    cache_init(&dir);
    set_cache_path(&dir, cache_root.c_str());
    dir.cache_size = 4000;
    std::vector<std::string> files = files_of(folder);
    if ((int)files.size() > count) files.resize(count);
    warm_os_cache(files);
    double start = now_ms();
    int from_cache = 0;
    for (size_t i = 0; i < files.size(); i++) {
        file_kind k;
        make_file_kind(files[i].c_str(), &k, 1, 0);
        from_cache += cache_lookup_or_make(&dir, files[i].c_str(), 0, &k, 101 + (int)(i % 255));
    }
    double ms = (now_ms() - start) / (files.empty() ? 1 : files.size());
    PROCESS_MEMORY_COUNTERS pmc = {sizeof pmc};
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    std::printf("PASS images=%d ms_per_image=%.2f decodes=%d cache_files_used_or_written=%d peak_ws_mb=%.1f\n",
                (int)files.size(), ms, decodes, from_cache, pmc.PeakWorkingSetSize / 1048576.0);
    return 0;
}

// Runs a command line and waits; its output goes where ours goes.
static double run_wait(const std::string& line, DWORD* code = nullptr)
{
    STARTUPINFOA si = {sizeof si};
    PROCESS_INFORMATION pi;
    std::vector<char> cmd(line.begin(), line.end());
    cmd.push_back(0);
    double start = now_ms();
    std::string cwd = temp_folder();  // the Unix folder the bench was started from has no Windows name
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, cwd.c_str(), &si, &pi)) return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    double ms = now_ms() - start;
    if (code) GetExitCodeProcess(pi.hProcess, code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ms;
}

static std::string self_path()
{
    char p[MAX_PATH];
    GetModuleFileNameA(nullptr, p, sizeof p);
    return p;
}

static void empty_cache(const std::string& root)
{
    CreateDirectoryA(root.c_str(), nullptr);
    for (const std::string& f : files_of(root)) DeleteFileA(f.c_str());
}

// The i686 djpeg beside this program: ms per image of `-scale 1/8`, less
// the cost of starting it (measured on an 8x8 picture).
static void djpeg_floor(const std::vector<std::string>& files, const std::string& tiny)
{
    std::string self = self_path();
    std::string djpeg = self.substr(0, self.find_last_of('\\') + 1) + "djpeg.exe";
    if (!exists(djpeg)) {
        std::printf("FLOOR i686 djpeg: not found beside the benchmark\n");
        return;
    }
    auto mean = [&](const std::vector<std::string>& set) {
        double total = 0;
        for (const std::string& f : set) total += run_wait("\"" + djpeg + "\" -scale 1/8 -outfile NUL \"" + f + "\"");
        return total / set.size();
    };
    double start_cost = mean(std::vector<std::string>(files.size() < 20 ? files.size() : 20, tiny));
    double raw = mean(files);
    std::printf("FLOOR djpeg_i686_raw_ms=%.2f start_ms=%.2f djpeg_i686_ms=%.2f\n", raw, start_cost, raw - start_cost);
}

int main(int argc, char** argv)
{
    SetProcessAffinityMask(GetCurrentProcess(), 1);  // one core, inherited by the children
    std::string base = temp_folder() + "zote_thumbs";
    std::string cache = base + "_cache";
    if (argc >= 4 && std::string(argv[1]) == "pass") {
        std::string root = argc >= 5 ? argv[4] : cache;
        return one_pass(argv[2], atoi(argv[3]), root);
    }
    int n = argc >= 2 ? atoi(argv[1]) : 100;
    if (n < 1) n = 100;
    CreateDirectoryA(base.c_str(), nullptr);
    std::string jpegs = base + "\\jpeg", pngs = base + "\\png", tiffs = base + "\\tiff", many = base + "\\many";
    double t = now_ms();
    make_set(jpegs, n, 4000, 3000, "jpg");
    make_set(pngs, 20, 1600, 1200, "png");
    make_set(tiffs, 20, 1600, 1200, "tif");
    make_linked_set(many, jpegs, n, 1000);
    std::string tiny = base + "\\tiny.jpg";
    if (!exists(tiny)) write_camera_photo(tiny, 8, 8, 1);
    std::printf("CORPUS %s: %d JPEG 4000x3000 q90, 20 PNG and 20 TIFF 1600x1200, 1000 linked names (%.0f s)\n",
                base.c_str(), n, (now_ms() - t) / 1000);
    std::fflush(stdout);

    std::string self = "\"" + self_path() + "\"";
    struct {
        const char* name;
        std::string folder;
        int count;
    } sets[] = {
        {"jpeg", jpegs, n},
        {"png", pngs, 20},
        {"tiff", tiffs, 20},
    };
    for (const auto& s : sets) {
        empty_cache(cache);
        std::printf("SET %s cold\n", s.name);
        std::fflush(stdout);
        run_wait(self + " pass \"" + s.folder + "\" " + std::to_string(s.count));
        std::printf("SET %s warm\n", s.name);
        std::fflush(stdout);
        run_wait(self + " pass \"" + s.folder + "\" " + std::to_string(s.count));
    }
    std::vector<std::string> files = files_of(jpegs);
    warm_os_cache(files);
    djpeg_floor(files, tiny);
    for (int count : {100, 1000}) {
        empty_cache(cache);
        std::printf("MEMORY %d cold\n", count);
        std::fflush(stdout);
        run_wait(self + " pass \"" + many + "\" " + std::to_string(count));
    }
    empty_cache(cache);
    return 0;
}
