// Shared test support: scratch folders, a child-process runner for behaviour
// that ends the process, and the message-box seam for headless fatal paths.
#pragma once
#include "tests/support/restore.h"
#include <windows.h>
#include <cstdarg>
#include <string>
#include <vector>

namespace bench {

// A fresh empty folder under the prefix's temporary folder, removed with its
// contents when the object goes.
class scratch_dir {
public:
    scratch_dir();
    ~scratch_dir();
    scratch_dir(const scratch_dir&) = delete;
    scratch_dir& operator=(const scratch_dir&) = delete;
    const char* path() const { return path_.c_str(); }
    // path\name (name may use backslashes for subfolders).
    std::string file(const std::string& name) const { return path_ + "\\" + name; }
    // Writes bytes to path\name, making the subfolders.
    std::string write(const std::string& name, const std::string& bytes) const;

private:
    std::string path_;
};

// Nested folders named with 0x5C trail bytes (表ソ能) under root, made until
// the path is longer than `bytes` cp932 bytes; the deepest one. The path stays
// short in characters, so it can still become the current folder.
std::string deep_cp932_folder(const std::string& root, size_t bytes);
bool remove_tree(const std::string& path);
std::string read_file(const std::string& path);
bool write_file(const std::string& path, const std::string& bytes);
// n bytes that no archiver or file system makes smaller, the same for a seed.
std::string noise(size_t n, unsigned seed);

struct child_result {
    DWORD exit_code = 0;
    std::string output;  // stdout and stderr together
    bool timed_out = false;
};

// Runs a program with arguments, capturing its output.
child_result run_program(const std::string& exe, const std::string& args, DWORD timeout_ms = 30000);
// Runs a program that sits beside the test executable.
child_result run_sibling(const std::string& exe_name, const std::string& args, DWORD timeout_ms = 30000);
// Runs a child scenario of this test executable (see ZOTE_CHILD).
child_result run_child(const std::string& scenario, DWORD timeout_ms = 30000);

typedef int (*child_fn)();
bool register_child(const char* name, child_fn fn);
// Called by main: runs the scenario named by --zote-child=NAME and exits, if any.
void run_child_if_asked(int argc, char** argv);

// The message-box seam: records every box and answers with `answer`;
// in a child process it also prints "MSGBOX[title]text" so the parent sees it.
struct message_box_record {
    std::string title, text;
    UINT type;
};
extern std::vector<message_box_record> message_boxes;
void install_message_box_seam(int answer = IDOK);

// The folder of the running test executable, with a trailing backslash.
std::string exe_folder();

// printf-style text as a string (for the console hooks the tests capture).
std::string vformat(const char* fmt, va_list ap);

// The message-box seam of host programs: each box is appended as
// "MSGBOX[title]text" to the file named by ZOTE_BOX_LOG and answered IDOK
// (a relaunched host must not hold the test's output pipe).
int box_to_log(HWND owner, const char* text, const char* title, UINT type);

// A visible dialog ("#32770") of this process, or null: what robot threads
// of the tests wait for and answer.
HWND visible_dialog_of_process();

// The peak memory of this process so far, in bytes.
size_t peak_memory();

// Pumps messages for a while (windows under test need their messages).
void pump_for(DWORD ms);

}  // namespace bench

#define ZOTE_CHILD(name)                                                                 \
    static int zote_child_##name();                                                      \
    static bool zote_child_reg_##name = bench::register_child(#name, zote_child_##name); \
    static int zote_child_##name()
