// The benchmarks in their quick form, run as bench/run.sh runs them but on
// small folders and pictures, with a temporary folder of their own: every
// figure each one reports must have been observed, beside the floor named
// and its target.
// A figure a benchmark can no longer observe (the program stopped showing
// what the benchmark watches for) fails here rather than in a later
// measuring run. No time is checked.
#include "tests/support/bench.h"
#include "tests/support/photos.h"
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {
// Every line of out that begins with what.
std::vector<std::string> lines_of(const std::string& out, const std::string& what)
{
    std::vector<std::string> found;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, what.size(), what) == 0) found.push_back(line);
    return found;
}

// TMP and TEMP moved to a scratch folder for the scope: the benchmarks'
// folders, caches and the program's temporary copy go with it.
struct own_temp {
    bench::scratch_dir dir;
    std::string saved_tmp, saved_temp;
    own_temp() : saved_tmp(get("TMP")), saved_temp(get("TEMP"))
    {
        SetEnvironmentVariableA("TMP", dir.path());
        SetEnvironmentVariableA("TEMP", dir.path());
    }
    ~own_temp()
    {
        SetEnvironmentVariableA("TMP", saved_tmp.c_str());
        SetEnvironmentVariableA("TEMP", saved_temp.c_str());
    }
    static std::string get(const char* name)
    {
        char v[MAX_PATH] = "";
        GetEnvironmentVariableA(name, v, sizeof v);
        return v;
    }
};
}  // namespace

TEST(Benchmarks, EveryFigureObservedBesideItsFloor)
{
    own_temp temp;
    // The folder the start-up benchmark starts the program on.
    std::string album = temp.dir.file("表ソ能");
    CreateDirectoryA(album.c_str(), nullptr);
    ASSERT_TRUE(write_camera_photo(album + "\\能.jpg", 64, 48));
    std::string zote = bench::exe_folder() + "..\\zote.exe";
    struct figure {
        const char* what;
        const char* floor;  // named on each of its lines
        size_t lines;
        const char* unit = " ms |";
    };
    struct {
        const char* program;
        std::string args;
        std::vector<figure> figures;
    } table[] = {
        {"scan_bench",
         "quick \"" + bench::exe_folder() + "..\\scan_folders_quick\"",
         {{"scan and layout", "| its reads", 3},
          {"first page drawn", "| its reads", 3},
          {"input taken again", "| its reads", 3},
          {"every name found", "| its reads", 3},
          {"classify every entry", "| target", 2},
          {"every entry marked (Ctrl+A)", "| target", 1},
          {"every entry cut (Ctrl+X)", "| the list set bare", 1},
          {"every entry copied (Ctrl+C)", "| the list set bare", 1}}},
        {"viewer_bench",
         "quick",
         {{"next picture shown, prepared", "| djpeg 1/", 1},
          {"Page Down answered after", "| djpeg 1/", 1},
          {"next picture shown, unprepared", "| djpeg 1/", 1},
          {"Page Down keeps", "| djpeg 1/", 1},
          {"Page Up keeps", "| djpeg 1/", 1},
          {"memory kept per 1,000 steps", "| target", 1, " MB |"},
          {"GDI objects kept per 1,000 steps", "| target", 1, " objects |"}}},
        {"marks_bench",
         "quick",
         {{"grid repaint", "| before any mark", 3},
          {"a mark in the grid", "| the first 100", 2},
          {"viewer repaint", "| before any mark", 2},
          {"a mark in the viewer", "| the first 100", 1},
          {"memory taken by", "| target", 1, " MB |"},
          {"pages' pictures held", "| target", 1, " MB |"},
          {"leaving the viewer", "| without marks", 1},
          {"memory at its peak while leaving", "| without marks", 1, " MB |"}}},
        {"decode_bench",
         "quick",
         {{"the viewer's load", "| djpeg", 1},
          {"full size into fresh memory", "| djpeg", 1},
          {"full size, one after another", "| djpeg", 1},
          {"1/8 load", "| djpeg -scale 1/8", 1}}},
        {"thumbs",
         "quick",
         {{"cold JPEG thumbnail", "| djpeg -scale 1/8", 1},
          {"warm JPEG", "| cold", 1},
          {"cold PNG thumbnail", "| its decode", 1},
          {"cold TIFF thumbnail", "| its decode", 1}}},
        {"startup_bench", "\"" + zote + "\" \"" + album + "\" 1", {{"start to a steady first grid", "notepad", 1}}},
        {"archive_bench", "quick", {{"a rename written back into the zip", "| one copy of the zip", 1}}},
    };
    for (const auto& t : table) {
        std::string exe = bench::exe_folder() + "..\\bench_programs\\" + t.program + ".exe";
        bench::child_result r = bench::run_program(exe, t.args, 300000);
        ASSERT_FALSE(r.timed_out) << t.program;
        EXPECT_EQ(r.exit_code, 0u) << t.program << "\n" << r.output;
        EXPECT_EQ(lines_of(r.output, "CPUS affinity").size(), 1u) << t.program;
        for (const figure& f : t.figures) {
            std::vector<std::string> lines = lines_of(r.output, f.what);
            EXPECT_EQ(lines.size(), f.lines) << t.program << ": " << f.what << "\n" << r.output;
            for (const std::string& line : lines) {
                EXPECT_EQ(line.find("not observed"), std::string::npos) << t.program << ": " << line;
                EXPECT_NE(line.find(f.unit), std::string::npos) << t.program << ": " << line;
                EXPECT_NE(line.find(f.floor), std::string::npos) << t.program << ": " << line;
                EXPECT_NE(line.find("| target <= "), std::string::npos) << t.program << ": " << line;
            }
        }
    }
}
