// Thumbnail benchmark: how long a folder of photographs takes to show as
// thumbnails, cold (empty memory and disk caches, files in the OS cache) and
// warm (a new process, every thumbnail from the disk cache), beside the floor
// of libjpeg-turbo's own `djpeg -scale 1/8` run under the same Wine on the
// same files, and for PNG and TIFF beside the program's own decode of the
// same files. The corpus is made here: N photo-like 4000x3000 JPEGs at
// quality 90 and a PNG and a TIFF set. Peak working sets are printed for 100
// and 1,000 images: the slots bound memory, not the folder size. Each pass
// runs in a process of its own, on the processors the caller pinned.
//
// thumbs.exe [N | quick]               the whole run (N JPEGs, default 100;
//                                      quick: a smoke run on small pictures)
// thumbs.exe pass FOLDER COUNT [OUT]   one pass in this process: ms per image,
//                                      decodes and peak working set (also into OUT)
#include "app/start_up.h"
#include "bench/bench_common.h"
#include "browser/model/browser_list.h"
#include "browser/model/file_kind.h"
#include "browser/grid/grid.h"
#include "browser/model/start.h"
#include "browser/caches/thumb_cache.h"
#include "files/files.h"
#include "formats/formats.h"
#include "graphics/kavtrel.h"
#include <windows.h>
#include <psapi.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// A block of the picture changed per image, so that no two files are equal.
static void stamp(_bmap* b, int i)
{
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++) b->pixels[(size_t)y * b->stride + 3 * x] = (BYTE)(i * 37 + x + y);
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
// through the memory cache's 255 as the grid's cache does. The line printed
// goes to out too, when given.
static int one_pass(const std::string& folder, int count, const std::string& cache_root, const char* out)
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
    char line[256];
    std::snprintf(line, sizeof line,
                  "PASS images=%d ms_per_image=%.2f decodes=%d cache_files_used_or_written=%d peak_ws_mb=%.1f\n",
                  (int)files.size(), ms, decodes, from_cache, pmc.PeakWorkingSetSize / 1048576.0);
    say("%s", line);
    if (out)
        if (c_file f{std::fopen(out, "w")}) std::fputs(line, f.get());
    return 0;
}

static void empty_cache(const std::string& root)
{
    CreateDirectoryA(root.c_str(), nullptr);
    for (const std::string& f : files_of(root)) DeleteFileA(f.c_str());
}

struct pass_result {
    double ms_per_image, peak_mb;
};

// One pass in a process of its own; what it printed, read back.
static pass_result pass(const char* title, const std::string& folder, int count)
{
    say("%s\n", title);
    std::string out = temp_folder() + "zote_thumbs_pass.txt";
    DeleteFileA(out.c_str());
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    run_process("\"" + std::string(self) + "\" pass \"" + folder + "\" " + std::to_string(count) + " \"" + out + "\"");
    pass_result r = {-1, -1};
    if (c_file f{std::fopen(out.c_str(), "r")}) {
        char line[256] = "";
        std::fgets(line, sizeof line, f.get());
        const char *ms = std::strstr(line, "ms_per_image="), *peak = std::strstr(line, "peak_ws_mb=");
        if (ms && peak) r = {std::atof(ms + 13), std::atof(peak + 11)};
    }
    return r;
}

// The floor of a thumbnail that is not a JPEG: the program's own decode of
// the file at full size, in this process, median ms per file.
static double decode_floor(const std::vector<std::string>& files)
{
    install_image_format_hooks();
    warm_os_cache(files);
    std::vector<double> t;
    for (int round = 0; round < 3; round++)
        for (const std::string& f : files) {
            double start = now_ms();
            _bmap_delete(_bmap_load(f.c_str(), 0, 1));
            t.push_back(now_ms() - start);
        }
    return median(t);
}

