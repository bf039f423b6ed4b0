// Archive benchmark: a zip of camera photos (4000x3000 JPEGs of quality 90,
// made by the program's own writer and packed by the archiver DLL) opened as
// a folder, and one photo renamed in it and written back, as the program
// does it (status, progress bar, the new zip made beside the work folder and
// swapped in), against copying the zip's bytes once.
//
// archive_bench.exe [quick]    quick: 4 small photos and one round (a smoke run)
#include "bench/bench_common.h"
#include "browser/archives/archive_folder.h"
#include "browser/model/archive_work.h"
#include "files/files.h"
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    bool quick = argc >= 2 && !strcmp(argv[1], "quick");
    int photos = quick ? 4 : 40, rounds = quick ? 1 : 5, w = quick ? 800 : 4000, h = quick ? 600 : 3000;
    report_cpus();
    std::string base = temp_folder() + (quick ? "zote_archive_quick" : "zote_archive_bench");
    std::string source = base + "\\写真表", zip = base + "\\旅行ソ.zip";
    CreateDirectoryA(base.c_str(), nullptr);
    CreateDirectoryA(source.c_str(), nullptr);
    std::vector<std::string> paths;
    for (int i = 0; i < photos; i++) {
        char name[32];
        std::snprintf(name, sizeof name, "\\IMG_%04d表.JPG", i + 1);
        paths.push_back(source + name);
    }
    make_photos(paths, w, h);
    _lha* lha = open_archiver_for(zip.c_str());
    if (!lha || (!exists(zip) && !lha->create(zip.c_str(), source.c_str(), nullptr))) {
        say("no zip: the archiver DLLs are missing\n");
        return 1;
    }
    setup_archive_work_folders();
    if (!open_archive_as_folder(zip.c_str())) {
        say("the zip did not open\n");
        return 1;
    }
    std::string copy = base + "\\copy.zip", first = std::string(archive_work.folder) + "\\IMG_0001表.JPG",
                renamed = std::string(archive_work.folder) + "\\IMG_0001表ソ.JPG";
    std::vector<double> copied, written;
    CopyFileA(zip.c_str(), copy.c_str(), FALSE);  // the zip into the OS cache
    for (int r = 0; r < rounds; r++) {
        double t = now_ms();
        bool done = CopyFileA(zip.c_str(), copy.c_str(), FALSE) != 0;
        copied.push_back(done ? now_ms() - t : -1);
        DeleteFileA(copy.c_str());
        // Renamed and back again, each written back.
        bool there = r % 2 == 0;
        MoveFileA(there ? first.c_str() : renamed.c_str(), there ? renamed.c_str() : first.c_str());
        t = now_ms();
        done = write_back_open_archive(nullptr) != 0;
        written.push_back(done ? now_ms() - t : -1);
    }
    remove_archive_work_folder();
    WIN32_FILE_ATTRIBUTE_DATA a = {};
    GetFileAttributesExA(zip.c_str(), GetFileExInfoStandard, &a);
    say("== a zip of %d photos %dx%d q90, %.0f MB: medians of %d rounds\n", photos, w, h, a.nFileSizeLow / 1048576.0,
        rounds);
    report("a rename written back into the zip of photos", median(written), {{"one copy of the zip", median(copied)}},
           0, 2.0);
    return 0;
}
