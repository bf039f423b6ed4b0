// A script run through the program's real start-up: the installed program
// relaunches its copy, which hands "/script ..." to the script runner, runs
// the one command and ends.
#include "console_fixture.h"

namespace {

TEST(ScriptRun, TheProgramRunsAOneShotCommandAndEnds)
{
    bench::scratch_dir dir;
    char saved_tmp[MAX_PATH], saved_temp[MAX_PATH];
    GetEnvironmentVariableA("TMP", saved_tmp, MAX_PATH);
    GetEnvironmentVariableA("TEMP", saved_temp, MAX_PATH);
    std::string temp = dir.file("temp");
    CreateDirectoryA(temp.c_str(), nullptr);
    SetEnvironmentVariableA("TMP", temp.c_str());
    SetEnvironmentVariableA("TEMP", temp.c_str());
    SetEnvironmentVariableA("ZOTE_BOX_LOG", dir.file("boxes.txt").c_str());
    std::string program = dir.write("inst\\zote.exe", "");
    CopyFileA((bench::exe_folder() + "host_script.exe").c_str(), program.c_str(), FALSE);
    std::string made = dir.file("made\\deep");
    std::string line = "\"" + program + "\" /script md \"" + made + "\"";
    STARTUPINFOA si = {sizeof si};
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, dir.path(), &si, &pi));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 30000));
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    // The relaunched copy does the work; wait for its result.
    for (int i = 0; i < 600 && !is_dir(made); i++) bench::pump_for(50);
    EXPECT_TRUE(is_dir(made));
    EXPECT_EQ("", bench::read_file(dir.file("boxes.txt")));
    SetEnvironmentVariableA("TMP", saved_tmp);
    SetEnvironmentVariableA("TEMP", saved_temp);
    SetEnvironmentVariableA("ZOTE_BOX_LOG", nullptr);
}

}  // namespace