int main(int argc, char** argv)
{
    std::string base = temp_folder() + "zote_thumbs";
    std::string cache = base + "_cache";
    if (argc >= 4 && std::string(argv[1]) == "pass")
        return one_pass(argv[2], atoi(argv[3]), cache, argc >= 5 ? argv[4] : nullptr);
    // The sizes of the run; quick: a smoke run on small pictures.
    struct {
        int jpegs, jpeg_w, jpeg_h, others, other_w, other_h, linked, memory[2];
    } z = {100, 4000, 3000, 20, 1600, 1200, 1000, {100, 1000}};
    if (argc >= 2 && std::string(argv[1]) == "quick") {
        z = {3, 800, 600, 2, 400, 300, 20, {10, 20}};
        base += "_quick";
    } else if (argc >= 2 && atoi(argv[1]) > 0) {
        z.jpegs = atoi(argv[1]);
    }
    report_cpus();
    CreateDirectoryA(base.c_str(), nullptr);
    std::string jpegs = base + "\\jpeg", pngs = base + "\\png", tiffs = base + "\\tiff", many = base + "\\many";
    double t = now_ms();
    make_set(jpegs, z.jpegs, z.jpeg_w, z.jpeg_h, "jpg");
    make_set(pngs, z.others, z.other_w, z.other_h, "png");
    make_set(tiffs, z.others, z.other_w, z.other_h, "tif");
    make_linked_set(many, jpegs, z.jpegs, z.linked);
    say("CORPUS %s: %d JPEG %dx%d q90, %d PNG and %d TIFF %dx%d, %d linked names (%.0f s)\n", base.c_str(), z.jpegs,
        z.jpeg_w, z.jpeg_h, z.others, z.others, z.other_w, z.other_h, z.linked, (now_ms() - t) / 1000);
    struct {
        const char* name;
        std::string folder;
        int count;
        pass_result cold, warm;
    } sets[] = {{"jpeg", jpegs, z.jpegs, {}, {}}, {"png", pngs, z.others, {}, {}}, {"tiff", tiffs, z.others, {}, {}}};
    for (auto& s : sets) {
        empty_cache(cache);
        s.cold = pass(("SET " + std::string(s.name) + " cold").c_str(), s.folder, s.count);
        s.warm = pass(("SET " + std::string(s.name) + " warm").c_str(), s.folder, s.count);
    }
    std::vector<std::string> files = files_of(jpegs);
    warm_os_cache(files);
    double floor = djpeg_floor("-scale 1/8", files);
    pass_result memory[2];
    for (int i = 0; i < 2; i++) {
        empty_cache(cache);
        memory[i] = pass(("MEMORY " + std::to_string(z.memory[i]) + " cold").c_str(), many, z.memory[i]);
    }
    empty_cache(cache);
    say("== thumbnails at 128 of %dx%d JPEGs and %dx%d PNG and TIFF, ms per image\n", z.jpeg_w, z.jpeg_h, z.other_w,
        z.other_h);
    report("cold JPEG thumbnail", sets[0].cold.ms_per_image, {{"djpeg -scale 1/8", floor}}, 0, 1.25);
    report("warm JPEG thumbnail (from the disk cache)", sets[0].warm.ms_per_image,
           {{"cold", sets[0].cold.ms_per_image}}, 0, 0.05);
    report("cold PNG thumbnail", sets[1].cold.ms_per_image, {{"its decode", decode_floor(files_of(pngs))}}, 0, 1.25);
    report("cold TIFF thumbnail", sets[2].cold.ms_per_image, {{"its decode", decode_floor(files_of(tiffs))}}, 0,
           1.25);
    // The slots bound memory, not the folder size: 100 images within 64 MB,
    // ten times as many within half as much again.
    for (int i = 0; i < 2; i++) {
        std::string what = "peak working set for " + std::to_string(z.memory[i]) + " images";
        std::string first = "for " + std::to_string(z.memory[0]);
        if (i == 0) report(what.c_str(), memory[i].peak_mb, {}, 64, 0, "MB");
        if (i == 1) report(what.c_str(), memory[i].peak_mb, {{first.c_str(), memory[0].peak_mb}}, 0, 1.5, "MB");
    }
    return 0;
}
