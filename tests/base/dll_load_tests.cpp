// DLLs loaded by full path only: a DLL planted in the current folder under
// the expected name never runs, while the same name in the program's own
// folder is the one loaded. The planted stand-in writes "<its path>.ran"
// when it runs; the loads happen in a copy of this program started in a
// folder of its own, with the planted folder as its current folder.
#include "base/dll_load.h"
#include "base/holders.h"
#include "tests/support/bench.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <string>

namespace {
bool exists(const std::string& p) { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }
}  // namespace

// Loads the one DLL of the current folder by its name, through the helper or
// (with ZOTE_PLANTED_BARE set) by bare name, and says whether the helper
// finds it without loading it and whether it loaded.
ZOTE_CHILD(load_planted)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA("*.dll", &fd);
    if (h == INVALID_HANDLE_VALUE) return 2;
    FindClose(h);
    bool bare = GetEnvironmentVariableA("ZOTE_PLANTED_BARE", nullptr, 0) > 0;
    int present = installed_dll_present(fd.cFileName) ? 1 : 0;
    HMODULE m = bare ? LoadLibraryA(fd.cFileName) : load_installed_dll(fd.cFileName);
    printf("present=%d loaded=%d\n", present, m ? 1 : 0);
    return 0;
}

TEST(DllLoad, PlantedInTheCurrentFolderNeverRuns)
{
    bench::scratch_dir dir;
    std::string program = dir.file("プログラム表");
    CreateDirectoryA(program.c_str(), nullptr);
    std::string copy = program + "\\test_base.exe", planted = bench::exe_folder() + "standin_planted.dll";
    ASSERT_TRUE(CopyFileA((bench::exe_folder() + "test_base.exe").c_str(), copy.c_str(), FALSE));
    struct {
        const char* name;
        bool in_program_folder, bare;
        int loaded;
        bool program_ran, work_ran;
    } cases[] = {
        // By bare name the search reaches the current folder: this is what the helper avoids.
        {"表ソ植物.dll", false, true, 1, false, true},
        {"能ソ植物.dll", false, false, 0, false, false},
        {"十予植物.dll", true, false, 1, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string work = dir.file(std::string("作業ソ能") + c.name);
        CreateDirectoryA(work.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(planted.c_str(), (work + "\\" + c.name).c_str(), FALSE));
        if (c.in_program_folder) ASSERT_TRUE(CopyFileA(planted.c_str(), (program + "\\" + c.name).c_str(), FALSE));
        SetEnvironmentVariableA("ZOTE_PLANTED_BARE", c.bare ? "1" : nullptr);
        bench::child_result r;
        {
            current_folder_kept keep;
            ASSERT_TRUE(SetCurrentDirectoryA(work.c_str()));
            r = bench::run_program(copy, "--zote-child=load_planted");
        }
        EXPECT_EQ(r.output,
                  "present=" + std::to_string(c.in_program_folder) + " loaded=" + std::to_string(c.loaded) + "\r\n");
        EXPECT_EQ(exists(program + "\\" + c.name + ".ran"), c.program_ran);
        EXPECT_EQ(exists(work + "\\" + c.name + ".ran"), c.work_ran);
    }
    SetEnvironmentVariableA("ZOTE_PLANTED_BARE", nullptr);
}

TEST(DllLoad, SystemDllsFromTheSystemFolder)
{
    char system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryA(system, sizeof system), 0u);
    HMODULE kernel = load_system_dll("kernel32.dll");
    ASSERT_NE(kernel, nullptr);
    EXPECT_EQ(kernel, GetModuleHandleA("kernel32.dll"));
    EXPECT_EQ(load_system_dll("表ソ能.dll"), nullptr);
    EXPECT_EQ(load_dll_from(system, std::string(300, 'x').c_str()), nullptr);
}
