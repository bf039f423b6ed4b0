// The file holder of the tests (see held_file.h): a child scenario of the
// test program opens the file for reading, sharing reading only, says so by
// an event and keeps it open until told to let go.
#include "tests/support/held_file.h"
#include "tests/support/bench.h"
#include <string>
#include <vector>

namespace {

std::string event_name(const char* base, DWORD id, const char* what)
{
    return std::string(base) + "-" + std::to_string(id) + "-" + what;
}

// The path goes to the child in hexadecimal: Wine hands a cp932 value of an
// environment variable back short by a byte per double-byte character.
std::string to_hex(const std::string& s)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : s) out += {digits[c >> 4], digits[c & 15]};
    return out;
}

std::string from_hex(const char* hex)
{
    std::string out;
    for (; hex[0] && hex[1]; hex += 2) out += char(std::stoi(std::string(hex, 2), nullptr, 16));
    return out;
}

}  // namespace

ZOTE_CHILD(hold_file)
{
    char hex[2 * MAX_PATH + 1] = "", id_text[32] = "";
    GetEnvironmentVariableA("ZOTE_HOLD_PATH", hex, sizeof hex);
    GetEnvironmentVariableA("ZOTE_HOLD_ID", id_text, sizeof id_text);
    DWORD id = strtoul(id_text, nullptr, 10);
    HANDLE file = CreateFileA(from_hex(hex).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 2;
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, event_name("zote-hold", id, "ready").c_str());
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, event_name("zote-hold", id, "release").c_str());
    if (!ready || !release) return 3;
    SetEvent(ready);
    WaitForSingleObject(release, 120000);
    CloseHandle(file);
    return 0;
}

namespace bench {

held_file::held_file(const std::string& path)
{
    static LONG count;
    DWORD id = GetCurrentProcessId() * 1000 + DWORD(InterlockedIncrement(&count));
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, event_name("zote-hold", id, "ready").c_str());
    release_ = CreateEventA(nullptr, TRUE, FALSE, event_name("zote-hold", id, "release").c_str());
    SetEnvironmentVariableA("ZOTE_HOLD_PATH", to_hex(path).c_str());
    SetEnvironmentVariableA("ZOTE_HOLD_ID", std::to_string(id).c_str());
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string line = std::string("\"") + self + "\" --zote-child=hold_file";
    std::vector<char> cmd(line.begin(), line.end());
    cmd.push_back(0);
    STARTUPINFOA si = {sizeof si};
    if (ready && release_ &&
        CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &process_)) {
        HANDLE either[2] = {ready, process_.hProcess};
        held_ = WaitForMultipleObjects(2, either, FALSE, 30000) == WAIT_OBJECT_0;
    }
    SetEnvironmentVariableA("ZOTE_HOLD_PATH", nullptr);
    SetEnvironmentVariableA("ZOTE_HOLD_ID", nullptr);
    if (ready) CloseHandle(ready);
}

held_file::~held_file()
{
    if (release_) SetEvent(release_);
    if (process_.hProcess) {
        WaitForSingleObject(process_.hProcess, 30000);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    if (release_) CloseHandle(release_);
}

}  // namespace bench
